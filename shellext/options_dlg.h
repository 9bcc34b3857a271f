#pragma once
// The plug-in's options: the four behaviour switches (written the moment
// they are clicked), and behind ">>" the shredder's pass count and the
// cipher and hash of new encrypted files (written by "Save").
#include <windows.h>

#include <memory>

#include "core/registry_dword.h"
#include "core/secure_delete.h"
#include "framework/controls.h"
#include "framework/dialog.h"

class OptionsDlg : public ui::Dialog {
public:
    explicit OptionsDlg(HWND parent = nullptr);
    ~OptionsDlg() override;

    bool PreTranslateMessage(MSG* msg) override;

protected:
    bool OnInitDialog() override;
    // "Save": the pass count, then "key" and "cipher"; then the dialog closes.
    void OnOK() override;

private:
    // Stores the logical negation of the switch's stored value at once.
    void ToggleSwitch(RegistryDword& setting);
    void OnToggleAdvanced();
    void ApplyAdvanced();
    void UpdateHashTip();
    // The id of the box's selection; the fallback when nothing is selected.
    static uint32_t SelectedId(ui::ComboBoxRef box, uint32_t fallback);

    RegistryDword m_obfuscate;
    RegistryDword m_summary;
    RegistryDword m_scm;
    RegistryDword m_sso;
    RegistryDword m_hash;
    RegistryDword m_cipher;
    std::unique_ptr<CSecureDelete> m_shredder;
    bool m_advancedShown = false;
    ui::SliderRef m_passes;
    ui::ComboBoxRef m_cipherBox;
    ui::ComboBoxRef m_hashBox;
    ui::ToolTip m_tip;
};

