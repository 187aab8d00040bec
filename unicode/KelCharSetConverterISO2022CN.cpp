#include "KelCharSetConverterISO2022CN.h"

#include "KelChineseTables.h"
#include "KelISO2022.h"

namespace {

namespace iso2022 = kel::iso2022;
using kel::codec::SourceChar;
using kel::codec::TargetChar;

constexpr unsigned kG1 = 1;
constexpr unsigned kG2 = 2;
constexpr unsigned kG3 = 3;
// A newline clears every designation.
constexpr unsigned kClearedAtNewline = 1u << kG1 | 1u << kG2 | 1u << kG3;

// The sets of G1, as the state numbers them; G2 holds CNS plane 2 (1), G3
// a plane from 3 to 7 under its number.
constexpr unsigned kNoSet = 0;
constexpr unsigned kGB2312 = 1;
constexpr unsigned kCNSPlane1 = 2;
constexpr unsigned kISOIR165 = 3;
constexpr unsigned kPlane2 = 1;

// The final bytes of the designations: of the G1 sets by their number, of
// plane 2, and of plane 3 (planes 4 to 7 follow it).
constexpr unsigned char kG1Finals[] = {0, 'A', 'G', 'E'};
constexpr unsigned char kPlane2Final = 'H';
constexpr unsigned char kPlane3Final = 'I';

iso2022::SetName multibyte(unsigned char final) {
    return {final, true, false};
}

} // namespace

class KelCharSetConverterISO2022CN::Codec {
public:
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;
    static constexpr bool kFastInState = true;

    using State = iso2022::State;

    Codec(KelCharSet cs, const LookupTable<unsigned short>& gbToUnicode,
          const LookupTable<unsigned short>& gbFromUnicode)
        : m_extended(cs != KELCS_ISO_2022CN), m_cnsOnly(cs == KELCS_ISO_2022TW),
          m_gbToUnicode(gbToUnicode), m_gbFromUnicode(gbFromUnicode) {}

    SourceChar decode(const unsigned char* p, KelLength avail, State& state) const {
        if (p[0] == iso2022::kEsc)
            return escape(p, avail, state);
        if (p[0] == iso2022::kShiftOut)
            return iso2022::shiftOut(p, avail, state.set(kG1) != kNoSet, state);
        const unsigned g1 = state.set(kG1);
        return iso2022::shiftedText(p, avail, kClearedAtNewline, state,
                                    [this, g1](unsigned char row, unsigned char cell) {
                                        return g1Character(g1, row, cell);
                                    });
    }

    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room, State& state) const {
        const unsigned g1 = state.set(kG1);
        return iso2022::shiftedRun(s, n, d, room, kClearedAtNewline, g1 != kNoSet, state,
                                   [this, g1](unsigned char row, unsigned char cell) {
            return g1Character(g1, row, cell);
        });
    }

    // A character that the set in G1 holds stays in it (encodeChoice), so a
    // run of the text of the shift in force needs no bytes but the codes.
    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room, State& state) const {
        const unsigned g1 = state.set(kG1);
        return iso2022::runInShift(s, n, d, room, state.shifted(), [this, g1](unsigned short unit) {
            return g1Code(g1, unit);
        });
    }

    TargetChar encode(const unsigned short* p, KelLength avail, State& state) const {
        const kel::CodePoint ch = kel::codePointAt(p, avail);
        if (iso2022::isShiftControl(p[0]))
            return iso2022::unmappable(1, p[0]);
        iso2022::Bytes out;
        if (ch.value < 0x80) {
            if (state.shifted())
                out.add(iso2022::kShiftIn, 1);
            out.add(ch.value, 1);
            state.shift(false);
            if (iso2022::isNewline(static_cast<unsigned char>(ch.value)))
                state.newLine(kClearedAtNewline);
            return out.of(1, ch.value);
        }
        if (!encodeChoice(ch.value, state, out))
            return iso2022::unmappable(ch.units, ch.value);
        return out.of(ch.units, ch.value);
    }

    TargetChar finish(State& state) const {
        const bool shifted = state.shifted();
        state.newLine(kClearedAtNewline);
        return {0, 0, iso2022::kShiftIn, shifted ? 1u : 0u, false};
    }

private:
    // A designation or a single shift of this set; any other escape is one
    // malformed ESC, and the bytes after it read again.
    SourceChar escape(const unsigned char* p, KelLength avail, State& state) const {
        const iso2022::Escape e = iso2022::readEscape(p, avail);
        switch (e.kind) {
        case iso2022::Escape::Cut:
            return iso2022::malformedByte(true);
        case iso2022::Escape::SingleShift2:
            return singleShifted(p, avail, state.set(kG2) == kPlane2 ? 2 : 0, state);
        case iso2022::Escape::SingleShift3:
            if (!m_extended)
                return iso2022::malformedByte();
            return singleShifted(p, avail, state.set(kG3), state);
        case iso2022::Escape::Designation: {
            const unsigned set = designatedSet(e);
            if (set == kNoSet)
                return iso2022::malformedByte();
            return iso2022::designationRead(e, set, state);
        }
        default:
            return iso2022::malformedByte();
        }
    }

    // The state's number of the set a designation names, kNoSet for one
    // this set does not read.
    unsigned designatedSet(const iso2022::Escape& e) const {
        if (!e.set.multibyte || e.set.set96)
            return kNoSet;
        const unsigned char f = e.set.final;
        switch (e.element) {
        case kG1:
            for (unsigned set = kGB2312; set <= kISOIR165; ++set)
                if (f == kG1Finals[set] && (set != kISOIR165 || m_extended))
                    return set;
            return kNoSet;
        case kG2:
            return f == kPlane2Final ? kPlane2 : kNoSet;
        case kG3:
            return m_extended && f >= kPlane3Final && f < kPlane3Final + 5
                       ? static_cast<unsigned>(f - kPlane3Final + 3)
                       : kNoSet;
        default:
            return kNoSet;
        }
    }

    // ESC N or ESC O and the code of one character of the CNS plane in G2
    // or G3 (0 for none designated on this line, which makes a code there
    // one malformed character). A code that a control cuts is a malformed
    // single shift, and the control reads again.
    static SourceChar singleShifted(const unsigned char* p, KelLength avail, unsigned plane,
                                    State& state) {
        for (KelLength i = 2; i < 4; ++i) {
            if (avail <= i)
                return kel::codec::noCharacter(avail, true);
            if (!iso2022::isGraphic94(p[i]))
                return kel::codec::noCharacter(2);
        }
        return iso2022::read(kel::codec::mapped(4, kel::cns::character(plane, p[2], p[3])),
                             state);
    }

    std::uint32_t g1Character(unsigned set, unsigned char row, unsigned char cell) const {
        const auto key = static_cast<unsigned short>(row << 8 | cell);
        switch (set) {
        case kGB2312:
            return m_gbToUnicode.trans(key);
        case kCNSPlane1:
            return kel::cns::character(1, row, cell);
        case kISOIR165: {
            const unsigned short differing = kel::isoir165::characterOf(key);
            return differing != 0 ? differing : m_gbToUnicode.trans(key);
        }
        default:
            return 0;
        }
    }

    // The 7-bit code of `value` in a G1 set this encoder writes, 0 for none.
    unsigned short g1Code(unsigned set, std::uint32_t value) const {
        if (value > 0xFFFF || !writesG1(set))
            return 0;
        const auto unit = static_cast<unsigned short>(value);
        switch (set) {
        case kGB2312:
            return m_gbFromUnicode.trans(unit);
        case kCNSPlane1: {
            const kel::cns::Code code = kel::cns::codeOf(value);
            return code.plane == 1 ? static_cast<unsigned short>(code.row << 8 | code.cell) : 0;
        }
        default: {
            const unsigned short differing = kel::isoir165::codeOf(unit);
            const unsigned short gb = m_gbFromUnicode.trans(unit);
            if (differing != 0)
                return differing;
            return gb != 0 && kel::isoir165::characterOf(gb) == 0 ? gb : 0;
        }
        }
    }

    bool writesG1(unsigned set) const {
        switch (set) {
        case kGB2312:
            return !m_cnsOnly;
        case kCNSPlane1:
            return true;
        case kISOIR165:
            return m_extended && !m_cnsOnly;
        default:
            return false;
        }
    }

    // Writes `value` with what it needs in front of it: a character that
    // the set in G1 holds stays in it; otherwise the sets are tried in the
    // order GB 2312, CNS plane 1, plane 2, ISO-IR-165, planes 3 to 7, as
    // far as this set writes them, except that a line whose G1 holds CNS
    // plane 1 tries plane 2 before GB 2312. That is the choice the common
    // encoders of ISO-2022-CN make, and it keeps text ISO-2022-CN can
    // write coming out of ISO-2022-CN-EXT the same.
    bool encodeChoice(std::uint32_t value, State& state, iso2022::Bytes& out) const {
        const unsigned g1 = state.set(kG1);
        if (const unsigned short code = g1Code(g1, value))
            return inG1(g1, code, state, out);
        const kel::cns::Code cns = kel::cns::codeOf(value);
        if (g1 == kCNSPlane1 && cns.plane == 2)
            return singleShiftedTo(kG2, kPlane2, kPlane2Final, cns, state, out);
        for (unsigned set : {kGB2312, kCNSPlane1})
            if (const unsigned short code = g1Code(set, value))
                return inG1(set, code, state, out);
        if (cns.plane == 2)
            return singleShiftedTo(kG2, kPlane2, kPlane2Final, cns, state, out);
        if (const unsigned short code = g1Code(kISOIR165, value))
            return inG1(kISOIR165, code, state, out);
        if (cns.plane >= 3 && m_extended)
            return singleShiftedTo(kG3, cns.plane, kPlane3Final + (cns.plane - 3), cns, state,
                                   out);
        return false;
    }

    static bool inG1(unsigned set, unsigned short code, State& state, iso2022::Bytes& out) {
        if (state.set(kG1) != set)
            out.designation(kG1, multibyte(kG1Finals[set]), false);
        if (!state.shifted())
            out.add(iso2022::kShiftOut, 1);
        out.add(code, 2);
        state.designate(kG1, set);
        state.shift(true);
        return true;
    }

    // A single shift leaves the shift state as it is: after it, text of G1
    // needs no SO again only if SO was in force before it.
    static bool singleShiftedTo(unsigned element, unsigned set, unsigned char final,
                                const kel::cns::Code& cns, State& state, iso2022::Bytes& out) {
        if (state.set(element) != set)
            out.designation(element, multibyte(final), false);
        out.add(iso2022::kEsc, 1);
        out.add(element == kG2 ? 'N' : 'O', 1);
        out.add(static_cast<std::uint64_t>(cns.row) << 8 | cns.cell, 2);
        state.designate(element, set);
        return true;
    }

    bool m_extended;
    bool m_cnsOnly;
    const LookupTable<unsigned short>& m_gbToUnicode;
    const LookupTable<unsigned short>& m_gbFromUnicode;
};

KelCharSetConverterISO2022CN::KelCharSetConverterISO2022CN(const unsigned short* gb2312,
                                                           KelCharSet cs)
    : KelCodecConverter(gb2312, cs) {}

KelCharSetConverterISO2022CN::Codec KelCharSetConverterISO2022CN::codec() {
    load();
    return Codec(getCharSet(), toUnicode(), fromUnicode());
}

template class KelCodecConverter<KelCharSetConverterISO2022CN, KelCharSetConverterMBCS>;
