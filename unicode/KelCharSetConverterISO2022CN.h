#ifndef KELCHARSETCONVERTERISO2022CN_H
#define KELCHARSETCONVERTERISO2022CN_H

#include "KelCharSetConverterMBCS.h"
#include "KelCodecConverter.h"

// The Chinese mail forms of ISO-2022, by identifier:
//   ISO-2022-CN (50227): GB 2312 (ESC $ ) A) or CNS 11643 plane 1
//     (ESC $ ) G) in G1, invoked by SO up to SI; CNS plane 2 (ESC $ * H) in
//     G2, for one character after the single shift ESC N;
//   ISO-2022-CN-EXT (50228): also ISO-IR-165 (ESC $ ) E) in G1 and CNS
//     planes 3 to 7 (ESC $ + I .. M) in G3, after the single shift ESC O;
//   50229: reads what ISO-2022-CN-EXT reads and writes only CNS planes.
// Designations hold to the end of their line. Where a stream stands lives
// with the stream, and an encoded text always ends unshifted. The decoder
// is strict, so that no byte sequence reads as text it does not spell and
// no raw ESC, SO or SI reaches the output; the encoder refuses those three
// controls for the same reason, and writes a character with the
// designation and shift it needs whole or not at all.
class KelCharSetConverterISO2022CN
    : public KelCodecConverter<KelCharSetConverterISO2022CN, KelCharSetConverterMBCS> {
public:
    // The pair list of GB 2312 in 7-bit form; it must outlive the converter.
    KelCharSetConverterISO2022CN(const unsigned short* gb2312, KelCharSet cs);

    // The SI that ends a stream.
    KelLength getMaxStateBytes() const override { return 1; }

private:
    friend KelCodecConverter<KelCharSetConverterISO2022CN, KelCharSetConverterMBCS>;
    // A designation, a single shift and a code: a line's first character of
    // a G3 set.
    static constexpr KelUnitSizes kUnitSizes{1, 8, 1};

    class Codec;
    Codec codec();
};

extern template class KelCodecConverter<KelCharSetConverterISO2022CN, KelCharSetConverterMBCS>;

#endif
