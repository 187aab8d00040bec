#ifndef KELCHARSETCONVERTERUTF16ESC_H
#define KELCHARSETCONVERTERUTF16ESC_H

#include "KelCharSet.h"

// UTF-16 as 7-bit text: units 0x01 to 0x7F as their own byte, every other
// unit as "U+" and four upper-case hexadecimal digits. Reading accepts any
// byte and takes a well-formed escape back to its unit, so the form survives
// channels that carry only ASCII.
class KelCharSetConverterUTF16Esc : public KelCharSetConverter {
public:
    KelCharSetConverterUTF16Esc() : KelCharSetConverter(KELCS_UTF16ESC) {}

    KelLength getNumUnits(const void* src, KelLength srcLen) override;
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                      bool* pIllegal, int srcLimit) override;
    KelLength getNumBytes(const unsigned short* src, KelLength srcLen) override;
    KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                        ILLCHAR_OPTYPE opType, bool* pIllegal) override;
    KelLength getMinUnitSize() const override { return 1; }
    KelLength getMaxUnitSize() const override { return 6; }
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
