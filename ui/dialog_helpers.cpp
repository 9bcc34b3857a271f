#include "ui/dialog_helpers.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "framework/prompts.h"
#include "platform/path.h"

bool ValidatePasswords(const std::string& password, const std::string& confirmation) {
    if (password.size() < 6) {
        ui::AppMessageBox("Password must be at least 6 characters long", MB_ICONERROR);
        return false;
    }
    if (password != confirmation) {
        ui::AppMessageBox("Passwords do not match!", MB_ICONERROR);
        return false;
    }
    return true;
}

std::string FormatFileSize(uint64_t bytes) {
    char text[64];
    double n = static_cast<double>(bytes);
    if (bytes < (1ull << 20)) {
        std::snprintf(text, sizeof text, "%3.2f KB", n / 1024.0);
    } else if (bytes < (1ull << 30)) {
        std::snprintf(text, sizeof text, "%3.2f MB", n / 1048576.0);
    } else {
        std::snprintf(text, sizeof text, "%1.2f GB", n / 1073741824.0);
    }
    return text;
}

void UpdateRenamedListItem(std::string& entryName, std::string& entryPath, const std::string& newPath,
                           ui::ListViewRef list) {
    const std::string oldName = platform::FileNamePart(entryPath);
    const std::string oldFolder = platform::FolderPart(entryPath);

    int match = -1;
    for (int row = 0; list.Handle() && row < list.GetItemCount(); ++row) {
        if (list.GetItemText(row, 3) == oldFolder && list.GetItemText(row, 0) == oldName) {
            match = row;
            break;
        }
    }

    const std::string newName = platform::FileNamePart(newPath);
    const size_t nameSlash = platform::LastSeparator(entryName);
    if (nameSlash != std::string::npos && nameSlash > 0) {
        entryName = entryName.substr(0, nameSlash) + "\\" + newName;
    } else {
        entryName = newName;
    }
    // The entry follows the file even when no row shows it.
    entryPath = newPath;
    if (match >= 0) list.SetItemText(match, 0, newName);
}

void ResizeWindowBy(HWND window, int delta, bool horizontal) {
    RECT r;
    if (!GetWindowRect(window, &r)) return;
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    if (horizontal) {
        width += delta;
    } else {
        height += delta;
    }
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE);
}

void MoveChildBy(HWND parent, HWND child, int dy, int dx) {
    RECT r;
    if (!GetWindowRect(child, &r)) return;
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(child, r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top, TRUE);
}

int SetToolTipTitle(HWND tooltip, int icon, std::string title) {
    return static_cast<int>(
        SendMessageA(tooltip, TTM_SETTITLEA, static_cast<WPARAM>(icon), reinterpret_cast<LPARAM>(title.c_str())));
}

void CopyBoundedText(char* buffer, size_t size, const std::string& text, UINT codePage) {
    if (!buffer || size == 0) return;
    if (codePage == CP_ACP) codePage = GetACP();
    size_t n = 0;
    while (n < text.size()) {
        const bool pair = n + 1 < text.size() && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[n]));
        const size_t step = pair ? 2 : 1;
        if (n + step > size - 1) break;
        n += step;
    }
    text.copy(buffer, n);
    buffer[n] = '\0';
}

void CopyBoundedText(wchar_t* buffer, size_t size, const std::string& text, UINT codePage) {
    if (!buffer || size == 0) return;
    buffer[0] = L'\0';
    const int length = static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
    const int whole = length > 0 ? MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0) : 0;
    if (whole <= 0) return;
    std::wstring wide(static_cast<size_t>(whole), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, &wide[0], whole);
    size_t n = std::min(wide.size(), size - 1);
    if (n > 0 && n < wide.size() && IS_HIGH_SURROGATE(wide[n - 1])) --n;
    wide.copy(buffer, n);
    buffer[n] = L'\0';
}
