#include <vector>

#include "framework/controls.h"
#include "framework/gdi.h"
#include "resources/tests/ui_test_ids.h"
#include "tests/ui/ui_test_support.h"

namespace {

using uitest::DialogDriver;
using uitest::ModalDriver;
using uitest::UiTest;

// The calls an options dialog makes: lists with ids behind their texts, a
// tooltip whose text follows the choice, a slider bound to a member.
class ControlsDlg : public ui::Dialog {
public:
    ControlsDlg() : Dialog(IDD_TEST_CONTROLS) {
        OnCommand(IDC_COMBO, CBN_SELCHANGE, [this] {
            chosen = combo.GetItemData(combo.GetCurSel());
            tip.UpdateTipText(chosen == 2 ? "SHA256 text" : "MD5 text", Item(IDC_COMBO));
        });
    }
    ui::ComboBox combo;
    ui::ListView list;
    ui::ToolTip tip;
    int passes = 4;
    DWORD_PTR chosen = 99;

protected:
    void DoDataExchange(ui::DataExchange& dx) override {
        dx.Control(IDC_COMBO, combo);
        dx.Control(IDC_LIST, list);
        dx.Slider(IDC_SLIDER, passes);
    }
    bool OnInitDialog() override {
        ui::SliderRef(Item(IDC_SLIDER)).SetRange(1, 16, false);
        Dialog::OnInitDialog();
        combo.SetItemData(combo.AddString("SHA256 - 256 bit key - Default"), 2);
        combo.SetItemData(combo.AddString("MD5 - 128 bit key"), 0);
        combo.SetCurSel(1);
        list.InsertColumn(0, "Filename", LVCFMT_LEFT, 120);
        list.InsertColumn(1, "Status", LVCFMT_LEFT, 80);
        for (int i = 0; i < 3; ++i) {
            int row = list.InsertItem(i, "file" + std::to_string(i), i == 1 ? 1 : 0);
            list.SetItemText(row, 1, i == 1 ? "Password incorrect" : "");
        }
        tip.Create(Handle(), true);
        tip.SetDelayTime(TTDT_AUTOPOP, 16960);
        tip.AddTool(Item(IDC_COMBO), "SHA256 text");
        return true;
    }
};

std::string ToolText(HWND tooltip, HWND tool) {
    char text[256] = {};
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.hwnd = GetParent(tool);
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    return text;
}

TEST_F(UiTest, ControlWrappersKeepIdsSelectionsWidthsAndTips) {
    ControlsDlg dlg;
    ModalDriver driver;
    driver.When("ControlsDlg", [&](DialogDriver& d) {
        // Sorted: the ids stay with their texts.
        EXPECT_EQ("MD5 - 128 bit key", dlg.combo.GetLBText(0));
        EXPECT_EQ(0u, dlg.combo.GetItemData(0));
        EXPECT_EQ(2u, dlg.combo.GetItemData(1));
        EXPECT_EQ(16960, dlg.tip.GetDelayTime(TTDT_AUTOPOP));
        d.Choose(IDC_COMBO, "MD5 - 128 bit key");
        EXPECT_EQ(0u, dlg.chosen);
        EXPECT_EQ("MD5 text", ToolText(dlg.tip.Handle(), d.Item(IDC_COMBO)));

        using Rows = std::vector<std::vector<std::string>>;
        EXPECT_EQ((Rows{{"file0", ""}, {"file1", "Password incorrect"}, {"file2", ""}}), d.ListRows(IDC_LIST));
        EXPECT_EQ(1, dlg.list.GetItemData(1));
        ui::ListViewRef plain(d.Item(IDC_LIST));  // the same calls on a plain handle
        plain.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
        plain.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
        EXPECT_EQ(2, dlg.list.GetSelectedCount());
        EXPECT_EQ(120, plain.GetColumnWidth(0));
        EXPECT_TRUE(dlg.list.SetColumnWidth(1, 150));
        EXPECT_EQ(150, plain.GetColumnWidth(1));

        EXPECT_EQ(4, ui::SliderRef(d.Item(IDC_SLIDER)).GetPos());
        SendMessageA(d.Item(IDC_SLIDER), TBM_SETPOS, TRUE, 9);  // dragged by the user
        d.Screenshot("options");
        d.Press(VK_RETURN);
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(9, dlg.passes);
}

TEST_F(UiTest, ToolbarBitmapsTakeTheSystemButtonColours) {
    // A 4-bit bitmap of 5 x 1 pixels: black, the two greys, white, red.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[16];
        uint8_t pixels[4];
    } dib{};
    dib.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 5, 1, 1, 4, BI_RGB, 0, 0, 0, 16, 0};
    const COLORREF palette[] = {RGB(0, 0, 0), RGB(128, 128, 128), RGB(192, 192, 192), RGB(255, 255, 255),
                                RGB(255, 0, 0)};
    for (int i = 0; i < 5; ++i) dib.colours[i] = RGBQUAD{GetBValue(palette[i]), GetGValue(palette[i]), GetRValue(palette[i]), 0};
    dib.pixels[0] = 0x01;
    dib.pixels[1] = 0x23;
    dib.pixels[2] = 0x40;
    ui::Bitmap bitmap(ui::CreateSysColorBitmap(reinterpret_cast<const BITMAPINFO*>(&dib), sizeof dib));
    ASSERT_TRUE(bitmap);
    ui::ClientDC screen(nullptr);
    ui::MemoryDC memory(screen.Get());
    {
        ui::SelectGuard select(memory.Get(), bitmap.Get());
        const int expected[] = {COLOR_BTNTEXT, COLOR_BTNSHADOW, COLOR_BTNFACE, COLOR_BTNHIGHLIGHT};
        for (int x = 0; x < 4; ++x) EXPECT_EQ(GetSysColor(expected[x]), GetPixel(memory.Get(), x, 0)) << x;
        EXPECT_EQ(RGB(255, 0, 0), GetPixel(memory.Get(), 4, 0));
    }
    // Cut or inconsistent bitmaps are refused.
    EXPECT_EQ(nullptr, ui::CreateSysColorBitmap(reinterpret_cast<const BITMAPINFO*>(&dib), sizeof dib - 3));
    dib.header.biClrUsed = 300;
    EXPECT_EQ(nullptr, ui::CreateSysColorBitmap(reinterpret_cast<const BITMAPINFO*>(&dib), sizeof dib));
    EXPECT_EQ(nullptr, ui::LoadSysColorBitmap(ui::ThisModule(), 4242));

    ui::ImageList images;
    ASSERT_TRUE(images.Create(1, 1, ILC_COLORDDB | ILC_MASK, 1, 1));
    EXPECT_EQ(0, images.AddMasked(bitmap.Get(), GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(5, images.Count());

    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    {
        ui::WaitCursor wait;
        EXPECT_EQ(LoadCursor(nullptr, IDC_WAIT), GetCursor());
    }
    EXPECT_EQ(LoadCursor(nullptr, IDC_ARROW), GetCursor());
}

}  // namespace
