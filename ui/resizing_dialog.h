#pragma once
// A dialog whose frame the user may resize: listed controls follow the
// change of the client size, a size grip sits in the bottom-right corner,
// the dialog never gets smaller than it was created, and its last size is
// remembered in the profile under a section named after its template.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/dialog.h"

class CResizingDialog : public ui::Dialog {
public:
    // Anchor flags.
    enum : uint16_t {
        kMoveRight = 1,
        kMoveDown = 2,
        kStretchWidth = 4,   // wins over kMoveRight
        kStretchHeight = 8,  // wins over kMoveDown
    };

    explicit CResizingDialog(UINT templateId, HWND parent = nullptr);
    // A window still open is destroyed here, so that its size is saved.
    ~CResizingDialog() override;

    // Flags 0 adds nothing.
    void SetControlAnchor(uint16_t id, uint16_t flags);
    virtual void GetProfileSection(std::string& section) const;

protected:
    // A derived dialog that replaces OnInitDialog calls this one; one that
    // handles WM_CREATE, WM_SIZE, WM_PAINT, WM_NCHITTEST, WM_GETMINMAXINFO or
    // WM_DESTROY itself calls Default() from its handler to keep these.
    bool OnInitDialog() override;
    int OnCreate(CREATESTRUCTA* cs);
    void OnPaint();
    void OnSize(UINT type, int cx, int cy);
    LRESULT OnNcHitTest(POINT screen);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnDestroy();

    BOOL m_rememberSize = TRUE;
    BOOL m_gripper = TRUE;

private:
    int m_minWidth = 0;
    int m_minHeight = 0;
    int m_lastWidth = 0;
    int m_lastHeight = 0;
    BOOL m_sized = FALSE;
    std::vector<uint32_t> m_anchors;
    UINT m_templateId;
    RECT m_gripRect{};
};
