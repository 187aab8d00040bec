#ifndef KELCHARSETCONVERTERDBCS_H
#define KELCHARSETCONVERTERDBCS_H

#include "KelCharSetConverterMBCS.h"
#include "KelCodecConverter.h"
#include "KelMBCSCodec.h"

// Tells lead bytes and trail bytes of a double-byte character set apart
// through a 256-entry byte-type table: bit 0x40 marks a lead byte, bit 0x80
// a trail byte. A byte that is not a lead byte is a character by itself.
class KelCharSetConverterDBCSBase {
public:
    // The table is not copied; it must outlive the converter.
    explicit KelCharSetConverterDBCSBase(const unsigned char* type) : m_pType(type) {}

    bool isLeadByte(unsigned char b) const { return (m_pType[b] & 0x40) != 0; }
    bool isTrailByte(unsigned char b) const { return (m_pType[b] & 0x80) != 0; }

    // The character at p through a table from packed code to Unicode: a lead
    // byte with its trail byte, or a single byte. A lead byte without a
    // trail byte is a character without a mapping by itself; the byte after
    // it starts the next character.
    template <class Table>
    kel::codec::SourceChar decodeLeadTrail(const Table& toUnicode, const unsigned char* p,
                                         KelLength avail) const {
        if (!isLeadByte(p[0]))
            return kel::codec::mapped(1, toUnicode.trans(p[0]));
        const unsigned char trail = kel::mbcs::byteAt(p, avail, 1);
        if (trail == 0 || !isTrailByte(trail))
            return kel::codec::mapped(1, 0);
        return kel::codec::mapped(2, toUnicode.trans(static_cast<unsigned short>(p[0] << 8 | trail)));
    }

private:
    const unsigned char* m_pType;
};

// The lead/trail double-byte code pages (932, 936, 949, 950, Big5,
// Shift-JIS). Each UTF-16 unit converts on its own, so a character beyond
// U+FFFF becomes two substitutes.
class KelCharSetConverterDBCS
    : public KelCodecConverter<KelCharSetConverterDBCS, KelCharSetConverterMBCS>,
      private KelCharSetConverterDBCSBase {
public:
    // The pair list and the byte-type table must outlive the converter.
    KelCharSetConverterDBCS(const unsigned short* map, const unsigned char* type, KelCharSet cs);
    // With a second pair list of codes that read as a character the first
    // list writes with another code: read, never written.
    KelCharSetConverterDBCS(const unsigned short* map, const unsigned char* type,
                            const unsigned short* readOnly, KelCharSet cs);

    // Finds the base tables, then those of the codes read only.
    void load() override;

    using KelCharSetConverterDBCSBase::isLeadByte;
    using KelCharSetConverterDBCSBase::isTrailByte;

private:
    friend KelCodecConverter<KelCharSetConverterDBCS, KelCharSetConverterMBCS>;
    static constexpr KelUnitSizes kUnitSizes{1, 2, 1};

    class Codec;
    Codec codec();

    const unsigned short* m_pReadOnly = nullptr;
    KelSharedPairTablesRef m_oReadOnly;
    kel::mbcs::IdentityCache m_oIdentity;
    kel::mbcs::FlatTables m_oFlat;
};

extern template class KelCodecConverter<KelCharSetConverterDBCS, KelCharSetConverterMBCS>;

#endif
