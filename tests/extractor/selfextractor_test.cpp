// The main window's self-extractor dialog: the project's files encrypted
// into an archive behind the embedded Extractor, which is then run as its
// own program, as the recipient runs it; and every way a run can fail
// without losing a file.
#include <windows.h>

#include <commdlg.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/main_dlg.h"
#include "app/selfextractor_dlg.h"
#include "core/registry_dword.h"
#include "core/sfx_archive.h"
#include "tests/extractor/extractor_process.h"
#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/summary_dlg.h"
#include "vastrel/resource.h"
#include "vastrel/selfextractor_ids.h"

namespace {

using testsupport::Bytes;

const std::string kPassword = "correct horse";
const std::string kOddName = "Gr\xFC\xDF" "e aus K\xF6ln.txt";

class SelfextractorTest : public uitest::UiTest {
protected:
    SelfextractorTest() {
        testsupport::ClearVastrelSettings();
        RegistryDword(VastrelSettingPath("AutoUpdate"), 0, 1).Set(1);  // no permission question at start
        uitest::Pump();
        AnswerAsUsual();
    }
    void AnswerAsUsual() {
        m_messages.respond = [this](const platform::MessageRequest& box) {
            if (box.text.find("Destroying original files") == 0) return m_destroyAnswer;
            if (box.text.find("Would you like to save changes") == 0) return IDNO;
            return (box.style & 0xF) == MB_YESNO ? m_summaryAnswer : IDOK;
        };
    }
    ~SelfextractorTest() override { testsupport::ClearVastrelSettings(); }

    // name -> content, written into the project folder.
    std::map<std::string, std::string> MakeProject(const std::map<std::string, std::string>& files) {
        testsupport::MakeDir(Project());
        for (const auto& f : files) testsupport::WriteFile(Project() + "\\" + f.first, f.second);
        return files;
    }
    std::string Project() const { return m_work / "project"; }
    CSADirRead Scanner(const std::map<std::string, std::string>& files) const {
        CSADirRead scanner;
        for (const auto& f : files) {
            ProjectEntry entry;
            entry.path = Project() + "\\" + f.first;
            entry.name = f.first;
            scanner.files.push_back(entry);
        }
        return scanner;
    }
    // Runs the dialog over the scanner: passwords typed, "Create" pressed.
    // With `summary`, the question to see the results is answered Yes and
    // their rows are read into it.
    bool RunDialog(CSADirRead& scanner, bool destroy, const std::function<void(uitest::DialogDriver&)>& more = nullptr,
                   bool create = true, std::vector<std::vector<std::string>>* summary = nullptr) {
        bool destroyed = false;
        uitest::ModalDriver driver;
        driver.When("CSelfextractorDlg", [&](uitest::DialogDriver& d) {
            d.Type(IDC_SFX_PASSWORD, kPassword);
            d.Type(IDC_SFX_CONFIRM, kPassword);
            d.SetCheck(IDC_SFX_DESTROY, destroy);
            if (more) more(d);
            if (create) d.Click(IDC_SFX_CREATE);
        });
        const int answer = m_summaryAnswer;
        if (summary) {
            m_summaryAnswer = IDYES;
            uitest::ReadSummary(driver, *summary);
        }
        CSelfextractorDlg dialog(static_cast<int>(scanner.files.size()), 0, 0, nullptr, &scanner, m_obfuscate, true,
                                 &destroyed, nullptr);
        m_dialog = &dialog;
        dialog.DoModal();
        m_dialog = nullptr;
        m_results = dialog.Results();
        m_summaryAnswer = answer;
        return destroyed;
    }
    std::string LastBox() const { return m_messages.messages.empty() ? "" : m_messages.messages.back().text; }
    // The texts of the boxes from the `count`-th last on.
    std::vector<std::string> LastBoxes(size_t count) const {
        std::vector<std::string> texts;
        for (size_t i = m_messages.messages.size() > count ? m_messages.messages.size() - count : 0;
             i < m_messages.messages.size(); ++i) {
            texts.push_back(m_messages.messages[i].text);
        }
        return texts;
    }

    testsupport::TempDir m_work;
    int m_destroyAnswer = IDYES;
    int m_summaryAnswer = IDNO;
    bool m_obfuscate = false;
    CSelfextractorDlg* m_dialog = nullptr;
    ResultMap m_results;
};

TEST_F(SelfextractorTest, ProjectToArchiveToRecipient) {
    const auto files = MakeProject(
        {{"empty.txt", ""}, {"one.bin", "1"}, {"big.dat", Bytes(1 << 20, 3)}, {kOddName, "Gr\xFC\xDF" "e\r\n"}});
    const std::string archive = m_work / "for you.exe";
    uitest::PickerRecorder pickers;
    pickers.answers.push_back({true, archive});
    m_summaryAnswer = IDYES;

    VastrelMainDlg main;
    std::vector<ProjectEntry> entries;
    std::vector<std::vector<std::string>> summary;
    uitest::ModalDriver driver;
    driver.When("VastrelMainDlg", [&](uitest::DialogDriver& d) {
        main.AddFolder(Project());
        main.WaitForFill();
        entries = main.Entries();
        ASSERT_EQ(files.size(), entries.size());
        uitest::RunMenuCommand(d.Handle(), ID_PROJECT_SELF_EXTRACTOR);
        EXPECT_TRUE(main.Entries().empty());  // the originals are gone, and so is the project
        uitest::RunMenuCommand(d.Handle(), ID_FILE_EXIT);
    });
    driver.When("CSelfextractorDlg", [&](uitest::DialogDriver& d) {
        EXPECT_EQ("4", d.Text(IDC_SFX_FILE_COUNT));
        d.Type(IDC_SFX_PASSWORD, kPassword);
        d.Type(IDC_SFX_CONFIRM, kPassword);
        d.Type(IDC_SFX_HINT, "the usual");
        d.SetCheck(IDC_SFX_DESTROY, true);
        d.Screenshot("filled");
        d.Click(IDC_SFX_CREATE);
    });
    driver.When("CCryptoSummaryDlg", [&](uitest::DialogDriver& d) {
        summary = d.ListRows(CCryptoSummaryDlg::kListId);
        d.Click(IDOK);
    });
    main.DoModal();

    ASSERT_EQ(1u, pickers.requests.size());
    EXPECT_EQ(ui::PickerKind::SaveFile, pickers.requests[0].kind);
    EXPECT_EQ("Select location to store self-extractor", pickers.requests[0].title);
    EXPECT_NE(0u, pickers.requests[0].flags & OFN_OVERWRITEPROMPT);
    std::vector<std::string> boxes;
    for (const auto& box : m_messages.messages) boxes.push_back(box.text);
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ("Destroying original files cannot be undone. Are you sure you want to continue?", boxes[0]);
    EXPECT_EQ("4 Files were successfully encrypted and added to self extracting file. 0 Files failed \nWould you "
              "like to view full details?",
              boxes[1]);
    ASSERT_EQ(files.size(), summary.size());
    for (const auto& row : summary) EXPECT_EQ("OK", row[1]) << row[0];
    // Originals destroyed, no temporary left, the archive in one piece.
    EXPECT_TRUE(testsupport::ListDir(Project()).empty());
    std::string written = testsupport::ReadFile(archive);
    std::string stub = testsupport::ReadFile(extractortest::ExtractorExePath());
    ASSERT_GT(written.size(), stub.size());
    EXPECT_TRUE(written.compare(0, stub.size(), stub) == 0);  // the embedded program, byte for byte
    EXPECT_EQ(std::string(kArchiveMarker), written.substr(written.size() - 10));

    // The recipient runs it: first with a wrong password, then the right one.
    const std::string folder = m_work / "received";
    extractortest::ExtractorProcess program;
    ASSERT_TRUE(program.Start(archive, m_work / "transcript.txt"));
    uitest::ScreenshotNamed(program.Dialog(), "Extractor-before");
    program.SetText(extractortest::kFolderEdit, folder);
    program.SetText(extractortest::kPasswordEdit, "not the password");
    program.Click(extractortest::kExtractButton);
    ASSERT_TRUE(program.WaitForLine("summary\tend")) << ::testing::PrintToString(program.Lines());
    std::vector<std::vector<std::string>> rows = program.SummaryRows();
    ASSERT_EQ(files.size(), rows.size());
    for (const auto& row : rows) {
        EXPECT_EQ("Password incorrect", row[1]) << row[0];
        EXPECT_EQ("Password hint: the usual", row[2]) << row[0];
    }
    // The files land where their names say (names keep the folder they
    // were added with).
    size_t slash = entries[0].name.find_last_of('\\');
    const std::string landed = slash == std::string::npos ? folder : folder + "\\" + entries[0].name.substr(0, slash);
    EXPECT_TRUE(testsupport::ListDir(landed).empty());  // no encrypted copy stays

    program.SetText(extractortest::kPasswordEdit, kPassword);
    program.Click(extractortest::kExtractButton);
    ASSERT_TRUE(program.WaitForLine("summary\tend", 2)) << ::testing::PrintToString(program.Lines());
    uitest::ScreenshotNamed(program.Dialog(), "Extractor-after");
    ASSERT_TRUE(program.Exit());
    std::vector<std::string> told;
    for (const std::string& line : program.Lines()) {
        if (line.compare(0, 4, "box\t") == 0) told.push_back(line);
    }
    EXPECT_EQ((std::vector<std::string>{
                  "box\t4\t4 files extracted successfully, 0 failed. \\n0 files decrypted successfully, 4 failed. "
                  "View summary?",
                  "box\t4\t4 files extracted successfully, 0 failed. \\n4 files decrypted successfully, 0 failed. "
                  "View summary?"}),
              told);
    EXPECT_EQ(files.size(), program.SummaryRows().size());  // the second summary is empty
    for (const ProjectEntry& entry : entries) {
        std::string name = platform::FileNamePart(entry.path);
        EXPECT_EQ(files.at(name), testsupport::ReadFile(folder + "\\" + entry.name)) << entry.name;
    }
    EXPECT_EQ(files.size(), testsupport::ListDir(landed).size());
}

TEST_F(SelfextractorTest, NoOriginalIsLostWhenARunFails) {
    auto files = MakeProject({{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}});
    CSADirRead scanner = Scanner(files);
    const std::string archive = m_work / "out.exe";
    auto originalsIntact = [&] {
        EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt", "c.txt"}), testsupport::ListDir(Project()));
        for (const auto& f : files) EXPECT_EQ(f.second, testsupport::ReadFile(Project() + "\\" + f.first));
    };
    {
        // The file dialog cancelled, then the output named as a project
        // file by other spellings and by a second link to it: the dialog
        // stays open and nothing is touched.
        const std::string secondName = m_work / "second name.exe";
        ASSERT_TRUE(testsupport::MakeHardLink(Project() + "\\b.txt", secondName));
        std::string slashes = Project() + "\\sub\\..\\c.txt";
        for (char& c : slashes) c = c == '\\' ? '/' : c;
        const std::vector<std::string> spellings = {Project() + "\\B.TXT", slashes, secondName};
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({false, ""});
        for (const std::string& spelling : spellings) pickers.answers.push_back({true, spelling});
        EXPECT_FALSE(RunDialog(scanner, true, [&](uitest::DialogDriver& d) {
            d.Click(IDC_SFX_CREATE);
            EXPECT_TRUE(m_messages.messages.empty());
            for (const std::string& spelling : spellings) {
                d.Click(IDC_SFX_CREATE);
                EXPECT_EQ(0u, LastBox().find("The self-extracting file cannot replace a file of the project:\n" +
                                             spelling))
                    << spelling;
                EXPECT_TRUE(IsWindowVisible(d.Handle()));
            }
            d.Click(IDC_SFX_CANCEL);
        }, false));
        EXPECT_EQ(spellings.size(), m_messages.messages.size());
        originalsIntact();
        EXPECT_EQ("beta", testsupport::ReadFile(secondName));
        ASSERT_TRUE(CFile::Remove(secondName));
        EXPECT_FALSE(testsupport::Exists(archive));
    }
    const std::string notAdded = WithDetails("Not added", "The self-extracting file was not written");
    const std::string failedReport = "0 Files were successfully encrypted and added to self extracting file. 3 Files "
                                     "failed \nWould you like to view full details?";
    for (bool obfuscate : {false, true}) {
        // The archive cannot be written: no archive, no temporary (digest
        // named when names are hidden), nothing destroyed, and the results
        // are offered.
        m_obfuscate = obfuscate;
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, m_work / "no such folder\\out.exe"});
        std::vector<std::vector<std::string>> rows;
        EXPECT_FALSE(RunDialog(scanner, true, nullptr, true, &rows));
        m_obfuscate = false;
        std::vector<std::string> boxes = LastBoxes(2);
        ASSERT_EQ(2u, boxes.size());
        EXPECT_EQ(0u, boxes[0].find("The self-extracting file was not written: " + m_work / "no such folder"));
        EXPECT_NE(std::string::npos, boxes[0].find("No original file was destroyed."));
        EXPECT_EQ(failedReport, boxes[1]);
        ASSERT_EQ(3u, rows.size());
        for (const auto& row : rows) {
            EXPECT_EQ((std::vector<std::string>{row[0], "Not added", "The self-extracting file was not written"}), row);
        }
        EXPECT_EQ(notAdded, m_results[Project() + "\\a.txt"]);
        originalsIntact();
    }
    {
        // An output that cannot be replaced (read-only) keeps what it held.
        testsupport::WriteFile(archive, "last week's archive");
        SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_READONLY);
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, archive});
        EXPECT_FALSE(RunDialog(scanner, true));
        SetFileAttributesA(archive.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::vector<std::string> boxes = LastBoxes(2);
        EXPECT_EQ(0u, boxes[0].find("The self-extracting file was not written: " + archive));
        EXPECT_EQ(failedReport, boxes[1]);
        EXPECT_EQ("last week's archive", testsupport::ReadFile(archive));
        EXPECT_EQ((std::vector<std::string>{"out.exe", "project"}), testsupport::ListDir(m_work.Path()));
        originalsIntact();
    }
    {
        // Cancelled from the progress window while the archive is written:
        // the file that was there before stays, and so does every original.
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, archive});
        bool clicked = false;
        platform::WriteHook hook = platform::SetWriteHook([&](const std::string& path, size_t) {
            if (!clicked && path.compare(0, archive.size(), archive) == 0) {
                clicked = true;
                HWND window = m_dialog->Progress().Handle();
                SendMessageA(window, WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, 10)));
            }
            return true;
        });
        EXPECT_FALSE(RunDialog(scanner, true));
        platform::SetWriteHook(hook);
        EXPECT_TRUE(clicked);
        std::vector<std::string> boxes = LastBoxes(2);
        EXPECT_EQ(0u, boxes[0].find("Creating the self-extracting file was cancelled."));
        EXPECT_EQ(failedReport, boxes[1]);
        EXPECT_EQ(WithDetails("Not added", "Cancelled before the self-extracting file was written"),
                  m_results[Project() + "\\b.txt"]);
        EXPECT_EQ("last week's archive", testsupport::ReadFile(archive));
        EXPECT_EQ((std::vector<std::string>{"out.exe", "project"}), testsupport::ListDir(m_work.Path()));
        originalsIntact();
        ASSERT_TRUE(CFile::Remove(archive));
    }
    {
        // Cancelled from the progress window during the first file.
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, archive});
        ui::PickerHook previous = ui::SetPickerHook([&](const ui::PickerRequest&) {
            // While busy: Esc and "Create" again do not disturb the run.
            PostMessageA(m_dialog->Handle(), WM_COMMAND, IDCANCEL, 0);
            PostMessageA(m_dialog->Handle(), WM_COMMAND, IDC_SFX_CREATE, 0);
            HWND window = m_dialog->Progress().Handle();
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, 10)));
            return ui::PickerAnswer{true, archive};
        });
        EXPECT_FALSE(RunDialog(scanner, true));
        ui::SetPickerHook(previous);
        EXPECT_EQ((std::vector<std::string>{"Already in progress!",
                                            "Creating the self-extracting file was cancelled. No self-extracting file "
                                            "was written and no original file was destroyed.",
                                            "0 Files were successfully encrypted and added to self extracting file. "
                                            "1 Files failed \nWould you like to view full details?"}),
                  LastBoxes(3));
        // The one file encrypted before the cancel took effect is in no archive.
        ASSERT_EQ(1u, m_results.size());
        EXPECT_EQ(WithDetails("Not added", "Cancelled before the self-extracting file was written"),
                  m_results.begin()->second);
        EXPECT_FALSE(testsupport::Exists(archive));
        originalsIntact();
    }
    {
        // Destroying declined: the archive is there and so is every original.
        // An encrypted file and a folder in the project are failures.
        const std::string encrypted = m_work / "done.~enc";
        testsupport::WriteFile(encrypted, "already encrypted<zqv>");
        CSADirRead more = scanner;
        ProjectEntry done;
        done.path = encrypted;
        done.name = "done.~enc";
        more.files.push_back(done);
        ProjectEntry folder;
        folder.path = m_work / "sub";
        folder.name = "sub";
        testsupport::MakeDir(folder.path);
        more.files.push_back(folder);
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, archive});
        m_destroyAnswer = IDNO;
        // A read-only original is packed and stays read-only.
        const std::string readOnly = Project() + "\\a.txt";
        SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
        EXPECT_FALSE(RunDialog(more, true));
        EXPECT_TRUE(GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ("3 Files were successfully encrypted and added to self extracting file. 2 Files failed \nWould you "
                  "like to view full details?",
                  LastBox());
        EXPECT_EQ(0u, m_messages.messages[m_messages.messages.size() - 2].text.find("Destroying original files"));
        EXPECT_EQ(5u, m_results.size());
        EXPECT_EQ("File already encrypted", m_results[encrypted]);
        EXPECT_EQ("already encrypted<zqv>", testsupport::ReadFile(encrypted));
        EXPECT_EQ("OK", m_results[Project() + "\\a.txt"]);
        EXPECT_EQ(0u, m_results[folder.path].find("\xA9The path is a folder"));
        originalsIntact();
        CSelfExtractor reader;
        ASSERT_EQ(kArchiveOk, reader.ReadDirectory(archive));
        EXPECT_EQ(3, reader.GetCount());
        EXPECT_EQ("a.txt.~enc", reader.Entry(2).storedName);
    }
    {
        // An original another program holds open is not destroyed, the
        // report names it, and the project stays.
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, archive});
        const std::string held = Project() + "\\b.txt";
        HANDLE handle = INVALID_HANDLE_VALUE;
        m_destroyAnswer = IDYES;
        m_messages.respond = [&](const platform::MessageRequest& box) {
            if (box.text.find("Destroying original files") == 0) {
                handle = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                return IDYES;
            }
            return (box.style & 0xF) == MB_YESNO ? IDNO : IDOK;
        };
        EXPECT_FALSE(RunDialog(scanner, true));
        ASSERT_NE(INVALID_HANDLE_VALUE, handle);
        CloseHandle(handle);
        EXPECT_NE(std::string::npos, LastBox().find("These original files could not be destroyed:\n" + held));
        EXPECT_EQ((std::vector<std::string>{"b.txt"}), testsupport::ListDir(Project()));
        EXPECT_EQ("beta", testsupport::ReadFile(held));
        AnswerAsUsual();

        // The disk fails under the shredder: the original is named as
        // overwritten, not as left whole.
        pickers.answers.push_back({true, archive});
        platform::WriteHook previous =
            platform::SetWriteHook([&](const std::string& path, size_t) { return path != held; });
        EXPECT_FALSE(RunDialog(scanner, true));
        platform::SetWriteHook(previous);
        EXPECT_NE(std::string::npos,
                  LastBox().find("These original files could not be destroyed:\n" + held + " (overwritten, but not removed)"));
        EXPECT_EQ((std::vector<std::string>{"b.txt"}), testsupport::ListDir(Project()));
    }
    {
        // An empty project: no archive, and it says why.
        CSADirRead empty;
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, m_work / "empty.exe"});
        EXPECT_FALSE(RunDialog(empty, true));
        std::vector<std::string> boxes = LastBoxes(2);
        EXPECT_NE(std::string::npos, boxes[0].find(ArchiveResultText(kArchiveNoEntries)));
        EXPECT_EQ("0 Files were successfully encrypted and added to your self extracting file. 0 Files failed \n",
                  boxes[1]);
        EXPECT_FALSE(testsupport::Exists(m_work / "empty.exe"));
    }
    {
        // Two files already encrypted: nothing to pack, and the results say why.
        CSADirRead sealed;
        for (const char* name : {"one.~enc", "two.~enc"}) {
            testsupport::WriteFile(m_work / name, std::string("sealed ") + name + "<zqv>");
            ProjectEntry entry;
            entry.path = m_work / name;
            entry.name = name;
            sealed.files.push_back(entry);
        }
        const std::string output = m_work / "sealed.exe";
        const std::vector<std::string> before = testsupport::ListDir(m_work.Path());
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, output});
        std::vector<std::vector<std::string>> rows;
        EXPECT_FALSE(RunDialog(sealed, true, nullptr, true, &rows));
        std::vector<std::string> boxes = LastBoxes(2);
        EXPECT_NE(std::string::npos, boxes[0].find(ArchiveResultText(kArchiveNoEntries)));
        EXPECT_EQ("0 Files were successfully encrypted and added to self extracting file. 2 Files failed \nWould you "
                  "like to view full details?",
                  boxes[1]);
        EXPECT_EQ((std::vector<std::vector<std::string>>{{m_work / "one.~enc", "File already encrypted", ""},
                                                        {m_work / "two.~enc", "File already encrypted", ""}}),
                  rows);
        EXPECT_EQ(before, testsupport::ListDir(m_work.Path()));
        EXPECT_EQ("sealed one.~enc<zqv>", testsupport::ReadFile(m_work / "one.~enc"));
    }
}

}  // namespace
