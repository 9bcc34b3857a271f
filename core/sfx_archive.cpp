#include "core/sfx_archive.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

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

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Only ASCII letters make the device names: compared without their case.
bool SameLetters(const std::u16string& text, size_t at, const char* word) {
    for (size_t i = 0; word[i]; ++i, ++at) {
        if (at >= text.size()) return false;
        char16_t c = text[at];
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        if (c != static_cast<unsigned char>(word[i])) return false;
    }
    return true;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices whatever their
// extension, and so do COM and LPT with a superscript one, two or three
// (bytes 0xB9, 0xB2 and 0xB3 in code page 1252), which Windows reads as
// the digits.
bool IsDeviceName(const std::string& component, unsigned codePage) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    const std::u16string name = platform::WideFromCodePage(codePage, base);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (name.size() == std::strlen(device) && SameLetters(name, 0, device)) return true;
    }
    if (name.size() != 4 || !(SameLetters(name, 0, "COM") || SameLetters(name, 0, "LPT"))) return false;
    const char16_t digit = name[3];
    return (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
}

// "name_3.ext" for "name.ext".
std::string Variant(const std::string& name, int n) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) dot = name.size();
    return name.substr(0, dot) + "_" + std::to_string(n) + name.substr(dot);
}

// Where the archive is written until it is complete: beside the output, as
// its name and ".~sfx" (a number after it when that is taken), or a short
// name in the same folder when the output's path leaves no room.
std::string TemporaryBeside(const std::string& output, int attempt) {
    const std::string number = attempt > 0 ? std::to_string(attempt) : std::string();
    if (output.size() + 5 + number.size() <= platform::kMaxPath) return output + ".~sfx" + number;
    return platform::JoinPath(platform::ParentFolder(output), "~sfx" + number + ".tmp");
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
        case kArchiveCancelled: return "Creating the archive was cancelled.";
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
    if (outputPath.empty()) return Fail(kArchiveOutputFailed, "No file was named for the archive");
    // Taking the place of a file that is to be stored would destroy it,
    // whatever name the output reaches it by.
    std::vector<std::string> sources;
    for (const auto& entry : m_entries) sources.push_back(entry->sourcePath);
    if (platform::LeadsToAnyOf(outputPath, sources)) {
        return Fail(kArchiveOutputFailed, "The archive would replace a file it stores");
    }

    CFile output;
    std::string temporary;
    const unsigned flags =
        CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite | CFile::typeBinary | CFile::osCreateNew;
    for (int attempt = 0; attempt < 100 && !output.IsOpen(); ++attempt) {
        temporary = TemporaryBeside(outputPath, attempt);
        CFileStatus taken;
        if (!output.Open(temporary, flags) && !CFile::GetStatus(temporary, taken)) break;  // cannot be created
    }
    if (!output.IsOpen()) return Fail(kArchiveOutputFailed, "The archive file cannot be created");

    int r = output.Write(stub, stubSize) ? WritePayload(output, callback, userData) : kArchiveOutputFailed;
    // Only a complete archive that reached the disk takes the output's place.
    if (r == kArchiveOk && !output.Flush()) r = kArchiveOutputFailed;
    output.Close();
    if (r == kArchiveOk && Cancelled()) r = Fail(kArchiveCancelled, "Creating the archive was cancelled");
    if (r == kArchiveOk && !platform::MoveReplacing(temporary, outputPath)) {
        r = Fail(kArchiveOutputFailed, "The archive cannot take the place of the file named for it");
    }
    if (r != kArchiveOk) {
        if (m_problem.empty()) m_problem = "The archive file cannot be written";
        CFile::Remove(temporary);
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
        if (Cancelled()) return Fail(kArchiveCancelled, "Creating the archive was cancelled");
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
    unsigned char field[kArchiveMarkerLength];
    if (length < kArchiveTrailerLength || !ReadAt(file, length - kArchiveMarkerLength, field, kArchiveMarkerLength) ||
        std::memcmp(field, kArchiveMarker, kArchiveMarkerLength) != 0) {
        return Fail(kArchiveBadDirectory, "No archive is appended");
    }
    if (!ReadAt(file, length - kArchiveTrailerLength, field, 4)) return Fail(kArchiveBadDirectory, "The archive is damaged");
    const uint64_t count = Get(field, 4);
    if (count == 0) return Fail(kArchiveNoEntries, "The archive holds no files");
    // A record takes at least 21 bytes (a name of one byte): a count that
    // the bytes before the trailer cannot hold is refused before anything
    // is made for it.
    if (count > (length - kArchiveTrailerLength) / 21 || count > static_cast<uint64_t>(INT_MAX)) {
        return Fail(kArchiveBadDirectory, "The archive claims more files than it can hold");
    }
    int r;
    try {
        r = ReadRecords(file, length, count);
    } catch (const std::bad_alloc&) {
        // A directory of more records than this process can keep.
        r = Fail(kArchiveBadDirectory, "The archive directory is too large to read");
    }
    if (r != kArchiveOk) return r;
    m_archiveLength = length;
    m_readPath = path;
    CFileStatus status;
    m_readTime = CFile::GetStatus(path, status) ? status.m_mtime : 0;
    if (!platform::GetFileIdentity(path, m_readIdentity)) m_readPath.clear();  // read again next time
    return kArchiveOk;
}

int CSelfExtractor::ReadRecords(CFile& file, uint64_t length, uint64_t count) {
    unsigned char field[kMaxStoredName];
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
    return kArchiveOk;
}

int CSelfExtractor::ExtractEntry(int index, const std::string& folder, std::string* extractedPath) {
    return ExtractEntryFrom(GetOwnPath(), index, folder, extractedPath);
}

int CSelfExtractor::ExtractEntryFrom(const std::string& archivePath, int index, const std::string& folder,
                                     std::string* extractedPath) {
    if (extractedPath) extractedPath->clear();
    if (folder.empty()) return Fail(kArchiveOutputFailed, "No folder was given");
    // The directory is read again unless it is the one read last, from a
    // file that has not changed since; so n entries cost one read, not n.
    CFileStatus status;
    platform::FileIdentity identity;
    bool unchanged = m_count > 0 && !m_readPath.empty() && platform::GetFileIdentity(archivePath, identity) &&
                     identity == m_readIdentity && CFile::GetStatus(archivePath, status) &&
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
    return WriteEntryFile(file, index, folder, extractedPath);
}

int CSelfExtractor::WriteEntryFile(CFile& archive, int index, const std::string& folder, std::string* extractedPath) {
    m_problem.clear();
    if (index < 0 || index >= m_count) return Fail(kArchiveOutputFailed, "No such entry in the archive");
    const ArchiveEntry& entry = *m_entries[static_cast<size_t>(index)];
    std::vector<std::string> parts;
    if (!SafeNameParts(entry.storedName, parts)) {
        return Fail(kArchiveOutputFailed, "The stored name leads outside the folder");
    }
    // The data lie between the stub and the directory.
    const uint64_t directoryStart = m_archiveLength - m_tailLength;
    if (entry.offset > directoryStart || entry.size > directoryStart - entry.offset) {
        return Fail(kArchiveOutputFailed, "The stored data lie outside the archive");
    }

    // The name's folders, level by level below the folder.
    std::string below = folder;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        below = platform::JoinPath(below, parts[i]);
        platform::CreateFolder(below);
    }

    // Never over a file that is already there: a free variant of the name.
    const std::string& name = parts.back();
    std::string path = platform::JoinPath(below, name);
    CFile output;
    const unsigned flags = CFile::modeCreate | CFile::modeWrite | CFile::osCreateNew | CFile::typeBinary;
    bool created = output.Open(path, flags);
    for (int n = 1; !created && n <= 9999; ++n) {
        CFileStatus status;
        if (!CFile::GetStatus(path, status)) break;  // not taken, but cannot be created
        path = platform::JoinPath(below, Variant(name, n));
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

bool CSelfExtractor::SafeNameParts(const std::string& storedName, std::vector<std::string>& parts,
                                   unsigned codePage) {
    parts.clear();
    std::string name = storedName;
    if (name.size() >= 3 && name[1] == ':' && name[2] == '\\') name.erase(0, 3);
    if (name.empty() || IsSeparator(name[0])) return false;

    std::vector<std::string> found(1);
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (platform::IsLeadByteIn(codePage, c) && i + 1 < name.size()) {
            // A double-byte character: its second byte may look like a
            // separator, but is none.
            found.back().append(name, i, 2);
            ++i;
        } else if (IsSeparator(name[i])) {
            found.emplace_back();
        } else if (c < 0x20 || std::strchr(":*?\"<>|", name[i])) {
            return false;
        } else {
            found.back().push_back(name[i]);
        }
    }
    for (const std::string& part : found) {
        // Empty, ".", ".." and the like: nothing but dots and blanks.
        if (part.find_first_not_of(". ") == std::string::npos || IsDeviceName(part, codePage)) return false;
    }
    parts = std::move(found);
    return true;
}

bool CSelfExtractor::SafeRelativeName(const std::string& storedName, std::string& relative, unsigned codePage) {
    relative.clear();
    std::vector<std::string> parts;
    if (!SafeNameParts(storedName, parts, codePage)) return false;
    for (const std::string& part : parts) relative = platform::JoinPath(relative, part, codePage);
    return true;
}
