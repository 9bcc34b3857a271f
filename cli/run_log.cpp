#include "cli/run_log.h"

#include "cli/console_out.h"
#include "platform/file.h"
#include "platform/process.h"
#include "platform/system.h"

namespace Vastrel2 {

LogFile::LogFile() : LogFile(DefaultPath()) {}

LogFile::LogFile(const std::string& path) : m_path(path) {}

std::string LogFile::DefaultPath() {
    std::string program = platform::ModuleFilePath();
    size_t cut = program.find_last_of(platform::kPathSep);
    return (cut == std::string::npos ? std::string() : program.substr(0, cut)) + platform::kPathSep + "Vastrel.log";
}

void LogFile::WriteLine(const std::string& text) {
    m_buffer += text;
    m_buffer += "\r\n";

    // The file has always been written as a text stream, which turns every
    // line feed into a carriage return and a line feed: do the same here on
    // every system, so the file is the same wherever it was written.
    std::string disk;
    disk.reserve(m_buffer.size() + m_buffer.size() / 8 + 2);
    for (char c : m_buffer + "\n") {
        if (c == '\n') disk += '\r';
        disk += c;
    }

    // Others may read and write the file meanwhile; opening truncates it.
    CFile file;
    m_lastWriteOk = false;
    if (!file.Open(m_path, CFile::modeWrite | CFile::shareDenyNone | CFile::typeBinary | CFile::modeCreate)) return;
    m_lastWriteOk = file.Write(disk.data(), disk.size());
    file.Close();
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
