#include "core/sha256_compress.h"

#include <atomic>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define VASTREL_SHA_X86 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace Vastrel2 {
namespace CIPHER {

namespace {

alignas(16) const uint32_t kK[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

inline uint32_t Ror(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
inline uint32_t BigSigma0(uint32_t x) { return Ror(x, 2) ^ Ror(x, 13) ^ Ror(x, 22); }
inline uint32_t BigSigma1(uint32_t x) { return Ror(x, 6) ^ Ror(x, 11) ^ Ror(x, 25); }
inline uint32_t SmallSigma0(uint32_t x) { return Ror(x, 7) ^ Ror(x, 18) ^ (x >> 3); }
inline uint32_t SmallSigma1(uint32_t x) { return Ror(x, 17) ^ Ror(x, 19) ^ (x >> 10); }

inline uint32_t LoadBE(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
           static_cast<uint32_t>(p[3]);
}

// One round with the working variables named by position; the caller
// rotates the names instead of moving eight values every round.
#define SHA256_ROUND(a, b, c, d, e, f, g, h, k, w)                              \
    do {                                                                         \
        uint32_t t1 = (h) + BigSigma1(e) + ((g) ^ ((e) & ((f) ^ (g)))) + (k) + (w); \
        uint32_t t2 = BigSigma0(a) + (((a) & (b)) | ((c) & ((a) | (b))));         \
        (d) += t1;                                                               \
        (h) = t1 + t2;                                                           \
    } while (0)

#if VASTREL_SHA_X86

bool CpuHasShaInstructions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool ssse3 = (c >> 9) & 1, sse41 = (c >> 19) & 1;
    if (!ssse3 || !sse41 || __get_cpuid_max(0, nullptr) < 7) return false;
    __cpuid_count(7, 0, a, b, c, d);
    return (b >> 29) & 1;
}

// 32-bit Windows promises only 4-byte stack alignment; the vector spills of
// this function need 16.
#if defined(__i386__)
#define VASTREL_SHA_ATTRIBUTES __attribute__((target("sha,sse4.1"), force_align_arg_pointer))
#else
#define VASTREL_SHA_ATTRIBUTES __attribute__((target("sha,sse4.1")))
#endif

VASTREL_SHA_ATTRIBUTES
void CompressShaNi(uint32_t h[8], const unsigned char* block, unsigned char* ring) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    // The instructions keep the state as ABEF and CDGH.
    __m128i tmp = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h)), 0xB1);  // CDAB
    __m128i state1 = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h + 4)), 0x1B);  // EFGH
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);     // ABEF
    state1 = _mm_blend_epi16(state1, tmp, 0xF0);          // CDGH
    const __m128i abefSaved = state0, cdghSaved = state1;

    // w[i % 4] holds W[4i] to W[4i + 3], one word a lane, W[4i] in lane 0.
    __m128i w[4];
    for (int i = 0; i < 4; ++i)
        w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * i)), byteSwap);
    for (int i = 0; i < 16; ++i) {
        if (i >= 4) {
            // W[4i..4i+3] from the four groups before it.
            __m128i next = _mm_sha256msg1_epu32(w[i % 4], w[(i + 1) % 4]);
            next = _mm_add_epi32(next, _mm_alignr_epi8(w[(i + 3) % 4], w[(i + 2) % 4], 4));
            w[i % 4] = _mm_sha256msg2_epu32(next, w[(i + 3) % 4]);
        }
        __m128i msg = _mm_add_epi32(w[i % 4], _mm_load_si128(reinterpret_cast<const __m128i*>(kK + 4 * i)));
        state1 = _mm_sha256rnds2_epu32(state1, state0, msg);
        state0 = _mm_sha256rnds2_epu32(state0, state1, _mm_shuffle_epi32(msg, 0x0E));
    }

    state0 = _mm_add_epi32(state0, abefSaved);
    state1 = _mm_add_epi32(state1, cdghSaved);
    tmp = _mm_shuffle_epi32(state0, 0x1B);                   // FEBA
    state1 = _mm_shuffle_epi32(state1, 0xB1);                // DCHG
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h), _mm_blend_epi16(tmp, state1, 0xF0));  // DCBA
    _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 4), _mm_alignr_epi8(state1, tmp, 8));  // HGFE
    // Groups 12 to 15 are W[48] to W[63]: lane order is word order.
    for (int i = 0; i < 4; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(ring + 16 * i), w[i]);
}

#endif  // VASTREL_SHA_X86

Sha256Compressor DetectHardware() {
#if VASTREL_SHA_X86
    return CpuHasShaInstructions() ? &CompressShaNi : nullptr;
#else
    return nullptr;
#endif
}

Sha256Compressor Best() {
    Sha256Compressor hardware = Sha256CompressHardware();
    return hardware ? hardware : &Sha256CompressPortable;
}

// The compressor in use; none until the first use picks the best one. An
// atomic pointer needs no lock and no guard: nothing here touches the
// threads library, on whichever thread a digest runs.
std::atomic<Sha256Compressor> g_active{nullptr};

}  // namespace

void Sha256CompressPortable(uint32_t h[8], const unsigned char* block, unsigned char* ring) {
    uint32_t w[16];
    for (int t = 0; t < 16; ++t) w[t] = LoadBE(block + 4 * t);

    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
    for (int t = 0; t < 64; t += 8) {
        if (t >= 16) {
            for (int j = 0; j < 8; ++j) {
                const int i = t + j;
                w[i & 15] += SmallSigma1(w[(i - 2) & 15]) + w[(i - 7) & 15] + SmallSigma0(w[(i - 15) & 15]);
            }
        }
        SHA256_ROUND(a, b, c, d, e, f, g, hh, kK[t + 0], w[(t + 0) & 15]);
        SHA256_ROUND(hh, a, b, c, d, e, f, g, kK[t + 1], w[(t + 1) & 15]);
        SHA256_ROUND(g, hh, a, b, c, d, e, f, kK[t + 2], w[(t + 2) & 15]);
        SHA256_ROUND(f, g, hh, a, b, c, d, e, kK[t + 3], w[(t + 3) & 15]);
        SHA256_ROUND(e, f, g, hh, a, b, c, d, kK[t + 4], w[(t + 4) & 15]);
        SHA256_ROUND(d, e, f, g, hh, a, b, c, kK[t + 5], w[(t + 5) & 15]);
        SHA256_ROUND(c, d, e, f, g, hh, a, b, kK[t + 6], w[(t + 6) & 15]);
        SHA256_ROUND(b, c, d, e, f, g, hh, a, kK[t + 7], w[(t + 7) & 15]);
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    h[5] += f;
    h[6] += g;
    h[7] += hh;

    // The schedule ring now holds W[48] to W[63] (word j = W[48 + j]).
    for (int j = 0; j < 16; ++j) {
        ring[4 * j] = static_cast<unsigned char>(w[j]);
        ring[4 * j + 1] = static_cast<unsigned char>(w[j] >> 8);
        ring[4 * j + 2] = static_cast<unsigned char>(w[j] >> 16);
        ring[4 * j + 3] = static_cast<unsigned char>(w[j] >> 24);
    }
}

Sha256Compressor Sha256CompressHardware() { return DetectHardware(); }

Sha256Compressor ActiveSha256Compressor() {
    Sha256Compressor active = g_active.load(std::memory_order_relaxed);
    if (active) return active;
    Sha256Compressor none = nullptr;
    active = Best();
    return g_active.compare_exchange_strong(none, active) ? active : none;
}

Sha256Compressor SetSha256Compressor(Sha256Compressor compressor) {
    Sha256Compressor previous = g_active.exchange(compressor ? compressor : Best());
    return previous ? previous : Best();
}

}  // namespace CIPHER
}  // namespace Vastrel2
