#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/blowfish.h"
#include "core/keys.h"
#include "core/sha256_compress.h"

using namespace Vastrel2::CIPHER;

namespace {

std::string ToHex(const unsigned char* bytes, size_t n) {
    std::string out;
    char buf[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        out += buf;
    }
    return out;
}

// Every compression the digests can run on here: the portable one, and the
// processor's SHA instructions where it has them.
std::vector<std::pair<std::string, Sha256Compressor>> Compressors() {
    std::vector<std::pair<std::string, Sha256Compressor>> all = {{"portable", &Sha256CompressPortable}};
    if (Sha256Compressor hardware = Sha256CompressHardware()) all.emplace_back("SHA instructions", hardware);
    return all;
}

// Makes the digests use one compressor while alive.
class UsingCompressor {
public:
    explicit UsingCompressor(Sha256Compressor c) : m_previous(SetSha256Compressor(c)) {}
    ~UsingCompressor() { SetSha256Compressor(m_previous); }

private:
    Sha256Compressor m_previous;
};

std::string Sha256Hex(const std::string& message) {
    sha2 digest(message.data(), message.size());
    return ToHex(digest.GetDigest(), 32);
}

}  // namespace

TEST(MD5Digest, UsesTheSignFillingRotation) {
    // RFC 1321 gives 900150983cd24fb0d6963f7d28e17f72 for "abc".
    EXPECT_EQ("d29fc1cd1179d55313b4cefcebf255c0", ToHex(MD5("abc").GetKey(), 16));
    EXPECT_EQ("85bd946a585af9fd3fb9eda68707c1d8", ToHex(MD5("").GetKey(), 16));
}

TEST(MD5Digest, StopsAtTheTerminatingZero) {
    const char withZero[] = "abc\0def";
    EXPECT_EQ(ToHex(MD5("abc").GetKey(), 16), ToHex(MD5(withZero).GetKey(), 16));
}

TEST(MD5Digest, FinalStepZeroesTheContext) {
    MD5Context ctx;
    MD5Init(ctx);
    MD5Update(ctx, reinterpret_cast<const unsigned char*>("abc"), 3);
    unsigned char digest[16];
    MD5Final(digest, ctx);
    MD5Context zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(0, std::memcmp(&zero, &ctx, sizeof ctx));
}

// Stretched keys from an independent model of the two stretches; they pin the
// key derivation that every stored file depends on.
TEST(MD5Stretch, CarriesTheZeroedContextFromRoundToRound) {
    std::unique_ptr<MD5> key(new MD5("password"));
    key->Stretch();
    EXPECT_EQ("74183778d5d135785ffe3678d3163778", ToHex(key->GetKey(), 16));

    // Re-initialising the context in every round gives another key.
    MD5 reinit("password");
    unsigned char d[16];
    std::memcpy(d, reinit.GetKey(), 16);
    for (int i = 0; i < 10000; ++i) {
        MD5Context ctx;
        MD5Init(ctx);
        MD5Update(ctx, d, 16);
        MD5Final(d, ctx);
    }
    EXPECT_NE(ToHex(key->GetKey(), 16), ToHex(d, 16));
}

// The stretch runs each round as one fixed-layout block; the context
// routines, one update and one final step a round, must give the same keys.
TEST(MD5Stretch, EqualsRoundsThroughTheContextRoutines) {
    for (const std::string password : {"", "abc", "password", "a much longer password of several blocks ........."}) {
        MD5 key(password.c_str());
        unsigned char d[16];
        std::memcpy(d, key.GetKey(), 16);
        MD5Context ctx;
        MD5Init(ctx);
        for (int i = 0; i < 10000; ++i) {
            MD5Update(ctx, d, 16);
            MD5Final(d, ctx);
        }
        key.Stretch();
        EXPECT_EQ(ToHex(d, 16), ToHex(key.GetKey(), 16)) << password;
    }
}

TEST(Sha256Digest, ConstructorGivesStandardSha256OnEveryCompressor) {
    for (const auto& compressor : Compressors()) {
        SCOPED_TRACE(compressor.first);
        UsingCompressor use(compressor.second);
        EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", Sha256Hex("abc"));
        EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", Sha256Hex(""));
        EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
                  Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"));
        // Lengths around the padding boundary of one block.
        EXPECT_EQ("9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318", Sha256Hex(std::string(55, 'a')));
        EXPECT_EQ("b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a", Sha256Hex(std::string(56, 'a')));
        EXPECT_EQ("7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34", Sha256Hex(std::string(63, 'a')));
        EXPECT_EQ("ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb", Sha256Hex(std::string(64, 'a')));
        EXPECT_EQ("635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0", Sha256Hex(std::string(65, 'a')));
        // A million bytes, fed in uneven pieces.
        sha2 big("", 0);
        big.Init(sha2::SHA_256);
        std::string piece(997, 'a');
        size_t left = 1000000;
        while (left) {
            size_t n = left < piece.size() ? left : piece.size();
            big.Update(reinterpret_cast<const unsigned char*>(piece.data()), n);
            left -= n;
        }
        big.Final();
        EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0", ToHex(big.GetDigest(), 32));
    }
}

TEST(Sha256Digest, ErrorsOfTheStateMachine) {
    sha2 digest("x", 1);
    try {
        digest.Init(sha2::SHA_512);
        FAIL() << "type 5 is not built";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("Invalid SHA_TYPE type!", e.what());
    }
    digest.Init(sha2::SHA_256);
    try {
        digest.GetDigest();
        FAIL() << "no final step yet";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ("Unfinished execution!", e.what());
    }
}

TEST(Sha256Stretch, CounterRunsOnFromTheConstructor) {
    const std::string password = "abc";
    const uint64_t bits = 8 * password.size();
    sha2 key(password.data(), password.size());
    // The constructor's final step leaves the counter byte-reversed.
    EXPECT_EQ(bits << 56, key.BitCounter());

    unsigned char d[32];
    std::memcpy(d, key.GetDigest(), 32);
    key.Update(d, 32);  // round 1 writes D from position 0
    key.Final();
    // Round 2 starts from the password's bit length plus 0x00010000 in the high word.
    EXPECT_EQ((0x00010000ull << 32) | bits, key.BitCounter());

    // Doing the remaining rounds by hand equals the stretch.
    for (int round = 1; round < 10000; ++round) {
        std::memcpy(d, key.GetDigest(), 32);
        key.Update(d, 32);
        key.Final();
    }
    sha2 stretched(password.data(), password.size());
    stretched.Stretch();
    EXPECT_EQ(ToHex(stretched.GetKey(), 32), ToHex(key.GetKey(), 32));
    EXPECT_EQ("f55e170fe502d402e90977a77ca2587ccd7e472cdfaba80055d03f4974c72e4c", ToHex(stretched.GetKey(), 32));
}

TEST(Sha256Stretch, MatchesModelForPasswordsAcrossBlockSizesOnEveryCompressor) {
    struct Case {
        std::string password;
        const char* key;
    } cases[] = {
        {"", "65cafead50f6d205d66f90c74f1683344ca86c8cc60fc0370c278ecb880da5c8"},
        {"password", "bd7204e1fe5a7fabe22fca78f5f0463b43285475b1208ad2a0393ab45ad4ca4f"},
        {std::string(70, 'a'), "a36261eed9ada2d21c83fd64dc74bebbf91f0ce42030254da36a0d58e1e50ceb"},
        {"abc", "f55e170fe502d402e90977a77ca2587ccd7e472cdfaba80055d03f4974c72e4c"},
    };
    for (const auto& compressor : Compressors()) {
        SCOPED_TRACE(compressor.first);
        UsingCompressor use(compressor.second);
        for (const Case& c : cases) {
            sha2 key(c.password.data(), c.password.size());
            key.Stretch();
            EXPECT_EQ(c.key, ToHex(key.GetKey(), 32)) << c.password;
        }
    }
}

// Both compressions give the same chaining value and leave the same
// schedule words behind, also when the block is the ring itself.
TEST(Sha256Compression, HardwareAndPortableAgreeOnStateAndScheduleRing) {
    Sha256Compressor hardware = Sha256CompressHardware();
    if (!hardware) GTEST_SKIP() << "this processor has no SHA instructions";
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int trial = 0; trial < 200; ++trial) {
        uint32_t h1[8], h2[8];
        unsigned char block[64], ring1[64], ring2[64];
        for (uint32_t& word : h1) word = next();
        std::memcpy(h2, h1, sizeof h1);
        for (unsigned char& byte : block) byte = static_cast<unsigned char>(next() >> 24);
        if (trial % 2) {
            std::memcpy(ring1, block, 64);
            std::memcpy(ring2, block, 64);
            Sha256CompressPortable(h1, ring1, ring1);
            hardware(h2, ring2, ring2);
        } else {
            Sha256CompressPortable(h1, block, ring1);
            hardware(h2, block, ring2);
        }
        ASSERT_EQ(0, std::memcmp(h1, h2, sizeof h1)) << trial;
        ASSERT_EQ(0, std::memcmp(ring1, ring2, 64)) << trial;
    }
}

TEST(Sha256Stretch, ReinitialisingEachRoundGivesAnotherKey) {
    sha2 stretched("password", 8);
    stretched.Stretch();
    unsigned char d[32];
    std::memcpy(d, sha2("password", 8).GetDigest(), 32);
    for (int i = 0; i < 10000; ++i) {
        sha2 fresh(reinterpret_cast<const char*>(d), 32);
        std::memcpy(d, fresh.GetDigest(), 32);
    }
    EXPECT_NE(ToHex(stretched.GetKey(), 32), ToHex(d, 32));
}

class CreateKey : public ::testing::Test {};

TEST_F(CreateKey, FormatThreeStretchesAndOlderFormatsDoNot) {
    CipherSettings md5v3(0, 0, 16, 3), shav3(0, 2, 32, 3), md5v2(0, 0, 16, 2), shav1(0, 2, 16, 1);
    std::unique_ptr<IKeyBase> a(IKeyBase::CreateKey("password", md5v3));
    EXPECT_EQ("74183778d5d135785ffe3678d3163778", ToHex(a->GetKey(), 16));
    std::unique_ptr<IKeyBase> b(IKeyBase::CreateKey("password", shav3));
    EXPECT_EQ("bd7204e1fe5a7fabe22fca78f5f0463b43285475b1208ad2a0393ab45ad4ca4f", ToHex(b->GetKey(), 32));
    std::unique_ptr<IKeyBase> c(IKeyBase::CreateKey("password", md5v2));
    EXPECT_EQ("beba74551297e6abc36bd654c7ac26bd", ToHex(c->GetKey(), 16));
    std::unique_ptr<IKeyBase> d(IKeyBase::CreateKey("password", shav1));
    EXPECT_EQ(Sha256Hex("password"), ToHex(d->GetKey(), 32));
}

TEST_F(CreateKey, HashTypeOneBuildsSha256) {
    CipherSettings one(0, 1, 32, 2);
    one.SetHashType(1);
    std::unique_ptr<IKeyBase> key(IKeyBase::CreateKey("pw", one));
    EXPECT_EQ(Sha256Hex("pw"), ToHex(key->GetKey(), 32));
}

TEST_F(CreateKey, UnknownHashTypeFallsBackToMD5AndFixesTheSettings) {
    CipherSettings settings(0, 2, 32, 3);
    settings.SetHashType(7);
    settings.SetKeyLength(0);
    std::unique_ptr<IKeyBase> key(IKeyBase::CreateKey("password", settings));
    EXPECT_EQ(0, settings.GetHashType());
    EXPECT_EQ(16, settings.GetKeyLength());
    EXPECT_EQ("74183778d5d135785ffe3678d3163778", ToHex(key->GetKey(), 16));
}

TEST(PasswordVerifier, RightPasswordDecryptsToTheKeyBytes) {
    CipherSettings settings(0, 2, 32, 3);
    std::unique_ptr<IKeyBase> key(IKeyBase::CreateKey("secret", settings));
    Blowfish bf;
    bf.SetKey(key->GetKey(), 32);
    unsigned char verifier[32], check[32];
    EXPECT_EQ(32u, bf.EncryptBuffer(key->GetKey(), verifier, 32));

    CipherSettings again(0, 2, 32, 3);
    std::unique_ptr<IKeyBase> right(IKeyBase::CreateKey("secret", again));
    Blowfish rb;
    rb.SetKey(right->GetKey(), 32);
    rb.DecryptBuffer(verifier, check, 32);
    EXPECT_EQ(0, std::memcmp(check, right->GetKey(), 32));

    std::unique_ptr<IKeyBase> wrong(IKeyBase::CreateKey("Secret", again));
    Blowfish wb;
    wb.SetKey(wrong->GetKey(), 32);
    wb.DecryptBuffer(verifier, check, 32);
    EXPECT_NE(0, std::memcmp(check, wrong->GetKey(), 32));
}
