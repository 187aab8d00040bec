#ifndef KELCONVERTERHELPERS_H
#define KELCONVERTERHELPERS_H

// Pieces every converter shares: the flag, the escape text and the
// substitute written for a character without a mapping.

#include "KelCharSet.h"
#include "KelSurrogates.h"
#include "KelUChar.h"

#include <cstdio>
#include <cstring>

namespace kel {

inline void clearFlag(bool* pIllegal) {
    if (pIllegal != nullptr)
        *pIllegal = false;
}

inline void raiseFlag(bool* pIllegal) {
    if (pIllegal != nullptr)
        *pIllegal = true;
}

// Local text of 16- or 32-bit units arrives in caller buffers of any
// alignment (char buffers of the entry points), so it is read and written
// through memcpy.
template <class Unit> inline Unit loadUnit(const void* base, KelLength index) {
    Unit u;
    std::memcpy(&u, static_cast<const unsigned char*>(base) + index * sizeof(Unit), sizeof u);
    return u;
}

template <class Unit> inline void storeUnit(void* base, KelLength index, Unit u) {
    std::memcpy(static_cast<unsigned char*>(base) + index * sizeof(Unit), &u, sizeof u);
}

// The byte order of local text of wide units: the machine's own, or the
// reverse (big-endian text on a little-endian machine, and the other way).
template <class Unit> inline Unit swappedIf(bool swap, Unit u) {
    if (!swap)
        return u;
    if constexpr (sizeof(Unit) == 2)
        return static_cast<Unit>(__builtin_bswap16(u));
    else
        return static_cast<Unit>(__builtin_bswap32(u));
}

// Whether big-endian text is in the machine's order.
constexpr bool kBigEndianHost = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

constexpr KelLength kEscapeLength = 6;

// Writes the six characters "U+XXXX" for a unit, in the target's unit type.
template <class Unit> inline void writeEscape(Unit* dst, unsigned short unit) {
    char text[10];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned int>(unit));
    for (KelLength i = 0; i < kEscapeLength; ++i)
        dst[i] = static_cast<Unit>(static_cast<unsigned char>(text[i]));
}

// Escapes a character: "U+XXXX" for a unit, the escapes of both surrogates
// (twelve characters) for a code point beyond U+FFFF. 0 when it does not fit.
template <class Unit>
inline KelLength writeCharEscape(Unit* dst, KelLength room, std::uint32_t ch) {
    if (!KelUChar::isSurrogate(ch)) {
        if (room < kEscapeLength)
            return 0;
        writeEscape(dst, static_cast<unsigned short>(ch));
        return kEscapeLength;
    }
    if (room < 2 * kEscapeLength)
        return 0;
    unsigned short hi, lo;
    KelUChar::toSurrogatePair(ch, hi, lo);
    writeEscape(dst, hi);
    writeEscape(dst + kEscapeLength, lo);
    return 2 * kEscapeLength;
}

// Escape digits are "0" to "9" and upper-case "A" to "F" only, so text such
// as "U+00e9" is never taken for an escape.
template <class Unit> inline bool valid(Unit c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

template <class Unit> inline unsigned short value(Unit c) {
    return static_cast<unsigned short>(c <= '9' ? c - 0x30 : c - 0x37);
}

// Reads an escape "U+XXXX" at s, of which `avail` units may be read. The
// tests run left to right and stop at the first failure, so nothing past a
// NUL is read.
template <class Unit> inline bool readEscape(const Unit* s, KelLength avail, unsigned short& unit) {
    if (avail < kEscapeLength || s[0] != 'U' || s[1] != '+')
        return false;
    unsigned short v = 0;
    for (KelLength i = 2; i < kEscapeLength; ++i) {
        if (!valid(s[i]))
            return false;
        v = static_cast<unsigned short>(v * 16 + value(s[i]));
    }
    unit = v;
    return true;
}

// One character of UTF-16 text: a well-formed surrogate pair as its code
// point, anything else (an unpaired surrogate included) as the unit itself.
struct CodePoint {
    std::uint32_t value;
    KelLength units;
};

// The character at p, of which `avail` units may be read. The unit after p[0]
// is read only when p[0] is a high surrogate, so NUL-terminated text
// (avail = KEL_NPOS) is never read past its terminator.
inline CodePoint codePointAt(const unsigned short* p, KelLength avail) {
    if (isHighSurrogate(p[0]) && avail > 1 && isLowSurrogate(p[1]))
        return {KelUChar::toUTF32(p[0], p[1]), 2};
    return {p[0], 1};
}

constexpr unsigned short kReplacementUnit = 0xFFFD;

// The units of text of any alignment before its first zero unit, of which
// at most `max` are read: the one measure of terminated text.
template <class Unit> inline KelLength unitsBeforeNul(const void* s, KelLength max) {
    if constexpr (sizeof(Unit) == 1)
        return ::strnlen(static_cast<const char*>(s), max);
    KelLength n = 0;
    while (n < max && loadUnit<Unit>(s, n) != 0)
        ++n;
    return n;
}

} // namespace kel

#endif
