#include "KelCharSetConverterDBCSEx.h"

class KelCharSetConverterDBCSEx::Codec {
public:
    static constexpr KelLength kMaxLength = 2;

    Codec(const KelCharSetConverterDBCSBase& types, const LookupTable<unsigned int>& toUnicode,
          const LookupTableEx<unsigned short>& fromUnicode,
          const kel::mbcs::IdentityCache& identity)
        : m_types(types), m_toUnicode(toUnicode), m_fromUnicode(fromUnicode),
          m_identity(identity.of(*this)) {}

    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        return m_types.decodeLeadTrail(m_toUnicode, p, avail);
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength avail) const {
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
    : KelCodecConverter(map, cs), KelCharSetConverterDBCSBase(type) {}

KelCharSetConverterDBCSEx::Codec KelCharSetConverterDBCSEx::codec() {
    load();
    return Codec(*this, toUnicode(), fromUnicode(), m_oIdentity);
}

template class KelCodecConverter<KelCharSetConverterDBCSEx, KelCharSetConverterMBCSEx>;
