#include "ChunkReader.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

namespace kelconv {

ChunkReader::ChunkReader(int fd, std::size_t capacity) : m_fd(fd), m_buffer(capacity) {}

bool ChunkReader::next(const unsigned char*& data, std::size_t& size) {
    ssize_t got;
    while ((got = ::read(m_fd, m_buffer.data(), m_buffer.size())) < 0) {
        if (errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "read error");
    }
    data = m_buffer.data();
    size = static_cast<std::size_t>(got);
    m_consumed += size;
    return size > 0;
}

} // namespace kelconv
