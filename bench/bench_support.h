#pragma once
// Shared by the benchmark programs: clocks and medians, and the reference
// program (OpenSSL's command-line tool) started and timed from the same run,
// natively or, under Wine, as the host's own program.
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double Median(std::vector<double> values);

// Runs a command line to its end; its standard output goes to `output` when
// that is not empty. Returns the exit code, or -1 when it could not start.
int RunCommand(const std::string& commandLine, const std::string& output = std::string());

// Wall time of one run of a command line; negative when it did not start.
double TimeCommand(const std::string& commandLine);

// The reference program's command, or "" when there is none on this system
// (the environment variable VASTREL_OPENSSL names it explicitly).
const std::string& OpenSsl();

// The path as the reference program sees it: under Wine the host's path of
// the file, elsewhere the path itself.
std::string HostPath(const std::string& path);

// Pushes a file that another program wrote to the disk.
bool FlushFile(const std::string& path);

// "ours / reference" as a text, or "-" without a reference.
std::string Ratio(double ours, double reference);

// Writes every page of a buffer once more, untimed. Under Wine, starting the
// reference program forks this process, and the first write to each page
// afterwards faults: that cost must not be timed as ours.
void Touch(void* buffer, size_t size);

// Options of the form "--name value" after the positional arguments.
int IntOption(int argc, char** argv, const char* name, int fallback);

}  // namespace bench
