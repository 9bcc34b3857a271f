#include "framework/host_hooks.h"

#include <atomic>

#include "framework/app.h"

namespace ui {
namespace {

// Filled when they are offered; a global, since a guarded static would touch
// the threads library on the calling thread.
std::atomic<bool> g_offered{false};
HookSetters g_setters;

}  // namespace

void OfferHooksToHost() {
    if (g_offered.exchange(true)) return;
    HMODULE program = GetModuleHandleA(nullptr);
    HMODULE self = ThisModule();
    if (!program || program == self) return;
    auto host = reinterpret_cast<HookHost>(reinterpret_cast<void*>(GetProcAddress(program, kHookHostExport)));
    if (!host) return;
    g_setters = HookSetters{sizeof(HookSetters),     self,
                            &Dialog::SetModalHook,     &platform::SetMessageHook,
                            &SetPickerHook,            &SetPopupMenuHook,
                            &platform::SetProgramHook, &platform::SetAssociationHook,
                            &Window::FromHandle,       &Window::PreTranslateChain,
                            &platform::SetWriteHook};
    host(&g_setters);
}

}  // namespace ui
