#ifndef KELCHARSETCONVERTERISO2022KR_H
#define KELCHARSETCONVERTERISO2022KR_H

#include "KelCharSetConverterMBCS.h"
#include "KelCodecConverter.h"

// ISO-2022-KR, the Korean mail form: ASCII, and KS X 1001 (the EUC-KR
// tables) designated to G1 by ESC $ ) C and invoked by SO up to SI. A set
// with shifts: where a stream stands lives with the stream, and an encoded
// text always ends unshifted. The decoder is strict, so that no byte
// sequence reads as text it does not spell and no raw ESC, SO or SI reaches
// the output; the encoder refuses those three controls for the same reason.
class KelCharSetConverterISO2022KR
    : public KelCodecConverter<KelCharSetConverterISO2022KR, KelCharSetConverterMBCS> {
public:
    // The pair list of KS X 1001 in 7-bit form; it must outlive the converter.
    KelCharSetConverterISO2022KR(const unsigned short* map, KelCharSet cs);

    // ESC $ ) C once, and the SI that ends the stream.
    KelLength getMaxStateBytes() const override { return 5; }

private:
    friend KelCodecConverter<KelCharSetConverterISO2022KR, KelCharSetConverterMBCS>;
    // A Korean character after ASCII: SO and its two bytes. The designation,
    // once in a stream, comes on top.
    static constexpr KelUnitSizes kUnitSizes{1, 3, 1};

    class Codec;
    Codec codec();
};

extern template class KelCodecConverter<KelCharSetConverterISO2022KR, KelCharSetConverterMBCS>;

#endif
