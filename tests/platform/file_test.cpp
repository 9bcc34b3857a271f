#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/file.h"
#include "tests/support/test_support.h"

using testsupport::TempDir;

namespace {
const std::string kSep(1, platform::kPathSep);
}  // namespace

TEST(File, WriteSeekReadAndLength) {
    TempDir dir;
    std::string path = dir / "data.bin";
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::shareDenyNone | CFile::typeBinary));
    EXPECT_TRUE(f.Write("hello world", 11));
    EXPECT_EQ(11u, f.GetLength());
    EXPECT_FALSE(f.Seek(-12, CFile::end));  // never before the start
    EXPECT_EQ(11u, f.GetPosition());
    ASSERT_TRUE(f.Seek(-5, CFile::end));
    char buf[16] = {0};
    EXPECT_EQ(5u, f.Read(buf, 16));
    EXPECT_EQ("world", std::string(buf));
    EXPECT_TRUE(f.SetLength(5));
    EXPECT_EQ(5u, f.GetLength());
    EXPECT_EQ("data.bin", f.GetFileName());
    f.Close();
    EXPECT_EQ("hello", testsupport::ReadFile(path));
}

TEST(File, PositionedReadsAndTheStatusOfTheOpenFile) {
    TempDir dir;
    std::string path = dir / "at.bin";
    testsupport::WriteFile(path, "0123456789");
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeRead | CFile::shareDenyNone));
    char buf[8] = {0};
    EXPECT_EQ(3u, f.ReadAt(4, buf, 3));
    EXPECT_EQ("456", std::string(buf, 3));
    EXPECT_EQ(2u, f.ReadAt(8, buf, 5));  // fewer at the end
    EXPECT_EQ(0u, f.ReadAt(20, buf, 5));
    ASSERT_TRUE(f.Seek(1, CFile::begin));
    EXPECT_EQ(2u, f.Read(buf, 2));
    EXPECT_EQ("12", std::string(buf, 2));

    CFileStatus byPath, byFile;
    ASSERT_TRUE(CFile::GetStatus(path, byPath));
    ASSERT_TRUE(f.GetStatus(byFile));
    EXPECT_EQ(10u, byFile.m_size);
    EXPECT_EQ(byPath.m_mtime, byFile.m_mtime);
    EXPECT_EQ(byPath.m_attribute, byFile.m_attribute);
    f.Close();
    EXPECT_FALSE(f.GetStatus(byFile));
}

TEST(File, PositionedWritesLeaveTheRestAsItWas) {
    TempDir dir;
    const std::string path = dir / "at.bin";
    testsupport::WriteFile(path, "0123456789");
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeReadWrite | CFile::shareDenyNone));
    EXPECT_TRUE(f.WriteAt(3, "ab", 2));
    EXPECT_TRUE(f.WriteAt(10, "XY", 2));  // at the end: the file grows
    EXPECT_EQ(12u, f.GetLength());
    char buf[4] = {0};
    EXPECT_EQ(4u, f.ReadAt(8, buf, 4));
    EXPECT_EQ("89XY", std::string(buf, 4));
    platform::WriteHook previous = platform::SetWriteHook([](const std::string&, size_t) { return false; });
    EXPECT_FALSE(f.WriteAt(0, "zz", 2));
    platform::SetWriteHook(previous);
    f.Close();
    EXPECT_EQ("012ab56789XY", testsupport::ReadFile(path));

    // Bytes gathered by the sequential buffer reach the disk first.
    CFile gathered;
    ASSERT_TRUE(gathered.Open(dir / "seq.bin", CFile::modeCreate | CFile::modeReadWrite | CFile::osSequential));
    EXPECT_TRUE(gathered.Write("hello", 5));
    EXPECT_TRUE(gathered.WriteAt(1, "EL", 2));
    gathered.Close();
    EXPECT_EQ("hELlo", testsupport::ReadFile(dir / "seq.bin"));
}

TEST(File, WriteHookFailsWritesAsAFullDiskDoes) {
    TempDir dir;
    std::vector<std::string> asked;
    platform::WriteHook previous = platform::SetWriteHook([&](const std::string& path, size_t count) {
        asked.push_back(platform::FileNamePart(path));
        return count < 4;
    });
    CFile f;
    ASSERT_TRUE(f.Open(dir / "full.bin", CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
    EXPECT_TRUE(f.Write("abc", 3));
    EXPECT_FALSE(f.Write("defg", 4));
    EXPECT_EQ(3u, f.GetLength());
    CFile buffered;  // gathered writes fail when they reach the disk
    ASSERT_TRUE(buffered.Open(dir / "later.bin", CFile::modeCreate | CFile::modeWrite | CFile::osSequential));
    EXPECT_TRUE(buffered.Write("hijk", 4));
    EXPECT_FALSE(buffered.Flush());
    platform::SetWriteHook(previous);
    EXPECT_TRUE(f.Write("defg", 4));
    EXPECT_EQ((std::vector<std::string>{"full.bin", "full.bin", "later.bin"}), asked);
}

TEST(File, OpenFailuresAreReported) {
    TempDir dir;
    CFile f;
    CFileException error;
    EXPECT_FALSE(f.Open(dir / "missing", CFile::modeRead, &error));
    EXPECT_NE(0u, error.m_lOsError);
    EXPECT_EQ(dir / "missing", error.m_strFileName);
    EXPECT_FALSE(f.Open(dir.Path(), CFile::modeRead));  // a folder is not a file
    EXPECT_FALSE(f.Open(dir.Path(), CFile::modeReadWrite));
    EXPECT_FALSE(f.Write("x", 1));  // nothing open
}

TEST(File, CreateTruncatesUnlessAskedNotTo) {
    TempDir dir;
    std::string path = dir / "t.txt";
    testsupport::WriteFile(path, "0123456789");
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite));
    EXPECT_EQ(10u, f.GetLength());
    ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeReadWrite));
    EXPECT_EQ(0u, f.GetLength());
    f.Close();
    EXPECT_FALSE(f.Open(path, CFile::osCreateNew | CFile::modeReadWrite));  // never an existing file
    EXPECT_TRUE(f.Open(dir / "new.txt", CFile::osCreateNew | CFile::modeReadWrite));
}

// The buffered mode must look exactly like the plain one to its caller.
TEST(File, SequentialBufferKeepsPositionsLengthsAndOrder) {
    TempDir dir;
    const std::string path = dir / "seq.bin";
    std::string expected;
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::osSequential));
    for (int i = 0; i < 1500; ++i) {  // about 3 MB in small pieces
        std::string piece(2048, static_cast<char>('A' + i % 26));
        ASSERT_TRUE(f.Write(piece.data(), piece.size()));
        expected += piece;
    }
    EXPECT_EQ(expected.size(), f.GetPosition());
    EXPECT_EQ(expected.size(), f.GetLength());

    ASSERT_TRUE(f.Seek(-4096, CFile::current));  // read back over gathered bytes
    char buf[3000];
    ASSERT_EQ(3000u, f.Read(buf, 3000));
    EXPECT_EQ(expected.substr(expected.size() - 4096, 3000), std::string(buf, 3000));
    EXPECT_EQ(expected.size() - 1096, f.GetPosition());
    ASSERT_TRUE(f.Write("xyz", 3));  // written where the reading stopped
    expected.replace(expected.size() - 1096, 3, "xyz");

    ASSERT_TRUE(f.Seek(10, CFile::begin));
    ASSERT_EQ(5u, f.Read(buf, 5));
    EXPECT_EQ(15u, f.GetPosition());
    ASSERT_TRUE(f.SetLength(expected.size() - 100));
    expected.resize(expected.size() - 100);
    EXPECT_TRUE(f.Flush());
    f.Close();
    EXPECT_EQ(expected, testsupport::ReadFile(path));
}

TEST(FileStatus, ReadOnlyAndTimesRoundTrip) {
    TempDir dir;
    std::string path = dir / "s.txt";
    testsupport::WriteFile(path, "abc");
    CFileStatus st;
    ASSERT_TRUE(CFile::GetStatus(path, st));
    EXPECT_EQ(3u, st.m_size);
    EXPECT_EQ(0, st.m_attribute & kAttrReadOnly);

    CFileStatus wanted = st;
    wanted.m_mtime = 130000000000000000LL;  // 2012-12-15
    wanted.m_atime = 130000000000000000LL;
    wanted.m_attribute |= kAttrReadOnly;
    ASSERT_TRUE(CFile::SetStatus(path, wanted));
    CFileStatus back;
    ASSERT_TRUE(CFile::GetStatus(path, back));
    EXPECT_EQ(wanted.m_mtime, back.m_mtime);
    EXPECT_TRUE(back.m_attribute & kAttrReadOnly);
    EXPECT_FALSE(CFile::Remove(path));  // read-only files stay

    back.m_attribute &= static_cast<uint8_t>(~kAttrReadOnly);
    ASSERT_TRUE(CFile::SetStatus(path, back));
    EXPECT_TRUE(CFile::Remove(path));
    EXPECT_FALSE(CFile::GetStatus(path, st));

    CFileStatus folder;
    ASSERT_TRUE(CFile::GetStatus(dir.Path(), folder));
    EXPECT_TRUE(folder.m_attribute & kAttrDirectory);
}

TEST(FileStatus, RenameNeverReplacesATarget) {
    TempDir dir;
    testsupport::WriteFile(dir / "a", "A");
    testsupport::WriteFile(dir / "b", "B");
    EXPECT_FALSE(CFile::Rename(dir / "a", dir / "b"));
    EXPECT_EQ("B", testsupport::ReadFile(dir / "b"));
    EXPECT_TRUE(CFile::Rename(dir / "a", dir / "c"));
    EXPECT_EQ("A", testsupport::ReadFile(dir / "c"));
    EXPECT_FALSE(testsupport::Exists(dir / "a"));
}

TEST(FindFiles, MasksFollowWindowsRules) {
    TempDir dir;
    testsupport::WriteFile(dir / "report.doc", "x");
    testsupport::WriteFile(dir / "REPORT.~ENC", "xy");
    testsupport::WriteFile(dir / "noext", "");
    testsupport::MakeDir(dir / "sub");

    auto names = [&](const std::string& mask) {
        std::vector<std::string> out;
        platform::FindFiles(dir.Path(), mask, [&](const platform::FindData& f) {
            if (f.name != "." && f.name != "..") out.push_back(f.name);
            return true;
        });
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ((std::vector<std::string>{"REPORT.~ENC", "noext", "report.doc", "sub"}), names("*.*"));
    EXPECT_EQ((std::vector<std::string>{"REPORT.~ENC"}), names("*.~enc"));
    EXPECT_EQ((std::vector<std::string>{"report.doc"}), names("rep?rt.d*"));
    EXPECT_TRUE(names("*.xyz").empty());

    bool sawFolder = false;
    platform::FindFiles(dir.Path(), "sub", [&](const platform::FindData& f) {
        sawFolder = (f.attributes & kAttrDirectory) != 0;
        return true;
    });
    EXPECT_TRUE(sawFolder);
    EXPECT_FALSE(platform::FindFiles(dir / "missing", "*.*", [](const platform::FindData&) { return true; }));

    // Listing for names and folders only tells the same files from the same folders.
    auto kinds = [&](platform::FindDetail detail) {
        std::vector<std::string> out;
        platform::FindFiles(
            dir.Path(), "*.*",
            [&](const platform::FindData& f) {
                out.push_back(f.name + ((f.attributes & kAttrDirectory) ? "/" : ""));
                return true;
            },
            detail);
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(kinds(platform::FindDetail::Full), kinds(platform::FindDetail::TypeOnly));
}

// IsLink, the walk's FolderLinks and an open that refuses links must agree on
// every kind of entry, whatever the system shows of links in its listings.
TEST(Links, EveryWayOfAskingAgrees) {
    TempDir dir, outside;
    testsupport::WriteFile(outside / "target.txt", "outside");
    testsupport::WriteFile(dir / "plain.txt", "plain");
    testsupport::WriteFile(dir / "Mixed.txt", "mixed");
    testsupport::MakeDir(dir / "sub");
    testsupport::WriteFile(dir / "sub" + kSep + "inner.txt", "inner");
    testsupport::SymbolicLink toFile(outside / "target.txt", dir / "file link.txt");
    testsupport::SymbolicLink toFolder(outside.Path(), dir / "folder link");
    if (!toFile.Made() || !toFolder.Made()) GTEST_SKIP() << "no symbolic links here";
    // A link named like the file beside it but for letter case, where the
    // file system tells the two names apart (not on Windows itself).
    testsupport::SymbolicLink otherCase(dir / "Mixed.txt", dir / "mixed.txt");
#ifdef _WIN32
    const bool casesApart = !platform::ListingShowsFileLinks();
#else
    const bool casesApart = true;
#endif
    if (casesApart) {
        ASSERT_TRUE(otherCase.Made());
    }

    struct Entry {
        std::string folder, name;
        bool link;
    };
    std::vector<Entry> entries = {{dir.Path(), "plain.txt", false},
                                  {dir.Path(), "file link.txt", true},
                                  {dir.Path(), "folder link", true},
                                  {dir / "sub", "inner.txt", false},
                                  // reached through a linked folder, but no link itself
                                  {dir / "folder link", "target.txt", false},
                                  {dir.Path(), "Mixed.txt", false}};
    if (otherCase.Made()) entries.push_back({dir.Path(), "mixed.txt", true});
#ifdef _WIN32
    entries.push_back({dir.Path(), "PLAIN.TXT", false});  // Windows finds names in any letter case
#endif
    for (const Entry& e : entries) {
        const std::string path = e.folder + kSep + e.name;
        EXPECT_EQ(e.link, platform::IsLink(path)) << path;
        platform::FolderLinks links(e.folder);
        EXPECT_EQ(e.link, links.IsLink(e.name)) << path;
        if (e.name == "folder link") continue;
        CFile f;
        EXPECT_EQ(!e.link, f.Open(path, CFile::modeReadWrite | CFile::shareDenyNone | CFile::osNoLink)) << path;
        EXPECT_EQ(!e.link, f.Open(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite |
                                            CFile::shareDenyNone | CFile::osNoLink))
            << path;
        f.Close();
    }
    EXPECT_EQ("outside", testsupport::ReadFile(outside / "target.txt"));
    EXPECT_EQ("mixed", testsupport::ReadFile(dir / "Mixed.txt"));
    // The file goes first: where names are found in any letter case, the
    // link is seen to be gone only once neither name is left.
    if (otherCase.Made()) CFile::Remove(dir / "Mixed.txt");
}

TEST(FileIdentity, EverySpellingAndLinkOfAFileIsThatFile) {
    TempDir dir;
    const std::string sep(1, platform::kPathSep);
    const std::string a = dir / "a rather long file name.txt";
    testsupport::WriteFile(a, "A");
    testsupport::WriteFile(dir / "b", "A");
    testsupport::MakeDir(dir / "sub");

    std::vector<std::string> same = {a, dir.Path() + sep + "." + sep + "a rather long file name.txt",
                                     dir / "sub" + sep + ".." + sep + "a rather long file name.txt"};
#ifdef _WIN32
    std::string slashes = a;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    same.push_back(slashes);
    std::string upper = a;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    same.push_back(upper);
    if (!testsupport::ShortAlias(a).empty()) same.push_back(testsupport::ShortAlias(a));
    // Another program's lock does not hide the file.
    HANDLE lock = CreateFileA(a.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
#endif
    if (testsupport::MakeHardLink(a, dir / "hard")) same.push_back(dir / "hard");
    testsupport::SymbolicLink link(a, dir / "link");
    if (link.Made()) same.push_back(dir / "link");

    platform::FileIdentity first, other;
    ASSERT_TRUE(platform::GetFileIdentity(a, first));
    for (const std::string& path : same) {
        ASSERT_TRUE(platform::GetFileIdentity(path, other)) << path;
        EXPECT_EQ(first, other) << path;
        EXPECT_TRUE(platform::SameFile(a, path)) << path;
    }
#ifdef _WIN32
    CloseHandle(lock);
#endif
    // A file of the same bytes, a folder, nothing.
    EXPECT_FALSE(platform::SameFile(a, dir / "b"));
    EXPECT_FALSE(platform::SameFile(a, dir / "sub"));
    EXPECT_FALSE(platform::SameFile(a, dir / "missing"));
    EXPECT_FALSE(platform::SameFile(dir / "missing", dir / "missing"));
    EXPECT_FALSE(platform::GetFileIdentity("", other));
    EXPECT_TRUE(platform::SameFile(dir / "sub", dir / "sub" + sep + "."));
    EXPECT_TRUE(platform::LeadsToAnyOf(same.back(), {dir / "b", a}));
    EXPECT_FALSE(platform::LeadsToAnyOf(a, {dir / "b", dir / "missing"}));
    EXPECT_FALSE(platform::LeadsToAnyOf(dir / "missing", {dir / "missing"}));

    // Inside a folder, whatever the folder is called on the way.
    testsupport::MakeDir(dir / "sub" + sep + "deeper");
    const std::string inner = dir / "sub" + sep + "deeper" + sep + "file";
    testsupport::WriteFile(inner, "");
    EXPECT_TRUE(platform::LiesInside(inner, dir / "sub"));
    EXPECT_TRUE(platform::LiesInside(inner, dir.Path()));
    EXPECT_TRUE(platform::LiesInside(dir / "sub" + sep + "not there yet", dir / "sub"));
#ifdef _WIN32
    std::string upperSub = dir / "SUB";
    EXPECT_TRUE(platform::LiesInside(inner, upperSub + "\\deeper\\"));
    EXPECT_TRUE(platform::LiesInside(upperSub + "/deeper/file", dir / "sub"));
#endif
    EXPECT_FALSE(platform::LiesInside(dir / "sub", dir / "sub"));
    EXPECT_FALSE(platform::LiesInside(a, dir / "sub"));
    EXPECT_FALSE(platform::LiesInside(inner, dir / "missing"));

    EXPECT_EQ(dir.Path(), platform::ParentFolder(dir / "sub"));
    EXPECT_EQ("", platform::ParentFolder("name"));
    EXPECT_EQ("", platform::ParentFolder("folder" + sep));
#ifdef _WIN32
    EXPECT_EQ("C:\\", platform::ParentFolder("C:\\a"));
    EXPECT_EQ("C:\\a", platform::ParentFolder("C:\\a/b"));
    EXPECT_EQ("", platform::ParentFolder("C:\\"));
#else
    EXPECT_EQ("/", platform::ParentFolder("/a"));
    EXPECT_EQ("", platform::ParentFolder("/"));
#endif
}

TEST(FileIdentity, MoveReplacingTakesTheTargetsPlaceOrChangesNothing) {
    TempDir dir;
    testsupport::WriteFile(dir / "new", "new");
    testsupport::WriteFile(dir / "old", "old");
    EXPECT_TRUE(platform::MoveReplacing(dir / "new", dir / "old"));
    EXPECT_EQ("new", testsupport::ReadFile(dir / "old"));
    EXPECT_FALSE(testsupport::Exists(dir / "new"));
    EXPECT_TRUE(platform::MoveReplacing(dir / "old", dir / "fresh"));
    EXPECT_EQ("new", testsupport::ReadFile(dir / "fresh"));
    EXPECT_FALSE(platform::MoveReplacing(dir / "gone", dir / "fresh"));
    EXPECT_EQ("new", testsupport::ReadFile(dir / "fresh"));

    // Neither a read-only file nor a folder is replaced.
    testsupport::WriteFile(dir / "kept", "kept");
    CFileStatus status;
    status.m_attribute = kAttrReadOnly;
    ASSERT_TRUE(CFile::SetStatus(dir / "kept", status));
    EXPECT_FALSE(platform::MoveReplacing(dir / "fresh", dir / "kept"));
    status.m_attribute = 0;
    ASSERT_TRUE(CFile::SetStatus(dir / "kept", status));
    testsupport::MakeDir(dir / "folder");
    EXPECT_FALSE(platform::MoveReplacing(dir / "fresh", dir / "folder"));
    EXPECT_EQ((std::vector<std::string>{"folder", "fresh", "kept"}), testsupport::ListDir(dir.Path()));
    EXPECT_EQ("kept", testsupport::ReadFile(dir / "kept"));
    EXPECT_TRUE(testsupport::ListDir(dir / "folder").empty());
}

TEST(CreateFolderLevels, EveryLevelAtRealSeparatorsOnly) {
    TempDir dir;
    const std::string sep(1, platform::kPathSep);
    const std::string deep = dir / "a" + sep + "b" + sep + "c";
    EXPECT_TRUE(platform::CreateFolderLevels(deep));
    EXPECT_TRUE(platform::CreateFolderLevels(deep + sep));  // there already
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(deep, status));
    EXPECT_TRUE(status.m_attribute & kAttrDirectory);
    testsupport::WriteFile(dir / "file", "");
    EXPECT_FALSE(platform::CreateFolderLevels(dir / "file" + sep + "x"));
#ifdef _WIN32
    // In code page 932 "\x95\\" is one character: no level ends at its second
    // byte. This system reads the path in its own code page, where the byte
    // is a separator, so no level below the box can be made at all; a walk
    // byte by byte would have made the folder "\x95" first.
    if (GetACP() != 932) {
        EXPECT_FALSE(platform::CreateFolderLevels(dir / "x\x95\\y\\z", 932));
        EXPECT_EQ((std::vector<std::string>{"a", "file"}), testsupport::ListDir(dir.Path()));
        EXPECT_TRUE(platform::CreateFolderLevels(dir / "x\x95\\y\\z", 1252));
        EXPECT_TRUE(testsupport::Exists(dir / "x\x95\\y\\z"));
    }
#endif
}
