#ifndef KELCHARSETCONVERTERISO2022JP_H
#define KELCHARSETCONVERTERISO2022JP_H

#include "KelCharSet.h"
#include "KelCodecConverter.h"

// The Japanese mail forms of ISO-2022, one converter per profile, as the
// identifier names it: ISO-2022-JP (ASCII, JIS X 0201 Roman, JIS X 0208),
// -JP-1 (and JIS X 0212), -JP-2 (and GB 2312, KS X 1001, and ISO 8859-1
// and -7 in G2 by single shift), -JP-3 (ASCII, JIS X 0208 and JIS X
// 0213:2000) and -JP-2004 (JIS X 0213:2004, whose decoder also reads
// 2000's plane 1). Every decoder also reads JIS X 0201 katakana and, under
// ESC $ B, the NEC row 13 and IBM extension codes of code page 932. The
// sets are switched by designations to G0 alone; where a stream stands
// lives with the stream (KelISO2022.h), and an encoded text ends in ASCII.
// The encoders choose sets and write designations as Python's codecs of
// the same names do.
class KelCharSetConverterISO2022JP
    : public KelCodecConverter<KelCharSetConverterISO2022JP, KelCharSetConverter> {
public:
    // The pair lists of JIS X 0208 and GB 2312 and KS X 1001 (7-bit
    // form), JIS X 0201 and ISO 8859-7; they must outlive the converter.
    // The profile is that of `cs`.
    KelCharSetConverterISO2022JP(const unsigned short* jis0208, const unsigned short* jis0201,
                                 const unsigned short* gb2312, const unsigned short* ksx1001,
                                 const unsigned short* greek, KelCharSet cs);

    // ESC ( B, which ends a stream in ASCII.
    KelLength getMaxStateBytes() const override { return 3; }

    struct Lists {
        const unsigned short* jis0208;
        const unsigned short* jis0201;
        const unsigned short* gb2312;
        const unsigned short* ksx1001;
        const unsigned short* greek;
    };

private:
    friend KelCodecConverter<KelCharSetConverterISO2022JP, KelCharSetConverter>;
    // A character of a two-byte set behind its designation: ESC $ ( Q and
    // two bytes.
    static constexpr KelUnitSizes kUnitSizes{1, 6, 1};

    class Codec;
    Codec codec();

    Lists m_lists;
};

extern template class KelCodecConverter<KelCharSetConverterISO2022JP, KelCharSetConverter>;

#endif
