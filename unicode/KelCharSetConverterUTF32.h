#ifndef KELCHARSETCONVERTERUTF32_H
#define KELCHARSETCONVERTERUTF32_H

#include "KelCodecConverter.h"

// UTF-32 as local text, in the machine's byte order (KELCS_UTF32) or in
// big-endian order whatever the machine (KELCS_UTF32BE), no byte-order mark
// (a leading 00 00 FE FF is the character U+FEFF). Whatever the input, the
// output holds only values up to U+10FFFF: larger ones become U+FFFD.
class KelCharSetConverterUTF32 : public KelCodecConverter<KelCharSetConverterUTF32> {
public:
    explicit KelCharSetConverterUTF32(KelCharSet cs = KELCS_UTF32);

    // dstLen counts 32-bit units here.
    KelLength fromUTF8(void* dst, const unsigned char* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                       bool* pIllegal) override;
    KelLength toUTF8(unsigned char* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                     bool* pIllegal) override;

    // Decodes one UTF-8 sequence and advances *pp past it: past the lead byte
    // only when the continuation bytes are wrong. Ill-formed sequences,
    // overlong forms, surrogates, U+FFFE, U+FFFF and values beyond U+10FFFF
    // give U+FFFD.
    unsigned int UTF32fromUTF8(unsigned char** pp);

private:
    friend KelCodecConverter<KelCharSetConverterUTF32>;
    static constexpr KelUnitSizes kUnitSizes{4, 4, 4};

    // A source limit counts 32-bit units.
    static constexpr bool kZeroLimitReadsNothing = true;

    class Codec;
    Codec codec() const;

    bool m_bSwap;
};

extern template class KelCodecConverter<KelCharSetConverterUTF32>;

#endif
