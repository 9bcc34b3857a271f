#include "app/simple_password_dlg.h"

// Not built yet: asks nothing and reveals nothing.
bool RevealOriginalName(const std::string&, std::string&) { return false; }
