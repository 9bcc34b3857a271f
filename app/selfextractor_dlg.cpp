#include "app/selfextractor_dlg.h"

#include <commdlg.h>

#include <cstdio>

#include "core/cipher_result.h"
#include "core/file_cipher.h"
#include "core/file_header.h"
#include "core/secure_delete.h"
#include "framework/prompts.h"
#include "platform/file.h"
#include "ui/dialog_helpers.h"
#include "ui/file_run.h"
#include "ui/help_launcher.h"
#include "ui/strength_meter.h"
#include "vastrel/resource.h"
#include "vastrel/selfextractor_ids.h"

using Vastrel2::CIPHER::CipherResult;

namespace {

bool Exists(const std::string& path) {
    CFileStatus status;
    return CFile::GetStatus(path, status);
}

}  // namespace

CSelfextractorDlg::CSelfextractorDlg(int fileCount, uint32_t sizeLow, uint32_t sizeHigh, ui::ListView*,
                                     CSADirRead* scanner, bool obfuscate, bool summary, bool* destroyed, HWND parent)
    : Dialog(IDD_SELFEXTRACTOR, parent),
      m_sizeLow(sizeLow),
      m_sizeHigh(sizeHigh),
      m_fileCount(fileCount),
      m_obfuscate(obfuscate),
      m_summary(summary),
      m_scanner(scanner),
      m_destroyed(destroyed) {
    OnCommand(IDC_SFX_CREATE, &CSelfextractorDlg::OnCreateArchive);
    OnCommand(IDC_SFX_CANCEL, &CSelfextractorDlg::OnCancelButton);
    OnCommand(IDC_SFX_DESTROY, &CSelfextractorDlg::ToggleDestroyOriginals);
    // F1 takes the program's default help road, which ends at its help
    // file, as the other windows' help does.
    OnMessage(WM_HELP, [] {
        CHelpLauncher().ShowHelp();
        return TRUE;
    });
    OnCommand(IDC_SFX_PASSWORD, EN_CHANGE, &CSelfextractorDlg::OnPasswordChange);
}

CSelfextractorDlg::~CSelfextractorDlg() { DestroyWindow(); }

void CSelfextractorDlg::DoDataExchange(ui::DataExchange& dx) {
    dx.Control(IDC_SFX_DESTROY, m_destroyBox);
    dx.Control(IDC_SFX_HINT, m_hint);
    dx.Control(IDC_SFX_CONFIRM, m_confirm);
    dx.Control(IDC_SFX_PASSWORD, m_password);
}

bool CSelfextractorDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    uint64_t total = (static_cast<uint64_t>(m_sizeHigh) << 32) | m_sizeLow;
    SetDlgItemTextA(m_hwnd, IDC_SFX_TOTAL_SIZE, FormatFileSize(total).c_str());
    SetDlgItemTextA(m_hwnd, IDC_SFX_FILE_COUNT, std::to_string(m_fileCount).c_str());
    m_progress.Create(m_hwnd, "", TRUE);
    m_progress.Hide();
    m_destroyBox.SetCheck(BST_UNCHECKED);
    m_destroyOriginals = false;
    CreateStrengthBar(m_hwnd, m_strengthBar);
    CreatePasswordAdviceTip(m_tooltip, m_hwnd, IDC_SFX_TIP_ANCHOR);
    return true;
}

bool CSelfextractorDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_MOUSEMOVE && m_tooltip.Handle()) m_tooltip.RelayEvent(msg);
    return Dialog::PreTranslateMessage(msg);
}

void CSelfextractorDlg::OnOK() {
    if (!m_busy) Dialog::OnOK();
}

void CSelfextractorDlg::OnCancel() {
    if (!m_busy) Dialog::OnCancel();
}

void CSelfextractorDlg::OnCancelButton() {
    if (!m_busy) Dialog::OnOK();
}

void CSelfextractorDlg::ToggleDestroyOriginals() { m_destroyOriginals = !m_destroyOriginals; }

void CSelfextractorDlg::OnPasswordChange() {
    RatePasswordStrength(m_strengthBar, m_password.Text(), Item(IDC_SFX_GRADE));
}

void CSelfextractorDlg::OnCreateArchive() {
    if (m_busy) {
        ui::AppMessageBox("Already in progress!", MB_ICONERROR);
        return;
    }
    if (ValidatePasswords(m_password.Text(), m_confirm.Text())) CreateSelfExtractor();
}

void CSelfextractorDlg::CreateSelfExtractor() {
    UpdateData(true);
    const std::vector<ProjectEntry> entries = m_scanner ? m_scanner->files : std::vector<ProjectEntry>();
    const int n = static_cast<int>(entries.size());
    int successes = 0;
    int failures = 0;
    std::vector<std::string> destroyList;  // plain files whose encrypted copy the archive took
    std::vector<std::string> tempList;     // encrypted files of this run, removed after packing
    m_results.clear();
    const std::string password = m_password.Text();
    m_progress.SetText("Encrypting...");
    m_progress.SetRange(0, n, 1);
    m_busy = true;
    const std::string hint = m_hint.Text();

    ui::PickerRequest request;
    request.kind = ui::PickerKind::SaveFile;
    request.owner = m_hwnd;
    request.title = "Select location to store self-extractor";
    request.filter = "Exe Files (*.exe) |*.exe ||";
    request.defaultExt = "exe";
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!ui::PickFile(request, m_outputPath)) {
        m_busy = false;
        return;
    }
    // Whatever the output is called, it is never a file of the project.
    std::vector<std::string> projectFiles;
    for (const ProjectEntry& entry : entries) projectFiles.push_back(entry.path);
    if (platform::LeadsToAnyOf(m_outputPath, projectFiles)) {
        ui::AppMessageBox("The self-extracting file cannot replace a file of the project:\n" + m_outputPath +
                              "\nPlease choose another name.",
                          MB_ICONERROR);
        m_busy = false;
        return;
    }

    m_progress.Show();
    bool cancelled = false;
    {
        FileRun run(FileRun::kEncrypt, password, m_processReadOnly, m_obfuscate, hint);
        for (int i = 0; i < n; ++i) {
            if (m_progress.Cancelled()) {
                cancelled = true;
                break;
            }
            const ProjectEntry& entry = entries[static_cast<size_t>(i)];
            const std::string original = entry.path;
            m_progress.SetText("Encrypting...\n" + original);
            m_progress.StepIt();
            m_progress.PeekAndPump(TRUE);

            std::string value;
            if (Vastrel2::Utils::IsEncryptedFile(original)) {
                ++failures;
                value = CipherResult::ResultText(CipherResult::kAlreadyEncrypted);
            } else {
                FileRun::Step step = run.Process(original, nullptr);
                value = step.Value();
                if (step.result == CipherResult::kOk) {
                    tempList.push_back(step.path);
                    std::string name = entry.name.empty() ? platform::FileNamePart(original) : entry.name;
                    if (m_writer.AddFile(step.path, name)) {
                        destroyList.push_back(original);
                        ++successes;
                    } else {
                        ++failures;
                        value = WithDetails("Not added", "The name is too long, or the encrypted file cannot be read");
                    }
                } else {
                    // A folder (-9) and every other result: not in the archive.
                    ++failures;
                }
            }
            m_results[original] = value;
            Vastrel2::CIPHER::PumpMessages();
        }
        if (m_progress.Cancelled()) cancelled = true;
    }

    int archiveResult = kArchiveCancelled;
    if (!cancelled) {
        m_progress.SetText("Creating self-extractor...");
        ProgressWndArchiveProgress display(m_progress);
        m_writer.SetProgress(&display);
        // A cancel while packing stops the writer, which then keeps no archive.
        archiveResult = m_writer.CreateArchive(IDR_SFX_EXE, m_outputPath);
        m_writer.SetProgress(nullptr);
        cancelled = archiveResult == kArchiveCancelled;
    }
    // No encrypted copy of this run stays, whatever became of the archive.
    for (const std::string& temp : tempList) {
        if (!CFile::Remove(temp) && ::Exists(temp)) {
            m_results[temp] = WithDetails("Not removed", "The encrypted temporary copy could not be removed");
        }
    }
    m_progress.Hide();

    std::vector<std::string> notDestroyed;
    if (archiveResult != kArchiveOk) {
        if (cancelled) {
            ui::AppMessageBox("Creating the self-extracting file was cancelled. No self-extracting file was written "
                              "and no original file was destroyed.",
                              MB_ICONINFORMATION);
        } else {
            std::string why = ArchiveResultText(archiveResult);
            if (!m_writer.LastProblem().empty()) why += "\n" + m_writer.LastProblem() + ".";
            ui::AppMessageBox("The self-extracting file was not written: " + m_outputPath + "\n" + why +
                                  "\nNo original file was destroyed.",
                              MB_ICONERROR);
        }
        // The files that were to be packed are in no archive.
        for (const std::string& original : destroyList) {
            m_results[original] = WithDetails("Not added", cancelled ? "Cancelled before the self-extracting file "
                                                                       "was written"
                                                                     : "The self-extracting file was not written");
        }
        failures += successes;
        successes = 0;
    } else if (m_destroyOriginals && !destroyList.empty() &&
               ui::AppMessageBox("Destroying original files cannot be undone. Are you sure you want to continue?",
                                 MB_YESNO | MB_ICONWARNING) == IDYES) {
        notDestroyed = DestroyOriginals(destroyList);
        if (m_destroyed && notDestroyed.empty()) *m_destroyed = true;
    }
    // The per-file results are offered in every case.
    ShowOperationResult(&successes, &failures, notDestroyed);
    m_busy = false;
    EndDialog(IDOK);
}

std::vector<std::string> CSelfextractorDlg::DestroyOriginals(const std::vector<std::string>& originals) {
    std::vector<std::string> left;
    CSecureDelete shredder;
    for (const std::string& path : originals) {
        ShredOutcome outcome = ShredOutcome::kUntouched;
        ShredRemnant remnant;
        try {
            outcome = shredder.Shred(path, &remnant);
        } catch (...) {
        }
        const std::string ok = CipherResult::ResultText(CipherResult::kOk);
        if (outcome == ShredOutcome::kOverwritten) {
            const std::string moved = RemnantNote(path, remnant);
            left.push_back(path + " (overwritten, but not removed" + moved + ")");
            m_results[path] = WithDetails(ok, kOriginalOverwritten + moved);
        } else if (outcome == ShredOutcome::kUntouched && ::Exists(path)) {
            left.push_back(path);
            m_results[path] = WithDetails(ok, kOriginalNotRemoved);
        }
    }
    return left;
}

void CSelfextractorDlg::ShowOperationResult(int* successes, int* failures,
                                            const std::vector<std::string>& notDestroyed) {
    std::string left;
    if (!notDestroyed.empty()) {
        left = "\nThese original files could not be destroyed:";
        for (const std::string& path : notDestroyed) left += "\n" + path;
        left += "\n";
    }
    char text[512];
    if (m_summary && !m_results.empty()) {
        std::snprintf(text, sizeof text,
                      "%d Files were successfully encrypted and added to self extracting file. %d Files failed "
                      "\nWould you like to view full details?",
                      *successes, *failures);
        if (ui::AppMessageBox(left + text, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            CCryptoSummaryDlg summary(m_results, nullptr);
            summary.DoModal();
        }
        return;
    }
    std::snprintf(text, sizeof text,
                  "%d Files were successfully encrypted and added to your self extracting file. %d Files failed \n",
                  *successes, *failures);
    ui::AppMessageBox(text + left, MB_ICONINFORMATION);
}
