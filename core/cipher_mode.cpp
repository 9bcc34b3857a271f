#include "core/cipher_mode.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <new>

#include "core/file_header.h"
#include "core/worker_group.h"
#include "platform/message_box.h"
#include "platform/system.h"

namespace Vastrel2 {
namespace CIPHER {

const char* const kNameConversionError =
    "There has been a critical error converting your obfuscated filename. Your filename will not be converted.";

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void ShowNameError() {
    platform::ShowMessage(kNameConversionError, "Vastrel 2", platform::kMbIconError, platform::MsgOwner::MainWindow);
}

}  // namespace

bool HexToBytes(const char* text, unsigned char* output, size_t length) {
    if (length % 2 != 0) return false;
    for (size_t i = 0; i < length; i += 2) {
        int high = HexDigit(text[i]);
        int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        output[i / 2] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}

// ---------------------------------------------------------------- InitVector

InitVector::InitVector(int size) : m_size(size > 0 ? size : 0) {}

InitVector::~InitVector() { Drop(); }

void InitVector::Drop() {
    if (m_bytes) std::memset(m_bytes, 0, static_cast<size_t>(m_size));
    delete[] m_bytes;
    m_bytes = nullptr;
    m_hex.clear();
}

// Random bytes, not a clock: files encrypted within one clock tick under one
// password must still get different vectors.
bool InitVector::Generate() {
    if (!m_bytes) m_bytes = new unsigned char[static_cast<size_t>(m_size)];
    std::memset(m_bytes, 0, static_cast<size_t>(m_size));
    if (!platform::RandomBytes(m_bytes, static_cast<size_t>(m_size))) {
        Drop();
        return false;
    }
    m_hex = Utils::HexEncode(m_bytes, static_cast<size_t>(m_size));
    return true;
}

bool InitVector::SetFromHex(const std::string& text) {
    Drop();
    if (m_size == 0 || text.size() != static_cast<size_t>(m_size) * 2) return false;
    m_bytes = new unsigned char[static_cast<size_t>(m_size)];
    if (!HexToBytes(text.data(), m_bytes, text.size())) {
        Drop();
        return false;
    }
    m_hex = Utils::HexEncode(m_bytes, static_cast<size_t>(m_size));
    return true;
}

// --------------------------------------------------------------- ICipherMode

ICipherMode::ICipherMode(int blockSize)
    : m_blockSize(blockSize),
      m_w1(new unsigned char[blockSize]()),
      m_w2(new unsigned char[blockSize]()),
      m_w3(new unsigned char[blockSize]()),
      m_w4(new unsigned char[blockSize]()),
      m_output(new unsigned char[kChunk]()),
      m_input(new unsigned char[kChunk]()) {}

ICipherMode::~ICipherMode() {
    Reset();  // no plaintext stays behind in freed memory
    delete[] m_w1;
    delete[] m_w2;
    delete[] m_w3;
    delete[] m_w4;
    delete[] m_output;
    delete[] m_input;
}

void ICipherMode::Reset() {
    m_firstBlock = true;
    std::memset(m_input, 0, kChunk);
    std::memset(m_output, 0, kChunk);
    std::memset(m_w1, 0, static_cast<size_t>(m_blockSize));
    std::memset(m_w2, 0, static_cast<size_t>(m_blockSize));
    std::memset(m_w3, 0, static_cast<size_t>(m_blockSize));
    std::memset(m_w4, 0, static_cast<size_t>(m_blockSize));
}

bool ICipherMode::DecodeName(const std::string& hex, size_t& m) {
    m = hex.size() / 2;
    if (hex.size() > 2 * kChunk || !HexToBytes(hex.data(), m_input, hex.size())) {
        ShowNameError();
        return false;
    }
    return true;
}

// The record is two length bytes (low first) and the name; a length that
// reaches past the decoded bytes belongs to a damaged or foreign text.
bool ICipherMode::NameFromRecord(size_t m, std::string& name) {
    size_t length = m_output[0] + 256u * m_output[1];
    if (length + 2 > m) {
        ShowNameError();
        return false;
    }
    name.assign(reinterpret_cast<const char*>(m_output) + 2, length);
    return true;
}

// ------------------------------------------------------------------- CBCMode

ICipherMode* CBCMode::CreateMode(const CipherSettings& settings) {
    if (settings.GetFormatVersion() > 2) return new CBCMode(8);
    return new ECBMode(8);
}

bool CBCMode::HasIv(const InitVector& iv) const { return iv.GetBytes() && iv.GetSize() >= m_blockSize; }

// W4 plaintext, W1 the block after XOR, W2 ciphertext and chaining value.
// Only the first block-size bytes of the vector take part.
void CBCMode::EncryptBlock(IBlockCipher* cipher, size_t offset, const InitVector& iv) {
    const size_t bs = static_cast<size_t>(m_blockSize);
    std::memcpy(m_w4, m_input + offset, bs);
    const unsigned char* chain = m_firstBlock ? iv.GetBytes() : m_w2;
    for (size_t i = 0; i < bs; ++i) m_w1[i] = m_w4[i] ^ chain[i];
    m_firstBlock = false;
    cipher->EncryptBuffer(m_w1, m_w2, bs);
    std::memcpy(m_output + offset, m_w2, bs);
}

// W2 ciphertext, W3 its decryption, W4 plaintext, W1 the previous ciphertext.
void CBCMode::DecryptBlock(IBlockCipher* cipher, size_t offset, const InitVector& iv) {
    const size_t bs = static_cast<size_t>(m_blockSize);
    std::memcpy(m_w2, m_input + offset, bs);
    cipher->DecryptBuffer(m_w2, m_w3, bs);
    const unsigned char* chain = m_firstBlock ? iv.GetBytes() : m_w1;
    for (size_t i = 0; i < bs; ++i) m_w4[i] = m_w3[i] ^ chain[i];
    m_firstBlock = false;
    std::memcpy(m_output + offset, m_w4, bs);
    std::memcpy(m_w1, m_w2, bs);
}

CBCMode::~CBCMode() { WipeBatch(); }

// The batch buffer, at least `bytes` long, or nullptr when it cannot be had
// (the chunk loop then does all the work). A buffer that is replaced is
// wiped first: it may hold plaintext.
unsigned char* CBCMode::Batch(size_t bytes) {
    if (m_batch.size() < bytes) {
        std::vector<unsigned char> bigger;
        try {
            bigger.resize(bytes);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        WipeBatch();
        m_batch.swap(bigger);
    }
    m_batchUsed = std::max(m_batchUsed, bytes);
    return m_batch.data();
}

void CBCMode::WipeBatch() {
    if (m_batchUsed) std::memset(m_batch.data(), 0, m_batchUsed);
    m_batchUsed = 0;
}

// Every chunk before the one that holds the end is a full one without pad,
// so the chunks up to the last whole one are enciphered as one run of blocks.
// The chain is serial, so a large stream gets one more thread only for the
// file work: it writes the batch before and reads the batch after the one
// being enciphered.
bool CBCMode::EncryptBatches(const Blowfish& cipher, uint64_t size, CFile& source, CFile& destination,
                             const InitVector& iv, uint64_t& done) {
    const uint64_t whole = size / kChunk * kChunk;
    const size_t batch = static_cast<size_t>(std::min<uint64_t>(kBatch, whole));
    std::unique_ptr<WorkerGroup> io;
    if (whole >= kParallelFrom) {
        try {
            io.reset(new WorkerGroup(WorkerGroup::ThreadsFor(2)));
        } catch (...) {
            io.reset();
        }
        if (io && io->Size() < 2) io.reset();
    }
    unsigned char* buffer = Batch((io ? 3 : 1) * batch);
    if (!buffer) return true;
    unsigned char chain[8];
    std::memcpy(chain, iv.GetBytes(), 8);
    auto length = [&](uint64_t at) { return static_cast<size_t>(std::min<uint64_t>(batch, whole - at)); };

    if (!io) {
        while (done < whole) {
            const size_t want = length(done);
            if (source.Read(buffer, want) < want) return false;  // the source holds fewer than size bytes
            cipher.EncryptCbc(buffer, buffer, want / 8, chain);
            if (!destination.Write(buffer, want)) return false;
            done += want;
        }
    } else {
        // Batch k lives in buffer k mod 3.
        auto slot = [&](uint64_t k) { return buffer + static_cast<size_t>(k % 3) * batch; };
        const uint64_t batches = (whole + batch - 1) / batch;
        if (source.Read(slot(0), length(0)) < length(0)) return false;
        for (uint64_t k = 0; k < batches; ++k) {
            bool fileOk = true;
            std::function<void(unsigned)> step = [&](unsigned part) {
                if (part == 0) {
                    cipher.EncryptCbc(slot(k), slot(k), length(k * batch) / 8, chain);
                    return;
                }
                if (k > 0) fileOk = destination.Write(slot(k - 1), batch);
                if (fileOk && k + 1 < batches)
                    fileOk = source.Read(slot(k + 1), length((k + 1) * batch)) == length((k + 1) * batch);
            };
            io->Run(step);
            if (!fileOk) return false;
            if (k > 0) done += batch;
        }
        const uint64_t last = (batches - 1) * batch;
        if (!destination.Write(slot(batches - 1), length(last))) return false;
        done = whole;
    }
    // The chunk loop goes on from this ciphertext block.
    std::memcpy(m_w2, chain, 8);
    m_firstBlock = false;
    return true;
}

// Reads never more than size bytes in all, so the pad always follows the
// size bytes, even if the source has grown since its size was taken.
bool CBCMode::EncryptStream(IBlockCipher* cipher, uint64_t size, int pad, CFile& source, CFile& destination,
                            const InitVector& iv) {
    Reset();
    if (!cipher || !HasIv(iv) || pad < 0) return false;
    const size_t bs = static_cast<size_t>(m_blockSize);
    uint64_t done = 0;
    const Blowfish* blowfish = bs == 8 ? dynamic_cast<const Blowfish*>(cipher) : nullptr;
    if (blowfish && size >= kChunk && !EncryptBatches(*blowfish, size, source, destination, iv, done)) {
        WipeBatch();
        Reset();
        return false;
    }
    WipeBatch();
    while (done < size) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk, size - done));
        size_t n = source.Read(m_input, want);
        if (n < want) break;  // the source holds fewer than size bytes
        if (done + kChunk > size && pad > 0) {
            if (n + static_cast<size_t>(pad) > kChunk) break;
            std::memset(m_input + n, pad, static_cast<size_t>(pad));
            n += static_cast<size_t>(pad);
        }
        for (size_t e = 0; e < n; e += bs) EncryptBlock(cipher, e, iv);
        bool written = destination.Write(m_output, n);
        std::memset(m_input, 0, kChunk);
        std::memset(m_output, 0, kChunk);
        if (!written) return false;
        done += want;
    }
    bool complete = done >= size;
    Reset();
    return complete;
}

// Each whole chunk before the one that holds the end is written whole, so
// those chunks are deciphered as runs of blocks. A large run goes in batches
// through three buffers: while the threads decipher one batch, slice by
// slice as each thread comes free (a slice starts from the ciphertext block
// before it), the calling thread first writes the batch before and reads the
// batch after it, then joins in.
bool CBCMode::DecryptBatches(const Blowfish& cipher, uint64_t size, CFile& source, CFile& destination,
                             const InitVector& iv, uint64_t& done) {
    const uint64_t whole = size / kChunk * kChunk;
    std::unique_ptr<WorkerGroup> workers;
    if (whole >= kParallelFrom) {
        try {
            workers.reset(new WorkerGroup(WorkerGroup::ThreadsFor(static_cast<size_t>(whole / kBatch))));
        } catch (...) {
            workers.reset();  // one thread does it all
        }
        if (workers && workers->Size() < 2) workers.reset();
    }
    const size_t capacity = static_cast<size_t>(std::min<uint64_t>((workers ? workers->Size() : 1) * kBatch, whole));
    unsigned char* buffer = Batch((workers ? 3 : 1) * capacity);
    if (!buffer) return true;
    unsigned char chain[8];
    std::memcpy(chain, iv.GetBytes(), 8);
    auto length = [&](uint64_t k) { return static_cast<size_t>(std::min<uint64_t>(capacity, whole - k * capacity)); };
    const uint64_t batches = (whole + capacity - 1) / capacity;

    if (!workers) {
        for (uint64_t k = 0; k < batches; ++k) {
            const size_t want = length(k);
            if (source.Read(buffer, want) < want) return false;  // the source ended before size bytes
            cipher.DecryptCbc(buffer, buffer, want / 8, chain);
            if (!destination.Write(buffer, want)) return false;
            done += want;
        }
    } else {
        // Batch k lives in buffer k mod 3.
        auto slot = [&](uint64_t k) { return buffer + static_cast<size_t>(k % 3) * capacity; };
        std::vector<unsigned char> chains;
        try {
            chains.resize((capacity + kSlice - 1) / kSlice * 8);
        } catch (const std::bad_alloc&) {
            return true;  // the chunk loop does it all
        }
        if (source.Read(slot(0), length(0)) < length(0)) return false;
        for (uint64_t k = 0; k < batches; ++k) {
            unsigned char* data = slot(k);
            const size_t bytes = length(k);
            const size_t slices = (bytes + kSlice - 1) / kSlice;
            // Every slice's chaining value is taken before any slice is
            // deciphered over its ciphertext.
            std::memcpy(&chains[0], chain, 8);
            for (size_t j = 1; j < slices; ++j) std::memcpy(&chains[8 * j], data + j * kSlice - 8, 8);
            std::memcpy(chain, data + bytes - 8, 8);
            std::atomic<size_t> next(0);
            bool fileOk = true;
            auto step = [&](unsigned part) {
                if (part == 0) {
                    if (k > 0) fileOk = destination.Write(slot(k - 1), length(k - 1));
                    if (fileOk && k + 1 < batches) fileOk = source.Read(slot(k + 1), length(k + 1)) == length(k + 1);
                }
                // Each slice is taken exactly once: deciphering in place twice would ruin it.
                for (size_t j; (j = next.fetch_add(1)) < slices;) {
                    const size_t count = std::min(kSlice, bytes - j * kSlice) / 8;
                    cipher.DecryptCbc(data + j * kSlice, data + j * kSlice, count, &chains[8 * j]);
                }
            };
            std::function<void(unsigned)> task;
            try {
                task = step;
            } catch (...) {
                task = nullptr;
            }
            if (task)
                workers->Run(task);
            else
                step(0);
            if (!fileOk) return false;
            if (k > 0) done += length(k - 1);
        }
        if (!destination.Write(slot(batches - 1), length(batches - 1))) return false;
        done = whole;
    }
    // The chunk loop goes on from the last ciphertext block.
    std::memcpy(m_w1, chain, 8);
    m_firstBlock = false;
    return true;
}

bool CBCMode::DecryptStream(IBlockCipher* cipher, uint64_t size, int pad, CFile& source, CFile& destination,
                            const InitVector& iv) {
    Reset();
    if (!cipher || !HasIv(iv)) return false;
    const size_t bs = static_cast<size_t>(m_blockSize);
    uint64_t done = 0;
    const Blowfish* blowfish = bs == 8 ? dynamic_cast<const Blowfish*>(cipher) : nullptr;
    if (blowfish && size >= kChunk) {
        bool ok = DecryptBatches(*blowfish, size, source, destination, iv, done);
        WipeBatch();
        if (!ok || done >= size) {
            Reset();
            return ok;
        }
    }
    for (;;) {
        size_t read = source.Read(m_input, kChunk);
        size_t n = static_cast<size_t>(std::min<uint64_t>(read, size));
        // A last block reaching past n takes what lies beyond it in the buffer.
        for (size_t e = 0; e < n; e += bs) DecryptBlock(cipher, e, iv);
        bool written = destination.Write(m_output, n);
        std::memset(m_input, 0, kChunk);
        std::memset(m_output, 0, kChunk);
        if (!written) break;
        if (done + n >= size) {
            Reset();
            return true;
        }
        if (read < kChunk) break;  // the source ended before size bytes
        done += kChunk;
    }
    Reset();
    return false;
}

std::string CBCMode::EncryptName(const std::string& name, IBlockCipher* cipher, const InitVector& iv) {
    Reset();
    const size_t length = name.size();
    if (length > kMaxName || !cipher || !HasIv(iv)) {
        ShowNameError();
        return std::string();
    }
    m_input[0] = static_cast<unsigned char>(length % 256);
    m_input[1] = static_cast<unsigned char>((length / 256) % 256);
    std::memcpy(m_input + 2, name.data(), length);
    size_t pad = 16 - (length + 2) % 16;
    if (pad == 16) pad = 0;
    std::memset(m_input + 2 + length, static_cast<int>(pad), pad);
    const size_t total = length + 2 + pad;
    for (size_t e = 0; e < total; e += static_cast<size_t>(m_blockSize)) EncryptBlock(cipher, e, iv);
    std::string hex = Utils::HexEncode(m_output, total);
    Reset();
    return hex;
}

std::string CBCMode::DecryptName(const std::string& hex, IBlockCipher* cipher, const InitVector& iv) {
    Reset();
    size_t m = 0;
    if (!DecodeName(hex, m)) return hex;
    if (!cipher || !HasIv(iv)) {
        ShowNameError();
        return hex;
    }
    for (size_t e = 0; e < m; e += static_cast<size_t>(m_blockSize)) DecryptBlock(cipher, e, iv);
    std::string name;
    bool ok = NameFromRecord(m, name);
    Reset();
    return ok ? name : hex;
}

// ------------------------------------------------------------------- ECBMode

bool ECBMode::EncryptStream(IBlockCipher*, uint64_t, int, CFile&, CFile&, const InitVector&) { return false; }

std::string ECBMode::EncryptName(const std::string&, IBlockCipher*, const InitVector&) { return std::string(); }

// The input buffer is not cleared between chunks: a short last chunk
// deciphers stale bytes after its own, and only its own are written.
bool ECBMode::DecryptStream(IBlockCipher* cipher, uint64_t size, int pad, CFile& source, CFile& destination,
                            const InitVector& iv) {
    Reset();
    if (!cipher) return false;
    uint64_t done = 0;
    bool ok = true;
    do {
        size_t n = source.Read(m_input, kChunk);
        cipher->DecryptBuffer(m_input, m_output, kChunk);
        if (!destination.Write(m_output, n)) {
            ok = false;
            break;
        }
        if (n < kChunk) {  // the source has ended
            ok = done + n >= size;
            break;
        }
        done += kChunk;
    } while (done <= size);
    Reset();
    return ok;
}

std::string ECBMode::DecryptName(const std::string& hex, IBlockCipher* cipher, const InitVector&) {
    Reset();
    size_t m = 0;
    if (!DecodeName(hex, m)) return hex;
    if (!cipher) {
        ShowNameError();
        return hex;
    }
    cipher->DecryptBuffer(m_input, m_output, m);
    std::string name;
    bool ok = NameFromRecord(m, name);
    Reset();
    return ok ? name : hex;
}

}  // namespace CIPHER
}  // namespace Vastrel2
