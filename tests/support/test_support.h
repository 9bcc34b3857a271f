#pragma once
// Helpers shared by the tests of both builds: temporary folders, whole-file
// reads and writes, a recorder that answers message boxes, and a clean
// settings store.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // Path of an entry inside the folder (joined with the platform separator).
    std::string operator/(const std::string& name) const;

private:
    std::string m_path;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
bool Exists(const std::string& path);
void MakeDir(const std::string& path);
// Names in a folder, sorted, without "." and "..".
std::vector<std::string> ListDir(const std::string& path);
// `size` bytes of a fixed pseudo-random sequence chosen by `seed`.
std::string Bytes(size_t size, unsigned seed);

// Answers every message box while alive and keeps what was asked. Answers
// come from respond when it is set (a test acts there while the box is
// up), else from the queue, then the box's default answer.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<platform::MessageRequest> messages;
    std::deque<int> answers;
    std::function<int(const platform::MessageRequest&)> respond;

private:
    platform::MessageHook m_previous;
};

// A symbolic link made for a test and removed again when the object goes
// (the link itself, never what it leads to). Under Wine, which does not make
// links itself, the host's own "ln" makes it. Made() is false where the
// system allows none.
class SymbolicLink {
public:
    SymbolicLink(const std::string& target, const std::string& link);
    ~SymbolicLink();
    SymbolicLink(const SymbolicLink&) = delete;
    SymbolicLink& operator=(const SymbolicLink&) = delete;
    bool Made() const { return m_made; }

private:
    std::string m_link;
    bool m_made = false;
};

// A second name for a file (a hard link); false where the file system
// allows none.
bool MakeHardLink(const std::string& target, const std::string& link);
// The short 8.3 alias of an existing path on Windows; empty where there is
// none, or where it is spelt as the path itself.
std::string ShortAlias(const std::string& path);

// Makes folders of 60 characters one inside the other below `base` until
// one lies too deep for the path limit to list it (the longest path whose
// search pattern still fits). Returns the deepest folder that can be listed;
// `tooDeep` receives the one below it.
std::string MakeFoldersPastThePathLimit(const std::string& base, std::string& tooDeep);

// Makes `folder` the process's current folder while alive.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder);
    ~CurrentFolder();
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

private:
    std::string m_previous;
};

#ifdef _WIN32
// Another process that holds a file open, as a program the user works with
// does, with the sharing given by the letters r, w and d (read, write,
// delete; "" for none) until it is ended: by Release, or when the object
// goes. Holding() is false when it could not open the file.
class FileHolder {
public:
    FileHolder(const std::string& path, const std::string& share);
    ~FileHolder() { Release(); }
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
    bool Holding() const { return m_holding; }
    void Release();

private:
    void* m_process = nullptr;
    bool m_holding = false;
};

// A file of the tests of files in use: how another program holds it (the
// letters FileHolder takes; nullptr: nobody) and whether it is read-only.
struct FileInUse {
    const char* name;
    const char* share;
    bool readOnly;
};
// "a shared.txt" shared for reading and writing, "b deletable.txt" for
// deleting too, "c exclusive.txt" not shared at all, "d readonly.txt"
// read-only and shared for reading and writing, and "e failing.txt", which
// nobody holds (the tests make the disk fail under it).
const std::vector<FileInUse>& FilesInUse();
// Makes the files of `folder` read-only where asked and has them held as
// asked, until the holders go.
std::vector<std::unique_ptr<FileHolder>> HoldFiles(const std::string& folder, const std::vector<FileInUse>& files);
#endif

// Removes the key "Software\Halvenrod\Vastrel" and all its values.
void ClearVastrelSettings();

// Keeps the stored settings as they are when it is made and puts exactly
// those back when it goes (values, types and bytes; no key when there was
// none), whatever the test stored meanwhile.
class SettingsKeeper {
public:
    SettingsKeeper();
    ~SettingsKeeper();
    SettingsKeeper(const SettingsKeeper&) = delete;
    SettingsKeeper& operator=(const SettingsKeeper&) = delete;

private:
    struct Value {
        std::string name;
        uint32_t type;
        std::string data;
    };
    bool m_existed = false;
    std::vector<Value> m_values;  // Windows: the key's values
    std::string m_file;           // elsewhere: the settings file's bytes
};

// A fixture whose tests start with no stored settings and leave the settings
// they found.
class CleanSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ClearVastrelSettings(); }

private:
    SettingsKeeper m_keeper;  // made before SetUp, gone after TearDown
};

}  // namespace testsupport
