#pragma once
// The reminder that the software is free and asks for a contribution: a
// counter of encryption and decryption runs shared by every program (the
// setting "Donation"), and the dialog shown on the tenth run.
#include <windows.h>

#include "framework/controls.h"
#include "framework/dialog.h"

class CDonationDlg : public ui::Dialog {
public:
    // The main program's template; the Explorer extension has one of its
    // own with the same controls.
    static constexpr UINT kTemplateId = 169;
    static constexpr int kNeverAgainId = 1085;
    static constexpr int kDonateId = 1086;
    static constexpr int kRemindLaterId = 1087;

    explicit CDonationDlg(HWND parent = nullptr, UINT templateId = kTemplateId);

protected:
    bool OnInitDialog() override;
    // OK: "Remind me later" starts the count again; the donate choice opens
    // the donation page; then the dialog closes. Esc and the close box
    // close it without either.
    void OnOkButton();

private:
    ui::ButtonRef m_neverAgain;
    ui::ButtonRef m_remindLater;
    ui::ButtonRef m_donate;
};

// Counts one run; when the count reaches 10 shows the dialog (with this
// template) and waits for it. The caller's run goes on in every case.
void DonationReminder(UINT templateId = CDonationDlg::kTemplateId);
