#pragma once
// Shared by the fuzz targets: a private scratch file and silent message boxes.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/message_box.h"

namespace fuzzsupport {

// A file in the temporary folder for this process, removed at exit.
inline const std::string& ScratchPath(const char* tag) {
    static std::string path;
    if (path.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        path = std::string(tmp && *tmp ? tmp : "/tmp") + "/vastrel_fuzz_" + tag + "_" + std::to_string(getpid());
        std::atexit([] { std::remove(path.c_str()); });
    }
    return path;
}

inline void SilenceMessageBoxes() {
    static bool done = false;
    if (!done) platform::SetMessageHook([](const platform::MessageRequest&) { return platform::kIdOk; });
    done = true;
}

inline void WriteWhole(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

}  // namespace fuzzsupport
