#ifndef KELCONVERTERHELPERS_H
#define KELCONVERTERHELPERS_H

// Pieces every converter shares: the flag, the escape text and the
// substitute written for a character without a mapping.

#include "KelCharSet.h"
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

// Reads NUL-terminated UTF-16 text one character at a time for a
// conversion from UTF-16. A well-formed surrogate pair comes as one code
// point; an unpaired high surrogate comes alone, flagged, and the unit after
// it is then read in its own right.
class UTF16Reader {
public:
    struct Char {
        std::uint32_t value;
        bool unpaired;
    };

    explicit UTF16Reader(const unsigned short* src) : m_src(src) {}

    // False at the terminator.
    bool next(Char& c) {
        const unsigned short u = m_carried ? m_carry : m_src[m_pos++];
        m_carried = false;
        if (u == 0)
            return false;
        c = {u, false};
        if (!KelUChar::isSurrogateHigh(u))
            return true;
        const unsigned short w = m_src[m_pos++];
        if (KelUChar::isSurrogateLow(w)) {
            c.value = KelUChar::toUTF32(u, w);
        } else {
            c.unpaired = true;
            m_carry = w;
            m_carried = true;
        }
        return true;
    }

private:
    const unsigned short* m_src;
    KelLength m_pos = 0;
    unsigned short m_carry = 0;
    bool m_carried = false;
};

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
