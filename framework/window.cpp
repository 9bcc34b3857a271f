#include "framework/window.h"

#include <cstdio>
#include <exception>
#include <unordered_map>
#include <vector>

#include "framework/app.h"
#include "framework/window_internal.h"

namespace ui {
namespace {

// Each window this module subclasses, with its link. A window's own property
// list would do, but under Wine every property read is a call to the server,
// and the lookup runs for every message.
//
// The table goes with the module's static objects: for a library, when it
// unloads, so that a library loaded and freed again and again (a shell
// extension) leaves nothing behind. A window that outlives it (at the end of
// a program) only reaches the default procedure. The lock needs no
// destruction, so it works to the very end.
SRWLOCK g_linksLock = SRWLOCK_INIT;
std::unordered_map<HWND, void*>* g_links = nullptr;
bool g_linksGone = false;

struct LinksOwner {
    ~LinksOwner() {
        AcquireSRWLockExclusive(&g_linksLock);
        delete g_links;
        g_links = nullptr;
        g_linksGone = true;
        ReleaseSRWLockExclusive(&g_linksLock);
    }
} g_linksOwner;

void* LinkOf(HWND hwnd) {
    AcquireSRWLockShared(&g_linksLock);
    void* link = nullptr;
    if (g_links) {
        auto it = g_links->find(hwnd);
        if (it != g_links->end()) link = it->second;
    }
    ReleaseSRWLockShared(&g_linksLock);
    return link;
}
void SetLinkOf(HWND hwnd, void* link) {
    AcquireSRWLockExclusive(&g_linksLock);
    if (!g_links && !g_linksGone) g_links = new std::unordered_map<HWND, void*>();
    if (g_links) (*g_links)[hwnd] = link;
    ReleaseSRWLockExclusive(&g_linksLock);
}
void DropLinkOf(HWND hwnd) {
    AcquireSRWLockExclusive(&g_linksLock);
    if (g_links) g_links->erase(hwnd);
    ReleaseSRWLockExclusive(&g_linksLock);
}

ThreadPointer<PendingCreation> t_pending;

}  // namespace

// What a subclassed window is linked to: the object, and the procedure that was
// the window's before ours. When the object lets go while someone else's
// procedure sits on top of ours, ours stays in the chain and only forwards
// (object null) until the window is destroyed.
struct Window::Link {
    WNDPROC previous;
    Window* window;
};

CreationScope::CreationScope(PendingCreation& pending) : m_saved(t_pending.Get()) {
    t_pending.Set(&pending);
    m_hook = SetWindowsHookExA(WH_CBT, &Window::CbtProc, nullptr, GetCurrentThreadId());
}

CreationScope::~CreationScope() {
    if (m_hook) UnhookWindowsHookEx(m_hook);
    t_pending.Set(m_saved);
}

LRESULT CALLBACK Window::CbtProc(int code, WPARAM w, LPARAM l) {
    PendingCreation* pending = t_pending.Get();
    if (code == HCBT_CREATEWND && pending && pending->window && l) {
        HWND hwnd = reinterpret_cast<HWND>(w);
        const CREATESTRUCTA* cs = reinterpret_cast<CBT_CREATEWNDA*>(l)->lpcs;
        // Other windows may be made on the way (the input method's, OLE's):
        // only the one whose creation data is ours is taken.
        if (cs && pending->matches(hwnd, *cs)) {
            Window* window = pending->window;
            pending->window = nullptr;
            window->Hook(hwnd);
        }
    }
    return CallNextHookEx(nullptr, code, w, l);
}

Window::~Window() {
    if (m_deletedDuringCreation) *m_deletedDuringCreation = true;
    // Messages still being handled up the stack must not touch this object.
    for (Dispatch* d = m_dispatch; d; d = d->outer) d->gone = true;
    m_dispatch = nullptr;
    // The derived parts are gone: their handlers must not run any more.
    m_entries.clear();
    m_updates.clear();
    if (!m_hwnd) return;
    if (m_owned && ::IsWindow(m_hwnd)) ::DestroyWindow(m_hwnd);
    if (m_hwnd) Detach();
}

void Window::Hook(HWND hwnd) {
    m_hwnd = hwnd;
    Link* link = static_cast<Link*>(LinkOf(hwnd));
    if (link) {
        link->window = this;  // our procedure is still in the chain: take it over
        return;
    }
    link = new Link{nullptr, this};
    SetLinkOf(hwnd, link);
    link->previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::Thunk)));
}

void Window::Unhook(bool dying) {
    if (!m_hwnd) return;
    Link* link = static_cast<Link*>(LinkOf(m_hwnd));
    if (!link || link->window != this) return;
    bool onTop = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(m_hwnd, GWLP_WNDPROC)) == &Window::Thunk;
    if (onTop) SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(link->previous));
    if (onTop || dying) {
        DropLinkOf(m_hwnd);
        delete link;
    } else {
        link->window = nullptr;  // someone subclassed on top of us: keep forwarding to the window's own procedure
    }
}

bool Window::CreateEx(DWORD exStyle, const std::string& className, const std::string& text, DWORD style, int x,
                      int y, int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance) {
    if (m_hwnd) return false;
    EnsureCommonControls();
    // The object itself is the creation parameter that tells its window apart.
    PendingCreation pending{this, [this](HWND, const CREATESTRUCTA& cs) { return cs.lpCreateParams == this; }};
    HWND hwnd;
    bool deleted = false;
    m_deletedDuringCreation = &deleted;
    {
        CreationScope scope(pending);
        hwnd = CreateWindowExA(exStyle, className.c_str(), text.c_str(), style, x, y, width, height, parent, menuOrId,
                               instance ? instance : ThisModule(), this);
    }
    // A window that went during its creation (WM_CREATE returned -1) may
    // have deleted this object: then nothing of it may be touched.
    if (deleted) return false;
    m_deletedDuringCreation = nullptr;
    if (!hwnd) {
        if (m_hwnd && !::IsWindow(m_hwnd)) m_hwnd = nullptr;
        return false;
    }
    if (m_hwnd != hwnd) Hook(hwnd);  // no hook call came (should not happen)
    m_owned = true;
    return true;
}

bool Window::Subclass(HWND hwnd) {
    if (!hwnd || !::IsWindow(hwnd) || FromHandle(hwnd)) return false;
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
    return ::DestroyWindow(m_hwnd) != FALSE;
}

Window* Window::FromHandle(HWND hwnd) {
    Link* link = hwnd ? static_cast<Link*>(LinkOf(hwnd)) : nullptr;
    return link ? link->window : nullptr;
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

namespace {

// The window classes this module registered. They go when the module's
// static objects end: for a library that is when it unloads, so a library
// that the system loads and frees again (a shell extension) leaves no class
// behind whose procedure and instance name a module that is gone.
class ClassRegistry {
public:
    ~ClassRegistry() {
        for (const std::string& name : m_names) UnregisterClassA(name.c_str(), m_instance);
    }
    void Add(const std::string& name, HINSTANCE instance) {
        m_instance = instance;
        m_names.push_back(name);
    }

private:
    HINSTANCE m_instance = nullptr;
    std::vector<std::string> m_names;
};

ClassRegistry g_classes;

}  // namespace

std::string Window::RegisterWindowClass(UINT style, HCURSOR cursor, HBRUSH background, HICON icon) {
    char name[128];
    std::snprintf(name, sizeof name, "Vastrel:%x:%p:%p:%p", style, static_cast<void*>(cursor),
                  static_cast<void*>(background), static_cast<void*>(icon));
    HINSTANCE instance = ThisModule();
    WNDCLASSA existing;
    if (GetClassInfoA(instance, name, &existing)) return name;
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = DefWindowProcA;  // the object's table takes over at creation
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    if (RegisterClassA(&wc)) g_classes.Add(name, instance);
    return name;
}

bool Window::Entry::Matches(const MSG& m) const {
    if (m.message != msg) return false;
    switch (kind) {
        case kMessage: return true;
        case kCommand: {
            // Menus send code 0, accelerators 1 without a control, buttons BN_CLICKED (0).
            UINT c = HIWORD(m.wParam);
            return ids.Holds(LOWORD(m.wParam)) && (c == 0 || (c == 1 && m.lParam == 0));
        }
        case kControl: return ids.Holds(LOWORD(m.wParam)) && HIWORD(m.wParam) == code && m.lParam != 0;
        case kNotify: {
            const NMHDR* h = reinterpret_cast<const NMHDR*>(m.lParam);
            return h && ids.Holds(static_cast<UINT>(h->idFrom)) && h->code == code;
        }
    }
    return false;
}

void Window::Add(Entry::Kind kind, UINT msg, Ids ids, UINT code, Handler handler) {
    m_entries.push_back(Entry{kind, msg, ids, code, std::make_shared<const Handler>(std::move(handler))});
}

LRESULT Window::CallPrevious(const MSG& m) {
    Link* link = m_hwnd ? static_cast<Link*>(LinkOf(m.hwnd)) : nullptr;
    if (link && link->previous) return CallWindowProcA(link->previous, m.hwnd, m.message, m.wParam, m.lParam);
    return DefWindowProcA(m.hwnd, m.message, m.wParam, m.lParam);
}

LRESULT Window::Route(Dispatch& d) {
    for (long i = d.next; i >= 0; --i) {
        if (static_cast<size_t>(i) >= m_entries.size()) continue;
        const Entry& entry = m_entries[static_cast<size_t>(i)];
        if (!entry.Matches(d.msg)) continue;
        d.next = i - 1;
        // Held here: the entry may be dropped while its handler runs.
        std::shared_ptr<const Handler> handler = entry.handler;
        return (*handler)(d.msg);
    }
    d.next = -1;
    return CallPrevious(d.msg);
}

LRESULT Window::Default() {
    if (!m_dispatch) return 0;
    return Route(*m_dispatch);
}

const MSG& Window::CurrentMessage() const {
    static const MSG none{};
    return m_dispatch ? m_dispatch->msg : none;
}

LRESULT CALLBACK Window::Thunk(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    Link* link = static_cast<Link*>(LinkOf(hwnd));
    if (!link) return DefWindowProcA(hwnd, msg, w, l);
    Window* self = link->window;
    if (!self) {
        // Only forwarding: the object let go while another subclass was on top.
        WNDPROC previous = link->previous;
        if (msg == WM_NCDESTROY) {
            DropLinkOf(hwnd);
            delete link;
        }
        return CallWindowProcA(previous, hwnd, msg, w, l);
    }
    Dispatch d{MSG{hwnd, msg, w, l, 0, {}}, static_cast<long>(self->m_entries.size()) - 1, self->m_dispatch, false};
    self->m_dispatch = &d;
    LRESULT result = 0;
    try {
        result = self->Route(d);
    } catch (const std::exception& e) {
        TraceError("window procedure", e.what());
    } catch (...) {
        TraceError("window procedure", nullptr);
    }
    if (d.gone) return result;  // the object was deleted while the message ran
    self->m_dispatch = d.outer;
    if (msg == WM_NCDESTROY) {
        self->Unhook(true);
        self->m_hwnd = nullptr;
        self->m_owned = false;
        try {
            self->PostNcDestroy();  // may delete the object: nothing after it
        } catch (...) {
            TraceError("PostNcDestroy", nullptr);
        }
    }
    return result;
}

bool Window::HasCommandHandler(UINT id) const {
    MSG probe{m_hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0, 0, {}};
    for (const Entry& entry : m_entries) {
        if (entry.kind == Entry::kCommand && entry.Matches(probe)) return true;
    }
    return false;
}

void Window::UpdateCommandState(CommandState& state, bool disableWithoutHandler) {
    for (auto it = m_updates.rbegin(); it != m_updates.rend(); ++it) {
        if (it->ids.Holds(state.Id())) {
            auto handler = it->handler;
            handler(state);
            return;
        }
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

std::string WindowRef::Text() const {
    int n = GetWindowTextLengthA(m_hwnd);
    if (n <= 0) return {};
    std::string text(static_cast<size_t>(n) + 1, '\0');
    int got = GetWindowTextA(m_hwnd, &text[0], n + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

RECT WindowRef::WindowRect() const {
    RECT r{};
    GetWindowRect(m_hwnd, &r);
    return r;
}

RECT WindowRef::ClientRect() const {
    RECT r{};
    GetClientRect(m_hwnd, &r);
    return r;
}

void WindowRef::ModifyStyle(LONG_PTR remove, LONG_PTR add) const {
    LONG_PTR style = Style();
    SetWindowLongPtrA(m_hwnd, GWL_STYLE, (style & ~remove) | add);
}

void WindowRef::CenterWindow(HWND over) const {
    RECT r = WindowRect();
    RECT area;
    if (!over) over = GetParent(m_hwnd);
    if (!over) over = GetWindow(m_hwnd, GW_OWNER);
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
