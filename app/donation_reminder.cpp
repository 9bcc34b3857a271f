// Counting the encryption and decryption runs for the donation reminder.
#include "app/main_dlg.h"

// Not built yet: counts nothing and shows nothing.
void VastrelMainDlg::DonationReminder() {}
