#pragma once
// Everything the console program prints goes through here, so that tests can
// take the text in place of standard output.
#include <functional>
#include <string>

namespace Vastrel2 {

// Writes the text to standard output (text mode: on Windows each line feed
// reaches the console as a carriage return and a line feed).
void ConsolePrint(const std::string& text);
void ConsoleFlush();

// printf-style formatting into a string.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// While a sink is installed it receives every printed text instead of
// standard output. Returns the previous sink; an empty one restores stdout.
using ConsoleSink = std::function<void(const std::string&)>;
ConsoleSink SetConsoleSink(ConsoleSink sink);

}  // namespace Vastrel2
