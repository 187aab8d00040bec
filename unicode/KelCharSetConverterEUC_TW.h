#ifndef KELCHARSETCONVERTEREUC_TW_H
#define KELCHARSETCONVERTEREUC_TW_H

#include "KelCodecConverter.h"
#include "KelMBCSCodec.h"

// EUC-TW: bytes 0x00 to 0x7F as themselves, CNS 11643 plane 1 as two bytes
// A1..FE A1..FE, and planes 1 to 7 as 8E A1..A7 followed by two such bytes.
// Plane 1 reads in both forms and is written in the short one; a character
// of several planes is written in the lowest.
class KelCharSetConverterEUC_TW : public KelCodecConverter<KelCharSetConverterEUC_TW> {
public:
    KelCharSetConverterEUC_TW();

private:
    friend KelCodecConverter<KelCharSetConverterEUC_TW>;
    static constexpr KelUnitSizes kUnitSizes{1, 4, 1};

    class Codec;
    Codec codec();

    kel::mbcs::FlatTables m_oFlat;
};

extern template class KelCodecConverter<KelCharSetConverterEUC_TW>;

#endif
