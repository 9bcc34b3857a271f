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
    // Leaves the file with every line, also when another run or program
    // took its place, removed or changed it since it was last looked at: of
    // runs that share the log, the one that ends last leaves its lines.
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Appends the line; afterwards the file holds every line so far. On
    // disk every line ends in a carriage return, a carriage return and a
    // line feed, and the file ends in one more carriage return and line
    // feed. A file that cannot be written is skipped for this line; the line
    // is kept for the next one. A line costs the same whatever came before
    // it: the file stays open between lines (others may read, write, rename
    // and remove it meanwhile) and only the new bytes are written, once the
    // open file is seen to be as long as it was left. Every line is written
    // again when it is not (another program shortened or changed it), as
    // they are when the last line could not be written. Once a tenth of a
    // second has passed since it was last looked at, the path is also
    // looked at, to see that it still leads to this file; when it does not
    // (another run or program took its place or removed it), every line is
    // written again once nine times as long as the last whole write took
    // has passed since that write ended, and until then the lines go on into
    // this log's own file. However often other runs take the place, whole
    // writes so take at most a tenth of the run.
    //
    // Whole writes never go into a file that another run may be writing: a
    // new file of this log's own is put in the log's place, and the file
    // that was there, which another run may still be writing, is left to
    // that run. A link in the log's place is replaced by that file itself,
    // whatever it leads to. Only where the place cannot be taken (another
    // program holds the log without letting it be renamed, or no file can
    // be made beside it) is the log itself emptied and written, and then
    // only a file that is no link and not read-only; where nothing is there
    // at all, it is made. No line is ever written through a link.
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
    bool Write();
    bool FileAsLeft();
    bool PathLeadsHere() const;
    bool Append();
    bool WriteWhole();
    bool WriteWholeFile();
    bool OpenInPlace();
    bool TakePlace();
    std::string PrivateName();
    void RemoveStrays();

    std::string m_path;
    std::string m_buffer;
    bool m_lastWriteOk = true;
    CFile m_file;                    // open while the file is as it was left
    platform::FileIdentity m_wrote;  // the file that m_file holds
    size_t m_bufferDone = 0;         // characters of the buffer that the file holds
    uint64_t m_fileDone = 0;         // bytes of the file before its closing line end
    uint32_t m_lookedAt = 0;         // platform::TickCount of the last look at the path
    bool m_wholeOwed = false;        // the path was seen not to lead to this file
    uint32_t m_wholeEnded = 0;       // platform::TickCount at the end of the last whole write
    uint32_t m_wholeTook = 0;        // milliseconds the last whole write took
    unsigned m_names = 0;            // private names made so far
    bool m_straysRemoved = false;    // by the first whole write
    std::string m_scratch;           // the bytes of the lines being written
};

// "Start Time : " and the timestamp.
std::string StartTimeLine();

// The time since `startTick` (milliseconds, platform::TickCount) as
// hours:minutes:seconds, "%.2d:%.2d:%.2d"; hours are not wrapped.
std::string FormatElapsed(uint32_t startTick);
std::string FormatElapsed(uint32_t startTick, uint32_t nowTick);

}  // namespace Vastrel2
