// Ids of the templates and strings that several programs share (the result
// summary dialog, the password-strength meter, ...). Each program's own id
// header includes this one; its own ids must not take these.
#pragma once

// The result summary dialog.
#define IDD_CRYPTO_SUMMARY 135
#define IDC_SUMMARY_LIST 1038

// The donation reminder of the main program (the Explorer extension has its
// own template with the same controls).
#define IDD_DONATION 169
#define IDC_DONATE_NEVER 1085
#define IDC_DONATE_YES 1086
#define IDC_DONATE_LATER 1087

// The password-strength meter: the placeholder of its bar and the label of
// its grade in the dialogs that show it.
#define IDC_STRENGTH_BAR 1128
#define IDC_STRENGTH_LABEL 1100

// The anchor of the password advice tooltip, and its picture.
#define IDC_PASSWORD_TIP 1129
#define IDB_PASSWORD_TIP 170

// The password prompt of "View original filename".
#define IDD_PASSWORD_PROMPT 168
#define IDC_PROMPT_PASSWORD 1065
