// The one-time initialisation that the toolchain's own runtime asks for
// inside this library, without the threads library.
//
// The 32-bit runtime registers the library's unwind tables when it loads,
// and guards the lock of that registry with pthread_once, on the thread that
// loads the library: inside Explorer one of Explorer's. The threads library
// answers pthread_once by making a record for that thread, with an event and
// a copy of the thread's handle, which nothing gives back when the library
// is unloaded. The link sends every call of pthread_once in the library here
// (-Wl,--wrap=pthread_once); this keeps nothing but the flag itself.
#include <windows.h>

#include <pthread.h>

namespace {

constexpr LONG kNotRun = PTHREAD_ONCE_INIT;
constexpr LONG kDone = 1;
constexpr LONG kRunning = 2;

}  // namespace

extern "C" int __wrap_pthread_once(pthread_once_t* once, void (*fn)(void)) {
    if (!once || !fn) return EINVAL;
    volatile LONG* state = reinterpret_cast<volatile LONG*>(once);
    static_assert(sizeof(pthread_once_t) == sizeof(LONG), "a once flag is one LONG");
    LONG seen = InterlockedCompareExchange(state, kRunning, kNotRun);
    if (seen == kNotRun) {
        fn();
        InterlockedExchange(state, kDone);
        return 0;
    }
    // Another thread runs it: wait until it is done.
    while (InterlockedCompareExchange(state, kDone, kDone) != kDone) SwitchToThread();
    return 0;
}
