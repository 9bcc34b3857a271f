// The project file commands of the main window: new, open, save, save as,
// close and merge, and the question before a project is replaced.
#include <windows.h>

#include <commdlg.h>

#include "app/main_dlg.h"
#include "app/project_file.h"
#include "framework/prompts.h"
#include "platform/file.h"

namespace {

// The file dialogs of project files.
ui::PickerRequest ProjectPicker(ui::PickerKind kind, HWND owner, const std::string& title) {
    ui::PickerRequest request;
    request.kind = kind;
    request.owner = owner;
    request.title = title;
    request.filter = "Vastrel 2.0 Project(*.ecl) |*.ecl ||";
    request.defaultExt = "ecl";
    request.initialName = "*.ecl";
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    return request;
}

}  // namespace

bool VastrelMainDlg::SaveProject(const std::string& path) {
    std::string name;
    project::WriteResult result = project::WriteFile(path, m_dirRead.files, &name);
    if (result != project::WriteResult::NotOpened) SetProjectTitle(name);
    if (result != project::WriteResult::Ok) {
        ui::AppMessageBox("Failed to save project", MB_ICONERROR);
        return false;
    }
    m_modified = 0;
    return true;
}

void VastrelMainDlg::LoadProject(const std::string& path) {
    // Read in full before anything changes: a file that is no project
    // leaves the open one as it was.
    std::vector<ProjectEntry> entries;
    switch (project::ReadFile(path, entries)) {
        case project::ReadResult::NotOpened: return;
        case project::ReadResult::Damaged: ui::AppMessageBox("Failed to open project", MB_ICONERROR); return;
        case project::ReadResult::Ok: break;
    }
    ClearProject();
    SetProjectTitle(platform::FileNamePart(path));
    for (ProjectEntry& entry : entries) m_dirRead.AddEntry(std::move(entry));
    StartFill();
    UpdateProjectTotals();
    m_projectPath = path;
    RedrawProject();
}

void VastrelMainDlg::MergeProject() {
    std::string path;
    if (!ui::PickFile(ProjectPicker(ui::PickerKind::OpenFile, Handle(), "Add Vastrel Project"), path)) return;
    if (platform::FileNamePart(path) == m_title) {
        ui::AppMessageBox("Project already open", MB_ICONERROR);
        return;
    }
    std::vector<ProjectEntry> entries;
    switch (project::ReadFile(path, entries)) {
        case project::ReadResult::NotOpened: return;
        case project::ReadResult::Damaged: ui::AppMessageBox("Failed to open project", MB_ICONERROR); return;
        case project::ReadResult::Ok: break;
    }
    StopFill();
    for (ProjectEntry& entry : entries) m_dirRead.AddEntry(std::move(entry));
    StartFill();
    UpdateProjectTotals();
    // The merged list is this project's, saved to this project's file.
    m_modified = 1;
    RedrawProject();
}

void VastrelMainDlg::RedrawProject() {
    const UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
    RedrawWindow(m_list.Handle(), nullptr, nullptr, flags);
    if (m_statusBar.Handle()) RedrawWindow(m_statusBar.Handle(), nullptr, nullptr, flags);
    RedrawWindow(Handle(), nullptr, nullptr, flags);
    InvalidateRect(m_list.Handle(), nullptr, TRUE);
    InvalidateRect(Handle(), nullptr, TRUE);
}

bool VastrelMainDlg::AskToSaveProject() {
    if (!m_modified) return true;
    int answer = ui::AppMessageBox("Save current project?", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES) return OnSaveProject();
    return true;
}

void VastrelMainDlg::OnNewProject() {
    if (!AskToSaveProject()) return;
    // The new file is named before anything is cleared.
    std::string path;
    if (!ui::PickFile(ProjectPicker(ui::PickerKind::SaveFile, Handle(), "New File"), path)) return;
    ClearProject();
    UpdateProjectTotals();
    m_modified = 0;
    m_projectPath.clear();
    SetProjectTitle(platform::FileNamePart(path));
    SaveProjectTo(path);
}

void VastrelMainDlg::OpenProject() {
    if (!AskToSaveProject()) return;
    std::string path;
    if (ui::PickFile(ProjectPicker(ui::PickerKind::OpenFile, Handle(), "Open Crypto file"), path)) LoadProject(path);
}

bool VastrelMainDlg::OnSaveProject() {
    if (!m_projectPath.empty()) return SaveProject(m_projectPath);
    std::string path;
    if (!ui::PickFile(ProjectPicker(ui::PickerKind::SaveFile, Handle(), "Save Vastrel 2.0 Project"), path)) {
        return false;
    }
    return SaveProjectTo(path);
}

void VastrelMainDlg::OnSaveProjectAs() {
    std::string path;
    if (ui::PickFile(ProjectPicker(ui::PickerKind::SaveFile, Handle(), "Save Crypto file"), path)) SaveProjectTo(path);
}

bool VastrelMainDlg::SaveProjectTo(const std::string& path) {
    // A file that could not be written does not become the project's file,
    // so the next Save asks again.
    if (!SaveProject(path)) return false;
    m_projectPath = path;
    return true;
}

void VastrelMainDlg::OnCloseProject() {
    if (!AskToSaveProject()) return;
    ClearProject();
    UpdateProjectTotals();
    SetProjectTitle("Untitled");
    m_modified = 0;
    // A later Save asks for a file instead of writing over the closed one.
    m_projectPath.clear();
}
