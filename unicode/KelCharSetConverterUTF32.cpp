#include "KelCharSetConverterUTF32.h"

#include "KelUTF8Codec.h"

#include <algorithm>

namespace {

using Unit32 = std::uint32_t;

constexpr Unit32 kReplacement = kel::utf8::kReplacement;
constexpr KelLength kUnitSize = sizeof(Unit32);

bool isBeyondUnicode(Unit32 v) {
    return v > KelUChar::UTF32_MAX;
}

// Advances p past the sequence it decodes.
kel::utf8::Sequence decodeUTF8(const unsigned char*& p) {
    const kel::utf8::Sequence seq = kel::utf8::decode<kel::utf8::Reading::Strict>(p, KEL_NPOS);
    p += seq.length;
    return seq;
}

} // namespace

// Values beyond U+10FFFF are malformed; surrogate values pass as the units
// of the same value. From UTF-16 only an unpaired high surrogate has no
// form: an unpaired low one is written as its value.
class KelCharSetConverterUTF32::Codec : public kel::codec::WideUnits<Unit32> {
public:
    using WideUnits::WideUnits;

    // Values of one UTF-16 unit, a high surrogate last left to the loop.
    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room) const {
        const KelLength most = std::min(n / kUnitSize, room);
        KelLength i = 0;
        for (; i < most && load(s, i) <= 0xFFFF; ++i)
            d[i] = static_cast<unsigned short>(load(s, i));
        if (i != 0 && kel::isHighSurrogate(d[i - 1]))
            --i;
        return {i * kUnitSize, i};
    }

    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        if (avail < kUnitSize)
            return kel::codec::noCharacter(avail, true);
        const Unit32 v = load(p, 0);
        if (isBeyondUnicode(v))
            return kel::codec::noCharacter(kUnitSize);
        return kel::codec::character(kUnitSize, v);
    }

    // Units other than high surrogates.
    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room) const {
        const KelLength most = std::min(n, room / kUnitSize);
        KelLength i = 0;
        for (; i < most && !kel::isHighSurrogate(s[i]); ++i)
            store(d, i, s[i]);
        return {i, i * kUnitSize};
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength avail) const {
        const kel::CodePoint c = kel::codePointAt(p, avail);
        if (c.units == 1 && kel::isHighSurrogate(p[0]))
            return {1, p[0], 0, 0, false};
        kel::codec::TargetChar t = kel::codec::wideUnitChar<Unit32>(c.units, kel::swappedIf(m_swap, c.value));
        t.value = c.value;
        return t;
    }
};

KelCharSetConverterUTF32::KelCharSetConverterUTF32(KelCharSet cs)
    : KelCodecConverter(cs), m_bSwap(cs == KELCS_UTF32BE && !kel::kBigEndianHost) {}

KelCharSetConverterUTF32::Codec KelCharSetConverterUTF32::codec() const {
    return Codec(m_bSwap);
}

template class KelCodecConverter<KelCharSetConverterUTF32>;

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
        codec().store(dst, count, seq.value);
    }
    codec().store(dst, count, 0);
    return count;
}

KelLength KelCharSetConverterUTF32::toUTF8(unsigned char* dst, const void* src, KelLength dstLen,
                                           ILLCHAR_OPTYPE, bool* pIllegal) {
    kel::clearFlag(pIllegal);
    if (dst == nullptr || src == nullptr)
        return 0;
    KelLength out = 0;
    for (KelLength i = 0; out < dstLen; ++i) {
        Unit32 v = codec().load(src, i);
        if (v == 0)
            break;
        if (kel::isSurrogateValue(v) || isBeyondUnicode(v)) {
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
