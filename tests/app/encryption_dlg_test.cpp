#include <map>
#include <memory>

#include "app/encryption_dlg.h"
#include "core/file_header.h"
#include "platform/system.h"
#include "tests/app/project_test_support.h"
#include "ui/dialog_helpers.h"
#include "ui/file_run.h"
#include "vastrel/resource.h"

namespace {

using apptest::ProjectTest;
using testsupport::Exists;
using testsupport::ReadFile;
using Rows = std::vector<std::vector<std::string>>;
using Vastrel2::Utils::GetHint;
using Vastrel2::Utils::IsEncryptedFile;

class EncryptionDlgTest : public ProjectTest {
protected:
    std::unique_ptr<CEncryptionDlg> Dialog(int mode, bool obfuscate = false, bool summary = true) {
        return std::make_unique<CEncryptionDlg>(static_cast<int>(m_scanner.files.size()), SizeLow(), SizeHigh(),
                                                &m_list, &m_scanner, mode, obfuscate, summary, m_host);
    }
    // Runs the dialog: the password typed (twice and with the hint when
    // encrypting), then Enter. The driver may hold what follows (the
    // summary).
    void Run(int mode, const std::string& password, const std::string& hint = "",
             std::function<void(uitest::DialogDriver&)> before = nullptr, uitest::ModalDriver* driver = nullptr) {
        std::unique_ptr<uitest::ModalDriver> own;
        if (!driver) {
            own = std::make_unique<uitest::ModalDriver>();
            driver = own.get();
        }
        driver->When("CEncryptionDlg", [&](uitest::DialogDriver& d) {
            if (before) before(d);
            d.Type(IDC_PASSWORD, password);
            if (mode == CEncryptionDlg::kEncrypt) {
                d.Type(IDC_CONFIRM_PASSWORD, password);
                if (!hint.empty()) d.Type(IDC_HINT, hint);
            }
            d.Press(VK_RETURN);
        });
        EXPECT_EQ(IDOK, Dialog(mode)->DoModal());
    }
    int m_undoAnswer = IDYES;
};

std::string Pattern(size_t n) {
    std::string data(n, '\0');
    for (size_t i = 0; i < n; ++i) data[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return data;
}

struct Search {
    const char* className;
    HWND found;
};

BOOL CALLBACK FindByClass(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<Search*>(search);
    if (uitest::ClassName(window) == s->className) s->found = window;
    return TRUE;
}

// A window of this thread by the class of its object.
HWND ThreadWindow(const char* className) {
    Search search{className, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &FindByClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgressWindow() { return ThreadWindow("CProgressWnd"); }

TEST_F(EncryptionDlgTest, EncryptsAndDecryptsTheProjectByteForByte) {
    const std::string big = Pattern(1 << 20);
    MakeProject({{"empty.txt", ""}, {"one.bin", "x"}, {"big 100% sure.dat", big}});
    const std::vector<std::string> plain = EntryPaths();
    // Non-ASCII letters, '%' and a blank.
    const std::string password = "P\xE4sswort%s%n 1\xFC";

    // A look at the progress window while the big file is written.
    bool seen = false;
    platform::WriteHook previous = platform::SetWriteHook([&](const std::string& path, size_t) {
        HWND progress = ProgressWindow();
        if (!seen && progress && IsWindowVisible(progress) && path.find("big") != std::string::npos) {
            seen = true;
            EXPECT_EQ("Encrypting...\n" + Path("big 100% sure.dat"), ui::WindowRef(GetDlgItem(progress, 11)).Text());
            uitest::Screenshot(progress, "encrypting");
            // The dialog's own Cancel and Esc do nothing while it works.
            HWND dialog = ThreadWindow("CEncryptionDlg");
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
            EXPECT_TRUE(static_cast<ui::Dialog*>(ui::Window::FromHandle(dialog))->Running());
        }
        return true;
    });
    uitest::ModalDriver driver;
    driver.When("CEncryptionDlg", [&](uitest::DialogDriver& d) {
        EXPECT_EQ("Vastrel 2.0", ui::WindowRef(d.Handle()).Text());
        EXPECT_EQ("Encrypt", d.Text(IDOK));
        EXPECT_EQ("3", d.Text(IDC_FILE_COUNT));
        EXPECT_EQ(FormatFileSize((1 << 20) + 1), d.Text(IDC_TOTAL_SIZE));
        EXPECT_EQ(BST_CHECKED, d.Checked(IDC_PROCESS_READONLY));
        EXPECT_EQ("Password ", d.Text(IDC_STRENGTH_LABEL));
        // Too short, then not confirmed: told why, and the dialog stays.
        d.Type(IDC_PASSWORD, "abcde");
        d.Type(IDC_CONFIRM_PASSWORD, "abcde");
        d.Press(VK_RETURN);
        d.Type(IDC_PASSWORD, password);
        d.Type(IDC_CONFIRM_PASSWORD, password + "x");
        d.Press(VK_RETURN);
        EXPECT_EQ((std::vector<std::string>{"Password must be at least 6 characters long", "Passwords do not match!"}),
                  Texts());
        EXPECT_TRUE(IsWindowVisible(d.Handle()));
        EXPECT_EQ(password, d.Text(IDC_PASSWORD));
        d.Type(IDC_CONFIRM_PASSWORD, password);
        d.Type(IDC_HINT, "my cat");
        EXPECT_EQ("Password : Strong", d.Text(IDC_STRENGTH_LABEL));
        d.Screenshot("encrypting");
        m_messages.messages.clear();
        d.Press(VK_RETURN);
    });
    EXPECT_EQ(IDOK, Dialog(CEncryptionDlg::kEncrypt)->DoModal());
    platform::SetWriteHook(previous);
    EXPECT_TRUE(seen);

    EXPECT_EQ((std::vector<std::string>{"Are you sure you would like to encrypt files?",
                                        "3 Files were successfully encrypted. 0 Files failed \n"}),
              Texts());
    EXPECT_EQ(unsigned(MB_YESNO | MB_ICONQUESTION), m_messages.messages[0].style);
    EXPECT_EQ(unsigned(MB_ICONINFORMATION), m_messages.messages[1].style);
    EXPECT_EQ((std::vector<std::string>{"big 100% sure.~enc", "empty.~enc", "one.~enc"}), RowNames());
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_FALSE(Exists(plain[i])) << plain[i];
        EXPECT_TRUE(IsEncryptedFile(m_scanner.files[i].path)) << m_scanner.files[i].path;
        EXPECT_EQ("my cat", GetHint(m_scanner.files[i].path));
    }
    EXPECT_EQ("project\\one.~enc", m_scanner.files[2].name);

    m_messages.messages.clear();
    uitest::ModalDriver decrypt;
    decrypt.When("CEncryptionDlg", [&](uitest::DialogDriver& d) {
        EXPECT_EQ("Decrypt", d.Text(IDOK));
        EXPECT_FALSE(d.Visible(IDC_CONFIRM_PASSWORD));
        EXPECT_FALSE(d.Visible(IDC_HINT));
        EXPECT_FALSE(d.Visible(IDC_VERIFY_LABEL));
        d.Type(IDC_PASSWORD, password);
        EXPECT_EQ("Password ", d.Text(IDC_STRENGTH_LABEL));  // no grade when decrypting
        d.Screenshot("decrypting");
        d.Press(VK_RETURN);
    });
    EXPECT_EQ(IDOK, Dialog(CEncryptionDlg::kDecrypt)->DoModal());
    EXPECT_EQ((std::vector<std::string>{"Are you sure you would like to decrypt files?",
                                        "3 Files were successfully decrypted. 0 Files failed \n"}),
              Texts());
    EXPECT_EQ(plain, EntryPaths());
    EXPECT_EQ((std::vector<std::string>{"big 100% sure.dat", "empty.txt", "one.bin"}), RowNames());
    EXPECT_EQ(big, ReadFile(Path("big 100% sure.dat")));
    EXPECT_EQ("", ReadFile(Path("empty.txt")));
    EXPECT_EQ("x", ReadFile(Path("one.bin")));
    EXPECT_EQ((std::vector<std::string>{"big 100% sure.dat", "empty.txt", "one.bin"}), testsupport::ListDir(m_folder));
}

TEST_F(EncryptionDlgTest, WrongPasswordShowsTheHintAndARenamedTargetMovesTheRow) {
    MakeProject({{"a.txt", "alpha"}, {"b.txt", "beta"}});
    Set("SCM", 1);  // no confirmation
    std::string password(1000, 'k');
    password.replace(10, 4, "\xE9%d\xC4");
    Run(CEncryptionDlg::kEncrypt, password, "my cat");
    EXPECT_EQ((std::vector<std::string>{"2 Files were successfully encrypted. 0 Files failed \n"}), Texts());
    const std::vector<std::string> encrypted = EntryPaths();

    // Decrypting starts even with another password: both refused, and the
    // details carry the hint.
    m_messages.messages.clear();
    m_messages.answers = {IDYES};
    uitest::ModalDriver driver;
    Rows rows;
    uitest::ReadSummary(driver, rows, "wrong-password");
    Run(CEncryptionDlg::kDecrypt, "", "", nullptr, &driver);
    EXPECT_EQ((std::vector<std::string>{"0 Files were successfully decrypted. 2 Files failed \n"
                                        "Would you like to view full details?"}),
              Texts());
    EXPECT_EQ((Rows{{encrypted[0], "Password incorrect", "Password hint: my cat"},
                    {encrypted[1], "Password incorrect", "Password hint: my cat"}}),
              rows);
    EXPECT_EQ(encrypted, EntryPaths());
    EXPECT_EQ((std::vector<std::string>{"a.~enc", "b.~enc"}), RowNames());

    // A new b.txt took the name meanwhile: it becomes b.txt.old, the
    // decrypted file takes the name, and its row follows it.
    testsupport::WriteFile(Path("b.txt"), "newer beta");
    m_messages.messages.clear();
    m_messages.answers = {IDOK, IDNO};
    Run(CEncryptionDlg::kDecrypt, password);
    ASSERT_EQ(2u, m_messages.messages.size());
    EXPECT_EQ("The file " + Path("b.txt") + " already exists, Vastrel 2 will rename this file to " + Path("b.txt") +
                  ".old then proceed with decrypting.",
              m_messages.messages[0].text);
    EXPECT_EQ("1 Files were successfully decrypted. 1 Files failed \nWould you like to view full details?",
              m_messages.messages[1].text);
    EXPECT_EQ((std::vector<std::string>{Path("a.txt"), Path("b.txt")}), EntryPaths());
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt"}), RowNames());
    EXPECT_EQ("beta", ReadFile(Path("b.txt")));
    EXPECT_EQ("newer beta", ReadFile(Path("b.txt.old")));
    EXPECT_FALSE(Exists(encrypted[1]));
}

TEST_F(EncryptionDlgTest, EveryBadFileGetsItsResultAndTheRunGoesOn) {
    MakeProject({{"good.txt", "good"}, {"readonly.txt", "ro"}, {"locked.txt", "held"}, {"hidden.txt", "hid"},
                 {"vanish.txt", "soon gone"}, {"done.txt", "already"}, {"pinned.txt", "in use"}});
    {
        FileRun before(FileRun::kEncrypt, "password1", true, false);
        CSecureDelete shredder;
        ASSERT_EQ(0, before.Process(Path("done.txt"), &shredder).result);
    }
    SetFileAttributesA(Path("readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(Path("hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    Load();
    DeleteFileA(Path("vanish.txt").c_str());
    const std::string doneBytes = ReadFile(Path("done.~enc"));
    HANDLE held = CreateFileA(Path("locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    // Another program keeps this one open without letting it be renamed or
    // deleted: it can be encrypted, but its original stays.
    HANDLE pinned = CreateFileA(Path("pinned.txt").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, pinned);

    m_messages.answers = {IDYES, IDOK, IDOK, IDYES};
    uitest::ModalDriver driver;
    Rows rows;
    uitest::ReadSummary(driver, rows, "bad-files");
    Run(
        CEncryptionDlg::kEncrypt, "abcdef", "",
        [](uitest::DialogDriver& d) { d.SetCheck(IDC_PROCESS_READONLY, false); }, &driver);
    CloseHandle(held);
    CloseHandle(pinned);
    EXPECT_EQ((std::vector<std::string>{
                  "Are you sure you would like to encrypt files?",
                  "Unable to open file " + Path("locked.txt") +
                      "\nThe file may be in use by another process. \nFile will not be encrypted",
                  "An error occured while processing file: " + Path("pinned.txt") + "\n" + platform::SystemErrorText(ERROR_SHARING_VIOLATION) + "\n",
                  "These original files could not be destroyed:\n" + Path("pinned.txt") +
                      "\n\n2 Files were successfully encrypted. 5 Files failed \nWould you like to view full details?"}),
              Texts());
    EXPECT_EQ((Rows{{Path("done.~enc"), "File already encrypted", ""},
                    {Path("hidden.txt"), "File read error", ""},
                    {Path("locked.txt"), "", "The file could not be opened, or the encrypted file could not be created"},
                    {Path("pinned.txt"), "OK", "original could not be removed"},
                    {Path("readonly.txt"), "File read only", ""},
                    {Path("vanish.txt"), "File does not exists", ""}}),
              rows);
    // Only the good file changed.
    EXPECT_EQ((std::vector<std::string>{"done.~enc", "good.~enc", "hidden.txt", "locked.txt", "pinned.~enc",
                                        "readonly.txt", "vanish.txt"}),
              RowNames());
    EXPECT_EQ("in use", ReadFile(Path("pinned.txt")));
    EXPECT_TRUE(IsEncryptedFile(Path("pinned.~enc")));
    EXPECT_FALSE(Exists(Path("good.txt")));
    EXPECT_EQ("ro", ReadFile(Path("readonly.txt")));
    EXPECT_EQ("held", ReadFile(Path("locked.txt")));
    EXPECT_EQ("hid", ReadFile(Path("hidden.txt")));
    EXPECT_EQ(doneBytes, ReadFile(Path("done.~enc")));

    // With read-only files processed, the read-only one goes too.
    m_messages.messages.clear();
    m_messages.answers = {IDYES, IDNO};
    Run(CEncryptionDlg::kEncrypt, "password1");
    EXPECT_FALSE(Exists(Path("readonly.txt")));
    EXPECT_TRUE(IsEncryptedFile(Path("readonly.~enc")));
    SetFileAttributesA(Path("hidden.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(EncryptionDlgTest, NoToTheQuestionTouchesNothing) {
    MakeProject({{"a.txt", "alpha"}});
    // Encrypting: No ends the dialog.
    m_messages.answers = {IDNO};
    Run(CEncryptionDlg::kEncrypt, "password1");
    EXPECT_EQ((std::vector<std::string>{"Are you sure you would like to encrypt files?"}), Texts());
    EXPECT_EQ("alpha", ReadFile(Path("a.txt")));
    // Decrypting: No leaves it open; Esc closes it.
    m_messages.messages.clear();
    m_messages.answers = {IDNO};
    uitest::ModalDriver driver;
    driver.When("CEncryptionDlg", [&](uitest::DialogDriver& d) {
        d.Type(IDC_PASSWORD, "password1");
        d.Press(VK_RETURN);
        EXPECT_TRUE(IsWindowVisible(d.Handle()));
        d.Press(VK_ESCAPE);
    });
    EXPECT_EQ(IDCANCEL, Dialog(CEncryptionDlg::kDecrypt)->DoModal());
    EXPECT_EQ((std::vector<std::string>{"Are you sure you would like to decrypt files?"}), Texts());
    EXPECT_EQ((std::vector<std::string>{"a.txt"}), RowNames());
}

TEST_F(EncryptionDlgTest, AFullDiskLosesNoOriginal) {
    MakeProject({{"a.bin", Pattern(300000)}, {"b.bin", Pattern(300001)}, {"c.bin", Pattern(300002)}});
    Set("SCM", 1);
    // The disk has room for one encrypted file, not for two.
    size_t used = 0;
    platform::WriteHook previous = platform::SetWriteHook([&](const std::string& path, size_t count) {
        if (path.size() < 5 || path.compare(path.size() - 5, 5, ".~enc") != 0) return true;
        if (used + count > 450000) return false;
        used += count;
        return true;
    });
    m_messages.answers = {IDYES};
    uitest::ModalDriver driver;
    Rows rows;
    uitest::ReadSummary(driver, rows);
    Run(CEncryptionDlg::kEncrypt, "password1", "", nullptr, &driver);
    platform::SetWriteHook(previous);
    EXPECT_EQ((std::vector<std::string>{"1 Files were successfully encrypted. 2 Files failed \n"
                                        "Would you like to view full details?"}),
              Texts());
    EXPECT_EQ((Rows{{Path("b.bin"), "Failed to encrypt file.", ""}, {Path("c.bin"), "Failed to encrypt file.", ""}}),
              rows);
    EXPECT_EQ((std::vector<std::string>{"a.~enc", "b.bin", "c.bin"}), testsupport::ListDir(m_folder));
    EXPECT_EQ(Pattern(300001), ReadFile(Path("b.bin")));
    EXPECT_EQ(Pattern(300002), ReadFile(Path("c.bin")));
    EXPECT_EQ((std::vector<std::string>{"a.~enc", "b.bin", "c.bin"}), RowNames());
}

TEST_F(EncryptionDlgTest, CancelStopsBetweenFilesAndUndoDecryptsBack) {
    MakeProject({{"a.txt", "alpha"}, {"b.txt", "beta"}, {"c.txt", "gamma"}, {"d.txt", "delta"}});
    const std::vector<std::string> plain = EntryPaths();
    // Esc while the first file is encrypted; then Yes to the undo question.
    auto escAfterConfirming = [&](uitest::DialogDriver& d) {
        HWND dialog = d.Handle();
        m_messages.respond = [this, dialog](const platform::MessageRequest& box) {
            if (box.text == "Are you sure you would like to encrypt files?") {
                PostMessageA(dialog, WM_CHAR, 27, 0);
                return IDYES;
            }
            if (box.text == "Undo changed files?") {
                EXPECT_EQ(unsigned(MB_YESNO | MB_ICONQUESTION), box.style);
                EXPECT_FALSE(IsWindowVisible(ProgressWindow()));
                return m_undoAnswer;
            }
            return box.text.find("view full details") != std::string::npos ? IDYES : IDOK;
        };
    };
    uitest::ModalDriver driver;
    Rows rows;
    uitest::ReadSummary(driver, rows, "canceled");
    m_undoAnswer = IDYES;
    Run(CEncryptionDlg::kEncrypt, "password1", "", escAfterConfirming, &driver);
    EXPECT_EQ((std::vector<std::string>{"Are you sure you would like to encrypt files?", "Undo changed files?",
                                        "0 Files were successfully encrypted. 0 Files failed \n"
                                        "Would you like to view full details?"}),
              Texts());
    EXPECT_EQ((Rows{{"3 files were canceled", "", ""}}), rows);
    EXPECT_EQ(plain, EntryPaths());
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}), RowNames());
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}), testsupport::ListDir(m_folder));
    EXPECT_EQ("alpha", ReadFile(Path("a.txt")));

    // No: what was done stays done, and the summary has nothing to add.
    m_messages.messages.clear();
    m_undoAnswer = IDNO;
    Run(CEncryptionDlg::kEncrypt, "password1", "", escAfterConfirming, &driver);
    EXPECT_EQ("1 Files were successfully encrypted. 0 Files failed \n", m_messages.messages.back().text);
    EXPECT_EQ(unsigned(MB_ICONINFORMATION), m_messages.messages.back().style);
    EXPECT_EQ((std::vector<std::string>{"a.~enc", "b.txt", "c.txt", "d.txt"}), RowNames());
    EXPECT_EQ((std::vector<std::string>{"a.~enc", "b.txt", "c.txt", "d.txt"}), testsupport::ListDir(m_folder));

    // Decrypting stops at the progress window's Cancel button without a question.
    m_messages.messages.clear();
    m_messages.respond = [](const platform::MessageRequest& box) {
        if (box.text == "Are you sure you would like to decrypt files?") {
            PostMessageA(GetDlgItem(ProgressWindow(), 10), BM_CLICK, 0, 0);
        }
        return IDYES;
    };
    Run(CEncryptionDlg::kDecrypt, "password1");
    EXPECT_EQ((std::vector<std::string>{"Are you sure you would like to decrypt files?",
                                        "1 Files were successfully decrypted. 0 Files failed \n"}),
              Texts());
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}), RowNames());
}

// Other programs hold some of the files while they are encrypted, and the
// disk fails while one original is shredded; the run is cancelled before the
// last file. Undo gives back every file byte for byte; without it each file
// is either encrypted with its original destroyed, or the summary says that
// its original is still there, whole or overwritten. No file is ever left
// without a good plain or encrypted copy.
TEST_F(EncryptionDlgTest, FilesInUseAreNeverLostWhetherTheCancelledRunIsUndoneOrNot) {
    using testsupport::FileInUse;
    std::vector<FileInUse> files = testsupport::FilesInUse();
    files.push_back({"f last.txt", nullptr, false});
    Set("SSO", 1);
    for (int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer == IDYES ? "undone" : "kept");
        for (const std::string& name : testsupport::ListDir(m_folder)) {
            SetFileAttributesA(Path(name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(Path(name).c_str());
        }
        std::map<std::string, std::string> data;
        std::vector<std::pair<std::string, std::string>> project;
        unsigned seed = 10;
        for (const FileInUse& f : files) project.emplace_back(f.name, data[f.name] = testsupport::Bytes(70000, ++seed));
        MakeProject(project);
        auto holders = testsupport::HoldFiles(m_folder, files);
        // The disk fails after the first write over "e failing.txt", and the
        // progress window's Cancel is pressed then; the disk is sound again
        // when the question comes.
        const std::string failing = Path("e failing.txt");
        int writes = 0;
        bool diskFails = true;
        platform::WriteHook previous = platform::SetWriteHook([&](const std::string& path, size_t) {
            if (path != failing || ++writes == 1 || !diskFails) return true;
            if (writes == 2) PostMessageA(GetDlgItem(ProgressWindow(), 10), BM_CLICK, 0, 0);
            return false;
        });
        m_messages.messages.clear();
        m_messages.respond = [&](const platform::MessageRequest& box) {
            if (box.text == "Undo changed files?") {
                diskFails = false;
                return answer;
            }
            return (box.style & 0xF) == MB_YESNO ? IDYES : IDOK;
        };
        uitest::ModalDriver driver;
        Rows rows;
        uitest::ReadSummary(driver, rows, answer == IDYES ? "in-use-undone" : "in-use-kept");
        Run(CEncryptionDlg::kEncrypt, "password1", "", nullptr, &driver);
        platform::SetWriteHook(previous);
        m_messages.respond = nullptr;
        holders.clear();

        // The read-only original stays read-only.
        EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY),
                  GetFileAttributesA(Path("d readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA(Path("d readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
        const std::vector<std::string> texts = Texts();
        ASSERT_EQ(6u, texts.size()) << testing::PrintToString(texts);
        EXPECT_EQ(0u, texts[1].find("An error occured while processing file: " + Path("a shared.txt") + "\n"));
        EXPECT_EQ(0u, texts[2].find("Unable to open file " + Path("c exclusive.txt")));
        EXPECT_EQ(0u, texts[3].find("An error occured while processing file: " + Path("d readonly.txt") + "\n"));
        EXPECT_EQ("Undo changed files?", texts[4]);
        const Rows failed = {{Path("c exclusive.txt"), "",
                              "The file could not be opened, or the encrypted file could not be created"}};
        if (answer == IDYES) {
            // Every file is back as it was, and only the cancel is told.
            EXPECT_EQ("0 Files were successfully encrypted. 1 Files failed \nWould you like to view full details?",
                      texts[5]);
            Rows expected = {{"1 files were canceled", "", ""}};
            expected.insert(expected.end(), failed.begin(), failed.end());
            EXPECT_EQ(expected, rows);
            std::vector<std::string> names;
            for (const FileInUse& f : files) names.push_back(f.name);
            EXPECT_EQ(names, testsupport::ListDir(m_folder));
            EXPECT_EQ(names, RowNames());
            for (const FileInUse& f : files) EXPECT_TRUE(ReadFile(Path(f.name)) == data[f.name]) << f.name;
        } else {
            // No row for the cancel: the run tells what it did.
            // The originals still there lead it, the overwritten one with
            // the encrypted file that is now its only good copy.
            const std::string onlyCopy = "original was overwritten but could not be removed; the encrypted file " +
                                         Path("e failing.~enc") + " is the only good copy";
            EXPECT_EQ("These original files could not be destroyed:\n" + Path("a shared.txt") + "\n" +
                          Path("d readonly.txt") + "\n" + failing + " (" + onlyCopy +
                          ")\n\n4 Files were successfully encrypted. 1 Files failed \nWould you like to view full "
                          "details?",
                      texts[5]);
            EXPECT_EQ((Rows{{Path("a shared.txt"), "OK", "original could not be removed"},
                            failed[0],
                            {Path("d readonly.txt"), "OK", "original could not be removed"},
                            {Path("e failing.txt"), "OK", onlyCopy}}),
                      rows);
            EXPECT_EQ((std::vector<std::string>{"a shared.txt", "a shared.~enc", "b deletable.~enc", "c exclusive.txt",
                                                "d readonly.txt", "d readonly.~enc", "e failing.txt", "e failing.~enc",
                                                "f last.txt"}),
                      testsupport::ListDir(m_folder));
            for (const char* name : {"a shared.txt", "c exclusive.txt", "d readonly.txt", "f last.txt"})
                EXPECT_TRUE(ReadFile(Path(name)) == data[name]) << name;
            EXPECT_FALSE(ReadFile(failing) == data["e failing.txt"]);
            // Each encrypted copy holds its whole file.
            FileRun check(FileRun::kDecrypt, "password1", true, false);
            for (const char* name : {"a shared", "b deletable", "d readonly", "e failing"}) {
                const std::string plain = std::string(name) + ".txt";
                DeleteFileA(Path(plain).c_str());
                FileRun::Step step = check.Process(Path(std::string(name) + ".~enc"), nullptr);
                EXPECT_EQ(0, step.result) << name;
                EXPECT_TRUE(ReadFile(Path(plain)) == data[plain]) << name;
            }
        }
    }
}

// The shredder writes over an original and then cannot confirm where it is:
// its name can no longer be examined, or another program put a file there.
// It is reported overwritten, and Undo never throws the encrypted file away
// for it: the file is decrypted back (anything at its name moved aside to
// ".old"), or, where that fails, the encrypted file stays as the only good
// copy and the summary says so.
TEST_F(EncryptionDlgTest, UndoKeepsTheEncryptedCopyOfAnOriginalTheShredderCannotConfirm) {
    enum Blind { kRunOnly, kRunAndUndo };
    struct Case {
        const char* name;
        std::string blindTo;      // looks at this file's identity fail once the first pattern is written
        Blind blind;
        bool swap;                // another program moves the original away and saves its own file
        bool undoDiskFails;       // the decryption back cannot write
        std::vector<std::string> files;  // the project folder afterwards
    };
    const std::string a = Path("a.txt"), scratch = Path("A.AAA");
    const Case cases[] = {
        {"unreadable from the first pattern on", a, kRunAndUndo, false, false, {"a.txt", "a.txt.old", "b.txt"}},
        {"unreadable, and the undo cannot write", a, kRunAndUndo, false, true, {"a.txt", "a.~enc", "b.txt"}},
        {"unreadable during the run only", a, kRunOnly, false, false, {"a.txt", "b.txt"}},
        {"unreadable at the first new name", scratch, kRunAndUndo, false, false, {"A.AAA", "a.txt", "b.txt"}},
        {"another file at the name", "", kRunOnly, true, false, {"a moved.txt", "a.txt", "a.txt.old", "b.txt"}},
    };
    const std::string alpha = Pattern(5000);
    const std::string onlyCopy = "original was overwritten but could not be removed; the encrypted file " +
                                 Path("a.~enc") + " is the only good copy";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& name : testsupport::ListDir(m_folder)) DeleteFileA(Path(name).c_str());
        MakeProject({{"a.txt", alpha}, {"b.txt", "beta"}});
        int writes = 0;
        bool blind = false, undoing = false;
        platform::WriteHook previousWrite = platform::SetWriteHook([&](const std::string& path, size_t) {
            if (undoing && c.undoDiskFails) return path.find(".cipherData") == std::string::npos;
            if (path != a) return true;
            ++writes;
            if (writes == 1) PostMessageA(GetDlgItem(ProgressWindow(), 10), BM_CLICK, 0, 0);
            if (writes == 3) {
                blind = !c.blindTo.empty();
                if (c.swap) {
                    MoveFileA(a.c_str(), Path("a moved.txt").c_str());
                    testsupport::WriteFile(a, "another program's file");
                }
            }
            return true;
        });
        platform::IdentityHook previousIdentity =
            platform::SetIdentityHook([&](const std::string& path) { return !(blind && path == c.blindTo); });
        m_messages.messages.clear();
        m_messages.respond = [&](const platform::MessageRequest& box) {
            if (box.text == "Undo changed files?") {
                undoing = true;
                if (c.blind == kRunOnly) blind = false;
                return IDYES;
            }
            return (box.style & 0xF) == MB_YESNO ? IDYES : IDOK;
        };
        uitest::ModalDriver driver;
        Rows rows;
        uitest::ReadSummary(driver, rows);
        Run(CEncryptionDlg::kEncrypt, "password1", "", nullptr, &driver);
        platform::SetIdentityHook(previousIdentity);
        platform::SetWriteHook(previousWrite);
        m_messages.respond = nullptr;

        EXPECT_EQ(c.files, testsupport::ListDir(m_folder));
        EXPECT_EQ("beta", ReadFile(Path("b.txt")));
        Rows expected = {{"1 files were canceled", "", ""}};
        if (c.undoDiskFails) {
            // Not undone: the original's row and the closing report name the only good copy.
            EXPECT_TRUE(ReadFile(a) != alpha);
            EXPECT_EQ((std::vector<std::string>{"a.~enc", "b.txt"}), RowNames());
            expected.push_back({a, "OK", onlyCopy});
            expected.push_back({Path("a.~enc"), "Failed to decrypt file.", "not undone, the file stays encrypted"});
            EXPECT_EQ(0u, Texts().back().find("These original files could not be destroyed:\n" + a + " (" + onlyCopy +
                                              ")\n\n1 Files were successfully encrypted."))
                << Texts().back();
        } else {
            EXPECT_TRUE(ReadFile(a) == alpha);
            EXPECT_EQ((std::vector<std::string>{"a.txt", "b.txt"}), RowNames());
            if (c.blindTo == scratch) {
                expected.push_back(
                    {a, "OK", "undone, but what is left of the overwritten original may still be at " + scratch});
            }
        }
        if (c.swap) EXPECT_EQ("another program's file", ReadFile(Path("a.txt.old")));
        EXPECT_EQ(expected, rows);
    }
}

}  // namespace
