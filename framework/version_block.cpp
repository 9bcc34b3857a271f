#include "framework/version_block.h"

#include <cstdio>

#include "framework/app.h"

namespace ui {

bool VersionBlock::Load(const std::string& file) {
    m_block.clear();
    m_failure = Failure::None;
    m_error = 0;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) {
        m_error = GetLastError();
        m_failure = Failure::NoBlock;
        return false;
    }
    m_block.resize(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, m_block.data())) {
        m_error = GetLastError();
        m_failure = Failure::Unreadable;
        m_block.clear();
        return false;
    }
    return true;
}

bool VersionBlock::LoadModule(HMODULE module) {
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(module ? module : ThisModule(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        m_block.clear();
        m_error = GetLastError();
        m_failure = Failure::NoBlock;
        return false;
    }
    return Load(std::string(path, n));
}

const VS_FIXEDFILEINFO* VersionBlock::Fixed() const {
    if (m_block.empty()) return nullptr;
    void* value = nullptr;
    UINT length = 0;
    char root[] = "\\";
    if (!VerQueryValueA(const_cast<unsigned char*>(m_block.data()), root, &value, &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return nullptr;
    }
    return static_cast<const VS_FIXEDFILEINFO*>(value);
}

bool VersionBlock::Translation(WORD& language, WORD& codePage) const {
    if (m_block.empty()) return false;
    void* value = nullptr;
    UINT length = 0;
    char query[] = "\\VarFileInfo\\Translation";
    if (!VerQueryValueA(const_cast<unsigned char*>(m_block.data()), query, &value, &length) || length < 4) {
        return false;
    }
    const WORD* words = static_cast<const WORD*>(value);
    language = words[0];
    codePage = words[1];
    return true;
}

std::string VersionBlock::String(const std::string& name) const {
    WORD language = 0, codePage = 0;
    if (!Translation(language, codePage)) return {};
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04x%04x\\", language, codePage);
    std::string query = prefix + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(const_cast<unsigned char*>(m_block.data()), query.c_str(), &value, &length) || !value) {
        return {};
    }
    return std::string(static_cast<const char*>(value));
}

}  // namespace ui
