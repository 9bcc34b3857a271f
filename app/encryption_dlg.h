#pragma once
// Encrypts or decrypts every file of the project with one password and hint.
// The main window makes it on the heap, runs it modally and deletes it; the
// list and the scanner stay the main window's (row i of the list shows entry
// i of the scanner, and the dialog keeps them in step when it renames files).
#include <windows.h>

#include <cstdint>

#include "core/dir_read.h"
#include "ui/controls.h"

class CEncryptionDlg {
public:
    // mode 0 encrypts, 1 decrypts.
    CEncryptionDlg(int fileCount, uint32_t sizeLow, uint32_t sizeHigh, ui::ListView* list, CSADirRead* scanner,
                   int mode, bool obfuscate, bool summary, HWND parent);
    virtual ~CEncryptionDlg();
    CEncryptionDlg(const CEncryptionDlg&) = delete;
    CEncryptionDlg& operator=(const CEncryptionDlg&) = delete;

    INT_PTR DoModal();
};
