#pragma once
// A small topmost window with a few lines of text, a progress bar and a
// Cancel button, driven step by step by a long loop on the window's thread.
#include <windows.h>

#include <string>

#include "framework/controls.h"
#include "framework/gdi.h"
#include "framework/window.h"

class CProgressWnd : public ui::Window {
public:
    CProgressWnd();
    ~CProgressWnd() override;

    // Builds the window with its controls at the remembered place and shows
    // it. parent null: the application's main window.
    BOOL Create(HWND parent, const std::string& title, BOOL smooth = FALSE);

    void Show();
    void Hide();
    void SetRange(int lower, int upper, int step = 1);
    // Shows the text as it is (no format codes are read from it); longer
    // texts are cut to 511 characters.
    void SetText(const std::string& text);
    // Returns the bar's previous position (or the stored one without window).
    int SetPos(int pos);
    int StepIt();
    // Runs the waiting messages of the thread until the queue is empty or
    // the run is cancelled; Esc (WM_CHAR 27) for any window cancels.
    void PeekAndPump(BOOL cancelOnEsc = TRUE);
    BOOL Cancelled() const { return m_cancelled; }

    void RestorePosition();
    void SavePosition();

    // The percentage last shown in the title.
    int Percent() const { return m_percent; }
    int Position() const { return m_pos; }

protected:
    void OnCancel();
    BOOL OnEraseBkgnd(HDC dc);
    // The position is saved whenever the window goes, also when its owner
    // takes it along.
    void OnDestroy();

private:
    void InitDefaults();
    void ArrangeControls(int lines, int width);

    BOOL m_cancelled;
    BOOL m_persistentPosition;
    int m_pos;
    int m_percent;
    int m_step;
    int m_upper;
    int m_lower;
    int m_lines;
    ui::Static m_text;
    ui::ProgressBar m_bar;
    ui::Button m_button;
    std::string m_caption;
    std::string m_cancelText;
    ui::Font m_font;

    enum { kButtonId = 10, kTextId = 11, kBarId = 12 };
};
