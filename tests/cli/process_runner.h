#pragma once
// Starts a program, waits for it (never longer than a timeout, after which
// it is killed) and returns its exit code and what it printed.
#include <string>
#include <vector>

namespace clitest {

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = 0;  // as the system reports it: -1 on Windows is 255 elsewhere
    std::string out;   // standard output
    std::string err;   // standard error
};

// `asUser`, natively: the user id to run the program as (from a privileged
// test process); -1 keeps the test's own.
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         int timeoutSeconds = 180, int asUser = -1);

// Copies a file byte for byte; false on failure.
bool CopyFileBytes(const std::string& from, const std::string& to);

}  // namespace clitest
