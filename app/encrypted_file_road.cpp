// Opening an encrypted file named on the command line for editing.
#include <windows.h>

#include <psapi.h>

#include <memory>
#include <vector>

#include "app/crypt_test_app.h"
#include "app/password_dlg.h"
#include "core/cipher_result.h"
#include "core/cipher_settings.h"
#include "core/file_cipher.h"
#include "core/file_header.h"
#include "core/registry_dword.h"
#include "core/secure_delete.h"
#include "platform/file.h"
#include "platform/message_box.h"
#include "platform/process.h"

using Vastrel2::CIPHER::CipherResult;
using Vastrel2::CIPHER::CipherSettings;
using Vastrel2::CIPHER::FileDecryptor;
using Vastrel2::CIPHER::FileEncryptor;

namespace {

const char kCaption[] = "Vastrel 2";

int Tell(const std::string& text, unsigned style) {
    return platform::ShowMessage(text, kCaption, style, platform::MsgOwner::None);
}

// The encrypted file as it was, kept under a name of its own (a second link
// to the same data where the file system has links, else a copy) while the
// decryption removes it, until the file is encrypted again or the user has
// chosen to keep it plain.
class KeptOriginal {
public:
    explicit KeptOriginal(const std::string& path) : m_original(path) {
        for (int n = 1; n < 100 && m_kept.empty(); ++n) {
            std::string candidate = path + ".keep" + (n == 1 ? std::string() : std::to_string(n));
            if (GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
            if (CreateHardLinkA(candidate.c_str(), path.c_str(), nullptr) ||
                CopyFileA(path.c_str(), candidate.c_str(), TRUE)) {
                m_kept = candidate;
            }
        }
    }
    ~KeptOriginal() { Drop(true); }
    KeptOriginal(const KeptOriginal&) = delete;
    KeptOriginal& operator=(const KeptOriginal&) = delete;

    // The copy is no longer needed. It holds ciphertext only: no shredding.
    // A read-only copy is made writable to go; a link shares its attributes
    // with the original, whose own are then put back when it is still there
    // (withOriginal: the original's name still names the original).
    void Drop(bool withOriginal) {
        if (m_kept.empty()) return;
        if (!DeleteFileA(m_kept.c_str())) {
            DWORD attributes = GetFileAttributesA(m_kept.c_str());
            SetFileAttributesA(m_kept.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(m_kept.c_str());
            if (withOriginal && attributes != INVALID_FILE_ATTRIBUTES &&
                GetFileAttributesA(m_original.c_str()) != INVALID_FILE_ATTRIBUTES) {
                SetFileAttributesA(m_original.c_str(), attributes);
            }
        }
        m_kept.clear();
    }
    // Puts the copy back under the original name when that is free (else
    // leaves it where it is); its path, or empty when there is none.
    std::string Restore() {
        if (m_kept.empty()) return {};
        std::string where = m_kept;
        if (MoveFileA(m_kept.c_str(), m_original.c_str())) where = m_original;
        m_kept.clear();
        return where;
    }

private:
    std::string m_original;
    std::string m_kept;
};

}  // namespace

// The module list of a 64-bit process cannot be read from a 32-bit one
// (the system refuses the read); the process's image name, which any
// program may ask for, then gives the same name, so the 32-bit program sees
// every process by name as a 64-bit one does.
std::string CCryptTestApp::ProcessFileName(HANDLE process) {
    char name[MAX_PATH] = "<unknown>";
    HMODULE module = nullptr;
    DWORD needed = 0;
    if (EnumProcessModules(process, &module, sizeof module, &needed) &&
        GetModuleBaseNameA(process, module, name, sizeof name) > 0)
        return name;
    char image[MAX_PATH] = {};
    DWORD length = sizeof image;
    if (!QueryFullProcessImageNameA(process, 0, image, &length) || length == 0) return "<unknown>";
    const std::string path(image, length);
    return platform::FileNamePart(path);
}

bool CCryptTestApp::IsProgramRunning(const std::string& programPath, std::string& processName) {
    std::vector<DWORD> ids(1024);
    DWORD bytes = 0;
    if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return false;
    ids.resize(bytes / sizeof(DWORD));
    for (DWORD id : ids) {
        std::string name = "<unknown>";
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
        if (process) {
            name = ProcessFileName(process);
            CloseHandle(process);
        }
        processName = name;
        if (!processName.empty() && programPath.find(processName) != std::string::npos) return true;
    }
    return false;
}

bool CCryptTestApp::RunAssociatedProgram(const std::string& filePath, const std::string& programPath) {
    if (programPath.empty()) return false;
    platform::ProgramStart start;
    start.kind = platform::ProgramStart::Kind::Create;
    start.application = programPath;
    start.commandLine = " \"" + filePath + "\"";
    start.wait = true;
    return platform::StartProgram(start);
}

CCryptTestApp::ShellOpen CCryptTestApp::OpenWithShellAndWait(const std::string& filePath) {
    platform::ProgramStart start;
    start.kind = platform::ProgramStart::Kind::Shell;
    start.file = filePath;
    start.parameters = "";
    start.wait = true;
    bool waited = false;
    start.waited = &waited;
    if (!platform::StartProgram(start)) return ShellOpen::Failed;
    return waited ? ShellOpen::Waited : ShellOpen::NotWaited;
}

void CCryptTestApp::OpenEncryptedFile(std::string path) {
    std::string password;
    int open = 1;
    int reencrypt = 0;
    {
        CPasswordDlg dlg(&password, &open, &reencrypt, nullptr);
        if (dlg.DoModal() != IDOK) return;
    }

    RegistryDword obfuscateSetting(VastrelSettingPath("Obfuscate"), 0, 1);
    RegistryDword successSetting(VastrelSettingPath("SSO"), 0, 1);
    const int obfuscate = obfuscateSetting.Get() == 0 ? 1 : 0;
    const std::string hint = Vastrel2::Utils::GetHint(path);
    CFile source;

    // Decryption removes the encrypted file once its plain file is whole on
    // the disk; the original is kept until it has a complete successor.
    KeptOriginal kept(path);
    {
        std::unique_ptr<FileDecryptor> decryptor(new FileDecryptor(&source, TRUE, obfuscate, password));
        std::string storedHint;
        int result = decryptor->DecryptFile(path, storedHint, false);
        // -14: decrypted, an older file of the plain name became ".old".
        if (result != CipherResult::kOk && result != CipherResult::kRenamedOld) {
            Tell("Decryption failed!", MB_ICONERROR);
            return;
        }
    }
    if (open == 0) return;

    // Whether the user may have changed the file in a program we could not
    // wait for: then we wait for the user before encrypting it again.
    bool askWhenDone = false;
    std::string program = platform::AssociatedProgram(path);
    std::string processName;
    if (IsProgramRunning(program, processName)) {
        char text[2048];
        std::snprintf(text, sizeof text,
                      "An instance of %s is running, Vastrel 2 can not edit %s until this process is closed. "
                      "Please close %s and try again",
                      processName.c_str(), path.c_str(), processName.c_str());
        Tell(text, MB_ICONERROR);
    } else if (!RunAssociatedProgram(path, program)) {
        askWhenDone = OpenWithShellAndWait(path) == ShellOpen::NotWaited;
    }

    if (reencrypt == 0) return;
    if (askWhenDone) Tell("Click OK when you have finished working with " + path + ".", MB_OK | MB_ICONINFORMATION);

    const std::string plainPath = path;
    CipherSettings settings;
    settings.Clear();
    settings.LoadDefaults();
    std::unique_ptr<FileEncryptor> encryptor(new FileEncryptor(&source, TRUE, obfuscate, password, &settings));
    int result = encryptor->EncryptFile(path, hint, false);
    if (result != CipherResult::kOk) {
        std::string reason = CipherResult::ResultText(result);
        std::string original = kept.Restore();
        Tell("Vastrel 2 could not encrypt the file again" + (reason.empty() ? std::string() : " (" + reason + ")") +
                 ".\nThe decrypted file is still on the disk, unprotected:\n" + plainPath +
                 (original.empty() ? std::string() : "\nThe encrypted file as it was before is kept as:\n" + original),
             MB_ICONERROR);
        return;
    }
    kept.Drop(false);
    CSecureDelete shredder;
    ShredRemnant remnant;
    const ShredOutcome shredded = shredder.ShredOrRemove(plainPath, &remnant);
    if (shredded == ShredOutcome::kOverwritten) {
        // Named where the shredder last had it (it may have moved it).
        Tell("The file was encrypted again as " + path + ". Its decrypted copy was overwritten, but could not be removed:\n" +
                 (remnant.path.empty() ? plainPath : remnant.path) + "\nPlease shred or delete it yourself.",
             MB_ICONEXCLAMATION);
        return;
    }
    if (shredded == ShredOutcome::kUntouched && GetFileAttributesA(plainPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Tell("The file was encrypted again as " + path + ", but its decrypted copy could not be removed:\n" +
                 plainPath + "\nPlease shred or delete it yourself.",
             MB_ICONEXCLAMATION);
        return;
    }
    if (successSetting.Get() == 0) Tell("File successfully encrypted", MB_ICONINFORMATION);
}
