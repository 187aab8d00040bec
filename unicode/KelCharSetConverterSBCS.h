#ifndef KELCHARSETCONVERTERSBCS_H
#define KELCHARSETCONVERTERSBCS_H

#include "KelCodecConverter.h"
#include "KelLazyTables.h"
#include "LookupTable.h"

// A character set in which every character is one byte, converted through
// two tables built from a compiled-in pair list (code, Unicode unit, ...,
// ending with 0, 0) on the first conversion: a 256-entry array from byte to
// unit and a LookupTable from unit to byte. An entry of 0 means no mapping.
class KelCharSetConverterSBCS : public KelCodecConverter<KelCharSetConverterSBCS> {
public:
    // The pair list is not copied; it must outlive the converter.
    KelCharSetConverterSBCS(const unsigned short* map, KelCharSet cs);
    // A converter without a pair list: no byte and no unit has a mapping.
    KelCharSetConverterSBCS(const char* name, KelCharSet cs);

    // Builds both tables, once; later calls return at once.
    void load();

    // One byte is one unit: counting needs no tables.
    KelLength getNumUnits(const void* src, KelLength srcLen) override;
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                      bool* pIllegal, int srcLimit) override;
    KelLength getNumBytes(const unsigned short* src, KelLength srcLen) override;
    KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                        ILLCHAR_OPTYPE opType, bool* pIllegal) override;

    const char* getName() const { return m_pName; }

private:
    friend KelCodecConverter<KelCharSetConverterSBCS>;
    static constexpr KelUnitSizes kUnitSizes{1, 1, 1};

    static constexpr bool kZeroLimitReadsNothing = true;

    class Codec;
    Codec codec();

    struct Tables {
        unsigned short toUnicode[256];
        LookupTable<unsigned char> fromUnicode;
    };

    // Null while the tables are not built (memory ran out).
    const Tables* tables();

    const char* m_pName;
    KelBuiltOnce<Tables> m_oTables;
    const unsigned short* m_pMap;
    ObjLock m_oLock;
};

extern template class KelCodecConverter<KelCharSetConverterSBCS>;

#endif
