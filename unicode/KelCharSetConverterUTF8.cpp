#include "KelCharSetConverterUTF8.h"

#include "KelUTF8Codec.h"

// UTF-8 as the JVM writes it, read through the library's reference decoder
// and written in standard form; only an unpaired high surrogate has no
// UTF-8 form.
class KelCharSetConverterUTF8::Codec {
public:
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;
    static constexpr bool kWritesLoneSurrogates = true;

    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room) const {
        return kel::blocks::decodeUTF8(s, n, d, room);
    }

    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        return kel::codec::UTF8Reading().decode(p, avail);
    }

    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room) const {
        return kel::blocks::encodeUTF8(s, n, d, room);
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength avail) const {
        const kel::CodePoint c = kel::codePointAt(p, avail);
        if (c.units == 1 && kel::isHighSurrogate(p[0]))
            return {1, p[0], 0, 0, false};
        unsigned char bytes[4];
        const KelLength size = kel::utf8::encode(bytes, sizeof bytes, c.value);
        return {c.units, c.value, kel::codec::packBytes(bytes, size), size, false};
    }
};

KelCharSetConverterUTF8::Codec KelCharSetConverterUTF8::codec() const {
    return Codec();
}

KelLength KelCharSetConverterUTF8::toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                                           ILLCHAR_OPTYPE, bool* pIllegal, int srcLimit) {
    return KelCodecConverter::toUTF16(dst, src, dstLen, ILLCHAR_REPLACE, pIllegal, srcLimit);
}

template class KelCodecConverter<KelCharSetConverterUTF8>;
