#include "ChunkReader.h"
#include "ConversionTestHelpers.h"
#include "FakeConverters.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using kelconv::Policy;

namespace {

// A pipe whose reading end a ChunkReader reads.
class Pipe {
public:
    Pipe() { EXPECT_EQ(::pipe(m_fds), 0); }
    ~Pipe() {
        ::close(m_fds[0]);
        closeWriter();
    }
    int reader() const { return m_fds[0]; }
    void write(const std::string& data) {
        ASSERT_EQ(::write(m_fds[1], data.data(), data.size()), static_cast<ssize_t>(data.size()));
    }
    void closeWriter() {
        if (m_fds[1] >= 0)
            ::close(m_fds[1]);
        m_fds[1] = -1;
    }

private:
    int m_fds[2];
};

struct Streamed {
    kelconv::Converted converted;
    std::vector<std::string> chunks;
};

// Converts input read through a small buffer, chunk by chunk, the way
// kelconv does, with problem offsets made absolute.
Streamed streamed(KelCharSetConverter& from, KelCharSetConverter& to, const std::string& input,
                  std::size_t capacity) {
    char path[] = "/tmp/kelconv-chunks-XXXXXX";
    const int fd = ::mkstemp(path);
    EXPECT_EQ(::write(fd, input.data(), input.size()), static_cast<ssize_t>(input.size()));
    ::lseek(fd, 0, SEEK_SET);
    ::unlink(path);
    kelconv::Transcoder transcoder(from, to, Policy::Replace);
    kelconv::ChunkReader reader(fd, transcoder.probe(), capacity);
    Streamed result;
    std::vector<unsigned char> out;
    std::vector<kelconv::Problem> problems;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    while (reader.next(data, size)) {
        result.chunks.emplace_back(reinterpret_cast<const char*>(data), size);
        transcoder.convert(data, size, out, problems);
        for (kelconv::Problem& p : problems) {
            p.offset += reader.chunkOffset();
            result.converted.problems.push_back(p);
        }
    }
    ::close(fd);
    result.converted.text.assign(out.begin(), out.end());
    return result;
}

std::string joined(const std::vector<std::string>& chunks) {
    std::string all;
    for (const std::string& chunk : chunks)
        all += chunk;
    return all;
}

// Converting in chunks must give what converting the whole does: the same
// text and the same problems at the same offsets, none made up at a cut.
void expectSameAsWhole(KelCharSetConverter& from, KelCharSetConverter& to, const std::string& input,
                       std::size_t capacity) {
    const Streamed s = streamed(from, to, input, capacity);
    const kelconv::Converted whole = kelconv::convertAll(from, to, Policy::Replace, input);
    EXPECT_GT(s.chunks.size(), input.size() / capacity);
    EXPECT_EQ(joined(s.chunks), input);
    EXPECT_EQ(s.converted.text, whole.text);
    EXPECT_EQ(s.converted.offsets(), whole.offsets());
}

TEST(ChunkReader, ChunksEndAfterTheLastNewlineThatFits) {
    std::string input;
    for (int i = 0; i < 40; ++i)
        input += "line " + std::to_string(i) + "\n";
    input += "no newline";
    const Streamed s = streamed(kelconv::utf8(), kelconv::utf8(), input, 32);
    EXPECT_EQ(joined(s.chunks), input);
    for (std::size_t i = 0; i + 1 < s.chunks.size(); ++i) {
        EXPECT_EQ(s.chunks[i].back(), '\n');
        EXPECT_GT(s.chunks[i].size(), 32u - std::string("line 39\n").size());
    }
}

TEST(ChunkReader, LongUtf8LinesAreCutBetweenCharacters) {
    std::string input;
    for (int i = 0; i < 200; ++i)
        input += i % 7 == 0 ? "\xC3(" : i % 3 == 0 ? "\xF0\x9F\x98\x80" : "\xE4\xB8\x80z";
    expectSameAsWhole(kelconv::utf8(), kelconv::utf8(), input, 64);
}

TEST(ChunkReader, LongDoubleByteLinesAreCutBetweenCharacters) {
    FakeDoubleByteConverter dbcs;
    std::string input;
    for (int i = 0; i < 300; ++i)
        input += i % 5 == 0 ? "\x81 " : i % 11 == 0 ? "\x81~" : "\x81\x81";
    expectSameAsWhole(dbcs, kelconv::utf8(), input, 50);
}

TEST(ChunkReader, LongUTF16LinesAreNotCutInsideASurrogatePair) {
    FakeUTF16Converter utf16;
    std::vector<unsigned short> units;
    for (int i = 0; i < 300; ++i)
        units.insert(units.end(), {0xD83D, 0xDE00, 'a'});
    expectSameAsWhole(utf16, kelconv::utf8(), kelconv::bytesOf(units), 128);
    EXPECT_TRUE(
        kelconv::convertAll(utf16, kelconv::utf8(), Policy::Replace, kelconv::bytesOf(units))
            .problems.empty());
}

TEST(ChunkReader, HandsOverLinesFromAPipeAsTheyArrive) {
    Pipe pipe;
    kelconv::SourceProbe probe(kelconv::utf8());
    kelconv::ChunkReader reader(pipe.reader(), probe);
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    pipe.write("one\ntw");
    ASSERT_TRUE(reader.next(data, size));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "one\n");
    pipe.write("o");
    pipe.closeWriter();
    ASSERT_TRUE(reader.next(data, size));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), "two");
    EXPECT_EQ(reader.chunkOffset(), 4u);
    EXPECT_FALSE(reader.next(data, size));
}

} // namespace
