#include "core/sfx_archive.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/process.h"
#include "platform/system.h"

namespace {

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void Put64(std::string& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint64_t Get(const unsigned char* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// Reads exactly `count` bytes at `position`.
bool ReadAt(CFile& file, uint64_t position, void* buffer, size_t count) {
    if (position > static_cast<uint64_t>(INT64_MAX)) return false;
    if (!file.Seek(static_cast<int64_t>(position), CFile::begin)) return false;
    return file.Read(buffer, count) == count;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices whatever their extension.
bool IsDeviceName(const std::string& component) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$") {
        return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
           base[3] <= '9';
}

// "name_3.ext" for "name.ext": the number goes before the extension of the
// file-name part.
std::string Variant(const std::string& path, int n) {
    size_t nameStart = path.find_last_of(platform::kPathSep);
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) dot = path.size();
    return path.substr(0, dot) + "_" + std::to_string(n) + path.substr(dot);
}

}  // namespace

std::string ArchiveResultText(int code) {
    switch (code) {
        case kArchiveOk: return "The archive was written.";
        case kArchiveCannotOpen: return "The archive cannot be opened.";
        case kArchiveBadDirectory: return "The archive is damaged or incomplete.";
        case kArchiveNoEntries: return "There are no files in the archive.";
        case kArchiveOutputFailed: return "The file cannot be created or written.";
        case kArchiveSourceFailed: return "A file to store cannot be read, or it changed while it was stored.";
        case kArchiveNoStub: return "The self-extractor program is missing from this program.";
        default: return "Unknown error " + std::to_string(code) + ".";
    }
}

void ArchiveEntry::Clear() {
    sourcePath.clear();
    storedName.clear();
    size = 0;
    offset = 0;
}

bool ArchiveEntry::SetSource(const std::string& path) {
    CFileStatus status;
    if (!CFile::GetStatus(path, status) || (status.m_attribute & kAttrDirectory)) return false;
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return false;
    size = file.GetLength();
    file.Close();
    sourcePath = path;
    storedName = platform::FileNamePart(path);
    return true;
}

CSelfExtractor::~CSelfExtractor() { ClearEntries(); }

void CSelfExtractor::ClearEntries() {
    m_entries.clear();
    m_count = 0;
    m_tailLength = 0;
}

int CSelfExtractor::Fail(int code, const char* problem) {
    m_problem = problem;
    return code;
}

// ---- writing

bool CSelfExtractor::AddFile(const std::string& path, const std::string& storedName) {
    if (storedName.empty() || storedName.size() > kMaxAddedName) return false;
    auto entry = std::make_unique<ArchiveEntry>();
    if (!entry->SetSource(path)) return false;
    entry->sourcePath = path;
    entry->storedName = storedName;
    m_readPath.clear();  // the list is no longer a directory read from a file
    m_entries.push_back(std::move(entry));
    ++m_count;
    return true;
}

int CSelfExtractor::CreateArchive(unsigned resourceId, const std::string& outputPath, Callback callback,
                                  void* userData) {
    if (m_count <= 0) return kArchiveNoEntries;
    const void* stub = nullptr;
    size_t stubSize = 0;
    if (!platform::ModuleResource(resourceId, "SFX_EXE", &stub, &stubSize) || !stub) return kArchiveNoStub;
    return WriteArchive(stub, stubSize, outputPath, callback, userData);
}

int CSelfExtractor::WriteArchive(const void* stub, size_t stubSize, const std::string& outputPath, Callback callback,
                                 void* userData) {
    m_problem.clear();
    if (m_count <= 0) return kArchiveNoEntries;
    // Writing over a file that is to be stored would destroy it.
    for (const auto& entry : m_entries) {
        if (SameFile(entry->sourcePath, outputPath)) return Fail(kArchiveOutputFailed, "The archive would replace a file it stores");
    }
    CFile output;
    if (!output.Open(outputPath, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeBinary)) {
        return Fail(kArchiveOutputFailed, "The archive file cannot be created");
    }
    int r = output.Write(stub, stubSize) ? WritePayload(output, callback, userData) : kArchiveOutputFailed;
    // Only a complete archive that reached the disk counts.
    if (r == kArchiveOk && !output.Flush()) r = kArchiveOutputFailed;
    output.Close();
    if (r != kArchiveOk) {
        if (m_problem.empty()) m_problem = "The archive file cannot be written";
        CFile::Remove(outputPath);
    }
    return r;
}

int CSelfExtractor::WritePayload(CFile& output, Callback callback, void* userData) {
    struct Shown {
        ArchiveProgress* p;
        ~Shown() {
            if (p) p->End();
        }
    } shown{m_progress};
    if (m_progress) m_progress->Begin(2 * m_count, "Creating extractor...");

    std::vector<char> buffer(kCopyBlock);
    for (auto& entry : m_entries) {
        CFile source;
        if (!source.Open(entry->sourcePath, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary)) {
            return Fail(kArchiveSourceFailed, "A file to store cannot be opened");
        }
        entry->offset = output.GetPosition();
        uint64_t remaining = entry->size;
        while (remaining > 0) {
            size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, buffer.size()));
            size_t got = source.Read(buffer.data(), want);
            // A source that shrank after it was added ends the copy at once.
            if (got == 0) return Fail(kArchiveSourceFailed, "A file to store became shorter");
            if (!output.Write(buffer.data(), got)) return Fail(kArchiveOutputFailed, "The archive file cannot be written");
            remaining -= got;
        }
        // Nor may it have grown: the stored copy would lack its end.
        char extra;
        if (source.Read(&extra, 1) != 0) return Fail(kArchiveSourceFailed, "A file to store became longer");
        source.Close();
        if (callback) callback(*entry, userData);
        if (m_progress) m_progress->Step();
    }

    std::string directory;
    for (const auto& entry : m_entries) {
        Put64(directory, entry->offset);
        Put64(directory, entry->size);
        // Built apart from the entry, so a second run stores the same name.
        std::string name = entry->storedName;
        if (entry->size > 0) name += ".~enc";
        directory += name;
        Put32(directory, static_cast<uint32_t>(name.size()));
        if (m_progress) m_progress->Step();
    }
    Put32(directory, static_cast<uint32_t>(m_count));
    directory.append(kArchiveMarker, kArchiveMarkerLength);
    if (!output.Write(directory.data(), directory.size())) {
        return Fail(kArchiveOutputFailed, "The archive file cannot be written");
    }
    return kArchiveOk;
}

// ---- reading

std::string CSelfExtractor::GetOwnPath() { return platform::ModuleFilePath(); }

int CSelfExtractor::ReadDirectory(const std::string& path) {
    ClearEntries();
    m_problem.clear();
    m_archiveLength = 0;
    m_readPath.clear();
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) {
        return Fail(kArchiveCannotOpen, "The archive cannot be opened");
    }
    const uint64_t length = file.GetLength();
    unsigned char field[kMaxStoredName];
    if (length < kArchiveTrailerLength || !ReadAt(file, length - kArchiveMarkerLength, field, kArchiveMarkerLength) ||
        std::memcmp(field, kArchiveMarker, kArchiveMarkerLength) != 0) {
        return Fail(kArchiveBadDirectory, "No archive is appended");
    }
    if (!ReadAt(file, length - kArchiveTrailerLength, field, 4)) return Fail(kArchiveBadDirectory, "The archive is damaged");
    const uint64_t count = Get(field, 4);
    if (count == 0) return Fail(kArchiveNoEntries, "The archive holds no files");
    // A record takes at least 21 bytes (a name of one byte).
    if (count > (length - kArchiveTrailerLength) / 21) return Fail(kArchiveBadDirectory, "The archive is damaged");

    std::vector<std::unique_ptr<ArchiveEntry>> entries;
    entries.reserve(static_cast<size_t>(std::min<uint64_t>(count, 4096)));
    uint64_t tail = kArchiveTrailerLength;
    for (uint64_t k = 0; k < count; ++k) {
        if (length - tail < 4 || !ReadAt(file, length - tail - 4, field, 4)) {
            return Fail(kArchiveBadDirectory, "The archive is damaged");
        }
        tail += 4;
        const uint64_t nameLength = Get(field, 4);
        if (nameLength == 0 || nameLength > kMaxStoredName || length - tail < nameLength + 16) {
            return Fail(kArchiveBadDirectory, "The archive is damaged");
        }
        auto entry = std::make_unique<ArchiveEntry>();
        tail += nameLength;
        if (!ReadAt(file, length - tail, field, static_cast<size_t>(nameLength))) {
            return Fail(kArchiveBadDirectory, "The archive is damaged");
        }
        entry->storedName.assign(reinterpret_cast<const char*>(field), static_cast<size_t>(nameLength));
        tail += 16;
        if (!ReadAt(file, length - tail, field, 16)) return Fail(kArchiveBadDirectory, "The archive is damaged");
        entry->offset = Get(field, 8);
        entry->size = Get(field + 8, 8);
        entries.push_back(std::move(entry));
    }
    m_entries = std::move(entries);
    m_count = static_cast<int>(m_entries.size());
    m_tailLength = tail;
    m_archiveLength = length;
    m_readPath = path;
    CFileStatus status;
    m_readTime = CFile::GetStatus(path, status) ? status.m_mtime : 0;
    return kArchiveOk;
}

int CSelfExtractor::ExtractEntry(int index, const std::string& folder, std::string* extractedPath) {
    return ExtractEntryFrom(GetOwnPath(), index, folder, extractedPath);
}

int CSelfExtractor::ExtractEntryFrom(const std::string& archivePath, int index, const std::string& folder,
                                     std::string* extractedPath) {
    if (extractedPath) extractedPath->clear();
    if (folder.empty()) return Fail(kArchiveOutputFailed, "No folder was given");
    std::string target = folder;
    if (!IsSeparator(target.back())) target += platform::kPathSep;
    // The directory is read again unless it is the one read last, from a
    // file that has not changed since; so n entries cost one read, not n.
    CFileStatus status;
    bool unchanged = m_count > 0 && archivePath == m_readPath && CFile::GetStatus(archivePath, status) &&
                     status.m_size == m_archiveLength && status.m_mtime == m_readTime;
    if (!unchanged) {
        int r = ReadDirectory(archivePath);
        if (r != kArchiveOk) return r;
    }
    if (index < 0 || index >= m_count) return Fail(kArchiveBadDirectory, "No such entry in the archive");
    CFile file;
    if (!file.Open(archivePath, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) {
        return Fail(kArchiveSourceFailed, "The archive cannot be opened");
    }
    return WriteEntryFile(file, index, target, extractedPath);
}

int CSelfExtractor::WriteEntryFile(CFile& archive, int index, const std::string& folder, std::string* extractedPath) {
    m_problem.clear();
    if (index < 0 || index >= m_count) return Fail(kArchiveOutputFailed, "No such entry in the archive");
    const ArchiveEntry& entry = *m_entries[static_cast<size_t>(index)];
    std::string relative;
    if (!SafeRelativeName(entry.storedName, relative)) {
        return Fail(kArchiveOutputFailed, "The stored name leads outside the folder");
    }
    // The data lie between the stub and the directory.
    const uint64_t directoryStart = m_archiveLength - m_tailLength;
    if (entry.offset > directoryStart || entry.size > directoryStart - entry.offset) {
        return Fail(kArchiveOutputFailed, "The stored data lie outside the archive");
    }

    for (size_t i = 0; i < relative.size(); ++i) {
        if (relative[i] == platform::kPathSep) platform::CreateFolder(folder + relative.substr(0, i));
    }

    // Never over a file that is already there: a free variant of the name.
    std::string path = folder + relative;
    CFile output;
    const unsigned flags = CFile::modeCreate | CFile::modeWrite | CFile::osCreateNew | CFile::typeBinary;
    bool created = output.Open(path, flags);
    for (int n = 1; !created && n <= 9999; ++n) {
        CFileStatus status;
        if (!CFile::GetStatus(path, status)) break;  // not taken, but cannot be created
        path = Variant(folder + relative, n);
        created = output.Open(path, flags);
    }
    if (!created) return Fail(kArchiveOutputFailed, "The file cannot be created");

    bool ok = archive.Seek(static_cast<int64_t>(entry.offset), CFile::begin);
    std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(entry.size, kCopyBlock)));
    for (uint64_t remaining = entry.size; ok && remaining > 0;) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, buffer.size()));
        ok = archive.Read(buffer.data(), want) == want && output.Write(buffer.data(), want);
        remaining -= want;
    }
    output.Close();
    if (!ok) {
        CFile::Remove(path);
        return Fail(kArchiveOutputFailed, "The file cannot be written");
    }
    if (extractedPath) *extractedPath = path;
    return kArchiveOk;
}

bool CSelfExtractor::SafeRelativeName(const std::string& storedName, std::string& relative) {
    relative.clear();
    std::string name = storedName;
    if (name.size() >= 3 && name[1] == ':' && name[2] == '\\') name.erase(0, 3);
    if (name.empty() || IsSeparator(name[0])) return false;

    std::vector<std::string> components(1);
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (platform::IsLeadByte(c) && i + 1 < name.size()) {
            // A double-byte character: its second byte may look like a
            // separator, but is none.
            components.back() += name.substr(i, 2);
            ++i;
            continue;
        }
        if (IsSeparator(name[i])) {
            components.emplace_back();
            continue;
        }
        if (c < 0x20 || std::strchr(":*?\"<>|", name[i])) return false;
        components.back().push_back(name[i]);
    }
    for (const std::string& component : components) {
        // Empty, ".", ".." and the like: nothing but dots and blanks.
        if (component.find_first_not_of(". ") == std::string::npos) return false;
        if (IsDeviceName(component)) return false;
    }
    for (size_t i = 0; i < components.size(); ++i) {
        if (i) relative += platform::kPathSep;
        relative += components[i];
    }
    return true;
}
