#include "app/auto_update_permission_dlg.h"

#include "app/main_settings.h"
#include "framework/controls.h"
#include "ui/update_check.h"
#include "vastrel/resource.h"

AutoUpdatePermissionDlg::AutoUpdatePermissionDlg(MainSettings* settings, HWND parent)
    : Dialog(IDD_AUTO_UPDATE, parent), updateUrl(Vastrel2::Utils::kUpdateTextUrl), m_settings(settings) {
    OnCommand(IDC_UPDATE_CHECK_NOW, BN_CLICKED, [this] { m_choice = kCheckNow; });
    OnCommand(IDC_UPDATE_DONT_CHECK, BN_CLICKED, [this] { m_choice = kDontCheck; });
    OnCommand(IDC_UPDATE_TURN_OFF, BN_CLICKED, [this] { m_choice = kTurnOff; });
}

bool AutoUpdatePermissionDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    ui::ButtonRef(Item(IDC_UPDATE_CHECK_NOW)).SetCheck(BST_CHECKED);
    return true;
}

void AutoUpdatePermissionDlg::OnOK() {
    if (m_choice == kTurnOff && m_settings) {
        m_settings->AutoUpdate.Set(1);
        m_settings->AutoUpdate.Write();
        // The Options dialog of this run shows and stores the same state.
        m_settings->autoUpdateOn = false;
    } else if (m_choice == kCheckNow) {
        Vastrel2::Utils::CUpdateCheck check;
        check.CheckForUpdate(updateUrl, TRUE);
    }
    Dialog::OnOK();
}
