#include "ui/resizing_dialog.h"

#include <cstdio>

#include "framework/app.h"
#include "framework/gdi.h"

CResizingDialog::CResizingDialog(UINT templateId, HWND parent) : Dialog(templateId, parent), m_templateId(templateId) {
    OnMessage(WM_CREATE, [this](WPARAM, LPARAM l) { return OnCreate(reinterpret_cast<CREATESTRUCTA*>(l)); });
    OnMessage(WM_SIZE, [this](WPARAM w, LPARAM l) { OnSize(static_cast<UINT>(w), LOWORD(l), HIWORD(l)); });
    OnMessage(WM_PAINT, &CResizingDialog::OnPaint);
    OnMessage(WM_NCHITTEST, [this](WPARAM, LPARAM l) {
        return OnNcHitTest(POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))});
    });
    OnMessage(WM_GETMINMAXINFO, [this](WPARAM, LPARAM l) { OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(l)); });
    OnMessage(WM_DESTROY, &CResizingDialog::OnDestroy);
}

CResizingDialog::~CResizingDialog() {
    if (Exists()) DestroyWindow();
}

void CResizingDialog::SetControlAnchor(uint16_t id, uint16_t flags) {
    if (flags != 0) m_anchors.push_back((static_cast<uint32_t>(flags) << 16) | id);
}

void CResizingDialog::GetProfileSection(std::string& section) const {
    char text[16];
    std::snprintf(text, sizeof text, "%x", m_templateId);
    section = text;
}

int CResizingDialog::OnCreate(CREATESTRUCTA* cs) {
    if (Default() == -1) return -1;
    m_minWidth = cs->cx;
    m_minHeight = cs->cy;
    return 0;
}

void CResizingDialog::OnGetMinMaxInfo(MINMAXINFO* info) {
    if (m_minWidth != 0) {
        info->ptMinTrackSize.x = m_minWidth;
        info->ptMinTrackSize.y = m_minHeight;
    } else {
        Default();
    }
}

bool CResizingDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    ui::App* app = ui::App::Current();
    if (m_rememberSize && app) {
        std::string section;
        GetProfileSection(section);
        int cx = app->GetProfileInt(section, "CX", 0);
        int cy = app->GetProfileInt(section, "CY", 0);
        if (cx != 0 && cy != 0) SetWindowPos(Handle(), nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE);
    }
    return false;
}

void CResizingDialog::OnSize(UINT type, int cx, int cy) {
    Default();
    if (type == SIZE_MINIMIZED) return;
    if (m_lastWidth != 0) {
        m_sized = TRUE;
        int dx = cx - m_lastWidth;
        int dy = cy - m_lastHeight;
        for (uint32_t anchor : m_anchors) {
            HWND control = Item(static_cast<int>(anchor & 0xFFFF));
            uint32_t flags = anchor >> 16;
            if (!control || flags == 0) continue;
            RECT r;
            GetWindowRect(control, &r);
            MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
            if (flags & kStretchWidth) {
                r.right += dx;
            } else if (flags & kMoveRight) {
                OffsetRect(&r, dx, 0);
            }
            if (flags & kStretchHeight) {
                r.bottom += dy;
            } else if (flags & kMoveDown) {
                OffsetRect(&r, 0, dy);
            }
            MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        }
    }
    m_lastWidth = cx;
    m_lastHeight = cy;
    if (m_gripper) InvalidateRect(Handle(), &m_gripRect, TRUE);
}

void CResizingDialog::OnPaint() {
    Default();
    if (!m_gripper) return;
    RECT client = ClientRect();
    m_gripRect = RECT{client.right - GetSystemMetrics(SM_CXHSCROLL), client.bottom - GetSystemMetrics(SM_CYVSCROLL),
                      client.right, client.bottom};
    ui::ClientDC dc(Handle());
    if (dc.Get()) DrawFrameControl(dc.Get(), &m_gripRect, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}

LRESULT CResizingDialog::OnNcHitTest(POINT screen) {
    LRESULT r = Default();
    if (r == HTCLIENT && m_gripper) {
        RECT window = WindowRect();
        RECT grip{window.right - GetSystemMetrics(SM_CXHSCROLL), window.bottom - GetSystemMetrics(SM_CYVSCROLL),
                  window.right, window.bottom};
        if (PtInRect(&grip, screen)) return HTBOTTOMRIGHT;
    }
    return r;
}

void CResizingDialog::OnDestroy() {
    ui::App* app = ui::App::Current();
    if (m_rememberSize && m_sized && m_lastWidth && m_lastHeight && app) {
        RECT r = WindowRect();
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        // Closed while minimised: keep the size it had on the screen.
        if (IsIconic(Handle()) && GetWindowPlacement(Handle(), &placement)) r = placement.rcNormalPosition;
        std::string section;
        GetProfileSection(section);
        app->WriteProfileInt(section, "CX", r.right - r.left);
        app->WriteProfileInt(section, "CY", r.bottom - r.top);
    }
    m_minWidth = m_minHeight = 0;
    m_lastWidth = m_lastHeight = 0;
    m_sized = FALSE;
    Default();
}
