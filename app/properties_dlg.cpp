#include "app/properties_dlg.h"

// Not built yet: shows nothing and changes nothing.
Propertiesdlg::Propertiesdlg(CSecureDelete*, MainSettings*, HWND) {}

Propertiesdlg::~Propertiesdlg() = default;

INT_PTR Propertiesdlg::DoModal() { return IDCANCEL; }
