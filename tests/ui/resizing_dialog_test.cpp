#include "tests/ui/ui_test_support.h"
#include "ui/resizing_dialog.h"

namespace {

using uitest::SizeOf;
using uitest::UiTest;

// Template 102: list 1031, button 1001, edit 1002, static 1003.
class Resizing : public CResizingDialog {
public:
    Resizing() : CResizingDialog(102) {
        SetControlAnchor(1031, kStretchWidth | kStretchHeight);
        SetControlAnchor(1001, kMoveRight);
        SetControlAnchor(1002, kMoveRight | kStretchWidth);  // stretches, does not move
        SetControlAnchor(1003, kMoveDown);
        SetControlAnchor(4242, kMoveDown);  // no such control
        SetControlAnchor(1003, 0);          // adds nothing
    }
};

RECT ChildRect(HWND dialog, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Resize(HWND w, int dx, int dy) {
    RECT r;
    GetWindowRect(w, &r);
    SetWindowPos(w, nullptr, 0, 0, r.right - r.left + dx, r.bottom - r.top + dy, SWP_NOMOVE | SWP_NOZORDER);
}

TEST_F(UiTest, ResizingDialogMovesAndStretchesAnchoredControls) {
    Resizing dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    ShowWindow(dlg.Handle(), SW_SHOW);
    HWND h = dlg.Handle();
    RECT list = ChildRect(h, 1031), button = ChildRect(h, 1001), edit = ChildRect(h, 1002), text = ChildRect(h, 1003);

    Resize(h, 50, 30);
    RECT list2 = ChildRect(h, 1031), button2 = ChildRect(h, 1001), edit2 = ChildRect(h, 1002), text2 = ChildRect(h, 1003);
    EXPECT_EQ(list.left, list2.left);
    EXPECT_EQ(list.right + 50, list2.right);
    EXPECT_EQ(list.bottom + 30, list2.bottom);
    EXPECT_EQ(button.left + 50, button2.left);
    EXPECT_EQ(button.top, button2.top);
    EXPECT_EQ(SizeOf(button).cx, SizeOf(button2).cx);
    EXPECT_EQ(edit.left, edit2.left);
    EXPECT_EQ(edit.right + 50, edit2.right);
    EXPECT_EQ(text.top + 30, text2.top);
    EXPECT_EQ(text.left, text2.left);
    uitest::Screenshot(h, "resized");

    // Minimising records nothing; after restoring the controls stand as before.
    ShowWindow(h, SW_MINIMIZE);
    ShowWindow(h, SW_RESTORE);
    RECT list3 = ChildRect(h, 1031);
    EXPECT_TRUE(EqualRect(&list2, &list3));

    // The size grip answers hit tests in the bottom-right corner.
    RECT w = dlg.WindowRect();
    LPARAM corner = MAKELPARAM(w.right - 2, w.bottom - 2);
    EXPECT_EQ(HTBOTTOMRIGHT, SendMessageA(h, WM_NCHITTEST, 0, corner));
}

TEST_F(UiTest, ResizingDialogKeepsItsMinimumAndRemembersItsSize) {
    SIZE created;
    {
        Resizing dlg;
        ASSERT_TRUE(dlg.Create(nullptr));
        created = SizeOf(dlg.WindowRect());
        MINMAXINFO info{};
        SendMessageA(dlg.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(created.cx, info.ptMinTrackSize.x);
        EXPECT_EQ(created.cy, info.ptMinTrackSize.y);
        Resize(dlg.Handle(), -40, -40);  // cannot shrink below the created size
        EXPECT_EQ(created.cx, SizeOf(dlg.WindowRect()).cx);
    }
    // Never really resized: nothing is written.
    EXPECT_EQ(0, m_app->GetProfileInt("66", "CX", 0));
    {
        Resizing dlg;
        ASSERT_TRUE(dlg.Create(nullptr));
        Resize(dlg.Handle(), 60, 20);
    }  // still open: saved as it goes
    EXPECT_EQ(created.cx + 60, m_app->GetProfileInt("66", "CX", 0));
    EXPECT_EQ(created.cy + 20, m_app->GetProfileInt("66", "CY", 0));
    {
        Resizing dlg;
        ASSERT_TRUE(dlg.Create(nullptr));
        EXPECT_EQ(created.cx + 60, SizeOf(dlg.WindowRect()).cx);
        EXPECT_EQ(created.cy + 20, SizeOf(dlg.WindowRect()).cy);
    }
    // A zero or damaged value: the template's size.
    m_app->WriteProfileInt("66", "CX", 0);
    {
        Resizing dlg;
        ASSERT_TRUE(dlg.Create(nullptr));
        EXPECT_EQ(created.cx, SizeOf(dlg.WindowRect()).cx);
    }
    testsupport::WriteFile(m_app->ProfilePath(), "[66]\r\nCX=wide\r\nCY=-\r\n");
    Resizing dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    EXPECT_EQ(created.cx, SizeOf(dlg.WindowRect()).cx);
    std::string section;
    dlg.GetProfileSection(section);
    EXPECT_EQ("66", section);
}

}  // namespace
