#include "app/auto_update_permission_dlg.h"

// Not built yet: shows nothing and changes nothing.
AutoUpdatePermissionDlg::AutoUpdatePermissionDlg(MainSettings*, HWND) {}

AutoUpdatePermissionDlg::~AutoUpdatePermissionDlg() = default;

INT_PTR AutoUpdatePermissionDlg::DoModal() { return IDCANCEL; }
