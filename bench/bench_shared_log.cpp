// A long decrypt run of the console program over a tree of one-byte plain
// files (three log lines a file), alone and beside a stream of short runs of
// the real program from the same program folder, which share its run log
// "Vastrel.log": a short run starts every 20 ms and takes the log's place.
//
//   alone    the long run with nothing beside it
//   beside   the same run while the short runs start and end
//
// The target: beside at most 1.5 times alone. The long run is the
// benchmark's own (the console program's run, in this process); the short
// runs are a copy of the program in a folder of the benchmark's, beside the
// log. The long run ends last, so its log must then hold every one of its
// lines, once and in order: that is checked after every run.
//
// Not a test: run it by hand.   bench_shared_log [folder] [--files N] [--runs N]
// The tree (default 800,000 files), the program's folder and the log are
// made in the folder (default: the current one) and removed at the end.
// Times are medians.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_runs.h"
#include "bench/bench_support.h"
#include "cli/command_job.h"
#include "platform/file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

using bench::Clock;
using bench::Seconds;

namespace {

const char kSep = platform::kPathSep;

#ifdef _WIN32
const char kProgramName[] = "Kestrum.exe";
#else
const char kProgramName[] = "kestrum";
#endif

bool CopyProgram(const std::string& from, const std::string& to) {
    CFile in, out;
    if (!in.Open(from, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return false;
    std::string bytes(static_cast<size_t>(in.GetLength()), '\0');
    if (in.Read(&bytes[0], bytes.size()) != bytes.size()) return false;
    if (!out.Open(to, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary) || !out.Write(bytes.data(), bytes.size()))
        return false;
    out.Close();
#ifndef _WIN32
    if (::chmod(to.c_str(), 0755) != 0) return false;
#endif
    return true;
}

// Starts the program with the arguments, its output to the null device,
// and waits for it. Natively it is spawned without copying this process (a
// copy would make this process's next writes to its pages slow).
bool RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
#ifdef _WIN32
    std::string line = "\"" + program + "\"";
    for (const std::string& argument : arguments) line += " \"" + argument + "\"";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = out;
    start.hStdError = out;
    PROCESS_INFORMATION process;
    std::vector<char> text(line.begin(), line.end());
    text.push_back('\0');
    const BOOL started = CreateProcessA(nullptr, text.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process);
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return started != 0;
#else
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return true;
#endif
}

// Short runs of the program, one started every 20 ms (or as soon as the one
// before has ended, should it take longer), until stopped.
class ShortRuns {
public:
    ShortRuns(const std::string& program, const std::string& file)
        : m_thread([this, program, file] {
              const std::vector<std::string> arguments = {"-cl", "-m:decrypt", "-p:password1", "-fi:" + file};
              for (Clock::time_point next = Clock::now(); !m_stop; next += std::chrono::milliseconds(20)) {
                  if (!RunProgram(program, arguments)) m_failed = true;
                  ++m_started;
                  std::this_thread::sleep_until(next + std::chrono::milliseconds(20));
              }
          }) {}
    ~ShortRuns() { Stop(); }
    // Waits for the run under way to end.
    void Stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
    }
    int Started() const { return m_started; }
    bool Failed() const { return m_failed; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_started{0};
    std::atomic<bool> m_failed{false};
    std::thread m_thread;
};

// The log holds the long run's every line once, in order: the opening, three
// lines for each file in the order processed, the counts and the time.
bool LogIsWhole(const std::string& log, const std::vector<std::string>& files) {
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = log.find("\r\r\n", at)) != std::string::npos; at = end + 3)
        lines.push_back(log.substr(at, end - at));
    if (log.compare(at, std::string::npos, "\r\n") != 0 || lines.size() != 7 + 3 * files.size() + 2) return false;
    if (lines[0] != std::string(42, '*') || lines[4].compare(0, 13, "Start Time : ") != 0) return false;
    for (size_t i = 0; i < files.size(); ++i) {
        const size_t first = 7 + 3 * i;
        if (lines[first] != "Decrypting file: " + files[i] ||
            lines[first + 1].compare(0, 20, "Decryption failed : ") != 0 || lines[first + 2] != " ")
            return false;
    }
    return lines[lines.size() - 2] == "0 files decrypted, " + std::to_string(files.size()) + " Failed" &&
           lines.back().compare(0, 6, "Time: ") == 0;
}

struct Outcome {
    double seconds = -1;
    int shortRuns = 0;
    uint64_t logSize = 0;
};

// One long run, timed from the start of the job to the end of its last
// write, with short runs beside it or not. The short runs are stopped once
// it has processed its files and before it lets go of its log, so that it
// is the run that ends last. A negative time when a run did not do what it
// must, or the log is not whole.
Outcome LongRun(const std::string& root, const std::string& logPath, const std::string& program,
                const std::string& shortFile, bool beside) {
    Outcome outcome;
    Vastrel2::ParseSettings settings;
    settings.mode = "decrypt";
    settings.password = "bench password";
    settings.folders.push_back(root);
    settings.log = "true";
    std::unique_ptr<ShortRuns> shortRuns;
    if (beside) shortRuns.reset(new ShortRuns(program, shortFile));

    Clock::time_point t = Clock::now();
    std::unique_ptr<Vastrel2::CommandJob> job(new Vastrel2::CommandJob(&settings, logPath));
    const bool refusedAll = !job->Run();
    double seconds = Seconds(t);
    if (shortRuns) {
        shortRuns->Stop();
        outcome.shortRuns = shortRuns->Started();
        if (shortRuns->Failed()) return outcome;
    }
    const std::vector<std::string> files = job->GetFiles();
    t = Clock::now();
    job.reset();
    seconds += Seconds(t);

    const std::string log = bench::ReadWhole(logPath);
    outcome.logSize = log.size();
    if (refusedAll && LogIsWhole(log, files)) outcome.seconds = seconds;
    return outcome;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::RunOptions options(argc, argv, 800000);
    const int files = options.files, runs = options.runs;
    const std::string root = options.Path("bench-shared-log-tree"), bin = options.Path("bench-shared-log-bin");
    const std::string program = bin + kSep + kProgramName, logPath = bin + kSep + "Vastrel.log";
    const std::string shortFolder = options.Path("bench-shared-log-short"), shortFile = shortFolder + kSep + "a";
    bench::NullConsole console;

    const double made = bench::MakeTree(root, options, 1);
    if (made < 0) return 1;
    bool ok = platform::CreateFolder(bin) && platform::CreateFolder(shortFolder) && CopyProgram(KESTRUM_PROGRAM, program);
    {
        CFile one;
        ok = ok && one.Open(shortFile, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary) && one.Write("a", 1);
    }
    std::vector<double> alone, beside;
    int shortRuns = 0;
    uint64_t logSize = 0;
    for (int i = 0; i <= runs && ok; ++i) {  // run 0 warms the caches and is not counted
        const Outcome a = LongRun(root, logPath, program, shortFile, false);
        const Outcome b = LongRun(root, logPath, program, shortFile, true);
        ok = a.seconds > 0 && b.seconds > 0;
        if (i > 0 && ok) {
            alone.push_back(a.seconds);
            beside.push_back(b.seconds);
            shortRuns += b.shortRuns;
            logSize = b.logSize;
        }
    }
    // Only the program and the log may be left in its folder.
    std::vector<std::string> left;
    platform::FindFiles(bin, "*.*", [&](const platform::FindData& found) {
        if (found.name != "." && found.name != "..") left.push_back(found.name);
        return true;
    });
    for (const std::string& name : left) CFile::Remove(bin + kSep + name);
    CFile::Remove(shortFile);
    CFile::Remove(shortFolder + kSep + "Vastrel.log");
    bench::RemoveTree(shortFolder);
    bench::RemoveTree(bin);
    bench::RemoveTree(root);
    if (!ok) {
        std::printf("a run did not refuse every file, a short run did not start, or the long run's log was not whole\n");
        return 1;
    }
    if (left.size() != 2) std::printf("warning: %zu files were left in the program's folder\n", left.size());
    std::printf("%d one-byte plain files in 100 folders under %s (made in %.1f s), decrypt runs, medians of %d runs\n",
                files, options.folder.c_str(), made, runs);
    std::printf("the long run's log: %.1f MB, whole at the end of every run; %.0f short runs beside each run\n",
                static_cast<double>(logSize) / 1e6, static_cast<double>(shortRuns) / runs);
    const double a = bench::Median(alone), b = bench::Median(beside);
    std::printf("%-30s %8s  %s\n", "long run", "time", "beside/alone (target: at most 1.50)");
    std::printf("%-30s %7.3fs  %s\n", "alone", a, "1.00");
    std::printf("%-30s %7.3fs  %s\n", "beside a short run every 20 ms", b, bench::Ratio(b, a).c_str());
    return 0;
}
