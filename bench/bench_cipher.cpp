// Blowfish-CBC throughput in memory and the time to make each kind of key,
// each next to its reference measured in the same run: OpenSSL's own
// Blowfish-CBC speed ("openssl speed"), and for keys the target of 2 ms.
// Not a test: run it by hand and read the numbers.
//
//   bench_cipher [--runs N]
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "core/blowfish.h"
#include "core/keys.h"
#include "core/sha256_compress.h"
#include "core/worker_group.h"

using namespace Vastrel2::CIPHER;
using bench::Clock;
using bench::Seconds;

namespace {

// OpenSSL's Blowfish-CBC speed in MB/s on 16 KiB buffers, or 0.
double OpenSslSpeed(bool decrypt) {
    if (bench::OpenSsl().empty()) return 0;
    const std::string out = "bench-openssl-speed.txt";
    std::string command = bench::OpenSsl() + " speed -provider legacy -provider default" +
                          (decrypt ? " -decrypt" : "") + " -evp bf-cbc -bytes 16384 -seconds 1 -mr";
    bench::RunCommand(command, out);
    std::ifstream in(out);
    std::string line;
    double speed = 0;
    while (std::getline(in, line)) {
        // +F:<n>:BF-CBC:<bytes per second>
        size_t last = line.rfind(':');
        if (line.compare(0, 3, "+F:") == 0 && last != std::string::npos) speed = std::atof(line.c_str() + last + 1);
    }
    in.close();
    std::remove(out.c_str());
    return speed / 1e6;
}

void Row(const char* what, double ours, double reference, const char* unit) {
    std::printf("%-44s %9.1f %-5s", what, ours, unit);
    if (reference > 0)
        std::printf("  reference %9.1f %-5s  ours/reference %s\n", reference, unit, bench::Ratio(ours, reference).c_str());
    else
        std::printf("  reference       -\n");
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = bench::IntOption(argc, argv, "--runs", 5);
    const size_t size = 64u << 20;
    std::vector<unsigned char> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 31 + 7);
    const std::vector<unsigned char> original = data;

    Blowfish bf;
    const unsigned char key[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                   17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
    bf.SetKey(key, sizeof key);
    const unsigned char iv[8] = {1, 1, 2, 3, 5, 8, 13, 21};

    std::vector<double> encrypt, decrypt, decryptCores, oneBlock, refEncrypt, refDecrypt;
    Vastrel2::WorkerGroup workers(Vastrel2::WorkerGroup::ThreadsFor(64));
    bool same = true;
    for (int run = 0; run < runs; ++run) {
        bench::Touch(data.data(), size);
        unsigned char chain[8];
        std::memcpy(chain, iv, 8);
        Clock::time_point t = Clock::now();
        bf.EncryptCbc(data.data(), data.data(), size / 8, chain);
        encrypt.push_back(size / Seconds(t) / 1e6);

        std::vector<unsigned char> cipher = data;
        std::memcpy(chain, iv, 8);
        t = Clock::now();
        bf.DecryptCbc(data.data(), data.data(), size / 8, chain);
        decrypt.push_back(size / Seconds(t) / 1e6);
        same = same && data == original;

        // The same deciphering split over the cores, as large files are.
        const size_t slice = size / workers.Size() / 8 * 8;
        std::vector<std::vector<unsigned char>> chains(workers.Size());
        for (unsigned i = 0; i < workers.Size(); ++i)
            chains[i].assign(i == 0 ? iv : &cipher[i * slice - 8], (i == 0 ? iv : &cipher[i * slice - 8]) + 8);
        t = Clock::now();
        workers.Run([&](unsigned i) {
            size_t bytes = i + 1 == workers.Size() ? size - i * slice : slice;
            bf.DecryptCbc(&cipher[i * slice], &cipher[i * slice], bytes / 8, chains[i].data());
        });
        decryptCores.push_back(size / Seconds(t) / 1e6);
        same = same && cipher == original;

        // One block per call through the cipher interface, as the modes did.
        IBlockCipher& generic = bf;
        unsigned char block[8] = {0};
        t = Clock::now();
        for (size_t off = 0; off < size / 4; off += 8) {
            for (int i = 0; i < 8; ++i) block[i] ^= data[off + i];
            generic.EncryptBuffer(block, block, 8);
        }
        oneBlock.push_back(size / 4 / Seconds(t) / 1e6);
        volatile unsigned char sink = block[0];  // the loop's result is used
        (void)sink;

        // The reference in the same run, between our own runs.
        refEncrypt.push_back(OpenSslSpeed(false));
        refDecrypt.push_back(OpenSslSpeed(true));
    }
    if (!same) {
        std::printf("round trip FAILED\n");
        return 1;
    }
    std::printf("Blowfish-CBC on %zu MiB in memory, medians of %d runs; reference: %s\n", size >> 20, runs,
                bench::OpenSsl().empty() ? "none found" : "openssl speed -evp bf-cbc, 16 KiB buffers");
    const double re = bench::Median(refEncrypt), rd = bench::Median(refDecrypt);
    Row("encrypt (one chain, one thread)", bench::Median(encrypt), re, "MB/s");
    Row("decrypt (blocks interleaved, one thread)", bench::Median(decrypt), rd, "MB/s");
    char label[64];
    std::snprintf(label, sizeof label, "decrypt (interleaved, %u threads)", workers.Size());
    Row(label, bench::Median(decryptCores), rd, "MB/s");
    Row("encrypt one block a call (the old loop)", bench::Median(oneBlock), re, "MB/s");

    std::printf("\nkeys, medians of %d x 20 keys; reference: the 2 ms target\n", runs);
    const struct {
        const char* name;
        int hashType;
        int keyLength;
        Sha256Compressor compressor;
    } kinds[] = {{"MD5, 10,000 rounds", 0, 16, nullptr},
                 {"SHA-256, 10,000 rounds (SHA instructions)", 2, 32, Sha256CompressHardware()},
                 {"SHA-256, 10,000 rounds (portable)", 2, 32, &Sha256CompressPortable}};
    for (const auto& kind : kinds) {
        if (kind.hashType == 2 && !kind.compressor) {
            std::printf("%-44s  (this processor has no SHA instructions)\n", kind.name);
            continue;
        }
        Sha256Compressor previous = SetSha256Compressor(kind.compressor);
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            CipherSettings settings(0, kind.hashType, kind.keyLength, 3);
            Clock::time_point t = Clock::now();
            for (int i = 0; i < 20; ++i) std::unique_ptr<IKeyBase>(IKeyBase::CreateKey("benchmark password", settings));
            times.push_back(Seconds(t) * 1000 / 20);
        }
        SetSha256Compressor(previous);
        Row(kind.name, bench::Median(times), 2.0, "ms");
    }
    return 0;
}
