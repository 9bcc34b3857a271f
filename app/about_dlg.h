#pragma once
// The about box with the program's version and build.
#include <windows.h>

class CAboutDlg {
public:
    CAboutDlg();
    virtual ~CAboutDlg();
    CAboutDlg(const CAboutDlg&) = delete;
    CAboutDlg& operator=(const CAboutDlg&) = delete;

    INT_PTR DoModal();
};
