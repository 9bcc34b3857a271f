#include "platform/process.h"

#ifdef _WIN32
#include <windows.h>
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

bool IsLeadByte(unsigned char byte) {
#ifdef _WIN32
    return IsDBCSLeadByte(byte) != FALSE;
#else
    (void)byte;
    return false;
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

}  // namespace platform
