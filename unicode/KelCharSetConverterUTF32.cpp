#include "KelCharSetConverterUTF32.h"

#include "KelCodecDriver.h"
#include "KelUTF8Paths.h"
#include "KelConverterHelpers.h"
#include "KelUTF8Codec.h"

#include <algorithm>

namespace {

namespace codec = kel::codec;

using Unit32 = std::uint32_t;

constexpr Unit32 kReplacement = kel::utf8::kReplacement;
constexpr KelLength kUnitSize = sizeof(Unit32);

Unit32 load(const void* src, KelLength i) {
    return kel::loadUnit<Unit32>(src, i);
}

void store(void* dst, KelLength i, Unit32 v) {
    kel::storeUnit<Unit32>(dst, i, v);
}

bool isSurrogateValue(Unit32 v) {
    return v >= 0xD800 && v <= 0xDFFF;
}

bool isBeyondUnicode(Unit32 v) {
    return v > KelUChar::UTF32_MAX;
}

// Advances p past the sequence it decodes.
kel::utf8::Sequence decodeUTF8(const unsigned char*& p) {
    const kel::utf8::Sequence seq = kel::utf8::decode<kel::utf8::Reading::Strict>(p, KEL_NPOS);
    p += seq.length;
    return seq;
}

// Values beyond U+10FFFF are malformed; surrogate values pass as the units
// of the same value. From UTF-16 only an unpaired high surrogate has no
// form: an unpaired low one is written as its value.
struct UTF32Codec {
    using Unit = Unit32;
    static constexpr KelLength kFastRetry = 0;

    // Values of one UTF-16 unit.
    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room) const {
        const KelLength most = std::min(n / kUnitSize, room);
        KelLength i = 0;
        for (; i < most && load(s, i) <= 0xFFFF; ++i)
            d[i] = static_cast<unsigned short>(load(s, i));
        return {i * kUnitSize, i};
    }

    codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        if (avail < kUnitSize)
            return codec::noCharacter(avail, true);
        const Unit32 v = load(p, 0);
        if (isBeyondUnicode(v))
            return codec::noCharacter(kUnitSize);
        return codec::character(kUnitSize, v);
    }

    // Units other than high surrogates.
    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room) const {
        const KelLength most = std::min(n, room / kUnitSize);
        KelLength i = 0;
        for (; i < most && !KelUChar::isSurrogateHigh(s[i]); ++i)
            store(d, i, s[i]);
        return {i, i * kUnitSize};
    }

    codec::TargetChar encode(const unsigned short* p, KelLength avail) const {
        const kel::CodePoint c = kel::codePointAt(p, avail);
        if (c.units == 1 && KelUChar::isSurrogateHigh(p[0]))
            return {1, p[0], 0, 0, avail == 1};
        return codec::wideUnitChar<Unit32>(c.units, c.value);
    }
};

const UTF32Codec kCodec;

} // namespace

KelLength KelCharSetConverterUTF32::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return codec::countUnits(kCodec, src, srcLen);
}

KelLength KelCharSetConverterUTF32::toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                                            ILLCHAR_OPTYPE opType, bool* pIllegal, int srcLimit) {
    if (dst == nullptr || src == nullptr)
        return 0;
    const KelLength limit = srcLimit < 0 ? KEL_NPOS : static_cast<KelLength>(srcLimit);
    return codec::decodeWideTerminated(kCodec, dst, src, dstLen, codec::onProblem(opType), pIllegal,
                                       limit);
}

// A high surrogate at the end of the range counts for the unit fromUTF16
// writes for it whatever follows.
KelLength KelCharSetConverterUTF32::getNumBytes(const unsigned short* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return codec::countBytes(kCodec, src, srcLen);
}

KelLength KelCharSetConverterUTF32::fromUTF16(void* dst, const unsigned short* src,
                                              KelLength dstLen, ILLCHAR_OPTYPE opType,
                                              bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    return codec::encodeTerminated(kCodec, dst, src, dstLen, codec::onProblem(opType), pIllegal);
}

KelConversionResult KelCharSetConverterUTF32::decodeCounted(const void* src, KelLength srcLen,
                                                            unsigned short* dst, KelLength dstLen,
                                                            KelOnProblem on, bool last,
                                                            KelLength* offsets) {
    return codec::decodeCounted(kCodec, src, srcLen, dst, dstLen, on, last, offsets);
}

KelConversionResult KelCharSetConverterUTF32::encodeCounted(const unsigned short* src,
                                                            KelLength srcLen, void* dst,
                                                            KelLength dstLen, KelOnProblem on,
                                                            bool last) {
    return codec::encodeCounted(kCodec, src, srcLen, dst, dstLen, on, last);
}

KelConversionResult KelCharSetConverterUTF32::decodeCountedToUTF8(const void* src, KelLength srcLen,
                                                                  unsigned char* dst,
                                                                  KelLength dstLen, KelOnProblem on,
                                                                  bool last) {
    return codec::decodeCountedToUTF8(kCodec, src, srcLen, dst, dstLen, on, last);
}

KelConversionResult KelCharSetConverterUTF32::encodeCountedFromUTF8(const unsigned char* src,
                                                                    KelLength srcLen, void* dst,
                                                                    KelLength dstLen,
                                                                    KelOnProblem on, bool last) {
    return codec::encodeCountedFromUTF8(kCodec, src, srcLen, dst, dstLen, on, last);
}

KelLength KelCharSetConverterUTF32::fromUTF8(void* dst, const unsigned char* src, KelLength dstLen,
                                             ILLCHAR_OPTYPE, bool* pIllegal) {
    kel::clearFlag(pIllegal);
    if (dst == nullptr || src == nullptr)
        return 0;
    const unsigned char* p = src;
    KelLength count = 0;
    for (; count < dstLen && *p != 0; ++count) {
        const kel::utf8::Sequence seq = decodeUTF8(p);
        // A U+FFFD written for malformed input is no success to report.
        if (seq.malformed)
            kel::raiseFlag(pIllegal);
        store(dst, count, seq.value);
    }
    store(dst, count, 0);
    return count;
}

KelLength KelCharSetConverterUTF32::toUTF8(unsigned char* dst, const void* src, KelLength dstLen,
                                           ILLCHAR_OPTYPE, bool* pIllegal) {
    kel::clearFlag(pIllegal);
    if (dst == nullptr || src == nullptr)
        return 0;
    KelLength out = 0;
    for (KelLength i = 0; out < dstLen; ++i) {
        Unit32 v = load(src, i);
        if (v == 0)
            break;
        if (isSurrogateValue(v) || isBeyondUnicode(v)) {
            kel::raiseFlag(pIllegal);
            v = kReplacement;
        }
        const KelLength n = kel::utf8::encode(dst + out, dstLen - out, v);
        if (n == 0)
            break;
        out += n;
    }
    dst[out] = 0;
    return out;
}

unsigned int KelCharSetConverterUTF32::UTF32fromUTF8(unsigned char** pp) {
    if (pp == nullptr || *pp == nullptr)
        return 0;
    const unsigned char* p = *pp;
    const Unit32 v = decodeUTF8(p).value;
    *pp += p - *pp;
    return v;
}
