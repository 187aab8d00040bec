#ifndef KELCONV_CHUNKREADER_H
#define KELCONV_CHUNKREADER_H

#include "SourceProbe.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelconv {

// Reads an input in chunks that end on a character boundary, so that each
// can be converted on its own and memory stays bounded whatever the input's
// size. Chunks end after a newline, which every source set keeps whole (for
// UTF-16 and UTF-32 a whole 0x0A unit); a line longer than the buffer is cut
// between two characters that the converter itself tells apart.
class ChunkReader {
public:
    static constexpr std::size_t kDefaultCapacity = 256 * 1024;

    ChunkReader(int fd, SourceProbe& probe, std::size_t capacity = kDefaultCapacity);

    // The next chunk, or false at the end of the input. The chunk stays
    // valid until the next call. Throws std::system_error on a read error.
    bool next(const unsigned char*& data, std::size_t& size);

    // Input offset of the chunk returned last, and of the byte after it.
    std::uint64_t chunkOffset() const { return m_chunkOffset; }
    std::uint64_t consumed() const { return m_chunkOffset + m_chunkSize; }

private:
    void fill();
    std::size_t cutAfterLastNewline() const;

    int m_fd;
    SourceProbe& m_probe;
    std::size_t m_unitSize;
    std::size_t m_capacity;
    std::vector<unsigned char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
    std::uint64_t m_chunkOffset = 0;
    std::size_t m_chunkSize = 0;
};

} // namespace kelconv

#endif
