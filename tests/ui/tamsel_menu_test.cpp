// The owner-drawn menu: loading templates, images from toolbars, keeping
// the live menu owner-drawn, measuring and drawing in both styles, and
// templates and displays that are not what the menu is made for.
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/gdi.h"
#include "resources/tests/ui_test_ids.h"
#include "tests/ui/ui_test_support.h"
#include "ui/tamsel_menu.h"

namespace {

constexpr int kShellVista = 1;    // every system from Vista on, and Wine
constexpr int kShellWin2000 = 6;  // classic style with 3-D frames
constexpr int kShellXP = 7;

COLORREF Sys(int index) { return GetSysColor(index); }

// A window that shows menus and forwards to them as the main window does.
class MenuHost : public ui::Window {
public:
    MenuHost() {
        OnMessage(WM_INITMENUPOPUP, [this](WPARAM w, LPARAM l) {
            HMENU popup = reinterpret_cast<HMENU>(w);
            if (!HIWORD(l) && TamselMenu::IsOwnMenu(popup)) TamselMenu::ConvertPopup(popup);
            UpdateMenuCommands(popup, false);
            return Default();
        });
        OnMessage(WM_MEASUREITEM, [this](WPARAM, LPARAM l) {
            return TamselMenu::RouteMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(l)) ? TRUE : Default();
        });
        OnMessage(WM_DRAWITEM, [this](WPARAM, LPARAM l) {
            return TamselMenu::RouteDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(l)) ? TRUE : Default();
        });
    }
    bool Create() {
        std::string cls = RegisterWindowClass(0, LoadCursor(nullptr, IDC_ARROW),
                                              reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr);
        return CreateEx(0, cls, "Menu host", WS_OVERLAPPEDWINDOW, 50, 50, 400, 300, nullptr, nullptr);
    }
};

using Picture = uitest::MenuPicture;
using uitest::DrawMenuPopup;

MEASUREITEMSTRUCT Measure(HWND owner, HMENU menu, int position) { return uitest::MeasureMenuItem(owner, menu, position); }
COLORREF Stored(HDC dc, COLORREF colour) { return uitest::StoredColour(dc, colour); }
std::unique_ptr<Picture> DrawPopup(HWND owner, HMENU popup, int selected, int bitsPerPixel = 32) {
    return DrawMenuPopup(owner, popup, selected, bitsPerPixel);
}
void Save(const Picture& picture, const std::string& name) { picture.Save(name); }

bool OwnerDrawn(HMENU menu, int position) { return (uitest::MenuItem(menu, position).fType & MFT_OWNERDRAW) != 0; }

TamselMenuData* RecordAt(HMENU menu, int position) {
    return reinterpret_cast<TamselMenuData*>(uitest::MenuItem(menu, position).dwItemData);
}

std::string PlainText(HMENU menu, int position) {
    char text[256] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

// Width of a text as the menu measures it: on the main window's context,
// in the menu font only on systems with the newer shell.
long MeasuredText(const std::wstring& text, bool menuFont) {
    HWND window = ui::MainWindow() ? ui::MainWindow() : GetDesktopWindow();
    HDC dc = GetDC(window);
    ui::Font font(uitest::MenuFont());
    SIZE size{};
    {
        ui::SelectGuard select(dc, menuFont ? font.Get() : nullptr);
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }
    ReleaseDC(window, dc);
    return size.cx;
}

// The pixels of an image of a list, drawn on the button face.
std::vector<COLORREF> ImagePixels(HIMAGELIST list, int index) {
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    HBITMAP made = nullptr;
    if (TamselMenu::ImageToBitmap(screen, list, index, made)) {
        ui::Bitmap bitmap(made);
        ui::MemoryDC memory(screen);
        ui::SelectGuard select(memory.Get(), bitmap.Get());
        for (int x = 0; x < TamselMenu::kImageWidth; ++x) {
            for (int y = 0; y < TamselMenu::kImageHeight; ++y) pixels.push_back(GetPixel(memory.Get(), x, y));
        }
    }
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Colours differ by rounding only; on a display of 16 bits or fewer a
// channel keeps 5 or 6 bits, so each rounding may move it by up to 8.
int RoundingTolerance() {
    HDC screen = GetDC(nullptr);
    int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    return bits <= 16 ? 8 : 2;
}

// A colour as the display stores it.
COLORREF OnDisplay(COLORREF colour) {
    HDC screen = GetDC(nullptr);
    ui::MemoryDC memory(screen);
    ui::Bitmap pixel(CreateCompatibleBitmap(screen, 1, 1));
    ReleaseDC(nullptr, screen);
    ui::SelectGuard select(memory.Get(), pixel.Get());
    return uitest::StoredColour(memory.Get(), colour);
}

bool Near(COLORREF a, COLORREF b, int tolerance = RoundingTolerance()) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class TamselMenuTest : public uitest::UiTest {
protected:
    TamselMenuTest() {
        m_savedShell = TamselMenu::ShellType();
        TamselMenu::ResetSharedImagesForTesting();
        TamselMenu::ForgetThemeTestForTesting();
        EXPECT_TRUE(m_host.Create());
        m_app->SetMainWindow(m_host.Handle());
    }
    ~TamselMenuTest() override {
        m_app->SetMainWindow(nullptr);
        TamselMenu::SetShellTypeForTesting(m_savedShell);
        TamselMenu::ResetSharedImagesForTesting();
        TamselMenu::ForgetThemeTestForTesting();
    }
    // Loads the test menu with its images in the style of a platform.
    void Load(TamselMenu& menu, int shellType) {
        TamselMenu::SetShellTypeForTesting(shellType);
        ASSERT_TRUE(menu.LoadMenu(IDM_TAMSEL_MENU));
        ASSERT_EQ(1, menu.SetImagesFromToolbar(IDR_TAMSEL_TOOLBAR));
    }
    HMENU FilePopup(const TamselMenu& menu) const { return GetSubMenu(menu.Handle(), 0); }

    MenuHost m_host;
    int m_savedShell = 0;
};

// The platform tests: the XP style on Windows XP only, unless its theme is
// the classic one.
TEST_F(TamselMenuTest, ShellTypeAndThemePickTheStyle) {
    EXPECT_EQ(0, ShellTypeFromVersion(true, 3, 95));
    EXPECT_EQ(2, ShellTypeFromVersion(true, 4, 0));
    EXPECT_EQ(3, ShellTypeFromVersion(true, 4, 10));
    EXPECT_EQ(4, ShellTypeFromVersion(true, 4, 90));
    EXPECT_EQ(5, ShellTypeFromVersion(false, 4, 0));
    EXPECT_EQ(6, ShellTypeFromVersion(false, 5, 0));
    EXPECT_EQ(7, ShellTypeFromVersion(false, 5, 1));
    EXPECT_EQ(1, ShellTypeFromVersion(false, 5, 2));
    EXPECT_EQ(1, ShellTypeFromVersion(false, 6, 1));
    EXPECT_EQ(1, ShellTypeFromVersion(false, 10, 0));
    EXPECT_EQ(1, ShellTypeFromVersion(false, 3, 51));
    // Wine says it is a newer Windows: classic style, no newer-shell features.
    EXPECT_EQ(1, DetectShellType());

    TamselMenu::SetShellTypeForTesting(kShellVista);
    EXPECT_FALSE(TamselMenu::HasNewShell());
    EXPECT_FALSE(TamselMenu::IsXPStyle());
    TamselMenu::SetShellTypeForTesting(kShellWin2000);
    EXPECT_TRUE(TamselMenu::HasNewShell());
    EXPECT_FALSE(TamselMenu::IsXPStyle());

    const char* kKey = "Software\\Microsoft\\Plus!\\Themes\\Current";
    auto setTheme = [&](const std::string& value, DWORD type, bool terminated) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                                 nullptr));
        RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + (terminated ? 1 : 0)));
        RegCloseKey(key);
        TamselMenu::ForgetThemeTestForTesting();
    };
    TamselMenu::SetShellTypeForTesting(kShellXP);
    EXPECT_TRUE(TamselMenu::IsXPStyle());  // no theme key at all
    setTheme("C:\\WINDOWS\\Resources\\Themes\\Luna.theme", REG_SZ, true);
    EXPECT_TRUE(TamselMenu::IsXPStyle());
    setTheme("C:\\WINDOWS\\Resources\\Themes\\windows classic.THEME", REG_SZ, true);
    EXPECT_FALSE(TamselMenu::IsXPStyle());
    // The result is kept: a later change of theme is not seen.
    setTheme("Luna.theme", REG_SZ, true);
    EXPECT_TRUE(TamselMenu::IsXPStyle());
    TamselMenu::ForgetThemeTestForTesting();
    EXPECT_TRUE(IsClassicTheme() == false);
    // A value stored without its terminator, right after a longer one.
    setTheme(std::string(200, 'x') + "Windows Classic.theme.backup", REG_SZ, true);
    setTheme("Windows Classic.theme", REG_BINARY, false);
    EXPECT_TRUE(IsClassicTheme());
    setTheme("Windows Classic.theme.backup", REG_SZ, true);
    EXPECT_FALSE(IsClassicTheme());
    setTheme("Classic.theme", REG_SZ, true);
    EXPECT_FALSE(IsClassicTheme());
    // Longer than the 260 bytes read: not the classic theme.
    setTheme(std::string(300, 'x') + "Windows Classic.theme", REG_SZ, true);
    EXPECT_FALSE(IsClassicTheme());
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
}

// Loading a template: a bar of plain texts over popups whose items are all
// owner-drawn, accelerators lined up, the popups known as the menu's own.
TEST_F(TamselMenuTest, LoadedTemplateIsOwnerDrawnBelowAPlainBar) {
    TamselMenu::SetShellTypeForTesting(kShellWin2000);
    TamselMenu menu;
    EXPECT_FALSE(menu.LoadMenu(9999));
    EXPECT_EQ(nullptr, menu.Handle());
    ASSERT_TRUE(menu.LoadMenu(IDM_TAMSEL_MENU));
    HMENU bar = menu.Handle();
    ASSERT_EQ(2, GetMenuItemCount(bar));
    EXPECT_EQ("&File", PlainText(bar, 0));
    EXPECT_EQ("Edit", PlainText(bar, 1));
    EXPECT_FALSE(OwnerDrawn(bar, 0));
    EXPECT_EQ(static_cast<UINT>(MF_BYPOSITION | MF_POPUP), menu.Items()[0]->flags);
    EXPECT_FALSE(TamselMenu::IsOwnMenu(bar));
    EXPECT_EQ(&menu, TamselMenu::FromHandle(bar));

    HMENU file = FilePopup(menu);
    ASSERT_EQ(8, GetMenuItemCount(file));
    EXPECT_TRUE(TamselMenu::IsOwnMenu(file));
    ASSERT_NE(nullptr, TamselMenu::FromHandle(file));
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(OwnerDrawn(file, i)) << i;
        EXPECT_EQ(TamselMenu::FromHandle(file)->Items()[static_cast<size_t>(i)], RecordAt(file, i)) << i;
    }
    TamselMenuData* separator = RecordAt(file, 2);
    EXPECT_EQ(0u, separator->id);
    EXPECT_EQ(static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW), separator->flags);
    EXPECT_TRUE(separator->text.empty());
    EXPECT_EQ(L"Save", RecordAt(file, 3)->text);
    EXPECT_TRUE(uitest::MenuItem(file, 4).fState & MFS_GRAYED);
    EXPECT_TRUE(uitest::MenuItem(file, 5).fState & MFS_CHECKED);
    EXPECT_EQ(-1, RecordAt(file, 0)->image);  // no images before the toolbar gives them

    // The nested popup: an owner-drawn entry whose items are owner-drawn too.
    HMENU sort = GetSubMenu(file, 6);
    ASSERT_NE(nullptr, sort);
    EXPECT_EQ(reinterpret_cast<UINT_PTR>(sort), RecordAt(file, 6)->id);
    EXPECT_EQ(L"Sort", RecordAt(file, 6)->text);
    EXPECT_TRUE(TamselMenu::IsOwnMenu(sort));
    EXPECT_TRUE(OwnerDrawn(sort, 0) && OwnerDrawn(sort, 1));
    EXPECT_EQ(L"File size", RecordAt(sort, 1)->text);

    // Accelerators: each label with a tab is padded to the widest label of
    // its popup plus a space; the others keep their texts.
    long widest = 0;
    for (const wchar_t* label : {L"&Add File", L"Add Folder", L"Save", L"Greyed", L"Checked", L"Sort", L"E&xit"}) {
        widest = std::max(widest, MeasuredText(std::wstring(label) + L" ", true));
    }
    for (int i : {0, 1}) {
        const std::wstring& text = RecordAt(file, i)->text;
        size_t tab = text.find(L'\t');
        ASSERT_NE(std::wstring::npos, tab);
        std::wstring label = text.substr(0, tab);
        EXPECT_GE(MeasuredText(label, true), widest) << i;
        EXPECT_LT(MeasuredText(label.substr(0, label.size() - 1), true), widest) << i;
    }
    EXPECT_EQ(L"Ctrl+Shift+F", RecordAt(file, 1)->text.substr(RecordAt(file, 1)->text.find(L'\t') + 1));
    EXPECT_EQ(L"E&xit", RecordAt(file, 7)->text);

    // Loading again replaces everything the first load made.
    ASSERT_TRUE(menu.LoadMenu(IDM_TAMSEL_MENU));
    EXPECT_FALSE(IsMenu(bar));
    EXPECT_FALSE(TamselMenu::IsOwnMenu(file));
    EXPECT_EQ(nullptr, TamselMenu::FromHandle(file));
    EXPECT_EQ(2, GetMenuItemCount(menu.Handle()));

    menu.DestroyMenu();
    EXPECT_EQ(nullptr, menu.Handle());
    EXPECT_TRUE(menu.Items().empty());
    EXPECT_TRUE(menu.Popups().empty());
}

// Images: the commands on the toolbar get its button's picture; separators
// take no picture; commands not in the menu are skipped; a toolbar with
// fewer pictures than buttons leaves the last without one.
TEST_F(TamselMenuTest, ToolbarPicturesGoToTheItemsOfTheirCommands) {
    for (int shell : {kShellWin2000, kShellXP}) {
        SCOPED_TRACE(shell);
        TamselMenu::ResetSharedImagesForTesting();
        TamselMenu menu;
        Load(menu, shell);
        bool xp = shell == kShellXP;
        HMENU file = FilePopup(menu);
        HMENU edit = GetSubMenu(menu.Handle(), 1);
        const std::vector<UINT_PTR>& commands = TamselMenu::ImageCommands();
        EXPECT_EQ(xp ? 24u : 6u, commands.size());
        EXPECT_EQ(-1, TamselMenu::FindGlobalImage(ID_TM_NOT_IN_MENU));
        EXPECT_EQ(static_cast<int>(commands.size()), ImageList_GetImageCount(TamselMenu::SharedImages()));
        for (UINT id : {ID_TM_ADD_FILE, ID_TM_ADD_FOLDER, ID_TM_SAVE, ID_TM_ENCRYPT, ID_TM_DECRYPT, ID_TM_CHECKED}) {
            int image = TamselMenu::FindGlobalImage(id);
            EXPECT_GE(image, 0) << id;
            EXPECT_EQ(xp, TamselMenu::HasXPImageSet(image)) << id;
        }
        EXPECT_EQ(TamselMenu::FindGlobalImage(ID_TM_ADD_FILE), RecordAt(file, 0)->image);
        EXPECT_EQ(TamselMenu::FindGlobalImage(ID_TM_CHECKED), RecordAt(file, 5)->image);
        EXPECT_EQ(TamselMenu::FindGlobalImage(ID_TM_ENCRYPT), RecordAt(edit, 0)->image);
        for (int i : {2, 4, 6, 7}) EXPECT_EQ(-1, RecordAt(file, i)->image) << i;
        for (int i = 0; i < GetMenuItemCount(file); ++i) EXPECT_TRUE(OwnerDrawn(file, i)) << i;

        // The separator takes no picture: Encrypt, after it, shows the fourth.
        HIMAGELIST strip = ImageList_Create(16, 15, ILC_COLORDDB | ILC_MASK, 1, 1);
        ASSERT_TRUE(TamselMenu::LoadToolbarBitmap(strip, IDR_TAMSEL_TOOLBAR));
        EXPECT_EQ(11, ImageList_GetImageCount(strip));
        std::vector<COLORREF> encrypt = ImagePixels(TamselMenu::SharedImages(), RecordAt(edit, 0)->image);
        EXPECT_EQ(ImagePixels(strip, 3), encrypt);
        EXPECT_NE(ImagePixels(strip, 4), encrypt);
        ImageList_Destroy(strip);

        if (xp) {
            // The light, shadow and grey variants of a picture.
            int image = RecordAt(edit, 0)->image;
            std::vector<COLORREF> light = ImagePixels(TamselMenu::SharedImages(), image + 1);
            std::vector<COLORREF> shadow = ImagePixels(TamselMenu::SharedImages(), image + 2);
            std::vector<COLORREF> grey = ImagePixels(TamselMenu::SharedImages(), image + 3);
            int drawn = 0;
            for (size_t i = 0; i < encrypt.size(); ++i) {
                if (encrypt[i] == OnDisplay(Sys(COLOR_BTNFACE))) continue;
                ++drawn;
                EXPECT_TRUE(Near(LightenColor(encrypt[i], 0.3), light[i])) << i;
                EXPECT_TRUE(Near(Sys(COLOR_BTNSHADOW), shadow[i])) << i;
                int mean = (GetRValue(encrypt[i]) + GetGValue(encrypt[i]) + GetBValue(encrypt[i])) / 3;
                EXPECT_TRUE(Near(LightenColor(Sys(COLOR_BTNSHADOW), mean / 255.0), grey[i])) << i;
            }
            EXPECT_GT(drawn, 40);
        }
        EXPECT_TRUE(TamselMenu::HighColourLoaded());
    }

    TamselMenu::SetShellTypeForTesting(kShellWin2000);
    TamselMenu::ResetSharedImagesForTesting();
    TamselMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDM_TAMSEL_MENU));
    HMENU file = FilePopup(menu);
    HMENU sort = GetSubMenu(file, 6);
    // A 16-colour strip goes through the system-colour mapping.
    EXPECT_EQ(1, menu.SetImagesFromToolbar(IDR_TAMSEL_TOOLBAR16));
    EXPECT_FALSE(TamselMenu::HighColourLoaded());
    EXPECT_GE(RecordAt(file, 4)->image, 0);
    // Twelve buttons, eleven pictures.
    EXPECT_EQ(1, menu.SetImagesFromToolbar(IDR_TAMSEL_SHORT_TOOLBAR));
    EXPECT_GE(RecordAt(sort, 0)->image, 0);
    EXPECT_EQ(-1, RecordAt(file, 7)->image);
    EXPECT_TRUE(OwnerDrawn(file, 7));
    // A toolbar without its bitmap, and no toolbar at all.
    EXPECT_EQ(0, menu.SetImagesFromToolbar(IDR_TAMSEL_NO_BITMAP));
    EXPECT_EQ(0, menu.SetImagesFromToolbar(9999));
    EXPECT_EQ(-1, RecordAt(file, 0)->image);
}

// Other code changes the live menu (new texts, new and removed items, a
// plain popup, the enable pass): the next opening makes it owner-drawn again.
TEST_F(TamselMenuTest, ChangedLiveMenuIsOwnerDrawnAgainWhenItOpens) {
    TamselMenu menu;
    Load(menu, kShellWin2000);
    HMENU file = FilePopup(menu);
    TamselMenuData* save = RecordAt(file, 3);
    int saveImage = save->image;
    ModifyMenuA(file, 3, MF_BYPOSITION | MF_STRING, ID_TM_SAVE, "Save all");
    InsertMenuA(file, 1, MF_BYPOSITION | MF_STRING, ID_TM_NOT_IN_MENU, "Inserted");
    DeleteMenu(file, ID_TM_EXIT, MF_BYCOMMAND);
    HMENU extra = CreatePopupMenu();
    AppendMenuA(extra, MF_STRING, 41050, "Inside");
    AppendMenuA(file, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(extra), "Plain popup");
    ModifyMenuA(file, 7, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(GetSubMenu(file, 7)),
                "Sorting");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    EXPECT_FALSE(OwnerDrawn(file, 1));

    SendMessageA(m_host.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    int count = GetMenuItemCount(file);
    ASSERT_EQ(10, count);
    const TamselMenu* own = TamselMenu::FromHandle(file);
    ASSERT_EQ(static_cast<size_t>(count), own->Items().size());
    for (int i = 0; i < count; ++i) {
        EXPECT_TRUE(OwnerDrawn(file, i)) << i;
        EXPECT_EQ(own->Items()[static_cast<size_t>(i)], RecordAt(file, i)) << i;
    }
    EXPECT_EQ(L"Inserted", RecordAt(file, 1)->text);
    EXPECT_EQ(save, RecordAt(file, 4));  // the same record, with the new text and its picture
    EXPECT_EQ(L"Save all", save->text);
    EXPECT_EQ(saveImage, save->image);
    EXPECT_EQ(L"Sorting", RecordAt(file, 7)->text);
    EXPECT_EQ(L"Plain popup", RecordAt(file, 8)->text);
    EXPECT_TRUE(RecordAt(file, 8)->flags & MF_POPUP);
    EXPECT_TRUE(RecordAt(file, 9)->flags & MF_SEPARATOR);
    EXPECT_TRUE(uitest::MenuItem(file, 6).fState & MFS_CHECKED);  // states survive

    // Opening again changes nothing, and the records stay the same.
    std::vector<TamselMenuData*> before = own->Items();
    SendMessageA(m_host.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    EXPECT_EQ(before, own->Items());

    // A command in two popups keeps each item's own text.
    TamselMenu twice;
    TamselMenu::SetShellTypeForTesting(kShellWin2000);
    ASSERT_TRUE(twice.LoadMenu(IDM_TAMSEL_MENU));
    HMENU edit = GetSubMenu(twice.Handle(), 1);
    TamselMenu::FromHandle(edit)->AddOwnerDrawItem(L"Save from Edit", 0, ID_TM_SAVE);
    EXPECT_TRUE(twice.SetItemImage(static_cast<const wchar_t*>(nullptr), ID_TM_SAVE, nullptr, 0));
    EXPECT_EQ(1, twice.SetImagesFromToolbar(IDR_TAMSEL_TOOLBAR));
    TamselMenuData* first = RecordAt(GetSubMenu(twice.Handle(), 0), 3);
    TamselMenuData* second = RecordAt(edit, 2);
    EXPECT_NE(first, second);
    EXPECT_EQ(L"Save", first->text);
    EXPECT_EQ(L"Save from Edit", second->text);
    EXPECT_GE(first->image, 0);
    EXPECT_EQ(first->image, second->image);
    int position = -1;
    EXPECT_EQ(TamselMenu::FromHandle(GetSubMenu(twice.Handle(), 0)), twice.FindMenuOfCommand(ID_TM_SAVE, position));
    EXPECT_EQ(3, position);
    // A command in no menu: its record waits for an item of that command.
    EXPECT_FALSE(TamselMenu::FromHandle(edit)->SetItemImage("Later", 41060, nullptr, 0));
    AppendMenuA(edit, MF_STRING, 41060, "");
    SendMessageA(m_host.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 0);
    EXPECT_EQ(L"Later", RecordAt(edit, 3)->text);
    EXPECT_EQ(nullptr, twice.FindMenuOfCommand(41061, position));
    EXPECT_EQ(-1, position);
}

// Measuring: the sizes of both styles; a very long text is never wider
// than the screen; item data of other menus is left alone.
TEST_F(TamselMenuTest, ItemsMeasureAsTheStyleSays) {
    for (int shell : {kShellVista, kShellWin2000, kShellXP}) {
        SCOPED_TRACE(shell);
        TamselMenu menu;
        Load(menu, shell);
        bool xp = shell == kShellXP;
        bool newShell = shell != kShellVista;
        HMENU file = FilePopup(menu);
        for (int i : {0, 1, 3, 4, 5, 6, 7}) {
            MEASUREITEMSTRUCT mis = Measure(m_host.Handle(), file, i);
            long text = MeasuredText(RecordAt(file, i)->text, newShell);
            EXPECT_EQ(static_cast<UINT>(text + (xp ? 31 : 33)), mis.itemWidth) << i;
            EXPECT_EQ(static_cast<UINT>(std::max(GetSystemMetrics(SM_CYMENU), xp ? 22 : 19)), mis.itemHeight) << i;
        }
        MEASUREITEMSTRUCT separator = Measure(m_host.Handle(), file, 2);
        EXPECT_EQ(0u, separator.itemWidth);
        EXPECT_EQ(xp ? 3u : static_cast<UINT>(std::max(9, GetSystemMetrics(SM_CYMENU) / 2)), separator.itemHeight);

        // The default item is measured in bold where the menu font is used.
        UINT regular = Measure(m_host.Handle(), file, 3).itemWidth;
        SetMenuDefaultItem(file, 3, TRUE);
        UINT bold = Measure(m_host.Handle(), file, 3).itemWidth;
        if (newShell) {
            EXPECT_GT(bold, regular);
        } else {
            EXPECT_EQ(bold, regular);
        }
        SetMenuDefaultItem(file, static_cast<UINT>(-1), TRUE);
    }
    TamselMenu menu;
    Load(menu, kShellWin2000);
    HMENU file = FilePopup(menu);
    std::wstring huge(20000, L'W');
    TamselMenu::FromHandle(file)->AddOwnerDrawItem(huge.c_str(), 0, 41070);
    MEASUREITEMSTRUCT wide = Measure(m_host.Handle(), file, 8);
    EXPECT_EQ(static_cast<UINT>(GetSystemMetrics(SM_CXSCREEN) * 3 / 4), wide.itemWidth);

    TamselMenuData stranger;
    stranger.text = L"not ours";
    MEASUREITEMSTRUCT other{ODT_MENU, 0, 1, 0, 0, reinterpret_cast<ULONG_PTR>(&stranger)};
    EXPECT_FALSE(TamselMenu::RouteMeasureItem(&other));
    EXPECT_EQ(0u, other.itemWidth);
    MEASUREITEMSTRUCT list{ODT_LISTVIEW, 1031, 0, 0, 0, 0};
    EXPECT_FALSE(TamselMenu::RouteMeasureItem(&list));
}

// Drawing the classic style: the highlight bar, raised and sunken picture
// boxes on systems with the newer shell, ticks and dots, greyed texts.
TEST_F(TamselMenuTest, ClassicStyleDrawsBarsBoxesAndMarks) {
    TamselMenu menu;
    Load(menu, kShellWin2000);
    HMENU file = FilePopup(menu);
    TamselMenu* own = TamselMenu::FromHandle(file);
    own->AddOwnerDrawItem(L"Ticked", MF_CHECKED, 41080);
    own->AddOwnerDrawItem(L"Dotted", MF_CHECKED, 41081);
    ui::Bitmap dot(CreateBitmap(8, 8, 1, 1, nullptr));
    SetMenuItemBitmaps(file, 41081, MF_BYCOMMAND, nullptr, dot.Get());
    HWND host = m_host.Handle();
    COLORREF menuColour = Sys(COLOR_MENU);

    auto idle = DrawPopup(host, file, -1);
    Save(*idle, "classic");
    const RECT& addFile = idle->rows[0];
    EXPECT_EQ(menuColour, idle->At(addFile.right - 1, addFile.top));
    EXPECT_TRUE(idle->Has(RECT{addFile.left + 2, addFile.top + 2, addFile.left + 18, addFile.top + 17},
                          Sys(COLOR_BTNFACE)) == false);  // the picture's own colours
    // The accelerator ends 16 pixels before the right edge.
    RECT text{addFile.left + 25, addFile.top, addFile.right, addFile.bottom};
    int rightmost = idle->RightmostOf(text, Sys(COLOR_MENUTEXT));
    EXPECT_LT(rightmost, addFile.right - 16);
    EXPECT_GT(rightmost, addFile.right - 24);
    // Separator: an etched line at half height.
    const RECT& separator = idle->rows[2];
    int middle = separator.top + (separator.bottom - separator.top) / 2;
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), idle->At(separator.left + 5, middle));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), idle->At(separator.left + 5, middle + 1));
    // Greyed: the text in the grey-text colour with a highlight copy.
    const RECT& greyed = idle->rows[4];
    EXPECT_TRUE(idle->Has(RECT{greyed.left + 25, greyed.top, greyed.right, greyed.bottom}, Sys(COLOR_GRAYTEXT)));
    // Checked with a picture: a sunken box on a lighter ground, no tick.
    const RECT& checked = idle->rows[5];
    int dy = std::max(0, static_cast<int>(checked.bottom - checked.top - 19) / 2);
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), idle->At(checked.left, checked.top + dy));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), idle->At(checked.left + 19, checked.top + dy + 18));
    EXPECT_EQ(LightenColor(menuColour, 0.6), idle->At(checked.left + 1, checked.top + dy + 1));
    // A tick: seven strokes of three pixels from (left + 5, top + dy + 6).
    const RECT& ticked = idle->rows[8];
    int tx = ticked.left + 1 + 4, ty = ticked.top + dy + 2 + 4;
    EXPECT_EQ(Sys(COLOR_MENUTEXT), idle->At(tx, ty + 2));
    EXPECT_EQ(Sys(COLOR_MENUTEXT), idle->At(tx, ty + 4));
    EXPECT_NE(Sys(COLOR_MENUTEXT), idle->At(tx, ty + 5));
    EXPECT_EQ(Sys(COLOR_MENUTEXT), idle->At(tx + 6, ty));
    // A dot for a radio-style item.
    const RECT& dotted = idle->rows[9];
    EXPECT_EQ(Sys(COLOR_MENUTEXT), idle->At(dotted.left + 1 + 5 + 3, dotted.top + dy + 2 + 4 + 3));
    EXPECT_NE(Sys(COLOR_MENUTEXT), idle->At(dotted.left + 1 + 4, dotted.top + dy + 2 + 4 + 2 + 2));

    // Selected with a picture: a raised box, the bar from left + 21.
    auto selected = DrawPopup(host, file, 0);
    Save(*selected, "classic-selected");
    EXPECT_EQ(Sys(COLOR_HIGHLIGHT), selected->At(addFile.left + 21, addFile.top + 1));
    EXPECT_EQ(Sys(COLOR_HIGHLIGHT), selected->At(addFile.right - 2, addFile.top + 1));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), selected->At(addFile.left, addFile.top + dy));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), selected->At(addFile.left + 19, addFile.top + dy + 18));
    EXPECT_TRUE(selected->Has(text, Sys(COLOR_HIGHLIGHTTEXT)));
    // Selected without picture: the bar covers the whole row.
    auto exit = DrawPopup(host, file, 7);
    EXPECT_EQ(Sys(COLOR_HIGHLIGHT), exit->At(exit->rows[7].left + 1, exit->rows[7].top + 1));
    // Selected and greyed: the bar shows, the text in the menu colour on it.
    auto greyedSelected = DrawPopup(host, file, 4);
    Save(*greyedSelected, "classic-greyed-selected");
    EXPECT_EQ(Sys(COLOR_HIGHLIGHT), greyedSelected->At(greyed.left + 1, greyed.top + 1));
    EXPECT_TRUE(greyedSelected->Has(RECT{greyed.left + 25, greyed.top, greyed.right, greyed.bottom}, menuColour));

    // Systems from Vista on: no 3-D frames, no sunken check boxes.
    TamselMenu::SetShellTypeForTesting(kShellVista);
    auto flat = DrawPopup(host, file, 0);
    EXPECT_EQ(menuColour, flat->At(addFile.left, addFile.top + dy));
    EXPECT_EQ(LightenColor(menuColour, 0.6), flat->At(ticked.left + 1, ticked.top + dy + 2));
}

// Drawing the XP style: the picture column, the framed selection, lifted
// pictures, grey variants for greyed items, which never show selected.
TEST_F(TamselMenuTest, XPStyleDrawsColumnSelectionAndLiftedPictures) {
    TamselMenu menu;
    Load(menu, kShellXP);
    HMENU file = FilePopup(menu);
    TamselMenu::FromHandle(file)->AddOwnerDrawItem(L"Ticked", MF_CHECKED, 41080);
    EnableMenuItem(file, ID_TM_ADD_FOLDER, MF_BYCOMMAND | MF_GRAYED);
    HWND host = m_host.Handle();
    COLORREF background = DarkenColor(Sys(COLOR_WINDOW), 0.02);
    COLORREF column = Sys(COLOR_BTNFACE);
    COLORREF highlight = Sys(COLOR_HIGHLIGHT);

    auto idle = DrawPopup(host, file, -1);
    Save(*idle, "xp");
    const RECT& save = idle->rows[3];
    EXPECT_EQ(column, idle->At(save.left, save.top));
    EXPECT_EQ(column, idle->At(save.left + 22, save.bottom - 1));
    EXPECT_EQ(background, idle->At(save.left + 23, save.top + 1));
    EXPECT_EQ(background, idle->At(save.right - 1, save.top));
    // The separator's line starts 7 pixels right of the column.
    const RECT& separator = idle->rows[2];
    EXPECT_EQ(3, separator.bottom - separator.top);
    EXPECT_EQ(background, idle->At(separator.left + 29, separator.top + 1));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), idle->At(separator.left + 30, separator.top + 1));
    EXPECT_EQ(column, idle->At(separator.left + 10, separator.top + 1));
    // A picture that is not selected shows its light variant.
    int x = save.left + 4;
    int y = save.top + static_cast<int>((save.bottom - save.top - 15) * 0.5 + 0.5);
    std::vector<COLORREF> light = ImagePixels(TamselMenu::SharedImages(), RecordAt(file, 3)->image + 1);
    int same = 0;
    for (int i = 0; i < 16; ++i) {
        for (int j = 0; j < 15; ++j) same += Near(light[static_cast<size_t>(i * 15 + j)], idle->At(x + i, y + j));
    }
    EXPECT_GT(same, 200);
    // Greyed (Add Folder): the grey variant, grey text.
    const RECT& folder = idle->rows[1];
    EXPECT_TRUE(idle->Has(RECT{folder.left + 31, folder.top, folder.right, folder.bottom}, Sys(COLOR_GRAYTEXT)));
    // Checked without a picture: a framed box with a thin tick.
    const RECT& ticked = idle->rows[8];
    RECT box{ticked.left + 1, ticked.top + 1, ticked.left + 21, ticked.bottom - 1};
    EXPECT_EQ(highlight, idle->At(box.left, box.top));
    EXPECT_EQ(LightenColor(highlight, 0.85), idle->At(box.left + 1, box.top + 1));
    int tx = box.left + (box.right - box.left) / 2 - 3, ty = box.top + (box.bottom - box.top) / 2 - 3;
    EXPECT_EQ(Sys(COLOR_MENUTEXT), idle->At(tx, ty + 3));
    EXPECT_NE(Sys(COLOR_MENUTEXT), idle->At(tx, ty + 4));
    // Checked with a picture: framed, on the lighter highlight.
    const RECT& checked = idle->rows[5];
    EXPECT_EQ(highlight, idle->At(checked.left + 1, checked.top + 1));

    // Selected: a light fill framed in the highlight colour, the picture
    // lifted over its shadow.
    auto selected = DrawPopup(host, file, 3);
    Save(*selected, "xp-selected");
    EXPECT_EQ(highlight, selected->At(save.left, save.top));
    EXPECT_EQ(highlight, selected->At(save.right - 1, save.bottom - 1));
    EXPECT_EQ(LightenColor(highlight, 0.7), selected->At(save.right - 3, save.top + 2));
    EXPECT_TRUE(selected->Has(RECT{x + 1, y + 1, x + 17, y + 16}, OnDisplay(Sys(COLOR_BTNSHADOW))));
    EXPECT_TRUE(selected->Has(RECT{save.left + 31, save.top, save.right, save.bottom}, Sys(COLOR_MENUTEXT)));
    // A greyed item is never drawn selected.
    auto greyed = DrawPopup(host, file, 1);
    EXPECT_EQ(column, greyed->At(folder.left, folder.top));
    EXPECT_EQ(background, greyed->At(folder.right - 3, folder.top + 2));
}

// Colours, the marks and the disabled pictures, also on 16-bit bitmaps.
TEST_F(TamselMenuTest, ColourArithmeticAndDisabledPictures) {
    EXPECT_EQ(RGB(255, 255, 255), LightenColor(RGB(10, 100, 200), 1.0));
    EXPECT_EQ(RGB(10, 100, 200), LightenColor(RGB(10, 100, 200), 0.0));
    EXPECT_EQ(RGB(10, 100, 200), LightenColor(RGB(10, 100, 200), 1.5));
    EXPECT_EQ(RGB(10, 100, 200), LightenColor(RGB(10, 100, 200), -0.5));
    EXPECT_EQ(RGB(132, 177, 227), LightenColor(RGB(10, 100, 200), 0.5));  // truncated
    EXPECT_EQ(RGB(0, 0, 0), DarkenColor(RGB(10, 100, 200), 1.0));
    EXPECT_EQ(RGB(9, 98, 196), DarkenColor(RGB(10, 100, 200), 0.02));
    EXPECT_EQ(RGB(10, 100, 200), DarkenColor(RGB(10, 100, 200), 2.0));

    for (int depth : {32, 16}) {
        SCOPED_TRACE(depth);
        // A picture: a black square and a white one on the button face.
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = 16;
        format.bmiHeader.biHeight = -15;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = static_cast<WORD>(depth);
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        ui::MemoryDC target(screen);
        ReleaseDC(nullptr, screen);
        ui::Bitmap canvas(CreateDIBSection(target.Get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
        ui::SelectGuard selectCanvas(target.Get(), canvas.Get());
        auto picture = [&] {
            HBITMAP bitmap = CreateCompatibleBitmap(target.Get(), 16, 15);
            ui::MemoryDC memory(target.Get());
            ui::SelectGuard select(memory.Get(), bitmap);
            RECT all{0, 0, 16, 15}, black{2, 2, 6, 6}, white{8, 8, 12, 12};
            FillRect(memory.Get(), &all, GetSysColorBrush(COLOR_BTNFACE));
            FillRect(memory.Get(), &black, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            FillRect(memory.Get(), &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            return bitmap;
        };
        COLORREF face = Stored(target.Get(), Sys(COLOR_BTNFACE));
        COLORREF shadow = Stored(target.Get(), Sys(COLOR_BTNSHADOW));
        COLORREF highlight = Stored(target.Get(), Sys(COLOR_BTNHIGHLIGHT));
        COLORREF ground = Stored(target.Get(), RGB(0, 128, 0));

        ui::Bitmap shaded(picture());
        TamselMenu::DrawShaded(target.Get(), 0, 0, 16, 15, shaded.Get(), RGB(0, 128, 0));
        EXPECT_EQ(ground, GetPixel(target.Get(), 0, 0));
        EXPECT_EQ(shadow, GetPixel(target.Get(), 3, 3));  // black gives the shadow colour
        EXPECT_EQ(Stored(target.Get(), RGB(255, 255, 255)), GetPixel(target.Get(), 9, 9));  // white stays white

        ui::Bitmap embossed(picture());
        RECT all{0, 0, 16, 15};
        FillRect(target.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        TamselMenu::DrawEmbossed(target.Get(), 0, 0, 15, 14, embossed.Get(), RGB(0, 128, 0));
        EXPECT_EQ(ground, GetPixel(target.Get(), 0, 0));
        EXPECT_EQ(shadow, GetPixel(target.Get(), 3, 3));    // the black square, in shadow
        EXPECT_EQ(highlight, GetPixel(target.Get(), 6, 6));  // its highlight copy, one pixel lower right
        EXPECT_EQ(ground, GetPixel(target.Get(), 9, 9));    // white belongs to the background

        ui::Bitmap variant(picture());
        TamselMenu::ShadowBitmap(variant.Get());
        {
            ui::MemoryDC memory(target.Get());
            ui::SelectGuard select(memory.Get(), variant.Get());
            EXPECT_EQ(face, GetPixel(memory.Get(), 0, 0));
            EXPECT_EQ(shadow, GetPixel(memory.Get(), 3, 3));
            EXPECT_EQ(shadow, GetPixel(memory.Get(), 9, 9));
        }
        TamselMenu::DrawTick(target.Get(), 0, 0, RGB(255, 0, 0), true);
        EXPECT_EQ(Stored(target.Get(), RGB(255, 0, 0)), GetPixel(target.Get(), 0, 3));
        EXPECT_NE(Stored(target.Get(), RGB(255, 0, 0)), GetPixel(target.Get(), 0, 4));
        EXPECT_EQ(Stored(target.Get(), RGB(255, 0, 0)), GetPixel(target.Get(), 6, 0));
    }
}

// A whole popup on a 16-bit bitmap and on whatever display the test runs
// on (a palette display draws the classic style even where XP is themed).
TEST_F(TamselMenuTest, PopupsDrawOnSixteenBitAndPaletteDisplays) {
    HDC screen = GetDC(nullptr);
    bool palette = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(nullptr, screen);
    for (int shell : {kShellWin2000, kShellXP}) {
        SCOPED_TRACE(shell);
        TamselMenu::ResetSharedImagesForTesting();
        TamselMenu menu;
        Load(menu, shell);
        HMENU file = FilePopup(menu);
        EnableMenuItem(file, ID_TM_ADD_FOLDER, MF_BYCOMMAND | MF_GRAYED);
        auto picture = DrawPopup(m_host.Handle(), file, 0, 16);
        Save(*picture, std::string(shell == kShellXP ? "xp" : "classic") + "-16-bit");
        const RECT& save = picture->rows[3];
        // Where the display has a palette the XP style draws as the classic one.
        bool xpDrawn = shell == kShellXP && !palette;
        COLORREF expected = shell == kShellXP ? Sys(COLOR_BTNFACE) : Sys(COLOR_MENU);
        EXPECT_EQ(Stored(picture->dc, expected), picture->At(save.left, save.top + 1));
        COLORREF selection = xpDrawn ? LightenColor(Sys(COLOR_HIGHLIGHT), 0.7) : Sys(COLOR_HIGHLIGHT);
        EXPECT_EQ(Stored(picture->dc, selection), picture->At(save.right - 3, picture->rows[0].top + 2));
        EXPECT_GE(save.bottom - save.top, shell == kShellXP ? 22 : 19);

        if (palette) {
            // On the display: the classic style, with the XP sizes.
            HDC display = GetDC(nullptr);
            ui::MemoryDC memory(display);
            ui::Bitmap surface(CreateCompatibleBitmap(display, 200, 30));
            ReleaseDC(nullptr, display);
            ui::SelectGuard select(memory.Get(), surface.Get());
            EXPECT_TRUE(GetDeviceCaps(memory.Get(), RASTERCAPS) & RC_PALETTE);
            RECT row{0, 0, 200, save.bottom - save.top};
            MENUITEMINFOA info = uitest::MenuItem(file, 3);
            DRAWITEMSTRUCT dis{ODT_MENU, 0, info.wID, ODA_DRAWENTIRE, ODS_SELECTED, reinterpret_cast<HWND>(file),
                               memory.Get(), row, info.dwItemData};
            SendMessageA(m_host.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
            EXPECT_EQ(GetNearestColor(memory.Get(), Sys(COLOR_HIGHLIGHT)), GetPixel(memory.Get(), 150, 2));
            EXPECT_EQ(static_cast<UINT>(std::max(GetSystemMetrics(SM_CYMENU), shell == kShellXP ? 22 : 19)),
                      Measure(m_host.Handle(), file, 3).itemHeight);
        }
    }
}

// Templates and texts the menu is not made for: an empty popup, an item
// without text, a lone tab, two tabs, a very long text, a template cut
// short, an extended template, a menu font in which spaces take no room.
TEST_F(TamselMenuTest, OddTemplatesAndTextsLoadAndDrawSensibly) {
    TamselMenu::SetShellTypeForTesting(kShellWin2000);
    TamselMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDM_TAMSEL_ODD));
    HMENU odd = GetSubMenu(menu.Handle(), 0);
    ASSERT_NE(nullptr, odd);
    ASSERT_EQ(5, GetMenuItemCount(odd));
    EXPECT_TRUE(RecordAt(odd, 0)->text.empty());
    EXPECT_EQ(ID_TM_NO_TEXT, static_cast<int>(RecordAt(odd, 0)->id));
    EXPECT_EQ(static_cast<UINT>(33), Measure(m_host.Handle(), odd, 0).itemWidth);
    const std::wstring& lone = RecordAt(odd, 1)->text;
    EXPECT_EQ(L'\t', lone.back());
    EXPECT_EQ(0u, lone.find(L"Tab without accelerator"));
    // The compiler's empty popup: an item of id 0, so a separator.
    EXPECT_EQ(nullptr, GetSubMenu(odd, 4));
    EXPECT_TRUE(RecordAt(odd, 4)->flags & MF_SEPARATOR);
    EXPECT_TRUE(OwnerDrawn(odd, 4));
    auto picture = DrawPopup(m_host.Handle(), odd, 3);
    Save(*picture, "odd-items");
    // The long item fits the screen; its label ends in dots before its accelerator.
    EXPECT_LT(picture->width, GetSystemMetrics(SM_CXSCREEN));
    const RECT& longRow = picture->rows[2];
    int accelerator = picture->RightmostOf(longRow, Sys(COLOR_MENUTEXT));
    EXPECT_LT(accelerator, longRow.right - 16);
    EXPECT_GT(accelerator, longRow.right - 24);
    const RECT& twoTabs = picture->rows[3];
    RECT label{twoTabs.left + 25, twoTabs.top, twoTabs.right, twoTabs.bottom};
    EXPECT_TRUE(picture->Has(label, Sys(COLOR_HIGHLIGHTTEXT)));

    // A popup without items: an owner-drawn entry over an empty popup.
    TamselMenu withEmpty;
    ASSERT_TRUE(withEmpty.LoadMenu(IDM_TAMSEL_EMPTY));
    HMENU holder = GetSubMenu(withEmpty.Handle(), 0);
    ASSERT_EQ(2, GetMenuItemCount(holder));
    EXPECT_EQ(L"Item", RecordAt(holder, 0)->text);
    HMENU empty = GetSubMenu(holder, 1);
    ASSERT_NE(nullptr, empty);
    EXPECT_EQ(L"Empty", RecordAt(holder, 1)->text);
    EXPECT_EQ(0, GetMenuItemCount(empty));
    EXPECT_TRUE(TamselMenu::IsOwnMenu(empty));
    SendMessageA(m_host.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(empty), 0);
    EXPECT_TRUE(TamselMenu::FromHandle(empty)->Items().empty());
    auto empties = DrawPopup(m_host.Handle(), empty, -1);
    EXPECT_EQ(1, empties->width);
    auto holding = DrawPopup(m_host.Handle(), holder, 1);
    EXPECT_GT(holding->width, 33);

    // Cut in the middle of a text: what was complete is kept.
    TamselMenu cut;
    ASSERT_TRUE(cut.LoadMenu(IDM_TAMSEL_CUT));
    ASSERT_EQ(1, GetMenuItemCount(cut.Handle()));
    EXPECT_EQ("A", PlainText(cut.Handle(), 0));
    EXPECT_EQ(0, GetMenuItemCount(GetSubMenu(cut.Handle(), 0)));
    TamselMenu extended;
    EXPECT_FALSE(extended.LoadMenu(IDM_TAMSEL_EXTENDED));

    // A very long item with an accelerator, aligned with a short one.
    TamselMenu runtime;
    ASSERT_TRUE(runtime.LoadMenu(IDM_TAMSEL_ODD));
    TamselMenu* popup = TamselMenu::FromHandle(GetSubMenu(runtime.Handle(), 0));
    std::wstring huge(5000, L'x');
    popup->AddOwnerDrawItem((huge + L"\tCtrl+H").c_str(), 0, 41090);
    popup->AddOwnerDrawItem(L"Short\tCtrl+S", 0, 41091);
    DWORD start = GetTickCount();
    popup->AlignAccelerators();
    EXPECT_LT(GetTickCount() - start, 20000u);
    const std::wstring& shortText = popup->Items().back()->text;
    EXPECT_GT(shortText.find(L'\t'), 1000u);
    EXPECT_EQ(L"Ctrl+S", shortText.substr(shortText.find(L'\t') + 1));

    // A menu font so small that spaces take no room: aligning still ends.
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
    NONCLIENTMETRICSA tiny = metrics;
    tiny.lfMenuFont.lfHeight = 1;
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, tiny.cbSize, &tiny, 0));
    TamselMenu small;
    EXPECT_TRUE(small.LoadMenu(IDM_TAMSEL_MENU));
    SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    EXPECT_EQ(8, GetMenuItemCount(GetSubMenu(small.Handle(), 0)));
}

// Destroying: every handle goes, the tables forget the popups, and a popup
// the menu did not make is let go, not deleted.
TEST_F(TamselMenuTest, DestroyingLetsGoOfEverything) {
    TamselMenu::SetShellTypeForTesting(kShellWin2000);
    TamselMenu foreign;
    HMENU foreignHandle = nullptr;
    HMENU bar, file, sort;
    {
        TamselMenu menu;
        ASSERT_TRUE(menu.LoadMenu(IDM_TAMSEL_MENU));
        bar = menu.Handle();
        file = GetSubMenu(bar, 0);
        sort = GetSubMenu(file, 6);
        ASSERT_TRUE(foreign.LoadMenu(IDM_TAMSEL_ODD));
        foreignHandle = foreign.Handle();
        // The other menu, loaded as a bar, hangs in this one as a popup.
        TamselMenu::FromHandle(file)->AddOwnerDrawItem(L"Other", MF_POPUP, reinterpret_cast<UINT_PTR>(foreignHandle));
        EXPECT_TRUE(TamselMenu::IsOwnMenu(foreignHandle));
        // A window that shows the menu lets go of it before it is destroyed.
        SetMenu(m_host.Handle(), bar);
        SetMenu(m_host.Handle(), nullptr);
    }
    for (HMENU gone : {bar, file, sort}) {
        EXPECT_FALSE(IsMenu(gone));
        EXPECT_EQ(nullptr, TamselMenu::FromHandle(gone));
        EXPECT_FALSE(TamselMenu::IsOwnMenu(gone));
    }
    EXPECT_FALSE(TamselMenu::IsOwnMenu(foreignHandle));
    EXPECT_TRUE(IsMenu(foreignHandle));
    EXPECT_EQ(&foreign, TamselMenu::FromHandle(foreignHandle));
    EXPECT_EQ(1, GetMenuItemCount(foreignHandle));
}

}  // namespace
