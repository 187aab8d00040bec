#include "KelCharSetConverterDBCS.h"

class KelCharSetConverterDBCS::Codec {
public:
    static constexpr KelLength kMaxLength = 2;

    Codec(const KelCharSetConverterDBCSBase& types, const LookupTable<unsigned short>& toUnicode,
          const LookupTable<unsigned short>& fromUnicode, const kel::mbcs::IdentityCache& identity)
        : m_types(types), m_toUnicode(toUnicode), m_fromUnicode(fromUnicode),
          m_identity(identity.of(*this)) {}

    kel::mbcs::LocalChar decode(const unsigned char* p, KelLength avail) const {
        return m_types.decodeLeadTrail(m_toUnicode, p, avail);
    }

    kel::mbcs::EncodedChar encode(const unsigned short* p, KelLength) const {
        return kel::mbcs::packedCode({p[0], 1}, m_fromUnicode.trans(p[0]));
    }

    kel::blocks::ASCIIIdentity identity() const { return m_identity; }

private:
    const KelCharSetConverterDBCSBase& m_types;
    const LookupTable<unsigned short>& m_toUnicode;
    const LookupTable<unsigned short>& m_fromUnicode;
    // Last: probed through decode and encode, which the others serve.
    const kel::blocks::ASCIIIdentity m_identity;
};

KelCharSetConverterDBCS::KelCharSetConverterDBCS(const unsigned short* map,
                                                 const unsigned char* type, KelCharSet cs)
    : KelCharSetConverterMBCS(map, cs), KelCharSetConverterDBCSBase(type) {}

KelCharSetConverterDBCS::Codec KelCharSetConverterDBCS::codec() {
    load();
    return Codec(*this, toUnicode(), fromUnicode(), m_oIdentity);
}

KelLength KelCharSetConverterDBCS::getNumUnits(const void* src, KelLength srcLen) {
    return kel::mbcs::countUnits(codec(), src, srcLen);
}

KelLength KelCharSetConverterDBCS::toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                                           ILLCHAR_OPTYPE opType, bool* pIllegal, int srcLimit) {
    return kel::mbcs::decodeText(codec(), dst, src, dstLen, opType, pIllegal, srcLimit);
}

KelLength KelCharSetConverterDBCS::getNumBytes(const unsigned short* src, KelLength srcLen) {
    return kel::mbcs::countBytes(codec(), src, srcLen);
}

KelLength KelCharSetConverterDBCS::fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                                             ILLCHAR_OPTYPE opType, bool* pIllegal) {
    return kel::mbcs::encodeText(codec(), dst, src, dstLen, opType, pIllegal);
}
