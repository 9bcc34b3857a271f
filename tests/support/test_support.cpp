#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/file.h"
#include "platform/settings_store.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace testsupport {
namespace {

void RemoveTree(const std::string& path) {
    std::vector<std::string> names = ListDir(path);
    for (const std::string& name : names) {
        std::string child = path + platform::kPathSep + name;
        CFileStatus st;
        if (CFile::GetStatus(child, st) && (st.m_attribute & kAttrDirectory)) {
#ifndef _WIN32
            struct stat lst;
            if (::lstat(child.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
                ::unlink(child.c_str());
                continue;
            }
#endif
            RemoveTree(child);
        } else {
#ifdef _WIN32
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(child.c_str());
#else
            ::unlink(child.c_str());
#endif
        }
    }
#ifdef _WIN32
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
#else
    ::chmod(path.c_str(), 0700);
    ::rmdir(path.c_str());
#endif
}

#ifndef _WIN32
// Natively the settings file lives under XDG_CONFIG_HOME: point it at a
// folder of the test run's own so no test touches the user's settings.
class IsolatedSettings : public ::testing::Environment {
public:
    void SetUp() override {
        char pattern[] = "/tmp/vastrel-settings-XXXXXX";
        if (char* dir = mkdtemp(pattern)) {
            m_dir = dir;
            setenv("XDG_CONFIG_HOME", dir, 1);
        }
    }
    void TearDown() override {
        if (!m_dir.empty()) RemoveTree(m_dir);
    }

private:
    std::string m_dir;
};

const auto* const g_settingsEnv = ::testing::AddGlobalTestEnvironment(new IsolatedSettings);
#endif

}  // namespace

TempDir::TempDir() {
#ifdef _WIN32
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "%svtest-%lu-%u", base, GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(name, nullptr)) {
            m_path = name;
            break;
        }
    }
#else
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vtest-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    m_path = mkdtemp(buf.data());
#endif
}

TempDir::~TempDir() { RemoveTree(m_path); }

std::string TempDir::operator/(const std::string& name) const { return m_path + platform::kPathSep + name; }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

bool Exists(const std::string& path) {
    CFileStatus st;
    return CFile::GetStatus(path, st);
}

void MakeDir(const std::string& path) {
#ifdef _WIN32
    CreateDirectoryA(path.c_str(), nullptr);
#else
    ::mkdir(path.c_str(), 0755);
#endif
}

std::vector<std::string> ListDir(const std::string& path) {
    std::vector<std::string> names;
    platform::FindFiles(path, "*.*", [&](const platform::FindData& f) {
        if (f.name != "." && f.name != "..") names.push_back(f.name);
        return true;
    });
    std::sort(names.begin(), names.end());
    return names;
}

MessageRecorder::MessageRecorder() {
    m_previous = platform::SetMessageHook([this](const platform::MessageRequest& request) {
        messages.push_back(request);
        if (respond) {
            auto handler = respond;  // may replace itself while it runs
            return handler(request);
        }
        if (answers.empty()) return platform::DefaultAnswer(request.style);
        int answer = answers.front();
        answers.pop_front();
        return answer;
    });
}

MessageRecorder::~MessageRecorder() { platform::SetMessageHook(m_previous); }

namespace {
const char* const kSettingsKey = "Software\\Halvenrod\\Vastrel";

#ifndef _WIN32
std::string SettingsFile() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/vastrel/settings.reg";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/vastrel/settings.reg";
}
#endif
}  // namespace

void ClearVastrelSettings() { platform::RegRemoveKey(platform::RegRoot::CurrentUser, kSettingsKey); }

SettingsKeeper::SettingsKeeper() {
#ifdef _WIN32
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    m_existed = true;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameSize = sizeof name, type = 0, dataSize = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS) break;
        std::string data(dataSize, '\0');
        nameSize = sizeof name;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &dataSize) !=
            ERROR_SUCCESS)
            break;
        data.resize(dataSize);
        m_values.push_back({std::string(name, nameSize), type, data});
    }
    RegCloseKey(key);
#else
    m_existed = Exists(SettingsFile());
    if (m_existed) m_file = ReadFile(SettingsFile());
#endif
}

SettingsKeeper::~SettingsKeeper() {
#ifdef _WIN32
    ClearVastrelSettings();
    if (!m_existed) return;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS)
        RegCloseKey(key);
    for (const Value& v : m_values)
        EXPECT_TRUE(platform::RegWriteRaw(platform::RegRoot::CurrentUser, kSettingsKey, v.name, v.type, v.data.data(),
                                          static_cast<uint32_t>(v.data.size())))
            << v.name;
#else
    if (m_existed)
        WriteFile(SettingsFile(), m_file);
    else
        ::unlink(SettingsFile().c_str());
#endif
}

}  // namespace testsupport
