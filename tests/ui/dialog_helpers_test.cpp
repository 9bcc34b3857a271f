#include <algorithm>
#include <cstring>
#include <iterator>

#include "framework/controls.h"
#include "tests/ui/ui_test_support.h"
#include "ui/dialog_helpers.h"

namespace {

using uitest::SizeOf;
using uitest::UiTest;

TEST_F(UiTest, PasswordRuleTellsTheFirstProblemOnly) {
    EXPECT_FALSE(ValidatePasswords("abcde", "other"));
    EXPECT_TRUE(ValidatePasswords("secret", "secret"));
    EXPECT_FALSE(ValidatePasswords("secret", "SECRET"));
    EXPECT_FALSE(ValidatePasswords("", ""));
    ASSERT_EQ(3u, m_messages.messages.size());
    EXPECT_EQ("Password must be at least 6 characters long", m_messages.messages[0].text);
    EXPECT_EQ("Passwords do not match!", m_messages.messages[1].text);
    EXPECT_EQ("Password must be at least 6 characters long", m_messages.messages[2].text);
    EXPECT_EQ(unsigned(MB_ICONERROR), m_messages.messages[1].style);
}

TEST(FileSizeText, UnitsAndBoundaries) {
    EXPECT_EQ("0.00 KB", FormatFileSize(0));
    EXPECT_EQ("0.50 KB", FormatFileSize(512));
    EXPECT_EQ("1024.00 KB", FormatFileSize(1048575));
    EXPECT_EQ("1.00 MB", FormatFileSize(1048576));
    EXPECT_EQ("1024.00 MB", FormatFileSize(1073741823));
    EXPECT_EQ("1.00 GB", FormatFileSize(1073741824));
    EXPECT_EQ("5.00 GB", FormatFileSize(5368709120ull));
    EXPECT_EQ("17179869184.00 GB", FormatFileSize(~0ull));
}

class RenameTest : public UiTest {
protected:
    RenameTest() {
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        list.Create(WS_CHILD | LVS_REPORT, RECT{0, 0, 300, 200}, parent, 1031);
        for (int c = 0; c < 4; ++c) list.InsertColumn(c, "c", LVCFMT_LEFT, 50);
    }
    ~RenameTest() override { DestroyWindow(parent); }
    void Row(const std::string& name, const std::string& folder) {
        int row = list.InsertItem(list.GetItemCount(), name);
        list.SetItemText(row, 3, folder);
    }
    HWND parent;
    ui::ListView list;
};

TEST_F(RenameTest, FirstMatchingRowAndTheEntryTakeTheNewName) {
    Row("a.txt", "C:\\other");
    Row("a.txt", "C:\\data");
    Row("a.txt", "C:\\data");
    std::string name = "sub\\a.txt", path = "C:\\data\\a.txt";
    UpdateRenamedListItem(name, path, "C:\\data\\a.~enc", list.Handle());
    EXPECT_EQ("sub\\a.~enc", name);
    EXPECT_EQ("C:\\data\\a.~enc", path);
    EXPECT_EQ("a.txt", list.GetItemText(0, 0));
    EXPECT_EQ("a.~enc", list.GetItemText(1, 0));
    EXPECT_EQ("a.txt", list.GetItemText(2, 0));
    EXPECT_EQ("C:\\data", list.GetItemText(1, 3));
}

TEST_F(RenameTest, EntryFollowsTheFileEvenWithoutARow) {
    Row("b.txt", "C:\\data");
    std::string name = "a.txt", path = "C:\\data\\a.txt";
    UpdateRenamedListItem(name, path, "C:\\data\\0badf00d.~enc", list.Handle());
    EXPECT_EQ("0badf00d.~enc", name);
    EXPECT_EQ("C:\\data\\0badf00d.~enc", path);  // the file is not lost from the project
    EXPECT_EQ("b.txt", list.GetItemText(0, 0));

    std::string rooted = "\\a.txt", noSlash = "plain";
    UpdateRenamedListItem(rooted, noSlash, "new.txt", list.Handle());
    EXPECT_EQ("new.txt", rooted);
    EXPECT_EQ("new.txt", noSlash);
}

TEST_F(UiTest, WindowSizeAndTooltipHelpers) {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr, nullptr,
                                  nullptr, nullptr);
    HWND child = CreateWindowExA(0, "BUTTON", "x", WS_CHILD | WS_VISIBLE, 10, 20, 50, 30, parent, nullptr, nullptr,
                                 nullptr);
    ResizeWindowBy(parent, -40, false);
    RECT r;
    GetWindowRect(parent, &r);
    EXPECT_EQ(300, SizeOf(r).cx);
    EXPECT_EQ(160, SizeOf(r).cy);
    EXPECT_EQ(100, r.left);
    EXPECT_EQ(100, r.top);
    ResizeWindowBy(parent, 25, true);
    GetWindowRect(parent, &r);
    EXPECT_EQ(325, SizeOf(r).cx);

    MoveChildBy(parent, child, 7, -3);  // dy first, then dx
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(7, r.left);
    EXPECT_EQ(27, r.top);
    EXPECT_EQ(50, SizeOf(r).cx);

    ui::ToolTip tip;
    ASSERT_TRUE(tip.Create(parent, true));
    EXPECT_EQ(1, SetToolTipTitle(tip.Handle(), TTI_INFO, "Password hint"));
    tip.DestroyWindow();
    DestroyWindow(parent);
}

// Tooltip texts of any length go into the fixed 80-character buffers cut to
// what fits, in whole characters.
TEST(BoundedText, CutsToTheBufferInWholeCharacters) {
    auto narrow = [](const std::string& text, UINT codePage = CP_ACP) {
        char buffer[80];
        std::memset(buffer, 'x', sizeof buffer);
        CopyBoundedText(buffer, sizeof buffer, text, codePage);
        return std::string(buffer);
    };
    auto wide = [](const std::string& text, UINT codePage = CP_ACP) {
        wchar_t buffer[80];
        std::fill(std::begin(buffer), std::end(buffer), L'x');
        CopyBoundedText(buffer, sizeof buffer / sizeof buffer[0], text, codePage);
        return std::wstring(buffer);
    };
    for (size_t length : {0u, 1u, 79u, 80u, 81u, 1000u}) {
        const std::string text(length, 'a');
        EXPECT_EQ(std::string(std::min<size_t>(length, 79), 'a'), narrow(text)) << length;
        EXPECT_EQ(std::wstring(std::min<size_t>(length, 79), L'a'), wide(text)) << length;
    }

    // Double-byte characters (code page 932): one that would not fit whole
    // is left out, never halved.
    const std::string kana = "\x82\xA0";  // one character, two bytes
    EXPECT_EQ(std::string(77, 'a') + kana, narrow(std::string(77, 'a') + kana, 932));
    EXPECT_EQ(std::string(78, 'a'), narrow(std::string(78, 'a') + kana + "b", 932));
    std::string many;
    for (int i = 0; i < 500; ++i) many += kana;
    EXPECT_EQ(78u, narrow(many, 932).size());
    EXPECT_EQ(std::wstring(79, L'\x3042'), wide(many, 932));
    // Characters beyond 16 bits stay whole pairs in the wide form.
    std::string faces;
    for (int i = 0; i < 50; ++i) faces += "\xF0\x9F\x98\x80";
    std::wstring cut = wide(faces, CP_UTF8);
    ASSERT_EQ(78u, cut.size());
    EXPECT_TRUE(IS_LOW_SURROGATE(cut.back()));

    // Tiny buffers: terminated, or left alone when there is no room at all.
    char one = 'x';
    CopyBoundedText(&one, 1, "abc");
    EXPECT_EQ('\0', one);
    wchar_t none = L'x';
    CopyBoundedText(&none, 0, "abc");
    EXPECT_EQ(L'x', none);
}

}  // namespace
