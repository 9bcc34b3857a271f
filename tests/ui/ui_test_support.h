#pragma once
// What the window tests share: an application object with a profile file of
// its own, a driver that runs every modal dialog as a user would, recorders
// that answer message boxes, pickers, popup menus and program starts, and
// screenshots of the windows the tests open.
//
// A typical test of a modal dialog:
//
//   uitest::ModalDriver driver;
//   driver.When("CNameDlg", [&](uitest::DialogDriver& d) {
//       d.Type(IDC_NAME, "report.txt");
//       m_messages.respond = [&](const platform::MessageRequest& box) {
//           EXPECT_EQ(d.Handle(), box.ownerWindow);   // modal to the dialog
//           return IDYES;
//       };
//       d.Press(VK_RETURN);                            // OK through the dialog manager
//   });
//   CNameDlg dlg;
//   EXPECT_EQ(IDOK, dlg.DoModal());
//
// The test program runs on a virtual desktop of its own, so windows get
// their title bars without a window manager. The screenshots are taken from
// each window's own surface (nothing that overlaps it shows) and land in
// the build folder's "screenshots" folder as "<Class>-<state>.png".
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/app.h"
#include "framework/dialog.h"
#include "framework/prompts.h"
#include "platform/process.h"
#include "tests/support/test_support.h"

namespace uitest {

// The build folder this test program was built in (the one holding
// CMakeCache.txt), or "" when it cannot be found.
std::string BuildFolder();

// A 32-bit top-down DIB section of the size; its pixels at *bits.
HBITMAP CreateTopDownDib(HDC dc, int width, int height, void** bits);

// The name of a window's class: the C++ class (without namespace) of the
// object that takes its messages, else its window class.
std::string ClassName(HWND window);

// A library with a framework of its own (Corvane.dll) whose windows the
// tests drive: how it finds the object behind one of its windows and offers
// a message to its windows. Its objects then have their class names, and
// the tests' pumps offer messages to its windows as its own loop would.
struct ForeignModule {
    HMODULE module;
    ui::Window* (*fromHandle)(HWND);
    bool (*preTranslateChain)(MSG*);
};
// Adds the module, or replaces what an earlier load of it left.
void AddForeignModule(const ForeignModule& module);

// Saves "<ClassName>-<state>.png" of the window, title bar included.
void Screenshot(HWND window, const std::string& state);
// The same for a window of another process, saved as "<name>.png".
void ScreenshotNamed(HWND window, const std::string& name);

// Saves a bitmap (selected into no device context) as "<name>.png" beside
// the screenshots, for pictures drawn off-screen.
void SavePicture(HBITMAP bitmap, const std::string& name);

// Owner-drawn menus, drawn off-screen as the system draws an open popup:
// each item measured and drawn through its owner window's WM_MEASUREITEM
// and WM_DRAWITEM, one row an item, on a bitmap of the given depth.
HFONT MenuFont();
// The data, type, id, state and submenu of the item at `position`.
MENUITEMINFOA MenuItem(HMENU menu, int position);
MEASUREITEMSTRUCT MeasureMenuItem(HWND owner, HMENU menu, int position);
struct MenuPicture {
    MenuPicture() = default;
    ~MenuPicture();
    MenuPicture(const MenuPicture&) = delete;
    MenuPicture& operator=(const MenuPicture&) = delete;
    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    int width = 0, height = 0;
    std::vector<RECT> rows;
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    // Whether any pixel of the rectangle has the colour.
    bool Has(const RECT& r, COLORREF colour) const;
    // The rightmost column of the rectangle that holds the colour, or -1.
    int RightmostOf(const RECT& r, COLORREF colour) const;
    // Saves it as "TamselMenu-<name>.png" (marked when the display has a
    // palette or 16 bits).
    void Save(const std::string& name) const;
};
// selected: the position drawn selected, -1 for none.
std::unique_ptr<MenuPicture> DrawMenuPopup(HWND owner, HMENU popup, int selected, int bitsPerPixel = 32);
// The colour a device context of its depth stores for a colour.
COLORREF StoredColour(HDC dc, COLORREF colour);

// While alive, every visible top-level window of the thread is saved as
// "<ClassName>-<test name>.png" when it closes.
class ScreenshotsOnClose {
public:
    ScreenshotsOnClose();
    ~ScreenshotsOnClose();
    ScreenshotsOnClose(const ScreenshotsOnClose&) = delete;
    ScreenshotsOnClose& operator=(const ScreenshotsOnClose&) = delete;

private:
    bool m_installed = false;
};

// A fixture with an application object whose profile lives in a fresh
// folder, and a message recorder.
class UiTest : public ::testing::Test {
protected:
    UiTest();
    ~UiTest() override;
    std::string ProfileText() const {
        return testsupport::Exists(m_app->ProfilePath()) ? testsupport::ReadFile(m_app->ProfilePath()) : "";
    }

    ScreenshotsOnClose m_screenshots;
    testsupport::TempDir m_dir;
    std::unique_ptr<ui::App> m_app;
    testsupport::MessageRecorder m_messages;
};

// One open dialog (or any window with controls), driven as a user would.
// A control that a user could not reach (missing, hidden or disabled) fails
// the test instead of being driven.
class DialogDriver {
public:
    explicit DialogDriver(HWND dialog) : m_dialog(dialog) {}
    HWND Handle() const { return m_dialog; }
    HWND Item(int id) const { return GetDlgItem(m_dialog, id); }
    HWND Owner() const { return GetWindow(m_dialog, GW_OWNER); }
    std::string ClassName() const { return uitest::ClassName(m_dialog); }

    // Focuses the edit, selects its text and types over it key by key.
    void Type(int id, const std::string& text);
    void Click(int id);
    // Clicks the check box until it shows the state.
    void SetCheck(int id, bool on);
    // Selects the combo box item with this text and tells the dialog.
    void Choose(int id, const std::string& text);
    // A key pressed on the focused control, through the thread's message
    // loop (so Enter and Esc go through the dialog manager).
    void Press(UINT key);

    std::string Text(int id) const;
    bool Enabled(int id) const;
    bool Visible(int id) const;
    int Checked(int id) const;
    // Every row of a list view, each with the text of every column.
    std::vector<std::vector<std::string>> ListRows(int id) const;
    void Screenshot(const std::string& state) const { uitest::Screenshot(m_dialog, state); }

private:
    bool Reachable(int id) const;
    HWND m_dialog;
};

// Runs a menu command of a window as the menu would: the popup that holds it
// gets WM_INITMENUPOPUP (the enable pass), then a command that is still
// enabled is sent. False (and a failure) when the item is missing or grayed.
bool RunMenuCommand(HWND window, UINT id);

// Drives every modal dialog of the framework that opens while it is alive:
// "when dialog X opens, run f". X is the dialog's C++ class name or its
// template id; each When is used once, in the order given. A dialog that
// opens without one fails the test and is cancelled, and one still open
// when its handler returns is cancelled too, so no test ever waits on a
// dialog. The handler runs while the dialog is shown, its owner disabled
// and its loop about to run; it may open further dialogs and boxes.
class ModalDriver {
public:
    using Handler = std::function<void(DialogDriver&)>;
    ModalDriver();
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    void When(const std::string& className, Handler handler);
    void When(UINT templateId, Handler handler);

    struct Opened {
        std::string className;
        UINT templateId;
        HWND window;
        HWND owner;
        bool ownerEnabled;  // the owner's state while the dialog was up
    };
    std::vector<Opened> opened;

private:
    struct Expectation {
        std::string className;
        UINT templateId;
        Handler handler;
    };
    void Run(ui::Dialog& dialog);

    std::deque<Expectation> m_expected;
    ui::Dialog::ModalHook m_previous;
};

// The text a tooltip control holds for tool `id` of `owner` (up to 79
// characters).
std::string TipText(HWND tips, HWND owner, UINT id);

// Has the driver, when the result summary opens, read its rows into `rows`,
// photograph it as `shot` (unless empty) and close it with Enter.
void ReadSummary(ModalDriver& driver, std::vector<std::vector<std::string>>& rows, const std::string& shot = "");

// Answers every picker while alive and keeps the requests.
class PickerRecorder {
public:
    PickerRecorder();
    ~PickerRecorder();
    std::vector<ui::PickerRequest> requests;
    std::deque<ui::PickerAnswer> answers;  // then: nothing chosen

private:
    ui::PickerHook m_previous;
};

// Answers every popup menu while alive (with the queued commands, then
// "dismissed") and keeps the requests and the items' states as shown.
class PopupMenuRecorder {
public:
    PopupMenuRecorder();
    ~PopupMenuRecorder();
    struct Shown {
        ui::PopupMenuRequest request;
        std::vector<std::pair<UINT, bool>> items;  // command id, enabled
    };
    std::vector<Shown> shown;
    std::deque<UINT> answers;

private:
    ui::PopupMenuHook m_previous;
};

// Answers every program start and association look-up while alive; nothing
// is started. Starts succeed unless the queue says otherwise; a successful
// start that asks whether it waited has waited unless the second queue says
// otherwise.
class ProgramRecorder {
public:
    ProgramRecorder();
    ~ProgramRecorder();
    std::vector<platform::ProgramStart> starts;
    std::deque<bool> results;
    std::deque<bool> waited;
    std::vector<std::string> lookups;
    std::string associated;  // the answer to every look-up

private:
    platform::ProgramHook m_previousStart;
    platform::AssociationHook m_previousLookup;
};

// Runs waiting messages for about the given time without ever blocking.
void Pump(int milliseconds = 0);

// A width and height.
inline SIZE SizeOf(const RECT& r) { return SIZE{r.right - r.left, r.bottom - r.top}; }

}  // namespace uitest
