#include "platform/threads.h"

#ifdef _WIN32
#include <windows.h>

#include <process.h>
#endif

#include <exception>
#include <new>
#include <string>

namespace platform {

#ifdef _WIN32

static_assert(sizeof(SRWLOCK) == sizeof(void*), "a slim lock is one pointer");
static_assert(sizeof(CONDITION_VARIABLE) == sizeof(void*), "a condition variable is one pointer");

void Mutex::Lock() { AcquireSRWLockExclusive(reinterpret_cast<SRWLOCK*>(&m_lock)); }

void Mutex::Unlock() { ReleaseSRWLockExclusive(reinterpret_cast<SRWLOCK*>(&m_lock)); }

void ConditionVariable::Wait(MutexLock& held) {
    SleepConditionVariableSRW(reinterpret_cast<CONDITION_VARIABLE*>(&m_condition),
                              reinterpret_cast<SRWLOCK*>(&held.m_mutex.m_lock), INFINITE, 0);
}

void ConditionVariable::NotifyOne() { WakeConditionVariable(reinterpret_cast<CONDITION_VARIABLE*>(&m_condition)); }

void ConditionVariable::NotifyAll() {
    WakeAllConditionVariable(reinterpret_cast<CONDITION_VARIABLE*>(&m_condition));
}

namespace {

struct ThreadStart {
    void (*fn)(void*);
    void* arg;
};

unsigned __stdcall ThreadEntry(void* p) {
    ThreadStart start = *static_cast<ThreadStart*>(p);
    delete static_cast<ThreadStart*>(p);
    try {
        start.fn(start.arg);
    } catch (const std::exception& e) {
        OutputDebugStringA((std::string("Vastrel: thread: ") + e.what() + "\n").c_str());
    } catch (...) {
        OutputDebugStringA("Vastrel: thread: unknown error\n");
    }
    return 0;
}

}  // namespace

void* StartSystemThread(void (*fn)(void*), void* arg) {
    ThreadStart* start = new (std::nothrow) ThreadStart{fn, arg};
    if (!start) return nullptr;
    uintptr_t handle = _beginthreadex(nullptr, 0, &ThreadEntry, start, 0, nullptr);
    if (!handle) delete start;
    return reinterpret_cast<void*>(handle);
}

Thread::Thread(Thread&& other) noexcept : m_handle(other.m_handle) { other.m_handle = nullptr; }

Thread& Thread::operator=(Thread&& other) noexcept {
    if (this != &other) {
        Join();
        m_handle = other.m_handle;
        other.m_handle = nullptr;
    }
    return *this;
}

bool Thread::Start(void (*fn)(void*), void* arg) {
    if (m_handle) return false;
    m_handle = StartSystemThread(fn, arg);
    return m_handle != nullptr;
}

void Thread::Join() {
    if (!m_handle) return;
    WaitForSingleObject(static_cast<HANDLE>(m_handle), INFINITE);
    CloseHandle(static_cast<HANDLE>(m_handle));
    m_handle = nullptr;
}

unsigned HardwareThreads() {
    DWORD_PTR process = 0, system = 0;
    unsigned count = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) {
        for (; process; process &= process - 1) ++count;
    }
    if (count == 0) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        count = info.dwNumberOfProcessors;
    }
    return count > 0 ? count : 1;
}

#else

void Mutex::Lock() { m_lock.lock(); }

void Mutex::Unlock() { m_lock.unlock(); }

void ConditionVariable::Wait(MutexLock& held) {
    std::unique_lock<std::mutex> lock(held.m_mutex.m_lock, std::adopt_lock);
    m_condition.wait(lock);
    lock.release();  // still held, by the caller's MutexLock
}

void ConditionVariable::NotifyOne() { m_condition.notify_one(); }

void ConditionVariable::NotifyAll() { m_condition.notify_all(); }

Thread::Thread(Thread&& other) noexcept : m_thread(std::move(other.m_thread)) {}

Thread& Thread::operator=(Thread&& other) noexcept {
    if (this != &other) {
        Join();
        m_thread = std::move(other.m_thread);
    }
    return *this;
}

bool Thread::Start(void (*fn)(void*), void* arg) {
    if (m_thread.joinable()) return false;
    try {
        m_thread = std::thread([fn, arg] {
            try {
                fn(arg);
            } catch (...) {
            }
        });
    } catch (...) {
        return false;
    }
    return true;
}

void Thread::Join() {
    if (m_thread.joinable()) m_thread.join();
}

unsigned HardwareThreads() {
    unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? count : 1;
}

#endif

}  // namespace platform
