#pragma once
// The console program's entry: chooses the road from the command line, reads
// the job and runs it.
#include <functional>
#include <string>
#include <vector>

#include "cli/parse.h"

namespace Vastrel2 {

// What the program returns to the one who started it.
enum KestrumExit : int {
    kExitDone = 0,             // usage shown, or every file processed
    kExitBadCommandLine = -1,  // neither "-xml" nor "-cl"
    kExitStartFailed = 1,      // the program could not start
    kExitRunFailed = 2,        // options refused, settings stopped the run, or a file failed
    kExitJobFileFailed = 3,    // the job file is missing or could not be read
};

// Runs the jobs one after another; true when every one of them did
// everything asked of it.
using BatchRunner = std::function<bool(const std::vector<ParseSettings*>& jobs)>;

// The whole program: `argv` as the process got it (program name first).
int KestrumMain(int argc, char** argv, const BatchRunner& run);

// The usage screen, with "\n" line ends.
std::string UsageText();

// Lowercases the letters A to Z of an argument, leaving both bytes of every
// two-byte character of the system's code page alone.
std::string LowerArgument(const std::string& argument);

}  // namespace Vastrel2
