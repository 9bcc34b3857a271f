#include "core/string_archive.h"

#include <gtest/gtest.h>

using Vastrel2::Utils::ArchiveError;
using Vastrel2::Utils::ArchiveReader;
using Vastrel2::Utils::ArchiveWriter;

TEST(StringArchive, EachLengthFormRoundTripsAndStartsAsTheProjectFileExpects) {
    struct Case {
        size_t length;
        std::string prefix;
    };
    const Case cases[] = {{0, std::string("\x00", 1)},
                          {254, "\xFE"},
                          {255, std::string("\xFF\xFF\x00", 3)},
                          {65533, "\xFF\xFD\xFF"},
                          {65534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
                          {70000, std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7)}};
    ArchiveWriter writer;
    writer.WriteInt32(-2);
    for (const Case& c : cases) writer.WriteString(std::string(c.length, 'n'));
    writer.WriteUInt32(0xA1B2C3D4u);

    const std::string& bytes = writer.Bytes();
    EXPECT_EQ(std::string("\xFE\xFF\xFF\xFF", 4), bytes.substr(0, 4));
    size_t at = 4;
    for (const Case& c : cases) {
        EXPECT_EQ(c.prefix, bytes.substr(at, c.prefix.size())) << c.length;
        at += c.prefix.size() + c.length;
    }

    ArchiveReader reader(bytes);
    EXPECT_EQ(-2, reader.ReadInt32());
    for (const Case& c : cases) EXPECT_EQ(std::string(c.length, 'n'), reader.ReadString());
    EXPECT_EQ(0xA1B2C3D4u, reader.ReadUInt32());
    EXPECT_TRUE(reader.AtEnd());
}

TEST(StringArchive, WideStringsAreReadInEveryLengthForm) {
    std::string shortForm("\xFF\xFE\xFF\x03" "a\0b\0\xE9\0", 10);
    std::string wordForm = std::string("\xFF\xFE\xFF\xFF\x2C\x01", 6);
    for (int i = 0; i < 300; ++i) wordForm += std::string("x\0", 2);
    std::string both = shortForm + wordForm;
    ArchiveReader reader(both);
    EXPECT_EQ("ab\xE9", reader.ReadString());
    EXPECT_EQ(std::string(300, 'x'), reader.ReadString());
    EXPECT_TRUE(reader.AtEnd());
}

TEST(StringArchive, CutOrMalformedInputFailsWithoutMovingOn) {
    ArchiveWriter writer;
    writer.WriteInt32(3);
    writer.WriteString(std::string(300, 'p'));
    const std::string whole = writer.Bytes();
    // Every cut of a valid archive fails at the value it cuts.
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        ArchiveReader reader(whole.data(), cut);
        if (cut < 4) {
            EXPECT_THROW(reader.ReadInt32(), ArchiveError) << cut;
            EXPECT_EQ(0u, reader.Position());
            continue;
        }
        EXPECT_EQ(3, reader.ReadInt32());
        EXPECT_THROW(reader.ReadString(), ArchiveError) << cut;
        EXPECT_EQ(4u, reader.Position()) << cut;
    }
    // Lengths beyond the input, an odd wide length, a wide form inside a
    // wide form and the largest 32-bit length are refused, never allocated.
    for (const std::string& bad :
         {std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7), std::string("\xFF\xFE\xFF\x02" "a\0b", 7),
          std::string("\xFF\xFE\xFF\xFF\xFE\xFF\x01" "a\0", 9), std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 7),
          std::string("\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 10)}) {
        ArchiveReader reader(bad);
        EXPECT_THROW(reader.ReadString(), ArchiveError);
        EXPECT_EQ(0u, reader.Position());
    }
}
