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

}  // namespace

// F(x) = ((S0[a] + S1[b]) ^ S2[c]) + S3[d], a the most significant byte.
#define BF_F(s, x) \
    ((((s)[(x) >> 24] + (s)[256 + (((x) >> 16) & 0xFF)]) ^ (s)[512 + (((x) >> 8) & 0xFF)]) + (s)[768 + ((x)&0xFF)])
#define BF_ROUND(s, p, a, b, i) \
    (a) ^= (p)[i];              \
    (b) ^= BF_F(s, a)

Blowfish::Blowfish() : m_p(new uint32_t[18]()), m_s(new uint32_t[1024]()) {}

Blowfish::~Blowfish() {
    delete[] m_p;
    delete[] m_s;
}

void Blowfish::EncryptBlock(uint32_t& left, uint32_t& right) const {
    const uint32_t* p = m_p;
    const uint32_t* s = m_s;
    uint32_t l = left, r = right;
    // Each round XORs P[i] into one half and F of it into the other; the
    // halves swap roles from round to round instead of moving.
    BF_ROUND(s, p, l, r, 0);
    BF_ROUND(s, p, r, l, 1);
    BF_ROUND(s, p, l, r, 2);
    BF_ROUND(s, p, r, l, 3);
    BF_ROUND(s, p, l, r, 4);
    BF_ROUND(s, p, r, l, 5);
    BF_ROUND(s, p, l, r, 6);
    BF_ROUND(s, p, r, l, 7);
    BF_ROUND(s, p, l, r, 8);
    BF_ROUND(s, p, r, l, 9);
    BF_ROUND(s, p, l, r, 10);
    BF_ROUND(s, p, r, l, 11);
    BF_ROUND(s, p, l, r, 12);
    BF_ROUND(s, p, r, l, 13);
    BF_ROUND(s, p, l, r, 14);
    BF_ROUND(s, p, r, l, 15);
    left = r ^ p[17];
    right = l ^ p[16];
}

void Blowfish::DecryptBlock(uint32_t& left, uint32_t& right) const {
    const uint32_t* p = m_p;
    const uint32_t* s = m_s;
    uint32_t l = left, r = right;
    BF_ROUND(s, p, l, r, 17);
    BF_ROUND(s, p, r, l, 16);
    BF_ROUND(s, p, l, r, 15);
    BF_ROUND(s, p, r, l, 14);
    BF_ROUND(s, p, l, r, 13);
    BF_ROUND(s, p, r, l, 12);
    BF_ROUND(s, p, l, r, 11);
    BF_ROUND(s, p, r, l, 10);
    BF_ROUND(s, p, l, r, 9);
    BF_ROUND(s, p, r, l, 8);
    BF_ROUND(s, p, l, r, 7);
    BF_ROUND(s, p, r, l, 6);
    BF_ROUND(s, p, l, r, 5);
    BF_ROUND(s, p, r, l, 4);
    BF_ROUND(s, p, l, r, 3);
    BF_ROUND(s, p, r, l, 2);
    left = r ^ p[0];
    right = l ^ p[1];
}

#undef BF_ROUND
#undef BF_F

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
    size_t n = (count + 7) & ~static_cast<size_t>(7);
    for (size_t off = 0; off < n; off += 8) {
        uint32_t l = LoadLE(source + off), r = LoadLE(source + off + 4);
        DecryptBlock(l, r);
        StoreLE(destination + off, l);
        StoreLE(destination + off + 4, r);
    }
    return n;
}

IBlockCipher* CipherFactory::CreateCipher(const CipherSettings& settings) const {
    return settings.GetCipherId() == CipherSettings::kBlowfish ? new Blowfish : nullptr;
}

}  // namespace CIPHER
}  // namespace Vastrel2
