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
using testsupport::WriteFile;

namespace {

const std::string kSep(1, platform::kPathSep);

size_t IndexOf(const std::vector<std::string>& list, const std::string& item) {
    return static_cast<size_t>(std::find(list.begin(), list.end(), item) - list.begin());
}

std::vector<std::string> Paths(const CSADirRead& reader) {
    std::vector<std::string> paths;
    for (const ProjectEntry& e : reader.files) paths.push_back(e.path);
    return paths;
}

// B holds S1 (with S1a) and S2, and files of 18 bytes in all on every level.
struct Tree {
    testsupport::TempDir dir;
    std::string base = dir / "B", s1 = base + kSep + "S1", s1a = s1 + kSep + "S1a", s2 = base + kSep + "S2";
    Tree() {
        for (const std::string& folder : {base, s1, s1a, s2}) MakeDir(folder);
        WriteFile(base + kSep + "top.txt", "12345");
        WriteFile(base + kSep + "top.doc", "1");
        WriteFile(s1 + kSep + "one.txt", "123");
        WriteFile(s1a + kSep + "deep.txt", "1234567");
        WriteFile(s2 + kSep + "two.dat", "12");
    }
};

}  // namespace

TEST(DirRead, CollectsFoldersDepthFirstThenMatchingEntries) {
    Tree t;
    CSADirRead reader;
    reader.CollectFolders((t.base + kSep + kSep).c_str(), true);
    EXPECT_EQ(t.base, reader.baseFolder);
    ASSERT_EQ(4u, reader.folders.size());
    EXPECT_EQ(t.base, reader.folders.back());
    EXPECT_LT(IndexOf(reader.folders, t.s1a), IndexOf(reader.folders, t.s1));
    EXPECT_LT(IndexOf(reader.folders, t.s2), 3u);

    EXPECT_TRUE(reader.CollectFiles("*.*", true, false));
    EXPECT_EQ(5u, reader.files.size());
    EXPECT_EQ(18u, reader.total);
    for (const ProjectEntry& e : reader.files) EXPECT_FALSE(e.isFolder || !e.name.empty());
    reader.CollectFiles("*.TXT", true, false);  // entries pile up until cleared
    EXPECT_EQ(8u, reader.files.size());
    EXPECT_EQ(33u, reader.total);

    reader.ClearFileList();
    EXPECT_EQ(0u, reader.total);
    reader.CollectFiles("*.*", false, true);
    std::vector<std::string> folders = Paths(reader);
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ((std::vector<std::string>{t.s1, t.s1a, t.s2}), folders);  // never "." or ".."
    for (const ProjectEntry& e : reader.files) EXPECT_TRUE(e.isFolder && (e.attributes & kAttrDirectory));

    reader.ClearFileList();
    reader.CollectFiles("deep.txt", true, false);
    reader.SetRelativeNames(t.base);
    ASSERT_EQ(1u, reader.files.size());
    EXPECT_EQ("B" + kSep + "S1" + kSep + "S1a" + kSep + "deep.txt", reader.files[0].name);

    CSADirRead leaf;
    leaf.CollectFolders(t.s1a.c_str(), true);
    EXPECT_EQ(std::vector<std::string>{t.s1a}, leaf.folders);
    leaf.ClearFolderList();
    leaf.CollectFolders(t.base.c_str(), false);
    EXPECT_EQ(std::vector<std::string>{t.base}, leaf.folders);
}

std::vector<std::string> Skipped(const CSADirRead& reader, SkippedPath::Reason reason) {
    std::vector<std::string> paths;
    for (const SkippedPath& s : reader.skipped)
        if (s.reason == reason) paths.push_back(s.path);
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(DirRead, LinksAreNeitherEnteredNorTakenButNoted) {
    Tree t;
    testsupport::TempDir outside;
    WriteFile(outside / "elsewhere.txt", "not ours");
    const std::string toOutside = t.base + kSep + "out", loop = t.s2 + kSep + "loop", file = t.s1 + kSep + "l.txt";
    testsupport::SymbolicLink a(outside.Path(), toOutside), b(t.base, loop), c(outside / "elsewhere.txt", file);
    if (!a.Made() || !b.Made() || !c.Made()) GTEST_SKIP() << "no symbolic links here";
    CSADirRead reader;
    reader.CollectFolders(t.base.c_str(), true);
    EXPECT_EQ(4u, reader.folders.size());
    reader.CollectFiles("*.*", true, false);
    EXPECT_EQ(5u, reader.files.size());
    EXPECT_EQ((std::vector<std::string>{file, loop, toOutside}), Skipped(reader, SkippedPath::kLink));
    EXPECT_EQ(3u, reader.skipped.size());

    // Listing for paths only finds the same files and notes the same links,
    // and asks nothing more of the files.
    CSADirRead pathsOnly;
    pathsOnly.pathsOnly = true;
    pathsOnly.CollectFolders(t.base.c_str(), true);
    pathsOnly.CollectFiles("*.*", true, false);
    std::vector<std::string> full = Paths(reader), quick = Paths(pathsOnly);
    std::sort(full.begin(), full.end());
    std::sort(quick.begin(), quick.end());
    EXPECT_EQ(full, quick);
    EXPECT_EQ(Skipped(reader, SkippedPath::kLink), Skipped(pathsOnly, SkippedPath::kLink));
}

// Where the listing cannot show links to files, each file is asked, those of
// a large folder on several threads: the walk still gives what the listing
// holds, in its order, links left out and noted.
TEST(DirRead, ManyFilesAndTheLinksAmongThem) {
    testsupport::TempDir dir, outside;
    WriteFile(outside / "elsewhere.txt", "not ours");
    const std::string folder = dir / "many";
    MakeDir(folder);
    for (int i = 0; i < 150; ++i) WriteFile(folder + kSep + "f" + std::to_string(i) + ".txt", std::string(i, 'x'));
    testsupport::SymbolicLink one(outside / "elsewhere.txt", folder + kSep + "link one.txt"),
        two(outside / "elsewhere.txt", folder + kSep + "link two.txt");
    if (!one.Made() || !two.Made()) GTEST_SKIP() << "no symbolic links here";
    std::vector<std::string> files, links;
    platform::FindFiles(folder, "*.*", [&](const platform::FindData& entry) {
        if (entry.name == "." || entry.name == "..") return true;
        (entry.name.find("link") == 0 ? links : files).push_back(folder + kSep + entry.name);
        return true;
    });
    ASSERT_EQ(150u, files.size());

    CSADirRead reader;
    reader.CollectFolders(folder.c_str(), false);
    reader.CollectFiles("*.*", true, false);
    EXPECT_EQ(files, Paths(reader));
    EXPECT_EQ(149u * 150u / 2, reader.total);
    std::vector<std::string> skipped;
    for (const SkippedPath& s : reader.skipped) skipped.push_back(s.path);
    EXPECT_EQ(links, skipped);
}

// A folder too deep to list is noted, never dropped silently; the rest of
// the walk goes on.
TEST(DirRead, FoldersTooDeepToListAreNoted) {
    Tree t;
    std::string deep;
    const std::string listable = testsupport::MakeFoldersPastThePathLimit(t.s2, deep);
    WriteFile(listable + kSep + "f.txt", "f");
    CSADirRead reader;
    reader.CollectFolders(t.base.c_str(), true);
    reader.CollectFiles("*.*", true, false);
    EXPECT_EQ(6u, reader.files.size());
    EXPECT_EQ(std::vector<std::string>{deep}, Skipped(reader, SkippedPath::kTooDeep));
    EXPECT_EQ(1u, reader.skipped.size());
}

TEST(DirRead, SortsRemovalsAndNames) {
    CSADirRead reader;
    const std::pair<const char*, uint32_t> entries[] = {{"b/Readme", 30}, {"a/z", 5}, {"b/README", 4000000000u}, {"A/y", 7}};
    for (const auto& e : entries) {
        ProjectEntry entry;
        entry.path = e.first;
        entry.size = e.second;
        reader.AddEntry(entry);
    }
    EXPECT_EQ(4000000042u, reader.total);
    const std::vector<std::string> before = Paths(reader);
    reader.SortFiles(2, false);  // not a sort kind
    EXPECT_EQ(before, Paths(reader));

    reader.SortFiles(CSADirRead::kSortByPath, false);  // case-insensitive, stable
    EXPECT_EQ((std::vector<std::string>{"A/y", "a/z", "b/Readme", "b/README"}), Paths(reader));
    reader.SortFiles(CSADirRead::kSortByPath, true);
    EXPECT_EQ((std::vector<std::string>{"b/Readme", "b/README", "a/z", "A/y"}), Paths(reader));
    reader.SortFiles(CSADirRead::kSortBySize, false);
    EXPECT_EQ((std::vector<std::string>{"a/z", "A/y", "b/Readme", "b/README"}), Paths(reader));

    EXPECT_TRUE(reader.RemoveEntry(0));
    EXPECT_EQ(4000000037u, reader.total);
    EXPECT_EQ((std::vector<std::string>{"A/y", "b/Readme", "b/README"}), Paths(reader));
    EXPECT_FALSE(reader.RemoveEntry(3));
    EXPECT_FALSE(reader.RemoveEntry(-1));

    reader.SetRelativeNames("nobase");  // no separator: the whole path
    EXPECT_EQ("A/y", reader.files[0].name);
    reader.SetRelativeNames("x" + kSep + "base");
    EXPECT_EQ("y", reader.files[0].name);
    reader.SetRelativeNames("longer" + kSep + "base");  // a path shorter than the base: no name, no crash
    EXPECT_EQ("", reader.files[0].name);

    std::string p = "data" + kSep + "sub" + kSep + kSep + " " + kSep + "\t";
    CSADirRead::TrimTrailingSlashes(p);
    EXPECT_EQ("data" + kSep + "sub", p);
    p = "data" + kSep + "sub  ";  // no separator at the end: unchanged
    CSADirRead::TrimTrailingSlashes(p);
    EXPECT_EQ("data" + kSep + "sub  ", p);
#ifdef _WIN32
    const std::pair<const char*, const char*> cases[] = {{"C:\\", "C:"}, {"C:\\data/", "C:\\data/"}, {"data//", "data"}};
    for (const auto& c : cases) {
        std::string s = c.first;
        CSADirRead::TrimTrailingSlashes(s);
        EXPECT_EQ(c.second, s);
    }
#endif
}

TEST(DirRead, EntriesKeepTheLowThirtyTwoBitsOfHugeSizes) {
    testsupport::TempDir dir;
    {
        CFile f;
        ASSERT_TRUE(f.Open(dir / "big.bin", CFile::modeCreate | CFile::modeReadWrite));
        if (!f.SetLength(5ull << 30)) GTEST_SKIP() << "no room for a sparse 5 GB file";
    }
    WriteFile(dir / "h.txt", "h");
#ifdef _WIN32
    SetFileAttributesA((dir / "h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
#endif
    CSADirRead reader;
    reader.CollectFolders(dir.Path().c_str(), false);
    reader.CollectFiles("*.*", true, false);
    reader.SortFiles(CSADirRead::kSortBySize, true);
    ASSERT_EQ(2u, reader.files.size());
    EXPECT_EQ(1u << 30, reader.files[0].size);
    EXPECT_EQ((1ull << 30) + 1, reader.total);
#ifdef _WIN32
    EXPECT_EQ(uint32_t(kAttrHidden | kAttrReadOnly), reader.files[1].attributes & 0x1F);
#endif
}
