// The owner-drawn menu: its records, loading from a template, images from a
// toolbar, keeping the live menu owner-drawn, the tables all menus share and
// the platform tests that pick the drawing style. Measuring and drawing are
// in tamsel_menu_draw.cpp.
#include "ui/tamsel_menu.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>

#include "framework/app.h"
#include "framework/gdi.h"
#include "framework/toolbar.h"
#include "ui/tamsel_menu_internal.h"

namespace tamsel {

SharedTables& Shared() {
    static SharedTables tables;
    return tables;
}

SharedTables::~SharedTables() {
    if (images) ImageList_Destroy(images);
}

HFONT CreateMenuFont(bool bold) {
    NONCLIENTMETRICSA metrics{};
    // The size older systems accept: without the padded-border field.
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    LOGFONTA font{};
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        font = metrics.lfMenuFont;
    } else {
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    }
    if (bold) font.lfWeight = FW_BOLD;
    return CreateFontIndirectA(&font);
}

HWND MeasuringWindow() {
    HWND main = ui::MainWindow();
    return main && IsWindow(main) ? main : GetDesktopWindow();
}

std::wstring Widen(const char* text) {
    if (!text || !*text) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n) - 1);
    return wide;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0], n, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(n) - 1);
    return narrow;
}

}  // namespace tamsel

using tamsel::Shared;

namespace {

// Every TamselMenu that has a menu handle, by handle.
std::map<HMENU, TamselMenu*>& Menus() {
    static std::map<HMENU, TamselMenu*> menus;
    return menus;
}

// Popups made by LoadMenu: deleted by the menu that holds them.
std::map<const TamselMenu*, bool>& HeapPopups() {
    static std::map<const TamselMenu*, bool> popups;
    return popups;
}

int g_shellType = DetectShellType();
bool g_themeTested = false;
bool g_classicTheme = false;

// The system's menu template: flags of an item and the end of a popup.
constexpr WORD kTemplatePopup = MF_POPUP;
constexpr WORD kTemplateEnd = 0x0080;

// Flags that ModifyMenu takes; the rest of a menu state (default item,
// bitmap type, mouse selection) would change the item's kind or is kept by
// other calls.
constexpr UINT kModifyFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_MENUBARBREAK | MF_MENUBREAK |
                              MF_OWNERDRAW | MF_SEPARATOR | MF_USECHECKBITMAPS | MF_HELP | MF_HILITE;

void Remove(std::vector<HMENU>& list, HMENU menu) { list.erase(std::remove(list.begin(), list.end(), menu), list.end()); }

// The module that holds a resource: the module's own, else the program's.
HINSTANCE ResourceModule(LPCSTR name, LPCSTR type, HRSRC& found) {
    HINSTANCE module = ui::ResourceHandle();
    found = FindResourceA(module, name, type);
    if (found) return module;
    module = GetModuleHandleA(nullptr);
    found = FindResourceA(module, name, type);
    return found ? module : nullptr;
}

// Reads an item list of a menu template without ever reading past its end.
class TemplateReader {
public:
    TemplateReader(const unsigned char* data, size_t size, size_t start) : m_data(data), m_size(size), m_pos(start) {}
    bool Word(WORD& value) {
        if (m_pos + 2 > m_size) return false;
        value = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }
    // A NUL-terminated UTF-16 text; false when the template ends first.
    bool Text(std::wstring& text) {
        text.clear();
        WORD c;
        while (Word(c)) {
            if (c == 0) return true;
            text.push_back(static_cast<wchar_t>(c));
        }
        return false;
    }

private:
    const unsigned char* m_data;
    size_t m_size;
    size_t m_pos;
};

// Text of a live menu item by position (empty for owner-drawn items).
std::wstring LiveText(HMENU menu, int position) {
    int n = GetMenuStringA(menu, static_cast<UINT>(position), nullptr, 0, MF_BYPOSITION);
    if (n <= 0) return {};
    std::string text(static_cast<size_t>(n) + 1, '\0');
    n = GetMenuStringA(menu, static_cast<UINT>(position), &text[0], n + 1, MF_BYPOSITION);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return tamsel::Widen(text.c_str());
}

TamselMenuData* Claim(std::vector<TamselMenuData*>& records, UINT_PTR id) {
    for (TamselMenuData* record : records) {
        if (!record->claimed && record->id == id) {
            record->claimed = true;
            return record;
        }
    }
    return nullptr;
}

// A copy of one image of a list, masked by the button face, as an icon.
HICON MaskedIcon(HBITMAP bitmap) {
    HIMAGELIST single = ImageList_Create(TamselMenu::kImageWidth, TamselMenu::kImageHeight, ILC_COLORDDB | ILC_MASK, 1, 1);
    if (!single) return nullptr;
    HICON icon = nullptr;
    if (ImageList_AddMasked(single, bitmap, GetSysColor(COLOR_BTNFACE)) >= 0) icon = ImageList_GetIcon(single, 0, ILD_NORMAL);
    ImageList_Destroy(single);
    return icon;
}

// Puts a variant bitmap into the shared list at index (-1: appended).
int PutVariant(HIMAGELIST shared, int index, HBITMAP bitmap) {
    HICON icon = bitmap ? MaskedIcon(bitmap) : nullptr;
    if (!icon) return -1;
    int result = ImageList_ReplaceIcon(shared, index, icon);
    DestroyIcon(icon);
    return result;
}

}  // namespace

// Platform.

int ShellTypeFromVersion(bool family9x, DWORD major, DWORD minor) {
    if (family9x) {
        if (major < 4) return 0;
        if (major == 4 && minor == 10) return 3;
        if (major == 4 && minor == 90) return 4;
        return 2;
    }
    if (major == 4) return 5;
    if (major == 5 && minor == 0) return 6;
    if (major == 5 && minor == 1) return 7;
    return 1;
}

int DetectShellType() {
    bool family9x = (GetVersion() & 0x80000000u) != 0;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&version)) return family9x ? 2 : 1;
#pragma GCC diagnostic pop
    return ShellTypeFromVersion(family9x, version.dwMajorVersion, version.dwMinorVersion);
}

bool IsClassicTheme() {
    if (g_themeTested) return g_classicTheme;
    g_themeTested = true;
    g_classicTheme = false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Plus!\\Themes\\Current", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    static const char kClassic[] = "Windows Classic.theme";
    char value[261] = {};
    DWORD size = 260;
    if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS) {
        // A stored string need not end with its terminator.
        value[std::min<DWORD>(size, 260)] = '\0';
        size_t length = std::strlen(value);
        size_t suffix = sizeof kClassic - 1;
        g_classicTheme = length >= suffix && lstrcmpiA(value + length - suffix, kClassic) == 0;
    }
    RegCloseKey(key);
    return g_classicTheme;
}

int TamselMenu::ShellType() { return g_shellType; }
bool TamselMenu::HasNewShell() { return g_shellType >= 2; }
bool TamselMenu::IsXPStyle() { return g_shellType == 7 && !IsClassicTheme(); }

void TamselMenu::SetShellTypeForTesting(int type) { g_shellType = type; }

void TamselMenu::ForgetThemeTestForTesting() {
    g_themeTested = false;
    g_classicTheme = false;
}

void TamselMenu::ResetSharedImagesForTesting() {
    tamsel::SharedTables& shared = Shared();
    if (shared.images) ImageList_Destroy(shared.images);
    shared.images = nullptr;
    shared.commands.clear();
    shared.highColour = false;
}

// Life of a menu.

TamselMenu::TamselMenu() = default;

TamselMenu::~TamselMenu() {
    TamselMenu::DestroyMenu();
    HeapPopups().erase(this);
}

void TamselMenu::Register() {
    if (m_menu) Menus()[m_menu] = this;
}

void TamselMenu::Unregister() {
    auto it = Menus().find(m_menu);
    if (it != Menus().end() && it->second == this) Menus().erase(it);
}

TamselMenu* TamselMenu::FromHandle(HMENU menu) {
    if (!menu) return nullptr;
    auto it = Menus().find(menu);
    return it == Menus().end() ? nullptr : it->second;
}

bool TamselMenu::IsOwnMenu(HMENU menu) {
    const std::vector<HMENU>& own = Shared().ownPopups;
    return menu && std::find(own.begin(), own.end(), menu) != own.end();
}

void TamselMenu::ConvertPopup(HMENU menu) {
    if (TamselMenu* own = FromHandle(menu)) own->MakeItemsOwnerDrawn();
}

void TamselMenu::DestroyMenu() {
    std::vector<HMENU>& own = Shared().ownPopups;
    if (m_menu) Remove(own, m_menu);
    for (auto it = m_popups.rbegin(); it != m_popups.rend(); ++it) {
        HMENU popup = *it;
        Remove(own, popup);
        // Out of this menu first, so that nothing here refers to it once it is gone.
        if (m_menu && IsMenu(m_menu)) {
            for (int i = GetMenuItemCount(m_menu) - 1; i >= 0; --i) {
                if (GetSubMenu(m_menu, i) == popup) RemoveMenu(m_menu, static_cast<UINT>(i), MF_BYPOSITION);
            }
        }
        // A popup this menu made goes with it; one that another TamselMenu
        // holds stays with that one; a bare handle goes as the system would
        // have taken it along.
        TamselMenu* child = FromHandle(popup);
        if (child) {
            if (HeapPopups().count(child)) delete child;
        } else if (IsMenu(popup)) {
            ::DestroyMenu(popup);
        }
    }
    m_popups.clear();
    for (TamselMenuData* record : m_items) delete record;
    m_items.clear();
    for (TamselMenuData* record : m_pending) delete record;
    m_pending.clear();
    if (m_menu) {
        Unregister();
        if (IsMenu(m_menu)) ::DestroyMenu(m_menu);
        m_menu = nullptr;
    }
}

// Loading a template.

BOOL TamselMenu::LoadMenu(UINT id) { return LoadMenu(MAKEINTRESOURCEA(id)); }

BOOL TamselMenu::LoadMenu(LPCSTR name) {
    HRSRC found = nullptr;
    HINSTANCE module = ResourceModule(name, MAKEINTRESOURCEA(4) /* RT_MENU */, found);
    if (!module) return FALSE;
    HGLOBAL loaded = LoadResource(module, found);
    const unsigned char* data = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    size_t size = SizeofResource(module, found);
    if (!data || size < 4) return FALSE;
    // Header: version 0 (the standard template), then the size of what follows it.
    WORD version = static_cast<WORD>(data[0] | (data[1] << 8));
    WORD headerSize = static_cast<WORD>(data[2] | (data[3] << 8));
    if (version != 0 || size_t{4} + headerSize > size) return FALSE;

    DestroyMenu();
    HMENU menu = CreateMenu();
    if (!menu) return FALSE;
    m_menu = menu;
    Register();

    struct Level {
        TamselMenu* menu;
        bool endsHere;
    };
    std::vector<Level> stack{{this, false}};
    TemplateReader reader(data, size, size_t{4} + headerSize);
    std::wstring text;
    while (!stack.empty()) {
        WORD option = 0, id = 0;
        if (!reader.Word(option)) break;
        if (!(option & kTemplatePopup) && !reader.Word(id)) break;
        bool last = (option & kTemplateEnd) != 0;
        option = static_cast<WORD>(option & ~kTemplateEnd);
        if (!reader.Text(text)) break;
        if (option & kTemplatePopup) {
            HMENU handle = CreatePopupMenu();
            if (!handle) break;
            if (last) stack.back().endsHere = true;
            auto* popup = new TamselMenu;
            popup->m_menu = handle;
            popup->Register();
            HeapPopups()[popup] = true;
            stack.back().menu->AddOwnerDrawItem(text.c_str(), option, reinterpret_cast<UINT_PTR>(handle));
            stack.push_back(Level{popup, false});
        } else {
            stack.back().menu->AddOwnerDrawItem(text.c_str(), option, id);
            if (last) stack.back().endsHere = true;
            while (!stack.empty() && stack.back().endsHere) {
                stack.back().menu->AlignAccelerators();
                stack.pop_back();
            }
        }
    }
    // A template that ends before its last popup does (an empty popup, a cut
    // resource): the popups still open end where the template does.
    while (!stack.empty()) {
        stack.back().menu->AlignAccelerators();
        stack.pop_back();
    }

    // The bar itself is drawn by the system: its items become plain texts again.
    for (size_t i = 0; i < m_items.size(); ++i) {
        TamselMenuData* record = m_items[i];
        std::string narrow = tamsel::Narrow(record->text);
        UINT position = static_cast<UINT>(i);
        if (record->flags & MF_POPUP) {
            ModifyMenuA(m_menu, position, MF_BYPOSITION | MF_POPUP, record->id, narrow.c_str());
            record->flags = MF_BYPOSITION | MF_POPUP;
        } else {
            ModifyMenuA(m_menu, position, MF_BYPOSITION, record->id, narrow.c_str());
            record->flags = MF_BYPOSITION;
        }
    }
    return TRUE;
}

BOOL TamselMenu::AddOwnerDrawItem(const wchar_t* text, UINT flags, UINT_PTR id) {
    if (!m_menu) return FALSE;
    if (id != 0) {
        flags |= MF_OWNERDRAW;
    } else {
        flags = (flags & MF_BYPOSITION) | MF_SEPARATOR | MF_OWNERDRAW;
    }
    if (flags & MF_POPUP) {
        HMENU popup = reinterpret_cast<HMENU>(id);
        Shared().ownPopups.push_back(popup);
        m_popups.push_back(popup);
    }
    auto* record = new TamselMenuData;
    m_items.push_back(record);
    if (text) record->text = text;
    record->image = FindGlobalImage(id);
    record->flags = flags;
    record->id = id;
    return AppendMenuA(m_menu, flags, id, reinterpret_cast<LPCSTR>(record));
}

void TamselMenu::AlignAccelerators() {
    ui::Font font(tamsel::CreateMenuFont(false));
    HWND window = tamsel::MeasuringWindow();
    HDC dc = GetDC(window);
    if (!dc) return;
    {
        ui::SelectGuard select(dc, font.Get());
        auto width = [dc](const std::wstring& text) {
            SIZE size{};
            if (!GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size)) return 0L;
            return size.cx;
        };
        long largest = 0;
        for (const TamselMenuData* record : m_items) {
            std::wstring label = record->text.substr(0, record->text.find(L'\t'));
            largest = std::max(largest, width(label + L" "));
        }
        long space = width(L" ");
        for (TamselMenuData* record : m_items) {
            size_t tab = record->text.find(L'\t');
            if (tab == std::wstring::npos) continue;
            std::wstring label = record->text.substr(0, tab);
            long current = width(label);
            // Padded until the label is as wide as the widest; a measure that
            // fails or stops growing ends it.
            while (current < largest) {
                long missing = largest - current;
                size_t spaces = space > 0 && missing / space > 1 ? static_cast<size_t>(missing / space) : 1;
                label.append(spaces, L' ');
                long next = width(label);
                if (next <= current) break;
                current = next;
            }
            record->text = label + record->text.substr(tab);
        }
    }
    ReleaseDC(window, dc);
}

// Images.

bool TamselMenu::LoadToolbarBitmap(HIMAGELIST list, UINT bitmapId) {
    if (!list) return false;
    HRSRC found = nullptr;
    HINSTANCE module = ResourceModule(MAKEINTRESOURCEA(bitmapId), MAKEINTRESOURCEA(2) /* RT_BITMAP */, found);
    if (!module) return false;
    HGLOBAL loaded = LoadResource(module, found);
    const auto* header = loaded ? static_cast<const BITMAPINFOHEADER*>(LockResource(loaded)) : nullptr;
    if (!header || SizeofResource(module, found) < sizeof(BITMAPINFOHEADER)) return false;
    DWORD colours = header->biClrUsed;
    if (colours == 0) {
        switch (header->biBitCount) {
            case 1: colours = 2; break;
            case 4: colours = 16; break;
            case 8: colours = 256; break;
            default: colours = 0;
        }
    }
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    int added = -1;
    if (colours == 16) {
        ui::Bitmap bitmap(ui::LoadSysColorBitmap(module, bitmapId));
        if (bitmap) added = ImageList_AddMasked(list, bitmap.Get(), face);
    } else {
        ui::Bitmap bitmap(LoadBitmapA(module, MAKEINTRESOURCEA(bitmapId)));
        if (!bitmap) return false;
        Shared().highColour = true;
        HDC screen = GetDC(nullptr);
        {
            ui::MemoryDC memory(screen);
            // Light grey as the display stores it.
            ui::Bitmap probe(CreateCompatibleBitmap(screen, 1, 1));
            COLORREF grey = RGB(192, 192, 192);
            {
                ui::SelectGuard select(memory.Get(), probe.Get());
                SetPixel(memory.Get(), 0, 0, grey);
                grey = GetPixel(memory.Get(), 0, 0);
            }
            BITMAP info{};
            GetObjectA(bitmap.Get(), sizeof info, &info);
            ui::SelectGuard select(memory.Get(), bitmap.Get());
            for (int x = 0; x < info.bmWidth; ++x) {
                for (int y = 0; y < info.bmHeight; ++y) {
                    if (GetPixel(memory.Get(), x, y) == grey) SetPixel(memory.Get(), x, y, face);
                }
            }
        }
        ReleaseDC(nullptr, screen);
        added = ImageList_AddMasked(list, bitmap.Get(), face);
    }
    return added >= 0;
}

HIMAGELIST TamselMenu::SharedImages() { return Shared().images; }
const std::vector<UINT_PTR>& TamselMenu::ImageCommands() { return Shared().commands; }
bool TamselMenu::HighColourLoaded() { return Shared().highColour; }

int TamselMenu::FindGlobalImage(UINT_PTR id) {
    const std::vector<UINT_PTR>& commands = Shared().commands;
    auto it = std::find(commands.begin(), commands.end(), id);
    return it == commands.end() ? -1 : static_cast<int>(it - commands.begin());
}

bool TamselMenu::HasXPImageSet(int index) {
    const std::vector<UINT_PTR>& commands = Shared().commands;
    if (index < 0 || static_cast<size_t>(index) + 2 >= commands.size()) return false;
    size_t i = static_cast<size_t>(index);
    return commands[i] == commands[i + 1] && commands[i] == commands[i + 2];
}

int TamselMenu::AddGlobalImage(HIMAGELIST list, int index, UINT_PTR id) {
    tamsel::SharedTables& shared = Shared();
    if (!shared.images) {
        ui::EnsureCommonControls();
        shared.images = ImageList_Create(kImageWidth, kImageHeight, ILC_COLORDDB | ILC_MASK, 1, 1);
        if (!shared.images) return -1;
    }
    if (!list || index < 0 || index >= ImageList_GetImageCount(list)) return -1;
    HICON icon = ImageList_GetIcon(list, index, ILD_NORMAL);
    if (!icon) return -1;
    bool xp = IsXPStyle();
    ui::Bitmap light, shadow, grey;
    if (xp) {
        HDC screen = GetDC(nullptr);
        HBITMAP made = nullptr;
        if (ImageToBitmap(screen, list, index, made)) {
            light.Reset(made);
            LightenBitmap(light.Get());
        }
        if (ImageToBitmap(screen, list, index, made)) {
            shadow.Reset(made);
            ShadowBitmap(shadow.Get());
        }
        if (ImageToBitmap(screen, list, index, made)) {
            grey.Reset(made);
            ShadeBitmap(grey.Get(), CLR_NONE);
        }
        ReleaseDC(nullptr, screen);
    }
    int result = FindGlobalImage(id);
    if (result >= 0) {
        ImageList_ReplaceIcon(shared.images, result, icon);
        if (xp && HasXPImageSet(result) && static_cast<size_t>(result) + 3 < shared.commands.size()) {
            PutVariant(shared.images, result + 1, light.Get());
            PutVariant(shared.images, result + 2, shadow.Get());
            PutVariant(shared.images, result + 3, grey.Get());
        }
    } else if (ImageList_ReplaceIcon(shared.images, -1, icon) >= 0) {
        result = static_cast<int>(shared.commands.size());
        shared.commands.push_back(id);
        if (xp) {
            // The set is complete or not there at all, so that the four stay together.
            int count = ImageList_GetImageCount(shared.images);
            if (PutVariant(shared.images, -1, light.Get()) >= 0 && PutVariant(shared.images, -1, shadow.Get()) >= 0 &&
                PutVariant(shared.images, -1, grey.Get()) >= 0) {
                shared.commands.insert(shared.commands.end(), 3, id);
            } else {
                ImageList_SetImageCount(shared.images, static_cast<UINT>(count));
            }
        }
    }
    DestroyIcon(icon);
    return result;
}

int TamselMenu::SetImagesFromToolbar(UINT toolbarId) {
    ui::ToolBarResource toolbar;
    if (!toolbar.Load(toolbarId)) return 0;
    ui::EnsureCommonControls();
    HIMAGELIST list = ImageList_Create(kImageWidth, kImageHeight, ILC_COLORDDB | ILC_MASK, 1, 1);
    if (!list) return 0;
    if (!LoadToolbarBitmap(list, toolbarId)) {
        ImageList_Destroy(list);
        return 0;
    }
    int image = 0;  // the button's image: buttons count, separators do not
    for (UINT id : toolbar.ids) {
        if (id == 0) continue;
        int index = image++;
        if (!m_menu || GetMenuState(m_menu, id, MF_BYCOMMAND) == 0xFFFFFFFFu) continue;
        SetItemImage(static_cast<const wchar_t*>(nullptr), id, list, index);
    }
    ImageList_Destroy(list);
    return 1;
}

BOOL TamselMenu::SetItemImage(const char* text, UINT id, HIMAGELIST list, int index) {
    if (!text) return SetItemImage(static_cast<const wchar_t*>(nullptr), id, list, index);
    std::wstring wide = tamsel::Widen(text);
    return SetItemImage(wide.c_str(), id, list, index);
}

BOOL TamselMenu::SetItemImage(const wchar_t* text, UINT id, HIMAGELIST list, int index) {
    auto apply = [&](TamselMenuData* record) {
        if (text) record->text = text;
        if (list) record->image = AddGlobalImage(list, index, id);
        record->flags = (record->flags & ~MF_BYPOSITION) | MF_OWNERDRAW;
        record->id = id;
    };
    std::vector<Visit> visited;
    int position = -1;
    TamselMenu* menu = FindNextMenuOfCommand(id, position, visited);
    if (!menu) {
        // In no menu yet: the record waits for an item of that command.
        auto* record = new TamselMenuData;
        apply(record);
        m_pending.push_back(record);
        return FALSE;
    }
    BOOL result = TRUE;
    for (; menu; menu = FindNextMenuOfCommand(id, position, visited)) {
        size_t at = static_cast<size_t>(position);
        if (at >= menu->m_items.size() || menu->m_items[at]->id != id) {
            menu->MakeItemsOwnerDrawn();  // the records lag behind the live menu
            if (at >= menu->m_items.size() || menu->m_items[at]->id != id) continue;
        }
        TamselMenuData* record = menu->m_items[at];
        apply(record);
        // Each occurrence keeps its own record (and so its own text).
        if (!menu->ModifyOwnerDrawn(menu->m_menu, position, record)) result = FALSE;
    }
    return result;
}

BOOL TamselMenu::ModifyOwnerDrawn(HMENU menu, int position, TamselMenuData* record) const {
    UINT state = GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION);
    BOOL done = ModifyMenuA(menu, static_cast<UINT>(position), MF_BYPOSITION | (record->flags & kModifyFlags),
                            record->id, reinterpret_cast<LPCSTR>(record));
    // The default item stays the default.
    if (done && state != 0xFFFFFFFFu && (state & MF_DEFAULT) && !GetSubMenu(menu, position)) {
        SetMenuDefaultItem(menu, static_cast<UINT>(position), TRUE);
    }
    return done;
}

TamselMenu* TamselMenu::FindMenuOfCommand(UINT id, int& position) {
    std::vector<Visit> visited;
    return FindNextMenuOfCommand(id, position, visited);
}

TamselMenu* TamselMenu::FindNextMenuOfCommand(UINT id, int& position, std::vector<Visit>& visited) {
    // Popups nest a few levels; a menu that holds itself must not loop.
    struct Search {
        UINT id;
        std::vector<Visit>& visited;
        TamselMenu* Run(TamselMenu* menu, int& position, int depth) {
            if (!menu->m_menu || depth > 32) return nullptr;
            int count = GetMenuItemCount(menu->m_menu);
            for (int i = 0; i < count; ++i) {
                if (HMENU sub = GetSubMenu(menu->m_menu, i)) {
                    if (TamselMenu* child = FromHandle(sub)) {
                        if (TamselMenu* found = Run(child, position, depth + 1)) return found;
                    }
                    continue;
                }
                if (GetMenuItemID(menu->m_menu, i) != id) continue;
                bool seen = std::any_of(visited.begin(), visited.end(),
                                        [&](const Visit& v) { return v.menu == menu && v.position == i; });
                if (seen) continue;
                visited.push_back(Visit{menu, i});
                position = i;
                return menu;
            }
            return nullptr;
        }
    } search{id, visited};
    TamselMenu* found = search.Run(this, position, 0);
    if (!found) position = -1;
    return found;
}

// Keeping the live menu owner-drawn.

void TamselMenu::MakeItemsOwnerDrawn() {
    if (!m_menu || !IsMenu(m_menu)) return;
    for (TamselMenuData* record : m_items) record->claimed = false;
    for (TamselMenuData* record : m_pending) record->claimed = false;
    auto claim = [this](UINT_PTR id) {
        TamselMenuData* record = Claim(m_items, id);
        return record ? record : Claim(m_pending, id);
    };
    std::vector<TamselMenuData*> items;
    int count = GetMenuItemCount(m_menu);
    for (int i = 0; i < count; ++i) {
        UINT state = GetMenuState(m_menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state == 0xFFFFFFFFu) continue;
        std::wstring text = LiveText(m_menu, i);
        TamselMenuData* record = nullptr;
        if (HMENU popup = GetSubMenu(m_menu, i)) {
            UINT_PTR handle = reinterpret_cast<UINT_PTR>(popup);
            record = claim(handle);
            if (!record) {
                record = new TamselMenuData;
                record->text = text;
                record->flags = MF_BYPOSITION | MF_OWNERDRAW | MF_POPUP | (state & 0xFF);
                record->id = handle;
                record->claimed = true;
                ModifyOwnerDrawn(m_menu, i, record);
            } else if (!text.empty()) {
                // Made a plain item by other code: owner-drawn again, with its new text.
                record->text = text;
                record->flags = MF_BYPOSITION | MF_OWNERDRAW | MF_POPUP | (state & 0xFF);
                ModifyOwnerDrawn(m_menu, i, record);
            }
        } else if (state & MF_SEPARATOR) {
            record = claim(0);
            if (!record) {
                record = new TamselMenuData;
                record->flags = state | MF_SEPARATOR | MF_OWNERDRAW | MF_BYPOSITION;
                record->claimed = true;
            }
            ModifyOwnerDrawn(m_menu, i, record);
        } else {
            UINT id = GetMenuItemID(m_menu, i);
            record = claim(id);
            if (record) {
                record->flags = state | MF_BYPOSITION | MF_OWNERDRAW;
                if (!text.empty()) record->text = text;
            } else {
                record = new TamselMenuData;
                record->text = text;
                record->flags = state | MF_BYPOSITION | MF_OWNERDRAW;
                record->id = id;
                record->image = FindGlobalImage(id);
                record->claimed = true;
            }
            ModifyOwnerDrawn(m_menu, i, record);
        }
        items.push_back(record);
    }
    for (TamselMenuData* record : m_items) {
        if (!record->claimed) delete record;
    }
    for (TamselMenuData* record : m_pending) {
        if (!record->claimed) delete record;
    }
    m_pending.clear();
    m_items = std::move(items);
}

// Routing measure and draw requests.

TamselMenu* TamselMenu::OwnerOfRecord(const TamselMenuData* record, int* position) {
    if (!record) return nullptr;
    for (const auto& entry : Menus()) {
        const std::vector<TamselMenuData*>& items = entry.second->m_items;
        auto it = std::find(items.begin(), items.end(), record);
        if (it != items.end()) {
            if (position) *position = static_cast<int>(it - items.begin());
            return entry.second;
        }
    }
    return nullptr;
}

bool TamselMenu::RouteMeasureItem(MEASUREITEMSTRUCT* mis) {
    if (!mis || mis->CtlType != ODT_MENU) return false;
    // Only item data that is one of our records is ever read.
    TamselMenu* menu = OwnerOfRecord(reinterpret_cast<const TamselMenuData*>(mis->itemData), nullptr);
    if (!menu) return false;
    menu->MeasureItem(mis);
    return true;
}

bool TamselMenu::RouteDrawItem(const DRAWITEMSTRUCT* dis) {
    if (!dis || dis->CtlType != ODT_MENU) return false;
    TamselMenu* menu = FromHandle(reinterpret_cast<HMENU>(dis->hwndItem));
    const auto* record = reinterpret_cast<const TamselMenuData*>(dis->itemData);
    if (!menu || std::find(menu->m_items.begin(), menu->m_items.end(), record) == menu->m_items.end()) {
        menu = OwnerOfRecord(record, nullptr);
    }
    if (!menu) return false;
    menu->DrawItem(dis);
    return true;
}
