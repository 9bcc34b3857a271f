#pragma once
// Packs the project's files, encrypted, into a self-extracting program: each
// file is encrypted into a temporary ".~enc" file, the temporary files go
// into the archive behind the Extractor program, and are removed again. The
// plain files stay unless the user asked to destroy them, confirms it, and
// the archive was written in full; then *destroyed is set when every one of
// them is gone, and the main window empties the project.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/dir_read.h"
#include "core/sfx_archive.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "ui/archive_progress.h"
#include "ui/gradient_zone_bar.h"
#include "ui/progress_wnd.h"
#include "ui/summary_dlg.h"

class CSelfextractorDlg : public ui::Dialog {
public:
    CSelfextractorDlg(int fileCount, uint32_t sizeLow, uint32_t sizeHigh, ui::ListView* list, CSADirRead* scanner,
                      bool obfuscate, bool summary, bool* destroyed, HWND parent);
    ~CSelfextractorDlg() override;

    const ResultMap& Results() const { return m_results; }
    CProgressWnd& Progress() { return m_progress; }

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
    bool OnInitDialog() override;
    bool PreTranslateMessage(MSG* msg) override;
    // Enter, Esc and the close box do nothing while a run is busy.
    void OnOK() override;
    void OnCancel() override;

private:
    void OnCreateArchive();
    void OnCancelButton();
    void ToggleDestroyOriginals();
    void OnPasswordChange();
    void CreateSelfExtractor();
    // Destroys the plain files of the archive; the ones still there are returned.
    std::vector<std::string> DestroyOriginals(const std::vector<std::string>& originals);
    void ShowOperationResult(int* successes, int* failures, const std::vector<std::string>& notDestroyed);

    ui::Button m_destroyBox;
    ui::Edit m_hint;
    ui::Edit m_confirm;
    ui::Edit m_password;
    uint32_t m_sizeLow;
    uint32_t m_sizeHigh;
    int m_fileCount;
    CProgressWnd m_progress;
    bool m_busy = false;
    bool m_processReadOnly = true;
    bool m_obfuscate;
    bool m_summary;
    CSADirRead* m_scanner;
    std::string m_outputPath;
    CSelfExtractor m_writer;
    bool m_destroyOriginals = false;
    bool* m_destroyed;
    CXGradientZoneBar m_strengthBar;
    ui::ToolTip m_tooltip;
    ResultMap m_results;
};
