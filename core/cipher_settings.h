#pragma once
#include <map>
#include <string>

namespace Vastrel2 {
namespace CIPHER {

// Which cipher, which password digest, how many key bytes and which file
// format a job works with.
class CipherSettings {
public:
    enum : int { kBlowfish = 0 };
    enum : int { kHashMD5 = 0, kHashSHA224 = 1, kHashSHA256 = 2 };
    enum : int { kCurrentFormat = 3 };

    CipherSettings() = default;
    // Stores the four values, then validates them.
    CipherSettings(int cipherId, int hashType, int keyLength, int formatVersion);

    void Clear();
    // Replaces all four fields by the registry defaults when the record is not
    // one the system can work with.
    void Validate();
    // Fills the record from the "cipher" and "key" settings, format 3.
    void LoadDefaults();

    static int KeyLengthForHash(int hashType);
    // Number of bytes the digest of a hash type yields (0 for none).
    static int DigestLength(int hashType);

    int GetCipherId() const { return m_cipherId; }
    int GetHashType() const { return m_hashType; }
    int GetKeyLength() const { return m_keyLength; }
    int GetFormatVersion() const { return m_formatVersion; }
    void SetHashType(int hashType) { m_hashType = hashType; }
    void SetKeyLength(int keyLength) { m_keyLength = keyLength; }

    bool Equals(const CipherSettings& other) const;

    // The settings stored in an encrypted file's footer, validated as any
    // settings are. A file without a readable footer, or one that cannot be
    // opened, gives {0, 0, 16, 2}: nothing is thrown.
    static CipherSettings ReadFooterSettings(const std::string& path);
    bool IsValid() const;

private:
    int m_cipherId = 0;
    int m_hashType = 0;
    int m_keyLength = 0;
    int m_formatVersion = 0;
};

// Display names of the choices, by id, for the options dialogs.
std::map<int, std::string> BuildHashNames();
std::map<int, std::string> BuildCipherNames();

}  // namespace CIPHER
}  // namespace Vastrel2
