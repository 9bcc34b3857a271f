#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/parse.h"
#include "tests/cli/cli_test_support.h"
#include "tests/support/test_support.h"

using Vastrel2::JobFileError;
using Vastrel2::ParseSettings;
using Vastrel2::StringParser;
using Vastrel2::XMLParser;
using Strings = std::vector<std::string>;

TEST(OptionParser, ValidateLooksOnlyForThePasswordAndModeKeys) {
    clitest::ConsoleCapture console;
    Strings noPassword = {"-cl", "-m:encrypt", "-hint:same as -p: at work"};  // a key inside a value is no option
    EXPECT_FALSE(StringParser(&noPassword).Validate());
    Strings noMode = {"-cl", "-p:secret", "x-m:encrypt"};
    EXPECT_FALSE(StringParser(&noMode).Validate());
    EXPECT_EQ("No password specified i.e -m:password\nNo cipher mode specified i.e -m:encrypt\n", console.Text());

    console.Clear();
    Strings empty = {"-cl", "-p:", "-m:"};  // empty values pass
    EXPECT_TRUE(StringParser(&empty).Validate());
    EXPECT_EQ("", console.Text());
}

TEST(OptionParser, OptionsAreKnownByTheirStartAndLaterValuesReplace) {
    Strings arguments = {"-cl", "-m:encrypt", "-p:first", "-p:secret1", "-hint:my hint", "-fi:c:\\a.txt", "-fo:one",
                         "-fo:two", "-o:true", "-r:false", "-a:blowfish", "-ha:sha256", "-cm:cbc", "-log:false",
                         "stray", "x-m:decrypt", "-hint:same as -p: at work", "-fi:c:\\-m:\\b.txt"};
    StringParser parser(&arguments);
    parser.ReadSettings();
    const ParseSettings& s = *parser.GetSettings();
    EXPECT_EQ("encrypt", s.mode);
    EXPECT_EQ("secret1", s.password);
    EXPECT_EQ("same as -p: at work", s.hint);
    EXPECT_EQ((Strings{"c:\\a.txt", "c:\\-m:\\b.txt"}), s.files);
    EXPECT_EQ((Strings{"one", "two"}), s.folders);
    EXPECT_EQ("true", s.obfuscate);
    EXPECT_EQ("false", s.processReadOnly);
    EXPECT_EQ("blowfish", s.algorithm);
    EXPECT_EQ("sha256", s.hash);
    EXPECT_EQ("cbc", s.cipherMode);
    EXPECT_EQ("false", s.log);
}

class JobFile : public ::testing::Test {
protected:
    // The settings of every job the file holds.
    std::vector<ParseSettings> Jobs(const std::string& xml) {
        testsupport::WriteFile(path, xml);
        Strings arguments = {path, "-xml"};
        XMLParser parser(&arguments, &arguments);
        EXPECT_TRUE(parser.Validate());
        parser.ReadSettings();
        std::vector<ParseSettings> jobs;
        for (const ParseSettings* job : parser.GetJobs()) jobs.push_back(*job);
        EXPECT_EQ(jobs.front().password, parser.GetSettings()->password);
        return jobs;
    }
    ParseSettings Read(const std::string& xml) {
        std::vector<ParseSettings> jobs = Jobs(xml);
        EXPECT_EQ(1u, jobs.size());
        return jobs.front();
    }
    std::string Failure(const std::string& xml) {
        try {
            Read(xml);
        } catch (const JobFileError& e) {
            return e.what();
        }
        return "(read)";
    }
    testsupport::TempDir dir;
    const std::string path = dir / "job file.xml";
    const std::string prefix = "Unable to open XML file \"" + path + "\": ";
};

TEST_F(JobFile, EveryProjectAtAnyDepthIsAJobOfItsOwnInDocumentOrder) {
    std::vector<ParseSettings> jobs = Jobs(
        "<?xml version=\"1.0\"?>\n<jobs>\n"
        "  <project>\n    <mode>encrypt</mode>\n    <password>first pass</password>\n    <hint>a &amp; b</hint>\n"
        "    <file>c:\\one.txt</file>\n    <folder>c:\\F1</folder>\n    <unknown><b>ignored</b></unknown>\n"
        "    <Mode>ignored: names are exact</Mode>\n  </project>\n"
        "  <group><deeper><project>\n      <password>Second Pass</password>\n      <file>c:\\two.txt</file>\n"
        "      <folder>c:\\F2</folder><obfuscate>True</obfuscate><processreadonly>false</processreadonly>\n"
        "      <logresults>False</logresults><hash>sha256</hash><ciphermode>CBC</ciphermode>"
        "<algorithm>blowfish</algorithm>\n  </project></deeper></group>\n"
        "  <PROJECT><mode>decrypt</mode></PROJECT>\n</jobs>\n");
    ASSERT_EQ(2u, jobs.size());
    EXPECT_EQ("encrypt", jobs[0].mode);
    EXPECT_EQ("first pass", jobs[0].password);
    EXPECT_EQ("a & b", jobs[0].hint);
    EXPECT_EQ(Strings{"c:\\one.txt"}, jobs[0].files);
    EXPECT_EQ(Strings{"c:\\F1"}, jobs[0].folders);
    EXPECT_EQ("", jobs[0].obfuscate);
    const ParseSettings& s = jobs[1];  // nothing of the first project reaches the second
    EXPECT_EQ("", s.mode);
    EXPECT_EQ("", s.hint);
    EXPECT_EQ("Second Pass", s.password);
    EXPECT_EQ(Strings{"c:\\two.txt"}, s.files);
    EXPECT_EQ(Strings{"c:\\F2"}, s.folders);
    EXPECT_EQ("True", s.obfuscate);
    EXPECT_EQ("false", s.processReadOnly);
    EXPECT_EQ("False", s.log);
    EXPECT_EQ("sha256", s.hash);
    EXPECT_EQ("CBC", s.cipherMode);
    EXPECT_EQ("blowfish", s.algorithm);

    // The root itself, nesting, empty and blank elements, and the first
    // child only.
    jobs = Jobs("<project><hint/><password>  </password><mode> encrypt\n</mode><file>a <!-- c --> b</file>"
                "<project><mode>decrypt</mode></project></project>");
    ASSERT_EQ(2u, jobs.size());
    EXPECT_EQ(" ", jobs[0].hint);
    EXPECT_EQ(" ", jobs[0].password);
    EXPECT_EQ(Strings{"a "}, jobs[0].files);
    EXPECT_EQ("decrypt", jobs[1].mode);
    EXPECT_EQ("", Read("<jobs><job><mode>encrypt</mode></job></jobs>").mode);  // no project: one empty job
}

TEST_F(JobFile, FailuresNameTheFileAndTheReason) {
    for (const char* broken : {"this is not xml", "", "<project><mode>encrypt</project>"}) {
        std::string line = Failure(broken);
        EXPECT_EQ(0u, line.find(prefix)) << line;
        EXPECT_GT(line.size(), prefix.size());
    }
    EXPECT_EQ(prefix + "the element \"password\" does not hold text",
              Failure("<project><password><b>x</b></password></project>"));
    EXPECT_EQ(prefix + "the element \"mode\" does not hold text", Failure("<project><mode><![CDATA[x]]></mode></project>"));
    EXPECT_EQ(prefix + "the file is larger than 16 MB",
              Failure("<project>" + std::string(XMLParser::kMaxJobFileSize, ' ') + "</project>"));

    Strings folder = {dir.Path(), "-xml"};
    XMLParser parser(&folder);
    EXPECT_THROW(parser.ReadSettings(), JobFileError);
}
