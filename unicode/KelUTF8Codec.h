#ifndef KELUTF8CODEC_H
#define KELUTF8CODEC_H

// The scalar reference of the UTF-8 form, which the UTF-8 and UTF-32
// converters share and the fast paths hand back to: reading one sequence
// and writing one code point. Internal to the library.

#include "KelSurrogates.h"
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

constexpr std::uint32_t kReplacement = 0xFFFD;

// One sequence as a decoder reads it: a value and the bytes it spans; a
// malformed one stands for its bytes as U+FFFD. `cut`: it broke off at the
// end of the bytes that may be read, which more bytes could complete.
struct Sequence {
    bool malformed;
    std::uint32_t value;
    KelLength length;
    bool cut = false;
};

// The two ways the library reads text that is not standard UTF-8.
enum class Reading {
    // The UTF-8 converter: standard UTF-8 and the forms the JVM writes (C0 80
    // for NUL, surrogates as three bytes each); malformed input is replaced
    // one maximal subpart at a time and never deleted.
    Jvm,
    // The UTF-32 converter: the lengths of up to six bytes that lead bytes
    // announce; a sequence that breaks off is its lead byte alone, and a
    // complete one that is overlong or no character (a surrogate, U+FFFE,
    // U+FFFF, beyond U+10FFFF) is replaced whole.
    Strict,
};

struct ByteRange {
    unsigned char lowest;
    unsigned char highest;
};

// The bytes that may follow a lead in a form of the Jvm reading. A lead that
// starts no such form gets an empty range: C1, F5 to FF, and C0 before
// anything but 80, so that "/" cannot arrive as C0 AF.
inline ByteRange jvmSecondByte(unsigned char lead) {
    switch (lead) {
    case 0xC0:
        return {0x80, 0x80};
    case 0xE0:
        return {0xA0, 0xBF};
    case 0xF0:
        return {0x90, 0xBF};
    case 0xF4:
        return {0x80, 0x8F};
    default:
        return lead == 0xC1 || lead >= 0xF5 ? ByteRange{0xFF, 0x00} : ByteRange{0x80, 0xBF};
    }
}

// Sequence length a lead byte announces: 1 to 6, 0 for continuation bytes,
// FE and FF.
inline unsigned announcedLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead < 0xC0 || lead >= 0xFE)
        return 0;
    unsigned n = 2;
    for (unsigned char mark = 0x20; (lead & mark) != 0; mark >>= 1)
        ++n;
    return n;
}

// The longest prefix of a Jvm form at p is one U+FFFD when it is broken or
// cut short, so that no two bytes around a deleted one can meet and spell
// what the text did not.
inline Sequence decodeJvm(const unsigned char* p, KelLength avail) {
    // F5 to FF lead nothing here: their second byte has an empty range.
    const unsigned announced = announcedLength(p[0]);
    const unsigned length = announced > 4 ? 4 : announced;
    if (length == 1)
        return {false, p[0], 1};
    const ByteRange second = jvmSecondByte(p[0]);
    if (length == 0 || second.lowest > second.highest)
        return {true, kReplacement, 1};
    if (avail < 2 || p[1] < second.lowest || p[1] > second.highest)
        return {true, kReplacement, 1, avail < 2};
    for (unsigned i = 2; i < length; ++i) {
        if (i >= avail || !isContinuation(p[i]))
            return {true, kReplacement, i, i >= avail};
    }
    return {false, payload(p, length), length};
}

inline bool isCharacter(std::uint32_t v) {
    return !isSurrogateValue(v) && v != 0xFFFE && v != 0xFFFF && v <= 0x10FFFF;
}

inline Sequence decodeStrict(const unsigned char* p, KelLength avail) {
    const unsigned length = announcedLength(p[0]);
    if (length == 1)
        return {false, p[0], 1};
    if (length == 0 || !continuationsFollow(p, avail, length - 1))
        return {true, kReplacement, 1};
    const std::uint32_t v = payload(p, length);
    if (v < minValueForLength(length) || !isCharacter(v))
        return {true, kReplacement, length};
    return {false, v, length};
}

// Decodes the sequence at p, whose first byte is not 0; `avail` bytes may be
// read, and a NUL ends the text before that, since it is no continuation byte.
template <Reading R> inline Sequence decode(const unsigned char* p, KelLength avail) {
    return R == Reading::Jvm ? decodeJvm(p, avail) : decodeStrict(p, avail);
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
