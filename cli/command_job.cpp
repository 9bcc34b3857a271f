#include "cli/command_job.h"

#include "cli/console_out.h"
#include "core/cipher_result.h"
#include "core/cipher_settings.h"
#include "core/dir_read.h"
#include "core/file_cipher.h"
#include "core/secure_delete.h"
#include "platform/code_page.h"
#include "platform/file.h"
#include "platform/system.h"

namespace Vastrel2 {

using CIPHER::CipherResult;
using CIPHER::CipherSettings;
using CIPHER::FileDecryptor;
using CIPHER::FileEncryptor;

namespace {

const std::string kStars(42, '*');
const std::string kTitle = "*" + std::string(13, ' ') + "Vastrel 2 - CLP" + std::string(12, ' ') + "*";

bool IsFolder(const std::string& path) {
    CFileStatus status;
    return CFile::GetStatus(path, status) && (status.m_attribute & kAttrDirectory);
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

const char* const kSkippedLink = "Skipped link (links are not followed): ";

}  // namespace

CommandJob::CommandJob(ParseSettings* settings) : CommandJob(settings, LogFile::DefaultPath()) {}

CommandJob::CommandJob(ParseSettings* settings, const std::string& logPath)
    : m_settings(settings),
      m_shredder(new CSecureDelete),
      m_logOn(settings->log != "false"),
      m_ownLog(new LogFile(logPath)),
      m_log(m_ownLog.get()) {
    LogOpening();
}

CommandJob::CommandJob(ParseSettings* settings, LogFile& log)
    : m_settings(settings), m_shredder(new CSecureDelete), m_logOn(settings->log != "false"), m_log(&log) {
    LogOpening();
}

void CommandJob::LogOpening() {
    Log(kStars);
    Log(kTitle);
    Log(kStars);
    Log(" ");
    Log(StartTimeLine());
    Log(" ");
    Log(" ");
}

CommandJob::~CommandJob() {
    try {
        if (m_blankPending) m_log->WriteLine(" ");
    } catch (...) {
        // the lines before it are in the file
    }
    m_files.clear();
}

void CommandJob::Log(const std::string& line) {
    if (!m_logOn) return;
    // A blank line that ends a failed file's lines goes to the file with the
    // line after it: the same bytes, one write fewer a failed file.
    m_log->WriteLine(m_blankPending ? " \r\n" + line : line);
    m_blankPending = false;
}

bool CommandJob::Run() {
    ConsolePrint("\n\n" + kStars + "\n" + kTitle + "\n*" + std::string(40, ' ') + "*\n" + kStars + "\n\n\n");
    if (!ValidateSettings()) return false;

    uint32_t start = platform::TickCount();
    CollectFiles();
    if (m_files.empty()) {
        ConsolePrint("No files to process\n");
        Log("Warning : No files to process");
    }
    if (m_settings->mode == "encrypt")
        EncryptFiles();
    else if (m_settings->mode == "decrypt")
        DecryptFiles();

    if (m_logOn) {
        std::string time = "Time: " + FormatElapsed(start);
        ConsolePrint(time + "\n");
        Log(time);
        if (m_log->LastWriteSucceeded())
            ConsolePrint("Log file: " + m_log->GetPath() + "\n");
        else
            ConsolePrint("Unable to write log file: " + m_log->GetPath() + "\n");
    }
    ConsoleFlush();
    return m_failed == 0 && !m_missingFolder;
}

bool CommandJob::ValidateSettings() {
    bool modeOk = m_settings->mode == "encrypt" || m_settings->mode == "decrypt";
    if (!modeOk) {
        ConsolePrint("Error : You must specify a type. i.e. encrypt or decrypt\n");
        Log("Error :You must specify a type. i.e. encrypt or decrypt");
    }
    bool passwordOk = false;
    if (m_settings->password.empty()) {
        ConsolePrint("You must specify a password.\n");
        Log("Error : You must specify a password.");
    } else if (m_settings->password.size() < 6) {
        ConsolePrint("Password must be at least 6 characters.\n");
        Log("Error : Password must be at least 6 characters.");
    } else {
        passwordOk = true;
    }
    // Files under an empty or short password are protected by next to
    // nothing, and their originals would be shredded: encryption is refused.
    // Decryption goes on, since older files may have been made so.
    bool go = modeOk && (passwordOk || m_settings->mode != "encrypt");
    if (!go) {
        ConsolePrint("Process failed!\n");
        Log("Error : Process failed!");
    }
    return go;
}

void CommandJob::CollectFiles() {
    CSADirRead scanner;
    scanner.pathsOnly = true;  // the run needs the paths, and each job reads its file's status itself
    for (const std::string& given : m_settings->folders) {
        // A folder that is not there is reported, never scanned: an empty or
        // blank name would otherwise be taken for the root of the file
        // system or the current folder. Others are made full first, so
        // that every file the jobs see has its full path.
        const std::string folder = IsBlank(given) ? given : platform::FullPath(given);
        if (IsBlank(folder) || !IsFolder(folder)) {
            ConsolePrint("Folder not found: " + given + "\n");
            Log("Error : Folder not found: " + given);
            m_missingFolder = true;
            continue;
        }
        scanner.CollectFolders(folder.c_str(), true);
        scanner.CollectFiles("*.*", true, false);
        m_files.reserve(m_files.size() + scanner.files.size());
        for (ProjectEntry& entry : scanner.files) m_files.push_back(std::move(entry.path));
        ReportSkipped(scanner.skipped);
        scanner.skipped.clear();
        scanner.ClearFileList();
        scanner.ClearFolderList();
    }
    for (const std::string& given : m_settings->files) {
        if (given.size() <= 3) continue;
        const std::string file = platform::FullPath(given);
        // A link named directly is refused: encrypting it would shred
        // whatever it leads to.
        if (platform::IsLink(file)) {
            ConsolePrint(kSkippedLink + file + "\n");
            Log(std::string("Error : ") + kSkippedLink + file);
            ++m_failed;
            continue;
        }
        m_files.push_back(file);
    }
}

void CommandJob::ReportSkipped(const std::vector<SkippedPath>& skipped) {
    for (const SkippedPath& item : skipped) {
        if (item.reason == SkippedPath::kLink) {
            ConsolePrint(kSkippedLink + item.path + "\n");
            Log(std::string("Warning : ") + kSkippedLink + item.path);
            continue;
        }
        const std::string line = (item.reason == SkippedPath::kTooDeep ? "Folder too deep for the path limit: "
                                                                       : "Unable to read folder: ") +
                                 item.path;
        ConsolePrint(line + "\n");
        Log("Error : " + line);
        ++m_failed;
    }
}

void CommandJob::EncryptFiles() {
    int obfuscate = m_settings->obfuscate == "true" ? 1 : 0;
    int processReadOnly = m_settings->processReadOnly != "false" ? 1 : 0;
    CipherSettings cipherSettings;
    cipherSettings.LoadDefaults();
    CFile work;
    std::unique_ptr<FileEncryptor> encryptor(
        new FileEncryptor(&work, processReadOnly, obfuscate, m_settings->password, &cipherSettings));

    ProcessFiles("Encrypting", "encrypted", [&](std::string& path) {
        const std::string source = path;
        std::string storedName;
        if (!platform::ToFormatName(platform::FileNamePart(path), storedName)) {
            // The format keeps names in code page 1252; this one it cannot hold.
            ConsolePrint("\nNot encrypted: the name of " + path +
                         " holds characters that Windows-1252 cannot store. The file is left as it is.\n");
            Log("Encryption failed : The file name holds characters that Windows-1252 cannot store");
            return false;
        }
        // The encryption makes a read-only original writable, to be shredded.
        CFileStatus before;
        const bool wasReadOnly = CFile::GetStatus(source, before) && (before.m_attribute & kAttrReadOnly);
        int result = encryptor->EncryptFile(path, m_settings->hint);
        if (result != CipherResult::kOk && result != CipherResult::kFileEmpty && result != CipherResult::kRenamedOld) {
            if (m_logOn) Log(Format("Encryption failed : %s", CipherResult::ResultText(result).c_str()));
            return false;
        }
        ShredRemnant remnant;
        const ShredOutcome shredded = m_shredder->ShredOrRemove(source, &remnant);
        if (shredded != ShredOutcome::kDestroyed) {
            // The encrypted file is there, but so is the plain one: as it
            // was (with what it had before the encryption), or overwritten.
            if (shredded == ShredOutcome::kUntouched && wasReadOnly) platform::RestoreAttributes(source, before);
            if (m_logOn) {
                // An overwritten original holds nothing of the file any more:
                // the encrypted one must not be thrown away for it.
                Log(shredded == ShredOutcome::kOverwritten
                        ? Format("Error : The original file was overwritten but could not be removed: %s; the "
                                 "encrypted file %s is the only good copy",
                                 source.c_str(), path.c_str()) +
                              RemnantNote(source, remnant)
                        : Format("Error : Unable to shred the original file: %s", source.c_str()));
            }
            return false;
        }
        return true;
    });
}

void CommandJob::DecryptFiles() {
    int obfuscate = m_settings->obfuscate == "true" ? 1 : 0;
    int processReadOnly = m_settings->processReadOnly != "false" ? 1 : 0;
    CFile work;
    std::unique_ptr<FileDecryptor> decryptor(new FileDecryptor(&work, processReadOnly, obfuscate, m_settings->password));
    // The walk and the check of the files named one by one have just asked
    // every path whether it is a link.
    decryptor->pathsCheckedForLinks = true;

    ProcessFiles("Decrypting", "decrypted", [&](std::string& path) {
        std::string hint;
        int result = decryptor->DecryptFile(path, hint, false);
        if (result == CipherResult::kOk || result == CipherResult::kFileEmpty) return true;
        if (m_logOn) Log(Format("Decryption failed : %s", CipherResult::ResultText(result).c_str()));
        return false;
    });
}

void CommandJob::ProcessFiles(const std::string& verb, const std::string& done,
                              const std::function<bool(std::string& path)>& processOne) {
    int succeeded = 0;
    for (std::string& path : m_files) {
        // The next file's line overwrites this one on the console.
        ConsolePrint(verb + ": " + path + "%\r");
        ConsoleFlush();
        if (m_logOn) Log(verb + " file: " + path);  // no line is built for a log that is off
        if (processOne(path)) {
            ++succeeded;
        } else {
            m_blankPending = m_logOn;
            ++m_failed;
        }
    }
    std::string counts = Format("%d files %s, %d Failed", succeeded, done.c_str(), m_failed);
    ConsolePrint("\n\n" + counts + "\n");
    Log(counts);
}

bool RunCommandJobs(const std::vector<ParseSettings*>& jobs) {
    LogFile log;
    bool allDone = true;
    for (ParseSettings* settings : jobs) {
        CommandJob job(settings, log);
        if (!job.Run()) allDone = false;
    }
    return allDone;
}

}  // namespace Vastrel2
