#ifndef KELCHARSETCONVERTERDBCSEX_H
#define KELCHARSETCONVERTERDBCSEX_H

#include "KelCharSetConverterDBCS.h"
#include "KelCharSetConverterMBCSEx.h"
#include "KelCodecConverter.h"

// A lead/trail double-byte character set whose codes may map beyond U+FFFF
// (Shift_JIS-2004). Such a character becomes a surrogate pair in UTF-16, and
// a surrogate pair is looked up as the character it stands for; an escape of
// an unmappable one shows both surrogates.
class KelCharSetConverterDBCSEx
    : public KelCodecConverter<KelCharSetConverterDBCSEx, KelCharSetConverterMBCSEx>,
      private KelCharSetConverterDBCSBase {
public:
    // The list and the byte-type table must outlive the converter.
    KelCharSetConverterDBCSEx(const sMBCSExTable* map, const unsigned char* type, KelCharSet cs);

    using KelCharSetConverterDBCSBase::isLeadByte;
    using KelCharSetConverterDBCSBase::isTrailByte;


private:
    friend KelCodecConverter<KelCharSetConverterDBCSEx, KelCharSetConverterMBCSEx>;
    static constexpr KelUnitSizes kUnitSizes{1, 2, 1};

    class Codec;
    Codec codec();

    kel::mbcs::IdentityCache m_oIdentity;
};

extern template class KelCodecConverter<KelCharSetConverterDBCSEx, KelCharSetConverterMBCSEx>;

#endif
