#include "app/quick_cipher_dlg.h"

// Not built yet: shows nothing and changes nothing.
QuickCipherDlg::QuickCipherDlg(std::vector<int>*, ui::ListView*, CSADirRead*, int, bool, bool, HWND) {}

QuickCipherDlg::~QuickCipherDlg() = default;

INT_PTR QuickCipherDlg::DoModal() { return IDCANCEL; }
