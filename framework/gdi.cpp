#include "framework/gdi.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/app.h"

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

HBITMAP CreateSysColorBitmap(const BITMAPINFO* dib, size_t size) {
    if (!dib || size < sizeof(BITMAPINFOHEADER)) return nullptr;
    const BITMAPINFOHEADER& header = dib->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biPlanes != 1) {
        return nullptr;
    }
    size_t colours = 0;
    if (header.biBitCount <= 8) colours = header.biClrUsed ? header.biClrUsed : (size_t{1} << header.biBitCount);
    if (colours > 256) return nullptr;
    size_t tableEnd = header.biSize + colours * sizeof(RGBQUAD);
    uint64_t stride = ((static_cast<uint64_t>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    uint64_t rows = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    if (header.biCompression != BI_RGB || tableEnd > size || stride * rows > size - tableEnd) return nullptr;
    // A copy of header and table with the greys replaced.
    std::vector<unsigned char> info(reinterpret_cast<const unsigned char*>(dib),
                                    reinterpret_cast<const unsigned char*>(dib) + tableEnd);
    RGBQUAD* table = reinterpret_cast<RGBQUAD*>(info.data() + header.biSize);
    const struct {
        COLORREF grey;
        int system;
    } map[] = {{RGB(0, 0, 0), COLOR_BTNTEXT},
               {RGB(128, 128, 128), COLOR_BTNSHADOW},
               {RGB(192, 192, 192), COLOR_BTNFACE},
               {RGB(255, 255, 255), COLOR_BTNHIGHLIGHT}};
    for (size_t i = 0; i < colours; ++i) {
        COLORREF c = RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue);
        for (const auto& m : map) {
            if (c != m.grey) continue;
            COLORREF to = GetSysColor(m.system);
            table[i].rgbRed = GetRValue(to);
            table[i].rgbGreen = GetGValue(to);
            table[i].rgbBlue = GetBValue(to);
            break;
        }
    }
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, &header, CBM_INIT, reinterpret_cast<const unsigned char*>(dib) + tableEnd,
                                    reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

HBITMAP LoadSysColorBitmap(HINSTANCE module, UINT id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* dib = loaded ? LockResource(loaded) : nullptr;
    if (!dib) return nullptr;
    return CreateSysColorBitmap(static_cast<const BITMAPINFO*>(dib), SizeofResource(module, found));
}

bool ImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    Destroy();
    EnsureCommonControls();
    m_list = ImageList_Create(cx, cy, flags, initial, grow);
    return m_list != nullptr;
}

int ImageList::Add(HBITMAP bitmap, HBITMAP mask) { return m_list ? ImageList_Add(m_list, bitmap, mask) : -1; }

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

OffScreenDC::OffScreenDC(HDC target, const RECT& rect) : m_target(target), m_dc(target), m_rect(rect) {
    if (!target) return;
    int technology = GetDeviceCaps(target, TECHNOLOGY);
    if (technology == DT_RASPRINTER || technology == DT_METAFILE) return;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    HDC memory = CreateCompatibleDC(target);
    if (!memory) return;
    m_bitmap = CreateCompatibleBitmap(target, width, height);
    if (!m_bitmap) {
        DeleteDC(memory);
        return;
    }
    m_oldBitmap = SelectObject(memory, m_bitmap);
    SetWindowOrgEx(memory, rect.left, rect.top, nullptr);
    m_dc = memory;
    m_offScreen = true;
}

OffScreenDC::~OffScreenDC() {
    if (!m_offScreen) return;
    BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, m_dc,
           m_rect.left, m_rect.top, SRCCOPY);
    SelectObject(m_dc, m_oldBitmap);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
}

}  // namespace ui
