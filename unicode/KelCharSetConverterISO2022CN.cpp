#include "KelCharSetConverterISO2022CN.h"

#include "KelChineseTables.h"

#include <algorithm>

namespace {

using kel::codec::SourceChar;
using kel::codec::TargetChar;

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;
constexpr unsigned char kShiftIn = 0x0F;

// The sets G1 can hold.
enum G1Set : unsigned char { kNoSet, kGB2312, kCNSPlane1, kISOIR165 };

// What an escape sequence does: designate a set to G1, CNS plane 2 to G2 or
// a CNS plane to G3, or shift one character into G2 or G3.
enum class EscapeKind { G1, G2, G3, SingleShift2, SingleShift3 };

struct EscapeSequence {
    unsigned char bytes[4];
    KelLength length;
    EscapeKind kind;
    unsigned char set; // the G1 set, or the CNS plane
    bool extended;     // only in ISO-2022-CN-EXT and 50229
};

constexpr EscapeSequence kEscapes[] = {
    {{kEsc, '$', ')', 'A'}, 4, EscapeKind::G1, kGB2312, false},
    {{kEsc, '$', ')', 'G'}, 4, EscapeKind::G1, kCNSPlane1, false},
    {{kEsc, '$', ')', 'E'}, 4, EscapeKind::G1, kISOIR165, true},
    {{kEsc, '$', '*', 'H'}, 4, EscapeKind::G2, 2, false},
    {{kEsc, '$', '+', 'I'}, 4, EscapeKind::G3, 3, true},
    {{kEsc, '$', '+', 'J'}, 4, EscapeKind::G3, 4, true},
    {{kEsc, '$', '+', 'K'}, 4, EscapeKind::G3, 5, true},
    {{kEsc, '$', '+', 'L'}, 4, EscapeKind::G3, 6, true},
    {{kEsc, '$', '+', 'M'}, 4, EscapeKind::G3, 7, true},
    {{kEsc, 'N'}, 2, EscapeKind::SingleShift2, 2, false},
    {{kEsc, 'O'}, 2, EscapeKind::SingleShift3, 0, true},
};

const EscapeSequence& designationOf(EscapeKind kind, unsigned char set) {
    return *std::find_if(std::begin(kEscapes), std::end(kEscapes),
                         [&](const EscapeSequence& e) { return e.kind == kind && e.set == set; });
}

const EscapeSequence& singleShift(EscapeKind kind) {
    return designationOf(kind, kind == EscapeKind::SingleShift2 ? 2 : 0);
}

std::uint64_t packed(const EscapeSequence& e) {
    return kel::codec::packBytes(e.bytes, e.length);
}

bool isCodeByte(unsigned char b) {
    return kel::cns::isCodeByte(b);
}

bool isNewline(unsigned int c) {
    return c == '\r' || c == '\n';
}

bool isShiftControl(unsigned int c) {
    return c == kEsc || c == kShiftOut || c == kShiftIn;
}

} // namespace

class KelCharSetConverterISO2022CN::Codec {
public:
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;

    // The sets designated on the current line, and whether SO is in force.
    struct State {
        unsigned char g1;     // a G1Set
        unsigned char g3;     // the CNS plane in G3, 0 for none
        bool g2;              // CNS plane 2 is in G2
        bool shifted;
    };

    Codec(KelCharSet cs, const LookupTable<unsigned short>& gbToUnicode,
          const LookupTable<unsigned short>& gbFromUnicode)
        : m_extended(cs != KELCS_ISO_2022CN), m_cnsOnly(cs == KELCS_ISO_2022TW),
          m_gbToUnicode(gbToUnicode), m_gbFromUnicode(gbFromUnicode),
          m_codes(kel::cns::Codes::get()), m_isoir165(kel::isoir165::Difference::get()) {}

    SourceChar decode(const unsigned char* p, KelLength avail, State& state) const {
        const unsigned char b = p[0];
        if (b == kEsc)
            return escape(p, avail, state);
        if (b == kShiftOut)
            return shiftOut(p, avail, state);
        if (b == kShiftIn) {
            state.shifted = false;
            return kel::codec::shift(1);
        }
        if (b >= 0x80)
            return kel::codec::noCharacter(1);
        if (isNewline(b)) {
            // A shift its line did not end with SI is one problem of no
            // bytes; the newline then reads unshifted.
            if (state.shifted) {
                state.shifted = false;
                return kel::codec::noCharacter(0);
            }
            state = State{};
            return kel::codec::character(1, b);
        }
        if (!state.shifted || !isCodeByte(b))
            return kel::codec::character(1, b);
        if (avail < 2)
            return kel::codec::noCharacter(1, true);
        if (!isCodeByte(p[1]))
            return kel::codec::noCharacter(1);
        return kel::codec::mapped(2, g1Character(state.g1, b, p[1]));
    }

    TargetChar encode(const unsigned short* p, KelLength avail, State& state) const {
        const kel::CodePoint ch = kel::codePointAt(p, avail);
        if (isShiftControl(ch.value))
            return {1, ch.value, 0, 0, false};
        kel::codec::PackedBytes out;
        if (ch.value < 0x80) {
            if (state.shifted)
                out.add(kShiftIn, 1);
            out.add(ch.value, 1);
            state.shifted = false;
            if (isNewline(ch.value))
                state = State{};
            return {1, ch.value, out.bytes, out.size, false};
        }
        if (!encodeChoice(ch.value, state, out))
            return {ch.units, ch.value, 0, 0, false};
        return {ch.units, ch.value, out.bytes, out.size, false};
    }

    TargetChar finish(State& state) const {
        const bool shifted = state.shifted;
        state = State{};
        return {0, 0, kShiftIn, shifted ? 1u : 0u, false};
    }

private:
    // The escape sequence at p. One that this set does not know is one
    // malformed ESC, and the bytes after it read again; one that the input
    // cuts may still become known.
    SourceChar escape(const unsigned char* p, KelLength avail, State& state) const {
        bool prefix = false;
        for (const EscapeSequence& e : kEscapes) {
            if (e.extended && !m_extended)
                continue;
            const KelLength seen = std::min(avail, e.length);
            if (!std::equal(p, p + seen, e.bytes))
                continue;
            if (seen == e.length)
                return apply(e, p, avail, state);
            prefix = true;
        }
        return kel::codec::noCharacter(1, prefix);
    }

    SourceChar apply(const EscapeSequence& e, const unsigned char* p, KelLength avail,
                     State& state) const {
        switch (e.kind) {
        case EscapeKind::G1:
            state.g1 = e.set;
            break;
        case EscapeKind::G2:
            state.g2 = true;
            break;
        case EscapeKind::G3:
            state.g3 = e.set;
            break;
        case EscapeKind::SingleShift2:
            return singleShifted(p, avail, state.g2 ? 2 : 0);
        case EscapeKind::SingleShift3:
            return singleShifted(p, avail, state.g3);
        }
        return kel::codec::shift(e.length);
    }

    // ESC N or ESC O and the code of one character of the CNS plane in G2
    // or G3 (0 for none designated on this line, which makes a code there
    // one malformed character). A code that a control cuts is a malformed
    // single shift, and the control reads again.
    static SourceChar singleShifted(const unsigned char* p, KelLength avail, unsigned plane) {
        for (KelLength i = 2; i < 4; ++i) {
            if (avail <= i)
                return kel::codec::noCharacter(avail, true);
            if (!isCodeByte(p[i]))
                return kel::codec::noCharacter(2);
        }
        return kel::codec::mapped(4, kel::cns::character(plane, p[2], p[3]));
    }

    // SO invokes the set in G1. Without one, or directly followed by SI
    // (a shift to nothing), it is one malformed byte. At the end of the
    // text SO is a shift that more text may follow.
    static SourceChar shiftOut(const unsigned char* p, KelLength avail, State& state) {
        if (state.g1 == kNoSet || (avail >= 2 && p[1] == kShiftIn))
            return kel::codec::noCharacter(1);
        state.shifted = true;
        SourceChar c = kel::codec::shift(1);
        c.cut = avail < 2;
        return c;
    }

    std::uint32_t g1Character(unsigned char set, unsigned char row, unsigned char cell) const {
        const auto key = static_cast<unsigned short>(row << 8 | cell);
        switch (set) {
        case kGB2312:
            return m_gbToUnicode.trans(key);
        case kCNSPlane1:
            return kel::cns::character(1, row, cell);
        case kISOIR165: {
            const unsigned short differing = m_isoir165.toUnicode.trans(key);
            return differing != 0 ? differing : m_gbToUnicode.trans(key);
        }
        default:
            return 0;
        }
    }

    // The 7-bit code of `value` in a G1 set, 0 for none.
    unsigned short g1Code(unsigned char set, std::uint32_t value) const {
        if (value > 0xFFFF)
            return 0;
        const auto unit = static_cast<unsigned short>(value);
        switch (set) {
        case kGB2312:
            return m_gbFromUnicode.trans(unit);
        case kCNSPlane1: {
            const kel::cns::Code code = m_codes.of(value);
            return code.plane == 1 ? static_cast<unsigned short>(code.row << 8 | code.cell) : 0;
        }
        case kISOIR165: {
            const unsigned short differing = m_isoir165.fromUnicode.trans(unit);
            const unsigned short gb = m_gbFromUnicode.trans(unit);
            if (differing != 0)
                return differing;
            return gb != 0 && m_isoir165.toUnicode.trans(gb) == 0 ? gb : 0;
        }
        default:
            return 0;
        }
    }

    // The sets this encoder writes in G1, in the order it tries them: GB
    // 2312 first, so that text ISO-2022-CN can write comes out of
    // ISO-2022-CN-EXT the same.
    bool writesG1(unsigned char set) const {
        return set == kCNSPlane1 || (set == kGB2312 && !m_cnsOnly) ||
               (set == kISOIR165 && m_extended && !m_cnsOnly);
    }

    // Writes `value` with what it needs in front: a character that the set
    // in G1 holds stays in it; otherwise GB 2312, CNS plane 1, plane 2,
    // ISO-IR-165 and planes 3 to 7, as far as this set writes them.
    bool encodeChoice(std::uint32_t value, State& state, kel::codec::PackedBytes& out) const {
        if (writesG1(state.g1))
            if (const unsigned short code = g1Code(state.g1, value))
                return inG1(state.g1, code, state, out);
        for (unsigned char set : {kGB2312, kCNSPlane1})
            if (writesG1(set))
                if (const unsigned short code = g1Code(set, value))
                    return inG1(set, code, state, out);
        const kel::cns::Code cns = m_codes.of(value);
        if (cns.plane == 2)
            return singleShiftedTo(EscapeKind::G2, cns, state, out);
        if (writesG1(kISOIR165))
            if (const unsigned short code = g1Code(kISOIR165, value))
                return inG1(kISOIR165, code, state, out);
        if (cns.plane >= 3 && m_extended)
            return singleShiftedTo(EscapeKind::G3, cns, state, out);
        return false;
    }

    static bool inG1(unsigned char set, unsigned short code, State& state,
                     kel::codec::PackedBytes& out) {
        if (state.g1 != set)
            out.add(packed(designationOf(EscapeKind::G1, set)), 4);
        if (!state.shifted)
            out.add(kShiftOut, 1);
        out.add(code, 2);
        state.g1 = set;
        state.shifted = true;
        return true;
    }

    static bool singleShiftedTo(EscapeKind g, const kel::cns::Code& cns, State& state,
                                kel::codec::PackedBytes& out) {
        const bool g2 = g == EscapeKind::G2;
        const bool designated = g2 ? state.g2 : state.g3 == cns.plane;
        if (!designated)
            out.add(packed(designationOf(g, static_cast<unsigned char>(cns.plane))), 4);
        const EscapeSequence& shift =
            singleShift(g2 ? EscapeKind::SingleShift2 : EscapeKind::SingleShift3);
        out.add(packed(shift), shift.length);
        out.add(static_cast<std::uint64_t>(cns.row) << 8 | cns.cell, 2);
        if (g2)
            state.g2 = true;
        else
            state.g3 = static_cast<unsigned char>(cns.plane);
        return true;
    }

    bool m_extended;
    bool m_cnsOnly;
    const LookupTable<unsigned short>& m_gbToUnicode;
    const LookupTable<unsigned short>& m_gbFromUnicode;
    const kel::cns::Codes& m_codes;
    const kel::isoir165::Difference& m_isoir165;
};

KelCharSetConverterISO2022CN::KelCharSetConverterISO2022CN(const unsigned short* gb2312,
                                                           KelCharSet cs)
    : KelCodecConverter(gb2312, cs) {}

KelCharSetConverterISO2022CN::Codec KelCharSetConverterISO2022CN::codec() {
    load();
    return Codec(getCharSet(), toUnicode(), fromUnicode());
}

template class KelCodecConverter<KelCharSetConverterISO2022CN, KelCharSetConverterMBCS>;
