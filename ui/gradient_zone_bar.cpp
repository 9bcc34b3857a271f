#include "ui/gradient_zone_bar.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "framework/app.h"
#include "ui/dialog_helpers.h"

namespace {

// The modules in which this code registered the bar's class; each one's
// registration goes when the module unloads (a library's static objects end
// then), so an unloaded library leaves no class behind pointing into it.
class ClassRegistrations {
public:
    ~ClassRegistrations() {
        for (HINSTANCE instance : m_instances) UnregisterClassA(CXGradientZoneBar::kClassName, instance);
    }
    // True when the class exists in the module (registered now or before).
    bool Ensure(HINSTANCE instance) {
        WNDCLASSA existing;
        if (GetClassInfoA(instance, CXGradientZoneBar::kClassName, &existing)) return true;
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcA;  // the bar object takes over its window at creation
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = CXGradientZoneBar::kClassName;
        if (RegisterClassA(&wc)) {
            m_instances.push_back(instance);
            return true;
        }
        return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }

private:
    std::vector<HINSTANCE> m_instances;
};

ClassRegistrations g_registrations;

HFONT CopyOfFont(HFONT font) {
    LOGFONTA lf{};
    if (!font || !GetObjectA(font, sizeof lf, &lf)) return nullptr;
    return CreateFontIndirectA(&lf);
}

HFONT StockGuiFont() {
    for (int stock : {DEFAULT_GUI_FONT, SYSTEM_FONT, ANSI_VAR_FONT}) {
        if (HGDIOBJ font = GetStockObject(stock)) return static_cast<HFONT>(font);
    }
    return nullptr;
}

TRIVERTEX Vertex(LONG x, LONG y, COLORREF colour) {
    TRIVERTEX v{};
    v.x = x;
    v.y = y;
    v.Red = static_cast<COLOR16>(GetRValue(colour) << 8);
    v.Green = static_cast<COLOR16>(GetGValue(colour) << 8);
    v.Blue = static_cast<COLOR16>(GetBValue(colour) << 8);
    v.Alpha = 0;
    return v;
}

}  // namespace

CXGradientZoneBar::CXGradientZoneBar()
    : m_textColour(GetSysColor(COLOR_WINDOWTEXT)),
      m_background(GetSysColor(COLOR_WINDOW)),
      m_gridColour(GetSysColor(COLOR_WINDOWTEXT)) {
    m_font.Reset(CopyOfFont(StockGuiFont()));
    OnMessage(WM_ERASEBKGND, &CXGradientZoneBar::OnEraseBkgnd);
    OnMessage(WM_PAINT, &CXGradientZoneBar::OnPaint);
    OnMessage(WM_MOUSEMOVE, &CXGradientZoneBar::OnMouseMove);
    OnNotify(ui::kAnyId, TTN_NEEDTEXTW, &CXGradientZoneBar::OnToolTipNeedText);
    OnNotify(ui::kAnyId, TTN_NEEDTEXTA, &CXGradientZoneBar::OnToolTipNeedText);
}

CXGradientZoneBar::~CXGradientZoneBar() {
    // The window goes first, while the handlers can still see it.
    DestroyWindow();
}

BOOL CXGradientZoneBar::Create(HINSTANCE instance, DWORD exStyle, DWORD style, const RECT& rect, HWND parent,
                               UINT id) {
    if (!parent) return FALSE;
    if (!instance) instance = ui::ThisModule();
    if (!g_registrations.Ensure(instance)) return FALSE;
    BOOL created = CreateEx(exStyle, kClassName, "", style, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance);
    LOGFONTA lf{};
    if (GetObjectA(GetDefaultFont(), sizeof lf, &lf)) {
        lf.lfEscapement = m_textAngle * 10;
        lf.lfOrientation = m_textAngle * 10;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        SetLogFont(&lf, false);
    }
    if (created) EnableToolTips();
    return created;
}

void CXGradientZoneBar::Redraw(bool redraw) {
    if (redraw && Exists()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

CXGradientZoneBar& CXGradientZoneBar::SetZones(int count, const StrengthZone* zones, bool redraw) {
    m_zones.clear();
    if (count > 0 && zones) m_zones.assign(zones, zones + count);
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetFontFace(const std::string& face, int points, bool redraw) {
    LOGFONTA lf{};
    if (!face.empty()) {
        CopyBoundedText(lf.lfFaceName, sizeof lf.lfFaceName, face);
    } else if (m_font) {
        GetObjectA(m_font.Get(), sizeof lf, &lf);
    }
    lf.lfHeight = PointsToHeight(points);
    return SetLogFont(&lf, redraw);
}

CXGradientZoneBar& CXGradientZoneBar::SetLogFont(const LOGFONTA* font, bool redraw) {
    if (!font) return *this;
    m_font.Reset(CreateFontIndirectA(font));
    Redraw(redraw);
    return *this;
}

int CXGradientZoneBar::PointsToHeight(int points) {
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) DeleteDC(dc);
    return -MulDiv(points, dpi, 72);
}

HFONT CXGradientZoneBar::GetDefaultFont() const {
    if (Exists()) {
        if (HFONT own = reinterpret_cast<HFONT>(Send(WM_GETFONT))) return own;
        HWND parent = GetParent(Handle());
        if (HFONT inherited = parent ? reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0)) : nullptr) {
            return inherited;
        }
    }
    return StockGuiFont();
}

CXGradientZoneBar& CXGradientZoneBar::SetPos(int percent, bool redraw) {
    m_position = std::clamp(percent, 0, 100);
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetTextColor(COLORREF colour, bool redraw) {
    m_textColour = colour;
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetBackgroundColor(COLORREF colour, bool redraw) {
    m_background = colour;
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetGridColor(COLORREF colour, bool redraw) {
    m_gridColour = colour;
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetDivisions(int divisions, bool redraw) {
    m_divisions = divisions;
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetTickLengths(int shortTick, int longTick, bool redraw) {
    m_shortTick = shortTick;
    m_longTick = longTick;
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetText(const std::string& text, bool redraw) {
    m_text = text;
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetLabel(const std::string& label, bool redraw) {
    m_label = label;
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetUpright(bool upright, bool redraw) {
    m_upright = upright ? TRUE : FALSE;
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetTextAngle(int degrees, bool redraw) {
    m_textAngle = degrees;
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetGridStyle(int style, bool redraw) {
    m_gridStyle = style;
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetTextAlignment(int horizontal, int vertical, bool redraw) {
    m_hAlign = horizontal;
    m_vAlign = vertical;
    Redraw(redraw);
    return *this;
}

CXGradientZoneBar& CXGradientZoneBar::SetToolTipMode(int mode, bool redraw) {
    m_tipMode = mode;
    Redraw(redraw);
    return *this;
}

// ---------------------------------------------------------------------------
// Painting

void CXGradientZoneBar::OnPaint() {
    ui::PaintDC paint(Handle());
    RECT client = ClientRect();
    int width = client.right - client.left, height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return;
    ui::MemoryDC memory(paint.Get());
    ui::Bitmap bitmap(CreateCompatibleBitmap(paint.Get(), width, height));
    if (!memory.Get() || !bitmap) {
        Draw(paint.Get(), client);  // no memory for a buffer: straight onto the window
        return;
    }
    {
        ui::SelectGuard select(memory.Get(), bitmap.Get());
        Draw(memory.Get(), client);
        BitBlt(paint.Get(), 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
    }
}

void CXGradientZoneBar::Draw(HDC dc, const RECT& client) {
    if (m_background != kNoBackground) FillSolid(dc, client, m_background);
    if (m_upright) {
        DrawUpright(dc, client);
    } else {
        DrawHorizontal(dc, client);
    }
}

COLORREF CXGradientZoneBar::StripColour() const {
    return m_background != kNoBackground ? m_background : GetSysColor(COLOR_WINDOW);
}

void CXGradientZoneBar::FillSolid(HDC dc, const RECT& r, COLORREF colour) {
    COLORREF old = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void CXGradientZoneBar::Gradient(HDC dc, const RECT& r, COLORREF first, COLORREF second, bool vertical) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    TRIVERTEX vertices[2] = {Vertex(r.left, r.top, first), Vertex(r.right, r.bottom, second)};
    GRADIENT_RECT rect{0, 1};
    GradientFill(dc, vertices, 2, &rect, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

void CXGradientZoneBar::DrawHorizontal(HDC dc, const RECT& r) {
    const int width = r.right - r.left;
    int start = r.left;
    for (size_t i = 0; i < m_zones.size(); ++i) {
        const StrengthZone& zone = m_zones[i];
        int end = i + 1 == m_zones.size() ? r.right
                                          : start + static_cast<int>(static_cast<int64_t>(zone.extent) * width / 100);
        Gradient(dc, RECT{start, r.top, end, r.bottom}, zone.from, zone.to, false);
        start = end;
    }
    if (m_position < 100) {
        FillSolid(dc, RECT{r.left + width * m_position / 100, r.top, r.right, r.bottom}, StripColour());
    }
    if (m_gridStyle != kNoGrid) DrawGrid(dc, r);
    if (!m_text.empty()) DrawText(dc, r);
}

void CXGradientZoneBar::DrawUpright(HDC dc, const RECT& r) {
    const int height = r.bottom - r.top;
    int start = r.bottom;
    for (size_t i = 0; i < m_zones.size(); ++i) {
        const StrengthZone& zone = m_zones[i];
        int end = i + 1 == m_zones.size() ? r.top
                                          : start - static_cast<int>(static_cast<int64_t>(zone.extent) * height / 100);
        // From colour at the zone's bottom, to colour at its top.
        Gradient(dc, RECT{r.left, end, r.right, start}, zone.to, zone.from, true);
        start = end;
    }
    if (m_position < 100) {
        FillSolid(dc, RECT{r.left, r.top, r.right, r.top + height - height * m_position / 100}, StripColour());
    }
    if (m_gridStyle != kNoGrid) DrawGrid(dc, r);
    if (!m_text.empty()) DrawText(dc, r);
}

void CXGradientZoneBar::DrawGrid(HDC dc, const RECT& r) {
    // A step of less than one pixel (or no zones, no divisions) gives no grid.
    int64_t ticks = static_cast<int64_t>(m_zones.size()) * m_divisions;
    if (ticks <= 0) return;
    const int length = m_upright ? r.bottom - r.top : r.right - r.left;
    const int step = static_cast<int>(length / ticks);
    if (step <= 0) return;
    ui::Pen pen(CreatePen(PS_SOLID, 1, m_gridColour));
    ui::SelectGuard select(dc, pen.Get());
    auto line = [dc](int x1, int y1, int x2, int y2) {
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
    };
    int n = 0;
    if (!m_upright) {
        for (int x = r.left + step; x < r.right; x += step) {
            int tick = ++n % 10 == 0 ? m_longTick : m_shortTick;
            if (m_gridStyle == kTicksTop || m_gridStyle == kTicksBoth) line(x, r.top, x, r.top + tick);
            if (m_gridStyle == kTicksBottom || m_gridStyle == kTicksBoth) line(x, r.bottom - 1, x, r.bottom - 1 - tick);
            if (m_gridStyle == kGridLines) line(x, r.top, x, r.bottom);
        }
    } else {
        for (int y = r.bottom - step; y > r.top; y -= step) {
            int tick = ++n % 10 == 0 ? m_longTick : m_shortTick;
            if (m_gridStyle == kTicksTop || m_gridStyle == kTicksBoth) line(r.left, y, r.left + tick, y);
            if (m_gridStyle == kTicksBottom || m_gridStyle == kTicksBoth) line(r.right - 1, y, r.right - 1 - tick, y);
            if (m_gridStyle == kGridLines) line(r.left, y, r.right, y);
        }
    }
    if (m_gridStyle == kGridLines) {
        line(r.left, r.top, r.right - 1, r.top);
        line(r.right - 1, r.top, r.right - 1, r.bottom - 1);
        line(r.right - 1, r.bottom - 1, r.left, r.bottom - 1);
        line(r.left, r.bottom - 1, r.left, r.top);
    }
}

void CXGradientZoneBar::DrawText(HDC dc, const RECT& r) {
    ui::SelectGuard font(dc, m_font.Get());
    ::SetTextColor(dc, m_textColour);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    SIZE extent{};
    GetTextExtentPoint32A(dc, m_text.c_str(), static_cast<int>(m_text.size()), &extent);
    // The text's box: its extent plus one pixel, turned with the text.
    const bool turned = m_textAngle == 90 || m_textAngle == 270;
    const int w = (turned ? extent.cy : extent.cx) + 1;
    const int h = (turned ? extent.cx : extent.cy) + 1;
    int x = r.left + (r.right - r.left - w) / 2;
    if (m_hAlign == kAlignLeft) x = r.left;
    if (m_hAlign == kAlignRight) x = r.right - w;
    int y = r.top + (r.bottom - r.top - h) / 2;
    if (m_vAlign == kAlignTop) y = r.top - 1;
    if (m_vAlign == kAlignBottom) y = r.bottom - 1 - h;
    // The text starts at the box corner it grows away from.
    if (m_textAngle == 90) y += h - 1;
    if (m_textAngle == 270) x += w - 1;
    TextOutA(dc, x, y, m_text.c_str(), static_cast<int>(m_text.size()));
    SetBkMode(dc, oldMode);
}

// ---------------------------------------------------------------------------
// Tooltips

void CXGradientZoneBar::EnableToolTips() {
    if (m_tip.Handle() || !m_tip.Create(Handle(), false)) return;
    m_tip.SetMaxTipWidth(300);
}

INT_PTR CXGradientZoneBar::OnToolHitTest(POINT point, TTTOOLINFOA* info) const {
    UINT_PTR id = MAKELONG(point.x, point.y);
    if (info) {
        info->hwnd = Handle();
        info->uId = id;
        info->rect = RECT{point.x - 4, point.y - 4, point.x + 4, point.y + 4};
        info->uFlags |= 0x80000000u | 0x40000000u;  // no button; the tip shows whatever the window's state
        info->lpszText = LPSTR_TEXTCALLBACKA;
    }
    return static_cast<INT_PTR>(id);
}

void CXGradientZoneBar::OnMouseMove(WPARAM w, LPARAM l) {
    if (m_tip.Handle()) {
        POINT point{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
        TTTOOLINFOA info{};
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        UINT_PTR id = static_cast<UINT_PTR>(OnToolHitTest(point, &info));
        if (!m_hasTool || id != m_toolId) {
            // Outside the last point's square: that point's tool makes way for this one's.
            if (m_hasTool) {
                TTTOOLINFOA old{};
                old.cbSize = TTTOOLINFOA_V1_SIZE;
                old.hwnd = Handle();
                old.uId = m_toolId;
                m_tip.Send(TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&old));
            }
            info.uFlags &= ~(0x80000000u | 0x40000000u);  // flags of our own, not the control's
            m_hasTool = m_tip.Send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != 0;
            m_toolId = id;
        }
        MSG msg{Handle(), WM_MOUSEMOVE, w, l, static_cast<DWORD>(GetMessageTime()), {}};
        m_tip.RelayEvent(&msg);
    }
    Default();
}

std::string CXGradientZoneBar::ToolTipText() const {
    char percent[16];
    std::snprintf(percent, sizeof percent, "%u%%", static_cast<unsigned>(m_position));
    switch (m_tipMode) {
        case kTipLabel: return m_label;
        case kTipPercent: return percent;
        case kTipLabelPercent: return m_label + percent;
        case kTipPercentLabel: return percent + m_label;
        default: return "";
    }
}

int CXGradientZoneBar::GetToolTipText(NMHDR* header) {
    if (!header) return 0;
    std::string text = ToolTipText();
    if (text.empty()) return 0;
    if (header->code == TTN_NEEDTEXTW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        CopyBoundedText(info->szText, sizeof info->szText / sizeof info->szText[0], text);
        info->lpszText = info->szText;
    } else {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        CopyBoundedText(info->szText, sizeof info->szText, text);
        info->lpszText = info->szText;
    }
    return 0;
}

LRESULT CXGradientZoneBar::OnToolTipNeedText(NMHDR* header) { return GetToolTipText(header); }
