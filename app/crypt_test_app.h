#pragma once
// The application object of Vastrel.exe. Its start-up takes the one file
// that may stand on the command line and picks the program's road: no file
// opens the main window with an empty project, a project file (".ecl" in its
// path, in any letter case) opens it with that project, an encrypted file is
// opened for editing, and any other file ends the program at once. A file
// that is missing, a folder or a path too long for the system is said so.
#include <windows.h>

#include <string>

#include "framework/app.h"

class CCryptTestApp : public ui::App {
public:
    CCryptTestApp();

    // Runs the road of the command line's file to its end; always FALSE, so
    // the program then ends.
    BOOL InitInstance();
    // The same for a given file name (empty: no file).
    BOOL Start(std::string file);

    // The road of an encrypted file: ask for the password, decrypt, open the
    // plain file with the program of its type and wait for it, encrypt it
    // again with the same password and hint, and shred the plain copy. The
    // plain copy is shredded only once the new encrypted file is complete.
    void OpenEncryptedFile(std::string path);

    // True when a running process's file name occurs in the program's path;
    // its name is left in processName.
    static bool IsProgramRunning(const std::string& programPath, std::string& processName);
    // The file name of an open process's program ("<unknown>" when the
    // system tells none).
    static std::string ProcessFileName(HANDLE process);
    // Starts the program on the file and waits for it to end; false when it
    // could not be started (also when there is no program).
    static bool RunAssociatedProgram(const std::string& filePath, const std::string& programPath);

    enum class ShellOpen {
        Waited,     // the shell started a process, which has ended
        NotWaited,  // opened, but the shell gave no process to wait for
        Failed,     // nothing opened the file
    };
    // Lets the shell open the file with its default verb and waits for the
    // process it reports.
    static ShellOpen OpenWithShellAndWait(const std::string& filePath);
};

// The file named on a command line: its first argument that is no option
// ("-x" or "/x"), without quotes; empty when there is none.
std::string GetCommandLineFileName(const char* commandLine);
