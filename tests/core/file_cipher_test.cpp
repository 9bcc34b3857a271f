#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/cipher_mode.h"
#include "core/cipher_result.h"
#include "core/dir_read.h"
#include "core/file_cipher.h"
#include "core/file_header.h"
#include "core/keys.h"
#include "tests/support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace Vastrel2::CIPHER;
using testsupport::Exists;
using testsupport::ListDir;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

std::string Data(size_t size, unsigned seed = 1) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 9)) & 0xFF);
    return s;
}

void SetAttributes(const std::string& path, uint8_t set, int64_t mtime = 0) {
    CFileStatus st;
    ASSERT_TRUE(CFile::GetStatus(path, st));
    st.m_attribute = set;
    st.m_mtime = mtime;
    st.m_atime = mtime;
    st.m_ctime = 0;
    ASSERT_TRUE(CFile::SetStatus(path, st));
}

CFileStatus Status(const std::string& path) {
    CFileStatus st;
    CFile::GetStatus(path, st);
    return st;
}

class Jobs : public testsupport::CleanSettingsTest {
protected:
    int Encrypt(std::string& path, const std::string& hint = "hint", int readOnly = 0, int obfuscate = 0) {
        FileEncryptor job(&file, readOnly, obfuscate, "secret password", &settings);
        return job.EncryptFile(path, hint, false);
    }
    int Decrypt(std::string& path, const std::string& password = "secret password", bool overwrite = false,
                int readOnly = 0) {
        FileDecryptor job(&file, readOnly, 0, password);
        return job.DecryptFile(path, hint, overwrite);
    }
    // Encrypts a new file `name` holding `data` and removes the plain file.
    std::string Encrypted(const std::string& name, const std::string& data) {
        std::string path = dir / name;
        WriteFile(path, data);
        EXPECT_EQ(0, Encrypt(path));
        CFile::Remove(dir / name);
        return path;
    }

    testsupport::TempDir dir;
    testsupport::MessageRecorder messages;
    CFile file;
    CipherSettings settings{0, 2, 32, 3};
    std::string hint;
};

}  // namespace

TEST_F(Jobs, RoundTripsEverySizeWithBothKeys) {
    for (int hashType : {0, 2}) {
        settings = CipherSettings(0, hashType, hashType ? 32 : 16, 3);
        for (size_t size : {0u, 1u, 15u, 16u, 17u, 2048u, 3000u, 70001u}) {
            const std::string data = Data(size, hashType);
            const int64_t stamp = 130000000000000000LL + static_cast<int64_t>(size) * 10000000;  // 2012-12-15
            std::string path = dir / "doc.txt";
            WriteFile(path, data);
            SetAttributes(path, 0, stamp);
            ASSERT_EQ(0, Encrypt(path)) << size;
            EXPECT_EQ(dir / "doc.~enc", path);
            EXPECT_EQ(stamp, Status(path).m_mtime);  // times travel with the file
            EXPECT_EQ(data, ReadFile(dir / "doc.txt"));  // the plain source is the caller's to shred
            EXPECT_LT(data.size(), ReadFile(path).size());
            CFile::Remove(dir / "doc.txt");

            ASSERT_EQ(0, Decrypt(path)) << size;
            EXPECT_EQ(dir / "doc.txt", path);
            EXPECT_EQ(data, ReadFile(path));
            EXPECT_EQ(stamp, Status(path).m_mtime);
            EXPECT_EQ(std::vector<std::string>{"doc.txt"}, ListDir(dir.Path()));
            CFile::Remove(path);
        }
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(Jobs, OutputNamesNeverReplaceAFile) {
    WriteFile(dir / "report.doc", "plain");
    WriteFile(dir / "report.~enc", "first");
    WriteFile(dir / "report_1.~enc", "second");
    std::string path = dir / "report.doc";
    ASSERT_EQ(0, Encrypt(path));
    EXPECT_EQ(dir / "report_2.~enc", path);
    EXPECT_EQ("first", ReadFile(dir / "report.~enc"));

    testsupport::MakeDir(dir / "my.dir");
    EXPECT_EQ(dir / "my.dir" + platform::kPathSep + "notes.~enc",
              MakeEncryptedName(dir / "my.dir" + platform::kPathSep + "notes", ".~enc"));
    testsupport::MakeDir(dir / "taken.~enc");  // a folder of that name counts as taken
    EXPECT_EQ(dir / "taken_1.~enc", MakeEncryptedName(dir / "taken.txt", ".~enc"));
    EXPECT_EQ(dir / "same_1.~enc", MakeEncryptedName(dir / "same.~enc", ".~enc"));
}

TEST_F(Jobs, ObfuscatedNamesKeepTheirDigestAndDrawAgainWhenTaken) {
    const std::string source = dir / "plan.xls";
    std::srand(42);
    const std::string first = MakeObfuscatedName(source, settings);
    ASSERT_EQ(dir.Path().size() + 1 + 64 + 4 + 5, first.size());
    const std::string name = platform::FileNamePart(first);
    EXPECT_EQ(std::string::npos, name.substr(0, 64).find_first_not_of("0123456789ABCDEF"));
    EXPECT_EQ(std::string::npos, name.substr(64, 4).find_first_not_of("0123456789abcdef"));
    EXPECT_EQ(".~enc", name.substr(68));

    WriteFile(first, "someone else's file");
    std::srand(42);  // the same draw: the taken name must be skipped
    const std::string second = MakeObfuscatedName(source, settings);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.substr(0, first.size() - 9), second.substr(0, second.size() - 9));
    EXPECT_EQ("someone else's file", ReadFile(first));

    // The original name comes back from the footer.
    WriteFile(source, "numbers");
    std::string path = source;
    ASSERT_EQ(0, Encrypt(path, "h", 0, 1));
    EXPECT_EQ(68u + 5, platform::FileNamePart(path).size());
    CFile::Remove(source);
    ASSERT_EQ(0, Decrypt(path));
    EXPECT_EQ(source, path);
    EXPECT_EQ("numbers", ReadFile(source));
}

TEST_F(Jobs, RefusedFilesStayAsTheyWere) {
    std::string path;
    EXPECT_EQ(-10, Encrypt(path));
    path = dir / "missing.txt";
    EXPECT_EQ(-10, Encrypt(path));
    EXPECT_EQ(-10, Decrypt(path));
    path = dir.Path() + platform::kPathSep + std::string(270 - dir.Path().size(), 'l');
    EXPECT_EQ(-19, Encrypt(path));
    EXPECT_EQ(-19, Decrypt(path));
    path = dir.Path();
    EXPECT_EQ(-9, Encrypt(path));
    EXPECT_EQ(-9, Decrypt(path));

    path = dir / "plain.txt";
    WriteFile(path, "not encrypted");
    EXPECT_EQ(-4, Decrypt(path));
    EXPECT_EQ(dir / "plain.txt", path);
    std::string enc = Encrypted("twice.txt", "data");
    const std::string encrypted = ReadFile(enc);
    EXPECT_EQ(-3, Encrypt(enc));
    EXPECT_EQ(-5, Decrypt(enc, "guess"));
    EXPECT_EQ("hint", hint);  // the stored hint comes back
    EXPECT_EQ(dir / "twice.~enc", enc);
    EXPECT_EQ((std::vector<std::string>{"plain.txt", "twice.~enc"}), ListDir(dir.Path()));
    EXPECT_EQ("not encrypted", ReadFile(dir / "plain.txt"));
    EXPECT_EQ(encrypted, ReadFile(enc));
}

TEST_F(Jobs, ReadOnlyFilesNeedTheOption) {
    std::string path = dir / "ro.txt";
    WriteFile(path, "read only");
    SetAttributes(path, kAttrReadOnly);
    EXPECT_EQ(8, Encrypt(path));
    EXPECT_EQ(std::vector<std::string>{"ro.txt"}, ListDir(dir.Path()));
    EXPECT_TRUE(Status(path).m_attribute & kAttrReadOnly);

    ASSERT_EQ(0, Encrypt(path, "h", 1));
    EXPECT_FALSE(Status(path).m_attribute & kAttrReadOnly);  // the encrypted file is writable

    CFile::Remove(dir / "ro.txt");
    SetAttributes(path, kAttrReadOnly);
    EXPECT_EQ(8, Decrypt(path));
    EXPECT_TRUE(Exists(path));
    ASSERT_EQ(0, Decrypt(path, "secret password", false, 1));
    EXPECT_EQ("read only", ReadFile(path));
    EXPECT_TRUE(Status(path).m_attribute & kAttrReadOnly);  // the plain file is read-only again
}

// Plain files are turned away after one look at the open file; the code
// must still be the one the attributes give, and nothing may change.
TEST_F(Jobs, PlainFilesGetTheCodeOfTheirAttributesFirst) {
    std::string path = dir / "ro.txt";
    WriteFile(path, "plain and read only");
    SetAttributes(path, kAttrReadOnly);
    EXPECT_EQ(8, Decrypt(path));
    EXPECT_EQ(-4, Decrypt(path, "secret password", false, 1));
    EXPECT_TRUE(Status(path).m_attribute & kAttrReadOnly);
    EXPECT_EQ(dir / "ro.txt", path);
    SetAttributes(path, 0);

    for (const std::string& content : {std::string(), std::string("<zqv>"), std::string(100, 'p')}) {
        path = dir / "plain.txt";
        WriteFile(path, content);
        EXPECT_EQ(-4, Decrypt(path)) << content;
        EXPECT_EQ(content, ReadFile(path));
    }
    EXPECT_EQ((std::vector<std::string>{"plain.txt", "ro.txt"}), ListDir(dir.Path()));
}

TEST_F(Jobs, AnExistingPlainFileIsMovedAsideOverwrittenOrKept) {
    const std::string plain = dir / "a.txt";
    std::string path = Encrypted("a.txt", "new");
    WriteFile(plain, "old");

    FileDecryptor careful(&file, 0, 0, "secret password");
    careful.failIfTargetExists = true;
    EXPECT_EQ(-8, careful.DecryptFile(path, hint));
    EXPECT_EQ((std::vector<std::string>{"a.txt", "a.~enc"}), ListDir(dir.Path()));

    ASSERT_EQ(-14, Decrypt(path));
    EXPECT_EQ(plain, path);
    EXPECT_EQ("new", ReadFile(plain));
    EXPECT_EQ("old", ReadFile(plain + ".old"));
    ASSERT_EQ(1u, messages.messages.size());
    EXPECT_EQ("The file " + plain + " already exists, Vastrel 2 will rename this file to " + plain +
                  ".old then proceed with decrypting.",
              messages.messages[0].text);
    EXPECT_EQ(platform::kMbIconInformation, messages.messages[0].style);
    EXPECT_EQ(platform::MsgOwner::None, messages.messages[0].owner);

    path = Encrypted("b.txt", "newer");
    WriteFile(dir / "b.txt", "stale");
    ASSERT_EQ(0, Decrypt(path, "secret password", true));
    EXPECT_EQ("newer", ReadFile(dir / "b.txt"));
    EXPECT_EQ((std::vector<std::string>{"a.txt", "a.txt.old", "b.txt"}), ListDir(dir.Path()));

    // Overwriting replaces files only: a folder of the name stays where it is.
    path = Encrypted("c.txt", "newest");
    testsupport::MakeDir(dir / "c.txt");
    WriteFile(dir / "c.txt" + platform::kPathSep + "inside", "the user's");
    EXPECT_EQ(-8, Decrypt(path, "secret password", true));
    EXPECT_EQ(dir / "c.~enc", path);
    EXPECT_EQ((std::vector<std::string>{"a.txt", "a.txt.old", "b.txt", "c.txt", "c.~enc"}), ListDir(dir.Path()));
    EXPECT_EQ("the user's", ReadFile(dir / "c.txt" + platform::kPathSep + "inside"));
}

TEST_F(Jobs, AFailedMoveAsideKeepsTheEncryptedFile) {
    std::string path = Encrypted("c.txt", "precious");
    const std::string encrypted = ReadFile(path);
    WriteFile(dir / "c.txt", "current");
    WriteFile(dir / "c.txt.old", "older");
    EXPECT_EQ(99, Decrypt(path));
    EXPECT_EQ(dir / "c.~enc", path);
    EXPECT_EQ(encrypted, ReadFile(path));
    EXPECT_EQ("current", ReadFile(dir / "c.txt"));
    EXPECT_EQ("older", ReadFile(dir / "c.txt.old"));
    EXPECT_EQ((std::vector<std::string>{"c.txt", "c.txt.old", "c.~enc"}), ListDir(dir.Path()));
    ASSERT_EQ(2u, messages.messages.size());
    EXPECT_EQ("Unable to write to file " + (dir / "c.txt") +
                  " please make sure this file is not opened in another process or delete this file then try again",
              messages.messages[1].text);
    EXPECT_EQ(platform::kMbIconError, messages.messages[1].style);

    // An encrypted file that carries its own stored name is never replaced.
    path = Encrypted("self.txt", "mine");
    ASSERT_TRUE(CFile::Rename(path, dir / "self.txt"));
    path = dir / "self.txt";
    const std::string before = ReadFile(path);
    EXPECT_EQ(-8, Decrypt(path));
    EXPECT_EQ(before, ReadFile(dir / "self.txt"));
}

// A stored name that reaches the encrypted file itself through another case
// of a letter beyond A-Z (Windows folds every letter, not only A-Z): the
// plain file never takes the encrypted one's place, overwriting or not.
TEST_F(Jobs, AStoredNameInAnotherCaseOfTheEncryptedFileNeverReplacesIt) {
#ifdef _WIN32
    const std::vector<std::pair<std::string, std::string>> pairs = {{"\xC9", "\xE9"}, {"\x9F", "\xFF"}, {"\x8A", "\x9A"}};
#else
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"\xC3\x89", "\xC3\xA9"}, {"\xC5\xB8", "\xC3\xBF"}, {"\xC5\xA0", "\xC5\xA1"}};
#endif
    for (bool overwrite : {false, true}) {
        for (const auto& pair : pairs) {
            const std::string upper = pair.first + "lan", lower = pair.second + "lan";
            std::string path = Encrypted(upper, "plain");  // stores the name upper
            ASSERT_TRUE(CFile::Rename(path, dir / lower));
            path = dir / lower;
            const std::string encrypted = ReadFile(path);
            const bool oneFile = Exists(dir / upper);  // the file system folds the two letters
            const int r = Decrypt(path, "secret password", overwrite);
            if (oneFile) {
                EXPECT_EQ(-8, r) << upper;
                EXPECT_EQ(encrypted, ReadFile(dir / lower)) << upper;
                EXPECT_EQ(std::vector<std::string>{lower}, ListDir(dir.Path())) << upper;
                EXPECT_TRUE(messages.messages.empty()) << upper;
            } else {
                EXPECT_EQ(0, r) << upper;
                EXPECT_EQ("plain", ReadFile(dir / upper)) << upper;
                EXPECT_EQ(std::vector<std::string>{upper}, ListDir(dir.Path())) << upper;
            }
            for (const std::string& name : ListDir(dir.Path())) CFile::Remove(dir / name);
        }
    }
}

TEST_F(Jobs, TruncatedCiphertextIsRefused) {
    for (size_t cut : {1000u, 2u}) {  // well inside the data; inside the pad only
        std::string path = Encrypted("t.txt", Data(4990));  // 4,992 bytes of ciphertext
        const std::string whole = ReadFile(path);
        const std::string damaged = whole.substr(0, 4992 - cut) + whole.substr(4992);
        WriteFile(path, damaged);
        EXPECT_EQ(-16, Decrypt(path)) << cut;
        EXPECT_EQ(damaged, ReadFile(path));
        EXPECT_EQ(std::vector<std::string>{"t.~enc"}, ListDir(dir.Path()));
        CFile::Remove(path);
    }
}

TEST_F(Jobs, StoredNamesNeverLeadOutOfTheFolder) {
    const std::string inner = dir / "inner";
    testsupport::MakeDir(inner);
    std::string path = inner + platform::kPathSep + "x.txt";
    WriteFile(path, "payload");
    ASSERT_EQ(0, Encrypt(path));
    CFile::Remove(inner + platform::kPathSep + "x.txt");

    // The same file with a stored name that climbs out of its folder.
    Vastrel2::Utils::CFileHeader header;
    ASSERT_TRUE(file.Open(path, CFile::modeRead | CFile::shareDenyNone) && header.ReadFooter(file));
    file.Close();
    CipherSettings keySettings = settings;
    std::unique_ptr<IKeyBase> key(IKeyBase::CreateKey("secret password", keySettings));
    Blowfish cipher;
    cipher.SetKey(key->GetKey(), 32);
    InitVector iv;
    ASSERT_TRUE(iv.SetFromHex(header.GetIvHex()));
    const std::string climbing = CBCMode().EncryptName(std::string("..") + platform::kPathSep + "out.txt", &cipher, iv);
    Vastrel2::Utils::CFileHeader forged(header.GetHint(), header.GetVerifier(), climbing, header.GetSize(),
                                        header.GetPad(), 3, 0, 2, 32, header.GetIvHex());
    WriteFile(path, ReadFile(path).substr(0, 16) + Vastrel2::Utils::HexEncode(header.GetVerifier(), 32) +
                        forged.BuildFooter());

    EXPECT_EQ(-16, Decrypt(path));
    EXPECT_FALSE(Exists(dir / "out.txt"));
    EXPECT_EQ(std::vector<std::string>{"x.~enc"}, ListDir(inner));
}

// Nothing is encrypted (and so shredded by the callers) that could not be
// decrypted again where it lies.
TEST_F(Jobs, OnlyWhatDecryptsWhereItLiesIsEncrypted) {
    const std::string sep(1, platform::kPathSep);
#ifndef _WIN32
    // Ordinary characters here, but no stored name may hold them.
    for (const std::string name : {"meeting 10:30.txt", "back\\slash.txt"}) {
        std::string path = dir / name;
        WriteFile(path, "kept");
        EXPECT_EQ(-18, Encrypt(path)) << name;
        EXPECT_EQ("kept", ReadFile(dir / name));
    }
#endif

    // '/' separates folders as the system's own separator does.
    testsupport::MakeDir(dir / "my.dir");
    std::string slashed = dir.Path() + "/my.dir/notes";
    WriteFile(slashed, "notes");
    ASSERT_EQ(0, Encrypt(slashed));
    EXPECT_EQ(dir / "my.dir" + sep + "notes.~enc", slashed);
    CFile::Remove(dir / "my.dir" + sep + "notes");
    ASSERT_EQ(0, Decrypt(slashed));
    EXPECT_EQ("notes", ReadFile(dir / "my.dir" + sep + "notes"));

    // The encrypted file's path must leave room for ".cipherData": 247
    // characters of "....txt" fit, 248 do not.
    const std::string base = dir.Path() + sep;
    std::string fits = base + std::string(243 - base.size(), 'f') + ".txt";
    std::string over = base + std::string(244 - base.size(), 'o') + ".txt";
    WriteFile(fits, "fits");
    WriteFile(over, "over");
    EXPECT_EQ(-19, Encrypt(over));
    EXPECT_EQ("over", ReadFile(over));
    ASSERT_EQ(0, Encrypt(fits));
    EXPECT_EQ(platform::kMaxPath - 11, fits.size());  // room for ".cipherData" exactly
    CFile::Remove(base + std::string(243 - base.size(), 'f') + ".txt");
    ASSERT_EQ(0, Decrypt(fits));

    // Relative paths are taken against the current folder, never the root.
    testsupport::CurrentFolder here(dir.Path());
    WriteFile(dir / "rel.txt", "relative");
    std::string rel = "rel.txt";
    ASSERT_EQ(0, Encrypt(rel, "h", 0, 1));
    EXPECT_EQ(base, rel.substr(0, base.size()));
    CFile::Remove(dir / "rel.txt");
    rel = platform::FileNamePart(rel);
    ASSERT_EQ(0, Decrypt(rel));
    EXPECT_EQ(dir / "rel.txt", rel);
    EXPECT_EQ("relative", ReadFile(rel));
}

TEST_F(Jobs, LinksAndTakenTemporaryNamesAreNeverWrittenThrough) {
    // A temporary file left by an interrupted run stays as it was.
    std::string path = Encrypted("y.txt", "fresh");
    WriteFile(path + ".cipherData", "left behind");
    EXPECT_EQ(-5, Decrypt(path, "wrong guess"));
    ASSERT_EQ(0, Decrypt(path));
    EXPECT_EQ("fresh", ReadFile(dir / "y.txt"));
    EXPECT_EQ("left behind", ReadFile(dir / "y.~enc.cipherData"));
    EXPECT_EQ((std::vector<std::string>{"y.txt", "y.~enc.cipherData"}), ListDir(dir.Path()));
    CFile::Remove(dir / "y.txt");
    CFile::Remove(dir / "y.~enc.cipherData");

    testsupport::TempDir outside;
    const std::string precious = outside / "out.txt";
    WriteFile(precious, "precious");
    testsupport::SymbolicLink link(precious, dir / "l.txt");
    if (!link.Made()) GTEST_SKIP() << "no symbolic links here";
    path = dir / "l.txt";
    EXPECT_EQ(-17, Encrypt(path));
    EXPECT_EQ(-17, Decrypt(path));
    EXPECT_EQ(dir / "l.txt", path);

    // A link planted where decryption puts its temporary file.
    path = Encrypted("x.txt", "payload");
    testsupport::SymbolicLink planted(precious, path + ".cipherData");
    ASSERT_TRUE(planted.Made());
    EXPECT_EQ(-5, Decrypt(path, "wrong guess"));
    ASSERT_EQ(0, Decrypt(path));
    EXPECT_EQ("payload", ReadFile(dir / "x.txt"));
    EXPECT_EQ("precious", ReadFile(precious));
    EXPECT_TRUE(platform::IsLink(dir / "x.~enc.cipherData"));
    EXPECT_EQ((std::vector<std::string>{"l.txt", "x.txt", "x.~enc.cipherData"}), ListDir(dir.Path()));
}

// A walk finds plain files; before the jobs reach them, each is replaced by a
// link to a file elsewhere, plain or encrypted. Every job refuses its link
// and nothing it leads to changes.
TEST_F(Jobs, LinksPlantedAfterTheWalkAreRefused) {
    testsupport::TempDir outside;
    const std::string precious = outside / "precious.txt";
    WriteFile(precious, "precious");
    std::string sealed = outside / "sealed.txt";
    WriteFile(sealed, "sealed");
    ASSERT_EQ(0, Encrypt(sealed));
    CFile::Remove(outside / "sealed.txt");
    const std::string sealedBytes = ReadFile(sealed);

    const std::string walked = dir / "walked";
    testsupport::MakeDir(walked);
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) WriteFile(walked + platform::kPathSep + name, "mine");
    CSADirRead walk;
    walk.pathsOnly = true;
    walk.CollectFolders(walked.c_str(), true);
    walk.CollectFiles("*.*", true, false);
    ASSERT_EQ(3u, walk.files.size());
    EXPECT_TRUE(walk.skipped.empty());

    std::map<std::string, std::string> found;  // name -> the path the walk gave
    std::vector<std::unique_ptr<testsupport::SymbolicLink>> planted;
    for (const ProjectEntry& entry : walk.files) {
        const std::string name = platform::FileNamePart(entry.path);
        found[name] = entry.path;
        CFile::Remove(entry.path);
        planted.emplace_back(new testsupport::SymbolicLink(name == "b.txt" ? sealed : precious, entry.path));
        if (!planted.back()->Made()) GTEST_SKIP() << "no symbolic links here";
    }
    EXPECT_EQ(-17, Decrypt(found["a.txt"]));  // leads to a plain file
    EXPECT_EQ(-17, Decrypt(found["b.txt"]));  // leads to an encrypted one
    EXPECT_EQ(-17, Encrypt(found["c.txt"]));
    EXPECT_EQ("precious", ReadFile(precious));
    EXPECT_EQ(sealedBytes, ReadFile(sealed));
    EXPECT_EQ((std::vector<std::string>{"precious.txt", "sealed.~enc"}), ListDir(outside.Path()));
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt", "c.txt"}), ListDir(walked));
}

// Size and pad must account for the ciphertext exactly: anything else is a
// damaged footer, and trusting it would cut the plain file short.
TEST_F(Jobs, FootersThatDisagreeWithTheCiphertextAreDamaged) {
    std::string path = Encrypted("s.txt", Data(100));  // 112 bytes of ciphertext
    const std::string whole = ReadFile(path);
    Vastrel2::Utils::CFileHeader header;
    ASSERT_TRUE(file.Open(path, CFile::modeRead | CFile::shareDenyNone) && header.ReadFooter(file));
    file.Close();
    auto forged = [&](uint64_t size, int pad) {
        Vastrel2::Utils::CFileHeader f(header.GetHint(), header.GetVerifier(), header.GetEncryptedName(), size, pad, 3,
                                       0, 2, 32, header.GetIvHex());
        return whole.substr(0, 112) + Vastrel2::Utils::HexEncode(header.GetVerifier(), 32) + f.BuildFooter();
    };
    ASSERT_EQ(whole, forged(100, 12));
    for (const auto& bad : {std::make_pair(90, 12), std::make_pair(100, 11), std::make_pair(96, 16),
                            std::make_pair(113, -1), std::make_pair(120, 12)}) {
        const std::string damaged = forged(static_cast<uint64_t>(bad.first), bad.second);
        WriteFile(path, damaged);
        EXPECT_EQ(-16, Decrypt(path)) << bad.first << " " << bad.second;
        EXPECT_EQ(damaged, ReadFile(path));
        EXPECT_EQ(std::vector<std::string>{"s.~enc"}, ListDir(dir.Path()));
    }
    WriteFile(path, whole);
    ASSERT_EQ(0, Decrypt(path));
    EXPECT_EQ(Data(100), ReadFile(path));
}

#ifndef _WIN32
TEST_F(Jobs, PermissionBitsTravelWithTheFile) {
    for (mode_t mode : {0600, 0750, 0640}) {
        std::string path = dir / "run.sh";
        WriteFile(path, "#!/bin/sh\n");
        ASSERT_EQ(0, ::chmod(path.c_str(), mode));
        ASSERT_EQ(0, Encrypt(path));
        EXPECT_EQ(mode, Status(path).m_mode) << std::oct << mode;  // the encrypted file is no more open than the plain one
        CFile::Remove(dir / "run.sh");
        ASSERT_EQ(0, Decrypt(path));
        EXPECT_EQ(mode, Status(path).m_mode) << std::oct << mode;
        CFile::Remove(path);
    }
    std::string path = Encrypted("ro.txt", "r");  // read-only: the same bits, read-only again
    ASSERT_EQ(0, ::chmod(path.c_str(), 0444));
    ASSERT_EQ(0, Decrypt(path, "secret password", false, 1));
    EXPECT_EQ(0444u, Status(path).m_mode);

    // A job that fails leaves a read-only file's permissions as they were,
    // also the write permissions of others.
    std::string plain = dir / "shared.txt", encrypted = Encrypted("shared2.txt", "s2");
    WriteFile(plain, "s");
    ASSERT_EQ(0, ::chmod(plain.c_str(), 0466));
    ASSERT_EQ(0, ::chmod(encrypted.c_str(), 0466));
    platform::WriteHook previous = platform::SetWriteHook([](const std::string&, size_t) { return false; });
    const int encryptResult = Encrypt(plain, "hint", 1);
    const int decryptResult = Decrypt(encrypted, "secret password", false, 1);
    platform::SetWriteHook(previous);
    EXPECT_EQ(-15, encryptResult);
    EXPECT_EQ(-16, decryptResult);
    EXPECT_EQ(0466u, Status(plain).m_mode);
    EXPECT_EQ(0466u, Status(encrypted).m_mode);
}

// A file-size limit makes every write past it fail, as a full disk would.
TEST_F(Jobs, FailedWritesLeaveNothingBehind) {
    const std::string data = Data(300000);
    std::string path = Encrypted("big.txt", data);
    const std::string encrypted = ReadFile(path);
    std::string plain = dir / "big2.txt";
    WriteFile(plain, data);

    signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100000;
    setrlimit(RLIMIT_FSIZE, &small);
    int encryptResult = Encrypt(plain);
    int decryptResult = Decrypt(path);
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(-15, encryptResult);
    EXPECT_EQ(dir / "big2.txt", plain);
    EXPECT_EQ(-16, decryptResult);
    EXPECT_EQ(encrypted, ReadFile(path));
    EXPECT_EQ(data, ReadFile(plain));
    EXPECT_EQ((std::vector<std::string>{"big.~enc", "big2.txt"}), ListDir(dir.Path()));
}
#endif

#ifdef _WIN32
TEST_F(Jobs, HiddenSystemAndLockedFilesAreRefused) {
    std::string path = dir / "h.txt";
    WriteFile(path, "h");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(-1, Encrypt(path));
    EXPECT_EQ(-1, Decrypt(path));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(-7, Encrypt(path));
    EXPECT_EQ(-7, Decrypt(path));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(-1, Encrypt(path, "h", 1));
    EXPECT_EQ(std::vector<std::string>{"h.txt"}, ListDir(dir.Path()));
    EXPECT_TRUE(messages.messages.empty());

    path = dir / "busy.txt";
    WriteFile(path, "busy");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(-11, Encrypt(path));
    EXPECT_EQ(-11, Decrypt(path));  // a locked file is not reported as plain
    CloseHandle(h);
    ASSERT_EQ(1u, messages.messages.size());
    EXPECT_EQ("Unable to open file " + path + "\nThe file may be in use by another process. \nFile will not be encrypted",
              messages.messages[0].text);
    EXPECT_EQ("Vastrel 2", messages.messages[0].caption);
    EXPECT_EQ(std::string::npos, ListDir(dir.Path())[0].find("~enc"));
}
#endif
