#pragma once
// Shows one project file's name, folder, size, attribute letters and
// whether it is encrypted ("Encrypted" or "Plain"), as the main window
// hands them over. OK and Esc close it.
#include <windows.h>

#include <string>

#include "framework/dialog.h"

class CFilePropertiesDlg : public ui::Dialog {
public:
    CFilePropertiesDlg(std::string name, std::string path, std::string size, std::string attributes,
                       std::string status, HWND parent = nullptr);

protected:
    bool OnInitDialog() override;

private:
    std::string m_name;
    std::string m_path;
    std::string m_size;
    std::string m_attributes;
    std::string m_status;
};
