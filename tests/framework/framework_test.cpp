#include <cstring>
#include <stdexcept>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "framework/prompts.h"
#include "platform/system.h"
#include "resources/tests/ui_test_ids.h"
#include "tests/ui/ui_test_support.h"
#include "ui/dialog_helpers.h"

namespace {

using uitest::DialogDriver;
using uitest::ModalDriver;
using uitest::UiTest;

// The "Data" template: an edit, a check box, OK and Cancel.
class DataDlg : public ui::Dialog {
public:
    DataDlg() : Dialog(IDD_TEST_DATA) {
        OnCommand(IDC_DATA_TEXT, EN_CHANGE, [this] { ++changes; });
        OnMessage(WM_CREATE, [this] {
            created = true;
            return Default();
        });
    }
    std::string text = "start";
    int check = 1;
    int changes = 0;
    bool created = false;

protected:
    void DoDataExchange(ui::DataExchange& dx) override {
        dx.Text(IDC_DATA_TEXT, text);
        dx.Check(IDC_DATA_CHECK, check);
    }
};

TEST_F(UiTest, ModalDialogExchangesDataAndEndsByEnterOrEsc) {
    ModalDriver driver;
    driver.When("DataDlg", [](DialogDriver& d) {
        EXPECT_EQ("start", d.Text(IDC_DATA_TEXT));
        EXPECT_EQ(BST_CHECKED, d.Checked(IDC_DATA_CHECK));
        d.Type(IDC_DATA_TEXT, "typed");
        d.SetCheck(IDC_DATA_CHECK, false);
        d.Press(VK_RETURN);
    });
    driver.When(IDD_TEST_DATA, [](DialogDriver& d) {
        d.Type(IDC_DATA_TEXT, "dropped");
        d.Press(VK_ESCAPE);
    });
    DataDlg ok;
    EXPECT_EQ(IDOK, ok.DoModal());
    EXPECT_TRUE(ok.created);
    EXPECT_EQ("typed", ok.text);
    EXPECT_EQ(0, ok.check);
    EXPECT_EQ(nullptr, ok.Handle());
    EXPECT_GE(ok.changes, 5);  // one EN_CHANGE per key

    DataDlg cancel;
    EXPECT_EQ(IDCANCEL, cancel.DoModal());
    EXPECT_EQ("start", cancel.text);  // Cancel does not read the controls

    class Missing : public ui::Dialog {
    public:
        Missing() : Dialog(999) {}
    } missing;
    EXPECT_EQ(-1, missing.DoModal());
}

TEST_F(UiTest, TableRunsTheNewestMatchingEntryAndDefaultTheNextOne) {
    class Base : public ui::Dialog {
    public:
        Base() : Dialog(IDD_TEST_DATA) {
            OnMessage(WM_APP, [this] {
                log += "base ";
                return 40;
            });
        }
        std::string log;
    };
    class Derived : public Base {
    public:
        Derived() {
            OnMessage(WM_APP, [this](WPARAM w, LPARAM) {
                log += "derived" + std::to_string(w) + " ";
                return Default() + 2;
            });
            OnCommand(ui::Ids(40001, 40003), [this](UINT id) { log += "range" + std::to_string(id) + " "; });
            OnCommand(40002, [this] { log += "one "; });
            OnNotify(ui::kAnyId, 900u, [this](NMHDR* h) {
                log += "any" + std::to_string(h->idFrom) + " ";
                return 5;
            });
            OnNotify(7, 900u, [this] { return Default() * 10; });
            OnCommand(IDC_DATA_CHECK, [] { throw std::runtime_error("boom"); });
        }
    } dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND h = dlg.Handle();
    EXPECT_EQ(42, SendMessageA(h, WM_APP, 3, 0));
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(40001, 0), 0);
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(40002, 1), 0);  // an accelerator
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(40003, 1), reinterpret_cast<LPARAM>(dlg.Item(IDC_DATA_TEXT)));
    NMHDR seven{dlg.Item(IDC_DATA_TEXT), 7, 900u}, other{dlg.Item(IDC_DATA_TEXT), 8, 900u};
    EXPECT_EQ(50, SendMessageA(h, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&seven)));
    EXPECT_EQ(5, SendMessageA(h, WM_NOTIFY, 8, reinterpret_cast<LPARAM>(&other)));
    // A control's notification code 1 (not a menu or accelerator) is no command.
    EXPECT_EQ("derived3 base range40001 one any7 any8 ", dlg.log);
    // A handler that throws does not end the process.
    SendMessageA(dlg.Item(IDC_DATA_CHECK), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindow(h));
    uitest::Screenshot(h, "modeless");
    // OK on a modeless dialog reads the controls and destroys the window.
    SetWindowTextA(dlg.Item(IDC_DATA_TEXT), "modeless");
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(nullptr, dlg.Handle());
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(UiTest, MenuCommandsRunAfterTheEnablePass) {
    class Target : public ui::Dialog {
    public:
        int runs = 0;
        Target() : Dialog(IDD_TEST_DATA) {
            OnCommand(ID_TEST_HANDLED, [this] { ++runs; });
            OnUpdate(ID_TEST_UPDATED, [this](ui::CommandState& s) {
                s.SetCheck(1);
                s.Enable(runs > 0);
            });
            OnCommand(ID_TEST_UPDATED, [this] { runs += 10; });
            OnMessage(WM_INITMENUPOPUP, [this](WPARAM w, LPARAM) {
                UpdateMenuCommands(reinterpret_cast<HMENU>(w), true);
                return 0;
            });
        }
    } target;
    ASSERT_TRUE(target.Create(nullptr));
    ui::Menu menu;
    ASSERT_TRUE(menu.Load(IDM_TEST_MENU));
    SetMenu(target.Handle(), menu.Get());
    EXPECT_TRUE(target.HasCommandHandler(ID_TEST_HANDLED));
    EXPECT_FALSE(target.HasCommandHandler(ID_TEST_UNHANDLED));

    HMENU file = menu.SubMenu(0);
    {
        testing::ScopedTrace trace(__FILE__, __LINE__, "disabled until Handled ran");
        SendMessageA(target.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
        EXPECT_TRUE(GetMenuState(file, ID_TEST_UPDATED, MF_BYCOMMAND) & MF_GRAYED);
        EXPECT_TRUE(GetMenuState(file, ID_TEST_UNHANDLED, MF_BYCOMMAND) & MF_GRAYED);
    }
    EXPECT_TRUE(uitest::RunMenuCommand(target.Handle(), ID_TEST_HANDLED));
    EXPECT_TRUE(uitest::RunMenuCommand(target.Handle(), ID_TEST_UPDATED));
    EXPECT_TRUE(GetMenuState(file, ID_TEST_UPDATED, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(11, target.runs);
    // Without the disabling rule, unhandled items are left as they are.
    EnableMenuItem(file, ID_TEST_UNHANDLED, MF_BYCOMMAND | MF_ENABLED);
    target.UpdateMenuCommands(menu.Get(), false);
    EXPECT_FALSE(GetMenuState(file, ID_TEST_UNHANDLED, MF_BYCOMMAND) & MF_GRAYED);
    SetMenu(target.Handle(), nullptr);
}

// A dialog that opens another one without a parent, which checks passwords
// and picks a folder: every box, picker and dialog must be modal to the
// window the user is in.
class InnerDlg : public ui::Dialog {
public:
    InnerDlg() : Dialog(IDD_TEST_INNER) {
        OnCommand(IDC_INNER_CHECK, [this] {
            ValidatePasswords(WindowRef(Item(IDC_INNER_PASSWORD)).Text(), "other");
            std::string folder;
            ui::PickFolder(nullptr, "Pick a Directory", folder);
        });
    }
};

class OuterDlg : public ui::Dialog {
public:
    OuterDlg() : Dialog(IDD_TEST_OUTER) {
        OnCommand(IDC_OUTER_OPEN, [this] { innerResult = InnerDlg().DoModal(); });
    }
    INT_PTR innerResult = 0;
};

TEST_F(UiTest, NestedDialogsBoxesAndPickersAreModalToTheInnermostWindow) {
    HWND main = CreateWindowExA(0, "STATIC", "main", WS_POPUP | WS_VISIBLE, 0, 0, 80, 50, nullptr, nullptr, nullptr,
                                nullptr);
    m_app->SetMainWindow(main);
    uitest::PickerRecorder pickers;
    HWND outer = nullptr, inner = nullptr;
    ModalDriver driver;
    driver.When("OuterDlg", [&](DialogDriver& d) {
        outer = d.Handle();
        EXPECT_EQ(main, d.Owner());
        EXPECT_FALSE(IsWindowEnabled(main));
        d.Click(IDC_OUTER_OPEN);
        EXPECT_TRUE(IsWindowEnabled(outer));  // enabled again once the inner one closed
        d.Press(VK_RETURN);
    });
    driver.When("InnerDlg", [&](DialogDriver& d) {
        inner = d.Handle();
        EXPECT_EQ(outer, d.Owner());
        EXPECT_FALSE(IsWindowEnabled(outer));  // its OK cannot be pressed meanwhile
        d.Type(IDC_INNER_PASSWORD, "abc");
        m_messages.respond = [&](const platform::MessageRequest& box) {
            EXPECT_EQ(inner, box.ownerWindow);  // while the box is up
            return IDOK;
        };
        d.Click(IDC_INNER_CHECK);
        m_messages.respond = nullptr;
        d.Press(VK_ESCAPE);
    });
    OuterDlg dlg;
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(IDCANCEL, dlg.innerResult);
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("Password must be at least 6 characters long", m_messages.messages[0].text);
    EXPECT_EQ(inner, m_messages.messages[0].ownerWindow);
    ASSERT_EQ(1u, pickers.requests.size());
    EXPECT_EQ(inner, pickers.requests[0].owner);
    ASSERT_EQ(2u, driver.opened.size());
    EXPECT_TRUE(IsWindowEnabled(main));

    // Without a main window the outermost modal dialog of the thread serves.
    m_app->SetMainWindow(nullptr);
    driver.When("OuterDlg", [&](DialogDriver& d) {
        outer = d.Handle();
        EXPECT_EQ(nullptr, d.Owner());
        d.Click(IDC_OUTER_OPEN);
        d.Click(IDCANCEL);
    });
    driver.When("InnerDlg", [&](DialogDriver& d) {
        EXPECT_EQ(outer, d.Owner());
        ui::AppMessageBox("Hello");
        d.Click(IDOK);
    });
    OuterDlg second;
    EXPECT_EQ(IDCANCEL, second.DoModal());
    EXPECT_EQ(IDOK, second.innerResult);
    ASSERT_EQ(2u, m_messages.messages.size());
    EXPECT_EQ(driver.opened.back().window, m_messages.messages[1].ownerWindow);
    DestroyWindow(main);
}

// Lives in a fixed buffer, which its deletion fills with a pattern: any
// write after the deletion shows.
class SelfDeleting : public ui::Window {
public:
    static void* operator new(size_t size) {
        EXPECT_LE(size, sizeof s_space);
        return s_space;
    }
    static void operator delete(void* p) { std::memset(p, 0xDD, sizeof s_space); }
    static bool Untouched() {
        for (unsigned char c : s_space) {
            if (c != 0xDD) return false;
        }
        return true;
    }

    // refuseCreation: WM_CREATE answers -1, so the window goes (and the
    // object with it) inside CreateEx.
    explicit SelfDeleting(bool refuseCreation = false) {
        if (refuseCreation) OnMessage(WM_CREATE, [] { return -1; });
        OnMessage(WM_TIMER, [this] {
            KillTimer(Handle(), 1);
            DestroyWindow();  // its last messages arrive inside this one
        });
    }

protected:
    void PostNcDestroy() override { delete this; }

private:
    alignas(16) static unsigned char s_space[1024];
};
alignas(16) unsigned char SelfDeleting::s_space[1024];

TEST_F(UiTest, SelfDeletingWindowIsNotTouchedAfterItsEnd) {
    SelfDeleting* splash = new SelfDeleting;
    std::string cls = ui::Window::RegisterWindowClass(0, LoadCursor(nullptr, IDC_ARROW), nullptr, nullptr);
    ASSERT_TRUE(splash->CreateEx(0, cls, "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 30, nullptr, nullptr));
    HWND hwnd = splash->Handle();
    SetTimer(hwnd, 1, 10, nullptr);
    for (int i = 0; i < 200 && IsWindow(hwnd); ++i) uitest::Pump(5);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(SelfDeleting::Untouched());
}

// A window whose WM_CREATE fails: CreateEx reports it and touches nothing
// of an object that went with the window; one that stays may try again.
class RefusesOnce : public ui::Window {
public:
    RefusesOnce() {
        OnMessage(WM_CREATE, [this] { return refusals-- > 0 ? -1 : 0; });
    }
    int refusals = 1;
};

TEST_F(UiTest, AFailedCreationTouchesNothingOfAnObjectItDeleted) {
    std::string cls = ui::Window::RegisterWindowClass(0, LoadCursor(nullptr, IDC_ARROW), nullptr, nullptr);
    SelfDeleting* gone = new SelfDeleting(true);
    EXPECT_FALSE(gone->CreateEx(0, cls, "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 30, nullptr, nullptr));
    EXPECT_TRUE(SelfDeleting::Untouched());

    RefusesOnce stays;
    EXPECT_FALSE(stays.CreateEx(0, cls, "", WS_POPUP, 0, 0, 40, 30, nullptr, nullptr));
    EXPECT_EQ(nullptr, stays.Handle());
    ASSERT_TRUE(stays.CreateEx(0, cls, "", WS_POPUP, 0, 0, 40, 30, nullptr, nullptr));
    EXPECT_TRUE(IsWindow(stays.Handle()));
    EXPECT_EQ(&stays, ui::Window::FromHandle(stays.Handle()));
}

// A self-drawn control bound by data exchange.
class PaintedBar : public ui::ProgressBar {
public:
    PaintedBar() {
        OnMessage(WM_PAINT, [this] {
            ui::PaintDC dc(Handle());
            RECT r = ClientRect();
            ui::Brush red(CreateSolidBrush(RGB(255, 0, 0)));
            FillRect(dc.Get(), &r, red.Get());
            ++paints;
        });
        OnMessage(WM_ERASEBKGND, [] { return TRUE; });
    }
    int paints = 0;
};

class PaintedDlg : public ui::Dialog {
public:
    PaintedDlg() : Dialog(IDD_TEST_PAINTED) {}
    PaintedBar bar;

protected:
    void DoDataExchange(ui::DataExchange& dx) override { dx.Control(IDC_PAINTED_BAR, bar); }
};

TEST_F(UiTest, BoundControlTakesItsMessagesInEveryRunOfTheDialog) {
    PaintedDlg dlg;
    ModalDriver driver;
    auto check = [&](DialogDriver& d) {
        EXPECT_EQ(d.Item(IDC_PAINTED_BAR), dlg.bar.Handle());
        EXPECT_EQ(&dlg.bar, ui::Window::FromHandle(d.Item(IDC_PAINTED_BAR)));
        int before = dlg.bar.paints;
        RedrawWindow(d.Item(IDC_PAINTED_BAR), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        EXPECT_GT(dlg.bar.paints, before);
        HDC dc = GetDC(d.Item(IDC_PAINTED_BAR));
        EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 5, 3));
        ReleaseDC(d.Item(IDC_PAINTED_BAR), dc);
        d.Screenshot("bound-bar");
        d.Click(IDOK);
    };
    driver.When("PaintedDlg", check);
    driver.When("PaintedDlg", check);
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(nullptr, dlg.bar.Handle());  // let go with its control
    EXPECT_EQ(IDOK, dlg.DoModal());        // and bound anew
}

TEST_F(UiTest, QuitCodeAndParentSurviveNestedLoopsAndFailingFilters) {
    // A WM_QUIT met by a modal loop ends it and reaches the outer loop with its code.
    class Quitting : public DataDlg {
    protected:
        bool OnInitDialog() override {
            PostQuitMessage(7);
            return DataDlg::OnInitDialog();
        }
    } quitting;
    quitting.DoModal();
    EXPECT_EQ(7, m_app->Run());
    PostQuitMessage(5);
    EXPECT_FALSE(platform::PumpWaitingMessages());
    EXPECT_EQ(5, m_app->Run());

    // An application filter that throws neither escapes the loop nor leaves
    // the owner disabled.
    class Throwing : public ui::App {
    public:
        Throwing() : App("Throwing") {}

    protected:
        bool PreTranslateMessage(MSG* msg) override {
            if (msg->message == WM_APP) throw std::runtime_error("filter");
            return false;
        }
    } throwing;
    HWND main = CreateWindowExA(0, "STATIC", "main", WS_POPUP | WS_VISIBLE, 0, 0, 80, 50, nullptr, nullptr, nullptr,
                                nullptr);
    throwing.SetMainWindow(main);
    class Posting : public DataDlg {
    protected:
        bool OnInitDialog() override {
            Post(WM_APP);
            return DataDlg::OnInitDialog();
        }
        bool OnIdle(long) override {
            EndDialog(IDABORT);
            return false;
        }
    } posting;
    INT_PTR result = 0;
    EXPECT_NO_THROW(result = posting.DoModal());
    EXPECT_EQ(IDABORT, result);
    EXPECT_TRUE(IsWindowEnabled(main));
    DestroyWindow(main);
}

TEST_F(UiTest, LettingGoUnderAnotherSubclassKeepsTheControlWorking) {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, parent, nullptr, nullptr, nullptr);
    ui::ToolTip tip;
    ASSERT_TRUE(tip.Create(parent, false));
    {
        ui::Edit first;
        ASSERT_TRUE(first.Subclass(edit));
        ui::Edit second;
        EXPECT_FALSE(second.Subclass(edit));  // one object per window
        ASSERT_TRUE(tip.AddTool(edit, "tip"));  // the tooltip subclasses the edit over us
    }  // the wrapper lets go while it is not on top
    EXPECT_EQ(nullptr, ui::Window::FromHandle(edit));
    // Messages still reach the edit's own procedure.
    SendMessageA(edit, EM_LIMITTEXT, 5, 0);
    EXPECT_EQ(5, SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abcdef"));
    SendMessageA(edit, EM_SETSEL, 1, 3);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(1u, start);
    EXPECT_EQ(3u, end);
    // A later wrapper takes the window over and gets its messages.
    class Counting : public ui::Edit {
    public:
        Counting() {
            OnMessage(WM_APP, [this] {
                ++seen;
                return 9;
            });
        }
        int seen = 0;
    } again;
    ASSERT_TRUE(again.Subclass(edit));
    EXPECT_EQ(9, SendMessageA(edit, WM_APP, 0, 0));
    EXPECT_EQ(5, SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    DestroyWindow(parent);
    EXPECT_EQ(nullptr, again.Handle());
    EXPECT_EQ(1, again.seen);
}

// The first windows of a thread bring the system's own along (the input
// method's, OLE's); each object must get its own window and no other.
BOOL CALLBACK CheckOwnWindow(HWND w, LPARAM result) {
    ui::Window* object = ui::Window::FromHandle(w);
    if (object && (object->Handle() != w || !dynamic_cast<ui::Dialog*>(object))) *reinterpret_cast<bool*>(result) = false;
    return TRUE;
}

void CreateFirstWindows(void* result) {
    auto* ok = static_cast<bool*>(result);
    DataDlg dlg;
    ui::Static label;
    *ok = dlg.Create(nullptr) && label.Create("x", WS_CHILD, RECT{0, 0, 10, 10}, dlg.Handle(), 99);
    *ok = *ok && ui::Window::FromHandle(dlg.Handle()) == &dlg && ui::Window::FromHandle(label.Handle()) == &label;
    EnumThreadWindows(GetCurrentThreadId(), &CheckOwnWindow, reinterpret_cast<LPARAM>(ok));
}

TEST_F(UiTest, EachObjectTakesItsOwnWindowAmongTheSystemsFirstOnes) {
    bool ok = false;
    HANDLE thread = ui::StartThread(&CreateFirstWindows, &ok);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
    CloseHandle(thread);
    EXPECT_TRUE(ok);
}

TEST_F(UiTest, PreTranslateChainReachesTheDialogOfAControl) {
    class Watching : public DataDlg {
    public:
        bool PreTranslateMessage(MSG* msg) override {
            if (msg->message == WM_APP + 7) {
                ++seen;
                return true;
            }
            return DataDlg::PreTranslateMessage(msg);
        }
        int seen = 0;
    } dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    PostMessageA(dlg.Item(IDC_DATA_TEXT), WM_APP + 7, 0, 0);
    uitest::Pump();
    EXPECT_EQ(1, dlg.seen);
    // Plain pumping of the platform layer runs the same chain.
    PostMessageA(dlg.Item(IDC_DATA_TEXT), WM_APP + 7, 0, 0);
    EXPECT_TRUE(platform::PumpWaitingMessages());
    EXPECT_EQ(2, dlg.seen);
}

TEST_F(UiTest, ProfileValuesSurviveMissingAndDamagedFiles) {
    EXPECT_EQ(-1, m_app->GetProfileInt("Settings", "X", -1));  // no file yet
    EXPECT_EQ("none", m_app->GetProfileString("Recent File List", "File1", "none"));
    testsupport::WriteFile(m_app->ProfilePath(),
                           "[Settings]\r\nX=12\r\nY=garbage\r\nZ=99999999999999\r\nN=-40\r\nE=\r\n\x01\xff[[\r\n");
    EXPECT_EQ(12, m_app->GetProfileInt("Settings", "X", -1));
    EXPECT_EQ(-1, m_app->GetProfileInt("Settings", "Y", -1));
    EXPECT_EQ(2147483647, m_app->GetProfileInt("Settings", "Z", -1));
    EXPECT_EQ(-40, m_app->GetProfileInt("Settings", "N", 0));
    EXPECT_EQ(7, m_app->GetProfileInt("Settings", "E", 7));
    EXPECT_EQ(5, m_app->GetProfileInt("Other", "X", 5));
    EXPECT_EQ("garbage", m_app->GetProfileString("Settings", "Y"));
    EXPECT_TRUE(m_app->WriteProfileInt("66", "CX", 640));
    EXPECT_EQ(640, m_app->GetProfileInt("66", "CX", 0));
    std::string longPath = "C:\\" + std::string(2000, 'p') + "\\project.ecl";
    EXPECT_TRUE(m_app->WriteProfileString("Recent File List", "File1", longPath));
    EXPECT_EQ(longPath, m_app->GetProfileString("Recent File List", "File1"));
    // A folder where the file should be: defaults, no crash.
    m_app->SetProfilePath(m_dir.Path());
    EXPECT_EQ(3, m_app->GetProfileInt("Settings", "X", 3));
}

TEST_F(UiTest, BoxesPickersMenusAndProgramStartsGoThroughTheHooks) {
    EXPECT_EQ(IDOK, ui::AppMessageBox("Hello", MB_ICONERROR));
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("Vastrel 2", m_messages.messages[0].caption);
    EXPECT_EQ(unsigned(MB_ICONERROR), m_messages.messages[0].style);
    EXPECT_EQ(nullptr, m_messages.messages[0].ownerWindow);  // no window: no owner

    uitest::PickerRecorder pickers;
    pickers.answers.push_back(ui::PickerAnswer{true, "C:\\out\\archive.exe"});
    ui::PickerRequest request;
    request.defaultExt = "exe";
    request.filter = "Exe Files (*.exe) |*.exe ||";
    std::string path;
    EXPECT_TRUE(ui::PickFile(request, path));
    EXPECT_EQ("C:\\out\\archive.exe", path);
    EXPECT_FALSE(ui::PickFolder(nullptr, "Pick a Directory", path));
    EXPECT_EQ("C:\\out\\archive.exe", path);  // unchanged when nothing was chosen
    ASSERT_EQ(2u, pickers.requests.size());
    EXPECT_EQ("exe", pickers.requests[0].defaultExt);
    EXPECT_EQ(ui::PickerKind::Folder, pickers.requests[1].kind);

    // A popup menu: the owner's enable pass runs first, the choice comes as a command.
    class Owner : public DataDlg {
    public:
        Owner() {
            OnMessage(WM_INITMENUPOPUP, [this](WPARAM w, LPARAM) {
                UpdateMenuCommands(reinterpret_cast<HMENU>(w), true);
                return 0;
            });
            OnCommand(ID_TEST_HANDLED, [this] { ++chosen; });
        }
        int chosen = 0;
    } owner;
    ASSERT_TRUE(owner.Create(nullptr));
    ui::Menu menu;
    ASSERT_TRUE(menu.Load(IDM_TEST_MENU));
    uitest::PopupMenuRecorder menus;
    menus.answers.push_back(ID_TEST_HANDLED);
    EXPECT_NE(0u, ui::TrackPopup(menu.SubMenu(0), TPM_RIGHTBUTTON, POINT{10, 10}, owner.Handle()));
    uitest::Pump();
    EXPECT_EQ(1, owner.chosen);
    EXPECT_EQ(0u, ui::TrackPopup(menu.SubMenu(0), TPM_RETURNCMD, POINT{10, 10}, owner.Handle()));  // dismissed
    ASSERT_EQ(2u, menus.shown.size());
    using Item = std::pair<UINT, bool>;
    EXPECT_EQ((std::vector<Item>{{ID_TEST_HANDLED, true}, {ID_TEST_UPDATED, false}}), menus.shown[0].items);

    uitest::ProgramRecorder programs;
    programs.associated = "C:\\Tools\\edit.exe";
    programs.results = {false, true};
    EXPECT_EQ("C:\\Tools\\edit.exe", platform::AssociatedProgram("C:\\doc.txt"));
    EXPECT_FALSE(platform::StartProgram({platform::ProgramStart::Kind::Create, "C:\\Tools\\edit.exe",
                                         " \"C:\\doc.txt\"", "", "", true}));
    EXPECT_TRUE(platform::StartProgram({platform::ProgramStart::Kind::Shell, "", "", "C:\\doc.txt", "", true}));
    ASSERT_EQ(2u, programs.starts.size());
    EXPECT_EQ(" \"C:\\doc.txt\"", programs.starts[0].commandLine);
    EXPECT_EQ(platform::ProgramStart::Kind::Shell, programs.starts[1].kind);
    EXPECT_EQ(std::vector<std::string>{"C:\\doc.txt"}, programs.lookups);
}

TEST_F(UiTest, ModalLoopAsksItsHooksOnEveryPass) {
    // The loop ends when ContinueModal says so, without EndDialog.
    class Counting : public DataDlg {
    public:
        int passes = 0;

    protected:
        bool OnInitDialog() override {
            DataDlg::OnInitDialog();
            for (int i = 0; i < 3; ++i) Post(WM_APP);
            return true;
        }
        bool ContinueModal() override { return ++passes < 3 && DataDlg::ContinueModal(); }
        bool OnIdle(long count) override {
            Post(WM_APP);  // keeps the loop from waiting
            return false;
        }
    } dlg;
    EXPECT_EQ(-1, dlg.DoModal());  // never ended: no result
    EXPECT_EQ(3, dlg.passes);
    EXPECT_EQ(nullptr, dlg.Handle());
}

void Throwing(void* ran) {
    *static_cast<bool*>(ran) = true;
    throw std::runtime_error("thread failure");
}

TEST(Threads, AnExceptionStaysInsideItsThread) {
    bool ran = false;
    HANDLE thread = ui::StartThread(&Throwing, &ran);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
    CloseHandle(thread);
    EXPECT_TRUE(ran);
}

}  // namespace
