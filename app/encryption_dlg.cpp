#include "app/encryption_dlg.h"

// Not built yet: shows nothing and changes nothing.
CEncryptionDlg::CEncryptionDlg(int, uint32_t, uint32_t, ui::ListView*, CSADirRead*, int, bool, bool, HWND) {}

CEncryptionDlg::~CEncryptionDlg() = default;

INT_PTR CEncryptionDlg::DoModal() { return IDCANCEL; }
