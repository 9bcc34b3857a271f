#pragma once
// Shared by the two halves of the owner-drawn menu.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace tamsel {

// The tables every TamselMenu of the process shares: made on first use,
// gone at exit.
struct SharedTables {
    ~SharedTables();
    // 16 x 15 images, display depth, masked.
    HIMAGELIST images = nullptr;
    // Parallel to the images: entry i names the command of image i.
    std::vector<UINT_PTR> commands;
    // Every popup any TamselMenu appended.
    std::vector<HMENU> ownPopups;
    // A toolbar bitmap of more than 16 colours has been loaded.
    bool highColour = false;
};
SharedTables& Shared();

// The menu font of the non-client metrics.
HFONT CreateMenuFont(bool bold);
// The window whose device context measures texts: the application's main
// window, else the desktop.
HWND MeasuringWindow();

std::wstring Widen(const char* text);
std::string Narrow(const std::wstring& text);

}  // namespace tamsel
