#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/blowfish.h"

using Vastrel2::CIPHER::Blowfish;
using Vastrel2::CIPHER::CipherFactory;
using Vastrel2::CIPHER::CipherSettings;
using Vastrel2::CIPHER::IBlockCipher;

namespace {

std::vector<unsigned char> Hex(const std::string& hex) {
    std::vector<unsigned char> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// The published vectors read each half big-endian; this cipher reads them
// little-endian, so the bytes of each half are reversed on the way in and out.
std::vector<unsigned char> SwapHalves(std::vector<unsigned char> block) {
    std::swap(block[0], block[3]);
    std::swap(block[1], block[2]);
    std::swap(block[4], block[7]);
    std::swap(block[5], block[6]);
    return block;
}

struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};

}  // namespace

TEST(Blowfish, MatchesPublishedVectorsWithHalvesByteReversed) {
    const Vector vectors[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
        // Keys of 1, 2, 3, 8, 17 and 24 bytes: short keys and the 17-byte key
        // exercise the cyclic use of key bytes.
        {"F0", "FEDCBA9876543210", "F9AD597C49DB005E"},
        {"F0E1", "FEDCBA9876543210", "E91D21C1D961A6D6"},
        {"F0E1D2", "FEDCBA9876543210", "E9C2B70A1BC65CF3"},
        {"F0E1D2C3B4A59687", "FEDCBA9876543210", "E87A244E2CC85E82"},
        {"F0E1D2C3B4A5968778695A4B3C2D1E0F00", "FEDCBA9876543210", "03429E838CE2D14B"},
        {"F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677", "FEDCBA9876543210", "05044B62FA52D080"},
    };
    for (const Vector& v : vectors) {
        SCOPED_TRACE(v.key);
        Blowfish bf;
        std::vector<unsigned char> key = Hex(v.key);
        ASSERT_TRUE(bf.SetKey(key.data(), key.size()));
        std::vector<unsigned char> plain = SwapHalves(Hex(v.plain));
        std::vector<unsigned char> out(8);
        EXPECT_EQ(8u, bf.EncryptBuffer(plain.data(), out.data(), 8));
        EXPECT_EQ(SwapHalves(Hex(v.cipher)), out);
        std::vector<unsigned char> back(8);
        bf.DecryptBuffer(out.data(), back.data(), 8);
        EXPECT_EQ(plain, back);
    }
}

TEST(Blowfish, RekeyingStartsAgainFromTheInitialTables) {
    std::vector<unsigned char> k1 = Hex("0123456789ABCDEF"), k2 = Hex("FEDCBA9876543210");
    Blowfish once, twice;
    once.SetKey(k2.data(), k2.size());
    twice.SetKey(k1.data(), k1.size());
    twice.SetKey(k2.data(), k2.size());
    unsigned char a[8] = {1, 2, 3, 4, 5, 6, 7, 8}, b[8];
    unsigned char c[8];
    once.EncryptBuffer(a, b, 8);
    twice.EncryptBuffer(a, c, 8);
    EXPECT_EQ(0, std::memcmp(b, c, 8));
}

TEST(Blowfish, EmptyKeyIsRefused) {
    Blowfish bf;
    unsigned char key[1] = {0};
    EXPECT_FALSE(bf.SetKey(key, 0));
    EXPECT_FALSE(bf.SetKey(nullptr, 4));
}

class BlowfishBuffers : public ::testing::Test {
protected:
    void SetUp() override {
        const unsigned char key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        bf.SetKey(key, sizeof key);
    }
    Blowfish bf;
};

TEST_F(BlowfishBuffers, PartialBlockIsPaddedWithZeros) {
    const unsigned char five[5] = {'h', 'e', 'l', 'l', 'o'};
    unsigned char out[8];
    EXPECT_EQ(8u, bf.EncryptBuffer(five, out, 5));
    const unsigned char padded[8] = {'h', 'e', 'l', 'l', 'o', 0, 0, 0};
    unsigned char expected[8];
    bf.EncryptBuffer(padded, expected, 8);
    EXPECT_EQ(0, std::memcmp(expected, out, 8));
}

TEST_F(BlowfishBuffers, CountsRoundUpToWholeBlocks) {
    std::vector<unsigned char> in(32, 0xAB), out(40, 0xEE);
    EXPECT_EQ(16u, bf.EncryptBuffer(in.data(), out.data(), 16));
    EXPECT_EQ(0xEE, out[16]);  // nothing written past the two blocks
    EXPECT_EQ(0u, bf.EncryptBuffer(in.data(), out.data(), 0));

    // Decrypting 28 bytes deciphers four whole blocks.
    std::vector<unsigned char> cipher(32), back(40, 0xEE);
    bf.EncryptBuffer(in.data(), cipher.data(), 32);
    bf.DecryptBuffer(cipher.data(), back.data(), 28);
    EXPECT_TRUE(std::equal(in.begin(), in.begin() + 32, back.begin()));
    EXPECT_EQ(0xEE, back[32]);
}

TEST_F(BlowfishBuffers, InPlaceRoundTrip) {
    std::vector<unsigned char> data(4096);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7 + 3);
    std::vector<unsigned char> original = data;
    bf.EncryptBuffer(data.data(), data.data(), data.size());
    EXPECT_NE(original, data);
    bf.DecryptBuffer(data.data(), data.data(), data.size());
    EXPECT_EQ(original, data);
}

TEST(CipherFactory, MakesANewBlowfishEachCall) {
    CipherFactory factory;
    CipherSettings blowfish;
    blowfish.Clear();
    std::unique_ptr<IBlockCipher> a(factory.CreateCipher(blowfish));
    std::unique_ptr<IBlockCipher> b(factory.CreateCipher(blowfish));
    ASSERT_NE(nullptr, a);
    EXPECT_NE(a.get(), b.get());
    EXPECT_EQ(8, a->BlockSize());
    EXPECT_NE(nullptr, dynamic_cast<Blowfish*>(a.get()));
}

// The run-of-blocks CBC loops against CBC built block by block on the
// cipher interface: every count around the interleaving width, in place and
// between buffers, and a run split anywhere resumes from the chaining value.
TEST_F(BlowfishBuffers, CbcRunsEqualBlockByBlockChaining) {
    const unsigned char iv[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    std::vector<unsigned char> plain(8 * 300);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<unsigned char>(i * 13 + (i >> 8));

    std::vector<unsigned char> expected(plain.size());
    unsigned char chain[8];
    std::memcpy(chain, iv, 8);
    for (size_t off = 0; off < plain.size(); off += 8) {
        unsigned char block[8];
        for (int i = 0; i < 8; ++i) block[i] = plain[off + i] ^ chain[i];
        bf.EncryptBuffer(block, &expected[off], 8);
        std::memcpy(chain, &expected[off], 8);
    }

    for (size_t blocks : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 15u, 16u, 17u, 300u}) {
        SCOPED_TRACE(blocks);
        const size_t n = 8 * blocks;
        std::vector<unsigned char> out(n + 8, 0xEE);
        unsigned char c[8];
        std::memcpy(c, iv, 8);
        bf.EncryptCbc(plain.data(), out.data(), blocks, c);
        EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + n, out.begin()));
        EXPECT_EQ(0, std::memcmp(c, blocks ? &expected[n - 8] : iv, 8));
        EXPECT_EQ(0xEE, out[n]);

        std::vector<unsigned char> back(expected.begin(), expected.begin() + n);
        std::memcpy(c, iv, 8);
        bf.DecryptCbc(back.data(), back.data(), blocks, c);  // in place
        EXPECT_TRUE(std::equal(back.begin(), back.end(), plain.begin()));
        EXPECT_EQ(0, std::memcmp(c, blocks ? &expected[n - 8] : iv, 8));

        std::vector<unsigned char> separate(n + 8, 0xEE);
        std::memcpy(c, iv, 8);
        bf.DecryptCbc(expected.data(), separate.data(), blocks, c);
        EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + n, separate.begin()));
        EXPECT_EQ(0xEE, separate[n]);
    }

    for (size_t cut : {1u, 6u, 11u, 299u}) {
        SCOPED_TRACE(cut);
        std::vector<unsigned char> data = plain;
        unsigned char c[8];
        std::memcpy(c, iv, 8);
        bf.EncryptCbc(data.data(), data.data(), cut, c);
        bf.EncryptCbc(data.data() + 8 * cut, data.data() + 8 * cut, 300 - cut, c);
        EXPECT_EQ(expected, data);
        std::memcpy(c, iv, 8);
        bf.DecryptCbc(data.data(), data.data(), cut, c);
        bf.DecryptCbc(data.data() + 8 * cut, data.data() + 8 * cut, 300 - cut, c);
        EXPECT_EQ(plain, data);
    }
}

TEST_F(BlowfishBuffers, ManyBlocksDecryptEachOnItsOwn) {
    std::vector<unsigned char> cipher(8 * 37);
    for (size_t i = 0; i < cipher.size(); ++i) cipher[i] = static_cast<unsigned char>(i * 29 + 1);
    std::vector<unsigned char> expected(cipher.size());
    for (size_t off = 0; off < cipher.size(); off += 8) {
        uint32_t l = cipher[off] | cipher[off + 1] << 8 | cipher[off + 2] << 16 | static_cast<uint32_t>(cipher[off + 3]) << 24;
        uint32_t r = cipher[off + 4] | cipher[off + 5] << 8 | cipher[off + 6] << 16 |
                     static_cast<uint32_t>(cipher[off + 7]) << 24;
        bf.DecryptBlock(l, r);
        for (int i = 0; i < 4; ++i) {
            expected[off + i] = static_cast<unsigned char>(l >> (8 * i));
            expected[off + 4 + i] = static_cast<unsigned char>(r >> (8 * i));
        }
    }
    std::vector<unsigned char> out(cipher.size());
    EXPECT_EQ(out.size(), bf.DecryptBuffer(cipher.data(), out.data(), cipher.size()));
    EXPECT_EQ(expected, out);
    bf.DecryptBuffer(cipher.data(), cipher.data(), cipher.size());
    EXPECT_EQ(expected, cipher);
}
