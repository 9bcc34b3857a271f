#pragma once
// GDI objects that delete themselves, device contexts that release
// themselves, scoped selection, image lists and menus.
#include <windows.h>

#include <commctrl.h>

#include <string>

namespace ui {

// An owned GDI object (font, brush, pen, bitmap, region).
template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle h) : m_handle(h) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : m_handle(other.Release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    void Reset(Handle h = nullptr) {
        if (m_handle) DeleteObject(m_handle);
        m_handle = h;
    }
    Handle Release() {
        Handle h = m_handle;
        m_handle = nullptr;
        return h;
    }

private:
    Handle m_handle = nullptr;
};

using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Bitmap = GdiObject<HBITMAP>;

// The message font of the system (the one dialogs and message boxes use).
HFONT CreateMessageFont();

// Selects an object into a device context and puts the previous one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (m_dc && m_old) SelectObject(m_dc, m_old);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// GetDC / ReleaseDC (client area) or GetWindowDC.
class ClientDC {
public:
    explicit ClientDC(HWND hwnd, bool wholeWindow = false)
        : m_hwnd(hwnd), m_dc(wholeWindow ? GetWindowDC(hwnd) : GetDC(hwnd)) {}
    ~ClientDC() {
        if (m_dc) ReleaseDC(m_hwnd, m_dc);
    }
    ClientDC(const ClientDC&) = delete;
    ClientDC& operator=(const ClientDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// BeginPaint / EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : m_hwnd(hwnd) { m_dc = BeginPaint(hwnd, &m_ps); }
    ~PaintDC() { EndPaint(m_hwnd, &m_ps); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC Get() const { return m_dc; }
    const PAINTSTRUCT& Info() const { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

// A memory device context compatible with another one.
class MemoryDC {
public:
    explicit MemoryDC(HDC like) : m_dc(CreateCompatibleDC(like)) {}
    ~MemoryDC() {
        if (m_dc) DeleteDC(m_dc);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

// An off-screen device context over one rectangle of a target, in the
// target's coordinates; what is drawn on it reaches the target in one piece
// when it is destroyed. Where no bitmap can be made, the rectangle is empty
// or the target is a printer or metafile, drawing goes to the target itself.
class OffScreenDC {
public:
    OffScreenDC(HDC target, const RECT& rect);
    ~OffScreenDC();
    OffScreenDC(const OffScreenDC&) = delete;
    OffScreenDC& operator=(const OffScreenDC&) = delete;

    HDC Get() const { return m_dc; }
    const RECT& Rect() const { return m_rect; }
    bool OffScreen() const { return m_offScreen; }

private:
    HDC m_target;
    HDC m_dc;
    RECT m_rect;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    bool m_offScreen = false;
};

// A bitmap resource with the greys of toolbar images mapped to the system's
// button colours: black to COLOR_BTNTEXT, dark grey (128, 128, 128) to
// COLOR_BTNSHADOW, light grey (192, 192, 192) to COLOR_BTNFACE and white to
// COLOR_BTNHIGHLIGHT. Only bitmaps with a colour table (8 bits a pixel or
// fewer) are mapped; others load as they are. Null when it is missing.
HBITMAP LoadSysColorBitmap(HINSTANCE module, UINT id);
// The same from a packed device-independent bitmap (header, colour table,
// pixels) of the given size in bytes.
HBITMAP CreateSysColorBitmap(const BITMAPINFO* dib, size_t size);

class ImageList {
public:
    ImageList() = default;
    ~ImageList() { Destroy(); }
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;
    bool Create(int cx, int cy, UINT flags, int initial, int grow);
    // Adds the images of a bitmap (a strip of images side by side); returns
    // the index of the first, -1 on failure. The list keeps copies.
    int Add(HBITMAP bitmap, HBITMAP mask = nullptr);
    // The same with the pixels of one colour transparent.
    int AddMasked(HBITMAP bitmap, COLORREF mask);
    int Count() const { return m_list ? ImageList_GetImageCount(m_list) : 0; }
    HIMAGELIST Get() const { return m_list; }
    void Destroy();

private:
    HIMAGELIST m_list = nullptr;
};

class Menu {
public:
    Menu() = default;
    ~Menu() { Destroy(); }
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;
    // Loads a menu resource of the current module.
    bool Load(UINT id);
    bool CreatePopup();
    void Attach(HMENU menu) {
        Destroy();
        m_menu = menu;
    }
    HMENU Detach() {
        HMENU menu = m_menu;
        m_menu = nullptr;
        return menu;
    }
    HMENU Get() const { return m_menu; }
    HMENU SubMenu(int position) const { return GetSubMenu(m_menu, position); }
    bool Append(UINT flags, UINT_PTR id, const std::string& text) const {
        return AppendMenuA(m_menu, flags, id, text.c_str()) != FALSE;
    }
    void Destroy();

private:
    HMENU m_menu = nullptr;
};

}  // namespace ui
