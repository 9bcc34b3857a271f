#pragma once
// The owner-drawn menu: popup items drawn by the program, each with the
// 16 x 15 image of its command's toolbar button left of its text, in a
// classic raised style or in the flat style of themed Windows XP menus.
//
// A TamselMenu owns its menu handle, one TamselMenuData record per item
// (attached to the system's item as its item data) and the popups it made
// while loading a template. The window that shows the menu forwards to it:
//
//   WM_INITMENUPOPUP: if (!systemMenu && TamselMenu::IsOwnMenu(popup)) TamselMenu::ConvertPopup(popup);
//   WM_MEASUREITEM:   TamselMenu::RouteMeasureItem(mis)   (true when it was one of ours)
//   WM_DRAWITEM:      TamselMenu::RouteDrawItem(dis)
//
// and takes the menu off itself (SetMenu with none) before it destroys it.
// Menus are used on the user-interface thread only; the tables they share
// are not locked.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/gdi.h"

// One menu item.
struct TamselMenuData {
    // The whole text, an accelerator text after a tab included.
    std::wstring text;
    // Index into the shared image list, -1 for none.
    int image = -1;
    // The menu flags as last given to the system.
    UINT flags = 0;
    // The command id; a popup entry's popup handle; 0 for a separator.
    UINT_PTR id = 0;
    // Used while the records are matched with the live menu.
    bool claimed = false;
};

// Lightens each channel towards 255 by f (0 < f <= 1); other f leave the
// colour as it is.
COLORREF LightenColor(COLORREF colour, double f);
// Darkens each channel towards 0 by f (0 < f <= 1); other f leave it.
COLORREF DarkenColor(COLORREF colour, double f);

// The shell type of a system version: 0 to 7 (7 is Windows XP, 1 every NT
// system that is neither 4.0, 5.0 nor 5.1).
int ShellTypeFromVersion(bool family9x, DWORD major, DWORD minor);
// The shell type of the running system.
int DetectShellType();
// True when the current theme of Windows XP is "Windows Classic.theme";
// tested once, at the first call.
bool IsClassicTheme();

class TamselMenu {
public:
    static constexpr int kImageWidth = 16;
    static constexpr int kImageHeight = 15;

    TamselMenu();
    virtual ~TamselMenu();
    TamselMenu(const TamselMenu&) = delete;
    TamselMenu& operator=(const TamselMenu&) = delete;

    HMENU Handle() const { return m_menu; }
    // The records, in the order of the items' positions.
    const std::vector<TamselMenuData*>& Items() const { return m_items; }
    // The popups this menu appended.
    const std::vector<HMENU>& Popups() const { return m_popups; }

    virtual void DrawItem(const DRAWITEMSTRUCT* dis);
    virtual void MeasureItem(MEASUREITEMSTRUCT* mis);
    // Replaces the menu by a menu template of the resources (the module's,
    // else the program's). False when it is missing or cannot be read or
    // the menu cannot be made.
    virtual BOOL LoadMenu(UINT id);
    virtual BOOL LoadMenu(LPCSTR name);
    // Deletes the records and popups and destroys the menu handle.
    virtual void DestroyMenu();

    // Appends one owner-drawn item (id 0: a separator).
    BOOL AddOwnerDrawItem(const wchar_t* text, UINT flags, UINT_PTR id);
    // Pads the labels of items with an accelerator text with spaces, so that
    // the accelerators line up.
    void AlignAccelerators();
    // Gives every item whose command is on the toolbar the button's image;
    // 1 on success, 0 when the toolbar or its bitmap cannot be loaded.
    int SetImagesFromToolbar(UINT toolbarId);
    // Gives the items of a command a new text (null: keeps it) and/or the
    // image of a list (null list: keeps it).
    BOOL SetItemImage(const wchar_t* text, UINT id, HIMAGELIST list, int index);
    BOOL SetItemImage(const char* text, UINT id, HIMAGELIST list, int index);
    // Matches the records with the live menu after other code changed it:
    // every item is owner-drawn again, items new to the menu get records,
    // records of items that are gone are deleted.
    void MakeItemsOwnerDrawn();

    // The menu of the first command item with that id, here or in the
    // popups that are TamselMenus, and its position; null and -1 when none.
    TamselMenu* FindMenuOfCommand(UINT id, int& position);
    // The same, skipping the (menu, position) pairs already visited; the
    // pair found is added.
    struct Visit {
        const TamselMenu* menu;
        int position;
    };
    TamselMenu* FindNextMenuOfCommand(UINT id, int& position, std::vector<Visit>& visited);

    // The TamselMenu of a menu handle, or null.
    static TamselMenu* FromHandle(HMENU menu);
    static bool IsOwnMenu(HMENU menu);
    // MakeItemsOwnerDrawn when the menu is a TamselMenu; nothing otherwise.
    static void ConvertPopup(HMENU menu);
    // The owner window's WM_MEASUREITEM and WM_DRAWITEM for menus: true when
    // the item is one of a TamselMenu's (it was measured or drawn).
    static bool RouteMeasureItem(MEASUREITEMSTRUCT* mis);
    static bool RouteDrawItem(const DRAWITEMSTRUCT* dis);

    // Adds the images of a toolbar bitmap resource to the list.
    static bool LoadToolbarBitmap(HIMAGELIST list, UINT bitmapId);
    // The image's index in the shared list (added or replaced), or -1.
    static int AddGlobalImage(HIMAGELIST list, int index, UINT_PTR id);
    static int FindGlobalImage(UINT_PTR id);
    static bool HasXPImageSet(int index);
    static HIMAGELIST SharedImages();
    static const std::vector<UINT_PTR>& ImageCommands();
    static bool HighColourLoaded();

    static int ShellType();
    static bool HasNewShell();
    static bool IsXPStyle();

    // Drawing pieces (also used by the tests).
    static void DrawItemClassic(const DRAWITEMSTRUCT* dis);
    static void DrawItemXP(const DRAWITEMSTRUCT* dis);
    static bool ImageToBitmap(HDC dc, HIMAGELIST list, int index, HBITMAP& bitmap);
    static void LightenBitmap(HBITMAP bitmap);
    static void ShadowBitmap(HBITMAP bitmap);
    // background CLR_NONE: background pixels stay.
    static void ShadeBitmap(HBITMAP bitmap, COLORREF background);
    static void DrawEmbossed(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, COLORREF background);
    static void DrawShaded(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, COLORREF background);
    static void DrawCheckClassic(HDC dc, const RECT& box, bool selected, bool round);
    static void DrawCheckXP(HDC dc, const RECT& box, bool round, COLORREF highlight, bool selected);
    static void DrawTick(HDC dc, int x, int y, COLORREF colour, bool thin);
    static void DrawRadioDot(HDC dc, int x, int y, COLORREF colour);

    // Tests only: pick the platform the menu believes it runs on, forget the
    // theme test, and start the shared image tables afresh.
    static void SetShellTypeForTesting(int type);
    static void ForgetThemeTestForTesting();
    static void ResetSharedImagesForTesting();

private:
    static TamselMenu* OwnerOfRecord(const TamselMenuData* record, int* position);
    BOOL ModifyOwnerDrawn(HMENU menu, int position, TamselMenuData* record) const;
    void Register();
    void Unregister();

    HMENU m_menu = nullptr;
    std::vector<TamselMenuData*> m_items;
    std::vector<HMENU> m_popups;
    // Records of commands given an image or text while in no menu; an item
    // of that command that appears later takes its record.
    std::vector<TamselMenuData*> m_pending;
};

// The menu's off-screen surface for one item.
class TamselMenuMemDC : public ui::OffScreenDC {
public:
    using ui::OffScreenDC::OffScreenDC;
};
