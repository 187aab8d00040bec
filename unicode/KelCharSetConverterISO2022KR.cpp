#include "KelCharSetConverterISO2022KR.h"

#include "KelISO2022.h"

namespace {

namespace iso2022 = kel::iso2022;

// KS X 1001, as ESC $ ) C names it, in G1.
constexpr iso2022::SetName kKSX1001{'C', true, false};
constexpr unsigned kG1 = 1;
constexpr unsigned kKorean = 1;
// The encoder's note that the stream carries the designation.
constexpr unsigned kDesignatedFlag = 0;

} // namespace

class KelCharSetConverterISO2022KR::Codec {
public:
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;
    static constexpr bool kFastInState = true;

    // G1 holds KS X 1001 once designated; an encoder also notes that it
    // has written the designation, which a stream carries once.
    using State = iso2022::State;

    Codec(const LookupTable<unsigned short>& toUnicode,
          const LookupTable<unsigned short>& fromUnicode)
        : m_toUnicode(toUnicode), m_fromUnicode(fromUnicode) {}

    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail, State& state) const {
        if (p[0] == iso2022::kEsc)
            return designation(p, avail, state);
        if (p[0] == iso2022::kShiftOut)
            return iso2022::shiftOut(p, avail, true, state);
        // A newline keeps the designation: it holds for the whole text.
        return iso2022::shiftedText(
            p, avail, 0, state, [this](unsigned char row, unsigned char cell) {
                return m_toUnicode.trans(static_cast<unsigned short>(row << 8 | cell));
            });
    }

    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room, State& state) const {
        return iso2022::shiftedRun(s, n, d, room, 0, true, state,
                                   [this](unsigned char row, unsigned char cell) {
            return m_toUnicode.trans(static_cast<unsigned short>(row << 8 | cell));
        });
    }

    // Once the stream carries the designation, a run of the text of the
    // shift in force needs no bytes but the codes.
    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room, State& state) const {
        if (!state.flag(kDesignatedFlag))
            return {0, 0};
        return iso2022::runInShift(s, n, d, room, state.shifted(), [this](unsigned short unit) {
            return m_fromUnicode.trans(unit);
        });
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength, State& state) const {
        const unsigned short unit = p[0];
        if (iso2022::isShiftControl(unit))
            return iso2022::unmappable(1, unit);
        if (unit < 0x80)
            return withShifts(unit, unit, 1, false, state);
        const unsigned short code = m_fromUnicode.trans(unit);
        if (code == 0)
            return iso2022::unmappable(1, unit);
        return withShifts(unit, code, 2, true, state);
    }

    kel::codec::TargetChar finish(State& state) const {
        if (!state.shifted())
            return {0, 0, 0, 0, false};
        state.shift(false);
        return {0, 0, iso2022::kShiftIn, 1, false};
    }

private:
    // ESC $ ) C outside a shift; any other escape is one malformed byte,
    // and what follows it reads again. With one set to designate, a
    // repeated designation switches nothing and is harmless.
    static kel::codec::SourceChar designation(const unsigned char* p, KelLength avail,
                                              State& state) {
        const iso2022::Escape e = iso2022::readEscape(p, avail);
        if (e.kind == iso2022::Escape::Cut && !state.shifted())
            return iso2022::malformedByte(true);
        if (e.kind != iso2022::Escape::Designation || state.shifted() || e.element != kG1 ||
            !(e.set == kKSX1001))
            return iso2022::malformedByte();
        state.designate(kG1, kKorean);
        return kel::codec::shift(e.length);
    }

    // A character's bytes behind the designation, on the stream's first
    // character, and the shift it needs.
    static kel::codec::TargetChar withShifts(unsigned short unit, unsigned short code,
                                             KelLength size, bool korean, State& state) {
        iso2022::Bytes out;
        if (!state.flag(kDesignatedFlag))
            out.designation(kG1, kKSX1001, false);
        if (state.shifted() != korean)
            out.add(korean ? iso2022::kShiftOut : iso2022::kShiftIn, 1);
        out.add(code, size);
        state.setFlag(kDesignatedFlag, true);
        state.shift(korean);
        return out.of(1, unit);
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
