#include <windows.h>

#include "platform/file.h"

namespace {

int64_t FromFileTime(const FILETIME& ft) {
    return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

// What tells a file from every other, as the system describes an open one.
platform::FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    platform::FileIdentity identity;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return identity;
}

FILETIME ToFileTime(int64_t t) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(t) & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(t) >> 32);
    return ft;
}

HANDLE H(void* h) { return static_cast<HANDLE>(h); }

}  // namespace

namespace platform {
namespace {
bool HidesFileLinks();
bool OpenedThroughLink(HANDLE h, const std::string& path);
}  // namespace
}  // namespace platform

CFile::~CFile() { Close(); }

bool CFile::Open(const std::string& path, unsigned flags, CFileException* error) {
    Close();
    DWORD access = 0;
    switch (flags & 3) {
        case modeRead: access = GENERIC_READ; break;
        case modeWrite: access = GENERIC_WRITE; break;
        default: access = GENERIC_READ | GENERIC_WRITE; break;
    }
    DWORD share = 0;
    switch (flags & 0x70) {
        case shareDenyWrite: share = FILE_SHARE_READ; break;
        case shareDenyRead: share = FILE_SHARE_WRITE; break;
        case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
        default: share = 0; break;
    }
    if (flags & osDeleteAccess) {
        access |= DELETE;
        share |= FILE_SHARE_DELETE;
    }
    if (flags & osShareDelete) share |= FILE_SHARE_DELETE;
    DWORD disposition = OPEN_EXISTING;
    if (flags & osCreateNew) disposition = CREATE_NEW;
    else if (flags & modeCreate) disposition = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    DWORD attrs = FILE_ATTRIBUTE_NORMAL;
    if (flags & osWriteThrough) attrs |= FILE_FLAG_WRITE_THROUGH;

    // An open that neither creates nor truncates changes nothing: where only
    // the open file can tell a link, it is opened first and then asked where
    // it lies, which also catches a link planted just before. Any other open
    // asks before it opens.
    const bool askOpened = (flags & osNoLink) && disposition == OPEN_EXISTING && platform::HidesFileLinks();
    HANDLE h = INVALID_HANDLE_VALUE;
    if ((flags & osNoLink) && !askOpened && platform::IsLink(path))
        SetLastError(ERROR_CANT_ACCESS_FILE);
    else
        h = CreateFileA(path.c_str(), access, share, nullptr, disposition, attrs, nullptr);
    if (h != INVALID_HANDLE_VALUE && askOpened && platform::OpenedThroughLink(h, path)) {
        CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        SetLastError(ERROR_CANT_ACCESS_FILE);
    }
    if (h == INVALID_HANDLE_VALUE) {
        if (error) {
            error->m_lOsError = GetLastError();
            error->m_strFileName = path;
        }
        return false;
    }
    m_handle = h;
    m_path = path;
    StartBuffer(flags);
    return true;
}

void CFile::OsClose() {
    if (m_handle) CloseHandle(H(m_handle));
    m_handle = nullptr;
}

bool CFile::IsOpen() const { return m_handle != nullptr; }

size_t CFile::OsRead(void* buffer, size_t count) {
    if (!m_handle) return 0;
    size_t total = 0;
    char* p = static_cast<char*>(buffer);
    while (total < count) {
        DWORD chunk = static_cast<DWORD>(count - total > 0x40000000u ? 0x40000000u : count - total);
        DWORD got = 0;
        if (!ReadFile(H(m_handle), p + total, chunk, &got, nullptr) || got == 0) break;
        total += got;
    }
    return total;
}

// A move and a plain read: a read at a position of its own would cost
// one more round trip to the system under Wine.
size_t CFile::ReadAt(uint64_t offset, void* buffer, size_t count) {
    if (!m_handle || !Drain() || !OsSeek(static_cast<int64_t>(offset), begin)) return 0;
    return OsRead(buffer, count);
}

// A move and a plain write, for the same reason.
bool CFile::WriteAt(uint64_t offset, const void* buffer, size_t count) {
    return m_handle && Drain() && OsSeek(static_cast<int64_t>(offset), begin) && OsWrite(buffer, count);
}

bool CFile::OsWrite(const void* buffer, size_t count) {
    if (!m_handle) return false;
    if (!platform::WriteAllowed(m_path, count)) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    const char* p = static_cast<const char*>(buffer);
    while (count > 0) {
        DWORD chunk = static_cast<DWORD>(count > 0x40000000u ? 0x40000000u : count);
        DWORD put = 0;
        if (!WriteFile(H(m_handle), p, chunk, &put, nullptr) || put != chunk) return false;
        p += put;
        count -= put;
    }
    return true;
}

bool CFile::OsSeek(int64_t offset, SeekPosition from) {
    if (!m_handle) return false;
    LARGE_INTEGER target;
    if (from == end) {
        // The system refuses a position before the start and leaves the file where it was.
        target.QuadPart = offset;
        return SetFilePointerEx(H(m_handle), target, nullptr, FILE_END) != 0;
    }
    int64_t base = from == current ? static_cast<int64_t>(OsPosition()) : 0;
    if (offset < 0 && base + offset < 0) return false;
    target.QuadPart = base + offset;
    return SetFilePointerEx(H(m_handle), target, nullptr, FILE_BEGIN) != 0;
}

uint64_t CFile::OsPosition() const {
    if (!m_handle) return 0;
    LARGE_INTEGER zero, pos;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(H(m_handle), zero, &pos, FILE_CURRENT)) return 0;
    return static_cast<uint64_t>(pos.QuadPart);
}

uint64_t CFile::OsLength() const {
    if (!m_handle) return 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(H(m_handle), &size)) return 0;
    return static_cast<uint64_t>(size.QuadPart);
}

bool CFile::OsSetLength(uint64_t length) {
    if (!m_handle) return false;
    LARGE_INTEGER target;
    target.QuadPart = static_cast<LONGLONG>(length);
    if (!SetFilePointerEx(H(m_handle), target, nullptr, FILE_BEGIN)) return false;
    return SetEndOfFile(H(m_handle)) != 0;
}

bool CFile::OsFlush() { return m_handle && FlushFileBuffers(H(m_handle)) != 0; }

bool CFile::GetStatus(const std::string& path, CFileStatus& status) {
    if (path.empty() || path.size() > platform::kMaxPath) return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    status.m_szFullName = (n > 0 && n < MAX_PATH) ? std::string(full, n) : path;
    status.m_ctime = FromFileTime(data.ftCreationTime);
    status.m_atime = FromFileTime(data.ftLastAccessTime);
    status.m_mtime = FromFileTime(data.ftLastWriteTime);
    status.m_size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    DWORD attrs = data.dwFileAttributes;
    status.m_attribute = static_cast<uint8_t>(attrs == FILE_ATTRIBUTE_NORMAL ? 0 : attrs & 0xFF);
    return true;
}

// The basic information and the size only: the full handle information also
// asks for the volume, which costs milliseconds a file under Wine.
bool CFile::GetStatus(CFileStatus& status) const {
    FILE_BASIC_INFO info;
    LARGE_INTEGER size;
    if (!m_handle || !GetFileInformationByHandleEx(H(m_handle), FileBasicInfo, &info, sizeof info) ||
        !GetFileSizeEx(H(m_handle), &size))
        return false;
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(m_path.c_str(), MAX_PATH, full, nullptr);
    status.m_szFullName = (n > 0 && n < MAX_PATH) ? std::string(full, n) : m_path;
    status.m_ctime = info.CreationTime.QuadPart;
    status.m_atime = info.LastAccessTime.QuadPart;
    status.m_mtime = info.LastWriteTime.QuadPart;
    status.m_size = static_cast<uint64_t>(size.QuadPart);
    DWORD attrs = info.FileAttributes;
    status.m_attribute = static_cast<uint8_t>(attrs == FILE_ATTRIBUTE_NORMAL ? 0 : attrs & 0xFF);
    return true;
}

bool CFile::GetIdentity(platform::FileIdentity& identity, uint32_t& links) const {
    BY_HANDLE_FILE_INFORMATION info;
    if (!m_handle || !GetFileInformationByHandle(H(m_handle), &info)) return false;
    identity = IdentityOf(info);
    links = info.nNumberOfLinks;
    return true;
}

bool CFile::SetStatus(const std::string& path, const CFileStatus& status) {
    if (path.empty() || path.size() > platform::kMaxPath) return false;
    DWORD current = GetFileAttributesA(path.c_str());
    if (current == INVALID_FILE_ATTRIBUTES) return false;

    // Times cannot be written to a read-only file: lift the flag first.
    bool writeTimes = status.m_ctime || status.m_atime || status.m_mtime;
    if (writeTimes && (current & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), current & ~FILE_ATTRIBUTE_READONLY);

    bool ok = true;
    if (writeTimes) {
        HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            ok = false;
        } else {
            FILETIME c = ToFileTime(status.m_ctime), a = ToFileTime(status.m_atime), m = ToFileTime(status.m_mtime);
            ok = SetFileTime(h, status.m_ctime ? &c : nullptr, status.m_atime ? &a : nullptr,
                             status.m_mtime ? &m : nullptr) != 0;
            CloseHandle(h);
        }
    }
    // The directory and volume bits are not ours to set.
    DWORD wanted = (current & ~0xFFu & ~FILE_ATTRIBUTE_NORMAL) | (status.m_attribute & ~0x18u);
    if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileAttributesA(path.c_str(), wanted)) ok = false;
    return ok;
}

bool CFile::Rename(const std::string& from, const std::string& to) {
    return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool CFile::Remove(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

namespace platform {

bool CreateFolder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return true;
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Attribute access only: the file's sharing mode does not stand in the way.
bool GetFileIdentity(const std::string& path, FileIdentity& identity) {
    if (path.empty() || !IdentityAllowed(path)) return false;
    HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok) return false;
    identity = IdentityOf(info);
    return true;
}

bool RestoreAttributes(const std::string& path, const CFileStatus& found) {
    if (path.empty() || path.size() > kMaxPath) return false;
    const DWORD current = GetFileAttributesA(path.c_str());
    if (current == INVALID_FILE_ATTRIBUTES) return false;
    // The directory and volume bits are not ours to set (as in SetStatus).
    DWORD wanted = (current & ~0xFFu) | (found.m_attribute & ~0x18u);
    if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
    return wanted == current || SetFileAttributesA(path.c_str(), wanted) != 0;
}

bool MoveReplacing(const std::string& from, const std::string& to) {
    // Windows refuses a read-only target itself; Wine would replace it.
    const DWORD target = GetFileAttributesA(to.c_str());
    if (target != INVALID_FILE_ATTRIBUTES && (target & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace platform

namespace platform {

// The directory search gives every detail at no extra cost.
bool FindFiles(const std::string& folder, const std::string& mask,
               const std::function<bool(const FindData&)>& visit, FindDetail) {
    std::string pattern = folder.empty() ? mask : folder + "\\" + mask;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool complete = true;
    for (;;) {
        FindData entry;
        entry.name = data.cFileName;
        entry.attributes = data.dwFileAttributes == FILE_ATTRIBUTE_NORMAL ? 0 : data.dwFileAttributes;
        entry.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (!visit(entry)) break;
        if (!FindNextFileA(h, &data)) {
            complete = GetLastError() == ERROR_NO_MORE_FILES;
            break;
        }
    }
    FindClose(h);
    return complete;
}

std::string FullPath(const std::string& path) {
    if (path.empty()) return path;
    DWORD n = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::string full(n, '\0');
    DWORD got = GetFullPathNameA(path.c_str(), n, &full[0], nullptr);
    if (got == 0 || got >= n) return path;
    full.resize(got);
    return full;
}

namespace {

// Wine shows the host's symbolic links to files as the files they lead to,
// without the reparse point that Windows itself shows for every link.
bool HidesFileLinks() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

// The name of an object as NtQueryObject gives it.
struct ObjectNameInfo {
    USHORT length;  // in bytes
    USHORT maximumLength;
    PWSTR buffer;
};
using QueryObjectFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kObjectNameInformation = 1;

// Where an open file or folder lies once every link on the way is followed,
// as the system names it (under Wine "\??\Z:\folder\file"); empty when it
// cannot tell. One question about the handle, none about the path again.
std::string OpenedLocation(HANDLE h) {
    const auto query = reinterpret_cast<QueryObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    if (!query) return std::string();
    std::vector<ULONGLONG> buffer(4096 / sizeof(ULONGLONG));
    ULONG needed = 0;
    LONG status = query(h, kObjectNameInformation, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)),
                        &needed);
    if (status != 0 && needed > buffer.size() * sizeof(ULONGLONG)) {
        buffer.resize(needed / sizeof(ULONGLONG) + 1);
        status = query(h, kObjectNameInformation, buffer.data(),
                       static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)), &needed);
    }
    if (status != 0) return std::string();
    const auto* name = reinterpret_cast<const ObjectNameInfo*>(buffer.data());
    const int chars = name->length / static_cast<int>(sizeof(WCHAR));
    if (chars == 0 || !name->buffer) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, name->buffer, chars, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, name->buffer, chars, &text[0], n, nullptr, nullptr);
    return text;
}

// Opens a file or folder only to ask about it: no access to its data, so
// nothing else is held up and nothing is changed.
HANDLE OpenToAsk(const std::string& path) {
    return CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::string LocationOf(const std::string& path) {
    HANDLE h = OpenToAsk(path);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string location = OpenedLocation(h);
    CloseHandle(h);
    return location;
}

// Where an entry of a folder lies when it is no link: the folder's own
// location followed by the entry's name.
std::string Within(const std::string& folderLocation, const std::string& name) {
    if (folderLocation.empty()) return std::string();
    return JoinPath(folderLocation, name);
}

// True when a location is the full path itself, letter for letter (the
// drive letter in either case): the path then leads nowhere else, and no
// part of it is a link. Letter case counts, since the host's file system
// may hold two names that differ only in case, one of them a link.
bool IsLocationOf(const std::string& location, const std::string& full) {
    static const char kPrefix[] = "\\??\\";
    const size_t prefix = sizeof kPrefix - 1;
    if (location.size() != full.size() + prefix || location.compare(0, prefix, kPrefix) != 0 || full.size() < 2 ||
        full[1] != ':')
        return false;
    return (location[prefix] | 0x20) == (full[0] | 0x20) &&
           location.compare(prefix + 1, std::string::npos, full, 1) == 0;
}

// A full path split into its folder (a drive's root keeps its separator)
// and its last part; false when it has no last part.
bool SplitPath(const std::string& full, std::string& folder, std::string& name) {
    const size_t sep = LastSeparator(full);
    if (sep == std::string::npos || sep + 1 == full.size()) return false;
    folder = full.substr(0, sep);
    if (folder.empty() || folder.back() == ':') folder += '\\';
    name = full.substr(sep + 1);
    return true;
}

// The name that the folder itself holds for the last part of a path, which
// may have been given by its short name or in other letter case.
std::string StoredName(const std::string& full) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(full.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::string();
    FindClose(find);
    return data.cFileName;
}

// Whether the last part of `full` is a link, told from `location`, where
// the file or folder that `full` opened lies. `folderLocation` is where the
// path's folder lies, if already known; it is found otherwise. When the
// system cannot tell, the answer is no, as for a path that is no link.
bool LocatedThroughLink(const std::string& location, const std::string& full, std::string& folderLocation) {
    if (location.empty() || IsLocationOf(location, full)) return false;
    std::string folder, name;
    if (!SplitPath(full, folder, name)) return false;
    if (folderLocation.empty()) folderLocation = LocationOf(folder);
    if (folderLocation.empty() || location == Within(folderLocation, name)) return false;
    const std::string stored = StoredName(full);
    return !stored.empty() && location != Within(folderLocation, stored);
}

// Whether the open file `h`, opened by the path `path`, was reached through
// a link as the path's last part. Only the file itself is asked where it
// lies, and the path's folder when the path does not name that place letter
// for letter, both afresh.
bool OpenedThroughLink(HANDLE h, const std::string& path) {
    std::string folderLocation;
    return LocatedThroughLink(OpenedLocation(h), FullPath(path), folderLocation);
}

}  // namespace

bool ListingShowsFileLinks() { return !HidesFileLinks(); }

bool IsLink(const std::string& path) {
    if (path.empty() || path.find_first_of("*?") != std::string::npos) return false;
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    if (!HidesFileLinks()) return false;
    HANDLE h = OpenToAsk(path);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool link = OpenedThroughLink(h, path);
    CloseHandle(h);
    return link;
}

// A rename onto the link replaces the link itself, on Windows and under
// Wine alike. A link to a folder is not replaced by a rename: Windows then
// removes the link itself (never the folder) and moves the file into its
// place; Wine would move or remove the folder it leads to, so there the
// link stays.
bool ReplaceLink(const std::string& from, const std::string& link) {
    if (!IsLink(link)) {
        SetLastError(ERROR_NOT_A_REPARSE_POINT);
        return false;
    }
    if (MoveFileExA(from.c_str(), link.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    if (HidesFileLinks()) return false;
    const DWORD attributes = GetFileAttributesA(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    const BOOL removed =
        (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(link.c_str()) : DeleteFileA(link.c_str());
    return removed && MoveFileA(from.c_str(), link.c_str());
}

FolderLinks::FolderLinks(const std::string& folder) : m_folder(folder) {}

bool FolderLinks::IsLink(const std::string& name) {
    const std::string path = m_folder + '\\' + name;
    if (!HidesFileLinks()) return platform::IsLink(path);
    HANDLE h = OpenToAsk(path);
    if (h == INVALID_HANDLE_VALUE) return false;
    const std::string location = OpenedLocation(h);
    CloseHandle(h);
    // What looks like a link may be an entry of a folder that was moved
    // after its location was found: only a fresh look tells.
    return LocatedThroughLink(location, path, m_location) && platform::IsLink(path);
}

}  // namespace platform
