#include "shellext/folder_walk.h"

#include <windows.h>

bool IsLink(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool CollectFolderFiles(const std::string& folder, std::vector<ProjectEntry>& files) {
    files.clear();
    if (IsLink(folder)) return false;
    CSADirRead reader;
    reader.CollectFolders(folder.c_str(), true);
    reader.CollectFiles("*.*", true, false);
    reader.SetRelativeNames(folder);
    files = std::move(reader.files);
    return true;
}
