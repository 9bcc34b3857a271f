// Resource ids of Extractor.exe.
#pragma once
#include "shared/shared_ids.h"

#define IDD_ABOUTBOX 100  // named by the system menu; the program has no such template
#define IDS_ABOUTBOX 101
#define IDD_EXTRACTOR_DIALOG 102
#define IDR_MAINFRAME 128
#define IDB_EXTRACTOR_BANNER 130

#define IDC_EXTRACT 1000
#define IDC_BROWSE 1001
#define IDC_FOLDER 1002
#define IDC_PROGRESS 1003
#define IDC_PASSWORD 1005
#define IDC_OVERWRITE 1007
#define IDC_CURRENT_FILE 1009

#define IDM_ABOUTBOX 0x0010
