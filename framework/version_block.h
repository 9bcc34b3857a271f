#pragma once
// Reads a file's version block: its fixed part and the strings of its first
// translation.
#include <windows.h>

#include <string>
#include <vector>

namespace ui {

class VersionBlock {
public:
    enum class Failure { None, NoBlock, Unreadable };

    // A full path, or a bare file name, which the system looks for as it
    // looks for libraries (the program's own folder first). False when the
    // file has no block or it cannot be read: Failed() tells which, and
    // Error() the system's error code.
    bool Load(const std::string& file);
    // The block of a loaded module (null: the module this code is linked
    // into, such as a library's own file inside another program).
    bool LoadModule(HMODULE module = nullptr);

    Failure Failed() const { return m_failure; }
    DWORD Error() const { return m_error; }
    // Null when no block is loaded or it has no fixed part.
    const VS_FIXEDFILEINFO* Fixed() const;
    // The first entry of the translation table; false when there is none.
    bool Translation(WORD& language, WORD& codePage) const;
    // A value of the first translation's string table ("ProductVersion",
    // "FileVersion", ...); empty when it is missing.
    std::string String(const std::string& name) const;

private:
    std::vector<unsigned char> m_block;
    Failure m_failure = Failure::None;
    DWORD m_error = 0;
};

}  // namespace ui
