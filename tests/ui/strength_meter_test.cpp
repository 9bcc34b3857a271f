#include <clocale>
#include <cstdlib>
#include <string>

#include "resources/shared/shared_ids.h"
#include "resources/tests/ui_test_ids.h"
#include "tests/ui/ui_test_support.h"
#include "ui/gradient_zone_bar.h"
#include "ui/strength_meter.h"

namespace {

using uitest::UiTest;

// The bar's painting, on a bitmap of our own.
class PaintedBar : public CXGradientZoneBar {
public:
    using CXGradientZoneBar::Draw;
};

class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height) {
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = uitest::CreateTopDownDib(m_dc, width, height, reinterpret_cast<void**>(&m_bits));
        m_old = SelectObject(m_dc, m_bitmap);
        for (int i = 0; i < width * height; ++i) m_bits[i] = 0x00123456;  // nothing painted yet
    }
    ~Canvas() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    void Paint(PaintedBar& bar) {
        bar.Draw(m_dc, RECT{0, 0, m_width, m_height});
        GdiFlush();
    }
    COLORREF At(int x, int y) const {
        uint32_t p = m_bits[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    uint32_t* m_bits = nullptr;
};

// Gradient ends are close to, not always exactly, their colours.
::testing::AssertionResult Near(COLORREF expected, COLORREF actual) {
    int d = std::abs(GetRValue(expected) - GetRValue(actual)) + std::abs(GetGValue(expected) - GetGValue(actual)) +
            std::abs(GetBValue(expected) - GetBValue(actual));
    if (d <= 12) return ::testing::AssertionSuccess();
    char text[64];
    std::snprintf(text, sizeof text, "expected %06lX, got %06lX", static_cast<unsigned long>(expected),
                  static_cast<unsigned long>(actual));
    return ::testing::AssertionFailure() << text;
}

const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0), kBlack = RGB(0, 0, 0);
const COLORREF kBack = RGB(200, 200, 200);

TEST_F(UiTest, GradientBarZonesPositionAndStrips) {
    PaintedBar bar;
    bar.SetBackgroundColor(kBack, false);
    Canvas canvas(101, 10);

    // One zone covers the bar whatever its extent: from colour left, to colour right.
    StrengthZone one{kRed, kBlue, 10};
    bar.SetZones(1, &one, false);
    canvas.Paint(bar);
    EXPECT_TRUE(Near(kRed, canvas.At(0, 5)));
    EXPECT_TRUE(Near(kBlue, canvas.At(100, 5)));
    EXPECT_TRUE(Near(RGB(128, 0, 128), canvas.At(50, 5)));

    // Position 50 on 101 pixels: the background strip starts at x = 50.
    bar.SetPos(50, false);
    canvas.Paint(bar);
    EXPECT_FALSE(Near(kBack, canvas.At(49, 5)));
    EXPECT_EQ(kBack, canvas.At(50, 5));
    EXPECT_EQ(kBack, canvas.At(100, 9));

    bar.SetPos(0, false);
    canvas.Paint(bar);
    for (int x : {0, 1, 50, 100}) EXPECT_EQ(kBack, canvas.At(x, 0)) << x;
    bar.SetPos(250, false);  // clamped to the whole bar
    EXPECT_EQ(100, bar.GetPos());

    // Extents adding up to less than 100: the last zone reaches the end.
    StrengthZone two[] = {{kRed, kRed, 30}, {kGreen, kBlue, 30}};
    bar.SetZones(2, two, false);
    canvas.Paint(bar);
    EXPECT_EQ(kRed, canvas.At(29, 5));
    EXPECT_TRUE(Near(kGreen, canvas.At(30, 5)));
    EXPECT_TRUE(Near(kBlue, canvas.At(100, 5)));

    // No zones: only the background.
    bar.SetZones(0, two, false);
    EXPECT_TRUE(bar.GetZones().empty());
    canvas.Paint(bar);
    EXPECT_EQ(kBack, canvas.At(0, 0));
    EXPECT_EQ(kBack, canvas.At(100, 9));

    // Upright: zones from the bottom up, the strip at the top.
    Canvas tall(10, 101);
    bar.SetZones(1, &one, false).SetUpright(true, false).SetPos(50, false);
    tall.Paint(bar);
    EXPECT_TRUE(Near(kRed, tall.At(5, 100)));
    EXPECT_FALSE(Near(kBack, tall.At(5, 51)));
    EXPECT_EQ(kBack, tall.At(5, 50));
    EXPECT_EQ(kBack, tall.At(5, 0));
}

TEST_F(UiTest, GradientBarGridEndsForAnyStep) {
    PaintedBar bar;
    StrengthZone zone{kBack, kBack, 100};
    bar.SetZones(1, &zone, false).SetGridColor(kBlack, false).SetBackgroundColor(kBack, false);
    Canvas canvas(101, 12);

    // Ten divisions of one zone on 101 pixels: a tick every 10 pixels,
    // every tenth one long.
    bar.SetGridStyle(CXGradientZoneBar::kTicksTop, false).SetDivisions(10, false);
    canvas.Paint(bar);
    EXPECT_EQ(kBlack, canvas.At(10, 0));
    EXPECT_EQ(kBlack, canvas.At(10, 3));
    EXPECT_EQ(kBack, canvas.At(10, 4));
    EXPECT_EQ(kBack, canvas.At(15, 0));
    EXPECT_EQ(kBlack, canvas.At(100, 7));  // the tenth
    EXPECT_EQ(kBack, canvas.At(0, 0));

    bar.SetGridStyle(CXGradientZoneBar::kTicksBottom, false);
    canvas.Paint(bar);
    EXPECT_EQ(kBlack, canvas.At(20, 11));
    EXPECT_EQ(kBack, canvas.At(20, 0));

    bar.SetGridStyle(CXGradientZoneBar::kGridLines, false);
    canvas.Paint(bar);
    EXPECT_EQ(kBlack, canvas.At(30, 6));  // a full-height line
    EXPECT_EQ(kBlack, canvas.At(0, 6));   // the border
    EXPECT_EQ(kBlack, canvas.At(55, 0));

    // A step of less than a pixel, no divisions or negative ones: no grid,
    // and painting ends.
    for (int divisions : {200, 0, -3}) {
        bar.SetDivisions(divisions, false);
        canvas.Paint(bar);
        EXPECT_EQ(kBack, canvas.At(30, 6)) << divisions;
        EXPECT_EQ(kBack, canvas.At(0, 6)) << divisions;
    }
}

TEST_F(UiTest, GradientBarWindowFontAndTooltipText) {
    HWND host = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr, nullptr, nullptr);
    CXGradientZoneBar bar;
    EXPECT_FALSE(bar.Create(ui::ThisModule(), 0, WS_CHILD, RECT{0, 0, 100, 10}, nullptr, 5));  // no parent
    ASSERT_TRUE(bar.Create(ui::ThisModule(), 0, WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 10}, host, 5));
    WNDCLASSA cls;
    EXPECT_TRUE(GetClassInfoA(ui::ThisModule(), "XGradientZoneBar", &cls));
    EXPECT_EQ(LONG(5), GetDlgCtrlID(bar.Handle()));
    CXGradientZoneBar second;  // the class exists already
    EXPECT_TRUE(second.Create(ui::ThisModule(), 0, WS_CHILD, RECT{0, 10, 100, 20}, host, 6));

    bar.SetFontFace("Times New Roman", 8, true);
    LOGFONTA lf{};
    GetObjectA(bar.GetFont(), sizeof lf, &lf);
    EXPECT_STREQ("Times New Roman", lf.lfFaceName);
    EXPECT_EQ(CXGradientZoneBar::PointsToHeight(8), lf.lfHeight);
    EXPECT_LT(lf.lfHeight, 0);
    bar.SetFontFace(std::string(60, 'F'), 8, false);  // a face name is cut to 31 bytes
    GetObjectA(bar.GetFont(), sizeof lf, &lf);
    EXPECT_EQ(std::string(31, 'F'), lf.lfFaceName);
    HFONT before = bar.GetFont();
    bar.SetLogFont(nullptr, true);
    EXPECT_EQ(before, bar.GetFont());

    // Every point is a tool of its own.
    TTTOOLINFOA info{};
    EXPECT_EQ(MAKELONG(30, 7), bar.OnToolHitTest(POINT{30, 7}, &info));
    EXPECT_EQ(bar.Handle(), info.hwnd);
    EXPECT_EQ(26, info.rect.left);
    EXPECT_EQ(11, info.rect.bottom);

    // Tooltip texts by mode, cut to the notification's buffer.
    bar.SetPos(42, false).SetLabel("Strength ", false);
    NMTTDISPINFOA a{};
    a.hdr.code = TTN_NEEDTEXTA;
    strcpy(a.szText, "untouched");
    bar.GetToolTipText(&a.hdr);  // mode 0: no text
    EXPECT_STREQ("untouched", a.szText);
    bar.SetToolTipMode(CXGradientZoneBar::kTipPercent, false);
    bar.GetToolTipText(&a.hdr);
    EXPECT_STREQ("42%", a.szText);
    bar.SetToolTipMode(CXGradientZoneBar::kTipLabelPercent, false);
    EXPECT_EQ(0, bar.GetToolTipText(&a.hdr));
    EXPECT_STREQ("Strength 42%", a.szText);
    bar.SetToolTipMode(CXGradientZoneBar::kTipPercentLabel, false);
    EXPECT_EQ("42%Strength ", bar.ToolTipText());
    bar.SetLabel(std::string(300, 'L'), false).SetToolTipMode(CXGradientZoneBar::kTipLabel, false);
    bar.GetToolTipText(&a.hdr);
    EXPECT_EQ(std::string(79, 'L'), a.szText);
    NMTTDISPINFOW w{};
    w.hdr.code = TTN_NEEDTEXTW;
    bar.GetToolTipText(&w.hdr);
    EXPECT_EQ(std::wstring(79, L'L'), w.szText);
    // The notification reaches the bar as a message, too.
    bar.SetLabel("via message", false);
    SendMessageA(bar.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&a));
    EXPECT_STREQ("via message", a.szText);
    DestroyWindow(host);
}

// A dialog with the meter's controls.
class MeterDialog : public ui::Dialog {
public:
    MeterDialog() : Dialog(IDD_TEST_METER) {
        OnCommand(IDC_METER_PASSWORD, EN_CHANGE, [this] {
            lastScore = RatePasswordStrength(bar, ui::WindowRef(Item(IDC_METER_PASSWORD)).Text(),
                                             Item(IDC_STRENGTH_LABEL));
        });
    }
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        CreateStrengthBar(Handle(), bar);
        tipCreated = CreatePasswordAdviceTip(tip, Handle(), IDC_TIP_ANCHOR);
        return true;
    }
    CXGradientZoneBar bar;
    ui::ToolTip tip;
    bool tipCreated = false;
    int lastScore = 0;
};

TEST_F(UiTest, StrengthMeterGradesTheWorkedExamples) {
    std::string localeBefore = std::setlocale(LC_ALL, nullptr);
    struct Example {
        const char* password;
        int score;
        const char* label;
        PasswordGrade grade;
    };
    const Example examples[] = {
        {"abcde", -100, "Password : Too Short", PasswordGrade::TooShort},
        {"", -100, "Password : ", PasswordGrade::TooShort},
        {"A1b2c", -100, "Password : Too Short", PasswordGrade::TooShort},
        {"abcdef", -99, "Password : Very Weak", PasswordGrade::VeryWeak},
        {"abcdefg", 8, "Password : Very Weak", PasswordGrade::VeryWeak},
        {"Abcdefg1", 23, "Password : Fair", PasswordGrade::Fair},
        {"Abcde1$f", 30, "Password : Good", PasswordGrade::Good},
        {"ABCdef123%!", 45, "Password : Strong", PasswordGrade::Strong},
        {"abc defgh", 9 + 1 + 5 + 1, "Password : Weak", PasswordGrade::Weak},  // a blank is a symbol
        {"abcdefghijk", 12, "Password : Weak", PasswordGrade::Weak},
    };
    uitest::ModalDriver driver;
    driver.When("MeterDialog", [&](uitest::DialogDriver& d) {
        MeterDialog& dialog = *static_cast<MeterDialog*>(ui::Window::FromHandle(d.Handle()));
        // Before the first rating: no zone colour shows, the placeholder is hidden.
        for (HWND child = GetWindow(d.Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetDlgCtrlID(child) == IDC_STRENGTH_BAR && child != dialog.bar.Handle()) {
                EXPECT_FALSE(IsWindowVisible(child));  // the placeholder
            }
        }
        EXPECT_TRUE(IsWindowVisible(dialog.bar.Handle()));
        EXPECT_EQ(0, dialog.bar.GetPos());
        EXPECT_EQ(COLORREF(0x666633), dialog.bar.GetGridColor());
        EXPECT_EQ(1, dialog.bar.GetDivisions());
        EXPECT_TRUE(dialog.tipCreated);
        EXPECT_EQ(21568, dialog.tip.GetDelayTime(TTDT_AUTOPOP));
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        EXPECT_TRUE(dialog.tip.Send(TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&tool)));
        EXPECT_EQ(reinterpret_cast<UINT_PTR>(d.Item(IDC_TIP_ANCHOR)), tool.uId);

        for (const Example& e : examples) {
            d.Type(IDC_METER_PASSWORD, e.password);
            EXPECT_EQ(e.score, dialog.lastScore) << e.password;
            EXPECT_EQ(e.label, d.Text(IDC_STRENGTH_LABEL)) << e.password;
            ASSERT_EQ(1u, dialog.bar.GetZones().size());
            EXPECT_EQ(GradeZone(e.grade).from, dialog.bar.GetZones()[0].from) << e.password;
            EXPECT_EQ(GradeZone(e.grade).to, dialog.bar.GetZones()[0].to) << e.password;
            EXPECT_EQ(100, dialog.bar.GetPos());
            if (std::string(e.password) == "Abcdefg1") d.Screenshot("fair");
        }
        d.Type(IDC_METER_PASSWORD, "ABCdef123%!");
        d.Screenshot("strong");
        d.Press(VK_RETURN);
    });
    MeterDialog dialog;
    EXPECT_EQ(IDOK, dialog.DoModal());

    // The table's colours (0x00BBGGRR).
    EXPECT_EQ(COLORREF(0xFFFFFF), GradeZone(PasswordGrade::TooShort).from);
    EXPECT_EQ(COLORREF(0x0000FF), GradeZone(PasswordGrade::VeryWeak).to);
    EXPECT_EQ(COLORREF(0x0F7FFF), GradeZone(PasswordGrade::Weak).from);
    EXPECT_EQ(COLORREF(0x1CC2FF), GradeZone(PasswordGrade::Weak).to);
    EXPECT_EQ(COLORREF(0x05DDFF), GradeZone(PasswordGrade::Fair).from);
    EXPECT_EQ(COLORREF(0x6DDFFF), GradeZone(PasswordGrade::Fair).to);
    EXPECT_EQ(COLORREF(0xFF5B0F), GradeZone(PasswordGrade::Good).from);
    EXPECT_EQ(COLORREF(0xE1E019), GradeZone(PasswordGrade::Good).to);
    EXPECT_EQ(COLORREF(0x26652D), GradeZone(PasswordGrade::Strong).from);
    EXPECT_EQ(COLORREF(0x1FBE1C), GradeZone(PasswordGrade::Strong).to);

    // Long passwords score their length; the process's C locale is left alone.
    PasswordGrade grade;
    EXPECT_EQ(1000 + 1 + 5 + 2 + 5 + 5 + 1 + 1 + 2 + 2, ScorePassword(std::string(994, 'a') + "ABC1%2", &grade));
    EXPECT_EQ(PasswordGrade::Strong, grade);
    EXPECT_EQ(localeBefore, std::setlocale(LC_ALL, nullptr));
    if (GetACP() == 1252) {
        // Letters beyond ASCII count by the user's code page.
        EXPECT_EQ(7 + 1 + 5 + 2 + 2, ScorePassword("\xC9\xC0\xC7"
                                               "abcd"));  // upper-case accented letters
        EXPECT_EQ(7 + 1, ScorePassword("\xE9\xE8\xE7"
                                       "abcd"));
    }
}

}  // namespace
