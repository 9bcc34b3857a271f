#ifdef _WIN32
#include <windows.h>
#else
#include <sys/random.h>
#include <time.h>

#include <cerrno>
#include <cstring>
#endif

#include "platform/system.h"

// Every build computes doubles alike: a 32-bit x86 build must do its floating
// point on SSE2 (the top-level CMakeLists.txt sets the flags for everything).
#if defined(__i386__) && !defined(__SSE2_MATH__)
#error "32-bit x86 builds must compute floating point with -msse2 -mfpmath=sse"
#endif

#include <atomic>

namespace platform {

namespace {
std::atomic<MessagePump> g_pump{nullptr};
}  // namespace

void SetMessagePump(MessagePump pump) { g_pump.store(pump); }

bool PumpWaitingMessages() {
    if (MessagePump pump = g_pump.load()) return pump();
#ifdef _WIN32
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
#endif
    return true;
}

bool NativeFileControlAvailable() {
#ifdef _WIN32
    if (GetVersion() & 0x80000000u) return true;  // not the NT family: nothing to look for
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "NtFsControlFile") && GetProcAddress(ntdll, "RtlNtStatusToDosError");
#else
    return true;
#endif
}

std::string SystemErrorText(unsigned long code) {
#ifdef _WIN32
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = (n && text) ? std::string(text, n) : std::string();
    if (text) LocalFree(text);
    return result;
#else
    char buffer[256] = {0};
    // The GNU variant may return a static text instead of filling the buffer.
    const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
    return text ? std::string(text) : std::string(buffer);
#endif
}

uint32_t TickCount() {
#ifdef _WIN32
    return GetTickCount();
#else
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
#endif
}

bool RandomBytes(void* buffer, size_t count) {
#ifdef _WIN32
    // RtlGenRandom, exported by advapi32 under this name since Windows XP.
    // The library is one this code links, so it is loaded already; looked up
    // on every call, since a guarded static would touch the threads library.
    using GenRandom = BOOLEAN(WINAPI*)(PVOID, ULONG);
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    GenRandom gen = advapi ? reinterpret_cast<GenRandom>(
                                 reinterpret_cast<void*>(GetProcAddress(advapi, "SystemFunction036")))
                           : nullptr;
    return gen && gen(buffer, static_cast<ULONG>(count));
#else
    char* p = static_cast<char*>(buffer);
    while (count > 0) {
        ssize_t got = getrandom(p, count, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        count -= static_cast<size_t>(got);
    }
    return true;
#endif
}

std::string NarrowFromWide(const std::u16string& text) {
    if (text.empty()) return {};
#ifdef _WIN32
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
    int length = static_cast<int>(text.size());
    int n = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide, length, &out[0], n, nullptr, nullptr);
    return out;
#else
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    return out;
#endif
}

bool ModuleResource(unsigned id, const char* type, const void** data, size_t* size) {
#ifdef _WIN32
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&ModuleResource), &module)) {
        return false;
    }
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return false;
    const void* bytes = LockResource(loaded);
    if (!bytes) return false;
    *data = bytes;
    *size = SizeofResource(module, found);
    return true;
#else
    (void)id;
    (void)type;
    (void)data;
    (void)size;
    return false;
#endif
}

}  // namespace platform
