#pragma once
// The dialog of the menu's encrypt, decrypt and create-self-extracting-file
// verbs: a password (and, to encrypt, its confirmation and a hint), then a
// run over the selection on the calling thread with a progress bar, a
// caption naming the file in work, and a closing report. Selected folders
// are walked with all their subfolders.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/dir_read.h"
#include "core/registry_dword.h"
#include "core/secure_delete.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "ui/file_run.h"
#include "ui/gradient_zone_bar.h"
#include "ui/summary_dlg.h"

class QuickEncryptDlg : public ui::Dialog {
public:
    enum Mode { kEncrypt = 0, kDecrypt = 1, kSelfExtractor = 2 };

    // The paths are not copied: they must outlive the dialog.
    QuickEncryptDlg(const std::vector<std::string>& paths, int mode, HWND parent = nullptr);
    ~QuickEncryptDlg() override;

    bool PreTranslateMessage(MSG* msg) override;

    // What the last run recorded (failures only; with the summary setting on).
    const ResultMap& Results() const { return m_results; }

protected:
    bool OnInitDialog() override;
    // The action button (and Enter): checks the password and runs; ignored
    // while a run is busy.
    void OnOK() override;
    // Esc and the close box: ignored while a run is busy.
    void OnCancel() override;

private:
    // A run's counts of files done and files failed.
    struct Tally {
        int successes = 0;
        int failures = 0;
    };

    void OnExit();
    void OnToggleDestroy() { m_destroyOriginals = !m_destroyOriginals; }
    void OnPasswordChange();
    void ArrangeForMode();

    void EncryptSelection();
    void DecryptSelection();
    // Encryption and decryption share the loop.
    void RunSelection(FileRun::Mode mode, const std::string& prefix);
    void CreateSelfExtractor();
    bool ChooseOutput(std::string& output);
    // Shreds the plain files whose encrypted copies are in the archive;
    // returns those still there afterwards.
    std::vector<std::string> ShredFileList(const std::vector<std::string>& paths);

    // One file's result into the tally (and, on failure with the summary
    // setting on, into the results).
    void Count(Tally& tally, const std::string& path, int result, const std::string& value);
    void Record(const std::string& path, const std::string& value);
    // What a folder walk left out, into the tally and the results.
    void CountSkipped(Tally& tally, const std::vector<SkippedPath>& skipped);
    // Hands each file below a selected folder to `each`, a progress step
    // apiece; a selected link and what the walk leaves out are counted.
    void ForEachFileBelow(Tally& tally, const std::string& folder, const std::string& prefix,
                          const std::function<void(const ProjectEntry&)>& each);
    // The closing report, led by the plain originals that are still there.
    void ReportResults(const Tally& tally, const std::vector<std::string>& notDestroyed = {});
    void SetProgressCaption(const std::string& prefix, const std::string& path);
    // Before and after a run: buttons, progress bar and caption.
    void BeginRun(int steps);
    void EndRun();
    void Step();
    void Widen(int extra);

    const std::vector<std::string>& m_paths;
    int m_mode;
    ResultMap m_results;
    RegistryDword m_obfuscate;
    RegistryDword m_summary;
    RegistryDword m_scm;
    RegistryDword m_sso;
    bool m_summaryFlag = false;
    bool m_obfuscateFlag = false;
    bool m_destroyOriginals = false;
    bool m_busy = false;
    int m_upper = 0;
    std::unique_ptr<CSecureDelete> m_shredder;
    CXGradientZoneBar m_strengthBar;
    ui::ToolTip m_tip;
    ui::ProgressBarRef m_progress;
};
