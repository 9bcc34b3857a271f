#include <climits>

#include "tests/ui/ui_test_support.h"
#include "ui/progress_wnd.h"

namespace {

using uitest::UiTest;

std::string Title(const CProgressWnd& w) { return w.Text(); }
std::string ItemText(const CProgressWnd& w, int id) {
    char text[1024] = {};
    GetWindowTextA(w.Item(id), text, sizeof text);
    return text;
}
int BarPos(const CProgressWnd& w) { return static_cast<int>(SendMessageA(w.Item(12), PBM_GETPOS, 0, 0)); }

TEST_F(UiTest, ProgressWindowLayoutAndTitlePercentage) {
    CProgressWnd progress;
    ASSERT_TRUE(progress.Create(nullptr, "", TRUE));
    EXPECT_TRUE(progress.Visible());
    EXPECT_EQ(410, progress.ClientRect().right);
    EXPECT_EQ(" Cancel ", ItemText(progress, 10));
    EXPECT_EQ(LONG_PTR(WS_EX_TOPMOST), GetWindowLongPtrA(progress.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    progress.SetPos(0);
    progress.SetRange(0, 200, 1);
    progress.SetText("Encrypting C:\\100% done\\%s%n.txt");
    EXPECT_EQ("Encrypting C:\\100% done\\%s%n.txt", ItemText(progress, 11));
    EXPECT_EQ("", Title(progress));  // untouched until the percentage changes
    progress.SetPos(84);
    EXPECT_EQ("Progress [42%]", Title(progress));
    uitest::Screenshot(progress.Handle(), "42-percent");
    // Same percentage: the title is left alone, the bar still moves.
    SetWindowTextA(progress.Handle(), "marker");
    EXPECT_EQ(84, progress.SetPos(85));
    EXPECT_EQ("marker", Title(progress));
    EXPECT_EQ(85, BarPos(progress));
    EXPECT_EQ(85, progress.StepIt());
    EXPECT_EQ(86, progress.Position());

    // An empty range shows 0 when the percentage changes to it.
    progress.SetRange(5, 5, 1);
    progress.SetPos(3);
    EXPECT_EQ("Progress [0%]", Title(progress));

    // Huge ranges do not overflow; positions outside the range are clamped.
    progress.SetRange(0, INT_MAX, 1);
    progress.SetPos(INT_MAX - 1);
    EXPECT_EQ("Progress [99%]", Title(progress));
    progress.SetPos(INT_MAX / 2);
    EXPECT_EQ("Progress [49%]", Title(progress));
    progress.SetRange(INT_MIN, INT_MAX, 1);
    progress.SetPos(INT_MAX);
    EXPECT_EQ("Progress [100%]", Title(progress));
    progress.SetRange(0, 10, 1);
    progress.SetPos(-5);
    EXPECT_EQ("Progress [0%]", Title(progress));
    progress.SetPos(1000);
    EXPECT_EQ("Progress [100%]", Title(progress));

    // Over-long text is cut, not overrun.
    progress.SetText(std::string(5000, 'x'));
    EXPECT_EQ(511, GetWindowTextLengthA(progress.Item(11)));

    progress.Hide();
    EXPECT_FALSE(progress.Visible());
    progress.StepIt();
    EXPECT_TRUE(progress.Visible());
}

TEST_F(UiTest, ProgressWindowCancelsByEscOrButton) {
    HWND main = CreateWindowExA(0, "STATIC", "main", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    m_app->SetMainWindow(main);
    {
        CProgressWnd progress;
        ASSERT_TRUE(progress.Create(nullptr, "", TRUE));
        EXPECT_EQ(main, GetWindow(progress.Handle(), GW_OWNER));  // parent: the main window
        progress.PeekAndPump(TRUE);  // nothing waiting: returns
        EXPECT_FALSE(progress.Cancelled());
        PostMessageA(main, WM_CHAR, 27, 0);
        progress.PeekAndPump(TRUE);
        EXPECT_TRUE(progress.Cancelled());
        EXPECT_FALSE(progress.Visible());
        // Cancelled: returns at once and leaves the queue alone.
        PostMessageA(main, WM_APP, 0, 0);
        progress.PeekAndPump(TRUE);
        MSG msg;
        EXPECT_TRUE(PeekMessageA(&msg, main, WM_APP, WM_APP, PM_REMOVE));
    }
    {
        CProgressWnd progress;
        ASSERT_TRUE(progress.Create(nullptr, "", TRUE));
        PostMessageA(main, WM_CHAR, 27, 0);
        progress.PeekAndPump(FALSE);  // Esc only cancels when asked to
        EXPECT_FALSE(progress.Cancelled());
        SendMessageA(progress.Item(10), BM_CLICK, 0, 0);
        EXPECT_TRUE(progress.Cancelled());
        EXPECT_FALSE(progress.Visible());
    }
    {
        CProgressWnd progress;
        ASSERT_TRUE(progress.Create(nullptr, "", TRUE));
        PostQuitMessage(3);
        progress.PeekAndPump(TRUE);
        MSG msg;
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // posted again
        EXPECT_EQ(3u, msg.wParam);  // with its code
    }
    DestroyWindow(main);
}

TEST_F(UiTest, ProgressWindowRemembersItsPlace) {
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    POINT centred;
    {
        CProgressWnd progress;  // no value yet: centred
        ASSERT_TRUE(progress.Create(nullptr, "", TRUE));
        RECT r = progress.WindowRect();
        centred = POINT{r.left, r.top};
        EXPECT_NEAR(cx / 2, (r.left + r.right) / 2, 2);
        SetWindowPos(progress.Handle(), nullptr, 33, 44, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }  // destroyed: position saved
    EXPECT_EQ(33, m_app->GetProfileInt("Settings", "X", -1));
    EXPECT_EQ(44, m_app->GetProfileInt("Settings", "Y", -1));
    {
        CProgressWnd progress;
        ASSERT_TRUE(progress.Create(nullptr, "", TRUE));
        EXPECT_EQ(33, progress.WindowRect().left);
        EXPECT_EQ(44, progress.WindowRect().top);
        progress.DestroyWindow();
    }
    for (auto xy : {std::pair<int, int>{cx, 10}, {10, cy}, {-5, 10}}) {
        m_app->WriteProfileInt("Settings", "X", xy.first);
        m_app->WriteProfileInt("Settings", "Y", xy.second);
        CProgressWnd progress;
        ASSERT_TRUE(progress.Create(nullptr, "", TRUE));
        EXPECT_EQ(centred.x, progress.WindowRect().left);
        EXPECT_EQ(centred.y, progress.WindowRect().top);
    }
    testsupport::WriteFile(m_app->ProfilePath(), "[Settings]\r\nX=\xff\xfe\r\nY=zz\r\n");
    CProgressWnd progress;
    ASSERT_TRUE(progress.Create(nullptr, "", TRUE));
    EXPECT_EQ(centred.x, progress.WindowRect().left);
}

TEST_F(UiTest, ProgressWindowSavesItsPlaceWhenItsOwnerTakesItAlong) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                                 nullptr);
    CProgressWnd progress;
    ASSERT_TRUE(progress.Create(owner, "", TRUE));
    progress.Hide();
    SetWindowPos(progress.Handle(), nullptr, 21, 34, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    DestroyWindow(owner);  // as a dialog that owns it closes
    EXPECT_FALSE(progress.Exists());
    EXPECT_EQ(21, m_app->GetProfileInt("Settings", "X", -1));
    EXPECT_EQ(34, m_app->GetProfileInt("Settings", "Y", -1));
    EXPECT_EQ(0, progress.SetPos(5));  // no window: the stored position, nothing else
}

TEST_F(UiTest, ProgressWindowWithoutWindowChangesNothing) {
    CProgressWnd progress;
    progress.Show();
    progress.Hide();
    progress.SetRange(0, 10, 2);
    progress.SetText("x");
    EXPECT_EQ(0, progress.SetPos(7));
    EXPECT_EQ(0, progress.StepIt());
    EXPECT_EQ(0, progress.Percent());
    EXPECT_FALSE(progress.DestroyWindow());
    EXPECT_EQ("", ProfileText());

    ASSERT_TRUE(progress.Create(nullptr, "", TRUE));
    progress.SetPos(4);
    progress.DestroyWindow();
    EXPECT_EQ(4, progress.SetPos(9));  // destroyed: the stored position
}

}  // namespace
