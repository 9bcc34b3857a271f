#include "platform/file.h"

#include <algorithm>
#include <cstring>

#include "platform/code_page.h"

namespace platform {

namespace {
WriteHook g_writeHook;
IdentityHook g_identityHook;
}  // namespace

WriteHook SetWriteHook(WriteHook hook) {
    WriteHook previous = std::move(g_writeHook);
    g_writeHook = std::move(hook);
    return previous;
}

bool WriteAllowed(const std::string& path, size_t count) { return !g_writeHook || g_writeHook(path, count); }

IdentityHook SetIdentityHook(IdentityHook hook) {
    IdentityHook previous = std::move(g_identityHook);
    g_identityHook = std::move(hook);
    return previous;
}

bool IdentityAllowed(const std::string& path) { return !g_identityHook || g_identityHook(path); }

bool CreateFolderLevels(const std::string& path, unsigned codePage) {
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByteIn(codePage, static_cast<unsigned char>(path[i]))) {
            ++i;  // the second byte of the character is no separator
        } else if (i > 0 && path[i] && std::strchr(kPathSeps, path[i])) {
            CreateFolder(path.substr(0, i));
        }
    }
    return CreateFolder(path);
}

bool ChangeReadOnly(const std::string& path, bool set) {
    CFileStatus status;
    if (!CFile::GetStatus(path, status)) return false;
    CFileStatus change;  // times left at 0 are not written
    change.m_attribute = static_cast<uint8_t>(set ? status.m_attribute | kAttrReadOnly
                                                  : status.m_attribute & ~kAttrReadOnly);
    return CFile::SetStatus(path, change);
}

bool SameFile(const std::string& a, const std::string& b) {
    FileIdentity first, second;
    return GetFileIdentity(a, first) && GetFileIdentity(b, second) && first == second;
}

bool LeadsToAnyOf(const std::string& path, const std::vector<std::string>& others) {
    FileIdentity target, other;
    if (!GetFileIdentity(path, target)) return false;
    for (const std::string& each : others) {
        if (GetFileIdentity(each, other) && other == target) return true;
    }
    return false;
}

bool LiesInside(const std::string& path, const std::string& folder) {
    FileIdentity wanted, at;
    if (!GetFileIdentity(folder, wanted)) return false;
    for (std::string up = ParentFolder(FullPath(path)); !up.empty(); up = ParentFolder(up)) {
        if (GetFileIdentity(up, at) && at == wanted) return true;
    }
    return false;
}

}  // namespace platform

std::string CFile::GetFileName() const { return platform::FileNamePart(m_path); }

namespace {
constexpr size_t kSequentialBuffer = 1 << 20;
}  // namespace

void CFile::StartBuffer(unsigned flags) {
    m_bufferPos = m_bufferLen = 0;
    m_bufferUse = BufferUse::Idle;
    if (flags & osSequential) m_buffer.resize(kSequentialBuffer);
    else m_buffer.clear();
}

bool CFile::Drain() {
    bool ok = true;
    if (m_bufferUse == BufferUse::Writing && m_bufferLen > 0) ok = OsWrite(m_buffer.data(), m_bufferLen);
    else if (m_bufferUse == BufferUse::Reading && m_bufferLen > m_bufferPos)
        ok = OsSeek(-static_cast<int64_t>(m_bufferLen - m_bufferPos), current);
    m_bufferPos = m_bufferLen = 0;
    m_bufferUse = BufferUse::Idle;
    return ok;
}

void CFile::Close() {
    if (IsOpen()) Drain();
    OsClose();
    m_buffer.clear();
    m_bufferPos = m_bufferLen = 0;
    m_bufferUse = BufferUse::Idle;
}

size_t CFile::Read(void* buffer, size_t count) {
    if (m_buffer.empty()) return OsRead(buffer, count);
    if (m_bufferUse == BufferUse::Writing && !Drain()) return 0;
    m_bufferUse = BufferUse::Reading;
    char* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        if (m_bufferPos == m_bufferLen) {
            if (count - done >= m_buffer.size()) return done + OsRead(out + done, count - done);
            m_bufferPos = 0;
            m_bufferLen = OsRead(m_buffer.data(), m_buffer.size());
            if (m_bufferLen == 0) break;
        }
        size_t n = std::min(count - done, m_bufferLen - m_bufferPos);
        std::memcpy(out + done, m_buffer.data() + m_bufferPos, n);
        m_bufferPos += n;
        done += n;
    }
    return done;
}

bool CFile::Write(const void* buffer, size_t count) {
    if (m_buffer.empty()) return OsWrite(buffer, count);
    if (m_bufferUse == BufferUse::Reading && !Drain()) return false;
    m_bufferUse = BufferUse::Writing;
    if (m_bufferLen + count > m_buffer.size()) {
        if (!Drain()) return false;
        m_bufferUse = BufferUse::Writing;
        if (count >= m_buffer.size()) return OsWrite(buffer, count);
    }
    std::memcpy(m_buffer.data() + m_bufferLen, buffer, count);
    m_bufferLen += count;
    return true;
}

bool CFile::Seek(int64_t offset, SeekPosition from) {
    if (from == current) {
        // Relative to the position the caller sees, not the system's.
        int64_t target = static_cast<int64_t>(GetPosition()) + offset;
        if (target < 0 || !Drain()) return false;
        return OsSeek(target, begin);
    }
    return Drain() && OsSeek(offset, from);
}

uint64_t CFile::SeekToEnd() {
    Seek(0, end);
    return GetPosition();
}

uint64_t CFile::GetPosition() const {
    uint64_t pos = OsPosition();
    if (m_bufferUse == BufferUse::Writing) return pos + m_bufferLen;
    if (m_bufferUse == BufferUse::Reading) return pos - (m_bufferLen - m_bufferPos);
    return pos;
}

uint64_t CFile::GetLength() const {
    uint64_t length = OsLength();
    if (m_bufferUse == BufferUse::Writing) length = std::max(length, OsPosition() + m_bufferLen);
    return length;
}

bool CFile::SetLength(uint64_t length) { return Drain() && OsSetLength(length); }

bool CFile::Flush() { return Drain() && OsFlush(); }
