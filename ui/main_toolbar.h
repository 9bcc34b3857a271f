#pragma once
// The main window's toolbar: a row of large buttons docked at the top of a
// dialog, above its controls. The dialog places it once, during its
// initialisation (PlaceInDialog); the buttons send their commands to the
// dialog, which enables them in its own enable pass (ToolBar::UpdateCommands)
// and answers their tooltips (TTN_GETDISPINFO) from its string table.
#include <windows.h>

#include "framework/gdi.h"
#include "framework/toolbar.h"

class CMainToolBar : public ui::ToolBar {
public:
    bool Create(HWND parent, DWORD style, UINT id) override { return ui::ToolBar::Create(parent, style, id); }

    struct Resources {
        UINT toolbar;         // buttons, and the 16-colour bitmap shown without image lists
        UINT normalBitmap;    // 256 colours, the normal images
        UINT disabledBitmap;  // 256 colours on magenta, the images of disabled buttons
    };

    // Creates the toolbar on the dialog, moves the dialog's controls below
    // it (ten pixels less than it takes), gives it its image lists (members
    // of the dialog) and grows the dialog by its height. False when the
    // toolbar cannot be created or loaded: the dialog then stays as it was,
    // without a toolbar. Missing images leave the buttons with the pictures
    // of the toolbar's own bitmap.
    bool PlaceInDialog(HWND dialog, const Resources& resources, ui::ImageList& normal, ui::ImageList& disabled);
};
