#pragma once
// Asked at start-up while the settings say so: check for updates now, later
// or never (which switches the question off in the settings record).
#include <windows.h>

struct MainSettings;

class AutoUpdatePermissionDlg {
public:
    explicit AutoUpdatePermissionDlg(MainSettings* settings, HWND parent = nullptr);
    virtual ~AutoUpdatePermissionDlg();
    AutoUpdatePermissionDlg(const AutoUpdatePermissionDlg&) = delete;
    AutoUpdatePermissionDlg& operator=(const AutoUpdatePermissionDlg&) = delete;

    INT_PTR DoModal();
};
