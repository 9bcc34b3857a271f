// Resource ids of the self-extractor dialog of Vastrel.exe.
#pragma once

#define IDD_SELFEXTRACTOR 163
#define IDB_SELFEXTRACTOR_TIP 170  // the password-advice picture
#define IDC_SFX_CANCEL 3
#define IDC_SFX_CONFIRM 1027
#define IDC_SFX_PASSWORD 1028
#define IDC_SFX_FILE_COUNT 1032
#define IDC_SFX_TOTAL_SIZE 1033
#define IDC_SFX_HINT 1048
#define IDC_SFX_CREATE 1068
#define IDC_SFX_DESTROY 1083
#define IDC_SFX_GRADE 1100
#define IDC_SFX_STRENGTH_BAR 1128
#define IDC_SFX_TIP_ANCHOR 1129
