#pragma once
// A project of real files on disk, shown in a real list as the main window
// shows it (name, size, attributes, folder; row i is entry i), for the tests
// of the dialogs that encrypt and decrypt it.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/dir_read.h"
#include "core/registry_dword.h"
#include "framework/controls.h"
#include "platform/file.h"
#include "tests/ui/ui_test_support.h"

namespace apptest {

class ProjectTest : public uitest::UiTest {
protected:
    ProjectTest() {
        testsupport::ClearVastrelSettings();
        m_folder = m_dir / "project";
        testsupport::MakeDir(m_folder);
        m_host = CreateWindowExA(0, "STATIC", "Project", WS_POPUP | WS_VISIBLE, 20, 20, 560, 220, nullptr, nullptr,
                                 nullptr, nullptr);
        m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{0, 0, 560, 220}, m_host, 1031);
        m_list.InsertColumn(0, "Filename", LVCFMT_LEFT, 200);
        m_list.InsertColumn(1, "Size", LVCFMT_LEFT, 65);
        m_list.InsertColumn(2, "Attributes", LVCFMT_LEFT, 65);
        m_list.InsertColumn(3, "Path", LVCFMT_LEFT, 330);
    }
    ~ProjectTest() override {
        DestroyWindow(m_host);
        testsupport::ClearVastrelSettings();
    }

    static void Set(const char* name, uint32_t value) { RegistryDword(VastrelSettingPath(name), 0, 1).Set(value); }

    std::string Path(const std::string& name) const { return m_folder + "\\" + name; }

    // Writes the files and makes them the project, sorted by name.
    void MakeProject(const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& f : files) testsupport::WriteFile(Path(f.first), f.second);
        Load();
    }
    // The project: every file of the folder, as a fresh load shows it.
    void Load() {
        m_scanner.ClearFileList();
        m_scanner.ClearFolderList();
        m_scanner.total = 0;
        m_scanner.CollectFolders(m_folder.c_str(), false);
        m_scanner.CollectFiles("*.*", true, false);
        m_scanner.SortFiles(CSADirRead::kSortByPath, false);
        m_scanner.SetRelativeNames(m_folder);
        m_list.DeleteAllItems();
        for (size_t i = 0; i < m_scanner.files.size(); ++i) {
            const ProjectEntry& e = m_scanner.files[i];
            int row = m_list.InsertItem(static_cast<int>(i), platform::FileNamePart(e.path));
            m_list.SetItemText(row, 1, std::to_string(e.size));
            m_list.SetItemText(row, 3, m_folder);
        }
    }
    std::vector<std::string> RowNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < m_list.GetItemCount(); ++i) names.push_back(m_list.GetItemText(i, 0));
        return names;
    }
    std::vector<std::string> EntryPaths() const {
        std::vector<std::string> paths;
        for (const ProjectEntry& e : m_scanner.files) paths.push_back(e.path);
        return paths;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : m_messages.messages) texts.push_back(m.text);
        return texts;
    }
    uint32_t SizeLow() const { return static_cast<uint32_t>(m_scanner.total); }
    uint32_t SizeHigh() const { return static_cast<uint32_t>(m_scanner.total >> 32); }

    std::string m_folder;
    HWND m_host = nullptr;
    ui::ListView m_list;
    CSADirRead m_scanner;
};

}  // namespace apptest
