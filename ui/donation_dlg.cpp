#include "ui/donation_dlg.h"

#include "core/registry_dword.h"
#include "ui/help_launcher.h"

CDonationDlg::CDonationDlg(HWND parent, UINT templateId) : Dialog(templateId, parent) {
    OnCommand(IDOK, &CDonationDlg::OnOkButton);
}

bool CDonationDlg::OnInitDialog() {
    m_neverAgain = ui::ButtonRef(Item(kNeverAgainId));
    m_remindLater = ui::ButtonRef(Item(kRemindLaterId));
    m_donate = ui::ButtonRef(Item(kDonateId));
    m_donate.SetCheck(BST_CHECKED);
    return Dialog::OnInitDialog();
}

void CDonationDlg::OnOkButton() {
    if (m_remindLater.GetCheck() == BST_CHECKED) {
        RegistryDword counter(VastrelSettingPath("Donation"), 0, 1);
        counter.Set(0);
        counter.Write();
    } else if (m_donate.GetCheck() == BST_CHECKED) {
        CHelpLauncher().OpenUrl(std::string(kVastrelWebSite) + kDonationPage);
    }
    EndDialog(IDOK);
}

void DonationReminder(UINT templateId) {
    RegistryDword counter(VastrelSettingPath("Donation"), 0, 1);
    counter.Set(counter.Get() + 1);
    counter.Write();
    if (counter.Get() == 10) {
        CDonationDlg dialog(nullptr, templateId);
        dialog.DoModal();
    }
}
