#pragma once
// Self-extracting archives. An archive is one executable file: the Extractor
// program (the stub), then the stored files' bytes back to back, then one
// directory record per file, the entry count and the end marker. All
// integers are little-endian:
//
//   stub | data 0 .. data n-1 | record 0 .. record n-1 | count (4) | "!VASTREL2!"
//   record: offset (8) | size (8) | name (L bytes, no terminator) | L (4)
//
// Each record's length field follows its name, so the directory is read
// from the end of the file backwards; the data are found by their offsets.
// A stored name is the name given when the file was added, with ".~enc"
// appended when the file holds bytes; L is at most 1000.
//
// CSelfExtractor writes archives (the programs that make them) and reads
// them back (the Extractor, on its own executable). The archive is hostile
// input: every length, count and offset is checked against the file before
// it is used, and a stored name is only ever extracted below the chosen
// folder, never over an existing file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/file.h"

constexpr char kArchiveMarker[] = "!VASTREL2!";
constexpr size_t kArchiveMarkerLength = 10;
// Count and end marker.
constexpr size_t kArchiveTrailerLength = 14;
// The longest stored name a record may hold.
constexpr size_t kMaxStoredName = 1000;
// The longest name AddFile takes: room is left for the ".~enc" appended on writing.
constexpr size_t kMaxAddedName = kMaxStoredName - 5;

// Result codes of the archive operations.
enum ArchiveResult : int {
    kArchiveCannotOpen = 1000,    // the archive cannot be opened for reading
    kArchiveBadDirectory = 1001,  // no end marker, or a directory the file cannot hold
    kArchiveOk = 1002,
    kArchiveCancelled = 1003,     // the display's Cancel stopped the writer
    kArchiveNoEntries = 1004,     // nothing to write, or an archive without entries
    kArchiveOutputFailed = 1005,  // the output cannot be created or written
    kArchiveSourceFailed = 1006,  // a file to store (or the archive) cannot be read
    kArchiveNoStub = 1007,        // the stub resource is missing
};

// What the user is told about a code, in a sentence.
std::string ArchiveResultText(int code);

// One stored file.
struct ArchiveEntry {
    ArchiveEntry() { Clear(); }
    void Clear();
    // Takes the file's length, and its name as the stored name; false when
    // it is not a file that can be opened for reading.
    bool SetSource(const std::string& path);

    std::string sourcePath;  // writing only
    std::string storedName;
    uint64_t size = 0;
    uint64_t offset = 0;  // position of the data in the archive
};

// What the writer tells a progress display.
class ArchiveProgress {
public:
    virtual ~ArchiveProgress() = default;
    // Before the first entry: position 0, a range of `steps`, the text, shown.
    virtual void Begin(int steps, const std::string& text) = 0;
    // One more step done; lets the program's windows breathe.
    virtual void Step() = 0;
    // Hidden again.
    virtual void End() = 0;
    // True once the user asked to stop; the writer then keeps no archive.
    virtual bool Cancelled() const { return false; }
};

class CSelfExtractor {
public:
    // Called after each entry's data has been copied.
    using Callback = void (*)(const ArchiveEntry& entry, void* userData);

    CSelfExtractor() = default;
    virtual ~CSelfExtractor();
    CSelfExtractor(const CSelfExtractor&) = delete;
    CSelfExtractor& operator=(const CSelfExtractor&) = delete;

    // ---- writing

    // Adds a file under a stored name (at most kMaxAddedName bytes, not
    // empty). False, with nothing added, when the name does not fit or the
    // path is not a readable file.
    bool AddFile(const std::string& path, const std::string& storedName);
    // Not owned; null for none.
    void SetProgress(ArchiveProgress* progress) { m_progress = progress; }
    // Writes the stub resource of type "SFX_EXE" with this id, then the
    // entries: kArchiveOk, kArchiveNoEntries, kArchiveOutputFailed,
    // kArchiveSourceFailed, kArchiveCancelled or kArchiveNoStub. The archive
    // is written to a temporary file beside the output and takes the
    // output's place only when it is complete on disk: after a failure the
    // output path holds what it held before. An output that is one of the
    // stored files, by any spelling or link, is refused (kArchiveOutputFailed).
    int CreateArchive(unsigned resourceId, const std::string& outputPath, Callback callback = nullptr,
                      void* userData = nullptr);
    // The same with the stub's bytes given.
    int WriteArchive(const void* stub, size_t stubSize, const std::string& outputPath, Callback callback = nullptr,
                     void* userData = nullptr);
    // Everything after the stub, to an open output: kArchiveOk,
    // kArchiveOutputFailed, kArchiveCancelled or kArchiveSourceFailed (a
    // source that cannot be opened, or whose length changed since it was added).
    int WritePayload(CFile& output, Callback callback = nullptr, void* userData = nullptr);

    // ---- reading

    // The running program's own executable.
    static std::string GetOwnPath();
    // Reads the directory at the end of the file: kArchiveOk,
    // kArchiveCannotOpen, kArchiveBadDirectory or kArchiveNoEntries. The
    // list holds the entry stored last at index 0; it is empty after a failure.
    int ReadDirectory(const std::string& path);
    // Reads the own executable's directory (again, when the file changed
    // since the last read) and writes entry `index`
    // below the folder: kArchiveOk, a code of ReadDirectory, or
    // kArchiveOutputFailed / kArchiveSourceFailed. extractedPath receives
    // the file written, which has a free variant of the stored name when
    // that name is taken.
    int ExtractEntry(int index, const std::string& folder, std::string* extractedPath = nullptr);
    // The same from a given archive file.
    int ExtractEntryFrom(const std::string& archivePath, int index, const std::string& folder,
                         std::string* extractedPath = nullptr);
    // Writes entry `index` from the open archive below the folder (with or
    // without a separator at its end): kArchiveOk or kArchiveOutputFailed.
    int WriteEntryFile(CFile& archive, int index, const std::string& folder, std::string* extractedPath = nullptr);
    // Why the last read or extraction failed, in a few words (empty after success).
    const std::string& LastProblem() const { return m_problem; }

    // The stored name as the folders and the file name below the extraction
    // folder, or false when it would lead elsewhere: absolute, a share, a
    // drive or stream (":"), a ".." component, a device name (also COM and
    // LPT with a superscript digit), or characters no file name may hold. A
    // leading drive ("C:\") is dropped first. The name is split at real
    // separators only: in a double-byte code page the second byte of a
    // character may be the byte of '\' and is none.
    static bool SafeNameParts(const std::string& storedName, std::vector<std::string>& parts,
                              unsigned codePage = platform::kSystemCodePage);
    // The same parts joined with the separator of this system.
    static bool SafeRelativeName(const std::string& storedName, std::string& relative,
                                 unsigned codePage = platform::kSystemCodePage);

    // ---- both

    void ClearEntries();
    int GetCount() const { return m_count; }
    const ArchiveEntry& Entry(int index) const { return *m_entries[static_cast<size_t>(index)]; }
    // Directory, count and marker in bytes, as the last successful read measured them.
    uint64_t TailLength() const { return m_tailLength; }

    // Bytes moved per read and write while copying.
    static constexpr size_t kCopyBlock = 1 << 20;

private:
    int Fail(int code, const char* problem);
    int ReadRecords(CFile& file, uint64_t length, uint64_t count);
    bool Cancelled() const { return m_progress && m_progress->Cancelled(); }

    int m_count = 0;
    uint64_t m_tailLength = 0;
    uint64_t m_archiveLength = 0;  // of the archive whose directory was read last
    std::string m_readPath;        // that archive, empty after a failed read
    platform::FileIdentity m_readIdentity;  // which file it was
    int64_t m_readTime = 0;        // and its modification time then
    ArchiveProgress* m_progress = nullptr;
    std::vector<std::unique_ptr<ArchiveEntry>> m_entries;
    std::string m_problem;
};
