#pragma once
// The splash window: a borderless, topmost window that shows one bitmap
// centred on the screen and closes itself half a second after it appears.
// It is shown only while the process-wide enable flag is set (it starts
// cleared); at most one exists at a time, and it deletes itself when its
// window is gone.
#include <windows.h>

#include "framework/gdi.h"
#include "framework/window.h"

class CSplashWnd : public ui::Window {
public:
    // The bitmap it shows.
    static constexpr UINT kBitmapId = 149;
    static constexpr UINT kTimerId = 1;
    static constexpr UINT kShowMilliseconds = 500;

    static void SetEnabled(BOOL enabled);
    static BOOL Enabled();
    // Creates and shows the splash when the flag is set and none is shown.
    static void ShowIfEnabled(HWND parent);
    // The splash shown now, or null.
    static CSplashWnd* Current();

    ~CSplashWnd() override;

    // Loads the bitmap and creates the window; FALSE when either fails.
    BOOL CreateSplash(HWND parent);
    // Destroys the window (and so the object) and repaints the main window.
    void HideSplash();

protected:
    CSplashWnd();
    int OnCreate();
    void OnPaint();
    void OnTimer();
    void PostNcDestroy() override;

private:
    ui::Bitmap m_bitmap;
};
