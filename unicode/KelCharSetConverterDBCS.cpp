#include "KelCharSetConverterDBCS.h"

class KelCharSetConverterDBCS::Codec {
public:
    static constexpr KelLength kMaxLength = 2;

    Codec(const KelCharSetConverterDBCSBase& types, const LookupTable<unsigned short>& toUnicode,
          const unsigned short* codes, const LookupTable<unsigned short>& readOnly,
          const kel::mbcs::IdentityCache& identity, const kel::mbcs::FlatTables& flat,
          bool mixed)
        : m_types(types), m_toUnicode(toUnicode), m_codes(codes), m_readOnly(readOnly),
          m_mixed(mixed), m_identity(identity.of(*this)), m_flat(flat.of(*this)) {}

    // A code the set writes otherwise may still read as a character.
    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        const kel::codec::SourceChar c = m_types.decodeLeadTrail(m_toUnicode, p, avail);
        return c.valid ? c : m_types.decodeLeadTrail(m_readOnly, p, avail);
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength) const {
        return kel::mbcs::packedCode({p[0], 1}, m_codes[p[0]]);
    }

    // The table's page of a lead byte, which the decode windows read in
    // place where it holds what decode gives.
    const unsigned short* pairPage(unsigned char lead) const { return m_toUnicode.page(lead); }
    // The codes of the table from Unicode, which the fast kernels read in
    // place where they are what encode gives.
    const unsigned short* unitCodes() const { return m_codes; }

    kel::blocks::ASCIIIdentity identity() const { return m_identity; }
    kel::mbcs::FlatView flat() const { return m_flat; }
    bool mixedWidths() const { return m_mixed; }

private:
    const KelCharSetConverterDBCSBase& m_types;
    const LookupTable<unsigned short>& m_toUnicode;
    const unsigned short* m_codes;
    const LookupTable<unsigned short>& m_readOnly;
    const bool m_mixed;
    // Last: probed through decode and encode, which the others serve.
    const kel::blocks::ASCIIIdentity m_identity;
    const kel::mbcs::FlatView m_flat;
};

KelCharSetConverterDBCS::KelCharSetConverterDBCS(const unsigned short* map,
                                                 const unsigned char* type, KelCharSet cs)
    : KelCodecConverter(map, cs, nullptr, KelCodesForm::Flat), KelCharSetConverterDBCSBase(type) {}

KelCharSetConverterDBCS::KelCharSetConverterDBCS(const unsigned short* map,
                                                 const unsigned char* type,
                                                 const unsigned short* readOnly, KelCharSet cs)
    : KelCharSetConverterDBCS(map, type, cs) {
    m_pReadOnly = readOnly;
}

void KelCharSetConverterDBCS::load() {
    KelCharSetConverterMBCS::load();
    m_oReadOnly.get(m_pReadOnly);
}

KelCharSetConverterDBCS::Codec KelCharSetConverterDBCS::codec() {
    load();
    return Codec(*this, toUnicode(), codes(), kelTableOrEmpty(m_oReadOnly.get()).toUnicode,
                 m_oIdentity, m_oFlat, kel::mbcs::hasMixedWidths(getCharSet()));
}

template class KelCodecConverter<KelCharSetConverterDBCS, KelCharSetConverterMBCS>;
