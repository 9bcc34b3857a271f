#include "core/keys.h"

#include <cstring>
#include <stdexcept>

#include "core/sha256_compress.h"

namespace Vastrel2 {
namespace CIPHER {

// ---------------------------------------------------------------------------
// MD5
//
// RFC 1321 with one difference that every MD5 key depends on: the rotation
// fills the bits it shifts in from the right with copies of the top bit, as
// an arithmetic shift of a signed word would. For a sum below 2^31 this is
// the ordinary rotation; otherwise bits s to 31 of the result are all 1.

namespace {

inline uint32_t Rotate(uint32_t x, int s) {
    // The right shift of the signed word brings in copies of the top bit.
    return (x << s) | static_cast<uint32_t>(static_cast<int32_t>(x) >> (32 - s));
}

// The four round functions in forms with the fewest steps after b, the
// value the previous step has just made. G's two terms share no bits, so
// they may be added one after the other.
#define MD5_STEP_F(a, b, c, d, x, s, ac)             \
    (a) += ((d) ^ ((b) & ((c) ^ (d)))) + (x) + (ac); \
    (a) = Rotate((a), (s)) + (b)
#define MD5_STEP_G(a, b, c, d, x, s, ac)                  \
    (a) += ((c) & ~(d)) + (x) + (ac) + ((b) & (d));       \
    (a) = Rotate((a), (s)) + (b)
#define MD5_STEP_H(a, b, c, d, x, s, ac)       \
    (a) += ((b) ^ (c) ^ (d)) + (x) + (ac);     \
    (a) = Rotate((a), (s)) + (b)
#define MD5_STEP_I(a, b, c, d, x, s, ac)          \
    (a) += ((c) ^ ((b) | ~(d))) + (x) + (ac);     \
    (a) = Rotate((a), (s)) + (b)

// The 64 steps over the sixteen message words; adds into state.
inline void MD5Rounds(uint32_t state[4], const uint32_t x[16]) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    MD5_STEP_F(a, b, c, d, x[0], 7, 0xd76aa478);
    MD5_STEP_F(d, a, b, c, x[1], 12, 0xe8c7b756);
    MD5_STEP_F(c, d, a, b, x[2], 17, 0x242070db);
    MD5_STEP_F(b, c, d, a, x[3], 22, 0xc1bdceee);
    MD5_STEP_F(a, b, c, d, x[4], 7, 0xf57c0faf);
    MD5_STEP_F(d, a, b, c, x[5], 12, 0x4787c62a);
    MD5_STEP_F(c, d, a, b, x[6], 17, 0xa8304613);
    MD5_STEP_F(b, c, d, a, x[7], 22, 0xfd469501);
    MD5_STEP_F(a, b, c, d, x[8], 7, 0x698098d8);
    MD5_STEP_F(d, a, b, c, x[9], 12, 0x8b44f7af);
    MD5_STEP_F(c, d, a, b, x[10], 17, 0xffff5bb1);
    MD5_STEP_F(b, c, d, a, x[11], 22, 0x895cd7be);
    MD5_STEP_F(a, b, c, d, x[12], 7, 0x6b901122);
    MD5_STEP_F(d, a, b, c, x[13], 12, 0xfd987193);
    MD5_STEP_F(c, d, a, b, x[14], 17, 0xa679438e);
    MD5_STEP_F(b, c, d, a, x[15], 22, 0x49b40821);

    MD5_STEP_G(a, b, c, d, x[1], 5, 0xf61e2562);
    MD5_STEP_G(d, a, b, c, x[6], 9, 0xc040b340);
    MD5_STEP_G(c, d, a, b, x[11], 14, 0x265e5a51);
    MD5_STEP_G(b, c, d, a, x[0], 20, 0xe9b6c7aa);
    MD5_STEP_G(a, b, c, d, x[5], 5, 0xd62f105d);
    MD5_STEP_G(d, a, b, c, x[10], 9, 0x02441453);
    MD5_STEP_G(c, d, a, b, x[15], 14, 0xd8a1e681);
    MD5_STEP_G(b, c, d, a, x[4], 20, 0xe7d3fbc8);
    MD5_STEP_G(a, b, c, d, x[9], 5, 0x21e1cde6);
    MD5_STEP_G(d, a, b, c, x[14], 9, 0xc33707d6);
    MD5_STEP_G(c, d, a, b, x[3], 14, 0xf4d50d87);
    MD5_STEP_G(b, c, d, a, x[8], 20, 0x455a14ed);
    MD5_STEP_G(a, b, c, d, x[13], 5, 0xa9e3e905);
    MD5_STEP_G(d, a, b, c, x[2], 9, 0xfcefa3f8);
    MD5_STEP_G(c, d, a, b, x[7], 14, 0x676f02d9);
    MD5_STEP_G(b, c, d, a, x[12], 20, 0x8d2a4c8a);

    MD5_STEP_H(a, b, c, d, x[5], 4, 0xfffa3942);
    MD5_STEP_H(d, a, b, c, x[8], 11, 0x8771f681);
    MD5_STEP_H(c, d, a, b, x[11], 16, 0x6d9d6122);
    MD5_STEP_H(b, c, d, a, x[14], 23, 0xfde5380c);
    MD5_STEP_H(a, b, c, d, x[1], 4, 0xa4beea44);
    MD5_STEP_H(d, a, b, c, x[4], 11, 0x4bdecfa9);
    MD5_STEP_H(c, d, a, b, x[7], 16, 0xf6bb4b60);
    MD5_STEP_H(b, c, d, a, x[10], 23, 0xbebfbc70);
    MD5_STEP_H(a, b, c, d, x[13], 4, 0x289b7ec6);
    MD5_STEP_H(d, a, b, c, x[0], 11, 0xeaa127fa);
    MD5_STEP_H(c, d, a, b, x[3], 16, 0xd4ef3085);
    MD5_STEP_H(b, c, d, a, x[6], 23, 0x04881d05);
    MD5_STEP_H(a, b, c, d, x[9], 4, 0xd9d4d039);
    MD5_STEP_H(d, a, b, c, x[12], 11, 0xe6db99e5);
    MD5_STEP_H(c, d, a, b, x[15], 16, 0x1fa27cf8);
    MD5_STEP_H(b, c, d, a, x[2], 23, 0xc4ac5665);

    MD5_STEP_I(a, b, c, d, x[0], 6, 0xf4292244);
    MD5_STEP_I(d, a, b, c, x[7], 10, 0x432aff97);
    MD5_STEP_I(c, d, a, b, x[14], 15, 0xab9423a7);
    MD5_STEP_I(b, c, d, a, x[5], 21, 0xfc93a039);
    MD5_STEP_I(a, b, c, d, x[12], 6, 0x655b59c3);
    MD5_STEP_I(d, a, b, c, x[3], 10, 0x8f0ccc92);
    MD5_STEP_I(c, d, a, b, x[10], 15, 0xffeff47d);
    MD5_STEP_I(b, c, d, a, x[1], 21, 0x85845dd1);
    MD5_STEP_I(a, b, c, d, x[8], 6, 0x6fa87e4f);
    MD5_STEP_I(d, a, b, c, x[15], 10, 0xfe2ce6e0);
    MD5_STEP_I(c, d, a, b, x[6], 15, 0xa3014314);
    MD5_STEP_I(b, c, d, a, x[13], 21, 0x4e0811a1);
    MD5_STEP_I(a, b, c, d, x[4], 6, 0xf7537e82);
    MD5_STEP_I(d, a, b, c, x[11], 10, 0xbd3af235);
    MD5_STEP_I(c, d, a, b, x[2], 15, 0x2ad7d2bb);
    MD5_STEP_I(b, c, d, a, x[9], 21, 0xeb86d391);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

#undef MD5_STEP_F
#undef MD5_STEP_G
#undef MD5_STEP_H
#undef MD5_STEP_I

void MD5Transform(uint32_t state[4], const unsigned char block[64]) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = static_cast<uint32_t>(block[4 * i]) | static_cast<uint32_t>(block[4 * i + 1]) << 8 |
               static_cast<uint32_t>(block[4 * i + 2]) << 16 | static_cast<uint32_t>(block[4 * i + 3]) << 24;
    MD5Rounds(state, x);
}


void EncodeLE(unsigned char* out, const uint32_t* in, size_t words) {
    for (size_t i = 0; i < words; ++i) {
        out[4 * i] = static_cast<unsigned char>(in[i]);
        out[4 * i + 1] = static_cast<unsigned char>(in[i] >> 8);
        out[4 * i + 2] = static_cast<unsigned char>(in[i] >> 16);
        out[4 * i + 3] = static_cast<unsigned char>(in[i] >> 24);
    }
}

}  // namespace

void MD5Init(MD5Context& ctx) {
    ctx.count[0] = ctx.count[1] = 0;
    ctx.state[0] = 0x67452301;
    ctx.state[1] = 0xefcdab89;
    ctx.state[2] = 0x98badcfe;
    ctx.state[3] = 0x10325476;
    std::memset(ctx.buffer, 0, sizeof ctx.buffer);
}

void MD5Update(MD5Context& ctx, const unsigned char* data, size_t length) {
    size_t index = (ctx.count[0] >> 3) & 0x3F;
    uint64_t bits = static_cast<uint64_t>(length) << 3;
    uint32_t low = ctx.count[0];
    ctx.count[0] += static_cast<uint32_t>(bits);
    if (ctx.count[0] < low) ctx.count[1]++;
    ctx.count[1] += static_cast<uint32_t>(bits >> 32);

    size_t partLen = 64 - index;
    size_t i = 0;
    if (length >= partLen) {
        std::memcpy(ctx.buffer + index, data, partLen);
        MD5Transform(ctx.state, ctx.buffer);
        for (i = partLen; i + 63 < length; i += 64) MD5Transform(ctx.state, data + i);
        index = 0;
    }
    std::memcpy(ctx.buffer + index, data + i, length - i);
}

void MD5Final(unsigned char digest[16], MD5Context& ctx) {
    static const unsigned char kPadding[64] = {0x80};
    unsigned char bits[8];
    EncodeLE(bits, ctx.count, 2);
    size_t index = (ctx.count[0] >> 3) & 0x3F;
    size_t padLen = index < 56 ? 56 - index : 120 - index;
    MD5Update(ctx, kPadding, padLen);
    MD5Update(ctx, bits, 8);
    EncodeLE(digest, ctx.state, 4);
    std::memset(&ctx, 0, sizeof ctx);
}

MD5::MD5(const char* password) : m_password(password) {
    MD5Context ctx;
    MD5Init(ctx);
    MD5Update(ctx, reinterpret_cast<const unsigned char*>(m_password), std::strlen(m_password));
    MD5Final(m_digest, ctx);
    m_valid = true;
}

const unsigned char* MD5::GetKey() const { return m_valid ? m_digest : nullptr; }

// One context for all rounds. Each final step zeroes it, so only round 1
// starts from the standard initial values; rounds 2 to 10,000 start from a
// chaining value of zero. Every round digests the same layout: the 16 digest
// bytes, the pad byte 0x80, zeros, and the bit length 128. So each round is
// one block transform with those words fixed, done here without the context.
void MD5::Stretch() {
    uint32_t x[16] = {0};
    for (int i = 0; i < 4; ++i)
        x[i] = static_cast<uint32_t>(m_digest[4 * i]) | static_cast<uint32_t>(m_digest[4 * i + 1]) << 8 |
               static_cast<uint32_t>(m_digest[4 * i + 2]) << 16 | static_cast<uint32_t>(m_digest[4 * i + 3]) << 24;
    x[4] = 0x80;
    x[14] = 128;
    uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    MD5Rounds(state, x);
    for (int round = 1; round < 10000; ++round) {
        for (int i = 0; i < 4; ++i) x[i] = state[i];
        state[0] = state[1] = state[2] = state[3] = 0;
        MD5Rounds(state, x);
    }
    EncodeLE(m_digest, state, 4);
}

// ---------------------------------------------------------------------------
// SHA-256 as a state machine over the chaining value H, the bit counter C and
// the block buffer B. After each compression B holds the last sixteen words
// of the message schedule; the final step leaves C byte-reversed. Nothing is
// reset between final steps, and the stretch depends on all of it.

namespace {

const uint32_t kSha256Init[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

uint64_t ByteSwap64(uint64_t v) {
    uint64_t r = 0;
    for (int i = 0; i < 8; ++i) {
        r = (r << 8) | (v & 0xFF);
        v >>= 8;
    }
    return r;
}

const char* const kInvalidType = "Invalid SHA_TYPE type!";

}  // namespace

sha2::sha2(const char* password, size_t length) {
    Init(SHA_256);
    Update(reinterpret_cast<const unsigned char*>(password), length);
    Final();
}

void sha2::Init(int type) {
    if (type != SHA_256) throw std::runtime_error(kInvalidType);
    m_type = type;
    m_finished = false;
    std::memcpy(m_h, kSha256Init, sizeof m_h);
    m_count = 0;
    std::memset(m_block, 0, sizeof m_block);
}

// The compressor leaves the schedule ring in B: W[48] to W[63], little-endian.
void sha2::Compress(const unsigned char* block) { ActiveSha256Compressor()(m_h, block, m_block); }

void sha2::Update(const unsigned char* data, size_t count) {
    if (m_type != SHA_256) throw std::runtime_error(kInvalidType);
    if (count == 0) return;
    size_t fill = static_cast<size_t>((m_count >> 3) % 64);
    if (fill != 0) {
        size_t room = 64 - fill;
        if (count < room) {
            std::memcpy(m_block + fill, data, count);
            m_count += 8 * static_cast<uint64_t>(count);
            return;
        }
        std::memcpy(m_block + fill, data, room);
        m_count += 8 * static_cast<uint64_t>(room);
        Compress(m_block);
        data += room;
        count -= room;
    }
    while (count >= 64) {
        Compress(data);
        m_count += 512;
        data += 64;
        count -= 64;
    }
    if (count > 0) {
        std::memcpy(m_block, data, count);
        m_count += 8 * static_cast<uint64_t>(count);
    }
}

void sha2::Final() {
    if (m_type != SHA_256) throw std::runtime_error(kInvalidType);
    size_t fill = static_cast<size_t>((m_count >> 3) % 64);
    if (fill == 0) {
        std::memset(m_block, 0, 56);
        m_block[0] = 0x80;
    } else {
        m_block[fill] = 0x80;
        if (fill + 1 <= 56) {
            std::memset(m_block + fill + 1, 0, 56 - (fill + 1));
        } else {
            std::memset(m_block + fill + 1, 0, 64 - (fill + 1));
            Compress(m_block);
            std::memset(m_block, 0, 56);
        }
    }
    m_count = ByteSwap64(m_count);
    for (int i = 0; i < 8; ++i) m_block[56 + i] = static_cast<unsigned char>(m_count >> (8 * i));
    Compress(m_block);
    for (int i = 0; i < 8; ++i) {
        m_digest[4 * i] = static_cast<unsigned char>(m_h[i] >> 24);
        m_digest[4 * i + 1] = static_cast<unsigned char>(m_h[i] >> 16);
        m_digest[4 * i + 2] = static_cast<unsigned char>(m_h[i] >> 8);
        m_digest[4 * i + 3] = static_cast<unsigned char>(m_h[i]);
    }
    m_finished = true;
}

const unsigned char* sha2::GetDigest(size_t* length) const {
    if (!m_finished) throw std::runtime_error("Unfinished execution!");
    if (length) *length = 32;
    return m_digest;
}

// H, C and B run on from the constructor's final step; there is no
// re-initialisation anywhere in the 10,000 rounds.
void sha2::Stretch() {
    for (int round = 0; round < 10000; ++round) {
        unsigned char d[32];
        std::memcpy(d, GetDigest(), 32);
        Update(d, 32);
        Final();
    }
}

// ---------------------------------------------------------------------------

IKeyBase* IKeyBase::CreateKey(const std::string& password, CipherSettings& settings) {
    IKeyBase* key = nullptr;
    switch (settings.GetHashType()) {
        case CipherSettings::kHashMD5: key = new MD5(password.c_str()); break;
        case CipherSettings::kHashSHA224:
        case CipherSettings::kHashSHA256: key = new sha2(password.data(), password.size()); break;
        default:
            key = new MD5(password.c_str());
            settings.SetHashType(CipherSettings::kHashMD5);
            settings.SetKeyLength(16);
            break;
    }
    if (settings.GetFormatVersion() >= 3) key->Stretch();
    return key;
}

}  // namespace CIPHER
}  // namespace Vastrel2
