#include "tests/ui/ui_test_support.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <typeinfo>

#include "framework/controls.h"
#include "framework/window.h"
#include "ui/summary_dlg.h"

namespace uitest {

UiTest::UiTest() {
    m_app = std::make_unique<ui::App>("Vastrel");
    m_app->SetProfilePath(m_dir / "Vastrel.ini");
}

UiTest::~UiTest() {
    Pump();
    m_app.reset();
}

namespace {

std::vector<ForeignModule>& ForeignModules() {
    static std::vector<ForeignModule> modules;
    return modules;
}

// The module's functions while it stays loaded; none after it went.
bool StillLoaded(const ForeignModule& m) {
    HMODULE found = nullptr;
    return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(m.fromHandle), &found) &&
           found == m.module;
}

ui::Window* ForeignObject(HWND window) {
    for (const ForeignModule& m : ForeignModules()) {
        if (!StillLoaded(m)) continue;
        if (ui::Window* object = m.fromHandle(window)) return object;
    }
    return nullptr;
}

// Every waiting message, offered first to the windows of the foreign
// modules, then run as the application's own pump runs it.
void PumpAll() {
    for (;;) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) return;
        if (msg.message == WM_QUIT) {
            ui::PumpWaitingMessages();
            return;
        }
        bool taken = false;
        for (const ForeignModule& m : ForeignModules()) {
            if (!taken && StillLoaded(m) && m.fromHandle(msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr)) {
                PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
                taken = true;
                if (!m.preTranslateChain(&msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
            }
        }
        if (!taken && ui::PumpOneMessage() == ui::PumpResult::Empty) return;
    }
}

}  // namespace

void AddForeignModule(const ForeignModule& module) {
    for (ForeignModule& m : ForeignModules()) {
        if (m.module == module.module) {
            m = module;
            return;
        }
    }
    ForeignModules().push_back(module);
}

void Pump(int milliseconds) {
    DWORD start = GetTickCount();
    do {
        PumpAll();
        if (milliseconds > 0) Sleep(5);
    } while (static_cast<int>(GetTickCount() - start) < milliseconds);
}

std::string BuildFolder() {
    char module[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string dir = module;
    for (;;) {
        size_t slash = dir.find_last_of('\\');
        if (slash == std::string::npos) return "";
        dir.resize(slash);
        if (GetFileAttributesA((dir + "\\CMakeCache.txt").c_str()) != INVALID_FILE_ATTRIBUTES) return dir;
    }
}

HBITMAP CreateTopDownDib(HDC dc, int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

namespace {

uint32_t Crc(const uint8_t* data, size_t n, uint32_t crc = 0) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void Put32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void Chunk(std::string& png, const char* type, const std::string& data) {
    Put32(png, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    Put32(png, Crc(reinterpret_cast<const uint8_t*>(body.data()), body.size()));
}

// A PNG of 24-bit rows (top row first, RGB), compressed with stored blocks.
std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgb) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');
        raw.append(reinterpret_cast<const char*>(&rgb[static_cast<size_t>(y) * width * 3]), static_cast<size_t>(width) * 3);
    }
    std::string z = "\x78\x01";
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t pos = 0; pos < raw.size() || pos == 0;) {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<char>(n & 0xFF));
        z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xFF));
        z.push_back(static_cast<char>((~n >> 8) & 0xFF));
        z.append(raw, pos, n);
        pos += n;
        if (last) break;
    }
    Put32(z, (b << 16) | a);
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    Put32(header, static_cast<uint32_t>(width));
    Put32(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");
    return png;
}

std::string ScreenshotFolder() {
    std::string dir = BuildFolder();
    if (dir.empty()) return "";
    dir += "\\screenshots";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

}  // namespace

namespace {

std::string CurrentTestName() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return test ? test->name() : "window";
}

// Takes the window as it is on its own surface, frame and title included.
void Capture(HWND window, const std::string& name) {
    RECT r;
    if (!GetWindowRect(window, &r)) return;
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC source = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(source);
    void* bits = nullptr;
    HBITMAP bitmap = CreateTopDownDib(source, width, height, &bits);
    std::vector<uint8_t> rgb;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
        GdiFlush();
        const uint8_t* p = static_cast<const uint8_t*>(bits);
        rgb.resize(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            rgb[i * 3] = p[i * 4 + 2];
            rgb[i * 3 + 1] = p[i * 4 + 1];
            rgb[i * 3 + 2] = p[i * 4];
        }
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
    std::string folder = ScreenshotFolder();
    if (rgb.empty() || folder.empty()) return;
    testsupport::WriteFile(folder + "\\" + name + ".png", EncodePng(width, height, rgb));
}

thread_local HHOOK t_closingHook = nullptr;

// Every visible top-level window is photographed as it closes.
LRESULT CALLBACK OnWindowClosing(int code, WPARAM w, LPARAM l) {
    HWND window = reinterpret_cast<HWND>(w);
    if (code == HCBT_DESTROYWND && IsWindowVisible(window) && !(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) {
        Screenshot(window, CurrentTestName());
    }
    return CallNextHookEx(nullptr, code, w, l);
}

std::string FileSafe(std::string name) {
    for (char& c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                  c == '.';
        if (!ok) c = '_';
    }
    return name;
}

}  // namespace

std::string ClassName(HWND window) {
    ui::Window* object = ui::Window::FromHandle(window);
    if (!object) object = ForeignObject(window);
    if (object) {
        const char* mangled = typeid(*object).name();
        int status = 0;
        char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
        std::string name = status == 0 && demangled ? demangled : mangled;
        std::free(demangled);
        size_t angle = name.find('<');
        if (angle != std::string::npos) name.resize(angle);
        size_t colons = name.rfind("::");
        if (colons != std::string::npos) name = name.substr(colons + 2);
        return FileSafe(name);
    }
    char cls[256] = {};
    GetClassNameA(window, cls, sizeof cls);
    return FileSafe(cls);
}

void SavePicture(HBITMAP bitmap, const std::string& name) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
    int width = info.bmWidth, height = info.bmHeight;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), bgra.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    std::string folder = ScreenshotFolder();
    if (rows != height || folder.empty()) return;
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        rgb[i * 3] = bgra[i * 4 + 2];
        rgb[i * 3 + 1] = bgra[i * 4 + 1];
        rgb[i * 3 + 2] = bgra[i * 4];
    }
    testsupport::WriteFile(folder + "\\" + FileSafe(name) + ".png", EncodePng(width, height, rgb));
}

HFONT MenuFont() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    return CreateFontIndirectA(&metrics.lfMenuFont);
}

MENUITEMINFOA MenuItem(HMENU menu, int position) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA | MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
    EXPECT_TRUE(GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info)) << position;
    return info;
}

MEASUREITEMSTRUCT MeasureMenuItem(HWND owner, HMENU menu, int position) {
    MENUITEMINFOA info = MenuItem(menu, position);
    MEASUREITEMSTRUCT mis{ODT_MENU, 0, info.wID, 0, 0, info.dwItemData};
    SendMessageA(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
    return mis;
}

MenuPicture::~MenuPicture() {
    if (dc) {
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    if (bitmap) DeleteObject(bitmap);
}

bool MenuPicture::Has(const RECT& r, COLORREF colour) const {
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            if (At(x, y) == colour) return true;
        }
    }
    return false;
}

int MenuPicture::RightmostOf(const RECT& r, COLORREF colour) const {
    for (int x = r.right - 1; x >= r.left; --x) {
        for (int y = r.top; y < r.bottom; ++y) {
            if (At(x, y) == colour) return x;
        }
    }
    return -1;
}

void MenuPicture::Save(const std::string& name) const {
    HDC screen = GetDC(nullptr);
    bool palette = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
    int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    SelectObject(dc, old);
    const char* display = palette ? "-on-palette-display" : bits <= 16 ? "-on-16-bit-display" : "";
    SavePicture(bitmap, "TamselMenu-" + name + display);
    SelectObject(dc, bitmap);
}

COLORREF StoredColour(HDC dc, COLORREF colour) {
    COLORREF old = GetPixel(dc, 0, 0);
    COLORREF stored = SetPixel(dc, 0, 0, colour);
    SetPixelV(dc, 0, 0, old);
    return stored;
}

std::unique_ptr<MenuPicture> DrawMenuPopup(HWND owner, HMENU popup, int selected, int bitsPerPixel) {
    auto picture = std::make_unique<MenuPicture>();
    int count = GetMenuItemCount(popup);
    std::vector<MEASUREITEMSTRUCT> sizes;
    for (int i = 0; i < count; ++i) {
        sizes.push_back(MeasureMenuItem(owner, popup, i));
        picture->width = std::max(picture->width, static_cast<int>(sizes.back().itemWidth));
        picture->height += static_cast<int>(sizes.back().itemHeight);
    }
    HDC screen = GetDC(nullptr);
    HFONT font = MenuFont();
    // The system gives owner-drawn popup items twice the menu font's average
    // character width more than they ask for.
    if (count > 0) {
        TEXTMETRICA metrics{};
        HGDIOBJ previous = SelectObject(screen, font);
        GetTextMetricsA(screen, &metrics);
        SelectObject(screen, previous);
        picture->width += 2 * metrics.tmAveCharWidth;
    }
    picture->width = std::max(picture->width, 1);
    picture->height = std::max(picture->height, 1);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = picture->width;
    format.bmiHeader.biHeight = -picture->height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    void* bits = nullptr;
    picture->bitmap = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    picture->dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    picture->old = SelectObject(picture->dc, picture->bitmap);
    // The system fills the popup and selects the menu font before it draws.
    RECT all{0, 0, picture->width, picture->height};
    FillRect(picture->dc, &all, GetSysColorBrush(COLOR_MENU));
    HGDIOBJ oldFont = SelectObject(picture->dc, font);
    int top = 0;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info = MenuItem(popup, i);
        RECT row{0, top, picture->width, top + static_cast<int>(sizes[static_cast<size_t>(i)].itemHeight)};
        top = row.bottom;
        picture->rows.push_back(row);
        UINT state = 0;
        if (info.fState & MFS_GRAYED) state |= ODS_GRAYED;
        if (info.fState & MFS_CHECKED) state |= ODS_CHECKED;
        if (info.fState & MFS_DEFAULT) state |= ODS_DEFAULT;
        if (i == selected) state |= ODS_SELECTED;
        DRAWITEMSTRUCT dis{ODT_MENU, 0, info.wID, ODA_DRAWENTIRE, state, reinterpret_cast<HWND>(popup),
                           picture->dc, row, info.dwItemData};
        SendMessageA(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    }
    SelectObject(picture->dc, oldFont);
    DeleteObject(font);
    GdiFlush();
    return picture;
}

void Screenshot(HWND window, const std::string& state) {
    if (!window || !IsWindow(window)) return;
    Capture(window, ClassName(window) + "-" + FileSafe(state));
}

void ScreenshotNamed(HWND window, const std::string& name) {
    if (!window || !IsWindow(window)) return;
    Capture(window, FileSafe(name));
}

ScreenshotsOnClose::ScreenshotsOnClose() {
    if (!t_closingHook) {
        t_closingHook = SetWindowsHookExA(WH_CBT, &OnWindowClosing, nullptr, GetCurrentThreadId());
        m_installed = true;
    }
}

ScreenshotsOnClose::~ScreenshotsOnClose() {
    if (m_installed && t_closingHook) UnhookWindowsHookEx(t_closingHook);
    if (m_installed) t_closingHook = nullptr;
}

bool DialogDriver::Reachable(int id) const {
    HWND item = Item(id);
    if (!item) {
        ADD_FAILURE() << ClassName() << ": no control " << id;
        return false;
    }
    if (!IsWindowVisible(item) || !IsWindowEnabled(item)) {
        ADD_FAILURE() << ClassName() << ": control " << id << " is " << (IsWindowVisible(item) ? "disabled" : "hidden");
        return false;
    }
    return true;
}

void DialogDriver::Type(int id, const std::string& text) {
    if (!Reachable(id)) return;
    HWND edit = Item(id);
    SendMessageA(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    if (text.empty()) SendMessageA(edit, WM_CHAR, VK_BACK, 1);
    for (unsigned char c : text) SendMessageA(edit, WM_CHAR, c, 1);
}

void DialogDriver::Click(int id) {
    if (Reachable(id)) SendMessageA(Item(id), BM_CLICK, 0, 0);
}

void DialogDriver::SetCheck(int id, bool on) {
    for (int i = 0; i < 3 && Reachable(id) && (Checked(id) == BST_CHECKED) != on; ++i) Click(id);
    EXPECT_EQ(on, Checked(id) == BST_CHECKED) << ClassName() << ": check box " << id;
}

void DialogDriver::Choose(int id, const std::string& text) {
    if (!Reachable(id)) return;
    HWND combo = Item(id);
    LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    if (index == CB_ERR) {
        ADD_FAILURE() << ClassName() << ": combo box " << id << " has no item " << text;
        return;
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void DialogDriver::Press(UINT key) {
    HWND focus = GetFocus();
    if (!focus || (focus != m_dialog && !IsChild(m_dialog, focus))) focus = m_dialog;
    PostMessageA(focus, WM_KEYDOWN, key, 0x00000001);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
    PumpAll();
}

std::string DialogDriver::Text(int id) const { return ui::WindowRef(Item(id)).Text(); }
bool DialogDriver::Enabled(int id) const { return Item(id) && IsWindowEnabled(Item(id)); }
bool DialogDriver::Visible(int id) const { return Item(id) && IsWindowVisible(Item(id)); }
int DialogDriver::Checked(int id) const { return static_cast<int>(SendMessageA(Item(id), BM_GETCHECK, 0, 0)); }

std::vector<std::vector<std::string>> DialogDriver::ListRows(int id) const {
    ui::ListViewRef list(Item(id));
    HWND header = reinterpret_cast<HWND>(list.Send(LVM_GETHEADER));
    int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    std::vector<std::vector<std::string>> rows;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < columns; ++column) cells.push_back(list.GetItemText(row, column));
        rows.push_back(cells);
    }
    return rows;
}

namespace {
// The popup of a menu that holds the command, and the command's position.
HMENU FindCommand(HMENU menu, UINT id, int& position) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            if (HMENU found = FindCommand(sub, id, position)) return found;
        } else if (GetMenuItemID(menu, i) == id) {
            position = i;
            return menu;
        }
    }
    return nullptr;
}
}  // namespace

bool RunMenuCommand(HWND window, UINT id) {
    int position = -1;
    HMENU popup = GetMenu(window) ? FindCommand(GetMenu(window), id, position) : nullptr;
    if (!popup) {
        ADD_FAILURE() << ClassName(window) << ": no menu item " << id;
        return false;
    }
    SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), MAKELPARAM(position, FALSE));
    if (GetMenuState(popup, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) {
        ADD_FAILURE() << ClassName(window) << ": menu item " << id << " is disabled";
        return false;
    }
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return true;
}

ModalDriver::ModalDriver() {
    m_previous = ui::Dialog::SetModalHook([this](ui::Dialog& dialog) { Run(dialog); });
}

ModalDriver::~ModalDriver() {
    ui::Dialog::SetModalHook(m_previous);
    for (const Expectation& e : m_expected) {
        ADD_FAILURE() << "dialog " << (e.className.empty() ? std::to_string(e.templateId) : e.className)
                      << " never opened";
    }
}

void ModalDriver::When(const std::string& className, Handler handler) {
    m_expected.push_back(Expectation{className, 0, std::move(handler)});
}

void ModalDriver::When(UINT templateId, Handler handler) {
    m_expected.push_back(Expectation{"", templateId, std::move(handler)});
}

void ModalDriver::Run(ui::Dialog& dialog) {
    HWND hwnd = dialog.Handle();
    std::string name = ClassName(hwnd);
    HWND owner = GetWindow(hwnd, GW_OWNER);
    opened.push_back(Opened{name, dialog.TemplateId(), hwnd, owner, owner && IsWindowEnabled(owner)});
    Screenshot(hwnd, CurrentTestName());
    for (auto it = m_expected.begin(); it != m_expected.end(); ++it) {
        if (it->className == name || (it->templateId && it->templateId == dialog.TemplateId())) {
            Handler handler = std::move(it->handler);
            m_expected.erase(it);
            DialogDriver driver(hwnd);
            handler(driver);
            if (dialog.Running()) {
                Pump();  // what the handler posted
                if (dialog.Running()) {
                    ADD_FAILURE() << "dialog " << name << " was left open";
                    dialog.EndDialog(IDCANCEL);
                }
            }
            return;
        }
    }
    ADD_FAILURE() << "unexpected dialog " << name << " (template " << dialog.TemplateId() << ")";
    dialog.EndDialog(IDCANCEL);
}

PickerRecorder::PickerRecorder() {
    m_previous = ui::SetPickerHook([this](const ui::PickerRequest& request) {
        requests.push_back(request);
        if (answers.empty()) return ui::PickerAnswer{};
        ui::PickerAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    });
}

PickerRecorder::~PickerRecorder() { ui::SetPickerHook(m_previous); }

PopupMenuRecorder::PopupMenuRecorder() {
    m_previous = ui::SetPopupMenuHook([this](const ui::PopupMenuRequest& request) -> UINT {
        Shown seen{request, {}};
        for (int i = 0; i < GetMenuItemCount(request.menu); ++i) {
            UINT id = GetMenuItemID(request.menu, i);
            if (id == 0 || id == static_cast<UINT>(-1)) continue;
            seen.items.emplace_back(id, !(GetMenuState(request.menu, i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)));
        }
        shown.push_back(seen);
        if (answers.empty()) return 0;
        UINT answer = answers.front();
        answers.pop_front();
        return answer;
    });
}

PopupMenuRecorder::~PopupMenuRecorder() { ui::SetPopupMenuHook(m_previous); }

ProgramRecorder::ProgramRecorder() {
    m_previousStart = platform::SetProgramHook([this](const platform::ProgramStart& start) {
        starts.push_back(start);
        bool result = true;
        if (!results.empty()) {
            result = results.front();
            results.pop_front();
        }
        if (result && start.waited) {
            *start.waited = start.wait;
            if (!waited.empty()) {
                *start.waited = start.wait && waited.front();
                waited.pop_front();
            }
        }
        return result;
    });
    m_previousLookup = platform::SetAssociationHook([this](const std::string& file) {
        lookups.push_back(file);
        return associated;
    });
}

ProgramRecorder::~ProgramRecorder() {
    platform::SetProgramHook(m_previousStart);
    platform::SetAssociationHook(m_previousLookup);
}

void ReadSummary(ModalDriver& driver, std::vector<std::vector<std::string>>& rows, const std::string& shot) {
    driver.When("CCryptoSummaryDlg", [&rows, shot](DialogDriver& d) {
        rows = d.ListRows(CCryptoSummaryDlg::kListId);
        if (!shot.empty()) d.Screenshot(shot);
        d.Press(VK_RETURN);
    });
}

std::string TipText(HWND tips, HWND owner, UINT id) {
    char text[80] = {};
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = owner;
    tool.uId = id;
    tool.lpszText = text;
    SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return tool.lpszText && tool.lpszText != LPSTR_TEXTCALLBACKA ? tool.lpszText : "";
}

}  // namespace uitest

// The window tests run on a virtual desktop of their own, where the system
// draws every window's frame and title bar without a window manager: the
// program starts itself again there and hands on the result.
int main(int argc, char** argv) {
    static const char kDesktop[] = "VastrelTests";
    char current[64] = {};
    DWORD needed = 0;
    GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, current, sizeof current, &needed);
    bool underWine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    if (underWine && lstrcmpiA(current, kDesktop) != 0) {
        // The desktop's size is read when it is made; the value goes again after.
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, kDesktop, 0, REG_SZ, reinterpret_cast<const BYTE*>("1024x768"), 9);
        }
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.lpDesktop = const_cast<char*>(kDesktop);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        PROCESS_INFORMATION pi{};
        std::vector<char> line(GetCommandLineA(), GetCommandLineA() + lstrlenA(GetCommandLineA()) + 1);
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
            WaitForSingleObject(pi.hProcess, INFINITE);
            DWORD code = 1;
            GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
            if (key) {
                RegDeleteValueA(key, kDesktop);
                RegCloseKey(key);
            }
            return static_cast<int>(code);
        }
        if (key) {
            RegDeleteValueA(key, kDesktop);
            RegCloseKey(key);
        }
        // No second desktop: run here, without title bars in the pictures.
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
