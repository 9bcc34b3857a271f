#include "shellext/selection.h"

#include <windows.h>

#include <shlobj.h>

#include <cstring>

#include "core/file_header.h"
#include "platform/path.h"

namespace {

// The narrow path of a wide one, only when every character has an exact
// counterpart in the system's code page (no best-fit look-alikes).
bool ExactNarrow(const wchar_t* text, size_t length, std::string& out) {
    if (length == 0) return false;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(length), nullptr, 0, nullptr,
                                nullptr);
    if (n <= 0) return false;
    std::string narrow(static_cast<size_t>(n), '\0');
    BOOL usedDefault = FALSE;
    n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(length), &narrow[0], n, nullptr,
                            &usedDefault);
    if (n <= 0 || usedDefault) return false;
    narrow.resize(static_cast<size_t>(n));
    out = narrow;
    return true;
}

}  // namespace

std::vector<std::string> ReadDropFiles(const void* block, size_t size) {
    std::vector<std::string> paths;
    if (!block || size < sizeof(DROPFILES)) return paths;
    DROPFILES header;
    std::memcpy(&header, block, sizeof header);
    const char* bytes = static_cast<const char*>(block);
    size_t pos = header.pFiles;
    if (pos < sizeof(DROPFILES) || pos >= size) return paths;
    if (header.fWide) {
        size_t count = (size - pos) / sizeof(wchar_t);
        std::wstring list(count, L'\0');
        std::memcpy(&list[0], bytes + pos, count * sizeof(wchar_t));
        size_t at = 0;
        while (at < count) {
            size_t end = list.find(L'\0', at);
            if (end == std::wstring::npos || end == at) break;  // cut short, or the list's end
            size_t length = end - at;
            std::string path;
            if (length < MAX_PATH && ExactNarrow(list.data() + at, length, path) && path.size() < MAX_PATH) {
                paths.push_back(path);
            }
            at = end + 1;
        }
    } else {
        size_t at = pos;
        while (at < size) {
            const void* found = std::memchr(bytes + at, '\0', size - at);
            if (!found) break;
            size_t end = static_cast<size_t>(static_cast<const char*>(found) - bytes);
            if (end == at) break;
            if (end - at < MAX_PATH) paths.emplace_back(bytes + at, end - at);
            at = end + 1;
        }
    }
    return paths;
}

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

SelectionKind ClassifySelection(const std::vector<std::string>& paths) {
    if (paths.size() != 1) return SelectionKind::Several;
    const std::string& path = paths.front();
    if (Vastrel2::Utils::IsEncryptedFile(path)) return SelectionKind::EncryptedFile;
    if (IsFolder(path)) return SelectionKind::Folder;
    return SelectionKind::File;
}

std::string ProgressCaption(const std::string& prefix, const std::string& name) {
    if (name.size() <= 40) return prefix + name;
    return prefix + "..\\" + (name.size() < 45 ? name : name.substr(name.size() - 45));
}

std::string NameOfPath(const std::string& path) { return platform::FileNamePart(path); }
