#pragma once
// The options dialog: the main window's switches, the shredder's passes and
// the cipher settings.
#include <windows.h>

class CSecureDelete;
struct MainSettings;

class Propertiesdlg {
public:
    Propertiesdlg(CSecureDelete* shredder, MainSettings* settings, HWND parent = nullptr);
    virtual ~Propertiesdlg();
    Propertiesdlg(const Propertiesdlg&) = delete;
    Propertiesdlg& operator=(const Propertiesdlg&) = delete;

    INT_PTR DoModal();
};
