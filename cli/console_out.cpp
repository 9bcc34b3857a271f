#include "cli/console_out.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace Vastrel2 {
namespace {
ConsoleSink g_sink;
}  // namespace

void ConsolePrint(const std::string& text) {
    if (g_sink) {
        g_sink(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void ConsoleFlush() {
    if (!g_sink) std::fflush(stdout);
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<size_t>(needed));
    }
    va_end(again);
    return text;
}

ConsoleSink SetConsoleSink(ConsoleSink sink) {
    ConsoleSink previous = std::move(g_sink);
    g_sink = std::move(sink);
    return previous;
}

}  // namespace Vastrel2
