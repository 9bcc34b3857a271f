#pragma once
#include <cstddef>
#include <cstdint>

#include "core/cipher_settings.h"

namespace Vastrel2 {
namespace CIPHER {

// An 8-byte-block cipher, chosen by number through CipherFactory.
class IBlockCipher {
public:
    virtual ~IBlockCipher() = default;
    // Returns false (and leaves the cipher unkeyed) for an empty key.
    virtual bool SetKey(const unsigned char* key, size_t length) = 0;
    // Enciphers `count` bytes, zero-padded to whole blocks; returns the number
    // of bytes written (count rounded up to the block size).
    virtual size_t EncryptBuffer(const unsigned char* source, unsigned char* destination, size_t count) = 0;
    // Deciphers ceil(count / block size) whole blocks.
    virtual size_t DecryptBuffer(const unsigned char* source, unsigned char* destination, size_t count) = 0;
    virtual int BlockSize() const = 0;
};

// Blowfish, 16 rounds. The two halves of a block are little-endian words:
// the published test vectors hold once the four bytes of each half are
// reversed. Files written by the system depend on this layout.
class Blowfish final : public IBlockCipher {
public:
    Blowfish();
    ~Blowfish() override;
    Blowfish(const Blowfish&) = delete;
    Blowfish& operator=(const Blowfish&) = delete;

    bool SetKey(const unsigned char* key, size_t length) override;
    size_t EncryptBuffer(const unsigned char* source, unsigned char* destination, size_t count) override;
    size_t DecryptBuffer(const unsigned char* source, unsigned char* destination, size_t count) override;
    int BlockSize() const override { return 8; }

    void EncryptBlock(uint32_t& left, uint32_t& right) const;
    void DecryptBlock(uint32_t& left, uint32_t& right) const;

    // CBC over `blocks` whole blocks straight through the tables, for the
    // stream loops. `chain` holds the 8-byte chaining value (the vector, or
    // the last ciphertext block before `source`) and is left holding the last
    // ciphertext block. Source and destination are the same buffer or do not
    // overlap. Both are const: one keyed cipher may serve several threads.
    void EncryptCbc(const unsigned char* source, unsigned char* destination, size_t blocks,
                    unsigned char chain[8]) const;
    // Deciphers several blocks at once: each depends only on its own
    // ciphertext and the one before it.
    void DecryptCbc(const unsigned char* source, unsigned char* destination, size_t blocks,
                    unsigned char chain[8]) const;

private:
    uint32_t* m_p;  // 18 words
    uint32_t* m_s;  // four S-boxes of 256 words, one after the other
};

class CipherFactory {
public:
    CipherFactory() = default;
    virtual ~CipherFactory() = default;
    // A new, unkeyed cipher for the settings' cipher id, or nullptr for an id
    // that names none. The caller deletes it.
    IBlockCipher* CreateCipher(const CipherSettings& settings) const;
};

}  // namespace CIPHER
}  // namespace Vastrel2
