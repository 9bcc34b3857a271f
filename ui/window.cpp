#include "ui/window.h"

#include <cstdio>
#include <exception>

#include "ui/app.h"

namespace ui {
namespace {

const char kWindowProp[] = "Vastrel.Window";

// The window that the next creation on this thread belongs to.
thread_local Window* t_pending = nullptr;

}  // namespace

Window::CreationHook::CreationHook(Window* window) : m_savedPending(t_pending) {
    t_pending = window;
    m_hook = SetWindowsHookExA(WH_CBT, &Window::CbtProc, nullptr, GetCurrentThreadId());
}

Window::CreationHook::~CreationHook() {
    if (m_hook) UnhookWindowsHookEx(m_hook);
    t_pending = m_savedPending;
}

LRESULT CALLBACK Window::CbtProc(int code, WPARAM w, LPARAM l) {
    char cls[8] = {};
    // The input-method window that the system may create along with the
    // first window of a thread is not ours.
    if (code == HCBT_CREATEWND && t_pending &&
        !(GetClassNameA(reinterpret_cast<HWND>(w), cls, sizeof cls) && lstrcmpiA(cls, "ime") == 0)) {
        Window* window = t_pending;
        t_pending = nullptr;
        window->Hook(reinterpret_cast<HWND>(w));
    }
    return CallNextHookEx(nullptr, code, w, l);
}

Window::~Window() {
    if (!m_hwnd) return;
    if (m_owned && ::IsWindow(m_hwnd)) {
        ::DestroyWindow(m_hwnd);  // the last messages reach this base only
    }
    if (m_hwnd) Detach();
}

void Window::Hook(HWND hwnd) {
    m_hwnd = hwnd;
    SetPropA(hwnd, kWindowProp, this);
    m_previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::Thunk)));
    m_subclassed = true;
}

void Window::Unhook() {
    if (m_subclassed && m_hwnd) {
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(m_hwnd, GWLP_WNDPROC)) == &Window::Thunk) {
            SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
        }
        RemovePropA(m_hwnd, kWindowProp);
    }
    m_subclassed = false;
    m_previousProc = nullptr;
}

bool Window::CreateEx(DWORD exStyle, const std::string& className, const std::string& text, DWORD style, int x,
                      int y, int width, int height, HWND parent, HMENU menuOrId) {
    if (m_hwnd) return false;
    EnsureCommonControls();
    HWND hwnd;
    {
        CreationHook hook(this);
        hwnd = CreateWindowExA(exStyle, className.c_str(), text.c_str(), style, x, y, width, height, parent,
                               menuOrId, ThisModule(), nullptr);
    }
    if (!hwnd) {
        if (m_hwnd) Unhook();
        m_hwnd = nullptr;
        return false;
    }
    if (!m_subclassed) Hook(hwnd);  // no hook call came (should not happen)
    m_owned = true;
    return true;
}

void Window::Attach(HWND hwnd) {
    if (m_hwnd == hwnd) return;
    if (m_hwnd) Detach();
    m_hwnd = hwnd;
    m_owned = false;
}

bool Window::Subclass(HWND hwnd) {
    if (!hwnd || FromHandle(hwnd)) return false;
    if (m_hwnd) Detach();
    Hook(hwnd);
    m_owned = false;
    return true;
}

HWND Window::Detach() {
    HWND hwnd = m_hwnd;
    Unhook();
    m_hwnd = nullptr;
    m_owned = false;
    return hwnd;
}

bool Window::DestroyWindow() {
    if (!m_hwnd) return false;
    if (!::IsWindow(m_hwnd)) {
        Detach();
        return false;
    }
    if (!m_subclassed) {
        // Only a bound handle: destroy it and forget it.
        HWND hwnd = Detach();
        return ::DestroyWindow(hwnd) != FALSE;
    }
    return ::DestroyWindow(m_hwnd) != FALSE;
}

Window* Window::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<Window*>(GetPropA(hwnd, kWindowProp)) : nullptr;
}

bool Window::PreTranslateChain(MSG* msg) {
    int depth = 0;
    for (HWND h = msg->hwnd; h && depth < 64; h = GetParent(h), ++depth) {
        Window* window = FromHandle(h);
        if (!window) continue;
        try {
            if (window->PreTranslateMessage(msg)) return true;
        } catch (const std::exception& e) {
            TraceError("PreTranslateMessage", e.what());
            return true;
        } catch (...) {
            TraceError("PreTranslateMessage", nullptr);
            return true;
        }
    }
    return false;
}

std::string Window::RegisterWindowClass(UINT style, HCURSOR cursor, HBRUSH background, HICON icon) {
    char name[128];
    std::snprintf(name, sizeof name, "Vastrel:%x:%p:%p:%p", style, static_cast<void*>(cursor),
                  static_cast<void*>(background), static_cast<void*>(icon));
    HINSTANCE instance = ThisModule();
    WNDCLASSA existing;
    if (GetClassInfoA(instance, name, &existing)) return name;
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = DefWindowProcA;  // replaced by the object's own at creation
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
    return name;
}

LRESULT CALLBACK Window::Thunk(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    Window* self = FromHandle(hwnd);
    if (!self) return DefWindowProcA(hwnd, msg, w, l);
    MSG saved = self->m_current;
    self->m_current = MSG{hwnd, msg, w, l, 0, {}};
    LRESULT result = 0;
    try {
        result = self->WindowProc(msg, w, l);
    } catch (const std::exception& e) {
        TraceError("window procedure", e.what());
    } catch (...) {
        TraceError("window procedure", nullptr);
    }
    if (msg == WM_NCDESTROY) {
        self->Unhook();
        self->m_hwnd = nullptr;
        self->m_owned = false;
        try {
            self->PostNcDestroy();
        } catch (...) {
            TraceError("PostNcDestroy", nullptr);
        }
        return result;
    }
    self->m_current = saved;
    return result;
}

LRESULT Window::Default() {
    const MSG& m = m_current;
    if (m_previousProc) return CallWindowProcA(m_previousProc, m.hwnd, m.message, m.wParam, m.lParam);
    return DefWindowProcA(m.hwnd, m.message, m.wParam, m.lParam);
}

LRESULT Window::WindowProc(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_CREATE: return OnCreate(reinterpret_cast<CREATESTRUCTA*>(l));
        case WM_DESTROY: OnDestroy(); return 0;
        case WM_SIZE: OnSize(static_cast<UINT>(w), LOWORD(l), HIWORD(l)); return 0;
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<HDC>(w));
        case WM_NCHITTEST: {
            POINT p{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
            return OnNcHitTest(p);
        }
        case WM_GETMINMAXINFO: OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(l)); return 0;
        case WM_COMMAND:
            if (OnCommand(LOWORD(w), HIWORD(w), reinterpret_cast<HWND>(l))) return 0;
            return Default();
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (l && OnNotify(reinterpret_cast<NMHDR*>(l), &result)) return result;
            return Default();
        }
        default: return Default();
    }
}

bool Window::OnCommand(UINT id, UINT code, HWND control) {
    auto c = m_controls.find({id, code});
    if (c != m_controls.end()) {
        c->second();
        return true;
    }
    // Menus send code 0, accelerators 1 without a control, buttons BN_CLICKED (0).
    if (code == 0 || (code == 1 && !control)) {
        auto it = m_commands.find(id);
        if (it != m_commands.end()) {
            it->second();
            return true;
        }
    }
    return false;
}

bool Window::OnNotify(NMHDR* header, LRESULT* result) {
    auto it = m_notifies.find({static_cast<UINT>(header->idFrom), header->code});
    if (it == m_notifies.end()) return false;
    *result = it->second(header);
    return true;
}

void Window::MapCommand(UINT id, std::function<void()> handler) { m_commands[id] = std::move(handler); }

void Window::MapControl(UINT id, UINT code, std::function<void()> handler) {
    m_controls[{id, code}] = std::move(handler);
}

void Window::MapNotify(UINT id, UINT code, std::function<LRESULT(NMHDR*)> handler) {
    m_notifies[{id, code}] = std::move(handler);
}

void Window::MapUpdate(UINT id, std::function<void(CommandState&)> handler) { m_updates[id] = std::move(handler); }

bool Window::HasCommandHandler(UINT id) const { return m_commands.count(id) != 0; }

void Window::UpdateCommandState(CommandState& state, bool disableWithoutHandler) {
    auto it = m_updates.find(state.Id());
    if (it != m_updates.end()) {
        it->second(state);
        return;
    }
    if (disableWithoutHandler && !HasCommandHandler(state.Id())) state.Enable(false);
}

void Window::UpdateMenuCommands(HMENU menu, bool disableWithoutHandler) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (sub) {
            UpdateMenuCommands(sub, disableWithoutHandler);
            continue;
        }
        UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separators
        CommandState state(
            id, [menu, i](bool on) { EnableMenuItem(menu, i, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED)); },
            [menu, i](int check) { CheckMenuItem(menu, i, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED)); });
        UpdateCommandState(state, disableWithoutHandler);
    }
}

std::string Window::Text() const {
    int n = GetWindowTextLengthA(m_hwnd);
    if (n <= 0) return {};
    std::string text(static_cast<size_t>(n) + 1, '\0');
    int got = GetWindowTextA(m_hwnd, &text[0], n + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

RECT Window::WindowRect() const {
    RECT r{};
    GetWindowRect(m_hwnd, &r);
    return r;
}

RECT Window::ClientRect() const {
    RECT r{};
    GetClientRect(m_hwnd, &r);
    return r;
}

void Window::ModifyStyle(LONG_PTR remove, LONG_PTR add) const {
    LONG_PTR style = Style();
    SetWindowLongPtrA(m_hwnd, GWL_STYLE, (style & ~remove) | add);
}

void Window::CenterWindow(HWND over) const {
    RECT r = WindowRect();
    RECT area;
    if (!over) over = GetParent(m_hwnd);
    if (over && IsWindowVisible(over) && !IsIconic(over)) {
        GetWindowRect(over, &area);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = area.left + ((area.right - area.left) - w) / 2;
    int y = area.top + ((area.bottom - area.top) - h) / 2;
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (x + w > work.right) x = work.right - w;
    if (y + h > work.bottom) y = work.bottom - h;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    SetWindowPos(m_hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace ui
