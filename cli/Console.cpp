#include "Console.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace kelconv {

namespace {

// A short run finishes before anyone waits for it; after that the line is
// refreshed a few times a second.
constexpr std::chrono::milliseconds kQuietStart(1000);
constexpr std::chrono::milliseconds kRefresh(250);

constexpr double kMebibyte = 1024.0 * 1024.0;

} // namespace

Console::Console(int fd) : m_fd(fd), m_terminal(::isatty(fd) == 1) {}

void Console::message(const std::string& text) {
    clearProgress();
    write(text + "\n");
}

void Console::showProgress(const std::string& text) {
    write("\r" + text + "\033[K");
    m_progressShown = true;
}

void Console::clearProgress() {
    if (!m_progressShown)
        return;
    write("\r\033[K");
    m_progressShown = false;
}

// Diagnostics are best effort: there is nowhere left to report their failure.
void Console::write(const std::string& text) const {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(m_fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

Progress::Progress(Console& console, bool enabled) : m_console(console), m_enabled(enabled) {}

void Progress::begin(const std::string& name, std::uint64_t total) {
    m_name = name;
    m_total = total;
    m_start = m_shown = Clock::now();
}

void Progress::update(std::uint64_t done) {
    if (!m_enabled)
        return;
    const Clock::time_point now = Clock::now();
    if (now - m_start < kQuietStart || now - m_shown < kRefresh)
        return;
    m_shown = now;
    m_console.showProgress("kelconv: " + m_name + ": " + progressText(done, m_total));
}

void Progress::end() {
    m_console.clearProgress();
}

std::string progressText(std::uint64_t done, std::uint64_t total) {
    char text[80];
    if (total == 0) {
        std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(done) / kMebibyte);
    } else {
        std::snprintf(text, sizeof text, "%d%% (%.1f of %.1f MiB)",
                      static_cast<int>(done * 100 / total), static_cast<double>(done) / kMebibyte,
                      static_cast<double>(total) / kMebibyte);
    }
    return text;
}

} // namespace kelconv
