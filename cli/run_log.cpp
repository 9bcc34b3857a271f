#include "cli/run_log.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

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

// How often the path is looked at, to see that it still leads to the file
// written: often enough that a log that another run or program put in its
// place or removed is soon whole again, seldom enough to cost nothing beside
// the lines themselves (under Wine a look costs half a millisecond).
constexpr uint32_t kLookEveryMs = 100;

// A log that is no longer in its place (another run took it) is written
// whole again only once this many times the last whole write's time has
// passed since that write ended, so that whole writes take at most a tenth
// of a run however often other runs take the place. Meanwhile the lines go
// on into the run's own file.
constexpr uint32_t kWholeSpacing = 9;

// The bytes of a whole write are made and written this many characters of
// the buffer at a time.
constexpr size_t kWholeChunk = 1 << 20;

// Others may read and write the log's file meanwhile, and rename and remove
// it: another run puts its own file in the log's place so.
constexpr unsigned kShared = CFile::modeWrite | CFile::shareDenyNone | CFile::osShareDelete | CFile::typeBinary;

// How often a run tries to put its file in the log's place while other runs
// keep taking it (the first try finds the last run's log there).
constexpr int kPlaceAttempts = 4;

}  // namespace

LogFile::~LogFile() {
    // However the run ended, the file it leaves holds every line. The file
    // is let go of before the path is looked at: one that another program
    // removed while it was open is gone then, also where the system still
    // found it by its name while it was open (Wine).
    try {
        if (m_buffer.empty()) return;
        const bool asLeft = m_bufferDone == m_buffer.size() && FileAsLeft();
        m_file.Close();
        if (!asLeft || m_wholeOwed || !PathLeadsHere()) WriteWhole();
    } catch (...) {
        // the lines in the file stay as they are
    }
}

void LogFile::WriteLine(const std::string& text) {
    m_buffer += text;
    m_buffer += "\r\n";
    m_lastWriteOk = Write();
}

bool LogFile::Write() {
    if (!FileAsLeft()) return WriteWhole();
    const uint32_t now = platform::TickCount();
    if (!m_wholeOwed && now - m_lookedAt >= kLookEveryMs) {
        m_lookedAt = now;
        m_wholeOwed = !PathLeadsHere();
    }
    if (m_wholeOwed && now - m_wholeEnded >= kWholeSpacing * m_wholeTook) return WriteWhole();
    return Append();
}

// The open file is as long as it was left. Its length is asked of the open
// file itself, which costs no look along the path, by moving to its end: a
// status query would cost more, and on Linux make the write after it cost
// more too (it asks for the change time, which the next write must then set
// exactly).
bool LogFile::FileAsLeft() {
    return m_file.IsOpen() && m_file.SeekToEnd() == m_fileDone + kClosingSize;
}

bool LogFile::PathLeadsHere() const {
    platform::FileIdentity atPath;
    return platform::GetFileIdentity(m_path, atPath) && atPath == m_wrote;
}

// The lines not yet in the file overwrite its closing line end, followed by
// a new one, in one write; the file was just seen to end there, so nothing
// is written past its end. A write that fails is undone by shortening the
// file again, so that it holds the lines before it as they were; the lines
// are then written with the next one.
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
    if (m_file.GetLength() < m_fileDone + kClosingSize || !m_file.SetLength(m_fileDone + kClosingSize) ||
        !m_file.WriteAt(m_fileDone, kClosing, kClosingSize))
        m_file.Close();  // written whole the next time
    return false;
}

// Every line again, into a new file of this log's own put in the log's
// place, or, where the place cannot be taken, into the log itself, emptied.
// The time it took, from its start to its end, spaces the next one.
bool LogFile::WriteWhole() {
    const uint32_t start = platform::TickCount();
    const bool written = WriteWholeFile();
    m_wholeEnded = m_lookedAt = platform::TickCount();
    m_wholeTook = m_wholeEnded - start;
    if (written) m_wholeOwed = false;
    return written;
}

bool LogFile::WriteWholeFile() {
    m_file.Close();  // the file it held may be one that is no longer the log's
    if (!m_straysRemoved) {
        RemoveStrays();
        m_straysRemoved = true;
    }
    if (!TakePlace() && !OpenInPlace()) return false;
    // A file system that tells no identity leaves the path never leading to
    // this file: the lines are then written whole at every look.
    if (!m_file.GetIdentity(m_wrote)) m_wrote = platform::FileIdentity();
    uint64_t written = 0;
    std::string& disk = m_scratch;
    size_t done = 0;
    do {
        const size_t part = std::min(kWholeChunk, m_buffer.size() - done);
        disk.clear();
        AppendOnDisk(disk, m_buffer.data() + done, part);
        done += part;
        if (done == m_buffer.size()) disk += kClosing;
        if (!m_file.Write(disk.data(), disk.size())) {
            m_file.Close();
            return false;
        }
        written += disk.size();
    } while (done < m_buffer.size());
    m_fileDone = written - kClosingSize;
    m_bufferDone = m_buffer.size();
    return true;
}

// The log itself, emptied, where its place cannot be taken: a file that is
// there is opened only when it is no link and not read-only, and a new one
// is made only where nothing at all is (not even a link that leads
// nowhere), so nothing a link leads to is ever written or made.
bool LogFile::OpenInPlace() {
    if (m_file.Open(m_path, kShared | CFile::osNoLink)) {
        CFileStatus status;
        if (m_file.GetStatus(status) && !(status.m_attribute & kAttrReadOnly) && m_file.SetLength(0)) return true;
        m_file.Close();
        return false;
    }
    return m_file.Open(m_path, kShared | CFile::osCreateNew);
}

// Puts a new, empty file of this log's own in the log's place, open in
// m_file, with the attributes and permissions of the log it replaces. The
// file that was there may be another run's, still open and written, and
// Windows replaces no open file, not even by a rename: it is renamed aside
// to a private name instead (which the runs' own handles let others do) and
// removed there. It goes when its run lets go of it; that run, no longer
// finding it by the path, writes its lines again. Nothing is ever written
// into it. False when the log is a folder or read-only or held by a program
// that does not let it be renamed (it is left as it was), when no file can
// be made beside it, and when other runs keep taking the place first.
//
// A link in the log's place is replaced itself, whatever it leads to: what
// it leads to is not the log, and is neither looked at nor written, moved
// or removed. (A link that cannot be replaced so stays, and so the log is
// not written.)
bool LogFile::TakePlace() {
    const std::string mine = PrivateName();
    if (!m_file.Open(mine, kShared | CFile::osCreateNew)) return false;
    for (int attempt = 0; attempt < kPlaceAttempts; ++attempt) {
        if (CFile::Rename(mine, m_path)) return true;
        if (platform::IsLink(m_path)) {
            if (platform::ReplaceLink(mine, m_path)) return true;
            if (platform::IsLink(m_path)) break;
            continue;  // gone since
        }
        CFileStatus old;
        if (!CFile::GetStatus(m_path, old)) continue;  // gone since
        if (old.m_attribute & (kAttrDirectory | kAttrReadOnly)) break;
        old.m_ctime = old.m_atime = old.m_mtime = 0;  // not its times
        CFile::SetStatus(mine, old);
        const std::string aside = PrivateName();
        if (!CFile::Rename(m_path, aside)) break;
        CFile::Remove(aside);
    }
    m_file.Close();
    CFile::Remove(mine);
    return false;
}

// A name beside the log that no other run makes at the same time: the log's
// name, a number of the moment and ".tmp". A file of such a name is there
// for a moment only, unless a run ends in that moment.
std::string LogFile::PrivateName() {
    const uint64_t now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return m_path + Format(".~%08x%04x.tmp", static_cast<unsigned>(now ^ (now >> 32)), ++m_names & 0xFFFFu);
}

// Files of private names left by runs that were ended before they moved or
// removed them: a run removes them before its first whole write. Should one
// be another run's, made that very moment, that run no longer finds it and
// writes its lines into the log itself.
void LogFile::RemoveStrays() {
    const std::string folder = platform::FolderPart(m_path);
    std::vector<std::string> strays;
    platform::FindFiles(
        folder, platform::FileNamePart(m_path) + ".~*.tmp",
        [&](const platform::FindData& found) {
            if (!(found.attributes & kAttrDirectory)) strays.push_back(platform::JoinPath(folder, found.name));
            return true;
        },
        platform::FindDetail::TypeOnly);
    // A link of such a name is left alone: removing it by name under Wine
    // would remove what it leads to.
    for (const std::string& stray : strays)
        if (!platform::IsLink(stray)) CFile::Remove(stray);
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
