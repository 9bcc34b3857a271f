// Resource ids of Vastrel.exe.
#pragma once
#include "shared/shared_ids.h"

#define IDR_MAINFRAME 128     // program icon
#define IDR_SFX_EXE 142       // the built Extractor, type "SFX_EXE"

// Main window.
#define IDD_VASTREL_MAIN 102
#define IDC_PROJECT_LIST 1031
#define IDC_STATUS_BAR 32500  // made by the window itself
#define IDR_MAIN_MENU 132
#define IDR_LIST_MENU 157     // context menu of the project list
#define IDR_MAIN_TOOLBAR 137  // toolbar buttons, and their 16-colour bitmap
#define IDB_TOOLBAR_NORMAL 139
#define IDB_TOOLBAR_DISABLED 158
#define IDR_MENU_TOOLBAR 145  // pictures of the main menu's items, by command
#define IDB_SPLASH 149

// Strings.
#define IDS_ABOUTBOX 101      // the system menu's about item

// System-menu command of the about box (the system keeps the low four bits).
#define IDM_ABOUTBOX 0x0010

// Commands of the main menu, the list's context menu and the toolbar.
#define ID_HELP_CONTENTS 9
#define ID_APP_ABOUT 101
#define ID_FILE_EXIT 32775
#define ID_PROJECT_ADD_FOLDER 32778
#define ID_PROJECT_REMOVE_FILE 32779
#define ID_PROJECT_REMOVE_ALL 32780
#define ID_EDIT_SEARCH 32781
#define ID_PROJECT_DECRYPT 32783
#define ID_PROJECT_ADD_FILE 32784
#define ID_PROJECT_ENCRYPT 32785
#define ID_FILE_SAVE_PROJECT 32796
#define ID_FILE_OPEN_PROJECT 32799
#define ID_SORT_BY_NAME 32810
#define ID_SORT_BY_SIZE 32811
#define ID_EDIT_SELECT_ALL 32814
#define ID_EDIT_CLEAR_SELECTION 32816
#define ID_LIST_DELETE 32818
#define ID_SELECTION_PROPERTIES 32819
#define ID_SELECTION_ENCRYPT 32823
#define ID_SELECTION_DECRYPT 32824
#define ID_SELECTION_VIEW_HINT 32825
#define ID_FILE_NEW_PROJECT 32828
#define ID_FILE_SAVE_PROJECT_AS 32830
#define ID_FILE_CLOSE_PROJECT 32831
#define ID_PROJECT_ADD_PROJECT 32832
#define ID_SELECTION_VIEW_NAME 32834
#define ID_PROJECT_SELF_EXTRACTOR 32845
#define ID_SELECTION_SHRED 32855
#define ID_HELP_CHECK_UPDATES 32860
#define ID_HELP_FAQ 32862
#define ID_OPTIONS_ENABLE_INTEGRATION 32867
#define ID_OPTIONS_DISABLE_INTEGRATION 32868
#define ID_OPTIONS_OPTIONS 32871
#define ID_PROJECT_SHRED_ALL 32872

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

// The banner of the password, about and auto-update dialogs.
#define IDB_BANNER 151

// About box.
#define IDD_ABOUTBOX 100
#define IDC_DONATE_NOW 1068
#define IDC_ABOUT_VERSION 1081
#define IDC_ABOUT_BUILD 1082

// File properties.
#define IDD_FILE_PROPERTIES 159
#define IDC_PROPERTY_NAME 1060
#define IDC_PROPERTY_PATH 1061
#define IDC_PROPERTY_SIZE 1062
#define IDC_PROPERTY_ATTRIBUTES 1063
#define IDC_PROPERTY_STATUS 1064

// Password of an encrypted file named on the command line.
#define IDD_PASSWORD 161
#define IDC_OPEN_AFTER_DECRYPT 211
#define IDC_ENCRYPT_AFTER_USE 1049
#define IDC_PASSWORD_EDIT 1065

// Options.
#define IDD_OPTIONS 167
#define IDC_OPTION_SUMMARY 1050
#define IDC_SHRED_PASSES 1080
#define IDC_TOGGLE_ADVANCED 1101
#define IDC_OPTION_OBFUSCATE 1102
#define IDC_OPTION_SUCCESS 1103
#define IDC_OPTION_CONFIRM 1104
#define IDC_OPTION_REMOVE_WARNING 1105
#define IDC_OPTION_AUTO_UPDATE 1106
#define IDC_CIPHER_LIST 1107
#define IDC_HASH_LIST 1108
#define IDC_CIPHER_FRAME 1115
#define IDC_HASH_FRAME 1116
#define IDC_SHREDDER_FRAME 1117
#define IDC_ADVANCED_CAPTION 1119

// Automatic update question.
#define IDD_AUTO_UPDATE 171
#define IDC_UPDATE_TURN_OFF 1125
#define IDC_UPDATE_DONT_CHECK 1126
#define IDC_UPDATE_CHECK_NOW 1127
