#include "shellext/folder_walk.h"

#include "core/cipher_result.h"
#include "platform/file.h"

bool CollectFolderFiles(const std::string& folder, std::vector<ProjectEntry>& files,
                        std::vector<SkippedPath>& skipped) {
    files.clear();
    if (platform::IsLink(folder)) return false;
    CSADirRead reader;
    reader.CollectFolders(folder.c_str(), true);
    reader.CollectFiles("*.*", true, false);
    reader.SetRelativeNames(folder);
    files = std::move(reader.files);
    skipped.insert(skipped.end(), reader.skipped.begin(), reader.skipped.end());
    return true;
}

std::string SkippedStatus(SkippedPath::Reason reason) {
    using Vastrel2::CIPHER::CipherResult;
    return reason == SkippedPath::kLink ? CipherResult::ResultText(CipherResult::kLink) : "Not processed";
}

std::string SkippedDetails(SkippedPath::Reason reason) {
    switch (reason) {
        case SkippedPath::kLink: return "Nothing behind it was touched";
        case SkippedPath::kTooDeep: return "The folder lies too deep to be listed";
        case SkippedPath::kUnreadable: break;
    }
    return "The folder could not be read";
}
