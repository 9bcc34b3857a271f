#include "ui/host_hooks.h"

#include <atomic>

#include "ui/app.h"

namespace ui {

void OfferHooksToHost() {
    static std::atomic<bool> offered{false};
    if (offered.exchange(true)) return;
    HMODULE program = GetModuleHandleA(nullptr);
    HMODULE self = ThisModule();
    if (!program || program == self) return;
    auto host = reinterpret_cast<HookHost>(reinterpret_cast<void*>(GetProcAddress(program, kHookHostExport)));
    if (!host) return;
    static const HookSetters setters{sizeof(HookSetters),     self,
                                     &Dialog::SetModalHook,     &platform::SetMessageHook,
                                     &SetPickerHook,            &SetPopupMenuHook,
                                     &platform::SetProgramHook, &platform::SetAssociationHook,
                                     &Window::FromHandle,       &Window::PreTranslateChain,
                                     &platform::SetWriteHook};
    host(&setters);
}

}  // namespace ui
