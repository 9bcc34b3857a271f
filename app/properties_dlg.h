#pragma once
// The options dialog: the main window's switches, the shredder's number of
// passes and the cipher and digest of new encryptions. Nothing is stored
// until Save, which stores every value at once. The advanced half
// (algorithms and shredder) opens folded away and is shown with a toggle.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "core/registry_dword.h"
#include "framework/controls.h"
#include "framework/dialog.h"

class CSecureDelete;
struct MainSettings;

class Propertiesdlg : public ui::Dialog {
public:
    // The shredder and the settings record are the main window's.
    Propertiesdlg(CSecureDelete* shredder, MainSettings* settings, HWND parent = nullptr);

    // The window's height changes by this many pixels when the advanced
    // half is folded or shown.
    static constexpr int kAdvancedHeight = 214;

    bool PreTranslateMessage(MSG* msg) override;
    bool AdvancedShown() const { return m_advancedShown; }

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void OnAdvancedClicked();
    void ToggleAdvancedOptions();
    void ShowHashHelp();
    // Fills a list with the names, keeping each id with its text, and
    // selects the entry of the stored id, else (an id that names nothing
    // offered) the one of the fallback id.
    void FillList(ui::ComboBox& list, const std::map<int, std::string>& names, uint32_t stored, int fallback);
    // The id kept with the list's selection; false when nothing is selected.
    static bool SelectedId(const ui::ComboBox& list, uint32_t& id);

    ui::Slider m_slider;
    int m_sliderPos = 1;
    CSecureDelete* m_shredder;
    MainSettings* m_settings;
    RegistryDword m_hashSetting;
    RegistryDword m_cipherSetting;
    bool m_advancedShown = false;
    ui::ToolTip m_tooltip;
    ui::ComboBox m_cipherList;
    ui::ComboBox m_hashList;
};
