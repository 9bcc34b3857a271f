// The project list: how files get into the project and leave it, how the
// rows look, sorting, shredding, and the worker thread that rebuilds the
// rows from the entries.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <unordered_set>

#include "app/main_dlg.h"
#include "framework/app.h"
#include "framework/prompts.h"
#include "platform/file.h"
#include "ui/dialog_helpers.h"
#include "vastrel/resource.h"

namespace {

// The fill hands over rows after this many, or after this long.
constexpr size_t kFillBatchRows = 512;
constexpr DWORD kFillBatchMilliseconds = 30;
// The progress window's Cancel button.
constexpr int kProgressCancelId = 10;
// Up to this many entries a fill neither steps the progress bar nor names them.
constexpr size_t kQuietFillLimit = 100;

// "r", "a", "h", "s" for read-only, archive, hidden and system; "-" for a clear bit.
std::string AttributeLetters(uint32_t attributes) {
    std::string text;
    text += (attributes & kAttrReadOnly) ? 'r' : '-';
    text += (attributes & kAttrArchive) ? 'a' : '-';
    text += (attributes & kAttrHidden) ? 'h' : '-';
    text += (attributes & kAttrSystem) ? 's' : '-';
    return text;
}

// A long loop shows its progress a few dozen times a second, not once per
// item: painting the progress and the totals for every file would cost far
// more than the work itself.
class Pace {
public:
    bool Due() {
        DWORD now = GetTickCount();
        if (!m_started || now - m_last >= kInterval) {
            m_started = true;
            m_last = now;
            return true;
        }
        return false;
    }

private:
    static constexpr DWORD kInterval = 40;
    bool m_started = false;
    DWORD m_last = 0;
};

}  // namespace

bool VastrelMainDlg::AddProjectRow(const std::string& path, const std::string& name, int row, uint32_t sizeLow,
                                   uint32_t sizeHigh, uint32_t attributes) {
    InsertPreparedRow(row, PrepareRow(path, name, (static_cast<uint64_t>(sizeHigh) << 32) | sizeLow, attributes));
    UpdateProjectTotals();
    return true;
}

VastrelMainDlg::PreparedRow VastrelMainDlg::PrepareRow(const std::string& path, const std::string& name,
                                                       uint64_t size, uint32_t attributes) {
    PreparedRow row;
    row.name = name;
    row.size = FormatFileSize(size);
    row.attributes = AttributeLetters(attributes);
    row.folder = platform::FolderPart(path);
    // Rows of files that cannot be opened are drawn in red.
    CFile file;
    row.unreadable = !file.Open(path, CFile::modeRead | CFile::shareDenyNone);
    return row;
}

void VastrelMainDlg::InsertPreparedRow(int row, const PreparedRow& prepared) {
    int index = m_list.InsertItem(row, prepared.name, prepared.unreadable ? 1 : 0);
    if (index < 0) return;
    m_list.SetItemText(index, 1, prepared.size);
    m_list.SetItemText(index, 2, prepared.attributes);
    m_list.SetItemText(index, 3, prepared.folder);
}

void VastrelMainDlg::UpdateProjectTotals() {
    char files[64];
    std::snprintf(files, sizeof files, "Source files (%d)", static_cast<int>(m_dirRead.files.size()));
    m_statusBar.SetPaneText(0, files);
    m_projectSize = m_dirRead.total;
    m_statusBar.SetPaneText(1, "Project size (" + FormatFileSize(m_projectSize) + ")");
    m_statusBar.SetPaneText(2, "");
}

void VastrelMainDlg::ClearProject() {
    StopFill();
    m_projectSize = 0;
    m_list.DeleteAllItems();
    m_dirRead.ClearFolderList();
    m_dirRead.ClearFileList();
    m_modified = 0;
}

bool VastrelMainDlg::IsInProject(const std::string& path) const {
    for (const ProjectEntry& entry : m_dirRead.files) {
        if (entry.path == path) return true;
    }
    return false;
}

std::vector<int> VastrelMainDlg::SelectedRows() const {
    std::vector<int> rows;
    for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = m_list.GetNextItem(row, LVNI_SELECTED)) {
        rows.push_back(row);
    }
    return rows;
}

const ProjectEntry* VastrelMainDlg::SingleSelectedEntry() const {
    if (m_list.GetSelectedCount() != 1) return nullptr;
    int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0 || static_cast<size_t>(row) >= m_dirRead.files.size()) return nullptr;
    return &m_dirRead.files[static_cast<size_t>(row)];
}

void VastrelMainDlg::HideProgressCancel() {
    if (HWND button = GetDlgItem(m_progress.Handle(), kProgressCancelId)) ShowWindow(button, SW_HIDE);
}

// Adding files.

void VastrelMainDlg::AddProjectFile() {
    ui::PickerRequest request;
    request.kind = ui::PickerKind::OpenFile;
    request.owner = Handle();
    request.title = "Add file";
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    std::string path;
    if (!ui::PickFile(request, path)) return;
    AddFoundFile(path);
    m_modified = 1;
}

void VastrelMainDlg::AddFoundFile(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    FindClose(search);
    ProjectEntry entry;
    entry.path = path;
    entry.name = platform::FileNamePart(path);
    // As the folder scan gives them: a file with only the "normal" bit has none.
    entry.attributes = found.dwFileAttributes == FILE_ATTRIBUTE_NORMAL ? 0 : found.dwFileAttributes;
    entry.size = found.nFileSizeLow;
    if (IsInProject(path)) {
        ui::MessageBoxFor(Handle(), "File already in project", "Vastrel 2", MB_ICONINFORMATION);
        return;
    }
    // The entry first, so that no row is ever without its entry.
    m_dirRead.AddEntry(entry);
    AddProjectRow(path, entry.name, m_list.GetItemCount(), entry.size, 0, entry.attributes);
    UpdateProjectTotals();
}

void VastrelMainDlg::AddDroppedFile(std::string path) {
    // Inside one of the window's own loops nothing is added, so the loop's
    // rows and entries stay in step.
    if (m_busy) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    WaitForFill();
    CFileStatus status;
    if (CFile::GetStatus(path, status) && (status.m_attribute & kAttrDirectory)) {
        AddFolder(path);
        return;
    }
    AddFoundFile(path);
}

void VastrelMainDlg::OnAddFolder() {
    std::string path;
    if (ui::PickFolder(Handle(), "Pick a Directory", path)) AddFolder(path);
}

void VastrelMainDlg::AddFolder(const std::string& path) {
    HideProgressCancel();
    AddFolderFiles(path);
    UpdateProjectTotals();
    m_modified = 1;
}

void VastrelMainDlg::AddFolderFiles(const std::string& path) {
    BusyScope busy(this);
    ui::WaitCursor wait;
    m_list.Send(WM_SETREDRAW, FALSE);
    m_statusBar.SetPaneText(2, "Searching...");
    // The folder is walked beside the window, which stays responsive meanwhile.
    CSADirRead found;
    RunWhilePumping([&] {
        found.CollectFolders(path.c_str(), true);
        found.ClearFileList();
        found.CollectFiles("*.*", true, false);
        found.SetRelativeNames(path);
    });
    size_t count = found.files.size();
    m_list.SetItemCount(m_list.GetItemCount() + static_cast<int>(count));

    m_progress.SetPos(0);
    m_progress.Show();
    EnableToolbar(false);
    m_progress.SetRange(0, static_cast<int>(count), 1);
    // Paths already in the project are skipped; one look-up each.
    std::unordered_set<std::string> known;
    known.reserve(m_dirRead.files.size() + count);
    for (const ProjectEntry& entry : m_dirRead.files) known.insert(entry.path);
    Pace pace;
    for (size_t i = 0; i < count; ++i) {
        const ProjectEntry& file = found.files[i];
        std::string name = platform::FileNamePart(file.path);
        if (pace.Due() || i + 1 == count) {
            m_progress.SetText("Loading...\n" + name);
            m_progress.SetPos(static_cast<int>(i + 1));
            UpdateProjectTotals();
            m_progress.PeekAndPump(TRUE);
        }
        if (!known.insert(file.path).second) continue;
        m_dirRead.AddEntry(file);
        InsertPreparedRow(m_list.GetItemCount(), PrepareRow(file.path, name, file.size, file.attributes));
    }

    m_statusBar.SetPaneText(2, "");
    m_list.Send(WM_SETREDRAW, TRUE);
    InvalidateRect(m_list.Handle(), nullptr, TRUE);
    UpdateProjectTotals();
    m_progress.Hide();
    EnableToolbar(true);
}

void VastrelMainDlg::SearchEncryptedFiles() {
    std::string folder;
    if (!ui::PickFolder(Handle(), "Search directory", folder)) return;
    if (!AskToSaveProject()) return;
    StopFill();
    BusyScope busy(this);
    m_list.Send(WM_SETREDRAW, FALSE);
    m_list.DeleteAllItems();
    m_projectSize = 0;
    m_dirRead.ClearFolderList();
    m_dirRead.ClearFileList();
    CSADirRead found;
    RunWhilePumping([&] {
        found.CollectFolders(folder.c_str(), true);
        found.CollectFiles("*.*~enc", true, false);
        found.SetRelativeNames(folder);
    });
    m_dirRead.baseFolder = found.baseFolder;
    m_dirRead.folders.swap(found.folders);
    m_dirRead.files.swap(found.files);
    m_dirRead.total = found.total;
    size_t count = m_dirRead.files.size();
    if (count == 0) ui::AppMessageBox("No files found!", MB_ICONINFORMATION);

    m_progress.SetPos(0);
    m_progress.SetRange(0, static_cast<int>(count), 1);
    m_progress.Show();
    Pace pace;
    for (size_t i = 0; i < count; ++i) {
        const ProjectEntry& file = m_dirRead.files[i];
        std::string name = platform::FileNamePart(file.path);
        InsertPreparedRow(m_list.GetItemCount(), PrepareRow(file.path, name, file.size, file.attributes));
        if (pace.Due() || i + 1 == count) {
            m_progress.SetText("Loading...\n" + name);
            m_progress.SetPos(static_cast<int>(i + 1));
            UpdateProjectTotals();
            m_progress.PeekAndPump(TRUE);
        }
    }
    m_progress.Hide();
    m_list.Send(WM_SETREDRAW, TRUE);
    InvalidateRect(m_list.Handle(), nullptr, TRUE);
    UpdateProjectTotals();
    // The list found is a new project: saving it asks for a new file, so the
    // project that was open keeps its own list.
    SetProjectTitle("Untitled");
    m_projectPath.clear();
    m_modified = 1;
}

void VastrelMainDlg::RunWhilePumping(const std::function<void()>& work) {
    HANDLE thread = ui::StartThread([](void* w) { (*static_cast<const std::function<void()>*>(w))(); },
                                    const_cast<std::function<void()>*>(&work));
    if (!thread) {
        work();
        return;
    }
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1) break;
        if (!ui::PumpWaitingMessages()) {
            // The program is quitting: the quit stays queued for its loop.
            WaitForSingleObject(thread, INFINITE);
            break;
        }
    }
    CloseHandle(thread);
}

// Removing files.

void VastrelMainDlg::RemoveSelectedFiles() {
    std::vector<int> rows = SelectedRows();
    if (rows.empty()) {
        ui::AppMessageBox("No items were selected!", MB_ICONINFORMATION);
        return;
    }
    // Each row takes the entry of its own index with it, from the last up,
    // so a path listed twice loses exactly the entry whose row went.
    m_list.Send(WM_SETREDRAW, FALSE);
    int above = rows.front() - 1;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        m_dirRead.RemoveEntry(*it);
        m_list.DeleteItem(*it);
    }
    if (above >= 0) m_list.SetItemState(above, LVIS_SELECTED, LVIS_SELECTED);
    m_list.Send(WM_SETREDRAW, TRUE);
    InvalidateRect(m_list.Handle(), nullptr, TRUE);
    UpdateProjectTotals();
    m_modified = 1;
}

bool VastrelMainDlg::AskBeforeRemoving(const std::string& caption) {
    if (m_settings.SWWD.Get() != 0) return true;
    return ui::MessageBoxFor(Handle(), "Are you sure you want to remove file?", caption, MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

void VastrelMainDlg::OnDeleteFromProject() {
    if (AskBeforeRemoving("Vastrel 2")) RemoveSelectedFiles();
}

LRESULT VastrelMainDlg::OnListKeyDown(NMHDR* header) {
    auto* key = reinterpret_cast<NMLVKEYDOWN*>(header);
    if (key->wVKey != VK_DELETE || !GateAllows(ID_PROJECT_REMOVE_FILE)) return 0;
    if (AskBeforeRemoving("Vastrel 2")) RemoveSelectedFiles();
    return 0;
}

void VastrelMainDlg::OnRemoveAll() {
    if (m_list.GetItemCount() == 0) {
        ui::AppMessageBox("No files to clear!", MB_ICONINFORMATION);
        return;
    }
    if (m_settings.SWWD.Get() == 0 &&
        ui::AppMessageBox("Are you sure you want to clear all files?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    ClearProject();
    UpdateProjectTotals();
    m_modified = 1;
}

void VastrelMainDlg::OnSelectAll() { m_list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED); }

void VastrelMainDlg::OnClearSelection() { m_list.SetItemState(-1, 0, LVIS_SELECTED); }

// Sorting.

void VastrelMainDlg::OnSortByName() { SortProject(CSADirRead::kSortByPath, m_sortByName); }

void VastrelMainDlg::OnSortBySize() { SortProject(CSADirRead::kSortBySize, m_sortBySize); }

void VastrelMainDlg::SortProject(int kind, uint8_t& descending) {
    if (!HasEntries()) return;
    StopFill();
    m_dirRead.SortFiles(kind, descending != 0);
    StartFill();
    descending = descending ? 0 : 1;
}

LRESULT VastrelMainDlg::OnListColumnClick(NMHDR* header) {
    int column = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
    if (column == 0 && GateAllows(ID_SORT_BY_NAME)) OnSortByName();
    if (column == 1 && GateAllows(ID_SORT_BY_SIZE)) OnSortBySize();
    return 0;
}

// Shredding.

void VastrelMainDlg::ShredSelectedFiles(bool selectedOnly) {
    int count = selectedOnly ? m_list.GetSelectedCount() : m_list.GetItemCount();
    if (count <= 0) return;
    if (ui::MessageBoxFor(Handle(), "Shredding files cannot be undone! Are you sure you want to continue?",
                          "Vastrel 2.0", MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
        return;
    }
    BusyScope busy(this);
    ui::WaitCursor wait;
    m_progress.SetPos(0);
    HideProgressCancel();
    m_progress.SetRange(0, count, 1);
    m_progress.Show();

    std::vector<int> rows;
    UINT which = selectedOnly ? LVNI_SELECTED : LVNI_ALL;
    for (int row = m_list.GetNextItem(-1, which); row >= 0 && static_cast<int>(rows.size()) < count;
         row = m_list.GetNextItem(row, which)) {
        rows.push_back(row);
    }
    // The file shown by the row is the one destroyed: the entry of its index.
    std::vector<int> shredded;
    std::string overwritten;
    for (int row : rows) {
        if (static_cast<size_t>(row) >= m_dirRead.files.size()) continue;
        std::string path = m_dirRead.files[static_cast<size_t>(row)].path;
        m_progress.SetText("Shredding...\n\n" + path);
        m_progress.StepIt();
        m_progress.PeekAndPump(TRUE);
        ShredRemnant remnant;
        const ShredOutcome outcome = m_shredder->Shred(path, &remnant);
        if (outcome == ShredOutcome::kDestroyed) shredded.push_back(row);
        // Its row stays, but the file no longer holds what it held; the
        // shredder may have moved it to one of its own names.
        if (outcome == ShredOutcome::kOverwritten) {
            overwritten += "\n" + path;
            if (!remnant.path.empty() && remnant.path != path) overwritten += " (now " + remnant.path + ")";
        }
    }
    for (auto it = shredded.rbegin(); it != shredded.rend(); ++it) {
        m_dirRead.RemoveEntry(*it);
        m_list.DeleteItem(*it);
    }
    m_progress.Hide();
    UpdateProjectTotals();
    // The project lost files: it differs from what was saved.
    if (!shredded.empty()) m_modified = 1;
    if (!overwritten.empty()) {
        ui::AppMessageBox("These files were overwritten but could not be removed:" + overwritten, MB_ICONEXCLAMATION);
    }
}

LRESULT VastrelMainDlg::OnListCustomDraw(NMHDR* header) {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
        case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            draw->clrText = draw->nmcd.lItemlParam != 0 ? RGB(255, 0, 0) : RGB(0, 0, 0);
            return CDRF_DODEFAULT;
        default: return 0;
    }
}

// The fill thread.

void VastrelMainDlg::StartFill() {
    StopFill();
    m_stopFill = false;
    m_fillCell->window = this;
    m_fillThread = ui::StartThread([](void* cell) { FillProjectListThread(static_cast<FillCell*>(cell)); },
                                   m_fillCell.get());
    // Without a thread the rows are filled here.
    if (!m_fillThread) FillRows();
}

UINT VastrelMainDlg::FillProjectListThread(FillCell* cell) {
    VastrelMainDlg* window = cell->window;
    window->FillRows();
    PostMessageA(window->Handle(), kFillDoneMessage, 0, 0);
    return 0;
}

void VastrelMainDlg::FillRows() {
    // Runs on the worker, which opens the files and makes the texts. The
    // list and the progress window are the window thread's: they change in
    // the handlers of the messages sent from here, which that thread answers.
    const std::vector<ProjectEntry>& files = m_dirRead.files;
    size_t count = files.size();
    SendMessageA(Handle(), kFillBeginMessage, count, 0);
    FillBatch batch;
    DWORD batchStart = GetTickCount();
    for (size_t i = 0; i < count && !m_stopFill; ++i) {
        const ProjectEntry& entry = files[i];
        batch.rows.push_back(PrepareRow(entry.path, platform::FileNamePart(entry.path), entry.size, entry.attributes));
        bool last = i + 1 == count;
        if (!last && batch.rows.size() < kFillBatchRows && GetTickCount() - batchStart < kFillBatchMilliseconds) continue;
        batch.done = i + 1;
        batch.lastName = entry.name;
        SendMessageA(Handle(), kFillRowsMessage, 0, reinterpret_cast<LPARAM>(&batch));
        batch.rows.clear();
        batchStart = GetTickCount();
    }
    SendMessageA(Handle(), kFillEndMessage, 0, 0);
}

void VastrelMainDlg::OnFillBegin(size_t count) {
    m_list.DeleteAllItems();
    m_progress.SetPos(0);
    HideProgressCancel();
    m_progress.SetRange(0, static_cast<int>(count), 1);
    m_progress.Show();
    m_fillSlow = count > kQuietFillLimit;
    if (m_fillSlow) EnableToolbar(false);
    m_list.SetItemCount(static_cast<int>(count));
    m_list.Send(WM_SETREDRAW, FALSE);
}

void VastrelMainDlg::OnFillRows(const FillBatch& batch) {
    // Each row goes to the end: row i for entry i.
    for (const PreparedRow& row : batch.rows) InsertPreparedRow(m_list.GetItemCount(), row);
    if (m_fillSlow) {
        m_progress.SetText("Sorting...\n" + batch.lastName);
        m_progress.SetPos(static_cast<int>(batch.done));
    }
}

void VastrelMainDlg::OnFillEnd() {
    m_list.Send(WM_SETREDRAW, TRUE);
    InvalidateRect(m_list.Handle(), nullptr, TRUE);
    m_progress.Hide();
    EnableToolbar(true);
}

bool VastrelMainDlg::Filling() const {
    return m_fillThread && WaitForSingleObject(m_fillThread, 0) == WAIT_TIMEOUT;
}

void VastrelMainDlg::WaitForFill() {
    if (!m_fillThread) return;
    // The thread sends its rows to the list and its steps to the progress
    // window, so this thread answers them while it waits, and keeps its
    // windows painted.
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &m_fillThread, FALSE, INFINITE, QS_SENDMESSAGE | QS_PAINT);
        if (woken != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        for (int n = 0; n < 64 && PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT); ++n) {
            DispatchMessageA(&msg);
        }
    }
    CloseHandle(m_fillThread);
    m_fillThread = nullptr;
}

void VastrelMainDlg::StopFill() {
    if (!m_fillThread) return;
    m_stopFill = true;
    WaitForFill();
    m_stopFill = false;
}

void VastrelMainDlg::OnFillDone() {
    if (m_fillThread && WaitForSingleObject(m_fillThread, 0) == WAIT_OBJECT_0) {
        CloseHandle(m_fillThread);
        m_fillThread = nullptr;
    }
}
