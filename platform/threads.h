#pragma once
// Locks, condition variables and threads for code that every deliverable
// links.
//
// On Windows they are the system's own: a slim lock, a condition variable
// and a thread of the C runtime. The plug-in that Explorer loads and frees
// again links the same code, and the threads library of the toolchain keeps
// a record with two handles for every thread that touches it, on threads the
// plug-in does not own and for good: the system's primitives keep nothing
// beyond the object itself, and a lock or condition variable needs no
// destruction, so one may be a global that is used up to the module's end.
// Elsewhere they are the standard library's.
#ifndef _WIN32
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace platform {

class Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void Lock();
    void Unlock();

private:
    friend class ConditionVariable;
#ifdef _WIN32
    void* m_lock = nullptr;  // an SRWLOCK: one pointer, all zero when free
#else
    std::mutex m_lock;
#endif
};

// Holds the mutex while alive.
class MutexLock {
public:
    explicit MutexLock(Mutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~MutexLock() { m_mutex.Unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    friend class ConditionVariable;
    Mutex& m_mutex;
};

class ConditionVariable {
public:
    ConditionVariable() = default;
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;

    // Lets the held mutex go until woken, and holds it again on return.
    void Wait(MutexLock& held);
    // Waits until done() is true, tested with the mutex held.
    template <class Done>
    void Wait(MutexLock& held, Done done) {
        while (!done()) Wait(held);
    }
    void NotifyOne();
    void NotifyAll();

private:
#ifdef _WIN32
    void* m_condition = nullptr;  // a CONDITION_VARIABLE: one pointer, all zero when new
#else
    std::condition_variable m_condition;
#endif
};

// One thread that runs a function; joined at the latest when the object goes.
class Thread {
public:
    Thread() = default;
    ~Thread() { Join(); }
    Thread(Thread&& other) noexcept;
    Thread& operator=(Thread&& other) noexcept;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts fn(arg) on a new thread; false when the system refuses one.
    // Whatever fn throws ends there. Only a thread that is not running may
    // be started.
    bool Start(void (*fn)(void*), void* arg);
    // Waits for the thread to end; returns at once when none runs.
    void Join();

private:
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    std::thread m_thread;
#endif
};

// The processors this process may run on (at least 1).
unsigned HardwareThreads();

#ifdef _WIN32
// Starts fn(arg) on a thread of the C runtime: the thread's handle, which the
// caller closes, or null when the system refuses one. What fn throws is
// reported to the debugger and goes no further.
void* StartSystemThread(void (*fn)(void*), void* arg);
#endif

}  // namespace platform
