// The console program as users run it: a copy of the real executable in a
// folder of its own (where it writes its log), on temporary folder trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "cli/kestrum.h"
#include "core/file_cipher.h"
#include "core/file_header.h"
#include "platform/file.h"
#include "tests/cli/cli_test_support.h"
#include "tests/cli/process_runner.h"
#include "tests/support/test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using clitest::ProcessResult;
using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

using testsupport::Bytes;

const std::string kSep(1, platform::kPathSep);
#ifdef _WIN32
const char* const kProgramName = "Kestrum.exe";
const int kBadCommandLineExit = -1;
#else
const char* const kProgramName = "kestrum";
const int kBadCommandLineExit = 255;  // -1 as a POSIX exit status
#endif

const std::string kStars(42, '*');
const std::string kTitle = "*             Vastrel 2 - CLP            *";
const std::string kBanner = "\n\n" + kStars + "\n" + kTitle + "\n*" + std::string(40, ' ') + "*\n" + kStars + "\n\n\n";

std::string Escape(const std::string& text) {
    return std::regex_replace(text, std::regex("[.^$|()\\[\\]{}*+?\\\\]"), "\\$&");
}

// Standard output in text mode: on Windows every line feed is CR LF there.
std::string Console(const std::string& text) {
#ifdef _WIN32
    return std::regex_replace(text, std::regex("\n"), "\r\n");
#else
    return text;
#endif
}

// On Windows the option road lowercases paths, and case never tells files apart.
std::string Comparable(const std::string& path) {
#ifdef _WIN32
    return Vastrel2::LowerArgument(path);
#else
    return path;
#endif
}

#ifdef _WIN32
const std::string kAccented = "Caf\xe9 Men\xfc";  // the ANSI code page
#else
const std::string kAccented = "Caf\xc3\xa9 Men\xc3\xbc";  // UTF-8
#endif

using Tree = std::map<std::string, std::string>;  // relative path -> bytes

void Snapshot(const std::string& root, const std::string& rel, Tree& tree) {
    for (const std::string& name : testsupport::ListDir(rel.empty() ? root : root + kSep + rel)) {
        const std::string child = rel.empty() ? name : rel + kSep + name;
        CFileStatus status;
        CFile::GetStatus(root + kSep + child, status);
        if (status.m_attribute & kAttrDirectory)
            Snapshot(root, child, tree);
        else
            tree[child] = ReadFile(root + kSep + child);
    }
}
Tree Snapshot(const std::string& root) {
    Tree tree;
    Snapshot(root, "", tree);
    return tree;
}

// Empty, tiny, block-sized and larger files in nested folders, with blanks,
// capitals, several dots and a non-ASCII letter in their names.
Tree MakeTree(const std::string& root) {
    const std::string accented = kAccented + ".txt";
    const std::string sub = "Sub Folder" + kSep;
    for (const std::string& folder : {root, root + kSep + "Sub Folder", root + kSep + sub + "Deeper"})
        testsupport::MakeDir(folder);
    Tree tree = {{"empty.txt", ""},          {"One.bin", Bytes(1, 1)},
                 {accented, "Pl\xe4in\r\n"}, {sub + "block16.dat", Bytes(16, 2)},
                 {sub + "odd 17", Bytes(17, 3)}, {sub + "Deeper" + kSep + "large.raw", Bytes(200003, 4)},
                 {sub + "Deeper" + kSep + "archive.tar.gz", Bytes(4099, 5)}};
    for (const auto& file : tree) WriteFile(root + kSep + file.first, file.second);
    return tree;
}

class Program : public testsupport::CleanSettingsTest {
protected:
    void SetUp() override {
        CleanSettingsTest::SetUp();
        std::string source = KESTRUM_PROGRAM;
#ifdef _WIN32
        if (source[0] == '/') source = "Z:" + std::regex_replace(source, std::regex("/"), "\\");  // the host's files
#endif
        ASSERT_TRUE(clitest::CopyFileBytes(source, program)) << source;
    }
    ProcessResult Run(const std::vector<std::string>& arguments) {
        ProcessResult r = clitest::RunProgram(program, arguments);
        EXPECT_TRUE(r.started && !r.timedOut);
        return r;
    }

    // A whole run's console text: banner, one progress entry ("Encrypting: "
    // path "%\r") per file after the settings' notes, the counts, and with the log the time and its path.
    void ExpectRun(const ProcessResult& r, const std::string& verb, size_t files, const std::string& counts,
                   bool logOn, const std::string& notes = "") {
        std::string pattern = Escape(kBanner + notes) + "(" + verb + ": [^%\r\n]+%\r){" + std::to_string(files) + "}" +
                              Escape("\n\n" + counts + "\n");
        if (logOn) pattern += "Time: \\d\\d:[0-5]\\d:[0-5]\\d\nLog file: (.*)\n";
#ifdef _WIN32
        std::string out = std::regex_replace(r.out, std::regex("\r\n"), "\n");
#else
        const std::string& out = r.out;
#endif
        std::smatch m;
        ASSERT_TRUE(std::regex_match(out, m, std::regex(pattern))) << r.out;
        if (logOn) {
            EXPECT_EQ(Comparable(logPath), Comparable(m[2].str()));
        }
        EXPECT_EQ(r.out, Console(out));  // every line feed went out as the console writes it
    }

    testsupport::TempDir bin;
    testsupport::TempDir data;
    const std::string program = bin / kProgramName;
    const std::string logPath = bin / "Vastrel.log";
};

}  // namespace

TEST_F(Program, UsageAndRefusedCommandLines) {
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
    EXPECT_TRUE(std::regex_match(badJob.out, std::regex(Escape("Unable to open XML file \"" + Comparable(data / "job.xml") +
                                                               "\": ") + "[^\n]+" + Console("\n"))))
        << badJob.out;

    // None of these wrote a log or touched the data.
    EXPECT_FALSE(Exists(logPath));
    EXPECT_EQ(std::vector<std::string>{"job.xml"}, testsupport::ListDir(data.Path()));
}

TEST_F(Program, OptionRoadRoundTripWithLog) {
    const std::string root = data / ("My Tree " + kAccented);
    const Tree original = MakeTree(root);

    ProcessResult enc = Run({"-cl", "-m:Encrypt", "-p:Secret Pass", "-hint:A Hint", "-fo:" + root});
    EXPECT_EQ(0, enc.exitCode) << enc.out << enc.err;
    ExpectRun(enc, "Encrypting", 7, "7 files encrypted, 0 Failed", true);

    // Every plain file is gone; each folder holds as many ".~enc" files.
    Tree encrypted = Snapshot(root);
    ASSERT_EQ(original.size(), encrypted.size());
    for (const auto& file : encrypted) EXPECT_EQ(".~enc", file.first.substr(file.first.size() - 5)) << file.first;

    std::vector<std::string> lines = clitest::LogLines(ReadFile(logPath));
    ASSERT_EQ(16u, lines.size());
    EXPECT_EQ((std::vector<std::string>{kStars, kTitle, kStars, " "}), std::vector<std::string>(&lines[0], &lines[4]));
    EXPECT_TRUE(std::regex_match(lines[4], std::regex("Start Time : \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d  :  ")));
    EXPECT_EQ(" ", lines[5]);
    EXPECT_EQ(" ", lines[6]);
    for (size_t i = 7; i < 14; ++i) EXPECT_EQ(0u, lines[i].find("Encrypting file: " + Comparable(root + kSep))) << lines[i];
    EXPECT_EQ("7 files encrypted, 0 Failed", lines[14]);
    EXPECT_TRUE(std::regex_match(lines[15], std::regex("Time: \\d\\d:\\d\\d:\\d\\d")));

    // The same password in capitals is the same password on this road.
    ProcessResult dec = Run({"-cl", "-m:decrypt", "-p:SECRET PASS", "-fo:" + root});
    EXPECT_EQ(0, dec.exitCode) << dec.out << dec.err;
    ExpectRun(dec, "Decrypting", 7, "7 files decrypted, 0 Failed", true);
    EXPECT_EQ(original, Snapshot(root));
}

TEST_F(Program, JobFileRoadRoundTripWithoutLog) {
    const std::string root = data / "Tree";
    const Tree original = MakeTree(root);
    const std::string single = data / "Single File.doc";
    WriteFile(single, Bytes(1000, 9));
    testsupport::TempDir jobs;
    const std::string job = jobs / "Job File.xml";

    WriteFile(job, "<?xml version=\"1.0\"?>\n<jobs>\n <project>\n  <mode>encrypt</mode>\n"
                   "  <password>Mixed Case</password>\n  <hint>from a job</hint>\n  <folder>" + root +
                   "</folder>\n  <file>" + single + "</file>\n  <obfuscate>true</obfuscate>\n"
                   "  <logresults>false</logresults>\n </project>\n</jobs>\n");
    ProcessResult enc = Run({job, "-xml"});
    EXPECT_EQ(0, enc.exitCode) << enc.out << enc.err;
    ExpectRun(enc, "Encrypting", 8, "8 files encrypted, 0 Failed", false);
    EXPECT_FALSE(Exists(logPath));
    for (const auto& file : Snapshot(data.Path()))
        EXPECT_TRUE(std::regex_search(file.first, std::regex("[0-9A-F]{64}[0-9a-f]{4}\\.~enc$"))) << file.first;

    // Job file values keep their case: the password in capitals fails for
    // every file, is logged, and leaves every encrypted file as it was.
    const Tree encrypted = Snapshot(data.Path());
    WriteFile(job, "<project><mode>decrypt</mode><password>MIXED CASE</password><folder>" + data.Path() +
                       "</folder></project>");
    ProcessResult wrong = Run({job, "-xml"});
    EXPECT_EQ(2, wrong.exitCode);
    ExpectRun(wrong, "Decrypting", 8, "0 files decrypted, 8 Failed", true);
    std::vector<std::string> lines = clitest::LogLines(ReadFile(logPath));
    EXPECT_EQ(8, std::count(lines.begin(), lines.end(), "Decryption failed : Password incorrect"));
    EXPECT_EQ(encrypted, Snapshot(data.Path()));

    WriteFile(job, "<project><mode>decrypt</mode><password>Mixed Case</password><folder>" + data.Path() +
                       "</folder><logresults>false</logresults></project>");
    ProcessResult dec = Run({job, "-xml"});
    EXPECT_EQ(0, dec.exitCode) << dec.out << dec.err;
    EXPECT_EQ(original, Snapshot(root));
    EXPECT_EQ(Bytes(1000, 9), ReadFile(single));
    EXPECT_EQ((std::vector<std::string>{"Single File.doc", "Tree"}), testsupport::ListDir(data.Path()));
}

TEST_F(Program, ExitCodesTellTheTruth) {
    const std::string root = data / "tree";
    const Tree original = MakeTree(root);

    // A wrong mode stops the run before anything is touched.
    ProcessResult mode = Run({"-cl", "-m:scramble", "-p:secret1", "-fo:" + root});
    EXPECT_EQ(2, mode.exitCode);
    EXPECT_EQ(Console(kBanner + "Error : You must specify a type. i.e. encrypt or decrypt\nProcess failed!\n"), mode.out);
    std::vector<std::string> lines = clitest::LogLines(ReadFile(logPath));
    EXPECT_EQ((std::vector<std::string>{"Error :You must specify a type. i.e. encrypt or decrypt",
                                        "Error : Process failed!"}),
              std::vector<std::string>(lines.begin() + 7, lines.end()));

    // A folder that is not there is reported and skipped; an empty name is no
    // folder either (never the root of the file system).
    ProcessResult missing = Run({"-cl", "-m:encrypt", "-p:secret1", "-fo:" + (data / "nowhere"), "-fo:", "-log:false"});
    EXPECT_EQ(2, missing.exitCode);
    EXPECT_EQ(Console(kBanner + "Folder not found: " + Comparable(data / "nowhere") +
                      "\nFolder not found: \nNo files to process\n\n\n0 files encrypted, 0 Failed\n"),
              missing.out);

    ProcessResult noFile = Run({"-cl", "-m:encrypt", "-p:secret1", "-fi:" + (data / "none.txt")});
    EXPECT_EQ(2, noFile.exitCode);
    ExpectRun(noFile, "Encrypting", 1, "0 files encrypted, 1 Failed", true);
    lines = clitest::LogLines(ReadFile(logPath));
    EXPECT_EQ("Encryption failed : File does not exists", lines[8]);
    EXPECT_EQ(" ", lines[9]);

    // Nothing to do is a success.
    testsupport::MakeDir(data / "void");
    ProcessResult none = Run({"-cl", "-m:encrypt", "-p:secret1", "-fo:" + (data / "void"), "-log:false"});
    EXPECT_EQ(0, none.exitCode);
    EXPECT_EQ(Console(kBanner + "No files to process\n\n\n0 files encrypted, 0 Failed\n"), none.out);

    // A short password encrypts nothing. (On Windows a "-fi:" file's name
    // reaches the job lowercased and comes back so: this one has no capitals.)
    const std::string one = root + kSep + "Sub Folder" + kSep + "odd 17";
    const std::pair<const char*, const char*> refusals[] = {{"-p:", "You must specify a password."},
                                                            {"-p:abcde", "Password must be at least 6 characters."}};
    for (const auto& refusal : refusals) {
        ProcessResult refused = Run({"-cl", "-m:encrypt", refusal.first, "-fi:" + one, "-fo:" + root});
        EXPECT_EQ(2, refused.exitCode);
        EXPECT_EQ(Console(kBanner + refusal.second + "\nProcess failed!\n"), refused.out);
        EXPECT_EQ(original, Snapshot(root));
    }
    // What an older program encrypted under such a password still decrypts.
    std::string older = root + kSep + "One.bin", hint;
    CFile work;
    ASSERT_EQ(0, Vastrel2::CIPHER::FileEncryptor(&work, 1, 0, "abcde", nullptr).EncryptFile(older, hint));
    ASSERT_TRUE(CFile::Remove(root + kSep + "One.bin"));
    ProcessResult shortDecrypt = Run({"-cl", "-m:decrypt", "-p:abcde", "-fi:" + older, "-log:false"});
    EXPECT_EQ(0, shortDecrypt.exitCode) << shortDecrypt.out;
    EXPECT_EQ(original, Snapshot(root));

    // A log that cannot be written is reported without failing the run.
    ASSERT_TRUE(CFile::Remove(logPath));
    testsupport::MakeDir(logPath);
    ProcessResult unlogged = Run({"-cl", "-m:encrypt", "-p:secret1", "-fi:" + one});
    EXPECT_EQ(0, unlogged.exitCode);
    EXPECT_NE(std::string::npos, Comparable(unlogged.out).find(Comparable(Console("\nUnable to write log file: " + logPath + "\n"))));
    EXPECT_FALSE(Exists(one));

    // What is encrypted already fails to encrypt again.
    ProcessResult again = Run({"-cl", "-m:encrypt", "-p:secret1", "-fo:" + root, "-log:false"});
    EXPECT_EQ(2, again.exitCode);
    ExpectRun(again, "Encrypting", 7, "6 files encrypted, 1 Failed", false);

    ProcessResult back = Run({"-cl", "-m:decrypt", "-p:secret1", "-fo:" + root, "-log:false"});
    EXPECT_EQ(0, back.exitCode) << back.out;
    EXPECT_EQ(original, Snapshot(root));
}

// A hint holding "-p:" is only a hint, and every project of a job file is a
// job of its own: its folders get its own password and hint, nobody else's.
TEST_F(Program, HintsKeepTheirWordsAndProjectsTheirPasswords) {
    const std::string a = data / "a", b = data / "b";
    const Tree treeA = MakeTree(a), treeB = MakeTree(b);
    ProcessResult hinted = Run({"-cl", "-m:encrypt", "-p:password1", "-hint:same as -p: at work", "-fo:" + a, "-log:false"});
    EXPECT_EQ(0, hinted.exitCode) << hinted.out;
    EXPECT_EQ("same as -p: at work", Vastrel2::Utils::GetHint(a + kSep + "empty.~enc"));

    testsupport::TempDir jobs;
    const std::string job = jobs / "job.xml";
    WriteFile(job, "<jobs><project><mode>decrypt</mode><password>password1</password><hint>for a</hint><folder>" + a +
                       "</folder></project>\n<project><mode>encrypt</mode><password>password b</password><folder>" + b +
                       "</folder><logresults>false</logresults></project>\n<project><mode>scramble</mode></project></jobs>");
    ProcessResult three = Run({job, "-xml"});
    EXPECT_EQ(2, three.exitCode);  // the worst of the three
    EXPECT_NE(std::string::npos, three.out.find(Console("7 files decrypted, 0 Failed\n")));
    EXPECT_NE(std::string::npos, three.out.find(Console("7 files encrypted, 0 Failed\n")));
    EXPECT_NE(std::string::npos, three.out.find(Console("Error : You must specify a type. i.e. encrypt or decrypt\n")));
    EXPECT_EQ(treeA, Snapshot(a));
    EXPECT_EQ("", Vastrel2::Utils::GetHint(b + kSep + "empty.~enc"));
    std::vector<std::string> lines = clitest::LogLines(ReadFile(logPath));
    EXPECT_EQ(2, std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("Start Time") == 0; }));
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "7 files decrypted, 0 Failed"));
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(), "Error : Process failed!"));

    EXPECT_EQ(0, Run({"-cl", "-m:decrypt", "-p:password b", "-fo:" + b, "-log:false"}).exitCode);
    EXPECT_EQ(treeB, Snapshot(b));
}

TEST_F(Program, LinksAreNeverFollowed) {
    testsupport::TempDir outside;
    const std::string precious = outside / "out.txt";
    WriteFile(precious, "precious");
    const std::string tree = data / "t", link = tree + kSep + "l.txt";
    testsupport::MakeDir(tree);
    WriteFile(tree + kSep + "own.txt", "own");
    testsupport::SymbolicLink made(precious, link);
    if (!made.Made()) GTEST_SKIP() << "no symbolic links here";

    ProcessResult walked = Run({"-cl", "-m:encrypt", "-p:password1", "-fo:" + tree, "-log:false"});
    EXPECT_EQ(0, walked.exitCode);
    ExpectRun(walked, "Encrypting", 1, "1 files encrypted, 0 Failed", false,
              "Skipped link (links are not followed): " + Comparable(link) + "\n");
    ProcessResult named = Run({"-cl", "-m:encrypt", "-p:password1", "-fi:" + link, "-log:false"});
    EXPECT_EQ(2, named.exitCode);
    EXPECT_EQ(Console(kBanner + "Skipped link (links are not followed): " + Comparable(link) +
                      "\nNo files to process\n\n\n0 files encrypted, 1 Failed\n"),
              named.out);
    EXPECT_EQ("precious", ReadFile(precious));
    EXPECT_EQ((std::vector<std::string>{"l.txt", "own.~enc"}), testsupport::ListDir(tree));
}

#ifndef _WIN32
// Seen by a user who may not read it, a folder fails the run (the test runs
// the program as such a user where it may).
TEST_F(Program, UnreadableFoldersFailTheRun) {
    // One folder without any permission, one whose names can be read but not
    // its entries.
    const std::string tree = data / "t", locked = tree + kSep + "locked", names = tree + kSep + "names";
    for (const std::string& folder : {tree, locked, names}) testsupport::MakeDir(folder);
    for (const std::string& folder : {tree, locked, names}) WriteFile(folder + kSep + "f.txt", "f");
    int user = -1;
    if (geteuid() == 0) {  // be a user the permissions apply to
        user = 65534;
        for (const std::string& path : {data.Path(), tree, tree + kSep + "f.txt"})
            ASSERT_EQ(0, ::chown(path.c_str(), 65534, 65534));
        ASSERT_EQ(0, ::chmod(bin.Path().c_str(), 0755));
    }
    ASSERT_EQ(0, ::chmod(locked.c_str(), 0));
    ASSERT_EQ(0, ::chmod(names.c_str(), 0444));
    ProcessResult r = clitest::RunProgram(program, {"-cl", "-m:encrypt", "-p:password1", "-fo:" + tree, "-log:false"}, 180, user);
    ::chmod(locked.c_str(), 0755);
    ::chmod(names.c_str(), 0755);
    EXPECT_EQ(2, r.exitCode) << r.out << r.err;
    EXPECT_NE(std::string::npos, r.out.find("Unable to read folder: " + locked + "\n"));
    EXPECT_NE(std::string::npos, r.out.find("Unable to read folder: " + names + "\n"));
    EXPECT_NE(std::string::npos, r.out.find("\n\n1 files encrypted, 2 Failed\n"));
}

TEST_F(Program, CoreMessagesGoToStandardErrorWithTheirDefaultAnswer) {
    const std::string file = data / "Report.doc";
    WriteFile(file, "the report");
    ASSERT_EQ(0, Run({"-cl", "-m:encrypt", "-p:secret1", "-fi:" + file, "-log:false"}).exitCode);
    WriteFile(file, "a newer report");

    // The target exists: the notice is printed, not waited for, the old file
    // is moved aside, and the run reports a failure.
    ProcessResult dec = Run({"-cl", "-m:decrypt", "-p:secret1", "-fi:" + (data / "Report.~enc"), "-log:false"});
    EXPECT_EQ(2, dec.exitCode);
    EXPECT_EQ("Vastrel 2: The file " + file + " already exists, Vastrel 2 will rename this file to " + file +
                  ".old then proceed with decrypting.\n",
              dec.err);
    EXPECT_EQ("the report", ReadFile(file));
    EXPECT_EQ("a newer report", ReadFile(file + ".old"));
}
#endif
