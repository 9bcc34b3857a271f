#include "extractor/text_progress_ctrl.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "framework/gdi.h"

namespace {

RECT ClipBox(HDC dc) {
    RECT r{};
    if (dc) GetClipBox(dc, &r);
    return r;
}

}  // namespace

CMemDC::CMemDC(HDC target) : ui::OffScreenDC(target, ClipBox(target)) {}

CTextProgressCtrl::CTextProgressCtrl()
    : m_barColour(GetSysColor(COLOR_HIGHLIGHT)),
      m_backgroundColour(GetSysColor(COLOR_WINDOW)),
      m_textOverBackground(GetSysColor(COLOR_HIGHLIGHT)),
      m_textOverBar(GetSysColor(COLOR_WINDOW)) {
    OnMessage(WM_ERASEBKGND, [] { return TRUE; });
    OnMessage(WM_PAINT, [this] { OnPaint(); });
    OnMessage(WM_SIZE, [this] {
        LRESULT r = Default();
        m_lastBarWidth = -1;
        return r;
    });
    OnMessage(WM_SETTEXT, [this](WPARAM, LPARAM l) { return OnSetText(l); });
    OnMessage(WM_GETTEXT, [this](WPARAM w, LPARAM l) { return OnGetText(w, l); });
    OnMessage(WM_GETTEXTLENGTH, [this] { return static_cast<LRESULT>(m_text.size()); });
    OnMessage(WM_SETFONT, [this](WPARAM w, LPARAM l) {
        m_font = reinterpret_cast<HFONT>(w);
        if (LOWORD(l)) InvalidateRect(m_hwnd, nullptr, FALSE);
        return 0;
    });
    OnMessage(WM_GETFONT, [this] { return reinterpret_cast<LRESULT>(m_font); });
}

void CTextProgressCtrl::SetRange(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
}

int CTextProgressCtrl::ComputeBarWidth(int clientWidth) const {
    if (m_upper <= m_lower || clientWidth <= 0) return 0;
    int64_t done = static_cast<int64_t>(m_position) - m_lower;
    int64_t range = static_cast<int64_t>(m_upper) - m_lower;
    int64_t width = static_cast<int64_t>(clientWidth) * done / range;
    return static_cast<int>(std::clamp<int64_t>(width, 0, clientWidth));
}

int CTextProgressCtrl::SetPos(int position) {
    if (!Exists()) return -1;
    int previous = m_position;
    m_position = position;
    RECT client = ClientRect();
    int width = ComputeBarWidth(client.right - client.left);
    if (width != m_lastBarWidth) {
        m_lastBarWidth = width;
        RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    return previous;
}

int CTextProgressCtrl::SetStep(int step) {
    int previous = m_step;
    m_step = step;
    return previous;
}

void CTextProgressCtrl::SetShowText(bool on) {
    if (Exists() && on != m_showText) InvalidateRect(m_hwnd, nullptr, FALSE);
    m_showText = on;
}

void CTextProgressCtrl::OnPaint() {
    ui::PaintDC paint(m_hwnd);  // validates, whatever is drawn
    RECT client = ClientRect();
    CMemDC dc(paint.Get());
    HDC hdc = dc.Get();
    if (m_upper <= m_lower) {
        // An empty range shows no bar and no text, only the background.
        ui::Brush background(CreateSolidBrush(m_backgroundColour));
        FillRect(hdc, &client, background.Get());
        return;
    }
    int width = ComputeBarWidth(client.right - client.left);
    RECT bar = client;
    bar.right = client.left + width;
    RECT rest = client;
    rest.left = bar.right;
    {
        ui::Brush barBrush(CreateSolidBrush(m_barColour));
        ui::Brush restBrush(CreateSolidBrush(m_backgroundColour));
        FillRect(hdc, &bar, barBrush.Get());
        FillRect(hdc, &rest, restBrush.Get());
    }
    if (!m_showText) return;

    std::string text = m_text;
    if (text.empty()) {
        double fraction = static_cast<double>(static_cast<int64_t>(m_position) - m_lower) /
                          static_cast<double>(static_cast<int64_t>(m_upper) - m_lower);
        text = std::to_string(static_cast<int>(fraction * 100.0)) + "%";
    }
    ui::SelectGuard font(hdc, m_font ? static_cast<HGDIOBJ>(m_font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(hdc, TRANSPARENT);
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    // The clip is in device units; the surface's origin may be moved.
    POINT origin{};
    GetWindowOrgEx(hdc, &origin);
    for (int part = 0; part < 2; ++part) {
        const RECT& area = part == 0 ? bar : rest;
        HRGN clip = CreateRectRgn(area.left - origin.x, area.top - origin.y, area.right - origin.x,
                                  area.bottom - origin.y);
        SelectClipRgn(hdc, clip);
        DeleteObject(clip);
        SetTextColor(hdc, part == 0 ? m_textOverBar : m_textOverBackground);
        RECT all = client;
        DrawTextA(hdc, text.c_str(), static_cast<int>(text.size()), &all, format);
    }
    SelectClipRgn(hdc, nullptr);
}

LRESULT CTextProgressCtrl::OnSetText(LPARAM text) {
    LRESULT r = Default();
    std::string value = text ? reinterpret_cast<const char*>(text) : "";
    if (value != m_text) {
        m_text = value;
        InvalidateRect(m_hwnd, nullptr, FALSE);
    }
    return r;
}

LRESULT CTextProgressCtrl::OnGetText(WPARAM size, LPARAM buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (!out || size == 0) return 0;
    size_t n = std::min(static_cast<size_t>(size) - 1, m_text.size());
    std::memcpy(out, m_text.data(), n);
    out[n] = '\0';
    return static_cast<LRESULT>(n);
}
