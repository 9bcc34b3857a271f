#include "cli/run_log.h"

#include <cstring>

#include "cli/console_out.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/system.h"

namespace Vastrel2 {

LogFile::LogFile() : LogFile(DefaultPath()) {}

LogFile::LogFile(const std::string& path) : m_path(path) {}

std::string LogFile::DefaultPath() {
    return platform::FolderPart(platform::ModuleFilePath()) + platform::kPathSep + "Vastrel.log";
}

namespace {

// The file has always been written as a text stream, which turns every line
// feed into a carriage return and a line feed: the same is done here on
// every system, so the file is the same wherever it was written. Appends the
// bytes of `text` as the file holds them to `disk`.
void AppendOnDisk(std::string& disk, const char* text, size_t size) {
    const char* const end = text + size;
    while (text < end) {
        const char* feed = static_cast<const char*>(std::memchr(text, '\n', static_cast<size_t>(end - text)));
        if (!feed) {
            disk.append(text, end);
            return;
        }
        disk.append(text, feed);
        disk += "\r\n";
        text = feed + 1;
    }
}

const char kClosing[] = "\r\n";  // after the last line, as the stream wrote it
constexpr size_t kClosingSize = 2;

// How often the file is looked at by its path, to see that it is still the
// one written: often enough that a file removed or changed by another
// program is soon whole again, seldom enough to cost nothing beside the
// lines themselves.
constexpr uint32_t kLookEveryMs = 100;

}  // namespace

LogFile::~LogFile() {
    // However the run ended, the file it leaves holds every line.
    try {
        if (m_file.IsOpen() && !FileAsLeft()) Rewrite();
    } catch (...) {
        // the lines in the file stay as they are
    }
}

void LogFile::WriteLine(const std::string& text) {
    m_buffer += text;
    m_buffer += "\r\n";
    bool asLeft = m_file.IsOpen();
    if (asLeft && platform::TickCount() - m_lookedAt >= kLookEveryMs) asLeft = FileAsLeft();
    m_lastWriteOk = asLeft ? Append() : Rewrite();
}

bool LogFile::FileAsLeft() {
    m_lookedAt = platform::TickCount();
    CFileStatus status;
    return CFile::GetStatus(m_path, status) && status.m_size == m_fileDone + kClosingSize;
}

// The lines not yet in the file overwrite its closing line end, followed by
// a new one, in one write. A write that fails is undone, so that the file
// holds the lines before it as they were; the lines are then written with
// the next one.
bool LogFile::Append() {
    std::string& lines = m_scratch;  // kept from line to line: no allocation a line
    lines.clear();
    AppendOnDisk(lines, m_buffer.data() + m_bufferDone, m_buffer.size() - m_bufferDone);
    lines += kClosing;
    if (m_file.WriteAt(m_fileDone, lines.data(), lines.size())) {
        m_fileDone += lines.size() - kClosingSize;
        m_bufferDone = m_buffer.size();
        return true;
    }
    if (!m_file.SetLength(m_fileDone + kClosingSize) || !m_file.WriteAt(m_fileDone, kClosing, kClosingSize))
        m_file.Close();  // written whole the next time
    return false;
}

// Every line again. Others may read and write the file meanwhile; opening
// it empties it.
bool LogFile::Rewrite() {
    m_file.Close();
    m_lookedAt = platform::TickCount();
    if (!m_file.Open(m_path, CFile::modeWrite | CFile::shareDenyNone | CFile::typeBinary | CFile::modeCreate))
        return false;
    std::string disk;
    disk.reserve(m_buffer.size() + m_buffer.size() / 8 + kClosingSize);
    AppendOnDisk(disk, m_buffer.data(), m_buffer.size());
    disk += kClosing;
    if (!m_file.Write(disk.data(), disk.size())) {
        m_file.Close();
        return false;
    }
    m_fileDone = disk.size() - kClosingSize;
    m_bufferDone = m_buffer.size();
    return true;
}

std::string LogFile::Timestamp() {
    platform::LocalTime t = platform::LocalNow();
    return Format("%02d/%02d/%04d %02d:%02d:%02d  :  ", t.day, t.month, t.year, t.hour, t.minute, t.second);
}

std::string StartTimeLine() { return "Start Time : " + LogFile::Timestamp(); }

std::string FormatElapsed(uint32_t startTick) { return FormatElapsed(startTick, platform::TickCount()); }

std::string FormatElapsed(uint32_t startTick, uint32_t nowTick) {
    uint32_t seconds = (nowTick - startTick) / 1000;
    return Format("%.2d:%.2d:%.2d", static_cast<int>(seconds / 3600), static_cast<int>((seconds / 60) % 60),
                  static_cast<int>(seconds % 60));
}

}  // namespace Vastrel2
