#include "core/blowfish.h"

#include <cstring>

namespace Vastrel2 {
namespace CIPHER {

extern const uint32_t kBlowfishInitP[18];
extern const uint32_t kBlowfishInitS[1024];

namespace {

inline uint32_t LoadLE(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

inline void StoreLE(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// F(x) = ((S0[a] + S1[b]) ^ S2[c]) + S3[d], a the most significant byte.
inline uint32_t F(const uint32_t* s, uint32_t x) {
    return ((s[x >> 24] + s[256 + ((x >> 16) & 0xFF)]) ^ s[512 + ((x >> 8) & 0xFF)]) + s[768 + (x & 0xFF)];
}

// The rounds without the swaps: each half takes the next P word and then F
// of the other half. P is XORed in first, while F is still being looked up,
// so only F lies on the path from one round to the next.
inline void Encipher(const uint32_t* p, const uint32_t* s, uint32_t& left, uint32_t& right) {
    uint32_t l = left ^ p[0], r = right;
#if defined(__GNUC__)
#pragma GCC unroll 16
#endif
    for (int i = 1; i < 17; i += 2) {
        r = (r ^ p[i]) ^ F(s, l);
        l = (l ^ p[i + 1]) ^ F(s, r);
    }
    left = r ^ p[17];
    right = l;
}

// Deciphers N independent blocks round by round, so that the table look-ups
// of one block fill the time the others wait for theirs.
template <int N>
inline void DecipherLanes(const uint32_t* p, const uint32_t* s, uint32_t (&l)[N], uint32_t (&r)[N]) {
    for (int k = 0; k < N; ++k) l[k] ^= p[17];
#if defined(__GNUC__)
#pragma GCC unroll 16
#endif
    for (int i = 16; i > 0; i -= 2) {
        for (int k = 0; k < N; ++k) r[k] = (r[k] ^ p[i]) ^ F(s, l[k]);
        for (int k = 0; k < N; ++k) l[k] = (l[k] ^ p[i - 1]) ^ F(s, r[k]);
    }
    for (int k = 0; k < N; ++k) {
        uint32_t t = r[k] ^ p[0];
        r[k] = l[k];
        l[k] = t;
    }
}

// Blocks deciphered together: enough to keep the look-ups flowing while
// each block waits for its own. Eight outrun four even though their halves
// no longer all fit in the sixteen registers of x86-64; 32-bit x86 has only
// eight registers in all, so it takes four.
constexpr int kLanes = sizeof(void*) >= 8 ? 8 : 4;

// N blocks of CBC decryption at `off`. Every ciphertext block that is still
// needed is read before the block over it is written, so the buffers may be
// the same. cl, cr: the chaining value, replaced by the last ciphertext block.
template <int N>
inline void DecryptCbcGroup(const uint32_t* p, const uint32_t* s, const unsigned char* src, unsigned char* dst,
                            uint32_t& cl, uint32_t& cr) {
    uint32_t l[N], r[N];
    for (int k = 0; k < N; ++k) {
        l[k] = LoadLE(src + 8 * k);
        r[k] = LoadLE(src + 8 * k + 4);
    }
    const uint32_t nextL = l[N - 1], nextR = r[N - 1];
    DecipherLanes<N>(p, s, l, r);
    for (int k = N - 1; k > 0; --k) {
        uint32_t pl = LoadLE(src + 8 * (k - 1)), pr = LoadLE(src + 8 * (k - 1) + 4);
        StoreLE(dst + 8 * k, l[k] ^ pl);
        StoreLE(dst + 8 * k + 4, r[k] ^ pr);
    }
    StoreLE(dst, l[0] ^ cl);
    StoreLE(dst + 4, r[0] ^ cr);
    cl = nextL;
    cr = nextR;
}

}  // namespace

Blowfish::Blowfish() : m_p(new uint32_t[18]()), m_s(new uint32_t[1024]()) {}

Blowfish::~Blowfish() {
    delete[] m_p;
    delete[] m_s;
}

void Blowfish::EncryptBlock(uint32_t& left, uint32_t& right) const { Encipher(m_p, m_s, left, right); }

void Blowfish::DecryptBlock(uint32_t& left, uint32_t& right) const {
    uint32_t l[1] = {left}, r[1] = {right};
    DecipherLanes<1>(m_p, m_s, l, r);
    left = l[0];
    right = r[0];
}

void Blowfish::EncryptCbc(const unsigned char* source, unsigned char* destination, size_t blocks,
                          unsigned char chain[8]) const {
    const uint32_t* p = m_p;
    const uint32_t* s = m_s;
    uint32_t l = LoadLE(chain), r = LoadLE(chain + 4);
    for (size_t off = 0, end = blocks * 8; off < end; off += 8) {
        l ^= LoadLE(source + off);
        r ^= LoadLE(source + off + 4);
        Encipher(p, s, l, r);
        StoreLE(destination + off, l);
        StoreLE(destination + off + 4, r);
    }
    StoreLE(chain, l);
    StoreLE(chain + 4, r);
}

void Blowfish::DecryptCbc(const unsigned char* source, unsigned char* destination, size_t blocks,
                          unsigned char chain[8]) const {
    const uint32_t* p = m_p;
    const uint32_t* s = m_s;
    uint32_t cl = LoadLE(chain), cr = LoadLE(chain + 4);
    size_t b = 0;
    for (; b + kLanes <= blocks; b += kLanes) DecryptCbcGroup<kLanes>(p, s, source + 8 * b, destination + 8 * b, cl, cr);
    for (; b < blocks; ++b) DecryptCbcGroup<1>(p, s, source + 8 * b, destination + 8 * b, cl, cr);
    StoreLE(chain, cl);
    StoreLE(chain + 4, cr);
}

bool Blowfish::SetKey(const unsigned char* key, size_t length) {
    if (!key || length == 0) return false;
    std::memcpy(m_p, kBlowfishInitP, sizeof kBlowfishInitP);
    std::memcpy(m_s, kBlowfishInitS, sizeof kBlowfishInitS);

    size_t j = 0;
    for (int i = 0; i < 18; ++i) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4; ++k) word = (word << 8) | key[(j + k) % length];
        j = (j + 4) % length;
        m_p[i] ^= word;
    }

    uint32_t l = 0, r = 0;
    for (int i = 0; i < 18; i += 2) {
        EncryptBlock(l, r);
        m_p[i] = l;
        m_p[i + 1] = r;
    }
    for (int i = 0; i < 1024; i += 2) {
        EncryptBlock(l, r);
        m_s[i] = l;
        m_s[i + 1] = r;
    }
    return true;
}

size_t Blowfish::EncryptBuffer(const unsigned char* source, unsigned char* destination, size_t count) {
    const size_t whole = count & ~static_cast<size_t>(7);
    // Each block is loaded before it is stored, so source and destination
    // may be the same buffer.
    for (size_t off = 0; off < whole; off += 8) {
        uint32_t l = LoadLE(source + off), r = LoadLE(source + off + 4);
        EncryptBlock(l, r);
        StoreLE(destination + off, l);
        StoreLE(destination + off + 4, r);
    }
    if (whole == count) return count;
    // A last, partial block is padded with zero bytes.
    unsigned char tail[8] = {0};
    std::memcpy(tail, source + whole, count - whole);
    uint32_t l = LoadLE(tail), r = LoadLE(tail + 4);
    EncryptBlock(l, r);
    StoreLE(destination + whole, l);
    StoreLE(destination + whole + 4, r);
    return whole + 8;
}

size_t Blowfish::DecryptBuffer(const unsigned char* source, unsigned char* destination, size_t count) {
    const size_t blocks = (count + 7) / 8;
    size_t b = 0;
    // Blocks are independent here: several at once, each read before written.
    for (; b + kLanes <= blocks; b += kLanes) {
        uint32_t l[kLanes], r[kLanes];
        for (int k = 0; k < kLanes; ++k) {
            l[k] = LoadLE(source + 8 * (b + k));
            r[k] = LoadLE(source + 8 * (b + k) + 4);
        }
        DecipherLanes<kLanes>(m_p, m_s, l, r);
        for (int k = 0; k < kLanes; ++k) {
            StoreLE(destination + 8 * (b + k), l[k]);
            StoreLE(destination + 8 * (b + k) + 4, r[k]);
        }
    }
    for (; b < blocks; ++b) {
        uint32_t l = LoadLE(source + 8 * b), r = LoadLE(source + 8 * b + 4);
        DecryptBlock(l, r);
        StoreLE(destination + 8 * b, l);
        StoreLE(destination + 8 * b + 4, r);
    }
    return blocks * 8;
}

IBlockCipher* CipherFactory::CreateCipher(const CipherSettings& settings) const {
    return settings.GetCipherId() == CipherSettings::kBlowfish ? new Blowfish : nullptr;
}

}  // namespace CIPHER
}  // namespace Vastrel2
