#pragma once
// Small functions shared by the dialogs: the password rule, the size text,
// the list row of a renamed file, and window sizing and tooltip texts.
#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/controls.h"

// True when the password may be used: at least 6 characters and equal to its
// confirmation. Otherwise the user is told why.
bool ValidatePasswords(const std::string& password, const std::string& confirmation);

// "0.50 KB", "1.00 MB", "5.00 GB".
std::string FormatFileSize(uint64_t bytes);

// After the file at entryPath became newPath: the entry takes the new name
// and path, and the first list row showing the old folder (column 3) and
// name (column 0) shows the new name.
void UpdateRenamedListItem(std::string& entryName, std::string& entryPath, const std::string& newPath,
                           ui::ListViewRef list);

// Grows (or, with a negative delta, shrinks) the window's width or height.
void ResizeWindowBy(HWND window, int delta, bool horizontal);
// Moves a child dy pixels down and dx to the right, keeping its size.
void MoveChildBy(HWND parent, HWND child, int dy, int dx);
// Gives a tooltip a title and an icon (1: information).
int SetToolTipTitle(HWND tooltip, int icon, std::string title);

// Copies a text into a fixed buffer of `size` characters (a tooltip's text,
// a font's face name): cut to what fits, always terminated, never in the
// middle of a character (a double-byte character of the code page, or a
// surrogate pair, stays whole). The wide form converts from the code page.
void CopyBoundedText(char* buffer, size_t size, const std::string& text, UINT codePage = CP_ACP);
void CopyBoundedText(wchar_t* buffer, size_t size, const std::string& text, UINT codePage = CP_ACP);
