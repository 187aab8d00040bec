#ifndef KELCONV_DECODER_H
#define KELCONV_DECODER_H

#include "Problem.h"
#include "SourceProbe.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace kelconv {

// Where a stretch of decoded UTF-16 came from.
struct Origin {
    enum class Kind {
        Run,       // characters decoded from bytes [byteStart, byteEnd)
        Nul,       // the NUL character at byteStart
        Substitute // the U+FFFD written for the malformed character at byteStart
    };
    Kind kind;
    std::size_t unitStart;
    std::size_t byteStart;
    std::size_t byteEnd;
};

// A chunk in UTF-16, with the origin of every unit. NUL characters of the
// source are 0 units; the text has no unpaired surrogates.
struct DecodedText {
    std::vector<unsigned short> units;
    std::vector<Origin> origins;

    void clear();
};

// Turns chunks of source text into UTF-16 and finds the malformed
// characters in them.
class Decoder {
public:
    Decoder(KelCharSetConverter& converter, Policy policy);

    // Decodes data[0, size), which starts on a character boundary and ends on
    // one or at the end of the input. Malformed characters are added to
    // `problems` with offsets relative to `data`. Returns false when the
    // policy stopped the conversion at one of them.
    bool decode(const unsigned char* data, std::size_t size, DecodedText& out,
                std::vector<Problem>& problems);

    // The chunk last decoded, as the converter read it (NUL-terminated).
    const unsigned char* text() const { return m_text.data(); }
    SourceProbe& probe() { return m_probe; }

private:
    bool decodeSegment(std::size_t begin, std::size_t end, DecodedText& out,
                       std::vector<Problem>& problems);
    bool handleMalformed(std::size_t at, DecodedText& out);
    void appendRun(std::size_t begin, std::size_t end, DecodedText& out);
    std::optional<std::size_t> findMalformed(std::size_t begin, std::size_t end);
    bool isBadPrefix(std::size_t begin, std::size_t limit, std::size_t total);
    std::size_t culprit(std::size_t begin, std::size_t badLimit);
    std::size_t characterLength(std::size_t at, std::size_t end);
    std::size_t findNul(std::size_t from, std::size_t end) const;

    SourceProbe m_probe;
    Policy m_policy;
    std::size_t m_unitSize;
    std::vector<unsigned char> m_text;
};

// Maps UTF-16 units of a decoded chunk back to the byte offsets of the
// characters they came from. Units are asked for in increasing order, so
// each chunk is walked once.
class UnitLocator {
public:
    UnitLocator(SourceProbe& probe, const unsigned char* text, const DecodedText& decoded);

    struct Location {
        std::size_t offset;
        bool substitute; // a U+FFFD the tool wrote for malformed input
    };
    Location locate(std::size_t unit);

private:
    std::size_t unitsBefore(std::size_t limit);

    SourceProbe& m_probe;
    const unsigned char* m_text;
    const DecodedText& m_decoded;
    std::size_t m_origin = 0;
    std::size_t m_byte;
    std::size_t m_unit;
};

} // namespace kelconv

#endif
