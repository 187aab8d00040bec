#include "KelCharSetConverterUTF8.h"

#include "KelCodecDriver.h"
#include "KelUTF8Paths.h"
#include "KelUTF8Codec.h"

namespace {

namespace codec = kel::codec;

// UTF-8 as the JVM writes it, read through the library's reference decoder
// and written in standard form; only an unpaired high surrogate has no
// UTF-8 form.
struct UTF8Codec {
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;

    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room) const {
        return kel::blocks::decodeUTF8(s, n, d, room);
    }

    codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        return codec::UTF8Reading().decode(p, avail);
    }

    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room) const {
        return kel::blocks::encodeUTF8(s, n, d, room);
    }

    codec::TargetChar encode(const unsigned short* p, KelLength avail) const {
        const kel::CodePoint c = kel::codePointAt(p, avail);
        if (c.units == 1 && KelUChar::isSurrogateHigh(p[0]))
            return {1, p[0], 0, 0, avail == 1};
        unsigned char bytes[4];
        const KelLength size = kel::utf8::encode(bytes, sizeof bytes, c.value);
        std::uint32_t packed = 0;
        for (KelLength i = 0; i < size; ++i)
            packed = packed << 8 | bytes[i];
        return {c.units, c.value, packed, size, false};
    }
};

const UTF8Codec kCodec;

} // namespace

KelLength KelCharSetConverterUTF8::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr || srcLen == 0)
        return 0;
    return codec::countUnits(kCodec, src, srcLen);
}

// Decoding never stops or escapes: malformed input always becomes U+FFFD.
KelLength KelCharSetConverterUTF8::toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                                           ILLCHAR_OPTYPE, bool* pIllegal, int srcLimit) {
    if (dst == nullptr || src == nullptr)
        return 0;
    return codec::decodeTerminated(kCodec, dst, src, dstLen, codec::OnProblem::Replace, pIllegal,
                                   srcLimit);
}

KelLength KelCharSetConverterUTF8::getNumBytes(const unsigned short* src, KelLength srcLen) {
    if (src == nullptr || srcLen == 0)
        return 0;
    return codec::countBytes(kCodec, src, srcLen);
}

KelLength KelCharSetConverterUTF8::fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                                             ILLCHAR_OPTYPE opType, bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    return codec::encodeTerminated(kCodec, dst, src, dstLen, codec::onProblem(opType), pIllegal);
}

KelConversionResult KelCharSetConverterUTF8::decodeCounted(const void* src, KelLength srcLen,
                                                           unsigned short* dst, KelLength dstLen,
                                                           KelOnProblem on, bool last,
                                                           KelLength* offsets) {
    return codec::decodeCounted(kCodec, src, srcLen, dst, dstLen, on, last, offsets);
}

KelConversionResult KelCharSetConverterUTF8::encodeCounted(const unsigned short* src,
                                                           KelLength srcLen, void* dst,
                                                           KelLength dstLen, KelOnProblem on,
                                                           bool last) {
    return codec::encodeCounted(kCodec, src, srcLen, dst, dstLen, on, last);
}

KelConversionResult KelCharSetConverterUTF8::decodeCountedToUTF8(const void* src, KelLength srcLen,
                                                                 unsigned char* dst,
                                                                 KelLength dstLen, KelOnProblem on,
                                                                 bool last) {
    return codec::decodeCountedToUTF8(kCodec, src, srcLen, dst, dstLen, on, last);
}

KelConversionResult KelCharSetConverterUTF8::encodeCountedFromUTF8(const unsigned char* src,
                                                                   KelLength srcLen, void* dst,
                                                                   KelLength dstLen,
                                                                   KelOnProblem on, bool last) {
    return codec::encodeCountedFromUTF8(kCodec, src, srcLen, dst, dstLen, on, last);
}
