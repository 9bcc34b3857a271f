#include "platform/path.h"

#include <atomic>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

namespace {

// Whether the system's own code page has two-byte characters, asked once.
// A plain atomic rather than a function's static: this code also runs in
// the plug-in library, which keeps no guarded statics.
std::atomic<int> g_systemDoubleByte{-1};

bool SystemDoubleByte() {
    int known = g_systemDoubleByte.load(std::memory_order_relaxed);
    if (known < 0) {
#ifdef _WIN32
        CPINFO info;
        known = GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1 ? 1 : 0;
#else
        known = 0;  // UTF-8: no byte of a character looks like ASCII
#endif
        g_systemDoubleByte.store(known, std::memory_order_relaxed);
    }
    return known != 0;
}

// Whether a text in the code page must be read character by character. The
// system's own code page is asked once; any other is always read so:
// IsLeadByteIn knows which bytes start a character in every code page the
// system has, where a list kept here missed some (the DBCS pages 20000 to
// 20005, for one).
bool HasDoubleBytes(unsigned codePage) { return codePage != kSystemCodePage || SystemDoubleByte(); }

// The last byte of the text for which `wanted` holds, read character by
// character: the second byte of a two-byte character is never looked at.
template <typename Wanted>
size_t LastCharacter(const std::string& text, unsigned codePage, Wanted wanted) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsLeadByteIn(codePage, static_cast<unsigned char>(text[i]))) {
            ++i;  // the second byte of the character is no separator
        } else if (wanted(text[i])) {
            last = i;
        }
    }
    return last;
}

}  // namespace

bool IsPathSeparator(char c) { return c != '\0' && std::strchr(kPathSeps, c) != nullptr; }

size_t LastSeparator(const std::string& path, unsigned codePage) {
    if (!HasDoubleBytes(codePage)) return path.find_last_of(kPathSeps);
    return LastCharacter(path, codePage, IsPathSeparator);
}

size_t LastOf(const std::string& text, char c, unsigned codePage) {
    if (!HasDoubleBytes(codePage)) return text.find_last_of(c);
    return LastCharacter(text, codePage, [c](char each) { return each == c; });
}

bool EndsInSeparator(const std::string& path, unsigned codePage) {
    return !path.empty() && LastSeparator(path, codePage) == path.size() - 1;
}

std::string FileNamePart(const std::string& path, unsigned codePage) {
    const size_t sep = LastSeparator(path, codePage);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string FolderPart(const std::string& path, unsigned codePage) {
    const size_t sep = LastSeparator(path, codePage);
    return sep == std::string::npos ? std::string() : path.substr(0, sep);
}

std::string ParentFolder(const std::string& path, unsigned codePage) {
    const size_t last = LastSeparator(path, codePage);
    if (last == std::string::npos || last + 1 == path.size()) return std::string();  // no folder, or a root
    // A root keeps its separator: "/" and "C:\".
    if (last == 0 || (last == 2 && path[1] == ':')) return path.substr(0, last + 1);
    return path.substr(0, last);
}

std::string JoinPath(const std::string& folder, const std::string& name, unsigned codePage) {
    if (folder.empty() || EndsInSeparator(folder, codePage)) return folder + name;
    return folder + kPathSep + name;
}

std::string WithoutTrailingSeparators(const std::string& path, unsigned codePage) {
    std::string trimmed = path;
    while (EndsInSeparator(trimmed, codePage)) trimmed.pop_back();
    return trimmed;
}

}  // namespace platform
