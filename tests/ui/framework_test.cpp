#include <stdexcept>

#include "platform/system.h"
#include "tests/ui/ui_test_support.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/gdi.h"
#include "ui/prompts.h"

namespace {

using uitest::UiTest;

// The "Data" template: an edit (1010), a check box (1011), OK and Cancel.
class DataDlg : public ui::Dialog {
public:
    DataDlg() : Dialog(200) {
        OnCommand(1010, EN_CHANGE, [this] { ++changes; });
        OnCommand(1011, [this] { ++clicks; });
        OnMessage(WM_CREATE, [this] {
            created = true;
            return Default();
        });
    }
    std::string text = "start";
    int check = 1;
    int changes = 0;
    int clicks = 0;
    bool created = false;
    bool initialised = false;
    std::string textSeenInInit;
    UINT answer = 0;  // posted from OnInitDialog to end the modal loop
    ui::Edit edit;

protected:
    void DoDataExchange(ui::DataExchange& dx) override {
        dx.Control(1010, edit);
        dx.Text(1010, text);
        dx.Check(1011, check);
    }
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        initialised = true;
        textSeenInInit = edit.Text();
        if (answer) {
            SetWindowTextA(Item(1010), "typed");
            SendMessageA(Item(1011), BM_SETCHECK, BST_UNCHECKED, 0);
            Post(WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), reinterpret_cast<LPARAM>(Item(static_cast<int>(answer))));
        }
        return true;
    }
};

TEST_F(UiTest, ModalDialogExchangesDataAndEndsWithItsButton) {
    DataDlg ok;
    ok.answer = IDOK;
    EXPECT_EQ(IDOK, ok.DoModal());
    EXPECT_TRUE(ok.created);
    EXPECT_TRUE(ok.initialised);
    EXPECT_EQ("start", ok.textSeenInInit);
    EXPECT_EQ("typed", ok.text);
    EXPECT_EQ(0, ok.check);
    EXPECT_EQ(nullptr, ok.Handle());
    EXPECT_GE(ok.changes, 1);  // EN_CHANGE routed through the table

    DataDlg cancel;
    cancel.answer = IDCANCEL;
    EXPECT_EQ(IDCANCEL, cancel.DoModal());
    EXPECT_EQ("start", cancel.text);  // Cancel does not read the controls
    EXPECT_EQ(1, cancel.check);

    class Missing : public ui::Dialog {
    public:
        Missing() : Dialog(999) {}
    } missing;
    EXPECT_EQ(-1, missing.DoModal());
}

TEST_F(UiTest, ModelessDialogRoutesCommandsAndSurvivesExceptions) {
    class Throwing : public DataDlg {
    public:
        Throwing() { OnCommand(1011, [] { throw std::runtime_error("boom"); }); }
    } dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    ASSERT_TRUE(ui::Window::FromHandle(dlg.Handle()) == &dlg);
    ShowWindow(dlg.Handle(), SW_SHOW);
    uitest::Screenshot(dlg.Handle(), "modeless");
    // A handler that throws does not end the process.
    SendMessageA(dlg.Handle(), WM_COMMAND, MAKEWPARAM(1011, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindow(dlg.Handle()));
    // OK on a modeless dialog reads the controls and destroys the window.
    SetWindowTextA(dlg.Item(1010), "modeless");
    SendMessageA(dlg.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ("modeless", dlg.text);
    EXPECT_EQ(nullptr, dlg.Handle());
}

TEST_F(UiTest, EnablePassDisablesCommandsWithoutHandlers) {
    class Target : public ui::Dialog {
    public:
        int runs = 0;
        Target() : Dialog(200) {
            OnCommand(40001, [this] { ++runs; });
            OnUpdate(40002, [](ui::CommandState& s) { s.SetCheck(1); });
        }
    } target;
    ASSERT_TRUE(target.Create(nullptr));
    ui::Menu menu;
    ASSERT_TRUE(menu.Load(300));
    EXPECT_TRUE(target.HasCommandHandler(40001));
    EXPECT_FALSE(target.HasCommandHandler(40003));
    target.UpdateMenuCommands(menu.Get(), true);
    HMENU file = menu.SubMenu(0);
    EXPECT_FALSE(GetMenuState(file, 40001, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(file, 40002, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(file, 40002, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(file, 40003, MF_BYCOMMAND) & MF_GRAYED);
    // Without the disabling rule, unhandled items are left as they are.
    EnableMenuItem(file, 40003, MF_BYCOMMAND | MF_ENABLED);
    target.UpdateMenuCommands(menu.Get(), false);
    EXPECT_FALSE(GetMenuState(file, 40003, MF_BYCOMMAND) & MF_GRAYED);

    // Menu (0) and accelerator (1) commands run the handler; a control's
    // notification with code 1 (such as a selection change) does not.
    SendMessageA(target.Handle(), WM_COMMAND, MAKEWPARAM(40001, 0), 0);
    SendMessageA(target.Handle(), WM_COMMAND, MAKEWPARAM(40001, 1), 0);
    SendMessageA(target.Handle(), WM_COMMAND, MAKEWPARAM(40001, 1), reinterpret_cast<LPARAM>(target.Item(1010)));
    EXPECT_EQ(2, target.runs);
}

TEST_F(UiTest, MessageLoopEndsWithTheQuitCode) {
    PostQuitMessage(5);
    EXPECT_EQ(5, m_app->Run());
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
    PostMessageA(dlg.Item(1010), WM_APP + 7, 0, 0);
    uitest::Pump();
    EXPECT_EQ(1, dlg.seen);
    // Plain pumping of the platform layer runs the same chain.
    PostMessageA(dlg.Item(1010), WM_APP + 7, 0, 0);
    EXPECT_TRUE(platform::PumpWaitingMessages());
    EXPECT_EQ(2, dlg.seen);
}

TEST_F(UiTest, ProfileIntegersSurviveMissingAndDamagedFiles) {
    EXPECT_EQ(-1, m_app->GetProfileInt("Settings", "X", -1));  // no file yet
    testsupport::WriteFile(m_app->ProfilePath(),
                           "[Settings]\r\nX=12\r\nY=garbage\r\nZ=99999999999999\r\nN=-40\r\nE=\r\n\x01\xff[[\r\n");
    EXPECT_EQ(12, m_app->GetProfileInt("Settings", "X", -1));
    EXPECT_EQ(-1, m_app->GetProfileInt("Settings", "Y", -1));
    EXPECT_EQ(2147483647, m_app->GetProfileInt("Settings", "Z", -1));
    EXPECT_EQ(-40, m_app->GetProfileInt("Settings", "N", 0));
    EXPECT_EQ(7, m_app->GetProfileInt("Settings", "E", 7));
    EXPECT_EQ(5, m_app->GetProfileInt("Other", "X", 5));
    EXPECT_TRUE(m_app->WriteProfileInt("66", "CX", 640));
    EXPECT_EQ(640, m_app->GetProfileInt("66", "CX", 0));
    // A folder where the file should be: defaults, no crash.
    m_app->SetProfilePath(m_dir.Path());
    EXPECT_EQ(3, m_app->GetProfileInt("Settings", "X", 3));
}

TEST_F(UiTest, MessageBoxesAndPickersGoThroughTheHooks) {
    EXPECT_EQ(IDOK, ui::AppMessageBox("Hello", MB_ICONERROR));
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("Vastrel 2", m_messages.messages[0].caption);
    EXPECT_EQ(unsigned(MB_ICONERROR), m_messages.messages[0].style);

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
    EXPECT_EQ("Pick a Directory", pickers.requests[1].title);
}

}  // namespace

namespace {

using uitest::UiTest;

TEST_F(UiTest, ModalLoopAsksItsHooksOnEveryPass) {
    // The loop ends when ContinueModal says so, without EndDialog.
    class Counting : public DataDlg {
    public:
        int passes = 0;
        long idles = 0;

    protected:
        bool OnInitDialog() override {
            DataDlg::OnInitDialog();
            for (int i = 0; i < 3; ++i) Post(WM_APP);
            return true;
        }
        bool ContinueModal() override { return ++passes < 3 && DataDlg::ContinueModal(); }
        bool OnIdle(long count) override {
            ++idles;
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
