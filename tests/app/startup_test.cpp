// Start-up and the open-edit-re-encrypt road: in this process with program
// starts answered by the recorder, and for real, with Vastrel.exe started on
// an encrypted file and a test editor registered for the file's type.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "app/crypt_test_app.h"
#include "app/project_file.h"
#include "core/cipher_settings.h"
#include "core/file_cipher.h"
#include "core/file_header.h"
#include "core/registry_dword.h"
#include "tests/ui/ui_test_support.h"
#include "vastrel/resource.h"

namespace {

using uitest::DialogDriver;
using uitest::ModalDriver;
using Vastrel2::CIPHER::CipherSettings;
using Vastrel2::CIPHER::FileDecryptor;
using Vastrel2::CIPHER::FileEncryptor;

const char kPassword[] = "open sesame";
const char kHint[] = "the usual one";
const char kText[] = "Dear diary,\r\n";

void SetSetting(const char* name, uint32_t value) { RegistryDword(VastrelSettingPath(name), 0, 1).Set(value); }

std::string OwnFolder() {
    char self[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder(self);
    return folder.substr(0, folder.find_last_of('\\'));
}

class Startup : public uitest::UiTest {
protected:
    Startup() {
        testsupport::ClearVastrelSettings();
        SetSetting("Obfuscate", 1);  // the encrypted file keeps its name
        SetSetting("AutoUpdate", 1);
        SetSetting("SSO", 1);
    }
    ~Startup() override { testsupport::ClearVastrelSettings(); }

    // "diary.txt" encrypted as "diary.~enc" with the password and hint.
    std::string Encrypted(const std::string& name = "diary.txt") {
        std::string plain = m_dir / name;
        testsupport::WriteFile(plain, kText);
        std::string path = plain;
        CipherSettings settings(0, CipherSettings::kHashSHA256, 32, 3);
        FileEncryptor job(nullptr, 1, 0, kPassword, &settings);
        EXPECT_EQ(0, job.EncryptFile(path, kHint));
        DeleteFileA(plain.c_str());
        return path;
    }
    // The plain text of an encrypted file; empty when it does not decrypt.
    static std::string Decrypted(std::string path, std::string& hint) {
        hint = Vastrel2::Utils::GetHint(path);
        std::string storedHint;
        FileDecryptor job(nullptr, 1, 0, kPassword);
        if (job.DecryptFile(path, storedHint) != 0) return "";
        std::string text = testsupport::ReadFile(path);
        DeleteFileA(path.c_str());
        return text;
    }
    // Runs start-up with the file; the password dialog answered by `answer`.
    void Start(const std::string& file, std::function<void(DialogDriver&)> answer = nullptr) {
        ModalDriver driver;
        if (answer) driver.When("CPasswordDlg", std::move(answer));
        CCryptTestApp app;
        app.SetProfilePath(m_dir / "Vastrel.ini");
        EXPECT_FALSE(app.Start(file));
    }
    static std::function<void(DialogDriver&)> Typing(const std::string& password, bool open = true,
                                                     bool reencrypt = true) {
        return [=](DialogDriver& d) {
            d.Type(IDC_PASSWORD_EDIT, password);
            d.SetCheck(IDC_OPEN_AFTER_DECRYPT, open);
            if (open) d.SetCheck(IDC_ENCRYPT_AFTER_USE, reencrypt);
            d.Click(IDOK);
        };
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const auto& m : m_messages.messages) texts.push_back(m.text);
        m_messages.messages.clear();
        return texts;
    }
    std::vector<std::string> Files() { return testsupport::ListDir(m_dir.Path()); }

    testsupport::SettingsKeeper m_keeper;
    using Texts_ = std::vector<std::string>;
};

TEST_F(Startup, CommandLinesThatNameNoUsableFileAreSaidOrIgnored) {
    EXPECT_EQ("C:\\my files\\a b.~enc",
              GetCommandLineFileName("\"C:\\prog\\Vastrel.exe\" -x \"C:\\my files\\a b.~enc\""));
    EXPECT_EQ("", GetCommandLineFileName("Vastrel.exe"));

    std::string plain = m_dir / "notes.txt";
    testsupport::WriteFile(plain, "plain text");
    std::string fake = m_dir / "fake.~ENC";
    testsupport::WriteFile(fake, "no trailer at all");
    Start(plain);                                   // any other file: nothing at all
    Start(m_dir / "gone.~enc");
    Start(m_dir.Path());
    Start(m_dir / std::string(260, 'x'));
    Start(fake);
    Texts_ texts = Texts();
    ASSERT_EQ(4u, texts.size());
    EXPECT_EQ("The file " + m_dir / "gone.~enc" + " could not be found.", texts[0]);
    EXPECT_EQ(m_dir.Path() + " is a folder, not a file.", texts[1]);
    EXPECT_EQ(0, texts[2].find("The path of this file is too long for Vastrel 2"));
    EXPECT_EQ("The file " + fake + " is not an encrypted file, or it is damaged.", texts[3]);
    EXPECT_EQ("plain text", testsupport::ReadFile(plain));

    // A project file in any letter case opens the main window with it.
    std::string project = m_dir / "Work.ECL";
    testsupport::WriteFile(project, project::WriteArchive({}));
    ModalDriver driver;
    driver.When("VastrelMainDlg", [](DialogDriver& d) {
        EXPECT_EQ("Vastrel 2.0 - [ Work.ECL ]", ui::WindowRef(d.Handle()).Text());
        PostMessageA(d.Handle(), WM_COMMAND, IDCANCEL, 0);
    });
    CCryptTestApp app;
    app.Start(project);
}

TEST_F(Startup, CancelWrongPasswordAndDamageLeaveTheEncryptedFile) {
    std::string path = Encrypted();
    std::string original = testsupport::ReadFile(path);
    uitest::ProgramRecorder programs;
    Start(path, [](DialogDriver& d) { d.Click(IDCANCEL); });
    EXPECT_EQ(Texts_{}, Texts());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    for (int attempt = 0; attempt < 3; ++attempt) Start(path, Typing("wrong"));
    EXPECT_EQ(Texts_(3, "Decryption failed!"), Texts());
    EXPECT_EQ(original, testsupport::ReadFile(path));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Ciphertext cut short.
    std::string cut = original.substr(8);
    testsupport::WriteFile(path, cut);
    Start(path, Typing(kPassword));
    EXPECT_EQ(Texts_{"Decryption failed!"}, Texts());
    EXPECT_EQ(cut, testsupport::ReadFile(path));

    // A footer whose hash field was changed (a 32-byte MD5 key) falls back to
    // the default settings, here with 16-byte keys: refused.
    SetSetting("key", 0);
    std::string bent = original;
    size_t at = bent.rfind(std::string("\xA9") + "0\xA9" "2\xA9" "32\xA9");
    ASSERT_NE(std::string::npos, at);
    bent[at + 3] = '0';
    testsupport::WriteFile(path, bent);
    Start(path, Typing(kPassword));
    EXPECT_EQ(Texts_{"Decryption failed!"}, Texts());
    EXPECT_EQ(bent, testsupport::ReadFile(path));
    EXPECT_EQ(std::vector<std::string>{"diary.~enc"}, Files());
    EXPECT_TRUE(programs.starts.empty());
}

TEST_F(Startup, TheFileIsEditedAndEncryptedAgainWithItsHint) {
    std::string path = Encrypted();
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    SetSetting("SSO", 0);
    std::string plain = m_dir / "diary.txt";
    std::string editor = "C:\\Tools\\Editor\\write.exe";
    {
        uitest::ProgramRecorder programs;
        programs.associated = editor;
        Start(path, Typing(kPassword));
        ASSERT_EQ(1u, programs.starts.size());
        EXPECT_EQ(platform::ProgramStart::Kind::Create, programs.starts[0].kind);
        EXPECT_EQ(editor, programs.starts[0].application);
        EXPECT_EQ(" \"" + plain + "\"", programs.starts[0].commandLine);
        EXPECT_TRUE(programs.starts[0].wait);
    }
    EXPECT_EQ(Texts_{"File successfully encrypted"}, Texts());
    EXPECT_EQ(std::vector<std::string>{"diary.~enc"}, Files());
    std::string hint;
    EXPECT_EQ(kText, Decrypted(path, hint));
    EXPECT_EQ(kHint, hint);

    // Not opened: decrypted and left plain.
    path = Encrypted();
    SetSetting("SSO", 1);
    DeleteFileA(plain.c_str());
    {
        uitest::ProgramRecorder programs;
        Start(path, Typing(kPassword, false));
        EXPECT_TRUE(programs.starts.empty());
    }
    EXPECT_EQ(std::vector<std::string>{"diary.txt"}, Files());
    // Opened, not encrypted again: stays plain after the program ends.
    path = Encrypted();
    {
        uitest::ProgramRecorder programs;
        programs.associated = editor;
        Start(path, Typing(kPassword, true, false));
        EXPECT_EQ(1u, programs.starts.size());
    }
    EXPECT_EQ(std::vector<std::string>{"diary.txt"}, Files());
    EXPECT_EQ(Texts_{}, Texts());
}

TEST_F(Startup, EditsAreNeverLostWhateverOpensTheFile) {
    std::string plain = m_dir / "diary.txt";
    auto run = [&](std::deque<bool> results, std::deque<bool> waited, const std::string& associated) {
        std::string path = Encrypted();
        uitest::ProgramRecorder programs;
        programs.results = std::move(results);
        programs.waited = std::move(waited);
        programs.associated = associated;
        Start(path, Typing(kPassword));
        EXPECT_EQ(std::vector<std::string>{"diary.~enc"}, Files());
        std::string hint;
        EXPECT_EQ(kText, Decrypted(path, hint));
        return programs.starts;
    };

    // No program of its own: the shell opens it and gives no process: the
    // user says when the work is done.
    m_messages.respond = [&](const platform::MessageRequest& box) {
        EXPECT_TRUE(testsupport::Exists(plain));  // still plain while the box is up
        return IDOK;
    };
    auto starts = run({}, {false}, "");
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(platform::ProgramStart::Kind::Shell, starts[0].kind);
    EXPECT_EQ(plain, starts[0].file);
    EXPECT_EQ(Texts_{"Click OK when you have finished working with " + plain + "."}, Texts());
    m_messages.respond = nullptr;

    // The program does not start, the shell waits for its process: no question.
    starts = run({false, true}, {true}, "C:\\Tools\\broken.exe");
    EXPECT_EQ(2u, starts.size());
    EXPECT_EQ(Texts_{}, Texts());
    // Nothing opens it: encrypted again at once.
    starts = run({false}, {}, "");
    EXPECT_EQ(Texts_{}, Texts());

    // The program already runs (its name is in its path): not opened, said,
    // encrypted again at once.
    std::string self(MAX_PATH, '\0');
    self.resize(GetModuleFileNameA(nullptr, &self[0], MAX_PATH));
    std::string own = self.substr(self.find_last_of('\\') + 1);
    starts = run({}, {}, "C:\\Tools\\" + own);
    EXPECT_TRUE(starts.empty());
    EXPECT_EQ(Texts_{"An instance of " + own + " is running, Vastrel 2 can not edit " + plain +
                     " until this process is closed. Please close " + own + " and try again"},
              Texts());

    // A plain file of the stored name is in the way (-14): it becomes ".old"
    // and the road goes on.
    std::string path = Encrypted("diary.tmp");
    testsupport::WriteFile(m_dir / "diary.tmp", "older file");
    {
        uitest::ProgramRecorder programs;
        programs.associated = "C:\\Tools\\write.exe";
        Start(path, Typing(kPassword));
        EXPECT_EQ(1u, programs.starts.size());
    }
    EXPECT_EQ((std::vector<std::string>{"diary.tmp.old", "diary.~enc"}), Files());
    Texts_ texts = Texts();
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(0, texts[0].find("The file " + m_dir / "diary.tmp" + " already exists"));
    EXPECT_EQ("older file", testsupport::ReadFile(m_dir / "diary.tmp.old"));
}

TEST_F(Startup, AFailedEncryptionSaysWhereThePlainFileIs) {
    std::string path = Encrypted();
    std::string plain = m_dir / "diary.txt";
    HANDLE held = INVALID_HANDLE_VALUE;
    // The "editor" keeps the file open with no sharing after it ends.
    platform::ProgramHook previous = platform::SetProgramHook([&](const platform::ProgramStart& start) {
        held = CreateFileA(plain.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (start.waited) *start.waited = true;
        return true;
    });
    platform::AssociationHook previousLookup =
        platform::SetAssociationHook([](const std::string&) { return std::string("C:\\Tools\\lock.exe"); });
    Start(path, Typing(kPassword));
    platform::SetProgramHook(previous);
    platform::SetAssociationHook(previousLookup);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    CloseHandle(held);
    Texts_ texts = Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_NE(std::string::npos, texts.back().find("could not encrypt the file again"));
    EXPECT_NE(std::string::npos, texts.back().find(plain));
    // The encrypted original is back under its own name beside the plain file.
    EXPECT_NE(std::string::npos, texts.back().find("kept as:\n" + path));
    EXPECT_EQ((std::vector<std::string>{"diary.txt", "diary.~enc"}), Files());
    EXPECT_EQ(kText, testsupport::ReadFile(plain));
    DeleteFileA(plain.c_str());
    std::string hint;
    EXPECT_EQ(kText, Decrypted(path, hint));
}

// The editor leaves the plain copy open when it ends, in every way another
// program can, or the disk fails while the copy is shredded: the file is
// always encrypted again or kept encrypted as it was, the plain copy is
// overwritten only when it can go, and the message says what is left.
TEST_F(Startup, APlainCopyStillInUseIsNeverLostAndWhatIsLeftIsSaid) {
    struct Case {
        const char* share;  // how the editor keeps the file open; nullptr: not open
        bool readOnly;
        bool diskFails;
    };
    const Case cases[] = {{"rw", false, false}, {"rwd", false, false}, {"", false, false},
                          {"rw", true, false},  {nullptr, false, true}};
    const std::string plain = m_dir / "diary.txt";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.share ? c.share : "not open") + (c.readOnly ? ", read-only" : "") +
                     (c.diskFails ? ", failing disk" : ""));
        std::string path = Encrypted();
        if (c.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);  // and so its plain copy
        std::unique_ptr<testsupport::FileHolder> editor;
        platform::ProgramHook previous = platform::SetProgramHook([&](const platform::ProgramStart& start) {
            if (c.share) editor = std::make_unique<testsupport::FileHolder>(plain, c.share);
            if (start.waited) *start.waited = true;
            return true;
        });
        platform::AssociationHook previousLookup =
            platform::SetAssociationHook([](const std::string&) { return std::string("C:\\Tools\\keeper.exe"); });
        int writes = 0;
        platform::WriteHook previousWrite = platform::SetWriteHook(
            [&](const std::string& to, size_t) { return !c.diskFails || to != plain || ++writes == 1; });
        Start(path, Typing(kPassword));
        platform::SetWriteHook(previousWrite);
        platform::SetProgramHook(previous);
        platform::SetAssociationHook(previousLookup);
        ASSERT_TRUE(!c.share || (editor && editor->Holding()));
        editor.reset();

        const Texts_ texts = Texts();
        const bool destroyed = c.share && std::string(c.share) == "rwd";
        if (destroyed) {
            EXPECT_EQ(Texts_{}, texts);
            EXPECT_EQ(std::vector<std::string>{"diary.~enc"}, Files());
        } else {
            ASSERT_FALSE(texts.empty());
            const std::string& said = texts.back();
            if (c.share && !*c.share) {
                // Not even read: it is not encrypted again, the encrypted file is back.
                EXPECT_NE(std::string::npos, said.find("could not encrypt the file again")) << said;
                EXPECT_NE(std::string::npos, said.find("kept as:\n" + path)) << said;
            } else if (c.diskFails) {
                EXPECT_EQ("The file was encrypted again as " + path +
                              ". Its decrypted copy was overwritten, but could not be removed:\n" + plain +
                              "\nPlease shred or delete it yourself.",
                          said);
            } else {
                EXPECT_EQ("The file was encrypted again as " + path + ", but its decrypted copy could not be removed:\n" +
                              plain + "\nPlease shred or delete it yourself.",
                          said);
            }
            EXPECT_EQ((std::vector<std::string>{"diary.txt", "diary.~enc"}), Files());
            if (!c.diskFails) {
                EXPECT_EQ(kText, testsupport::ReadFile(plain));
            }
            SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(plain.c_str());
        }
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::string hint;
        EXPECT_EQ(kText, Decrypted(path, hint));
        EXPECT_EQ(kHint, hint);
        EXPECT_EQ(std::vector<std::string>{}, Files());
    }
}

// ---------------------------------------------------------------- for real

// The windows of a process on this desktop.
std::vector<HWND> WindowsOf(DWORD process) {
    std::vector<HWND> found;
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == process && IsWindowVisible(w)) found.push_back(w);
    }
    return found;
}

std::string WindowText(HWND w) { return ui::WindowRef(w).Text(); }

// True when the window or one of its controls shows the text.
bool Shows(HWND w, const std::string& text) {
    if (WindowText(w) == text) return true;
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (WindowText(c) == text) return true;
    }
    return false;
}

// Registers the editor for ".vtxt" for the life of the object.
class TestEditorType {
public:
    explicit TestEditorType(const std::string& editor) {
        Set(".vtxt", "VastrelTestDocument");
        Set("VastrelTestDocument\\shell\\open\\command", "\"" + editor + "\" \"%1\"");
    }
    ~TestEditorType() {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "VastrelTestDocument");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".vtxt");
    }

private:
    static void Set(const std::string& key, const std::string& value) {
        HKEY h = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                                 &h, nullptr));
        RegSetValueExA(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(h);
    }
};

TEST_F(Startup, VastrelOpensEditsAndEncryptsTheFileAgain) {
    std::string editor = OwnFolder() + "\\vastrel_test_editor.exe";
    TestEditorType type(editor);
    testsupport::WriteFile(m_dir / "any.vtxt", "");
    ASSERT_EQ(editor, platform::AssociatedProgram(m_dir / "any.vtxt"));
    DeleteFileA((m_dir / "any.vtxt").c_str());
    std::string path = Encrypted("letter.vtxt");
    std::string plain = m_dir / "letter.vtxt";
    std::string seen = m_dir / "editor saw.txt";
    SetEnvironmentVariableA("VASTREL_EDITOR_MARKER", seen.c_str());
    SetSetting("SSO", 0);

    std::string program = VASTREL_PROGRAM;
    if (program[0] == '/') program = "Z:" + program;
    std::replace(program.begin(), program.end(), '/', '\\');
    std::string line = "\"" + program + "\" \"" + path + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));

    // The password dialog, then the success message, answered as a user would.
    bool typed = false, told = false;
    for (int i = 0; i < 1200 && WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT; ++i) {
        for (HWND w : WindowsOf(pi.dwProcessId)) {
            if (!typed && WindowText(w) == "Vastrel 2.0" && GetDlgItem(w, IDC_PASSWORD_EDIT)) {
                EXPECT_EQ(BST_CHECKED, SendMessageA(GetDlgItem(w, IDC_OPEN_AFTER_DECRYPT), BM_GETCHECK, 0, 0));
                EXPECT_EQ(BST_CHECKED, SendMessageA(GetDlgItem(w, IDC_ENCRYPT_AFTER_USE), BM_GETCHECK, 0, 0));
                SetDlgItemTextA(w, IDC_PASSWORD_EDIT, kPassword);
                PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                typed = true;
            } else if (typed && Shows(w, "File successfully encrypted")) {
                told = true;
                PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
        }
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 1000));
    TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    SetEnvironmentVariableA("VASTREL_EDITOR_MARKER", nullptr);
    EXPECT_TRUE(typed);
    EXPECT_TRUE(told);

    // The editor had the plain file; it is encrypted again with its hint, and
    // no plain copy is left.
    EXPECT_EQ(std::string(kText) + "\n" + plain + "\n", testsupport::ReadFile(seen));
    DeleteFileA(seen.c_str());
    EXPECT_EQ(std::vector<std::string>{"letter.~enc"}, Files());
    std::string hint;
    EXPECT_EQ(std::string(kText) + "Edited by the test editor.\r\n", Decrypted(path, hint));
    EXPECT_EQ(kHint, hint);
}

}  // namespace
