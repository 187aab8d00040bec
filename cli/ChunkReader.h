#ifndef KELCONV_CHUNKREADER_H
#define KELCONV_CHUNKREADER_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelconv {

// Reads an input a chunk of at most a fixed size at a time, whatever it
// holds, so that memory stays the same whatever the input's size. What one
// read brings is a chunk of its own, so that text arriving through a pipe is
// converted as it comes.
class ChunkReader {
public:
    static constexpr std::size_t kDefaultCapacity = 256 * 1024;

    explicit ChunkReader(int fd, std::size_t capacity = kDefaultCapacity);

    // The next chunk, or false (and size 0) at the end of the input. The
    // chunk stays valid until the next call. Throws std::system_error on a
    // read error.
    bool next(const unsigned char*& data, std::size_t& size);

    // Bytes of the input read so far.
    std::uint64_t consumed() const { return m_consumed; }

private:
    int m_fd;
    std::vector<unsigned char> m_buffer;
    std::uint64_t m_consumed = 0;
};

} // namespace kelconv

#endif
