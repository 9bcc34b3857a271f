#pragma once
// Shared by the window and dialog code: taking over a window from the very
// first message of its creation.
#include <windows.h>

#include <functional>

#include "framework/window.h"

namespace ui {

// A pointer of each thread, kept in a slot of the system's own. A
// thread_local of the C++ runtime would leave a record of the threads
// library, and a block of memory, on every thread that touched it; inside
// Explorer those threads are not the plug-in's, and both would stay after the
// plug-in is unloaded. Meant for globals: built before any code runs, the
// slot taken at the first use and given back when the module ends.
template <class T>
class ThreadPointer {
public:
    constexpr ThreadPointer() = default;
    ~ThreadPointer() {
        if (m_slot != kNoSlot) TlsFree(static_cast<DWORD>(m_slot));
    }
    ThreadPointer(const ThreadPointer&) = delete;
    ThreadPointer& operator=(const ThreadPointer&) = delete;

    // Null on a thread that set none (and when the system has no slot left).
    T* Get() {
        LONG slot = Slot();
        return slot == kNoSlot ? nullptr : static_cast<T*>(TlsGetValue(static_cast<DWORD>(slot)));
    }
    void Set(T* value) {
        LONG slot = Slot();
        if (slot != kNoSlot) TlsSetValue(static_cast<DWORD>(slot), value);
    }

private:
    static constexpr LONG kNoSlot = -1;  // TLS_OUT_OF_INDEXES

    LONG Slot() {
        LONG slot = m_slot;
        if (slot != kNoSlot) return slot;
        DWORD made = TlsAlloc();
        if (made == TLS_OUT_OF_INDEXES) return kNoSlot;
        LONG before = InterlockedCompareExchange(&m_slot, static_cast<LONG>(made), kNoSlot);
        if (before == kNoSlot) return static_cast<LONG>(made);
        TlsFree(made);  // another thread was first
        return before;
    }

    volatile LONG m_slot = kNoSlot;
};

// A creation on this thread whose window belongs to an object; matches
// tells the window apart from others made on the way.
struct PendingCreation {
    Window* window;
    std::function<bool(HWND, const CREATESTRUCTA&)> matches;
};

// While alive, the matching window of the pending creation is subclassed by
// its object as soon as the system makes it.
class CreationScope {
public:
    explicit CreationScope(PendingCreation& pending);
    ~CreationScope();
    CreationScope(const CreationScope&) = delete;
    CreationScope& operator=(const CreationScope&) = delete;

private:
    HHOOK m_hook;
    PendingCreation* m_saved;
};

}  // namespace ui
