#pragma once
// Runs a self-extracting archive as its own process, as a recipient would,
// and drives its dialog from outside with window messages. The program is
// started with VASTREL_EXTRACTOR_TRANSCRIPT set, so it answers its message
// boxes itself and writes them, and the summary's rows, to a file that the
// test reads. Every wait is bounded: a program that does not answer in time
// is ended and the test fails.
#include <windows.h>

#include <string>
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

    // Starts the program and waits for its dialog.
    bool Start(const std::string& program, const std::string& transcript);
    HWND Dialog() const { return m_dialog; }

    void SetText(int id, const std::string& text) const;
    std::string Text(int id) const;
    bool Enabled(int id) const;
    // A click as the button would send it, posted so the test never waits on it.
    void Click(int id) const;

    // Waits until the transcript holds `count` lines that start with `prefix`.
    bool WaitForLine(const std::string& prefix, int count = 1, int milliseconds = 60000);
    std::vector<std::string> Lines() const;
    // The rows the summary showed: file name, status, details.
    std::vector<std::vector<std::string>> SummaryRows() const;

    // Presses "Exit" and waits for the program to end.
    bool Exit(int milliseconds = 20000);

private:
    PROCESS_INFORMATION m_process{};
    HWND m_dialog = nullptr;
    std::string m_transcript;
};

}  // namespace extractortest
