#include "ui/progress_wnd.h"

#include <cstdint>

#include "framework/app.h"

namespace {

const int kWidth = 390;
const int kHeight = 130;
const size_t kMaxText = 511;

}  // namespace

CProgressWnd::CProgressWnd() {
    InitDefaults();
    OnMessage(WM_ERASEBKGND, [this](WPARAM w, LPARAM) { return OnEraseBkgnd(reinterpret_cast<HDC>(w)); });
    OnCommand(kButtonId, &CProgressWnd::OnCancel);
    OnMessage(WM_DESTROY, &CProgressWnd::OnDestroy);
}

CProgressWnd::~CProgressWnd() { DestroyWindow(); }

void CProgressWnd::InitDefaults() {
    m_cancelled = 0;
    m_persistentPosition = 1;
    m_pos = 0;
    m_percent = 0;
    m_step = 1;
    m_upper = 100;
    m_lower = 0;
    m_lines = 4;
    m_caption = "Progress";
    m_cancelText = " Cancel ";
}

BOOL CProgressWnd::Create(HWND parent, const std::string& title, BOOL smooth) {
    if (Handle()) return FALSE;
    std::string cls = RegisterWindowClass(CS_OWNDC | CS_HREDRAW | CS_VREDRAW, LoadCursor(nullptr, IDC_APPSTARTING),
                                          GetSysColorBrush(COLOR_BTNFACE), nullptr);
    m_font.Reset(ui::CreateMessageFont());
    if (!parent) parent = ui::MainWindow();
    if (!CreateEx(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, cls, title, WS_POPUP | WS_CAPTION, 0, 0, kWidth, kHeight,
                  parent, nullptr)) {
        return FALSE;
    }
    RECT r{0, 0, 10, 10};
    if (!m_text.Create("", WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_LEFTNOWORDWRAP, r, Handle(), kTextId)) return FALSE;
    if (!m_bar.Create(WS_CHILD | WS_VISIBLE | (smooth ? PBS_SMOOTH : 0), r, Handle(), kBarId)) return FALSE;
    if (!m_button.Create(m_cancelText, WS_CHILD | WS_VISIBLE | WS_TABSTOP, r, Handle(), kButtonId)) return FALSE;
    m_button.SetFont(m_font.Get());
    m_text.SetFont(m_font.Get());
    ArrangeControls(m_lines, kWidth);
    if (m_persistentPosition) {
        RestorePosition();
    } else {
        CenterWindow();
    }
    Show();
    return TRUE;
}

void CProgressWnd::ArrangeControls(int lines, int width) {
    int cxEdge = GetSystemMetrics(SM_CXEDGE);
    int cyEdge = GetSystemMetrics(SM_CYEDGE);
    RECT text{10, 10, width - 20, 120};
    // Without a device context the unmeasured rectangle and a plain button stay.
    int buttonWidth = 75;
    int buttonHeight = 23;
    {
        ui::ClientDC dc(Handle());
        if (dc.Get()) {
            ui::SelectGuard font(dc.Get(), m_font.Get());
            std::string sample = "M";
            for (int i = 1; i < lines; ++i) sample += "\nM";
            DrawTextA(dc.Get(), sample.c_str(), -1, &text, DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP);
            text.right = text.left + width;
            std::string label = m_cancelText + "  ";
            SIZE extent{};
            if (GetTextExtentPoint32A(dc.Get(), label.c_str(), static_cast<int>(label.size()), &extent)) {
                buttonWidth = extent.cx + 4 * cxEdge;
                buttonHeight = extent.cy + 3 * cyEdge;
            }
        }
    }
    RECT button{text.right - buttonWidth, text.bottom + 10, text.right, text.bottom + 10 + buttonHeight};
    RECT bar{text.left, button.top + cyEdge, button.left - 10, button.bottom - cyEdge};

    int clientWidth = (text.right - text.left) + 20;
    int clientHeight = (text.bottom - text.top) + buttonHeight + 30;
    RECT window = WindowRect();
    RECT client = ClientRect();
    int newWidth = (window.right - window.left) + clientWidth - (client.right - client.left);
    int newHeight = (window.bottom - window.top) + clientHeight - (client.bottom - client.top);
    MoveWindow(Handle(), window.left, window.top, newWidth, newHeight, TRUE);

    m_bar.MoveTo(bar);
    m_button.MoveTo(button);
    m_text.MoveTo(text);
}

void CProgressWnd::Show() {
    if (!Exists() || Visible()) return;
    ModifyStyle(0, WS_VISIBLE);
    ShowWindow(Handle(), SW_SHOWNA);
    RedrawWindow(Handle(), nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
}

void CProgressWnd::Hide() {
    if (!Exists() || !Visible()) return;
    ShowWindow(Handle(), SW_HIDE);
    ModifyStyle(WS_VISIBLE, 0);
}

void CProgressWnd::SetRange(int lower, int upper, int step) {
    if (!Exists()) return;
    m_bar.SetRange32(lower, upper);
    m_upper = upper;
    m_lower = lower;
    m_step = step;
    m_bar.SetStep(step);
}

void CProgressWnd::SetText(const std::string& text) {
    if (!Exists()) return;
    m_text.SetText(text.size() > kMaxText ? text.substr(0, kMaxText) : text);
}

int CProgressWnd::SetPos(int pos) {
    if (!Exists()) return m_pos;
    Show();
    m_pos = pos;
    int percent = 0;
    if (m_upper > m_lower) {
        // 64-bit: positions near the int limits must not overflow.
        int64_t done = static_cast<int64_t>(pos) - m_lower;
        int64_t share = done * 100 / (static_cast<int64_t>(m_upper) - m_lower);
        percent = static_cast<int>(share < 0 ? 0 : share > 100 ? 100 : share);
    }
    if (percent != m_percent) {
        m_percent = percent;
        ui::Window::SetText(m_caption + " [" + std::to_string(percent) + "%]");
    }
    return m_bar.SetPos(pos);
}

int CProgressWnd::StepIt() {
    if (!Exists()) return m_pos;
    Show();
    // Wraps like the bar does rather than overflowing.
    return SetPos(static_cast<int>(static_cast<uint32_t>(m_pos) + static_cast<uint32_t>(m_step)));
}

void CProgressWnd::PeekAndPump(BOOL cancelOnEsc) {
    while (!m_cancelled) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) return;
        if (cancelOnEsc && msg.message == WM_CHAR && msg.wParam == 27) OnCancel();
        int quitCode = 0;
        ui::PumpResult pumped = ui::PumpOneMessage(&quitCode);
        if (pumped == ui::PumpResult::Quit) {
            PostQuitMessage(quitCode);  // for the application's own loop, with its code
            return;
        }
        if (pumped == ui::PumpResult::Empty) return;
    }
}

void CProgressWnd::OnCancel() {
    m_cancelled = 1;
    Hide();
    HWND main = ui::MainWindow();
    if (main) SetForegroundWindow(main);
}

BOOL CProgressWnd::OnEraseBkgnd(HDC dc) {
    RECT clip;
    GetClipBox(dc, &clip);
    HGDIOBJ old = SelectObject(dc, GetSysColorBrush(COLOR_BTNFACE));
    PatBlt(dc, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, PATCOPY);
    SelectObject(dc, old);
    return TRUE;
}

void CProgressWnd::OnDestroy() {
    if (m_persistentPosition) SavePosition();
    Default();
}

void CProgressWnd::RestorePosition() {
    ui::App* app = ui::App::Current();
    int x = app ? app->GetProfileInt("Settings", "X", -1) : -1;
    int y = app ? app->GetProfileInt("Settings", "Y", -1) : -1;
    if (x < 0 || x >= GetSystemMetrics(SM_CXSCREEN) || y < 0 || y >= GetSystemMetrics(SM_CYSCREEN)) {
        CenterWindow();
    } else {
        SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
}

void CProgressWnd::SavePosition() {
    ui::App* app = ui::App::Current();
    if (!Exists() || !app) return;
    RECT r = WindowRect();
    app->WriteProfileInt("Settings", "X", r.left);
    app->WriteProfileInt("Settings", "Y", r.top);
}
