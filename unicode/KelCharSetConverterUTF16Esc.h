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

    KelLength getMinUnitSize() const override { return 1; }
    KelLength getMaxUnitSize() const override { return 6; }
    KelLength getNullCharSize() const override { return 1; }

private:
    friend KelCodecConverter<KelCharSetConverterUTF16Esc>;

    class Codec;
    Codec codec() const;
};

extern template class KelCodecConverter<KelCharSetConverterUTF16Esc>;

#endif
