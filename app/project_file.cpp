#include "app/project_file.h"

#include <new>

#include "core/string_archive.h"
#include "platform/file.h"

namespace project {

using Vastrel2::Utils::ArchiveError;
using Vastrel2::Utils::ArchiveReader;
using Vastrel2::Utils::ArchiveWriter;

std::string WriteArchive(const std::vector<ProjectEntry>& entries) {
    ArchiveWriter out;
    out.WriteInt32(static_cast<int32_t>(entries.size()));
    for (const ProjectEntry& e : entries) {
        out.WriteString(e.name);
        out.WriteString(e.path);
        out.WriteUInt32(e.attributes);
        out.WriteUInt32(e.size);
    }
    return out.Bytes();
}

bool ReadArchive(const std::string& bytes, std::vector<ProjectEntry>& entries) {
    std::vector<ProjectEntry> read;
    try {
        ArchiveReader in(bytes);
        int32_t count = in.ReadInt32();
        if (count < 0) return false;
        for (int32_t i = 0; i < count; ++i) {
            ProjectEntry e;
            e.name = in.ReadString();
            e.path = in.ReadString();
            e.isFolder = false;
            e.attributes = in.ReadUInt32();
            e.size = in.ReadUInt32();
            read.push_back(std::move(e));
        }
    } catch (const ArchiveError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    entries.swap(read);
    return true;
}

ReadResult ReadFile(const std::string& path, std::vector<ProjectEntry>& entries) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return ReadResult::NotOpened;
    uint64_t length = file.GetLength();
    if (length > kMaxProjectFileSize) return ReadResult::Damaged;
    std::string bytes;
    try {
        bytes.resize(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        return ReadResult::Damaged;
    }
    if (file.Read(&bytes[0], bytes.size()) != bytes.size()) return ReadResult::Damaged;
    file.Close();
    return ReadArchive(bytes, entries) ? ReadResult::Ok : ReadResult::Damaged;
}

WriteResult WriteFile(const std::string& path, const std::vector<ProjectEntry>& entries, std::string* fileName) {
    // Made in full before the file is touched.
    std::string bytes;
    try {
        bytes = WriteArchive(entries);
    } catch (const std::exception&) {
        return WriteResult::Failed;
    }
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite | CFile::typeBinary)) {
        return WriteResult::NotOpened;
    }
    if (fileName) *fileName = file.GetFileName();
    // What an older, longer list left behind the archive is cut off.
    file.SeekToBegin();
    bool ok = file.Write(bytes.data(), bytes.size()) && file.SetLength(bytes.size()) && file.Flush();
    file.Close();
    return ok ? WriteResult::Ok : WriteResult::Failed;
}

}  // namespace project
