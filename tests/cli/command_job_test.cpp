#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/command_job.h"
#include "core/file_cipher.h"
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
        settings.password = password;
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

    std::string password = "secret1";
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
    const std::string sep(1, platform::kPathSep);
    testsupport::MakeDir(dir / "sub");
    WriteFile(dir / "sub" + sep + "a.txt", "in a folder");
    WriteFile(dir / "b.txt", "named");
    testsupport::CurrentFolder here(dir.Path());
    ASSERT_TRUE(Run("encrypt", {"b.txt"}, "", {"sub"})) << console;
    EXPECT_NE(std::string::npos, console.find("Encrypting: " + (dir / "sub") + sep + "a.txt%"));
    EXPECT_NE(std::string::npos, console.find("Encrypting: " + (dir / "b.txt") + "%"));
    EXPECT_EQ((std::vector<std::string>{"b.~enc", "sub"}), testsupport::ListDir(dir.Path()));

    ASSERT_TRUE(Run("decrypt", {"b.~enc"}, "", {"sub"})) << console;
    EXPECT_EQ("named", ReadFile(dir / "b.txt"));
    EXPECT_EQ("in a folder", ReadFile(dir / "sub" + sep + "a.txt"));

    // A blank folder name is no folder, not even the current one.
    EXPECT_FALSE(Run("encrypt", {}, "", {" "}));
    EXPECT_NE(std::string::npos, console.find("Folder not found:  \n"));
    EXPECT_EQ("named", ReadFile(dir / "b.txt"));
}

TEST_F(Batch, ShortPasswordsEncryptNothingYetStillDecrypt) {
    const std::string file = dir / "a.txt";
    WriteFile(file, "plain");
    for (const char* shortOne : {"", "12345"}) {
        password = shortOne;
        EXPECT_FALSE(Run("encrypt", {file}));
        const std::string reason = password.empty() ? "You must specify a password." : "Password must be at least 6 characters.";
        EXPECT_NE(std::string::npos, console.find(reason + "\nProcess failed!\n")) << console;
        EXPECT_EQ(std::string::npos, console.find("Encrypting"));
        EXPECT_TRUE(Logged("Error : Process failed!"));
        EXPECT_EQ(std::vector<std::string>{"a.txt"}, testsupport::ListDir(dir.Path()));
    }

    // A file that an older program encrypted under such a password.
    std::string path = file;
    CFile work;
    ASSERT_EQ(0, Vastrel2::CIPHER::FileEncryptor(&work, 1, 0, "12345", nullptr).EncryptFile(path, "h"));
    ASSERT_TRUE(CFile::Remove(file));
    EXPECT_TRUE(Run("decrypt", {path}));
    EXPECT_NE(std::string::npos, console.find("Password must be at least 6 characters.\n"));
    EXPECT_EQ(std::string::npos, console.find("Process failed!"));
    EXPECT_EQ("plain", ReadFile(file));
}

TEST_F(Batch, FoldersTooDeepToListFailTheRun) {
    const std::string sep(1, platform::kPathSep);
    std::string tooDeep;
    const std::string listable = testsupport::MakeFoldersPastThePathLimit(dir.Path(), tooDeep);
    WriteFile(listable + sep + "f.txt", "f");
    EXPECT_FALSE(Run("encrypt", {}, "", {dir.Path()}));
    EXPECT_NE(std::string::npos, console.find("Folder too deep for the path limit: " + tooDeep + "\n"));
    EXPECT_NE(std::string::npos, console.find("\n\n1 files encrypted, 1 Failed\n"));
    EXPECT_TRUE(Logged("Error : Folder too deep for the path limit: " + tooDeep));
}

TEST_F(Batch, LinksAreSkippedAndALinkNamedDirectlyIsRefused) {
    const std::string sep(1, platform::kPathSep);
    testsupport::TempDir outside;
    const std::string precious = outside / "out.txt";
    WriteFile(precious, "precious");
    WriteFile(dir / "own.txt", "own");
    const std::string link = dir / "l.txt";
    testsupport::SymbolicLink made(precious, link);
    if (!made.Made()) GTEST_SKIP() << "no symbolic links here";

    const std::string note = "Skipped link (links are not followed): " + link;
    EXPECT_TRUE(Run("encrypt", {}, "", {dir.Path()})) << console;
    EXPECT_NE(std::string::npos, console.find(note + "\n"));
    EXPECT_NE(std::string::npos, console.find("\n\n1 files encrypted, 0 Failed\n"));
    EXPECT_TRUE(Logged("Warning : " + note));
    EXPECT_EQ((std::vector<std::string>{"l.txt", "own.~enc"}), testsupport::ListDir(dir.Path()));

    EXPECT_FALSE(Run("encrypt", {link}));
    EXPECT_NE(std::string::npos, console.find(note + "\n"));
    EXPECT_NE(std::string::npos, console.find("\n\n0 files encrypted, 1 Failed\n"));
    EXPECT_TRUE(Logged("Error : " + note));
    EXPECT_EQ("precious", ReadFile(precious));
    EXPECT_TRUE(platform::IsLink(link));
}

TEST_F(Batch, JobsSharingALogLeaveAllTheirLinesInIt) {
    WriteFile(dir / "a.txt", "a");
    Vastrel2::LogFile log(logPath);
    ParseSettings first, second;
    first.mode = "encrypt";
    first.password = "first password";
    first.files = {dir / "a.txt"};
    second.mode = "decrypt";
    second.password = "first password";
    second.files = {dir / "a.~enc"};
    clitest::ConsoleCapture capture;
    EXPECT_TRUE(CommandJob(&first, log).Run());
    EXPECT_TRUE(CommandJob(&second, log).Run());
    const std::string text = ReadFile(logPath);
    EXPECT_NE(std::string::npos, text.find("1 files encrypted, 0 Failed\r\r\n"));
    EXPECT_NE(std::string::npos, text.find("1 files decrypted, 0 Failed\r\r\n"));
    EXPECT_LT(text.find("Encrypting file: "), text.find("Decrypting file: "));
    EXPECT_EQ("a", ReadFile(dir / "a.txt"));
}
