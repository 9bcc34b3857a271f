#include "core/sfx_archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/file.h"
#include "tests/support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

// A display that asks to stop once it has taken `steps` steps.
class CancellingProgress : public ArchiveProgress {
public:
    explicit CancellingProgress(int steps) : m_left(steps) {}
    void Begin(int, const std::string&) override {}
    void Step() override { --m_left; }
    void End() override {}
    bool Cancelled() const override { return m_left <= 0; }

private:
    int m_left;
};

TEST_F(SfxArchiveTest, AnOutputThatLeadsToAStoredFileIsRefusedHoweverItIsSpelt) {
    const std::string name = "a rather long source name.txt";
    const std::string a = Make(name, "original bytes");
    const std::string s = Sep();
    std::vector<std::string> spellings = {a, m_dir.Path() + s + "." + s + name,
                                          m_dir.Path() + s + "sub" + s + ".." + s + name};
    testsupport::MakeDir(m_dir / "sub");
#ifdef _WIN32
    std::string upper = a, slashes = a;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (char& c : slashes) c = c == '\\' ? '/' : c;
    spellings.push_back(upper);
    spellings.push_back(slashes);
    spellings.push_back(".\\" + name);
#else
    spellings.push_back(m_dir.Path() + "//" + name);
    spellings.push_back("./" + name);
#endif
    const std::string link = m_dir / "second name.exe";
    if (testsupport::MakeHardLink(a, link)) spellings.push_back(link);
    testsupport::SymbolicLink symbolic(a, m_dir / "symbolic.exe");
    if (symbolic.Made()) spellings.push_back(m_dir / "symbolic.exe");
    const std::vector<std::string> before = testsupport::ListDir(m_dir.Path());

    testsupport::CurrentFolder here(m_dir.Path());
    for (const std::string& spelling : spellings) {
        CSelfExtractor writer;
        ASSERT_TRUE(writer.AddFile(a, "a.txt"));
        EXPECT_EQ(kArchiveOutputFailed, writer.WriteArchive(kStub.data(), kStub.size(), spelling)) << spelling;
        EXPECT_EQ("The archive would replace a file it stores", writer.LastProblem()) << spelling;
        EXPECT_EQ("original bytes", testsupport::ReadFile(a)) << spelling;
        EXPECT_EQ(before, testsupport::ListDir(m_dir.Path())) << spelling;  // no temporary stays
    }
#ifndef _WIN32
    // Here letters of another case name another file: it may be written.
    CSelfExtractor writer;
    ASSERT_TRUE(writer.AddFile(a, "a.txt"));
    std::string otherCase = a;
    otherCase.back() = 'T';
    EXPECT_EQ(kArchiveOk, writer.WriteArchive(kStub.data(), kStub.size(), otherCase));
    EXPECT_EQ("original bytes", testsupport::ReadFile(a));
#endif
}

TEST_F(SfxArchiveTest, AnOutputByTheShortAliasOfAStoredFileIsRefused) {
    const std::string a = Make("a rather long source name.txt", "original bytes");
    const std::string alias = testsupport::ShortAlias(a);
    if (alias.empty()) GTEST_SKIP() << "the volume gives no short names";
    CSelfExtractor writer;
    ASSERT_TRUE(writer.AddFile(a, "a.txt"));
    EXPECT_EQ(kArchiveOutputFailed, writer.WriteArchive(kStub.data(), kStub.size(), alias)) << alias;
    EXPECT_EQ("original bytes", testsupport::ReadFile(a));
    EXPECT_EQ(std::vector<std::string>{"a rather long source name.txt"}, testsupport::ListDir(m_dir.Path()));
}

TEST_F(SfxArchiveTest, AFailedWriteLeavesWhatWasAtTheOutput) {
    const std::string a = Make("a.txt", "original bytes");
    const std::string b = Make("b.txt", "more bytes");
    const std::string out = m_dir / "out.exe";
    const std::string previous = "the archive of last week";
    // Each failure: the code, and the output and every source as they were,
    // with nothing of the run left beside them.
    auto expectUntouched = [&](int code, int expected, const std::string& what) {
        EXPECT_EQ(expected, code) << what;
        EXPECT_EQ(previous, testsupport::ReadFile(out)) << what;
        EXPECT_EQ("original bytes", testsupport::ReadFile(a)) << what;
        std::vector<std::string> names = testsupport::ListDir(m_dir.Path());
        names.erase(std::remove(names.begin(), names.end(), "b.txt"), names.end());
        EXPECT_EQ((std::vector<std::string>{"a.txt", "out.exe"}), names) << what;
    };
    auto writer = [&](bool withB) {
        auto w = std::make_unique<CSelfExtractor>();
        EXPECT_TRUE(w->AddFile(a, "a.txt"));
        if (withB) {
            testsupport::WriteFile(b, "more bytes");
            EXPECT_TRUE(w->AddFile(b, "b.txt"));
        }
        return w;
    };
    testsupport::WriteFile(out, previous);
    {
        auto w = writer(true);
        ASSERT_TRUE(CFile::Remove(b));
        expectUntouched(w->WriteArchive(kStub.data(), kStub.size(), out), kArchiveSourceFailed, "source gone");
    }
    for (const std::string& changed : {std::string("short"), std::string("much longer than it was")}) {
        auto w = writer(true);
        testsupport::WriteFile(b, changed);
        expectUntouched(w->WriteArchive(kStub.data(), kStub.size(), out), kArchiveSourceFailed, changed);
    }
    {
        // The disk fills up at the third write of the archive.
        auto w = writer(true);
        int writes = 0;
        platform::WriteHook hook = platform::SetWriteHook([&](const std::string& path, size_t) {
            return path.compare(0, out.size(), out) != 0 || ++writes < 3;
        });
        const int r = w->WriteArchive(kStub.data(), kStub.size(), out);
        platform::SetWriteHook(hook);
        expectUntouched(r, kArchiveOutputFailed, "disk full");
        EXPECT_EQ(3, writes);
    }
    for (int steps : {1, 2, 4}) {
        // Cancelled after the first entry, the second, or the directory.
        auto w = writer(true);
        CancellingProgress progress(steps);
        w->SetProgress(&progress);
        expectUntouched(w->WriteArchive(kStub.data(), kStub.size(), out), kArchiveCancelled, "cancelled");
    }
    {
        // A read-only output is not replaced.
        auto w = writer(false);
        CFileStatus readOnly;
        readOnly.m_attribute = kAttrReadOnly;
        ASSERT_TRUE(CFile::SetStatus(out, readOnly));
        const int r = w->WriteArchive(kStub.data(), kStub.size(), out);
        CFileStatus writable;
        ASSERT_TRUE(CFile::SetStatus(out, writable));
        expectUntouched(r, kArchiveOutputFailed, "read-only output");
    }
#ifdef _WIN32
    {
        // An output another program holds open is not replaced.
        auto w = writer(false);
        HANDLE held = CreateFileA(out.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        const int r = w->WriteArchive(kStub.data(), kStub.size(), out);
        CloseHandle(held);
        expectUntouched(r, kArchiveOutputFailed, "output held open");
    }
#endif
    {
        // Not over a folder, nor into one that is not there.
        auto w = writer(false);
        testsupport::MakeDir(m_dir / "folder.exe");
        EXPECT_EQ(kArchiveOutputFailed, w->WriteArchive(kStub.data(), kStub.size(), m_dir / "folder.exe"));
        EXPECT_TRUE(testsupport::ListDir(m_dir / "folder.exe").empty());
        std::filesystem::remove(m_dir / "folder.exe");
        EXPECT_EQ(kArchiveOutputFailed, w->WriteArchive(kStub.data(), kStub.size(), m_dir / "no" + Sep() + "x.exe"));
        expectUntouched(w->CreateArchive(999, out), kArchiveNoStub, "no stub");
    }
    {
        // Success replaces the old file; a file that has the temporary's
        // name is not the writer's and stays.
        testsupport::WriteFile(out + ".~sfx", "someone else's");
        auto w = writer(false);
        ASSERT_EQ(kArchiveOk, w->WriteArchive(kStub.data(), kStub.size(), out));
        EXPECT_EQ(kStub + "original bytes", testsupport::ReadFile(out).substr(0, kStub.size() + 14));
        EXPECT_EQ("someone else's", testsupport::ReadFile(out + ".~sfx"));
        EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt", "out.exe", "out.exe.~sfx"}),
                  testsupport::ListDir(m_dir.Path()));
        // An output at the path limit leaves no room for a longer name beside it.
        const std::string longest = m_dir / std::string(platform::kMaxPath - m_dir.Path().size() - 1, 'x');
        ASSERT_EQ(platform::kMaxPath, longest.size());
        ASSERT_EQ(kArchiveOk, w->WriteArchive(kStub.data(), kStub.size(), longest));
        EXPECT_EQ(testsupport::ReadFile(out), testsupport::ReadFile(longest));
        EXPECT_EQ(5u, testsupport::ListDir(m_dir.Path()).size());
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
        {Trailer(0x80000000), kArchiveBadDirectory, 0},
        {Trailer(0xFFFFFFFF), kArchiveBadDirectory, 0},
        // As many records as the bytes could hold, but none is whole.
        {std::string(21 * 20, '\xFF') + Trailer(20 + (kStub.size() + data.size()) / 21), kArchiveBadDirectory, 0},
        {Record(at, 10, "x", 1) + Trailer(2), kArchiveBadDirectory, 0},
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
        {Record(0xFFFFFFFF, 1, "far", 3) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(at, 0xFFFFFFFF, "big", 3) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(0, 0, "at nought", 9) + Trailer(1), kArchiveOk, kArchiveOk},
        {Record(at, 10, std::string(1000, 'n'), 1000) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
#ifdef _WIN32
        // Devices in the system's code page 1252 as well.
        {Record(at, 10, "COM\xB9", 4) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
        {Record(at, 10, "lpt\xB3.txt", 8) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
#else
        {Record(at, 10, "COM\xC2\xB9", 5) + Trailer(1), kArchiveOk, kArchiveOutputFailed},
#endif
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
            const uint64_t offset = reader.Entry(0).offset, size = reader.Entry(0).size;
            EXPECT_EQ((kStub + data).substr(static_cast<size_t>(offset), static_cast<size_t>(size)),
                      testsupport::ReadFile(path));
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
    EXPECT_TRUE(CSelfExtractor::SafeRelativeName("na\xEFve caf\xE9 file.txt", rel, 1252));
    EXPECT_TRUE(CSelfExtractor::SafeRelativeName("..a", rel));
    for (const char* bad : {"", "\\x", "/x", "..", "a\\..\\..\\x", "a\\.\\x", "a\\\\x", "x\\", "a:b", "C:x", "C:/x",
                            "C:\\\\x", "nul", "Con.txt", "lpt9", "a\\aux\\b", "a\x01", "a?b", "a*", ". .\\x",
                            "conout$", "COM1 .txt"}) {
        EXPECT_FALSE(CSelfExtractor::SafeRelativeName(bad, rel)) << bad;
        EXPECT_TRUE(rel.empty()) << bad;
    }
    // Windows reads COM and LPT with a superscript 1, 2 or 3 as devices too.
    for (const char* device : {"COM\xB9", "com\xB2.txt", "LPT\xB3", "a\\Lpt\xB9 .doc\\b"}) {
        EXPECT_FALSE(CSelfExtractor::SafeRelativeName(device, rel, 1252)) << device;
    }
    EXPECT_FALSE(CSelfExtractor::SafeRelativeName("COM\xC2\xB2", rel, 65001));
    for (const char* name : {"COM\xB9\xB9", "COM0", "COM10", "LPT\xBC", "COMA", "CO\xB9"}) {
        EXPECT_TRUE(CSelfExtractor::SafeRelativeName(name, rel, 1252)) << name;
    }
    // In code page 932 the byte 0xB9 is a katakana, no digit.
    EXPECT_TRUE(CSelfExtractor::SafeRelativeName("COM\xB9", rel, 932));
}

TEST(SfxArchiveNames, DoubleByteNamesSplitOnlyAtRealSeparators) {
    using Parts = std::vector<std::string>;
    Parts parts;
    // 0x95 0x5C is one character in code page 932; its second byte is the
    // byte of '\'. So are 0x83 0x7C (its second byte that of '|') and 0x81 0x5C.
    ASSERT_TRUE(CSelfExtractor::SafeNameParts("\x95\x5C\\x.txt", parts, 932));
    EXPECT_EQ((Parts{"\x95\x5C", "x.txt"}), parts);
    ASSERT_TRUE(CSelfExtractor::SafeNameParts("C:\\a\x81\x5C\\\x83\x7C\x95\x5C.doc.~enc", parts, 932));
    EXPECT_EQ((Parts{"a\x81\x5C", "\x83\x7C\x95\x5C.doc.~enc"}), parts);
    std::string rel;
    ASSERT_TRUE(CSelfExtractor::SafeRelativeName("\x95\x5C\\x", rel, 932));
    EXPECT_EQ(std::string("\x95\x5C") + Sep() + "x", rel);
    // A lead byte at the very end stands alone.
    ASSERT_TRUE(CSelfExtractor::SafeNameParts("a\\b\x95", parts, 932));
    EXPECT_EQ((Parts{"a", "b\x95"}), parts);
    // The same bytes read in code page 1252 are other names.
    ASSERT_TRUE(CSelfExtractor::SafeNameParts("\x95\x5C" "a", parts, 1252));
    EXPECT_EQ((Parts{"\x95", "a"}), parts);
    EXPECT_FALSE(CSelfExtractor::SafeNameParts("\x95\x5C\\x.txt", parts, 1252));  // an empty level
    EXPECT_FALSE(CSelfExtractor::SafeNameParts("\x83\x7C", parts, 1252));         // '|'
    EXPECT_TRUE(parts.empty());
    // Folders end at separators, and dots and devices are refused, in 932 too.
    for (const char* bad : {"\x95\x5C\\..\\..\\x", "\\\x95\x5C", "a\\nul", "COM1\\\x95\x5C", "\x95\x5C\\\\x"}) {
        EXPECT_FALSE(CSelfExtractor::SafeNameParts(bad, parts, 932)) << bad;
    }
}

}  // namespace
