#ifndef KELCONV_CONSOLE_H
#define KELCONV_CONSOLE_H

#include <chrono>
#include <cstdint>
#include <string>

namespace kelconv {

// Standard error: messages, and a progress line that messages push aside.
class Console {
public:
    explicit Console(int fd);

    bool isTerminal() const { return m_terminal; }
    void message(const std::string& text);
    void showProgress(const std::string& text);
    void clearProgress();

private:
    void write(const std::string& text) const;

    int m_fd;
    bool m_terminal;
    bool m_progressShown = false;
};

// Progress of one input on the console, shown only on a terminal and only
// once the input has taken a while.
class Progress {
public:
    Progress(Console& console, bool enabled);

    void begin(const std::string& name, std::uint64_t total);
    void update(std::uint64_t done);
    void end();

private:
    using Clock = std::chrono::steady_clock;

    Console& m_console;
    bool m_enabled;
    std::string m_name;
    std::uint64_t m_total = 0;
    Clock::time_point m_start;
    Clock::time_point m_shown;
};

// "45% (460.2 of 1024.0 MiB)", or the amount alone when the total is not known.
std::string progressText(std::uint64_t done, std::uint64_t total);

} // namespace kelconv

#endif
