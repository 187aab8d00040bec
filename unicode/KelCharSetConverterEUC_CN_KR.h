#ifndef KELCHARSETCONVERTEREUC_CN_KR_H
#define KELCHARSETCONVERTEREUC_CN_KR_H

#include "KelCharSetConverterMBCS.h"
#include "KelCodecConverter.h"

// The two-code-set EUC encodings of a 94 x 94 set (EUC-CN, EUC-KR): ASCII as
// code set 0, and the set with both bytes in 0xA1 to 0xFE. The pair list
// holds the codes in their 7-bit form (0x2121 to 0x7E7E).
class KelCharSetConverterEUC_CN_KR
    : public KelCodecConverter<KelCharSetConverterEUC_CN_KR, KelCharSetConverterMBCS> {
public:
    // The pair list must outlive the converter.
    KelCharSetConverterEUC_CN_KR(const unsigned short* map, KelCharSet cs);

    // 0x7F is in neither code set.
    static bool isCS0(unsigned char b) { return b <= 0x7E; }
    static bool isCS0(unsigned short u) { return u <= 0x7E; }
    static bool isLeadCS1(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }
    static bool isTrailCS1(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }


private:
    friend KelCodecConverter<KelCharSetConverterEUC_CN_KR, KelCharSetConverterMBCS>;
    static constexpr KelUnitSizes kUnitSizes{1, 2, 1};

    class Codec;
    Codec codec();

    kel::mbcs::FlatTables m_oFlat;
};

extern template class KelCodecConverter<KelCharSetConverterEUC_CN_KR, KelCharSetConverterMBCS>;

#endif
