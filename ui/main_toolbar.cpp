#include "ui/main_toolbar.h"

#include "framework/app.h"

namespace {

// Flat buttons; the second bit is kept as the window has always had it.
constexpr LONG_PTR kFlatStyle = TBSTYLE_FLAT | 0x0010;
constexpr DWORD kMainBarStyle = ui::kBarAlignTop | ui::kBarBorderBottom | ui::kBarToolTips | ui::kBarFlyBy;
// The controls end up this much closer to the toolbar than the template
// placed them to the dialog's top.
constexpr int kOverlap = 10;
constexpr COLORREF kTransparent = RGB(255, 0, 255);

HBITMAP LoadPlain(UINT id) {
    HBITMAP bitmap = LoadBitmapA(ui::ResourceHandle(), MAKEINTRESOURCEA(id));
    return bitmap ? bitmap : LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

HBITMAP LoadMapped(UINT id) {
    for (HINSTANCE module : {ui::ResourceHandle(), GetModuleHandleA(nullptr)}) {
        HANDLE image = LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                  LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS);
        if (image) return static_cast<HBITMAP>(image);
    }
    return nullptr;
}

}  // namespace

bool CMainToolBar::PlaceInDialog(HWND dialog, const Resources& resources, ui::ImageList& normal,
                                 ui::ImageList& disabled) {
    if (!Create(dialog, WS_CHILD | WS_VISIBLE | ui::kBarTop, ui::kToolBarId) || !LoadToolBar(resources.toolbar)) {
        // Nothing further is done with a toolbar that is not there.
        if (Exists()) DestroyWindow();
        return false;
    }
    ModifyStyle(0, kFlatStyle);
    SetBarStyle(kMainBarStyle);

    // Room for the toolbar: every control moves below it.
    RECT start{};
    GetClientRect(dialog, &start);
    RECT now = ui::RepositionBars(dialog, ui::kFirstBarId, ui::kLastBarId, true);
    int dx = now.left - start.left;
    int dy = now.top - start.top - kOverlap;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        MoveWindow(child, r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top, FALSE);
    }

    // The large images, normal and disabled.
    ui::Bitmap mapped(LoadMapped(resources.normalBitmap));
    ui::Bitmap plain(LoadPlain(resources.normalBitmap));
    ui::Bitmap grey(LoadPlain(resources.disabledBitmap));
    if (mapped && plain && grey) {
        if (normal.Create(32, 32, ILC_COLOR8, 9, 1) && normal.Add(mapped.Get()) >= 0 &&
            disabled.Create(32, 32, ILC_COLOR16 | ILC_MASK | ILC_PALETTE, 9, 1) &&
            disabled.AddMasked(grey.Get(), kTransparent) >= 0) {
            SetImageLists(normal.Get(), disabled.Get());
        } else {
            normal.Destroy();
            disabled.Destroy();
        }
    }

    // The dialog grows by the toolbar's height, its top-left corner kept.
    RECT window{};
    GetWindowRect(dialog, &window);
    int width = (window.right - window.left) + (start.right - start.left) - (now.right - now.left);
    int height = (window.bottom - window.top) + (start.bottom - start.top) - (now.bottom - now.top);
    SetWindowPos(dialog, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);

    ui::RepositionBars(dialog, ui::kFirstBarId, ui::kLastBarId, false);
    return true;
}
