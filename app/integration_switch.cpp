// Registering and unregistering the Explorer plug-in from the main window.
#include "app/main_dlg.h"

// Not built yet: starts nothing.
void VastrelMainDlg::RegisterShellExtension(bool) {}
