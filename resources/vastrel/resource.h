// Resource ids of Vastrel.exe.
#pragma once
#include "shared/shared_ids.h"

#define IDR_SFX_EXE 142  // the built Extractor, type "SFX_EXE"

// The encryption dialog (the whole project).
#define IDD_ENCRYPTION 133
#define IDC_CONFIRM_PASSWORD 1027
#define IDC_PASSWORD 1028
#define IDC_FILE_COUNT 1032
#define IDC_TOTAL_SIZE 1033
#define IDC_PROCESS_READONLY 1046
#define IDC_HINT 1048
#define IDC_PROCESS_HIDDEN 1049
#define IDC_VERIFY_LABEL 1090
#define IDC_PASSWORD_FRAME 1091
#define IDC_HINT_LABEL 1092
#define IDC_OPTIONS_FRAME 1093
#define IDC_SUMMARY_FRAME 1094
#define IDC_FILE_COUNT_LABEL 1095
#define IDC_TOTAL_SIZE_LABEL 1096

// The quick cipher dialog (the selected rows).
#define IDD_QUICK_CIPHER 160
#define IDC_QUICK_PASSWORD 1065
#define IDC_QUICK_CONFIRM 1066
#define IDC_QUICK_HINT 1067
#define IDC_QUICK_VERIFY_LABEL 1122
#define IDC_QUICK_HINT_LABEL 1123
#define IDC_QUICK_FRAME 1124
