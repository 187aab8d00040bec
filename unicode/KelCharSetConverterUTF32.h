#ifndef KELCHARSETCONVERTERUTF32_H
#define KELCHARSETCONVERTERUTF32_H

#include "KelCharSet.h"

// UTF-32 in the machine's byte order, no byte-order mark. The only converter
// with direct paths to and from UTF-8. Whatever the input, the output holds
// only values up to U+10FFFF: larger ones become U+FFFD.
class KelCharSetConverterUTF32 : public KelCharSetConverter {
public:
    KelCharSetConverterUTF32() : KelCharSetConverter(KELCS_UTF32) {}

    // Counts UTF-16 units, as toUTF16 writes them: two for a supplementary character.
    KelLength getNumUnits(const void* src, KelLength srcLen) override;
    // srcLimit counts 32-bit units; 0 reads nothing.
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                      bool* pIllegal, int srcLimit) override;
    KelLength getNumBytes(const unsigned short* src, KelLength srcLen) override;
    KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                        ILLCHAR_OPTYPE opType, bool* pIllegal) override;
    // dstLen counts 32-bit units here.
    KelLength fromUTF8(void* dst, const unsigned char* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                       bool* pIllegal) override;
    KelLength toUTF8(unsigned char* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                     bool* pIllegal) override;
    KelLength getMinUnitSize() const override { return 4; }
    KelLength getMaxUnitSize() const override { return 4; }
    KelLength getNullCharSize() const override { return 4; }
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

    // Decodes one UTF-8 sequence and advances *pp past it: past the lead byte
    // only when the continuation bytes are wrong. Ill-formed sequences,
    // overlong forms, surrogates, U+FFFE, U+FFFF and values beyond U+10FFFF
    // give U+FFFD.
    unsigned int UTF32fromUTF8(unsigned char** pp);
};

#endif
