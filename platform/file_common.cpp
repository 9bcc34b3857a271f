#include "platform/file.h"

#include <cctype>

namespace platform {

std::string FileNamePart(const std::string& path) {
    size_t pos = path.find_last_of(kPathSep);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

}  // namespace platform

std::string CFile::GetFileName() const { return platform::FileNamePart(m_path); }
