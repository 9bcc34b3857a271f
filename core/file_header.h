#pragma once
// The footer of an encrypted file: the ciphertext is followed by the verifier
// as hex, then 0xA9-separated text fields, and the 10-byte trailer
// "%4d" footer length, 0xA9, "<zqv>". The footer is found from the file's end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/blowfish.h"
#include "core/cipher_settings.h"
#include "platform/file.h"

namespace Vastrel2 {
namespace Utils {

constexpr char kFooterSeparator = '\xA9';
constexpr const char* kFooterTag = "<zqv>";
// Footer length (four characters), separator and tag.
constexpr size_t kTrailerLength = 10;
// The footer length has four digits, so no footer may be longer than this.
constexpr size_t kMaxFooterLength = 9999;

class CFileHeader {
public:
    // Empty texts, no verifier, every number 0 except format version 3.
    CFileHeader();
    // For writing: the verifier bytes stay the caller's and must outlive the
    // header; keyLength of them are encoded by the caller.
    CFileHeader(const std::string& hint, const unsigned char* verifier, const std::string& encryptedName,
                uint64_t size, int pad, int formatVersion, int cipherId, int hashType, int keyLength,
                const std::string& ivHex);
    virtual ~CFileHeader();
    CFileHeader(const CFileHeader&) = delete;
    CFileHeader& operator=(const CFileHeader&) = delete;

    // Everything after the verifier text, trailer included. A hint too long
    // for a four-digit footer length is cut to what fits, so every footer
    // written can be read back.
    std::string BuildFooter() const;
    // Reads the footer at the end of an open file. False, with the header
    // unchanged, when it cannot be read: see ParseFooter.
    bool ReadFooter(CFile& file);
    // Fills the header from the footer text (verifier to tag). False, with the
    // header unchanged, for a footer that cannot be one: a key length other
    // than 16 or 32, a verifier shorter than the key length, and for format 3
    // and later too few fields or an IV that is not 32 hex digits.
    bool ParseFooter(const std::string& footer);

    // Deciphers the stored verifier (keyLength bytes) into `output`, which
    // must hold GetKeyLength() bytes. False without a verifier or cipher.
    bool DecryptVerifier(unsigned char* output, CIPHER::IBlockCipher* cipher) const;
    // The same with a cipher keyed from the password under the footer's own
    // settings (validated as any settings are).
    bool DecryptVerifierWithPassword(const std::string& password, unsigned char* output) const;

    std::string GetHint() const { return m_hint; }
    std::string GetEncryptedName() const { return m_encryptedName; }
    std::string GetIvHex() const { return m_ivHex; }
    const unsigned char* GetVerifier() const { return m_verifier; }
    uint64_t GetSize() const { return m_size; }
    int GetPad() const { return m_pad; }
    int GetFormatVersion() const { return m_formatVersion; }
    int GetCipherId() const { return m_cipherId; }
    int GetHashType() const { return m_hashType; }
    int GetKeyLength() const { return m_keyLength; }
    int GetReserved() const { return m_reserved; }
    bool OwnsVerifier() const { return m_ownsVerifier; }

private:
    void FreeVerifier();

    std::string m_hint;
    const unsigned char* m_verifier = nullptr;
    std::string m_encryptedName;
    uint64_t m_size = 0;
    int m_pad = 0;
    int m_formatVersion = 3;
    int m_cipherId = 0;
    int m_hashType = 0;
    int m_keyLength = 0;
    int m_reserved = 0;
    bool m_ownsVerifier = false;
    std::string m_ivHex;
    std::vector<unsigned char> m_ownedVerifier;  // the bytes when the header owns them
};

// "%02X" of each byte.
std::string HexEncode(const unsigned char* bytes, size_t count);
// Pairs of hex digits (either case) to bytes; false for an odd length or a
// character that is not a digit.
bool HexDecode(const char* text, unsigned char* output, size_t length);

// True when the first keyLength bytes of the password's key (made under the
// settings, as changed by key creation) equal the decrypted verifier.
// False when that key length exceeds `length`, the bytes the caller holds.
bool KeyMatchesVerifier(const unsigned char* decrypted, size_t length, CIPHER::CipherSettings settings,
                        const std::string& password);

// Longer than five bytes and ending in "<zqv>".
bool IsEncrypted(CFile& file);
// The same for a file whose length the caller has just taken from the open
// file: one positioned read. The file position is not defined afterwards.
bool IsEncrypted(CFile& file, uint64_t length);
// The same on a path; false also when it cannot be opened.
bool IsEncryptedFile(const std::string& path);

// The stored hint: "Cant read hint!" when the file cannot be opened, an
// empty text when it has no readable footer.
std::string ReadHint(const std::string& path);
std::string GetHint(const std::string& path);

}  // namespace Utils
}  // namespace Vastrel2
