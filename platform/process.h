#pragma once
// Facts about the running program and the local clock, and starting other
// programs (tests answer these through the hooks, so no test starts one).
#include <functional>
#include <string>

namespace platform {

// Full path of the running program's own executable; empty when the system
// cannot tell.
std::string ModuleFilePath();

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// The current local date and time.
LocalTime LocalNow();

struct ProgramStart {
    enum class Kind {
        Create,  // CreateProcess: application (may be empty) and command line
        Shell,   // ShellExecuteEx: the document with its default verb
    };
    Kind kind = Kind::Create;
    std::string application;
    std::string commandLine;
    std::string file;
    std::string parameters;
    bool wait = false;  // return only when the started process has ended
    // Set when the start succeeds: true when a started process was waited
    // for, false when there was none to wait for (the shell handed the
    // document to a program that was already running) or wait was not asked.
    bool* waited = nullptr;
};
// True when the program started (and, with wait, has ended). Only Windows
// starts programs; elsewhere the answer is false.
bool StartProgram(const ProgramStart& start);
// The program the shell associates with a document (FindExecutable); empty
// when there is none.
std::string AssociatedProgram(const std::string& file);

using ProgramHook = std::function<bool(const ProgramStart&)>;
using AssociationHook = std::function<std::string(const std::string& file)>;
// Install hooks that answer in place of the system; an empty hook restores
// it. Each returns the previous hook.
ProgramHook SetProgramHook(ProgramHook hook);
AssociationHook SetAssociationHook(AssociationHook hook);

}  // namespace platform
