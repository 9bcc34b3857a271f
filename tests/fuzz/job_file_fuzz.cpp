// The console program's entry over arbitrary input: the first byte chooses
// between a command line (the rest split at zero bytes into arguments) and
// a job file (the rest is the file's content).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/console_out.h"
#include "cli/kestrum.h"

namespace {

const std::string& JobPath() {
    static const std::string path = [] {
        char pattern[] = "/tmp/fuzz-job-XXXXXX";
        int fd = mkstemp(pattern);
        if (fd >= 0) close(fd);
        return std::string(pattern);
    }();
    return path;
}

int RunEntry(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "kestrum");
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(&a[0]);
    return Vastrel2::KestrumMain(static_cast<int>(argv.size()), argv.data(),
                                 [](const std::vector<Vastrel2::ParseSettings*>& jobs) {
                                     for (const Vastrel2::ParseSettings* s : jobs)
                                         if (s->mode.empty() && s->files.size() >= 1000) return false;
                                     return true;
                                 });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        Vastrel2::SetConsoleSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    if (size == 0) return 0;
    std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) {
        std::vector<std::string> arguments(1);
        for (char c : rest) {
            if (c == '\0')
                arguments.emplace_back();
            else
                arguments.back() += c;
        }
        RunEntry(arguments);
    } else {
        if (FILE* f = std::fopen(JobPath().c_str(), "wb")) {
            std::fwrite(rest.data(), 1, rest.size(), f);
            std::fclose(f);
        }
        RunEntry({JobPath(), "-xml"});
    }
    return 0;
}
