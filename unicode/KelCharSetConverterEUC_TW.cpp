#include "KelCharSetConverterEUC_TW.h"

#include "KelChineseTables.h"

namespace {

using kel::mbcs::oneOrNone;

constexpr unsigned char kSS2 = 0x8E;
// The byte after SS2 that names plane 1; planes 2 to 7 follow it.
constexpr unsigned char kPlaneByte = 0xA1;

bool isCodeByte(unsigned char b) {
    return b >= 0xA1 && b <= 0xFE;
}

unsigned planeOf(unsigned char b) {
    return b >= kPlaneByte && b < kPlaneByte + kel::cns::kPlanes ? b - kPlaneByte + 1u : 0u;
}

// The characters of EUC-TW, from which its flat tables are built.
class Characters {
public:
    // SS2, the plane and two code bytes.
    static constexpr KelLength kMaxLength = 4;

    // Codes are taken only in the byte ranges of EUC-TW, so that no bytes
    // 80..FF read as a character below U+0080; each byte after the first is
    // read only behind a valid one, never past a terminator.
    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        const unsigned char b = p[0];
        if (b < 0x80)
            return kel::codec::mapped(1, b);
        const unsigned char c1 = kel::mbcs::byteAt(p, avail, 1);
        if (isCodeByte(b))
            return oneOrNone(2, isCodeByte(c1) ? kel::cns::character(1, b & 0x7F, c1 & 0x7F) : 0);
        const unsigned plane = b == kSS2 ? planeOf(c1) : 0;
        const unsigned char c2 = plane != 0 ? kel::mbcs::byteAt(p, avail, 2) : 0;
        const unsigned char c3 = isCodeByte(c2) ? kel::mbcs::byteAt(p, avail, 3) : 0;
        return oneOrNone(4, isCodeByte(c3) ? kel::cns::character(plane, c2 & 0x7F, c3 & 0x7F) : 0);
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength avail) const {
        const kel::CodePoint ch = kel::codePointAt(p, avail);
        if (ch.value < 0x80)
            return kel::mbcs::singleByte(p[0]);
        const kel::cns::Code code = kel::cns::codeOf(ch.value);
        const std::uint64_t pair = (code.row | 0x80u) << 8 | (code.cell | 0x80u);
        if (code.plane == 0)
            return {ch.units, ch.value, 0, 0, false};
        if (code.plane == 1)
            return {ch.units, ch.value, pair, 2, false};
        const std::uint64_t shift = kSS2 << 8 | (kPlaneByte + code.plane - 1);
        return {ch.units, ch.value, shift << 16 | pair, 4, false};
    }

    static constexpr kel::blocks::ASCIIIdentity identity() { return {0x7F, {0, 0, 0}}; }
};

} // namespace

class KelCharSetConverterEUC_TW::Codec : public Characters {
public:
    explicit Codec(const kel::mbcs::FlatTables& flat) : m_flat(flat.of(Characters())) {}

    // Plane 1 in its short form, the bulk of the text: the codes of the
    // other planes are four bytes, which the flat tables leave to the above.
    kel::mbcs::FlatView flat() const { return m_flat; }

private:
    const kel::mbcs::FlatView m_flat;
};

KelCharSetConverterEUC_TW::KelCharSetConverterEUC_TW() : KelCodecConverter(KELCS_EUC_TW) {}

KelCharSetConverterEUC_TW::Codec KelCharSetConverterEUC_TW::codec() {
    return Codec(m_oFlat);
}

template class KelCodecConverter<KelCharSetConverterEUC_TW>;
