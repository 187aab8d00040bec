#include "KelCharSetConverterUTF16Esc.h"

#include "KelCodecDriver.h"
#include "KelUTF8Paths.h"

namespace {

namespace codec = kel::codec;

using kel::kEscapeLength;

// The bytes that read as their own unit whatever follows: ASCII but the "U"
// that may begin an escape. The bytes above it read as themselves too, one
// at a time.
constexpr kel::blocks::ASCIIIdentity kPlainBytes{0x7F, {'U', 0, 0}};

// The units written as their own byte.
constexpr kel::blocks::ASCIIIdentity kPlainUnits{0x7F, {0, 0, 0}};

// Whether the `avail` bytes at p, fewer than an escape, are how one begins.
bool beginsEscape(const unsigned char* p, KelLength avail) {
    if (avail >= kEscapeLength)
        return false;
    const char head[] = "U+";
    for (KelLength i = 0; i < avail; ++i) {
        if (i < 2 ? p[i] != head[i] : !kel::valid(p[i]))
            return false;
    }
    return true;
}

// Nothing is malformed and every unit has a form. An escape that the end of
// the input may cut off is only known to be its first byte once the input
// ends, so that text split anywhere reads as it does whole.
struct UTF16EscCodec {
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;

    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room) const {
        if (!kPlainBytes.holds(s[0]))
            return {0, 0};
        const KelLength done = kel::blocks::widenASCII(kPlainBytes, s, n, d, room);
        return {done, done};
    }

    codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        unsigned short unit = 0;
        if (kel::readEscape(p, avail, unit))
            return codec::character(kEscapeLength, unit);
        return {1, p[0], true, beginsEscape(p, avail)};
    }

    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room) const {
        if (!kPlainUnits.holds(s[0]))
            return {0, 0};
        const KelLength done = kel::blocks::narrowASCII(kPlainUnits, s, n, d, room);
        return {done, done};
    }

    codec::TargetChar encode(const unsigned short* p, KelLength) const {
        if (p[0] <= 0x7F)
            return {1, p[0], p[0], 1, false};
        unsigned char escape[kEscapeLength];
        kel::writeEscape(escape, p[0]);
        return {1, p[0], codec::packBytes(escape, kEscapeLength), kEscapeLength, false};
    }
};

const UTF16EscCodec kCodec;

} // namespace

KelLength KelCharSetConverterUTF16Esc::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return codec::countUnits(kCodec, src, srcLen);
}

KelLength KelCharSetConverterUTF16Esc::toUTF16(unsigned short* dst, const void* src,
                                               KelLength dstLen, ILLCHAR_OPTYPE, bool* pIllegal,
                                               int srcLimit) {
    if (dst == nullptr || src == nullptr)
        return 0;
    return codec::decodeTerminated(kCodec, dst, src, dstLen, codec::OnProblem::Replace, pIllegal,
                                   srcLimit);
}

KelLength KelCharSetConverterUTF16Esc::getNumBytes(const unsigned short* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return codec::countBytes(kCodec, src, srcLen);
}

KelLength KelCharSetConverterUTF16Esc::fromUTF16(void* dst, const unsigned short* src,
                                                 KelLength dstLen, ILLCHAR_OPTYPE, bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    return codec::encodeTerminated(kCodec, dst, src, dstLen, codec::OnProblem::Replace, pIllegal);
}

KelConversionResult KelCharSetConverterUTF16Esc::decodeCounted(const void* src, KelLength srcLen,
                                                               unsigned short* dst,
                                                               KelLength dstLen, KelOnProblem on,
                                                               bool last, KelLength* offsets) {
    return codec::decodeCounted(kCodec, src, srcLen, dst, dstLen, on, last, offsets);
}

KelConversionResult KelCharSetConverterUTF16Esc::encodeCounted(const unsigned short* src,
                                                               KelLength srcLen, void* dst,
                                                               KelLength dstLen, KelOnProblem on,
                                                               bool last) {
    return codec::encodeCounted(kCodec, src, srcLen, dst, dstLen, on, last);
}

KelConversionResult KelCharSetConverterUTF16Esc::decodeCountedToUTF8(const void* src,
                                                                     KelLength srcLen,
                                                                     unsigned char* dst,
                                                                     KelLength dstLen,
                                                                     KelOnProblem on, bool last) {
    return codec::decodeCountedToUTF8(kCodec, src, srcLen, dst, dstLen, on, last);
}

KelConversionResult KelCharSetConverterUTF16Esc::encodeCountedFromUTF8(const unsigned char* src,
                                                                       KelLength srcLen, void* dst,
                                                                       KelLength dstLen,
                                                                       KelOnProblem on, bool last) {
    return codec::encodeCountedFromUTF8(kCodec, src, srcLen, dst, dstLen, on, last);
}
