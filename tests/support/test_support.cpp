#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
    if (!RemoveDirectoryA(path.c_str())) {
        std::wstring wide = L"\\\\?\\" + std::wstring(path.begin(), path.end());  // past the path limit
        RemoveDirectoryW(wide.c_str());
    }
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

std::string MakeFoldersPastThePathLimit(const std::string& base, std::string& tooDeep) {
    std::string listable;
    tooDeep = base;
    while (tooDeep.size() + 4 <= platform::kMaxPath) {
        listable = tooDeep;
        tooDeep += platform::kPathSep + std::string(60, 'd');
#ifdef _WIN32
        std::wstring wide = L"\\\\?\\" + std::wstring(tooDeep.begin(), tooDeep.end());  // test paths are ASCII
        EXPECT_TRUE(CreateDirectoryW(wide.c_str(), nullptr)) << tooDeep;
#else
        EXPECT_EQ(0, ::mkdir(tooDeep.c_str(), 0755)) << tooDeep;
#endif
    }
    return listable;
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

#ifdef _WIN32
// Wine's own exports: the host's path of a Windows path, and back.
std::string HostPath(const std::string& path) {
    using ToHost = char*(CDECL*)(const wchar_t*);
    auto toHost = reinterpret_cast<ToHost>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toHost) return std::string();
    std::wstring wide(path.begin(), path.end());  // test paths are ASCII
    char* host = toHost(wide.c_str());
    std::string result = host ? host : "";
    if (host) HeapFree(GetProcessHeap(), 0, host);
    return result;
}

// Starts one of the host's programs under Wine (which starts them like its
// own, but cannot wait for them), then waits until `done` holds; true when
// it does within ten seconds.
bool RunHostProgram(const char* program, const std::string& arguments, const std::function<bool()>& done) {
    using ToWindows = wchar_t*(CDECL*)(const char*);
    auto toWindows = reinterpret_cast<ToWindows>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (!toWindows) return false;
    wchar_t* windowsPath = toWindows(program);
    if (!windowsPath) return false;
    std::wstring application = windowsPath;
    HeapFree(GetProcessHeap(), 0, windowsPath);
    std::string line = std::string(program) + " " + arguments;
    std::wstring wideLine(line.begin(), line.end());
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(application.c_str(), &wideLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    // For a host program Wine gives no process handle, and what it leaves in
    // place of the thread's is no handle of that program: closing it could
    // close any other handle of this process.
    if (pi.hProcess) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    for (int waited = 0; waited < 10000; waited += 20) {
        if (done()) return true;
        Sleep(20);
    }
    return done();
}
#endif

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

bool MakeHardLink(const std::string& target, const std::string& link) {
#ifdef _WIN32
    return CreateHardLinkA(link.c_str(), target.c_str(), nullptr) != FALSE;
#else
    return ::link(target.c_str(), link.c_str()) == 0;
#endif
}

std::string ShortAlias(const std::string& path) {
#ifdef _WIN32
    char alias[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), alias, sizeof alias);
    if (n == 0 || n >= sizeof alias || std::string(alias, n) == path) return std::string();
    return std::string(alias, n);
#else
    (void)path;
    return std::string();
#endif
}

SymbolicLink::SymbolicLink(const std::string& target, const std::string& link) : m_link(link) {
#ifdef _WIN32
    DWORD flags = (GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY) ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
    m_made = CreateSymbolicLinkA(link.c_str(), target.c_str(), flags) && platform::IsLink(link);
    if (!m_made) {
        const size_t sep = link.find_last_of('\\');
        const std::string hostTarget = HostPath(target), hostFolder = HostPath(link.substr(0, sep));
        if (!hostTarget.empty() && !hostFolder.empty())
            m_made = RunHostProgram("/bin/ln", "-s \"" + hostTarget + "\" \"" + hostFolder + "/" + link.substr(sep + 1) + "\"",
                                    [&] { return platform::IsLink(link); });
    }
#else
    m_made = ::symlink(target.c_str(), link.c_str()) == 0;
#endif
}

SymbolicLink::~SymbolicLink() {
    if (!m_made) return;
#ifdef _WIN32
    // Wine would remove what the link leads to: the host removes the link.
    const size_t sep = m_link.find_last_of('\\');
    const std::string hostFolder = HostPath(m_link.substr(0, sep));
    const std::string link = m_link;
    if (!hostFolder.empty() && RunHostProgram("/bin/rm", "-f \"" + hostFolder + "/" + m_link.substr(sep + 1) + "\"",
                                              [&] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; }))
        return;
    if (!RemoveDirectoryA(m_link.c_str())) DeleteFileA(m_link.c_str());
#else
    ::unlink(m_link.c_str());
#endif
}

CurrentFolder::CurrentFolder(const std::string& folder) : m_previous(std::filesystem::current_path().string()) {
    std::filesystem::current_path(folder);
}

CurrentFolder::~CurrentFolder() { std::filesystem::current_path(m_previous); }

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

#ifdef _WIN32
FileHolder::FileHolder(const std::string& path, const std::string& share) {
    std::string program = VASTREL_FILE_HOLDER;
    if (program[0] == '/') program = "Z:" + program;
    std::replace(program.begin(), program.end(), '/', '\\');
    static int count = 0;
    const std::string event = "VastrelFileHolder-" + std::to_string(GetCurrentProcessId()) + "-" +
                              std::to_string(++count);
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, event.c_str());
    std::string line = "\"" + program + "\" \"" + path + "\" " + (share.empty() ? "-" : share) + " " + event;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (ready && CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        m_process = pi.hProcess;
        HANDLE either[2] = {ready, pi.hProcess};
        m_holding = WaitForMultipleObjects(2, either, FALSE, 30000) == WAIT_OBJECT_0;
    }
    if (ready) CloseHandle(ready);
    EXPECT_TRUE(m_holding) << "no holder for " << path;
}

void FileHolder::Release() {
    if (!m_process) return;
    TerminateProcess(m_process, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_process, 30000));
    CloseHandle(m_process);
    m_process = nullptr;
    m_holding = false;
}

const std::vector<FileInUse>& FilesInUse() {
    static const std::vector<FileInUse> files = {{"a shared.txt", "rw", false},
                                                 {"b deletable.txt", "rwd", false},
                                                 {"c exclusive.txt", "", false},
                                                 {"d readonly.txt", "rw", true},
                                                 {"e failing.txt", nullptr, false}};
    return files;
}

std::vector<std::unique_ptr<FileHolder>> HoldFiles(const std::string& folder, const std::vector<FileInUse>& files) {
    std::vector<std::unique_ptr<FileHolder>> holders;
    for (const FileInUse& f : files) {
        const std::string path = folder + "\\" + f.name;
        if (f.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        if (f.share) holders.push_back(std::make_unique<FileHolder>(path, f.share));
    }
    return holders;
}
#endif

std::string Bytes(size_t size, unsigned seed) {
    std::string data(size, '\0');
    for (char& c : data) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    return data;
}

}  // namespace testsupport
