// A decrypt run over a large tree of plain files (nothing to decrypt), next
// to its reference measured in the same run: walking the same tree with the
// system's own directory calls and opening every file to read its last five
// bytes, which is all the run must learn about a plain file.
//
//   ours: console run   the console program's decrypt run over the folder,
//                       log off, its console lines written to the null device
//   ours: scan + check  the folder scanner (every detail of every entry),
//                       then the encrypted-file test on every path
//
// Not a test: run it by hand.   bench_scan [folder] [--files N] [--runs N]
// The tree (default 100,000 files) is made in the folder (default: the
// current one) and removed at the end. Times are medians of the runs.
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_runs.h"
#include "bench/bench_support.h"
#include "cli/command_job.h"
#include "core/cipher_result.h"
#include "core/dir_read.h"
#include "core/file_cipher.h"
#include "core/file_header.h"
#include "platform/file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace Vastrel2::CIPHER;
using bench::Clock;
using bench::Seconds;

namespace {

// The reference: the system's own calls, nothing more than the task needs.
#ifdef _WIN32
bool LastFiveBytes(const std::string& path, char tail[5]) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER back;
    back.QuadPart = -5;
    DWORD got = 0;
    bool ok = SetFilePointerEx(h, back, nullptr, FILE_END) && ReadFile(h, tail, 5, &got, nullptr) && got == 5;
    CloseHandle(h);
    return ok;
}

void Walk(const std::string& folder, const std::function<void(const std::string&)>& file) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> subs;
    do {
        if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
        std::string path = folder + "\\" + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) subs.push_back(path);
        else file(path);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    for (const std::string& sub : subs) Walk(sub, file);
}
#else
bool LastFiveBytes(const std::string& path, char tail[5]) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = lseek(fd, -5, SEEK_END) >= 0 && read(fd, tail, 5) == 5;
    close(fd);
    return ok;
}

void Walk(const std::string& folder, const std::function<void(const std::string&)>& file) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> subs;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        std::string path = folder + "/" + entry->d_name;
        if (entry->d_type == DT_DIR) subs.push_back(path);
        else file(path);
    }
    closedir(dir);
    for (const std::string& sub : subs) Walk(sub, file);
}
#endif

std::vector<std::string> Scan(const std::string& root) {
    CSADirRead scanner;
    scanner.CollectFolders(root.c_str(), true);
    scanner.CollectFiles("*.*", true, false);
    std::vector<std::string> paths;
    paths.reserve(scanner.files.size());
    for (const ProjectEntry& entry : scanner.files) paths.push_back(entry.path);
    return paths;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::RunOptions options(argc, argv, 100000);
    const int files = options.files, runs = options.runs;
    const std::string& folder = options.folder;
    // The full path, as the run makes it: the reference opens the same paths.
    const std::string root = options.Path("bench-scan-tree");
    bench::NullConsole console;

    const double made = bench::MakeTree(root, options);
    if (made < 0) return 1;
    Clock::time_point t;

    std::vector<double> reference, run, check;
    bool ok = true;
    for (int i = 0; i <= runs && ok; ++i) {  // run 0 warms the caches and is not counted
        int seen = 0, tagged = 0;
        t = Clock::now();
        Walk(root, [&](const std::string& path) {
            char tail[5];
            if (LastFiveBytes(path, tail)) ++seen;
            if (std::memcmp(tail, "<zqv>", 5) == 0) ++tagged;
        });
        const double r = Seconds(t);

        t = Clock::now();
        Vastrel2::ParseSettings settings;
        settings.mode = "decrypt";
        settings.password = "bench password";
        settings.folders.push_back(root);
        settings.log = "false";
        const bool allRefused = !Vastrel2::RunCommandJobs({&settings});  // every file fails: none is encrypted
        const double d = Seconds(t);

        int plain = 0;
        t = Clock::now();
        for (const std::string& path : Scan(root))
            if (!Vastrel2::Utils::IsEncryptedFile(path)) ++plain;
        const double c = Seconds(t);

        ok = seen == files && tagged == 0 && allRefused && plain == files;
        if (i > 0) {
            reference.push_back(r);
            run.push_back(d);
            check.push_back(c);
        }
    }
    t = Clock::now();
    bench::RemoveTree(root);
    const double removed = Seconds(t);
    if (!ok) {
        std::printf("the runs did not see every file as plain\n");
        return 1;
    }
    std::printf("%d plain files in 100 folders under %s (made in %.1f s, removed in %.1f s), medians of %d runs\n",
                files, folder.c_str(), made, removed, runs);
    std::printf("reference: walking the tree with the system's own calls, opening every file and reading its last five bytes\n");
    const double r = bench::Median(reference);
    std::printf("%-34s %8s %10s  %s\n", "work", "time", "per file", "ours/reference (time)");
    std::printf("%-34s %7.3fs %8.2fus  %s\n", "reference", r, r / files * 1e6, "1.00");
    for (const auto& row : {std::make_pair("ours: console decrypt run", &run),
                            std::make_pair("ours: scan + encrypted-file test", &check)}) {
        const double o = bench::Median(*row.second);
        std::printf("%-34s %7.3fs %8.2fus  %s\n", row.first, o, o / files * 1e6, bench::Ratio(o, r).c_str());
    }
    return 0;
}
