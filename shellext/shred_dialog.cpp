#include "shellext/shred_dialog.h"

#include <cstdio>

#include "core/file_cipher.h"
#include "core/secure_delete.h"
#include "corvane/resource.h"
#include "framework/app.h"
#include "framework/prompts.h"
#include "platform/file.h"
#include "shellext/folder_walk.h"
#include "shellext/options_dlg.h"
#include "shellext/selection.h"

ShredDialog::ShredDialog(const std::vector<std::string>& paths, HWND parent)
    : Dialog(IDD_SHRED, parent), m_paths(paths) {
    OnCommand(IDC_SHRED_NOW, &ShredDialog::OnShredNow);
    OnCommand(IDC_SHRED_OPTIONS, &ShredDialog::OnOptions);
}

bool ShredDialog::OnInitDialog() {
    char text[64];
    std::snprintf(text, sizeof text, "Number of files to shred: %d", static_cast<int>(m_paths.size()));
    ui::WindowRef(Item(IDC_SHRED_COUNT)).SetText(text);
    Dialog::OnInitDialog();
    m_progress = ui::ProgressBarRef(Item(IDC_SHRED_PROGRESS));
    return true;
}

void ShredDialog::OnOK() {
    if (!m_busy) Dialog::OnOK();
}

void ShredDialog::OnCancel() {
    if (!m_busy) Dialog::OnCancel();
}

void ShredDialog::OnOptions() {
    if (m_busy) return;
    OptionsDlg options(nullptr);
    options.DoModal();
}

void ShredDialog::OnShredNow() {
    if (m_busy) return;
    if (ui::MessageBoxFor(m_hwnd, "Shredding files cannot be undone! Are you sure you want to continue?", "Vastrel 2",
                          MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
        return;
    }
    // One run per dialog.
    ui::WindowRef(Item(IDC_SHRED_NOW)).Enable(false);
    ui::WindowRef(Item(IDC_SHRED_CAPTION)).Show(SW_SHOW);
    {
        ui::WaitCursor wait;
        ShredSelection();
    }
    ui::WindowRef(Item(IDC_SHRED_CAPTION)).SetText("Shredding complete");
    // The run never says "complete" over files that are still there.
    std::string left;
    char text[160];
    if (!m_failed.empty()) {
        std::snprintf(text, sizeof text, "%d file(s) could not be shredded and are still in place.",
                      static_cast<int>(m_failed.size()));
        left = text;
    }
    if (!m_overwritten.empty()) {
        std::snprintf(text, sizeof text, "%d file(s) were overwritten but could not be removed.",
                      static_cast<int>(m_overwritten.size()));
        left += (left.empty() ? "" : "\n") + std::string(text);
    }
    if (!left.empty()) ui::MessageBoxFor(m_hwnd, left, "Vastrel 2", MB_ICONEXCLAMATION);
}

void ShredDialog::SetProgressCaption(const std::string& prefix, const std::string& name) {
    ui::WindowRef(Item(IDC_SHRED_CAPTION)).SetText(ProgressCaption(prefix, name));
}

void ShredDialog::ShredOne(CSecureDelete& shredder, const std::string& path) {
    ShredOutcome shredded = ShredOutcome::kUntouched;
    try {
        // Shredding a link would overwrite whatever it leads to.
        if (!platform::IsLink(path)) shredded = shredder.Shred(path);
    } catch (...) {
    }
    if (shredded == ShredOutcome::kOverwritten) m_overwritten.push_back(path);
    else if (shredded == ShredOutcome::kUntouched) m_failed.push_back(path);
}

void ShredDialog::ShredSelection() {
    m_busy = true;
    m_failed.clear();
    m_overwritten.clear();
    try {
        CSecureDelete shredder;
        ui::WindowRef(Item(IDOK)).Enable(false);
        ui::WindowRef(Item(IDC_SHRED_OPTIONS)).Enable(false);
        int upper = static_cast<int>(m_paths.size());
        m_progress.SetRange32(0, upper);
        m_progress.SetStep(1);
        m_progress.SetPos(0);
        m_progress.Show(SW_SHOW);
        for (const std::string& path : m_paths) {
            if (IsFolder(path)) {
                std::vector<ProjectEntry> files;
                std::vector<SkippedPath> skipped;
                if (!CollectFolderFiles(path, files, skipped)) {
                    // A link to a folder elsewhere: its files were not selected.
                    m_failed.push_back(path);
                } else {
                    // Links inside stay as they are; folders that could not
                    // be listed may still hold files.
                    for (const SkippedPath& item : skipped) {
                        if (item.reason != SkippedPath::kLink) m_failed.push_back(item.path);
                    }
                    upper += static_cast<int>(files.size());
                    m_progress.SetRange32(0, upper);
                    for (const ProjectEntry& file : files) {
                        SetProgressCaption("Shredding: ", file.name);
                        ShredOne(shredder, file.path);
                        m_progress.StepIt();
                        Vastrel2::CIPHER::PumpMessages();
                    }
                }
            } else {
                ui::WindowRef(Item(IDC_SHRED_CAPTION)).SetText(path);
                ShredOne(shredder, path);
            }
            m_progress.StepIt();
            Vastrel2::CIPHER::PumpMessages();
        }
    } catch (...) {
        ui::TraceError("ShredSelection", nullptr);
    }
    m_progress.Show(SW_HIDE);
    ui::WindowRef(Item(IDC_SHRED_OPTIONS)).Enable(true);
    ui::WindowRef(Item(IDOK)).Enable(true);
    m_busy = false;
}
