#pragma once
// A progress bar that draws itself: the filled part in one colour, the rest
// in another, and a centred text (its own window text, or the percentage)
// whose colour flips where it crosses the bar's edge. It keeps its own
// range, position and step, and repaints only when the bar moves by a
// pixel, through one off-screen bitmap.
#include <windows.h>

#include <string>

#include "framework/controls.h"
#include "framework/gdi.h"

// An off-screen surface for one paint: drawing goes to a bitmap of the
// target's clip box, copied to the target in one piece when it ends. A
// printer is drawn on directly.
class CMemDC : public ui::OffScreenDC {
public:
    explicit CMemDC(HDC target);
};

class CTextProgressCtrl : public ui::ProgressBar {
public:
    CTextProgressCtrl();

    void SetRange(int lower, int upper);
    // The previous position, or -1 (nothing stored) without a window.
    int SetPos(int position);
    int StepIt() { return SetPos(m_position + m_step); }
    int SetStep(int step);
    void SetShowText(bool on);

    int GetPos() const { return m_position; }
    // Width in pixels of the bar as last drawn; -1 before the first.
    int BarWidth() const { return m_lastBarWidth; }

private:
    // The bar's width for the current position: 0 for an empty range, at
    // most the client width, computed without overflow.
    int ComputeBarWidth(int clientWidth) const;
    void OnPaint();
    LRESULT OnSetText(LPARAM text);
    LRESULT OnGetText(WPARAM size, LPARAM buffer);

    int m_position = 0;
    int m_step = 1;
    int m_upper = 100;
    int m_lower = 0;
    std::string m_text;
    bool m_showText = true;
    int m_lastBarWidth = -1;
    HFONT m_font = nullptr;
    COLORREF m_barColour;
    COLORREF m_backgroundColour;
    COLORREF m_textOverBackground;
    COLORREF m_textOverBar;
};
