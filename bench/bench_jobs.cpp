// The file jobs on a large file, each figure next to its reference measured
// in the same run with OpenSSL's command-line tool on the same data:
//
//   encrypt loop    the CBC stream of the cipher mode, file to file
//                   vs "openssl enc -bf-cbc"
//   decrypt loop    the same, deciphering, vs "openssl enc -d -bf-cbc"
//   encrypt job     FileEncryptor (footer, flush to disk) and the one-pass
//                   shred of the plain file, as the console program does it,
//                   vs "openssl enc" and a flush of its output to disk
//   decrypt job     FileDecryptor (flush to disk) vs "openssl enc -d" and a flush
//   shred, 1 pass   the shred inside the encrypt job vs writing the file once
//                   and flushing it to disk
//
// Not a test: run it by hand.   bench_jobs [folder] [--size MiB] [--runs N]
// The folder (default: the current one) receives the work files, which are
// removed at the end. Times are medians of the runs (default 5).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "core/blowfish.h"
#include "core/cipher_mode.h"
#include "core/cipher_settings.h"
#include "core/file_cipher.h"
#include "core/secure_delete.h"
#include "platform/file.h"

using namespace Vastrel2::CIPHER;
using bench::Clock;
using bench::Seconds;

namespace {

constexpr size_t kChunk = 1 << 20;

bool Generate(const std::string& path, uint64_t size) {
    CFile out;
    if (!out.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary)) return false;
    std::vector<unsigned char> buffer(kChunk);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (uint64_t done = 0; done < size; done += kChunk) {
        for (size_t i = 0; i < kChunk; i += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            std::memcpy(&buffer[i], &state, 8);
        }
        size_t n = size - done < kChunk ? static_cast<size_t>(size - done) : kChunk;
        if (!out.Write(buffer.data(), n)) return false;
    }
    return out.Flush();
}

bool Copy(const std::string& from, const std::string& to) {
    CFile in, out;
    if (!in.Open(from, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary) ||
        !out.Open(to, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary))
        return false;
    std::vector<char> buffer(kChunk);
    while (size_t n = in.Read(buffer.data(), buffer.size()))
        if (!out.Write(buffer.data(), n)) return false;
    return out.Flush();
}

bool SameContent(const std::string& a, const std::string& b, uint64_t length) {
    CFile fa, fb;
    if (!fa.Open(a, CFile::modeRead | CFile::shareDenyNone) || !fb.Open(b, CFile::modeRead | CFile::shareDenyNone))
        return false;
    std::vector<char> ba(kChunk), bb(kChunk);
    for (uint64_t done = 0; done < length;) {
        size_t want = length - done < kChunk ? static_cast<size_t>(length - done) : kChunk;
        if (fa.Read(ba.data(), want) != want || fb.Read(bb.data(), want) != want ||
            std::memcmp(ba.data(), bb.data(), want) != 0)
            return false;
        done += want;
    }
    return true;
}

// One stream operation of the cipher mode from file to file.
bool Stream(bool encrypt, IBlockCipher& cipher, const InitVector& iv, const std::string& from, const std::string& to,
            uint64_t size) {
    CBCMode mode;
    CFile in, out;
    if (!in.Open(from, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary) ||
        !out.Open(to, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary))
        return false;
    const int pad = static_cast<int>(16 - size % 16) % 16;
    return encrypt ? mode.EncryptStream(&cipher, size, pad, in, out, iv) : mode.DecryptStream(&cipher, size, 0, in, out, iv);
}

// Writes the file's length once with zeros and flushes it: what one
// overwrite of the file on the disk costs at the least.
bool WriteOnceAndFlush(const std::string& path, uint64_t size) {
    CFile out;
    if (!out.Open(path, CFile::modeReadWrite | CFile::shareDenyNone | CFile::typeBinary)) return false;
    std::vector<char> zeros(kChunk, 0);
    for (uint64_t done = 0; done < size; done += kChunk)
        if (!out.Write(zeros.data(), size - done < kChunk ? static_cast<size_t>(size - done) : kChunk)) return false;
    return out.Flush();
}

struct Figure {
    explicit Figure(const char* name) : work(name) {}
    const char* work;
    std::vector<double> ours, reference;
};

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 && argv[1][0] != '-' ? argv[1] : ".";
    const uint64_t size = static_cast<uint64_t>(bench::IntOption(argc, argv, "--size", 256)) << 20;
    const int runs = bench::IntOption(argc, argv, "--runs", 5);
    auto at = [&](const char* name) { return folder + platform::kPathSep + name; };
    const std::string plain = at("bench-plain.bin"), ours = at("bench-ours.enc"), oursBack = at("bench-ours.dec"),
                      ref = at("bench-ref.enc"), refBack = at("bench-ref.dec"), work = at("bench-work.bin"),
                      workEnc = at("bench-work.~enc"), scratch = at("bench-scratch.bin");
    if (!Generate(plain, size)) {
        std::fprintf(stderr, "cannot write the work file in %s\n", folder.c_str());
        return 1;
    }

    const unsigned char key[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                   0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
    Blowfish cipher;
    cipher.SetKey(key, sizeof key);
    InitVector iv;
    iv.SetFromHex("00112233445566770011223344556677");
    const std::string openssl = bench::OpenSsl();
    const std::string enc = openssl + " enc -bf-cbc -provider legacy -provider default"
                                      " -K 0123456789abcdef0123456789abcdef -iv 0011223344556677";
    auto host = [](const std::string& path) { return bench::HostPath(path); };
    CipherSettings settings(CipherSettings::kBlowfish, CipherSettings::kHashSHA256, 32, CipherSettings::kCurrentFormat);

    Figure encryptLoop("encrypt loop (CBC stream)"), decryptLoop("decrypt loop (CBC stream)"),
        encryptJob("encrypt job + one-pass shred"), decryptJob("decrypt job"), shred("shred, one pass");
    auto length = [](const std::string& path) {
        CFileStatus status;
        return CFile::GetStatus(path, status) ? status.m_size : ~0ull;
    };
    // What the reference must leave: its padded ciphertext and the plaintext back.
    const uint64_t refCipherLength = size + 8 - size % 8;
    bool refOk = !openssl.empty();
    bool ok = true;
    const char* failed = nullptr;  // the first step that did not do its work
    auto check = [&](const char* step) {
        if (!ok && !failed) failed = step;
    };
    for (int run = 0; run < runs && ok; ++run) {
        Clock::time_point t = Clock::now();
        ok = Stream(true, cipher, iv, plain, ours, size);
        encryptLoop.ours.push_back(Seconds(t));
        check("encrypt loop");
        if (!openssl.empty()) encryptLoop.reference.push_back(bench::TimeCommand(enc + " -in " + host(plain) + " -out " + host(ref)));

        t = Clock::now();
        ok = ok && Stream(false, cipher, iv, ours, oursBack, size);
        decryptLoop.ours.push_back(Seconds(t));
        if (!openssl.empty())
            decryptLoop.reference.push_back(bench::TimeCommand(enc + " -d -in " + host(ref) + " -out " + host(refBack)));
        check("decrypt loop");
        ok = ok && SameContent(plain, oursBack, size);
        check("decrypt loop: the plaintext back");

        // The job as the console program runs it on one file.
        ok = ok && Copy(plain, work);
        std::string path = work, hint = "bench";
        t = Clock::now();
        {
            FileEncryptor job(nullptr, 0, 0, "bench password", &settings);
            ok = ok && job.EncryptFile(path, hint) == 0;
        }
        check("encrypt job");
        Clock::time_point shredStart = Clock::now();
        CSecureDelete shredder;
        shredder.SetPassCount(1);
        CFileStatus gone;
        ok = ok && shredder.DeleteFile(work) && !CFile::GetStatus(work, gone);
        check("shred");
        shred.ours.push_back(Seconds(shredStart));
        encryptJob.ours.push_back(Seconds(t));
        if (!openssl.empty()) {
            t = Clock::now();
            bench::RunCommand(enc + " -in " + host(plain) + " -out " + host(ref));
            bench::FlushFile(ref);
            encryptJob.reference.push_back(Seconds(t));
        }

        t = Clock::now();
        {
            FileDecryptor job(nullptr, 0, 0, "bench password");
            ok = ok && job.DecryptFile(path, hint, false) == 0;
        }
        check("decrypt job");
        decryptJob.ours.push_back(Seconds(t));
        if (!openssl.empty()) {
            t = Clock::now();
            bench::RunCommand(enc + " -d -in " + host(ref) + " -out " + host(refBack));
            bench::FlushFile(refBack);
            decryptJob.reference.push_back(Seconds(t));
        }
        // The plaintext is back under its own name (the job gives its full path).
        ok = ok && SameContent(plain, work, size);
        check("decrypt job: the plaintext back");

        Copy(plain, scratch);
        t = Clock::now();
        WriteOnceAndFlush(scratch, size);
        shred.reference.push_back(Seconds(t));
        refOk = refOk && length(ref) == refCipherLength && length(refBack) == size;
        for (const std::string& name : {work, workEnc, scratch, ref, refBack}) CFile::Remove(name);
    }
    for (const std::string& name : {plain, ours, oursBack, ref, refBack, work, workEnc, scratch}) CFile::Remove(name);
    if (!ok) {
        std::printf("FAILED: %s\n", failed ? failed : "?");
        return 1;
    }

    if (!openssl.empty() && !refOk) std::printf("the reference program did not write what it should: its figures are left out\n");
    if (!refOk)
        for (Figure* f : {&encryptLoop, &decryptLoop, &encryptJob, &decryptJob}) f->reference.clear();
    std::printf("%.0f MiB in %s, medians of %d runs; reference: %s\n", size / 1048576.0, folder.c_str(), runs,
                openssl.empty() ? "none found" : "openssl enc (-bf-cbc), started from this program");
    std::printf("%-30s %9s %9s %9s  %s\n", "work", "ours", "MB/s", "reference", "ours/reference (time)");
    for (const Figure* f : {&encryptLoop, &decryptLoop, &encryptJob, &decryptJob, &shred}) {
        const double o = bench::Median(f->ours), r = bench::Median(f->reference);
        std::printf("%-30s %8.3fs %9.1f ", f->work, o, size / 1e6 / o);
        if (r > 0)
            std::printf("%8.3fs  %s\n", r, bench::Ratio(o, r).c_str());
        else
            std::printf("%9s  -\n", "-");
    }
    std::printf("(shred reference: the file written once and flushed; the reference of the jobs includes the flush)\n");
    return 0;
}
