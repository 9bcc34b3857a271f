#include "framework/prompts.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "framework/app.h"
#include "platform/message_box.h"

namespace ui {
namespace {

PickerHook g_pickerHook;
PopupMenuHook g_menuHook;

PickerAnswer ShowFileDialog(const PickerRequest& request) {
    PickerAnswer answer;
    std::string filter = request.filter;
    for (char& c : filter) {
        if (c == '|') c = '\0';
    }
    filter.push_back('\0');
    std::vector<char> file(32768, '\0');
    request.initialName.copy(file.data(), file.size() - 1);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = request.owner;
    ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    ofn.lpstrDefExt = request.defaultExt.empty() ? nullptr : request.defaultExt.c_str();
    ofn.Flags = request.flags | OFN_EXPLORER;
    BOOL ok = request.kind == PickerKind::SaveFile ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (ok) {
        answer.chosen = true;
        answer.path = file.data();
    }
    return answer;
}

PickerAnswer ShowFolderDialog(const PickerRequest& request) {
    PickerAnswer answer;
    char display[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = request.owner;
    info.pszDisplayName = display;
    info.lpszTitle = request.title.c_str();
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen) return answer;
    char path[MAX_PATH + 1] = {};
    if (SHGetPathFromIDListA(chosen, path)) {
        answer.chosen = true;
        answer.path = path;
    }
    CoTaskMemFree(chosen);
    return answer;
}

PickerAnswer Ask(PickerRequest request) {
    if (!request.owner) request.owner = PopupOwner();
    if (g_pickerHook) return g_pickerHook(request);
    return request.kind == PickerKind::Folder ? ShowFolderDialog(request) : ShowFileDialog(request);
}

}  // namespace

int AppMessageBox(const std::string& text, unsigned style) {
    App* app = App::Current();
    return platform::ShowMessage(text, app ? app->Caption() : "Vastrel 2", style, platform::MsgOwner::MainWindow);
}

int MessageBoxFor(HWND owner, const std::string& text, const std::string& caption, unsigned style) {
    return platform::ShowMessageOwned(text, caption, style, owner);
}

PickerHook SetPickerHook(PickerHook hook) {
    PickerHook previous = std::move(g_pickerHook);
    g_pickerHook = std::move(hook);
    return previous;
}

bool PickFile(const PickerRequest& request, std::string& path) {
    PickerAnswer answer = Ask(request);
    if (!answer.chosen) return false;
    path = answer.path;
    return true;
}

PopupMenuHook SetPopupMenuHook(PopupMenuHook hook) {
    PopupMenuHook previous = std::move(g_menuHook);
    g_menuHook = std::move(hook);
    return previous;
}

UINT TrackPopup(HMENU menu, UINT flags, POINT at, HWND owner) {
    if (!g_menuHook) {
        return static_cast<UINT>(TrackPopupMenu(menu, flags, at.x, at.y, 0, owner, nullptr));
    }
    if (owner) SendMessageA(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    PopupMenuHook hook = g_menuHook;
    UINT chosen = hook(PopupMenuRequest{menu, flags, at, owner});
    if (owner) SendMessageA(owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    if (flags & TPM_RETURNCMD) return chosen;
    if (chosen && owner) PostMessageA(owner, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return 1;
}

bool PickFolder(HWND owner, const std::string& title, std::string& path) {
    PickerRequest request;
    request.kind = PickerKind::Folder;
    request.owner = owner;
    request.title = title;
    PickerAnswer answer = Ask(request);
    if (!answer.chosen) return false;
    path = answer.path;
    return true;
}

}  // namespace ui
