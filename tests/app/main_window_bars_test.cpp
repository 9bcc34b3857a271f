// The main window's owner-drawn menu, its toolbar and the splash window, in
// the real window: menu 132 owner-drawn with the toolbar's pictures, in both
// drawing styles; the toolbar's buttons, layout, rules and tooltips; the
// splash switched off for the program.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/main_dlg.h"
#include "app/project_file.h"
#include "core/registry_dword.h"
#include "tests/ui/ui_test_support.h"
#include "ui/splash_wnd.h"
#include "vastrel/resource.h"

namespace {

constexpr int kShellVista = 1;
constexpr int kShellXP = 7;
constexpr int kShellWin2000 = 6;

const std::vector<UINT> kToolbarButtons = {
    ID_PROJECT_ADD_FILE,    ID_PROJECT_ADD_FOLDER,  ID_FILE_SAVE_PROJECT, ID_FILE_OPEN_PROJECT,
    ID_PROJECT_REMOVE_FILE, ID_PROJECT_REMOVE_ALL,  ID_PROJECT_ENCRYPT,   ID_PROJECT_DECRYPT,
    ID_EDIT_SEARCH,         ID_PROJECT_SELF_EXTRACTOR, ID_PROJECT_SHRED_ALL};
// The menu items that carry a picture: the toolbar's commands, with the
// menu's own shredding command in place of the toolbar's.
const std::set<UINT> kPictured = {
    ID_PROJECT_ADD_FILE,    ID_PROJECT_ADD_FOLDER, ID_FILE_SAVE_PROJECT, ID_FILE_OPEN_PROJECT,
    ID_PROJECT_REMOVE_FILE, ID_PROJECT_REMOVE_ALL, ID_PROJECT_ENCRYPT,   ID_PROJECT_DECRYPT,
    ID_EDIT_SEARCH,         ID_PROJECT_SELF_EXTRACTOR, ID_SELECTION_SHRED};

struct Item {
    HMENU menu;
    int position;
    MENUITEMINFOA info;
    const TamselMenuData* record;
};

// Every item of a menu and its popups, popups opened as the user would.
void Collect(HWND window, HMENU menu, std::vector<Item>& items) {
    SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_DATA | MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        items.push_back(Item{menu, i, info, reinterpret_cast<const TamselMenuData*>(info.dwItemData)});
        if (info.hSubMenu) Collect(window, info.hSubMenu, items);
    }
}

long TextWidth(HWND window, const std::wstring& text, bool menuFont) {
    HDC dc = GetDC(window);
    HFONT font = uitest::MenuFont();
    HGDIOBJ old = menuFont ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (old) SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(window, dc);
    return size.cx;
}

// Counts the menu items drawn through the window.
thread_local bool t_captured = false;
thread_local int t_drawn = 0;
LRESULT CALLBACK CountMenuDrawing(int code, WPARAM w, LPARAM l) {
    auto* message = reinterpret_cast<CWPSTRUCT*>(l);
    if (code == HC_ACTION && message->message == WM_DRAWITEM &&
        reinterpret_cast<DRAWITEMSTRUCT*>(message->lParam)->CtlType == ODT_MENU) {
        ++t_drawn;
    }
    return CallNextHookEx(nullptr, code, w, l);
}

// Photographs the open popup menu and ends the menu.
thread_local const char* t_photoName = "";
void CALLBACK PhotographAndEndMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (popup && IsWindowVisible(popup) && !t_captured) {
        RECT r{};
        GetWindowRect(popup, &r);
        HDC source = GetWindowDC(popup);
        HDC memory = CreateCompatibleDC(source);
        HBITMAP bitmap = CreateCompatibleBitmap(source, r.right - r.left, r.bottom - r.top);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, source, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        uitest::SavePicture(bitmap, t_photoName);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(popup, source);
        t_captured = true;
    }
    EndMenu();
}

// The modal main window and what its toolbar showed on the loop's turns.
thread_local VastrelMainDlg* t_modal = nullptr;
thread_local std::vector<bool> t_seen;
constexpr UINT kLook = WM_APP + 77;
LRESULT CALLBACK LookAtButtons(int code, WPARAM w, LPARAM l) {
    auto* message = reinterpret_cast<MSG*>(l);
    if (code == HC_ACTION && w == PM_REMOVE && message->message == kLook && message->hwnd == t_modal->Handle()) {
        t_seen.push_back(t_modal->Toolbar().ButtonEnabled(ID_PROJECT_ENCRYPT));
        t_seen.push_back(t_modal->Toolbar().ButtonEnabled(ID_PROJECT_ADD_FILE));
    }
    return CallNextHookEx(nullptr, code, w, l);
}

// The splash seen while the main window is made, and its owner.
thread_local HWND t_splash = nullptr;
thread_local HWND t_splashOwner = nullptr;
LRESULT CALLBACK SeeSplash(int code, WPARAM w, LPARAM l) {
    auto* message = reinterpret_cast<CWPSTRUCT*>(l);
    if (code == HC_ACTION && message->message == WM_INITDIALOG && CSplashWnd::Current() && !t_splash) {
        t_splash = CSplashWnd::Current()->Handle();
        t_splashOwner = GetWindow(t_splash, GW_OWNER);
    }
    return CallNextHookEx(nullptr, code, w, l);
}

// Refuses to make toolbar windows.
LRESULT CALLBACK RefuseToolbars(int code, WPARAM w, LPARAM l) {
    if (code == HCBT_CREATEWND) {
        auto* create = reinterpret_cast<CBT_CREATEWNDA*>(l);
        if (create->lpcs->lpszClass && !IS_INTRESOURCE(create->lpcs->lpszClass) &&
            lstrcmpiA(create->lpcs->lpszClass, TOOLBARCLASSNAMEA) == 0) {
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, w, l);
}

// The window's menu once it has handled WM_DESTROY.
thread_local HWND t_window = nullptr;
thread_local HMENU t_menuAfterDestroy = nullptr;
LRESULT CALLBACK MenuAfterDestroy(int code, WPARAM w, LPARAM l) {
    auto* message = reinterpret_cast<CWPRETSTRUCT*>(l);
    if (code == HC_ACTION && message->hwnd == t_window && message->message == WM_DESTROY) {
        t_menuAfterDestroy = GetMenu(t_window);
    }
    return CallNextHookEx(nullptr, code, w, l);
}

class MainWindowBars : public uitest::UiTest {
protected:
    MainWindowBars() {
        testsupport::ClearVastrelSettings();
        RegistryDword(VastrelSettingPath("AutoUpdate"), 0, 1).Set(1);
        m_shell = TamselMenu::ShellType();
    }
    ~MainWindowBars() override {
        if (dlg.Exists()) dlg.DestroyWindow();
        testsupport::ClearVastrelSettings();
        TamselMenu::SetShellTypeForTesting(m_shell);
        TamselMenu::ResetSharedImagesForTesting();
        CSplashWnd::SetEnabled(FALSE);
    }
    // Opens the window on a platform of the given shell type.
    void Open(int shell) {
        TamselMenu::SetShellTypeForTesting(shell);
        TamselMenu::ResetSharedImagesForTesting();
        ASSERT_TRUE(dlg.Create(nullptr));
        ShowWindow(dlg.Handle(), SW_SHOW);
        uitest::Pump();
    }
    std::string File(const std::string& name) {
        std::string path = m_dir / name;
        testsupport::WriteFile(path, "data");
        return path;
    }
    bool Button(UINT id) { return dlg.Toolbar().ButtonEnabled(id); }
    // The enable pass that the modal loop runs on every turn.
    void Turn() { dlg.UpdateToolbarCommands(); }

    uitest::PickerRecorder m_pickers;
    VastrelMainDlg dlg;
    int m_shell = 0;
};

// Menu 132: a bar of plain texts over owner-drawn popups, the nested ones
// too; the toolbar's eleven commands with their pictures; still so after
// other code changed the menu; measured and drawn in both styles.
TEST_F(MainWindowBars, MenuIsOwnerDrawnWithTheToolbarsPictures) {
    for (int shell : {kShellVista, kShellXP}) {
        SCOPED_TRACE(shell);
        Open(shell);
        HWND window = dlg.Handle();
        HMENU bar = GetMenu(window);
        ASSERT_NE(nullptr, bar);
        ASSERT_EQ(dlg.Menu().Handle(), bar);
        std::vector<std::string> titles;
        for (int i = 0; i < GetMenuItemCount(bar); ++i) {
            char text[64] = {};
            GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            titles.push_back(text);
            MENUITEMINFOA info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE;
            GetMenuItemInfoA(bar, static_cast<UINT>(i), TRUE, &info);
            EXPECT_FALSE(info.fType & MFT_OWNERDRAW) << text;
        }
        EXPECT_EQ((std::vector<std::string>{"&File", "Edit", "&Project", "Selection", "&Options", "&Help"}), titles);

        std::vector<Item> items;
        for (int i = 0; i < GetMenuItemCount(bar); ++i) Collect(window, GetSubMenu(bar, i), items);
        ASSERT_GT(items.size(), 35u);
        std::set<UINT> pictured;
        std::vector<std::wstring> nested;
        for (const Item& item : items) {
            ASSERT_TRUE(item.info.fType & MFT_OWNERDRAW) << item.info.wID;
            const TamselMenu* owner = TamselMenu::FromHandle(item.menu);
            ASSERT_NE(nullptr, owner);
            EXPECT_EQ(owner->Items()[static_cast<size_t>(item.position)], item.record);
            if (item.info.hSubMenu) nested.push_back(item.record->text);
            if (item.record->image >= 0) pictured.insert(item.info.wID);
        }
        EXPECT_EQ((std::vector<std::wstring>{L"Sort", L"Windows Explorer", L"Vastrel on the Web "}), nested);
        EXPECT_EQ(kPictured, pictured);
        EXPECT_EQ(shell == kShellXP ? 44u : 11u, TamselMenu::ImageCommands().size());

        // The enable pass and other code change the menu; it stays owner-drawn.
        HMENU project = GetSubMenu(bar, 2);
        ModifyMenuA(project, ID_PROJECT_ADD_FILE, MF_BYCOMMAND | MF_STRING, ID_PROJECT_ADD_FILE, "Add a File");
        AppendMenuA(project, MF_STRING, ID_FILE_NEW_PROJECT, "New");
        items.clear();
        Collect(window, project, items);
        for (const Item& item : items) EXPECT_TRUE(item.info.fType & MFT_OWNERDRAW) << item.info.wID;
        EXPECT_EQ(L"Add a File", items[4].record->text);
        EXPECT_GE(items[4].record->image, 0);
        EXPECT_TRUE(items[0].info.fState & MFS_GRAYED);  // Encrypt, with no files
        EXPECT_EQ(L"New", items.back().record->text);

        // Sizes: text + 33 classic, text + 31 XP; the menu font only where
        // the newer shell is.
        bool xp = shell == kShellXP;
        for (const Item& item : items) {
            MEASUREITEMSTRUCT mis = uitest::MeasureMenuItem(window, project, item.position);
            if (item.record->flags & MF_SEPARATOR) {
                EXPECT_EQ(0u, mis.itemWidth);
                EXPECT_EQ(xp ? 3u : static_cast<UINT>(std::max(9, GetSystemMetrics(SM_CYMENU) / 2)), mis.itemHeight);
                continue;
            }
            long text = TextWidth(window, item.record->text, xp);
            EXPECT_EQ(static_cast<UINT>(text + (xp ? 31 : 33)), mis.itemWidth) << item.info.wID;
            EXPECT_EQ(static_cast<UINT>(std::max(GetSystemMetrics(SM_CYMENU), xp ? 22 : 19)), mis.itemHeight);
        }
        // An opened popup, as the system would show it with its first item selected.
        EnableMenuItem(project, ID_PROJECT_ENCRYPT, MF_BYCOMMAND | MF_ENABLED);
        auto picture = uitest::DrawMenuPopup(window, project, 0);
        picture->Save(std::string("Project-") + (xp ? "xp" : "classic"));
        const RECT& encrypt = picture->rows[0];
        COLORREF selection = xp ? LightenColor(GetSysColor(COLOR_HIGHLIGHT), 0.7) : GetSysColor(COLOR_HIGHLIGHT);
        EXPECT_EQ(selection, picture->At(encrypt.right - 3, encrypt.top + 2));
        EXPECT_TRUE(picture->Has(RECT{encrypt.left + 2, encrypt.top + 2, encrypt.left + 18, encrypt.bottom - 2},
                                 RGB(246, 178, 52)));  // the amber padlock of the picture
        dlg.DestroyWindow();
    }
}

// Popups opened for real, in the XP and the classic style (the latter with
// a nested popup, whose arrow the system adds): the system measures and
// draws them through the window. A timer photographs each and ends the
// menu; should the menu loop never run the timer, another thread cancels
// the menu, so nothing waits.
TEST_F(MainWindowBars, OpenedPopupIsDrawnByTheMenu) {
    Open(kShellXP);
    struct Opening {
        int shell;
        int popup;
        const char* photo;
    };
    for (Opening opening :
         {Opening{kShellXP, 2, "TamselMenu-opened-xp"}, Opening{kShellWin2000, 1, "TamselMenu-opened-classic"}}) {
        SCOPED_TRACE(opening.photo);
        TamselMenu::SetShellTypeForTesting(opening.shell);
        HMENU popup = GetSubMenu(GetMenu(dlg.Handle()), opening.popup);
        t_captured = false;
        t_drawn = 0;
        t_photoName = opening.photo;
        HHOOK count = SetWindowsHookExA(WH_CALLWNDPROC, &CountMenuDrawing, nullptr, GetCurrentThreadId());
        UINT_PTR timer = SetTimer(nullptr, 0, 400, &PhotographAndEndMenu);
        HWND window = dlg.Handle();
        std::atomic<bool> done{false};
        std::thread watchdog([window, &done] {
            for (int i = 0; i < 100 && !done; ++i) Sleep(50);
            if (!done) PostMessageA(window, WM_CANCELMODE, 0, 0);
        });
        RECT place = dlg.WindowRect();
        TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RETURNCMD, place.left + 40, place.top + 60, 0, window, nullptr);
        done = true;
        watchdog.join();
        KillTimer(nullptr, timer);
        UnhookWindowsHookEx(count);
        EXPECT_TRUE(t_captured);
        EXPECT_GE(t_drawn, GetMenuItemCount(popup));
    }
}

// The toolbar: eleven buttons atop the list, enabled as the menu items of
// the same commands are, tooltips from the string table, clicks that run
// the commands.
TEST_F(MainWindowBars, ToolbarFollowsTheProjectAndNamesItsButtons) {
    Open(kShellVista);
    CMainToolBar& bar = dlg.Toolbar();
    ASSERT_TRUE(bar.Exists());
    ASSERT_EQ(11, bar.ButtonCount());
    for (int i = 0; i < 11; ++i) EXPECT_EQ(kToolbarButtons[static_cast<size_t>(i)], bar.ButtonId(i)) << i;
    RECT place = bar.WindowRect();
    MapWindowPoints(nullptr, dlg.Handle(), reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(0, place.top);
    EXPECT_EQ(dlg.ClientRect().right, place.right);
    // The list stands ten pixels closer to the toolbar than it stood to the
    // top of the template.
    RECT units{7, 7, 0, 0};
    MapDialogRect(dlg.Handle(), &units);
    RECT list{};
    GetWindowRect(GetDlgItem(dlg.Handle(), IDC_PROJECT_LIST), &list);
    MapWindowPoints(nullptr, dlg.Handle(), reinterpret_cast<POINT*>(&list), 2);
    EXPECT_EQ(units.top + bar.CalcHeight() - 10, list.top);
    EXPECT_EQ(units.left, list.left);
    // It ends above the status bar, also after the window is resized.
    auto below = [&] {
        RECT status{}, rows{};
        GetWindowRect(GetDlgItem(dlg.Handle(), IDC_STATUS_BAR), &status);
        GetWindowRect(GetDlgItem(dlg.Handle(), IDC_PROJECT_LIST), &rows);
        return status.top - rows.bottom;
    };
    EXPECT_GE(below(), 0);
    EXPECT_LE(below(), 10);
    RECT window = dlg.WindowRect();
    SetWindowPos(dlg.Handle(), nullptr, 0, 0, window.right - window.left + 40, window.bottom - window.top + 60,
                 SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_GE(below(), 0);
    EXPECT_LE(below(), 10);
    EXPECT_EQ(dlg.ClientRect().right, uitest::SizeOf(bar.WindowRect()).cx);

    // An empty project.
    Turn();
    for (UINT id : {ID_PROJECT_REMOVE_ALL, ID_PROJECT_DECRYPT, ID_PROJECT_ENCRYPT, ID_PROJECT_SELF_EXTRACTOR,
                    ID_PROJECT_SHRED_ALL, ID_PROJECT_REMOVE_FILE, ID_FILE_SAVE_PROJECT}) {
        EXPECT_FALSE(Button(id)) << id;
    }
    for (UINT id : {ID_PROJECT_ADD_FILE, ID_PROJECT_ADD_FOLDER, ID_FILE_OPEN_PROJECT, ID_EDIT_SEARCH}) {
        EXPECT_TRUE(Button(id)) << id;
    }
    // A click on "Add file" runs the command: the picker asks for a file.
    m_pickers.answers.push_back(ui::PickerAnswer{true, File("first.txt")});
    RECT button = bar.ButtonRect(0);
    LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    bar.Send(WM_LBUTTONDOWN, MK_LBUTTON, at);
    bar.Send(WM_LBUTTONUP, 0, at);
    dlg.WaitForFill();
    uitest::Pump();
    ASSERT_EQ(1u, m_pickers.requests.size());
    ASSERT_EQ(1u, dlg.Entries().size());
    // A project with a file, modified, nothing selected.
    Turn();
    for (UINT id : {ID_PROJECT_REMOVE_ALL, ID_PROJECT_DECRYPT, ID_PROJECT_ENCRYPT, ID_PROJECT_SELF_EXTRACTOR,
                    ID_PROJECT_SHRED_ALL, ID_FILE_SAVE_PROJECT}) {
        EXPECT_TRUE(Button(id)) << id;
    }
    EXPECT_FALSE(Button(ID_PROJECT_REMOVE_FILE));
    ListView_SetItemState(GetDlgItem(dlg.Handle(), IDC_PROJECT_LIST), 0, LVIS_SELECTED, LVIS_SELECTED);
    Turn();
    EXPECT_TRUE(Button(ID_PROJECT_REMOVE_FILE));

    // While the rows are being filled the commands that change the project wait.
    std::vector<ProjectEntry> many(3000);
    for (size_t i = 0; i < many.size(); ++i) {
        many[i].name = "missing " + std::to_string(i) + ".txt";
        many[i].path = m_dir / many[i].name;
    }
    std::string big = m_dir / "big.ecl";
    testsupport::WriteFile(big, project::WriteArchive(many));
    dlg.LoadProject(big);
    dlg.WaitForFill();
    uitest::Pump();
    ASSERT_EQ(3000u, dlg.Entries().size());
    SendMessageA(dlg.Handle(), WM_COMMAND, ID_SORT_BY_NAME, 0);
    ASSERT_TRUE(dlg.Filling());
    Turn();
    for (UINT id : {ID_PROJECT_ADD_FILE, ID_PROJECT_ENCRYPT, ID_FILE_OPEN_PROJECT, ID_PROJECT_REMOVE_ALL}) {
        EXPECT_FALSE(Button(id)) << id;
    }
    dlg.WaitForFill();
    uitest::Pump();
    Turn();
    EXPECT_TRUE(Button(ID_PROJECT_ADD_FILE));
    EXPECT_TRUE(bar.Enabled());
    dlg.EnableToolbar(false);
    EXPECT_FALSE(bar.Enabled());
    dlg.EnableToolbar(true);

    // Tooltips: the string of each button's command.
    HWND tips = bar.ToolTips();
    ASSERT_NE(nullptr, tips);
    const std::vector<std::string> texts = {"Add file to project",
                                            "Add folder to project",
                                            "Save current project",
                                            "Open Vastrel project",
                                            "Remove selected file(s)",
                                            "Remove all files from current project",
                                            "Encrypt files",
                                            "Decrypt files",
                                            "Search for encrypted files",
                                            "Create a self-extracting archive",
                                            "Shred Files"};
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(texts[i], uitest::TipText(tips, bar.Handle(), kToolbarButtons[i]));
    // The window's own answer, in both forms of the notification.
    NMTTDISPINFOW wide{};
    wide.hdr = NMHDR{tips, ID_PROJECT_REMOVE_ALL, TTN_GETDISPINFOW};
    SendMessageA(dlg.Handle(), WM_NOTIFY, ID_PROJECT_REMOVE_ALL, reinterpret_cast<LPARAM>(&wide));
    EXPECT_EQ(std::wstring(L"Remove all files from current project"), wide.szText);
    NMTTDISPINFOA narrow{};
    narrow.hdr = NMHDR{tips, ID_PROJECT_REMOVE_ALL, TTN_GETDISPINFOA};
    SendMessageA(dlg.Handle(), WM_NOTIFY, ID_PROJECT_REMOVE_ALL, reinterpret_cast<LPARAM>(&narrow));
    EXPECT_STREQ("Remove all files from current project", narrow.szText);
    uitest::Screenshot(dlg.Handle(), "toolbar");
}

// Run modally, the window's own loop keeps the buttons current.
TEST_F(MainWindowBars, ModalLoopKeepsTheToolbarCurrent) {
    TamselMenu::SetShellTypeForTesting(kShellVista);
    VastrelMainDlg modal;
    t_modal = &modal;
    t_seen.clear();
    // Looks at the buttons when the message arrives, after earlier turns of the loop.
    HHOOK look = SetWindowsHookExA(WH_GETMESSAGE, &LookAtButtons, nullptr, GetCurrentThreadId());
    ui::Dialog::ModalHook previous = ui::Dialog::SetModalHook([](ui::Dialog& d) {
        // As created every button is enabled; the loop's turns change that.
        t_seen.push_back(t_modal->Toolbar().ButtonEnabled(ID_PROJECT_ENCRYPT));
        PostMessageA(d.Handle(), WM_NULL, 0, 0);
        PostMessageA(d.Handle(), kLook, 0, 0);
        PostMessageA(d.Handle(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(IDCANCEL, modal.DoModal());
    ui::Dialog::SetModalHook(previous);
    UnhookWindowsHookEx(look);
    EXPECT_EQ((std::vector<bool>{true, false, true}), t_seen);
}

// The program never shows the splash: its flag is off and the window clears
// it again. Switched on, the window shows it as it is created, for a moment.
TEST_F(MainWindowBars, SplashIsShownOnlyWhenSwitchedOn) {
    Open(kShellVista);
    EXPECT_EQ(nullptr, CSplashWnd::Current());
    EXPECT_FALSE(CSplashWnd::Enabled());
    dlg.DestroyWindow();

    CSplashWnd::SetEnabled(TRUE);
    t_splash = nullptr;
    t_splashOwner = nullptr;
    // Seen while the window is made (before its initialisation ends).
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &SeeSplash, nullptr, GetCurrentThreadId());
    Open(kShellVista);
    UnhookWindowsHookEx(hook);
    HWND splash = t_splash;
    ASSERT_NE(nullptr, splash);
    EXPECT_EQ(dlg.Handle(), t_splashOwner);
    EXPECT_FALSE(CSplashWnd::Enabled());
    DWORD start = GetTickCount();
    while (CSplashWnd::Current() && GetTickCount() - start < 5000) uitest::Pump(10);
    EXPECT_EQ(nullptr, CSplashWnd::Current());
    EXPECT_FALSE(IsWindow(splash));
}

// A toolbar that cannot be made: the window opens without one, with its
// list, status bar and menu; closing takes the menu off before it goes.
TEST_F(MainWindowBars, WindowOpensWithoutToolbarAndLetsGoOfItsMenu) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, &RefuseToolbars, nullptr, GetCurrentThreadId());
    Open(kShellVista);
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(dlg.Exists());
    EXPECT_FALSE(dlg.Toolbar().Exists());
    EXPECT_EQ(nullptr, GetDlgItem(dlg.Handle(), 0xE800));
    EXPECT_NE(nullptr, GetDlgItem(dlg.Handle(), IDC_STATUS_BAR));
    EXPECT_EQ("Source files (0)", dlg.StatusText(0));
    EXPECT_NE(nullptr, GetMenu(dlg.Handle()));
    RECT units{7, 7, 0, 0};
    MapDialogRect(dlg.Handle(), &units);
    RECT list{};
    GetWindowRect(GetDlgItem(dlg.Handle(), IDC_PROJECT_LIST), &list);
    MapWindowPoints(nullptr, dlg.Handle(), reinterpret_cast<POINT*>(&list), 2);
    EXPECT_EQ(units.top, list.top);
    Turn();
    dlg.EnableToolbar(false);
    uitest::Screenshot(dlg.Handle(), "without-toolbar");

    // When the window has handled WM_DESTROY its menu is no longer its own.
    HMENU bar = GetMenu(dlg.Handle());
    HMENU file = GetSubMenu(bar, 0);
    t_window = dlg.Handle();
    t_menuAfterDestroy = reinterpret_cast<HMENU>(1);
    HHOOK watch = SetWindowsHookExA(WH_CALLWNDPROCRET, &MenuAfterDestroy, nullptr, GetCurrentThreadId());
    SendMessageA(dlg.Handle(), WM_CLOSE, 0, 0);
    UnhookWindowsHookEx(watch);
    EXPECT_FALSE(dlg.Exists());
    EXPECT_EQ(nullptr, t_menuAfterDestroy);
    EXPECT_FALSE(IsMenu(bar));
    EXPECT_FALSE(IsMenu(file));
    EXPECT_EQ(nullptr, dlg.Menu().Handle());
    EXPECT_FALSE(TamselMenu::IsOwnMenu(file));
}

}  // namespace
