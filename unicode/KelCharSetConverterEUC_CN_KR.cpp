#include "KelCharSetConverterEUC_CN_KR.h"

#include "KelMBCSCodec.h"

class KelCharSetConverterEUC_CN_KR::Codec {
public:
    static constexpr KelLength kMaxLength = 2;

    Codec(const LookupTable<unsigned short>& toUnicode,
          const LookupTable<unsigned short>& fromUnicode, const kel::mbcs::FlatTables& flat,
          bool mixed)
        : m_toUnicode(toUnicode), m_fromUnicode(fromUnicode), m_mixed(mixed),
          m_flat(flat.of(*this)) {}

    // A lead byte without a trail byte is a character without a mapping by
    // itself; the byte after it starts the next character.
    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        if (isCS0(p[0]))
            return kel::codec::mapped(1, p[0]);
        const unsigned char trail = kel::mbcs::byteAt(p, avail, 1);
        if (!isLeadCS1(p[0]) || !isTrailCS1(trail))
            return kel::codec::mapped(1, 0);
        return kel::codec::mapped(2, m_toUnicode.trans(kel::mbcs::sevenBitKey(p[0], trail)));
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength) const {
        if (isCS0(p[0]))
            return kel::mbcs::singleByte(p[0]);
        return kel::mbcs::eucPair(p[0], m_fromUnicode.trans(p[0]));
    }

    // Code set 0 but the terminator.
    static constexpr kel::blocks::ASCIIIdentity identity() { return {0x7E, {0, 0, 0}}; }
    kel::mbcs::FlatView flat() const { return m_flat; }
    bool mixedWidths() const { return m_mixed; }

private:
    const LookupTable<unsigned short>& m_toUnicode;
    const LookupTable<unsigned short>& m_fromUnicode;
    const bool m_mixed;
    // Last: built through decode, which the tables serve.
    const kel::mbcs::FlatView m_flat;
};

KelCharSetConverterEUC_CN_KR::KelCharSetConverterEUC_CN_KR(const unsigned short* map, KelCharSet cs)
    : KelCodecConverter(map, cs) {}

KelCharSetConverterEUC_CN_KR::Codec KelCharSetConverterEUC_CN_KR::codec() {
    load();
    return Codec(toUnicode(), fromUnicode(), m_oFlat, kel::mbcs::hasMixedWidths(getCharSet()));
}

template class KelCodecConverter<KelCharSetConverterEUC_CN_KR, KelCharSetConverterMBCS>;
