#pragma once
// The SHA-256 compression function as the key digests use it: besides adding
// the block into the chaining value it leaves the last sixteen words of the
// message schedule, W[48] to W[63], in the digest's block buffer, where the
// stretching rounds of stored keys read them again.
#include <cstdint>

namespace Vastrel2 {
namespace CIPHER {

// Compresses the 64 bytes at `block` into `h` and writes W[48 + j] as the
// little-endian word j of `ring` (64 bytes). The two may be the same buffer.
using Sha256Compressor = void (*)(uint32_t h[8], const unsigned char* block, unsigned char* ring);

void Sha256CompressPortable(uint32_t h[8], const unsigned char* block, unsigned char* ring);

// The same through the processor's SHA instructions, or nullptr when this
// processor (or this build's compiler) has none. Checked once, at run time.
Sha256Compressor Sha256CompressHardware();

// The compressor every digest uses: the hardware one where there is one.
Sha256Compressor ActiveSha256Compressor();
// Replaces it (tests and benchmarks compare the two); returns the previous.
// Not to be called while digests are being computed on other threads.
Sha256Compressor SetSha256Compressor(Sha256Compressor compressor);

}  // namespace CIPHER
}  // namespace Vastrel2
