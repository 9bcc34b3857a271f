#pragma once
// Shared by the window and dialog code: taking over a window from the very
// first message of its creation.
#include <windows.h>

#include <functional>

#include "ui/window.h"

namespace ui {

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
