#ifndef KELCHARSETCONVERTERUTF8_H
#define KELCHARSETCONVERTERUTF8_H

#include "KelCodecConverter.h"

// UTF-8 <-> UTF-16. The decoder accepts what the JVM's modified UTF-8 writes
// (C0 80 for U+0000, surrogates as three-byte sequences) and rejects every
// other overlong or out-of-range form, so "/" and "." cannot be smuggled into
// a file name as C0 AF or C0 AE.
class KelCharSetConverterUTF8 : public KelCodecConverter<KelCharSetConverterUTF8> {
public:
    KelCharSetConverterUTF8() : KelCodecConverter(KELCS_UTF8) {}

    // Decoding never stops or escapes: malformed input always becomes U+FFFD.
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                      bool* pIllegal, int srcLimit) override;

private:
    friend KelCodecConverter<KelCharSetConverterUTF8>;
    static constexpr KelUnitSizes kUnitSizes{1, 3, 1};

    class Codec;
    Codec codec() const;
};

extern template class KelCodecConverter<KelCharSetConverterUTF8>;

#endif
