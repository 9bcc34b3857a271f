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

namespace {

ParseSettings ReadOptions(const std::vector<std::string>& arguments) {
    StringParser parser(&arguments);
    parser.ReadSettings();
    return *parser.GetSettings();
}

}  // namespace

TEST(OptionParser, ValidateNeedsPasswordThenMode) {
    clitest::ConsoleCapture console;
    std::vector<std::string> none = {"-cl", "-m:encrypt"};
    EXPECT_FALSE(StringParser(&none).Validate());
    EXPECT_EQ("No password specified i.e -m:password\n", console.Text());

    console.Clear();
    std::vector<std::string> noMode = {"-cl", "-p:secret"};
    EXPECT_FALSE(StringParser(&noMode).Validate());
    EXPECT_EQ("No cipher mode specified i.e -m:encrypt\n", console.Text());

    // Only the keys are looked for: empty values, and keys inside other
    // words, pass.
    console.Clear();
    std::vector<std::string> empty = {"-cl", "x-p:", "-m:"};
    EXPECT_TRUE(StringParser(&empty).Validate());
    EXPECT_EQ("", console.Text());
}

TEST(OptionParser, FillsEveryField) {
    ParseSettings s = ReadOptions({"-cl", "-m:encrypt", "-p:secret1", "-hint:my hint", "-fi:c:\\a.txt", "-fo:c:\\dir",
                                   "-o:true", "-r:false", "-a:blowfish", "-ha:sha256", "-cm:cbc", "-log:false"});
    EXPECT_EQ("encrypt", s.mode);
    EXPECT_EQ("secret1", s.password);
    EXPECT_EQ("my hint", s.hint);
    EXPECT_EQ(std::vector<std::string>{"c:\\a.txt"}, s.files);
    EXPECT_EQ(std::vector<std::string>{"c:\\dir"}, s.folders);
    EXPECT_EQ("true", s.obfuscate);
    EXPECT_EQ("false", s.processReadOnly);
    EXPECT_EQ("blowfish", s.algorithm);
    EXPECT_EQ("sha256", s.hash);
    EXPECT_EQ("cbc", s.cipherMode);
    EXPECT_EQ("false", s.log);
}

TEST(OptionParser, KeyOrderRepeatsAndStrayWords) {
    // The earlier key of the list wins: a hint holding "-p:" is a password,
    // cut by the length of "-p:" from the front of the whole argument.
    ParseSettings s = ReadOptions({"-hint:a-p:b", "-p:first", "-p:second", "stray", "-fo:one", "-fo:two", "-fi:c:\\",
                                   "x-m:decrypt"});
    EXPECT_EQ("second", s.password);
    EXPECT_EQ("", s.hint);
    EXPECT_EQ((std::vector<std::string>{"one", "two"}), s.folders);
    EXPECT_EQ(std::vector<std::string>{"c:\\"}, s.files);  // dropped later, by the run
    EXPECT_EQ(":decrypt", s.mode);

    ParseSettings hinted = ReadOptions({"-hint:a-p:b"});
    EXPECT_EQ("nt:a-p:b", hinted.password);
}

TEST(OptionParser, PathsComeFromTheArgumentsAsTypedWhereCaseCounts) {
    std::vector<std::string> lowered = {"-cl", "-fo:/data/photos", "-fi:/data/a.txt", "-p:secret"};
    std::vector<std::string> typed = {"-cl", "-FO:/Data/Photos", "-fi:/Data/A.txt", "-p:Secret"};
    StringParser parser(&lowered, &typed);
    parser.ReadSettings();
    const ParseSettings& s = *parser.GetSettings();
    EXPECT_EQ("secret", s.password);
#ifdef _WIN32
    EXPECT_EQ(std::vector<std::string>{"/data/photos"}, s.folders);
    EXPECT_EQ(std::vector<std::string>{"/data/a.txt"}, s.files);
#else
    EXPECT_EQ(std::vector<std::string>{"/Data/Photos"}, s.folders);
    EXPECT_EQ(std::vector<std::string>{"/Data/A.txt"}, s.files);
#endif
}

class JobFile : public ::testing::Test {
protected:
    // Writes the job file and reads it through the parser.
    ParseSettings Read(const std::string& xml) {
        testsupport::WriteFile(Path(), xml);
        std::vector<std::string> arguments = {Path(), "-xml"};
        XMLParser parser(&arguments, &arguments);
        EXPECT_TRUE(parser.Validate());
        parser.ReadSettings();
        return *parser.GetSettings();
    }
    // The one line of a job file that cannot be read.
    std::string Failure(const std::string& xml) {
        try {
            Read(xml);
        } catch (const JobFileError& e) {
            return e.what();
        }
        return "(read without error)";
    }
    std::string Path() const { return dir / "job file.xml"; }
    testsupport::TempDir dir;
};

TEST_F(JobFile, ValidateNeedsAnExistingPath) {
    clitest::ConsoleCapture console;
    std::vector<std::string> arguments = {"-xml:" + Path()};
    testsupport::WriteFile(Path(), "<project/>");
    EXPECT_FALSE(XMLParser(&arguments).Validate());
    EXPECT_EQ("Invalid path to configuration file.\n", console.Text());

    std::vector<std::string> named = {Path(), "-xml"};
    EXPECT_TRUE(XMLParser(&named).Validate());
}

TEST_F(JobFile, ReadsEveryProjectAtAnyDepthInDocumentOrder) {
    ParseSettings s = Read(
        "<?xml version=\"1.0\"?>\n"
        "<jobs>\n"
        "  <project>\n"
        "    <mode>encrypt</mode>\n"
        "    <password>first pass</password>\n"
        "    <hint>a &amp; b</hint>\n"
        "    <file>c:\\one.txt</file>\n"
        "    <folder>c:\\F1</folder>\n"
        "    <unknown>ignored</unknown>\n"
        "    <Mode>ignored: names are exact</Mode>\n"
        "  </project>\n"
        "  <group><deeper>\n"
        "    <project>\n"
        "      <password>Second Pass</password>\n"
        "      <file>c:\\two.txt</file>\n"
        "      <folder>c:\\F2</folder>\n"
        "      <obfuscate>True</obfuscate>\n"
        "      <processreadonly>false</processreadonly>\n"
        "      <logresults>False</logresults>\n"
        "      <hash>sha256</hash><ciphermode>CBC</ciphermode><algorithm>blowfish</algorithm>\n"
        "    </project>\n"
        "  </deeper></group>\n"
        "  <PROJECT><mode>decrypt</mode></PROJECT>\n"
        "</jobs>\n");
    EXPECT_EQ("encrypt", s.mode);
    EXPECT_EQ("Second Pass", s.password);  // later elements replace, case kept
    EXPECT_EQ("a & b", s.hint);
    EXPECT_EQ((std::vector<std::string>{"c:\\one.txt", "c:\\two.txt"}), s.files);
    EXPECT_EQ((std::vector<std::string>{"c:\\F1", "c:\\F2"}), s.folders);
    EXPECT_EQ("True", s.obfuscate);
    EXPECT_EQ("false", s.processReadOnly);
    EXPECT_EQ("False", s.log);
    EXPECT_EQ("sha256", s.hash);
    EXPECT_EQ("CBC", s.cipherMode);
    EXPECT_EQ("blowfish", s.algorithm);
}

TEST_F(JobFile, RootProjectEmptyElementsAndNesting) {
    ParseSettings s = Read(
        "<project><hint/><password></password><mode>decrypt</mode>"
        "<project><mode>encrypt</mode></project></project>");
    EXPECT_EQ(" ", s.hint);
    EXPECT_EQ(" ", s.password);
    EXPECT_EQ("encrypt", s.mode);  // the inner project is read after the outer one

    ParseSettings nothing = Read("<jobs><job><mode>encrypt</mode></job></jobs>");
    EXPECT_EQ("", nothing.mode);
    EXPECT_TRUE(nothing.files.empty());
}

TEST_F(JobFile, FailuresNameTheFileAndTheReason) {
    const std::string prefix = "Unable to open XML file \"" + Path() + "\": ";
    std::string notXml = Failure("this is not xml");
    EXPECT_EQ(0u, notXml.find(prefix)) << notXml;
    EXPECT_GT(notXml.size(), prefix.size());

    EXPECT_EQ(0u, Failure("").find(prefix));
    EXPECT_EQ(0u, Failure("<project><mode>encrypt</project>").find(prefix));
    EXPECT_EQ(prefix + "the element \"password\" does not hold text",
              Failure("<project><password><b>x</b></password></project>"));
    EXPECT_EQ(prefix + "the element \"mode\" does not hold text",
              Failure("<project><mode><!-- c -->encrypt</mode></project>"));
    // Elements the job does not use are not looked into.
    EXPECT_EQ("(read without error)", Failure("<project><note><b>x</b></note></project>"));

    std::string huge = "<project><hint>" + std::string(XMLParser::kMaxJobFileSize, 'x') + "</hint></project>";
    EXPECT_EQ(prefix + "the file is larger than 16 MB", Failure(huge));
}

TEST_F(JobFile, AFolderIsNoJobFile) {
    std::vector<std::string> arguments = {dir.Path(), "-xml"};
    XMLParser parser(&arguments);
    EXPECT_TRUE(parser.Validate());
    try {
        parser.ReadSettings();
        ADD_FAILURE() << "a folder was read as a job file";
    } catch (const JobFileError& e) {
        EXPECT_EQ("Unable to open XML file \"" + dir.Path() + "\": the path names a folder", std::string(e.what()));
    }
}

TEST_F(JobFile, BlankTextAndMixedContent) {
    // Blanks alone are no text; other text is kept as written, and only the
    // first child counts.
    ParseSettings s = Read("<project>\n <hint>   </hint>\n <mode> encrypt\n </mode><password>a <!-- c --> b</password></project>");
    EXPECT_EQ(" ", s.hint);
    EXPECT_EQ(" encrypt\n ", s.mode);
    EXPECT_EQ("a ", s.password);
    EXPECT_NE(std::string::npos, Failure("<project><password><![CDATA[abc]]></password></project>").find("\"password\" does not hold text"));
}
