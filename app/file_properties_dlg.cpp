#include "app/file_properties_dlg.h"

#include "vastrel/resource.h"

CFilePropertiesDlg::CFilePropertiesDlg(std::string name, std::string path, std::string size, std::string attributes,
                                       std::string status, HWND parent)
    : Dialog(IDD_FILE_PROPERTIES, parent),
      m_name(std::move(name)),
      m_path(std::move(path)),
      m_size(std::move(size)),
      m_attributes(std::move(attributes)),
      m_status(std::move(status)) {}

bool CFilePropertiesDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    const std::string* texts[] = {&m_name, &m_path, &m_size, &m_attributes, &m_status};
    for (int i = 0; i < 5; ++i) ui::WindowRef(Item(IDC_PROPERTY_NAME + i)).SetText(*texts[i]);
    return true;
}
