#include "shellext/options_dlg.h"

#include <commctrl.h>

#include "core/cipher_settings.h"
#include "corvane/resource.h"
#include "ui/dialog_helpers.h"
#include "ui/option_tips.h"

namespace {

const char kMd5Tip[] =
    "MD5: Use this algorithm for 128 bit passwords.\n\nIn 1996, a flaw was found with the design of MD5; while it "
    "was\nnot a clearly fatal weakness, cryptographers began to recommend\nusing other algorithms. In 2004, more "
    "serious flaws were discovered\nmaking further use of the algorithm for security purposes questionable.\n\n";

// How much taller the dialog is with its advanced part shown, in pixels.
constexpr int kAdvancedHeight = 180;

void FillBox(ui::ComboBoxRef box, const std::map<int, std::string>& names, uint32_t current) {
    for (const auto& [id, name] : names) {
        int index = box.AddString(name);
        if (index < 0) continue;
        box.SetItemData(index, static_cast<DWORD_PTR>(id));
        if (static_cast<uint32_t>(id) == current) box.SetCurSel(index);
    }
}

}  // namespace

OptionsDlg::OptionsDlg(HWND parent)
    : Dialog(IDD_OPTIONS, parent),
      m_obfuscate(VastrelSettingPath("Obfuscate"), 0, 1),
      m_summary(VastrelSettingPath("Summary"), 0, 1),
      m_scm(VastrelSettingPath("SCM"), 0, 1),
      m_sso(VastrelSettingPath("SSO"), 0, 1),
      m_hash(RegistryDword::GetHashTypeSetting()),
      m_cipher(RegistryDword::GetCipherSetting()) {
    OnCommand(IDC_OPT_OBFUSCATE, [this] { ToggleSwitch(m_obfuscate); });
    OnCommand(IDC_OPT_SUMMARY, [this] { ToggleSwitch(m_summary); });
    OnCommand(IDC_OPT_SUCCESS, [this] { ToggleSwitch(m_sso); });
    OnCommand(IDC_OPT_CONFIRM, [this] { ToggleSwitch(m_scm); });
    OnCommand(IDC_OPT_ADVANCED, &OptionsDlg::OnToggleAdvanced);
    OnCommand(IDC_OPT_HASH, CBN_SELCHANGE, &OptionsDlg::UpdateHashTip);
}

OptionsDlg::~OptionsDlg() {
    // The controls' handlers must not outlive the members they use.
    DestroyWindow();
}

bool OptionsDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    // A switch is on (checked) when it holds 0.
    const std::pair<int, RegistryDword*> switches[] = {
        {IDC_OPT_OBFUSCATE, &m_obfuscate}, {IDC_OPT_SUMMARY, &m_summary}, {IDC_OPT_CONFIRM, &m_scm},
        {IDC_OPT_SUCCESS, &m_sso}};
    for (const auto& [id, setting] : switches) {
        ui::ButtonRef(Item(id)).SetCheck(setting->Get() == 0 ? BST_CHECKED : BST_UNCHECKED);
    }

    m_shredder = std::make_unique<CSecureDelete>();
    m_passes = ui::SliderRef(Item(IDC_OPT_PASSES));
    m_passes.SetRange(1, 16, false);
    m_passes.SetPos(m_shredder->GetPasses());

    m_cipherBox = ui::ComboBoxRef(Item(IDC_OPT_CIPHER));
    m_hashBox = ui::ComboBoxRef(Item(IDC_OPT_HASH));
    FillBox(m_cipherBox, Vastrel2::CIPHER::BuildCipherNames(), m_cipher.Get());
    FillBox(m_hashBox, Vastrel2::CIPHER::BuildHashNames(), m_hash.Get());

    m_advancedShown = false;
    ApplyAdvanced();

    if (m_tip.Create(m_hwnd, true)) {
        m_tip.SetDelayTime(TTDT_AUTOPOP, 16960);
        m_tip.SetMaxTipWidth(640);
        if (SetToolTipTitle(m_tip.Handle(), TTI_INFO, "Vastrel 2") != 0) {
            m_tip.AddTool(Item(IDC_OPT_OBFUSCATE), ui::kObfuscateTip);
            m_tip.AddTool(Item(IDC_OPT_CIPHER), ui::kBlowfishTip);
            m_tip.AddTool(Item(IDC_OPT_HASH), "0");
            m_tip.AddTool(Item(IDC_OPT_PASSES), ui::kShredPassesTip);
        }
    }
    UpdateHashTip();
    return true;
}

void OptionsDlg::ToggleSwitch(RegistryDword& setting) {
    setting.Set(setting.Get() == 0 ? 1 : 0);
    setting.Write();
}

void OptionsDlg::OnToggleAdvanced() {
    m_advancedShown = !m_advancedShown;
    ApplyAdvanced();
}

void OptionsDlg::ApplyAdvanced() {
    int delta = m_advancedShown ? kAdvancedHeight : -kAdvancedHeight;
    ResizeWindowBy(m_hwnd, delta, false);
    MoveChildBy(m_hwnd, Item(IDOK), delta, 0);
    MoveChildBy(m_hwnd, Item(IDCANCEL), delta, 0);
    ui::WindowRef(Item(IDC_OPT_ADVANCED_LABEL)).SetText(m_advancedShown ? "Hide Advanced" : "Show Advanced");
    ui::WindowRef(Item(IDC_OPT_ADVANCED)).SetText(m_advancedShown ? "<<" : ">>");
}

uint32_t OptionsDlg::SelectedId(ui::ComboBoxRef box, uint32_t fallback) {
    int index = box.GetCurSel();
    if (index < 0) return fallback;
    DWORD_PTR id = box.GetItemData(index);
    return id == static_cast<DWORD_PTR>(CB_ERR) ? fallback : static_cast<uint32_t>(id);
}

void OptionsDlg::UpdateHashTip() {
    if (!m_tip.Handle()) return;
    const char* text = "";
    if (m_hashBox.GetCurSel() >= 0) {
        switch (SelectedId(m_hashBox, 0xFFFFFFFFu)) {
            case Vastrel2::CIPHER::CipherSettings::kHashMD5: text = kMd5Tip; break;
            case Vastrel2::CIPHER::CipherSettings::kHashSHA256: text = ui::kSha256Tip; break;
            default: break;
        }
    }
    m_tip.UpdateTipText(text, Item(IDC_OPT_HASH));
}

void OptionsDlg::OnOK() {
    if (m_shredder) m_shredder->SetPasses(m_passes.GetPos());
    // A list without selection (its stored id named no entry) stores the
    // default: a stored id always names an entry.
    m_hash.Set(SelectedId(m_hashBox, Vastrel2::CIPHER::CipherSettings::kHashSHA256));
    m_hash.Write();
    m_cipher.Set(SelectedId(m_cipherBox, Vastrel2::CIPHER::CipherSettings::kBlowfish));
    m_cipher.Write();
    EndDialog(IDOK);
}

bool OptionsDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_MOUSEMOVE && m_tip.Handle()) m_tip.RelayEvent(msg);
    bool ours = msg->hwnd && (msg->hwnd == m_hwnd || IsChild(m_hwnd, msg->hwnd));
    if (!ours) return Dialog::PreTranslateMessage(msg);
    // Enter and Esc go to the control as keys: neither saves nor cancels.
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        TranslateMessage(msg);
        DispatchMessageA(msg);
        return true;
    }
    if (msg->message == WM_SYSCOMMAND) return true;
    return Dialog::PreTranslateMessage(msg);
}
