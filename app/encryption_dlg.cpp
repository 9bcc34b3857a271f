#include "app/encryption_dlg.h"

#include <cstdio>

#include "core/cipher_result.h"
#include "core/file_cipher.h"
#include "vastrel/resource.h"
#include "framework/app.h"
#include "ui/dialog_helpers.h"
#include "ui/file_run.h"
#include "ui/help_launcher.h"
#include "framework/prompts.h"
#include "ui/strength_meter.h"

using Vastrel2::CIPHER::CipherResult;

namespace {

// Busy for the length of a run; the progress window goes away with it,
// however the run ends.
class RunScope {
public:
    RunScope(bool& busy, CProgressWnd& progress) : m_busy(busy), m_progress(progress) { m_busy = true; }
    ~RunScope() {
        m_progress.Hide();
        m_busy = false;
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    bool& m_busy;
    CProgressWnd& m_progress;
};

std::string Counts(const char* format, int a, int b) {
    char text[256];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

CEncryptionDlg::CEncryptionDlg(int fileCount, uint32_t sizeLow, uint32_t sizeHigh, ui::ListView* list,
                               CSADirRead* scanner, int mode, bool obfuscate, bool summary, HWND parent)
    : Dialog(kTemplateId, parent),
      m_scanner(scanner),
      m_totalSize(static_cast<uint64_t>(sizeHigh) << 32 | sizeLow),
      m_fileCount(fileCount),
      m_mode(mode),
      m_list(list),
      m_obfuscate(obfuscate),
      m_summary(summary),
      m_shredder(new CSecureDelete) {
    OnCommand(IDC_PROCESS_READONLY, &CEncryptionDlg::OnReadOnlyClicked);
    OnMessage(WM_HELP, &CEncryptionDlg::OnHelpInfo);
    OnCommand(IDC_PASSWORD, EN_CHANGE, &CEncryptionDlg::OnPasswordChange);
}

CEncryptionDlg::~CEncryptionDlg() {
    // The window goes while the handlers can still see it.
    DestroyWindow();
}

void CEncryptionDlg::DoDataExchange(ui::DataExchange& dx) {
    dx.Control(IDC_HINT, m_hint);
    dx.Control(IDC_PROCESS_READONLY, m_readOnly);
    dx.Control(IDC_CONFIRM_PASSWORD, m_confirmation);
    dx.Control(IDC_PASSWORD, m_password);
}

bool CEncryptionDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_MOUSEMOVE && m_tooltip.Handle()) m_tooltip.RelayEvent(msg);
    return Dialog::PreTranslateMessage(msg);
}

bool CEncryptionDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    SetDlgItemTextA(Handle(), IDC_TOTAL_SIZE, FormatFileSize(m_totalSize).c_str());
    SetDlgItemTextA(Handle(), IDC_FILE_COUNT, std::to_string(m_fileCount).c_str());
    CreateStrengthBar(Handle(), m_strengthBar);

    m_readOnly.Enable(true);
    m_readOnly.SetCheck(m_processReadOnly ? BST_CHECKED : BST_UNCHECKED);
    if (m_mode == kEncrypt) {
        SetDlgItemTextA(Handle(), IDOK, "Encrypt");
        m_hint.Enable(true);
    } else {
        SetDlgItemTextA(Handle(), IDOK, "Decrypt");
        FoldForDecryption();
    }

    m_confirmSetting = RegistryDword(VastrelSettingPath("SCM"), 0, 1);
    m_successMessageSetting = RegistryDword(VastrelSettingPath("SSO"), 0, 1);

    m_progress.Create(Handle(), "", TRUE);
    m_progress.Hide();
    CreatePasswordAdviceTip(m_tooltip, Handle(), IDC_PASSWORD_TIP);
    return true;
}

void CEncryptionDlg::FoldForDecryption() {
    // No confirmation and no hint: their row goes, and what lies below it
    // moves up.
    for (ui::Edit* edit : {&m_confirmation, &m_hint}) {
        edit->Enable(false);
        edit->Show(SW_HIDE);
    }
    ShowWindow(Item(IDC_VERIFY_LABEL), SW_HIDE);
    ShowWindow(Item(IDC_HINT_LABEL), SW_HIDE);
    ResizeWindowBy(m_password.Handle(), 170, true);
    ResizeWindowBy(Item(IDC_PASSWORD_FRAME), -40, false);
    ResizeWindowBy(Handle(), -40, false);
    for (int id : {IDC_OPTIONS_FRAME, IDC_SUMMARY_FRAME, IDC_FILE_COUNT_LABEL, IDC_TOTAL_SIZE_LABEL, IDC_PROCESS_HIDDEN,
                   IDC_TOTAL_SIZE, IDC_FILE_COUNT, IDC_PROCESS_READONLY, IDOK, IDCANCEL}) {
        MoveChildBy(Handle(), Item(id), -40, 0);
    }
    m_strengthBar.Show(SW_HIDE);
    for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(child);
        if (id == IDC_STRENGTH_BAR || id == IDC_PASSWORD_TIP) ShowWindow(child, SW_HIDE);
    }
    MoveChildBy(Handle(), Item(IDC_STRENGTH_LABEL), 0, -20);
}

void CEncryptionDlg::OnOK() {
    if (m_busy) return;
    if (m_mode == kEncrypt) {
        if (ValidatePasswords(m_password.Text(), m_confirmation.Text())) EncryptProjectFiles();
    } else if (m_mode == kDecrypt) {
        DecryptProjectFiles();
    }
}

void CEncryptionDlg::OnCancel() {
    if (m_busy) return;
    Dialog::OnCancel();
}

void CEncryptionDlg::OnReadOnlyClicked() { m_processReadOnly = !m_processReadOnly; }

BOOL CEncryptionDlg::OnHelpInfo() {
    CHelpLauncher().ShowHelp();
    return TRUE;
}

void CEncryptionDlg::OnPasswordChange() {
    if (m_mode == kEncrypt) RatePasswordStrength(m_strengthBar, m_password.Text(), Item(IDC_STRENGTH_LABEL));
}

ProjectEntry* CEncryptionDlg::Entry(size_t index) {
    return m_scanner && index < m_scanner->files.size() ? &m_scanner->files[index] : nullptr;
}

void CEncryptionDlg::EncryptProjectFiles() {
    if (m_confirmSetting.Get() == 0 &&
        ui::AppMessageBox("Are you sure you would like to encrypt files?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        EndDialog(IDOK);
        return;
    }
    UpdateData(true);
    const int n = m_scanner ? static_cast<int>(m_scanner->files.size()) : 0;
    int successes = 0, failures = 0;
    m_results.clear();
    m_originalsLeft.clear();
    const std::string password = m_password.Text();
    m_progress.SetText("Encrypting...");
    m_progress.SetRange(0, n, 1);
    {
        RunScope scope(m_busy, m_progress);
        const std::string hint = m_hint.Text();  // an empty hint is stored as "none"
        m_progress.Show();
        FileRun run(FileRun::kEncrypt, password, m_processReadOnly, m_obfuscate, hint);
        std::vector<Encrypted> done;
        for (int i = 0; i < n; ++i) {
            if (m_progress.Cancelled()) {
                OfferUndo(done, password, n - i, successes);
                break;
            }
            ProjectEntry* entry = Entry(static_cast<size_t>(i));
            if (!entry) break;
            const std::string path = entry->path;
            m_progress.SetText("Encrypting...\n" + path);
            FileRun::Step step = run.Process(path, m_shredder.get());
            const int r = step.result;
            if (r == 0 || r == CipherResult::kFileEmpty || r == CipherResult::kRenamedOld) {
                ++successes;
            } else {
                ++failures;
                if (m_summary) m_results[path] = step.Value();
            }
            if (r == 0) {
                const std::string left = step.OriginalLeft();
                if (!left.empty()) {
                    m_originalsLeft.emplace_back(path, left);
                    if (m_summary) m_results[path] = step.Value();
                }
                done.push_back(
                    Encrypted{static_cast<size_t>(i), path, step.originalLeft, step.originalOverwritten, step.remnant});
                UpdateRenamedListItem(entry->name, entry->path, step.path, ui::ListViewRef(m_list ? m_list->Handle() : nullptr));
            }
            m_progress.StepIt();
            m_progress.PeekAndPump(TRUE);
            Vastrel2::CIPHER::PumpMessages();
        }
        m_progress.Hide();
        ShowOperationResult(&successes, &failures);
    }
    EndDialog(IDOK);
}

void CEncryptionDlg::OfferUndo(std::vector<Encrypted>& done, const std::string& password, int canceled,
                               int& successes) {
    if (ui::AppMessageBox("Undo changed files?", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    char key[64];
    std::snprintf(key, sizeof key, "%d files were canceled", canceled);
    m_results[key] = "";
    UndoEncryption(done, password, successes);
}

void CEncryptionDlg::UndoEncryption(std::vector<Encrypted>& done, const std::string& password, int& successes) {
    // Newest first, with the run's own password: each file back to its
    // plain self, and its row and entry back to the plain name.
    ui::WaitCursor wait;
    ui::ListViewRef list(m_list ? m_list->Handle() : nullptr);
    FileRun undo(FileRun::kDecrypt, password, true, m_obfuscate);
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        ProjectEntry* entry = Entry(it->entry);
        if (!entry) continue;
        const std::string encrypted = entry->path;
        CFileStatus status;
        const bool originalThere = CFile::GetStatus(it->original, status);
        if (it->originalLeft && originalThere) {
            // The shredder left the plain original as it was: only the copy goes.
            if (CFile::Remove(encrypted)) {
                UpdateRenamedListItem(entry->name, entry->path, it->original, list);
                m_results.erase(it->original);
                ForgetOriginalLeft(it->original);
                --successes;
            } else if (m_summary) {
                m_results[encrypted] = WithDetails("OK", "the encrypted copy could not be removed");
            }
            continue;
        }
        // The overwritten original holds shredding patterns: it goes first,
        // so that the decrypted file takes its name. Only the file the
        // shredder wrote to goes, and only while its last name can be seen
        // to lead to it: anything else at the original's name (a file
        // another program put there, or one that cannot be told apart) stays,
        // and the decryption moves it aside to ".old". The encrypted file
        // goes only once it is decrypted back.
        bool remnantGone = true;
        ShredRemnant remnant = it->remnant;
        if (it->originalOverwritten) {
            ShredRemnant again;
            remnantGone = remnant.StillThere() &&
                          m_shredder->ShredOrRemove(remnant.path, &again) == ShredOutcome::kDestroyed;
            if (!again.path.empty()) remnant = again;  // moved once more
        }
        FileRun::Step step = undo.Process(encrypted, nullptr);
        if (step.changed) {
            UpdateRenamedListItem(entry->name, entry->path, step.path, list);
            m_results.erase(it->original);
            ForgetOriginalLeft(it->original);
            --successes;
            // Moved by the shredder and not shown to be gone: its last name.
            if (!remnantGone && m_summary && !RemnantNote(it->original, remnant).empty()) {
                m_results[it->original] = WithDetails(
                    "OK", "undone, but what is left of the overwritten original may still be at " + remnant.path);
            }
        } else if (m_summary) {
            std::string details = "not undone, the file stays encrypted";
            if (!step.details.empty()) details += "; " + step.details;
            m_results[encrypted] = WithDetails(CipherResult::ResultText(step.result), details);
        }
        Vastrel2::CIPHER::PumpMessages();
    }
}

void CEncryptionDlg::ForgetOriginalLeft(const std::string& original) {
    for (auto it = m_originalsLeft.begin(); it != m_originalsLeft.end();) {
        it = it->first == original ? m_originalsLeft.erase(it) : it + 1;
    }
}

void CEncryptionDlg::DecryptProjectFiles() {
    if (m_confirmSetting.Get() == 0 &&
        ui::AppMessageBox("Are you sure you would like to decrypt files?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;  // the dialog stays open
    }
    UpdateData(true);
    const int n = m_scanner ? static_cast<int>(m_scanner->files.size()) : 0;
    int successes = 0, failures = 0;
    m_results.clear();
    m_progress.SetRange(0, n, 1);
    m_progress.Show();
    {
        RunScope scope(m_busy, m_progress);
        const std::string password = m_password.Text();
        FileRun run(FileRun::kDecrypt, password, m_processReadOnly, m_obfuscate);
        ui::ListViewRef list(m_list ? m_list->Handle() : nullptr);
        for (int i = 0; i < n; ++i) {
            ProjectEntry* entry = Entry(static_cast<size_t>(i));
            if (!entry) break;
            const std::string path = entry->path;
            if (m_progress.Cancelled()) break;
            FileRun::Step step = run.Process(path, nullptr);
            const int r = step.result;
            if (r == 0 || r == CipherResult::kFileEmpty) {
                ++successes;
            } else {
                if (m_summary) m_results[path] = step.Value();
                ++failures;
            }
            // Decrypted (also beside a file renamed to ".old"): the row follows.
            if (step.changed) UpdateRenamedListItem(entry->name, entry->path, step.path, list);
            m_progress.SetText("Decrypt...\n" + entry->path);
            m_progress.StepIt();
            m_progress.PeekAndPump(TRUE);
            Vastrel2::CIPHER::PumpMessages();
        }
        m_progress.Hide();
        ShowOperationResult(&successes, &failures);
        UpdateData(false);
    }
    EndDialog(IDOK);
}

void CEncryptionDlg::ShowOperationResult(int* successes, int* failures) {
    const char* counts = m_mode == kEncrypt ? "%d Files were successfully encrypted. %d Files failed \n"
                                            : "%d Files were successfully decrypted. %d Files failed \n";
    // Plain originals that an encryption left on the disk lead the report,
    // which is then shown whatever the settings say.
    std::vector<std::string> originals;
    for (const auto& original : m_originalsLeft) originals.push_back(original.second);
    const std::string left = OriginalsNotDestroyed(originals);
    std::string text = Counts(counts, *successes, *failures);
    if (m_summary && !m_results.empty()) {
        OfferResultSummary(left + text + "Would you like to view full details?", m_results);
    } else if (m_successMessageSetting.Get() == 0 || !left.empty()) {
        ui::AppMessageBox(left + text, MB_ICONINFORMATION);
    }
}
