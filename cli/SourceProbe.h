#ifndef KELCONV_SOURCEPROBE_H
#define KELCONV_SOURCEPROBE_H

#include "KelCharSet.h"

#include <cstddef>
#include <vector>

namespace kelconv {

// The longest character of any source set, in code units ("U+XXXX" of the
// escaped form).
constexpr std::size_t kLongestCharacter = 6;

// Decodes source text with a library converter and measures it in the
// source's code units: bytes, or the 16- and 32-bit units of UTF-16 and
// UTF-32. The converter says only whether something was malformed, not
// where or how many bytes it read; the tool finds those out by decoding
// prefixes, which is what this class is for.
class SourceProbe {
public:
    explicit SourceProbe(KelCharSetConverter& converter);

    std::size_t unitSize() const { return m_unitSize; }

    // Decodes the characters that start within the first `limit` (> 0) code
    // units of `text`, which ends at a NUL character or goes on for at least
    // a few characters past the limit. Returns true when anything was malformed.
    bool decode(const unsigned char* text, std::size_t limit);

    // The UTF-16 units of the last decode.
    const unsigned short* units() const { return m_units.data(); }
    std::size_t count() const { return m_count; }
    bool endsWithHighSurrogate() const;
    // An unpaired surrogate in the last decode; a high surrogate at the very
    // end counts only when `complete`, since the next character may pair it.
    bool hasUnpairedSurrogate(bool complete) const;

    // How many UTF-16 units the first `length` code units of `text` give
    // when decoded on their own, cut off from what follows.
    std::size_t isolatedCount(const unsigned char* text, std::size_t length);

private:
    KelCharSetConverter& m_converter;
    std::size_t m_unitSize;
    std::vector<unsigned short> m_units;
    std::size_t m_count = 0;
    std::vector<unsigned char> m_scratch;
};

// A character boundary in text[0, size) not far before its end, for
// splitting a line too long to keep in memory. Never splits a surrogate
// pair. The text must stay readable a few bytes past `size`. Returns 0 when
// the text is too short to split.
std::size_t findCut(SourceProbe& probe, const unsigned char* text, std::size_t size);

} // namespace kelconv

#endif
