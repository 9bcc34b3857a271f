#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/blowfish.h"
#include "core/cipher_mode.h"
#include "platform/file.h"
#include "tests/support/test_support.h"

using namespace Vastrel2::CIPHER;

namespace {

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

int PadFor(uint64_t size) { return size % 16 == 0 ? 0 : static_cast<int>(16 - size % 16); }

class Modes : public ::testing::Test {
protected:
    void SetUp() override {
        const unsigned char key[] = "0123456789abcdef0123456789abcdef";
        cipher.SetKey(key, 32);
        ASSERT_TRUE(iv.SetFromHex("00112233445566778899AABBCCDDEEFF"));
    }

    // Encrypts `plain` into a file and returns the ciphertext.
    std::string Encrypt(const std::string& plain, const InitVector& vector) {
        testsupport::WriteFile(dir / "plain", plain);
        CFile source, out;
        EXPECT_TRUE(source.Open(dir / "plain", CFile::modeRead | CFile::typeBinary));
        EXPECT_TRUE(out.Open(dir / "cipher", CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
        EXPECT_TRUE(cbc.EncryptStream(&cipher, plain.size(), PadFor(plain.size()), source, out, vector));
        out.Close();
        return testsupport::ReadFile(dir / "cipher");
    }

    // Deciphers `data` as the job does; returns everything written.
    std::string Decrypt(const std::string& data, uint64_t size, bool* ok = nullptr) {
        testsupport::WriteFile(dir / "enc", data);
        CFile source, out;
        EXPECT_TRUE(source.Open(dir / "enc", CFile::modeRead | CFile::typeBinary));
        EXPECT_TRUE(out.Open(dir / "dec", CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
        bool result = cbc.DecryptStream(&cipher, size, 0, source, out, iv);
        if (ok) *ok = result;
        out.Close();
        return testsupport::ReadFile(dir / "dec");
    }

    // One block enciphered by hand: E(block XOR chain).
    std::string Chain(const std::string& block, const unsigned char* chain) {
        unsigned char b[8];
        for (int i = 0; i < 8; ++i) b[i] = static_cast<unsigned char>(block[i]) ^ chain[i];
        cipher.EncryptBuffer(b, b, 8);
        return std::string(reinterpret_cast<char*>(b), 8);
    }

    testsupport::TempDir dir;
    Blowfish cipher;
    InitVector iv;
    CBCMode cbc;
};

}  // namespace

TEST(HexToBytes, ReadsPairsOfEitherCaseAndRefusesTheRest) {
    unsigned char out[4] = {0};
    EXPECT_TRUE(HexToBytes("0a0B", out, 4));
    EXPECT_EQ(0x0A, out[0]);
    EXPECT_EQ(0x0B, out[1]);
    EXPECT_FALSE(HexToBytes("0a0", out, 3));
    EXPECT_FALSE(HexToBytes("0g", out, 2));
    EXPECT_TRUE(HexToBytes("", out, 0));
}

TEST(InitVectorTest, RandomVectorsDifferAndHexRoundTrips) {
    InitVector a, b;
    ASSERT_TRUE(a.Generate());
    ASSERT_TRUE(b.Generate());
    EXPECT_EQ(32u, a.GetHex().size());
    EXPECT_EQ(a.GetHex().find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_NE(a.GetHex(), b.GetHex());

    InitVector c;
    ASSERT_TRUE(c.SetFromHex(a.GetHex()));
    EXPECT_EQ(0, std::memcmp(a.GetBytes(), c.GetBytes(), 16));
    // Anything but 32 hex digits marks a damaged footer and leaves no bytes.
    EXPECT_FALSE(c.SetFromHex(a.GetHex().substr(1)));
    EXPECT_EQ(nullptr, c.GetBytes());
    EXPECT_FALSE(c.SetFromHex("G" + a.GetHex().substr(1)));
    EXPECT_EQ(nullptr, c.GetBytes());
}

TEST_F(Modes, StreamsPadToSixteenAndDecryptExactly) {
    for (size_t size : {0u, 15u, 16u, 17u, 2048u, 3000u, 4096u}) {
        SCOPED_TRACE(size);
        std::string plain = Pattern(size);
        std::string ciphertext = Encrypt(plain, iv);
        ASSERT_EQ(size + PadFor(size), ciphertext.size());
        bool ok = false;
        std::string back = Decrypt(ciphertext, size, &ok);
        EXPECT_TRUE(ok);
        ASSERT_GE(back.size(), size);
        EXPECT_EQ(plain, back.substr(0, size));
    }
}

TEST_F(Modes, ChainingRunsAcrossTheChunkBoundaryAndPadFollowsTheData) {
    std::string plain = Pattern(3000);
    std::string c = Encrypt(plain, iv);
    ASSERT_EQ(3008u, c.size());
    EXPECT_EQ(c.substr(0, 8), Chain(plain.substr(0, 8), iv.GetBytes()));
    // First block of chunk 2 chains from the last block of chunk 1.
    EXPECT_EQ(c.substr(2048, 8),
              Chain(plain.substr(2048, 8), reinterpret_cast<const unsigned char*>(c.data()) + 2040));
    // The pad block: eight bytes of the value 8 right after the data.
    EXPECT_EQ(c.substr(3000, 8), Chain(std::string(8, '\x08'), reinterpret_cast<const unsigned char*>(c.data()) + 2992));
}

TEST_F(Modes, DecryptWritesTheFooterOfTheLastChunkForTheCallerToCut) {
    std::string plain = Pattern(3000);
    std::string data = Encrypt(plain, iv) + std::string(150, 'F');
    bool ok = false;
    std::string back = Decrypt(data, 3000, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(3158u, back.size());
    EXPECT_EQ(plain, back.substr(0, 3000));
    // Below one chunk exactly size bytes are written.
    std::string small = Encrypt("hello", iv) + std::string(150, 'F');
    EXPECT_EQ("hello", Decrypt(small, 5));
}

TEST_F(Modes, ShortSourcesAndFailedWritesAreReported) {
    std::string ciphertext = Encrypt(Pattern(3000), iv);
    bool ok = true;
    Decrypt(ciphertext.substr(0, 2500), 3000, &ok);
    EXPECT_FALSE(ok);
    // A claimed size far beyond the data ends at the data, at once.
    Decrypt(ciphertext, ~0ull, &ok);
    EXPECT_FALSE(ok);

    testsupport::WriteFile(dir / "plain", Pattern(100));
    testsupport::WriteFile(dir / "readonly", "");
    CFile source, out;
    ASSERT_TRUE(source.Open(dir / "plain", CFile::modeRead));
    EXPECT_FALSE(cbc.EncryptStream(&cipher, 200, PadFor(200), source, out, iv));  // short source
    ASSERT_TRUE(out.Open(dir / "readonly", CFile::modeRead));
    source.SeekToBegin();
    EXPECT_FALSE(cbc.EncryptStream(&cipher, 100, PadFor(100), source, out, iv));  // write refused
    source.SeekToBegin();
    EXPECT_FALSE(cbc.DecryptStream(&cipher, 100, 0, source, out, iv));
    InitVector none;
    EXPECT_FALSE(cbc.EncryptStream(&cipher, 100, PadFor(100), source, out, none));
}

TEST_F(Modes, DifferentVectorsGiveDifferentCiphertexts) {
    InitVector other;
    ASSERT_TRUE(other.Generate());
    std::string plain = Pattern(64);
    EXPECT_NE(Encrypt(plain, iv), Encrypt(plain, other));
    EXPECT_EQ(cbc.EncryptName("report.doc", &cipher, iv), cbc.EncryptName("report.doc", &cipher, iv));
}

TEST_F(Modes, NameRecordsHaveLengthNameAndPad) {
    struct Case {
        size_t length;
        size_t pad;
    } cases[] = {{10, 4}, {14, 0}, {15, 15}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.length);
        std::string name = Pattern(k.length);
        std::string hex = cbc.EncryptName(name, &cipher, iv);
        size_t total = k.length + 2 + k.pad;
        ASSERT_EQ(2 * total, hex.size());
        EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        std::string record = std::string(1, static_cast<char>(k.length)) + '\0' + name + std::string(k.pad, static_cast<char>(k.pad));
        unsigned char bytes[64];
        ASSERT_TRUE(HexToBytes(hex.data(), bytes, hex.size()));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 8), Chain(record.substr(0, 8), iv.GetBytes()));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes) + 8, 8), Chain(record.substr(8, 8), bytes));
        EXPECT_EQ(name, cbc.DecryptName(hex, &cipher, iv));
    }
}

TEST_F(Modes, NamesThatDoNotDecodeOrFitAreRefusedWithTheMessage) {
    testsupport::MessageRecorder boxes;
    std::string good = cbc.EncryptName("a.txt", &cipher, iv);
    for (const std::string& bad : {good.substr(1), "Z" + good.substr(1), std::string(4098, 'A')}) {
        EXPECT_EQ(bad, cbc.DecryptName(bad, &cipher, iv));
    }
    // A length field reaching past the decoded bytes.
    std::string record = std::string("\x20\x00", 2) + "abcdefghijklmn";
    std::string forged = Chain(record.substr(0, 8), iv.GetBytes());
    forged += Chain(record.substr(8, 8), reinterpret_cast<const unsigned char*>(forged.data()));
    std::string forgedHex;
    for (char ch : forged) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(ch));
        forgedHex += two;
    }
    EXPECT_EQ(forgedHex, cbc.DecryptName(forgedHex, &cipher, iv));
    EXPECT_EQ("", cbc.EncryptName(std::string(CBCMode::kMaxName + 1, 'n'), &cipher, iv));
    EXPECT_EQ(2u * 2048, cbc.EncryptName(std::string(CBCMode::kMaxName, 'n'), &cipher, iv).size());
    ASSERT_EQ(5u, boxes.messages.size());
    EXPECT_EQ(kNameConversionError, boxes.messages[0].text);
    EXPECT_EQ("Vastrel 2", boxes.messages[0].caption);
    EXPECT_EQ(static_cast<unsigned>(platform::kMbIconError), boxes.messages[0].style);
}

TEST_F(Modes, EcbReadsOldStreamsAndNamesAndWritesNothing) {
    std::unique_ptr<ICipherMode> ecb(CBCMode::CreateMode(CipherSettings(0, 0, 16, 2)));
    std::unique_ptr<ICipherMode> modern(CBCMode::CreateMode(CipherSettings(0, 2, 32, 3)));
    ASSERT_NE(nullptr, dynamic_cast<ECBMode*>(ecb.get()));
    ASSERT_NE(nullptr, dynamic_cast<CBCMode*>(modern.get()));

    std::string record = std::string("\x05\x00", 2) + "a.txt" + std::string(9, '\0');
    unsigned char enc[16];
    cipher.EncryptBuffer(reinterpret_cast<const unsigned char*>(record.data()), enc, 16);
    std::string hex;
    for (unsigned char b : enc) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    EXPECT_EQ("a.txt", ecb->DecryptName(hex, &cipher, iv));
    EXPECT_EQ("", ecb->EncryptName("a.txt", &cipher, iv));

    std::string plain = Pattern(2500) + std::string(4, '\0');
    std::string data(plain.size(), '\0');
    cipher.EncryptBuffer(reinterpret_cast<const unsigned char*>(plain.data()),
                         reinterpret_cast<unsigned char*>(&data[0]), plain.size());
    testsupport::WriteFile(dir / "old", data + "footer");
    testsupport::WriteFile(dir / "out", "untouched");
    CFile source, out;
    ASSERT_TRUE(source.Open(dir / "old", CFile::modeRead));
    ASSERT_TRUE(out.Open(dir / "out", CFile::modeReadWrite));
    EXPECT_FALSE(ecb->EncryptStream(&cipher, 2500, 12, source, out, iv));
    EXPECT_EQ(0u, out.GetPosition());
    ASSERT_TRUE(ecb->DecryptStream(&cipher, 2500, 0, source, out, iv));
    out.Close();
    EXPECT_EQ(plain.substr(0, 2500), testsupport::ReadFile(dir / "out").substr(0, 2500));
}
