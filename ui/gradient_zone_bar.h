#pragma once
// A bar of colour zones, each a linear gradient, filled up to a position in
// percent; the rest shows a background colour. It can also draw grid ticks,
// a line of text and a tooltip, and it can stand upright. The password
// strength meter uses it as a plain horizontal bar with one zone.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/gdi.h"
#include "framework/window.h"

// One colour zone: its colours at the start (left, or bottom when upright)
// and at the end, and its length in percent of the bar. The last zone always
// reaches the end of the bar.
struct StrengthZone {
    COLORREF from;
    COLORREF to;
    int extent;
};

class CXGradientZoneBar : public ui::Window {
public:
    // A background colour of kNoBackground leaves the bar unfilled before the
    // zones are painted.
    static constexpr COLORREF kNoBackground = 0xFFFFFFFF;
    static constexpr const char* kClassName = "XGradientZoneBar";

    enum GridStyle { kNoGrid = 0, kTicksTop = 1, kTicksBottom = 2, kTicksBoth = 3, kGridLines = 4 };
    enum HorizontalAlign { kAlignLeft = 0, kAlignRight = 1, kAlignCentre = 2 };
    enum VerticalAlign { kAlignTop = 0, kAlignBottom = 1, kAlignMiddle = 2 };
    enum ToolTipMode { kTipNone = 0, kTipLabel = 1, kTipPercent = 2, kTipLabelPercent = 3, kTipPercentLabel = 4 };

    CXGradientZoneBar();
    ~CXGradientZoneBar() override;

    // Registers the window class "XGradientZoneBar" in the module (once; it
    // is unregistered when the module unloads) and creates the bar. False
    // without a parent or when the class cannot be registered.
    virtual BOOL Create(HINSTANCE instance, DWORD exStyle, DWORD style, const RECT& rect, HWND parent, UINT id);

    // Replaces the zones by a copy; a count of 0 or no zones leaves none.
    CXGradientZoneBar& SetZones(int count, const StrengthZone* zones, bool redraw);
    // A face name (at most 31 bytes are used) at a size in points; an empty
    // face keeps the current font's face and other properties.
    CXGradientZoneBar& SetFontFace(const std::string& face, int points, bool redraw);
    // A null font changes nothing.
    CXGradientZoneBar& SetLogFont(const LOGFONTA* font, bool redraw);
    // The font height for a size in points on the display.
    static int PointsToHeight(int points);
    // The bar's window font, else its parent's, else a stock font.
    HFONT GetDefaultFont() const;

    CXGradientZoneBar& SetPos(int percent, bool redraw);  // clamped to 0..100
    CXGradientZoneBar& SetTextColor(COLORREF colour, bool redraw);
    CXGradientZoneBar& SetBackgroundColor(COLORREF colour, bool redraw);
    CXGradientZoneBar& SetGridColor(COLORREF colour, bool redraw);
    CXGradientZoneBar& SetDivisions(int divisions, bool redraw);
    CXGradientZoneBar& SetTickLengths(int shortTick, int longTick, bool redraw);
    CXGradientZoneBar& SetText(const std::string& text, bool redraw);
    CXGradientZoneBar& SetLabel(const std::string& label, bool redraw);
    CXGradientZoneBar& SetUpright(bool upright, bool redraw);
    CXGradientZoneBar& SetTextAngle(int degrees, bool redraw);  // 0, 90 or 270
    CXGradientZoneBar& SetGridStyle(int style, bool redraw);
    CXGradientZoneBar& SetTextAlignment(int horizontal, int vertical, bool redraw);
    CXGradientZoneBar& SetToolTipMode(int mode, bool redraw);

    int GetPos() const { return m_position; }
    const std::vector<StrengthZone>& GetZones() const { return m_zones; }
    COLORREF GetTextColor() const { return m_textColour; }
    COLORREF GetBackgroundColor() const { return m_background; }
    COLORREF GetGridColor() const { return m_gridColour; }
    int GetDivisions() const { return m_divisions; }
    bool IsUpright() const { return m_upright != FALSE; }
    HFONT GetFont() const { return m_font.Get(); }

    // Every mouse point is a tool of its own: an 8 x 8 pixel square around
    // the point, its id the point's x (low word) and y (high word).
    virtual INT_PTR OnToolHitTest(POINT point, TTTOOLINFOA* info) const;
    // Fills the notification's 80-character text buffer by the tooltip mode
    // (the position as "%u%%", the label, or both); an empty text leaves it
    // alone. Returns 0.
    virtual int GetToolTipText(NMHDR* header);
    // The text the tooltip mode gives now.
    std::string ToolTipText() const;

protected:
    BOOL OnEraseBkgnd() { return TRUE; }
    void OnPaint();
    LRESULT OnToolTipNeedText(NMHDR* header);
    void OnMouseMove(WPARAM w, LPARAM l);

    // Paints the whole bar into the device context (the client rectangle).
    void Draw(HDC dc, const RECT& client);

private:
    void Redraw(bool redraw);
    void DrawHorizontal(HDC dc, const RECT& r);
    void DrawUpright(HDC dc, const RECT& r);
    void DrawGrid(HDC dc, const RECT& r);
    void DrawText(HDC dc, const RECT& r);
    void Gradient(HDC dc, const RECT& r, COLORREF first, COLORREF second, bool vertical);
    void FillSolid(HDC dc, const RECT& r, COLORREF colour);
    COLORREF StripColour() const;
    void EnableToolTips();

    COLORREF m_textColour;
    COLORREF m_background;
    COLORREF m_gridColour;
    int m_divisions = 10;
    int m_shortTick = 4;
    int m_longTick = 8;
    int m_position = 100;
    std::string m_text;
    std::string m_label;
    BOOL m_upright = FALSE;
    int m_textAngle = 0;
    int m_gridStyle = kNoGrid;
    int m_hAlign = kAlignCentre;
    int m_vAlign = kAlignMiddle;
    int m_tipMode = kTipNone;
    ui::Font m_font;
    std::vector<StrengthZone> m_zones;

    ui::ToolTip m_tip;
    UINT_PTR m_toolId = 0;
    bool m_hasTool = false;
};
