// The console program as users run it: a copy of the real executable in a
// folder of its own (where it writes its log), on temporary folder trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "cli/kestrum.h"
#include "platform/file.h"
#include "tests/cli/process_runner.h"
#include "tests/support/test_support.h"

using clitest::ProcessResult;
using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const char kSep = platform::kPathSep;
#ifdef _WIN32
const char* const kProgramName = "Kestrum.exe";
const int kBadCommandLineExit = -1;
#else
const char* const kProgramName = "kestrum";
const int kBadCommandLineExit = 255;  // -1 as a POSIX exit status
#endif

const std::string kStars(42, '*');
const std::string kBanner = "\n\n" + kStars + "\n*             Vastrel 2 - CLP            *\n*" + std::string(40, ' ') + "*\n" +
                            kStars + "\n\n\n";

// What the console shows for text printed with "\n" line ends.
std::string Console(const std::string& text) {
#ifdef _WIN32
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
#else
    return text;
#endif
}

// Paths as the program reports them: on Windows the folders given with "-fo:"
// reach it lowercased, and letter case never tells files apart there.
std::string Comparable(const std::string& path) {
#ifdef _WIN32
    return Vastrel2::LowerArgument(path);
#else
    return path;
#endif
}

std::string ProgramSource() {
    std::string path = KESTRUM_PROGRAM;
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {  // built on the host: its file system is drive Z:
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
#endif
    return path;
}

// Every file below `root`: path relative to it -> bytes.
using Tree = std::map<std::string, std::string>;
void Snapshot(const std::string& root, const std::string& relative, Tree& tree) {
    const std::string folder = relative.empty() ? root : root + kSep + relative;
    for (const std::string& name : testsupport::ListDir(folder)) {
        const std::string rel = relative.empty() ? name : relative + kSep + name;
        CFileStatus status;
        ASSERT_TRUE(CFile::GetStatus(root + kSep + rel, status));
        if (status.m_attribute & kAttrDirectory)
            Snapshot(root, rel, tree);
        else
            tree[rel] = ReadFile(root + kSep + rel);
    }
}
Tree Snapshot(const std::string& root) {
    Tree tree;
    Snapshot(root, "", tree);
    return tree;
}

std::string Bytes(size_t size, unsigned seed) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        data[i] = static_cast<char>(seed >> 16);
    }
    return data;
}

// A tree with empty, tiny, block-sized and larger files, nested folders, and
// names with blanks, capitals and a non-ASCII letter.
Tree MakeTree(const std::string& root) {
#ifdef _WIN32
    const std::string accented = "Caf\xe9 Men\xfc";  // the ANSI code page
#else
    const std::string accented = "Caf\xc3\xa9 Men\xc3\xbc";  // UTF-8
#endif
    testsupport::MakeDir(root);
    testsupport::MakeDir(root + kSep + "Sub Folder");
    testsupport::MakeDir(root + kSep + "Sub Folder" + kSep + "Deeper");
    testsupport::MakeDir(root + kSep + "Empty Folder");
    Tree tree;
    tree["empty.txt"] = "";
    tree["One.bin"] = Bytes(1, 1);
    tree[accented + ".txt"] = "Pl\xe4in text with a line end\r\n";
    tree["Sub Folder" + std::string(1, kSep) + "block16.dat"] = Bytes(16, 2);
    tree["Sub Folder" + std::string(1, kSep) + "odd 17"] = Bytes(17, 3);
    tree["Sub Folder" + std::string(1, kSep) + "Deeper" + kSep + "large.raw"] = Bytes(200003, 4);
    tree["Sub Folder" + std::string(1, kSep) + "Deeper" + kSep + "archive.tar.gz"] = Bytes(4099, 5);
    for (const auto& file : tree) WriteFile(root + kSep + file.first, file.second);
    return tree;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The per-file progress of a run: the paths of "Encrypting: <path>%\r" (or
// "Decrypting: "), in order; `rest` receives what follows them.
std::vector<std::string> ProgressPaths(const std::string& body, const std::string& verb, std::string& rest) {
    std::vector<std::string> paths;
    size_t at = 0;
    const std::string start = verb + ": ";
    while (body.compare(at, start.size(), start) == 0) {
        size_t end = body.find("%\r", at);
        if (end == std::string::npos) break;
        paths.push_back(body.substr(at + start.size(), end - at - start.size()));
        at = end + 2;
    }
    rest = body.substr(at);
    return paths;
}

// The lines of a log file; false when any line does not end in CR CR LF or
// the file does not end in one more CR LF.
bool LogLines(const std::string& log, std::vector<std::string>& lines) {
    lines.clear();
    if (!EndsWith(log, "\r\n")) return false;
    std::string body = log.substr(0, log.size() - 2);
    size_t at = 0;
    while (at < body.size()) {
        size_t end = body.find("\r\r\n", at);
        if (end == std::string::npos) return false;
        std::string line = body.substr(at, end - at);
        if (line.find('\n') != std::string::npos) return false;
        lines.push_back(line);
        at = end + 3;
    }
    return true;
}

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::ClearVastrelSettings();
        program = bin / kProgramName;
        ASSERT_TRUE(clitest::CopyFileBytes(ProgramSource(), program)) << ProgramSource();
    }
    void TearDown() override { testsupport::ClearVastrelSettings(); }

    ProcessResult Run(const std::vector<std::string>& arguments) {
        ProcessResult r = clitest::RunProgram(program, arguments);
        EXPECT_TRUE(r.started);
        EXPECT_FALSE(r.timedOut);
        return r;
    }
    std::string LogPath() const { return bin / "Vastrel.log"; }

    // Checks a run's console text: banner, one progress entry per expected
    // path (in any order), then the counts and, with the log on, the time
    // and the log's path.
    void ExpectRunOutput(const ProcessResult& r, const std::string& verb, std::vector<std::string> expectedPaths,
                         const std::string& counts, bool logOn) {
        ASSERT_EQ(Console(kBanner), r.out.substr(0, Console(kBanner).size())) << r.out;
        std::string rest;
        std::vector<std::string> paths = ProgressPaths(r.out.substr(Console(kBanner).size()), verb, rest);
        for (std::string& p : paths) p = Comparable(p);
        for (std::string& p : expectedPaths) p = Comparable(p);
        std::sort(paths.begin(), paths.end());
        std::sort(expectedPaths.begin(), expectedPaths.end());
        EXPECT_EQ(expectedPaths, paths);
        std::string tail = Console("\n\n" + counts + "\n");
        ASSERT_EQ(tail, rest.substr(0, tail.size())) << rest;
        rest = rest.substr(tail.size());
        if (logOn) {
            std::regex timeLine(Console("Time: [0-9]{2}:[0-5][0-9]:[0-5][0-9]\n"));
            std::smatch m;
            ASSERT_TRUE(std::regex_search(rest, m, timeLine, std::regex_constants::match_continuous)) << rest;
            EXPECT_EQ(Comparable(Console("Log file: " + LogPath() + "\n")), Comparable(rest.substr(m.length())));
        } else {
            EXPECT_EQ("", rest);
        }
    }

    testsupport::TempDir bin;
    testsupport::TempDir data;
    std::string program;
};

std::vector<std::string> FullPaths(const std::string& root, const Tree& tree) {
    std::vector<std::string> paths;
    for (const auto& file : tree) paths.push_back(root + kSep + file.first);
    return paths;
}

}  // namespace

TEST_F(Program, UsageAndCommandLinesItRefuses) {
    ProcessResult usage = Run({});
    EXPECT_EQ(0, usage.exitCode);
    EXPECT_EQ(Console(Vastrel2::UsageText()), usage.out);

    ProcessResult capitals = Run({"-CL", "-m:encrypt", "-p:secret1"});
    EXPECT_EQ(kBadCommandLineExit, capitals.exitCode);
    EXPECT_EQ(Console("Invlaid command line. Command line must supply either /xml:path or /cl\n"), capitals.out);

    ProcessResult noPassword = Run({"-cl", "-m:encrypt", "-fo:" + data.Path()});
    EXPECT_EQ(2, noPassword.exitCode);
    EXPECT_EQ(Console("No password specified i.e -m:password\n"), noPassword.out);

    ProcessResult noJob = Run({"-xml:" + (data / "job.xml")});
    EXPECT_EQ(3, noJob.exitCode);
    EXPECT_EQ(Console("Invalid path to configuration file.\n"), noJob.out);

    WriteFile(data / "job.xml", "<project><mode>encrypt</mode>");
    ProcessResult badJob = Run({data / "job.xml", "-xml"});
    EXPECT_EQ(3, badJob.exitCode);
    EXPECT_EQ(0u, badJob.out.find("Unable to open XML file \"" + Comparable(data / "job.xml") + "\": "))
        << badJob.out;
    EXPECT_TRUE(EndsWith(badJob.out, Console("\n")));
    EXPECT_EQ(1, std::count(badJob.out.begin(), badJob.out.end(), '\n'));

    // None of these wrote a log or touched the data folder.
    EXPECT_FALSE(Exists(LogPath()));
    EXPECT_EQ(std::vector<std::string>{"job.xml"}, testsupport::ListDir(data.Path()));
}

TEST_F(Program, OptionRoadRoundTripWithLog) {
    const std::string root = data / "My Tree";
    const Tree original = MakeTree(root);

    ProcessResult enc = Run({"-cl", "-m:Encrypt", "-p:Secret Pass", "-hint:A Hint", "-fo:" + root});
    EXPECT_EQ(0, enc.exitCode) << enc.out << enc.err;
    ExpectRunOutput(enc, "Encrypting", FullPaths(root, original), "7 files encrypted, 0 Failed", true);

    // Every plain file is gone; each folder holds as many ".~enc" files.
    Tree encrypted = Snapshot(root);
    ASSERT_EQ(original.size(), encrypted.size());
    for (const auto& file : encrypted) {
        EXPECT_TRUE(EndsWith(file.first, ".~enc")) << file.first;
        EXPECT_EQ(0u, original.count(file.first));
    }
    EXPECT_TRUE(Exists(root + kSep + "Empty Folder"));

    // The log: its opening box, the start line, one line per file, the counts
    // and the time, every line ending in CR CR LF.
    std::vector<std::string> lines;
    ASSERT_TRUE(LogLines(ReadFile(LogPath()), lines)) << ReadFile(LogPath());
    ASSERT_EQ(7u + original.size() + 2u, lines.size());
    EXPECT_EQ(kStars, lines[0]);
    EXPECT_EQ("*             Vastrel 2 - CLP            *", lines[1]);
    EXPECT_EQ(kStars, lines[2]);
    EXPECT_EQ(" ", lines[3]);
    EXPECT_TRUE(std::regex_match(lines[4], std::regex("Start Time : \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d  :  ")))
        << lines[4];
    EXPECT_EQ(" ", lines[5]);
    EXPECT_EQ(" ", lines[6]);
    std::vector<std::string> logged;
    for (size_t i = 7; i < 7 + original.size(); ++i) {
        ASSERT_EQ(0u, lines[i].find("Encrypting file: ")) << lines[i];
        logged.push_back(Comparable(lines[i].substr(17)));
    }
    std::vector<std::string> expected = FullPaths(root, original);
    for (std::string& p : expected) p = Comparable(p);
    std::sort(logged.begin(), logged.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, logged);
    EXPECT_EQ("7 files encrypted, 0 Failed", lines[7 + original.size()]);
    EXPECT_TRUE(std::regex_match(lines.back(), std::regex("Time: \\d\\d:\\d\\d:\\d\\d"))) << lines.back();

    // A password typed in other letter case is the same password on this road.
    std::vector<std::string> encryptedPaths = FullPaths(root, encrypted);
    ProcessResult dec = Run({"-cl", "-m:decrypt", "-p:SECRET PASS", "-fo:" + root});
    EXPECT_EQ(0, dec.exitCode) << dec.out << dec.err;
    ExpectRunOutput(dec, "Decrypting", encryptedPaths, "7 files decrypted, 0 Failed", true);
    EXPECT_EQ(original, Snapshot(root));
}

TEST_F(Program, JobFileRoadRoundTripWithoutLog) {
    const std::string root = data / "Tree";
    const Tree original = MakeTree(root);
    const std::string single = data / "Single File.doc";
    WriteFile(single, Bytes(1000, 9));
    testsupport::TempDir jobs;
    const std::string job = jobs / "Job File.xml";

    // Obfuscated names; the file given alone as well as the folder.
    WriteFile(job, "<?xml version=\"1.0\"?>\n<jobs>\n <project>\n  <mode>encrypt</mode>\n"
                   "  <password>Mixed Case</password>\n  <hint>from a job</hint>\n"
                   "  <folder>" + root + "</folder>\n  <file>" + single + "</file>\n"
                   "  <obfuscate>true</obfuscate>\n  <logresults>false</logresults>\n </project>\n</jobs>\n");
    ProcessResult enc = Run({job, "-xml"});
    EXPECT_EQ(0, enc.exitCode) << enc.out << enc.err;
    std::vector<std::string> expected = FullPaths(root, original);
    expected.push_back(single);
    ExpectRunOutput(enc, "Encrypting", expected, "8 files encrypted, 0 Failed", false);
    EXPECT_FALSE(Exists(LogPath()));
    EXPECT_FALSE(Exists(single));

    Tree encrypted = Snapshot(root);
    ASSERT_EQ(original.size(), encrypted.size());
    for (const auto& file : encrypted) {
        std::string name = platform::FileNamePart(file.first);
        EXPECT_TRUE(std::regex_match(name, std::regex("[0-9A-F]{64}[0-9a-f]{4}\\.~enc"))) << name;
    }

    // Values of a job file keep their case: the password in capitals fails,
    // is reported, and leaves every encrypted file as it was.
    WriteFile(job, "<project><mode>decrypt</mode><password>MIXED CASE</password><folder>" + data.Path() +
                       "</folder></project>");
    ProcessResult wrong = Run({job, "-xml"});
    EXPECT_EQ(2, wrong.exitCode) << wrong.out;
    EXPECT_NE(std::string::npos, wrong.out.find(Console("\n\n0 files decrypted, 8 Failed\n"))) << wrong.out;
    std::vector<std::string> lines;
    ASSERT_TRUE(LogLines(ReadFile(LogPath()), lines));
    EXPECT_EQ(8, std::count(lines.begin(), lines.end(), "Decryption failed : Password incorrect"));
    EXPECT_EQ(encrypted, Snapshot(root));

    // The encrypted single file, named alone this time.
    std::string encryptedSingle;
    for (const std::string& name : testsupport::ListDir(data.Path()))
        if (EndsWith(name, ".~enc")) encryptedSingle = data / name;
    ASSERT_FALSE(encryptedSingle.empty());
    WriteFile(job, "<project><mode>decrypt</mode><password>Mixed Case</password><folder>" + root +
                       "</folder><file>" + encryptedSingle + "</file><logresults>false</logresults></project>");
    ProcessResult dec = Run({job, "-xml"});
    EXPECT_EQ(0, dec.exitCode) << dec.out << dec.err;
    EXPECT_EQ(original, Snapshot(root));
    EXPECT_EQ(Bytes(1000, 9), ReadFile(single));
    EXPECT_FALSE(Exists(encryptedSingle));
    EXPECT_EQ((std::vector<std::string>{"Single File.doc", "Tree"}), testsupport::ListDir(data.Path()));
}

TEST_F(Program, ExitCodesTellTheTruth) {
    const std::string root = data / "tree";
    const Tree original = MakeTree(root);

    // A wrong mode stops the run before anything is touched.
    ProcessResult mode = Run({"-cl", "-m:scramble", "-p:secret1", "-fo:" + root});
    EXPECT_EQ(2, mode.exitCode);
    EXPECT_EQ(Console(kBanner + "Error : You must specify a type. i.e. encrypt or decrypt\nProcess failed!\n"), mode.out);
    std::vector<std::string> lines;
    ASSERT_TRUE(LogLines(ReadFile(LogPath()), lines));
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ("Error :You must specify a type. i.e. encrypt or decrypt", lines[7]);
    EXPECT_EQ("Error : Process failed!", lines[8]);

    // A folder that is not there is reported and nothing else is touched;
    // an empty name is no folder either, never the root of the file system.
    ProcessResult missing = Run({"-cl", "-m:encrypt", "-p:secret1", "-fo:" + (data / "nowhere"), "-fo:", "-log:false"});
    EXPECT_EQ(2, missing.exitCode);
    EXPECT_EQ(Console(kBanner + "Folder not found: " + Comparable(data / "nowhere") + "\nFolder not found: \n" +
                      "No files to process\n\n\n0 files encrypted, 0 Failed\n"),
              missing.out);

    // A file that is not there fails and is logged with its result's text.
    ProcessResult noFile = Run({"-cl", "-m:encrypt", "-p:secret1", "-fi:" + (data / "none.txt")});
    EXPECT_EQ(2, noFile.exitCode);
    ExpectRunOutput(noFile, "Encrypting", {data / "none.txt"}, "0 files encrypted, 1 Failed", true);
    ASSERT_TRUE(LogLines(ReadFile(LogPath()), lines));
    EXPECT_EQ("Encryption failed : File does not exists", lines[8]);
    EXPECT_EQ(" ", lines[9]);

    // An empty folder is nothing to do, and that is a success.
    testsupport::MakeDir(data / "void");
    ProcessResult none = Run({"-cl", "-m:encrypt", "-p:secret1", "-fo:" + (data / "void"), "-log:false"});
    EXPECT_EQ(0, none.exitCode);
    EXPECT_EQ(Console(kBanner + "No files to process\n\n\n0 files encrypted, 0 Failed\n"), none.out);

    // A short password is reported and used; a log that cannot be written
    // is reported at the end without failing the run. (On Windows the name
    // of a file given with "-fi:" reaches the job lowercased, and so comes
    // back from decryption: this one has no capitals.)
    const std::string one = root + kSep + "Sub Folder" + kSep + "odd 17";
    ASSERT_TRUE(CFile::Remove(LogPath()));
    testsupport::MakeDir(LogPath());
    ProcessResult shortPw = Run({"-cl", "-m:encrypt", "-p:abc", "-fi:" + one});
    EXPECT_EQ(0, shortPw.exitCode);
    EXPECT_NE(std::string::npos, shortPw.out.find(Console(kBanner + "Password must be at least 6 characters.\n")));
    EXPECT_TRUE(EndsWith(Comparable(shortPw.out), Comparable(Console("Unable to write log file: " + LogPath() + "\n"))))
        << shortPw.out;
    EXPECT_FALSE(Exists(one));

    // Encrypting again what is already encrypted fails: exit 2.
    ProcessResult again = Run({"-cl", "-m:encrypt", "-p:abc", "-fo:" + root, "-log:false"});
    EXPECT_EQ(2, again.exitCode);
    EXPECT_NE(std::string::npos, again.out.find(Console("\n\n6 files encrypted, 1 Failed\n"))) << again.out;

    ProcessResult back = Run({"-cl", "-m:decrypt", "-p:abc", "-fo:" + root, "-log:false"});
    EXPECT_EQ(0, back.exitCode) << back.out;
    EXPECT_EQ(original, Snapshot(root));
}

#ifndef _WIN32
TEST_F(Program, CoreMessagesGoToStandardErrorWithTheirDefaultAnswer) {
    const std::string file = data / "Report.doc";
    WriteFile(file, "the report");
    ProcessResult enc = Run({"-cl", "-m:encrypt", "-p:secret1", "-fi:" + file, "-log:false"});
    ASSERT_EQ(0, enc.exitCode) << enc.out << enc.err;
    WriteFile(file, "a newer report");

    // The decryption target exists: the notice is printed, not waited for,
    // the old file is moved aside, and the run reports a failure.
    ProcessResult dec = Run({"-cl", "-m:decrypt", "-p:secret1", "-fi:" + (data / "Report.~enc"), "-log:false"});
    EXPECT_EQ(2, dec.exitCode);
    EXPECT_EQ("Vastrel 2: The file " + file + " already exists, Vastrel 2 will rename this file to " + file +
                  ".old then proceed with decrypting.\n",
              dec.err);
    EXPECT_EQ("the report", ReadFile(file));
    EXPECT_EQ("a newer report", ReadFile(file + ".old"));
}
#endif
