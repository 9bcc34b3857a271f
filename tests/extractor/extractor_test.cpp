// The self-extractor: its text progress bar, and its dialog driven
// in-process over archives of real encrypted files behind the real program
// (the main program's tests run whole archives as their own programs).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/blowfish.h"
#include "core/cipher_settings.h"
#include "core/cipher_mode.h"
#include "core/file_cipher.h"
#include "core/file_header.h"
#include "core/keys.h"
#include "core/registry_dword.h"
#include "core/sfx_archive.h"
#include "extractor/extractor_dlg.h"
#include "extractor/resource.h"
#include "extractor/text_progress_ctrl.h"
#include "tests/extractor/extractor_process.h"
#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"
#include "framework/gdi.h"

using Vastrel2::CIPHER::CipherSettings;
using Vastrel2::CIPHER::FileEncryptor;

namespace {

using testsupport::Bytes;

const std::string kPassword = "correct horse";
// Blanks and letters beyond ASCII, in the system's code page.
const std::string kOddName = "Gr\xFC\xDF" "e aus K\xF6ln.txt";

// Encrypts the files (name -> content) in `work` and packs them behind the
// real Extractor program; returns the archive's path.
// `alter`, when given, changes each encrypted file before it is packed.
// `namesOnly` stores each file by its name alone, as a project of files
// from several folders stores them.
std::string MakeArchive(const testsupport::TempDir& work, const std::map<std::string, std::string>& files,
                        const std::string& hint = "none",
                        const std::function<void(const std::string&)>& alter = nullptr, bool namesOnly = false) {
    CipherSettings settings;
    settings.Clear();
    settings.LoadDefaults();
    CFile file;
    FileEncryptor encryptor(&file, 1, 0, kPassword, &settings);
    CSelfExtractor writer;
    for (const auto& f : files) {
        std::string path = work / f.first;
        if (namesOnly) testsupport::MakeDir(platform::FolderPart(path));
        testsupport::WriteFile(path, f.second);
        EXPECT_EQ(0, encryptor.EncryptFile(path, hint)) << f.first;
        if (alter) alter(path);
        EXPECT_TRUE(writer.AddFile(path, namesOnly ? platform::FileNamePart(f.first) : f.first));
    }
    std::string stub = testsupport::ReadFile(extractortest::ExtractorExePath());
    EXPECT_FALSE(stub.empty());
    std::string archive = work / "archive.exe";
    EXPECT_EQ(kArchiveOk, writer.WriteArchive(stub.data(), stub.size(), archive));
    return archive;
}

// Gives the encrypted file another stored original name, as a file made
// elsewhere could carry.
void StoreOriginalName(const std::string& path, const std::string& name) {
    using namespace Vastrel2::CIPHER;
    CFile file;
    Vastrel2::Utils::CFileHeader header;
    ASSERT_TRUE(file.Open(path, CFile::modeRead | CFile::typeBinary) && header.ReadFooter(file));
    file.Close();
    CipherSettings settings;
    settings.Clear();
    settings.LoadDefaults();
    std::unique_ptr<IKeyBase> key(IKeyBase::CreateKey(kPassword, settings));
    Blowfish cipher;
    cipher.SetKey(key->GetKey(), header.GetKeyLength());
    InitVector iv;
    ASSERT_TRUE(iv.SetFromHex(header.GetIvHex()));
    Vastrel2::Utils::CFileHeader forged(header.GetHint(), header.GetVerifier(), CBCMode().EncryptName(name, &cipher, iv),
                                        header.GetSize(), header.GetPad(), header.GetFormatVersion(),
                                        header.GetCipherId(), header.GetHashType(), header.GetKeyLength(),
                                        header.GetIvHex());
    const size_t cipherLength = static_cast<size_t>(header.GetSize() + static_cast<uint64_t>(header.GetPad()));
    testsupport::WriteFile(path, testsupport::ReadFile(path).substr(0, cipherLength) +
                                     Vastrel2::Utils::HexEncode(header.GetVerifier(), header.GetKeyLength()) +
                                     forged.BuildFooter());
}

// Gives the stored name of the encrypted file a character that is not
// hexadecimal: reading it brings up a box.
void DamageStoredName(const std::string& path) {
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead | CFile::typeBinary));
    Vastrel2::Utils::CFileHeader header;
    ASSERT_TRUE(header.ReadFooter(file));
    file.Close();
    std::string bytes = testsupport::ReadFile(path);
    size_t at = bytes.rfind("\xA9" + header.GetEncryptedName() + "\xA9");
    ASSERT_NE(std::string::npos, at);
    bytes[at + 1] = 'Z';
    testsupport::WriteFile(path, bytes);
}

class ExtractorTest : public uitest::UiTest {
protected:
    ExtractorTest() {
        testsupport::ClearVastrelSettings();
        uitest::Pump();
        AnswerNo();
    }
    // The summary is looked at where a test asks for it.
    void AnswerNo() {
        m_messages.respond = [](const platform::MessageRequest& box) {
            return (box.style & 0xF) == MB_YESNO ? IDNO : IDOK;
        };
    }
    ~ExtractorTest() override { testsupport::ClearVastrelSettings(); }

    // Runs the dialog over the archive: types folder and password, presses
    // Extract, and hands the open dialog to `after`.
    void Extract(const std::string& archive, const std::string& folder, const std::string& password,
                 const std::function<void(uitest::DialogDriver&)>& before = nullptr,
                 const std::function<void(uitest::DialogDriver&)>& after = nullptr) {
        uitest::ModalDriver driver;
        driver.When("CExtractorDlg", [&](uitest::DialogDriver& d) {
            d.Type(IDC_FOLDER, folder);
            d.Type(IDC_PASSWORD, password);
            if (before) before(d);
            d.Click(IDC_EXTRACT);
            if (after) after(d);
            d.Click(IDOK);
        });
        if (m_summary) driver.When("CCryptoSummaryDlg", m_summary);
        m_summary = nullptr;
        CExtractorDlg dialog;
        dialog.SetArchivePath(archive);
        dialog.DoModal();
        m_results = dialog.Results();
    }
    std::string LastBox() const { return m_messages.messages.empty() ? "" : m_messages.messages.back().text; }

    ResultMap m_results;
    // Runs the summary dialog of the next extraction when set.
    uitest::ModalDriver::Handler m_summary;
};

TEST_F(ExtractorTest, TextProgressBarDrawsByThePixel) {
    uitest::ScreenshotsOnClose shots;
    ui::Window host;
    ASSERT_TRUE(host.CreateEx(0, ui::Window::RegisterWindowClass(0, nullptr, GetSysColorBrush(COLOR_BTNFACE), nullptr),
                              "Progress", WS_POPUP | WS_VISIBLE, 100, 100, 140, 40, nullptr, nullptr));
    CTextProgressCtrl bar;
    ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE, RECT{10, 10, 110, 30}, host.Handle(), 1003));
    EXPECT_EQ(-1, bar.BarWidth());

    bar.SetRange(0, 4);
    bar.SetPos(1);
    EXPECT_EQ(25, bar.BarWidth());
    bar.SetRange(0, 3);
    bar.SetPos(0);
    bar.SetPos(1);
    EXPECT_EQ(33, bar.BarWidth());
    uitest::Pump(50);
    RECT update;
    EXPECT_FALSE(GetUpdateRect(bar.Handle(), &update, FALSE));  // painted and validated
    {
        ui::ClientDC dc(bar.Handle());
        EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), GetPixel(dc.Get(), 1, 1));
        EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), GetPixel(dc.Get(), 32, 1));
        EXPECT_EQ(GetSysColor(COLOR_WINDOW), GetPixel(dc.Get(), 34, 1));
        EXPECT_EQ(GetSysColor(COLOR_WINDOW), GetPixel(dc.Get(), 98, 18));
    }
    uitest::Screenshot(bar.Handle(), "part-way");

    // Steps below a pixel move nothing.
    bar.SetRange(0, 100000);
    bar.SetPos(0);
    bar.SetPos(500);
    EXPECT_EQ(0, bar.BarWidth());
    bar.StepIt();
    EXPECT_EQ(501, bar.GetPos());

    // An empty or inverted range and huge positions: no bar, no fault.
    bar.SetRange(5, 5);
    bar.SetPos(7);
    EXPECT_EQ(0, bar.BarWidth());
    bar.SetRange(-2000000000, 2000000000);
    bar.SetPos(2000000000);
    EXPECT_EQ(100, bar.BarWidth());
    bar.SetRange(10, 0);
    bar.SetPos(5);
    EXPECT_EQ(0, bar.BarWidth());
    uitest::Pump(50);
    EXPECT_FALSE(GetUpdateRect(bar.Handle(), &update, FALSE));
    {
        ui::ClientDC dc(bar.Handle());
        EXPECT_EQ(GetSysColor(COLOR_WINDOW), GetPixel(dc.Get(), 1, 1));
    }

    // The text always comes back terminated, and its length as copied.
    SetWindowTextA(bar.Handle(), "Extracting");
    char small[5];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(4, GetWindowTextA(bar.Handle(), small, sizeof small));
    EXPECT_STREQ("Extr", small);
    EXPECT_EQ(0, SendMessageA(bar.Handle(), WM_GETTEXT, 0, reinterpret_cast<LPARAM>(small)));
    EXPECT_EQ("Extracting", bar.Text());
    SetWindowTextA(bar.Handle(), nullptr);
    EXPECT_EQ("", bar.Text());
}

TEST_F(ExtractorTest, ExtractsAndDecryptsEveryFile) {
    testsupport::TempDir work;
    const std::map<std::string, std::string> files = {
        {"empty.txt", ""}, {"one.bin", "1"}, {"big.dat", Bytes(1 << 20, 7)}, {kOddName, "Gr\xFC\xDF" "e\r\n"}};
    std::string archive = MakeArchive(work, files);
    std::string folder = work / "out" + "\\deeper\\level";

    std::vector<std::vector<std::string>> rows;
    m_messages.respond = nullptr;  // Yes: the summary
    m_summary = [&](uitest::DialogDriver& d) {
        rows = d.ListRows(CCryptoSummaryDlg::kListId);
        d.Click(IDOK);
    };
    Extract(archive, folder, kPassword, nullptr, [&](uitest::DialogDriver& d) {
        EXPECT_TRUE(d.Enabled(IDC_EXTRACT));
        EXPECT_EQ("", d.Text(IDC_CURRENT_FILE));
        EXPECT_EQ(folder, d.Text(IDC_FOLDER));
        d.Screenshot("after");
    });
    ASSERT_FALSE(m_messages.messages.empty());
    EXPECT_EQ("4 files extracted successfully, 0 failed. \n4 files decrypted successfully, 0 failed. View summary?",
              LastBox());
    EXPECT_EQ(static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION), m_messages.messages.back().style);
    for (const auto& f : files) EXPECT_EQ(f.second, testsupport::ReadFile(folder + "\\" + f.first)) << f.first;
    EXPECT_EQ(files.size(), testsupport::ListDir(folder).size());  // no encrypted copy stays
    EXPECT_TRUE(m_results.empty());
    EXPECT_TRUE(rows.empty());

    AnswerNo();
    // Again, overwrite unchecked: every file is there, each stays as it is.
    testsupport::WriteFile(folder + "\\one.bin", "mine");
    m_messages.messages.clear();
    Extract(archive, folder, kPassword, [](uitest::DialogDriver& d) { d.SetCheck(IDC_OVERWRITE, false); });
    EXPECT_EQ("4 files extracted successfully, 0 failed. \n0 files decrypted successfully, 4 failed. View summary?",
              LastBox());
    EXPECT_EQ("mine", testsupport::ReadFile(folder + "\\one.bin"));
    EXPECT_EQ(files.size(), testsupport::ListDir(folder).size());
    ASSERT_EQ(4u, m_results.size());
    for (const auto& r : m_results) EXPECT_EQ("File already exists", r.second) << r.first;
    EXPECT_EQ(1u, m_results.count(folder + "\\one.bin.~enc"));

    // Overwrite on, but another program holds one.bin: it stays as it was,
    // and the summary says so; the others are replaced.
    HANDLE held = CreateFileA((folder + "\\one.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Extract(archive, folder, kPassword);
    CloseHandle(held);
    EXPECT_EQ("mine", testsupport::ReadFile(folder + "\\one.bin"));
    EXPECT_EQ(files.at("big.dat"), testsupport::ReadFile(folder + "\\big.dat"));
    ASSERT_EQ(1u, m_results.size());
    EXPECT_EQ(0u, m_results.begin()->second.find("Not replaced\xA9" "The existing file could not be replaced and stays"))
        << m_results.begin()->second;
    EXPECT_EQ(files.size(), testsupport::ListDir(folder).size());
}

TEST_F(ExtractorTest, RefusesWhatCannotWork) {
    testsupport::TempDir work;
    std::string archive = MakeArchive(work, {{"a.txt", "alpha"}, {"b.txt", "beta"}}, "my cat");
    std::string folder = work / "out";

    // No password, no folder: nothing happens.
    Extract(archive, folder, "");
    EXPECT_EQ("You must provide a password!", LastBox());
    Extract(archive, "", kPassword);
    EXPECT_EQ("You must provide a folder!", LastBox());
    EXPECT_FALSE(testsupport::Exists(folder));

    // A wrong password: both extracted, neither decrypted, nothing stays.
    Extract(archive, folder, "wrong password");
    EXPECT_EQ("2 files extracted successfully, 0 failed. \n0 files decrypted successfully, 2 failed. View summary?",
              LastBox());
    EXPECT_TRUE(testsupport::ListDir(folder).empty());
    ASSERT_EQ(2u, m_results.size());
    EXPECT_EQ(std::string("Password incorrect\xA9Password hint: my cat"), m_results[folder + "\\a.txt.~enc"]);

    // Summary off: the plain message. The program itself has no archive.
    RegistryDword(VastrelSettingPath("Summary"), 0).Set(1).Write();
    Extract(extractortest::ExtractorExePath(), folder, kPassword);
    EXPECT_EQ("0 files extracted successfully, 0 failed. \n0 files decrypted successfully, 0 failed.", LastBox());
    EXPECT_EQ(static_cast<unsigned>(MB_ICONINFORMATION), m_messages.messages.back().style);

    // An entry whose name leads out of the folder is refused and listed.
    std::string stub = testsupport::ReadFile(extractortest::ExtractorExePath());
    std::string hostile = work / "hostile.exe";
    std::string record = std::string(8, '\0') + std::string(8, '\0') + "..\\evil.txt" + std::string("\x0b\0\0\0", 4);
    std::memcpy(&record[0], "\0\0\0\0\0\0\0\0", 8);
    uint64_t offset = stub.size();
    for (int i = 0; i < 8; ++i) record[static_cast<size_t>(i)] = static_cast<char>((offset >> (8 * i)) & 0xFF);
    record[8] = 5;
    testsupport::WriteFile(hostile, stub + "12345" + record + std::string("\x01\0\0\0", 4) + kArchiveMarker);
    Extract(hostile, folder, kPassword);
    EXPECT_EQ("0 files extracted successfully, 1 failed. \n0 files decrypted successfully, 1 failed.", LastBox());
    EXPECT_FALSE(testsupport::Exists(work / "evil.txt"));
    ASSERT_EQ(1u, m_results.size());
    EXPECT_EQ(folder + "\\..\\evil.txt", m_results.begin()->first);
    EXPECT_EQ(0u, m_results.begin()->second.find("Not extracted\xA9"));
}

TEST_F(ExtractorTest, TwoFilesOfOneNameBothArrive) {
    testsupport::TempDir work;
    const std::string archive =
        MakeArchive(work, {{"first\\same.txt", "first"}, {"second\\same.txt", "second"}}, "none", nullptr, true);

    // Overwrite on: the second of one name is not written over the first.
    std::string folder = work / "out";
    Extract(archive, folder, kPassword);
    EXPECT_EQ("2 files extracted successfully, 0 failed. \n1 files decrypted successfully, 1 failed. View summary?",
              LastBox());
    EXPECT_EQ((std::vector<std::string>{"same.txt", "same.txt.~enc"}), testsupport::ListDir(folder));
    EXPECT_EQ("second", testsupport::ReadFile(folder + "\\same.txt"));
    ASSERT_EQ(1u, m_results.size());
    EXPECT_EQ(0u, m_results.begin()->second.find("File already exists\xA9" "Another file of this archive"))
        << m_results.begin()->second;
}

// A stored original name the system cannot give a file (a device, only dots
// and blanks) is said to be one, with overwrite on and off: nothing is
// written, no overwrite is tried, the encrypted copy goes and every other
// file arrives. The archive, in that folder, keeps its entry of its own name
// encrypted beside it. An archive that changes under a running extraction
// still names each failed entry by its stored name.
TEST_F(ExtractorTest, NamesTheSystemCannotMakeAreSaidSoAndEveryRowNamesItsEntry) {
    const std::vector<std::string> unmakeable = {"NUL", "CON", "com1.txt", "AUX.txt", "...", ". ."};
    testsupport::TempDir work, out;
    std::map<std::string, std::string> files = {{"plain.txt", "plain"}, {"setup.exe", "inner"}};
    for (size_t i = 0; i < unmakeable.size(); ++i) files["d" + std::to_string(i) + ".txt"] = "device " + unmakeable[i];
    const std::string folder = out / "here", archive = folder + "\\setup.exe";
    testsupport::MakeDir(folder);
    ASSERT_TRUE(MoveFileA(MakeArchive(work, files, "none", [&](const std::string& path) {
                              const std::string name = platform::FileNamePart(path);
                              if (name[0] == 'd') StoreOriginalName(path, unmakeable[static_cast<size_t>(name[1] - '0')]);
                          }).c_str(),
                          archive.c_str()));
    const std::string archiveBytes = testsupport::ReadFile(archive);
    const std::vector<std::string> workFiles = testsupport::ListDir(work.Path());
    std::vector<std::string> inFolder = {"plain.txt", "setup.exe", "setup.exe.~enc"};
    for (bool overwrite : {true, false}) {
        m_messages.respond = nullptr;  // Yes: the summary, for its picture
        m_summary = [](uitest::DialogDriver& d) { d.Click(IDOK); };
        Extract(archive, folder, kPassword, [&](uitest::DialogDriver& d) { d.SetCheck(IDC_OVERWRITE, overwrite); });
        EXPECT_EQ("8 files extracted successfully, 0 failed. \n" + std::string(overwrite ? "1" : "0") +
                      " files decrypted successfully, " + (overwrite ? "7" : "8") + " failed. View summary?",
                  LastBox());
        EXPECT_EQ(inFolder, testsupport::ListDir(folder));
        EXPECT_EQ("plain", testsupport::ReadFile(folder + "\\plain.txt"));
        EXPECT_EQ(archiveBytes, testsupport::ReadFile(archive));
        ASSERT_EQ(overwrite ? 7u : 8u, m_results.size());
        for (size_t i = 0; i < unmakeable.size(); ++i) {
            EXPECT_EQ("Not decrypted\xA9Its name \"" + unmakeable[i] +
                          "\" is one this system cannot give a file: a device name, only dots and blanks, or a "
                          "character no file name may hold; nothing was written",
                      m_results[folder + "\\d" + std::to_string(i) + ".txt.~enc"]);
        }
        const std::string kept = folder + "\\" + inFolder.back();
        EXPECT_EQ("File already exists\xA9This file has the name of the archive being extracted; it stays encrypted as " +
                      kept,
                  m_results[kept]);
        inFolder.push_back("setup.exe_1.~enc");
    }
    EXPECT_EQ(workFiles, testsupport::ListDir(work.Path()));
    EXPECT_EQ(std::vector<std::string>{"here"}, testsupport::ListDir(out.Path()));

    // Another program replaces the archive while the damaged stored name of
    // b.txt is being read (its box is open): the entry after it fails, and
    // its row names it.
    const std::string changing =
        MakeArchive(work, {{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}}, "none",
                    [](const std::string& path) {
                        if (platform::FileNamePart(path) == "b.~enc") DamageStoredName(path);
                    });
    m_messages.respond = [&](const platform::MessageRequest& box) {
        if (box.text == Vastrel2::CIPHER::kNameConversionError) testsupport::WriteFile(changing, "no archive");
        return (box.style & 0xF) == MB_YESNO ? IDNO : IDOK;
    };
    Extract(changing, out / "changing", kPassword);
    EXPECT_EQ("2 files extracted successfully, 1 failed. \n2 files decrypted successfully, 1 failed. View summary?",
              LastBox());
    EXPECT_EQ(std::string("Not extracted\xA9No archive is appended"), m_results[out / "changing" + "\\a.txt.~enc"]);
}

// Names that differ only in the case of a letter beyond A-Z are one name to
// Windows. Every such pair of code page 1252, from two folders into one
// archive, through the real program with "Overwrite existing files" ticked:
// one of each pair is decrypted, the other stays encrypted beside it with
// its row saying why, and every content survives.
TEST_F(ExtractorTest, NamesThatDifferOnlyInTheCaseOfALetterAllArrive) {
    std::vector<std::pair<char, char>> pairs = {{'\x8A', '\x9A'}, {'\x8C', '\x9C'}, {'\x8E', '\x9E'}, {'\x9F', '\xFF'}};
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) pairs.push_back({static_cast<char>(c), static_cast<char>(c + 0x20)});  // 0xD7 is no letter
    }
    testsupport::TempDir work;
    std::map<std::string, std::string> files;
    std::multiset<std::string> contents, found;
    for (const auto& pair : pairs) {
        for (const char letter : {pair.first, pair.second}) {
            const std::string name = letter + std::string("lan.txt"), project = letter == pair.first ? "one" : "two";
            files[project + "\\" + name] = project + " " + name;
            contents.insert(project + " " + name);
        }
    }
    MakeArchive(work, files, "none", nullptr, true);

    const std::string folder = work / "out";
    extractortest::ExtractorProcess program;
    ASSERT_TRUE(program.Start(work / "archive.exe", work / "transcript.txt"));
    EXPECT_EQ(BST_CHECKED, SendMessageA(GetDlgItem(program.Dialog(), IDC_OVERWRITE), BM_GETCHECK, 0, 0));
    program.SetText(extractortest::kFolderEdit, folder);
    program.SetText(extractortest::kPasswordEdit, kPassword);
    program.Click(extractortest::kExtractButton);
    ASSERT_TRUE(program.WaitForLine("summary\tend")) << ::testing::PrintToString(program.Lines());
    ASSERT_TRUE(program.Exit());
    const std::string n = std::to_string(pairs.size());
    EXPECT_EQ("box\t4\t" + std::to_string(2 * pairs.size()) + " files extracted successfully, 0 failed. \\n" + n +
                  " files decrypted successfully, " + n + " failed. View summary?",
              program.Lines().front());
    const auto rows = program.SummaryRows();
    ASSERT_EQ(pairs.size(), rows.size());
    for (const auto& row : rows) {
        EXPECT_TRUE(testsupport::Exists(row[0])) << row[0];
        EXPECT_EQ((std::vector<std::string>{row[0], "File already exists",
                                            "Another file of this archive has the same name; this one stays "
                                            "encrypted as " + row[0]}),
                  row);
    }
    // The plain files, then the encrypted ones decrypted where they are once
    // the plain file of their name has gone.
    CFile file;
    Vastrel2::CIPHER::FileDecryptor decryptor(&file, 0, 0, kPassword);
    for (bool encrypted : {false, true}) {
        for (const std::string& name : testsupport::ListDir(folder)) {
            std::string path = folder + "\\" + name, hint;
            if ((name.find(".~enc") != std::string::npos) != encrypted) continue;
            if (encrypted) {
                ASSERT_EQ(0, decryptor.DecryptFile(path, hint)) << name;
            }
            found.insert(testsupport::ReadFile(path));
            CFile::Remove(path);
        }
    }
    EXPECT_EQ(contents, found);
    EXPECT_EQ((std::vector<std::string>{"archive.exe", "one", "out", "transcript.txt", "two"}),
              testsupport::ListDir(work.Path()));  // nothing beside the chosen folder
}

// The real program, run as setup.exe from the folder it extracts into, with
// entries named setup.exe and SETUP.EXE: with "Overwrite existing files"
// ticked and then not, the archive stays byte for byte, both entries stay
// encrypted beside it with rows that say why, and every other file arrives.
TEST_F(ExtractorTest, TheArchiveBeingRunIsNeverReplacedByAnEntryOfItsName) {
    testsupport::TempDir work, out;
    MakeArchive(work, {{"a.txt", "alpha"}, {"one\\setup.exe", "lower"}, {"two\\SETUP.EXE", "upper"}, {"z.txt", "zulu"}},
                "none", nullptr, true);
    const std::string archive = out / "setup.exe";
    ASSERT_TRUE(MoveFileA((work / "archive.exe").c_str(), archive.c_str()));
    const std::string archiveBytes = testsupport::ReadFile(archive);

    extractortest::ExtractorProcess program;
    ASSERT_TRUE(program.Start(archive, work / "transcript.txt"));
    program.SetText(extractortest::kFolderEdit, out.Path());
    program.SetText(extractortest::kPasswordEdit, kPassword);
    for (bool overwrite : {true, false}) {
        if (!overwrite) {
            SendMessageA(GetDlgItem(program.Dialog(), IDC_OVERWRITE), BM_SETCHECK, BST_UNCHECKED, 0);
            program.Click(IDC_OVERWRITE);
        }
        const size_t seen = program.SummaryRows().size();
        program.Click(extractortest::kExtractButton);
        ASSERT_TRUE(program.WaitForLine("summary\tend", overwrite ? 1 : 2)) << ::testing::PrintToString(program.Lines());
        const std::vector<std::string> lines = program.Lines();
        EXPECT_EQ("box\t4\t4 files extracted successfully, 0 failed. \\n" + std::string(overwrite ? "2" : "0") +
                      " files decrypted successfully, " + (overwrite ? "2" : "4") + " failed. View summary?",
                  lines[lines.size() - 4 - (overwrite ? 0 : 2)]);
        const auto rows = program.SummaryRows();
        ASSERT_EQ(seen + (overwrite ? 2 : 4), rows.size());
        for (size_t i = seen; i < rows.size(); ++i) {
            const std::vector<std::string>& row = rows[i];
            const bool setup = row[0].find("\\a.txt") == std::string::npos && row[0].find("\\z.txt") == std::string::npos;
            EXPECT_EQ(setup ? "File already exists\tThis file has the name of the archive being extracted; it stays "
                              "encrypted as " + row[0]
                            : "File already exists\t",
                      row[1] + "\t" + row[2]);
            EXPECT_EQ(setup, testsupport::Exists(row[0])) << row[0];
        }
        EXPECT_EQ(archiveBytes, testsupport::ReadFile(archive));
        EXPECT_EQ("alpha", testsupport::ReadFile(out / "a.txt"));
        EXPECT_EQ("zulu", testsupport::ReadFile(out / "z.txt"));
        EXPECT_EQ(overwrite ? 5u : 7u, testsupport::ListDir(out.Path()).size());  // archive, 2 files, the kept ones
    }
    ASSERT_TRUE(program.Exit());
}

// Something thrown half-way through an extraction (here by the answer to
// the box that a damaged stored name brings up) ends it with a message; the
// dialog is ready again, closes, and the next extraction runs.
TEST_F(ExtractorTest, AnExceptionDuringTheExtractionLeavesADialogThatWorksAndCloses) {
    testsupport::TempDir work;
    // The stored name of b.txt gets a character that is not hexadecimal.
    auto damageName = [](const std::string& path) {
        if (path.find("b.txt") == std::string::npos && path.find("b.~enc") == std::string::npos) return;
        DamageStoredName(path);
    };
    std::string archive = MakeArchive(work, {{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}}, "none",
                                      damageName);
    const std::string folder = work / "out";
    m_messages.respond = [](const platform::MessageRequest& box) -> int {
        if (box.text == Vastrel2::CIPHER::kNameConversionError) throw std::runtime_error("the disk went away");
        return (box.style & 0xF) == MB_YESNO ? IDNO : IDOK;
    };
    Extract(archive, folder, kPassword, nullptr, [&](uitest::DialogDriver& d) {
        EXPECT_TRUE(d.Enabled(IDC_EXTRACT));
        EXPECT_TRUE(d.Enabled(IDC_PASSWORD));
        EXPECT_FALSE(IsWindowVisible(d.Item(IDC_PROGRESS)));
        EXPECT_EQ("", d.Text(IDC_CURRENT_FILE));
        d.Screenshot("after an exception");
    });  // and Exit closed it
    ASSERT_GE(m_messages.messages.size(), 2u);
    EXPECT_EQ(Vastrel2::CIPHER::kNameConversionError, m_messages.messages[m_messages.messages.size() - 2].text);
    EXPECT_EQ("The extraction stopped because of an error: the disk went away\nThe archive is unchanged; the files "
              "extracted so far stay in " + folder + ".",
              LastBox());
    EXPECT_EQ(static_cast<unsigned>(MB_ICONERROR), m_messages.messages.back().style);
    // What was extracted before stays (the archive is read in reverse order).
    EXPECT_EQ("gamma", testsupport::ReadFile(folder + "\\c.txt"));

    // Anything else thrown: the same, without a reason to give.
    m_messages.respond = [](const platform::MessageRequest& box) -> int {
        if (box.text == Vastrel2::CIPHER::kNameConversionError) throw 42;
        return (box.style & 0xF) == MB_YESNO ? IDNO : IDOK;
    };
    Extract(archive, folder, kPassword);
    EXPECT_EQ("The extraction stopped because of an error\nThe archive is unchanged; the files extracted so far stay "
              "in " + folder + ".",
              LastBox());

    // Nothing thrown: the whole run and its counts.
    AnswerNo();
    Extract(archive, work / "again", kPassword);
    EXPECT_EQ("3 files extracted successfully, 0 failed. \n3 files decrypted successfully, 0 failed. View summary?",
              LastBox());
    EXPECT_EQ("alpha", testsupport::ReadFile(work / "again" + "\\a.txt"));
}

// On a Japanese system (code page 932) the character U+8868 is the bytes
// 0x95 0x5C: its second byte is the byte of '\\' and separates nothing.
// ctest runs these as extractor_tests_japanese, with the locale that gives
// this program, and the Extractor it starts, that code page.
class OnAJapaneseSystem : public testsupport::CleanSettingsTest {
protected:
    void SetUp() override {
        if (GetACP() != 932) GTEST_SKIP() << "for code page 932 (ctest: extractor_tests_japanese)";
        CleanSettingsTest::SetUp();
    }
    const std::string kHyo = "\x95\x5C";
};

// The real program, on a Japanese system, extracts an archive holding
// a.txt and U+8868.txt into a folder that ends in U+8868, typed without and
// then with a separator at its end; encrypting there keeps the file there.
TEST_F(OnAJapaneseSystem, StoredNamesAndFoldersEndingInATrailByteLikeASeparatorStayWhole) {
    testsupport::TempDir work, out;
    const std::string archive = MakeArchive(work, {{"a.txt", "alpha"}, {kHyo + ".txt", "kanji"}});
    const std::string folder = out / "jp" + "\\" + kHyo;
    extractortest::ExtractorProcess program;
    ASSERT_TRUE(program.Start(archive, work / "transcript.txt"));
    program.SetText(extractortest::kPasswordEdit, kPassword);
    for (const std::string& typed : {folder, folder + "\\"}) {
        program.SetText(extractortest::kFolderEdit, typed);
        program.Click(extractortest::kExtractButton);
        ASSERT_TRUE(program.WaitForLine("summary\tend", typed == folder ? 1 : 2)) << ::testing::PrintToString(program.Lines());
        const std::vector<std::string> lines = program.Lines();  // its box, then its (empty) summary
        EXPECT_EQ("box\t4\t2 files extracted successfully, 0 failed. \\n2 files decrypted successfully, 0 failed. "
                  "View summary?",
                  lines[lines.size() - 2]);
        EXPECT_EQ((std::vector<std::string>{"a.txt", kHyo + ".txt"}), testsupport::ListDir(folder));
        EXPECT_EQ("kanji", testsupport::ReadFile(folder + "\\" + kHyo + ".txt"));
        EXPECT_EQ(std::vector<std::string>{kHyo}, testsupport::ListDir(out / "jp"));  // nothing beside it
    }
    ASSERT_TRUE(program.Exit());

    CipherSettings settings;
    settings.Clear();
    settings.LoadDefaults();
    CFile file;
    std::string path = folder + "\\" + kHyo + ".txt";
    ASSERT_EQ(0, FileEncryptor(&file, 0, 1, kPassword, &settings).EncryptFile(path, "none"));
    EXPECT_EQ(folder, platform::FolderPart(path));
    EXPECT_EQ(68u, platform::FileNamePart(path).find_first_not_of("0123456789ABCDEFabcdef"));  // digest, no U+8868
    // The current-file line never starts inside a character.
    EXPECT_EQ("..\\" + std::string(39, 'q'), CExtractorDlg::ShortenedPath(std::string(39, 'p') + kHyo + std::string(39, 'q')));
}

TEST(ExtractorNames, LongPathsShowTheirEnd) {
    std::string forty(40, 'p');
    EXPECT_EQ(forty, CExtractorDlg::ShortenedPath(forty));
    EXPECT_EQ("..\\" + forty, CExtractorDlg::ShortenedPath("q" + forty));
}

}  // namespace
