#ifndef KELCHARSETCONVERTERUTF16ESC_H
#define KELCHARSETCONVERTERUTF16ESC_H

#include "KelCodecConverter.h"

// UTF-16 as 7-bit text: units 0x01 to 0x7F as their own byte, every other
// unit as "U+" and four upper-case hexadecimal digits. Reading accepts any
// byte and takes a well-formed escape back to its unit, so the form survives
// channels that carry only ASCII.
class KelCharSetConverterUTF16Esc : public KelCodecConverter<KelCharSetConverterUTF16Esc> {
public:
    KelCharSetConverterUTF16Esc() : KelCodecConverter(KELCS_UTF16ESC) {}


private:
    friend KelCodecConverter<KelCharSetConverterUTF16Esc>;
    static constexpr KelUnitSizes kUnitSizes{1, 6, 1};

    class Codec;
    Codec codec() const;
};

extern template class KelCodecConverter<KelCharSetConverterUTF16Esc>;

#endif
