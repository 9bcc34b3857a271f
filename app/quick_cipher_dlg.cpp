#include "app/quick_cipher_dlg.h"

#include <cstdio>

#include "core/cipher_result.h"
#include "framework/app.h"
#include "framework/prompts.h"
#include "ui/dialog_helpers.h"
#include "ui/file_run.h"
#include "ui/strength_meter.h"
#include "vastrel/resource.h"

using Vastrel2::CIPHER::CipherResult;

QuickCipherDlg::QuickCipherDlg(std::vector<int>* selection, ui::ListView* list, CSADirRead* scanner, int mode,
                               bool obfuscate, bool summary, HWND parent)
    : Dialog(kTemplateId, parent),
      m_selection(selection),
      m_list(list),
      m_scanner(scanner),
      m_mode(mode),
      m_obfuscate(obfuscate),
      m_summary(summary),
      m_shredder(new CSecureDelete) {
    OnCommand(IDC_QUICK_PASSWORD, EN_CHANGE, &QuickCipherDlg::OnPasswordChange);
}

QuickCipherDlg::~QuickCipherDlg() { DestroyWindow(); }

void QuickCipherDlg::DoDataExchange(ui::DataExchange& dx) {
    dx.Control(IDC_QUICK_CONFIRM, m_confirmation);
    dx.Control(IDC_QUICK_HINT, m_hint);
    dx.Control(IDC_QUICK_PASSWORD, m_password);
}

bool QuickCipherDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_MOUSEMOVE && m_tooltip.Handle()) m_tooltip.RelayEvent(msg);
    return Dialog::PreTranslateMessage(msg);
}

bool QuickCipherDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    CreateStrengthBar(Handle(), m_strengthBar);
    if (m_mode == kDecrypt) {
        for (ui::Edit* edit : {&m_confirmation, &m_hint}) {
            edit->Enable(false);
            edit->Show(SW_HIDE);
        }
        ShowWindow(Item(IDC_QUICK_VERIFY_LABEL), SW_HIDE);
        ShowWindow(Item(IDC_QUICK_HINT_LABEL), SW_HIDE);
        ResizeWindowBy(Item(IDC_QUICK_FRAME), -36, false);
        ResizeWindowBy(Handle(), -36, false);
        MoveChildBy(Handle(), Item(IDOK), -36, 0);
        MoveChildBy(Handle(), Item(IDCANCEL), -36, 0);
        ResizeWindowBy(m_password.Handle(), 160, true);
        m_strengthBar.Show(SW_HIDE);
        for (HWND child = GetWindow(Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            int id = GetDlgCtrlID(child);
            if (id == IDC_STRENGTH_BAR || id == IDC_PASSWORD_TIP) ShowWindow(child, SW_HIDE);
        }
        MoveChildBy(Handle(), Item(IDC_STRENGTH_LABEL), 0, -20);
    }
    m_confirmSetting = RegistryDword(VastrelSettingPath("SCM"), 0, 1);
    m_successMessageSetting = RegistryDword(VastrelSettingPath("SSO"), 0, 1);
    CreatePasswordAdviceTip(m_tooltip, Handle(), IDC_PASSWORD_TIP);
    return true;
}

void QuickCipherDlg::OnOK() {
    if (m_mode == kDecrypt) {
        DecryptSelectedFiles();
    } else if (ValidatePasswords(m_password.Text(), m_confirmation.Text())) {
        EncryptSelectedFiles();
    }
    EndDialog(IDOK);
}

void QuickCipherDlg::OnCancel() { Dialog::OnCancel(); }

void QuickCipherDlg::OnPasswordChange() {
    RatePasswordStrength(m_strengthBar, m_password.Text(), Item(IDC_STRENGTH_LABEL));
}

ProjectEntry* QuickCipherDlg::Entry(int position) {
    // A position the caller collected from a list that has changed since
    // names nothing: it is skipped.
    if (!m_scanner || position < 0 || static_cast<size_t>(position) >= m_scanner->files.size()) return nullptr;
    return &m_scanner->files[static_cast<size_t>(position)];
}

void QuickCipherDlg::EncryptSelectedFiles() {
    if (m_confirmSetting.Get() == 0 &&
        ui::AppMessageBox("Are you sure you would like to encrypt files?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    UpdateData(true);
    m_results.clear();
    int successes = 0, failures = 0;
    {
        ui::WaitCursor wait;
        FileRun run(FileRun::kEncrypt, m_password.Text(), true, m_obfuscate, m_hint.Text());
        ui::ListViewRef list(m_list ? m_list->Handle() : nullptr);
        for (int position : m_selection ? *m_selection : std::vector<int>()) {
            ProjectEntry* entry = Entry(position);
            if (!entry) continue;
            FileRun::Step step = run.Process(entry->path, m_shredder.get());
            const int r = step.result;
            if (r == 0 || r == CipherResult::kRenamedOld) {
                ++successes;
            } else {
                ++failures;
            }
            if (r == 0) UpdateRenamedListItem(entry->name, entry->path, step.path, list);
            // Every file, under the path the job left: a success under its new name.
            m_results[step.changed ? step.path : step.source] = step.Value();
        }
    }
    ShowOperationResult(&successes, &failures);
}

void QuickCipherDlg::DecryptSelectedFiles() {
    if (m_confirmSetting.Get() == 0 &&
        ui::AppMessageBox("Are you sure you would like to decrypt files?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    m_results.clear();
    int successes = 0, failures = 0;
    {
        ui::WaitCursor wait;
        FileRun run(FileRun::kDecrypt, m_password.Text(), true, m_obfuscate);
        ui::ListViewRef list(m_list ? m_list->Handle() : nullptr);
        for (int position : m_selection ? *m_selection : std::vector<int>()) {
            ProjectEntry* entry = Entry(position);
            if (!entry) continue;
            FileRun::Step step = run.Process(entry->path, nullptr);
            const int r = step.result;
            if (r == 0 || r == CipherResult::kRenamedOld) {
                ++successes;
            } else {
                ++failures;
            }
            // Decrypted (also beside a file renamed to ".old"): the row follows.
            if (step.changed) UpdateRenamedListItem(entry->name, entry->path, step.path, list);
            m_results[entry->path] = step.Value();
        }
    }
    ShowOperationResult(&successes, &failures);
}

void QuickCipherDlg::ShowOperationResult(int* successes, int* failures) {
    const char* format = m_mode == kEncrypt ? "%d Files were successfully encrypted. %d Files failed \n"
                                            : "%d Files were successfully decrypted. %d Files failed \n";
    char text[256];
    std::snprintf(text, sizeof text, format, *successes, *failures);
    if (m_summary) {
        OfferResultSummary(std::string(text) + "Would you like to view full details?", m_results);
    } else if (m_successMessageSetting.Get() == 0) {
        ui::AppMessageBox(text, MB_ICONINFORMATION);
    }
}
