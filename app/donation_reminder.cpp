// Counting the encryption and decryption runs for the donation reminder.
#include "app/main_dlg.h"
#include "ui/donation_dlg.h"

void VastrelMainDlg::DonationReminder() { ::DonationReminder(CDonationDlg::kTemplateId); }
