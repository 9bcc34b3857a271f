#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "cli/command_job.h"
#include "platform/file.h"
#include "tests/cli/cli_test_support.h"
#include "tests/support/test_support.h"

using Vastrel2::CommandJob;
using Vastrel2::ParseSettings;
using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class Batch : public testsupport::CleanSettingsTest {
protected:
    bool Run(const std::string& mode, const std::vector<std::string>& paths, const std::string& readOnly = "",
             const std::vector<std::string>& folders = {}) {
        ParseSettings settings;
        settings.mode = mode;
        settings.password = "secret1";
        settings.files = paths;
        settings.folders = folders;
        settings.processReadOnly = readOnly;
        clitest::ConsoleCapture capture;
        CommandJob job(&settings, logPath);
        bool ok = job.Run();
        collected = job.GetFiles();
        console = capture.Text();
        return ok;
    }
    bool Logged(const std::string& line) const { return ReadFile(logPath).find(line + "\r\r\n") != std::string::npos; }

    testsupport::TempDir dir;
    testsupport::TempDir logDir;
    const std::string logPath = logDir / "Vastrel.log";
    std::string console;
    std::vector<std::string> collected;
};

}  // namespace

TEST_F(Batch, FoldersFirstThenPathsLongerThanThree) {
    testsupport::MakeDir(dir / "sub");
    WriteFile(dir / "sub" + platform::kPathSep + "x.bin", "x");
    WriteFile(dir / "y.bin", "y");
    EXPECT_FALSE(Run("decrypt", {"c:\\", "abc", dir / "y.bin"}, "", {dir.Path()}));  // plain files do not decrypt
    std::vector<std::string> got = collected;
    std::sort(got.begin(), got.end() - 1);
    EXPECT_EQ((std::vector<std::string>{dir / "sub" + platform::kPathSep + "x.bin", dir / "y.bin", dir / "y.bin"}), got);
    EXPECT_NE(std::string::npos, console.find("\n\n0 files decrypted, 3 Failed\n"));
    EXPECT_TRUE(Logged("Decryption failed : File not encrypted"));
}

// Each failed file's lines end in a blank line, also the last file's before
// the counts, and a file that succeeds has its one line.
TEST_F(Batch, EveryFailedFileEndsInABlankLine) {
    const std::string a = dir / "a.txt", b = dir / "b.txt", c = dir / "c.txt";
    for (const std::string& path : {a, b, c}) WriteFile(path, "plain");
    ASSERT_TRUE(Run("encrypt", {b}));
    EXPECT_FALSE(Run("decrypt", {a, dir / "b.~enc", c}));
    const std::vector<std::string> lines = clitest::LogLines(ReadFile(logPath));
    ASSERT_EQ(16u, lines.size());
    EXPECT_EQ((std::vector<std::string>{"Decrypting file: " + a, "Decryption failed : File not encrypted", " ",
                                        "Decrypting file: " + dir / "b.~enc", "Decrypting file: " + c,
                                        "Decryption failed : File not encrypted", " ", "1 files decrypted, 2 Failed"}),
              std::vector<std::string>(lines.begin() + 7, lines.end() - 1));
}

TEST_F(Batch, ReadOnlyFilesFollowTheOption) {
    const std::string file = dir / "locked.txt";
    WriteFile(file, "locked");
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(file, status));
    status.m_attribute |= kAttrReadOnly;
    ASSERT_TRUE(CFile::SetStatus(file, status));

    EXPECT_FALSE(Run("encrypt", {file}, "false"));
    EXPECT_TRUE(Logged("Encryption failed : File read only"));
    EXPECT_EQ("locked", ReadFile(file));

    EXPECT_TRUE(Run("encrypt", {file}, "False"));  // only "false" exactly refuses them
    EXPECT_FALSE(Exists(file));
    EXPECT_TRUE(Exists(dir / "locked.~enc"));
}

TEST_F(Batch, DecryptionOverAnExistingFileCountsAsFailedAndLosesNothing) {
    const std::string file = dir / "report.doc";
    WriteFile(file, "the report");
    ASSERT_TRUE(Run("encrypt", {file}));
    WriteFile(file, "a newer report");

    testsupport::MessageRecorder boxes;
    EXPECT_FALSE(Run("decrypt", {dir / "report.~enc"}));
    ASSERT_EQ(1u, boxes.messages.size());
    EXPECT_EQ("Vastrel 2", boxes.messages[0].caption);
    EXPECT_TRUE(Logged("Decryption failed : File already exists and has been renamed to <filename>.old"));
    EXPECT_NE(std::string::npos, console.find("\n\n0 files decrypted, 1 Failed\n"));
    EXPECT_EQ("the report", ReadFile(file));
    EXPECT_EQ("a newer report", ReadFile(file + ".old"));
}

TEST_F(Batch, RelativePathsAreTakenAgainstTheCurrentFolder) {
    testsupport::MakeDir(dir / "sub");
    WriteFile(dir / "sub" + platform::kPathSep + "a.txt", "in a folder");
    WriteFile(dir / "b.txt", "named");
    testsupport::CurrentFolder here(dir.Path());
    ASSERT_TRUE(Run("encrypt", {"b.txt"}, "", {"sub"})) << console;
    EXPECT_NE(std::string::npos, console.find("Encrypting: " + (dir / "b.txt") + "%"));
    ASSERT_TRUE(Run("decrypt", {"b.~enc"}, "", {"sub"})) << console;
    EXPECT_EQ("named", ReadFile(dir / "b.txt"));
    EXPECT_EQ("in a folder", ReadFile(dir / "sub" + platform::kPathSep + "a.txt"));

    // A blank folder name is no folder, not even the current one.
    EXPECT_FALSE(Run("encrypt", {}, "", {" "}));
    EXPECT_NE(std::string::npos, console.find("Folder not found:  \n"));
    EXPECT_EQ("named", ReadFile(dir / "b.txt"));
}

// An original that cannot be shredded after its encryption fails the file,
// and the log says whether it is still whole or was overwritten; every
// encrypted copy holds the whole file.
TEST_F(Batch, OriginalsThatCannotBeShreddedAreLoggedAsTheyAre) {
    testsupport::MessageRecorder boxes;
    const std::string failing = dir / "failing.txt";
    WriteFile(failing, "the disk gives up");
    std::vector<std::string> originals = {failing};
    int writes = 0;
    platform::WriteHook previous = platform::SetWriteHook(
        [&](const std::string& to, size_t) { return to != failing || ++writes == 1; });
    bool done;
#ifdef _WIN32
    // Other programs hold these, each in its own way.
    const std::vector<std::pair<std::string, std::string>> held = {
        {"shared.txt", "rw"}, {"deletable.txt", "rwd"}, {"exclusive.txt", ""}, {"readonly.txt", "rw"}};
    for (const auto& [name, share] : held) {
        WriteFile(dir / name, "held " + share);
        originals.push_back(dir / name);
    }
    SetFileAttributesA((dir / "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    {
        std::vector<std::unique_ptr<testsupport::FileHolder>> holders;
        for (const auto& [name, share] : held) holders.push_back(std::make_unique<testsupport::FileHolder>(dir / name, share));
        done = Run("encrypt", originals);
    }
    EXPECT_NE(std::string::npos, console.find("\n\n1 files encrypted, 4 Failed\n")) << console;
    EXPECT_TRUE(Logged("Error : Unable to shred the original file: " + (dir / "shared.txt")));
    EXPECT_TRUE(Logged("Error : Unable to shred the original file: " + (dir / "readonly.txt")));
    EXPECT_EQ("held rw", ReadFile(dir / "shared.txt"));
    EXPECT_EQ("held rw", ReadFile(dir / "readonly.txt"));
    EXPECT_EQ("held ", ReadFile(dir / "exclusive.txt"));
    EXPECT_FALSE(Exists(dir / "deletable.txt"));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), GetFileAttributesA((dir / "readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((dir / "readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const char* name : {"shared.txt", "readonly.txt"}) ::DeleteFileA((dir / name).c_str());
#else
    done = Run("encrypt", originals);
#endif
    platform::SetWriteHook(previous);
    EXPECT_FALSE(done);
    EXPECT_TRUE(Logged("Error : The original file was overwritten but could not be removed: " + failing +
                       "; the encrypted file " + (dir / "failing.~enc") + " is the only good copy"));
    EXPECT_TRUE(Exists(failing));
    EXPECT_NE("the disk gives up", ReadFile(failing));
    CFile::Remove(failing);

    std::vector<std::string> encrypted = {dir / "failing.~enc"};
#ifdef _WIN32
    for (const char* name : {"shared", "deletable", "readonly"}) encrypted.push_back(dir / (std::string(name) + ".~enc"));
#endif
    EXPECT_TRUE(Run("decrypt", encrypted)) << console;
    EXPECT_EQ("the disk gives up", ReadFile(failing));
#ifdef _WIN32
    EXPECT_EQ("held rw", ReadFile(dir / "shared.txt"));
    EXPECT_EQ("held rwd", ReadFile(dir / "deletable.txt"));
    EXPECT_EQ("held rw", ReadFile(dir / "readonly.txt"));
#endif
}

// An original the shredder wrote to is never logged as untouched, also when
// the shredder can no longer tell where it is; the log names the encrypted
// file as the only good copy, and where the shredder left what is left. A
// refused original keeps what it had before its encryption made it writable.
TEST_F(Batch, OverwrittenOriginalsAreNeverLoggedAsUntouched) {
    testsupport::MessageRecorder boxes;
    const std::string blindAfterFirstPattern = dir / "a.txt", blindAtNewName = dir / "b.txt";
    const std::string linked = dir / "c.txt", otherName = dir / "d.txt";
    WriteFile(blindAfterFirstPattern, "alpha");
    WriteFile(blindAtNewName, "beta");
    WriteFile(linked, "gamma");
    const bool hardLinked = testsupport::MakeHardLink(linked, otherName);
#ifdef _WIN32
    const uint32_t found = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    SetFileAttributesA(linked.c_str(), found);
    auto Attributes = [&]() -> uint32_t { return GetFileAttributesA(linked.c_str()); };
#else
    const uint32_t found = 0466;  // read-only to its owner, writable by everyone else
    ::chmod(linked.c_str(), found);
    auto Attributes = [&]() -> uint32_t {
        CFileStatus status;
        return CFile::GetStatus(linked, status) ? status.m_mode : 0;
    };
#endif
    int writes = 0;
    platform::WriteHook previousWrite = platform::SetWriteHook([&](const std::string& to, size_t) {
        if (to == blindAfterFirstPattern) ++writes;
        return true;
    });
    // Its identity cannot be read once the first pattern is on the disk.
    platform::IdentityHook previousIdentity = platform::SetIdentityHook([&](const std::string& at) {
        return !(at == blindAfterFirstPattern && writes > 2) && at != dir / "A.AAA";
    });
    const bool done = Run("encrypt", {blindAfterFirstPattern, blindAtNewName, linked});
    platform::SetIdentityHook(previousIdentity);
    platform::SetWriteHook(previousWrite);

    EXPECT_FALSE(done);
    EXPECT_NE(std::string::npos, console.find("\n\n0 files encrypted, 3 Failed\n")) << console;
    const std::string overwritten = "Error : The original file was overwritten but could not be removed: ";
    EXPECT_TRUE(Logged(overwritten + blindAfterFirstPattern + "; the encrypted file " + (dir / "a.~enc") +
                       " is the only good copy"));
    EXPECT_TRUE(Logged(overwritten + blindAtNewName + "; the encrypted file " + (dir / "b.~enc") +
                       " is the only good copy; what is left of the original is now " + (dir / "A.AAA")));
    EXPECT_EQ(std::string::npos,
              ReadFile(logPath).find("Unable to shred the original file: " + blindAfterFirstPattern));
    EXPECT_NE("alpha", ReadFile(blindAfterFirstPattern));
    EXPECT_FALSE(Exists(blindAtNewName));
    if (hardLinked) {
        EXPECT_TRUE(Logged("Error : Unable to shred the original file: " + linked));
        EXPECT_EQ(found, Attributes());
        EXPECT_EQ("gamma", ReadFile(linked));
        EXPECT_EQ("gamma", ReadFile(otherName));
    }

    // The encrypted copies hold the files.
    CFile::Remove(blindAfterFirstPattern);
    EXPECT_TRUE(Run("decrypt", {dir / "a.~enc", dir / "b.~enc"})) << console;
    EXPECT_EQ("alpha", ReadFile(blindAfterFirstPattern));
    EXPECT_EQ("beta", ReadFile(blindAtNewName));
}
