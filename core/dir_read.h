#pragma once
// The folder scanner: the list of folders below a given one, then the entries
// of those folders that match a mask, with their total size. ProjectEntry is
// the record of one file, shared with the project list and project files.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Vastrel2 {
class WorkerGroup;
}

struct ProjectEntry {
    std::string path;       // full path of the file or folder
    std::string name;       // the name shown to the user; empty from the scanner
    bool isFolder = false;
    uint32_t attributes = 0;  // kAttr* bits as the directory search gives them
    uint32_t size = 0;        // low 32 bits of the size in bytes
};

// Something the walk did not take, and why: a link (to a file or a
// folder), a folder that could not be read, or one too deep for the path
// limit to list.
struct SkippedPath {
    enum Reason { kLink, kUnreadable, kTooDeep };
    std::string path;
    Reason reason;
};

class CSADirRead {
public:
    enum SortKind { kSortByPath = 1, kSortBySize = 3 };

    CSADirRead() = default;
    virtual ~CSADirRead() = default;

    // The folder list: `path` (trailing separators removed) last, after every
    // folder below it when `recursive` is set. Folders reached through a
    // reparse point (junction, linked folder) are not entered, nor folders
    // too deep to list; both are noted in `skipped`.
    bool CollectFolders(const char* path, bool recursive);
    // Depth first: each folder after all of its sub-folders. False when the
    // walk raised an error.
    bool ScanFolders(std::vector<std::string>& list, const std::string& folder);

    // Appends the matching entries of every listed folder to the file list.
    // Links are never taken, and a folder that cannot be read (or only in
    // part) gives what could be read; both are noted in `skipped`.
    bool CollectFiles(const char* mask, bool includeFiles, bool includeFolders);
    bool ScanFiles(const std::string& folder, const std::string& mask, bool includeFiles, bool includeFolders);

    bool ClearFileList();
    bool ClearFolderList();
    // kSortByPath: case-insensitive and stable; kSortBySize: unsigned sizes.
    // Any other kind leaves the list as it is.
    bool SortFiles(int kind, bool descending);
    // Names relative to the parent of `base`: they keep the base folder's own name.
    void SetRelativeNames(const std::string& base);
    bool AddEntry(ProjectEntry entry);
    // False (nothing changed) for an index outside the list.
    bool RemoveEntry(int index);
    static void TrimTrailingSlashes(std::string& path);

    std::string baseFolder;
    std::vector<std::string> folders;
    std::vector<ProjectEntry> files;
    uint64_t total = 0;
    // What the walks left out, in the order met; kept until the caller clears it.
    std::vector<SkippedPath> skipped;

    // For callers that want nothing but the paths: entries then carry the
    // path, the folder flag and of the attributes only the folder and link
    // bits (size 0), and the listing asks the disk nothing about each file
    // where the system's own listing tells files from folders.
    bool pathsOnly = false;

private:
    // ScanFiles with the threads that ask files whether they are links,
    // started when a folder first needs them and kept for the next folders.
    bool ScanFolder(const std::string& folder, const std::string& mask, bool includeFiles, bool includeFolders,
                    std::unique_ptr<Vastrel2::WorkerGroup>& askers);
};
