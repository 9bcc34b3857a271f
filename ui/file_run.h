#pragma once
// The per-file work that the encrypting and decrypting dialogs share: one
// file job for the whole run, one call per file, and what came of it in the
// words the result summary shows. A plain original is shredded only once its
// encrypted copy is complete on disk, and nothing a file does ends the run.
#include <memory>
#include <string>
#include <vector>

#include "core/file_cipher.h"
#include "core/secure_delete.h"
#include "platform/file.h"

class FileRun {
public:
    enum Mode { kEncrypt = 0, kDecrypt = 1 };

    struct Step {
        int result = 0;          // the job's result code
        std::string source;      // the path handed in
        std::string path;        // the file that holds the data now: the new one when `changed`, else the source
        bool changed = false;    // encrypted (0), or decrypted (0, or -14 beside the renamed old file)
        // Encrypted, but the plain original could not be shredded: it is
        // still there as it was.
        bool originalLeft = false;
        // Encrypted, and the plain original was overwritten but could not be
        // removed: its contents are gone, the encrypted file is the only copy.
        bool originalOverwritten = false;
        // With originalOverwritten: where the shredder last had the
        // overwritten original (its path, or a name it moved it to), and
        // which file it is.
        ShredRemnant remnant;
        std::string details;     // for the summary's details column; empty when there is nothing to add
        // The summary value: the result's text, and the details after the separator.
        std::string Value() const;
        // How the closing report names a plain original this encryption left
        // on the disk: its path, with the details when it was overwritten.
        // Empty when it went.
        std::string OriginalLeft() const;
    };

    // Encryption reads the cipher settings here, once for the run, and
    // stores an empty hint as "none".
    FileRun(Mode mode, const std::string& password, bool processReadOnly, bool obfuscate,
            const std::string& hint = std::string());
    ~FileRun();
    FileRun(const FileRun&) = delete;
    FileRun& operator=(const FileRun&) = delete;

    // Encrypts or decrypts one file. Given a shredder, encryption then
    // shreds the plain original, and only after result 0; a plain original
    // that stays as it was keeps the attributes (and permissions) it had.
    Step Process(const std::string& path, CSecureDelete* shredder);

    Mode GetMode() const { return m_mode; }
    // Encryption: the hint written into every file.
    const std::string& Hint() const { return m_hint; }

private:
    Step Encrypt(const std::string& path, CSecureDelete* shredder);
    Step Decrypt(const std::string& path);

    Mode m_mode;
    bool m_obfuscate;
    std::string m_hint;
    CFile m_file;
    std::unique_ptr<Vastrel2::CIPHER::FileCipher> m_job;
};

// "original could not be removed": an encrypted file whose plain original is
// still there.
extern const char kOriginalNotRemoved[];
// An encrypted file whose plain original was overwritten, but is still there.
extern const char kOriginalOverwritten[];
// The same, where the encrypted file lies beside it: the details name that
// file as the only good copy, and (RemnantNote) where what is left of the
// original lies when the shredder moved it from `original`.
std::string OnlyGoodCopyDetails(const std::string& encrypted, const std::string& original = std::string(),
                                const ShredRemnant& remnant = ShredRemnant());
// The closing report's first lines: the plain originals a run could not
// destroy, one a line, then an empty line; empty when there are none.
std::string OriginalsNotDestroyed(const std::vector<std::string>& originals);
