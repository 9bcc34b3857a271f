#include <memory>

#include "app/quick_cipher_dlg.h"
#include "core/secure_delete.h"
#include "tests/app/project_test_support.h"
#include "ui/file_run.h"
#include "vastrel/resource.h"

namespace {

using apptest::ProjectTest;
using testsupport::Exists;
using testsupport::ReadFile;
using Rows = std::vector<std::vector<std::string>>;
using Strings = std::vector<std::string>;

class QuickCipherDlgTest : public ProjectTest {
protected:
    INT_PTR Run(uitest::ModalDriver& driver, std::vector<int> selection, int mode, const std::string& password,
                const std::string& confirmation, bool summary = true) {
        driver.When("QuickCipherDlg", [&](uitest::DialogDriver& d) {
            d.Type(IDC_QUICK_PASSWORD, password);
            if (mode == QuickCipherDlg::kEncrypt) d.Type(IDC_QUICK_CONFIRM, confirmation);
            if (m_look) m_look(d);
            d.Press(VK_RETURN);
        });
        QuickCipherDlg dialog(&selection, &m_list, &m_scanner, mode, false, summary);
        return dialog.DoModal();
    }
    std::function<void(uitest::DialogDriver&)> m_look;
};

TEST_F(QuickCipherDlgTest, EncryptsTheSelectedRowsOnly) {
    MakeProject({{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}, {"d.txt", "delta"}});
    uitest::ModalDriver driver;
    Rows rows;
    uitest::ReadSummary(driver, rows);
    m_look = [](uitest::DialogDriver& d) {
        EXPECT_EQ("OK", d.Text(IDOK));
        EXPECT_EQ("Password : Good", d.Text(IDC_STRENGTH_LABEL));
        d.Type(IDC_QUICK_HINT, "the usual");
        d.Screenshot("encrypting");
    };
    m_messages.answers = {IDYES, IDYES};
    // Positions that name no entry (a list changed meanwhile) are skipped.
    EXPECT_EQ(IDOK, Run(driver, {2, 0, 99, -1}, QuickCipherDlg::kEncrypt, "Tr0ub4dor&3", "Tr0ub4dor&3"));
    EXPECT_EQ((Strings{"Are you sure you would like to encrypt files?",
                       "2 Files were successfully encrypted. 0 Files failed \nWould you like to view full details?"}),
              Texts());
    EXPECT_EQ((Rows{{Path("a.~enc"), "OK", ""}, {Path("c.~enc"), "OK", ""}}), rows);
    EXPECT_EQ((Strings{"a.~enc", "b.txt", "c.~enc", "d.txt"}), RowNames());
    EXPECT_EQ((Strings{"a.~enc", "b.txt", "c.~enc", "d.txt"}), testsupport::ListDir(m_folder));
    EXPECT_EQ("project\\c.~enc", m_scanner.files[2].name);
    m_look = nullptr;

    // An encrypted file in the selection fails; the others go on. Without
    // the summary, the counts.
    m_messages.messages.clear();
    m_messages.answers = {IDYES};
    EXPECT_EQ(IDOK, Run(driver, {0, 1}, QuickCipherDlg::kEncrypt, "Tr0ub4dor&3", "Tr0ub4dor&3", false));
    EXPECT_EQ((Strings{"Are you sure you would like to encrypt files?",
                       "1 Files were successfully encrypted. 1 Files failed \n"}),
              Texts());
    EXPECT_EQ((Strings{"a.~enc", "b.~enc", "c.~enc", "d.txt"}), RowNames());

    // Confirmation off, success message off, no summary: nothing is said.
    Set("SCM", 1);
    Set("SSO", 1);
    m_messages.messages.clear();
    EXPECT_EQ(IDOK, Run(driver, {3}, QuickCipherDlg::kEncrypt, "Tr0ub4dor&3", "Tr0ub4dor&3", false));
    EXPECT_TRUE(Texts().empty());
    EXPECT_EQ((Strings{"a.~enc", "b.~enc", "c.~enc", "d.~enc"}), RowNames());

    // A confirmation that differs: told so, and the dialog is gone.
    Load();
    m_messages.messages.clear();
    EXPECT_EQ(IDOK, Run(driver, {0}, QuickCipherDlg::kEncrypt, "Tr0ub4dor&3", "tr0ub4dor&3"));
    EXPECT_EQ((Strings{"Passwords do not match!"}), Texts());
}

TEST_F(QuickCipherDlgTest, DecryptsBesideATakenNameAndShowsTheHint) {
    MakeProject({{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}});
    {
        CSecureDelete shredder;
        FileRun mine(FileRun::kEncrypt, "password1", true, false, "");
        FileRun theirs(FileRun::kEncrypt, "other pass", true, false, "tabby");
        ASSERT_EQ(0, mine.Process(Path("a.txt"), &shredder).result);
        ASSERT_EQ(0, mine.Process(Path("b.txt"), &shredder).result);
        ASSERT_EQ(0, theirs.Process(Path("c.txt"), &shredder).result);
    }
    Load();
    testsupport::WriteFile(Path("b.txt"), "newer beta");  // takes the name meanwhile

    uitest::ModalDriver driver;
    Rows rows;
    uitest::ReadSummary(driver, rows);
    m_look = [](uitest::DialogDriver& d) {
        EXPECT_FALSE(d.Visible(IDC_QUICK_CONFIRM));
        EXPECT_FALSE(d.Visible(IDC_QUICK_HINT));
        EXPECT_FALSE(d.Visible(IDC_QUICK_VERIFY_LABEL));
        EXPECT_EQ("OK", d.Text(IDOK));
        EXPECT_EQ("Password : Weak", d.Text(IDC_STRENGTH_LABEL));  // the grade also when decrypting
        d.Screenshot("decrypting");
    };
    m_messages.answers = {IDYES, IDOK, IDYES};
    EXPECT_EQ(IDOK, Run(driver, {0, 1, 2}, QuickCipherDlg::kDecrypt, "password1", ""));
    ASSERT_EQ(3u, m_messages.messages.size());
    EXPECT_EQ("Are you sure you would like to decrypt files?", m_messages.messages[0].text);
    EXPECT_EQ("2 Files were successfully decrypted. 1 Files failed \nWould you like to view full details?",
              m_messages.messages[2].text);
    EXPECT_EQ((Rows{{Path("a.txt"), "OK", ""},
                    {Path("b.txt"), "File already exists and has been renamed to <filename>.old", ""},
                    {Path("c.~enc"), "Password incorrect", "Password hint: tabby"}}),
              rows);
    // The file decrypted beside the renamed one: its row follows it.
    EXPECT_EQ((Strings{"a.txt", "b.txt", "c.~enc"}), RowNames());
    EXPECT_EQ((Strings{Path("a.txt"), Path("b.txt"), Path("c.~enc")}), EntryPaths());
    EXPECT_EQ("beta", ReadFile(Path("b.txt")));
    EXPECT_EQ("newer beta", ReadFile(Path("b.txt.old")));
    EXPECT_FALSE(Exists(Path("b.~enc")));
}

}  // namespace
