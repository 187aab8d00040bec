#ifndef KELCONVERTERHELPERS_H
#define KELCONVERTERHELPERS_H

// Pieces every converter shares: the flag, the escape text and the
// substitute written for a character without a mapping.

#include "KelCharSet.h"

#include <cstdio>

namespace kel {

inline void clearFlag(bool* pIllegal) {
    if (pIllegal != nullptr)
        *pIllegal = false;
}

inline void raiseFlag(bool* pIllegal) {
    if (pIllegal != nullptr)
        *pIllegal = true;
}

constexpr KelLength kEscapeLength = 6;

// Writes the six characters "U+XXXX" for a unit, in the target's unit type.
template <class Unit> inline void writeEscape(Unit* dst, unsigned short unit) {
    char text[10];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned int>(unit));
    for (KelLength i = 0; i < kEscapeLength; ++i)
        dst[i] = static_cast<Unit>(static_cast<unsigned char>(text[i]));
}

// What a conversion from UTF-16 writes for a unit without a mapping: the
// number of target units written, or 0 when the conversion ends in front of
// it (ILLCHAR_STOP, or no room for the whole substitute).
template <class Unit>
inline KelLength writeSubstitute(Unit* dst, KelLength room, unsigned short unit,
                                 ILLCHAR_OPTYPE opType) {
    switch (opType) {
    case ILLCHAR_STOP:
        return 0;
    case ILLCHAR_ESCAPE:
        if (room < kEscapeLength)
            return 0;
        writeEscape(dst, unit);
        return kEscapeLength;
    default:
        if (room < 1)
            return 0;
        dst[0] = static_cast<Unit>('?');
        return 1;
    }
}

constexpr unsigned short kReplacementUnit = 0xFFFD;

// What a conversion to UTF-16 writes for a source character without a
// mapping: U+FFFD, or 0 when the conversion ends in front of it.
inline unsigned short decodeSubstitute(ILLCHAR_OPTYPE opType) {
    return opType == ILLCHAR_STOP ? 0 : kReplacementUnit;
}

// Number of units before the first 0 unit, reading at most `limit` units.
template <class Unit> inline KelLength terminatedLength(const Unit* s, KelLength limit) {
    KelLength n = 0;
    while (n < limit && s[n] != 0)
        ++n;
    return n;
}

} // namespace kel

#endif
