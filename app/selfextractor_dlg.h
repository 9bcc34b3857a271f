#pragma once
// Packs the project's files, encrypted, into a self-extracting program. When
// it has destroyed the project's plain files it sets *destroyed, and the main
// window then empties the project.
#include <windows.h>

#include <cstdint>

#include "core/dir_read.h"
#include "ui/controls.h"

class CSelfextractorDlg {
public:
    CSelfextractorDlg(int fileCount, uint32_t sizeLow, uint32_t sizeHigh, ui::ListView* list, CSADirRead* scanner,
                      bool obfuscate, bool summary, bool* destroyed, HWND parent);
    virtual ~CSelfextractorDlg();
    CSelfextractorDlg(const CSelfextractorDlg&) = delete;
    CSelfextractorDlg& operator=(const CSelfextractorDlg&) = delete;

    INT_PTR DoModal();
};
