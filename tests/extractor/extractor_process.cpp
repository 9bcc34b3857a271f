#include "tests/extractor/extractor_process.h"

#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "tests/ui/ui_test_support.h"
#include "ui/summary_dlg.h"

namespace extractortest {

namespace {

constexpr UINT kMessageTimeout = 10000;

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The text of a window of another process, through its own WM_GETTEXT.
std::string TextOf(HWND window) {
    std::vector<char> text(8192, '\0');
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        kMessageTimeout, &result);
    text.back() = '\0';
    return text.data();
}

bool ShownButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    return button && IsWindowVisible(button);
}

std::string OneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c != '\r') out.push_back(c);
    }
    return out;
}

struct Search {
    DWORD pid;
    HWND except;
    std::vector<HWND> found;
    bool anyTitle;
};

// Visible dialogs of the process: the Extractor's own (by its title), or
// every other one.
BOOL CALLBACK FindDialogs(HWND window, LPARAM l) {
    Search* search = reinterpret_cast<Search*>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || window == search->except || !IsWindowVisible(window) || ClassOf(window) != "#32770")
        return TRUE;
    char title[128] = {};
    GetWindowTextA(window, title, sizeof title);
    if (search->anyTitle || std::string(title) == "Vastrel 2 Self-Extractor") search->found.push_back(window);
    return TRUE;
}

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, separator)) parts.push_back(part);
    if (!line.empty() && line.back() == separator) parts.push_back("");
    return parts;
}

}  // namespace

std::string ExtractorExePath() {
    std::string dir = uitest::BuildFolder();
    return dir.empty() ? "" : dir + "\\extractor\\Extractor.exe";
}

ExtractorProcess::~ExtractorProcess() {
    m_stop = true;
    if (m_watcher.joinable()) m_watcher.join();
    if (m_process.hProcess) {
        if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_process.hProcess, 1);
        WaitForSingleObject(m_process.hProcess, 5000);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
}

bool ExtractorProcess::Start(const std::string& program, const std::string& transcript) {
    m_transcript = transcript;
    DeleteFileA(transcript.c_str());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string line = "\"" + program + "\"";
    if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_process))
        return false;
    WaitForInputIdle(m_process.hProcess, 20000);
    for (int waited = 0; waited < 30000; waited += 50) {
        Search search{m_process.dwProcessId, nullptr, {}, false};
        EnumWindows(FindDialogs, reinterpret_cast<LPARAM>(&search));
        if (!search.found.empty()) {
            m_dialog = search.found.front();
            // The watcher looks at the desktop this thread (and so the
            // program) works on; a new thread may start on another one.
            HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
            m_watcher = std::thread([this, desktop] {
                SetThreadDesktop(desktop);
                Watch();
            });
            return true;
        }
        if (WaitForSingleObject(m_process.hProcess, 50) != WAIT_TIMEOUT) return false;
    }
    return false;
}

void ExtractorProcess::Watch() {
    while (!m_stop && WaitForSingleObject(m_process.hProcess, 20) == WAIT_TIMEOUT) {
        Search search{m_process.dwProcessId, m_dialog, {}, true};
        EnumWindows(FindDialogs, reinterpret_cast<LPARAM>(&search));
        for (HWND window : search.found) {
            if (m_answered.count(window)) continue;
            if (Answer(window)) m_answered.insert(window);
        }
        // Windows that are gone no longer count as answered (handles come again).
        for (auto it = m_answered.begin(); it != m_answered.end();) {
            it = IsWindow(*it) ? std::next(it) : m_answered.erase(it);
        }
    }
}

bool ExtractorProcess::Answer(HWND window) {
    if (HWND list = GetDlgItem(window, CCryptoSummaryDlg::kListId)) {
        DWORD_PTR count = 0;
        SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeout, &count);
        for (int i = 0; i < static_cast<int>(count); ++i) {
            std::vector<std::string> row = ListRow(list, i);
            Append("row\t" + OneLine(row[0]) + "\t" + OneLine(row[1]) + "\t" + OneLine(row[2]));
        }
        Append("summary\tend");
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    }
    // A message box: its text is the static with text, its buttons tell its kind.
    std::string text;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0) {
            std::string shown = TextOf(child);
            if (shown.size() > text.size()) text = shown;
        }
    }
    const bool yes = ShownButton(window, IDYES) && ShownButton(window, IDNO);
    const bool ok = ShownButton(window, IDOK);
    if (!yes && !ok) return false;
    unsigned buttons = MB_OK;
    if (yes) buttons = ShownButton(window, IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    else if (ShownButton(window, IDCANCEL)) buttons = MB_OKCANCEL;
    Append("box\t" + std::to_string(buttons) + "\t" + OneLine(text));
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(yes ? IDYES : IDOK, BN_CLICKED), 0);
    return true;
}

// One row of a list view of the program: its texts are asked for in the
// program's own memory.
std::vector<std::string> ExtractorProcess::ListRow(HWND list, int row) {
    std::vector<std::string> texts(3);
    constexpr size_t kChars = 1024;
    char* remote = static_cast<char*>(VirtualAllocEx(m_process.hProcess, nullptr, sizeof(LVITEMA) + kChars,
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote) return texts;
    for (int column = 0; column < 3; ++column) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = column;
        item.pszText = remote + sizeof(LVITEMA);
        item.cchTextMax = static_cast<int>(kChars);
        std::vector<char> text(kChars, '\0');
        DWORD_PTR result = 0;
        if (WriteProcessMemory(m_process.hProcess, remote, &item, sizeof item, nullptr) &&
            WriteProcessMemory(m_process.hProcess, remote + sizeof(LVITEMA), text.data(), 1, nullptr) &&
            SendMessageTimeoutA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote),
                                SMTO_ABORTIFHUNG, kMessageTimeout, &result) &&
            ReadProcessMemory(m_process.hProcess, remote + sizeof(LVITEMA), text.data(), kChars, nullptr)) {
            text.back() = '\0';
            texts[static_cast<size_t>(column)] = text.data();
        }
    }
    VirtualFreeEx(m_process.hProcess, remote, 0, MEM_RELEASE);
    return texts;
}

void ExtractorProcess::Append(const std::string& line) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_lines.push_back(line);
    std::ofstream out(m_transcript, std::ios::binary | std::ios::app);
    out << line << "\n";
}

void ExtractorProcess::SetText(int id, const std::string& text) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(m_dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, kMessageTimeout, &result);
}

std::string ExtractorProcess::Text(int id) const { return TextOf(GetDlgItem(m_dialog, id)); }

bool ExtractorProcess::Enabled(int id) const { return IsWindowEnabled(GetDlgItem(m_dialog, id)) != FALSE; }

void ExtractorProcess::Click(int id) const {
    PostMessageA(m_dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_dialog, id)));
}

std::vector<std::string> ExtractorProcess::Lines() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_lines;
}

bool ExtractorProcess::WaitForLine(const std::string& prefix, int count, int milliseconds) {
    for (int waited = 0; waited <= milliseconds; waited += 50) {
        int seen = 0;
        for (const std::string& line : Lines()) {
            if (line.compare(0, prefix.size(), prefix) == 0) ++seen;
        }
        if (seen >= count) return true;
        if (WaitForSingleObject(m_process.hProcess, 50) != WAIT_TIMEOUT) return false;
    }
    return false;
}

std::vector<std::vector<std::string>> ExtractorProcess::SummaryRows() const {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Lines()) {
        if (line.compare(0, 4, "row\t") == 0) {
            std::vector<std::string> parts = Split(line.substr(4), '\t');
            parts.resize(3);
            rows.push_back(parts);
        }
    }
    return rows;
}

bool ExtractorProcess::Exit(int milliseconds) {
    Click(IDOK);
    return WaitForSingleObject(m_process.hProcess, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
}

}  // namespace extractortest
