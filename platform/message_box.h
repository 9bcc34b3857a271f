#pragma once
// The one message box of every layer. Tests install a hook that answers and
// records instead of showing a window.
#include <functional>
#include <string>

namespace platform {

// Style bits and answers, with the values the Windows message box uses.
enum : unsigned {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbYesNoCancel = 0x3,
    kMbYesNo = 0x4,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconExclamation = 0x30,
    kMbIconInformation = 0x40,
    kMbDefButton2 = 0x100,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// Who owns the box: the window the application's resolver names (the
// window framework names the active popup of the thread's main window, so
// the box is modal to whatever the user is working in; none without one),
// nobody, or a window the caller names.
enum class MsgOwner { MainWindow, None, Given };

struct MessageRequest {
    std::string text;
    std::string caption;
    unsigned style = 0;
    MsgOwner owner = MsgOwner::MainWindow;
    void* ownerWindow = nullptr;  // the window actually used as owner, if any
};

using MessageHook = std::function<int(const MessageRequest&)>;

// Shows the box and returns the answer. Natively the text goes to standard
// error and the default answer is returned at once.
int ShowMessage(const std::string& text, const std::string& caption, unsigned style,
                MsgOwner owner = MsgOwner::MainWindow);

// The same, owned by the caller's window (a null window: no owner).
int ShowMessageOwned(const std::string& text, const std::string& caption, unsigned style, void* ownerWindow);

// Installs a hook that answers every box in place of the window; returns the
// previous hook. An empty hook restores the real box.
MessageHook SetMessageHook(MessageHook hook);

// The window framework tells the platform layer how to find the owner of a
// box (safe to call from a global constructor).
using MainWindowResolver = void* (*)();
void SetMainWindowResolver(MainWindowResolver resolver);

// The answer a box gives when nobody is there to click: the default button.
int DefaultAnswer(unsigned style);

}  // namespace platform
