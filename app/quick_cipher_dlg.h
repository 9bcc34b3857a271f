#pragma once
// Encrypts or decrypts the selected rows of the project: the positions are
// entry indices (row i shows entry i), taken in row order.
#include <windows.h>

#include <vector>

#include "core/dir_read.h"
#include "ui/controls.h"

class QuickCipherDlg {
public:
    // mode 0 encrypts, 1 decrypts.
    QuickCipherDlg(std::vector<int>* selection, ui::ListView* list, CSADirRead* scanner, int mode, bool obfuscate,
                   bool summary, HWND parent = nullptr);
    virtual ~QuickCipherDlg();
    QuickCipherDlg(const QuickCipherDlg&) = delete;
    QuickCipherDlg& operator=(const QuickCipherDlg&) = delete;

    INT_PTR DoModal();
};
