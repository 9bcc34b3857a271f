#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/file.h"

namespace {

constexpr int64_t kEpochDiffSeconds = 11644473600LL;  // 1601-01-01 to 1970-01-01

int64_t FromTimespec(const timespec& ts) {
    return (static_cast<int64_t>(ts.tv_sec) + kEpochDiffSeconds) * 10000000LL + ts.tv_nsec / 100;
}

// What tells a file from every other, as its status describes it.
platform::FileIdentity IdentityOf(const struct stat& st) {
    platform::FileIdentity identity;
    identity.volume = static_cast<uint64_t>(st.st_dev);
    identity.index = static_cast<uint64_t>(st.st_ino);
    return identity;
}

timespec ToTimespec(int64_t t) {
    timespec ts;
    if (t == 0) {
        ts.tv_sec = 0;
        ts.tv_nsec = UTIME_OMIT;
        return ts;
    }
    int64_t ticks = t - kEpochDiffSeconds * 10000000LL;
    int64_t sec = ticks / 10000000LL;
    int64_t rem = ticks % 10000000LL;
    if (rem < 0) {
        rem += 10000000LL;
        --sec;
    }
    ts.tv_sec = static_cast<time_t>(sec);
    ts.tv_nsec = static_cast<long>(rem * 100);
    return ts;
}

// Read-only is the owner's missing write permission; hidden, system and
// volume label do not exist here.
uint32_t AttributesOf(const struct stat& st) {
    uint32_t a = 0;
    if (S_ISDIR(st.st_mode)) a |= kAttrDirectory;
    if (!(st.st_mode & S_IWUSR)) a |= kAttrReadOnly;
    return a;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Windows wildcard matching: '*' any run, '?' one character, letters
// compared without case.
bool MatchMask(const char* mask, const char* name) {
    while (*mask) {
        if (*mask == '*') {
            while (*mask == '*') ++mask;
            if (!*mask) return true;
            for (const char* n = name; *n; ++n)
                if (MatchMask(mask, n)) return true;
            return MatchMask(mask, name + strlen(name));
        }
        if (!*name) return false;
        if (*mask != '?' && std::tolower(static_cast<unsigned char>(*mask)) !=
                                std::tolower(static_cast<unsigned char>(*name)))
            return false;
        ++mask;
        ++name;
    }
    return *name == 0;
}

// Whether this process may remove the open file from its folder: the
// folder must be writable and searchable, and a sticky folder lets only the
// owner of the file or of the folder (or the super-user) remove it.
bool RemovalAllowed(const std::string& path, int fd) {
    const size_t sep = path.find_last_of('/');
    const std::string folder = sep == std::string::npos ? "." : sep == 0 ? "/" : path.substr(0, sep);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return false;
    struct stat dir, file;
    if (::stat(folder.c_str(), &dir) != 0 || ::fstat(fd, &file) != 0) return false;
    const uid_t me = ::geteuid();
    return !(dir.st_mode & S_ISVTX) || me == 0 || file.st_uid == me || dir.st_uid == me;
}

}  // namespace

CFile::~CFile() { Close(); }

bool CFile::Open(const std::string& path, unsigned flags, CFileException* error) {
    Close();
    int oflags = O_CLOEXEC;
    switch (flags & 3) {
        case modeRead: oflags |= O_RDONLY; break;
        case modeWrite: oflags |= O_WRONLY; break;
        default: oflags |= O_RDWR; break;
    }
    if (flags & osCreateNew) oflags |= O_CREAT | O_EXCL;
    else if (flags & modeCreate) oflags |= O_CREAT | ((flags & modeNoTruncate) ? 0 : O_TRUNC);
    if (flags & osWriteThrough) oflags |= O_DSYNC;
    if (flags & osNoLink) oflags |= O_NOFOLLOW;
    // A new file of our own starts private: it may hold plain text before
    // the caller gives it the permissions of the file it stands for.
    int fd = ::open(path.c_str(), oflags, (flags & osCreateNew) ? 0600 : 0666);
    int err = errno;
    // The system itself refuses to open a folder for writing.
    if (fd >= 0 && (flags & 3) == modeRead) {
        struct stat st;
        if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {  // a folder is not a file
            err = EISDIR;
            ::close(fd);
            fd = -1;
        }
    }
    if (fd >= 0 && (flags & osDeleteAccess) && !RemovalAllowed(path, fd)) {
        err = EACCES;
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) {
        if (error) {
            error->m_lOsError = static_cast<unsigned long>(err);
            error->m_strFileName = path;
        }
        return false;
    }
    m_fd = fd;
    m_path = path;
    StartBuffer(flags);
    return true;
}

void CFile::OsClose() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool CFile::IsOpen() const { return m_fd >= 0; }

size_t CFile::OsRead(void* buffer, size_t count) {
    if (m_fd < 0) return 0;
    size_t total = 0;
    char* p = static_cast<char*>(buffer);
    while (total < count) {
        ssize_t got = ::read(m_fd, p + total, count - total);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        total += static_cast<size_t>(got);
    }
    return total;
}

size_t CFile::ReadAt(uint64_t offset, void* buffer, size_t count) {
    if (m_fd < 0 || !Drain()) return 0;
    size_t total = 0;
    char* p = static_cast<char*>(buffer);
    while (total < count) {
        ssize_t got = ::pread(m_fd, p + total, count - total, static_cast<off_t>(offset + total));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        total += static_cast<size_t>(got);
    }
    return total;
}

bool CFile::OsWrite(const void* buffer, size_t count) {
    if (m_fd < 0) return false;
    if (!platform::WriteAllowed(m_path, count)) {
        errno = ENOSPC;
        return false;
    }
    const char* p = static_cast<const char*>(buffer);
    while (count > 0) {
        ssize_t put = ::write(m_fd, p, count);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        p += put;
        count -= static_cast<size_t>(put);
    }
    return true;
}

bool CFile::WriteAt(uint64_t offset, const void* buffer, size_t count) {
    if (m_fd < 0 || !Drain()) return false;
    if (!platform::WriteAllowed(m_path, count)) {
        errno = ENOSPC;
        return false;
    }
    const char* p = static_cast<const char*>(buffer);
    while (count > 0) {
        ssize_t put = ::pwrite(m_fd, p, count, static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        p += put;
        offset += static_cast<uint64_t>(put);
        count -= static_cast<size_t>(put);
    }
    return true;
}

bool CFile::OsSeek(int64_t offset, SeekPosition from) {
    if (m_fd < 0) return false;
    // The system refuses a position before the start and leaves the file where it was.
    if (from == end) return ::lseek(m_fd, static_cast<off_t>(offset), SEEK_END) >= 0;
    int64_t base = from == current ? static_cast<int64_t>(OsPosition()) : 0;
    if (offset < 0 && base + offset < 0) return false;
    return ::lseek(m_fd, static_cast<off_t>(base + offset), SEEK_SET) >= 0;
}

uint64_t CFile::OsPosition() const {
    if (m_fd < 0) return 0;
    off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
    return pos < 0 ? 0 : static_cast<uint64_t>(pos);
}

uint64_t CFile::OsLength() const {
    struct stat st;
    if (m_fd < 0 || fstat(m_fd, &st) != 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

bool CFile::OsSetLength(uint64_t length) {
    if (m_fd < 0 || ::ftruncate(m_fd, static_cast<off_t>(length)) != 0) return false;
    return ::lseek(m_fd, static_cast<off_t>(length), SEEK_SET) >= 0;
}

bool CFile::OsFlush() {
    if (m_fd < 0 || ::fsync(m_fd) != 0) return false;
    // The file's entry in its folder must be durable too.
    std::string folder = m_path.substr(0, m_path.find_last_of('/') == std::string::npos ? 0 : m_path.find_last_of('/'));
    int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

namespace {

void FillStatus(const struct stat& st, const std::string& path, CFileStatus& status) {
    status.m_szFullName = path;
    status.m_ctime = 0;
    status.m_atime = FromTimespec(st.st_atim);
    status.m_mtime = FromTimespec(st.st_mtim);
    status.m_size = static_cast<uint64_t>(st.st_size);
    status.m_attribute = static_cast<uint8_t>(AttributesOf(st));
    status.m_mode = static_cast<uint32_t>(st.st_mode & 0777);
}

}  // namespace

bool CFile::GetStatus(const std::string& path, CFileStatus& status) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    // The path as given: resolving it again on the disk would cost more
    // than the status itself, and nothing here reads it.
    FillStatus(st, path, status);
    return true;
}

bool CFile::GetStatus(CFileStatus& status) const {
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return false;
    FillStatus(st, m_path, status);
    return true;
}

bool CFile::GetIdentity(platform::FileIdentity& identity, uint32_t& links) const {
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return false;
    identity = IdentityOf(st);
    links = static_cast<uint32_t>(st.st_nlink);
    return true;
}

bool CFile::SetStatus(const std::string& path, const CFileStatus& status) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    bool ok = true;
    if (status.m_atime || status.m_mtime) {
        timespec times[2] = {ToTimespec(status.m_atime), ToTimespec(status.m_mtime)};
        ok = utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
    }
    mode_t mode = st.st_mode & 07777;
    mode_t base = status.m_mode ? (mode & ~0777) | (static_cast<mode_t>(status.m_mode) & 0777) : mode;
    mode_t wanted = (status.m_attribute & kAttrReadOnly) ? (base & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (base | S_IWUSR);
    if (wanted != mode && ::chmod(path.c_str(), wanted) != 0) ok = false;
    return ok;
}

bool CFile::Rename(const std::string& from, const std::string& to) {
    // Like the Windows call: never replace an existing target.
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (Exists(to)) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool CFile::Remove(const std::string& path) {
    // Like the Windows call: a read-only file or a folder is not removed.
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR))) return false;
    return ::unlink(path.c_str()) == 0;
}

namespace platform {

bool CreateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform

namespace platform {

bool FindFiles(const std::string& folder, const std::string& mask,
               const std::function<bool(const FindData&)>& visit, FindDetail detail) {
    std::string dirPath = folder.empty() ? "." : folder;
    DIR* dir = ::opendir(dirPath.c_str());
    if (!dir) return false;
    const int dirFd = ::dirfd(dir);
    const bool searchable = detail == FindDetail::TypeOnly && ::faccessat(dirFd, ".", X_OK, AT_EACCESS) == 0;
    bool matchAll = mask == "*.*" || mask == "*";
    bool complete = true;
    while (dirent* ent = ::readdir(dir)) {
        if (!matchAll && !MatchMask(mask.c_str(), ent->d_name)) continue;
        FindData entry;
        entry.name = ent->d_name;
        // The listing itself tells a folder from a file; only a link, or a
        // file system that does not say, needs the entry looked up. Where
        // entries cannot be looked up at all, each is tried as a full listing
        // tries it, so such a folder is reported the same way.
        if (detail == FindDetail::TypeOnly && searchable && (ent->d_type == DT_DIR || ent->d_type == DT_REG)) {
            entry.attributes = ent->d_type == DT_DIR ? static_cast<uint32_t>(kAttrDirectory) : 0u;
            if (!visit(entry)) break;
            continue;
        }
        // Looked up by name within the open folder, not along the whole path.
        struct stat st;
        if (::fstatat(dirFd, ent->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            // Vanished while listed, or a folder whose names can be read
            // but whose entries cannot be looked at.
            if (errno != ENOENT) complete = false;
            continue;
        }
        if (S_ISLNK(st.st_mode)) {
            entry.attributes |= kAttrReparsePoint;
            struct stat target;
            if (::fstatat(dirFd, ent->d_name, &target, 0) == 0) st = target;
        }
        entry.attributes |= AttributesOf(st);
        entry.size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
        if (detail == FindDetail::TypeOnly) {
            entry.attributes &= kAttrDirectory | kAttrReparsePoint;
            entry.size = 0;
        }
        if (!visit(entry)) break;
    }
    ::closedir(dir);
    return complete;
}

std::string FullPath(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return path;
    std::string full = cwd;
    if (full.back() != '/') full += '/';
    return full + path;
}

bool ListingShowsFileLinks() { return true; }

bool IsLink(const std::string& path) {
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

FolderLinks::FolderLinks(const std::string& folder) : m_folder(folder) {}

// The entry itself is looked at, never what it leads to: nothing to keep.
bool FolderLinks::IsLink(const std::string& name) { return platform::IsLink(m_folder + kPathSep + name); }

bool GetFileIdentity(const std::string& path, FileIdentity& identity) {
    struct stat st;
    if (path.empty() || !IdentityAllowed(path) || ::stat(path.c_str(), &st) != 0) return false;
    identity = IdentityOf(st);
    return true;
}

bool RestoreAttributes(const std::string& path, const CFileStatus& found) {
    // Only the permission bits carry the attributes here (the read-only one).
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
    const mode_t mode = st.st_mode & 07777;
    const mode_t wanted = (mode & ~0777) | (static_cast<mode_t>(found.m_mode) & 0777);
    return wanted == mode || ::chmod(path.c_str(), wanted) == 0;
}

// A rename replaces the link itself, whatever it leads to.
bool ReplaceLink(const std::string& from, const std::string& link) {
    if (!IsLink(link)) {
        errno = EINVAL;
        return false;
    }
    return ::rename(from.c_str(), link.c_str()) == 0;
}

bool MoveReplacing(const std::string& from, const std::string& to) {
    // As Windows does: a folder or a read-only file is not replaced.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0 &&
        (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)))) {
        errno = EACCES;
        return false;
    }
    if (::rename(from.c_str(), to.c_str()) != 0) return false;
    // The new entry in the folder must be durable, as Windows' write-through move makes it.
    const size_t slash = to.find_last_of('/');
    int dfd = ::open(slash == std::string::npos ? "." : to.substr(0, slash == 0 ? 1 : slash).c_str(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace platform
