#include "ui/file_run.h"

#include "core/cipher_result.h"
#include "core/cipher_settings.h"
#include "core/secure_delete.h"
#include "platform/path.h"
#include "ui/summary_dlg.h"

using Vastrel2::CIPHER::CipherResult;
using Vastrel2::CIPHER::CipherSettings;
using Vastrel2::CIPHER::FileDecryptor;
using Vastrel2::CIPHER::FileEncryptor;

const char kOriginalNotRemoved[] = "original could not be removed";
const char kOriginalOverwritten[] = "original was overwritten but could not be removed";

std::string OnlyGoodCopyDetails(const std::string& encrypted, const std::string& original,
                                const ShredRemnant& remnant) {
    return std::string(kOriginalOverwritten) + "; the encrypted file " + encrypted + " is the only good copy" +
           RemnantNote(original, remnant);
}

std::string OriginalsNotDestroyed(const std::vector<std::string>& originals) {
    if (originals.empty()) return std::string();
    std::string text = "These original files could not be destroyed:";
    for (const std::string& original : originals) text += "\n" + original;
    return text + "\n\n";
}

namespace {

bool Exists(const std::string& path) {
    CFileStatus status;
    return !path.empty() && CFile::GetStatus(path, status);
}

// Details for the results whose code has no text of its own.
std::string DetailsFor(int result, FileRun::Mode mode) {
    switch (result) {
        case -9: return "The path is a folder";
        case -11:
            return mode == FileRun::kEncrypt
                       ? "The file could not be opened, or the encrypted file could not be created"
                       : "The file could not be opened, or its decrypted copy could not be written";
        case -13: return "The path is a volume label";
        default: return "";
    }
}

}  // namespace

std::string FileRun::Step::Value() const {
    std::string text = CipherResult::ResultText(result);
    return details.empty() ? text : WithDetails(text, details);
}

std::string FileRun::Step::OriginalLeft() const {
    if (originalOverwritten) return source + " (" + details + ")";
    return originalLeft ? source : std::string();
}

FileRun::FileRun(Mode mode, const std::string& password, bool processReadOnly, bool obfuscate,
                 const std::string& hint)
    : m_mode(mode), m_obfuscate(obfuscate), m_hint(hint.empty() ? "none" : hint) {
    if (mode == kEncrypt) {
        CipherSettings settings;
        settings.Clear();
        settings.LoadDefaults();
        m_job.reset(new FileEncryptor(&m_file, processReadOnly, obfuscate, password, &settings));
    } else {
        m_job.reset(new FileDecryptor(&m_file, processReadOnly, obfuscate, password));
    }
}

FileRun::~FileRun() = default;

FileRun::Step FileRun::Process(const std::string& path, CSecureDelete* shredder) {
    return m_mode == kEncrypt ? Encrypt(path, shredder) : Decrypt(path);
}

FileRun::Step FileRun::Encrypt(const std::string& path, CSecureDelete* shredder) {
    Step step;
    step.source = path;
    step.path = path;
    std::string work = path;
    // The encryption makes a read-only original writable, to be shredded;
    // an original that stays gets back what it had.
    CFileStatus before;
    const bool wasReadOnly = !path.empty() && CFile::GetStatus(path, before) && (before.m_attribute & kAttrReadOnly);
    try {
        step.result = static_cast<FileEncryptor&>(*m_job).EncryptFile(work, m_hint, false);
    } catch (...) {
        step.result = CipherResult::kEncryptFailed;
    }
    step.details = DetailsFor(step.result, m_mode);
    if (step.result != 0) return step;
    step.changed = true;
    step.path = m_obfuscate ? m_job->GetOutputPath() : work;
    if (!shredder) {
        if (wasReadOnly) platform::RestoreAttributes(path, before);
        return step;
    }
    // The encrypted copy is complete: only now does the plain original go.
    // The shredder never calls an original it wrote to untouched.
    ShredOutcome shredded = ShredOutcome::kUntouched;
    try {
        shredded = shredder->ShredOrRemove(path, &step.remnant);
    } catch (...) {
        shredded = ShredOutcome::kUntouched;
    }
    if (shredded == ShredOutcome::kOverwritten) {
        step.originalOverwritten = true;
        step.details = OnlyGoodCopyDetails(step.path, path, step.remnant);
    } else if (shredded == ShredOutcome::kUntouched && Exists(path)) {
        step.originalLeft = true;
        step.details = kOriginalNotRemoved;
        if (wasReadOnly) platform::RestoreAttributes(path, before);
    }
    return step;
}

FileRun::Step FileRun::Decrypt(const std::string& path) {
    Step step;
    step.source = path;
    step.path = path;
    std::string work = path;
    std::string hint;
    try {
        step.result = static_cast<FileDecryptor&>(*m_job).DecryptFile(work, hint, false);
    } catch (...) {
        step.result = CipherResult::kDecryptFailed;
    }
    switch (step.result) {
        case 0:
            step.changed = true;
            step.path = m_obfuscate ? platform::JoinPath(m_job->GetOutputPath(), m_job->GetOriginalName()) : work;
            break;
        case CipherResult::kRenamedOld:
            // Decrypted; the file that had its name is now ".old" beside it.
            step.changed = true;
            step.path = work;
            break;
        case CipherResult::kWrongPassword:
            step.details = "Password hint: " + hint;
            break;
        case CipherResult::kMoveAsideFailed: {
            // Tell where the data is: still in the encrypted file, or
            // decrypted beside it.
            const std::string kept = path + ".cipherData";
            step.details = "The existing file could not be renamed to .old";
            if (Exists(path)) {
                step.details += "; the data is still in " + path;
            } else if (Exists(kept)) {
                step.details += "; the decrypted data is in " + kept;
            }
            break;
        }
        default: step.details = DetailsFor(step.result, m_mode); break;
    }
    return step;
}
