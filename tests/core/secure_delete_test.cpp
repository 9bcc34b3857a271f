#include <gtest/gtest.h>

#include <string>

#include "core/registry_dword.h"
#include "core/secure_delete.h"
#include "platform/settings_store.h"
#include "tests/support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

using testsupport::ListDir;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class Shredder : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ClearVastrelSettings(); }
    void TearDown() override { testsupport::ClearVastrelSettings(); }

    static uint32_t StoredPasses() {
        uint32_t value = 0;
        platform::RegReadDword(platform::RegRoot::CurrentUser, kVastrelSettingsKey, "ShredPasses", value);
        return value;
    }
};

std::string Pattern(size_t size) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>('a' + i % 23);
    return data;
}

// A second name for the same file, so the bytes can be read after the shred.
bool HardLink(const std::string& existing, const std::string& link) {
#ifdef _WIN32
    return CreateHardLinkA(link.c_str(), existing.c_str(), nullptr) != 0;
#else
    return ::link(existing.c_str(), link.c_str()) == 0;
#endif
}

}  // namespace

TEST_F(Shredder, PassesComeFromTheSettingAndZeroBecomesOne) {
    {
        CSecureDelete shredder;
        EXPECT_EQ(1, shredder.GetPasses());
        EXPECT_EQ(1u, StoredPasses());
    }
    platform::RegWriteDword(platform::RegRoot::CurrentUser, kVastrelSettingsKey, "ShredPasses", 0);
    EXPECT_EQ(1, CSecureDelete().GetPasses());
    EXPECT_EQ(1u, StoredPasses());

    CSecureDelete shredder;
    shredder.SetPasses(7);
    EXPECT_EQ(7u, StoredPasses());
    EXPECT_EQ(7, CSecureDelete().GetPasses());

    shredder.SetPassCount(2);  // this object only
    EXPECT_EQ(2, shredder.GetPasses());
    EXPECT_EQ(7u, StoredPasses());
}

TEST_F(Shredder, OverwritesEveryByteThenRemovesTheFile) {
    TempDir dir;
    const std::string path = dir / "report.doc";
    const size_t size = 3 * CSecureDelete::kBlockSize + 1234;
    WriteFile(path, Pattern(size));
    if (!HardLink(path, dir / "witness")) GTEST_SKIP() << "no hard links here";

    CSecureDelete shredder;
    shredder.SetPassCount(2);
    EXPECT_TRUE(shredder.SecureDeleteFile(path));
    EXPECT_EQ(std::vector<std::string>{"witness"}, ListDir(dir.Path()));

    // What is left is the random pattern, the same in every block.
    std::string left = ReadFile(dir / "witness");
    ASSERT_EQ(size, left.size());
    EXPECT_EQ(std::string::npos, left.find("abcdefghijklmnopqrstuvw"));
    EXPECT_NE(std::string(size, '\0'), left);
    EXPECT_NE(std::string(size, '\xFF'), left);
    EXPECT_EQ(left.substr(0, CSecureDelete::kBlockSize), left.substr(CSecureDelete::kBlockSize, CSecureDelete::kBlockSize));
    EXPECT_EQ(left.substr(0, 1234), left.substr(3 * CSecureDelete::kBlockSize));
}

TEST_F(Shredder, RenamesLetterByLetterAndStopsAtATakenName) {
    TempDir dir;
    WriteFile(dir / "report.doc", "secret");
    WriteFile(dir / "CCCCCC.CCC", "bystander");  // the third rename target
    WriteFile(dir / "x.tar.gz", "archive");
    WriteFile(dir / "B.BBB.BB", "other bystander");  // dots stay where they are

    CSecureDelete shredder;
    EXPECT_TRUE(shredder.SecureDeleteFile(dir / "report.doc"));
    EXPECT_TRUE(shredder.SecureDeleteFile(dir / "x.tar.gz"));
    // Both stopped before the taken name and were deleted under the one before.
    EXPECT_EQ((std::vector<std::string>{"B.BBB.BB", "CCCCCC.CCC"}), ListDir(dir.Path()));
    EXPECT_EQ("bystander", ReadFile(dir / "CCCCCC.CCC"));
    EXPECT_EQ("other bystander", ReadFile(dir / "B.BBB.BB"));
}

TEST_F(Shredder, ReadOnlyAndEmptyFilesGoToo) {
    TempDir dir;
    const std::string readOnly = dir / "locked.txt";
    WriteFile(readOnly, "x");  // one byte: written as the last byte and as the only block
    CFileStatus st;
    ASSERT_TRUE(CFile::GetStatus(readOnly, st));
    st.m_attribute |= kAttrReadOnly;
    ASSERT_TRUE(CFile::SetStatus(readOnly, st));
    WriteFile(dir / "empty1", "");
    WriteFile(dir / "empty2", "");

    CSecureDelete shredder;
    EXPECT_TRUE(shredder.DeleteFile(readOnly));
    EXPECT_TRUE(shredder.DeleteFile(dir / "empty1"));        // removed directly
    EXPECT_TRUE(shredder.SecureDeleteFile(dir / "empty2"));  // renamed, then deleted
    EXPECT_TRUE(ListDir(dir.Path()).empty());
}

TEST_F(Shredder, FailuresAreReturnedNeverThrown) {
    TempDir dir;
    testsupport::MessageRecorder recorder;
    CSecureDelete shredder;

    // DeleteFile reports by its result and shows nothing.
    EXPECT_FALSE(shredder.DeleteFile(dir / "missing.txt"));
    EXPECT_FALSE(shredder.DeleteFile(""));
    testsupport::MakeDir(dir / "folder");
    EXPECT_FALSE(shredder.DeleteFile(dir / "folder"));
    EXPECT_TRUE(testsupport::Exists(dir / "folder"));
    std::string longPath = dir.Path() + platform::kPathSep + std::string(270 - dir.Path().size(), 'n');
    EXPECT_FALSE(shredder.DeleteFile(longPath));
    EXPECT_FALSE(shredder.SecureDeleteFile(longPath));
    EXPECT_TRUE(recorder.messages.empty());

    // SecureDeleteFile tells the user when the file cannot be opened.
    EXPECT_FALSE(shredder.SecureDeleteFile(dir / "missing.txt"));
    ASSERT_EQ(1u, recorder.messages.size());
    const std::string prefix = "An error occured while processing file: " + (dir / "missing.txt") + "\n";
    EXPECT_EQ(prefix, recorder.messages[0].text.substr(0, prefix.size()));
    EXPECT_GT(recorder.messages[0].text.size(), prefix.size() + 1);  // the system's own words follow
    EXPECT_EQ('\n', recorder.messages[0].text.back());
    EXPECT_EQ("Vastrel 2", recorder.messages[0].caption);
    EXPECT_EQ(platform::kMbIconError, recorder.messages[0].style);
}

#ifdef _WIN32
TEST_F(Shredder, HiddenAndSystemFilesAreShreddedAndLockedOnesKept) {
    TempDir dir;
    WriteFile(dir / "hidden.txt", "h");
    WriteFile(dir / "system.txt", "s");
    SetFileAttributesA((dir / "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((dir / "system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
    CSecureDelete shredder;
    EXPECT_TRUE(shredder.DeleteFile(dir / "hidden.txt"));
    EXPECT_TRUE(shredder.DeleteFile(dir / "system.txt"));
    EXPECT_TRUE(ListDir(dir.Path()).empty());

    WriteFile(dir / "busy.txt", "in use");
    HANDLE h = CreateFileA((dir / "busy.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    testsupport::MessageRecorder recorder;
    EXPECT_FALSE(shredder.DeleteFile(dir / "busy.txt"));  // cannot be opened: a plain remove, refused
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_FALSE(shredder.SecureDeleteFile(dir / "busy.txt"));
    CloseHandle(h);
    EXPECT_EQ(1u, recorder.messages.size());
    EXPECT_EQ("in use", ReadFile(dir / "busy.txt"));
}
#endif
