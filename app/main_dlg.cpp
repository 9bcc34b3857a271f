#include "app/main_dlg.h"

#include <commctrl.h>

#include <cstdio>

#include "app/about_dlg.h"
#include "app/auto_update_permission_dlg.h"
#include "app/encryption_dlg.h"
#include "app/file_properties_dlg.h"
#include "app/properties_dlg.h"
#include "app/quick_cipher_dlg.h"
#include "app/selfextractor_dlg.h"
#include "core/file_header.h"
#include "core/registry_dword.h"
#include "framework/app.h"
#include "framework/prompts.h"
#include "ui/dialog_helpers.h"
#include "ui/help_launcher.h"
#include "ui/simple_password_dlg.h"
#include "ui/splash_wnd.h"
#include "ui/update_check.h"
#include "vastrel/resource.h"

namespace {

std::string LoadResourceString(UINT id, int maxChars) {
    std::vector<char> text(static_cast<size_t>(maxChars) + 1, '\0');
    int n = LoadStringA(ui::ResourceHandle(), id, text.data(), maxChars + 1);
    return std::string(text.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace

VastrelMainDlg::VastrelMainDlg(HWND parent) : CResizingDialog(IDD_VASTREL_MAIN, parent) {
    SetControlAnchor(IDC_PROJECT_LIST, kStretchWidth | kStretchHeight);
    SetControlAnchor(IDC_STATUS_BAR, kMoveDown | kStretchWidth | kStretchHeight);
    HINSTANCE resources = ui::ResourceHandle();
    m_icon = static_cast<HICON>(LoadImageA(resources, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_smallIcon = static_cast<HICON>(LoadImageA(resources, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));

    OnMessage(WM_CREATE, [this](WPARAM, LPARAM l) { return OnCreate(reinterpret_cast<CREATESTRUCTA*>(l)); });
    OnMessage(WM_SHOWWINDOW, [this](WPARAM w, LPARAM) {
        LRESULT r = Default();
        OnShowWindow(w != 0);
        return r;
    });
    OnMessage(WM_CLOSE, [this] { OnCloseRequest(); });
    OnMessage(WM_DESTROY, &VastrelMainDlg::OnDestroy);
    OnMessage(WM_SYSCOMMAND, [this](WPARAM w, LPARAM) { OnSysCommand(w); });
    OnMessage(WM_QUERYDRAGICON, [this] { return reinterpret_cast<LRESULT>(m_icon); });
    OnMessage(WM_DRAWITEM, &VastrelMainDlg::OnDrawItem);
    OnMessage(WM_SIZE, [this] {
        LRESULT result = Default();
        // The toolbar spans the window at any size.
        if (m_toolbar.Exists()) ui::RepositionBars(Handle(), ui::kFirstBarId, ui::kLastBarId, false);
        return result;
    });
    OnMessage(WM_MEASUREITEM, [this](WPARAM, LPARAM l) {
        // The owner-drawn menu's items; anything else as before.
        return TamselMenu::RouteMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(l)) ? TRUE : Default();
    });
    OnMessage(WM_INITMENUPOPUP, [this](WPARAM w, LPARAM l) {
        OnInitMenuPopup(reinterpret_cast<HMENU>(w), HIWORD(l) != 0);
        return Default();
    });
    OnMessage(WM_HELP, [this] {
        OnHelp();
        return TRUE;
    });
    OnMessage(kFillDoneMessage, &VastrelMainDlg::OnFillDone);
    OnMessage(kFillBeginMessage, [this](WPARAM w, LPARAM) { OnFillBegin(static_cast<size_t>(w)); });
    OnMessage(kFillRowsMessage, [this](WPARAM, LPARAM l) { OnFillRows(*reinterpret_cast<const FillBatch*>(l)); });
    OnMessage(kFillEndMessage, &VastrelMainDlg::OnFillEnd);
    OnNotify(IDC_PROJECT_LIST, LVN_KEYDOWN, &VastrelMainDlg::OnListKeyDown);
    OnNotify(IDC_PROJECT_LIST, LVN_COLUMNCLICK, &VastrelMainDlg::OnListColumnClick);
    OnNotify(IDC_PROJECT_LIST, NM_CUSTOMDRAW, &VastrelMainDlg::OnListCustomDraw);
    OnNotify(IDC_PROJECT_LIST, NM_RCLICK, &VastrelMainDlg::OnListRightClick);
    OnNotify(ui::kAnyId, TTN_GETDISPINFOA, &VastrelMainDlg::OnToolTipText);
    OnNotify(ui::kAnyId, TTN_GETDISPINFOW, &VastrelMainDlg::OnToolTipText);

    // The commands: which loops they must wait for, and whether they do
    // nothing unless their menu item would be enabled.
    const Gate always = Gate::Always, reads = Gate::Reads, changes = Gate::ChangesEntries;
    Command(ID_FILE_NEW_PROJECT, changes, true, &VastrelMainDlg::OnNewProject);
    Command(ID_FILE_OPEN_PROJECT, changes, true, &VastrelMainDlg::OpenProject);
    Command(ID_FILE_CLOSE_PROJECT, changes, true, &VastrelMainDlg::OnCloseProject);
    Command(ID_FILE_SAVE_PROJECT, reads, true, &VastrelMainDlg::OnSaveProjectCommand);
    Command(ID_FILE_SAVE_PROJECT_AS, reads, true, &VastrelMainDlg::OnSaveProjectAs);
    Command(ID_FILE_EXIT, always, true, &VastrelMainDlg::OnCloseRequest);
    Command(ID_EDIT_SEARCH, changes, true, &VastrelMainDlg::SearchEncryptedFiles);
    Command(ID_SORT_BY_NAME, changes, true, &VastrelMainDlg::OnSortByName);
    Command(ID_SORT_BY_SIZE, changes, true, &VastrelMainDlg::OnSortBySize);
    Command(ID_EDIT_SELECT_ALL, reads, true, &VastrelMainDlg::OnSelectAll);
    Command(ID_EDIT_CLEAR_SELECTION, reads, true, &VastrelMainDlg::OnClearSelection);
    Command(ID_PROJECT_ENCRYPT, changes, false, &VastrelMainDlg::OnEncryptProject);
    Command(ID_PROJECT_DECRYPT, changes, false, &VastrelMainDlg::OnDecryptProject);
    Command(ID_PROJECT_SELF_EXTRACTOR, changes, true, &VastrelMainDlg::OnSelfExtractor);
    Command(ID_PROJECT_ADD_FILE, changes, true, &VastrelMainDlg::AddProjectFile);
    Command(ID_PROJECT_ADD_FOLDER, changes, true, &VastrelMainDlg::OnAddFolder);
    Command(ID_PROJECT_ADD_PROJECT, changes, true, &VastrelMainDlg::MergeProject);
    Command(ID_PROJECT_REMOVE_FILE, changes, false, &VastrelMainDlg::RemoveSelectedFiles);
    Command(ID_PROJECT_REMOVE_ALL, changes, false, &VastrelMainDlg::OnRemoveAll);
    Command(ID_SELECTION_DECRYPT, changes, true, &VastrelMainDlg::OnDecryptSelection);
    Command(ID_SELECTION_ENCRYPT, changes, true, &VastrelMainDlg::OnEncryptSelection);
    Command(ID_SELECTION_SHRED, changes, true, &VastrelMainDlg::OnShredSelected);
    Command(ID_PROJECT_SHRED_ALL, changes, true, &VastrelMainDlg::OnShredAll);
    Command(ID_SELECTION_VIEW_NAME, reads, true, &VastrelMainDlg::OnViewOriginalName);
    Command(ID_SELECTION_VIEW_HINT, reads, true, &VastrelMainDlg::OnViewHint);
    Command(ID_SELECTION_PROPERTIES, reads, true, &VastrelMainDlg::OnProperties);
    Command(ID_LIST_DELETE, changes, true, &VastrelMainDlg::OnDeleteFromProject);
    Command(ID_OPTIONS_OPTIONS, reads, true, &VastrelMainDlg::OnOptions);
    Command(ID_OPTIONS_ENABLE_INTEGRATION, always, true, &VastrelMainDlg::OnEnableIntegration);
    Command(ID_OPTIONS_DISABLE_INTEGRATION, always, true, &VastrelMainDlg::OnDisableIntegration);
    Command(ID_HELP_CONTENTS, always, true, &VastrelMainDlg::OnHelp);
    Command(ID_HELP_FAQ, always, true, &VastrelMainDlg::OnFaq);
    Command(ID_HELP_CHECK_UPDATES, always, true, &VastrelMainDlg::OnCheckForUpdates);
    Command(ID_APP_ABOUT, always, true, &VastrelMainDlg::OnAbout);
    OnUpdate(ui::Ids(0, 0xFFFF), &VastrelMainDlg::UpdateCommand);
}

VastrelMainDlg::~VastrelMainDlg() {
    // The thread works on members that are about to go.
    StopFill();
    // Destroyed here, while this object's handlers still see its end.
    if (Exists()) DestroyWindow();
    if (m_icon) DestroyIcon(m_icon);
    if (m_smallIcon) DestroyIcon(m_smallIcon);
}

void VastrelMainDlg::DoDataExchange(ui::DataExchange& dx) { dx.Control(IDC_PROJECT_LIST, m_list); }

bool VastrelMainDlg::OnInitDialog() {
    // The plain dialog's initialisation: the window opens at its template's
    // size, not at the size it last had.
    ui::Dialog::OnInitDialog();
    ui::App* app = ui::App::Current();
    if (app && !app->MainWindow()) app->SetMainWindow(Handle());

    std::string about = LoadResourceString(IDS_ABOUTBOX, 255);
    HMENU system = GetSystemMenu(Handle(), FALSE);
    if (system && !about.empty()) {
        AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(system, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }

    // Without OLE the window works as ever, only without drops on the list.
    m_ole = std::make_unique<ui::OleSession>();
    bool ole = m_ole->Ok();
    if (!ole) m_ole.reset();

    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon ? m_smallIcon : m_icon));

    m_list.InsertColumn(0, "Filename", LVCFMT_LEFT, 200);
    m_list.InsertColumn(1, "Size", LVCFMT_LEFT, 65);
    m_list.InsertColumn(2, "Attributes", LVCFMT_LEFT, 65);
    m_list.InsertColumn(3, "Path", LVCFMT_LEFT, 330);
    if (ole) m_list.RegisterDropTarget();
    m_list.owner = this;
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT);

    m_projectSize = 0;
    m_modified = 0;
    m_projectPath.clear();

    CreateToolbar();
    CreateStatusBar();

    // The owner-drawn menu, with the toolbar's pictures on its items; the
    // window takes it off itself before it destroys it.
    if (m_menu.LoadMenu(IDR_MAIN_MENU)) {
        m_menu.SetImagesFromToolbar(IDR_MENU_TOOLBAR);
        SetMenu(Handle(), m_menu.Handle());
    }
    FitListAboveStatusBar();

    m_progress.Create(Handle(), "", TRUE);
    m_progress.Hide();

    m_sortByName = 1;
    m_sortBySize = 1;
    LoadMainSettings();
    SetProjectTitle("Untitled");
    m_shredder = std::make_unique<CSecureDelete>();
    m_fillCell = std::make_unique<FillCell>();
    // A splash shown at creation stays a second; none is shown after this.
    if (CSplashWnd::Current()) Sleep(1000);
    CSplashWnd::SetEnabled(FALSE);

    if (!ole) {
        ui::AppMessageBox("OLE could not be started, so files cannot be dropped on the list. "
                          "Every other command works as usual.",
                          MB_ICONEXCLAMATION);
    }
    if (m_settings.autoUpdateOn) {
        AutoUpdatePermissionDlg dlg(&m_settings, nullptr);
        dlg.DoModal();
    }
    return true;
}

void VastrelMainDlg::CreateToolbar() {
    // Without its resources the window opens without a toolbar.
    m_toolbar.PlaceInDialog(Handle(), CMainToolBar::Resources{IDR_MAIN_TOOLBAR, IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_DISABLED},
                            m_toolbarImages, m_toolbarDisabledImages);
}

void VastrelMainDlg::FitListAboveStatusBar() {
    // The toolbar's room comes out of the margin the template leaves below
    // the list: the list ends where the status bar begins, not under it.
    if (!m_statusBar.Handle() || !m_list.Handle()) return;
    RECT bar{}, list{};
    GetWindowRect(m_statusBar.Handle(), &bar);
    GetWindowRect(m_list.Handle(), &list);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&bar), 2);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&list), 2);
    if (list.bottom <= bar.top || bar.top <= list.top) return;
    MoveWindow(m_list.Handle(), list.left, list.top, list.right - list.left, bar.top - list.top, TRUE);
}

void VastrelMainDlg::EnableToolbar(bool enable) {
    if (m_toolbar.Exists()) m_toolbar.Enable(enable);
}

void VastrelMainDlg::UpdateToolbarCommands() {
    // A dialog has no idle time of a frame: buttons follow the same rules as
    // the menu items, those without a handler disabled.
    if (m_toolbar.Exists()) m_toolbar.UpdateCommands(*this, true);
}

bool VastrelMainDlg::ContinueModal() {
    if (m_toolbar.Visible()) UpdateToolbarCommands();
    return CResizingDialog::ContinueModal();
}

void VastrelMainDlg::CreateStatusBar() {
    RECT window = WindowRect();
    RECT client = ClientRect();
    RECT bar{0, client.bottom - 25, client.right, client.bottom};
    if (!m_statusBar.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, bar, Handle(), IDC_STATUS_BAR)) {
        ui::AppMessageBox("Status Bar not created!");
        return;
    }
    m_statusBar.SetMinHeight(25);
    m_statusBar.Send(WM_SIZE, 0, 0);
    int width = window.right - window.left;
    int edges[3] = {width / 4, width / 2, width - 20};
    m_statusBar.SetParts(3, edges);
    m_statusBar.SetPaneText(0, "Source files (0)");
    m_statusBar.SetPaneText(1, "Project size (0)");
    m_statusBar.SetPaneText(2, "");
}

void VastrelMainDlg::LoadMainSettings() { m_settings.Load(); }

void VastrelMainDlg::SetProjectTitle(const std::string& name) {
    m_title = name;
    SetText("Vastrel 2.0 - [ " + name + " ]");
}

void VastrelMainDlg::SetModified() { m_modified = 1; }

int VastrelMainDlg::OnCreate(CREATESTRUCTA*) {
    if (Default() == -1) return -1;
    CSplashWnd::ShowIfEnabled(Handle());
    return 0;
}

void VastrelMainDlg::OnShowWindow(bool showing) {
    // The project named on the command line, once.
    if (!showing || m_commandLineLoaded || commandLineProject.empty()) return;
    m_commandLineLoaded = true;
    LoadProject(commandLineProject);
}

void VastrelMainDlg::OnDestroy() {
    StopFill();
    // Off the window first, so that the window's end does not destroy it too.
    if (GetMenu(Handle()) == m_menu.Handle()) SetMenu(Handle(), nullptr);
    m_menu.DestroyMenu();
    ui::App* app = ui::App::Current();
    if (app && app->MainWindow() == Handle()) app->SetMainWindow(nullptr);
    Default();
}

void VastrelMainDlg::OnOK() { OnCloseRequest(); }

void VastrelMainDlg::OnCancel() { OnCloseRequest(); }

void VastrelMainDlg::OnCloseRequest() {
    // A loop of the window's own is running: it ends first.
    if (m_busy) return;
    if (m_modified) {
        int answer = ui::AppMessageBox("Would you like to save changes to the current project?",
                                       MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL) return;
        // Only a project that is saved now, or that the user chose not to
        // save, lets the window go.
        if (answer == IDYES && !OnSaveProject()) return;
    }
    StopFill();
    EndDialog(IDCANCEL);
}

void VastrelMainDlg::OnSysCommand(WPARAM id) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        return;
    }
    Default();
}

void VastrelMainDlg::OnInitMenuPopup(HMENU popup, bool systemMenu) {
    if (systemMenu) return;
    // Items other code changed are owner-drawn again before the enable pass.
    if (TamselMenu::IsOwnMenu(popup)) TamselMenu::ConvertPopup(popup);
    UpdateMenuCommandUI(popup);
}

void VastrelMainDlg::UpdateMenuCommandUI(HMENU menu) { UpdateMenuCommands(menu, false); }

LRESULT VastrelMainDlg::OnDrawItem(WPARAM, LPARAM l) {
    if (m_statusBar.Handle()) InvalidateRect(m_statusBar.Handle(), nullptr, TRUE);
    if (TamselMenu::RouteDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(l))) return TRUE;
    return Default();
}

LRESULT VastrelMainDlg::OnListRightClick(NMHDR*) {
    POINT screen{};
    GetCursorPos(&screen);
    // The row under the pointer, in the list's own coordinates.
    POINT inList = screen;
    ScreenToClient(m_list.Handle(), &inList);
    if (m_list.HitTest(inList) < 0) return 0;
    HMENU menu = LoadMenuA(ui::ResourceHandle(), MAKEINTRESOURCEA(IDR_LIST_MENU));
    if (!menu) return 0;
    if (HMENU popup = GetSubMenu(menu, 0)) ui::TrackPopup(popup, TPM_RIGHTBUTTON, screen, Handle());
    DestroyMenu(menu);
    return 0;
}

LRESULT VastrelMainDlg::OnToolTipText(NMHDR* header) {
    UINT_PTR id = header->idFrom;
    bool wide = header->code == TTN_GETDISPINFOW;
    UINT flags = wide ? reinterpret_cast<NMTTDISPINFOW*>(header)->uFlags : reinterpret_cast<NMTTDISPINFOA*>(header)->uFlags;
    if (flags & TTF_IDISHWND) id = static_cast<UINT_PTR>(GetDlgCtrlID(reinterpret_cast<HWND>(id)));
    if (id != 0) {
        std::string text = LoadResourceString(static_cast<UINT>(id), 255);
        if (wide) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
            CopyBoundedText(info->szText, sizeof info->szText / sizeof info->szText[0], text);
        } else {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
            CopyBoundedText(info->szText, sizeof info->szText, text);
        }
    }
    SetWindowPos(header->hwndFrom, HWND_TOP, 0, 0, 0, 0, SWP_NOOWNERZORDER | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    return 0;
}

// Commands and their enabled state.

void VastrelMainDlg::Command(UINT id, Gate gate, bool checkRule, void (VastrelMainDlg::*handler)()) {
    OnCommand(id, [this, id, gate, checkRule, handler] {
        if (gate == Gate::Reads && m_busy) return;
        if (gate == Gate::ChangesEntries && (m_busy || Filling())) return;
        if (checkRule && !CommandEnabled(id)) return;
        (this->*handler)();
    });
    if (gate == Gate::Reads) m_readCommands.push_back(id);
    if (gate == Gate::ChangesEntries) m_changingCommands.push_back(id);
}

bool VastrelMainDlg::GateAllows(UINT id) const {
    auto holds = [id](const std::vector<UINT>& ids) {
        for (UINT i : ids) {
            if (i == id) return true;
        }
        return false;
    };
    if (holds(m_changingCommands)) return !m_busy && !Filling();
    if (holds(m_readCommands)) return !m_busy;
    return true;
}

bool VastrelMainDlg::CommandEnabled(UINT id) {
    if (!GateAllows(id)) return false;
    int rows = m_list.GetItemCount();
    int selected = m_list.GetSelectedCount();
    switch (id) {
        case ID_PROJECT_REMOVE_ALL:
        case ID_PROJECT_DECRYPT:
        case ID_PROJECT_ENCRYPT:
        case ID_SORT_BY_NAME:
        case ID_SORT_BY_SIZE:
        case ID_PROJECT_SELF_EXTRACTOR:
        case ID_PROJECT_SHRED_ALL: return HasEntries();
        case ID_PROJECT_REMOVE_FILE:
        case ID_EDIT_CLEAR_SELECTION:
        case ID_SELECTION_SHRED: return selected >= 1;
        case ID_EDIT_SELECT_ALL: return rows > 0 && selected < rows;
        case ID_SELECTION_PROPERTIES: return selected == 1;
        case ID_SELECTION_ENCRYPT: {
            const ProjectEntry* entry = SingleSelectedEntry();
            return entry && !Vastrel2::Utils::IsEncryptedFile(entry->path);
        }
        case ID_SELECTION_DECRYPT:
        case ID_SELECTION_VIEW_HINT:
        case ID_SELECTION_VIEW_NAME: {
            const ProjectEntry* entry = SingleSelectedEntry();
            return entry && Vastrel2::Utils::IsEncryptedFile(entry->path);
        }
        case ID_FILE_SAVE_PROJECT: return m_modified != 0;
        case ID_FILE_CLOSE_PROJECT: return m_title != "Untitled";
        default: return true;
    }
}

void VastrelMainDlg::UpdateCommand(ui::CommandState& state) {
    if (HasCommandHandler(state.Id())) state.Enable(CommandEnabled(state.Id()));
}

// Commands that hand the project to other dialogs.

void VastrelMainDlg::OnEncryptProject() { RunEncryptionDialog(0); }

void VastrelMainDlg::OnDecryptProject() { RunEncryptionDialog(1); }

void VastrelMainDlg::RunEncryptionDialog(int mode) {
    int rows = m_list.GetItemCount();
    if (rows == 0) {
        ui::AppMessageBox(mode == 0 ? "No files to encrypt!" : "No files to decrypt!", MB_ICONINFORMATION);
        return;
    }
    DonationReminder();
    auto dlg = std::make_unique<CEncryptionDlg>(rows, static_cast<uint32_t>(m_projectSize),
                                                static_cast<uint32_t>(m_projectSize >> 32), &m_list, &m_dirRead, mode,
                                                m_settings.obfuscateOn, m_settings.summaryOn, Handle());
    m_runningEncryption = dlg.get();
    dlg->DoModal();
    m_runningEncryption = nullptr;
    dlg.reset();
    SaveNamedProject();
}

void VastrelMainDlg::SaveNamedProject() {
    if (m_title != "Untitled" && !m_projectPath.empty()) SaveProject(m_projectPath);
}

void VastrelMainDlg::OnSelfExtractor() {
    bool destroyed = false;
    auto dlg = std::make_unique<CSelfextractorDlg>(m_list.GetItemCount(), static_cast<uint32_t>(m_projectSize),
                                                   static_cast<uint32_t>(m_projectSize >> 32), &m_list, &m_dirRead,
                                                   m_settings.obfuscateOn, m_settings.summaryOn, &destroyed, Handle());
    dlg->DoModal();
    dlg.reset();
    if (destroyed) {
        ClearProject();
        UpdateProjectTotals();
        m_modified = 1;
    }
}

void VastrelMainDlg::OnEncryptSelection() { RunQuickCipher(0); }

void VastrelMainDlg::OnDecryptSelection() { RunQuickCipher(1); }

void VastrelMainDlg::RunQuickCipher(int mode) {
    std::vector<int> selection = SelectedRows();
    auto dlg = std::make_unique<QuickCipherDlg>(&selection, &m_list, &m_dirRead, mode, m_settings.obfuscateOn,
                                                m_settings.summaryOn, nullptr);
    dlg->DoModal();
    dlg.reset();
    SaveNamedProject();
}

void VastrelMainDlg::OnViewHint() {
    const ProjectEntry* entry = SingleSelectedEntry();
    if (!entry) return;
    ui::AppMessageBox(Vastrel2::Utils::GetHint(entry->path), MB_ICONINFORMATION);
}

void VastrelMainDlg::OnViewOriginalName() {
    const ProjectEntry* entry = SingleSelectedEntry();
    if (!entry) return;
    std::string name;
    if (RevealOriginalName(entry->path, name)) {
        ui::AppMessageBox(name, MB_ICONINFORMATION);
    } else if (name == "Incorrect Password!") {
        // A cancelled prompt needs no answer; a wrong password does.
        ui::AppMessageBox(name, MB_ICONERROR);
    }
}

void VastrelMainDlg::OnProperties() {
    const ProjectEntry* entry = SingleSelectedEntry();
    if (!entry) return;
    int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    auto column = [&](int i) { return m_list.GetItemText(row, i).substr(0, 255); };
    std::string status = Vastrel2::Utils::IsEncryptedFile(entry->path) ? "Encrypted" : "Plain";
    CFilePropertiesDlg dlg(column(0), column(3), column(1), column(2), status, nullptr);
    dlg.DoModal();
}

void VastrelMainDlg::OnOptions() {
    Propertiesdlg dlg(m_shredder.get(), &m_settings, nullptr);
    dlg.DoModal();
}

void VastrelMainDlg::OnHelp() { CHelpLauncher().ShowHelp(); }

void VastrelMainDlg::OnFaq() { CHelpLauncher().OpenUrl(std::string(kVastrelWebSite) + kFaqPage); }

void VastrelMainDlg::OnCheckForUpdates() {
    Vastrel2::Utils::CUpdateCheck().CheckForUpdate(Vastrel2::Utils::kUpdateTextUrl, TRUE);
}

void VastrelMainDlg::OnAbout() {
    CAboutDlg dlg;
    dlg.DoModal();
}

void VastrelMainDlg::OnEnableIntegration() { RegisterShellExtension(true); }

void VastrelMainDlg::OnDisableIntegration() { RegisterShellExtension(false); }
