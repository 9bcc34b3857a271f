#pragma once
// The file jobs: one plain file becomes one encrypted ".~enc" file in the same
// folder, or one encrypted file becomes its plain file again. A caller makes
// one job per run and calls it once per path; each call returns a result code
// (see core/cipher_result.h) and, on success, leaves in the caller's path the
// file that now exists. Encryption never deletes the plain source (callers
// shred it); decryption removes the encrypted source itself.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/blowfish.h"
#include "core/cipher_settings.h"
#include "platform/file.h"

// windows.h spells EncryptFile and DecryptFile as macros; the jobs keep their
// own names whichever order the headers come in (see the A-suffixed aliases).
#ifdef EncryptFile
#undef EncryptFile
#endif
#ifdef DecryptFile
#undef DecryptFile
#endif

class CSecureDelete;

namespace Vastrel2 {
namespace CIPHER {

class ICipherMode;
class InitVector;

// The result code for a source's attribute byte: read-only 8, hidden -1,
// system -7, volume label -13 (in that order), folder -9 over all others, 0
// for a file the jobs work on.
int AttributeCode(const CFileStatus& status);

// `path` with the extension of its file name replaced by `suffix`; when that
// name exists (or is the source itself) "_1", "_2", ... goes before the suffix.
std::string MakeEncryptedName(const std::string& path, const std::string& suffix);

// The path's folder, then the key digest of the full path as uppercase hex,
// two random bytes as lowercase hex and ".~enc". The digest part is the same
// for the same path; the random part is drawn again while the name exists.
// Empty when no free name is found.
std::string MakeObfuscatedName(const std::string& path, const CipherSettings& settings);

// Runs the messages waiting for the calling thread so that windows stay
// responsive between files. Returns 0.
int PumpMessages();

class FileCipher {
public:
    virtual ~FileCipher();
    FileCipher(const FileCipher&) = delete;
    FileCipher& operator=(const FileCipher&) = delete;

    // The file operation; see FileEncryptor::EncryptFile and FileDecryptor::DecryptFile.
    virtual int Process(std::string& path, std::string& hint, bool overwrite) = 0;
    // The body operation on the open source and output.
    virtual int ProcessBody(std::string& hint) = 0;

    // Encryption: the encrypted file's path. Decryption: the plain file's folder.
    std::string GetOutputPath() const { return m_outputPath; }
    // Decryption: the plain file's name as stored in the encrypted file.
    std::string GetOriginalName() const { return m_originalName; }

    // Makes cipher, mode, key bytes and verifier for the settings.
    void SetSettings(CipherSettings settings);
    const CipherSettings& GetSettings() const { return m_settings; }
    bool IsSourceEncrypted();
    // Clears (set false) or sets the read-only bit of the path through the status record.
    bool SetReadOnly(const std::string& path, bool set);
    // Gives the path the times and the attribute byte of `record`.
    static bool CopyFileTimes(const std::string& path, const CFileStatus& record);

    // Set by the self-extractor: decryption never moves an existing file aside.
    bool failIfTargetExists = false;
    // Set by a caller whose paths were each found to be no link just before
    // (a folder walk asks every file): the first look at a file that turns
    // out to be plain then asks no more, which under Wine costs a question
    // to the system per file. A link put in a path since is still refused
    // by every decryption that goes on past that look.
    bool pathsCheckedForLinks = false;

protected:
    FileCipher(CFile* source, int processReadOnly, int obfuscate, const std::string& password);
    // True when cipher, mode and key are made and the settings can be written and read.
    bool Ready() const;

    CFile* m_source;
    int m_processReadOnly;
    CFileException m_fileException;
    CFileStatus m_status;
    CFile m_output;
    std::string m_originalName;
    std::string m_outputPath;
    int m_obfuscate;
    std::unique_ptr<IBlockCipher> m_cipher;
    std::string m_password;
    std::vector<unsigned char> m_keyBytes;
    std::vector<unsigned char> m_verifier;
    std::unique_ptr<CipherFactory> m_factory;
    CipherSettings m_settings;
    std::unique_ptr<CSecureDelete> m_shredder;
    std::unique_ptr<ICipherMode> m_mode;
    std::unique_ptr<InitVector> m_iv;

private:
    CFile m_ownSource;  // stands in when the caller hands no file object
};

class FileEncryptor : public FileCipher {
public:
    FileEncryptor(CFile* source, int processReadOnly, int obfuscate, const std::string& password,
                  const CipherSettings* settings);

    int Process(std::string& path, std::string& hint, bool overwrite) override {
        return EncryptFile(path, hint, overwrite);
    }
    int ProcessBody(std::string& hint) override { return EncryptBody(hint); }

    // Writes the encrypted file next to the source (a relative path is taken
    // against the current folder): 0 and path := the new file's full path
    // once it is complete on disk; 8, -1, -7, -9, -13 for the source's
    // attributes; -10 no such file; -11 the source or the output cannot be
    // opened; -12 the read-only bit cannot be cleared; -3 already encrypted;
    // -15 the encryption or a write failed (no output is left); -17 the path
    // is a link; -18 its name could not be restored by decryption; -19 the
    // path, or the temporary name decryption would need, is too long.
    // `overwrite` has no effect.
    int EncryptFile(std::string& path, const std::string& hint, bool overwrite = false);
    // 1 when the ciphertext and footer are written and flushed, 0 otherwise.
    int EncryptBody(const std::string& hint);
#ifdef _WIN32
    int EncryptFileA(std::string& path, const std::string& hint, bool overwrite = false) {
        return EncryptFile(path, hint, overwrite);
    }
#endif
};

class FileDecryptor : public FileCipher {
public:
    FileDecryptor(CFile* source, int processReadOnly, int obfuscate, const std::string& password);

    int Process(std::string& path, std::string& hint, bool overwrite) override {
        return DecryptFile(path, hint, overwrite);
    }
    int ProcessBody(std::string& hint) override { return DecryptBody(hint); }

    // Restores the plain file under its stored name in the encrypted file's
    // folder and removes the encrypted file: 0 (or -14 when an existing file
    // of that name was renamed to ".old") and path := the plain file. Other
    // results leave the encrypted file as it was: 8, -1, -7, -9, -13 for its
    // attributes; -10 no such file; -11 it or the temporary output cannot be
    // opened; -4 not encrypted; -5 wrong password (hint := the stored hint);
    // -16 damaged or truncated; -8 the name is taken and failIfTargetExists
    // is set; -17 the path is a link; -19 the path or its temporary name is
    // too long; 99 the existing file could not be moved aside. `overwrite`
    // removes an existing file of the plain name instead of renaming it.
    int DecryptFile(std::string& path, std::string& hint, bool overwrite = false);
    // 0, -5 (hint := the stored hint) or -16.
    int DecryptBody(std::string& hint);
#ifdef _WIN32
    int DecryptFileA(std::string& path, std::string& hint, bool overwrite = false) {
        return DecryptFile(path, hint, overwrite);
    }
#endif

    // path := path + ".cipherData" (or, when something of that name exists,
    // the first free ".cipherData_1", "_2", ...) and the output is created
    // there, new: 0, -19 when the name passes the path limit, or -11.
    int OpenTempOutput(std::string& path);
    // Makes room for the plain file at `target` and moves the temporary file
    // there: 0, -14 (the old file is now target + ".old"), -8, or -11 with
    // everything as it was.
    int MoveAsideExisting(const std::string& target, const std::string& tempPath, bool overwrite);
};

}  // namespace CIPHER
}  // namespace Vastrel2
