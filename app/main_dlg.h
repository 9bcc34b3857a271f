#pragma once
// The main window of Vastrel: the project's files in a list, a menu, a
// status bar with the totals, and the commands that build, save and load
// projects and hand them to the encryption, decryption, shredding and
// self-extractor dialogs.
//
// Row i of the list always shows entry i of the folder reader; every
// operation keeps the two in the same order and number. After a project is
// loaded, merged or sorted, a worker thread rebuilds the rows from the
// entries. While it runs the entries stay unchanged: commands that change
// them are disabled and refused, and whatever must change them anyway (a
// load, a drop, closing the window) first waits for the thread while the
// thread's messages to the list keep being answered.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_settings.h"
#include "core/dir_read.h"
#include "core/secure_delete.h"
#include "framework/controls.h"
#include "ui/drag_drop_list.h"
#include "framework/gdi.h"
#include "framework/ole.h"
#include "ui/progress_wnd.h"
#include "ui/main_toolbar.h"
#include "ui/resizing_dialog.h"
#include "ui/tamsel_menu.h"

class CEncryptionDlg;

class VastrelMainDlg : public CResizingDialog, public DropListOwner {
public:
    explicit VastrelMainDlg(HWND parent = nullptr);
    ~VastrelMainDlg() override;

    // Set by start-up before the window runs: the project loaded when the
    // window is first shown.
    std::string commandLineProject;

    // The drop list's owner: called for every dropped path, in this order.
    void SetModified() override;
    void AddDroppedFile(std::string path) override;

    void EnableToolbar(bool enable);
    // The enable pass over the toolbar's buttons (the modal loop runs it on
    // every turn while the toolbar shows).
    void UpdateToolbarCommands();

    // The project.
    void SetProjectTitle(const std::string& name);
    bool SaveProject(const std::string& path);
    void LoadProject(const std::string& path);
    void ClearProject();
    void UpdateProjectTotals();
    bool HasEntries() const { return !m_dirRead.files.empty(); }
    bool IsInProject(const std::string& path) const;
    bool AddProjectRow(const std::string& path, const std::string& name, int row, uint32_t sizeLow,
                       uint32_t sizeHigh, uint32_t attributes);
    void AddFolder(const std::string& path);
    void AddFolderFiles(const std::string& path);

    // What the project holds, for the dialogs and the tests.
    const std::vector<ProjectEntry>& Entries() const { return m_dirRead.files; }
    const std::string& ProjectPath() const { return m_projectPath; }
    const std::string& Title() const { return m_title; }
    bool Modified() const { return m_modified != 0; }
    uint64_t ProjectSize() const { return m_projectSize; }
    MainSettings& Settings() { return m_settings; }
    DragDropList& List() { return m_list; }
    CProgressWnd& Progress() { return m_progress; }

    // True while the worker thread rebuilds the rows.
    bool Filling() const;
    // Waits for a running fill to end; the thread's messages to the window
    // keep being answered meanwhile.
    void WaitForFill();

    // The status bar's text of one pane.
    std::string StatusText(int pane) const { return m_statusBar.GetPaneText(pane); }
    CMainToolBar& Toolbar() { return m_toolbar; }
    TamselMenu& Menu() { return m_menu; }

    // The worker thread that rebuilds every row from the entries.
    struct FillCell {
        VastrelMainDlg* window = nullptr;
    };
    static UINT FillProjectListThread(FillCell* cell);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;
    // Enter and Esc close the window the way its close box does.
    void OnOK() override;
    void OnCancel() override;
    bool ContinueModal() override;

private:
    // The fill thread's messages: it begins, hands over rows, ends, and has
    // ended (posted, for its handle).
    static constexpr UINT kFillDoneMessage = WM_APP + 1;
    static constexpr UINT kFillBeginMessage = WM_APP + 2;  // wParam: the entry count
    static constexpr UINT kFillRowsMessage = WM_APP + 3;   // lParam: a FillBatch*
    static constexpr UINT kFillEndMessage = WM_APP + 4;

    // Which commands may run while the window is busy.
    enum class Gate {
        Always,          // help and web pages, the update check, the integration switch
        Reads,           // reads rows or entries: not while a loop of the window runs
        ChangesEntries,  // not while a loop runs, nor while the rows are being filled
    };
    void Command(UINT id, Gate gate, bool checkRule, void (VastrelMainDlg::*handler)());
    bool GateAllows(UINT id) const;
    bool CommandEnabled(UINT id);
    void UpdateCommand(ui::CommandState& state);

    // Start-up.
    void LoadMainSettings();
    void CreateStatusBar();
    void CreateToolbar();
    void FitListAboveStatusBar();

    // Messages.
    int OnCreate(CREATESTRUCTA* cs);
    void OnShowWindow(bool showing);
    void OnDestroy();
    void OnCloseRequest();
    void OnSysCommand(WPARAM id);
    void OnInitMenuPopup(HMENU popup, bool systemMenu);
    void UpdateMenuCommandUI(HMENU menu);
    LRESULT OnListRightClick(NMHDR* header);
    LRESULT OnToolTipText(NMHDR* header);
    LRESULT OnDrawItem(WPARAM w, LPARAM l);
    void OnFillDone();

    // Commands of the main window.
    void OnEncryptProject();
    void OnDecryptProject();
    void RunEncryptionDialog(int mode);
    void OnSelfExtractor();
    void OnEncryptSelection();
    void OnDecryptSelection();
    void RunQuickCipher(int mode);
    void OnViewHint();
    void OnViewOriginalName();
    void OnProperties();
    void OnOptions();
    void OnHelp();
    void OnFaq();
    void OnCheckForUpdates();
    void OnAbout();
    void OnEnableIntegration();
    void OnDisableIntegration();
    void RegisterShellExtension(bool enable);
    void DonationReminder();

    // The project list.
    void AddProjectFile();
    void AddFoundFile(const std::string& path);
    void OnAddFolder();
    void SearchEncryptedFiles();
    void RemoveSelectedFiles();
    void OnRemoveAll();
    void OnDeleteFromProject();
    LRESULT OnListKeyDown(NMHDR* header);
    void OnSelectAll();
    void OnClearSelection();
    void OnSortByName();
    void OnSortBySize();
    void SortProject(int kind, uint8_t& flag);
    LRESULT OnListColumnClick(NMHDR* header);
    void ShredSelectedFiles(bool selectedOnly);
    void OnShredSelected() { ShredSelectedFiles(true); }
    void OnShredAll() { ShredSelectedFiles(false); }
    LRESULT OnListCustomDraw(NMHDR* header);
    bool AskBeforeRemoving(const std::string& caption);
    // The texts of one row, and whether its file opens: made wherever the
    // file may be opened, put into the list on the window's thread.
    struct PreparedRow {
        std::string name;
        std::string size;
        std::string attributes;
        std::string folder;
        bool unreadable = false;
    };
    static PreparedRow PrepareRow(const std::string& path, const std::string& name, uint64_t size,
                                  uint32_t attributes);
    void InsertPreparedRow(int row, const PreparedRow& prepared);
    // Runs work on a worker thread while this thread goes on answering its
    // messages; the window is busy meanwhile, so no command interferes.
    // The work must not send messages to the window's thread.
    void RunWhilePumping(const std::function<void()>& work);
    void StartFill();
    void StopFill();
    struct FillBatch {
        std::vector<PreparedRow> rows;
        size_t done = 0;       // entries handed over so far
        std::string lastName;  // the stored name of the last of them
    };
    void FillRows();
    void OnFillBegin(size_t count);
    void OnFillRows(const FillBatch& batch);
    void OnFillEnd();
    void HideProgressCancel();
    std::vector<int> SelectedRows() const;
    // The entry shown by the one selected row, or null.
    const ProjectEntry* SingleSelectedEntry() const;

    // Project files.
    void MergeProject();
    void OnNewProject();
    void OpenProject();
    bool OnSaveProject();
    void OnSaveProjectCommand() { OnSaveProject(); }
    void OnSaveProjectAs();
    // Saves to a newly chosen file, which becomes the project's file.
    bool SaveProjectTo(const std::string& path);
    // A named project is saved again after the dialogs that change its files.
    void SaveNamedProject();
    void OnCloseProject();
    // The question before a command replaces the project: false when the
    // command must stop (Cancel, or a Yes whose save did not happen).
    bool AskToSaveProject();
    void RedrawProject();

    DragDropList m_list;
    CMainToolBar m_toolbar;
    ui::StatusBar m_statusBar;
    ui::ImageList m_toolbarImages;
    CProgressWnd m_progress;
    ui::ImageList m_toolbarDisabledImages;
    // The dialog of an encryption or decryption run while it is open.
    CEncryptionDlg* m_runningEncryption = nullptr;
    uint64_t m_projectSize = 0;
    int m_modified = 0;
    std::string m_projectPath;
    std::string m_title;
    CSADirRead m_dirRead;
    uint8_t m_sortByName = 1;
    uint8_t m_sortBySize = 1;
    std::unique_ptr<CSecureDelete> m_shredder;
    std::unique_ptr<FillCell> m_fillCell;
    HANDLE m_fillThread = nullptr;
    std::atomic<bool> m_stopFill{false};
    bool m_fillSlow = false;
    MainSettings m_settings;
    HICON m_icon = nullptr;
    HICON m_smallIcon = nullptr;
    TamselMenu m_menu;
    std::unique_ptr<ui::OleSession> m_ole;
    // Nesting depth of the window's own loops (adding a folder, searching,
    // shredding), which pump messages between files.
    int m_busy = 0;
    bool m_commandLineLoaded = false;
    // The commands by what they wait for (the others run at any time).
    std::vector<UINT> m_readCommands;
    std::vector<UINT> m_changingCommands;

    // Marks the window busy while one of its loops runs.
    class BusyScope {
    public:
        explicit BusyScope(VastrelMainDlg* window) : m_window(window) { ++m_window->m_busy; }
        ~BusyScope() { --m_window->m_busy; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        VastrelMainDlg* m_window;
    };
};
