#ifndef KELCONV_ENCODER_H
#define KELCONV_ENCODER_H

#include "Decoder.h"
#include "Problem.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace kelconv {

// Turns decoded chunks into the target set and finds the characters the
// target cannot represent.
class Encoder {
public:
    Encoder(KelCharSetConverter& converter, Policy policy);

    // Encodes `units` (0 units become NUL characters of the target) and
    // appends the bytes to `out`. Characters without a mapping are added to
    // `problems`, located through `locator`, unless they stand for malformed
    // input that has been reported already. Returns false when the policy
    // stopped the conversion at one of them.
    bool encode(std::vector<unsigned short>& units, UnitLocator& locator,
                std::vector<unsigned char>& out, std::vector<Problem>& problems);

private:
    bool encodeSegment(std::vector<unsigned short>& units, std::size_t begin, std::size_t end,
                       UnitLocator& locator, std::vector<unsigned char>& out,
                       std::vector<Problem>& problems);
    bool handleUnmappable(std::vector<unsigned short>& units, std::size_t at, std::size_t length,
                          std::vector<unsigned char>& out);
    std::optional<std::size_t> findUnmappable(std::vector<unsigned short>& units, std::size_t begin,
                                              std::size_t end);
    bool convert(std::vector<unsigned short>& units, std::size_t begin, std::size_t end,
                 ILLCHAR_OPTYPE opType);
    void appendConverted(std::vector<unsigned char>& out) const;

    KelCharSetConverter& m_converter;
    Policy m_policy;
    ILLCHAR_OPTYPE m_opType;
    std::size_t m_bytesPerUnit;
    std::vector<unsigned char> m_bytes;
    std::size_t m_count = 0;
};

} // namespace kelconv

#endif
