#include "KelCharSetConverterISO2022KR.h"

#include <algorithm>

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;
constexpr unsigned char kShiftIn = 0x0F;
constexpr unsigned char kDesignation[] = {kEsc, '$', ')', 'C'};
constexpr KelLength kDesignationLength = sizeof kDesignation;

// A byte of a KS X 1001 code in its 7-bit form.
bool isCodeByte(unsigned char b) {
    return b >= 0x21 && b <= 0x7E;
}

bool isNewline(unsigned char b) {
    return b == '\r' || b == '\n';
}

} // namespace

class KelCharSetConverterISO2022KR::Codec {
public:
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;

    // A decoder reads `shifted`; an encoder also remembers that it has
    // written the designation, which a stream carries once.
    struct State {
        bool designated;
        bool shifted;
    };

    Codec(const LookupTable<unsigned short>& toUnicode,
          const LookupTable<unsigned short>& fromUnicode)
        : m_toUnicode(toUnicode), m_fromUnicode(fromUnicode) {}

    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail, State& state) const {
        const unsigned char b = p[0];
        if (b == kEsc)
            return designation(p, avail, state);
        if (b == kShiftOut)
            return shiftOut(p, avail, state);
        if (b == kShiftIn) {
            state.shifted = false;
            return kel::codec::shift(1);
        }
        if (b >= 0x80)
            return kel::codec::noCharacter(1);
        if (!state.shifted)
            return kel::codec::character(1, b);
        // A newline ends a shift that its text did not end: the missing SI
        // is one problem of no bytes, and the newline reads unshifted.
        if (isNewline(b)) {
            state.shifted = false;
            return kel::codec::noCharacter(0);
        }
        if (!isCodeByte(b))
            return kel::codec::character(1, b);
        if (avail < 2)
            return kel::codec::noCharacter(1, true);
        if (!isCodeByte(p[1]))
            return kel::codec::noCharacter(1);
        return kel::codec::mapped(2, m_toUnicode.trans(static_cast<unsigned short>(b << 8 | p[1])));
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength, State& state) const {
        const unsigned short unit = p[0];
        // They would let text forge a shift.
        if (unit == kEsc || unit == kShiftOut || unit == kShiftIn)
            return {1, unit, 0, 0, false};
        if (unit < 0x80)
            return withShifts(unit, unit, 1, false, state);
        const unsigned short code = m_fromUnicode.trans(unit);
        if (code == 0)
            return {1, unit, 0, 0, false};
        return withShifts(unit, code, 2, true, state);
    }

    kel::codec::TargetChar finish(State& state) const {
        if (!state.shifted)
            return {0, 0, 0, 0, false};
        state.shifted = false;
        return {0, 0, kShiftIn, 1, false};
    }

private:
    // ESC $ ) C outside a shift; any other ESC is one malformed byte, and
    // what follows it reads again.
    static kel::codec::SourceChar designation(const unsigned char* p, KelLength avail,
                                              State& state) {
        const KelLength seen = std::min(avail, kDesignationLength);
        if (state.shifted || !std::equal(p, p + seen, kDesignation))
            return kel::codec::noCharacter(1);
        if (seen < kDesignationLength)
            return kel::codec::noCharacter(1, true);
        state.designated = true;
        return kel::codec::shift(kDesignationLength);
    }

    // SO directly followed by SI shifts to nothing: one malformed SO. At the
    // end of the text SO is a shift that more text may follow.
    static kel::codec::SourceChar shiftOut(const unsigned char* p, KelLength avail,
                                           State& state) {
        if (avail >= 2 && p[1] == kShiftIn)
            return kel::codec::noCharacter(1);
        state.shifted = true;
        kel::codec::SourceChar c = kel::codec::shift(1);
        c.cut = avail < 2;
        return c;
    }

    // A character's bytes behind the designation, on the stream's first
    // character, and the shift it needs.
    static kel::codec::TargetChar withShifts(unsigned short unit, unsigned short code,
                                             KelLength size, bool korean, State& state) {
        kel::codec::PackedBytes out;
        if (!state.designated)
            out.add(kel::codec::packBytes(kDesignation, kDesignationLength), kDesignationLength);
        if (state.shifted != korean)
            out.add(korean ? kShiftOut : kShiftIn, 1);
        out.add(code, size);
        state = {true, korean};
        return {1, unit, out.bytes, out.size, false};
    }

    const LookupTable<unsigned short>& m_toUnicode;
    const LookupTable<unsigned short>& m_fromUnicode;
};

KelCharSetConverterISO2022KR::KelCharSetConverterISO2022KR(const unsigned short* map,
                                                           KelCharSet cs)
    : KelCodecConverter(map, cs) {}

KelCharSetConverterISO2022KR::Codec KelCharSetConverterISO2022KR::codec() {
    load();
    return Codec(toUnicode(), fromUnicode());
}

template class KelCodecConverter<KelCharSetConverterISO2022KR, KelCharSetConverterMBCS>;
