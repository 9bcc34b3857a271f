#pragma once
// Shows one project file's name, folder, size, attribute letters and
// whether it is encrypted ("Encrypted" or "Plain").
#include <windows.h>

#include <string>

class CFilePropertiesDlg {
public:
    CFilePropertiesDlg(std::string name, std::string path, std::string size, std::string attributes,
                       std::string status, HWND parent = nullptr);
    virtual ~CFilePropertiesDlg();
    CFilePropertiesDlg(const CFilePropertiesDlg&) = delete;
    CFilePropertiesDlg& operator=(const CFilePropertiesDlg&) = delete;

    INT_PTR DoModal();
};
