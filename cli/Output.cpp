#include "Output.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kelconv {

Output::Output(const std::string& path)
    : m_fd(STDOUT_FILENO), m_owned(!path.empty()), m_name(path.empty() ? "standard output" : path) {
    if (!m_owned)
        return;
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0)
        fail("cannot open");
}

Output::~Output() {
    if (m_owned && m_fd >= 0)
        ::close(m_fd);
}

void Output::write(const unsigned char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(m_fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("write error on");
        }
        done += static_cast<std::size_t>(n);
    }
}

void Output::write(const std::string& text) {
    write(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

// A file system may report a failed write only when the file is closed.
void Output::close() {
    if (!m_owned || m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail("write error on");
}

void Output::fail(const char* what) const {
    throw OutputError(std::string(what) + " " + m_name + ": " + std::strerror(errno));
}

} // namespace kelconv
