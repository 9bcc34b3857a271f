#include "core/file_header.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/cipher_mode.h"
#include "core/keys.h"

namespace Vastrel2 {
namespace Utils {

namespace {

// A number read the way atoi reads it: leading white space, an optional
// sign, digits up to the first other character; no digits give 0. Values
// beyond the int range stop at its ends instead of overflowing.
int ReadInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(INT_MAX) + 1) value = static_cast<int64_t>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

// The text of segment k: segment 0 lies before the first separator, segment
// k between separators k - 1 and k, and segment n (n separators) runs to the
// end. Any other k gives an empty text.
std::string Segment(const std::string& footer, const std::vector<size_t>& separators, long k) {
    const long n = static_cast<long>(separators.size());
    if (k < 0 || k > n) return std::string();
    size_t from = k == 0 ? 0 : separators[static_cast<size_t>(k - 1)] + 1;
    size_t to = k == n ? footer.size() : separators[static_cast<size_t>(k)];
    return footer.substr(from, to - from);
}

}  // namespace

// ---------------------------------------------------------------- CFileHeader

CFileHeader::CFileHeader() = default;

CFileHeader::CFileHeader(const std::string& hint, const unsigned char* verifier, const std::string& encryptedName,
                         uint64_t size, int pad, int formatVersion, int cipherId, int hashType, int keyLength,
                         const std::string& ivHex)
    : m_hint(hint),
      m_verifier(verifier),
      m_encryptedName(encryptedName),
      m_size(size),
      m_pad(pad),
      m_formatVersion(formatVersion),
      m_cipherId(cipherId),
      m_hashType(hashType),
      m_keyLength(keyLength),
      m_reserved(0),
      m_ownsVerifier(false),
      m_ivHex(ivHex) {}

CFileHeader::~CFileHeader() { FreeVerifier(); }

void CFileHeader::FreeVerifier() {
    if (!m_ownedVerifier.empty()) std::memset(m_ownedVerifier.data(), 0, m_ownedVerifier.size());
    m_ownedVerifier.clear();
    if (m_ownsVerifier) m_verifier = nullptr;
    m_ownsVerifier = false;
}

std::string CFileHeader::BuildFooter() const {
    auto build = [this](const std::string& hint) {
        std::string text;
        text += kFooterSeparator;
        text += m_ivHex;
        text += kFooterSeparator;
        text += hint;
        text += kFooterSeparator;
        text += m_encryptedName;
        text += kFooterSeparator;
        text += std::to_string(static_cast<long long>(m_size));
        for (int value : {m_pad, m_formatVersion, m_cipherId, m_hashType, m_keyLength}) {
            text += kFooterSeparator;
            text += std::to_string(value);
        }
        text += kFooterSeparator;
        text += std::to_string(m_reserved);
        text += kFooterSeparator;
        return text;
    };
    const int64_t verifierText = 2 * static_cast<int64_t>(m_keyLength);
    std::string text = build(m_hint);
    int64_t length = static_cast<int64_t>(text.size()) + verifierText + static_cast<int64_t>(kTrailerLength);
    if (length > static_cast<int64_t>(kMaxFooterLength) && !m_hint.empty()) {
        // The footer length has four digits: a longer footer could never be
        // found again, and the file would be lost. Only the hint gives way.
        int64_t excess = length - static_cast<int64_t>(kMaxFooterLength);
        size_t keep = excess >= static_cast<int64_t>(m_hint.size()) ? 0 : m_hint.size() - static_cast<size_t>(excess);
        text = build(m_hint.substr(0, keep));
        length = static_cast<int64_t>(text.size()) + verifierText + static_cast<int64_t>(kTrailerLength);
    }
    char number[32];
    std::snprintf(number, sizeof number, "%4d", static_cast<int>(length));
    text += number;
    text += kFooterSeparator;
    text += kFooterTag;
    return text;
}

bool CFileHeader::ReadFooter(CFile& file) {
    const uint64_t fileLength = file.GetLength();
    if (fileLength < kTrailerLength) return false;
    if (!file.Seek(static_cast<int64_t>(fileLength - kTrailerLength), CFile::begin)) return false;
    char digits[4];
    if (file.Read(digits, sizeof digits) != sizeof digits) return false;
    const int footerLength = ReadInt(std::string(digits, sizeof digits));
    // A footer holds at least its trailer and lies inside the file.
    if (footerLength < static_cast<int>(kTrailerLength) || static_cast<uint64_t>(footerLength) > fileLength)
        return false;
    if (!file.Seek(static_cast<int64_t>(fileLength) - footerLength, CFile::begin)) return false;
    std::string footer(static_cast<size_t>(footerLength), '\0');
    if (file.Read(&footer[0], footer.size()) != footer.size()) return false;
    return ParseFooter(footer);
}

// Fields are counted from the end: n separators, segment n - 1 the footer
// length, n - 2 reserved, then key length, hash type, cipher id, format
// version, pad, size and the encrypted name. From format 3 on the verifier is
// hex and the IV follows it as segment 1, so the hint is everything between
// the second separator and the one before the name: a hint holding 0xA9 is
// read back whole. Older footers keep the hint as segment n - 10.
bool CFileHeader::ParseFooter(const std::string& footer) {
    std::vector<size_t> separators;
    for (size_t i = 0; i < footer.size(); ++i)
        if (footer[i] == kFooterSeparator) separators.push_back(i);
    const long n = static_cast<long>(separators.size());

    int reserved = ReadInt(Segment(footer, separators, n - 2));
    int keyLength = ReadInt(Segment(footer, separators, n - 3));
    int hashType = ReadInt(Segment(footer, separators, n - 4));
    int cipherId = ReadInt(Segment(footer, separators, n - 5));
    int formatVersion = ReadInt(Segment(footer, separators, n - 6));
    int pad = ReadInt(Segment(footer, separators, n - 7));
    uint64_t size = std::strtoull(Segment(footer, separators, n - 8).c_str(), nullptr, 10);
    std::string encryptedName = Segment(footer, separators, n - 9);
    std::string hint = Segment(footer, separators, n - 10);
    std::string ivHex;

    if (static_cast<uint32_t>(formatVersion) <= 1) {
        // The oldest footers hold the pad where the format version stands now.
        keyLength = 16;
        cipherId = 0;
        pad = formatVersion;
        formatVersion = 1;
    }
    const bool hexVerifier = static_cast<uint32_t>(formatVersion) >= 3;
    if (keyLength != 16 && keyLength != 32) return false;

    std::vector<unsigned char> verifier(static_cast<size_t>(keyLength));
    if (hexVerifier) {
        const size_t verifierText = 2 * static_cast<size_t>(keyLength);
        if (n < 12 || separators[0] < verifierText) return false;
        ivHex = Segment(footer, separators, 1);
        unsigned char ivBytes[16];
        if (ivHex.size() != 32 || !HexDecode(ivHex.data(), ivBytes, ivHex.size())) return false;
        const size_t hintStart = separators[1] + 1;
        hint = footer.substr(hintStart, separators[static_cast<size_t>(n - 10)] - hintStart);
        // A damaged verifier text simply fails the password comparison.
        HexDecode(footer.data(), verifier.data(), verifierText);
    } else {
        // Older footers store the verifier as raw bytes.
        if (footer.size() < static_cast<size_t>(keyLength)) return false;
        std::memcpy(verifier.data(), footer.data(), verifier.size());
    }

    FreeVerifier();
    m_hint = hint;
    m_encryptedName = encryptedName;
    m_size = size;
    m_pad = pad;
    m_formatVersion = formatVersion;
    m_cipherId = cipherId;
    m_hashType = hashType;
    m_keyLength = keyLength;
    m_reserved = reserved;
    m_ivHex = ivHex;
    m_ownedVerifier.swap(verifier);
    m_verifier = m_ownedVerifier.data();
    m_ownsVerifier = true;
    return true;
}

bool CFileHeader::DecryptVerifier(unsigned char* output, CIPHER::IBlockCipher* cipher) const {
    if (!cipher || !m_verifier || m_keyLength <= 0 || m_keyLength % cipher->BlockSize() != 0) return false;
    cipher->DecryptBuffer(m_verifier, output, static_cast<size_t>(m_keyLength));
    return true;
}

bool CFileHeader::DecryptVerifierWithPassword(const std::string& password, unsigned char* output) const {
    CIPHER::CipherSettings settings(m_cipherId, m_hashType, m_keyLength, m_formatVersion);
    CIPHER::CipherFactory factory;
    std::unique_ptr<CIPHER::IBlockCipher> cipher(factory.CreateCipher(settings));
    if (!cipher) return false;
    std::unique_ptr<CIPHER::IKeyBase> key(CIPHER::IKeyBase::CreateKey(password, settings));
    if (!key || !key->GetKey() || !cipher->SetKey(key->GetKey(), static_cast<size_t>(settings.GetKeyLength())))
        return false;
    return DecryptVerifier(output, cipher.get());
}

// ------------------------------------------------------------------ helpers

std::string HexEncode(const unsigned char* bytes, size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

bool HexDecode(const char* text, unsigned char* output, size_t length) {
    return CIPHER::HexToBytes(text, output, length);
}

bool KeyMatchesVerifier(const unsigned char* decrypted, size_t length, CIPHER::CipherSettings settings,
                        const std::string& password) {
    std::unique_ptr<CIPHER::IKeyBase> key(CIPHER::IKeyBase::CreateKey(password, settings));
    const int keyLength = settings.GetKeyLength();
    if (!key || !key->GetKey() || keyLength <= 0 || static_cast<size_t>(keyLength) > length) return false;
    return std::memcmp(key->GetKey(), decrypted, static_cast<size_t>(keyLength)) == 0;
}

// One seek and one small read, no matter how long the file: the byte before
// the tag is read as well, since a file of the tag alone is not encrypted,
// and the seek fails for anything shorter.
bool IsEncrypted(CFile& file) {
    const size_t tagLength = std::strlen(kFooterTag);
    char tail[8];
    if (!file.Seek(-static_cast<int64_t>(tagLength + 1), CFile::end)) return false;
    if (file.Read(tail, tagLength + 1) != tagLength + 1) return false;
    return std::memcmp(tail + 1, kFooterTag, tagLength) == 0;
}

bool IsEncrypted(CFile& file, uint64_t length) {
    const size_t tagLength = std::strlen(kFooterTag);
    char tag[8];
    if (length <= tagLength || file.ReadAt(length - tagLength, tag, tagLength) != tagLength) return false;
    return std::memcmp(tag, kFooterTag, tagLength) == 0;
}

bool IsEncryptedFile(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return false;
    return IsEncrypted(file);
}

std::string ReadHint(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return "Cant read hint!";
    CFileHeader header;
    header.ReadFooter(file);  // no readable footer leaves the hint empty
    return header.GetHint();
}

std::string GetHint(const std::string& path) { return ReadHint(path); }

}  // namespace Utils

namespace CIPHER {

// A path that cannot be opened is treated as a file without a footer; callers
// open the file themselves first, so this only meets a file that vanished.
CipherSettings CipherSettings::ReadFooterSettings(const std::string& path) {
    CFile file;
    Utils::CFileHeader header;
    if (file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary) && header.ReadFooter(file)) {
        int keyLength = header.GetKeyLength() == 0 ? 16 : header.GetKeyLength();
        return CipherSettings(header.GetCipherId(), header.GetHashType(), keyLength, header.GetFormatVersion());
    }
    return CipherSettings(0, 0, 16, 2);
}

}  // namespace CIPHER
}  // namespace Vastrel2
