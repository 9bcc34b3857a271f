// The help file as the program meets it: the real Vastrel.chm beside the
// program, in a plain folder and in one whose name holds blanks and letters
// beyond ASCII, and missing, empty or damaged help files.
//
// ShowHelp looks for the help beside the running program, so every case runs
// a copy of this program from a folder of its own: started with --show-help,
// the copy calls CHelpLauncher::ShowHelp with the real help viewer, answers
// every message box through the hook, notes the windows the viewer left and
// writes all of it to report.txt beside itself. The copy is given a minute;
// a copy that hangs is ended and the test fails.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "ui/help_launcher.h"

namespace {

const char kShowHelp[] = "--show-help";
const char kReport[] = "report.txt";
const UINT kHelpCloseAll = 0x0012;

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

std::string ProgramPath() {
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n);
}

void PumpFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

std::string TextOf(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The top entries of every contents tree inside the window, one line each.
BOOL CALLBACK NoteContents(HWND child, LPARAM data) {
    if (ClassOf(child) != WC_TREEVIEWA) return TRUE;
    std::string& report = *reinterpret_cast<std::string*>(data);
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(child, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    while (item) {
        char text[256] = {};
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = sizeof text;
        SendMessageA(child, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
        report += std::string("contents ") + text + "\n";
        item = reinterpret_cast<HTREEITEM>(SendMessageA(child, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    }
    return TRUE;
}

BOOL CALLBACK NoteWindow(HWND window, LPARAM data) {
    if (!IsWindowVisible(window)) return TRUE;
    std::string& report = *reinterpret_cast<std::string*>(data);
    report += "window " + ClassOf(window) + "|" + TextOf(window) + "\n";
    EnumChildWindows(window, NoteContents, data);
    return TRUE;
}

// The copy's side: show the help, note what came of it, close the viewer.
int ShowHelpAndReport() {
    std::string report;
    {
        testsupport::MessageRecorder messages;
        CHelpLauncher().ShowHelp();
        PumpFor(500);
        for (const auto& message : messages.messages)
            report += "message " + message.text + "|" + std::to_string(message.style) + "\n";
        EnumThreadWindows(GetCurrentThreadId(), NoteWindow, reinterpret_cast<LPARAM>(&report));
    }
    using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    if (HMODULE viewer = GetModuleHandleA("hhctrl.ocx")) {
        auto close = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpA")));
        if (close) close(nullptr, nullptr, kHelpCloseAll, 0);
        PumpFor(100);
    }
    testsupport::WriteFile(FolderOf(ProgramPath()) + "\\" + kReport, report);
    return 0;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

size_t CountStarting(const std::vector<std::string>& lines, const std::string& prefix) {
    size_t n = 0;
    for (const auto& l : lines) n += l.compare(0, prefix.size(), prefix) == 0;
    return n;
}

// A folder name with blanks and letters beyond ASCII that the system's code
// page can spell, so that the program's own path can hold it.
std::string OddFolderName() {
    const wchar_t* const candidates[] = {
        L"Hilfe f\u00fcr Vastrel \u00e9t\u00e9",
        L"\u0421\u043f\u0440\u0430\u0432\u043a\u0430 Vastrel",
        L"\u0392\u03bf\u03ae\u03b8\u03b5\u03b9\u03b1 Vastrel",
        L"\u30d8\u30eb\u30d7 Vastrel",
    };
    for (const wchar_t* name : candidates) {
        char narrow[MAX_PATH] = {};
        BOOL lost = FALSE;
        int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, -1, narrow, sizeof narrow, nullptr, &lost);
        if (n > 0 && !lost) return narrow;
    }
    return "";
}

class HelpFileTest : public ::testing::Test {
protected:
    // A folder holding a copy of this program and, unless `help` is null,
    // a "Vastrel.chm" of these bytes.
    std::string Prepare(const std::string& name, const std::string* help) {
        std::string folder = m_dir / name;
        testsupport::MakeDir(folder);
        EXPECT_TRUE(CopyFileA(ProgramPath().c_str(), (folder + "\\help_tests.exe").c_str(), FALSE));
        if (help) testsupport::WriteFile(folder + "\\Vastrel.chm", *help);
        return folder;
    }

    // Runs the copy in the folder; its report, one line per thing seen.
    std::vector<std::string> Run(const std::string& folder) {
        std::string command = "\"" + folder + "\\help_tests.exe\" " + kShowHelp;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        std::vector<char> line(command.begin(), command.end());
        line.push_back('\0');
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &process)) {
            ADD_FAILURE() << "cannot start " << command;
            return {};
        }
        DWORD waited = WaitForSingleObject(process.hProcess, 60000);
        DWORD code = 1;
        if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        EXPECT_EQ(WAIT_OBJECT_0, waited) << "the help hung in " << folder;
        EXPECT_EQ(0u, code) << "the program ended abnormally in " << folder;
        std::string report = folder + "\\" + kReport;
        EXPECT_TRUE(testsupport::Exists(report)) << folder;
        return testsupport::Exists(report) ? Lines(testsupport::ReadFile(report)) : std::vector<std::string>{};
    }

    testsupport::TempDir m_dir;
};

TEST_F(HelpFileTest, OpensOnItsContentsBesideTheProgramWhereverItLies) {
    const std::string help = testsupport::ReadFile(FolderOf(ProgramPath()) + "\\Vastrel.chm");
    ASSERT_GT(help.size(), 1000u) << "the build puts the compiled help file beside this program";
    const std::string odd = OddFolderName();
    ASSERT_FALSE(odd.empty()) << "the system's code page spells none of the folder names";

    for (const std::string& name : {std::string("plain"), odd}) {
        std::vector<std::string> report = Run(Prepare(name, &help));
        EXPECT_EQ(0u, CountStarting(report, "message ")) << name;
        EXPECT_TRUE(Has(report, "window HH Parent|Vastrel 2 Help")) << name;
        // The viewer read the contents tree out of our file.
        EXPECT_TRUE(Has(report, "contents Welcome to Vastrel 2")) << name;
        EXPECT_TRUE(Has(report, "contents The console program")) << name;
    }
}

TEST_F(HelpFileTest, AMissingEmptyOrDamagedFileIsSaidWithoutCrashOrHang) {
    const std::string help = testsupport::ReadFile(FolderOf(ProgramPath()) + "\\Vastrel.chm");
    ASSERT_GT(help.size(), 8192u);
    const std::string odd = OddFolderName();
    ASSERT_FALSE(odd.empty());

    const std::string empty;
    const std::string foreign(5000, '\x5A');
    const std::string headerOnly = help.substr(0, 1024);
    // The viewer falls over these two.
    const std::string halfOnly = help.substr(0, help.size() / 2);
    std::string directoryGarbled = help;
    directoryGarbled.replace(0x200, 0x1000, 0x1000, '\x5A');
    struct Case {
        const char* name;
        const std::string* help;
    } const cases[] = {{"missing", nullptr},          {"empty", &empty},        {"foreign", &foreign},
                       {"header only", &headerOnly}, {"half only", &halfOnly}, {"directory garbled", &directoryGarbled}};
    for (const Case& c : cases) {
        std::vector<std::string> report = Run(Prepare(odd + " " + c.name, c.help));
        EXPECT_TRUE(Has(report, "message Unable to find help file|" + std::to_string(MB_ICONERROR))) << c.name;
        EXPECT_EQ(1u, CountStarting(report, "message ")) << c.name;
        EXPECT_EQ(0u, CountStarting(report, "window HH Parent")) << c.name;
    }

    // Garbled inside its compressed pages, the file cannot be told from a
    // good one before it is shown: the program must still come back.
    std::string pagesGarbled = help;
    pagesGarbled.replace(help.size() / 3, 4000, 4000, '\x5A');
    Run(Prepare(odd + " pages garbled", &pagesGarbled));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == kShowHelp) return ShowHelpAndReport();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
