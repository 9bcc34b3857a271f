#include "core/sfx_archive.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/file.h"
#include "tests/support/test_support.h"

namespace {

const std::string kStub = std::string("MZ stub program\0\x01\x02", 18);

uint64_t Le(const std::string& s, size_t at, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
    return v;
}

void Put(std::string& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A raw directory record: anything a hostile archive may hold.
std::string Record(uint64_t offset, uint64_t size, const std::string& name, uint64_t nameLength) {
    std::string r;
    Put(r, offset, 8);
    Put(r, size, 8);
    r += name;
    Put(r, nameLength, 4);
    return r;
}

std::string Trailer(uint64_t count) {
    std::string t;
    Put(t, count, 4);
    return t + kArchiveMarker;
}

std::string Sep() { return std::string(1, platform::kPathSep); }

class SfxArchiveTest : public ::testing::Test {
protected:
    std::string Make(const std::string& name, const std::string& data) {
        std::string path = m_dir / name;
        testsupport::WriteFile(path, data);
        return path;
    }
    testsupport::TempDir m_dir;
};

TEST_F(SfxArchiveTest, WritesTheLayoutByteForByte) {
    std::string a = Make("a.txt", "hello");
    std::string b = Make("b.bin", std::string(3 * CSelfExtractor::kCopyBlock + 17, 'x'));
    std::string empty = Make("empty", "");
    std::string out = m_dir / "out.exe";

    CSelfExtractor writer;
    EXPECT_EQ(kArchiveNoEntries, writer.WriteArchive(kStub.data(), kStub.size(), out));
    EXPECT_FALSE(testsupport::Exists(out));

    ASSERT_TRUE(writer.AddFile(a, "a.txt"));
    ASSERT_TRUE(writer.AddFile(b, "dir\\b.bin.~enc"));
    ASSERT_TRUE(writer.AddFile(empty, "empty"));
    EXPECT_FALSE(writer.AddFile(m_dir / "missing", "missing"));
    EXPECT_FALSE(writer.AddFile(m_dir.Path(), "folder"));
    EXPECT_FALSE(writer.AddFile(a, ""));
    EXPECT_FALSE(writer.AddFile(a, std::string(kMaxAddedName + 1, 'n')));
    EXPECT_EQ(3, writer.GetCount());

    // Twice on one object: the second archive is the same, names and all.
    ASSERT_EQ(kArchiveOk, writer.WriteArchive(kStub.data(), kStub.size(), out));
    std::string first = testsupport::ReadFile(out);
    ASSERT_EQ(kArchiveOk, writer.WriteArchive(kStub.data(), kStub.size(), out));
    std::string s = testsupport::ReadFile(out);
    EXPECT_EQ(first, s);

    const uint64_t sizeB = 3 * CSelfExtractor::kCopyBlock + 17;
    std::string expected = kStub + "hello" + std::string(sizeB, 'x');
    expected += Record(kStub.size(), 5, "a.txt.~enc", 10);
    expected += Record(kStub.size() + 5, sizeB, "dir\\b.bin.~enc.~enc", 19);
    expected += Record(kStub.size() + 5 + sizeB, 0, "empty", 5);
    expected += Trailer(3);
    EXPECT_TRUE(s == expected) << "archive differs from the expected layout";
    EXPECT_EQ(3u, Le(s, s.size() - 14, 4));

    // Read back: the entry stored last comes first.
    CSelfExtractor reader;
    ASSERT_EQ(kArchiveOk, reader.ReadDirectory(out));
    ASSERT_EQ(3, reader.GetCount());
    EXPECT_EQ("empty", reader.Entry(0).storedName);
    EXPECT_EQ("dir\\b.bin.~enc.~enc", reader.Entry(1).storedName);
    EXPECT_EQ(sizeB, reader.Entry(1).size);
    EXPECT_EQ("a.txt.~enc", reader.Entry(2).storedName);
    EXPECT_EQ(kStub.size(), reader.Entry(2).offset);
    EXPECT_EQ(30u + 39u + 25u + 14u, reader.TailLength());
}

TEST_F(SfxArchiveTest, FailedWritesLeaveNoArchiveAndEveryOriginal) {
    std::string a = Make("a.txt", "original bytes");
    std::string b = Make("b.txt", "more bytes");
    std::string out = m_dir / "out.exe";
    {
        // The output must never be one of the stored files.
        CSelfExtractor writer;
        ASSERT_TRUE(writer.AddFile(a, "a.txt"));
        std::string sameInOtherCase = a;
        sameInOtherCase.back() = 'T';
        EXPECT_EQ(kArchiveOutputFailed, writer.WriteArchive(kStub.data(), kStub.size(), a));
        EXPECT_EQ(kArchiveOutputFailed, writer.WriteArchive(kStub.data(), kStub.size(), sameInOtherCase));
        EXPECT_EQ("original bytes", testsupport::ReadFile(a));
    }
    {
        // A source gone before writing: 1006 and no partial archive.
        CSelfExtractor writer;
        ASSERT_TRUE(writer.AddFile(a, "a.txt"));
        ASSERT_TRUE(writer.AddFile(b, "b.txt"));
        ASSERT_TRUE(CFile::Remove(b));
        EXPECT_EQ(kArchiveSourceFailed, writer.WriteArchive(kStub.data(), kStub.size(), out));
        EXPECT_FALSE(testsupport::Exists(out));
    }
    for (const std::string& changed : {std::string("short"), std::string("much longer than it was")}) {
        // A source that shrank or grew after it was added.
        testsupport::WriteFile(b, "more bytes");
        CSelfExtractor writer;
        ASSERT_TRUE(writer.AddFile(b, "b.txt"));
        testsupport::WriteFile(b, changed);
        EXPECT_EQ(kArchiveSourceFailed, writer.WriteArchive(kStub.data(), kStub.size(), out)) << changed;
        EXPECT_FALSE(testsupport::Exists(out));
    }
    {
        // The disk fills up while the archive is written.
        CSelfExtractor writer;
        ASSERT_TRUE(writer.AddFile(a, "a.txt"));
        ASSERT_TRUE(writer.AddFile(b, "b.txt"));
        int writes = 0;
        platform::WriteHook previous = platform::SetWriteHook([&](const std::string& path, size_t) {
            return path != out || ++writes < 3;
        });
        EXPECT_EQ(kArchiveOutputFailed, writer.WriteArchive(kStub.data(), kStub.size(), out));
        platform::SetWriteHook(previous);
        EXPECT_FALSE(testsupport::Exists(out));
        EXPECT_EQ("original bytes", testsupport::ReadFile(a));
    }
    {
        // No folder to write into.
        CSelfExtractor writer;
        ASSERT_TRUE(writer.AddFile(a, "a.txt"));
        EXPECT_EQ(kArchiveOutputFailed, writer.WriteArchive(kStub.data(), kStub.size(), m_dir / "no" + Sep() + "x.exe"));
        EXPECT_EQ(kArchiveNoStub, writer.CreateArchive(999, out));
    }
}

TEST_F(SfxArchiveTest, ExtractsBelowTheFolderAndNeverOverAFile) {
    std::string out = m_dir / "arc.exe";
    {
        CSelfExtractor writer;
        ASSERT_TRUE(writer.AddFile(Make("A", "first"), "A"));
        ASSERT_TRUE(writer.AddFile(Make("B", "second"), "one\\two\\B"));
        ASSERT_TRUE(writer.AddFile(Make("C", ""), "C"));
        ASSERT_TRUE(writer.AddFile(Make("D", "taken"), "D"));
        ASSERT_EQ(kArchiveOk, writer.WriteArchive(kStub.data(), kStub.size(), out));
    }
    std::string folder = m_dir / "target";  // no trailing separator, not there yet
    testsupport::MakeDir(folder);
    testsupport::WriteFile(folder + Sep() + "D.~enc", "the user's own file");

    CSelfExtractor reader;
    std::string path;
    ASSERT_EQ(kArchiveOk, reader.ExtractEntryFrom(out, 3, folder, &path));
    EXPECT_EQ(folder + Sep() + "A.~enc", path);
    EXPECT_EQ("first", testsupport::ReadFile(path));
    ASSERT_EQ(kArchiveOk, reader.ExtractEntryFrom(out, 2, folder + Sep(), &path));
    EXPECT_EQ(folder + Sep() + "one" + Sep() + "two" + Sep() + "B.~enc", path);
    EXPECT_EQ("second", testsupport::ReadFile(path));
    ASSERT_EQ(kArchiveOk, reader.ExtractEntryFrom(out, 1, folder, &path));
    EXPECT_EQ(folder + Sep() + "C", path);
    EXPECT_EQ("", testsupport::ReadFile(path));
    // The name is taken: a free variant, and the user's file stays.
    ASSERT_EQ(kArchiveOk, reader.ExtractEntryFrom(out, 0, folder, &path));
    EXPECT_EQ(folder + Sep() + "D_1.~enc", path);
    EXPECT_EQ("taken", testsupport::ReadFile(path));
    EXPECT_EQ("the user's own file", testsupport::ReadFile(folder + Sep() + "D.~enc"));

    EXPECT_EQ(kArchiveBadDirectory, reader.ExtractEntryFrom(out, 4, folder, &path));
    EXPECT_EQ(kArchiveOutputFailed, reader.ExtractEntryFrom(out, 0, "", &path));
    EXPECT_EQ(kArchiveCannotOpen, reader.ExtractEntryFrom(m_dir / "none.exe", 0, folder, &path));
    EXPECT_EQ(kArchiveBadDirectory, reader.ReadDirectory(Make("plain.exe", kStub)));
}

TEST_F(SfxArchiveTest, HostileDirectoriesFailCleanly) {
    const std::string data = "0123456789";
    const uint64_t at = kStub.size();
    struct Case {
        std::string directory;
        int read;     // ReadDirectory
        int extract;  // extracting entry 0 when the read succeeded
    };
    std::vector<Case> cases = {
        {Trailer(0), kArchiveNoEntries, 0},
        {Trailer(1), kArchiveBadDirectory, 0},
        {Trailer(0x7FFFFFFF), kArchiveBadDirectory, 0},
        {Trailer(0xFFFFFFFF), kArchiveBadDirectory, 0},
        {Record(at, 10, "", 0) + Trailer(1), kArchiveBadDirectory, 0},
        {Record(at, 10, std::string(1001, 'n'), 1001) + Trailer(1), kArchiveBadDirectory, 0},
        {Record(at, 10, "name", 0xFFFFFFFF) + Trailer(1), kArchiveBadDirectory, 0},
        {Record(at, 10, "name", 5000) + Trailer(1), kArchiveBadDirectory, 0},
        {Record(at, 11, "past.end", 8) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(at + 5, 0xFFFFFFFFFFFFFFF0ull, "huge", 4) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(0xFFFFFFFFFFFFFFFFull, 1, "far", 3) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(at, 10, "..\\x", 4) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(at, 10, "C:\\..\\x", 7) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(at, 10, "C:\\D:\\x", 7) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(at, 10, "\\\\server\\x", 10) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(at, 10, "a:b", 3) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(at, 10, "a/../../x", 9) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(at, 10, "COM1.txt", 8) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(at, 10, "fine", 4) + Trailer(1), kArchiveOk, kArchiveOk},
        {Record(at, 10, "C:\\fine", 7) + Trailer(1), kArchiveOk, kArchiveOk},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        testsupport::TempDir box;
        std::string archive = box / "a.exe";
        testsupport::WriteFile(archive, kStub + data + cases[i].directory);
        std::string folder = box / "out";
        testsupport::MakeDir(folder);
        CSelfExtractor reader;
        EXPECT_EQ(cases[i].read, reader.ReadDirectory(archive));
        if (cases[i].read != kArchiveOk) {
            EXPECT_EQ(0, reader.GetCount());
            continue;
        }
        std::string path;
        EXPECT_EQ(cases[i].extract, reader.ExtractEntryFrom(archive, 0, folder, &path));
        if (cases[i].extract == kArchiveOk) {
            EXPECT_EQ(data, testsupport::ReadFile(path));
        } else {
            EXPECT_FALSE(reader.LastProblem().empty());
            EXPECT_TRUE(testsupport::ListDir(folder).empty());
        }
        // Nothing lands beside the folder.
        EXPECT_EQ((std::vector<std::string>{"a.exe", "out"}), testsupport::ListDir(box.Path()));
    }

    // A real archive cut at every 100 bytes of its directory never reads.
    std::string out = m_dir / "full.exe";
    CSelfExtractor writer;
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(writer.AddFile(Make("f" + std::to_string(i), data), "folder\\name " + std::to_string(i)));
    }
    ASSERT_EQ(kArchiveOk, writer.WriteArchive(kStub.data(), kStub.size(), out));
    std::string whole = testsupport::ReadFile(out);
    size_t directoryStart = kStub.size() + 20 * data.size();
    for (size_t cut = directoryStart; cut < whole.size(); cut += 100) {
        std::string cutPath = m_dir / "cut.exe";
        testsupport::WriteFile(cutPath, whole.substr(0, cut));
        CSelfExtractor reader;
        EXPECT_EQ(kArchiveBadDirectory, reader.ReadDirectory(cutPath)) << cut;
    }
}

TEST(SfxArchiveNames, OnlyNamesBelowTheFolderPass) {
    std::string rel;
    std::string s = Sep();
    EXPECT_TRUE(CSelfExtractor::SafeRelativeName("docs\\report.doc.~enc", rel));
    EXPECT_EQ("docs" + s + "report.doc.~enc", rel);
    EXPECT_TRUE(CSelfExtractor::SafeRelativeName("C:\\x", rel));
    EXPECT_EQ("x", rel);
    EXPECT_TRUE(CSelfExtractor::SafeRelativeName("na\xEFve caf\xE9 file.txt", rel));
    EXPECT_TRUE(CSelfExtractor::SafeRelativeName("..a", rel));
    for (const char* bad : {"", "\\x", "/x", "..", "a\\..\\..\\x", "a\\.\\x", "a\\\\x", "x\\", "a:b", "C:x", "C:/x",
                            "C:\\\\x", "nul", "Con.txt", "lpt9", "a\\aux\\b", "a\x01", "a?b", "a*", ". .\\x"}) {
        EXPECT_FALSE(CSelfExtractor::SafeRelativeName(bad, rel)) << bad;
    }
}

}  // namespace
