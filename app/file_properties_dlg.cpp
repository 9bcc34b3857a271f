#include "app/file_properties_dlg.h"

// Not built yet: shows nothing.
CFilePropertiesDlg::CFilePropertiesDlg(std::string, std::string, std::string, std::string, std::string, HWND) {}

CFilePropertiesDlg::~CFilePropertiesDlg() = default;

INT_PTR CFilePropertiesDlg::DoModal() { return IDCANCEL; }
