#include "tests/extractor/extractor_process.h"

#include <fstream>
#include <sstream>

#include "tests/ui/ui_test_support.h"

namespace extractortest {

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM l) {
    Search* search = reinterpret_cast<Search*>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char title[128] = {};
    GetWindowTextA(window, title, sizeof title);
    if (pid == search->pid && IsWindowVisible(window) && std::string(title) == "Vastrel 2 Self-Extractor") {
        search->found = window;
        return FALSE;
    }
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
    SetEnvironmentVariableA("VASTREL_EXTRACTOR_TRANSCRIPT", transcript.c_str());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string line = "\"" + program + "\"";
    BOOL started = CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                                  &m_process);
    SetEnvironmentVariableA("VASTREL_EXTRACTOR_TRANSCRIPT", nullptr);
    if (!started) return false;
    WaitForInputIdle(m_process.hProcess, 20000);
    for (int waited = 0; waited < 30000; waited += 50) {
        Search search{m_process.dwProcessId, nullptr};
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            m_dialog = search.found;
            return true;
        }
        if (WaitForSingleObject(m_process.hProcess, 50) != WAIT_TIMEOUT) return false;
    }
    return false;
}

void ExtractorProcess::SetText(int id, const std::string& text) const {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(m_dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 10000, &result);
}

std::string ExtractorProcess::Text(int id) const {
    char text[1024] = {};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(m_dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 10000, &result);
    return text;
}

bool ExtractorProcess::Enabled(int id) const { return IsWindowEnabled(GetDlgItem(m_dialog, id)) != FALSE; }

void ExtractorProcess::Click(int id) const {
    PostMessageA(m_dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_dialog, id)));
}

std::vector<std::string> ExtractorProcess::Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(m_transcript, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
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
