#pragma once
// Password digests and the keys made from them. Both digests carry their
// inner state from one stretching round into the next: keys made any other
// way do not open existing files.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/cipher_settings.h"

namespace Vastrel2 {
namespace CIPHER {

class IKeyBase {
public:
    virtual ~IKeyBase() = default;
    virtual const unsigned char* GetKey() const = 0;
    // 10,000 further rounds over the digest, in place.
    virtual void Stretch() = 0;

    // A new key object for the password that the caller deletes. A hash type
    // other than 0, 1 and 2 falls back to MD5 and sets the caller's settings
    // to hash type 0 and key length 16. Format 3 and later stretch the key.
    static IKeyBase* CreateKey(const std::string& password, CipherSettings& settings);
};

// The MD5 routines, with this system's rotation step (see Rotate in keys.cpp).
struct MD5Context {
    uint32_t state[4];
    uint32_t count[2];  // bit count, low word first
    unsigned char buffer[64];
};
void MD5Init(MD5Context& ctx);
void MD5Update(MD5Context& ctx, const unsigned char* data, size_t length);
// Writes the 16-byte digest, then zeroes the whole context.
void MD5Final(unsigned char digest[16], MD5Context& ctx);

class MD5 : public IKeyBase {
public:
    // Digest of the password's bytes up to its terminating zero.
    explicit MD5(const char* password);
    const unsigned char* GetKey() const override;
    void Stretch() override;

private:
    bool m_valid = false;
    unsigned char m_digest[16] = {0};
    const char* m_password;
};

// The SHA family object; only SHA-256 (type 3) is built.
class sha2 : public IKeyBase {
public:
    enum SHA_TYPE { SHA_1 = 1, SHA_224 = 2, SHA_256 = 3, SHA_384 = 4, SHA_512 = 5 };

    // SHA-256 of `length` bytes of the password.
    sha2(const char* password, size_t length);

    // Loads the initial hash value of the type; throws std::runtime_error
    // "Invalid SHA_TYPE type!" for a type that is not built.
    void Init(int type);
    void Update(const unsigned char* data, size_t count);
    void Final();
    // Throws "Unfinished execution!" before the first Final.
    const unsigned char* GetDigest(size_t* length = nullptr) const;

    const unsigned char* GetKey() const override { return GetDigest(); }
    void Stretch() override;

    // The message bit counter, as the state machine leaves it.
    uint64_t BitCounter() const { return m_count; }

private:
    void Compress(const unsigned char* block);

    int m_type = 0;
    bool m_finished = false;
    unsigned char m_digest[64] = {0};
    uint32_t m_h[8] = {0};
    uint64_t m_count = 0;
    unsigned char m_block[64] = {0};
};

}  // namespace CIPHER
}  // namespace Vastrel2
