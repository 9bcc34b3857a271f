#include "app/selfextractor_dlg.h"

// Not built yet: shows nothing and changes nothing.
CSelfextractorDlg::CSelfextractorDlg(int, uint32_t, uint32_t, ui::ListView*, CSADirRead*, bool, bool, bool*, HWND) {}

CSelfextractorDlg::~CSelfextractorDlg() = default;

INT_PTR CSelfextractorDlg::DoModal() { return IDCANCEL; }
