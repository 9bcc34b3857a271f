// The road of an encryption from the main window: the command, the dialog,
// the files on disk, the rows, and the project file saved again.
#include <algorithm>

#include "app/main_dlg.h"
#include "app/project_file.h"
#include "core/file_header.h"
#include "tests/ui/ui_test_support.h"
#include "vastrel/resource.h"

namespace {

using testsupport::Exists;
using testsupport::ReadFile;
using Strings = std::vector<std::string>;

class MainWindowRoadTest : public uitest::UiTest {
protected:
    MainWindowRoadTest() {
        testsupport::ClearVastrelSettings();
        Set("AutoUpdate", 1);  // no permission question at start
        m_folder = m_dir / "docs";
        testsupport::MakeDir(m_folder);
    }
    ~MainWindowRoadTest() override { testsupport::ClearVastrelSettings(); }
    static void Set(const char* name, uint32_t value) { RegistryDword(VastrelSettingPath(name), 0, 1).Set(value); }
    std::string Path(const std::string& name) const { return m_folder + "\\" + name; }
    Strings Texts() {
        Strings texts;
        for (const auto& m : m_messages.messages) texts.push_back(m.text);
        m_messages.messages.clear();
        return texts;
    }
    static Strings Rows(VastrelMainDlg& window) {
        Strings rows;
        for (int i = 0; i < window.List().GetItemCount(); ++i) rows.push_back(window.List().GetItemText(i, 0));
        return rows;
    }
    // The paths the project file holds now.
    Strings Saved(const std::string& project) {
        std::vector<ProjectEntry> entries;
        EXPECT_EQ(project::ReadResult::Ok, project::ReadFile(project, entries));
        Strings paths;
        for (const ProjectEntry& e : entries) paths.push_back(platform::FileNamePart(e.path));
        return paths;
    }
    static void SelectOnly(VastrelMainDlg& window, int row) {
        for (int i = 0; i < window.List().GetItemCount(); ++i) {
            window.List().SetItemState(i, i == row ? LVIS_SELECTED : 0, LVIS_SELECTED);
        }
    }
    std::string m_folder;
};

TEST_F(MainWindowRoadTest, EncryptDecryptAndTheSelectionSaveTheNamedProject) {
    testsupport::WriteFile(Path("a.txt"), "alpha");
    testsupport::WriteFile(Path("b.txt"), "beta");
    testsupport::WriteFile(Path("c.txt"), "gamma");
    const std::string project = m_dir / "docs.ecl";
    {
        CSADirRead scan;
        scan.CollectFolders(m_folder.c_str(), false);
        scan.CollectFiles("*.*", true, false);
        scan.SortFiles(CSADirRead::kSortByPath, false);
        scan.SetRelativeNames(m_folder);
        ASSERT_EQ(project::WriteResult::Ok, project::WriteFile(project, scan.files, nullptr));
    }
    const std::string password = "Correct horse 9";

    uitest::ModalDriver driver;
    driver.When("VastrelMainDlg", [&](uitest::DialogDriver& main) {
        auto& window = *static_cast<VastrelMainDlg*>(ui::Window::FromHandle(main.Handle()));
        window.LoadProject(project);
        window.WaitForFill();
        uitest::Pump();
        ASSERT_EQ((Strings{"a.txt", "b.txt", "c.txt"}), Rows(window));

        // Encrypt the project: the whole road, then the project is saved.
        driver.When("CEncryptionDlg", [&](uitest::DialogDriver& d) {
            EXPECT_EQ(main.Handle(), d.Owner());
            EXPECT_EQ("3", d.Text(IDC_FILE_COUNT));
            d.Type(IDC_PASSWORD, password);
            d.Type(IDC_CONFIRM_PASSWORD, password);
            d.Type(IDC_HINT, "horse");
            d.Press(VK_RETURN);
        });
        m_messages.answers = {IDYES};
        uitest::RunMenuCommand(main.Handle(), ID_PROJECT_ENCRYPT);
        EXPECT_EQ((Strings{"Are you sure you would like to encrypt files?",
                           "3 Files were successfully encrypted. 0 Files failed \n"}),
                  Texts());
        // Names are obfuscated (the setting's default): a digest of the path,
        // four random digits.
        Strings encrypted = Rows(window);
        for (const std::string& name : encrypted) {
            EXPECT_EQ(64u + 4u + 5u, name.size()) << name;
            EXPECT_EQ(".~enc", name.substr(name.size() - 5));
        }
        EXPECT_EQ(encrypted, Saved(project));
        Strings sorted = encrypted;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, testsupport::ListDir(m_folder));
        EXPECT_EQ(1u, RegistryDword(VastrelSettingPath("Donation"), 0, 1).Get());
        main.Screenshot("encrypted");

        // Decrypt one selected row.
        SelectOnly(window, 1);
        driver.When("QuickCipherDlg", [&](uitest::DialogDriver& d) {
            d.Type(IDC_QUICK_PASSWORD, password);
            d.Press(VK_RETURN);
        });
        m_messages.answers = {IDYES, IDNO};
        uitest::RunMenuCommand(main.Handle(), ID_SELECTION_DECRYPT);
        EXPECT_EQ((Strings{"Are you sure you would like to decrypt files?",
                           "1 Files were successfully decrypted. 0 Files failed \nWould you like to view full details?"}),
                  Texts());
        // The decrypted row shows the name stored in the file.
        EXPECT_EQ((Strings{encrypted[0], "b.txt", encrypted[2]}), Rows(window));
        EXPECT_EQ((Strings{encrypted[0], "b.txt", encrypted[2]}), Saved(project));
        EXPECT_EQ(1u, RegistryDword(VastrelSettingPath("Donation"), 0, 1).Get());  // not counted

        // Decrypt the project: the plain one fails and the summary tells why.
        driver.When("CEncryptionDlg", [&](uitest::DialogDriver& d) {
            d.Type(IDC_PASSWORD, password);
            d.Press(VK_RETURN);
        });
        std::vector<std::vector<std::string>> details;
        uitest::ReadSummary(driver, details);
        m_messages.answers = {IDYES, IDYES};
        uitest::RunMenuCommand(main.Handle(), ID_PROJECT_DECRYPT);
        EXPECT_EQ((Strings{"Are you sure you would like to decrypt files?",
                           "2 Files were successfully decrypted. 1 Files failed \nWould you like to view full details?"}),
                  Texts());
        EXPECT_EQ((std::vector<std::vector<std::string>>{{Path("b.txt"), "File not encrypted", ""}}), details);
        EXPECT_EQ((Strings{"a.txt", "b.txt", "c.txt"}), Rows(window));
        EXPECT_EQ((Strings{"a.txt", "b.txt", "c.txt"}), Saved(project));
        EXPECT_EQ("alpha", ReadFile(Path("a.txt")));
        EXPECT_EQ("beta", ReadFile(Path("b.txt")));
        EXPECT_EQ("gamma", ReadFile(Path("c.txt")));
        EXPECT_EQ(2u, RegistryDword(VastrelSettingPath("Donation"), 0, 1).Get());

        // An empty project opens no dialog.
        window.ClearProject();
        window.UpdateProjectTotals();
        SendMessageA(main.Handle(), WM_COMMAND, ID_PROJECT_ENCRYPT, 0);
        SendMessageA(main.Handle(), WM_COMMAND, ID_PROJECT_DECRYPT, 0);
        EXPECT_EQ((Strings{"No files to encrypt!", "No files to decrypt!"}), Texts());
        EXPECT_EQ(2u, RegistryDword(VastrelSettingPath("Donation"), 0, 1).Get());
        window.SetProjectTitle("Untitled");
        main.Press(VK_ESCAPE);
    });
    VastrelMainDlg window;
    window.DoModal();
    EXPECT_EQ((Strings{"a.txt", "b.txt", "c.txt"}), Saved(project));  // the empty project was never saved
}

}  // namespace
