// Measuring and drawing the items of the owner-drawn menu in the classic
// and the XP style, the image variants and the marks.
#include <algorithm>
#include <memory>
#include <string>

#include "framework/gdi.h"
#include "ui/tamsel_menu.h"
#include "ui/tamsel_menu_internal.h"

namespace {

constexpr int kGapClassic = 4;
constexpr int kGapXP = 7;
constexpr int kColumnXP = TamselMenu::kImageWidth + kGapXP;  // 23

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    COLORREF old = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void Frame(HDC dc, const RECT& r, COLORREF colour) {
    ui::Brush brush(CreateSolidBrush(colour));
    FrameRect(dc, &r, brush.Get());
}

// Top and left in one colour, bottom and right in the other.
void Frame3d(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    int w = r.right - r.left, h = r.bottom - r.top;
    Fill(dc, RECT{r.left, r.top, r.left + w - 1, r.top + 1}, topLeft);
    Fill(dc, RECT{r.left, r.top, r.left + 1, r.top + h - 1}, topLeft);
    Fill(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    Fill(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

COLORREF Sys(int index) { return GetSysColor(index); }

const TamselMenuData* RecordOf(const DRAWITEMSTRUCT* dis) {
    return reinterpret_cast<const TamselMenuData*>(dis->itemData);
}

// Radio-style items carry a checked-state bitmap.
bool IsRadio(const DRAWITEMSTRUCT* dis) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_CHECKMARKS;
    return GetMenuItemInfoA(reinterpret_cast<HMENU>(dis->hwndItem), dis->itemID, FALSE, &info) &&
           info.hbmpChecked != nullptr;
}

// The colour a bitmap stores for the button face: a bitmap of its format
// filled with it, read back. memory holds the bitmap.
COLORREF StoredFace(HDC memory) {
    ui::Bitmap probe(CreateCompatibleBitmap(memory, 1, 1));
    ui::MemoryDC probeDC(memory);
    if (!probe || !probeDC.Get()) return Sys(COLOR_BTNFACE);
    ui::SelectGuard select(probeDC.Get(), probe.Get());
    SetPixelV(probeDC.Get(), 0, 0, Sys(COLOR_BTNFACE));
    return GetPixel(probeDC.Get(), 0, 0);
}

// Visits every pixel of a bitmap, column by column; f(colour, isBackground)
// returns the new colour or CLR_INVALID to keep it.
template <class F>
void ChangePixels(HBITMAP bitmap, F f) {
    if (!bitmap) return;
    ui::MemoryDC memory(nullptr);
    if (!memory.Get()) return;
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    ui::SelectGuard select(memory.Get(), bitmap);
    COLORREF face = StoredFace(memory.Get());
    for (int x = 0; x < info.bmWidth; ++x) {
        for (int y = 0; y < info.bmHeight; ++y) {
            COLORREF pixel = GetPixel(memory.Get(), x, y);
            COLORREF changed = f(pixel, pixel == face);
            if (changed != CLR_INVALID) SetPixelV(memory.Get(), x, y, changed);
        }
    }
}

struct TextParts {
    std::wstring label;
    std::wstring accelerator;
    bool hasTab = false;
};

TextParts SplitText(const std::wstring& text) {
    TextParts parts;
    size_t first = text.find(L'\t');
    parts.label = text.substr(0, first);
    if (first != std::wstring::npos) {
        parts.hasTab = true;
        parts.accelerator = text.substr(text.rfind(L'\t') + 1);
    }
    // Spaces that line accelerators up draw nothing.
    size_t end = parts.label.find_last_not_of(L' ');
    parts.label.resize(end == std::wstring::npos ? 0 : end + 1);
    return parts;
}

// Label left, accelerator right, one line, vertically centred. A label
// wider than the whole item (a very long text) ends in "..." before the
// accelerator instead of running under it.
void DrawParts(HDC dc, const TextParts& parts, RECT area, COLORREF colour) {
    COLORREF oldColour = SetTextColor(dc, colour);
    RECT label = area;
    UINT labelFormat = DT_LEFT | DT_SINGLELINE | DT_VCENTER;
    RECT measure = area;
    DrawTextW(dc, parts.label.c_str(), -1, &measure, DT_SINGLELINE | DT_CALCRECT);
    if (measure.right - measure.left > area.right - area.left) {
        labelFormat |= DT_END_ELLIPSIS;
        if (!parts.accelerator.empty()) {
            RECT accelerator = area;
            DrawTextW(dc, parts.accelerator.c_str(), -1, &accelerator, DT_SINGLELINE | DT_CALCRECT);
            label.right = std::max(label.left, area.right - (accelerator.right - accelerator.left) - 4);
        }
    }
    if (!parts.accelerator.empty()) {
        DrawTextW(dc, parts.accelerator.c_str(), -1, &area, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
    }
    DrawTextW(dc, parts.label.c_str(), -1, &label, labelFormat);
    SetTextColor(dc, oldColour);
}

// The default item's label is bold: the font of the context in bold.
class BoldScope {
public:
    BoldScope(HDC dc, bool bold) : m_dc(dc) {
        if (!bold) return;
        LOGFONTA font{};
        if (!GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof font, &font)) return;
        font.lfWeight = FW_BOLD;
        m_font.Reset(CreateFontIndirectA(&font));
        if (m_font) m_old = SelectObject(dc, m_font.Get());
    }
    ~BoldScope() {
        if (m_old) SelectObject(m_dc, m_old);
    }
    BoldScope(const BoldScope&) = delete;
    BoldScope& operator=(const BoldScope&) = delete;

private:
    HDC m_dc;
    ui::Font m_font;
    HGDIOBJ m_old = nullptr;
};

}  // namespace

COLORREF LightenColor(COLORREF colour, double f) {
    if (!(f > 0.0 && f <= 1.0)) return colour;
    auto channel = [f](int x) { return static_cast<int>(x + f * (255 - x)); };
    return RGB(channel(GetRValue(colour)), channel(GetGValue(colour)), channel(GetBValue(colour)));
}

COLORREF DarkenColor(COLORREF colour, double f) {
    if (!(f > 0.0 && f <= 1.0)) return colour;
    auto channel = [f](int x) { return static_cast<int>(x - f * x); };
    return RGB(channel(GetRValue(colour)), channel(GetGValue(colour)), channel(GetBValue(colour)));
}

// Measuring.

void TamselMenu::MeasureItem(MEASUREITEMSTRUCT* mis) {
    const auto* record = reinterpret_cast<const TamselMenuData*>(mis->itemData);
    if (!record) return;
    bool xp = IsXPStyle();
    int gap = xp ? kGapXP : kGapClassic;
    if (record->flags & MF_SEPARATOR) {
        mis->itemWidth = 0;
        mis->itemHeight = xp ? 3 : std::max((gap + kImageHeight) / 2, GetSystemMetrics(SM_CYMENU) / 2);
        return;
    }
    // The default item is measured as it is drawn, in bold.
    bool bold = false;
    auto it = std::find(m_items.begin(), m_items.end(), record);
    if (m_menu && it != m_items.end()) {
        UINT position = static_cast<UINT>(it - m_items.begin());
        bold = GetMenuDefaultItem(m_menu, TRUE, 0) == position;
    }
    SIZE size{};
    ui::Font font(tamsel::CreateMenuFont(bold));
    HWND window = tamsel::MeasuringWindow();
    if (HDC dc = GetDC(window)) {
        {
            ui::SelectGuard select(dc, HasNewShell() ? font.Get() : nullptr);
            if (!GetTextExtentPoint32W(dc, record->text.c_str(), static_cast<int>(record->text.size()), &size)) {
                size = SIZE{};
            }
        }
        ReleaseDC(window, dc);
    }
    long width = xp ? size.cx + 16 + gap + 8 : size.cx + 2 * 16 + 1;
    // However long its text, an item leaves the popup, with what the system
    // adds around it, on the screen: it takes at most three quarters of it.
    long widest = GetSystemMetrics(SM_CXSCREEN) * 3 / 4;
    if (widest > 0 && width > widest) width = widest;
    mis->itemWidth = static_cast<UINT>(std::max(width, 0L));
    mis->itemHeight = static_cast<UINT>(std::max(GetSystemMetrics(SM_CYMENU), kImageHeight + gap));
}

// Drawing.

void TamselMenu::DrawItem(const DRAWITEMSTRUCT* dis) {
    if (!dis || !RecordOf(dis)) return;
    bool palette = (GetDeviceCaps(dis->hDC, RASTERCAPS) & RC_PALETTE) != 0;
    if (IsXPStyle() && !palette) {
        DrawItemXP(dis);
    } else {
        DrawItemClassic(dis);
    }
}

void TamselMenu::DrawItemClassic(const DRAWITEMSTRUCT* dis) {
    const TamselMenuData* record = RecordOf(dis);
    HDC dc = dis->hDC;
    RECT rc = dis->rcItem;
    COLORREF background = IsXPStyle() ? Sys(COLOR_BTNFACE) : Sys(COLOR_MENU);
    COLORREF text = Sys(COLOR_MENUTEXT);
    bool selected = (dis->itemState & ODS_SELECTED) != 0;
    bool grayed = (dis->itemState & ODS_GRAYED) != 0;
    bool checked = (dis->itemState & ODS_CHECKED) != 0;

    if (record->flags & MF_SEPARATOR) {
        Fill(dc, rc, background);
        rc.top += (rc.bottom - rc.top) / 2;
        DrawEdge(dc, &rc, EDGE_ETCHED, BF_TOP);
        return;
    }
    HIMAGELIST images = SharedImages();
    bool hasImage = record->image >= 0 && images;

    if (!selected) {
        Fill(dc, rc, background);
        Frame(dc, rc, background);
    } else {
        RECT bar = rc;
        if (hasImage || checked) bar.left += kImageWidth + 5;
        Fill(dc, bar, Sys(COLOR_HIGHLIGHT));
        text = Sys(COLOR_HIGHLIGHTTEXT);
    }

    int dy = std::max(0, static_cast<int>((rc.bottom - rc.top) - kImageHeight - 4) / 2);
    POINT at{rc.left + 2, rc.top + dy + 2};
    RECT inner{rc.left + 1, rc.top + dy + 1, rc.left + 19, rc.top + dy + 18};
    RECT box{rc.left, rc.top + dy, rc.left + 20, rc.top + dy + 19};

    if (hasImage) {
        Frame(dc, inner, background);
        if (!grayed && selected) {
            Fill(dc, inner, background);
            if (HasNewShell()) {
                if (checked) {
                    Frame3d(dc, box, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
                } else {
                    Frame3d(dc, box, Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_BTNSHADOW));
                }
            }
            ImageList_Draw(images, record->image, dc, at.x, at.y, ILD_TRANSPARENT);
        } else if (!grayed && checked) {
            Fill(dc, inner, LightenColor(background, 0.6));
            if (HasNewShell()) Frame3d(dc, box, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
            ImageList_Draw(images, record->image, dc, at.x, at.y, ILD_TRANSPARENT);
        } else if (!grayed) {
            Fill(dc, inner, background);
            Frame(dc, box, background);
            ImageList_Draw(images, record->image, dc, at.x, at.y, ILD_TRANSPARENT);
        } else {
            HBITMAP made = nullptr;
            Frame(dc, box, background);
            if (ImageToBitmap(dc, images, record->image, made)) {
                ui::Bitmap bitmap(made);
                if (HighColourLoaded()) {
                    DrawShaded(dc, at.x, at.y, kImageWidth, kImageHeight, bitmap.Get(), background);
                } else {
                    DrawEmbossed(dc, at.x, at.y, kImageWidth, kImageHeight, bitmap.Get(), background);
                }
            }
        }
    } else if (checked) {
        RECT check{rc.left + 1, rc.top + dy + 2, rc.left + 17, rc.top + dy + 17};
        DrawCheckClassic(dc, check, selected, IsRadio(dis));
    }

    if (record->text.empty()) return;
    TextParts parts = SplitText(record->text);
    RECT area{rc.left + kImageWidth + 9, rc.top - 1, rc.right, rc.bottom - 1};
    if (parts.hasTab) area.right -= 16;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    BoldScope bold(dc, (dis->itemState & ODS_DEFAULT) != 0);
    if (grayed && selected) {
        DrawParts(dc, parts, area, background);
    } else if (grayed) {
        RECT raised = area;
        OffsetRect(&raised, 1, 1);
        DrawParts(dc, parts, raised, Sys(COLOR_BTNHIGHLIGHT));
        DrawParts(dc, parts, area, Sys(COLOR_GRAYTEXT));
    } else {
        DrawParts(dc, parts, area, text);
    }
    SetBkMode(dc, oldMode);
}

void TamselMenu::DrawItemXP(const DRAWITEMSTRUCT* dis) {
    const TamselMenuData* record = RecordOf(dis);
    RECT rc = dis->rcItem;
    COLORREF background = DarkenColor(Sys(COLOR_WINDOW), 0.02);
    COLORREF column = Sys(COLOR_BTNFACE);
    COLORREF highlight = Sys(COLOR_HIGHLIGHT);
    COLORREF selection = LightenColor(highlight, 0.7);
    bool grayed = (dis->itemState & ODS_GRAYED) != 0;
    bool selected = !grayed && (dis->itemState & ODS_SELECTED) != 0;
    bool checked = (dis->itemState & ODS_CHECKED) != 0;

    // A grayed item is drawn off-screen in the menu font.
    std::unique_ptr<TamselMenuMemDC> memory;
    ui::Font menuFont;
    HGDIOBJ oldFont = nullptr;
    HDC dc = dis->hDC;
    if (grayed) {
        memory = std::make_unique<TamselMenuMemDC>(dis->hDC, rc);
        dc = memory->Get();
        menuFont.Reset(tamsel::CreateMenuFont(false));
        if (menuFont) oldFont = SelectObject(dc, menuFont.Get());
    }
    struct FontBack {
        HDC dc;
        HGDIOBJ old;
        ~FontBack() {
            if (old) SelectObject(dc, old);
        }
    } fontBack{dc, oldFont};

    RECT columnRect{rc.left, rc.top, rc.left + kColumnXP, rc.bottom};
    if (record->flags & MF_SEPARATOR) {
        Fill(dc, rc, background);
        RECT line{rc.left + kColumnXP + 7, rc.top + (rc.bottom - rc.top) / 2, rc.right, rc.bottom};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        Fill(dc, columnRect, column);
        Frame(dc, columnRect, column);
        return;
    }
    HIMAGELIST images = SharedImages();
    bool hasImage = record->image >= 0 && images;
    bool xpSet = hasImage && HasXPImageSet(record->image);

    if (!selected) {
        Fill(dc, rc, background);
        Frame(dc, rc, background);
        Fill(dc, columnRect, column);
        Frame(dc, columnRect, column);
    } else {
        Fill(dc, rc, selection);
        Frame(dc, rc, highlight);
    }

    RECT box{rc.left + 1, rc.top + 1, rc.left + kColumnXP - 2, rc.bottom - 1};
    int x = rc.left + static_cast<int>((kColumnXP - kImageWidth) * 0.5 + 0.5);
    int y = rc.top + static_cast<int>(((rc.bottom - rc.top) - kImageHeight) * 0.5 + 0.5);
    if (y < rc.top) y = rc.top;
    int image = record->image;

    if (hasImage && !grayed) {
        if (selected && checked) {
            Fill(dc, box, LightenColor(highlight, 0.55));
            Frame(dc, box, highlight);
            ImageList_Draw(images, image, dc, x - 1, y - 1, ILD_TRANSPARENT);
        } else if (selected) {
            Fill(dc, box, selection);
            if (xpSet) {
                ImageList_Draw(images, image + 2, dc, x + 1, y + 1, ILD_TRANSPARENT);
                ImageList_Draw(images, image, dc, x - 1, y - 1, ILD_TRANSPARENT);
            } else {
                ImageList_Draw(images, image, dc, x, y, ILD_TRANSPARENT);
            }
        } else if (checked) {
            Fill(dc, box, LightenColor(highlight, 0.85));
            Frame(dc, box, highlight);
            ImageList_Draw(images, image, dc, x - 1, y - 1, ILD_TRANSPARENT);
        } else {
            Fill(dc, box, column);
            Frame(dc, box, column);
            ImageList_Draw(images, xpSet ? image + 1 : image, dc, x, y, ILD_TRANSPARENT);
        }
    } else if (hasImage) {
        if (xpSet) {
            ImageList_Draw(images, image + 3, dc, x, y, ILD_TRANSPARENT);
        } else {
            HBITMAP made = nullptr;
            if (ImageToBitmap(dc, images, image, made)) {
                ui::Bitmap bitmap(made);
                DrawEmbossed(dc, x, y, kImageWidth, kImageHeight, bitmap.Get(), column);
            }
        }
    } else if (checked) {
        DrawCheckXP(dc, box, IsRadio(dis), highlight, selected);
    }

    if (record->text.empty()) return;
    TextParts parts = SplitText(record->text);
    RECT area{rc.left + kColumnXP + 8, rc.top - 1, rc.right, rc.bottom - 1};
    if (parts.hasTab) area.right -= 16;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    {
        BoldScope bold(dc, (dis->itemState & ODS_DEFAULT) != 0);
        DrawParts(dc, parts, area, Sys(grayed ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    }
    SetBkMode(dc, oldMode);
}

// Checks and marks.

void TamselMenu::DrawCheckClassic(HDC dc, const RECT& box, bool selected, bool round) {
    COLORREF colour = IsXPStyle() ? Sys(COLOR_BTNFACE) : Sys(COLOR_MENU);
    if (!selected) colour = LightenColor(colour, 0.6);
    Fill(dc, box, colour);
    if (HasNewShell()) {
        RECT edge = box;
        DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    }
    if (round) {
        DrawRadioDot(dc, box.left + 5, box.top + 4, Sys(COLOR_MENUTEXT));
    } else {
        DrawTick(dc, box.left + 4, box.top + 4, Sys(COLOR_MENUTEXT), false);
    }
}

void TamselMenu::DrawCheckXP(HDC dc, const RECT& box, bool round, COLORREF highlight, bool selected) {
    Fill(dc, box, LightenColor(highlight, selected ? 0.55 : 0.85));
    Frame(dc, box, highlight);
    int width = box.right - box.left, height = box.bottom - box.top;
    int dx = width < 6 ? 0 : width / 2 - 3;
    int dy = height < 6 ? 0 : height / 2 - 3;
    if (round) {
        DrawRadioDot(dc, box.left + dx, box.top + dy, Sys(COLOR_MENUTEXT));
    } else {
        DrawTick(dc, box.left + dx, box.top + dy, Sys(COLOR_MENUTEXT), true);
    }
}

void TamselMenu::DrawTick(HDC dc, int x, int y, COLORREF colour, bool thin) {
    static const int kStart[7] = {2, 3, 4, 3, 2, 1, 0};
    ui::Pen pen(CreatePen(PS_SOLID, 1, colour));
    ui::SelectGuard select(dc, pen.Get());
    int rows = thin ? 2 : 3;
    for (int i = 0; i < 7; ++i) {
        MoveToEx(dc, x + i, y + kStart[i], nullptr);
        LineTo(dc, x + i, y + kStart[i] + rows);
    }
}

void TamselMenu::DrawRadioDot(HDC dc, int x, int y, COLORREF colour) {
    ui::Brush brush(CreateSolidBrush(colour));
    ui::Pen pen(CreatePen(PS_SOLID, 1, colour));
    ui::SelectGuard selectBrush(dc, brush.Get());
    ui::SelectGuard selectPen(dc, pen.Get());
    Ellipse(dc, x, y, x + 6, y + 6);
}

// Images.

bool TamselMenu::ImageToBitmap(HDC dc, HIMAGELIST list, int index, HBITMAP& bitmap) {
    bitmap = nullptr;
    if (!dc || !list || index < 0 || index >= ImageList_GetImageCount(list)) return false;
    ui::Bitmap made(CreateCompatibleBitmap(dc, kImageWidth, kImageHeight));
    if (!made) return false;
    {
        ui::MemoryDC memory(dc);
        ui::SelectGuard select(memory.Get(), made.Get());
        Fill(memory.Get(), RECT{0, 0, kImageWidth, kImageHeight}, Sys(COLOR_BTNFACE));
        ImageList_Draw(list, index, memory.Get(), 0, 0, ILD_TRANSPARENT);
    }
    bitmap = made.Release();
    return true;
}

void TamselMenu::LightenBitmap(HBITMAP bitmap) {
    ChangePixels(bitmap, [](COLORREF pixel, bool face) { return face ? CLR_INVALID : LightenColor(pixel, 0.3); });
}

void TamselMenu::ShadowBitmap(HBITMAP bitmap) {
    COLORREF shadow = Sys(COLOR_BTNSHADOW);
    ChangePixels(bitmap, [shadow](COLORREF, bool face) { return face ? CLR_INVALID : shadow; });
}

void TamselMenu::ShadeBitmap(HBITMAP bitmap, COLORREF background) {
    COLORREF shadow = Sys(COLOR_BTNSHADOW);
    ChangePixels(bitmap, [shadow, background](COLORREF pixel, bool face) {
        if (face) return background == CLR_NONE ? CLR_INVALID : background;
        int mean = (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel)) / 3;
        return LightenColor(shadow, mean / 255.0);
    });
}

void TamselMenu::DrawShaded(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, COLORREF background) {
    ShadeBitmap(bitmap, background);
    ui::MemoryDC memory(dc);
    ui::SelectGuard select(memory.Get(), bitmap);
    BitBlt(dc, x, y, width, height, memory.Get(), 0, 0, SRCCOPY);
}

void TamselMenu::DrawEmbossed(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, COLORREF background) {
    if (!bitmap || width <= 0 || height <= 0) return;
    ui::MemoryDC source(dc);
    ui::MemoryDC mask(dc);
    ui::MemoryDC work(dc);
    ui::Bitmap maskBitmap(CreateBitmap(width, height, 1, 1, nullptr));
    ui::Bitmap workBitmap(CreateCompatibleBitmap(dc, width, height));
    if (!maskBitmap || !workBitmap) return;
    ui::SelectGuard selectSource(source.Get(), bitmap);
    ui::SelectGuard selectMask(mask.Get(), maskBitmap.Get());
    ui::SelectGuard selectWork(work.Get(), workBitmap.Get());
    // The silhouette: white where the picture shows the face or the highlight.
    COLORREF oldBack = SetBkColor(source.Get(), Sys(COLOR_BTNFACE));
    BitBlt(mask.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
    SetBkColor(source.Get(), Sys(COLOR_BTNHIGHLIGHT));
    BitBlt(mask.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCPAINT);
    SetBkColor(source.Get(), oldBack);

    // Paints the brush where the mask is black, keeps the rest.
    constexpr DWORD kPaintSilhouette = 0x00B8074A;
    SetBkColor(work.Get(), RGB(255, 255, 255));
    SetTextColor(work.Get(), RGB(0, 0, 0));
    auto paint = [&](int dx, int dy, COLORREF colour) {
        ui::Brush brush(CreateSolidBrush(colour));
        ui::SelectGuard selectBrush(work.Get(), brush.Get());
        BitBlt(work.Get(), dx, dy, width, height, mask.Get(), 0, 0, kPaintSilhouette);
    };
    Fill(work.Get(), RECT{0, 0, width, height}, background);
    paint(0, 0, Sys(COLOR_BTNHIGHLIGHT));
    BitBlt(dc, x + 1, y + 1, width, height, work.Get(), 0, 0, SRCCOPY);
    paint(1, 1, Sys(COLOR_BTNHIGHLIGHT));
    paint(0, 0, Sys(COLOR_BTNSHADOW));
    BitBlt(dc, x, y, width, height, work.Get(), 0, 0, SRCCOPY);
}
