#pragma once
// Encrypts or decrypts the selected rows of the project: the positions are
// entry indices (row i shows entry i), taken in row order. The whole run
// happens in the OK button's handler, without a progress window; OK runs
// at most once and always closes the dialog.
#include <windows.h>

#include <memory>
#include <vector>

#include "core/dir_read.h"
#include "core/registry_dword.h"
#include "core/secure_delete.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "ui/gradient_zone_bar.h"
#include "ui/summary_dlg.h"

class QuickCipherDlg : public ui::Dialog {
public:
    static constexpr UINT kTemplateId = 160;
    enum Mode { kEncrypt = 0, kDecrypt = 1 };

    // mode 0 encrypts, 1 decrypts. A position outside the scanner's entries
    // is skipped.
    QuickCipherDlg(std::vector<int>* selection, ui::ListView* list, CSADirRead* scanner, int mode, bool obfuscate,
                   bool summary, HWND parent = nullptr);
    ~QuickCipherDlg() override;

    const ResultMap& Results() const { return m_results; }

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
    bool PreTranslateMessage(MSG* msg) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnPasswordChange();

    void EncryptSelectedFiles();
    void DecryptSelectedFiles();
    void ShowOperationResult(int* successes, int* failures);

private:
    ProjectEntry* Entry(int position);

    ui::Edit m_confirmation;
    ui::Edit m_hint;
    ui::Edit m_password;
    std::vector<int>* m_selection;
    ui::ListView* m_list;
    CSADirRead* m_scanner;
    int m_mode;
    ResultMap m_results;
    bool m_obfuscate;
    bool m_summary;
    RegistryDword m_confirmSetting;
    RegistryDword m_successMessageSetting;
    std::unique_ptr<CSecureDelete> m_shredder;
    CXGradientZoneBar m_strengthBar;
    ui::ToolTip m_tooltip;
};
