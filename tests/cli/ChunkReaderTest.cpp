#include "ChunkReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string chunkText(const unsigned char* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

TEST(ChunkReader, ReadsAnyContentInChunksOfAtMostItsCapacity) {
    char path[] = "/tmp/kelconv-chunks-XXXXXX";
    const int fd = ::mkstemp(path);
    ::unlink(path);
    std::string input;
    for (int i = 0; i < 100; ++i)
        input += std::string("no newline\0\xFF", 12);
    ASSERT_EQ(::write(fd, input.data(), input.size()), static_cast<ssize_t>(input.size()));
    ::lseek(fd, 0, SEEK_SET);
    kelconv::ChunkReader reader(fd, 64);
    std::string joined;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    while (reader.next(data, size)) {
        EXPECT_LE(size, 64u);
        joined += chunkText(data, size);
        EXPECT_EQ(reader.consumed(), joined.size());
    }
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(joined, input);
    ::close(fd);
}

TEST(ChunkReader, HandsOverWhatAPipeBringsAsItArrives) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    kelconv::ChunkReader reader(fds[0]);
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    ASSERT_EQ(::write(fds[1], "one\ntw", 6), 6);
    ASSERT_TRUE(reader.next(data, size));
    EXPECT_EQ(chunkText(data, size), "one\ntw");
    ASSERT_EQ(::write(fds[1], "o", 1), 1);
    ::close(fds[1]);
    ASSERT_TRUE(reader.next(data, size));
    EXPECT_EQ(chunkText(data, size), "o");
    EXPECT_FALSE(reader.next(data, size));
    ::close(fds[0]);
}

} // namespace
