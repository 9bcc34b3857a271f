#pragma once
// The per-user store of named 32-bit values.
//
// On Windows this is the registry. Elsewhere it is a text file of the same
// shape (key paths and value names kept as they are), at
// $XDG_CONFIG_HOME/vastrel/settings.reg or ~/.config/vastrel/settings.reg,
// rewritten atomically on every change.
#include <cstdint>
#include <string>

namespace platform {

enum class RegRoot { CurrentUser, LocalMachine };

// Reads up to four bytes of the value into `value` (the value's type is not
// looked at; bytes beyond the stored length keep what `value` held). False
// when the key or the value is missing, or the value is longer than 4 bytes.
bool RegReadDword(RegRoot root, const std::string& subKey, const std::string& name, uint32_t& value);

// Creates the key when needed and stores the value as a 4-byte DWORD.
bool RegWriteDword(RegRoot root, const std::string& subKey, const std::string& name, uint32_t value);

// Stores raw bytes with a type code (REG_BINARY = 3, REG_SZ = 1, REG_DWORD = 4).
bool RegWriteRaw(RegRoot root, const std::string& subKey, const std::string& name, uint32_t type,
                 const void* data, uint32_t size);

bool RegRemoveValue(RegRoot root, const std::string& subKey, const std::string& name);

// Removes the key and everything under it.
bool RegRemoveKey(RegRoot root, const std::string& subKey);

}  // namespace platform
