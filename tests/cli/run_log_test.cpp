#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <regex>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

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

    // A later run replaces the file, and removes what a run that was ended
    // while it put its file in the log's place left beside it.
    testsupport::WriteFile(path + ".~0123456789ab.tmp", "left by a killed run");
    testsupport::WriteFile(path + ".keep", "not the log's");
    LogFile next(path);
    next.WriteLine("second run");
    EXPECT_EQ("second run\r\r\n\r\n", testsupport::ReadFile(path));
    EXPECT_FALSE(testsupport::Exists(path + ".~0123456789ab.tmp"));
    EXPECT_TRUE(testsupport::Exists(path + ".keep"));

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

namespace {

const std::string kSep(1, platform::kPathSep);

// The log as it was always written: every line rewrites the whole run
// through a text stream, which turns each line feed into a carriage return
// and a line feed. The log on disk must keep these bytes.
class RewrittenLog {
public:
    explicit RewrittenLog(std::string path) : m_path(std::move(path)) {}

    void WriteLine(const std::string& text) {
        Add(text);
        CFile file;
        if (!file.Open(m_path, CFile::modeWrite | CFile::shareDenyNone | CFile::typeBinary | CFile::modeCreate))
            return;
        const std::string disk = Bytes();
        file.Write(disk.data(), disk.size());
    }

    // The line, without writing the file.
    void Add(const std::string& text) {
        m_buffer += text;
        m_buffer += "\r\n";
    }

    // What the file holds after a rewrite that succeeded.
    std::string Bytes() const {
        std::string disk;
        for (char c : m_buffer + "\n") {
            if (c == '\n') disk += '\r';
            disk += c;
        }
        return disk;
    }

private:
    std::string m_path;
    std::string m_buffer;
};

// The log and the reference side by side in one folder, given the same
// lines and the same obstacles.
struct LogAndReference {
    explicit LogAndReference(const std::string& folder)
        : path(folder + kSep + "Vastrel.log"), referencePath(folder + kSep + "reference.log"),
          log(new LogFile(path)), reference(referencePath) {}

    void Line(const std::string& text) {
        log->WriteLine(text);
        reference.WriteLine(text);
    }
    std::string Ours() const { return testsupport::ReadFile(path); }
    std::string Reference() const { return testsupport::ReadFile(referencePath); }

    const std::string path, referencePath;
    std::unique_ptr<LogFile> log;
    RewrittenLog reference;
};

// Longer than the log's pause between looks at its file by its path.
void AfterALook() { std::this_thread::sleep_for(std::chrono::milliseconds(250)); }

// Another program takes the path: on Windows it holds the file open for
// itself alone, elsewhere it puts a folder there. Either way neither log
// can open its file until it lets go.
class PathTaken {
public:
    explicit PathTaken(const std::string& path) : m_path(path) {
#ifdef _WIN32
        m_handle = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, m_handle) << path;
#else
        m_kept = testsupport::ReadFile(path);
        CFile::Remove(path);
        testsupport::MakeDir(path);
#endif
    }
    ~PathTaken() {
#ifdef _WIN32
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
#else
        ::rmdir(m_path.c_str());
        testsupport::WriteFile(m_path, m_kept);
#endif
    }

private:
    std::string m_path;
#ifdef _WIN32
    HANDLE m_handle = INVALID_HANDLE_VALUE;
#else
    std::string m_kept;
#endif
};

}  // namespace

TEST(RunLog, EveryLineLeavesTheBytesThatAWholeRewriteLeaves) {
    testsupport::TempDir dir;
    const std::string folder = dir / "later";
    LogAndReference logs(folder);
    logs.Line("before the folder");  // skipped by both, and kept
    EXPECT_FALSE(logs.log->LastWriteSucceeded());
    EXPECT_FALSE(testsupport::Exists(logs.path));
    testsupport::MakeDir(folder);
    for (const std::string& text : {std::string("*****"), std::string(" "), std::string(), std::string("a\nb"),
                                    std::string("ends in a return\r"), std::string("\r\n"), std::string(3000, 'x'),
                                    std::string("\xe9t\xe9 \x81\x9d"), std::string("Time: 00:00:01")}) {
        logs.Line(text);
        EXPECT_TRUE(logs.log->LastWriteSucceeded());
        ASSERT_EQ(logs.Reference(), logs.Ours()) << text;
    }
    EXPECT_EQ(0u, logs.Ours().find("before the folder\r\r\n*****\r\r\n \r\r\n\r\r\na\r\nb\r\r\n"));

    // A later run replaces the file, also while the first one is open.
    LogFile next(logs.path);
    next.WriteLine("second run");
    EXPECT_EQ("second run\r\r\n\r\n", logs.Ours());
    next.WriteLine("and more");
    EXPECT_EQ("second run\r\r\nand more\r\r\n\r\n", logs.Ours());
#ifdef _WIN32
    // Held by a program that lets it be written but not renamed, the log is
    // written in place.
    testsupport::FileHolder holder(logs.path, "rw");
    ASSERT_TRUE(holder.Holding());
    LogFile third(logs.path);
    third.WriteLine("third run");
    EXPECT_EQ("third run\r\r\n\r\n", logs.Ours());
#endif
}

TEST(RunLog, ALineThatCannotBeWrittenIsWrittenWithTheNext) {
    testsupport::TempDir dir;
    LogAndReference logs(dir.Path());
    for (const char* text : {"one", "two"}) logs.Line(text);
    const std::string before = logs.Ours();

    // The disk refuses the log's writes for one line (also to a file of
    // its own beside it): the file keeps the lines it had, each of them once.
    platform::WriteHook previous = platform::SetWriteHook(
        [&](const std::string& path, size_t) { return path.compare(0, logs.path.size(), logs.path) != 0; });
    logs.Line("refused");
    platform::SetWriteHook(previous);
    EXPECT_FALSE(logs.log->LastWriteSucceeded());
    EXPECT_EQ(before, logs.Ours());

    // Meanwhile another program takes the path: neither log can open its
    // file. The next line after it lets go brings the file up to date.
    {
        PathTaken taken(logs.path), takenToo(logs.referencePath);
        logs.Line("while taken");
        EXPECT_FALSE(logs.log->LastWriteSucceeded());
    }
    logs.Line("let go");
    EXPECT_TRUE(logs.log->LastWriteSucceeded());
    EXPECT_EQ(logs.Reference(), logs.Ours());

    // Another program removes the file (where the open log lets it): the
    // whole run is there again once the log has looked.
    CFile::Remove(logs.path);
    CFile::Remove(logs.referencePath);
    logs.Line("just after the removal");
    AfterALook();
    logs.Line("a while after");
    EXPECT_TRUE(logs.log->LastWriteSucceeded());
    EXPECT_EQ(logs.Reference(), logs.Ours());

    // ... and when the run ends right after a removal.
    logs.Line("the last line");
    CFile::Remove(logs.path);
    logs.log.reset();
    EXPECT_EQ(logs.reference.Bytes(), logs.Ours());
}

TEST(RunLog, AFileThatAnotherProgramChangedIsWrittenWholeAgain) {
    testsupport::TempDir dir;
    LogAndReference logs(dir.Path());
    logs.Line("mine");
    for (const std::string& path : {logs.path, logs.referencePath}) testsupport::WriteFile(path, "someone else's\r\n");
    AfterALook();
    logs.Line("mine again");
    EXPECT_EQ(logs.Reference(), logs.Ours());
    EXPECT_EQ("mine\r\r\nmine again\r\r\n\r\n", logs.Ours());
}

TEST(RunLog, ALongRunIsWholeAfterEveryLine) {
    testsupport::TempDir dir;
    const std::string path = dir / "Vastrel.log";
    RewrittenLog expected(path);
    LogFile log(path);
    for (int i = 1; i <= 20000; ++i) {
        const std::string line = "Decrypting file: C:\\some\\folder\\file" + std::to_string(i) + ".txt";
        log.WriteLine(line);
        expected.Add(line);
        if (i % 2500 == 0) {
            ASSERT_EQ(expected.Bytes(), testsupport::ReadFile(path)) << i;
        }
    }
    EXPECT_EQ(expected.Bytes(), testsupport::ReadFile(path));
}

// Whatever is in the log's place, nothing that a link there leads to is
// written, made, moved or removed. With room beside the log for a file of
// its own, that file takes the place of a link, whatever the link leads to;
// without it (the log's name leaves no room for a longer one), the log is
// written only in place, and only into a file that is no link and not
// read-only, or a new one where nothing at all is.
TEST(RunLog, NeverWritesThroughALink) {
    testsupport::TempDir dir, outside;
    const std::string file = outside / "file.txt", readOnly = outside / "read-only.txt", gone = outside / "gone.txt",
                      folder = outside / "folder";
    testsupport::WriteFile(file, "the user's\r\n");
    testsupport::WriteFile(readOnly, "the user's, read-only\r\n");
    ASSERT_TRUE(platform::ChangeReadOnly(readOnly, true));
    testsupport::MakeDir(folder);
    // Wine, which shows links to files as the files, would move or remove
    // the folder that a link leads to rather than the link: it stays. A link
    // that leads nowhere Wine shows as nothing at all.
    const bool underWine = !platform::ListingShowsFileLinks();
#ifdef _WIN32
    const size_t noRoom = 250 - dir.Path().size() - 1;  // the path limit
#else
    const size_t noRoom = 245;  // the name limit
#endif
    const std::string written = "one\r\r\ntwo\r\r\n\r\n";
    enum Kind { kLinkToFile, kLinkToReadOnly, kLinkToNothing, kLinkToFolder, kFolder, kFile, kReadOnly, kNothing };
    for (bool room : {true, false}) {
        for (Kind kind : {kLinkToFile, kLinkToReadOnly, kLinkToNothing, kLinkToFolder, kFolder, kFile, kReadOnly, kNothing}) {
            const std::string path = dir / (room ? std::string("Vastrel.log") : std::string(noRoom, 'v'));
            const std::string what = (room ? "with room, kind " : "without room, kind ") + std::to_string(kind);
            std::unique_ptr<testsupport::SymbolicLink> link;
            if (kind == kLinkToNothing) testsupport::WriteFile(gone, "");  // Wine makes no link to nothing
            if (kind <= kLinkToFolder) {
                const std::string target[] = {file, readOnly, gone, folder};
                link.reset(new testsupport::SymbolicLink(target[kind], path));
                if (!link->Made()) GTEST_SKIP() << "no symbolic links here";
            }
            if (kind == kLinkToNothing) CFile::Remove(gone);
            if (kind == kFolder) testsupport::MakeDir(path);
            if (kind == kFile || kind == kReadOnly) testsupport::WriteFile(path, "an earlier run's log, longer\r\n");
            if (kind == kReadOnly) ASSERT_TRUE(platform::ChangeReadOnly(path, true));
            {
                LogFile log(path);
                log.WriteLine("one");
                log.WriteLine("two");
                const bool writes = kind == kFile || kind == kNothing ||
                                    (room && kind != kFolder && kind != kReadOnly &&
                                     (kind != kLinkToFolder || !underWine));
                EXPECT_EQ(writes, log.LastWriteSucceeded()) << what;
                if (writes) {
                    EXPECT_FALSE(platform::IsLink(path)) << what;
                    EXPECT_EQ(written, testsupport::ReadFile(path)) << what;
                } else {
                    EXPECT_EQ(kind <= kLinkToFolder && !(kind == kLinkToNothing && underWine), platform::IsLink(path))
                        << what;
                    EXPECT_NE(written, testsupport::ReadFile(path)) << what;
                }
            }
            EXPECT_EQ("the user's\r\n", testsupport::ReadFile(file)) << what;
            EXPECT_EQ("the user's, read-only\r\n", testsupport::ReadFile(readOnly)) << what;
            EXPECT_FALSE(testsupport::Exists(gone)) << what;
            EXPECT_TRUE(testsupport::ListDir(folder).empty()) << what;
            if (kind == kReadOnly) {
                EXPECT_EQ("an earlier run's log, longer\r\n", testsupport::ReadFile(path)) << what;
                platform::ChangeReadOnly(path, false);
            }
#ifdef _WIN32
            if (kind == kFolder) RemoveDirectoryA(path.c_str());
#else
            if (kind == kFolder) ::rmdir(path.c_str());
#endif
            link.reset();
            if (!platform::IsLink(path)) CFile::Remove(path);
            EXPECT_TRUE(testsupport::ListDir(dir.Path()).empty()) << what;
        }
    }
    platform::ChangeReadOnly(readOnly, false);
}

// However often other runs take the log's place, a long run writes its
// lines whole again only now and then: each whole write is followed by nine
// times as long without one. Here each takes 150 ms at least; a line after
// a whole write that took longer than the pause between looks at the path
// must not look and write whole again at once.
TEST(RunLog, OtherRunsTakingThePlaceCostALongRunFewWholeWrites) {
    testsupport::TempDir dir;
    const std::string path = dir / "Vastrel.log";
    int wholeWrites = 0;
    const platform::WriteHook previous = platform::SetWriteHook([&](const std::string&, size_t count) {
        if (count > 100000) {  // the long log's whole writes; the short logs' are short
            ++wholeWrites;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        return true;
    });
    RewrittenLog expected(path);
    std::unique_ptr<LogFile> log(new LogFile(path));
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    const std::string opening(200000, '*');
    log->WriteLine(opening);
    expected.Add(opening);
    for (int i = 0; elapsed() < 1500; ++i) {
        LogFile(path).WriteLine("a short run");
        log->WriteLine("line " + std::to_string(i));
        expected.Add("line " + std::to_string(i));
    }
    const double ms = elapsed();
    log.reset();  // the long run ends last: its log is whole again
    platform::SetWriteHook(previous);
    EXPECT_LE(wholeWrites, 2 + static_cast<int>(ms / 1000)) << ms << " ms";
    EXPECT_EQ(expected.Bytes(), testsupport::ReadFile(path));
    EXPECT_EQ(1u, testsupport::ListDir(dir.Path()).size());
}
