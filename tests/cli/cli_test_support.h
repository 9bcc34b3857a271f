#pragma once
// Helpers of the console program's tests.
#include <string>

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

}  // namespace clitest
