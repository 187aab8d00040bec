#ifndef KELCHARSETCONVERTERDBCSEX_H
#define KELCHARSETCONVERTERDBCSEX_H

#include "KelCharSetConverterDBCS.h"
#include "KelCharSetConverterMBCSEx.h"

// A lead/trail double-byte character set whose codes may map beyond U+FFFF
// (Shift_JIS-2004). Such a character becomes a surrogate pair in UTF-16, and
// a surrogate pair is looked up as the character it stands for; an escape of
// an unmappable one shows both surrogates.
class KelCharSetConverterDBCSEx : public KelCharSetConverterMBCSEx,
                                  private KelCharSetConverterDBCSBase {
public:
    // The list and the byte-type table must outlive the converter.
    KelCharSetConverterDBCSEx(const sMBCSExTable* map, const unsigned char* type, KelCharSet cs);

    using KelCharSetConverterDBCSBase::isLeadByte;
    using KelCharSetConverterDBCSBase::isTrailByte;

    KelLength getNumUnits(const void* src, KelLength srcLen) override;
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                      bool* pIllegal, int srcLimit) override;
    KelLength getNumBytes(const unsigned short* src, KelLength srcLen) override;
    KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                        ILLCHAR_OPTYPE opType, bool* pIllegal) override;
    KelLength getMinUnitSize() const override { return 1; }
    KelLength getMaxUnitSize() const override { return 2; }
    KelLength getNullCharSize() const override { return 1; }

private:
    class Codec;
    Codec codec();

    kel::mbcs::IdentityCache m_oIdentity;
};

#endif
