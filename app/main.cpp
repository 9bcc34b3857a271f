// Vastrel.exe: the windowed program.
#include <windows.h>

#include "app/crypt_test_app.h"

namespace {
CCryptTestApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance();
    return 0;
}
