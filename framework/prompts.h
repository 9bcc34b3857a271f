#pragma once
// The message box of the windowed deliverables, the file and folder
// pickers and popup menus. Tests answer the pickers with SetPickerHook and
// the popup menus with SetPopupMenuHook, as they answer message boxes with
// platform::SetMessageHook. Boxes and pickers without an owner of the
// caller's get the active popup of the thread's main window (PopupOwner).
#include <windows.h>

#include <functional>
#include <string>

namespace ui {

// A message box with this module's caption ("Vastrel 2" unless the
// application object names another), owned by the active popup of the
// thread's main window.
int AppMessageBox(const std::string& text, unsigned style = MB_OK);
// A box owned by the caller's window (null: no owner) with its own caption.
int MessageBoxFor(HWND owner, const std::string& text, const std::string& caption, unsigned style);

enum class PickerKind { OpenFile, SaveFile, Folder };

struct PickerRequest {
    PickerKind kind = PickerKind::OpenFile;
    HWND owner = nullptr;       // null: PopupOwner() (the hook sees the one used)
    std::string title;          // folder picker's title, file dialog's title ("" = system's)
    std::string filter;         // "Text (*.txt)|*.txt||": pairs separated by '|'
    std::string defaultExt;     // without the dot
    std::string initialName;
    DWORD flags = 0;            // OFN_* for the file dialogs
};

struct PickerAnswer {
    bool chosen = false;
    std::string path;
};

using PickerHook = std::function<PickerAnswer(const PickerRequest&)>;
// Installs a hook that answers every picker; returns the previous one. An
// empty hook brings back the real dialogs.
PickerHook SetPickerHook(PickerHook hook);

// Shows the picker (or asks the hook). False when nothing was chosen.
bool PickFile(const PickerRequest& request, std::string& path);
bool PickFolder(HWND owner, const std::string& title, std::string& path);

struct PopupMenuRequest {
    HMENU menu = nullptr;
    UINT flags = 0;  // TPM_*
    POINT at{};      // screen position
    HWND owner = nullptr;
};
// The command chosen, 0 when the menu was dismissed.
using PopupMenuHook = std::function<UINT(const PopupMenuRequest&)>;
PopupMenuHook SetPopupMenuHook(PopupMenuHook hook);

// TrackPopupMenu: with TPM_RETURNCMD returns the chosen command (0 for
// none); otherwise the owner gets the command as WM_COMMAND and the result
// is non-zero when the menu was shown. With a hook installed the owner
// still gets WM_INITMENUPOPUP first, as it would from the real menu.
UINT TrackPopup(HMENU menu, UINT flags, POINT at, HWND owner);

}  // namespace ui
