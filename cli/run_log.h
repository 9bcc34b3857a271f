#pragma once
// The run log "Vastrel.log": every line of the current run, rewritten whole
// after each new line so the file is complete at every moment.
#include <cstdint>
#include <string>

namespace Vastrel2 {

class LogFile {
public:
    // The log next to the running program. Every rewrite replaces the file.
    LogFile();
    // A log at a path of the caller's choosing.
    explicit LogFile(const std::string& path);

    // Appends the line and rewrites the file. On disk every line ends in a
    // carriage return, a carriage return and a line feed, and the file ends
    // in one more carriage return and line feed. A file that cannot be
    // written is skipped for this line; the line is kept for the next one.
    void WriteLine(const std::string& text);

    // "08/12/2026 14:03:09  :  ": local day, month, year and time.
    static std::string Timestamp();
    // "Vastrel.log" in the folder of the running program.
    static std::string DefaultPath();

    std::string GetPath() const { return m_path; }
    std::string GetBuffer() const { return m_buffer; }
    // False when the last rewrite of the file failed.
    bool LastWriteSucceeded() const { return m_lastWriteOk; }

private:
    std::string m_path;
    std::string m_buffer;
    bool m_lastWriteOk = true;
};

// "Start Time : " and the timestamp.
std::string StartTimeLine();

// The time since `startTick` (milliseconds, platform::TickCount) as
// hours:minutes:seconds, "%.2d:%.2d:%.2d"; hours are not wrapped.
std::string FormatElapsed(uint32_t startTick);
std::string FormatElapsed(uint32_t startTick, uint32_t nowTick);

}  // namespace Vastrel2
