// The splash window: shown only while enabled, one at a time, the size of
// its picture, centred and topmost, gone half a second later.
#include <windows.h>

#include "tests/ui/ui_test_support.h"
#include "ui/splash_wnd.h"

namespace {

class SplashTest : public uitest::UiTest {
protected:
    ~SplashTest() override {
        CSplashWnd::SetEnabled(FALSE);
        if (CSplashWnd* left = CSplashWnd::Current()) left->HideSplash();
    }
};

// Waits (pumping) until no splash is shown; the time it took.
DWORD WaitForSplashToGo(DWORD limit) {
    DWORD start = GetTickCount();
    while (CSplashWnd::Current() && GetTickCount() - start < limit) uitest::Pump(10);
    return GetTickCount() - start;
}

thread_local bool t_refuse = false;
LRESULT CALLBACK RefuseCreation(int code, WPARAM w, LPARAM l) {
    if (code == HCBT_CREATEWND && t_refuse) return 1;
    return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(SplashTest, SplashShowsOnlyWhileEnabledAndClosesItself) {
    // The state the program always has: nothing is shown.
    EXPECT_FALSE(CSplashWnd::Enabled());
    CSplashWnd::ShowIfEnabled(nullptr);
    EXPECT_EQ(nullptr, CSplashWnd::Current());

    CSplashWnd::SetEnabled(TRUE);
    DWORD shownAt = GetTickCount();
    CSplashWnd::ShowIfEnabled(nullptr);
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_NE(nullptr, splash);
    HWND window = splash->Handle();
    ASSERT_TRUE(IsWindow(window));
    RECT r = splash->WindowRect();
    EXPECT_EQ(652, r.right - r.left);
    EXPECT_EQ(472, r.bottom - r.top);
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_DLGFRAME));
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((work.left + work.right) / 2, (r.left + r.right) / 2, 1);
    EXPECT_NEAR((work.top + work.bottom) / 2, (r.top + r.bottom) / 2, 1);
    // The picture covers the window: its middle is not the blank of a new window.
    HDC dc = GetDC(window);
    COLORREF middle = GetPixel(dc, 326, 100);
    ReleaseDC(window, dc);
    EXPECT_NE(RGB(255, 255, 255), middle);
    EXPECT_NE(RGB(0, 0, 0), middle);
    uitest::Screenshot(window, "shown");

    // A second request while it is shown changes nothing.
    CSplashWnd::ShowIfEnabled(nullptr);
    EXPECT_EQ(splash, CSplashWnd::Current());
    EXPECT_EQ(window, CSplashWnd::Current()->Handle());

    DWORD waited = WaitForSplashToGo(5000);
    EXPECT_EQ(nullptr, CSplashWnd::Current());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_GE(GetTickCount() - shownAt, 450u);
    EXPECT_LT(waited, 3000u);

    // A later request shows a new one, owned by the given window.
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CSplashWnd::ShowIfEnabled(owner);
    ASSERT_NE(nullptr, CSplashWnd::Current());
    EXPECT_EQ(owner, GetWindow(CSplashWnd::Current()->Handle(), GW_OWNER));
    // Its owner going takes it along.
    DestroyWindow(owner);
    EXPECT_EQ(nullptr, CSplashWnd::Current());

    // A window that cannot be made: no splash, and a later one still comes.
    t_refuse = true;
    HHOOK hook = SetWindowsHookExA(WH_CBT, &RefuseCreation, nullptr, GetCurrentThreadId());
    CSplashWnd::ShowIfEnabled(nullptr);
    t_refuse = false;
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(nullptr, CSplashWnd::Current());
    CSplashWnd::ShowIfEnabled(nullptr);
    EXPECT_NE(nullptr, CSplashWnd::Current());
    WaitForSplashToGo(5000);
    EXPECT_EQ(nullptr, CSplashWnd::Current());
}

}  // namespace
