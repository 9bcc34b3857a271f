#pragma once
// The project file (".ecl"): from its first byte, an archive of the project's
// entries: an int32 count, then for each entry its stored name, its full
// path (both archive strings), its attribute bits and the low 32 bits of its
// size (uint32), all little-endian. Readers stop after the last entry, so
// whatever follows it is never read.
#include <cstdint>
#include <string>
#include <vector>

#include "core/dir_read.h"

namespace project {

// The archive of the entries, as it is written to the file.
std::string WriteArchive(const std::vector<ProjectEntry>& entries);

// Reads the entries of an archive into `entries` (replacing what it held).
// False, with `entries` untouched, when the bytes cannot be a project: a
// negative count, or a count or a string length that runs past the end.
// Nothing is allocated from a stored count before its entries are read.
bool ReadArchive(const std::string& bytes, std::vector<ProjectEntry>& entries);

enum class ReadResult { Ok, NotOpened, Damaged };
// Reads a project file. NotOpened: the file does not open for reading;
// Damaged: it opened but is no project (or is too large to be one).
ReadResult ReadFile(const std::string& path, std::vector<ProjectEntry>& entries);

// Writes the archive over the file from its first byte and cuts the file
// after it (created when absent). False when the file does not open or a
// write fails. `fileName` receives the name part of the opened file.
enum class WriteResult { Ok, NotOpened, Failed };
WriteResult WriteFile(const std::string& path, const std::vector<ProjectEntry>& entries, std::string* fileName);

// Largest file taken as a project: far beyond any list a person keeps.
constexpr uint64_t kMaxProjectFileSize = 512u * 1024u * 1024u;

}  // namespace project
