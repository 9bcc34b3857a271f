#pragma once
// A small binary file object over the operating system's own calls, with the
// open modes and sharing flags the rest of the code speaks in. Nothing here
// throws: every failure comes back as a return value.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/path.h"

namespace platform {
// Longest path the file layer takes (the Windows limit; longer ones are refused).
constexpr size_t kMaxPath = 259;
struct FileIdentity;
}  // namespace platform

// File attribute bits, as the Windows file system reports them.
enum : uint32_t {
    kAttrReadOnly = 0x01,
    kAttrHidden = 0x02,
    kAttrSystem = 0x04,
    kAttrVolume = 0x08,
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
    kAttrNormal = 0x80,
    kAttrReparsePoint = 0x400,
};

// Times are 100-nanosecond ticks since 1601-01-01 UTC; 0 means "not known"
// and is never written back.
struct CFileStatus {
    int64_t m_ctime = 0;  // creation (not kept outside Windows)
    int64_t m_atime = 0;  // last access
    int64_t m_mtime = 0;  // last modification
    uint64_t m_size = 0;
    uint8_t m_attribute = 0;  // low byte of the attribute bits
    // Read, write and execute permissions of owner, group and others where
    // the file system keeps them (0 elsewhere); 0 is never written back.
    uint32_t m_mode = 0;
    std::string m_szFullName;
};

struct CFileException {
    unsigned long m_lOsError = 0;  // GetLastError() or errno of the failed call
    std::string m_strFileName;
};

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,      // create, or truncate an existing file
        modeNoTruncate = 0x2000,  // with modeCreate: open an existing file as it is
        typeBinary = 0x8000,
        osWriteThrough = 0x10000,  // every write reaches the disk before it returns
        // Reads ahead and gathers writes in a buffer of our own, for long
        // sequential runs in small pieces. A write that fails may show at a
        // later Write, Seek, SetLength or Flush: check Flush before Close.
        osSequential = 0x20000,
        // Creates the file only when nothing of that name exists yet (not
        // even a link). Where files carry permission bits it starts readable
        // and writable by its owner alone, until the caller gives it others.
        osCreateNew = 0x40000,
        // Refuses a path whose last part is a link (as IsLink tells) instead
        // of opening what it leads to. An open that creates and truncates
        // nothing may be made first and the open file then asked, where that
        // is the only way to tell (Wine).
        osNoLink = 0x80000,
        // Opens the file only where this process may also remove it. On
        // Windows the handle carries the right to delete the file, so the
        // open is refused while another program holds the file without
        // letting it be deleted; elsewhere it is refused when the folder
        // does not let this process remove the file. While the handle is
        // open the file may be renamed and removed by name.
        osDeleteAccess = 0x100000,
        // Lets others rename and remove the file while this handle is open
        // (elsewhere than on Windows they always may), without asking for
        // the right to remove it: an open that others must share.
        osShareDelete = 0x200000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    bool Open(const std::string& path, unsigned flags, CFileException* error = nullptr);
    void Close();
    bool IsOpen() const;

    // Reads up to `count` bytes; fewer only at the end of the file or on error.
    size_t Read(void* buffer, size_t count);
    // Reads up to `count` bytes from `offset` in one call, whatever the file
    // position; afterwards the position is not defined: seek before reading on
    // (and read from one thread at a time).
    size_t ReadAt(uint64_t offset, void* buffer, size_t count);
    // Writes all bytes or returns false.
    bool Write(const void* buffer, size_t count);
    // Writes all bytes at `offset`, whatever the file position, or returns
    // false; afterwards the position is not defined (as after ReadAt).
    bool WriteAt(uint64_t offset, const void* buffer, size_t count);
    // Moves the file position; false (position unchanged) when the new
    // position would lie before the start of the file.
    bool Seek(int64_t offset, SeekPosition from);
    void SeekToBegin() { Seek(0, begin); }
    uint64_t SeekToEnd();
    uint64_t GetPosition() const;
    uint64_t GetLength() const;
    bool SetLength(uint64_t length);
    // Pushes everything written so far to stable storage.
    bool Flush();

    const std::string& GetFilePath() const { return m_path; }
    // The name part of the path (after the last separator).
    std::string GetFileName() const;

    static bool GetStatus(const std::string& path, CFileStatus& status);
    // The status of the open file, taken from the open file itself.
    bool GetStatus(CFileStatus& status) const;
    // What tells the open file from every other (as platform::GetFileIdentity
    // tells it for a path), and how many names it has on its volume (its hard
    // links), both asked of the open file itself.
    bool GetIdentity(platform::FileIdentity& identity, uint32_t& links) const;
    bool GetIdentity(platform::FileIdentity& identity) const {
        uint32_t links = 0;
        return GetIdentity(identity, links);
    }
    // Writes the attribute byte, the permissions when known and every
    // non-zero time of `status`.
    static bool SetStatus(const std::string& path, const CFileStatus& status);
    static bool Rename(const std::string& from, const std::string& to);
    static bool Remove(const std::string& path);

private:
    // The operating system's calls, without the buffer.
    size_t OsRead(void* buffer, size_t count);
    bool OsWrite(const void* buffer, size_t count);
    bool OsSeek(int64_t offset, SeekPosition from);
    uint64_t OsPosition() const;
    uint64_t OsLength() const;
    bool OsSetLength(uint64_t length);
    bool OsFlush();
    void OsClose();

    void StartBuffer(unsigned flags);
    // Writes out gathered bytes, or steps back over bytes read ahead.
    bool Drain();

    enum class BufferUse { Idle, Reading, Writing };
    std::vector<char> m_buffer;  // empty unless opened with osSequential
    size_t m_bufferPos = 0;      // reading: next byte to hand out
    size_t m_bufferLen = 0;      // reading: bytes read ahead; writing: bytes gathered
    BufferUse m_bufferUse = BufferUse::Idle;

#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
    std::string m_path;
};

namespace platform {

struct FindData {
    std::string name;
    uint32_t attributes = 0;  // kAttr* bits; a plain file has 0
    uint64_t size = 0;
};

// How much FindFiles must tell of each entry.
enum class FindDetail {
    Full,      // attributes and size
    TypeOnly,  // the directory and reparse-point bits at least; the other
               // bits and the size may be left 0. A walk that wants only
               // names and folders then need not ask the disk about each file.
};

// Lists the entries of `folder` whose names match `mask` (Windows wildcard
// rules: '*' and '?', "*.*" matches every name, letters compared without
// case), "." and ".." included where the system returns them. The callback
// returns false to stop. Returns false when the folder cannot be listed, or
// when some of its entries could not be examined (they are not visited).
bool FindFiles(const std::string& folder, const std::string& mask,
               const std::function<bool(const FindData&)>& visit, FindDetail detail = FindDetail::Full);

// Creates one folder (its parent must exist). True when the folder exists
// afterwards, also when it existed before.
bool CreateFolder(const std::string& path);
// Creates the folder level by level, one at each separator of the path read
// character by character in the code page (platform/code_page.h; 0 is the
// system's own): a double-byte character whose second byte is the byte of
// '\\' makes no level. True when the folder exists afterwards.
bool CreateFolderLevels(const std::string& path, unsigned codePage = 0);

// The path made full against the current folder; on Windows also with '/'
// read as '\\' and "." and ".." resolved. An empty path stays empty; one
// that cannot be made full comes back as it was.
std::string FullPath(const std::string& path);

// True when the path's last part is a symbolic link or another reparse
// point (a junction, a mount point) rather than the file or folder itself.
bool IsLink(const std::string& path);

// False where a folder listing may show a link to a file as the file it
// leads to (Wine shows the host's links so): only IsLink tells them there.
bool ListingShowsFileLinks();

// IsLink for the entries of one folder listing, for a walk that asks about
// many of them: where the folder itself lies is found at most once, and only
// when an entry's own location does not already show that it is no link.
class FolderLinks {
public:
    explicit FolderLinks(const std::string& folder);
    // `name` as the listing gave it.
    bool IsLink(const std::string& name);

private:
    std::string m_folder;
    std::string m_location;  // where the folder lies, once found
};

// What tells one file or folder from every other, whatever path reaches it:
// the volume and the file's number on it (the volume serial number and file
// index on Windows, the device and inode elsewhere). Two paths lead to the
// same file exactly when their identities are equal, however differently
// they are spelt: letter case, "." and "..", '/' for '\\', a short 8.3
// alias, a second hard link, a link that leads there.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity& other) const { return volume == other.volume && index == other.index; }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};
// False when nothing is there (or it cannot be asked, not even for its
// attributes); a file that another program keeps open is still found.
bool GetFileIdentity(const std::string& path, FileIdentity& identity);
// True when both paths lead to one existing file or folder.
bool SameFile(const std::string& a, const std::string& b);
// True when the path leads to an existing file or folder that one of the
// others leads to.
bool LeadsToAnyOf(const std::string& path, const std::vector<std::string>& others);
// True when the path lies at any depth inside the folder: one of the folders
// it names on its way (its full path read backwards, character by
// character) is that folder, by identity.
bool LiesInside(const std::string& path, const std::string& folder);

// Sets or clears the read-only attribute and nothing else; false when the
// file is not there or keeps its attribute. Where files carry permission
// bits, setting it takes every write permission away.
bool ChangeReadOnly(const std::string& path, bool set);
// Puts back the attribute byte and, where files carry them, the permission
// bits exactly as `found` holds them (CFile::GetStatus of this file before
// its read-only flag was lifted); times are not written. Setting the flag
// again instead would also take away write permissions that others had.
// False when the file is not there or keeps what it has.
bool RestoreAttributes(const std::string& path, const CFileStatus& found);

// Moves the file `from` into the place of `link`, a link as IsLink tells,
// which goes: the link itself is replaced, and what it leads to (a file, a
// folder or nothing) is never opened, moved or removed. False when `link`
// is no link, or a link that cannot be replaced so: under Wine a link to a
// folder, which stays (Wine would move or remove the folder). Windows
// replaces a link to a folder in two steps, removing the link first: should
// another file take the place in between, `from` stays where it was.
bool ReplaceLink(const std::string& from, const std::string& link);

// Moves a file to `to`, taking the place of a file that is already there
// (the rename is one step: `to` is the old file or the new one, never
// neither). Refuses, changing nothing, when `to` is a folder or a read-only
// file, as the Windows call does everywhere.
bool MoveReplacing(const std::string& from, const std::string& to);

// Tests: asked before every write to a file with the file's path and the
// byte count; false makes that write fail as it does on a full disk.
// Returns the previous hook; an empty one lets every write through.
using WriteHook = std::function<bool(const std::string& path, size_t count)>;
WriteHook SetWriteHook(WriteHook hook);
// True when the hook (if any) lets the write through.
bool WriteAllowed(const std::string& path, size_t count);

// Tests: asked before GetFileIdentity looks at the file a path leads to (and
// so before SameFile and the like); false makes that look fail as it does
// for a file that cannot be examined. Returns the previous hook; an empty
// one lets every look through.
using IdentityHook = std::function<bool(const std::string& path)>;
IdentityHook SetIdentityHook(IdentityHook hook);
// True when the hook (if any) lets the look through.
bool IdentityAllowed(const std::string& path);

}  // namespace platform
