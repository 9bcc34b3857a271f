// Runs of the real console program that share one log: a copy of the
// program in a folder of its own, a long run, and short runs that start and
// end while the long one writes its log.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/file_cipher.h"
#include "platform/file.h"
#include "tests/cli/cli_test_support.h"
#include "tests/cli/process_runner.h"
#include "tests/support/test_support.h"

namespace {

const std::string kSep(1, platform::kPathSep), kStars(42, '*');

class SharedLog : public testsupport::CleanSettingsTest {
protected:
    void SetUp() override {
        CleanSettingsTest::SetUp();
        std::string source = KESTRUM_PROGRAM;
#ifdef _WIN32
        if (source[0] == '/') source = "Z:" + std::regex_replace(source, std::regex("/"), "\\");
#endif
        ASSERT_TRUE(clitest::CopyFileBytes(source, program)) << source;
        for (const char* folder : {"short", "long"}) testsupport::MakeDir(data / folder);
        for (int i = 0; i < 250; ++i) testsupport::WriteFile(data / "long" + kSep + std::to_string(i), "x");
        testsupport::WriteFile(data / "short" + kSep + "a", "a");
    }

    // Plain files are refused, each with three lines of the log.
    clitest::ProcessResult Decrypt(std::vector<std::string> paths) {
        paths.insert(paths.begin(), {"-cl", "-m:decrypt", "-p:password1"});
        return clitest::RunProgram(program, paths);
    }

    // A long run over the files of "long", `rounds` times over, and at last
    // over one encrypted file; three short runs one after another once it
    // logs. False when it reached its last file before they all ended.
    bool LongRunEndsLast(int rounds) {
        const std::string plain = data / ("last" + std::to_string(rounds));
        std::string encrypted = plain, hint;
        testsupport::WriteFile(plain, "last");
        CFile work;
        EXPECT_EQ(0, Vastrel2::CIPHER::FileEncryptor(&work, 1, 0, "password1", nullptr).EncryptFile(encrypted, hint));
        CFile::Remove(plain);
        std::vector<std::string> paths(rounds, "-fo:" + (data / "long"));
        paths.push_back("-fi:" + encrypted);
        std::string printed;
        std::thread longRun([&] { printed = Decrypt(paths).out; });
        for (int i = 0; i < 5000 && testsupport::ReadFile(logPath).find(kSep + "long" + kSep) == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(2, Decrypt({"-fo:" + (data / "short")}).exitCode);
        const bool endsLast = testsupport::Exists(encrypted);
        longRun.join();
        if (!endsLast) return false;

        // The log is the long run's, every line once and in order, nothing
        // between them or after them, and nothing else is left beside it.
        std::vector<std::string> expected = {kStars, "*             Vastrel 2 - CLP            *", kStars, " ", "Start", " ", " "};
        const std::regex entry("Decrypting: ([^%\r\n]+)%\r");
        for (std::sregex_iterator it(printed.begin(), printed.end(), entry), end; it != end; ++it) {
            expected.push_back("Decrypting file: " + (*it)[1].str());
            if (it->str().find(".~enc") == std::string::npos)
                expected.insert(expected.end(), {"Decryption failed : File not encrypted", " "});
        }
        expected.insert(expected.end(), {"1 files decrypted, " + std::to_string(250 * rounds) + " Failed", "Time"});
        std::vector<std::string> lines = clitest::LogLines(testsupport::ReadFile(logPath));
        const std::regex times("^(Start) Time : [0-9/]{10} [0-9:]{8}  :  $|^(Time): [0-9:]{8}$");
        for (std::string& line : lines) line = std::regex_replace(line, times, "$1$2");
        const auto differ = std::mismatch(lines.begin(), lines.end(), expected.begin(), expected.end());
        EXPECT_TRUE(differ.first == lines.end() && differ.second == expected.end())
            << "line " << differ.first - lines.begin() << " of " << lines.size() << ": \""
            << (differ.first == lines.end() ? "" : differ.first->substr(0, 100)) << "\"";
        EXPECT_EQ(2u, testsupport::ListDir(bin.Path()).size());
        return true;
    }

    testsupport::TempDir bin, data;
#ifdef _WIN32
    const std::string program = bin / "Kestrum.exe";
#else
    const std::string program = bin / "kestrum";
#endif
    const std::string logPath = bin / "Vastrel.log";
};

}  // namespace

// However the runs of one program folder overlap, the log holds every line
// of the run that ended last, with the bytes of a log written whole.
TEST_F(SharedLog, TheRunThatEndsLastLeavesEveryLineOfItsOwn) {
    for (int rounds = 8; !LongRunEndsLast(rounds); rounds *= 4)
        ASSERT_LT(rounds, 128) << "the long run ended before the short runs did";
}
