#include "bench/bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace bench {

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

#ifdef _WIN32

namespace {

// Present only under Wine: the host path of a Windows path.
using UnixNameFn = char*(CDECL*)(const WCHAR*);

UnixNameFn WineUnixName() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
                  : nullptr;
}

// Starts a program and waits for it; false when it does not start.
bool RunWindowsCommand(const std::string& commandLine, const std::string& output, int& exitCode) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(output.empty() ? "NUL" : output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA start;
    std::memset(&start, 0, sizeof start);
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = out;
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process);
    DWORD code = static_cast<DWORD>(-1);
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    exitCode = static_cast<int>(code);
    return started != 0;
}

// Under Wine the reference is the host's own program, and Wine neither waits
// for a host program nor learns its exit code. A host shell runs it and
// leaves its exit code in a marker file, which appears (renamed into place)
// only when the program has ended.
int RunHostCommand(const std::string& commandLine, const std::string& output) {
    static int serial = 0;
    const std::string marker = "bench-done-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    DeleteFileA(marker.c_str());
    const std::string hostMarker = HostPath(marker);
    const std::string hostOut = output.empty() ? std::string("/dev/null") : HostPath(output);
    const std::string line = "/bin/sh -c \"" + commandLine + " >'" + hostOut + "' 2>/dev/null; echo $? >'" +
                             hostMarker + ".part'; mv '" + hostMarker + ".part' '" + hostMarker + "'\"";
    int ignored = 0;
    if (!RunWindowsCommand(line, std::string(), ignored)) return -1;
    for (DWORD waited = 0; GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES; ++waited) {
        if (waited > 30 * 60 * 1000) return -1;  // half an hour: it is not coming
        Sleep(1);
    }
    int code = -1;
    if (std::FILE* f = std::fopen(marker.c_str(), "rb")) {
        if (std::fscanf(f, "%d", &code) != 1) code = -1;
        std::fclose(f);
    }
    DeleteFileA(marker.c_str());
    return code;
}

}  // namespace

int RunCommand(const std::string& commandLine, const std::string& output) {
    if (WineUnixName()) return RunHostCommand(commandLine, output);
    int code = -1;
    return RunWindowsCommand(commandLine, output, code) ? code : -1;
}

std::string HostPath(const std::string& path) {
    UnixNameFn unixName = WineUnixName();
    if (!unixName) return path;
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return path;
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, full, -1, wide, MAX_PATH)) return path;
    char* host = unixName(wide);
    if (!host) return path;
    std::string result = host;
    HeapFree(GetProcessHeap(), 0, host);
    return result;
}

#else

int RunCommand(const std::string& commandLine, const std::string& output) {
    std::string line = commandLine + " >" + (output.empty() ? std::string("/dev/null") : "'" + output + "'") +
                       " 2>/dev/null";
    int status = std::system(line.c_str());
    if (status == -1) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string HostPath(const std::string& path) { return path; }

#endif

double TimeCommand(const std::string& commandLine) {
    Clock::time_point start = Clock::now();
    int code = RunCommand(commandLine);
    double seconds = Seconds(start);
    return code == 0 ? seconds : -1;
}

const std::string& OpenSsl() {
    static const std::string found = [] {
        std::vector<std::string> candidates;
        if (const char* named = std::getenv("VASTREL_OPENSSL")) candidates.push_back(named);
        candidates.push_back("openssl");
        for (const std::string& candidate : candidates)
            if (RunCommand(candidate + " version") == 0) return candidate;
        return std::string();
    }();
    return found;
}

bool FlushFile(const std::string& path) {
    CFile file;
    return file.Open(path, CFile::modeReadWrite | CFile::shareDenyNone) && file.Flush();
}

std::string Ratio(double ours, double reference) {
    if (reference <= 0 || ours <= 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", ours / reference);
    return text;
}

void Touch(void* buffer, size_t size) {
    volatile unsigned char* bytes = static_cast<volatile unsigned char*>(buffer);
    for (size_t i = 0; i < size; i += 4096) bytes[i] = bytes[i];
}

int IntOption(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
    return fallback;
}

}  // namespace bench
