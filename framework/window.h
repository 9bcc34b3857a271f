#pragma once
// The window base of the framework.
//
// Two kinds of object stand for a window, and the type says which:
// - WindowRef is a plain handle with thin calls (text, state, position,
//   messages). It owns nothing, takes no messages, and may be copied; it
//   goes stale when its window is destroyed, like any handle.
// - Window takes the messages of its window: it either creates the window
//   (CreateEx; destroyed with the object at the latest) or subclasses an
//   existing one (Subclass, or binding a dialog's control through
//   DataExchange::Control). It lets go of the window at WM_NCDESTROY, so it
//   never keeps a dead handle, and it cannot be copied.
//
// Handling messages: one table per object, filled in the constructor:
//
//   class ClockWnd : public ui::Window {
//   public:
//       ClockWnd() {
//           OnMessage(WM_TIMER, &ClockWnd::OnTimer);           // any message
//           OnMessage(WM_SIZE, [this](WPARAM w, LPARAM l) { Layout(LOWORD(l), HIWORD(l)); return 0; });
//           OnCommand(IDC_START, &ClockWnd::OnStart);          // click, menu item or accelerator
//           OnCommand(IDC_NAME, EN_CHANGE, &ClockWnd::OnNameChange);   // control notification
//           OnCommand(ui::Ids(16, 31), [this](UINT id) { Pick(id); }); // a range of ids
//           OnNotify(IDC_LIST, NM_RCLICK, &ClockWnd::OnListRightClick); // WM_NOTIFY, returns LRESULT
//           OnNotify(ui::kAnyId, TTN_GETDISPINFOA, &ClockWnd::OnTipText); // from any id
//           OnUpdate(IDC_START, [this](ui::CommandState& s) { s.Enable(!m_running); }); // enable pass
//       }
//   };
//
// Handlers take nothing, or what the form hands them: (WPARAM, LPARAM) for a
// message, the id for a command, the NMHDR for a notification. A handler
// may return a result (LRESULT, BOOL, int); one that returns nothing
// answers 0. The newest entry that matches a message runs; inside it,
// Default() runs the next older matching entry (a base class's handler),
// and after the last one the window's own procedure. So a derived class
// that handles what its base also handles calls Default() to keep the
// base's behaviour. A message without entries goes to the window's own
// procedure. Exceptions never leave a window procedure: they are caught
// and traced.
//
// Entries are registered for the object's whole life; a class that needs
// its handlers to see its window's end destroys the window in its own
// destructor (once the base destructor runs, the table is gone).
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

namespace ui {

class Window;

// A range of command or control ids; one id converts to the range of itself.
struct Ids {
    constexpr Ids(UINT id) : first(id), last(id) {}
    constexpr Ids(UINT firstId, UINT lastId) : first(firstId), last(lastId) {}
    constexpr bool Holds(UINT id) const { return id >= first && id <= last; }
    UINT first;
    UINT last;
};
// Every control id.
constexpr Ids kAnyId{0, 0xFFFF};

// One menu item or toolbar button during the enable pass.
class CommandState {
public:
    CommandState(UINT id, std::function<void(bool)> enable, std::function<void(int)> check)
        : m_id(id), m_enable(std::move(enable)), m_check(std::move(check)) {}
    UINT Id() const { return m_id; }
    void Enable(bool on = true) {
        m_enabled = on;
        if (m_enable) m_enable(on);
    }
    // 0 unchecked, 1 checked.
    void SetCheck(int state) {
        if (m_check) m_check(state);
    }
    bool Enabled() const { return m_enabled; }

private:
    UINT m_id;
    std::function<void(bool)> m_enable;
    std::function<void(int)> m_check;
    bool m_enabled = true;
};

// A plain window handle and the thin calls on it.
class WindowRef {
public:
    WindowRef() = default;
    WindowRef(HWND hwnd) : m_hwnd(hwnd) {}

    HWND Handle() const { return m_hwnd; }
    bool Exists() const { return m_hwnd && ::IsWindow(m_hwnd); }

    LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessageA(m_hwnd, msg, w, l); }
    bool Post(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessageA(m_hwnd, msg, w, l) != FALSE; }
    std::string Text() const;
    void SetText(const std::string& text) const { ::SetWindowTextA(m_hwnd, text.c_str()); }
    // A control of this window (a dialog's control by its id).
    HWND Item(int id) const { return ::GetDlgItem(m_hwnd, id); }
    RECT WindowRect() const;
    RECT ClientRect() const;
    bool Visible() const { return m_hwnd && ::IsWindowVisible(m_hwnd); }
    bool Enabled() const { return m_hwnd && ::IsWindowEnabled(m_hwnd); }
    void Show(int how) const { ::ShowWindow(m_hwnd, how); }
    void Enable(bool on) const { ::EnableWindow(m_hwnd, on); }
    // Centres the window over another (its parent or owner when none is
    // given, the work area when that is hidden), kept inside the work area.
    void CenterWindow(HWND over = nullptr) const;
    LONG_PTR Style() const { return ::GetWindowLongPtrA(m_hwnd, GWL_STYLE); }
    void ModifyStyle(LONG_PTR remove, LONG_PTR add) const;

protected:
    HWND m_hwnd = nullptr;
};

class Window : public WindowRef {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Creates the window; this object receives every message from the first.
    // instance: the module whose window class is meant (null: this module).
    bool CreateEx(DWORD exStyle, const std::string& className, const std::string& text, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance = nullptr);
    // Takes the messages of an existing window until it is destroyed or
    // Detach is called. False when the window is null or another object
    // already takes its messages.
    bool Subclass(HWND hwnd);
    // Gives the window its messages back and forgets it.
    HWND Detach();
    // Destroys the window (the object stays and may create another).
    bool DestroyWindow();

    // The object that takes the window's messages, or null.
    static Window* FromHandle(HWND hwnd);
    // Offers a message to the windows from its target up through the parents.
    static bool PreTranslateChain(MSG* msg);

    // Registers (once) a window class of our own with these looks; the
    // returned name is used with CreateEx. The class is unregistered when
    // the module's static objects end (a library's: when it unloads).
    static std::string RegisterWindowClass(UINT style, HCURSOR cursor, HBRUSH background, HICON icon);

    // Called for every message of the thread's loops before it is
    // translated and dispatched; true when the window has handled it.
    virtual bool PreTranslateMessage(MSG* msg) { return false; }

    // Enable pass: gives the command's update entry the state; a command
    // with neither an update entry nor a command entry is disabled when
    // disableWithoutHandler is set.
    void UpdateCommandState(CommandState& state, bool disableWithoutHandler);
    // Runs the enable pass over every item of a menu and its sub-menus.
    void UpdateMenuCommands(HMENU menu, bool disableWithoutHandler);
    bool HasCommandHandler(UINT id) const;

protected:
    // Any message.
    template <class F>
    void OnMessage(UINT msg, F handler) {
        Add(Entry::kMessage, msg, Ids(0), 0, MessageAdapter(std::move(handler)));
    }
    // A command from a menu item, an accelerator or a button click.
    template <class F>
    void OnCommand(Ids ids, F handler) {
        Add(Entry::kCommand, WM_COMMAND, ids, 0, CommandAdapter(std::move(handler)));
    }
    // A control notification through WM_COMMAND (EN_CHANGE, CBN_SELCHANGE).
    template <class F>
    void OnCommand(Ids ids, UINT code, F handler) {
        Add(Entry::kControl, WM_COMMAND, ids, code, CommandAdapter(std::move(handler)));
    }
    // A notification through WM_NOTIFY; the handler's result is the message's.
    template <class F>
    void OnNotify(Ids ids, UINT code, F handler) {
        Add(Entry::kNotify, WM_NOTIFY, ids, code, NotifyAdapter(std::move(handler)));
    }
    // The enable-pass handler of commands.
    template <class F>
    void OnUpdate(Ids ids, F handler) {
        m_updates.push_back(UpdateEntry{ids, UpdateAdapter(std::move(handler))});
    }

    // The same forms with member functions of the derived class.
    template <class T, class R, class... A>
    void OnMessage(UINT msg, R (T::*fn)(A...)) {
        OnMessage(msg, Bind(fn));
    }
    template <class T, class R, class... A>
    void OnCommand(Ids ids, R (T::*fn)(A...)) {
        OnCommand(ids, Bind(fn));
    }
    template <class T, class R, class... A>
    void OnCommand(Ids ids, UINT code, R (T::*fn)(A...)) {
        OnCommand(ids, code, Bind(fn));
    }
    template <class T, class R, class... A>
    void OnNotify(Ids ids, UINT code, R (T::*fn)(A...)) {
        OnNotify(ids, code, Bind(fn));
    }
    template <class T, class R, class... A>
    void OnUpdate(Ids ids, R (T::*fn)(A...)) {
        OnUpdate(ids, Bind(fn));
    }

    // Inside a handler: the next older entry for the current message, or
    // the window's own procedure.
    LRESULT Default();
    // The message being handled (all zero outside a handler).
    const MSG& CurrentMessage() const;

    // After the window is gone (its last message was WM_NCDESTROY); a
    // window that deletes itself does it here, as the last thing.
    virtual void PostNcDestroy() {}

private:
    using Handler = std::function<LRESULT(const MSG&)>;
    struct Entry {
        enum Kind { kMessage, kCommand, kControl, kNotify } kind;
        UINT msg;
        Ids ids;
        UINT code;
        std::shared_ptr<const Handler> handler;
        bool Matches(const MSG& m) const;
    };
    struct UpdateEntry {
        Ids ids;
        std::function<void(CommandState&)> handler;
    };
    // One message being handled, kept on the stack of the window procedure.
    struct Dispatch {
        MSG msg;
        long next;        // index of the next older entry Default() tries
        Dispatch* outer;  // the message this one is nested in
        bool gone;        // the object was destroyed meanwhile
    };
    struct Link;
    friend class CreationScope;
    friend class Dialog;

    void Add(Entry::Kind kind, UINT msg, Ids ids, UINT code, Handler handler);
    LRESULT Route(Dispatch& d);
    LRESULT CallPrevious(const MSG& m);
    void Hook(HWND hwnd);
    // Gives the window its own procedure back (or, under another subclass,
    // leaves ours forwarding); a dying window's link is freed in any case.
    void Unhook(bool dying = false);
    static LRESULT CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    static LRESULT CALLBACK CbtProc(int code, WPARAM w, LPARAM l);

    template <class F>
    static Handler MessageAdapter(F f) {
        if constexpr (std::is_invocable_v<F&, WPARAM, LPARAM>) {
            return [f](const MSG& m) mutable -> LRESULT { return Result([&] { return f(m.wParam, m.lParam); }); };
        } else {
            static_assert(std::is_invocable_v<F&>, "a message handler takes (WPARAM, LPARAM) or nothing");
            return [f](const MSG&) mutable -> LRESULT { return Result([&] { return f(); }); };
        }
    }
    template <class F>
    static Handler CommandAdapter(F f) {
        if constexpr (std::is_invocable_v<F&, UINT>) {
            return [f](const MSG& m) mutable -> LRESULT { return Result([&] { return f(static_cast<UINT>(LOWORD(m.wParam))); }); };
        } else {
            static_assert(std::is_invocable_v<F&>, "a command handler takes the id or nothing");
            return [f](const MSG&) mutable -> LRESULT { return Result([&] { return f(); }); };
        }
    }
    template <class F>
    static Handler NotifyAdapter(F f) {
        if constexpr (std::is_invocable_v<F&, NMHDR*>) {
            return [f](const MSG& m) mutable -> LRESULT { return Result([&] { return f(reinterpret_cast<NMHDR*>(m.lParam)); }); };
        } else {
            static_assert(std::is_invocable_v<F&>, "a notification handler takes the NMHDR or nothing");
            return [f](const MSG&) mutable -> LRESULT { return Result([&] { return f(); }); };
        }
    }
    template <class F>
    static std::function<void(CommandState&)> UpdateAdapter(F f) {
        return [f](CommandState& s) mutable { f(s); };
    }
    // The handler's result as an LRESULT (0 for one that returns nothing).
    template <class Call>
    static LRESULT Result(Call&& call) {
        using R = decltype(call());
        if constexpr (std::is_void_v<R>) {
            call();
            return 0;
        } else {
            return static_cast<LRESULT>(call());
        }
    }
    template <class T, class R, class... A>
    auto Bind(R (T::*fn)(A...)) {
        static_assert(std::is_base_of_v<Window, T>, "handlers are member functions of the window's own class");
        T* self = static_cast<T*>(this);
        return [self, fn](A... args) -> R { return (self->*fn)(args...); };
    }

    std::deque<Entry> m_entries;
    std::deque<UpdateEntry> m_updates;
    Dispatch* m_dispatch = nullptr;
    // Set by the destructor while CreateEx runs: a window that fails its
    // creation may take its object along (PostNcDestroy).
    bool* m_deletedDuringCreation = nullptr;
    bool m_owned = false;
};

}  // namespace ui
