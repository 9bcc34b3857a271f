#include <windows.h>

#include "platform/settings_store.h"

namespace platform {
namespace {

HKEY RootHandle(RegRoot root) { return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

}  // namespace

bool RegReadDword(RegRoot root, const std::string& subKey, const std::string& name, uint32_t& value) {
    HKEY key;
    if (RegOpenKeyExA(RootHandle(root), subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD data = value;
    DWORD size = sizeof(data);
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return false;
    value = data;
    return true;
}

bool RegWriteRaw(RegRoot root, const std::string& subKey, const std::string& name, uint32_t type,
                 const void* data, uint32_t size) {
    HKEY key;
    if (RegCreateKeyExA(RootHandle(root), subKey.c_str(), 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool RegWriteDword(RegRoot root, const std::string& subKey, const std::string& name, uint32_t value) {
    DWORD data = value;
    return RegWriteRaw(root, subKey, name, REG_DWORD, &data, sizeof(data));
}

bool RegRemoveValue(RegRoot root, const std::string& subKey, const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(RootHandle(root), subKey.c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) return false;
    LONG rc = RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool RegRemoveKey(RegRoot root, const std::string& subKey) {
    return RegDeleteTreeA(RootHandle(root), subKey.c_str()) == ERROR_SUCCESS;
}

}  // namespace platform
