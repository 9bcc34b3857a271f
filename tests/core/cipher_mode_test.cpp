#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/blowfish.h"
#include "core/cipher_mode.h"
#include "core/file_header.h"
#include "platform/file.h"
#include "tests/support/test_support.h"

using namespace Vastrel2::CIPHER;

namespace {

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

int PadFor(uint64_t size) { return size % 16 ? static_cast<int>(16 - size % 16) : 0; }

class Modes : public ::testing::Test {
protected:
    void SetUp() override {
        cipher.SetKey(reinterpret_cast<const unsigned char*>("0123456789abcdef0123456789abcdef"), 32);
        ASSERT_TRUE(iv.SetFromHex("00112233445566778899AABBCCDDEEFF"));
    }

    // One stream operation from a file holding `data` into a fresh file;
    // returns what was written.
    std::string Run(bool encrypt, const std::string& data, uint64_t size, bool& ok, IBlockCipher* with = nullptr) {
        if (!with) with = &cipher;
        testsupport::WriteFile(dir / "in", data);
        CFile source, out;
        EXPECT_TRUE(source.Open(dir / "in", CFile::modeRead));
        EXPECT_TRUE(out.Open(dir / "out", CFile::modeCreate | CFile::modeReadWrite));
        ok = encrypt ? cbc.EncryptStream(with, size, PadFor(size), source, out, iv)
                     : cbc.DecryptStream(with, size, 0, source, out, iv);
        out.Close();
        return testsupport::ReadFile(dir / "out");
    }

    // One block enciphered by hand: E(block XOR chain).
    std::string Chain(const std::string& block, const char* chain) {
        unsigned char b[8];
        for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(block[i] ^ chain[i]);
        cipher.EncryptBuffer(b, b, 8);
        return std::string(reinterpret_cast<char*>(b), 8);
    }
    const char* Iv() const { return reinterpret_cast<const char*>(iv.GetBytes()); }

    testsupport::TempDir dir;
    Blowfish cipher;
    InitVector iv;
    CBCMode cbc;
};

// The same Blowfish behind a class of its own: the modes then take the
// block-by-block road through the interface that any cipher would take.
class ThroughInterface : public IBlockCipher {
public:
    explicit ThroughInterface(Blowfish& inner) : m_inner(inner) {}
    bool SetKey(const unsigned char* key, size_t length) override { return m_inner.SetKey(key, length); }
    size_t EncryptBuffer(const unsigned char* s, unsigned char* d, size_t n) override { return m_inner.EncryptBuffer(s, d, n); }
    size_t DecryptBuffer(const unsigned char* s, unsigned char* d, size_t n) override { return m_inner.DecryptBuffer(s, d, n); }
    int BlockSize() const override { return 8; }

private:
    Blowfish& m_inner;
};

}  // namespace

TEST(HexToBytes, ReadsPairsOfEitherCaseAndRefusesTheRest) {
    unsigned char out[2] = {0};
    EXPECT_TRUE(HexToBytes("0a0B", out, 4));
    EXPECT_EQ(0x0A, out[0]);
    EXPECT_EQ(0x0B, out[1]);
    EXPECT_FALSE(HexToBytes("0a0", out, 3));
    EXPECT_FALSE(HexToBytes("0g", out, 2));
}

TEST(InitVectorTest, RandomVectorsDifferAndBadHexLeavesNoBytes) {
    InitVector a, b, c;
    ASSERT_TRUE(a.Generate());
    ASSERT_TRUE(b.Generate());
    EXPECT_EQ(std::string::npos, a.GetHex().find_first_not_of("0123456789ABCDEF"));
    EXPECT_EQ(32u, a.GetHex().size());
    EXPECT_NE(a.GetHex(), b.GetHex());
    ASSERT_TRUE(c.SetFromHex(a.GetHex()));
    EXPECT_EQ(0, std::memcmp(a.GetBytes(), c.GetBytes(), 16));
    for (const std::string& bad : {a.GetHex().substr(1), "G" + a.GetHex().substr(1)}) {
        EXPECT_FALSE(c.SetFromHex(bad));
        EXPECT_EQ(nullptr, c.GetBytes());
    }
}

TEST_F(Modes, StreamsPadToSixteenAndDecryptExactly) {
    for (size_t size : {0u, 15u, 16u, 17u, 2048u, 3000u, 4096u}) {
        SCOPED_TRACE(size);
        bool ok = false;
        std::string plain = Pattern(size);
        std::string ciphertext = Run(true, plain, size, ok);
        EXPECT_TRUE(ok);
        ASSERT_EQ(size + PadFor(size), ciphertext.size());
        std::string back = Run(false, ciphertext, size, ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(plain, back.substr(0, size));
    }
}

TEST_F(Modes, ChainingRunsAcrossTheChunkBoundary) {
    bool ok = false;
    std::string plain = Pattern(3000);
    std::string c = Run(true, plain, 3000, ok);
    ASSERT_EQ(3008u, c.size());
    EXPECT_EQ(c.substr(0, 8), Chain(plain.substr(0, 8), Iv()));
    EXPECT_EQ(c.substr(2048, 8), Chain(plain.substr(2048, 8), c.data() + 2040));
    EXPECT_EQ(c.substr(3000, 8), Chain(std::string(8, '\x08'), c.data() + 2992));  // the pad block
    // The chunk holding the end deciphers the footer too; the caller cuts it.
    std::string back = Run(false, c + std::string(150, 'F'), 3000, ok);
    EXPECT_EQ(3158u, back.size());
    EXPECT_EQ(plain, back.substr(0, 3000));
}

TEST_F(Modes, ShortSourcesAndFailedWritesAreReported) {
    bool ok = true;
    std::string c = Run(true, Pattern(3000), 3000, ok);
    Run(false, c.substr(0, 2500), 3000, ok);
    EXPECT_FALSE(ok);
    Run(false, c, ~0ull, ok);  // a hostile size ends where the data ends
    EXPECT_FALSE(ok);
    Run(true, Pattern(100), 200, ok);
    EXPECT_FALSE(ok);

    testsupport::WriteFile(dir / "plain", Pattern(100));
    testsupport::WriteFile(dir / "readonly", "");
    CFile source, out;
    ASSERT_TRUE(source.Open(dir / "plain", CFile::modeRead));
    ASSERT_TRUE(out.Open(dir / "readonly", CFile::modeRead));
    EXPECT_FALSE(cbc.EncryptStream(&cipher, 100, PadFor(100), source, out, iv));
    source.SeekToBegin();
    EXPECT_FALSE(cbc.DecryptStream(&cipher, 100, 0, source, out, iv));
}

TEST_F(Modes, NameRecordsHaveLengthNameAndPad) {
    const size_t cases[][2] = {{10, 4}, {14, 0}, {15, 15}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k[0]);
        std::string name = Pattern(k[0]);
        std::string hex = cbc.EncryptName(name, &cipher, iv);
        ASSERT_EQ(2 * (k[0] + 2 + k[1]), hex.size());
        std::string record = std::string(1, static_cast<char>(k[0])) + '\0' + name + std::string(k[1], static_cast<char>(k[1]));
        std::string bytes(hex.size() / 2, '\0');
        ASSERT_TRUE(HexToBytes(hex.data(), reinterpret_cast<unsigned char*>(&bytes[0]), hex.size()));
        EXPECT_EQ(bytes.substr(0, 8), Chain(record.substr(0, 8), Iv()));
        EXPECT_EQ(bytes.substr(8, 8), Chain(record.substr(8, 8), bytes.data()));
        EXPECT_EQ(name, cbc.DecryptName(hex, &cipher, iv));
        EXPECT_EQ(hex, cbc.EncryptName(name, &cipher, iv));  // same key and vector, same text
    }
}

TEST_F(Modes, NamesThatDoNotDecodeOrFitAreRefusedWithTheMessage) {
    testsupport::MessageRecorder boxes;
    std::string good = cbc.EncryptName("a.txt", &cipher, iv);
    // Odd length, a non-digit, more than one chunk, a length field past the end.
    std::string record = std::string("\x20\x00", 2) + "abcdef";
    std::string forged = Chain(record, Iv());
    forged = Vastrel2::Utils::HexEncode(reinterpret_cast<const unsigned char*>(forged.data()), 8);
    for (const std::string& bad : {good.substr(1), "Z" + good.substr(1), std::string(4098, 'A'), forged})
        EXPECT_EQ(bad, cbc.DecryptName(bad, &cipher, iv));
    EXPECT_EQ("", cbc.EncryptName(std::string(CBCMode::kMaxName + 1, 'n'), &cipher, iv));
    EXPECT_EQ(2u * 2048, cbc.EncryptName(std::string(CBCMode::kMaxName, 'n'), &cipher, iv).size());
    ASSERT_EQ(5u, boxes.messages.size());
    EXPECT_EQ(kNameConversionError, boxes.messages[0].text);
    EXPECT_EQ("Vastrel 2", boxes.messages[0].caption);
    EXPECT_EQ(static_cast<unsigned>(platform::kMbIconError), boxes.messages[0].style);
}

// Large streams go through the cipher in batches (and decryption over
// several threads); every byte written, the deciphered footer included,
// must be what the block-by-block road writes.
TEST_F(Modes, BatchedStreamsWriteWhatTheBlockRoadWrites) {
    ThroughInterface slow(cipher);
    const size_t batch = CBCMode::kBatch;
    const size_t parallel = static_cast<size_t>(CBCMode::kParallelFrom);
    const size_t sizes[] = {2049 + 2048, batch, batch + 2048, batch + 2050, 2 * batch + 777, parallel,
                            parallel + 5 * 2048 + 3000};
    for (size_t size : sizes) {
        SCOPED_TRACE(size);
        const std::string plain = Pattern(size);
        bool fastOk = false, slowOk = false;
        const std::string fast = Run(true, plain, size, fastOk);
        const std::string reference = Run(true, plain, size, slowOk, &slow);
        ASSERT_TRUE(fastOk && slowOk);
        ASSERT_EQ(reference.size(), fast.size());
        EXPECT_TRUE(fast == reference);

        const std::string stored = fast + std::string(150, 'F');
        const std::string back = Run(false, stored, size, fastOk);
        const std::string backReference = Run(false, stored, size, slowOk, &slow);
        ASSERT_TRUE(fastOk && slowOk);
        ASSERT_EQ(backReference.size(), back.size());
        EXPECT_TRUE(back == backReference);
        EXPECT_TRUE(back.compare(0, size, plain) == 0);
    }
}

TEST_F(Modes, BatchedStreamsReportShortSources) {
    const size_t size = static_cast<size_t>(CBCMode::kParallelFrom) + 4096;
    bool ok = true;
    const std::string c = Run(true, Pattern(size), size, ok);
    ASSERT_TRUE(ok);
    Run(false, c.substr(0, CBCMode::kBatch + 100), size, ok);
    EXPECT_FALSE(ok);
    Run(false, c.substr(0, size - 2048), size, ok);  // read ahead while deciphering
    EXPECT_FALSE(ok);
    Run(true, Pattern(CBCMode::kBatch), CBCMode::kBatch + 4096, ok);
    EXPECT_FALSE(ok);
    Run(true, Pattern(size - 3 * CBCMode::kBatch), size, ok);  // read ahead while enciphering
    EXPECT_FALSE(ok);
}
