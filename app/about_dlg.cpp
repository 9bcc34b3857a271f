#include "app/about_dlg.h"

// Not built yet: shows nothing.
CAboutDlg::CAboutDlg() = default;

CAboutDlg::~CAboutDlg() = default;

INT_PTR CAboutDlg::DoModal() { return IDCANCEL; }
