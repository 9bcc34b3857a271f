#include "app/project_file.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "tests/support/test_support.h"

namespace {

ProjectEntry Entry(std::string name, std::string path, uint32_t attributes, uint32_t size) {
    ProjectEntry e;
    e.name = std::move(name);
    e.path = std::move(path);
    e.attributes = attributes;
    e.size = size;
    return e;
}

bool Same(const std::vector<ProjectEntry>& a, const std::vector<ProjectEntry>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].path != b[i].path || a[i].attributes != b[i].attributes ||
            a[i].size != b[i].size || a[i].isFolder) {
            return false;
        }
    }
    return true;
}

std::string Le32(uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

TEST(ProjectFile, LayoutIsWrittenAndReadBackByteForByte) {
    std::string name254(254, 'n'), name255(255, 'm');
    std::vector<ProjectEntry> entries{Entry("a.txt", "C:\\a.txt", 0x21, 7),
                                      Entry(name254, "C:\\d\\x%s \xE9.txt", 0, 0xFFFFFFFFu),
                                      Entry(name255, "", 0x01, 0)};
    std::string bytes = project::WriteArchive(entries);
    auto shortText = [](const std::string& text) { return static_cast<char>(text.size()) + text; };
    std::string expected = Le32(3) + shortText("a.txt") + shortText("C:\\a.txt") + Le32(0x21) + Le32(7) +
                           "\xFE" + name254 + shortText(entries[1].path) + Le32(0) + Le32(0xFFFFFFFFu) +
                           std::string("\xFF\xFF\x00", 3) + name255 + std::string(1, '\0') + Le32(1) + Le32(0);
    EXPECT_EQ(expected, bytes);

    std::vector<ProjectEntry> read;
    ASSERT_TRUE(project::ReadArchive(bytes, read));
    EXPECT_TRUE(Same(entries, read));
    EXPECT_EQ(bytes, project::WriteArchive(read));

    // An older, longer file's tail behind the archive is never read.
    ASSERT_TRUE(project::ReadArchive(bytes + "[Setup]\r\nAuthor=Halvenrod\r\n", read));
    EXPECT_TRUE(Same(entries, read));
    ASSERT_TRUE(project::ReadArchive(Le32(0), read));
    EXPECT_TRUE(read.empty());
}

TEST(ProjectFile, DamagedArchivesAreRefusedAndChangeNothing) {
    std::vector<ProjectEntry> entries{Entry("a", "C:\\a", 0, 1), Entry("b", "C:\\b", 0, 2)};
    std::string good = project::WriteArchive(entries);
    const std::vector<ProjectEntry> kept{Entry("kept", "C:\\kept", 0, 9)};
    std::vector<std::string> bad{
        "",
        Le32(0xFFFFFFFFu),                         // a negative count
        Le32(2000000000u),                         // billions of entries that are not there
        Le32(1) + "\xFF\xFF\xFF" + Le32(0xFFFFFFF0u),  // a length far past the end
    };
    for (size_t cut = 1; cut < good.size(); ++cut) bad.push_back(good.substr(0, cut));
    for (const std::string& bytes : bad) {
        std::vector<ProjectEntry> read = kept;
        EXPECT_FALSE(project::ReadArchive(bytes, read)) << bytes.size();
        EXPECT_TRUE(Same(kept, read));
    }
}

TEST(ProjectFile, FilesAreCutAfterTheArchiveAndDamagedOnesTold) {
    testsupport::TempDir dir;
    std::string path = dir / "p.ecl";
    std::vector<ProjectEntry> ten;
    for (int i = 0; i < 10; ++i) ten.push_back(Entry("f" + std::to_string(i), dir / ("f" + std::to_string(i)), 0, 5));
    std::string name;
    ASSERT_EQ(project::WriteResult::Ok, project::WriteFile(path, ten, &name));
    EXPECT_EQ("p.ecl", name);
    std::vector<ProjectEntry> three(ten.begin(), ten.begin() + 3);
    ASSERT_EQ(project::WriteResult::Ok, project::WriteFile(path, three, nullptr));
    // Nothing of the longer list lingers in the file.
    EXPECT_EQ(project::WriteArchive(three), testsupport::ReadFile(path));
    std::vector<ProjectEntry> read;
    EXPECT_EQ(project::ReadResult::Ok, project::ReadFile(path, read));
    EXPECT_TRUE(Same(three, read));

    EXPECT_EQ(project::ReadResult::NotOpened, project::ReadFile(dir / "missing.ecl", read));
    EXPECT_EQ(project::WriteResult::NotOpened, project::WriteFile(dir / "no-such-folder" + platform::kPathSep + "such.ecl", three, nullptr));
    testsupport::WriteFile(path, "not a project at all");
    EXPECT_EQ(project::ReadResult::Damaged, project::ReadFile(path, read));
    EXPECT_TRUE(Same(three, read));
}

}  // namespace
