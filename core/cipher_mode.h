#pragma once
// Cipher modes over an 8-byte block cipher: whole file streams in 2,048-byte
// chunks and file names as hexadecimal text. Everything written uses CBC with
// a fresh initialisation vector; ECB remains only to read format 1 and 2 files.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/blowfish.h"
#include "core/cipher_settings.h"
#include "platform/file.h"

namespace Vastrel2 {
namespace CIPHER {

// Converts `length` characters of hexadecimal digits (either case, first digit
// the high nibble) into length / 2 bytes. False for an odd length or a
// character that is not a digit; bytes before that point are already written.
// An empty text gives true and no bytes.
bool HexToBytes(const char* text, unsigned char* output, size_t length);

// The text shown when a stored name cannot be turned back into a file name (or a
// name cannot be stored); the hex text then stands as the name.
extern const char* const kNameConversionError;

class InitVector {
public:
    explicit InitVector(int size = 16);
    ~InitVector();
    InitVector(const InitVector&) = delete;
    InitVector& operator=(const InitVector&) = delete;

    // Fills the bytes from the operating system's cryptographic random source
    // and sets the uppercase hex text. False (and no bytes) only when that
    // source fails; nothing may then be encrypted with this vector.
    bool Generate();
    // Takes the bytes from exactly 2 x size hexadecimal digits. Any other text
    // leaves the vector without bytes and returns false: the footer it came
    // from is damaged.
    bool SetFromHex(const std::string& text);

    const std::string& GetHex() const { return m_hex; }
    // nullptr until generated or set.
    const unsigned char* GetBytes() const { return m_bytes; }
    int GetSize() const { return m_size; }

private:
    void Drop();

    int m_size;
    unsigned char* m_bytes = nullptr;
    std::string m_hex;
};

class ICipherMode {
public:
    static constexpr size_t kChunk = 2048;

    explicit ICipherMode(int blockSize);
    virtual ~ICipherMode();
    ICipherMode(const ICipherMode&) = delete;
    ICipherMode& operator=(const ICipherMode&) = delete;

    // Enciphers `size` bytes from the source's position followed by `pad` bytes
    // of the value `pad` (size + pad a multiple of 16). False when the source
    // holds fewer than size bytes, when a write fails, or for a pad that does
    // not complete the last chunk's blocks.
    virtual bool EncryptStream(IBlockCipher* cipher, uint64_t size, int pad, CFile& source, CFile& destination,
                               const InitVector& iv) = 0;
    // Deciphers from the source's position until at least `size` bytes are
    // written; the chunk holding the end may write bytes beyond size, which
    // the caller cuts off. False when the source ends first or a write fails.
    virtual bool DecryptStream(IBlockCipher* cipher, uint64_t size, int pad, CFile& source, CFile& destination,
                               const InitVector& iv) = 0;
    // The stored hex text back to the file name; a text that does not decode
    // shows the name-conversion message box and comes back unchanged.
    virtual std::string DecryptName(const std::string& hex, IBlockCipher* cipher, const InitVector& iv) = 0;
    // The file name as uppercase hex of its enciphered length-prefixed record.
    // A name longer than kMaxName shows the message box and gives "".
    virtual std::string EncryptName(const std::string& name, IBlockCipher* cipher, const InitVector& iv) = 0;
    virtual void Reset();

    // Longest name whose record (2 length bytes, name, pad) fits one chunk.
    static constexpr size_t kMaxName = kChunk - 2 - 15;

protected:
    // Decodes a stored name text into the input buffer; m receives the byte
    // count. Shows the message box and returns false when it does not decode
    // or does not fit.
    bool DecodeName(const std::string& hex, size_t& m);
    // The name from the length-prefixed record in the output buffer, or false
    // (after the message box) when the length exceeds the m decoded bytes.
    bool NameFromRecord(size_t m, std::string& name);

    bool m_firstBlock = true;
    int m_blockSize;
    unsigned char* m_w1;
    unsigned char* m_w2;
    unsigned char* m_w3;
    unsigned char* m_w4;
    unsigned char* m_output;
    unsigned char* m_input;
};

class CBCMode : public ICipherMode {
public:
    explicit CBCMode(int blockSize = 8) : ICipherMode(blockSize) {}

    bool EncryptStream(IBlockCipher* cipher, uint64_t size, int pad, CFile& source, CFile& destination,
                       const InitVector& iv) override;
    bool DecryptStream(IBlockCipher* cipher, uint64_t size, int pad, CFile& source, CFile& destination,
                       const InitVector& iv) override;
    std::string DecryptName(const std::string& hex, IBlockCipher* cipher, const InitVector& iv) override;
    std::string EncryptName(const std::string& name, IBlockCipher* cipher, const InitVector& iv) override;

    // CBC for format 3 and later, ECB for formats 1 and 2. The caller deletes it.
    static ICipherMode* CreateMode(const CipherSettings& settings);

    // Whole chunks that precede the one holding the end of the data go
    // through the cipher in batches of this many bytes per thread: same
    // bytes, far fewer calls. Decryption spreads a batch over the cores
    // once a stream is at least kParallelFrom bytes long.
    static constexpr size_t kBatch = 512 * kChunk;
    static constexpr uint64_t kParallelFrom = 4 * static_cast<uint64_t>(kBatch);
    // The piece of a batch that one thread deciphers at a time.
    static constexpr size_t kSlice = 32 * kChunk;

    ~CBCMode() override;

private:
    bool HasIv(const InitVector& iv) const;
    void EncryptBlock(IBlockCipher* cipher, size_t offset, const InitVector& iv);
    void DecryptBlock(IBlockCipher* cipher, size_t offset, const InitVector& iv);

    // The batch loops; `done` receives the bytes they have taken from the
    // source, and the chaining value is left where the chunk loop reads it.
    bool EncryptBatches(const Blowfish& cipher, uint64_t size, CFile& source, CFile& destination,
                        const InitVector& iv, uint64_t& done);
    bool DecryptBatches(const Blowfish& cipher, uint64_t size, CFile& source, CFile& destination,
                        const InitVector& iv, uint64_t& done);
    unsigned char* Batch(size_t bytes);
    void WipeBatch();

    std::vector<unsigned char> m_batch;  // allocated on first use, kept for the mode's life
    size_t m_batchUsed = 0;              // bytes of it that may hold data
};

// Reads format 1 and 2 files only: every block on its own, no vector.
class ECBMode : public ICipherMode {
public:
    explicit ECBMode(int blockSize = 8) : ICipherMode(blockSize) {}

    // Never writes: returns false without touching either file.
    bool EncryptStream(IBlockCipher* cipher, uint64_t size, int pad, CFile& source, CFile& destination,
                       const InitVector& iv) override;
    bool DecryptStream(IBlockCipher* cipher, uint64_t size, int pad, CFile& source, CFile& destination,
                       const InitVector& iv) override;
    std::string DecryptName(const std::string& hex, IBlockCipher* cipher, const InitVector& iv) override;
    // Gives "": nothing is written in this mode.
    std::string EncryptName(const std::string& name, IBlockCipher* cipher, const InitVector& iv) override;
};

}  // namespace CIPHER
}  // namespace Vastrel2
