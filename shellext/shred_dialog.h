#pragma once
// The plug-in's shredder: shows how many paths were selected, asks once,
// then overwrites and deletes every selected file and every file below
// every selected folder. The folders themselves stay.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/dialog.h"

class ShredDialog : public ui::Dialog {
public:
    // The paths are not copied: they must outlive the dialog.
    explicit ShredDialog(const std::vector<std::string>& paths, HWND parent = nullptr);

    // The files of the last run that could not be shredded: still there as
    // they were.
    const std::vector<std::string>& Failed() const { return m_failed; }
    // The files of the last run that were overwritten but are still there.
    const std::vector<std::string>& Overwritten() const { return m_overwritten; }

protected:
    bool OnInitDialog() override;
    // "Exit", Enter, Esc and the close box: ignored while the run is busy.
    void OnOK() override;
    void OnCancel() override;

private:
    void OnShredNow();
    void OnOptions();
    void ShredSelection();
    void ShredOne(class CSecureDelete& shredder, const std::string& path);
    void SetProgressCaption(const std::string& prefix, const std::string& name);

    const std::vector<std::string>& m_paths;
    std::vector<std::string> m_failed;
    std::vector<std::string> m_overwritten;
    bool m_busy = false;
    ui::ProgressBarRef m_progress;
};
