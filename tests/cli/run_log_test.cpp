#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "cli/run_log.h"
#include "platform/file.h"
#include "tests/support/test_support.h"

using Vastrel2::FormatElapsed;
using Vastrel2::LogFile;

TEST(RunLog, CarriageReturnTwiceBeforeEveryLineFeedAndRewrittenWhole) {
    testsupport::TempDir dir;
    const std::string path = dir / "later" + platform::kPathSep + "Vastrel.log";
    LogFile log(path);
    log.WriteLine("first");  // its folder is not there yet: skipped, kept
    EXPECT_FALSE(log.LastWriteSucceeded());
    testsupport::MakeDir(dir / "later");
    log.WriteLine(" ");
    log.WriteLine("");
    EXPECT_TRUE(log.LastWriteSucceeded());
    EXPECT_EQ("first\r\r\n \r\r\n\r\r\n\r\n", testsupport::ReadFile(path));

    LogFile next(path);  // a later run replaces the file
    next.WriteLine("second run");
    EXPECT_EQ("second run\r\r\n\r\n", testsupport::ReadFile(path));

    const std::string beside = LogFile::DefaultPath();
    EXPECT_EQ(std::string(1, platform::kPathSep) + "Vastrel.log", beside.substr(beside.size() - 12));
}

TEST(RunLog, StartLineAndElapsedTime) {
    EXPECT_TRUE(std::regex_match(Vastrel2::StartTimeLine(),
                                 std::regex("Start Time : (0[1-9]|[12]\\d|3[01])/(0[1-9]|1[0-2])/20\\d\\d "
                                            "([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d  :  ")));
    EXPECT_EQ("00:00:00", FormatElapsed(1000, 1999));
    EXPECT_EQ("01:02:05", FormatElapsed(0, (3600 + 120 + 5) * 1000));
    EXPECT_EQ("100:00:00", FormatElapsed(5, 5 + 100u * 3600 * 1000));
    EXPECT_EQ("00:00:10", FormatElapsed(0xFFFFFFF0u, 10000 - 16));  // across the tick counter's wrap
}
