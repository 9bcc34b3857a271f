// Every way the windows open the help: the main window's Help menu item, F1
// in the main window and in the dialogs that give help, and the title bar's
// help button on a control. Each must reach the help file beside the
// program (the build puts the real one beside this test) without "Unable to
// find help file"; the viewer itself is replaced, so nothing waits on it.
#include <windows.h>

#include <commctrl.h>

#include "app/main_dlg.h"
#include "tests/ui/ui_test_support.h"
#include "ui/help_launcher.h"
#include "vastrel/resource.h"
#include "vastrel/selfextractor_ids.h"

namespace {

using Strings = std::vector<std::string>;

std::string HelpBesideThisProgram() {
    char path[MAX_PATH + 1] = {};
    std::string program(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return program.substr(0, program.find_last_of('\\')) + "\\Vastrel.chm";
}

// Stands in for the help viewer and the browser and notes each file and
// page they are asked to show.
class HelpViewerRecorder {
public:
    HelpViewerRecorder() {
        CHelpLauncher::System system;
        system.displayHelp = [this](const std::string& file) {
            shown.push_back(file);
            return true;
        };
        system.browse = [this](const std::string& url) {
            pages.push_back(url);
            return true;
        };
        m_previous = CHelpLauncher::SetSystem(system);
    }
    ~HelpViewerRecorder() { CHelpLauncher::SetSystem(m_previous); }
    Strings shown;
    Strings pages;

private:
    CHelpLauncher::System m_previous;
};

class HelpEntryTest : public uitest::UiTest {
protected:
    HelpEntryTest() {
        testsupport::ClearVastrelSettings();
        RegistryDword(VastrelSettingPath("AutoUpdate"), 0, 1).Set(1);  // no question at start
    }
    ~HelpEntryTest() override { testsupport::ClearVastrelSettings(); }

    // The help was asked for once more since the last call, and shown from
    // the file beside the program.
    void ExpectHelpShown(const char* where) {
        EXPECT_EQ(m_seen + 1, m_viewer.shown.size()) << where;
        if (m_viewer.shown.size() > m_seen) {
            EXPECT_EQ(HelpBesideThisProgram(), m_viewer.shown.back()) << where;
        }
        m_seen = m_viewer.shown.size();
        for (const auto& m : m_messages.messages) ADD_FAILURE() << where << ": \"" << m.text << "\"";
        m_messages.messages.clear();
    }
    // F1 pressed on the keyboard while the dialog is active: the system
    // turns the key into a help request for the control that has the focus.
    void PressF1(uitest::DialogDriver& d) {
        SetForegroundWindow(d.Handle());
        if (!GetFocus() || (GetFocus() != d.Handle() && !IsChild(d.Handle(), GetFocus()))) SetFocus(d.Handle());
        INPUT keys[2] = {};
        keys[0].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = VK_F1;
        keys[1] = keys[0];
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        ASSERT_EQ(2u, SendInput(2, keys, sizeof(INPUT)));
        for (int i = 0; i < 200 && m_viewer.shown.size() == m_seen; ++i) uitest::Pump(10);
        uitest::Pump(20);
    }
    // What the title bar's help button sends when the user then clicks a control.
    static void ContextHelpOn(HWND control) {
        HELPINFO info{};
        info.cbSize = sizeof info;
        info.iContextType = HELPINFO_WINDOW;
        info.iCtrlId = GetDlgCtrlID(control);
        info.hItemHandle = control;
        SendMessageA(control, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    }

    HelpViewerRecorder m_viewer;
    size_t m_seen = 0;
};

TEST_F(HelpEntryTest, TheMainWindowAndItsDialogsOpenTheHelpBesideTheProgram) {
    ASSERT_TRUE(testsupport::Exists(HelpBesideThisProgram())) << "the build puts Vastrel.chm beside this test";
    const std::string file = m_dir / "notes.txt";
    testsupport::WriteFile(file, "some notes");

    uitest::PickerRecorder pickers;
    uitest::ModalDriver driver;
    driver.When("VastrelMainDlg", [&](uitest::DialogDriver& main) {
        EXPECT_TRUE(uitest::RunMenuCommand(main.Handle(), ID_HELP_CONTENTS));
        ExpectHelpShown("Help menu item");
        SetFocus(main.Item(IDC_PROJECT_LIST));
        PressF1(main);
        ExpectHelpShown("F1 in the main window");
        ContextHelpOn(main.Item(IDC_PROJECT_LIST));
        ExpectHelpShown("help button on the list");

        pickers.answers.push_back(ui::PickerAnswer{true, file});
        ASSERT_TRUE(uitest::RunMenuCommand(main.Handle(), ID_PROJECT_ADD_FILE));

        for (UINT command : {ID_PROJECT_ENCRYPT, ID_PROJECT_DECRYPT}) {
            driver.When("CEncryptionDlg", [&](uitest::DialogDriver& d) {
                PressF1(d);
                ExpectHelpShown(command == ID_PROJECT_ENCRYPT ? "F1 while encrypting" : "F1 while decrypting");
                EXPECT_TRUE(IsWindowVisible(d.Handle()));
                d.Click(IDCANCEL);
            });
            EXPECT_TRUE(uitest::RunMenuCommand(main.Handle(), command));
        }
        driver.When("CSelfextractorDlg", [&](uitest::DialogDriver& d) {
            PressF1(d);
            ExpectHelpShown("F1 in the self-extractor dialog");
            d.Click(IDC_SFX_CANCEL);
        });
        EXPECT_TRUE(uitest::RunMenuCommand(main.Handle(), ID_PROJECT_SELF_EXTRACTOR));
        ListView_SetItemState(main.Item(IDC_PROJECT_LIST), 0, LVIS_SELECTED, LVIS_SELECTED);
        driver.When("QuickCipherDlg", [&](uitest::DialogDriver& d) {
            PressF1(d);
            ExpectHelpShown("F1 in the selection dialog");
            d.Click(IDCANCEL);
        });
        EXPECT_TRUE(uitest::RunMenuCommand(main.Handle(), ID_SELECTION_ENCRYPT));
        m_messages.answers = {IDNO};  // not saved
        main.Press(VK_ESCAPE);
    });
    VastrelMainDlg window;
    window.DoModal();
}

// "Vastrel FAQ" opens the questions page of the web site in the browser.
TEST_F(HelpEntryTest, TheFaqItemOpensTheQuestionsPage) {
    uitest::ModalDriver driver;
    driver.When("VastrelMainDlg", [&](uitest::DialogDriver& main) {
        EXPECT_TRUE(uitest::RunMenuCommand(main.Handle(), ID_HELP_FAQ));
        main.Press(VK_ESCAPE);
    });
    VastrelMainDlg window;
    window.DoModal();
    EXPECT_EQ(Strings{"http://www.halvenrod.example/FAQ.htm"}, m_viewer.pages);
    EXPECT_TRUE(m_viewer.shown.empty());
    EXPECT_TRUE(m_messages.messages.empty());
}

}  // namespace
