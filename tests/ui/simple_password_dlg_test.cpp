// Revealing an encrypted file's original name through the password prompt.
#include <string>

#include "core/file_cipher.h"
#include "core/file_header.h"
#include "core/registry_dword.h"
#include "shared/shared_ids.h"
#include "tests/ui/ui_test_support.h"
#include "ui/simple_password_dlg.h"

namespace {

using uitest::DialogDriver;
using uitest::ModalDriver;
using Vastrel2::CIPHER::CipherSettings;
using Vastrel2::CIPHER::FileEncryptor;

class RevealNameTest : public uitest::UiTest {
protected:
    RevealNameTest() { testsupport::ClearVastrelSettings(); }

    // Encrypts a new file of that name with the password; the encrypted path.
    std::string Encrypt(const std::string& name, const std::string& password, int hashType, bool obfuscate) {
        std::string path = m_dir / name;
        testsupport::WriteFile(path, "the contents of " + name);
        CipherSettings settings(0, hashType, CipherSettings::KeyLengthForHash(hashType), 3);
        FileEncryptor job(nullptr, 1, obfuscate ? 1 : 0, password, &settings);
        EXPECT_EQ(0, job.EncryptFile(path, "a hint"));
        DeleteFileA((m_dir / name).c_str());
        return path;
    }

    // Reveals with the prompt answered by `answer`.
    bool Reveal(const std::string& path, std::string& name, std::function<void(DialogDriver&)> answer) {
        ModalDriver driver;
        driver.When("SimplePasswordDlg", std::move(answer));
        return RevealOriginalName(path, name);
    }

    static std::function<void(DialogDriver&)> Typing(const std::string& password) {
        return [password](DialogDriver& d) {
            EXPECT_EQ("Vastrel 2", ui::WindowRef(d.Handle()).Text());
            EXPECT_EQ(ES_PASSWORD, GetWindowLongA(d.Item(IDC_PROMPT_PASSWORD), GWL_STYLE) & ES_PASSWORD);
            d.Type(IDC_PROMPT_PASSWORD, password);
            d.Press(VK_RETURN);
        };
    }

    testsupport::SettingsKeeper m_keeper;
};

TEST_F(RevealNameTest, TheRightPasswordRevealsTheNameAndOthersLeaveTheirText) {
    std::string sha = Encrypt("Quarterly report.txt", "right pass", CipherSettings::kHashSHA256, true);
    std::string md5 = Encrypt("notes.doc", "other pass", CipherSettings::kHashMD5, false);
    EXPECT_EQ(m_dir / "notes.~enc", md5);

    std::string name;
    EXPECT_TRUE(Reveal(sha, name, Typing("right pass")));
    EXPECT_EQ("Quarterly report.txt", name);
    EXPECT_TRUE(Reveal(md5, name, Typing("other pass")));
    EXPECT_EQ("notes.doc", name);

    EXPECT_FALSE(Reveal(sha, name, Typing("wrong pass")));
    EXPECT_EQ("Incorrect Password!", name);
    // OK with nothing typed goes on to the password test.
    EXPECT_FALSE(Reveal(sha, name, Typing("")));
    EXPECT_EQ("Incorrect Password!", name);
    // Cancel, by button and by Esc.
    EXPECT_FALSE(Reveal(sha, name, [](DialogDriver& d) {
        d.Type(IDC_PROMPT_PASSWORD, "right pass");
        d.Click(IDCANCEL);
    }));
    EXPECT_EQ("Cant read filename", name);
    name.clear();
    EXPECT_FALSE(Reveal(md5, name, [](DialogDriver& d) { d.Press(VK_ESCAPE); }));
    EXPECT_EQ("Cant read filename", name);

    // Nothing of the files changed, and nothing was said.
    EXPECT_TRUE(Vastrel2::Utils::IsEncryptedFile(sha));
    EXPECT_EQ("a hint", Vastrel2::Utils::GetHint(md5));
    EXPECT_TRUE(m_messages.messages.empty());
}

TEST_F(RevealNameTest, FilesWithoutAReadableFooterAreRefusedBeforeThePrompt) {
    std::string good = Encrypt("plan.txt", "right pass", CipherSettings::kHashSHA256, false);
    std::string footer = testsupport::ReadFile(good);

    auto refused = [&](const std::string& path) {
        std::string name = "unchanged";
        ModalDriver driver;  // expects nothing: a prompt fails the test
        bool result = RevealOriginalName(path, name);
        EXPECT_EQ("unchanged", name) << path;
        return !result;
    };
    EXPECT_TRUE(refused(m_dir / "missing.~enc"));
    EXPECT_TRUE(refused(m_dir.Path()));
    std::string plain = m_dir / "plain.txt";
    testsupport::WriteFile(plain, "just text, no footer");
    EXPECT_TRUE(refused(plain));

    // The trailer is there but the footer length points nowhere.
    std::string cut = m_dir / "cut.~enc";
    std::string damaged = footer;
    damaged.replace(damaged.size() - 10, 4, "9999");
    testsupport::WriteFile(cut, damaged);
    EXPECT_TRUE(refused(cut));
    // Only the trailer.
    testsupport::WriteFile(cut, footer.substr(footer.size() - 10));
    EXPECT_TRUE(refused(cut));

    // A footer that claims a 32-byte MD5 key: its settings fall back to
    // others whose key has another length (or another digest), so its
    // verifier is never read with them.
    std::string bent = footer;
    const std::string fields = std::string("\xA9") + "0\xA9" "2\xA9" "32\xA9" "0\xA9";
    size_t at = bent.rfind(fields);
    ASSERT_NE(std::string::npos, at);
    bent[at + 3] = '0';  // the hash type
    std::string wrongLength = m_dir / "length.~enc";
    testsupport::WriteFile(wrongLength, bent);
    EXPECT_TRUE(refused(wrongLength));
    RegistryDword(VastrelSettingPath("key"), 2, 1).Set(0);  // defaults with 16-byte keys
    EXPECT_TRUE(refused(wrongLength));
    EXPECT_TRUE(m_messages.messages.empty());

    // The untouched file still opens.
    std::string name;
    EXPECT_TRUE(Reveal(good, name, Typing("right pass")));
    EXPECT_EQ("plan.txt", name);
}

}  // namespace
