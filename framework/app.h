#pragma once
// The application object of one module (program or library). Each module that
// links this library has its own: it knows the module's instance and
// resource handle, its main window, its caption for message boxes and its
// profile file, and it runs the message pump with the pre-translate chain.
//
// Constructing one does no work beyond storing its names, so it may be a
// global of a library that the system loads under its loader lock; the
// module handle, the profile path and the common controls are found on
// first use.
#include <windows.h>

#include <string>

namespace ui {

class App {
public:
    // profileName names the INI file "<profileName>.ini" in the user's
    // application-data folder; caption is the title of this module's message
    // boxes.
    explicit App(std::string profileName, std::string caption = "Vastrel 2");
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // The module's application object, or null when none exists.
    static App* Current();

    // The module this code is linked into (the library's own inside a DLL).
    HINSTANCE Instance() const;
    HINSTANCE ResourceHandle() const;
    void SetResourceHandle(HINSTANCE resources) { m_resources = resources; }

    HWND MainWindow() const;
    void SetMainWindow(HWND window) { m_mainWindow = window; }

    const std::string& Caption() const { return m_caption; }

    // Profile values, read and written like the classic INI calls. Integers:
    // a missing file, section or key, or a value without digits, gives the
    // default; values beyond the int range are clamped. Strings: a missing
    // value gives the default; values of any length are read whole.
    const std::string& ProfilePath() const;
    void SetProfilePath(std::string path) { m_profilePath = std::move(path); }
    int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const;
    bool WriteProfileInt(const std::string& section, const std::string& key, int value);
    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue = "") const;
    bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value);

    // Waits for one message and handles it. False when it was WM_QUIT.
    bool PumpMessage();
    // Runs the pre-translate chain: the windows from the message's target up
    // through its parents, then the application. True when one took it. An
    // exception from any of them counts as taken and goes no further.
    bool PreTranslate(MSG* msg);
    // Runs the message loop until WM_QUIT; returns the quit code.
    int Run();

protected:
    virtual bool PreTranslateMessage(MSG* msg) { return false; }

private:
    void Activate();

    mutable HINSTANCE m_instance = nullptr;
    mutable HINSTANCE m_resources = nullptr;
    HWND m_mainWindow = nullptr;
    int m_quitCode = 0;
    std::string m_caption;
    std::string m_profileName;
    mutable std::string m_profilePath;
    App* m_previous;
};

// Resource handle of the current module (its application object's, or the
// module this code is linked into when there is none).
HINSTANCE ResourceHandle();
// The module this code is linked into.
HINSTANCE ThisModule();
// The current application's main window, or null.
HWND MainWindow();

// The owner of a message box, dialog or picker opened on this thread: the
// last active popup of the given window's top-level window; without one, of
// the thread's main window (the application's main window when it belongs
// to this thread, otherwise the outermost modal dialog this thread runs);
// null when there is none.
HWND PopupOwner(HWND requested = nullptr);

// Records the modal dialogs a thread runs (for PopupOwner).
class ModalScope {
public:
    explicit ModalScope(HWND dialog);
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    friend HWND PopupOwner(HWND requested);
    HWND m_dialog;
    ModalScope* m_outer;  // the scope of the dialog this one runs inside
};

enum class PumpResult { Dispatched, Empty, Quit };
// Takes one waiting message without blocking and runs it through the
// pre-translate chain. A WM_QUIT is reported with its code, not re-posted.
PumpResult PumpOneMessage(int* quitCode = nullptr);
// Runs every waiting message; false when WM_QUIT came (it is posted again
// with its code).
bool PumpWaitingMessages();

// Registers the common controls once.
void EnsureCommonControls();

// Shows the wait cursor while alive and puts the previous cursor back.
class WaitCursor {
public:
    WaitCursor() : m_previous(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(m_previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
};

// Writes a line for the developer (debugger output); used where an error has
// no one else to go to, such as an exception caught at a window procedure.
void TraceError(const char* where, const char* what);

// Starts a thread that runs fn; whatever fn throws is caught there. Returns
// the thread handle (the caller closes it) or null.
HANDLE StartThread(void (*fn)(void*), void* arg);

}  // namespace ui
