#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

#include <atomic>

#include "platform/message_box.h"
#include "platform/threads.h"

namespace platform {
namespace {

Mutex g_lock;
MessageHook g_hook;
// Atomic, so that a library may set it from a global constructor without a lock.
std::atomic<MainWindowResolver> g_resolver{nullptr};

}  // namespace

MessageHook SetMessageHook(MessageHook hook) {
    MutexLock guard(g_lock);
    MessageHook previous = std::move(g_hook);
    g_hook = std::move(hook);
    return previous;
}

void SetMainWindowResolver(MainWindowResolver resolver) { g_resolver.store(resolver); }

int DefaultAnswer(unsigned style) {
    unsigned buttons = style & 0xF;
    unsigned def = (style >> 8) & 0xF;
    switch (buttons) {
        case kMbOkCancel: return def == 1 ? kIdCancel : kIdOk;
        case kMbYesNo: return def == 1 ? kIdNo : kIdYes;
        case kMbYesNoCancel: return def == 1 ? kIdNo : def == 2 ? kIdCancel : kIdYes;
        default: return kIdOk;
    }
}

namespace {

int Show(MessageRequest request) {
    const std::string& text = request.text;
    const std::string& caption = request.caption;
    unsigned style = request.style;
    MsgOwner owner = request.owner;
    MessageHook hook;
    MainWindowResolver resolver = g_resolver.load();
    {
        MutexLock guard(g_lock);
        hook = g_hook;
    }
#ifdef _WIN32
    if (owner == MsgOwner::MainWindow) {
        request.ownerWindow = resolver ? resolver() : nullptr;
    }
    if (hook) return hook(request);
    return MessageBoxA(static_cast<HWND>(request.ownerWindow), text.c_str(), caption.c_str(), style);
#else
    (void)resolver;
    if (hook) return hook(request);
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return DefaultAnswer(style);
#endif
}

}  // namespace

int ShowMessage(const std::string& text, const std::string& caption, unsigned style, MsgOwner owner) {
    return Show(MessageRequest{text, caption, style, owner, nullptr});
}

int ShowMessageOwned(const std::string& text, const std::string& caption, unsigned style, void* ownerWindow) {
    return Show(MessageRequest{text, caption, style, MsgOwner::Given, ownerWindow});
}

}  // namespace platform
