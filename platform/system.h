#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Milliseconds since the system started (wraps after 49.7 days).
uint32_t TickCount();

// Fills the buffer from the operating system's cryptographic random source.
// Returns false only when that source fails.
bool RandomBytes(void* buffer, size_t count);

// Runs every message waiting in the calling thread's queue through the
// application's message pump. Returns false when the application is quitting
// (the quit message stays queued for the main loop). Natively there is no
// queue and it returns true at once.
bool PumpWaitingMessages();

// True when the system offers the native file-system control calls the
// shredder relies on (on Windows NT: ntdll exports NtFsControlFile and
// RtlNtStatusToDosError). Systems without such a layer meet it at once.
bool NativeFileControlAvailable();

// The system's own text for an error code of a failed file call
// (GetLastError on Windows, errno elsewhere), as the system words it.
std::string SystemErrorText(unsigned long code);

// Text of 16-bit characters in the system's code page (Windows: the ANSI
// code page, as the system converts it; elsewhere characters beyond one
// byte become '?').
std::string NarrowFromWide(const std::u16string& text);

// A resource of the module this code is linked into (the library's own
// inside a DLL), by numeric id and type name: its bytes stay valid while
// the module is loaded. False when it is missing, and always natively.
bool ModuleResource(unsigned id, const char* type, const void** data, size_t* size);

// The window framework installs its own pump (one that runs its pre-translate
// chain); without one, messages are translated and dispatched plainly.
using MessagePump = bool (*)();
void SetMessagePump(MessagePump pump);

}  // namespace platform
