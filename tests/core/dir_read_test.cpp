#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/dir_read.h"
#include "platform/file.h"
#include "tests/support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

using testsupport::MakeDir;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const char kSep = platform::kPathSep;

size_t IndexOf(const std::vector<std::string>& list, const std::string& item) {
    return static_cast<size_t>(std::find(list.begin(), list.end(), item) - list.begin());
}

std::vector<std::string> Paths(const CSADirRead& reader) {
    std::vector<std::string> paths;
    for (const ProjectEntry& e : reader.files) paths.push_back(e.path);
    return paths;
}

ProjectEntry Entry(const std::string& path, uint32_t size) {
    ProjectEntry e;
    e.path = path;
    e.size = size;
    return e;
}

// B holds S1 (with S1a) and S2, and files on every level.
struct Tree {
    TempDir dir;
    std::string base = dir / "B";
    Tree() {
        MakeDir(base);
        MakeDir(base + kSep + "S1");
        MakeDir(base + kSep + "S1" + kSep + "S1a");
        MakeDir(base + kSep + "S2");
        WriteFile(base + kSep + "top.txt", "12345");
        WriteFile(base + kSep + "top.doc", "1");
        WriteFile(base + kSep + "S1" + kSep + "one.txt", "123");
        WriteFile(base + kSep + "S1" + kSep + "S1a" + kSep + "deep.txt", "1234567");
        WriteFile(base + kSep + "S2" + kSep + "two.dat", "12");
    }
    std::string Sub(const std::string& rel) const { return base + kSep + rel; }
};

}  // namespace

TEST(DirRead, FoldersComeAfterTheirSubFoldersAndTheBaseLast) {
    Tree t;
    CSADirRead reader;
    EXPECT_TRUE(reader.CollectFolders((t.base + kSep + kSep).c_str(), true));
    EXPECT_EQ(t.base, reader.baseFolder);
    const std::vector<std::string>& f = reader.folders;
    ASSERT_EQ(4u, f.size());
    const std::string s1 = t.Sub("S1"), s1a = s1 + kSep + "S1a", s2 = t.Sub("S2");
    EXPECT_EQ(t.base, f.back());
    EXPECT_LT(IndexOf(f, s1a), IndexOf(f, s1));
    EXPECT_LT(IndexOf(f, s2), f.size());

    CSADirRead flat;
    flat.CollectFolders(t.base.c_str(), false);
    EXPECT_EQ(std::vector<std::string>{t.base}, flat.folders);
    CSADirRead leaf;
    leaf.CollectFolders(s1a.c_str(), true);
    EXPECT_EQ(std::vector<std::string>{s1a}, leaf.folders);
}

TEST(DirRead, MasksFilesFoldersAndTotals) {
    Tree t;
    CSADirRead reader;
    reader.CollectFolders(t.base.c_str(), true);
    EXPECT_TRUE(reader.CollectFiles("*.*", true, false));
    EXPECT_EQ(5u, reader.files.size());
    EXPECT_EQ(18u, reader.total);
    for (const ProjectEntry& e : reader.files) {
        EXPECT_FALSE(e.isFolder);
        EXPECT_TRUE(e.name.empty());
        EXPECT_EQ(0u, e.attributes & kAttrDirectory);
    }

    // Entries accumulate until the list is cleared.
    EXPECT_TRUE(reader.CollectFiles("*.TXT", true, false));
    EXPECT_EQ(8u, reader.files.size());
    EXPECT_EQ(33u, reader.total);
    reader.ClearFileList();
    EXPECT_TRUE(reader.files.empty());
    EXPECT_EQ(0u, reader.total);

    reader.CollectFiles("*.*", true, true);
    std::vector<std::string> names;
    for (const ProjectEntry& e : reader.files) {
        std::string name = platform::FileNamePart(e.path);
        EXPECT_NE(".", name);
        EXPECT_NE("..", name);
        EXPECT_EQ(e.isFolder, (e.attributes & kAttrDirectory) != 0);
        if (e.isFolder) names.push_back(e.path);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{t.Sub("S1"), t.Sub("S1") + kSep + "S1a", t.Sub("S2")}), names);

    reader.ClearFileList();
    reader.CollectFiles("*.*", false, true);
    EXPECT_EQ(3u, reader.files.size());
    reader.ClearFolderList();
    EXPECT_TRUE(reader.folders.empty());
}

TEST(DirRead, RelativeNamesKeepTheBaseFolderName) {
    Tree t;
    CSADirRead reader;
    reader.CollectFolders(t.base.c_str(), true);
    reader.CollectFiles("deep.txt", true, false);
    reader.SetRelativeNames(t.base);
    ASSERT_EQ(1u, reader.files.size());
    EXPECT_EQ(std::string("B") + kSep + "S1" + kSep + "S1a" + kSep + "deep.txt", reader.files[0].name);

    reader.files[0].path = "x";  // shorter than the base: no name rather than a crash
    reader.SetRelativeNames(t.base);
    EXPECT_EQ("", reader.files[0].name);
    reader.SetRelativeNames("nobase");
    EXPECT_EQ("x", reader.files[0].name);
}

TEST(DirRead, SortsByPathAndBySize) {
    CSADirRead reader;
    reader.AddEntry(Entry("b/Readme", 30));
    reader.AddEntry(Entry("a/z", 5));
    reader.AddEntry(Entry("b/README", 4000000000u));
    reader.AddEntry(Entry("A/y", 7));
    EXPECT_EQ(4000000042u, reader.total);

    const std::vector<std::string> before = Paths(reader);
    reader.SortFiles(2, false);  // not a sort kind
    EXPECT_EQ(before, Paths(reader));

    reader.SortFiles(CSADirRead::kSortByPath, false);
    EXPECT_EQ((std::vector<std::string>{"A/y", "a/z", "b/Readme", "b/README"}), Paths(reader));
    reader.SortFiles(CSADirRead::kSortByPath, true);
    EXPECT_EQ((std::vector<std::string>{"b/Readme", "b/README", "a/z", "A/y"}), Paths(reader));

    reader.SortFiles(CSADirRead::kSortBySize, false);
    EXPECT_EQ((std::vector<std::string>{"a/z", "A/y", "b/Readme", "b/README"}), Paths(reader));
    reader.SortFiles(CSADirRead::kSortBySize, true);
    EXPECT_EQ("b/README", reader.files[0].path);  // compared unsigned
}

TEST(DirRead, RemovingAnEntryLowersTheTotal) {
    CSADirRead reader;
    reader.AddEntry(Entry("one", 10));
    reader.AddEntry(Entry("two", 20));
    reader.AddEntry(Entry("three", 30));
    EXPECT_TRUE(reader.RemoveEntry(0));
    EXPECT_EQ(50u, reader.total);
    EXPECT_EQ((std::vector<std::string>{"two", "three"}), Paths(reader));
    EXPECT_FALSE(reader.RemoveEntry(2));
    EXPECT_FALSE(reader.RemoveEntry(-1));
    EXPECT_EQ(2u, reader.files.size());
}

TEST(DirRead, TrailingSeparatorsAndSpacesAreTrimmed) {
    std::string p = std::string("data") + kSep + "sub" + kSep + kSep + " " + kSep + "\t";
    CSADirRead::TrimTrailingSlashes(p);
    EXPECT_EQ(std::string("data") + kSep + "sub", p);
    std::string spaced = std::string("data") + kSep + "sub  ";
    CSADirRead::TrimTrailingSlashes(spaced);
    EXPECT_EQ(std::string("data") + kSep + "sub  ", spaced);  // no separator at the end: unchanged
#ifdef _WIN32
    std::string root = "C:\\";
    CSADirRead::TrimTrailingSlashes(root);
    EXPECT_EQ("C:", root);
    std::string mixed = "C:\\data/";  // holds a backslash, so the slash is not looked at
    CSADirRead::TrimTrailingSlashes(mixed);
    EXPECT_EQ("C:\\data/", mixed);
    std::string slashes = "data//";
    CSADirRead::TrimTrailingSlashes(slashes);
    EXPECT_EQ("data", slashes);
#endif
}

TEST(DirRead, LinkedFoldersAreNotEntered) {
    Tree t;
    TempDir outside;
    WriteFile(outside / "elsewhere.txt", "not ours");
    const std::string toOutside = t.Sub("link-out"), toSelf = t.Sub("S2") + kSep + "loop";
#ifdef _WIN32
    if (!CreateSymbolicLinkA(toOutside.c_str(), outside.Path().c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !CreateSymbolicLinkA(toSelf.c_str(), t.base.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY))
        GTEST_SKIP() << "no folder links here";
#else
    ASSERT_EQ(0, ::symlink(outside.Path().c_str(), toOutside.c_str()));
    ASSERT_EQ(0, ::symlink(t.base.c_str(), toSelf.c_str()));
#endif
    CSADirRead reader;
    reader.CollectFolders(t.base.c_str(), true);
    EXPECT_EQ(4u, reader.folders.size());
    EXPECT_EQ(reader.folders.size(), IndexOf(reader.folders, toOutside));
    reader.CollectFiles("*.*", true, false);
    EXPECT_EQ(5u, reader.files.size());
    for (const ProjectEntry& e : reader.files) EXPECT_EQ(std::string::npos, e.path.find("elsewhere"));
}

TEST(DirRead, HugeFilesCountTheirLowThirtyTwoBits) {
    TempDir dir;
    const std::string path = dir / "big.bin";
    {
        CFile f;
        ASSERT_TRUE(f.Open(path, CFile::modeCreate | CFile::modeReadWrite));
        if (!f.SetLength(5ull << 30)) GTEST_SKIP() << "no room for a sparse 5 GB file";
    }
    CSADirRead reader;
    reader.CollectFolders(dir.Path().c_str(), false);
    reader.CollectFiles("*.bin", true, false);
    ASSERT_EQ(1u, reader.files.size());
    EXPECT_EQ(1u << 30, reader.files[0].size);
    EXPECT_EQ(1ull << 30, reader.total);
}

#ifdef _WIN32
TEST(DirRead, AttributesAreThoseOfTheDirectorySearch) {
    TempDir dir;
    WriteFile(dir / "h.txt", "h");
    WriteFile(dir / "plain.txt", "p");
    SetFileAttributesA((dir / "h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((dir / "plain.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    CSADirRead reader;
    reader.CollectFolders(dir.Path().c_str(), false);
    reader.CollectFiles("*.txt", true, false);
    reader.SortFiles(CSADirRead::kSortByPath, false);
    ASSERT_EQ(2u, reader.files.size());
    const uint32_t kept = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory;
    EXPECT_EQ(uint32_t(kAttrHidden | kAttrReadOnly), reader.files[0].attributes & kept);
    EXPECT_EQ(0u, reader.files[1].attributes & kept);
}
#endif
