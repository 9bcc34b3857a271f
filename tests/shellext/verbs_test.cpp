// The menu's verbs through the real handler of the registered library, each
// dialog driven as a user would, with the results checked on disk.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include "core/file_cipher.h"
#include "core/file_header.h"
#include "core/sfx_archive.h"
#include "corvane/resource.h"
#include "extractor/resource.h"
#include "tests/extractor/extractor_process.h"
#include "tests/shellext/corvane_support.h"
#include "ui/summary_dlg.h"

using namespace corvanetest;

namespace {

const std::string kPassword = "secret12";
const char kLockedBox[] = "An error occured while processing file: ";

struct TipSearch {
    HWND owner;
    HWND tip;
};

BOOL CALLBACK FindTip(HWND w, LPARAM l) {
    auto* f = reinterpret_cast<TipSearch*>(l);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0 && GetWindow(w, GW_OWNER) == f->owner) f->tip = w;
    return f->tip ? FALSE : TRUE;
}

// Text of the tool of a dialog's control in the dialog's tooltip.
std::string ToolText(HWND dialog, int id) {
    TipSearch find{dialog, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &FindTip, reinterpret_cast<LPARAM>(&find));
    if (!find.tip) return "<no tooltip>";
    char text[2048] = {};
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V1_SIZE;
    info.hwnd = dialog;
    info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, id));
    info.lpszText = text;
    SendMessageA(find.tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    return text;
}

// Runs a function at the next pass of the thread's message loop: for a run
// that is busy, the first time it lets its messages through.
class PostedCall {
public:
    explicit PostedCall(std::function<void()> fn) : m_fn(std::move(fn)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &PostedCall::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "CorvaneTestPostedCall";
        RegisterClassA(&wc);
        m_window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~PostedCall() { DestroyWindow(m_window); }
    void Post() { PostMessageA(m_window, WM_APP, 0, 0); }
    bool Ran() const { return m_ran; }

private:
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<PostedCall*>(GetWindowLongPtrA(w, GWLP_USERDATA));
        if (msg == WM_APP && self && !self->m_ran) {
            self->m_ran = true;
            self->m_fn();
            return 0;
        }
        return DefWindowProcA(w, msg, wp, lp);
    }
    std::function<void()> m_fn;
    HWND m_window = nullptr;
    bool m_ran = false;
};

// A link to a folder, made as the file system makes one: under Wine a link
// of the host's own, which the system reports as a reparse point.
bool MakeLink(const std::string& target, const std::string& link) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != FALSE;
    auto unix = [&](const std::string& path) {
        std::wstring wide(path.begin(), path.end());
        char* name = unixName(wide.c_str());
        std::string text = name ? name : "";
        HeapFree(GetProcessHeap(), 0, name);
        return text;
    };
    std::string folder = link.substr(0, link.find_last_of('\\'));
    std::string command = "start.exe /wait /unix /bin/ln -s \"" + unix(target) + "\" \"" + unix(folder) + "/" +
                          link.substr(link.find_last_of('\\') + 1) + "\"";
    RunProgram(command);
    DWORD attributes = GetFileAttributesA(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

int Height(HWND window) { return uitest::SizeOf(ui::WindowRef(window).WindowRect()).cy; }
int Width(HWND window) { return uitest::SizeOf(ui::WindowRef(window).WindowRect()).cx; }

class VerbTest : public CorvaneTest {
protected:
    VerbTest() {
        Store("Obfuscate", 1);  // readable names unless a test says otherwise
        testsupport::MakeDir(Docs());
        testsupport::MakeDir(Docs() + "\\sub");
        for (const auto& [name, data] : m_files) testsupport::WriteFile(m_work / name, data);
    }
    ~VerbTest() override {
        if (m_lock != INVALID_HANDLE_VALUE) CloseHandle(m_lock);
    }
    std::string Docs() const { return m_work / "docs"; }
    // The files of the tree as they are now: name below the work folder -> content.
    std::map<std::string, std::string> Tree(const std::string& folder = "") const {
        std::map<std::string, std::string> tree;
        std::string base = folder.empty() ? m_work.Path() : folder;
        std::function<void(const std::string&, const std::string&)> walk = [&](const std::string& dir,
                                                                               const std::string& prefix) {
            for (const std::string& name : testsupport::ListDir(dir)) {
                std::string path = dir + "\\" + name;
                if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
                    tree[prefix + name + "\\"] = "";
                    walk(path, prefix + name + "\\");
                } else {
                    tree[prefix + name] = testsupport::ReadFile(path);
                }
            }
        };
        walk(base, "");
        return tree;
    }
    // Keeps the file open for reading only, so that it cannot be shredded.
    std::string Locked(const std::string& name, const std::string& data) {
        std::string path = m_work / name;
        testsupport::WriteFile(path, data);
        m_lock = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, m_lock);
        return path;
    }
    // A file encrypted beforehand with another password; its plain file is gone.
    std::string Sealed(const std::string& name, const std::string& data, const std::string& hint) {
        std::string path = m_work / name;
        testsupport::WriteFile(path, data);
        std::string original = path;
        Vastrel2::CIPHER::CipherSettings settings;
        settings.LoadDefaults();
        EXPECT_EQ(0, Vastrel2::CIPHER::FileEncryptor(nullptr, 1, 0, "another one", &settings).EncryptFile(path, hint));
        CFile::Remove(original);
        return path;
    }
    void Unlock() {
        CloseHandle(m_lock);
        m_lock = INVALID_HANDLE_VALUE;
    }
    // While a run is busy, OK, Esc and the close box change nothing.
    void ExpectBusyDialogStays(HWND dialog) {
        uitest::Screenshot(dialog, "busy");
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        uitest::Pump();
        EXPECT_TRUE(IsWindowVisible(dialog));
        m_busyChecked = true;
    }
    // Has the driver, when the quick encrypt dialog opens, type the password
    // twice (and tick "Destroy original files" when asked) and press its
    // button, and read the rows of the summary that follows.
    static void EncryptWith(uitest::ModalDriver& driver, std::vector<std::vector<std::string>>& rows,
                            bool destroy = false) {
        driver.When("QuickEncryptDlg", [destroy](uitest::DialogDriver& d) {
            d.Type(IDC_QE_PASSWORD, kPassword);
            d.Type(IDC_QE_VERIFY, kPassword);
            if (destroy) d.SetCheck(IDC_QE_DESTROY, true);
            d.Click(IDOK);
        });
        driver.When("CCryptoSummaryDlg", [&rows](uitest::DialogDriver& d) {
            rows = d.ListRows(CCryptoSummaryDlg::kListId);
            d.Click(IDOK);
        });
    }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const auto& box : m_messages.messages) texts.push_back(box.text);
        return texts;
    }

    const std::map<std::string, std::string> m_files = {
        {"docs\\a.txt", "alpha"}, {"docs\\sub\\b.txt", "beta beta"}, {"docs\\sub\\empty.txt", ""},
        {"c.txt", "gamma"}};
    HANDLE m_lock = INVALID_HANDLE_VALUE;
    bool m_busyChecked = false;
};

TEST_F(VerbTest, EncryptAndDecryptASelectionOfFoldersAndFiles) {
    Store("Obfuscate", 0);  // encrypted names are digests
    Store("Donation", 9);   // this run is the tenth
    const std::string sealed = Sealed("sealed.txt", "sealed before", "h");
    HWND dialog = nullptr;
    std::vector<std::vector<std::string>> rows;
    // Once the run has begun, OK, Esc and the close box change nothing.
    PostedCall busy([&] { ExpectBusyDialogStays(dialog); });
    m_messages.respond = [&](const platform::MessageRequest& box) {
        if (box.text.find("Are you sure") == 0) {
            EXPECT_EQ(dialog, box.ownerWindow);
            busy.Post();
        }
        return (box.style & 0xF) == MB_YESNO ? IDYES : IDOK;
    };
    {
        uitest::ModalDriver driver;
        driver.When("QuickEncryptDlg", [&](uitest::DialogDriver& d) {
            dialog = d.Handle();
            EXPECT_EQ("Vastrel 2.0 - [ Encrypt Files ]", ui::WindowRef(d.Handle()).Text());
            EXPECT_EQ("Encrypt", d.Text(IDOK));
            EXPECT_FALSE(d.Visible(IDC_QE_DESTROY));
            d.Type(IDC_QE_PASSWORD, kPassword);
            d.Type(IDC_QE_VERIFY, kPassword);
            EXPECT_EQ(0u, d.Text(IDC_QE_PASSWORD_LABEL).find("Password : "));
            d.Screenshot("encrypt");
            d.Click(IDOK);
        });
        driver.When("CDonationDlg", [&](uitest::DialogDriver& d) {
            EXPECT_EQ(static_cast<UINT>(IDD_DONATION_EXPLORER), driver.opened.back().templateId);
            d.Click(IDC_DONATE_LATER);
            d.Click(IDOK);
        });
        driver.When("CCryptoSummaryDlg", [&](uitest::DialogDriver& d) {
            rows = d.ListRows(CCryptoSummaryDlg::kListId);
            d.Click(IDOK);
        });
        EXPECT_EQ(S_OK, Invoke({Docs(), m_work / "c.txt", sealed}, 0));
    }
    EXPECT_TRUE(busy.Ran());
    EXPECT_TRUE(m_busyChecked);
    EXPECT_EQ(0u, Stored("Donation"));
    EXPECT_EQ((std::vector<std::string>{
                  "Are you sure you would like to encrypt files?",
                  "4 Files were successfully encrypted. 1 Files failed \nWould you like to view full details?"}),
              Boxes());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{sealed, "File already encrypted", ""}}), rows);
    // Every plain file is gone, the folders stay, and each encrypted file
    // carries the hint "none".
    std::vector<std::string> encrypted;
    for (const auto& [name, data] : Tree()) {
        if (name.back() == '\\' || m_work / name == sealed) continue;
        ASSERT_EQ(".~enc", name.substr(name.size() - 5)) << name;
        EXPECT_EQ("none", Vastrel2::Utils::GetHint(m_work / name));
        encrypted.push_back(m_work / name);
    }
    EXPECT_EQ(4u, encrypted.size());
    EXPECT_TRUE(testsupport::Exists(Docs() + "\\sub"));

    // A wrong password: every file fails with its hint in the details.
    std::vector<std::string> selection = {Docs()};
    for (const std::string& path : encrypted) {
        if (path.find("\\docs\\") == std::string::npos) selection.push_back(path);
    }
    m_messages.messages.clear();
    {
        uitest::ModalDriver driver;
        driver.When("QuickEncryptDlg", [&](uitest::DialogDriver& d) {
            dialog = d.Handle();
            EXPECT_EQ("Vastrel 2.0 - [ Decrypt Files ]", ui::WindowRef(d.Handle()).Text());
            EXPECT_FALSE(d.Visible(IDC_QE_VERIFY));
            EXPECT_FALSE(d.Enabled(IDC_QE_HINT));
            d.Type(IDC_QE_PASSWORD, "wrong password");
            d.Screenshot("decrypt");
            d.Click(IDOK);
        });
        driver.When("CCryptoSummaryDlg", [&](uitest::DialogDriver& d) {
            rows = d.ListRows(CCryptoSummaryDlg::kListId);
            d.Click(IDOK);
        });
        EXPECT_EQ(S_OK, Invoke(selection, 1));
    }
    ASSERT_EQ(2u, m_messages.messages.size());
    EXPECT_EQ("Are you sure you would like to decrypt files?", m_messages.messages[0].text);
    EXPECT_EQ("0 Files were successfully decrypted. 4 Files failed \nWould you like to view full details?",
              m_messages.messages[1].text);
    ASSERT_EQ(4u, rows.size());
    for (const auto& row : rows) EXPECT_EQ((std::vector<std::string>{row[0], "Password incorrect", "Password hint: none"}), row);

    // The right password, with no question, summary or success box: the
    // tree is back as it was.
    Store("SCM", 1);
    Store("Summary", 1);
    Store("SSO", 1);
    m_messages.messages.clear();
    {
        uitest::ModalDriver driver;
        driver.When("QuickEncryptDlg", [&](uitest::DialogDriver& d) {
            d.Type(IDC_QE_PASSWORD, kPassword);
            d.Click(IDOK);
        });
        EXPECT_EQ(S_OK, Invoke(selection, 1));
    }
    EXPECT_TRUE(m_messages.messages.empty());
    std::map<std::string, std::string> expected = m_files;
    expected["docs\\"] = expected["docs\\sub\\"] = "";
    expected["sealed.~enc"] = testsupport::ReadFile(sealed);
    EXPECT_EQ(expected, Tree());
}

TEST_F(VerbTest, PasswordRulesAndTheLayoutOfEachMode) {
    const std::string file = m_work / "c.txt";
    const auto untouched = Tree();
    std::map<int, int> heights;  // mode -> dialog height
    int encryptPasswordWidth = 0;
    uitest::ModalDriver driver;
    driver.When("QuickEncryptDlg", [&](uitest::DialogDriver& d) {
        heights[0] = Height(d.Handle());
        encryptPasswordWidth = Width(d.Item(IDC_QE_PASSWORD));
        EXPECT_EQ("Vastrel 2.0 - [ Encrypt File ]", ui::WindowRef(d.Handle()).Text());
        d.Type(IDC_QE_PASSWORD, "abcde");
        d.Type(IDC_QE_VERIFY, "abcde");
        d.Click(IDOK);
        d.Type(IDC_QE_PASSWORD, "abcdef");
        d.Click(IDOK);
        EXPECT_TRUE(IsWindowVisible(d.Handle()));
        d.Press(VK_ESCAPE);
    });
    driver.When("QuickEncryptDlg", [&](uitest::DialogDriver& d) {
        heights[1] = Height(d.Handle());
        EXPECT_EQ("Vastrel 2.0 - [ Decrypt File ]", ui::WindowRef(d.Handle()).Text());
        EXPECT_EQ("Decrypt", d.Text(IDOK));
        EXPECT_EQ(encryptPasswordWidth + 140, Width(d.Item(IDC_QE_PASSWORD)));
        for (int id : {IDC_QE_VERIFY, IDC_QE_HINT, IDC_QE_HINT_LABEL, IDC_QE_VERIFY_LABEL, IDC_QE_HINT_ICON}) {
            EXPECT_FALSE(d.Visible(id)) << id;
        }
        d.Type(IDC_QE_PASSWORD, "abcde");
        EXPECT_EQ("Password", d.Text(IDC_QE_PASSWORD_LABEL));  // no meter when decrypting
        d.Click(IDOK);
        d.Click(IDC_QE_EXIT);
    });
    driver.When("QuickEncryptDlg", [&](uitest::DialogDriver& d) {
        heights[2] = Height(d.Handle());
        EXPECT_EQ("Vastrel 2.0 - [ Create Self Extracting File ]", ui::WindowRef(d.Handle()).Text());
        EXPECT_EQ("Create", d.Text(IDOK));
        EXPECT_TRUE(d.Visible(IDC_QE_DESTROY));
        EXPECT_EQ(BST_UNCHECKED, d.Checked(IDC_QE_DESTROY));
        d.Screenshot("create");
        d.Click(IDC_QE_EXIT);
    });
    for (UINT offset : {0u, 1u, 5u}) EXPECT_EQ(S_OK, Invoke({file}, offset));
    EXPECT_EQ(heights[2] - 60, heights[0]);
    EXPECT_EQ(heights[2] - 70, heights[1]);
    ASSERT_EQ(3u, m_messages.messages.size());
    EXPECT_EQ("Password must be at least 6 characters long", m_messages.messages[0].text);
    EXPECT_EQ("Passwords do not match!", m_messages.messages[1].text);
    EXPECT_EQ("Please enter a valid password", m_messages.messages[2].text);
    for (const auto& box : m_messages.messages) {
        EXPECT_EQ("Vastrel 2", box.caption);
        EXPECT_EQ(static_cast<unsigned>(MB_ICONHAND), box.style);
    }
    EXPECT_EQ(untouched, Tree());
}

TEST_F(VerbTest, SelfExtractingFileOpensInTheExtractor) {
    // An already encrypted file is neither packed nor destroyed.
    const std::string sealed = Sealed("sealed.txt", "sealed before", "h");
    const std::string encryptedBefore = testsupport::ReadFile(sealed);
    testsupport::MakeDir(m_work / "out");
    const std::string archive = m_work / "out\\for you.exe";
    uitest::PickerRecorder pickers;
    pickers.answers.push_back({true, archive});
    // One original cannot be opened when the originals are destroyed: it is
    // said to stay, and it does.
    const std::string busyFile = m_work / "c.txt";
    m_messages.respond = [&](const platform::MessageRequest& box) {
        if (box.text.find("Destroying") == 0) {
            m_lock = CreateFileA(busyFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            return IDYES;
        }
        return (box.style & 0xF) == MB_YESNO ? IDNO : IDOK;
    };
    {
        uitest::ModalDriver driver;
        driver.When("QuickEncryptDlg", [&](uitest::DialogDriver& d) {
            d.Type(IDC_QE_PASSWORD, kPassword);
            d.Type(IDC_QE_VERIFY, kPassword);
            d.Type(IDC_QE_HINT, "our song");
            d.SetCheck(IDC_QE_DESTROY, true);
            d.Click(IDOK);
        });
        EXPECT_EQ(S_OK, Invoke({Docs(), m_work / "c.txt", sealed}, 5));
    }
    ASSERT_EQ(1u, pickers.requests.size());
    EXPECT_EQ(ui::PickerKind::SaveFile, pickers.requests[0].kind);
    EXPECT_EQ("Select location to store self-extractor", pickers.requests[0].title);
    EXPECT_EQ("Exe Files (*.exe) |*.exe ||", pickers.requests[0].filter);
    EXPECT_EQ("exe", pickers.requests[0].defaultExt);
    EXPECT_EQ(static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT), pickers.requests[0].flags);
    Unlock();
    EXPECT_EQ((std::vector<std::string>{
                  "Destroying original files cannot be undone. Are you sure you want to continue?",
                  "These original files could not be destroyed:\n" + busyFile +
                      "\n\n4 Files were successfully encrypted. 1 Files failed \nWould you like to view full details?"}),
              Boxes());
    // The originals are destroyed, no temporary is left, the folders stay.
    auto tree = Tree();
    ASSERT_TRUE(tree.count("out\\for you.exe"));
    tree.erase("out\\for you.exe");
    EXPECT_EQ((std::map<std::string, std::string>{{"c.txt", "gamma"},
                                                  {"docs\\", ""},
                                                  {"docs\\sub\\", ""},
                                                  {"out\\", ""},
                                                  {"sealed.~enc", encryptedBefore}}),
              tree);
    std::string written = testsupport::ReadFile(archive);
    std::string stub = testsupport::ReadFile(extractortest::ExtractorExePath());
    ASSERT_GT(written.size(), stub.size());
    EXPECT_TRUE(written.compare(0, stub.size(), stub) == 0);
    EXPECT_EQ(std::string(kArchiveMarker), written.substr(written.size() - 10));

    // The recipient runs it and gets the tree back.
    Store("Summary", 1);
    const std::string received = m_work / "received";
    extractortest::ExtractorProcess program;
    ASSERT_TRUE(program.Start(archive, m_work / "transcript.txt"));
    program.SetText(IDC_FOLDER, received);
    program.SetText(IDC_PASSWORD, kPassword);
    program.Click(IDC_EXTRACT);
    ASSERT_TRUE(program.WaitForLine("box"));
    ASSERT_TRUE(program.Exit());
    std::map<std::string, std::string> expected = m_files;
    expected["docs\\"] = expected["docs\\sub\\"] = "";
    EXPECT_EQ(expected, Tree(received));
}

TEST_F(VerbTest, NoOriginalIsLostWhenTheArchiveIsNotWritten) {
    auto untouched = Tree();
    const std::vector<std::string> selection = {Docs(), m_work / "c.txt"};
    std::vector<std::vector<std::string>> rows;
    auto run = [&](const std::vector<std::string>& paths, bool summary) {
        uitest::ModalDriver driver;
        driver.When("QuickEncryptDlg", [&](uitest::DialogDriver& d) {
            d.Type(IDC_QE_PASSWORD, kPassword);
            d.Type(IDC_QE_VERIFY, kPassword);
            d.SetCheck(IDC_QE_DESTROY, true);
            d.Click(IDOK);
        });
        rows.clear();
        if (summary) uitest::ReadSummary(driver, rows);
        EXPECT_EQ(S_OK, Invoke(paths, 5));
    };
    const std::string failedReport =
        "0 Files were successfully encrypted. 4 Files failed \nWould you like to view full details?";
    {
        // The file dialog cancelled: the dialog closes, nothing is touched.
        uitest::PickerRecorder pickers;
        run(selection, false);
        EXPECT_EQ(1u, pickers.requests.size());
        EXPECT_TRUE(m_messages.messages.empty());
        EXPECT_EQ(untouched, Tree());
    }
    {
        // A selected file, then existing files inside a selected folder, each
        // by another spelling, are refused as the output; then one that
        // cannot be written. Every result is offered.
        std::string slashes = m_work / "DOCS/sub/./b.txt";
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, m_work / "C.TXT"});
        pickers.answers.push_back({true, m_work / "docs\\..\\c.txt"});
        pickers.answers.push_back({true, Docs() + "\\a.txt"});
        pickers.answers.push_back({true, slashes});
        pickers.answers.push_back({true, m_work / "no such folder\\out.exe"});
        const std::string readOnly = m_work / "c.txt";
        SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
        run(selection, true);
        // Encrypted all the same, and read-only again afterwards.
        EXPECT_TRUE(GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(5u, pickers.requests.size());
        const std::vector<std::string> boxes = Boxes();
        ASSERT_EQ(6u, boxes.size());
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(0u, boxes[i].find("The self-extracting file cannot replace a selected file:")) << boxes[i];
        }
        EXPECT_EQ(0u, boxes[4].find("The self-extracting file was not written: " + m_work / "no such folder\\out.exe"));
        EXPECT_NE(std::string::npos, boxes[4].find("No original file was destroyed."));
        EXPECT_EQ(failedReport, boxes[5]);
        ASSERT_EQ(4u, rows.size());
        for (const auto& row : rows) {
            EXPECT_EQ((std::vector<std::string>{row[0], "Not added", "The self-extracting file was not written"}), row);
        }
        // Every original is there as it was, and no encrypted copy stays.
        EXPECT_EQ(untouched, Tree());
    }
    {
        // Names hidden (digest-named copies) and the summary off, over an
        // output that cannot be replaced: it keeps what it held, and the
        // counts are said.
        Store("Obfuscate", 0);
        Store("Summary", 1);
        const std::string output = m_work / "old.exe";
        testsupport::WriteFile(output, "last week's archive");
        SetFileAttributesA(output.c_str(), FILE_ATTRIBUTE_READONLY);
        auto before = Tree();
        m_messages.messages.clear();
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, output});
        run(selection, false);
        SetFileAttributesA(output.c_str(), FILE_ATTRIBUTE_NORMAL);
        const std::vector<std::string> boxes = Boxes();
        ASSERT_EQ(2u, boxes.size());
        EXPECT_EQ(0u, boxes[0].find("The self-extracting file was not written: " + output));
        EXPECT_EQ("0 Files were successfully encrypted. 4 Files failed \n", boxes[1]);
        EXPECT_EQ(before, Tree());
        ASSERT_TRUE(CFile::Remove(output));
    }
    {
        // Two files already encrypted: nothing to pack, and the results say why.
        Store("Summary", 0);
        const std::string one = Sealed("one.txt", "first", "h");
        const std::string two = Sealed("two.txt", "second", "h");
        auto before = Tree();
        m_messages.messages.clear();
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, m_work / "sealed.exe"});
        run({one, two}, true);
        const std::vector<std::string> boxes = Boxes();
        ASSERT_EQ(2u, boxes.size());
        EXPECT_NE(std::string::npos, boxes[0].find(ArchiveResultText(kArchiveNoEntries)));
        EXPECT_EQ("0 Files were successfully encrypted. 2 Files failed \nWould you like to view full details?",
                  boxes[1]);
        EXPECT_EQ((std::vector<std::vector<std::string>>{{one, "File already encrypted", ""},
                                                        {two, "File already encrypted", ""}}),
                  rows);
        EXPECT_EQ(before, Tree());
    }
}

TEST_F(VerbTest, TheShortAliasOfASelectedFileIsRefusedAsTheOutput) {
    const std::string longName = m_work / "a rather long file name.txt";
    testsupport::WriteFile(longName, "long");
    const std::string alias = testsupport::ShortAlias(longName);
    if (alias.empty()) GTEST_SKIP() << "the volume gives no short names";
    auto untouched = Tree();
    uitest::PickerRecorder pickers;
    pickers.answers.push_back({true, alias});
    uitest::ModalDriver driver;
    driver.When("QuickEncryptDlg", [&](uitest::DialogDriver& d) {
        d.Type(IDC_QE_PASSWORD, kPassword);
        d.Type(IDC_QE_VERIFY, kPassword);
        d.Click(IDOK);
    });
    EXPECT_EQ(S_OK, Invoke({longName}, 5));
    EXPECT_EQ(2u, pickers.requests.size());  // then nothing chosen
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("The self-extracting file cannot replace a selected file:\n" + alias + "\nPlease choose another name.",
              m_messages.messages[0].text);
    EXPECT_EQ(untouched, Tree());
}

TEST_F(VerbTest, ShredDialogShredsTheTreeKeepsTheFoldersAndReportsWhatStays) {
    const std::string longName = m_work / "a rather long file name that goes on and on.txt";
    testsupport::WriteFile(longName, "long");
    SetFileAttributesA((Docs() + "\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string locked = Locked("locked.txt", "stays");
    HWND dialog = nullptr;
    PBRANGE range{};
    m_messages.respond = [&](const platform::MessageRequest& box) {
        if (box.text.find(kLockedBox) == 0) {
            ExpectBusyDialogStays(dialog);
            EXPECT_EQ(locked, ui::WindowRef(GetDlgItem(dialog, IDC_SHRED_CAPTION)).Text());
            SendMessageA(GetDlgItem(dialog, IDC_SHRED_PROGRESS), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        }
        if (box.text.find("Shredding files cannot be undone!") == 0) return m_messages.messages.size() == 1 ? IDNO : IDYES;
        return IDOK;
    };
    uitest::ModalDriver driver;
    driver.When("ShredDialog", [&](uitest::DialogDriver& d) {
        dialog = d.Handle();
        EXPECT_EQ("Number of files to shred: 4", d.Text(IDC_SHRED_COUNT));
        EXPECT_FALSE(d.Visible(IDC_SHRED_CAPTION));
        d.Click(IDC_SHRED_NOW);  // No: nothing happens
        EXPECT_TRUE(d.Enabled(IDC_SHRED_NOW));
        EXPECT_EQ(4u, Tree(Docs()).size());
        d.Click(IDC_SHRED_NOW);
        EXPECT_FALSE(d.Enabled(IDC_SHRED_NOW));
        EXPECT_TRUE(d.Enabled(IDOK));
        EXPECT_EQ("Shredding complete", d.Text(IDC_SHRED_CAPTION));
        d.Screenshot("complete");
        d.Click(IDOK);
    });
    EXPECT_EQ(S_OK, Invoke({Docs(), m_work / "c.txt", longName, locked}, 4));
    Unlock();
    EXPECT_TRUE(m_busyChecked);
    EXPECT_EQ(7, range.iHigh);  // four paths and the three files of the folder
    ASSERT_EQ(4u, m_messages.messages.size());
    EXPECT_EQ(static_cast<unsigned>(MB_YESNO | MB_ICONEXCLAMATION), m_messages.messages[0].style);
    EXPECT_EQ("1 file(s) could not be shredded and are still in place.", m_messages.messages[3].text);
    EXPECT_EQ((std::map<std::string, std::string>{{"docs\\", ""}, {"docs\\sub\\", ""}, {"locked.txt", "stays"}}),
              Tree());
}

// Files that other programs hold in every way, and one whose shredding the
// disk breaks off: encrypting keeps each original that cannot be shredded
// whole beside its encrypted copy, counts the file as encrypted, as the main
// window does, and names the original in the report; the shredder
// overwrites only what it can remove. The report tells which is which.
TEST_F(VerbTest, FilesInUseLoseNothingAndTheReportsSayWhatHappened) {
    using testsupport::FileInUse;
    const std::vector<FileInUse>& files = testsupport::FilesInUse();
    const std::string folder = m_work / "held";
    testsupport::MakeDir(folder);
    auto path = [&](const std::string& name) { return folder + "\\" + name; };
    std::map<std::string, std::string> data;
    unsigned seed = 40;
    for (const FileInUse& f : files) data[f.name] = testsupport::Bytes(50000, ++seed);
    std::vector<std::string> selection;
    for (const FileInUse& f : files) selection.push_back(path(f.name));
    m_messages.respond = [](const platform::MessageRequest& box) {
        return (box.style & 0xF) == MB_YESNO ? IDYES : IDOK;
    };

    // Writes the files, lets other programs hold them and breaks the disk
    // after the first write over "e failing.txt"; runs the verb; lets go.
    auto run = [&](UINT verb, uitest::ModalDriver& driver) {
        for (const FileInUse& f : files) {
            SetFileAttributesA(path(f.name).c_str(), FILE_ATTRIBUTE_NORMAL);
            testsupport::WriteFile(path(f.name), data[f.name]);
        }
        auto holders = testsupport::HoldFiles(folder, files);
        const std::string failing = path("e failing.txt");
        int writes = 0;
        platform::WriteHook previous = platform::SetWriteHook(
            [&](const std::string& to, size_t) { return to != failing || ++writes == 1; });
        m_messages.messages.clear();
        EXPECT_EQ(S_OK, Invoke(selection, verb));
        platform::SetWriteHook(previous);
    };
    auto expectWhole = [&](const char* name) {
        EXPECT_TRUE(testsupport::ReadFile(path(name)) == data[name]) << name;
    };

    std::vector<std::vector<std::string>> rows;
    {
        uitest::ModalDriver driver;
        EncryptWith(driver, rows);
        run(0, driver);
    }
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(5u, boxes.size()) << testing::PrintToString(boxes);
    EXPECT_EQ(0u, boxes[1].find(kLockedBox + path("a shared.txt") + "\n"));
    EXPECT_EQ(0u, boxes[2].find("Unable to open file " + path("c exclusive.txt")));
    EXPECT_EQ(0u, boxes[3].find(kLockedBox + path("d readonly.txt") + "\n"));
    const std::string onlyCopy = "original was overwritten but could not be removed; the encrypted file " +
                                 path("e failing.~enc") + " is the only good copy";
    EXPECT_EQ("These original files could not be destroyed:\n" + path("a shared.txt") + "\n" + path("d readonly.txt") +
                  "\n" + path("e failing.txt") + " (" + onlyCopy +
                  ")\n\n4 Files were successfully encrypted. 1 Files failed \nWould you like to view full details?",
              boxes[4]);
    // The same rows whether the files were encrypted in place or packed,
    // but for the copy that the overwritten original leaves.
    std::vector<std::vector<std::string>> expectedRows = {
        {path("a shared.txt"), "OK", "original could not be removed"},
        {path("c exclusive.txt"), "", "The file could not be opened, or the encrypted file could not be created"},
        {path("d readonly.txt"), "OK", "original could not be removed"},
        {path("e failing.txt"), "OK", onlyCopy}};
    EXPECT_EQ(expectedRows, rows);
    expectedRows.back().back() = "original was overwritten but could not be removed";
    EXPECT_EQ((std::vector<std::string>{"a shared.txt", "a shared.~enc", "b deletable.~enc", "c exclusive.txt",
                                        "d readonly.txt", "d readonly.~enc", "e failing.txt", "e failing.~enc"}),
              testsupport::ListDir(folder));
    for (const char* name : {"a shared.txt", "c exclusive.txt", "d readonly.txt"}) expectWhole(name);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), GetFileAttributesA(path("d readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    // Every encrypted copy holds its whole file.
    for (const char* name : {"a shared", "b deletable", "d readonly", "e failing"}) {
        const std::string plain = path(std::string(name) + ".txt");
        SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(plain.c_str());
        std::string encrypted = path(std::string(name) + ".~enc"), hint;
        EXPECT_EQ(0, Vastrel2::CIPHER::FileDecryptor(nullptr, 1, 0, kPassword).DecryptFile(encrypted, hint)) << name;
        expectWhole((std::string(name) + ".txt").c_str());
    }

    // Packed into a self-extracting file, then destroyed: the same words.
    {
        uitest::PickerRecorder pickers;
        pickers.answers.push_back({true, m_work / "held.exe"});
        uitest::ModalDriver driver;
        EncryptWith(driver, rows, true);
        run(5, driver);
    }
    EXPECT_EQ("These original files could not be destroyed:\n" + path("a shared.txt") + "\n" + path("d readonly.txt") +
                  "\n" + path("e failing.txt") + " (overwritten, but not removed)\n\n"
                  "4 Files were successfully encrypted. 1 Files failed \nWould you like to view full details?",
              Boxes().back());
    EXPECT_EQ(expectedRows, rows);
    for (const char* name : {"a shared.txt", "c exclusive.txt", "d readonly.txt"}) expectWhole(name);
    EXPECT_FALSE(testsupport::Exists(path("b deletable.txt")));
    EXPECT_TRUE(testsupport::Exists(m_work / "held.exe"));

    {
        uitest::ModalDriver driver;
        driver.When("ShredDialog", [&](uitest::DialogDriver& d) {
            d.Click(IDC_SHRED_NOW);
            d.Click(IDOK);
        });
        run(4, driver);
    }
    EXPECT_EQ("3 file(s) could not be shredded and are still in place.\n"
              "1 file(s) were overwritten but could not be removed.",
              Boxes().back());
    EXPECT_EQ((std::vector<std::string>{"a shared.txt", "c exclusive.txt", "d readonly.txt", "e failing.txt"}),
              testsupport::ListDir(folder));
    for (const char* name : {"a shared.txt", "c exclusive.txt", "d readonly.txt"}) expectWhole(name);
    EXPECT_FALSE(testsupport::ReadFile(path("e failing.txt")) == data["e failing.txt"]);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), GetFileAttributesA(path("d readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(path("d readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The original was overwritten, then made read-only by another program, so
// it could not be removed: the file counts as encrypted, as in the main
// window, and the report names the encrypted file as the only good copy,
// also without the summary and the success message. "Destroy original
// files" removes an empty read-only original.
TEST_F(VerbTest, AnOriginalOverwrittenButNotRemovedLeavesTheEncryptedFileAsTheOnlyCopy) {
    Store("Summary", 1);
    Store("SSO", 1);
    const std::string report = m_work / "report.txt", encrypted = m_work / "report.~enc";
    const std::string data = testsupport::Bytes(40000, 9);
    testsupport::WriteFile(report, data);
    m_messages.respond = [](const platform::MessageRequest& box) { return (box.style & 0xF) == MB_YESNO ? IDYES : IDOK; };
    auto run = [&](const std::string& path, UINT verb) {
        uitest::ModalDriver driver;
        driver.When("QuickEncryptDlg", [verb](uitest::DialogDriver& d) {
            d.Type(IDC_QE_PASSWORD, kPassword);
            d.Type(IDC_QE_VERIFY, kPassword);
            if (verb == 5) d.SetCheck(IDC_QE_DESTROY, true);
            d.Click(IDOK);
        });
        m_messages.messages.clear();
        EXPECT_EQ(S_OK, Invoke({path}, verb));
    };
    platform::WriteHook previous = platform::SetWriteHook([&](const std::string& to, size_t) {
        if (to == report) SetFileAttributesA(report.c_str(), FILE_ATTRIBUTE_READONLY);
        return true;
    });
    run(report, 0);
    platform::SetWriteHook(previous);
    EXPECT_EQ("These original files could not be destroyed:\n" + report +
                  " (original was overwritten but could not be removed; the encrypted file " + encrypted +
                  " is the only good copy)\n\n1 Files were successfully encrypted. 0 Files failed \n",
              Boxes().back());
    EXPECT_EQ(data.size(), testsupport::ReadFile(report).size());
    EXPECT_EQ(std::string::npos, testsupport::ReadFile(report).find(data.substr(0, 64)));
    SetFileAttributesA(report.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(DeleteFileA(report.c_str()));
    std::string path = encrypted, hint;
    EXPECT_EQ(0, Vastrel2::CIPHER::FileDecryptor(nullptr, 1, 0, kPassword).DecryptFile(path, hint));
    EXPECT_TRUE(testsupport::ReadFile(report) == data);

    SetFileAttributesA((Docs() + "\\sub\\empty.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    uitest::PickerRecorder pickers;
    pickers.answers.push_back({true, m_work / "packed.exe"});
    run(Docs(), 5);
    EXPECT_EQ((std::vector<std::string>{"Destroying original files cannot be undone. Are you sure you want to continue?"}),
              Boxes());
    EXPECT_TRUE(testsupport::Exists(m_work / "packed.exe"));
    EXPECT_TRUE(testsupport::ListDir(Docs() + "\\sub").empty());
}

TEST_F(VerbTest, NothingBehindALinkIsTouched) {
    // A folder outside the selection, reached through a link inside a
    // selected folder and through a selected link.
    testsupport::MakeDir(m_work / "outside");
    testsupport::WriteFile(m_work / "outside\\precious.txt", "precious");
    if (!MakeLink(m_work / "outside", Docs() + "\\inner link") || !MakeLink(m_work / "outside", m_work / "alias")) {
        GTEST_SKIP() << "no links can be made here";
    }
    m_messages.respond = [](const platform::MessageRequest& box) {
        return (box.style & 0xF) == MB_YESNO ? IDYES : IDOK;
    };
    std::vector<std::vector<std::string>> rows;
    {
        uitest::ModalDriver driver;
        EncryptWith(driver, rows);
        EXPECT_EQ(S_OK, Invoke({Docs(), m_work / "alias"}, 0));
    }
    EXPECT_EQ((std::vector<std::vector<std::string>>{
                  {m_work / "alias", "File is a link; links are not followed", ""},
                  {Docs() + "\\inner link", "File is a link; links are not followed", "Nothing behind it was touched"}}),
              rows);
    {
        uitest::ModalDriver driver;
        driver.When("ShredDialog", [&](uitest::DialogDriver& d) {
            d.Click(IDC_SHRED_NOW);
            d.Click(IDOK);
        });
        EXPECT_EQ(S_OK, Invoke({Docs(), m_work / "alias"}, 4));
    }
    EXPECT_EQ("1 file(s) could not be shredded and are still in place.", Boxes().back());
    EXPECT_EQ("precious", testsupport::ReadFile(m_work / "outside\\precious.txt"));
    EXPECT_TRUE(testsupport::ListDir(Docs() + "\\sub").empty());
}

TEST_F(VerbTest, OptionsAreWrittenAsClickedAndOnSave) {
    Store("Obfuscate", 0);
    Store("Summary", 5);
    Store("SSO", 1);
    Store("ShredPasses", 0);
    Store("key", 1);  // names no entry
    uitest::ModalDriver driver;
    int collapsed = 0;
    driver.When("OptionsDlg", [&](uitest::DialogDriver& d) {
        EXPECT_EQ(1u, Stored("ShredPasses"));
        EXPECT_EQ(BST_CHECKED, d.Checked(IDC_OPT_OBFUSCATE));
        EXPECT_EQ(BST_UNCHECKED, d.Checked(IDC_OPT_SUMMARY));
        EXPECT_EQ(BST_CHECKED, d.Checked(IDC_OPT_CONFIRM));
        EXPECT_EQ(BST_UNCHECKED, d.Checked(IDC_OPT_SUCCESS));
        EXPECT_EQ("Show Advanced", d.Text(IDC_OPT_ADVANCED_LABEL));
        EXPECT_EQ(">>", d.Text(IDC_OPT_ADVANCED));
        collapsed = Height(d.Handle());
        d.Click(IDC_OPT_ADVANCED);
        EXPECT_EQ(collapsed + 180, Height(d.Handle()));
        EXPECT_EQ("<<", d.Text(IDC_OPT_ADVANCED));
        EXPECT_EQ(CB_ERR, SendMessageA(d.Item(IDC_OPT_HASH), CB_GETCURSEL, 0, 0));
        EXPECT_EQ("", ToolText(d.Handle(), IDC_OPT_HASH));
        EXPECT_EQ(1, SendMessageA(d.Item(IDC_OPT_PASSES), TBM_GETPOS, 0, 0));
        d.Click(IDC_OPT_OBFUSCATE);
        d.Click(IDC_OPT_SUMMARY);
        EXPECT_EQ(1u, Stored("Obfuscate"));
        EXPECT_EQ(0u, Stored("Summary"));
        d.Press(VK_RETURN);
        d.Press(VK_ESCAPE);
        EXPECT_TRUE(IsWindowVisible(d.Handle()));
        EXPECT_EQ(1u, Stored("key"));
        d.Choose(IDC_OPT_HASH, "MD5 - 128 bit key");
        EXPECT_EQ(0u, ToolText(d.Handle(), IDC_OPT_HASH).find("MD5: Use this algorithm for 128 bit passwords."));
        SendMessageA(d.Item(IDC_OPT_PASSES), TBM_SETPOS, TRUE, 5);
        d.Screenshot("advanced");
        d.Click(IDOK);
    });
    driver.When("OptionsDlg", [&](uitest::DialogDriver& d) {
        EXPECT_EQ(collapsed, Height(d.Handle()));
        d.Click(IDC_OPT_CONFIRM);
        d.Click(IDCANCEL);
    });
    driver.When("OptionsDlg", [&](uitest::DialogDriver& d) { d.Click(IDOK); });
    EXPECT_EQ(S_OK, Invoke({m_work / "c.txt"}, 6));
    EXPECT_EQ(0u, Stored("key"));
    EXPECT_EQ(0u, Stored("cipher"));
    EXPECT_EQ(5u, Stored("ShredPasses"));
    EXPECT_EQ(S_OK, Invoke({m_work / "c.txt"}, 6));
    EXPECT_EQ(1u, Stored("SCM"));  // kept after Cancel
    // A list without a selection saves the default, never "no selection".
    Store("key", 7);
    EXPECT_EQ(S_OK, Invoke({m_work / "c.txt"}, 6));
    EXPECT_EQ(2u, Stored("key"));
    EXPECT_TRUE(m_messages.messages.empty());
}

}  // namespace
