#pragma once
// The window base: our window classes, virtual message dispatch, command
// routing with an enable pass, and the pre-translate hook.
//
// A Window either creates its window (CreateEx; the window is then
// subclassed from its very first message and destroyed with the object) or
// is bound to an existing one (Attach; only a handle, nothing is
// subclassed or destroyed) or subclasses an existing one (Subclass).
//
// Handling messages: map commands and notifications in the constructor
// (MapCommand, MapControl, MapNotify, MapUpdate); override the virtual
// handlers below (each defaults to Default()); for any other message
// override WindowProc, handle what you need and pass the rest to the base.
// Exceptions never leave a window procedure: they are caught and traced.
// A class that handles WM_DESTROY destroys a still open window in its own
// destructor: by the time the base destructor runs, its handlers are gone.
#include <windows.h>

#include <functional>
#include <map>
#include <string>

namespace ui {

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

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return m_hwnd; }
    bool Exists() const { return m_hwnd && ::IsWindow(m_hwnd); }

    // Creates the window; this object receives every message from the first.
    bool CreateEx(DWORD exStyle, const std::string& className, const std::string& text, DWORD style, int x, int y,
                  int width, int height, HWND parent, HMENU menuOrId);
    // Binds the object to an existing window without taking its messages.
    void Attach(HWND hwnd);
    // Takes the messages of an existing window until it is destroyed or
    // Detach is called.
    bool Subclass(HWND hwnd);
    HWND Detach();
    virtual bool DestroyWindow();

    // The object behind a window that this framework created or subclassed.
    static Window* FromHandle(HWND hwnd);
    // Offers a message to the windows from its target up through the parents.
    static bool PreTranslateChain(MSG* msg);

    // Registers (once) a window class of our own with these looks; the
    // returned name is used with CreateEx.
    static std::string RegisterWindowClass(UINT style, HCURSOR cursor, HBRUSH background, HICON icon);

    // Called for every message before it is translated and dispatched; true
    // when the window has handled it.
    virtual bool PreTranslateMessage(MSG* msg) { return false; }

    // Enable pass: gives the command's update handler the state; a command
    // with neither handler is disabled when disableWithoutHandler is set.
    void UpdateCommandState(CommandState& state, bool disableWithoutHandler);
    // Runs the enable pass over every item of a menu and its sub-menus.
    void UpdateMenuCommands(HMENU menu, bool disableWithoutHandler);
    bool HasCommandHandler(UINT id) const;

    // Thin calls on the window.
    LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::SendMessageA(m_hwnd, msg, w, l); }
    bool Post(UINT msg, WPARAM w = 0, LPARAM l = 0) const { return ::PostMessageA(m_hwnd, msg, w, l) != FALSE; }
    std::string Text() const;
    void SetText(const std::string& text) const { ::SetWindowTextA(m_hwnd, text.c_str()); }
    HWND Item(int id) const { return ::GetDlgItem(m_hwnd, id); }
    RECT WindowRect() const;
    RECT ClientRect() const;
    bool Visible() const { return m_hwnd && ::IsWindowVisible(m_hwnd); }
    void Show(int how) const { ::ShowWindow(m_hwnd, how); }
    void Enable(bool on) const { ::EnableWindow(m_hwnd, on); }
    void CenterWindow(HWND over = nullptr) const;
    LONG_PTR Style() const { return ::GetWindowLongPtrA(m_hwnd, GWL_STYLE); }
    void ModifyStyle(LONG_PTR remove, LONG_PTR add) const;

protected:
    // Virtual dispatch. The default sends the messages below to their
    // handlers and everything else to Default().
    virtual LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l);
    // The previous window procedure (or DefWindowProc) for the current message.
    LRESULT Default();

    virtual int OnCreate(CREATESTRUCTA* cs) { return static_cast<int>(Default()); }
    virtual void OnDestroy() { Default(); }
    virtual void OnSize(UINT type, int cx, int cy) { Default(); }
    virtual void OnPaint() { Default(); }
    virtual BOOL OnEraseBkgnd(HDC dc) { return static_cast<BOOL>(Default()); }
    virtual LRESULT OnNcHitTest(POINT screen) { return Default(); }
    virtual void OnGetMinMaxInfo(MINMAXINFO* info) { Default(); }
    // WM_COMMAND: the command table first, then Default(). True when handled.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    // WM_NOTIFY: the notification table first, then Default().
    virtual bool OnNotify(NMHDR* header, LRESULT* result);
    // After the window is gone (the last message was WM_NCDESTROY).
    virtual void PostNcDestroy() {}

    // Command table, filled by derived classes in their constructor.
    // A command: menu item, accelerator or button click (BN_CLICKED).
    void MapCommand(UINT id, std::function<void()> handler);
    // A control notification through WM_COMMAND, such as EN_CHANGE.
    void MapControl(UINT id, UINT code, std::function<void()> handler);
    // A notification through WM_NOTIFY; the handler gives the result.
    void MapNotify(UINT id, UINT code, std::function<LRESULT(NMHDR*)> handler);
    // The enable-pass handler of a command.
    void MapUpdate(UINT id, std::function<void(CommandState&)> handler);

    HWND m_hwnd = nullptr;

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM w, LPARAM l);
    static LRESULT CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    void Hook(HWND hwnd);
    void Unhook();

    WNDPROC m_previousProc = nullptr;
    bool m_subclassed = false;
    bool m_owned = false;
    MSG m_current{};
    std::map<UINT, std::function<void()>> m_commands;
    std::map<std::pair<UINT, UINT>, std::function<void()>> m_controls;
    std::map<std::pair<UINT, UINT>, std::function<LRESULT(NMHDR*)>> m_notifies;
    std::map<UINT, std::function<void(CommandState&)>> m_updates;

protected:
    // Used by Dialog, which creates its window through the dialog manager.
    struct CreationHook {
        explicit CreationHook(Window* window);
        ~CreationHook();
        CreationHook(const CreationHook&) = delete;
        CreationHook& operator=(const CreationHook&) = delete;

    private:
        HHOOK m_hook;
        Window* m_savedPending;
    };
    void SetOwned(bool owned) { m_owned = owned; }
};

}  // namespace ui
