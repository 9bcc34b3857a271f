// The main window, opened for real and driven as a user would: menu
// commands through their enable pass, pickers and boxes answered by the
// recorders, keys through the message loop, and the results read back from
// the rows, the status bar and the files on disk.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <thread>

#include "app/main_dlg.h"
#include "app/project_file.h"
#include "core/registry_dword.h"
#include "platform/file.h"
#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "vastrel/resource.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

void SetSetting(const char* name, uint32_t value) { RegistryDword(VastrelSettingPath(name), 0, 1).Set(value); }

// Ends every modal dialog that opens, whatever it is: the dialogs that open
// from the main window are built elsewhere.
class CancelDialogs {
public:
    CancelDialogs() : m_previous(ui::Dialog::SetModalHook([](ui::Dialog& d) { d.EndDialog(IDCANCEL); })) {}
    ~CancelDialogs() { ui::Dialog::SetModalHook(m_previous); }

private:
    ui::Dialog::ModalHook m_previous;
};

class MainWindow : public uitest::UiTest {
protected:
    MainWindow() {
        testsupport::ClearVastrelSettings();
        SetSetting("AutoUpdate", 1);  // no question about updates at every start
    }
    ~MainWindow() override {
        if (dlg.Exists()) dlg.DestroyWindow();
        testsupport::ClearVastrelSettings();
    }
    void Open() {
        ASSERT_TRUE(dlg.Create(nullptr));
        ShowWindow(dlg.Handle(), SW_SHOW);
        uitest::Pump();
    }
    HWND List() { return GetDlgItem(dlg.Handle(), IDC_PROJECT_LIST); }
    Rows ListRows() { return uitest::DialogDriver(dlg.Handle()).ListRows(IDC_PROJECT_LIST); }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> cells;
        for (const auto& row : ListRows()) cells.push_back(row[column]);
        return cells;
    }
    std::vector<std::string> EntryPaths() {
        std::vector<std::string> paths;
        for (const ProjectEntry& e : dlg.Entries()) paths.push_back(e.path);
        return paths;
    }
    std::string File(const std::string& name, const std::string& content = "data") {
        std::string path = m_dir / name;
        testsupport::WriteFile(path, content);
        return path;
    }
    // Chooses the path in the next picker and runs the menu command.
    void Pick(UINT command, const std::string& path) {
        m_pickers.answers.push_back(ui::PickerAnswer{true, path});
        EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), command));
        dlg.WaitForFill();
        uitest::Pump();
    }
    void Select(std::initializer_list<int> rows) {
        ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
        for (int row : rows) ListView_SetItemState(List(), row, LVIS_SELECTED, LVIS_SELECTED);
    }
    std::vector<int> Selected() {
        std::vector<int> rows;
        for (int r = ListView_GetNextItem(List(), -1, LVNI_SELECTED); r >= 0; r = ListView_GetNextItem(List(), r, LVNI_SELECTED))
            rows.push_back(r);
        return rows;
    }
    // The item's state after the enable pass of the menu bar popup holding it.
    bool Enabled(UINT id) {
        HMENU bar = GetMenu(dlg.Handle());
        for (int i = 0; i < GetMenuItemCount(bar); ++i) {
            HMENU popup = GetSubMenu(bar, i);
            UINT state = GetMenuState(popup, id, MF_BYCOMMAND);  // searches the popup's own popups too
            if (state == static_cast<UINT>(-1)) continue;
            SendMessageA(dlg.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), i);
            return !(GetMenuState(popup, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
        }
        ADD_FAILURE() << "no menu item " << id;
        return false;
    }
    // The pointer where a right click happens. The system may take a moment,
    // and under Wine the news of an earlier move can arrive late and put the
    // pointer back there: it must stay put for a while (longer than Wine
    // trusts its own record of the last move) before the click.
    void MovePointer(POINT at) {
        SetCursorPos(at.x, at.y);
        int steady = 0;
        for (int i = 0; i < 400 && steady < 40; ++i) {
            uitest::Pump(5);
            POINT now{};
            if (GetCursorPos(&now) && now.x == at.x && now.y == at.y) {
                ++steady;
            } else {
                steady = 0;
                SetCursorPos(at.x, at.y);
            }
        }
        ASSERT_GE(steady, 40) << "the pointer did not stay where it was put";
    }
    void Command(UINT id) {
        SendMessageA(dlg.Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        uitest::Pump();
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const auto& m : m_messages.messages) texts.push_back(m.text);
        m_messages.messages.clear();
        return texts;
    }
    // A project file of these paths (each entry's name is its file name).
    std::string ProjectFile(const std::string& name, const std::vector<std::string>& paths) {
        std::vector<ProjectEntry> entries;
        for (const std::string& p : paths) {
            ProjectEntry e;
            e.path = p;
            e.name = platform::FileNamePart(p);
            CFileStatus status;
            e.size = CFile::GetStatus(p, status) ? static_cast<uint32_t>(status.m_size) : 0;
            entries.push_back(e);
        }
        std::string path = m_dir / name;
        testsupport::WriteFile(path, project::WriteArchive(entries));
        return path;
    }
    // Hands the names to the list as a drop of the shell's CF_HDROP data does.
    void Drop(const std::vector<std::string>& names) {
        std::string list;
        for (const auto& n : names) list += n + '\0';
        list += '\0';
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
        GlobalUnlock(memory);
        EXPECT_EQ(1, dlg.List().DropTarget().AddDroppedFiles(static_cast<HDROP>(memory)));
        GlobalFree(memory);
        uitest::Pump();
    }

    uitest::PickerRecorder m_pickers;
    VastrelMainDlg dlg;
};

TEST_F(MainWindow, FilesFoldersAndDropsBecomeRowsWithTheirTotals) {
    Open();
    EXPECT_EQ("Vastrel 2.0 - [ Untitled ]", dlg.Text());
    EXPECT_EQ("Source files (0)", dlg.StatusText(0));
    EXPECT_EQ("Project size (0)", dlg.StatusText(1));
    EXPECT_FALSE(Enabled(ID_FILE_SAVE_PROJECT));
    EXPECT_FALSE(Enabled(ID_PROJECT_REMOVE_ALL));
    EXPECT_FALSE(Enabled(ID_FILE_CLOSE_PROJECT));

    std::string letter = File("letter %d \xE9t\xE9.txt", std::string(1536, 'x'));
    SetFileAttributesA(letter.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    Pick(ID_PROJECT_ADD_FILE, letter);
    ASSERT_EQ(1u, m_pickers.requests.size());
    EXPECT_EQ("Add file", m_pickers.requests[0].title);
    EXPECT_EQ(Rows({{"letter %d \xE9t\xE9.txt", "1.50 KB", "ra--", m_dir.Path()}}), ListRows());
    EXPECT_EQ("Source files (1)", dlg.StatusText(0));
    EXPECT_EQ("Project size (1.50 KB)", dlg.StatusText(1));
    EXPECT_TRUE(dlg.Modified());
    EXPECT_TRUE(Enabled(ID_FILE_SAVE_PROJECT));

    // The same file again: said once, added never.
    Pick(ID_PROJECT_ADD_FILE, letter);
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("File already in project", m_messages.messages[0].text);
    EXPECT_EQ("Vastrel 2", m_messages.messages[0].caption);
    EXPECT_EQ(1u, dlg.Entries().size());
    m_messages.messages.clear();

    // A folder brings every file below it; a drop of a folder and files
    // adds what is not in the project yet.
    std::string tree = m_dir / "tree";
    testsupport::MakeDir(tree);
    testsupport::MakeDir(tree + "\\sub");
    testsupport::WriteFile(tree + "\\a.txt", "a");
    testsupport::WriteFile(tree + "\\sub\\b.txt", "bb");
    Pick(ID_PROJECT_ADD_FOLDER, tree);
    EXPECT_EQ("Pick a Directory", m_pickers.requests.back().title);
    std::string loose = File("loose.bin", "12345");
    Drop({tree, loose, m_dir / "vanished.txt"});
    std::vector<std::string> paths = EntryPaths();
    ASSERT_EQ(4u, paths.size());
    EXPECT_EQ(letter, paths[0]);
    EXPECT_EQ(loose, paths[3]);
    std::sort(paths.begin() + 1, paths.begin() + 3);
    EXPECT_EQ(tree + "\\a.txt", paths[1]);
    EXPECT_EQ(tree + "\\sub\\b.txt", paths[2]);
    EXPECT_EQ(4, ListView_GetItemCount(List()));
    EXPECT_EQ("loose.bin", ListRows()[3][0]);
    EXPECT_EQ("Source files (4)", dlg.StatusText(0));
    EXPECT_TRUE(m_messages.messages.empty());
    uitest::Screenshot(dlg.Handle(), "project");
    SetFileAttributesA(letter.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(MainWindow, RowsSortRemoveAndOfferTheirMenuAsTheRulesSay) {
    Open();
    std::vector<std::string> paths;
    for (int i = 0; i < 10; ++i) paths.push_back(File("f" + std::to_string(i) + ".txt", std::string(i * 100 + 1, 'x')));
    paths.push_back(m_dir / "missing.txt");
    Pick(ID_FILE_OPEN_PROJECT, ProjectFile("ten.ecl", paths));
    EXPECT_EQ(11, ListView_GetItemCount(List()));
    // A row whose file does not open is drawn red.
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = 10;
    ListView_GetItem(List(), &item);
    EXPECT_EQ(1, item.lParam);
    item.iItem = 0;
    ListView_GetItem(List(), &item);
    EXPECT_EQ(0, item.lParam);

    // Name sorts alternate, descending first; the size sort keeps its own flag.
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_SORT_BY_NAME));
    dlg.WaitForFill();
    EXPECT_EQ("missing.txt", ListRows()[0][0]);
    EXPECT_EQ(EntryPaths()[0], m_dir / "missing.txt");
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_SORT_BY_NAME));
    dlg.WaitForFill();
    EXPECT_EQ("f0.txt", ListRows()[0][0]);
    NMLISTVIEW click{};
    click.hdr = NMHDR{List(), IDC_PROJECT_LIST, static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iSubItem = 1;
    SendMessageA(dlg.Handle(), WM_NOTIFY, IDC_PROJECT_LIST, reinterpret_cast<LPARAM>(&click));
    dlg.WaitForFill();
    EXPECT_EQ("f9.txt", ListRows()[0][0]);
    for (size_t i = 0; i < dlg.Entries().size(); ++i) EXPECT_EQ(dlg.Entries()[i].name, ListRows()[i][0]);

    // Two rows selected: the one-row commands are off.
    Select({3, 4});
    EXPECT_FALSE(Enabled(ID_SELECTION_PROPERTIES));
    EXPECT_FALSE(Enabled(ID_SELECTION_VIEW_HINT));
    EXPECT_FALSE(Enabled(ID_SELECTION_VIEW_NAME));
    EXPECT_FALSE(Enabled(ID_SELECTION_ENCRYPT));
    EXPECT_FALSE(Enabled(ID_SELECTION_DECRYPT));
    EXPECT_TRUE(Enabled(ID_PROJECT_REMOVE_FILE));
    // The context menu opens over a row only.
    uitest::PopupMenuRecorder menus;
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(List(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    POINT at{row.left + 20, (row.top + row.bottom) / 2};
    ClientToScreen(List(), &at);
    MovePointer(at);
    NMITEMACTIVATE rclick{};
    rclick.hdr = NMHDR{List(), IDC_PROJECT_LIST, static_cast<UINT>(NM_RCLICK)};
    SendMessageA(dlg.Handle(), WM_NOTIFY, IDC_PROJECT_LIST, reinterpret_cast<LPARAM>(&rclick));
    ASSERT_EQ(1u, menus.shown.size());
    std::vector<std::pair<UINT, bool>> items{{ID_SELECTION_SHRED, true},        {ID_SELECTION_VIEW_NAME, false},
                                             {ID_SELECTION_VIEW_HINT, false},   {ID_SELECTION_PROPERTIES, false},
                                             {ID_LIST_DELETE, true}};
    EXPECT_EQ(items, menus.shown[0].items);
    RECT client;
    GetClientRect(List(), &client);
    at = POINT{client.right - 5, client.bottom - 5};
    ClientToScreen(List(), &at);
    MovePointer(at);
    SendMessageA(dlg.Handle(), WM_NOTIFY, IDC_PROJECT_LIST, reinterpret_cast<LPARAM>(&rclick));
    EXPECT_EQ(1u, menus.shown.size());

    // Removing rows 3 and 4 selects row 2, and takes their own entries.
    std::vector<std::string> before = EntryPaths();
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_PROJECT_REMOVE_FILE));
    before.erase(before.begin() + 3, before.begin() + 5);
    EXPECT_EQ(before, EntryPaths());
    EXPECT_EQ(std::vector<int>{2}, Selected());
    EXPECT_EQ("Source files (9)", dlg.StatusText(0));
    Select({0});
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_PROJECT_REMOVE_FILE));
    EXPECT_TRUE(Selected().empty());

    // The Delete key asks first ("No" keeps the row); with SWWD set it does not ask.
    Select({0});
    SetFocus(List());
    m_messages.answers.push_back(IDNO);
    uitest::DialogDriver(dlg.Handle()).Press(VK_DELETE);
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("Are you sure you want to remove file?", m_messages.messages[0].text);
    EXPECT_EQ("Vastrel 2", m_messages.messages[0].caption);
    EXPECT_EQ(8u, dlg.Entries().size());
    m_messages.answers.push_back(IDYES);
    Command(ID_LIST_DELETE);
    EXPECT_EQ("Vastrel 2", m_messages.messages[1].caption);
    EXPECT_EQ(7u, dlg.Entries().size());
    m_messages.messages.clear();
    SetSetting("SWWD", 1);
    Select({0});
    uitest::DialogDriver(dlg.Handle()).Press(VK_DELETE);
    EXPECT_EQ(6u, dlg.Entries().size());
    Command(ID_PROJECT_REMOVE_ALL);
    EXPECT_TRUE(m_messages.messages.empty());
    EXPECT_EQ(0, ListView_GetItemCount(List()));
    EXPECT_EQ(0u, dlg.Entries().size());
    EXPECT_EQ("Source files (0)", dlg.StatusText(0));
    Command(ID_PROJECT_REMOVE_ALL);
    Command(ID_PROJECT_REMOVE_FILE);
    Command(ID_PROJECT_ENCRYPT);
    Command(ID_PROJECT_DECRYPT);
    EXPECT_EQ(std::vector<std::string>({"No files to clear!", "No items were selected!", "No files to encrypt!",
                                        "No files to decrypt!"}),
              Texts());
}

TEST_F(MainWindow, RemovingAndShreddingTakeTheRowsOwnEntryEvenWhenAPathIsListedTwice) {
    Open();
    std::string a = File("a.txt", "first"), b = File("b.txt", "second"), gone = File("gone.txt", "gone");
    // A merge can list one path twice; the row removed takes its own entry.
    std::string other = ProjectFile("other.ecl", {a, b});
    Pick(ID_PROJECT_ADD_PROJECT, other);
    Pick(ID_PROJECT_ADD_PROJECT, other);
    EXPECT_EQ(std::vector<std::string>({a, b, a, b}), EntryPaths());
    Select({0});
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_PROJECT_REMOVE_FILE));
    EXPECT_EQ(std::vector<std::string>({b, a, b}), EntryPaths());
    EXPECT_EQ(Column(0), std::vector<std::string>({"b.txt", "a.txt", "b.txt"}));

    // Shredding: "No" does nothing; a file that vanished meanwhile stays
    // listed; the shredded one is gone from disk and from the project.
    Pick(ID_PROJECT_ADD_FILE, gone);
    DeleteFileA(gone.c_str());
    Select({1, 3});
    m_messages.answers.push_back(IDNO);
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_SELECTION_SHRED));
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("Shredding files cannot be undone! Are you sure you want to continue?", m_messages.messages[0].text);
    EXPECT_EQ("Vastrel 2.0", m_messages.messages[0].caption);
    EXPECT_EQ(unsigned(MB_YESNO | MB_ICONEXCLAMATION), m_messages.messages[0].style);
    EXPECT_TRUE(testsupport::Exists(a));
    m_messages.messages.clear();
    m_messages.answers.push_back(IDYES);
    EXPECT_TRUE(dlg.SaveProject(m_dir / "shred.ecl"));
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_SELECTION_SHRED));
    EXPECT_FALSE(testsupport::Exists(a));
    EXPECT_TRUE(testsupport::Exists(b));
    EXPECT_EQ(std::vector<std::string>({b, b, gone}), EntryPaths());
    EXPECT_EQ(Column(0), std::vector<std::string>({"b.txt", "b.txt", "gone.txt"}));
    EXPECT_GE(m_messages.messages.size(), 2u);  // the question, then the shredder's word on the missing file
    EXPECT_TRUE(dlg.Modified());
    EXPECT_EQ("Source files (3)", dlg.StatusText(0));
    EXPECT_FALSE(dlg.Progress().Visible());
}

// Files other programs hold, a read-only one and one under which the disk
// fails: only what the shredder destroyed leaves the project; what it
// refused is whole, and a file it overwrote but could not remove is named.
TEST_F(MainWindow, ShreddingFilesInUseTellsWhatWasOverwritten) {
    Open();
    const std::string folder = m_dir / "in use";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::map<std::string, std::string> data;
    unsigned seed = 30;
    for (const auto& f : testsupport::FilesInUse()) {
        data[f.name] = testsupport::Bytes(70000, ++seed);
        testsupport::WriteFile(folder + "\\" + f.name, data[f.name]);
        Pick(ID_PROJECT_ADD_FILE, folder + "\\" + f.name);
    }
    auto holders = testsupport::HoldFiles(folder, testsupport::FilesInUse());
    const std::string failing = folder + "\\e failing.txt";
    int writes = 0;
    platform::WriteHook previous =
        platform::SetWriteHook([&](const std::string& path, size_t) { return path != failing || ++writes == 1; });
    Select({0, 1, 2, 3, 4});
    m_messages.answers.push_back(IDYES);
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_SELECTION_SHRED));
    platform::SetWriteHook(previous);
    holders.clear();

    std::vector<std::string> kept;
    for (const auto& f : testsupport::FilesInUse()) {
        const std::string path = folder + "\\" + f.name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!testsupport::Exists(path)) continue;
        kept.push_back(path);
        // Every file still listed is whole, but the one the disk failed under.
        if (path != failing) {
            EXPECT_EQ(data[f.name], testsupport::ReadFile(path)) << path;
        }
    }
    EXPECT_EQ(kept, EntryPaths());
    EXPECT_NE(data["e failing.txt"], testsupport::ReadFile(failing));
    ASSERT_FALSE(m_messages.messages.empty());
    EXPECT_EQ("These files were overwritten but could not be removed:\n" + failing, m_messages.messages.back().text);
    EXPECT_EQ(unsigned(MB_ICONEXCLAMATION), m_messages.messages.back().style);
}

TEST_F(MainWindow, ProjectsSaveOpenMergeAndCloseWithoutMixingFiles) {
    Open();
    std::string a = File("a.txt", "aaa"), b = File("b.txt", "bbbb"), c = File("c.txt", "c");
    Pick(ID_PROJECT_ADD_FILE, a);
    Pick(ID_PROJECT_ADD_FILE, b);
    // Save asks for a file the first time; the file holds the archive alone.
    std::string one = m_dir / "one.ecl";
    testsupport::WriteFile(one, std::string(5000, 'z'));  // an older, longer file
    Pick(ID_FILE_SAVE_PROJECT, one);
    EXPECT_EQ("Save Vastrel 2.0 Project", m_pickers.requests.back().title);
    EXPECT_EQ("Vastrel 2.0 Project(*.ecl) |*.ecl ||", m_pickers.requests.back().filter);
    EXPECT_EQ("ecl", m_pickers.requests.back().defaultExt);
    EXPECT_EQ(project::WriteArchive(dlg.Entries()), testsupport::ReadFile(one));
    EXPECT_EQ("Vastrel 2.0 - [ one.ecl ]", dlg.Text());
    EXPECT_FALSE(dlg.Modified());
    Rows saved = ListRows();

    // Close: the next Save asks again, so the closed file keeps its list.
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_FILE_CLOSE_PROJECT));
    EXPECT_EQ("Untitled", dlg.Title());
    EXPECT_TRUE(dlg.ProjectPath().empty());
    Pick(ID_PROJECT_ADD_FILE, c);
    size_t asked = m_pickers.requests.size();
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_FILE_SAVE_PROJECT));  // picker answered "nothing chosen"
    EXPECT_EQ(asked + 1, m_pickers.requests.size());
    std::string two = m_dir / "two.ecl";
    Pick(ID_FILE_SAVE_PROJECT_AS, two);
    EXPECT_EQ("Save Crypto file", m_pickers.requests.back().title);

    // Open one again (unmodified: no question), then merge two into it.
    Pick(ID_FILE_OPEN_PROJECT, one);
    EXPECT_EQ("Open Crypto file", m_pickers.requests.back().title);
    EXPECT_EQ(saved, ListRows());
    EXPECT_TRUE(m_messages.messages.empty());
    Pick(ID_PROJECT_ADD_PROJECT, two);
    EXPECT_EQ(std::vector<std::string>({a, b, c}), EntryPaths());
    EXPECT_EQ(std::vector<std::string>({"a.txt", "b.txt", "c.txt"}), Column(0));
    EXPECT_EQ(one, dlg.ProjectPath());
    EXPECT_EQ("one.ecl", dlg.Title());
    EXPECT_TRUE(dlg.Modified());
    Pick(ID_PROJECT_ADD_PROJECT, one);
    EXPECT_EQ(std::vector<std::string>{"Project already open"}, Texts());

    // Damaged files change nothing and say so; a missing one says nothing.
    std::string bad = m_dir / "bad.ecl";
    std::string twoBytes = testsupport::ReadFile(two);
    for (const std::string& content : {std::string(), twoBytes.substr(0, twoBytes.size() - 3),
                                       std::string("\xFF\xFF\xFF\x7F", 4) + twoBytes.substr(4)}) {
        testsupport::WriteFile(bad, content);
        Pick(ID_PROJECT_ADD_PROJECT, bad);
        m_messages.answers.push_back(IDNO);  // "Save current project?"
        Pick(ID_FILE_OPEN_PROJECT, bad);
        EXPECT_EQ(std::vector<std::string>({"Failed to open project", "Save current project?", "Failed to open project"}),
                  Texts());
        EXPECT_EQ(std::vector<std::string>({a, b, c}), EntryPaths());
        EXPECT_EQ(3, ListView_GetItemCount(List()));
        EXPECT_EQ("one.ecl", dlg.Title());
    }
    m_messages.answers.push_back(IDNO);
    Pick(ID_FILE_OPEN_PROJECT, m_dir / "missing.ecl");
    EXPECT_EQ(std::vector<std::string>{"Save current project?"}, Texts());
    EXPECT_EQ(3u, dlg.Entries().size());

    // Saving now writes the merged list to this project's own file.
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_FILE_SAVE_PROJECT));
    std::vector<ProjectEntry> read;
    ASSERT_EQ(project::ReadResult::Ok, project::ReadFile(one, read));
    EXPECT_EQ(3u, read.size());
    ASSERT_EQ(project::ReadResult::Ok, project::ReadFile(two, read));
    EXPECT_EQ(1u, read.size());

    // New: Cancel at its file changes nothing; a chosen file gets the empty project.
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_FILE_NEW_PROJECT));
    EXPECT_EQ("New File", m_pickers.requests.back().title);
    EXPECT_EQ(3u, dlg.Entries().size());
    EXPECT_EQ("one.ecl", dlg.Title());
    std::string fresh = m_dir / "fresh.ecl";
    Pick(ID_FILE_NEW_PROJECT, fresh);
    EXPECT_EQ(0u, dlg.Entries().size());
    EXPECT_EQ("fresh.ecl", dlg.Title());
    EXPECT_EQ(std::string(4, '\0'), testsupport::ReadFile(fresh));

    // A search makes a new, untitled project of the encrypted files found.
    testsupport::MakeDir(m_dir / "enc");
    testsupport::WriteFile(m_dir / "enc\\x.~enc", "12345<zqv>");
    testsupport::WriteFile(m_dir / "enc\\plain.txt", "plain");
    Pick(ID_PROJECT_ADD_FILE, a);
    EXPECT_TRUE(dlg.Modified());
    m_messages.answers.push_back(IDYES);  // saved to fresh.ecl first
    Pick(ID_EDIT_SEARCH, m_dir / "enc");
    EXPECT_EQ("Search directory", m_pickers.requests.back().title);
    EXPECT_EQ(std::vector<std::string>{m_dir / "enc\\x.~enc"}, EntryPaths());
    EXPECT_EQ("Untitled", dlg.Title());
    EXPECT_TRUE(dlg.ProjectPath().empty());
    EXPECT_TRUE(dlg.Modified());
    ASSERT_EQ(project::ReadResult::Ok, project::ReadFile(fresh, read));
    EXPECT_EQ(1u, read.size());
    m_messages.messages.clear();
    m_messages.answers.push_back(IDNO);
    Pick(ID_EDIT_SEARCH, m_dir / "tree-that-is-empty");
    EXPECT_EQ(std::vector<std::string>({"Save current project?", "No files found!"}), Texts());
    EXPECT_EQ(0, ListView_GetItemCount(List()));
}

TEST_F(MainWindow, TheSaveQuestionLetsNothingGoUnsaved) {
    Open();
    std::string a = File("a.txt");
    auto modify = [&] {
        Pick(ID_PROJECT_ADD_FILE, a);
        m_messages.messages.clear();
    };
    // Close Project: Cancel keeps all, No clears; Open after a Yes whose
    // save was cancelled opens nothing.
    modify();
    Pick(ID_FILE_SAVE_PROJECT_AS, m_dir / "p.ecl");
    modify();  // the file again: "already in project", still a change
    m_messages.answers.push_back(IDCANCEL);
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_FILE_CLOSE_PROJECT));
    EXPECT_EQ(1u, dlg.Entries().size());
    EXPECT_EQ("p.ecl", dlg.Title());
    EXPECT_TRUE(dlg.Modified());
    m_messages.answers.push_back(IDNO);
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_FILE_CLOSE_PROJECT));
    EXPECT_EQ(0u, dlg.Entries().size());
    EXPECT_EQ("Untitled", dlg.Title());
    modify();
    m_messages.answers.push_back(IDYES);  // Save asks for a file: nothing chosen
    EXPECT_TRUE(uitest::RunMenuCommand(dlg.Handle(), ID_FILE_OPEN_PROJECT));
    EXPECT_EQ(1u, dlg.Entries().size());
    EXPECT_EQ("Save Vastrel 2.0 Project", m_pickers.requests.back().title);
    Texts();

    // Closing the window: Cancel, a cancelled save and a failed save keep it
    // open; Enter and Esc ask the same question.
    for (UINT how : {UINT(WM_CLOSE), UINT(VK_RETURN), UINT(VK_ESCAPE)}) {
        m_messages.answers.push_back(IDCANCEL);
        if (how == WM_CLOSE) {
            SendMessageA(dlg.Handle(), WM_CLOSE, 0, 0);
        } else {
            SetFocus(List());
            uitest::DialogDriver(dlg.Handle()).Press(how);
        }
        ASSERT_TRUE(dlg.Exists());
        EXPECT_EQ(std::vector<std::string>{"Would you like to save changes to the current project?"}, Texts());
    }
    m_messages.answers.push_back(IDYES);
    SendMessageA(dlg.Handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(dlg.Exists());
    m_messages.answers.push_back(IDYES);
    m_pickers.answers.push_back(ui::PickerAnswer{true, m_dir / "no such folder\\p.ecl"});
    SendMessageA(dlg.Handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(dlg.Exists());
    EXPECT_EQ(std::vector<std::string>({"Would you like to save changes to the current project?",
                                        "Would you like to save changes to the current project?",
                                        "Failed to save project"}),
              Texts());
    m_messages.answers.push_back(IDYES);
    std::string kept = m_dir / "kept.ecl";
    m_pickers.answers.push_back(ui::PickerAnswer{true, kept});
    SendMessageA(dlg.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(dlg.Exists());
    EXPECT_EQ(std::vector<std::string>{"Would you like to save changes to the current project?"}, Texts());
    std::vector<ProjectEntry> read;
    ASSERT_EQ(project::ReadResult::Ok, project::ReadFile(kept, read));
    EXPECT_EQ(1u, read.size());

    // Unmodified, the window closes without a word.
    VastrelMainDlg second;
    ASSERT_TRUE(second.Create(nullptr));
    SendMessageA(second.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(second.Exists());
    EXPECT_TRUE(Texts().empty());
}

TEST_F(MainWindow, TheFillThreadRebuildsLargeProjectsWhileEntriesStayUnchanged) {
    std::vector<std::string> paths;
    for (int i = 0; i < 5000; ++i) paths.push_back(m_dir / ("missing " + std::to_string(4999 - i) + ".txt"));
    paths[0] = m_dir / ("missing " + std::string(290, '0') + ".txt");  // beyond the system's path limit
    std::string big = ProjectFile("big.ecl", paths);
    dlg.commandLineProject = big;
    Open();
    dlg.WaitForFill();
    EXPECT_EQ("big.ecl", dlg.Title());
    EXPECT_EQ(paths, EntryPaths());
    EXPECT_EQ(5000, ListView_GetItemCount(List()));
    // Over a hundred entries, each is named as it comes.
    EXPECT_EQ("Sorting...\nmissing 0.txt", ui::WindowRef(GetDlgItem(dlg.Progress().Handle(), 11)).Text());
    EXPECT_EQ("Source files (5000)", dlg.StatusText(0));
    // Shown again, the window does not load its project again.
    dlg.SetProjectTitle("renamed");
    ShowWindow(dlg.Handle(), SW_HIDE);
    ShowWindow(dlg.Handle(), SW_SHOW);
    uitest::Pump();
    EXPECT_FALSE(dlg.Filling());
    EXPECT_EQ("renamed", dlg.Title());

    // Sorting starts a new fill. This thread answers none of its messages
    // until it waits, so the fill is still running below: the commands that
    // change entries are off and refused.
    SendMessageA(dlg.Handle(), WM_COMMAND, ID_SORT_BY_NAME, 0);
    ASSERT_TRUE(dlg.Filling());
    EXPECT_FALSE(Enabled(ID_SORT_BY_SIZE));
    EXPECT_FALSE(Enabled(ID_PROJECT_ADD_FILE));
    EXPECT_FALSE(Enabled(ID_FILE_OPEN_PROJECT));
    EXPECT_TRUE(Enabled(ID_FILE_SAVE_PROJECT_AS));
    std::vector<std::string> sorted = EntryPaths();
    SendMessageA(dlg.Handle(), WM_COMMAND, ID_SORT_BY_SIZE, 0);
    SendMessageA(dlg.Handle(), WM_COMMAND, ID_PROJECT_REMOVE_ALL, 0);
    EXPECT_EQ(sorted, EntryPaths());
    dlg.WaitForFill();
    Rows rows = ListRows();
    ASSERT_EQ(5000u, rows.size());
    for (size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(platform::FileNamePart(sorted[i]), rows[i][0]) << i;
    EXPECT_EQ("missing 999.txt", rows[0][0]);  // descending by name
    EXPECT_FALSE(dlg.Progress().Visible());
    EXPECT_TRUE(Enabled(ID_SORT_BY_SIZE));

    // A drop during a fill waits for it; closing the window during one ends it.
    SendMessageA(dlg.Handle(), WM_COMMAND, ID_SORT_BY_NAME, 0);
    ASSERT_TRUE(dlg.Filling());
    Drop({File("dropped.txt")});
    EXPECT_EQ(5001, ListView_GetItemCount(List()));
    EXPECT_EQ("dropped.txt", ListRows()[5000][0]);
    SendMessageA(dlg.Handle(), WM_COMMAND, ID_SORT_BY_NAME, 0);
    ASSERT_TRUE(dlg.Filling());
    m_messages.answers.push_back(IDNO);
    SendMessageA(dlg.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(dlg.Exists());
    EXPECT_FALSE(dlg.Filling());
}

TEST_F(MainWindow, NamedProjectsAreSavedAfterTheCipherDialogs) {
    CancelDialogs cancel;
    Open();
    std::string a = File("a.txt");
    Pick(ID_PROJECT_ADD_FILE, a);
    // Untitled: nothing is written anywhere.
    Command(ID_PROJECT_ENCRYPT);
    EXPECT_TRUE(dlg.Modified());
    std::string named = m_dir / "named.ecl";
    Pick(ID_FILE_SAVE_PROJECT, named);
    testsupport::WriteFile(named, "stale");
    Command(ID_PROJECT_DECRYPT);
    EXPECT_EQ(project::WriteArchive(dlg.Entries()), testsupport::ReadFile(named));
    testsupport::WriteFile(named, "stale");
    Select({0});
    Command(ID_SELECTION_ENCRYPT);
    EXPECT_EQ(project::WriteArchive(dlg.Entries()), testsupport::ReadFile(named));
    EXPECT_TRUE(m_messages.messages.empty());
}

TEST_F(MainWindow, WithoutOleTheWindowSaysSoOnceAndWorksWithoutDrops) {
    std::string a = File("a.txt");
    m_pickers.answers.push_back(ui::PickerAnswer{true, a});
    std::thread([&] {
        // OLE refuses a thread that joined the multithreaded apartment.
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            VastrelMainDlg window;
            ASSERT_TRUE(window.Create(nullptr));
            SendMessageA(window.Handle(), WM_COMMAND, ID_PROJECT_ADD_FILE, 0);
            EXPECT_EQ(1u, window.Entries().size());
            EXPECT_EQ("Source files (1)", window.StatusText(0));
            EXPECT_EQ(4, Header_GetItemCount(ListView_GetHeader(GetDlgItem(window.Handle(), IDC_PROJECT_LIST))));
            EXPECT_TRUE(GetMenu(window.Handle()) != nullptr);
            EXPECT_FALSE(window.List().DropTarget().Window());
        }
        CoUninitialize();
    }).join();
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_NE(std::string::npos, m_messages.messages[0].text.find("cannot be dropped"));
}

// A text that a control of another process writes into a buffer of the
// caller's: the buffer (behind an LVITEMA for a list) lives in that process.
std::string ForeignText(HWND control, UINT msg, WPARAM w, bool listItem, int column = 0) {
    DWORD pid = 0;
    GetWindowThreadProcessId(control, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return "(no access)";
    char* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    char* text = remote;
    if (listItem) {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = remote + sizeof item;
        item.cchTextMax = 1024;
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        text = item.pszText;
    }
    SendMessageA(control, msg, w, reinterpret_cast<LPARAM>(remote));
    char read[1025] = {};
    ReadProcessMemory(process, text, read, 1024, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return read;
}

TEST_F(MainWindow, TheProgramOpensTheProjectNamedOnItsCommandLine) {
    std::string project = ProjectFile("command line.ecl", {File("a.txt"), File("b.txt"), m_dir / "missing.txt"});
    std::string program = VASTREL_PROGRAM;
    if (program[0] == '/') program = "Z:" + program;  // the host's files
    std::replace(program.begin(), program.end(), '/', '\\');
    std::string line = "\"" + program + "\" \"" + project + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    HWND window = nullptr;
    for (int i = 0; i < 600 && !window; ++i) {
        window = FindWindowA(nullptr, "Vastrel 2.0 - [ command line.ecl ]");
        if (!window) Sleep(50);
    }
    EXPECT_TRUE(window);
    if (window) {
        HWND list = GetDlgItem(window, IDC_PROJECT_LIST);
        for (int i = 0; i < 200 && ListView_GetItemCount(list) != 3; ++i) Sleep(50);
        EXPECT_EQ(3, ListView_GetItemCount(list));
        EXPECT_EQ("b.txt", ForeignText(list, LVM_GETITEMTEXTA, 1, true));
        EXPECT_EQ("missing.txt", ForeignText(list, LVM_GETITEMTEXTA, 2, true));
        EXPECT_EQ("Source files (3)", ForeignText(GetDlgItem(window, IDC_STATUS_BAR), SB_GETTEXTA, 0, false));
        PostMessageA(window, WM_CLOSE, 0, 0);  // nothing changed: no question
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 30000));
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(0u, code);
    TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

}  // namespace
