// Corvane.dll: the Explorer plug-in's module, its application object and
// its four exports.
#include <windows.h>

#include <objbase.h>

#include "framework/app.h"
#include "framework/host_hooks.h"
#include "shellext/com_module.h"
#include "shellext/pavlet_shl_ext.h"
#include "shellext/registration.h"

namespace {

// The object map: one class.
const ComModule::ObjectEntry kObjectMap[] = {
    {&kClsidPavletShlExt, &CPavletShlExt::Create},
};

// The library's application object: it starts the COM module when the
// library is loaded and ends it when the library goes. Its construction
// stores names only, as the loader lock requires.
class CMyApp : public ui::App {
public:
    CMyApp() : App("Corvane", "Vastrel 2") {}

    bool InitInstance(HINSTANCE instance) {
        Module().Init(instance);
        return true;
    }
    void ExitInstance() { Module().Term(); }
};

// Made with the library's other globals when it loads, before DllMain runs:
// a static inside a function would be guarded through the threads library on
// the thread of the first call, which inside Explorer is not the library's.
ComModule g_module(kObjectMap, sizeof kObjectMap / sizeof kObjectMap[0]);

CMyApp theApp;

}  // namespace

// The C++ runtime's reserve for exceptions thrown when memory runs out. The
// runtime makes it when the library loads and never frees it by itself.
namespace __gnu_cxx {
void __freeres();
}

ComModule& Module() { return g_module; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            DisableThreadLibraryCalls(instance);
            return theApp.InitInstance(instance) ? TRUE : FALSE;
        case DLL_PROCESS_DETACH:
            // Window classes and kept buffers go with the static objects,
            // which end right after this.
            theApp.ExitInstance();
            // Unloaded while the host goes on (not at its exit): what the
            // runtime keeps goes too, so that Explorer, which loads and frees
            // the library all day, keeps nothing of it.
            if (!reserved) __gnu_cxx::__freeres();
            return TRUE;
        default: return TRUE;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return Module().LockCount() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    try {
        ui::OfferHooksToHost();
        return Module().GetClassObject(clsid, iid, out);
    } catch (...) {
        if (out) *out = nullptr;
        return E_FAIL;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    try {
        return RegisterServer(Module().ModulePathW());
    } catch (...) {
        return E_FAIL;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    try {
        return UnregisterServer(Module().ModulePathW());
    } catch (...) {
        return E_FAIL;
    }
}
