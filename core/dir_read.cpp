#include "core/dir_read.h"

#include <algorithm>
#include <memory>

#include "core/worker_group.h"
#include "platform/file.h"

namespace {

// The folder to hand the directory search: an empty folder (what remains of
// the root once its separator is trimmed) is the root itself.
std::string SearchFolder(const std::string& folder) {
#ifdef _WIN32
    return folder;
#else
    return folder.empty() ? std::string(1, platform::kPathSep) : folder;
#endif
}

// Byte-wise comparison with the letters A to Z folded to lower case.
int CompareNoCase(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = static_cast<unsigned char>(a[i]);
        int cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z') ca += 'a' - 'A';
        if (cb >= 'A' && cb <= 'Z') cb += 'a' - 'A';
        if (ca != cb) return ca - cb;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// A folder whose search pattern ("\\*.*" after it) would pass the path limit
// cannot be listed, and nothing in it could be worked on.
bool TooDeep(const std::string& folder) { return folder.size() + 4 > platform::kMaxPath; }

// Where a listing cannot show a link to a file (Wine), each file must be
// asked; a question waits mostly on the system rather than on the disk, so
// many of them are asked on a few threads at once. The threads are started
// at the first folder that needs them and serve the rest of the walk.
// A question costs about a tenth of a millisecond and a thread's start a
// fraction of one, so a folder of a few dozen files is already worth
// sharing out; a tree of such folders otherwise asks every file in turn.
constexpr size_t kAskTogether = 16;  // fewer are asked one after another
constexpr size_t kAsksPerThread = 4;
using Askers = std::unique_ptr<Vastrel2::WorkerGroup>;

// For each name of the folder's listing: is it a link?
std::vector<char> AskLinks(const std::string& folder, const std::vector<std::string>& names, Askers& askers) {
    std::vector<char> link(names.size(), 0), asked(names.size(), 0);
    if (names.size() >= kAskTogether) {
        if (!askers)
            askers.reset(new Vastrel2::WorkerGroup(Vastrel2::WorkerGroup::ThreadsFor(names.size() / kAsksPerThread)));
        const unsigned parts = askers->Size();
        askers->Run([&](unsigned part) {
            try {
                platform::FolderLinks links(folder);
                for (size_t i = part; i < names.size(); i += parts) {
                    link[i] = links.IsLink(names[i]);
                    asked[i] = 1;
                }
            } catch (...) {
                // what was not answered is asked again below
            }
        });
    }
    platform::FolderLinks links(folder);
    for (size_t i = 0; i < names.size(); ++i)
        if (!asked[i]) link[i] = links.IsLink(names[i]);
    return link;
}

}  // namespace

void CSADirRead::TrimTrailingSlashes(std::string& path) {
    for (;;) {
        std::string copy = path;
        while (!copy.empty() && IsSpace(copy.back())) copy.pop_back();
        // Read character by character: a name may end in a double-byte
        // character whose second byte is the byte of a backslash.
        size_t sep = platform::LastOf(copy, platform::kPathSep);
        if (sep == std::string::npos) sep = platform::LastOf(copy, '/');
        if (sep == std::string::npos || sep + 1 != copy.size()) return;
        path = copy.substr(0, sep);
    }
}

bool CSADirRead::CollectFolders(const char* path, bool recursive) {
    baseFolder = path ? path : "";
    TrimTrailingSlashes(baseFolder);
    if (recursive) ScanFolders(folders, baseFolder);
    folders.push_back(baseFolder);
    return true;
}

bool CSADirRead::ScanFolders(std::vector<std::string>& list, const std::string& folder) {
    try {
        // ScanFiles reports the folders that cannot be listed, once each.
        if (TooDeep(folder)) return true;
        std::vector<std::string> subs;
        platform::FindFiles(
            SearchFolder(folder), "*.*",
            [&](const platform::FindData& entry) {
                if (!(entry.attributes & kAttrDirectory) || entry.name == "." || entry.name == "..") return true;
                const std::string sub = folder + platform::kPathSep + entry.name;
                // A junction or linked folder leads outside this folder (or back into it).
                if (entry.attributes & kAttrReparsePoint)
                    skipped.push_back({sub, SkippedPath::kLink});
                else
                    subs.push_back(sub);
                return true;
            },
            platform::FindDetail::TypeOnly);
        for (const std::string& sub : subs) {
            if (!ScanFolders(list, sub)) return false;
            list.push_back(sub);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool CSADirRead::CollectFiles(const char* mask, bool includeFiles, bool includeFolders) {
    std::string m = mask ? mask : "";
    Askers askers;
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        if (!ScanFolder(folder, m, includeFiles, includeFolders, askers)) return false;
    }
    return true;
}

bool CSADirRead::ScanFiles(const std::string& folder, const std::string& mask, bool includeFiles,
                           bool includeFolders) {
    Askers askers;
    return ScanFolder(folder, mask, includeFiles, includeFolders, askers);
}

bool CSADirRead::ScanFolder(const std::string& folder, const std::string& mask, bool includeFiles,
                            bool includeFolders, std::unique_ptr<Vastrel2::WorkerGroup>& askers) {
    try {
        std::string dir = folder;
        TrimTrailingSlashes(dir);
        if (TooDeep(dir)) {
            skipped.push_back({dir, SkippedPath::kTooDeep});
            return true;
        }
        const std::string prefix = dir + platform::kPathSep;
        const platform::FindDetail detail = pathsOnly ? platform::FindDetail::TypeOnly : platform::FindDetail::Full;
        // A linked file is not ours to work on: shredding it would reach
        // whatever it leads to. Some systems show such a link as a plain
        // file; there every file is asked once the listing is done.
        const bool askFiles = !platform::ListingShowsFileLinks();
        std::vector<ProjectEntry> listed;  // in the listing's order
        std::vector<char> linked;
        std::vector<size_t> asking;
        std::vector<std::string> names;
        bool complete = platform::FindFiles(SearchFolder(dir), mask, [&](const platform::FindData& found) {
            bool isFolder = (found.attributes & kAttrDirectory) != 0;
            if (found.name == ".." || (isFolder && found.name == ".")) return true;
            if (isFolder ? !includeFolders : !includeFiles) return true;
            linked.push_back((found.attributes & kAttrReparsePoint) != 0);
            if (!linked.back() && !isFolder && askFiles) {
                asking.push_back(listed.size());
                names.push_back(found.name);
            }
            ProjectEntry entry;
            entry.path = prefix + found.name;
            entry.isFolder = isFolder;
            entry.attributes = found.attributes;
            entry.size = static_cast<uint32_t>(found.size);
            listed.push_back(std::move(entry));
            return true;
        }, detail);
        if (!names.empty()) {
            const std::vector<char> answers = AskLinks(dir, names, askers);
            for (size_t i = 0; i < asking.size(); ++i) linked[asking[i]] = answers[i];
        }
        for (size_t i = 0; i < listed.size(); ++i) {
            if (linked[i]) {
                skipped.push_back({std::move(listed[i].path), SkippedPath::kLink});
                continue;
            }
            total += listed[i].size;
            files.push_back(std::move(listed[i]));
        }
        if (!complete) skipped.push_back({dir, SkippedPath::kUnreadable});
        return true;
    } catch (...) {
        return false;
    }
}

bool CSADirRead::ClearFileList() {
    files.clear();
    total = 0;
    return true;
}

bool CSADirRead::ClearFolderList() {
    folders.clear();
    return true;
}

bool CSADirRead::SortFiles(int kind, bool descending) {
    if (kind == kSortByPath) {
        std::stable_sort(files.begin(), files.end(), [descending](const ProjectEntry& a, const ProjectEntry& b) {
            int c = CompareNoCase(a.path, b.path);
            return descending ? c > 0 : c < 0;
        });
    } else if (kind == kSortBySize) {
        std::sort(files.begin(), files.end(), [descending](const ProjectEntry& a, const ProjectEntry& b) {
            return descending ? a.size > b.size : a.size < b.size;
        });
    }
    return true;
}

void CSADirRead::SetRelativeNames(const std::string& base) {
    const size_t sep = platform::LastOf(base, platform::kPathSep);
    for (ProjectEntry& entry : files) {
        if (sep == std::string::npos) entry.name = entry.path;
        else entry.name = entry.path.size() > sep ? entry.path.substr(sep + 1) : std::string();
    }
}

bool CSADirRead::AddEntry(ProjectEntry entry) {
    total += entry.size;
    files.push_back(std::move(entry));
    return true;
}

bool CSADirRead::RemoveEntry(int index) {
    if (index < 0 || static_cast<size_t>(index) >= files.size()) return false;
    total -= files[static_cast<size_t>(index)].size;
    files.erase(files.begin() + index);
    return true;
}
