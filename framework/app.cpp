#include "framework/app.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <exception>
#include <vector>

#include "framework/window.h"
#include "framework/window_internal.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "platform/system.h"
#include "platform/threads.h"

namespace ui {
namespace {

App* g_app = nullptr;

void* ResolveOwner() { return PopupOwner(); }

bool PumpForPlatform() { return PumpWaitingMessages(); }

std::string DefaultProfilePath(const std::string& name) {
    char folder[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder)) && folder[0]) {
        return std::string(folder) + "\\" + name + ".ini";
    }
    // No application-data folder: keep the file next to the module.
    char module[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(ThisModule(), module, MAX_PATH);
    return platform::JoinPath(platform::FolderPart(std::string(module, n)), name + ".ini");
}

}  // namespace

HINSTANCE ThisModule() {
    static const char anchor = 0;
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, &anchor,
                       &module);
    return module ? module : GetModuleHandleA(nullptr);
}

App::App(std::string profileName, std::string caption)
    : m_caption(std::move(caption)), m_profileName(std::move(profileName)), m_previous(g_app) {
    // Only pointers are stored here: nothing that may not run under a loader lock.
    g_app = this;
    platform::SetMainWindowResolver(&ResolveOwner);
    platform::SetMessagePump(&PumpForPlatform);
}

App::~App() {
    g_app = m_previous;
    if (!g_app) {
        platform::SetMainWindowResolver(nullptr);
        platform::SetMessagePump(nullptr);
    }
}

App* App::Current() { return g_app; }

HINSTANCE App::Instance() const {
    if (!m_instance) m_instance = ThisModule();
    return m_instance;
}

HINSTANCE App::ResourceHandle() const {
    if (!m_resources) m_resources = Instance();
    return m_resources;
}

HWND App::MainWindow() const { return m_mainWindow && IsWindow(m_mainWindow) ? m_mainWindow : nullptr; }

const std::string& App::ProfilePath() const {
    if (m_profilePath.empty()) m_profilePath = DefaultProfilePath(m_profileName);
    return m_profilePath;
}

int App::GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const {
    // A marker that no INI value can hold tells a missing key from a present one.
    const std::string missing = "\x01";
    std::string text = GetProfileString(section, key, missing);
    if (text == missing) return defaultValue;
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return defaultValue;
    const char* begin = text.c_str() + start;
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(begin, &end, 10);
    if (end == begin) return defaultValue;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool App::WriteProfileInt(const std::string& section, const std::string& key, int value) {
    return WriteProfileString(section, key, std::to_string(value));
}

std::string App::GetProfileString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) const {
    // The call cuts what does not fit and says so only by filling the buffer.
    for (size_t size = 256; size <= (1u << 24); size *= 4) {
        std::vector<char> buffer(size);
        DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                           static_cast<DWORD>(buffer.size()), ProfilePath().c_str());
        if (n < size - 1) return std::string(buffer.data(), n);
    }
    return defaultValue;
}

bool App::WriteProfileString(const std::string& section, const std::string& key, const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), ProfilePath().c_str()) != FALSE;
}

bool App::PreTranslate(MSG* msg) {
    try {
        return Window::PreTranslateChain(msg) || PreTranslateMessage(msg);
    } catch (const std::exception& e) {
        TraceError("PreTranslateMessage", e.what());
    } catch (...) {
        TraceError("PreTranslateMessage", nullptr);
    }
    return true;
}

bool App::PumpMessage() {
    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        m_quitCode = got == 0 ? static_cast<int>(msg.wParam) : -1;
        return false;
    }
    if (!PreTranslate(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

int App::Run() {
    while (PumpMessage()) {
    }
    return m_quitCode;
}

HINSTANCE ResourceHandle() { return g_app ? g_app->ResourceHandle() : ThisModule(); }

HWND MainWindow() { return g_app ? g_app->MainWindow() : nullptr; }

namespace {
// The modal dialogs the thread runs, innermost first, linked through their
// scopes on the stack.
ThreadPointer<ModalScope> t_innermost;
}

ModalScope::ModalScope(HWND dialog) : m_dialog(dialog), m_outer(t_innermost.Get()) { t_innermost.Set(this); }

ModalScope::~ModalScope() {
    ModalScope* innermost = t_innermost.Get();
    if (innermost == this) {
        t_innermost.Set(m_outer);
        return;
    }
    for (ModalScope* scope = innermost; scope; scope = scope->m_outer) {
        if (scope->m_outer == this) {
            scope->m_outer = m_outer;
            break;
        }
    }
}

HWND PopupOwner(HWND requested) {
    HWND root = requested ? GetAncestor(requested, GA_ROOT) : nullptr;
    if (!root) {
        HWND main = MainWindow();
        if (main && GetWindowThreadProcessId(main, nullptr) == GetCurrentThreadId()) root = main;
    }
    if (!root) {
        // The outermost dialog that still exists.
        for (const ModalScope* scope = t_innermost.Get(); scope; scope = scope->m_outer) {
            if (IsWindow(scope->m_dialog)) root = scope->m_dialog;
        }
    }
    if (!root || !IsWindow(root)) return nullptr;
    HWND popup = GetLastActivePopup(root);
    return popup && IsWindow(popup) && IsWindowVisible(popup) ? popup : root;
}

PumpResult PumpOneMessage(int* quitCode) {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return PumpResult::Empty;
    if (msg.message == WM_QUIT) {
        if (quitCode) *quitCode = static_cast<int>(msg.wParam);
        return PumpResult::Quit;
    }
    bool taken = g_app ? g_app->PreTranslate(&msg) : Window::PreTranslateChain(&msg);
    if (!taken) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return PumpResult::Dispatched;
}

bool PumpWaitingMessages() {
    for (;;) {
        int code = 0;
        switch (PumpOneMessage(&code)) {
            case PumpResult::Empty: return true;
            case PumpResult::Quit: PostQuitMessage(code); return false;
            case PumpResult::Dispatched: break;
        }
    }
}

void EnsureCommonControls() {
    static bool done = false;
    if (done) return;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES |
                                              ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    done = InitCommonControlsEx(&icc) != FALSE;
}

void TraceError(const char* where, const char* what) {
    std::string line = std::string("Vastrel: ") + where + ": " + (what ? what : "unknown error") + "\n";
    OutputDebugStringA(line.c_str());
}

HANDLE StartThread(void (*fn)(void*), void* arg) { return static_cast<HANDLE>(platform::StartSystemThread(fn, arg)); }

}  // namespace ui
