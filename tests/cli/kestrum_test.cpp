#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/kestrum.h"
#include "tests/cli/cli_test_support.h"
#include "tests/support/test_support.h"

using Vastrel2::KestrumMain;
using Vastrel2::ParseSettings;

namespace {

// Runs the program's entry with a batch runner that only records.
struct Entry {
    int Run(std::vector<std::string> arguments, bool runSucceeds = true) {
        arguments.insert(arguments.begin(), "Kestrum.exe");
        std::vector<char*> argv;
        for (std::string& a : arguments) argv.push_back(&a[0]);
        clitest::ConsoleCapture capture;
        int code = KestrumMain(static_cast<int>(argv.size()), argv.data(), [&](const std::vector<ParseSettings*>& jobs) {
            ran = true;
            for (const ParseSettings* job : jobs) this->jobs.push_back(*job);
            settings = this->jobs.front();
            return runSucceeds;
        });
        console = capture.Text();
        return code;
    }
    bool ran = false;
    ParseSettings settings;  // the first job's
    std::vector<ParseSettings> jobs;
    std::string console;
};

const char* const kInvalid = "Invlaid command line. Command line must supply either /xml:path or /cl\n";

}  // namespace

TEST(Usage, ScreenByteForByte) {
    const std::string expected =
        "\n\n"
        "*************************************************************************\n"
        "*                    Vastrel 2 Command Line ver 1.0                     *\n"
        "*                                                                       *\n"
        "*************************************************************************\n"
        "\n\n"
        "Command   Argument            Description                        Required  \n"
        "_________________________________________________________________________\n"
        "\n"
        "-xml:     Path to xml file    Use an XML config file mode        required  \n"
        "-cl:      None                Use command line mode              required  \n"
        "-p:       Your password       Password must be at least 6 chars  required  \n"
        "-m:       Mode                encrypt or decrypt                 required  \n"
        "-fi:      Path to file        Process single file                required  \n"
        "-fo:      Path to folder      Process folder contents            required  \n"
        "-hint:    Password hint       A hint                             optional  \n"
        "-o:       none                Obfuscate filenames                optional  \n"
        "-r:       none                Process read only files            optional  \n"
        "-a:       Algorithm name      Encryption algorithm - Blowfish    optional  \n"
        "-ha:      Hash name           Hash algorithm - SHA256            optional  \n"
        "-cm:      Mode name           Encryption mode - CBC              optional  \n"
        "-log:     true or false       log results to file                optional  \n"
        "\n\n"
        "NOTE when adding files or folders that have spaces in the path \n"
        " or filename make sure they are surrounded by quotes i.e. \n"
        "\"my file.txt\" or \"c:\\folder\\my folder\"\n"
        "\n\n"
        "Examples:\n"
        "\n"
        "Passing an XML config file: \n"
        "Kestrum -xml:\"c:\\my config file.xml\"\n"
        "\n"
        "Using minimal command line arguments: \n"
        "Kestrum -cl -p:\"my password\" -m:encrypt -hint:\"this is my hint\" -fo:\"c:\\test\"\n"
        "\n"
        "Using extended command line arguments: \n"
        "Kestrum -cl -p:password -m:encrypt -hint:\"this is my hint\" -fi:\"c:\\filname.txt\" -fo:\"c:\\test\" "
        "-o:true -r:false -a:blowfish -ha:sha256 -cm:CBC -log:false\n"
        "\n";
    EXPECT_EQ(expected, Vastrel2::UsageText());

    Entry bare;
    EXPECT_EQ(0, bare.Run({}));
    EXPECT_EQ(expected, bare.console);
    EXPECT_FALSE(bare.ran);

    // A question mark anywhere, even inside a password, asks for the screen.
    Entry asked;
    EXPECT_EQ(0, asked.Run({"-cl", "-m:encrypt", "-p:what?ever"}));
    EXPECT_EQ(expected, asked.console);
    EXPECT_FALSE(asked.ran);
}

TEST(Entry, RoadChoiceAndWhatReachesTheRun) {
    // The words may be formed across two arguments; option values arrive
    // lowercased, except the paths natively.
    Entry split;
    EXPECT_EQ(0, split.Run({"-", "cl", "-M:Encrypt", "-P:My Secret", "-HINT:Big Hint", "-FO:/Tmp/Some Dir"}));
    ASSERT_TRUE(split.ran);
    EXPECT_EQ("encrypt", split.settings.mode);
    EXPECT_EQ("my secret", split.settings.password);
    EXPECT_EQ("big hint", split.settings.hint);
#ifdef _WIN32
    EXPECT_EQ(std::vector<std::string>{"/tmp/some dir"}, split.settings.folders);
#else
    EXPECT_EQ(std::vector<std::string>{"/Tmp/Some Dir"}, split.settings.folders);
#endif

    Entry failedRun;
    EXPECT_EQ(2, failedRun.Run({"-cl", "-m:encrypt", "-p:secret"}, false));

    // "-xml" wins over "-cl"; the job file is the first argument, and its
    // values keep their case.
    testsupport::TempDir dir;
    const std::string job = dir / "Job.xml";
    testsupport::WriteFile(job, "<project><mode>decrypt</mode><password>Secret</password></project>");
    Entry both;
    EXPECT_EQ(0, both.Run({job, "-xml", "-cl", "-p:other"}));
    ASSERT_TRUE(both.ran);
    EXPECT_EQ("Secret", both.settings.password);

    Entry capitals;
    EXPECT_EQ(-1, capitals.Run({job, "-XML"}));
    EXPECT_EQ(kInvalid, capitals.console);
}

TEST(Entry, LowercasingLeavesOtherBytesAlone) {
    EXPECT_EQ("abc xyz-09:\\", Vastrel2::LowerArgument("ABC xYz-09:\\"));
    EXPECT_EQ("caf\xc3\x89", Vastrel2::LowerArgument("CAF\xc3\x89"));
}
