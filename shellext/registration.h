#pragma once
// What registering the library writes and unregistering removes: the keys
// of its registration table under HKEY_CLASSES_ROOT, its type library, and
// its entry in Explorer's list of approved shell extensions.
#include <windows.h>

#include <string>

// Registers the server: with the approved-list key writable (on Windows NT),
// the table with "%MODULE%" as the library's full path, then the type
// library from the library's own resources, then the approved entry. S_OK,
// E_ACCESSDENIED (the approved list cannot be written: nothing is written
// anywhere), or the error of the step that failed (what was written is taken
// away again).
HRESULT RegisterServer(const std::wstring& modulePath);
// Removes the approved entry (its absence is no failure), the table's keys
// by their rules and the type library. S_OK or the first error met.
HRESULT UnregisterServer(const std::wstring& modulePath);

// The machine-wide list of approved shell extensions.
constexpr char kApprovedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
