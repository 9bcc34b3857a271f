#include "ui/gdi.h"

#include <cstddef>

#include "ui/app.h"

namespace ui {

HFONT CreateMessageFont() {
    NONCLIENTMETRICSA metrics{};
    // The size older systems accept: without the padded-border field.
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        HFONT font = CreateFontIndirectA(&metrics.lfMessageFont);
        if (font) return font;
    }
    LOGFONTA fallback{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof fallback, &fallback);
    return CreateFontIndirectA(&fallback);
}

bool ImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    Destroy();
    EnsureCommonControls();
    m_list = ImageList_Create(cx, cy, flags, initial, grow);
    return m_list != nullptr;
}

int ImageList::AddMasked(HBITMAP bitmap, COLORREF mask) {
    return m_list ? ImageList_AddMasked(m_list, bitmap, mask) : -1;
}

void ImageList::Destroy() {
    if (m_list) ImageList_Destroy(m_list);
    m_list = nullptr;
}

bool Menu::Load(UINT id) {
    Destroy();
    m_menu = LoadMenuA(ResourceHandle(), MAKEINTRESOURCEA(id));
    return m_menu != nullptr;
}

bool Menu::CreatePopup() {
    Destroy();
    m_menu = CreatePopupMenu();
    return m_menu != nullptr;
}

void Menu::Destroy() {
    if (m_menu) DestroyMenu(m_menu);
    m_menu = nullptr;
}

}  // namespace ui
