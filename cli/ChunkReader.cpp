#include "ChunkReader.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <unistd.h>

namespace kelconv {

namespace {

// Bytes kept readable behind the data for probes that look one character ahead.
constexpr std::size_t kPadding = 4 * kLongestCharacter * sizeof(std::uint32_t);

bool isNewline(const unsigned char* unit, std::size_t unitSize) {
    if (unitSize == sizeof(std::uint16_t)) {
        std::uint16_t value;
        std::memcpy(&value, unit, sizeof value);
        return value == '\n';
    }
    if (unitSize == sizeof(std::uint32_t)) {
        std::uint32_t value;
        std::memcpy(&value, unit, sizeof value);
        return value == '\n';
    }
    return *unit == '\n';
}

} // namespace

ChunkReader::ChunkReader(int fd, SourceProbe& probe, std::size_t capacity)
    : m_fd(fd), m_probe(probe), m_unitSize(probe.unitSize()),
      m_capacity(capacity - capacity % probe.unitSize()), m_buffer(m_capacity + kPadding, 0) {}

bool ChunkReader::next(const unsigned char*& data, std::size_t& size) {
    m_chunkOffset += m_chunkSize;
    m_begin += m_chunkSize;
    m_chunkSize = 0;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    fill();
    if (m_end == 0)
        return false;
    std::size_t cut = m_end;
    if (!m_eof) {
        cut = cutAfterLastNewline();
        if (cut == 0)
            cut = findCut(m_probe, m_buffer.data(), m_end);
        if (cut == 0)
            cut = m_end - m_end % m_unitSize;
    }
    data = m_buffer.data();
    size = m_chunkSize = cut;
    return true;
}

// Reads until the buffer is full or the input ends. A short read that
// brings a newline ends it too, so that text arriving line by line through
// a pipe is converted as it comes.
void ChunkReader::fill() {
    while (!m_eof && m_end < m_capacity) {
        const std::size_t wanted = m_capacity - m_end;
        const ssize_t got = ::read(m_fd, m_buffer.data() + m_end, wanted);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category(), "read error");
        }
        if (got == 0) {
            m_eof = true;
            break;
        }
        m_end += static_cast<std::size_t>(got);
        if (static_cast<std::size_t>(got) < wanted && cutAfterLastNewline() > 0)
            break;
    }
}

std::size_t ChunkReader::cutAfterLastNewline() const {
    for (std::size_t pos = m_end - m_end % m_unitSize; pos >= m_unitSize; pos -= m_unitSize) {
        if (isNewline(m_buffer.data() + pos - m_unitSize, m_unitSize))
            return pos;
    }
    return 0;
}

} // namespace kelconv
