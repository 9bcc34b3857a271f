#pragma once
// Toolbars: the toolbar resource (type 241: version 1, image width and
// height, button count, one command id a button, 0 for a separator), a
// toolbar control that loads one with its bitmap and takes part in the
// owner's enable pass, and the layout of bars along a window's edge.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "framework/gdi.h"
#include "framework/window.h"

namespace ui {

// Bar styles (the low word of a toolbar's creation style; they are kept by
// the bar, not given to the control).
enum : DWORD {
    kBarToolTips = 0x0010,
    kBarFlyBy = 0x0020,
    kBarBorderBottom = 0x0800,
    kBarAlignTop = 0x2000,
    kBarAlignBottom = 0x8000,
    kBarTop = kBarAlignTop | kBarBorderBottom,
};

// The id range of control bars, and the id of the main toolbar.
constexpr UINT kFirstBarId = 0xE800;
constexpr UINT kLastBarId = 0xE8FF;
constexpr UINT kToolBarId = 0xE800;

struct ToolBarResource {
    int imageWidth = 0;
    int imageHeight = 0;
    std::vector<UINT> ids;  // 0: a separator
    // From the module's resources, else the program's. False when it is
    // missing, cut short or not of version 1.
    bool Load(UINT id);
    bool Parse(const void* data, size_t size);
};

class ToolBar : public Window {
public:
    ToolBar();
    ~ToolBar() override;

    // A child toolbar; the low word of style holds bar styles (kBarTop ...),
    // the high word window styles.
    virtual bool Create(HWND parent, DWORD style, UINT id);
    // Buttons from a toolbar resource, image and button size from it, and
    // the bitmap of the same id with the system's button colours. False
    // when the resource or the bitmap cannot be loaded.
    bool LoadToolBar(UINT id);
    bool SetButtons(const std::vector<UINT>& ids);
    void SetSizes(SIZE button, SIZE image);
    bool SetBitmap(HBITMAP bitmap);
    // Image lists for the normal and the disabled buttons (null: none); the
    // buttons keep their size.
    void SetImageLists(HIMAGELIST normal, HIMAGELIST disabled);

    DWORD BarStyle() const { return m_barStyle; }
    void SetBarStyle(DWORD style);
    int ButtonCount() const;
    UINT ButtonId(int index) const;
    // The image of the button, -1 for a separator or a button that is not there.
    int ButtonImage(int index) const;
    int CommandToIndex(UINT id) const;
    bool ButtonEnabled(UINT id) const;
    RECT ButtonRect(int index) const;
    HWND ToolTips() const;

    // The enable pass over the buttons, with target's update handlers;
    // buttons whose commands have no handler are disabled when asked.
    void UpdateCommands(Window& target, bool disableWithoutHandler);

    // Height (top or bottom bar) the bar takes at a given width.
    virtual int CalcHeight() const;

private:
    DWORD m_barStyle = 0;
    Bitmap m_bitmap;
    SIZE m_image{16, 15};
    SIZE m_button{23, 22};
};

// Lays out the visible bars among the window's children with ids in
// [first, last] along its client edges (top bars from the top, bottom bars
// from the bottom). With query set nothing moves. Returns the client
// rectangle the bars leave.
RECT RepositionBars(HWND window, UINT first, UINT last, bool query);

}  // namespace ui
