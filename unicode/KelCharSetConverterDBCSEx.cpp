#include "KelCharSetConverterDBCSEx.h"

class KelCharSetConverterDBCSEx::Codec {
public:
    static constexpr KelLength kMaxLength = 2;

    Codec(const KelCharSetConverterDBCSBase& types, const LookupTable<unsigned int>& toUnicode,
          const LookupTableEx<unsigned short>& fromUnicode,
          const kel::mbcs::IdentityCache& identity)
        : m_types(types), m_toUnicode(toUnicode), m_fromUnicode(fromUnicode),
          m_identity(identity.of(*this)) {}

    kel::mbcs::LocalChar decode(const unsigned char* p, KelLength avail) const {
        return m_types.decodeLeadTrail(m_toUnicode, p, avail);
    }

    kel::mbcs::EncodedChar encode(const unsigned short* p, KelLength avail) const {
        const kel::CodePoint ch = kel::codePointAt(p, avail);
        return kel::mbcs::packedCode(ch, m_fromUnicode.trans(ch.value));
    }

    kel::blocks::ASCIIIdentity identity() const { return m_identity; }

private:
    const KelCharSetConverterDBCSBase& m_types;
    const LookupTable<unsigned int>& m_toUnicode;
    const LookupTableEx<unsigned short>& m_fromUnicode;
    // Last: probed through decode and encode, which the others serve.
    const kel::blocks::ASCIIIdentity m_identity;
};

KelCharSetConverterDBCSEx::KelCharSetConverterDBCSEx(const sMBCSExTable* map,
                                                     const unsigned char* type, KelCharSet cs)
    : KelCharSetConverterMBCSEx(map, cs), KelCharSetConverterDBCSBase(type) {}

KelCharSetConverterDBCSEx::Codec KelCharSetConverterDBCSEx::codec() {
    load();
    return Codec(*this, toUnicode(), fromUnicode(), m_oIdentity);
}

KelLength KelCharSetConverterDBCSEx::getNumUnits(const void* src, KelLength srcLen) {
    return kel::mbcs::countUnits(codec(), src, srcLen);
}

KelLength KelCharSetConverterDBCSEx::toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                                             ILLCHAR_OPTYPE opType, bool* pIllegal, int srcLimit) {
    return kel::mbcs::decodeText(codec(), dst, src, dstLen, opType, pIllegal, srcLimit);
}

KelLength KelCharSetConverterDBCSEx::getNumBytes(const unsigned short* src, KelLength srcLen) {
    return kel::mbcs::countBytes(codec(), src, srcLen);
}

KelLength KelCharSetConverterDBCSEx::fromUTF16(void* dst, const unsigned short* src,
                                               KelLength dstLen, ILLCHAR_OPTYPE opType,
                                               bool* pIllegal) {
    return kel::mbcs::encodeText(codec(), dst, src, dstLen, opType, pIllegal);
}
