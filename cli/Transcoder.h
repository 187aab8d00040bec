#ifndef KELCONV_TRANSCODER_H
#define KELCONV_TRANSCODER_H

#include "KelTranscoder.h"
#include "Problem.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kelconv {

// The input bytes that the problems found in a chunk can lie in: the chunk,
// and the last few bytes before it, where a character carried over from
// earlier chunks begins.
class RecentBytes {
public:
    void begin(const unsigned char* chunk, std::size_t size);
    void end();
    std::vector<unsigned char> at(std::uint64_t offset, std::size_t length) const;

private:
    static constexpr std::size_t kKept = kel::stream::Carry<unsigned char>::kCapacity;

    unsigned char m_tail[kKept];
    std::size_t m_tailSize = 0;
    const unsigned char* m_chunk = nullptr;
    std::size_t m_size = 0;
    std::uint64_t m_offset = 0; // of the chunk in the input
};

// Converts one input from one set to another through UTF-16, a chunk of
// any content at a time; a character split between chunks is carried over.
class Transcoder {
public:
    Transcoder(KelCharSetConverter& from, KelCharSetConverter& to, KelPolicy policy);

    // Converts the next `size` bytes of the input; `last`: the input ends
    // with them. Returns false when the policy stopped the conversion;
    // output() then ends in front of the problem, the only one listed.
    bool convert(const unsigned char* data, std::size_t size, bool last);

    // What the last call gave, and what it could not convert, in input
    // order, with offsets in the input.
    const std::vector<unsigned char>& output() const { return m_output; }
    const std::vector<Problem>& problems() const { return m_problems; }

private:
    void decode(const unsigned char* data, std::size_t size, bool last);
    void reserveUnits(std::size_t count);
    void settleSurrogates(std::size_t from, std::optional<std::uint64_t> end);
    void moveUnit(std::size_t from, std::size_t to);
    void settleMalformed();
    void reportMalformed(Problem::Kind kind, std::uint64_t offset, std::size_t length);
    bool substitutes() const;
    void putSubstitute(std::size_t at, std::uint64_t offset);
    bool isSubstitute(std::size_t at) const;
    void encode(std::size_t count, bool last);
    std::size_t settleUnmappable(std::size_t at, KelLength length, std::size_t count,
                                 std::size_t written);
    void keepHeldUnit(std::size_t at);

    KelPolicy m_policy;
    std::size_t m_unitSize;
    KelDecoder m_decoder;
    KelEncoder m_encoder;
    RecentBytes m_recent;
    // Decoded units with the input offsets of their characters; a U+FFFD
    // written for malformed input is listed in m_substitutes.
    std::vector<unsigned short> m_units;
    std::vector<std::uint64_t> m_offsets;
    std::size_t m_count = 0;
    bool m_held = false; // the last unit is a surrogate that waits for the next
    std::vector<std::size_t> m_substitutes;
    bool m_stopped = false;
    std::vector<unsigned char> m_output;
    std::vector<Problem> m_problems;
};

} // namespace kelconv

#endif
