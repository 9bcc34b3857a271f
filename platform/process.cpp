#include "platform/process.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>

#include <vector>
#else
#include <time.h>
#include <unistd.h>

#include <climits>
#endif

namespace platform {

std::string ModuleFilePath() {
#ifdef _WIN32
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(path, n) : std::string();
#else
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    return n > 0 && static_cast<size_t>(n) < sizeof path ? std::string(path, static_cast<size_t>(n)) : std::string();
#endif
}

LocalTime LocalNow() {
    LocalTime t;
#ifdef _WIN32
    SYSTEMTIME st;
    GetLocalTime(&st);
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
#else
    time_t now = time(nullptr);
    struct tm parts {};
    localtime_r(&now, &parts);
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
#endif
    return t;
}

namespace {

ProgramHook g_programHook;
AssociationHook g_associationHook;

}  // namespace

ProgramHook SetProgramHook(ProgramHook hook) {
    ProgramHook previous = std::move(g_programHook);
    g_programHook = std::move(hook);
    return previous;
}

AssociationHook SetAssociationHook(AssociationHook hook) {
    AssociationHook previous = std::move(g_associationHook);
    g_associationHook = std::move(hook);
    return previous;
}

bool StartProgram(const ProgramStart& start) {
    if (g_programHook) return g_programHook(start);
#ifdef _WIN32
    HANDLE process = nullptr;
    if (start.kind == ProgramStart::Kind::Create) {
        // The call may write into the command line.
        std::vector<char> line(start.commandLine.begin(), start.commandLine.end());
        line.push_back('\0');
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(start.application.empty() ? nullptr : start.application.c_str(), line.data(), nullptr,
                            nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            return false;
        }
        CloseHandle(pi.hThread);
        process = pi.hProcess;
    } else {
        SHELLEXECUTEINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpFile = start.file.c_str();
        info.lpParameters = start.parameters.c_str();
        info.nShow = SW_SHOW;
        if (!ShellExecuteExA(&info)) return false;
        process = info.hProcess;  // none when the document went to a running program
    }
    if (process) {
        if (start.wait) WaitForSingleObject(process, INFINITE);
        CloseHandle(process);
    }
    if (start.waited) *start.waited = process && start.wait;
    return true;
#else
    return false;
#endif
}

std::string AssociatedProgram(const std::string& file) {
    if (g_associationHook) return g_associationHook(file);
#ifdef _WIN32
    char program[MAX_PATH + 1] = {};
    HINSTANCE result = FindExecutableA(file.c_str(), nullptr, program);
    return reinterpret_cast<INT_PTR>(result) > 32 ? std::string(program) : std::string();
#else
    return {};
#endif
}

}  // namespace platform
