#include "framework/toolbar.h"

#include <algorithm>
#include <cstring>

#include "framework/app.h"

namespace ui {
namespace {

const LPCSTR kToolBarType = MAKEINTRESOURCEA(241);
constexpr int kSeparatorWidth = 8;
// Space above and below the buttons, and the etched line of a bottom border.
constexpr int kBarGap = 2;
constexpr int kBorderHeight = 2;

const void* FindData(UINT id, LPCSTR type, size_t& size, HINSTANCE* where = nullptr) {
    for (HINSTANCE module : {ResourceHandle(), GetModuleHandleA(nullptr)}) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        if (!found) continue;
        HGLOBAL loaded = LoadResource(module, found);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data) return nullptr;
        size = SizeofResource(module, found);
        if (where) *where = module;
        return data;
    }
    return nullptr;
}

}  // namespace

bool ToolBarResource::Parse(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    auto word = [bytes](size_t at) { return static_cast<UINT>(bytes[at] | (bytes[at + 1] << 8)); };
    if (!data || size < 8 || word(0) != 1) return false;
    size_t count = word(6);
    if (8 + count * 2 > size) return false;
    imageWidth = static_cast<int>(word(2));
    imageHeight = static_cast<int>(word(4));
    if (imageWidth <= 0 || imageHeight <= 0) return false;
    ids.clear();
    for (size_t i = 0; i < count; ++i) ids.push_back(word(8 + i * 2));
    return true;
}

bool ToolBarResource::Load(UINT id) {
    size_t size = 0;
    const void* data = FindData(id, kToolBarType, size);
    return data && Parse(data, size);
}

ToolBar::ToolBar() {
    // A bottom border is an etched line below the client area.
    OnMessage(WM_NCCALCSIZE, [this](WPARAM w, LPARAM l) {
        LRESULT result = Default();
        if (m_barStyle & kBarBorderBottom) {
            RECT* r = w ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(l)->rgrc[0] : reinterpret_cast<RECT*>(l);
            r->bottom = std::max(r->top, r->bottom - kBorderHeight);
        }
        return result;
    });
    OnMessage(WM_NCPAINT, [this] {
        LRESULT result = Default();
        if (m_barStyle & kBarBorderBottom) {
            HDC dc = GetWindowDC(m_hwnd);
            if (dc) {
                RECT window = WindowRect();
                RECT line{0, window.bottom - window.top - kBorderHeight, window.right - window.left,
                          window.bottom - window.top};
                FillRect(dc, &line, GetSysColorBrush(COLOR_BTNFACE));
                DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
                ReleaseDC(m_hwnd, dc);
            }
        }
        return result;
    });
}

ToolBar::~ToolBar() = default;

bool ToolBar::Create(HWND parent, DWORD style, UINT id) {
    m_barStyle = style & 0xFFFF;
    DWORD window = (style & 0xFFFF0000) | TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (!CreateEx(0, TOOLBARCLASSNAMEA, "", window, 0, 0, 0, 0, parent,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)))) {
        return false;
    }
    Send(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    SetBarStyle(m_barStyle);
    return true;
}

void ToolBar::SetBarStyle(DWORD style) {
    m_barStyle = style & 0xFFFF;
    if (HWND tips = ToolTips()) SendMessageA(tips, TTM_ACTIVATE, (m_barStyle & kBarToolTips) ? TRUE : FALSE, 0);
    if (m_hwnd) {
        SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool ToolBar::LoadToolBar(UINT id) {
    ToolBarResource resource;
    if (!m_hwnd || !resource.Load(id)) return false;
    if (!SetButtons(resource.ids)) return false;
    SetSizes(SIZE{resource.imageWidth + 7, resource.imageHeight + 7}, SIZE{resource.imageWidth, resource.imageHeight});
    HBITMAP bitmap = LoadSysColorBitmap(ResourceHandle(), id);
    if (!bitmap) bitmap = LoadSysColorBitmap(GetModuleHandleA(nullptr), id);
    return bitmap && SetBitmap(bitmap);
}

bool ToolBar::SetButtons(const std::vector<UINT>& ids) {
    if (!m_hwnd) return false;
    while (ButtonCount() > 0) {
        if (!Send(TB_DELETEBUTTON, 0)) break;
    }
    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (UINT id : ids) {
        TBBUTTON button{};
        if (id == 0) {
            button.iBitmap = kSeparatorWidth;
            button.fsStyle = TBSTYLE_SEP;
        } else {
            button.iBitmap = image++;
            button.idCommand = static_cast<int>(id);
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = TBSTYLE_BUTTON;
        }
        button.iString = -1;
        buttons.push_back(button);
    }
    if (buttons.empty()) return true;
    return Send(TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data())) != FALSE;
}

void ToolBar::SetSizes(SIZE button, SIZE image) {
    m_button = button;
    m_image = image;
    Send(TB_SETBITMAPSIZE, 0, MAKELPARAM(image.cx, image.cy));
    Send(TB_SETBUTTONSIZE, 0, MAKELPARAM(button.cx, button.cy));
}

bool ToolBar::SetBitmap(HBITMAP bitmap) {
    if (!m_hwnd || !bitmap) {
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    int count = m_image.cx > 0 ? info.bmWidth / m_image.cx : 0;
    TBADDBITMAP add{nullptr, reinterpret_cast<UINT_PTR>(bitmap)};
    LRESULT index;
    if (m_bitmap) {
        TBREPLACEBITMAP replace{nullptr, reinterpret_cast<UINT_PTR>(m_bitmap.Get()), nullptr,
                                reinterpret_cast<UINT_PTR>(bitmap), count};
        index = Send(TB_REPLACEBITMAP, 0, reinterpret_cast<LPARAM>(&replace)) ? 0 : -1;
    } else {
        index = Send(TB_ADDBITMAP, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&add));
    }
    m_bitmap.Reset(bitmap);
    return index >= 0;
}

void ToolBar::SetImageLists(HIMAGELIST normal, HIMAGELIST disabled) {
    if (!m_hwnd) return;
    Send(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(normal));
    Send(TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabled));
    // The control fits its buttons to the new images; they keep the size given.
    Send(TB_SETBUTTONSIZE, 0, MAKELPARAM(m_button.cx, m_button.cy));
}

int ToolBar::ButtonCount() const { return m_hwnd ? static_cast<int>(Send(TB_BUTTONCOUNT)) : 0; }

UINT ToolBar::ButtonId(int index) const {
    TBBUTTON button{};
    if (!m_hwnd || !Send(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button))) return 0;
    return (button.fsStyle & TBSTYLE_SEP) ? 0 : static_cast<UINT>(button.idCommand);
}

int ToolBar::ButtonImage(int index) const {
    TBBUTTON button{};
    if (!m_hwnd || !Send(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button))) return -1;
    return (button.fsStyle & TBSTYLE_SEP) ? -1 : button.iBitmap;
}

int ToolBar::CommandToIndex(UINT id) const {
    return m_hwnd ? static_cast<int>(Send(TB_COMMANDTOINDEX, id)) : -1;
}

bool ToolBar::ButtonEnabled(UINT id) const { return m_hwnd && Send(TB_ISBUTTONENABLED, id) != 0; }

RECT ToolBar::ButtonRect(int index) const {
    RECT r{};
    if (m_hwnd) Send(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return r;
}

HWND ToolBar::ToolTips() const { return m_hwnd ? reinterpret_cast<HWND>(Send(TB_GETTOOLTIPS)) : nullptr; }

void ToolBar::UpdateCommands(Window& target, bool disableWithoutHandler) {
    int count = ButtonCount();
    for (int i = 0; i < count; ++i) {
        UINT id = ButtonId(i);
        if (id == 0) continue;
        HWND bar = m_hwnd;
        CommandState state(id, nullptr, [bar, id](int check) {
            bool on = check != 0;
            if ((SendMessageA(bar, TB_ISBUTTONCHECKED, id, 0) != 0) != on) SendMessageA(bar, TB_CHECKBUTTON, id, on);
        });
        target.UpdateCommandState(state, disableWithoutHandler);
        // Only changes are sent: the pass runs on every turn of the loop.
        if (ButtonEnabled(id) != state.Enabled()) Send(TB_ENABLEBUTTON, id, state.Enabled() ? TRUE : FALSE);
    }
}

int ToolBar::CalcHeight() const {
    // One row of buttons with a gap above and below, whatever the control
    // makes of its styles.
    return m_button.cy + 2 * kBarGap + ((m_barStyle & kBarBorderBottom) ? kBorderHeight : 0);
}

RECT RepositionBars(HWND window, UINT first, UINT last, bool query) {
    RECT client{};
    GetClientRect(window, &client);
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        UINT id = static_cast<UINT>(GetDlgCtrlID(child));
        if (id < first || id > last || !(GetWindowLongPtrA(child, GWL_STYLE) & WS_VISIBLE)) continue;
        auto* bar = dynamic_cast<ToolBar*>(Window::FromHandle(child));
        if (!bar) continue;
        int height = std::min(bar->CalcHeight(), static_cast<int>(client.bottom - client.top));
        int top;
        if (bar->BarStyle() & kBarAlignBottom) {
            client.bottom -= height;
            top = client.bottom;
        } else {
            top = client.top;
            client.top += height;
        }
        if (!query) {
            SetWindowPos(child, nullptr, client.left, top, client.right - client.left, height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    return client;
}

}  // namespace ui
