#include "app/properties_dlg.h"

#include <commctrl.h>

#include "app/main_settings.h"
#include "core/cipher_settings.h"
#include "core/secure_delete.h"
#include "ui/dialog_helpers.h"
#include "ui/option_tips.h"
#include "vastrel/resource.h"

using Vastrel2::CIPHER::CipherSettings;

namespace {

const char kMd5Help[] =
    "MD5: Use this algorithm for 128 bit passwords.\n\n"
    "In 1996, a flaw was found with the design of MD5; while it was\n"
    "not a clear fatal weakness, cryptographers began to recommend\n"
    "using other algorithms. In 2004, more serious flaws were discovered\n"
    "making further use of the algorithm for security purposes questionable.\n\n";

}  // namespace

Propertiesdlg::Propertiesdlg(CSecureDelete* shredder, MainSettings* settings, HWND parent)
    : Dialog(IDD_OPTIONS, parent), m_shredder(shredder), m_settings(settings) {
    OnCommand(IDC_TOGGLE_ADVANCED, BN_CLICKED, &Propertiesdlg::OnAdvancedClicked);
    OnCommand(IDC_HASH_LIST, CBN_SELCHANGE, &Propertiesdlg::ShowHashHelp);
}

void Propertiesdlg::DoDataExchange(ui::DataExchange& dx) {
    dx.Control(IDC_SHRED_PASSES, m_slider);
    dx.Slider(IDC_SHRED_PASSES, m_sliderPos);
    dx.Control(IDC_CIPHER_LIST, m_cipherList);
    dx.Control(IDC_HASH_LIST, m_hashList);
}

bool Propertiesdlg::OnInitDialog() {
    Dialog::OnInitDialog();
    m_slider.SetRange(1, 16, false);
    m_slider.SetPos(m_shredder ? m_shredder->GetPasses() : 1);

    auto check = [this](int id, bool on) { ui::ButtonRef(Item(id)).SetCheck(on ? BST_CHECKED : BST_UNCHECKED); };
    if (m_settings) {
        check(IDC_OPTION_OBFUSCATE, m_settings->obfuscateOn);
        check(IDC_OPTION_SUMMARY, m_settings->summaryOn);
        check(IDC_OPTION_SUCCESS, m_settings->successMessageOn);
        check(IDC_OPTION_CONFIRM, m_settings->confirmOn);
        check(IDC_OPTION_REMOVE_WARNING, m_settings->SWWD.Get() == 0);
        check(IDC_OPTION_AUTO_UPDATE, m_settings->autoUpdateOn);
    }

    m_hashSetting = RegistryDword::GetHashTypeSetting();
    m_cipherSetting = RegistryDword::GetCipherSetting();
    FillList(m_cipherList, Vastrel2::CIPHER::BuildCipherNames(), m_cipherSetting.Get(), CipherSettings::kBlowfish);
    FillList(m_hashList, Vastrel2::CIPHER::BuildHashNames(), m_hashSetting.Get(), CipherSettings::kHashSHA256);

    m_advancedShown = false;
    ToggleAdvancedOptions();

    if (m_tooltip.Create(Handle(), true)) {
        m_tooltip.SetDelayTime(TTDT_AUTOPOP, 16960);
        // The texts hold line breaks of their own.
        m_tooltip.SetMaxTipWidth(800);
        if (SetToolTipTitle(m_tooltip.Handle(), TTI_INFO, "Vastrel 2") != 0) {
            m_tooltip.AddTool(Item(IDC_OPTION_OBFUSCATE), ui::kObfuscateTip);
            m_tooltip.AddTool(Item(IDC_CIPHER_LIST), ui::kBlowfishTip);
            m_tooltip.AddTool(Item(IDC_HASH_LIST), "0");
            m_tooltip.AddTool(Item(IDC_SHRED_PASSES), ui::kShredPassesTip);
        }
    }
    ShowHashHelp();
    return true;
}

void Propertiesdlg::FillList(ui::ComboBox& list, const std::map<int, std::string>& names, uint32_t stored,
                             int fallback) {
    int selected = CB_ERR;
    int standard = CB_ERR;
    for (const auto& entry : names) {
        // The id goes with the index the text got in the sorted list.
        int index = list.AddString(entry.second);
        if (index >= 0) list.SetItemData(index, static_cast<DWORD_PTR>(entry.first));
    }
    // Entries added later may move earlier ones down: the selection is
    // looked up by id once the list is full.
    for (int i = 0; i < list.GetCount(); ++i) {
        DWORD_PTR id = list.GetItemData(i);
        if (id == static_cast<DWORD_PTR>(stored)) selected = i;
        if (id == static_cast<DWORD_PTR>(fallback)) standard = i;
    }
    // A stored id that names nothing offered selects the default entry, so
    // Save never stores an id without a name.
    list.SetCurSel(selected != CB_ERR ? selected : standard);
}

bool Propertiesdlg::SelectedId(const ui::ComboBox& list, uint32_t& id) {
    int index = list.GetCurSel();
    if (index == CB_ERR) return false;
    DWORD_PTR data = list.GetItemData(index);
    if (data == static_cast<DWORD_PTR>(CB_ERR)) return false;
    id = static_cast<uint32_t>(data);
    return true;
}

void Propertiesdlg::OnAdvancedClicked() {
    m_advancedShown = !m_advancedShown;
    ToggleAdvancedOptions();
}

void Propertiesdlg::ToggleAdvancedOptions() {
    int delta = m_advancedShown ? kAdvancedHeight : -kAdvancedHeight;
    ResizeWindowBy(Handle(), delta, false);
    MoveChildBy(Handle(), Item(IDOK), delta, 0);
    MoveChildBy(Handle(), Item(IDCANCEL), delta, 0);
    ui::WindowRef(Item(IDC_ADVANCED_CAPTION)).SetText(m_advancedShown ? "Hide Advanced" : "Show Advanced");
    ui::WindowRef(Item(IDC_TOGGLE_ADVANCED)).SetText(m_advancedShown ? "<<" : ">>");
}

void Propertiesdlg::ShowHashHelp() {
    if (!m_tooltip.Handle()) return;
    uint32_t id = 0;
    const char* text = "";
    if (SelectedId(m_hashList, id)) {
        if (id == CipherSettings::kHashMD5) text = kMd5Help;
        if (id == CipherSettings::kHashSHA256) text = ui::kSha256Tip;
    }
    m_tooltip.UpdateTipText(text, Item(IDC_HASH_LIST));
}

bool Propertiesdlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_MOUSEMOVE && m_tooltip.Handle()) {
        m_tooltip.RelayEvent(msg);
    } else if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        // Enter and Esc reach the control they were typed in, never the
        // dialog's Save or Cancel.
        TranslateMessage(msg);
        DispatchMessageA(msg);
        return true;
    } else if (msg->message == WM_SYSCOMMAND) {
        return true;
    }
    return Dialog::PreTranslateMessage(msg);
}

void Propertiesdlg::OnOK() {
    int passes = m_slider.GetPos();
    if (m_shredder) m_shredder->SetPasses(passes);

    if (m_settings) {
        auto store = [this](int id, bool& on, RegistryDword& value) {
            on = ui::ButtonRef(Item(id)).GetCheck() == BST_CHECKED;
            value.Set(on ? 0 : 1);
            value.Write();
        };
        store(IDC_OPTION_OBFUSCATE, m_settings->obfuscateOn, m_settings->Obfuscate);
        store(IDC_OPTION_SUMMARY, m_settings->summaryOn, m_settings->Summary);
        store(IDC_OPTION_SUCCESS, m_settings->successMessageOn, m_settings->SSO);
        store(IDC_OPTION_CONFIRM, m_settings->confirmOn, m_settings->SCM);
        store(IDC_OPTION_AUTO_UPDATE, m_settings->autoUpdateOn, m_settings->AutoUpdate);
        m_settings->SWWD.Set(ui::ButtonRef(Item(IDC_OPTION_REMOVE_WARNING)).GetCheck() == BST_CHECKED ? 0 : 1);
        m_settings->SWWD.Write();
    }

    uint32_t hash = 0, cipher = 0;
    bool hashChosen = SelectedId(m_hashList, hash);
    bool cipherChosen = SelectedId(m_cipherList, cipher);
    if (hashChosen) m_hashSetting.Set(hash);
    if (cipherChosen) m_cipherSetting.Set(cipher);
    if (hashChosen) m_hashSetting.Write();
    if (cipherChosen) m_cipherSetting.Write();
    Dialog::OnOK();
}
