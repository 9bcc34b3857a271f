#include "shellext/registration.h"

#include <oleauto.h>

#include <vector>

#include "shellext/pavlet_shl_ext.h"

namespace {

// How a key is treated when the server is unregistered: a plain key goes
// when nothing is left below it; a NoRemove key stays; a ForceRemove key
// goes with everything below it, and on registration it is also removed
// (with everything below it) before it is written anew.
enum class Rule { Plain, NoRemove, ForceRemove };

struct KeyRow {
    std::wstring path;  // below HKEY_CLASSES_ROOT
    Rule rule;
    std::wstring data;  // the default value, when hasData
    bool hasData;
    std::wstring valueName;  // a further named value, when not empty
    std::wstring valueData;
};

const wchar_t kClassText[] = L"PavletShlExt Class";
const wchar_t kProgId[] = L"Pavlet.PavletShlExt.1";
const wchar_t kIndependentProgId[] = L"Pavlet.PavletShlExt";
const wchar_t kHandlerName[] = L"PavletSvr";

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

KeyRow Key(std::wstring path, Rule rule) { return KeyRow{std::move(path), rule, L"", false, L"", L""}; }
KeyRow Key(std::wstring path, Rule rule, std::wstring data) {
    return KeyRow{std::move(path), rule, std::move(data), true, L"", L""};
}

// The table, parents before their children, with the identifiers and the
// library's path filled in.
std::vector<KeyRow> Table(const std::wstring& clsid, const std::wstring& libid, const std::wstring& module) {
    const std::wstring classKey = L"CLSID\\" + clsid;
    std::vector<KeyRow> rows = {
        Key(kProgId, Rule::Plain, kClassText),
        Key(std::wstring(kProgId) + L"\\CLSID", Rule::Plain, clsid),
        Key(kIndependentProgId, Rule::Plain, kClassText),
        Key(std::wstring(kIndependentProgId) + L"\\CLSID", Rule::Plain, clsid),
        Key(std::wstring(kIndependentProgId) + L"\\CurVer", Rule::Plain, kProgId),
        Key(L"CLSID", Rule::NoRemove),
        Key(classKey, Rule::ForceRemove, kClassText),
        Key(classKey + L"\\ProgID", Rule::Plain, kProgId),
        Key(classKey + L"\\VersionIndependentProgID", Rule::Plain, kIndependentProgId),
        Key(classKey + L"\\Programmable", Rule::ForceRemove),
        Key(classKey + L"\\InprocServer32", Rule::Plain, module),
        Key(classKey + L"\\TypeLib", Rule::Plain, libid),
    };
    rows[10].valueName = L"ThreadingModel";
    rows[10].valueData = L"Apartment";
    // Every file, every file-system object (folders too), and the classes
    // of programs, libraries and controls, whose own handlers would
    // otherwise come first.
    for (const wchar_t* fileClass : {L"exefile", L"dllfile", L"ocxfile", L"*", L"AllFileSystemObjects"}) {
        std::wstring base = fileClass;
        rows.push_back(Key(base, Rule::NoRemove));
        rows.push_back(Key(base + L"\\shellex", Rule::NoRemove));
        rows.push_back(Key(base + L"\\shellex\\ContextMenuHandlers", Rule::NoRemove));
        rows.push_back(Key(base + L"\\shellex\\ContextMenuHandlers\\" + kHandlerName, Rule::ForceRemove, clsid));
    }
    return rows;
}

LONG SetString(HKEY key, const wchar_t* name, const wchar_t* data) {
    DWORD bytes = static_cast<DWORD>((lstrlenW(data) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), bytes);
}

// Removes a key with everything below it; a missing key is no failure.
LONG DeleteTree(HKEY root, const std::wstring& path, int depth = 0) {
    if (depth > 64) return ERROR_CANTWRITE;
    HKEY key;
    LONG rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | DELETE, &key);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        LONG e = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (e != ERROR_SUCCESS) break;
        children.emplace_back(name, length);
    }
    RegCloseKey(key);
    for (const std::wstring& child : children) {
        rc = DeleteTree(root, path + L"\\" + child, depth + 1);
        if (rc != ERROR_SUCCESS) return rc;
    }
    rc = RegDeleteKeyW(root, path.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

bool HasSubKeys(HKEY root, const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD subKeys = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return subKeys > 0;
}

LONG WriteTable(const std::vector<KeyRow>& rows) {
    for (const KeyRow& row : rows) {
        if (row.rule == Rule::ForceRemove) {
            LONG rc = DeleteTree(HKEY_CLASSES_ROOT, row.path);
            if (rc != ERROR_SUCCESS) return rc;
        }
        HKEY key;
        LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, row.path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_READ,
                                  nullptr, &key, nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        if (row.hasData) rc = SetString(key, nullptr, row.data.c_str());
        if (rc == ERROR_SUCCESS && !row.valueName.empty()) {
            rc = SetString(key, row.valueName.c_str(), row.valueData.c_str());
        }
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

LONG RemoveTable(const std::vector<KeyRow>& rows) {
    LONG first = ERROR_SUCCESS;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const KeyRow& row = *it;
        LONG rc = ERROR_SUCCESS;
        switch (row.rule) {
            case Rule::NoRemove: break;
            case Rule::ForceRemove: rc = DeleteTree(HKEY_CLASSES_ROOT, row.path); break;
            case Rule::Plain:
                if (!HasSubKeys(HKEY_CLASSES_ROOT, row.path)) {
                    rc = RegDeleteKeyW(HKEY_CLASSES_ROOT, row.path.c_str());
                    if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
                }
                break;
        }
        if (first == ERROR_SUCCESS) first = rc;
    }
    return first;
}

#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif

HRESULT RegisterTypeLibrary(const std::wstring& modulePath) {
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    std::wstring path = modulePath;
    hr = RegisterTypeLib(library, &path[0], nullptr);
    library->Release();
    return hr;
}

HRESULT UnregisterTypeLibrary(const std::wstring& modulePath) {
    GUID libid = kLibidPavlet;
    WORD major = 1, minor = 0;
    LCID locale = 0;
    SYSKIND kind = kSysKind;
    ITypeLib* library = nullptr;
    if (SUCCEEDED(LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, &library))) {
        TLIBATTR* attributes = nullptr;
        if (SUCCEEDED(library->GetLibAttr(&attributes)) && attributes) {
            libid = attributes->guid;
            major = attributes->wMajorVerNum;
            minor = attributes->wMinorVerNum;
            locale = attributes->lcid;
            kind = attributes->syskind;
            library->ReleaseTLibAttr(attributes);
        }
        library->Release();
    }
    // Nothing registered is nothing to remove.
    BSTR registered = nullptr;
    if (FAILED(QueryPathOfRegTypeLib(libid, major, minor, locale, &registered))) return S_OK;
    SysFreeString(registered);
    return UnRegisterTypeLib(libid, major, minor, locale, kind);
}

bool OnWindowsNT() { return (GetVersion() & 0x80000000u) == 0; }

HRESULT FromWin32(LONG rc) { return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(rc)); }

}  // namespace

HRESULT RegisterServer(const std::wstring& modulePath) {
    if (modulePath.empty()) return E_UNEXPECTED;
    HKEY approved = nullptr;
    if (OnWindowsNT()) {
        // Where the list of approved extensions is enforced, a handler that
        // is not on it is never loaded: without the right to add it,
        // nothing is registered at all.
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &approved) != ERROR_SUCCESS) {
            return E_ACCESSDENIED;
        }
    }
    const std::wstring clsid = Widen(GuidText(kClsidPavletShlExt));
    const std::vector<KeyRow> rows = Table(clsid, Widen(GuidText(kLibidPavlet)), modulePath);
    HRESULT hr = FromWin32(WriteTable(rows));
    if (SUCCEEDED(hr)) hr = RegisterTypeLibrary(modulePath);
    if (SUCCEEDED(hr) && approved) hr = FromWin32(SetString(approved, clsid.c_str(), kClassText));
    if (FAILED(hr)) {
        // Half a registration is none: what was written goes again.
        if (approved) RegDeleteValueW(approved, clsid.c_str());
        UnregisterTypeLibrary(modulePath);
        RemoveTable(rows);
    }
    if (approved) RegCloseKey(approved);
    return hr;
}

HRESULT UnregisterServer(const std::wstring& modulePath) {
    const std::wstring clsid = Widen(GuidText(kClsidPavletShlExt));
    if (OnWindowsNT()) {
        HKEY approved;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &approved) == ERROR_SUCCESS) {
            RegDeleteValueW(approved, clsid.c_str());
            RegCloseKey(approved);
        }
    }
    CoFreeUnusedLibraries();
    const std::vector<KeyRow> rows = Table(clsid, Widen(GuidText(kLibidPavlet)), modulePath);
    HRESULT tableResult = FromWin32(RemoveTable(rows));
    HRESULT typeLibResult = UnregisterTypeLibrary(modulePath);
    return FAILED(tableResult) ? tableResult : typeLibResult;
}
