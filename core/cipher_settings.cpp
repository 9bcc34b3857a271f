#include "core/cipher_settings.h"

#include "core/registry_dword.h"

namespace Vastrel2 {
namespace CIPHER {

CipherSettings::CipherSettings(int cipherId, int hashType, int keyLength, int formatVersion)
    : m_cipherId(cipherId), m_hashType(hashType), m_keyLength(keyLength), m_formatVersion(formatVersion) {
    Validate();
}

void CipherSettings::Clear() { m_cipherId = m_hashType = m_keyLength = m_formatVersion = 0; }

int CipherSettings::KeyLengthForHash(int hashType) {
    switch (hashType) {
        case kHashMD5: return 16;
        case kHashSHA224: return 28;
        case kHashSHA256: return 32;
        default: return 0;
    }
}

int CipherSettings::DigestLength(int hashType) {
    switch (hashType) {
        case kHashMD5: return 16;
        case kHashSHA224:
        case kHashSHA256: return 32;  // both build a SHA-256 key
        default: return 0;
    }
}

// Besides the known ids and lengths, the key may never be longer than the
// digest it is cut from: an MD5 key of 32 bytes, or any key of 64 or 128
// bytes, would read past the digest.
bool CipherSettings::IsValid() const {
    bool lengthKnown = m_keyLength == 16 || m_keyLength == 32 || m_keyLength == 64 || m_keyLength == 128;
    bool hashKnown = m_hashType >= kHashMD5 && m_hashType <= kHashSHA256;
    return lengthKnown && m_cipherId == kBlowfish && hashKnown && m_keyLength <= DigestLength(m_hashType);
}

void CipherSettings::Validate() {
    if (!IsValid()) LoadDefaults();
}

// Blowfish is the only cipher, so any stored "cipher" value comes down to 0.
// A stored hash type other than 0 or 2 would give a key that is not a whole
// number of cipher blocks; it falls back to SHA-256.
void CipherSettings::LoadDefaults() {
    int hashType = static_cast<int>(RegistryDword::GetHashTypeSetting().Get());
    m_cipherId = kBlowfish;
    m_hashType = (hashType == kHashMD5 || hashType == kHashSHA256) ? hashType : kHashSHA256;
    m_keyLength = KeyLengthForHash(m_hashType);
    m_formatVersion = kCurrentFormat;
}

bool CipherSettings::Equals(const CipherSettings& other) const {
    return m_cipherId == other.m_cipherId && m_hashType == other.m_hashType && m_keyLength == other.m_keyLength &&
           m_formatVersion == other.m_formatVersion;
}

std::map<int, std::string> BuildHashNames() {
    return {{CipherSettings::kHashMD5, "MD5 - 128 bit key"},
            {CipherSettings::kHashSHA256, "SHA256 - 256 bit key - Default"}};
}

std::map<int, std::string> BuildCipherNames() { return {{CipherSettings::kBlowfish, "Blowfish - Default"}}; }

}  // namespace CIPHER
}  // namespace Vastrel2
