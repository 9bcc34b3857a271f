#pragma once
// Encrypts or decrypts every file of the project with one password and hint.
// The main window makes it on the heap, runs it modally and deletes it; the
// list and the scanner stay the main window's (row i of the list shows entry
// i of the scanner, and the dialog keeps them in step when it renames files).
//
// The run happens on the window's thread: a progress window with a Cancel
// button, the messages let through between files, and a report at the end
// that can open the result summary.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/dir_read.h"
#include "core/registry_dword.h"
#include "core/secure_delete.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "ui/gradient_zone_bar.h"
#include "ui/progress_wnd.h"
#include "ui/summary_dlg.h"

class FileRun;

class CEncryptionDlg : public ui::Dialog {
public:
    static constexpr UINT kTemplateId = 133;
    enum Mode { kEncrypt = 0, kDecrypt = 1 };

    // mode 0 encrypts, 1 decrypts.
    CEncryptionDlg(int fileCount, uint32_t sizeLow, uint32_t sizeHigh, ui::ListView* list, CSADirRead* scanner,
                   int mode, bool obfuscate, bool summary, HWND parent);
    ~CEncryptionDlg() override;

    // The results of the last run (filled only when the summary is offered).
    const ResultMap& Results() const { return m_results; }
    bool Busy() const { return m_busy; }

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
    bool PreTranslateMessage(MSG* msg) override;
    bool OnInitDialog() override;
    // Nothing while a run is busy. Encrypting: the password rule, then the
    // run; decrypting: the run at once.
    void OnOK() override;
    // Nothing while a run is busy.
    void OnCancel() override;

    void OnReadOnlyClicked();
    BOOL OnHelpInfo();
    void OnPasswordChange();

    void EncryptProjectFiles();
    void DecryptProjectFiles();
    void ShowOperationResult(int* successes, int* failures);

private:
    // A file this run encrypted: its entry, its plain original's path, and
    // what the shredder did to that original.
    struct Encrypted {
        size_t entry;
        std::string original;
        bool originalLeft;         // still there as it was
        bool originalOverwritten;  // overwritten, but not shown to be gone
        ShredRemnant remnant;      // with originalOverwritten: where, and which file
    };
    // After a cancel: asks whether to undo, and does.
    void OfferUndo(std::vector<Encrypted>& done, const std::string& password, int canceled, int& successes);
    void UndoEncryption(std::vector<Encrypted>& done, const std::string& password, int& successes);
    // An undone file's original is no longer left over.
    void ForgetOriginalLeft(const std::string& original);
    void FoldForDecryption();
    ProjectEntry* Entry(size_t index);

    ui::Edit m_hint;
    ui::Button m_readOnly;
    ui::Edit m_confirmation;
    ui::Edit m_password;
    CSADirRead* m_scanner;
    uint64_t m_totalSize;
    int m_fileCount;
    int m_mode;
    CProgressWnd m_progress;
    bool m_busy = false;
    ui::ListView* m_list;
    bool m_processReadOnly = true;
    ResultMap m_results;
    // The plain originals an encryption run left on the disk: each one's
    // path and how the report names it.
    std::vector<std::pair<std::string, std::string>> m_originalsLeft;
    bool m_obfuscate;
    bool m_summary;
    std::unique_ptr<CSecureDelete> m_shredder;
    RegistryDword m_confirmSetting;
    RegistryDword m_successMessageSetting;
    CXGradientZoneBar m_strengthBar;
    ui::ToolTip m_tooltip;
};
