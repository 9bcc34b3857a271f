#include "framework/controls.h"

#include <vector>

#include "framework/app.h"

namespace ui {
namespace detail {

int ListViewInsertColumn(HWND list, int index, const std::string& heading, int format, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<char*>(heading.c_str());
    column.iSubItem = index;
    return static_cast<int>(
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

int ListViewInsertItem(HWND list, int index, const std::string& text, LPARAM data, bool withData) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | (withData ? LVIF_PARAM : 0);
    item.iItem = index;
    item.pszText = const_cast<char*>(text.c_str());
    item.lParam = data;
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool ListViewSetItemText(HWND list, int index, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    return SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

std::string ListViewItemText(HWND list, int index, int column) {
    // The control copies at most the buffer's size; grow until it fits.
    for (size_t size = 256; size <= (1u << 20); size *= 4) {
        std::vector<char> buffer(size, '\0');
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        LRESULT n = SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        if (n < 0) n = 0;
        if (static_cast<size_t>(n) < size - 1) {
            return std::string(item.pszText ? item.pszText : "", static_cast<size_t>(n));
        }
    }
    return {};
}

bool ListViewSetItemState(HWND list, int index, UINT state, UINT mask) {
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    return SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

bool ListViewSetItemData(HWND list, int index, LPARAM data) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = data;
    return SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

LPARAM ListViewItemData(HWND list, int index) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

int ListViewHitTest(HWND list, POINT client) {
    LVHITTESTINFO info{};
    info.pt = client;
    return static_cast<int>(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
}

std::string ComboText(HWND combo, int index) {
    LRESULT n = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n == CB_ERR || n < 0) return {};
    std::vector<char> buffer(static_cast<size_t>(n) + 1, '\0');
    LRESULT got = SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return got == CB_ERR ? std::string() : std::string(buffer.data());
}

namespace {
TTTOOLINFOA ToolInfo(HWND tool, const std::string& text) {
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = GetParent(tool);
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<char*>(text.c_str());
    return info;
}
}  // namespace

bool ToolTipAddTool(HWND tooltip, HWND tool, const std::string& text) {
    TTTOOLINFOA info = ToolInfo(tool, text);
    return SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void ToolTipUpdateText(HWND tooltip, HWND tool, const std::string& text) {
    TTTOOLINFOA info = ToolInfo(tool, text);
    SendMessageA(tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

std::string StatusBarText(HWND bar, int pane) {
    LRESULT info = SendMessageA(bar, SB_GETTEXTLENGTHA, static_cast<WPARAM>(pane), 0);
    std::vector<char> buffer(static_cast<size_t>(LOWORD(info)) + 1, '\0');
    SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.data();
}

bool CreateToolTip(Window& tooltip, HWND parent, bool balloon) {
    DWORD style = WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | (balloon ? TTS_BALLOON : 0);
    if (!tooltip.CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSA, "", style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, parent, nullptr)) {
        return false;
    }
    SetWindowPos(tooltip.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

}  // namespace detail
}  // namespace ui
