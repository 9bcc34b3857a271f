#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/command_job.h"
#include "platform/file.h"
#include "tests/cli/cli_test_support.h"
#include "tests/support/test_support.h"

using Vastrel2::CommandJob;
using Vastrel2::ParseSettings;

namespace {

class Batch : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ClearVastrelSettings(); }
    void TearDown() override { testsupport::ClearVastrelSettings(); }

    // Runs one job; console text and log lines (CR CR LF split) are kept.
    bool Run(ParseSettings settings) {
        clitest::ConsoleCapture capture;
        bool ok;
        {
            CommandJob job(&settings, LogPath());
            ok = job.Run();
            files = job.GetFiles();
        }
        console = capture.Text();
        log.clear();
        std::string text = testsupport::ReadFile(LogPath());
        for (size_t at = 0, end; (end = text.find("\r\r\n", at)) != std::string::npos; at = end + 3)
            log.push_back(text.substr(at, end - at));
        return ok;
    }
    static ParseSettings Job(const std::string& mode, const std::string& password) {
        ParseSettings s;
        s.mode = mode;
        s.password = password;
        return s;
    }
    bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }
    std::string LogPath() const { return logDir / "Vastrel.log"; }

    testsupport::TempDir dir;
    testsupport::TempDir logDir;
    std::string console;
    std::vector<std::string> log;
    std::vector<std::string> files;
};

}  // namespace

TEST_F(Batch, PasswordChecksOnlyReportButModeStopsTheRun) {
    const std::string file = dir / "a.txt";
    testsupport::WriteFile(file, "data");

    ParseSettings empty = Job("encrypt", "");
    empty.files = {file};
    EXPECT_TRUE(Run(empty));
    EXPECT_NE(std::string::npos, console.find("You must specify a password.\n"));
    EXPECT_TRUE(Logged("Error : You must specify a password."));
    EXPECT_FALSE(testsupport::Exists(file));

    // The job file road keeps case: "Encrypt" is no mode.
    testsupport::WriteFile(file, "data");
    ParseSettings capital = Job("Encrypt", "abcde");
    capital.files = {file};
    EXPECT_FALSE(Run(capital));
    EXPECT_NE(std::string::npos,
              console.find("Error : You must specify a type. i.e. encrypt or decrypt\n"
                           "Password must be at least 6 characters.\nProcess failed!\n"));
    EXPECT_TRUE(Logged("Error : Password must be at least 6 characters."));
    EXPECT_EQ("data", testsupport::ReadFile(file));
    EXPECT_TRUE(files.empty());  // nothing was even collected
}

TEST_F(Batch, CollectsFoldersThenShortPathsAreDropped) {
    testsupport::MakeDir(dir / "sub");
    testsupport::WriteFile(dir / "sub" + platform::kPathSep + "x.bin", "x");
    testsupport::WriteFile(dir / "y.bin", "y");
    ParseSettings s = Job("decrypt", "secret1");
    s.folders = {dir.Path()};
    s.files = {"c:\\", "abc", dir / "y.bin"};
    s.log = "false";
    EXPECT_FALSE(Run(s));  // plain files do not decrypt
    std::vector<std::string> expected = {dir / "sub" + platform::kPathSep + "x.bin", dir / "y.bin", dir / "y.bin"};
    std::vector<std::string> got = files;
    std::sort(got.begin(), got.end());
    EXPECT_EQ(expected, got);
    EXPECT_FALSE(testsupport::Exists(LogPath()));
    EXPECT_NE(std::string::npos, console.find("0 files decrypted, 3 Failed\n"));
    EXPECT_EQ(std::string::npos, console.find("Time: "));
    EXPECT_EQ(std::string::npos, console.find("Log file: "));
}

TEST_F(Batch, LogOffLeavesAnEarlierLogAlone) {
    testsupport::WriteFile(LogPath(), "earlier run");
    ParseSettings s = Job("encrypt", "secret1");
    s.log = "false";
    EXPECT_TRUE(Run(s));
    EXPECT_EQ("earlier run", testsupport::ReadFile(LogPath()));
    EXPECT_NE(std::string::npos, console.find("No files to process\n\n\n0 files encrypted, 0 Failed\n"));
}

TEST_F(Batch, ReadOnlyFilesFollowTheOption) {
    const std::string file = dir / "locked.txt";
    testsupport::WriteFile(file, "locked");
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(file, status));
    status.m_attribute |= kAttrReadOnly;
    ASSERT_TRUE(CFile::SetStatus(file, status));

    ParseSettings refuse = Job("encrypt", "secret1");
    refuse.files = {file};
    refuse.processReadOnly = "false";
    EXPECT_FALSE(Run(refuse));
    EXPECT_TRUE(Logged("Encryption failed : File read only"));
    EXPECT_EQ("locked", testsupport::ReadFile(file));

    ParseSettings take = Job("encrypt", "secret1");
    take.files = {file};
    EXPECT_TRUE(Run(take));
    EXPECT_FALSE(testsupport::Exists(file));
    EXPECT_TRUE(testsupport::Exists(dir / "locked.~enc"));
}

TEST_F(Batch, DecryptionOverAnExistingFileCountsAsFailed) {
    const std::string file = dir / "report.doc";
    testsupport::WriteFile(file, "the report");
    ParseSettings enc = Job("encrypt", "secret1");
    enc.files = {file};
    ASSERT_TRUE(Run(enc));
    testsupport::WriteFile(file, "a newer report");

    testsupport::MessageRecorder boxes;
    ParseSettings dec = Job("decrypt", "secret1");
    dec.files = {dir / "report.~enc"};
    EXPECT_FALSE(Run(dec));
    ASSERT_EQ(1u, boxes.messages.size());
    EXPECT_EQ("Vastrel 2", boxes.messages[0].caption);
    EXPECT_TRUE(Logged("Decryption failed : File already exists and has been renamed to <filename>.old"));
    EXPECT_NE(std::string::npos, console.find("0 files decrypted, 1 Failed\n"));
    // Nothing is lost: the restored file and the one moved aside.
    EXPECT_EQ("the report", testsupport::ReadFile(file));
    EXPECT_EQ("a newer report", testsupport::ReadFile(file + ".old"));
}
