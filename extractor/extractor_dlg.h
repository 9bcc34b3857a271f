#pragma once
// The self-extractor's one dialog: the recipient picks a folder, types the
// password and presses Extract; every file of the archive appended to this
// program is written into the folder and decrypted there.
#include <windows.h>

#include <map>
#include <string>

#include "core/registry_dword.h"
#include "core/sfx_archive.h"
#include "extractor/text_progress_ctrl.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "ui/summary_dlg.h"

class CExtractorDlg : public ui::Dialog {
public:
    explicit CExtractorDlg(HWND parent = nullptr);
    ~CExtractorDlg() override;

    // The archive to read; the program's own executable unless a caller
    // names another.
    void SetArchivePath(std::string path) { m_archivePath = std::move(path); }

    // The results of the last extraction, by path.
    const ResultMap& Results() const { return m_results; }

    // "..\" and the last 40 characters of a longer path.
    static std::string ShortenedPath(const std::string& path);

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnCancel() override;

private:
    LRESULT OnSysCommand(WPARAM w, LPARAM l);
    void OnPaint();
    void OnBrowse();
    void OnExtract();
    // The counts of one extraction, for the result box.
    struct Counts {
        int extracted = 0;
        int extractFailed = 0;
        int decrypted = 0;
        int decryptFailed = 0;
    };
    // Extracts and decrypts every entry; false when the inputs were refused.
    bool Extract(Counts& counts);
    // The result box and, when asked for, the summary.
    void ReportOutcome(const Counts& counts);
    void OnOverwriteClicked();
    void OnExit();
    void SetCurrentFile(const std::string& path);
    void EnableInputs(bool on);

    CSelfExtractor m_reader;
    ui::Button m_overwriteBox;
    ui::Edit m_password;
    CTextProgressCtrl m_progress;
    std::string m_folder = "c:\\temp";
    ResultMap m_results;
    RegistryDword m_summarySetting;
    bool m_offerSummary = true;
    bool m_overwrite = false;
    bool m_busy = false;
    HWND m_currentFile = nullptr;
    HICON m_icon = nullptr;
    HICON m_smallIcon = nullptr;
    std::string m_archivePath;
};
