#pragma once
// The menu's verbs, each run to its end on the calling (Explorer's) thread
// with its dialogs and boxes owned by no window of Explorer's.
#include <windows.h>

#include <string>
#include <vector>

// Runs the verb of the menu offset (0 to 7) over the selection. S_OK once it
// has run (its own failures are reported by its dialogs); an error when it
// could not run at all.
HRESULT RunVerb(UINT offset, const std::vector<std::string>& paths);
