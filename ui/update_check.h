#pragma once
// Asks the maker's web site whether a newer build exists: fetches a short
// text ("update.txt", fields separated by '|', field 1 the latest build
// number), compares that number with the build number of the running
// module's own version block (the low half of its file version) and, when
// the site's is higher, offers to start the separate updater
// "VastrelUpdate.exe". Used by the main program and, with the updater's
// folder set to its own, by the Explorer plug-in.
//
// Every box has the caption "Vastrel 2" and is owned by the thread's main
// window (or whatever modal window is active over it), none without one.
// The request runs on the calling thread with connect and receive time-outs
// of a few seconds, so a dead server cannot freeze the window for long.
#include <windows.h>

#include <cstdint>
#include <string>

namespace Vastrel2 {
namespace Utils {

// The update text on the maker's web site (the doubled slashes are part of
// the address as the site serves it).
extern const char kUpdateTextUrl[];
// The updater's program file.
extern const char kUpdaterProgram[];

class CUpdateCheck {
public:
    CUpdateCheck();
    virtual ~CUpdateCheck();
    CUpdateCheck(const CUpdateCheck&) = delete;
    CUpdateCheck& operator=(const CUpdateCheck&) = delete;

    // The updater is started from this folder instead of being searched for
    // (the system's search starts in the running program's own folder).
    void SetUpdaterFolder(const std::string& folder);

    // The running module's file version: dwFileVersionMS and dwFileVersionLS.
    // FALSE when the module has no readable version block.
    BOOL GetOwnVersion(DWORD& ms, DWORD& ls);

    // Fetches the text at url and acts on it. With showAlways the user also
    // hears when there is nothing new or the site cannot be reached; the
    // question about a newer build is asked in any case. A module without a
    // version block checks nothing and says nothing.
    void CheckForUpdate(const std::string& url, BOOL showAlways);

    // Starts the updater without arguments and without waiting for it;
    // a failure is reported with a box.
    void StartUpdater();

    // The command line StartUpdater uses: the updater's path in quotes (its
    // folder may hold blanks), then one blank and no arguments.
    std::string UpdaterCommandLine() const;

    // How long a connection, a request or a reply may stall.
    static constexpr DWORD kTimeoutMilliseconds = 5000;
    // The most of the reply that is looked at.
    static constexpr size_t kMaxReply = 511;

private:
    std::string m_folder;
    BOOL m_folderSet = FALSE;
};

// The build number of an update text: field 1 (the text between the first
// and the second '|', or to the end), read as decimal digits after leading
// blanks up to the first other character. A field that does not start with
// a digit (a sign, a letter, nothing) gives 0; a number beyond 32 bits gives
// the largest one. The text ends at its first zero byte.
uint32_t ParseLatestBuild(const std::string& text);

}  // namespace Utils
}  // namespace Vastrel2
