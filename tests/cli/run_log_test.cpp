#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "cli/run_log.h"
#include "platform/file.h"
#include "tests/support/test_support.h"

using Vastrel2::FormatElapsed;
using Vastrel2::LogFile;

TEST(RunLog, EveryLineEndsInCarriageReturnTwiceThenLineFeed) {
    testsupport::TempDir dir;
    LogFile log(dir / "Vastrel.log");
    EXPECT_FALSE(testsupport::Exists(log.GetPath()));  // made by the first line only

    log.WriteLine("first");
    EXPECT_EQ("first\r\r\n\r\n", testsupport::ReadFile(log.GetPath()));
    log.WriteLine(" ");
    log.WriteLine("");
    EXPECT_EQ("first\r\r\n \r\r\n\r\r\n\r\n", testsupport::ReadFile(log.GetPath()));
    EXPECT_EQ("first\r\n \r\n\r\n", log.GetBuffer());

    // A later log of the same path replaces the file with its own run.
    LogFile next(dir / "Vastrel.log");
    next.WriteLine("second run");
    EXPECT_EQ("second run\r\r\n\r\n", testsupport::ReadFile(next.GetPath()));
}

TEST(RunLog, UnwritableFileIsSkippedAndCaughtUpLater) {
    testsupport::TempDir dir;
    const std::string folder = dir / "later";
    LogFile log(folder + platform::kPathSep + "Vastrel.log");
    log.WriteLine("one");  // the folder does not exist yet
    EXPECT_FALSE(log.LastWriteSucceeded());
    EXPECT_FALSE(testsupport::Exists(log.GetPath()));

    testsupport::MakeDir(folder);
    log.WriteLine("two");
    EXPECT_TRUE(log.LastWriteSucceeded());
    EXPECT_EQ("one\r\r\ntwo\r\r\n\r\n", testsupport::ReadFile(log.GetPath()));
}

TEST(RunLog, LivesNextToTheProgram) {
    std::string path = LogFile::DefaultPath();
    ASSERT_GT(path.size(), 12u);
    EXPECT_EQ(std::string(1, platform::kPathSep) + "Vastrel.log", path.substr(path.size() - 12));
    EXPECT_EQ(path, LogFile().GetPath());
}

TEST(RunLog, StartLineDayFirst) {
    std::string line = Vastrel2::StartTimeLine();
    EXPECT_TRUE(std::regex_match(line, std::regex("Start Time : (0[1-9]|[12][0-9]|3[01])/(0[1-9]|1[0-2])/20[0-9]{2} "
                                                  "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]  :  ")))
        << line;
}

TEST(RunLog, ElapsedTime) {
    EXPECT_EQ("00:00:00", FormatElapsed(1000, 1999));
    EXPECT_EQ("01:02:05", FormatElapsed(0, (3600 + 120 + 5) * 1000));
    EXPECT_EQ("100:00:00", FormatElapsed(5, 5 + 100u * 3600 * 1000));
    EXPECT_EQ("00:00:03", FormatElapsed(0xFFFFF000u, 0xFFFFF000u + 3000));  // across the tick counter's wrap
    EXPECT_EQ("00:00:10", FormatElapsed(0xFFFFFFF0u, 10000 - 16));
}
