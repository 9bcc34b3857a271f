// The password, options, file properties, about and auto-update dialogs,
// opened for real and driven as a user would; results read back from the
// registry and the settings record.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>

#include "app/about_dlg.h"
#include "app/auto_update_permission_dlg.h"
#include "app/file_properties_dlg.h"
#include "app/main_dlg.h"
#include "app/main_settings.h"
#include "app/password_dlg.h"
#include "app/project_file.h"
#include "app/properties_dlg.h"
#include "core/file_cipher.h"
#include "core/secure_delete.h"
#include "tests/ui/ui_test_support.h"
#include "ui/help_launcher.h"
#include "vastrel/resource.h"
#include "shared/shared_ids.h"

namespace {

using uitest::DialogDriver;
using uitest::ModalDriver;

uint32_t Setting(const char* name, uint32_t missing = 77) {
    uint32_t value = missing;
    platform::RegReadDword(platform::RegRoot::CurrentUser, kVastrelSettingsKey, name, value);
    return value;
}
void SetSetting(const char* name, uint32_t value) { RegistryDword(VastrelSettingPath(name), 0, 1).Set(value); }

class Dialogs : public uitest::UiTest {
protected:
    Dialogs() { testsupport::ClearVastrelSettings(); }
    ~Dialogs() override { testsupport::ClearVastrelSettings(); }

    static std::string ToolText(HWND dialog, int id) {
        HWND tooltip = nullptr;
        for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            char cls[64] = {};
            GetClassNameA(w, cls, sizeof cls);
            if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0 && GetWindow(w, GW_OWNER) == dialog) tooltip = w;
        }
        std::vector<char> text(2048, '\0');
        TTTOOLINFOA info{};
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.hwnd = dialog;
        info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, id));
        info.lpszText = text.data();
        if (tooltip) SendMessageA(tooltip, TTM_GETTEXTA, text.size(), reinterpret_cast<LPARAM>(&info));
        return text.data();
    }

    testsupport::SettingsKeeper m_keeper;
};

TEST_F(Dialogs, PasswordDialogReturnsAndRemembersItsChoices) {
    std::string password = "untouched";
    int open = 1, reencrypt = 0;
    {
        ModalDriver driver;
        driver.When("CPasswordDlg", [&](DialogDriver& d) {
            // First use: both checked, and both values created.
            EXPECT_EQ("Vastrel 2.0", ui::WindowRef(d.Handle()).Text());
            EXPECT_EQ(BST_CHECKED, d.Checked(IDC_OPEN_AFTER_DECRYPT));
            EXPECT_EQ(BST_CHECKED, d.Checked(IDC_ENCRYPT_AFTER_USE));
            EXPECT_EQ(0u, Setting("open after decrypt"));
            EXPECT_EQ(0u, Setting("reencrypt"));
            d.Type(IDC_PASSWORD_EDIT, "my secret");
            d.Screenshot("first use");
            d.Press(VK_ESCAPE);
        });
        CPasswordDlg dlg(&password, &open, &reencrypt);
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
    }
    EXPECT_EQ("untouched", password);
    EXPECT_EQ(0, reencrypt);

    {
        ModalDriver driver;
        driver.When("CPasswordDlg", [&](DialogDriver& d) {
            d.Type(IDC_PASSWORD_EDIT, "my secret");
            d.SetCheck(IDC_OPEN_AFTER_DECRYPT, false);  // takes "encrypt after use" with it
            EXPECT_FALSE(d.Enabled(IDC_ENCRYPT_AFTER_USE));
            d.SetCheck(IDC_OPEN_AFTER_DECRYPT, true);
            d.SetCheck(IDC_ENCRYPT_AFTER_USE, false);
            d.Press(VK_RETURN);
        });
        CPasswordDlg dlg(&password, &open, &reencrypt);
        EXPECT_EQ(IDOK, dlg.DoModal());
    }
    EXPECT_EQ("my secret", password);
    EXPECT_EQ(1, open);
    EXPECT_EQ(0, reencrypt);
    EXPECT_EQ(0u, Setting("open after decrypt"));
    EXPECT_EQ(1u, Setting("reencrypt"));

    // An open flag of 0 disables the boxes; the stored states still come back.
    open = 0;
    SetSetting("open after decrypt", 1);
    {
        ModalDriver driver;
        driver.When("CPasswordDlg", [&](DialogDriver& d) {
            EXPECT_FALSE(d.Enabled(IDC_OPEN_AFTER_DECRYPT));
            EXPECT_FALSE(d.Enabled(IDC_ENCRYPT_AFTER_USE));  // its box is unchecked
            EXPECT_EQ(BST_UNCHECKED, d.Checked(IDC_OPEN_AFTER_DECRYPT));
            d.Click(IDOK);  // an empty password is returned as it is
        });
        CPasswordDlg dlg(&password, &open, &reencrypt);
        EXPECT_EQ(IDOK, dlg.DoModal());
    }
    EXPECT_EQ("", password);
    EXPECT_EQ(0, open);
    EXPECT_EQ(0, reencrypt);
    EXPECT_EQ(1u, Setting("open after decrypt"));
}

TEST_F(Dialogs, OptionsStoreEveryValueOnSaveAndNothingOnCancel) {
    SetSetting("SWWD", 1);
    SetSetting("ShredPasses", 40);  // beyond the slider: shown and stored as 16
    SetSetting("cipher", 7);        // ids no list offers
    SetSetting("key", 5);
    MainSettings settings;
    settings.Load();
    CSecureDelete shredder;
    shredder.SetPassCount(40);

    // Cancel: nothing changes, whatever was touched.
    {
        ModalDriver driver;
        driver.When("Propertiesdlg", [&](DialogDriver& d) {
            d.SetCheck(IDC_OPTION_OBFUSCATE, false);
            d.Choose(IDC_HASH_LIST, "MD5 - 128 bit key");
            d.Click(IDCANCEL);
        });
        Propertiesdlg dlg(&shredder, &settings);
        dlg.DoModal();
    }
    EXPECT_TRUE(settings.obfuscateOn);
    EXPECT_EQ(77u, Setting("Obfuscate"));
    EXPECT_EQ(5u, Setting("key"));

    {
        ModalDriver driver;
        driver.When("Propertiesdlg", [&](DialogDriver& d) {
            HWND w = d.Handle();
            // Folded: the advanced half lies below the window's bottom.
            RECT folded;
            GetWindowRect(w, &folded);
            d.Screenshot("folded");
            EXPECT_EQ("Show Advanced", d.Text(IDC_ADVANCED_CAPTION));
            EXPECT_EQ(">>", d.Text(IDC_TOGGLE_ADVANCED));
            d.Click(IDC_TOGGLE_ADVANCED);
            RECT unfolded;
            GetWindowRect(w, &unfolded);
            EXPECT_EQ(Propertiesdlg::kAdvancedHeight, uitest::SizeOf(unfolded).cy - uitest::SizeOf(folded).cy);
            EXPECT_EQ("Hide Advanced", d.Text(IDC_ADVANCED_CAPTION));
            EXPECT_EQ("<<", d.Text(IDC_TOGGLE_ADVANCED));
            d.Screenshot("unfolded");

            // Ids that name nothing show the defaults; the slider is clamped.
            EXPECT_EQ("Blowfish - Default", ui::ComboBoxRef(d.Item(IDC_CIPHER_LIST)).GetLBText(
                                                ui::ComboBoxRef(d.Item(IDC_CIPHER_LIST)).GetCurSel()));
            ui::ComboBoxRef hash(d.Item(IDC_HASH_LIST));
            EXPECT_EQ("SHA256 - 256 bit key - Default", hash.GetLBText(hash.GetCurSel()));
            EXPECT_EQ(0, ToolText(w, IDC_HASH_LIST).find("SHA256: Use this algorithm"));
            EXPECT_EQ(16, ui::SliderRef(d.Item(IDC_SHRED_PASSES)).GetPos());

            EXPECT_EQ(BST_CHECKED, d.Checked(IDC_OPTION_OBFUSCATE));
            EXPECT_EQ(BST_UNCHECKED, d.Checked(IDC_OPTION_REMOVE_WARNING));
            d.Choose(IDC_HASH_LIST, "MD5 - 128 bit key");
            EXPECT_EQ(0, ToolText(w, IDC_HASH_LIST).find("MD5: Use this algorithm"));
            d.SetCheck(IDC_OPTION_SUMMARY, false);
            d.SetCheck(IDC_OPTION_REMOVE_WARNING, true);
            // Enter and Esc neither save nor close.
            d.Press(VK_RETURN);
            d.Press(VK_ESCAPE);
            EXPECT_TRUE(IsWindowVisible(w));
            d.Click(IDC_TOGGLE_ADVANCED);
            d.Click(IDOK);
        });
        Propertiesdlg dlg(&shredder, &settings);
        dlg.DoModal();
    }
    EXPECT_FALSE(settings.summaryOn);
    EXPECT_TRUE(settings.obfuscateOn);
    EXPECT_EQ(1u, Setting("Summary"));
    EXPECT_EQ(0u, Setting("Obfuscate"));
    EXPECT_EQ(0u, Setting("SSO"));
    EXPECT_EQ(0u, Setting("SCM"));
    EXPECT_EQ(0u, Setting("SWWD"));
    EXPECT_EQ(0u, Setting("AutoUpdate"));
    EXPECT_EQ(16u, Setting("ShredPasses"));
    EXPECT_EQ(16, shredder.GetPasses());
    EXPECT_EQ(0u, Setting("key"));
    EXPECT_EQ(0u, Setting("cipher"));  // never CB_ERR
}

TEST_F(Dialogs, FilePropertiesAndTheAboutBoxShowTheirTexts) {
    for (UINT close : {UINT(IDOK), UINT(VK_ESCAPE)}) {
        ModalDriver driver;
        driver.When("CFilePropertiesDlg", [&](DialogDriver& d) {
            EXPECT_EQ("report.txt", d.Text(IDC_PROPERTY_NAME));
            EXPECT_EQ("C:\\papers", d.Text(IDC_PROPERTY_PATH));
            EXPECT_EQ("1.50 KB", d.Text(IDC_PROPERTY_SIZE));
            EXPECT_EQ("ra--", d.Text(IDC_PROPERTY_ATTRIBUTES));
            EXPECT_EQ("Encrypted", d.Text(IDC_PROPERTY_STATUS));
            EXPECT_FALSE(GetWindowLongA(d.Handle(), GWL_STYLE) & WS_CAPTION & ~WS_BORDER);
            if (close == IDOK) d.Click(IDOK);
            else d.Press(VK_ESCAPE);
        });
        CFilePropertiesDlg dlg("report.txt", "C:\\papers", "1.50 KB", "ra--", "Encrypted");
        dlg.DoModal();
    }

    std::vector<std::string> opened;
    CHelpLauncher::System fake;
    fake.browse = [&](const std::string& url) {
        opened.push_back(url);
        return true;
    };
    CHelpLauncher::System previous = CHelpLauncher::SetSystem(fake);
    {
        ModalDriver driver;
        driver.When("CAboutDlg", [&](DialogDriver& d) {
            EXPECT_EQ("About Vastrel 2.0", ui::WindowRef(d.Handle()).Text());
            EXPECT_EQ("Version 3, 0, 0, 35", d.Text(IDC_ABOUT_VERSION));
            EXPECT_EQ("Build 1, 0, 0, 44", d.Text(IDC_ABOUT_BUILD));
            d.Screenshot("version and build");
            d.Click(IDC_DONATE_NOW);  // the box stays
            EXPECT_TRUE(IsWindowVisible(d.Handle()));
            d.Click(IDOK);
        });
        CAboutDlg dlg;
        dlg.DoModal();
    }
    CHelpLauncher::SetSystem(previous);
    EXPECT_EQ(std::vector<std::string>{"http://www.halvenrod.example//donation.html"}, opened);

    // A file without a version block: the box opens with the bare words.
    std::string plain = m_dir / "no version.txt";
    testsupport::WriteFile(plain, "no version block here");
    try {
        ModuleVersionInfo info(plain);
        ADD_FAILURE() << "no exception";
    } catch (const std::exception& e) {
        EXPECT_EQ(0, std::string(e.what()).find("No version information found (Windows error: "));
    }
    ModuleVersionInfo own;
    EXPECT_EQ("", own.ReadVersionString("NoSuchValue"));
    ModalDriver driver;
    driver.When("CAboutDlg", [&](DialogDriver& d) {
        EXPECT_EQ("Version ", d.Text(IDC_ABOUT_VERSION));
        EXPECT_EQ("Build ", d.Text(IDC_ABOUT_BUILD));
        d.Click(IDOK);
    });
    CAboutDlg broken(plain);
    EXPECT_EQ(IDOK, broken.DoModal());
}

TEST_F(Dialogs, AutoUpdateQuestionChecksWaitsOrTurnsItselfOff) {
    const char* port = std::getenv("VASTREL_UPDATE_PORT");
    ASSERT_TRUE(port && *port) << "the update test server is started by tests/ui/with_update_server.sh";
    MainSettings settings;
    settings.Load();
    ASSERT_TRUE(settings.autoUpdateOn);

    // Ok without touching anything checks, and tells the outcome.
    {
        ModalDriver driver;
        driver.When("AutoUpdatePermissionDlg", [&](DialogDriver& d) {
            EXPECT_EQ(BST_CHECKED, d.Checked(IDC_UPDATE_CHECK_NOW));
            m_messages.respond = [&](const platform::MessageRequest& box) {
                EXPECT_EQ(d.Handle(), box.ownerWindow);  // over the question
                return IDOK;
            };
            d.Press(VK_RETURN);
        });
        AutoUpdatePermissionDlg dlg(&settings);
        dlg.updateUrl = std::string("http://127.0.0.1:") + port + "/same//files//Latest//update.txt";
        dlg.DoModal();
    }
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("There are no new updates available for Vastrel 2", m_messages.messages[0].text);
    m_messages.respond = nullptr;

    // Turning it off, then closing with Esc: nothing changes.
    for (UINT how : {UINT(VK_ESCAPE), UINT(IDC_UPDATE_DONT_CHECK)}) {
        ModalDriver driver;
        driver.When("AutoUpdatePermissionDlg", [&](DialogDriver& d) {
            d.Click(IDC_UPDATE_TURN_OFF);
            if (how == VK_ESCAPE) {
                d.Press(VK_ESCAPE);
            } else {
                d.Click(how);
                d.Click(IDOK);
            }
        });
        AutoUpdatePermissionDlg dlg(&settings);
        dlg.DoModal();
    }
    EXPECT_EQ(77u, Setting("AutoUpdate"));
    EXPECT_TRUE(settings.autoUpdateOn);
    EXPECT_EQ(1u, m_messages.messages.size());

    // Turned off: stored, and the Options dialog of the same run keeps it off.
    {
        ModalDriver driver;
        driver.When("AutoUpdatePermissionDlg", [&](DialogDriver& d) {
            d.Click(IDC_UPDATE_TURN_OFF);
            d.Click(IDOK);
        });
        driver.When("Propertiesdlg", [&](DialogDriver& d) {
            EXPECT_EQ(BST_UNCHECKED, d.Checked(IDC_OPTION_AUTO_UPDATE));
            d.Click(IDOK);
        });
        AutoUpdatePermissionDlg dlg(&settings);
        dlg.DoModal();
        EXPECT_EQ(1u, Setting("AutoUpdate"));
        CSecureDelete shredder;
        Propertiesdlg options(&shredder, &settings);
        options.DoModal();
    }
    EXPECT_EQ(1u, Setting("AutoUpdate"));
    EXPECT_FALSE(settings.autoUpdateOn);
}

TEST_F(Dialogs, TheMainWindowAsksAboutUpdatesUntilTurnedOff) {
    for (int run = 0; run < 2; ++run) {
        ModalDriver driver;
        if (run == 0) {
            driver.When("AutoUpdatePermissionDlg", [](DialogDriver& d) {
                d.Click(IDC_UPDATE_TURN_OFF);
                d.Click(IDOK);
            });
        }
        VastrelMainDlg dlg;
        ASSERT_TRUE(dlg.Create(nullptr));
        EXPECT_EQ(run == 0 ? 1u : 0u, driver.opened.size());
        dlg.DestroyWindow();
        EXPECT_EQ(1u, Setting("AutoUpdate"));
    }
}

}  // namespace

namespace {

TEST_F(Dialogs, TheMainWindowOpensTheDialogsOfItsSelectedFile) {
    SetSetting("AutoUpdate", 1);
    std::string path = m_dir / "minutes.txt";
    testsupport::WriteFile(path, "nothing to see");
    Vastrel2::CIPHER::FileEncryptor job(nullptr, 1, 1, "board pass", nullptr);
    ASSERT_EQ(0, job.EncryptFile(path, "a hint"));
    std::string project = m_dir / "board.ecl";
    ProjectEntry entry;
    entry.path = path;
    entry.name = platform::FileNamePart(path);
    testsupport::WriteFile(project, project::WriteArchive({entry}));

    VastrelMainDlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    dlg.LoadProject(project);
    dlg.WaitForFill();
    uitest::Pump();
    ListView_SetItemState(GetDlgItem(dlg.Handle(), IDC_PROJECT_LIST), 0, LVIS_SELECTED, LVIS_SELECTED);
    auto type = [](const std::string& password) {
        return [password](DialogDriver& d) {
            d.Type(IDC_PROMPT_PASSWORD, password);
            d.Click(IDOK);
        };
    };
    {
        ModalDriver driver;
        driver.When("SimplePasswordDlg", type("board pass"));
        driver.When("SimplePasswordDlg", type("wrong"));
        driver.When("SimplePasswordDlg", [](DialogDriver& d) { d.Click(IDCANCEL); });
        driver.When("CFilePropertiesDlg", [](DialogDriver& d) {
            EXPECT_EQ("Encrypted", d.Text(IDC_PROPERTY_STATUS));
            d.Click(IDOK);
        });
        driver.When("Propertiesdlg", [](DialogDriver& d) { d.Click(IDCANCEL); });
        driver.When("CAboutDlg", [](DialogDriver& d) { d.Click(IDOK); });
        for (UINT command : {ID_SELECTION_VIEW_NAME, ID_SELECTION_VIEW_NAME, ID_SELECTION_VIEW_NAME,
                             ID_SELECTION_PROPERTIES, ID_OPTIONS_OPTIONS, ID_APP_ABOUT}) {
            EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), command)) << command;
        }
    }
    dlg.DestroyWindow();
    // The name when the password is right, the refusal when it is not, and
    // nothing for a cancelled prompt.
    ASSERT_EQ(2u, m_messages.messages.size());
    EXPECT_EQ("minutes.txt", m_messages.messages[0].text);
    EXPECT_EQ("Incorrect Password!", m_messages.messages[1].text);
    EXPECT_EQ(unsigned(MB_ICONERROR), m_messages.messages[1].style);
}

}  // namespace
