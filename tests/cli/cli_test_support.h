#pragma once
// Helpers of the console program's tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/console_out.h"

namespace clitest {

// Takes everything the console program prints while alive.
class ConsoleCapture {
public:
    ConsoleCapture() {
        m_previous = Vastrel2::SetConsoleSink([this](const std::string& text) { m_text += text; });
    }
    ~ConsoleCapture() { Vastrel2::SetConsoleSink(m_previous); }
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    const std::string& Text() const { return m_text; }
    void Clear() { m_text.clear(); }

private:
    std::string m_text;
    Vastrel2::ConsoleSink m_previous;
};

// The log's lines; every one must end in CR CR LF, the file in one more CR LF.
inline std::vector<std::string> LogLines(const std::string& log) {
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = log.find("\r\r\n", at)) != std::string::npos; at = end + 3)
        lines.push_back(log.substr(at, end - at));
    EXPECT_EQ("\r\n", log.substr(at)) << log;
    return lines;
}

}  // namespace clitest
