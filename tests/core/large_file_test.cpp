// Positions and lengths past 4 GB, where a 32-bit length or offset (a
// long, a size_t of the 32-bit build, a seek without its high word) would
// wrap: the file layer, the encrypted-file footer and the archive directory
// each meet data beyond that mark. The files are sparse, so they take no room.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/cipher_result.h"
#include "core/file_cipher.h"
#include "core/file_header.h"
#include "core/sfx_archive.h"
#include "platform/file.h"
#include "tests/support/test_support.h"

namespace {

using Vastrel2::CIPHER::CipherResult;
using Vastrel2::Utils::CFileHeader;

constexpr uint64_t kFourGB = 1ull << 32;
constexpr unsigned kCreate = CFile::modeCreate | CFile::modeReadWrite | CFile::shareDenyNone | CFile::typeBinary;

// A file of `length` bytes that are all zero but `data` at `at`; false where
// the file system cannot hold such a file.
bool MakeSparse(const std::string& path, uint64_t length, uint64_t at, const std::string& data) {
    CFile f;
    if (!f.Open(path, kCreate) || !f.SetLength(length)) return false;
    return f.Seek(static_cast<int64_t>(at), CFile::begin) && f.Write(data.data(), data.size());
}

std::string ReadAt(CFile& f, uint64_t at, size_t count) {
    std::string bytes(count, '\0');
    bytes.resize(f.ReadAt(at, &bytes[0], count));
    return bytes;
}

TEST(LargeFile, PositionsLengthsAndStatusPastFourGigabytes) {
    testsupport::TempDir dir;
    const std::string path = dir / "big.bin";
    const uint64_t length = kFourGB + (1ull << 30) + 10;
    if (!MakeSparse(path, length, kFourGB + 7, "abc")) GTEST_SKIP() << "no room for a sparse 5 GB file";

    for (unsigned extra : {0u, unsigned(CFile::osSequential)}) {
        CFile f;
        ASSERT_TRUE(f.Open(path, CFile::modeReadWrite | CFile::shareDenyNone | CFile::typeBinary | extra));
        EXPECT_EQ(length, f.GetLength());
        EXPECT_EQ("abc", ReadAt(f, kFourGB + 7, 3));
        ASSERT_TRUE(f.Seek(static_cast<int64_t>(kFourGB + 6), CFile::begin));
        char got[5] = {};
        EXPECT_EQ(5u, f.Read(got, 5));
        EXPECT_EQ(std::string("\0abc\0", 5), std::string(got, 5));
        EXPECT_EQ(kFourGB + 11, f.GetPosition());
        // Back across the mark from the current position, and from the end.
        ASSERT_TRUE(f.Seek(-12, CFile::current));
        EXPECT_EQ(kFourGB - 1, f.GetPosition());
        ASSERT_TRUE(f.Seek(-static_cast<int64_t>(length - kFourGB - 8), CFile::end));
        EXPECT_EQ(kFourGB + 8, f.GetPosition());
        EXPECT_TRUE(f.Write("Z", 1));
        EXPECT_EQ(kFourGB + 9, f.GetPosition());
        ASSERT_TRUE(f.Flush());
        EXPECT_EQ("aZc", ReadAt(f, kFourGB + 7, 3));
        ASSERT_TRUE(f.Seek(static_cast<int64_t>(kFourGB + 8), CFile::begin));
        EXPECT_TRUE(f.Write("b", 1));
        f.Close();
    }

    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path, status));
    EXPECT_EQ(length, status.m_size);
    uint64_t listed = 0;
    EXPECT_TRUE(platform::FindFiles(dir.Path(), "big.bin", [&](const platform::FindData& d) {
        listed = d.size;
        return true;
    }));
    EXPECT_EQ(length, listed);

    // Growing and cutting across the mark.
    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeReadWrite | CFile::shareDenyNone | CFile::typeBinary));
    ASSERT_TRUE(f.SetLength(kFourGB + 8));
    EXPECT_EQ(kFourGB + 8, f.GetLength());
    EXPECT_EQ("a", ReadAt(f, kFourGB + 7, 3));
}

// The footer sits beyond 4 GB and records a size beyond it: the trailer is
// found, the size read whole, and a wrong password turns the job away with
// the hint before a byte is deciphered.
TEST(LargeFile, FooterOfAnEncryptedFilePastFourGigabytes) {
    testsupport::TempDir dir;
    const std::string path = dir / "huge.~enc";
    const uint64_t size = kFourGB + 16;
    const unsigned char verifier[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    CFileHeader written("far away", verifier, "00112233445566778899AABBCCDDEEFF", size, 0, 3, 0, 0, 16,
                        std::string(32, 'A'));
    const std::string footer = Vastrel2::Utils::HexEncode(verifier, 16) + written.BuildFooter();
    if (!MakeSparse(path, size, size, footer)) GTEST_SKIP() << "no room for a sparse 4 GB file";

    CFile f;
    ASSERT_TRUE(f.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary));
    EXPECT_TRUE(Vastrel2::Utils::IsEncrypted(f));
    EXPECT_TRUE(Vastrel2::Utils::IsEncrypted(f, f.GetLength()));
    CFileHeader read;
    ASSERT_TRUE(read.ReadFooter(f));
    EXPECT_EQ(size, read.GetSize());
    EXPECT_EQ("far away", read.GetHint());
    f.Close();
    EXPECT_TRUE(Vastrel2::Utils::IsEncryptedFile(path));
    EXPECT_EQ("far away", Vastrel2::Utils::GetHint(path));

    testsupport::MessageRecorder boxes;
    Vastrel2::CIPHER::FileDecryptor job(nullptr, 0, 0, "not the password");
    std::string target = path, hint;
    EXPECT_EQ(CipherResult::kWrongPassword, job.DecryptFile(target, hint));
    EXPECT_EQ("far away", hint);
    EXPECT_EQ(path, target);
    EXPECT_EQ(std::vector<std::string>{"huge.~enc"}, testsupport::ListDir(dir.Path()));
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path, status));
    EXPECT_EQ(size + footer.size(), status.m_size);
}

// An archive whose stored file lies beyond 4 GB, after a long stub.
TEST(LargeFile, ArchiveEntryPastFourGigabytes) {
    testsupport::TempDir dir;
    const std::string path = dir / "far.exe";
    const uint64_t offset = kFourGB + 100;
    const std::string data = "payload";
    std::string tail = data;
    for (int i = 0; i < 8; ++i) tail.push_back(static_cast<char>((offset >> (8 * i)) & 0xFF));
    for (int i = 0; i < 8; ++i) tail.push_back(static_cast<char>(i == 0 ? data.size() : 0));
    tail += "far.txt";
    tail += std::string("\x07\0\0\0", 4);
    tail += std::string("\x01\0\0\0", 4);
    tail += kArchiveMarker;
    if (!MakeSparse(path, offset, offset, tail)) GTEST_SKIP() << "no room for a sparse 4 GB file";

    CSelfExtractor reader;
    ASSERT_EQ(kArchiveOk, reader.ReadDirectory(path)) << reader.LastProblem();
    ASSERT_EQ(1, reader.GetCount());
    EXPECT_EQ(offset, reader.Entry(0).offset);
    EXPECT_EQ(data.size(), reader.Entry(0).size);
    EXPECT_EQ(tail.size() - data.size(), reader.TailLength());

    testsupport::TempDir out;
    std::string extracted;
    ASSERT_EQ(kArchiveOk, reader.ExtractEntryFrom(path, 0, out.Path(), &extracted)) << reader.LastProblem();
    EXPECT_EQ(out / "far.txt", extracted);
    EXPECT_EQ(data, testsupport::ReadFile(extracted));
}

}  // namespace
