#ifndef KELCHARSETCONVERTERGB18030_H
#define KELCHARSETCONVERTERGB18030_H

#include "KelCharSetConverterMBCS.h"
#include "KelCodecConverter.h"
#include "KelLazyTables.h"
#include "KelMBCSCodec.h"

// GB18030: one byte 0x00 to 0x80, two bytes (lead 0x81 to 0xFE, trail 0x40
// to 0x7E or 0x80 to 0xFE) and four bytes (0x81-0xFE, 0x30-0x39, 0x81-0xFE,
// 0x30-0x39). One- and two-byte codes go through the pair-list tables of the
// MBCS base; the four-byte codes of the Basic Multilingual Plane through two
// compiled-in range tables; the four-byte codes from 90 30 81 30 on map by
// arithmetic onto U+10000 and up.
//
// Every code is handled as one number, its scalar: the byte itself, the two
// bytes high byte first (0x8140 to 0xFEFE), or 0x10000 plus the position of
// a four-byte code in code order (81 30 81 30 is 0x10000), so that one
// comparison tells the kinds apart.
class KelCharSetConverterGB18030
    : public KelCodecConverter<KelCharSetConverterGB18030, KelCharSetConverterMBCS> {
public:
    // A row of a range table: first value, last value, first mapped value.
    // A row whose first value is 0 ends the table.
    using RangeRow = unsigned int[3];

    // The pair list must outlive the converter.
    KelCharSetConverterGB18030(const unsigned short* map, KelCharSet cs);
    // Without a pair list only the four-byte codes convert.
    KelCharSetConverterGB18030(const char* name, KelCharSet cs);
    ~KelCharSetConverterGB18030() override;


    // The base tables, then both range indexes, each built once; returns
    // without locking once everything is published.
    void load() override;

    // The row from which a range search for a scalar (GB to Unicode) or a
    // UTF-16 unit (Unicode to GB) starts. Until the indexes exist it is the
    // first row, from which a search finds the same result, only later.
    const RangeRow* getGB2UniRange(unsigned int scalar) const;
    const RangeRow* getUni2GBRange(unsigned int unit) const;

    static bool isSBCS(unsigned char b) { return b <= 0x80; }
    static bool isLeadMBCS(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
    static bool isTrailDBCS(unsigned char b) {
        return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
    }
    static bool isSecondFBCS(unsigned char b) { return b >= 0x30 && b <= 0x39; }
    static bool isThirdFBCS(unsigned char b) { return isLeadMBCS(b); }
    static bool isFourthFBCS(unsigned char b) { return isSecondFBCS(b); }

    static constexpr unsigned int makeScalar(unsigned char b1, unsigned char b2) {
        return static_cast<unsigned int>(b1) << 8 | b2;
    }
    // (b1 * 10 + b2) * 1260 + b3 * 10 + b4 is the position in code order
    // plus 0x81 * 10 * 1260 + 0x30 * 1260 + 0x81 * 10 + 0x30, which moving
    // the first code to 0x10000 takes off again.
    static constexpr unsigned int makeScalar(unsigned char b1, unsigned char b2, unsigned char b3,
                                             unsigned char b4) {
        return (b1 * 10u + b2) * 1260u + b3 * 10u + b4 - 1621682u;
    }
    // A four-byte code given as two 16-bit halves, b1 b2 and b3 b4.
    static constexpr unsigned int makeScalar(unsigned short first, unsigned short second) {
        return makeScalar(
            static_cast<unsigned char>(first >> 8), static_cast<unsigned char>(first & 0xFF),
            static_cast<unsigned char>(second >> 8), static_cast<unsigned char>(second & 0xFF));
    }

private:
    friend KelCodecConverter<KelCharSetConverterGB18030, KelCharSetConverterMBCS>;
    static constexpr KelUnitSizes kUnitSizes{1, 4, 1};

    using Index = KelBuiltOnce<const RangeRow*[]>;
    class Codec;

    Codec codec();

    Index m_pGB2UniIndex;
    Index m_pUni2GBIndex;
    ObjLock m_oRangeLock;
    kel::mbcs::IdentityCache m_oIdentity;
    kel::mbcs::FlatTables m_oFlat;
};

extern template class KelCodecConverter<KelCharSetConverterGB18030, KelCharSetConverterMBCS>;

#endif
