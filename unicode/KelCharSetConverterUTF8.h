#ifndef KELCHARSETCONVERTERUTF8_H
#define KELCHARSETCONVERTERUTF8_H

#include "KelCharSet.h"

// UTF-8 <-> UTF-16. The decoder accepts what the JVM's modified UTF-8 writes
// (C0 80 for U+0000, surrogates as three-byte sequences) and rejects every
// other overlong or out-of-range form, so "/" and "." cannot be smuggled into
// a file name as C0 AF or C0 AE.
class KelCharSetConverterUTF8 : public KelCharSetConverter {
public:
    KelCharSetConverterUTF8() : KelCharSetConverter(KELCS_UTF8) {}

    KelLength getNumUnits(const void* src, KelLength srcLen) override;
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                      bool* pIllegal, int srcLimit) override;
    KelLength getNumBytes(const unsigned short* src, KelLength srcLen) override;
    KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                        ILLCHAR_OPTYPE opType, bool* pIllegal) override;
    KelLength getMinUnitSize() const override { return 1; }
    KelLength getMaxUnitSize() const override { return 3; }
    KelLength getNullCharSize() const override { return 1; }
    KelConversionResult decodeCounted(const void* src, KelLength srcLen, unsigned short* dst,
                                      KelLength dstLen, KelOnProblem on, bool last,
                                      KelLength* offsets) override;
    KelConversionResult encodeCounted(const unsigned short* src, KelLength srcLen, void* dst,
                                      KelLength dstLen, KelOnProblem on, bool last) override;
    KelConversionResult decodeCountedToUTF8(const void* src, KelLength srcLen, unsigned char* dst,
                                            KelLength dstLen, KelOnProblem on, bool last) override;
    KelConversionResult encodeCountedFromUTF8(const unsigned char* src, KelLength srcLen, void* dst,
                                              KelLength dstLen, KelOnProblem on,
                                              bool last) override;
};

#endif
