#ifndef KELSURROGATES_H
#define KELSURROGATES_H

// Surrogates as values of any width: the one test of the library's
// converters and kernels (a value beyond U+FFFF is no surrogate). Internal
// to the library.

#include "KelTypes.h"

#include <cstdint>

namespace kel {

inline bool isHighSurrogate(std::uint32_t v) {
    return v >= 0xD800 && v <= 0xDBFF;
}

inline bool isLowSurrogate(std::uint32_t v) {
    return v >= 0xDC00 && v <= 0xDFFF;
}

inline bool isSurrogateValue(std::uint32_t v) {
    return v >= 0xD800 && v <= 0xDFFF;
}

// The UTF-16 units of a scalar value: two beyond U+FFFF.
inline KelLength utf16Length(std::uint32_t value) {
    return value > 0xFFFF ? 2 : 1;
}

} // namespace kel

#endif
