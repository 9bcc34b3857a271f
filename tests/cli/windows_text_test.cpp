// The format's text is code page 1252: natively the password and the hint of
// both roads are converted from UTF-8 as Windows converts typed text, and file
// names are stored in 1252 or refused, file by file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_job.h"
#include "cli/kestrum.h"
#include "core/cipher_result.h"
#include "core/file_cipher.h"
#include "tests/cli/cli_test_support.h"
#include "tests/support/test_support.h"

using Vastrel2::ParseSettings;
using testsupport::ListDir;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

#ifdef _WIN32
const std::string kCafe = "caf\xe9 \xa9 \xf6";  // the ANSI code page
#else
const std::string kCafe = "caf\xc3\xa9 \xc2\xa9 \xc3\xb6";
const std::string kOmega = "\xce\xa9mega.txt";  // Greek: not in 1252
const std::string kUndefined = "x\xef\xbf\xbd" "81";  // stands for the stored byte 0x81

// The settings that reach the run from a command line.
struct Entry {
    int Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "kestrum");
        std::vector<char*> argv;
        for (std::string& a : arguments) argv.push_back(&a[0]);
        clitest::ConsoleCapture capture;
        int code = Vastrel2::KestrumMain(static_cast<int>(argv.size()), argv.data(),
                                         [&](const std::vector<ParseSettings*>& jobs) {
                                             ran = true;
                                             settings = *jobs.front();
                                             return true;
                                         });
        console = capture.Text();
        return code;
    }
    bool ran = false;
    ParseSettings settings;
    std::string console;
};
#endif

}  // namespace

#ifndef _WIN32
TEST(WindowsText, PasswordAndHintReachTheRunInCodePage1252) {
    // The option road lowercases after the conversion, as Windows does: the
    // best fit of U+0100 is a capital A.
    Entry options;
    EXPECT_EQ(0, options.Run({"-cl", "-m:encrypt", "-P:P\xc3\xa4ssw\xc3\xb6rd \xc4\x80\xc2\xa9",
                              "-hint:\xce\xa9mega \xf0\x9f\x98\x80", "-fo:/T\xc3\xa9st"}));
    ASSERT_TRUE(options.ran);
    EXPECT_EQ("p\xe4ssw\xf6rd a\xa9", options.settings.password);
    EXPECT_EQ("omega ??", options.settings.hint);
    EXPECT_EQ(std::vector<std::string>{"/T\xc3\xa9st"}, options.settings.folders);  // paths stay the file system's

    // Job files in UTF-8, UTF-16 with a byte-order mark, and Windows-1252 as
    // declared: the same values, case kept.
    testsupport::TempDir dir;
    const std::string latin1 = "<project><password>P\xe4ssw\xf6rd</password><hint>\xe9 \xf6 \xa9</hint></project>";
    std::string utf16 = "\xff\xfe";
    for (char c : latin1) utf16 += std::string{c, '\0'};  // Latin-1 letters are their own UTF-16 units
    for (const std::string& job : {std::string("<project><password>P\xc3\xa4ssw\xc3\xb6rd</password>"
                                               "<hint>\xc3\xa9 \xc3\xb6 \xc2\xa9</hint></project>"),
                                   utf16, "<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + latin1}) {
        WriteFile(dir / "job.xml", job);
        Entry file;
        EXPECT_EQ(0, file.Run({dir / "job.xml", "-xml"}));
        ASSERT_TRUE(file.ran) << file.console;
        EXPECT_EQ("P\xe4ssw\xf6rd", file.settings.password);
        EXPECT_EQ("\xe9 \xf6 \xa9", file.settings.hint);
    }

    // Bytes that are not UTF-8 make no password.
    Entry invalid;
    EXPECT_EQ(2, invalid.Run({"-cl", "-m:encrypt", "-p:secret\xff\xfe", "-fo:/tmp"}));
    EXPECT_FALSE(invalid.ran);
    EXPECT_EQ("The password is not valid UTF-8 text.\n", invalid.console);
}
#endif

class WindowsTextNames : public testsupport::CleanSettingsTest {};

// Names round trip through the format; a name 1252 cannot hold is refused for
// that file alone, which is counted as failed and left as it was.
TEST_F(WindowsTextNames, StoredInCodePage1252OrRefusedFileByFile) {
    testsupport::TempDir dir, logDir;
    WriteFile(dir / (kCafe + ".txt"), "caf\xe9\r\n");
#ifndef _WIN32
    WriteFile(dir / kOmega, "omega");
    WriteFile(dir / (kUndefined + ".txt"), "undefined");
#endif
    const std::vector<std::string> before = ListDir(dir.Path());

    ParseSettings settings;
    settings.password = "p\xe4ssw\xf6rd";  // as it reaches the run
    settings.hint = "\xe9 \xf6 \xa9";
    settings.folders = {dir.Path()};
    settings.log = "false";
    settings.mode = "encrypt";
    {
        clitest::ConsoleCapture capture;
        Vastrel2::CommandJob job(&settings, logDir / "Vastrel.log");
#ifdef _WIN32
        EXPECT_TRUE(job.Run());
        EXPECT_NE(std::string::npos, capture.Text().find("1 files encrypted, 0 Failed"));
#else
        EXPECT_FALSE(job.Run());
        EXPECT_NE(std::string::npos, capture.Text().find("\nNot encrypted: the name of " + (dir / kOmega) +
                                                          " holds characters that Windows-1252 cannot store. "
                                                          "The file is left as it is.\n"));
        EXPECT_NE(std::string::npos, capture.Text().find("2 files encrypted, 1 Failed"));
        EXPECT_EQ("omega", ReadFile(dir / kOmega));
        EXPECT_EQ((std::vector<std::string>{kCafe + ".~enc", kUndefined + ".~enc", kOmega}), ListDir(dir.Path()));

        // The job itself refuses such a name too, and writes nothing.
        Vastrel2::CIPHER::FileEncryptor encryptor(nullptr, 1, 0, settings.password, nullptr);
        std::string path = dir / kOmega;
        EXPECT_EQ(Vastrel2::CIPHER::CipherResult::kEncryptFailed, encryptor.EncryptFile(path, settings.hint));
        EXPECT_EQ((std::vector<std::string>{kCafe + ".~enc", kUndefined + ".~enc", kOmega}), ListDir(dir.Path()));
#endif
    }

    settings.mode = "decrypt";
    settings.folders.clear();
    settings.files = {dir / (kCafe + ".~enc")};
#ifndef _WIN32
    settings.files.push_back(dir / (kUndefined + ".~enc"));
#endif
    clitest::ConsoleCapture capture;
    Vastrel2::CommandJob job(&settings, logDir / "Vastrel.log");
    EXPECT_TRUE(job.Run()) << capture.Text();
    EXPECT_EQ(before, ListDir(dir.Path()));
    EXPECT_EQ("caf\xe9\r\n", ReadFile(dir / (kCafe + ".txt")));
#ifndef _WIN32
    EXPECT_EQ("undefined", ReadFile(dir / (kUndefined + ".txt")));
#endif
}
