#ifndef KELUTF8CODEC_H
#define KELUTF8CODEC_H

// The pieces of UTF-8 that the UTF-8 and UTF-32 converters share: reading
// the bytes of one sequence and writing one code point. Internal to the
// library.

#include "KelTypes.h"

#include <cstdint>

namespace kel {
namespace utf8 {

inline bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// True when the `count` bytes after the lead are continuation bytes that lie
// within `avail` (bytes beyond it read as NUL). Stops at the first failure so
// that nothing past a NUL is read.
inline bool continuationsFollow(const unsigned char* p, KelLength avail, unsigned count) {
    for (unsigned i = 1; i <= count; ++i) {
        if (i >= avail || !isContinuation(p[i]))
            return false;
    }
    return true;
}

// The value carried by a sequence of `length` bytes (2 to 6) whose
// continuation bytes have been checked.
inline std::uint32_t payload(const unsigned char* p, unsigned length) {
    std::uint32_t v = p[0] & ((1u << (7 - length)) - 1);
    for (unsigned i = 1; i < length; ++i)
        v = (v << 6) | (p[i] & 0x3Fu);
    return v;
}

// The smallest value a sequence of each length may carry; anything below is
// an overlong form.
inline std::uint32_t minValueForLength(unsigned length) {
    static const std::uint32_t minValue[7] = {0, 0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
    return minValue[length];
}

// Bytes of the shortest form of a value up to 0x1FFFFF.
inline KelLength encodedLength(std::uint32_t v) {
    if (v <= 0x7F)
        return 1;
    if (v <= 0x7FF)
        return 2;
    return v <= 0xFFFF ? 3 : 4;
}

// Writes the shortest form of a value up to 0x1FFFFF, surrogate values
// included. Returns the bytes written, or 0 when they do not fit in `room`:
// a character is never written in part.
inline KelLength encode(unsigned char* d, KelLength room, std::uint32_t v) {
    static const unsigned char leadMark[5] = {0, 0x00, 0xC0, 0xE0, 0xF0};
    const KelLength length = encodedLength(v);
    if (room < length)
        return 0;
    for (KelLength i = length - 1; i > 0; --i) {
        d[i] = static_cast<unsigned char>(0x80 | (v & 0x3F));
        v >>= 6;
    }
    d[0] = static_cast<unsigned char>(leadMark[length] | v);
    return length;
}

} // namespace utf8
} // namespace kel

#endif
