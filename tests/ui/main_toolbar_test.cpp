// The toolbar resource, the toolbar control and the main toolbar placed in
// a dialog: buttons, sizes, pictures, layout, the enable pass, tooltips, and
// resources that are missing or short of pictures.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "resources/tests/ui_test_ids.h"
#include "tests/ui/ui_test_support.h"
#include "ui/main_toolbar.h"

// Rectangles compare and print in the expectations below.
static bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
static std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}

namespace {

const std::vector<UINT> kButtons = {32784, 32778, 32796, 32799, 32779, 32780, 32785, 32783, 32781, 32845, 32872};
constexpr UINT kRemoveFile = 32779;
constexpr UINT kEncrypt = 32785;

// A dialog that takes the main toolbar as the main window does.
class ToolbarDlg : public ui::Dialog {
public:
    explicit ToolbarDlg(UINT toolbar) : Dialog(IDD_TEST_TOOLBAR), m_toolbar(toolbar) {
        for (UINT id : kButtons) OnCommand(id, [this, id] { commands.push_back(id); });
        // Encrypt only with rows, Remove file only with a selection.
        OnUpdate(kEncrypt, [this](ui::CommandState& s) { s.Enable(rows > 0); });
        OnUpdate(kRemoveFile, [this](ui::CommandState& s) { s.Enable(selected > 0); });
        OnNotify(ui::kAnyId, TTN_GETDISPINFOA, [](NMHDR* header) {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
            lstrcpynA(info->szText, ("Tip " + std::to_string(header->idFrom)).c_str(), 80);
            return 0;
        });
        OnNotify(ui::kAnyId, TTN_GETDISPINFOW, [](NMHDR* header) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
            std::wstring text = L"Tip " + std::to_wstring(header->idFrom);
            lstrcpynW(info->szText, text.c_str(), 80);
            return 0;
        });
    }
    std::vector<UINT> commands;
    int rows = 0;
    int selected = 0;
    CMainToolBar bar;
    ui::ImageList normal;
    ui::ImageList disabled;
    bool placed = false;
    RECT listBefore{};
    RECT windowBefore{};

protected:
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        listBefore = ChildRect(IDC_LIST);
        windowBefore = WindowRect();
        placed = bar.PlaceInDialog(Handle(), CMainToolBar::Resources{m_toolbar, IDB_TEST_MAIN_NORMAL,
                                                                    IDB_TEST_MAIN_DISABLED},
                                   normal, disabled);
        return true;
    }

public:
    RECT ChildRect(int id) const {
        RECT r{};
        GetWindowRect(Item(id), &r);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

private:
    UINT m_toolbar;
};

// Pixels of a button as the toolbar shows it that are clearly coloured.
int ColouredPixels(HWND toolbar, const RECT& button) {
    RedrawWindow(toolbar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(toolbar);
    int coloured = 0;
    for (int y = button.top; y < button.bottom; ++y) {
        for (int x = button.left; x < button.right; ++x) {
            COLORREF c = GetPixel(dc, x, y);
            int high = std::max({GetRValue(c), GetGValue(c), GetBValue(c)});
            int low = std::min({GetRValue(c), GetGValue(c), GetBValue(c)});
            if (high - low > 80) ++coloured;
        }
    }
    ReleaseDC(toolbar, dc);
    return coloured;
}

class MainToolBarTest : public uitest::UiTest {};

TEST_F(MainToolBarTest, ToolbarResourceIsReadWithinItsBounds) {
    ui::ToolBarResource resource;
    ASSERT_TRUE(resource.Load(IDR_TEST_MAIN_TOOLBAR));
    EXPECT_EQ(32, resource.imageWidth);
    EXPECT_EQ(35, resource.imageHeight);
    EXPECT_EQ(kButtons, resource.ids);
    ASSERT_TRUE(resource.Load(IDR_TAMSEL_TOOLBAR));
    EXPECT_EQ(0u, resource.ids[3]);  // a separator

    const WORD good[] = {1, 16, 15, 2, 7, 0};
    EXPECT_TRUE(resource.Parse(good, sizeof good));
    EXPECT_EQ((std::vector<UINT>{7, 0}), resource.ids);
    const WORD cut[] = {1, 16, 15, 3, 7, 8};  // three ids announced, two there
    EXPECT_FALSE(resource.Parse(cut, sizeof cut));
    const WORD version[] = {2, 16, 15, 1, 7};
    EXPECT_FALSE(resource.Parse(version, sizeof version));
    const WORD noSize[] = {1, 0, 15, 1, 7};
    EXPECT_FALSE(resource.Parse(noSize, sizeof noSize));
    EXPECT_FALSE(resource.Parse(good, 7));
    EXPECT_FALSE(resource.Parse(nullptr, 0));
    EXPECT_FALSE(resource.Load(9999));
    EXPECT_FALSE(resource.Load(IDR_TEST_BROKEN_MAIN_TOOLBAR));
}

// Placed in a dialog: eleven large flat buttons with tooltips across the
// top, the controls ten pixels closer to it than to the top before, the
// dialog taller by its height; enabled by the dialog's rules, a disabled
// button showing its own picture.
TEST_F(MainToolBarTest, MainToolbarTakesItsPlaceAtopTheDialog) {
    ToolbarDlg dlg(IDR_TEST_MAIN_TOOLBAR);
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(dlg.placed);
    CMainToolBar& bar = dlg.bar;
    ASSERT_EQ(11, bar.ButtonCount());
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(kButtons[static_cast<size_t>(i)], bar.ButtonId(i)) << i;
        EXPECT_EQ(i, bar.ButtonImage(i)) << i;
        EXPECT_EQ(i, bar.CommandToIndex(kButtons[static_cast<size_t>(i)]));
    }
    EXPECT_EQ(static_cast<UINT>(ui::kToolBarId), static_cast<UINT>(GetDlgCtrlID(bar.Handle())));
    EXPECT_EQ(MAKELONG(39, 42), static_cast<LONG>(bar.Send(TB_GETBUTTONSIZE)));
    EXPECT_EQ(TBSTYLE_FLAT | 0x0010, bar.Style() & (TBSTYLE_FLAT | 0x0010));
    EXPECT_EQ(0x2830u, bar.BarStyle());
    EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.normal.Get()), bar.Send(TB_GETIMAGELIST));
    EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.disabled.Get()), bar.Send(TB_GETDISABLEDIMAGELIST));
    EXPECT_EQ(11, dlg.normal.Count());
    EXPECT_EQ(11, dlg.disabled.Count());
    // Buttons stand edge to edge.
    for (int i = 1; i < 11; ++i) EXPECT_EQ(bar.ButtonRect(i - 1).right, bar.ButtonRect(i).left) << i;

    RECT client = dlg.ClientRect();
    RECT place{};
    GetWindowRect(bar.Handle(), &place);
    MapWindowPoints(nullptr, dlg.Handle(), reinterpret_cast<POINT*>(&place), 2);
    int height = bar.CalcHeight();
    EXPECT_GT(height, 42);
    EXPECT_EQ((RECT{0, 0, client.right, height}), place);
    RECT list = dlg.ChildRect(IDC_LIST);
    EXPECT_EQ(dlg.listBefore.left, list.left);
    EXPECT_EQ(dlg.listBefore.top + height - 10, list.top);
    EXPECT_EQ(uitest::SizeOf(dlg.listBefore).cx, uitest::SizeOf(list).cx);
    RECT window = dlg.WindowRect();
    EXPECT_EQ(uitest::SizeOf(dlg.windowBefore).cy + height, uitest::SizeOf(window).cy);
    EXPECT_EQ(uitest::SizeOf(dlg.windowBefore).cx, uitest::SizeOf(window).cx);
    EXPECT_EQ(dlg.windowBefore.top, window.top);

    // The enable pass: rules of the dialog; a command without handler is
    // disabled only when asked.
    bar.UpdateCommands(dlg, true);
    EXPECT_FALSE(bar.ButtonEnabled(kEncrypt));
    EXPECT_FALSE(bar.ButtonEnabled(kRemoveFile));
    EXPECT_TRUE(bar.ButtonEnabled(32784));
    dlg.rows = 3;
    bar.UpdateCommands(dlg, true);
    EXPECT_TRUE(bar.ButtonEnabled(kEncrypt));
    EXPECT_FALSE(bar.ButtonEnabled(kRemoveFile));

    dlg.Show(SW_SHOW);
    uitest::Pump(50);
    // Remove file is disabled: its picture comes from the grey set.
    int enabledColour = ColouredPixels(bar.Handle(), bar.ButtonRect(bar.CommandToIndex(kEncrypt)));
    int disabledColour = ColouredPixels(bar.Handle(), bar.ButtonRect(bar.CommandToIndex(kRemoveFile)));
    EXPECT_GT(enabledColour, 60);
    EXPECT_LT(disabledColour, 5);
    uitest::Screenshot(dlg.Handle(), "placed");

    // A click on a button is its command to the dialog.
    RECT button = bar.ButtonRect(0);
    LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    bar.Send(WM_LBUTTONDOWN, MK_LBUTTON, at);
    bar.Send(WM_LBUTTONUP, 0, at);
    uitest::Pump(20);
    EXPECT_EQ(std::vector<UINT>{32784}, dlg.commands);

    // Tooltip texts come from the dialog.
    HWND tips = bar.ToolTips();
    ASSERT_NE(nullptr, tips);
    EXPECT_EQ(11, static_cast<int>(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0)));
    EXPECT_EQ("Tip 32845", uitest::TipText(tips, bar.Handle(), 32845));
    dlg.DestroyWindow();
}

// Without its resource the toolbar is not made and the dialog stays as it
// was; with fewer pictures than buttons the extra buttons have none.
TEST_F(MainToolBarTest, MissingOrShortResourcesLeaveAUsableDialog) {
    {
        ToolbarDlg dlg(IDR_TEST_BROKEN_MAIN_TOOLBAR);
        ASSERT_TRUE(dlg.Create());
        EXPECT_FALSE(dlg.placed);
        EXPECT_EQ(nullptr, dlg.bar.Handle());
        EXPECT_EQ(nullptr, GetDlgItem(dlg.Handle(), static_cast<int>(ui::kToolBarId)));
        EXPECT_EQ(dlg.listBefore, dlg.ChildRect(IDC_LIST));
        EXPECT_EQ(uitest::SizeOf(dlg.windowBefore).cy, uitest::SizeOf(dlg.WindowRect()).cy);
        dlg.DestroyWindow();
    }
    {
        ToolbarDlg dlg(9999);
        ASSERT_TRUE(dlg.Create());
        EXPECT_FALSE(dlg.placed);
        EXPECT_EQ(nullptr, GetDlgItem(dlg.Handle(), static_cast<int>(ui::kToolBarId)));
        dlg.DestroyWindow();
    }
    ToolbarDlg dlg(IDR_TEST_SHORT_MAIN_TOOLBAR);
    ASSERT_TRUE(dlg.Create());
    ASSERT_TRUE(dlg.placed);
    EXPECT_EQ(13, dlg.bar.ButtonCount());
    EXPECT_EQ(11, dlg.normal.Count());
    dlg.bar.UpdateCommands(dlg, true);
    EXPECT_FALSE(dlg.bar.ButtonEnabled(40101));  // no handler
    EXPECT_TRUE(dlg.bar.ButtonEnabled(32784));
    dlg.Show(SW_SHOW);
    uitest::Pump(50);
    EXPECT_LT(ColouredPixels(dlg.bar.Handle(), dlg.bar.ButtonRect(12)), 5);
    uitest::Screenshot(dlg.Handle(), "short");
    dlg.DestroyWindow();
}

}  // namespace
