// The console program's decrypt run over a tree of small plain files, with
// its run log on against the same run with the log off, both measured in the
// same run. Every file is refused (there is nothing to decrypt), so the run's
// own work is least and the log's share of it greatest: three lines a file.
//
//   log off   the run as "-log:false" makes it
//   log on    the same run writing its log to a file in the folder
//
// Not a test: run it by hand.   bench_log [folder] [--files N] [--runs N]
// The tree (default 20,000 files) and the log are made in the folder
// (default: the current one) and removed at the end. Times are medians.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_runs.h"
#include "bench/bench_support.h"
#include "cli/command_job.h"
#include "platform/file.h"

using bench::Clock;
using bench::Seconds;

namespace {

// One decrypt run over the tree; false unless it refused every file, as it must.
bool Run(const std::string& root, const std::string& logPath, bool logOn) {
    Vastrel2::ParseSettings settings;
    settings.mode = "decrypt";
    settings.password = "bench password";
    settings.folders.push_back(root);
    settings.log = logOn ? "true" : "false";
    Vastrel2::CommandJob job(&settings, logPath);
    return !job.Run();
}

// Lines in the log: each ends in a carriage return, a carriage return and a line feed.
size_t LogLines(const std::string& path) {
    const std::string text = bench::ReadWhole(path);
    size_t lines = 0;
    for (size_t at = text.find("\r\r\n"); at != std::string::npos; at = text.find("\r\r\n", at + 3)) ++lines;
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::RunOptions options(argc, argv, 20000);
    const int files = options.files, runs = options.runs;
    const std::string& folder = options.folder;
    const std::string root = options.Path("bench-log-tree"), logPath = options.Path("bench-log.log");
    bench::NullConsole console;

    const double made = bench::MakeTree(root, options);
    if (made < 0) return 1;
    Clock::time_point t;

    // The opening, three lines a file, the counts and the time.
    const size_t expectedLines = 7 + 3 * static_cast<size_t>(files) + 2;
    std::vector<double> off, on;
    uint64_t logSize = 0;
    bool ok = true;
    for (int i = 0; i <= runs && ok; ++i) {  // run 0 warms the caches and is not counted
        t = Clock::now();
        ok = Run(root, logPath, false);
        const double o = Seconds(t);
        t = Clock::now();
        ok = ok && Run(root, logPath, true);
        const double l = Seconds(t);
        ok = ok && LogLines(logPath) == expectedLines;
        CFileStatus status;
        if (CFile::GetStatus(logPath, status)) logSize = status.m_size;
        if (i > 0) {
            off.push_back(o);
            on.push_back(l);
        }
    }
    bench::RemoveTree(root);
    CFile::Remove(logPath);
    if (!ok) {
        std::printf("a run did not refuse every file, or its log did not hold every line\n");
        return 1;
    }
    std::printf("%d plain files in 100 folders under %s (made in %.1f s), decrypt runs, medians of %d runs\n", files,
                folder.c_str(), made, runs);
    std::printf("the log: %zu lines, %.1f MB\n", expectedLines, static_cast<double>(logSize) / 1e6);
    const double o = bench::Median(off), l = bench::Median(on);
    std::printf("%-20s %8s %10s  %s\n", "run", "time", "per file", "log on/log off (time)");
    std::printf("%-20s %7.3fs %8.2fus  %s\n", "log off", o, o / files * 1e6, "1.00");
    std::printf("%-20s %7.3fs %8.2fus  %s\n", "log on", l, l / files * 1e6, bench::Ratio(l, o).c_str());
    return 0;
}
