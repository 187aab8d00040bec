#ifndef KELCHARSETCONVERTERUTF16_H
#define KELCHARSETCONVERTERUTF16_H

#include "KelCharSet.h"

// UTF-16 in the machine's byte order as local text: units are copied
// unchanged, surrogates included, and no byte-order mark is written or read.
class KelCharSetConverterUTF16 : public KelCharSetConverter {
public:
    KelCharSetConverterUTF16() : KelCharSetConverter(KELCS_UTF16) {}

    KelLength getNumUnits(const void* src, KelLength srcLen) override;
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                      bool* pIllegal, int srcLimit) override;
    KelLength getNumBytes(const unsigned short* src, KelLength srcLen) override;
    KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                        ILLCHAR_OPTYPE opType, bool* pIllegal) override;
    KelLength getMinUnitSize() const override { return 2; }
    KelLength getMaxUnitSize() const override { return 2; }
    KelLength getNullCharSize() const override { return 2; }
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
