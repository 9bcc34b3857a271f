#pragma once
#include <cstdint>
#include <string>

#include "platform/settings_store.h"

// The key under the current user's hive that holds every setting of the suite.
constexpr const char* kVastrelSettingsKey = "Software\\Halvenrod\\Vastrel";

// "Software\Halvenrod\Vastrel\<name>": the full path of one setting.
std::string VastrelSettingPath(const std::string& valueName);

// One DWORD setting with a cache. With always-reload set, every Get reads the
// store and every Set writes it, so programs running side by side see each
// other's changes. No failure is ever reported: a failed read gives the
// default, a failed write leaves the store as it was.
class RegistryDword {
public:
    RegistryDword();
    // `path` is the sub key and the value name joined by backslashes. The
    // value is read at once.
    RegistryDword(const std::string& path, uint32_t defaultValue, int alwaysReload = 0,
                  platform::RegRoot root = platform::RegRoot::CurrentUser);

    uint32_t Read();
    void Write();
    uint32_t Get();
    RegistryDword& Set(uint32_t value);

    const std::string& SubKey() const { return m_subKey; }
    const std::string& ValueName() const { return m_valueName; }

    // "key" (default 2) and "cipher" (default 0), both always reloaded.
    static RegistryDword GetHashTypeSetting();
    static RegistryDword GetCipherSetting();

private:
    platform::RegRoot m_root = platform::RegRoot::CurrentUser;
    std::string m_valueName;
    std::string m_subKey;
    uint32_t m_cached = 0;
    uint32_t m_default = 0;
    int m_readOk = 0;
    int m_alwaysReload = 0;
};
