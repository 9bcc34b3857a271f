// Revealing an encrypted file's original name through the password prompt.
#include <cctype>
#include <cstdio>
#include <string>
#include <utility>

#include "core/cipher_mode.h"
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

    // A copy of the encrypted file whose footer field `field` (the stored
    // text, found between separators) reads `replacement`; the footer
    // length in the trailer is kept right.
    std::string WithField(const std::string& path, const std::string& field, const std::string& replacement,
                          const std::string& name) {
        std::string bytes = testsupport::ReadFile(path);
        size_t at = bytes.rfind("\xA9" + field + "\xA9");
        EXPECT_NE(std::string::npos, at) << field;
        if (at == std::string::npos) return path;
        bytes.replace(at + 1, field.size(), replacement);
        const size_t digits = bytes.size() - 10;
        int length = std::stoi(bytes.substr(digits, 4)) + static_cast<int>(replacement.size()) -
                     static_cast<int>(field.size());
        char number[8];
        std::snprintf(number, sizeof number, "%4d", length);
        bytes.replace(digits, 4, number);
        std::string copy = m_dir / name;
        testsupport::WriteFile(copy, bytes);
        return copy;
    }
    // The footer's vector and stored name, as text.
    static std::pair<std::string, std::string> IvAndName(const std::string& path) {
        Vastrel2::Utils::CFileHeader header;
        CFile file;
        EXPECT_TRUE(file.Open(path, CFile::modeRead | CFile::typeBinary));
        EXPECT_TRUE(header.ReadFooter(file));
        return {header.GetIvHex(), header.GetEncryptedName()};
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

// The box that tells of a damaged footer.
std::string DamagedFooterText(const std::string& path) {
    return "The original filename cannot be read: the footer of this encrypted file is damaged.\n" + path;
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
    // A damaged footer is refused too, and said.
    auto said = [&](const std::string& path) {
        m_messages.messages.clear();
        std::string name = "unchanged";
        ModalDriver driver;
        bool result = RevealOriginalName(path, name);
        EXPECT_EQ("Cant read filename", name) << path;
        EXPECT_EQ(1u, m_messages.messages.size()) << path;
        if (m_messages.messages.empty()) return false;
        EXPECT_EQ(DamagedFooterText(path), m_messages.messages[0].text);
        EXPECT_EQ(static_cast<unsigned>(MB_ICONERROR), m_messages.messages[0].style);
        return !result;
    };
    EXPECT_TRUE(refused(m_dir / "missing.~enc"));
    EXPECT_TRUE(refused(m_dir.Path()));
    std::string plain = m_dir / "plain.txt";
    testsupport::WriteFile(plain, "just text, no footer");
    EXPECT_TRUE(refused(plain));
    EXPECT_TRUE(m_messages.messages.empty());

    // The trailer is there but the footer length points nowhere.
    std::string cut = m_dir / "cut.~enc";
    std::string damaged = footer;
    damaged.replace(damaged.size() - 10, 4, "9999");
    testsupport::WriteFile(cut, damaged);
    EXPECT_TRUE(said(cut));
    // Only the trailer.
    testsupport::WriteFile(cut, footer.substr(footer.size() - 10));
    EXPECT_TRUE(said(cut));

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
    EXPECT_TRUE(said(wrongLength));
    RegistryDword(VastrelSettingPath("key"), 2, 1).Set(0);  // defaults with 16-byte keys
    EXPECT_TRUE(said(wrongLength));
    m_messages.messages.clear();

    // The untouched file still opens.
    std::string name;
    EXPECT_TRUE(Reveal(good, name, Typing("right pass")));
    EXPECT_EQ("plan.txt", name);
}

// A footer whose vector or stored name is damaged gives no made-up name,
// and the user is told; a damaged vector is found before the password is
// asked for.
TEST_F(RevealNameTest, DamagedVectorsAndNamesAreSaidAndGiveNoName) {
    std::string good = Encrypt("budget.xls", "right pass", CipherSettings::kHashSHA256, false);
    const auto [iv, name] = IvAndName(good);
    ASSERT_EQ(32u, iv.size());

    auto saysItCannot = [&](const std::string& path, const char* what) {
        SCOPED_TRACE(what);
        m_messages.messages.clear();
        std::string name = "unchanged";
        ModalDriver driver;  // no prompt
        EXPECT_FALSE(RevealOriginalName(path, name));
        EXPECT_EQ("Cant read filename", name);
        ASSERT_EQ(1u, m_messages.messages.size());
        EXPECT_EQ(DamagedFooterText(path), m_messages.messages[0].text);
        EXPECT_EQ(static_cast<unsigned>(MB_ICONERROR), m_messages.messages[0].style);
    };
    std::string notHex = iv;
    notHex[5] = 'G';
    saysItCannot(WithField(good, iv, notHex, "not hex.~enc"), "a letter that is not hexadecimal");
    saysItCannot(WithField(good, iv, iv.substr(0, 31), "odd.~enc"), "an odd number of digits");
    saysItCannot(WithField(good, iv, iv.substr(0, 30), "short.~enc"), "too short");
    saysItCannot(WithField(good, iv, iv + "00", "long.~enc"), "too long");
    saysItCannot(WithField(good, iv, "", "none.~enc"), "no vector");

    // The stored name damaged: the password is right, the name is not made
    // up, and the core's box about names that do not convert says why.
    std::string badName = name;
    badName[3] = 'x';
    std::string damaged = WithField(good, name, badName, "name.~enc");
    m_messages.messages.clear();
    std::string shown;
    EXPECT_FALSE(Reveal(damaged, shown, Typing("right pass")));
    EXPECT_EQ("Cant read filename", shown);
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ(Vastrel2::CIPHER::kNameConversionError, m_messages.messages[0].text);
    std::string shortName = WithField(good, name, name.substr(0, name.size() - 1), "short name.~enc");
    EXPECT_FALSE(Reveal(shortName, shown, Typing("right pass")));
    EXPECT_EQ("Cant read filename", shown);

    // A wrong password on a damaged name is still only a wrong password.
    m_messages.messages.clear();
    EXPECT_FALSE(Reveal(damaged, shown, Typing("wrong pass")));
    EXPECT_EQ("Incorrect Password!", shown);
    EXPECT_TRUE(m_messages.messages.empty());

    // The untouched file reveals its name, in either case of the digits.
    EXPECT_TRUE(Reveal(good, shown, Typing("right pass")));
    EXPECT_EQ("budget.xls", shown);
    std::string lower = iv;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(Reveal(WithField(good, iv, lower, "lower.~enc"), shown, Typing("right pass")));
    EXPECT_EQ("budget.xls", shown);
    EXPECT_TRUE(m_messages.messages.empty());
}

}  // namespace
