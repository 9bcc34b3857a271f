#include "core/registry_dword.h"

namespace {

void TrimLeadingBackslashes(std::string& s) {
    size_t first = s.find_first_not_of('\\');
    s.erase(0, first == std::string::npos ? s.size() : first);
}

void TrimTrailingBackslashes(std::string& s) {
    while (!s.empty() && s.back() == '\\') s.pop_back();
}

}  // namespace

std::string VastrelSettingPath(const std::string& valueName) {
    return std::string(kVastrelSettingsKey) + "\\" + valueName;
}

RegistryDword::RegistryDword() = default;

RegistryDword::RegistryDword(const std::string& path, uint32_t defaultValue, int alwaysReload, platform::RegRoot root)
    : m_root(root), m_default(defaultValue), m_alwaysReload(alwaysReload) {
    std::string p = path;
    TrimLeadingBackslashes(p);
    size_t last = p.rfind('\\');
    if (last == std::string::npos) {
        m_valueName = p;
    } else {
        m_subKey = p.substr(0, last);
        TrimTrailingBackslashes(m_subKey);
        m_valueName = p.substr(last);
        TrimLeadingBackslashes(m_valueName);
    }
    Read();
}

uint32_t RegistryDword::Read() {
    uint32_t value = m_cached;
    if (!platform::RegReadDword(m_root, m_subKey, m_valueName, value)) return m_default;
    m_cached = value;
    m_readOk = 1;
    return m_cached;
}

void RegistryDword::Write() {
    if (platform::RegWriteDword(m_root, m_subKey, m_valueName, m_cached)) m_readOk = 1;
}

uint32_t RegistryDword::Get() {
    if (!m_readOk || m_alwaysReload) return Read();
    return m_cached;
}

RegistryDword& RegistryDword::Set(uint32_t value) {
    if (value != m_cached || m_alwaysReload) {
        m_cached = value;
        Write();
    }
    return *this;
}

RegistryDword RegistryDword::GetHashTypeSetting() { return RegistryDword(VastrelSettingPath("key"), 2, 1); }

RegistryDword RegistryDword::GetCipherSetting() { return RegistryDword(VastrelSettingPath("cipher"), 0, 1); }
