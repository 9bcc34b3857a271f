#pragma once
// Runs a self-extracting archive as its own process, as a recipient would,
// and drives its dialog from outside with window messages. The program is
// the shipped one and is told nothing: a watcher of this process finds the
// message boxes and summary dialogs it opens, writes down what they show,
// and answers them as a recipient would (Yes, else OK; a summary is read
// and closed). What the watcher saw is kept as lines, also written to the
// transcript file for a look after the run:
//   box<TAB>buttons<TAB>text      buttons: 0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No
//   row<TAB>name<TAB>status<TAB>details
//   summary<TAB>end
// (line breaks and tabs of a text are written as \n and \t). Every wait is
// bounded: a program that does not answer in time is ended and the test fails.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace extractortest {

// Controls of the Extractor's dialog, for tests that also see the main
// program's ids.
constexpr int kExtractButton = 1000;
constexpr int kFolderEdit = 1002;
constexpr int kPasswordEdit = 1005;

// The built Extractor.exe of this build folder.
std::string ExtractorExePath();

class ExtractorProcess {
public:
    ExtractorProcess() = default;
    ~ExtractorProcess();
    ExtractorProcess(const ExtractorProcess&) = delete;
    ExtractorProcess& operator=(const ExtractorProcess&) = delete;

    // Starts the program, waits for its dialog and starts watching it.
    bool Start(const std::string& program, const std::string& transcript);
    HWND Dialog() const { return m_dialog; }

    void SetText(int id, const std::string& text) const;
    std::string Text(int id) const;
    bool Enabled(int id) const;
    // A click as the button would send it, posted so the test never waits on it.
    void Click(int id) const;

    // Waits until the watcher has written `count` lines that start with `prefix`.
    bool WaitForLine(const std::string& prefix, int count = 1, int milliseconds = 60000);
    std::vector<std::string> Lines() const;
    // The rows the summary showed: file name, status, details.
    std::vector<std::vector<std::string>> SummaryRows() const;

    // Presses "Exit" and waits for the program to end.
    bool Exit(int milliseconds = 20000);

private:
    void Watch();
    // Reads and answers one box or summary of the program; false when the
    // window is neither.
    bool Answer(HWND window);
    std::vector<std::string> ListRow(HWND list, int row);
    void Append(const std::string& line);

    PROCESS_INFORMATION m_process{};
    HWND m_dialog = nullptr;
    std::string m_transcript;
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
    std::set<HWND> m_answered;
    std::atomic<bool> m_stop{false};
    std::thread m_watcher;
};

}  // namespace extractortest
