#pragma once
// Asked at start-up while automatic update checking is on: check for
// updates now, not this time, or turn the automatic checking off (from the
// next start on, and for the Options dialog of this run).
#include <windows.h>

#include <string>

#include "framework/dialog.h"

struct MainSettings;

class AutoUpdatePermissionDlg : public ui::Dialog {
public:
    enum { kCheckNow = 0, kDontCheck = 1, kTurnOff = 2 };

    explicit AutoUpdatePermissionDlg(MainSettings* settings, HWND parent = nullptr);

    int Choice() const { return m_choice; }
    // Where "Check for updates" asks; the maker's site unless changed.
    std::string updateUrl;

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    int m_choice = kCheckNow;
    MainSettings* m_settings;
};
