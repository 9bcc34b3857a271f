// Code page 1252 as the format's text: the conversion from UTF-8 matches what
// Windows itself makes of every character, names are taken only when 1252
// holds them exactly, and every stored byte comes back as valid UTF-8 that
// turns into the same byte again.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/code_page.h"

#ifdef _WIN32
#include <windows.h>
#endif

using platform::Cp1252ToUtf8;
using platform::Utf8NameToCp1252;
using platform::Utf8ToCp1252;

namespace {

std::string Utf8(uint32_t c) {
    auto tail = [](uint32_t bits) { return static_cast<char>(0x80 | (bits & 0x3F)); };
    if (c < 0x80) return std::string(1, static_cast<char>(c));
    if (c < 0x800) return {static_cast<char>(0xC0 | c >> 6), tail(c)};
    if (c < 0x10000) return {static_cast<char>(0xE0 | c >> 12), tail(c >> 6), tail(c)};
    return {static_cast<char>(0xF0 | c >> 18), tail(c >> 12), tail(c >> 6), tail(c)};
}

std::string Text(const std::string& utf8) {
    std::string out = "untouched";
    EXPECT_TRUE(Utf8ToCp1252(utf8, out)) << utf8;
    return out;
}

// Cut short, never UTF-8, overlong '/' (twice), a surrogate, beyond U+10FFFF,
// a lone continuation byte, a broken-off character.
const char* const kInvalidUtf8[] = {"\xC3", "a\xFF", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                    "\x80", "\xE2\x82" "x"};

}  // namespace

TEST(CodePage, TypedTextTakesWindowsBestFit) {
    EXPECT_EQ("p\xE4ssw\xF6rd \xA9 \x80 \x96", Text("p\xC3\xA4ssw\xC3\xB6rd \xC2\xA9 \xE2\x82\xAC \xE2\x80\x93"));
    EXPECT_EQ("AaO", Text("\xC4\x80\xC4\x81\xCE\xA9"));             // best fits: U+0100, U+0101, Greek capital omega
    EXPECT_EQ("?? ?", Text("\xF0\x9F\x98\x80 \xE4\xB8\xAD"));        // an emoji (two UTF-16 units), a Chinese character
    EXPECT_EQ("??", Text(Utf8(0x10FFFF)));

    for (const char* bad : kInvalidUtf8) {
        std::string out = "untouched";
        EXPECT_FALSE(Utf8ToCp1252(bad, out)) << bad;
        EXPECT_FALSE(Utf8NameToCp1252(bad, out)) << bad;
        EXPECT_EQ("untouched", out);
    }
}

TEST(CodePage, NamesAreExactAndEveryStoredByteComesBack) {
    std::string name;
    ASSERT_TRUE(Utf8NameToCp1252("caf\xC3\xA9 \xC2\xA9 men\xC3\xBC.txt", name));
    EXPECT_EQ("caf\xE9 \xA9 men\xFC.txt", name);
    // Characters 1252 holds only by best fit, or not at all, make no name.
    for (const char* refused : {"\xC4\x80.txt", "\xCE\xA9mega", "\xE4\xB8\xAD.doc", "\xF0\x9F\x98\x80",
                                "\xEF\xBF\xBD", "\xEF\xBF\xBD" "8d", "\xEF\xBF\xBD" "41", "\xEF\xBF\xBD" "8"}) {
        name = "untouched";
        EXPECT_FALSE(Utf8NameToCp1252(refused, name)) << refused;
        EXPECT_EQ("untouched", name);
    }

    // The undefined bytes come back visible; every byte comes back as valid
    // UTF-8 that gives the same byte again.
    EXPECT_EQ("a\xEF\xBF\xBD" "81" "\xEF\xBF\xBD" "8D" "\xEF\xBF\xBD" "8F" "\xEF\xBF\xBD" "90" "\xEF\xBF\xBD" "9D",
              Cp1252ToUtf8("a\x81\x8D\x8F\x90\x9D"));
    EXPECT_EQ("\xE2\x82\xAC\xC5\xB8\xC3\xBF", Cp1252ToUtf8("\x80\x9F\xFF"));
    std::string every;
    for (int b = 1; b < 256; ++b) every += static_cast<char>(b);
    const std::string utf8 = Cp1252ToUtf8(every);
    std::string text, back;
    EXPECT_TRUE(Utf8ToCp1252(utf8, text));
    ASSERT_TRUE(Utf8NameToCp1252(utf8, back));
    EXPECT_EQ(every, back);
}

#ifdef _WIN32
// The table against Windows' own conversion, character by character.
TEST(CodePage, MatchesWindowsForEveryCharacter) {
    int differences = 0;
    for (uint32_t code = 1; code < 0x10000 && differences < 10; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        const wchar_t wide = static_cast<wchar_t>(code);
        char expected[8];
        int n = WideCharToMultiByte(1252, 0, &wide, 1, expected, sizeof expected, nullptr, nullptr);
        std::string mine;
        ASSERT_TRUE(Utf8ToCp1252(Utf8(code), mine));
        if (std::string(expected, n) != mine) {
            ++differences;
            ADD_FAILURE() << "U+" << std::hex << code << ": Windows gives " << std::string(expected, n);
        }
    }
    const wchar_t pair[] = {0xD83D, 0xDE00};  // U+1F600
    char expected[8];
    int n = WideCharToMultiByte(1252, 0, pair, 2, expected, sizeof expected, nullptr, nullptr);
    EXPECT_EQ(std::string(expected, n), Text(Utf8(0x1F600)));

    for (int b = 1; b < 256; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;  // escaped instead
        const char byte = static_cast<char>(b);
        wchar_t wide = 0;
        ASSERT_EQ(1, MultiByteToWideChar(1252, 0, &byte, 1, &wide, 1));
        EXPECT_EQ(Utf8(wide), Cp1252ToUtf8(std::string(1, byte))) << b;
    }
}
#endif

TEST(CodePage, DoubleByteCodePagesAreReadCharacterByCharacter) {
    // The lead bytes of the four double-byte code pages, at their edges.
    struct Edge {
        unsigned codePage;
        unsigned char lead, notLead;
    };
    for (const Edge& e : {Edge{932, 0x81, 0x80}, Edge{932, 0x9F, 0xA0}, Edge{932, 0xE0, 0xDF}, Edge{932, 0xFC, 0xFD},
                          Edge{936, 0xFE, 0x80}, Edge{949, 0x81, 0xFF}, Edge{950, 0xA4, 0x7F}}) {
        EXPECT_TRUE(platform::IsLeadByteIn(e.codePage, e.lead)) << e.codePage << " " << int(e.lead);
        EXPECT_FALSE(platform::IsLeadByteIn(e.codePage, e.notLead)) << e.codePage << " " << int(e.notLead);
    }
    for (int b = 0; b < 256; ++b) EXPECT_FALSE(platform::IsLeadByteIn(1252, static_cast<unsigned char>(b))) << b;
    EXPECT_FALSE(platform::IsLeadByteIn(932, '\\'));

    EXPECT_EQ(u"COM\u00B9", platform::WideFromCodePage(1252, "COM\xB9"));
    EXPECT_EQ(u"\u20AC\u00E9", platform::WideFromCodePage(1252, "\x80\xE9"));
    EXPECT_EQ(u"a\u00B2", platform::WideFromCodePage(65001, "a\xC2\xB2"));
    // One character for each pair of 932, whatever it is.
    const std::u16string pair = platform::WideFromCodePage(932, "\x95\x5C" "a");
    ASSERT_EQ(2u, pair.size());
    EXPECT_EQ(u'a', pair[1]);
    EXPECT_NE(u'\\', pair[0]);
    EXPECT_TRUE(platform::WideFromCodePage(932, "").empty());
}
