#pragma once
// The application object of Vastrel.exe. Its start-up takes the one file
// that may stand on the command line and picks the program's road: no file
// opens the main window with an empty project, a project file opens it with
// that project, an encrypted file is opened for editing, and any other file
// ends the program at once.
#include <windows.h>

#include <string>

#include "ui/app.h"

class CCryptTestApp : public ui::App {
public:
    CCryptTestApp();

    // Runs the chosen road to its end; always FALSE, so the program then ends.
    BOOL InitInstance();

private:
    // The road of an encrypted file: decrypt, edit, encrypt again.
    void OpenEncryptedFile(std::string path);
};

// The file named on a command line: its first argument that is no option
// ("-x" or "/x"), without quotes; empty when there is none.
std::string GetCommandLineFileName(const char* commandLine);
