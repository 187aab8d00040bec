#include "KelCharSetConverterUTF16.h"

#include "KelCodecDriver.h"
#include "KelUTF8Paths.h"

#include <algorithm>
#include <cstring>

namespace {

namespace codec = kel::codec;

using Unit16 = unsigned short;

constexpr KelLength kUnitSize = sizeof(Unit16);

// Local text and UTF-16 differ only in alignment: every unit, an unpaired
// surrogate included, is copied as it is. Half a unit at the end of the
// input is all that can be malformed.
struct UTF16Codec {
    using Unit = Unit16;
    static constexpr KelLength kFastRetry = 0;

    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room) const {
        const KelLength units = std::min(n / kUnitSize, room);
        std::memmove(d, s, units * kUnitSize);
        return {units * kUnitSize, units};
    }

    codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        if (avail < kUnitSize)
            return codec::noCharacter(avail, true);
        return codec::character(kUnitSize, kel::loadUnit<Unit16>(p, 0));
    }

    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room) const {
        const KelLength units = std::min(n, room / kUnitSize);
        std::memmove(d, s, units * kUnitSize);
        return {units, units * kUnitSize};
    }

    codec::TargetChar encode(const unsigned short* p, KelLength) const {
        return codec::wideUnitChar<Unit16>(1, p[0]);
    }
};

const UTF16Codec kCodec;

} // namespace

KelLength KelCharSetConverterUTF16::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return codec::countUnits(kCodec, src, srcLen);
}

// A limit counts units; 0 sets none.
KelLength KelCharSetConverterUTF16::toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                                            ILLCHAR_OPTYPE, bool* pIllegal, int srcLimit) {
    if (dst == nullptr || src == nullptr)
        return 0;
    const KelLength limit = srcLimit > 0 ? static_cast<KelLength>(srcLimit) : KEL_NPOS;
    return codec::decodeWideTerminated(kCodec, dst, src, dstLen, codec::OnProblem::Replace,
                                       pIllegal, limit);
}

KelLength KelCharSetConverterUTF16::getNumBytes(const unsigned short* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return codec::countBytes(kCodec, src, srcLen);
}

KelLength KelCharSetConverterUTF16::fromUTF16(void* dst, const unsigned short* src,
                                              KelLength dstLen, ILLCHAR_OPTYPE, bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    return codec::encodeTerminated(kCodec, dst, src, dstLen, codec::OnProblem::Replace, pIllegal);
}

KelConversionResult KelCharSetConverterUTF16::decodeCounted(const void* src, KelLength srcLen,
                                                            unsigned short* dst, KelLength dstLen,
                                                            KelOnProblem on, bool last,
                                                            KelLength* offsets) {
    return codec::decodeCounted(kCodec, src, srcLen, dst, dstLen, on, last, offsets);
}

KelConversionResult KelCharSetConverterUTF16::encodeCounted(const unsigned short* src,
                                                            KelLength srcLen, void* dst,
                                                            KelLength dstLen, KelOnProblem on,
                                                            bool last) {
    return codec::encodeCounted(kCodec, src, srcLen, dst, dstLen, on, last);
}

KelConversionResult KelCharSetConverterUTF16::decodeCountedToUTF8(const void* src, KelLength srcLen,
                                                                  unsigned char* dst,
                                                                  KelLength dstLen, KelOnProblem on,
                                                                  bool last) {
    return codec::decodeCountedToUTF8(kCodec, src, srcLen, dst, dstLen, on, last);
}

KelConversionResult KelCharSetConverterUTF16::encodeCountedFromUTF8(const unsigned char* src,
                                                                    KelLength srcLen, void* dst,
                                                                    KelLength dstLen,
                                                                    KelOnProblem on, bool last) {
    return codec::encodeCountedFromUTF8(kCodec, src, srcLen, dst, dstLen, on, last);
}
