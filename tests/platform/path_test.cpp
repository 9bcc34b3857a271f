// Paths split and joined in the double-byte code pages 932 and 936, whose
// characters may have the byte of a backslash (0x5C) as their second byte.
#include <gtest/gtest.h>

#include <string>

#include "platform/path.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

struct Character {
    unsigned codePage;
    wchar_t wide;
    const char* bytes;
};

// 表, ソ, 能 in both code pages (their second byte is 0x5C in 932 only), and
// three characters whose second byte is 0x5C in 936.
const Character kCharacters[] = {
    {932, L'\x8868', "\x95\x5C"}, {932, L'\x30BD', "\x83\x5C"}, {932, L'\x80FD', "\x94\x5C"},
    {936, L'\x8868', "\xB1\xED"}, {936, L'\x30BD', "\xA5\xBD"}, {936, L'\x80FD', "\xC4\xDC"},
    {936, L'\x4E57', "\x81\x5C"}, {936, L'\x5B7F', "\x8C\x5C"}, {936, L'\x5630', "\x87\x5C"},
};

}  // namespace

TEST(Path, DoubleByteCharactersAtTheEndOfFoldersAndNamesAreNoSeparators) {
    const std::string sep(1, platform::kPathSep);
    for (const Character& c : kCharacters) {
        const unsigned cp = c.codePage;
        const std::string x = c.bytes;
        SCOPED_TRACE(std::to_string(cp) + " U+" + std::to_string(static_cast<unsigned>(c.wide)));
#ifdef _WIN32
        char made[4] = {};
        ASSERT_EQ(2, WideCharToMultiByte(cp, 0, &c.wide, 1, made, sizeof made, nullptr, nullptr));
        EXPECT_EQ(x, std::string(made, 2));
#endif
        const std::string folder = "top" + sep + "d" + x;

        // At the end of a folder.
        const std::string inFolder = folder + sep + "f.txt";
        EXPECT_EQ(folder.size(), platform::LastSeparator(inFolder, cp));
        EXPECT_EQ("f.txt", platform::FileNamePart(inFolder, cp));
        EXPECT_EQ(folder, platform::FolderPart(inFolder, cp));
        EXPECT_EQ(folder, platform::ParentFolder(inFolder, cp));
        EXPECT_EQ(inFolder, platform::JoinPath(folder, "f.txt", cp));

        // At the end of a file name, and of a path without separator.
        const std::string named = folder + sep + "n" + x;
        EXPECT_EQ("n" + x, platform::FileNamePart(named, cp));
        EXPECT_EQ(folder, platform::FolderPart(named, cp));
        EXPECT_FALSE(platform::EndsInSeparator(named, cp));
        EXPECT_EQ(named, platform::WithoutTrailingSeparators(named, cp));
        EXPECT_EQ(std::string::npos, platform::LastSeparator("n" + x, cp));
        EXPECT_EQ("n" + x, platform::FileNamePart("n" + x, cp));
        EXPECT_EQ("", platform::FolderPart("n" + x, cp));

        // Before trailing separators.
        const std::string trailing = folder + sep + sep;
        EXPECT_TRUE(platform::EndsInSeparator(trailing, cp));
        EXPECT_EQ(folder, platform::WithoutTrailingSeparators(trailing, cp));
        EXPECT_EQ("", platform::FileNamePart(trailing, cp));
        EXPECT_EQ("", platform::ParentFolder(trailing, cp));

        // One character looked for, a backslash here on every system.
        EXPECT_EQ(5u, platform::LastOf("a\\b" + x + "\\c" + x, '\\', cp));
        EXPECT_EQ(std::string::npos, platform::LastOf("ab" + x, '\\', cp));
    }
    // In a code page without two-byte characters the same byte is a backslash.
    EXPECT_EQ(4u, platform::LastOf("a\\b\x95\\", '\\', 1252));
#ifdef _WIN32
    EXPECT_EQ("d\x95", platform::WithoutTrailingSeparators("d\x95\\", 1252));
    EXPECT_EQ("C:\\d\x95\\\\x", platform::JoinPath("C:\\d\x95\\", "x", 932));
#endif
}
