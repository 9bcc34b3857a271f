#pragma once
#include <cstddef>
#include <cstdint>

namespace platform {

// Milliseconds since the system started (wraps after 49.7 days).
uint32_t TickCount();

// Fills the buffer from the operating system's cryptographic random source.
// Returns false only when that source fails.
bool RandomBytes(void* buffer, size_t count);

}  // namespace platform
