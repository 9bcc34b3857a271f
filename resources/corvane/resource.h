// Resource ids of Corvane.dll.
#pragma once
#include "shared/shared_ids.h"

#define IDS_PROJNAME 100           // "Pavlet"
#define IDB_HINT 170               // the password-advice anchor (hint.bmp)
#define IDB_BANNER_EXPLORER 214    // the dialogs' banner (banner_explorer.bmp)
#define IDR_SFX_EXE 209            // the built Extractor, type "SFX_EXE"
#define IDR_TYPELIB 1              // the type library PAVLETLib, type "TYPELIB"

// The quick encrypt dialog (encrypt, decrypt, self-extracting file).
#define IDD_QUICK_ENCRYPT 204
#define IDC_QE_EXIT 207
#define IDC_QE_CAPTION 208
#define IDC_QE_DESTROY_GROUP 218
#define IDC_QE_HINT_LABEL 226
#define IDC_QE_VERIFY_LABEL 227
#define IDC_QE_GROUP 228
#define IDC_QE_PASSWORD_LABEL 229
#define IDC_QE_PROGRESS 1004
#define IDC_QE_PASSWORD 1065
#define IDC_QE_VERIFY 1066
#define IDC_QE_HINT 1067
#define IDC_QE_DESTROY 1083
#define IDC_QE_STRENGTH 1128
#define IDC_QE_HINT_ICON 1129

// The shred dialog.
#define IDD_SHRED 205
#define IDC_SHRED_NOW 207
#define IDC_SHRED_CAPTION 209
#define IDC_SHRED_OPTIONS 211
#define IDC_SHRED_COUNT 216
#define IDC_SHRED_PROGRESS 1004

// The options dialog.
#define IDD_OPTIONS 210
#define IDC_OPT_OBFUSCATE 211
#define IDC_OPT_SUMMARY 213
#define IDC_OPT_SUCCESS 214
#define IDC_OPT_CONFIRM 215
#define IDC_OPT_PASSES 219
#define IDC_OPT_ADVANCED 1101
#define IDC_OPT_CIPHER 1107
#define IDC_OPT_HASH 1108
#define IDC_OPT_CIPHER_GROUP 1115
#define IDC_OPT_HASH_GROUP 1116
#define IDC_OPT_ADVANCED_LABEL 1119

// The donation reminder's template of the plug-in (the controls of the
// shared one, below the banner).
#define IDD_DONATION_EXPLORER 212
