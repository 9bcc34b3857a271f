#pragma once
// Facts about the running program and the local clock.
#include <string>

namespace platform {

// Full path of the running program's own executable; empty when the system
// cannot tell.
std::string ModuleFilePath();

// True when the byte starts a two-byte character in the system's code page
// (always false where strings are UTF-8, whose parts never look like ASCII).
bool IsLeadByte(unsigned char byte);

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// The current local date and time.
LocalTime LocalNow();

}  // namespace platform
