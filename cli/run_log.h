#pragma once
// The run log "Vastrel.log": every line of the current run, the file
// complete after each new line.
#include <cstdint>
#include <string>

#include "platform/file.h"

namespace Vastrel2 {

class LogFile {
public:
    // The log next to the running program. Its first line replaces the file.
    LogFile();
    // A log at a path of the caller's choosing.
    explicit LogFile(const std::string& path);
    // Leaves the file with every line, also when it was removed or changed
    // since it was last looked at.
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Appends the line; afterwards the file holds every line so far. On
    // disk every line ends in a carriage return, a carriage return and a
    // line feed, and the file ends in one more carriage return and line
    // feed. A file that cannot be written is skipped for this line; the line
    // is kept for the next one. A line costs the same whatever came before
    // it: the file stays open between lines (others may read and write it
    // meanwhile) and only the new bytes are written. Once a tenth of a
    // second has passed since it was last looked at, the file is looked at
    // by its path first: when it is gone or not as it was left (another
    // program removed or changed it), every line is written again, as they
    // are when the last line could not be written.
    void WriteLine(const std::string& text);

    // "08/12/2026 14:03:09  :  ": local day, month, year and time.
    static std::string Timestamp();
    // "Vastrel.log" in the folder of the running program.
    static std::string DefaultPath();

    std::string GetPath() const { return m_path; }
    std::string GetBuffer() const { return m_buffer; }
    // False when the last line could not be written.
    bool LastWriteSucceeded() const { return m_lastWriteOk; }

private:
    bool FileAsLeft();
    bool Append();
    bool Rewrite();

    std::string m_path;
    std::string m_buffer;
    bool m_lastWriteOk = true;
    CFile m_file;             // open while the file is as it was left
    size_t m_bufferDone = 0;  // characters of the buffer that the file holds
    uint64_t m_fileDone = 0;  // bytes of the file before its closing line end
    uint32_t m_lookedAt = 0;  // platform::TickCount of the last look at the file
    std::string m_scratch;    // the bytes of the lines being written
};

// "Start Time : " and the timestamp.
std::string StartTimeLine();

// The time since `startTick` (milliseconds, platform::TickCount) as
// hours:minutes:seconds, "%.2d:%.2d:%.2d"; hours are not wrapped.
std::string FormatElapsed(uint32_t startTick);
std::string FormatElapsed(uint32_t startTick, uint32_t nowTick);

}  // namespace Vastrel2
