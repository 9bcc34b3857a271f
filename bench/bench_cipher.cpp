// Throughput of Blowfish in CBC chaining on a large buffer, and the time to
// make one key of each kind. Not a test: run it by hand and read the numbers.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/blowfish.h"
#include "core/keys.h"

using namespace Vastrel2::CIPHER;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// CBC with the chaining value held in the two words of the block: the
// cipher's own throughput.
void CbcEncryptWords(const Blowfish& bf, unsigned char* data, size_t size) {
    uint32_t cl = 0, cr = 0;
    for (size_t off = 0; off < size; off += 8) {
        uint32_t l, r;
        std::memcpy(&l, data + off, 4);
        std::memcpy(&r, data + off + 4, 4);
        l ^= cl;
        r ^= cr;
        bf.EncryptBlock(l, r);
        std::memcpy(data + off, &l, 4);
        std::memcpy(data + off + 4, &r, 4);
        cl = l;
        cr = r;
    }
}

void CbcDecryptWords(const Blowfish& bf, unsigned char* data, size_t size) {
    uint32_t cl = 0, cr = 0;
    for (size_t off = 0; off < size; off += 8) {
        uint32_t l, r;
        std::memcpy(&l, data + off, 4);
        std::memcpy(&r, data + off + 4, 4);
        uint32_t nl = l, nr = r;
        bf.DecryptBlock(l, r);
        l ^= cl;
        r ^= cr;
        std::memcpy(data + off, &l, 4);
        std::memcpy(data + off + 4, &r, 4);
        cl = nl;
        cr = nr;
    }
}

// CBC block by block through the cipher interface, the way the cipher modes use it.
void CbcEncrypt(IBlockCipher& cipher, unsigned char* data, size_t size) {
    unsigned char chain[8] = {0};
    for (size_t off = 0; off < size; off += 8) {
        unsigned char block[8];
        for (int i = 0; i < 8; ++i) block[i] = data[off + i] ^ chain[i];
        cipher.EncryptBuffer(block, chain, 8);
        std::memcpy(data + off, chain, 8);
    }
}

void CbcDecrypt(IBlockCipher& cipher, unsigned char* data, size_t size) {
    unsigned char chain[8] = {0};
    for (size_t off = 0; off < size; off += 8) {
        unsigned char cipherBlock[8], plain[8];
        std::memcpy(cipherBlock, data + off, 8);
        cipher.DecryptBuffer(cipherBlock, plain, 8);
        for (int i = 0; i < 8; ++i) data[off + i] = plain[i] ^ chain[i];
        std::memcpy(chain, cipherBlock, 8);
    }
}

}  // namespace

int main() {
    const size_t size = 64u << 20;
    std::vector<unsigned char> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 31 + 7);
    const std::vector<unsigned char> original = data;

    Blowfish bf;
    const unsigned char key[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                   17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
    bf.SetKey(key, sizeof key);

    const double mib = static_cast<double>(size) / (1 << 20);
    auto report = [&](const char* what, void (*enc)(Blowfish&, unsigned char*, size_t),
                      void (*dec)(Blowfish&, unsigned char*, size_t)) {
        auto t = Clock::now();
        enc(bf, data.data(), size);
        double e = Seconds(t);
        t = Clock::now();
        dec(bf, data.data(), size);
        double d = Seconds(t);
        std::printf("Blowfish-CBC %-24s encrypt %7.1f MB/s, decrypt %7.1f MB/s (%.0f MiB)\n", what, size / e / 1e6,
                    size / d / 1e6, mib);
        return data == original;
    };
    bool ok = report("(cipher)", [](Blowfish& b, unsigned char* p, size_t n) { CbcEncryptWords(b, p, n); },
                     [](Blowfish& b, unsigned char* p, size_t n) { CbcDecryptWords(b, p, n); });
    ok = report("(through the interface)", [](Blowfish& b, unsigned char* p, size_t n) { CbcEncrypt(b, p, n); },
                [](Blowfish& b, unsigned char* p, size_t n) { CbcDecrypt(b, p, n); }) && ok;
    if (!ok) {
        std::printf("round trip FAILED\n");
        return 1;
    }
    Clock::time_point t;

    const struct {
        const char* name;
        int hashType;
        int keyLength;
    } kinds[] = {{"MD5, 10,000 rounds", 0, 16}, {"SHA-256, 10,000 rounds", 2, 32}};
    for (const auto& kind : kinds) {
        CipherSettings settings(0, kind.hashType, kind.keyLength, 3);
        const int repeats = 20;
        t = Clock::now();
        for (int i = 0; i < repeats; ++i) std::unique_ptr<IKeyBase>(IKeyBase::CreateKey("benchmark password", settings));
        std::printf("key %-24s %8.2f ms\n", kind.name, Seconds(t) * 1000 / repeats);
    }
    return 0;
}
