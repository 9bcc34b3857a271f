#pragma once
// The message box of the windowed deliverables and the file and folder
// pickers. Tests answer the pickers with SetPickerHook, as they answer
// message boxes with platform::SetMessageHook.
#include <windows.h>

#include <functional>
#include <string>

namespace ui {

// A message box with this module's caption ("Vastrel 2" unless the
// application object names another), owned by the main window.
int AppMessageBox(const std::string& text, unsigned style = MB_OK);
// A box owned by the caller's window (null: no owner) with its own caption.
int MessageBoxFor(HWND owner, const std::string& text, const std::string& caption, unsigned style);

enum class PickerKind { OpenFile, SaveFile, Folder };

struct PickerRequest {
    PickerKind kind = PickerKind::OpenFile;
    HWND owner = nullptr;
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

}  // namespace ui
