#include "ui/splash_wnd.h"

#include <string>

#include "framework/app.h"

namespace {

BOOL g_enabled = 0;
CSplashWnd* g_current = nullptr;

}  // namespace

void CSplashWnd::SetEnabled(BOOL enabled) { g_enabled = enabled; }

BOOL CSplashWnd::Enabled() { return g_enabled; }

CSplashWnd* CSplashWnd::Current() { return g_current; }

void CSplashWnd::ShowIfEnabled(HWND parent) {
    if (!g_enabled || g_current) return;
    auto* splash = new CSplashWnd;
    g_current = splash;
    if (splash->CreateSplash(parent)) {
        UpdateWindow(splash->Handle());
        return;
    }
    // A window that was made and went again during its creation has
    // deleted its object already (and cleared the current splash).
    if (g_current == splash) delete splash;
}

CSplashWnd::CSplashWnd() {
    OnMessage(WM_CREATE, &CSplashWnd::OnCreate);
    OnMessage(WM_PAINT, &CSplashWnd::OnPaint);
    OnMessage(WM_TIMER, &CSplashWnd::OnTimer);
}

CSplashWnd::~CSplashWnd() {
    if (g_current == this) g_current = nullptr;
}

BOOL CSplashWnd::CreateSplash(HWND parent) {
    HBITMAP bitmap = LoadBitmapA(ui::ResourceHandle(), MAKEINTRESOURCEA(kBitmapId));
    if (!bitmap) bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kBitmapId));
    if (!bitmap) return FALSE;
    m_bitmap.Reset(bitmap);
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    std::string cls = RegisterWindowClass(0, LoadCursor(nullptr, IDC_ARROW), nullptr, nullptr);
    return CreateEx(0, cls, "", WS_POPUP | WS_VISIBLE, 0, 0, info.bmWidth, info.bmHeight, parent, nullptr);
}

void CSplashWnd::HideSplash() {
    // The object is gone once its window is: nothing of it is used after.
    DestroyWindow();
    if (HWND main = ui::MainWindow()) UpdateWindow(main);
}

int CSplashWnd::OnCreate() {
    if (Default() == -1) return -1;
    CenterWindow();
    SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    SetTimer(m_hwnd, kTimerId, kShowMilliseconds, nullptr);
    return 0;
}

void CSplashWnd::OnPaint() {
    ui::PaintDC paint(m_hwnd);
    ui::MemoryDC memory(paint.Get());
    if (!memory.Get() || !m_bitmap) return;
    BITMAP info{};
    GetObjectA(m_bitmap.Get(), sizeof info, &info);
    ui::SelectGuard select(memory.Get(), m_bitmap.Get());
    BitBlt(paint.Get(), 0, 0, info.bmWidth, info.bmHeight, memory.Get(), 0, 0, SRCCOPY);
}

void CSplashWnd::OnTimer() { HideSplash(); }

void CSplashWnd::PostNcDestroy() { delete this; }
