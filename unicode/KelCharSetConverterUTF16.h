#ifndef KELCHARSETCONVERTERUTF16_H
#define KELCHARSETCONVERTERUTF16_H

#include "KelCodecConverter.h"

// UTF-16 as local text, in the machine's byte order (KELCS_UTF16) or in
// big-endian order whatever the machine (KELCS_UTF16BE): units are copied
// unchanged, surrogates included, and no byte-order mark is written or read
// (a leading FE FF is the character U+FEFF).
class KelCharSetConverterUTF16 : public KelCodecConverter<KelCharSetConverterUTF16> {
public:
    explicit KelCharSetConverterUTF16(KelCharSet cs = KELCS_UTF16);


private:
    friend KelCodecConverter<KelCharSetConverterUTF16>;
    static constexpr KelUnitSizes kUnitSizes{2, 2, 2};

    class Codec;
    Codec codec() const;

    bool m_bSwap;
};

extern template class KelCodecConverter<KelCharSetConverterUTF16>;

#endif
