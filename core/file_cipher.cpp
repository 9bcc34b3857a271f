#include "core/file_cipher.h"

#include <cstdio>
#include <cstdlib>

#include "core/cipher_mode.h"
#include "core/cipher_result.h"
#include "core/file_header.h"
#include "core/keys.h"
#include "core/secure_delete.h"
#include "platform/code_page.h"
#include "platform/message_box.h"
#include "platform/system.h"

namespace Vastrel2 {
namespace CIPHER {

using Utils::CFileHeader;
using R = CipherResult;

namespace {

const char* const kCaption = "Vastrel 2";
const char* const kEncryptedSuffix = ".~enc";
const char* const kTempSuffix = ".cipherData";
constexpr int kIvSize = 16;

// No read-ahead buffer: the cipher modes move the data in large batches of
// their own, and a file that turns out not to be for this job costs only the
// few bytes of its trailer.
constexpr unsigned kOpenFlags = CFile::modeReadWrite | CFile::shareDenyNone | CFile::typeBinary;

bool TooLong(const std::string& path) { return path.size() > platform::kMaxPath; }

bool Exists(const std::string& path) {
    CFileStatus status;
    return CFile::GetStatus(path, status);
}

// A stored name is used only when it names a file in the folder itself.
// Encryption stores no name that fails this test: the file could never be
// decrypted again.
bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    // Read character by character: in a double-byte code page the second
    // byte of a character may be the byte of '\\' (0x95 0x5C is one
    // character in code page 932) and separates nothing.
    for (size_t i = 0; i < name.size(); ++i) {
        if (platform::IsLeadByteIn(platform::kSystemCodePage, static_cast<unsigned char>(name[i])) &&
            i + 1 < name.size()) {
            if (name[++i] == '\0') return false;
        } else if (name[i] == '\0' || name[i] == '\\' || name[i] == '/' || name[i] == ':') {
            return false;
        }
    }
    return true;
}

// True only for a file that the full decryption road would turn away as not
// encrypted, learnt through one open: its full path is not too long, it is
// no link (asked only when `askLinks`) and opens as a job's source opens,
// its attributes give no result code of their own, and it does not end in
// the trailer. In a run over a folder most files are such files. Nothing is
// written either way: a link that the look does not ask about can only
// bring "not encrypted" in place of "a link".
bool PlainAtFirstSight(const std::string& given, bool askLinks) {
    if (given.empty()) return false;
    const std::string path = platform::FullPath(given);
    if (TooLong(path)) return false;
    CFile file;
    CFileStatus status;
    if (!file.Open(path, kOpenFlags | (askLinks ? CFile::osNoLink : 0u)) || !file.GetStatus(status) ||
        AttributeCode(status) != 0)
        return false;
    return !Utils::IsEncrypted(file, status.m_size);
}

// The footer length that the trailer gives, read the way atoi reads it.
int64_t TrailerFooterLength(CFile& file) {
    const uint64_t length = file.GetLength();
    if (length < Utils::kTrailerLength ||
        !file.Seek(static_cast<int64_t>(length - Utils::kTrailerLength), CFile::begin))
        return 0;
    char digits[5] = {0};
    if (file.Read(digits, 4) != 4) return 0;
    return std::atoi(digits);
}

}  // namespace

int AttributeCode(const CFileStatus& status) {
    const uint8_t a = status.m_attribute;
    if (a & kAttrDirectory) return R::kFolder;
    if (a & kAttrReadOnly) return R::kReadOnly;
    if (a & kAttrHidden) return R::kReadError;
    if (a & kAttrSystem) return R::kSystemFile;
    if (a & kAttrVolume) return R::kVolumeLabel;
    return 0;
}

std::string MakeEncryptedName(const std::string& path, const std::string& suffix) {
    size_t sep = platform::LastSeparator(path);
    size_t dot = path.find_last_of('.');
    std::string base = (dot != std::string::npos && (sep == std::string::npos || dot > sep)) ? path.substr(0, dot) : path;
    // A candidate is free when nothing of that name exists: an existing file
    // is never truncated, whether or not it can be opened.
    std::string candidate = base + suffix;
    for (unsigned n = 1; Exists(candidate) || candidate == path; ++n)
        candidate = base + "_" + std::to_string(n) + suffix;
    return candidate;
}

std::string MakeObfuscatedName(const std::string& path, const CipherSettings& settings) {
    CipherSettings keySettings = settings;
    std::unique_ptr<IKeyBase> key(IKeyBase::CreateKey(path, keySettings));
    if (!key) return std::string();
    const std::string digest = Utils::HexEncode(key->GetKey(), static_cast<size_t>(keySettings.GetKeyLength()));
    const std::string prefix = platform::JoinPath(platform::ParentFolder(path), digest);
    // Two random bytes tell apart files whose paths were the same; a name
    // that exists is drawn again, so no file is ever overwritten.
    for (int attempt = 0; attempt < 100000; ++attempt) {
        char tail[5];
        int a = std::rand() % 255, b = std::rand() % 255;
        std::snprintf(tail, sizeof tail, "%02x%02x", a, b);
        std::string candidate = prefix + tail + kEncryptedSuffix;
        if (!Exists(candidate) && candidate != path) return candidate;
    }
    return std::string();
}

int PumpMessages() {
    platform::PumpWaitingMessages();
    return 0;
}

// ---------------------------------------------------------------------------

FileCipher::FileCipher(CFile* source, int processReadOnly, int obfuscate, const std::string& password)
    : m_source(source ? source : &m_ownSource),
      m_processReadOnly(processReadOnly),
      m_obfuscate(obfuscate),
      m_password(password),
      m_factory(new CipherFactory),
      m_shredder(new CSecureDelete),
      m_iv(new InitVector(kIvSize)) {
    m_shredder->SetPassCount(1);
}

FileCipher::~FileCipher() {
    // Key material does not outlive the job.
    std::fill(m_keyBytes.begin(), m_keyBytes.end(), 0);
    std::fill(m_password.begin(), m_password.end(), '\0');
}

void FileCipher::SetSettings(CipherSettings settings) {
    std::fill(m_keyBytes.begin(), m_keyBytes.end(), 0);
    m_cipher.reset();
    m_keyBytes.clear();
    m_verifier.clear();
    m_mode.reset();

    m_cipher.reset(m_factory->CreateCipher(settings));
    m_mode.reset(CBCMode::CreateMode(settings));
    std::unique_ptr<IKeyBase> key(IKeyBase::CreateKey(m_password, settings));
    const int keyLength = settings.GetKeyLength();
    if (m_cipher && key && keyLength > 0 && keyLength <= CipherSettings::DigestLength(settings.GetHashType())) {
        const unsigned char* bytes = key->GetKey();
        m_keyBytes.assign(bytes, bytes + keyLength);
        m_cipher->SetKey(m_keyBytes.data(), m_keyBytes.size());
        // The cipher writes whole blocks; the verifier keeps keyLength bytes.
        m_verifier.resize((static_cast<size_t>(keyLength) + 7) / 8 * 8);
        m_cipher->EncryptBuffer(m_keyBytes.data(), m_verifier.data(), m_keyBytes.size());
        m_verifier.resize(static_cast<size_t>(keyLength));
    }
    m_settings = settings;
}

bool FileCipher::Ready() const {
    const int keyLength = m_settings.GetKeyLength();
    return m_cipher && m_mode && (keyLength == 16 || keyLength == 32) &&
           m_keyBytes.size() == static_cast<size_t>(keyLength) && m_verifier.size() == m_keyBytes.size();
}

bool FileCipher::IsSourceEncrypted() { return Utils::IsEncrypted(*m_source); }

bool FileCipher::SetReadOnly(const std::string& path, bool set) {
    if (set) {
        if (!CFile::GetStatus(path, m_status)) return false;
        m_status.m_attribute |= kAttrReadOnly;
    } else {
        m_status.m_attribute &= static_cast<uint8_t>(~kAttrReadOnly);
    }
    return CFile::SetStatus(path, m_status);
}

bool FileCipher::CopyFileTimes(const std::string& path, const CFileStatus& record) {
    CFileStatus status;
    if (!CFile::GetStatus(path, status)) return false;
    status.m_ctime = record.m_ctime;
    status.m_atime = record.m_atime;
    status.m_mtime = record.m_mtime;
    status.m_attribute = record.m_attribute;
    status.m_mode = record.m_mode;
    return CFile::SetStatus(path, status);
}

// ---------------------------------------------------------------------------

FileEncryptor::FileEncryptor(CFile* source, int processReadOnly, int obfuscate, const std::string& password,
                             const CipherSettings* settings)
    : FileCipher(source, processReadOnly, obfuscate, password) {
    CipherSettings chosen;
    if (settings) chosen = *settings;
    else chosen.LoadDefaults();
    SetSettings(chosen);
}

int FileEncryptor::EncryptFile(std::string& path, const std::string& hint, bool /*overwrite*/) {
    if (path.empty()) return R::kNoSuchFile;
    // A relative path is taken against the current folder, never the root.
    const std::string sourcePath = platform::FullPath(path);
    if (TooLong(sourcePath)) return R::kPathTooLong;
    // Shredding a link after its encryption would overwrite whatever it leads to.
    if (platform::IsLink(sourcePath)) return R::kLink;
    if (!CFile::GetStatus(sourcePath, m_status)) return R::kNoSuchFile;

    bool clearedReadOnly = false;
    int code = AttributeCode(m_status);
    // Nothing is encrypted, and so nothing shredded, that this build could
    // not decrypt again where it lies: the stored name must pass the test
    // that decryption applies.
    if ((code == 0 || code == R::kReadOnly) && !IsPlainFileName(platform::FileNamePart(sourcePath)))
        return R::kNameNotStorable;
    const CFileStatus found = m_status;
    if (code == R::kReadOnly) {
        if (!m_processReadOnly) return R::kReadOnly;
        // A read-only file that is also hidden or system is refused as those are.
        m_status.m_attribute &= static_cast<uint8_t>(~kAttrReadOnly);
        if (AttributeCode(m_status) != 0) return AttributeCode(m_status);
        if (!CFile::SetStatus(sourcePath, m_status)) return R::kReadOnlyDevice;
        clearedReadOnly = true;
    } else if (code != 0) {
        return code;
    }
    // Every failure from here on leaves the source as it was found.
    auto fail = [&](int result) {
        if (clearedReadOnly) platform::RestoreAttributes(sourcePath, found);
        return result;
    };
    if (!Ready()) return fail(R::kEncryptFailed);

    if (!m_source->Open(sourcePath, kOpenFlags, &m_fileException)) {
        platform::ShowMessage("Unable to open file " + sourcePath +
                                  "\nThe file may be in use by another process. \nFile will not be encrypted",
                              kCaption, platform::kMbIconError, platform::MsgOwner::MainWindow);
        return fail(R::kOpenFailed);
    }
    if (IsSourceEncrypted()) {
        m_source->Close();
        return fail(R::kAlreadyEncrypted);
    }

    m_outputPath = m_obfuscate == 1 ? MakeObfuscatedName(sourcePath, m_settings)
                                    : MakeEncryptedName(sourcePath, kEncryptedSuffix);
    // Decryption writes its temporary file next to the encrypted one: that
    // name has to fit the path limit too.
    if (!m_outputPath.empty() && TooLong(m_outputPath + kTempSuffix)) {
        m_source->Close();
        return fail(R::kPathTooLong);
    }
    if (m_outputPath.empty() || !m_output.Open(m_outputPath, kOpenFlags | CFile::osCreateNew, &m_fileException)) {
        m_source->Close();
        return fail(R::kOpenFailed);
    }
    if (!EncryptBody(hint)) {
        m_source->Close();
        m_output.Close();
        CFile::Remove(m_outputPath);
        return fail(R::kEncryptFailed);
    }
    path = m_outputPath;
    CopyFileTimes(m_outputPath, m_status);
    return 0;
}

int FileEncryptor::EncryptBody(const std::string& hint) {
    bool ok = m_iv->Generate();
    const uint64_t size = m_source->GetLength();
    const int pad = static_cast<int>(16 - size % 16) % 16;

    // The footer is made first: one that could not be read back is never written.
    std::string footer;
    if (ok) {
        // The format keeps the name in code page 1252: a name that it cannot
        // hold is refused, never stored as another name.
        std::string name;
        ok = platform::ToFormatName(m_source->GetFileName(), name);
        std::string encryptedName = ok ? m_mode->EncryptName(name, m_cipher.get(), *m_iv) : std::string();
        CFileHeader header(hint, m_verifier.data(), encryptedName, size, pad, m_settings.GetFormatVersion(),
                           m_settings.GetCipherId(), m_settings.GetHashType(), m_settings.GetKeyLength(),
                           m_iv->GetHex());
        footer = Utils::HexEncode(m_verifier.data(), m_verifier.size()) + header.BuildFooter();
        ok = !encryptedName.empty() && footer.size() <= Utils::kMaxFooterLength;
    }

    ok = ok && m_source->Seek(0, CFile::begin) &&
         m_mode->EncryptStream(m_cipher.get(), size, pad, *m_source, m_output, *m_iv) &&
         m_output.Write(footer.data(), footer.size());
    // Nothing counts as encrypted before it is on the disk, whole.
    ok = ok && m_output.Flush() && m_output.GetLength() == size + static_cast<uint64_t>(pad) + footer.size();
    m_source->Close();
    m_output.Close();
    return ok ? 1 : 0;
}

// ---------------------------------------------------------------------------

FileDecryptor::FileDecryptor(CFile* source, int processReadOnly, int obfuscate, const std::string& password)
    : FileCipher(source, processReadOnly, obfuscate, password) {
    m_settings.Clear();
}

int FileDecryptor::DecryptFile(std::string& path, std::string& hint, bool overwrite) {
    if (PlainAtFirstSight(path, !pathsCheckedForLinks)) return R::kNotEncrypted;
    const std::string given = path;
    if (path.empty()) return R::kNoSuchFile;
    // A relative path is taken against the current folder, never the root.
    const std::string sourcePath = platform::FullPath(path);
    if (TooLong(sourcePath)) return R::kPathTooLong;
    if (platform::IsLink(sourcePath)) return R::kLink;
    if (!CFile::GetStatus(sourcePath, m_status)) return R::kNoSuchFile;
    const uint32_t sourceMode = m_status.m_mode;
    const CFileStatus found = m_status;

    bool wasReadOnly = false;
    int code = AttributeCode(m_status);
    if (code == R::kReadOnly) {
        if (!m_processReadOnly) return R::kReadOnly;
        CFileStatus rest = m_status;
        rest.m_attribute &= static_cast<uint8_t>(~kAttrReadOnly);
        if (AttributeCode(rest) != 0) return AttributeCode(rest);
        SetReadOnly(sourcePath, false);
        wasReadOnly = true;
    } else if (code != 0) {
        return code;
    }
    // A failed or refused decryption leaves the encrypted file as it was,
    // and the caller's path naming it.
    auto fail = [&](int result) {
        if (wasReadOnly) platform::RestoreAttributes(sourcePath, found);
        path = given;
        return result;
    };

    if (!m_source->Open(sourcePath, kOpenFlags, &m_fileException)) return fail(R::kOpenFailed);
    if (!IsSourceEncrypted()) {
        m_source->Close();
        return fail(R::kNotEncrypted);
    }
    try {
        CipherSettings fileSettings = CipherSettings::ReadFooterSettings(sourcePath);
        if (!fileSettings.Equals(m_settings)) SetSettings(fileSettings);
    } catch (...) {
        m_source->Close();
        return fail(R::kOpenFailed);
    }
    if (!Ready()) {
        m_source->Close();
        return fail(R::kDecryptFailed);
    }

    std::string tempPath = sourcePath;
    const int opened = OpenTempOutput(tempPath);
    if (opened != 0) {
        m_source->Close();
        return fail(opened);
    }
    int result = DecryptBody(hint);
    if (result == 0 && !IsPlainFileName(m_originalName)) result = R::kDecryptFailed;  // a name that leads out of the folder
    if (result != 0) {
        m_shredder->DeleteFile(tempPath);
        return fail(result);
    }

    m_outputPath = platform::FolderPart(tempPath);
    const std::string target = platform::JoinPath(platform::ParentFolder(tempPath), m_originalName);
    // The stored name may lead to the encrypted file itself by another
    // spelling: a letter of another case (Windows folds every letter, not
    // only A-Z), a short alias, a second link. The file system tells.
    if (platform::SameFile(target, sourcePath) || platform::SameFile(target, tempPath)) {
        // The stored name is the encrypted file's own: nothing is moved over it.
        m_shredder->DeleteFile(tempPath);
        return fail(R::kTargetExists);
    }

    result = MoveAsideExisting(target, tempPath, overwrite);
    if (result == R::kTargetExists) {
        CFile::Remove(tempPath);
        return fail(R::kTargetExists);
    }
    if (result != 0 && result != R::kRenamedOld) {
        // Nothing was moved: the encrypted file stays, its plain copy goes.
        m_shredder->DeleteFile(tempPath);
        return fail(R::kMoveAsideFailed);
    }
    if (wasReadOnly) {
        SetReadOnly(target, true);
        m_status.m_mode = sourceMode;  // the permissions it had, less the write ones
    }
    path = target;
    CopyFileTimes(target, m_status);
    CFile::Remove(sourcePath);
    return result;
}

int FileDecryptor::OpenTempOutput(std::string& path) {
    // Only a name where nothing exists is taken, and never through a link:
    // a file already there (left by an interrupted run, or put there by
    // someone else) stays as it is, and a numbered name is tried instead.
    const std::string base = path + kTempSuffix;
    if (TooLong(base)) return R::kPathTooLong;
    for (unsigned n = 0; n < 100; ++n) {
        const std::string candidate = n == 0 ? base : base + "_" + std::to_string(n);
        if (TooLong(candidate)) break;
        if (platform::IsLink(candidate) || Exists(candidate) ||
            !m_output.Open(candidate, kOpenFlags | CFile::osCreateNew, &m_fileException))
            continue;
        path = candidate;
        return 0;
    }
    return R::kOpenFailed;
}

int FileDecryptor::DecryptBody(std::string& hint) {
    int result = 0;
    CFileHeader header;
    const uint64_t fileLength = m_source->GetLength();
    const int64_t footerLength = TrailerFooterLength(*m_source);
    if (!header.ReadFooter(*m_source) || footerLength <= 0 || static_cast<uint64_t>(footerLength) > fileLength ||
        header.GetKeyLength() != m_settings.GetKeyLength()) {
        result = R::kDecryptFailed;
    } else {
        // Every file of this format holds exactly size + pad bytes of
        // ciphertext, with a pad below 16. A footer that disagrees is
        // damaged: trusted, it would cut the plain file short, and the
        // encrypted file is removed after a decryption that succeeds.
        const uint64_t cipherLength = fileLength - static_cast<uint64_t>(footerLength);
        const int pad = header.GetPad();
        if (pad < 0 || pad >= 16 || cipherLength < static_cast<uint64_t>(pad) ||
            cipherLength - static_cast<uint64_t>(pad) != header.GetSize())
            result = R::kDecryptFailed;
    }

    if (result == 0) {
        m_originalName = header.GetEncryptedName();
        std::vector<unsigned char> check((m_keyBytes.size() + 7) / 8 * 8);
        bool readable = header.DecryptVerifier(check.data(), m_cipher.get()) &&
                        (header.GetFormatVersion() < 3 || m_iv->SetFromHex(header.GetIvHex()));
        if (!readable) {
            result = R::kDecryptFailed;
        } else if (std::equal(m_keyBytes.begin(), m_keyBytes.end(), check.begin())) {
            const uint64_t size = header.GetSize();
            bool ok = m_source->Seek(0, CFile::begin) &&
                      m_mode->DecryptStream(m_cipher.get(), size, header.GetPad(), *m_source, m_output, *m_iv);
            // The plain file counts only once it is whole on the disk.
            ok = ok && m_output.SetLength(size) && m_output.Flush() && m_output.GetLength() == size;
            if (!ok) result = R::kDecryptFailed;
            m_originalName = platform::FromFormatText(m_mode->DecryptName(m_originalName, m_cipher.get(), *m_iv));
        } else {
            result = R::kWrongPassword;
            hint = header.GetHint();
        }
    }
    m_source->Close();
    m_output.Close();
    return result;
}

int FileDecryptor::MoveAsideExisting(const std::string& target, const std::string& tempPath, bool overwrite) {
    if (!CFile::GetStatus(target, m_status)) return CFile::Rename(tempPath, target) ? 0 : R::kOpenFailed;
    // Overwriting replaces a file, never a folder of that name: the folder
    // would only be moved aside, under a name nobody looks for.
    if (overwrite && (m_status.m_attribute & kAttrDirectory)) return R::kTargetExists;
    if (overwrite) {
        // The existing file is moved aside first and removed only once the
        // decrypted one has its name; a failed rename puts it back.
        std::string aside = tempPath + ".old";
        for (unsigned n = 1; Exists(aside) || platform::IsLink(aside); ++n) {
            if (n == 100) return R::kOpenFailed;
            aside = tempPath + ".old_" + std::to_string(n);
        }
        if (!CFile::Rename(target, aside)) return R::kOpenFailed;
        if (!CFile::Rename(tempPath, target)) {
            CFile::Rename(aside, target);
            return R::kOpenFailed;
        }
        CFile::Remove(aside);
        return 0;
    }
    if (failIfTargetExists) return R::kTargetExists;

    const std::string old = target + ".old";
    platform::ShowMessage("The file " + target + " already exists, Vastrel 2 will rename this file to " + target +
                              ".old then proceed with decrypting.",
                          kCaption, platform::kMbIconInformation, platform::MsgOwner::None);
    bool moved = CFile::Rename(target, old);
    if (moved && !CFile::Rename(tempPath, target)) {
        CFile::Rename(old, target);  // put the existing file back
        moved = false;
    }
    if (!moved) {
        platform::ShowMessage("Unable to write to file " + target +
                                  " please make sure this file is not opened in another process or delete this file "
                                  "then try again",
                              kCaption, platform::kMbIconError, platform::MsgOwner::None);
        return R::kOpenFailed;
    }
    return R::kRenamedOld;
}

}  // namespace CIPHER
}  // namespace Vastrel2
