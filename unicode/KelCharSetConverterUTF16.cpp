#include "KelCharSetConverterUTF16.h"

#include "KelConverterHelpers.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr KelLength kUnitSize = sizeof(unsigned short);

// Units before the first zero unit, looking at no more than `max`.
KelLength unitsBeforeZero(const void* src, KelLength max) {
    KelLength n = 0;
    while (n < max && kel::loadUnit<unsigned short>(src, n) != 0)
        ++n;
    return n;
}

KelLength unitsIn(KelLength byteLen) {
    return byteLen == KEL_NPOS ? KEL_NPOS : byteLen / kUnitSize;
}

} // namespace

KelLength KelCharSetConverterUTF16::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return unitsBeforeZero(src, unitsIn(srcLen));
}

KelLength KelCharSetConverterUTF16::toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                                            ILLCHAR_OPTYPE, bool* pIllegal, int srcLimit) {
    if (dst == nullptr || src == nullptr)
        return 0;
    kel::clearFlag(pIllegal);
    const KelLength limit = srcLimit > 0 ? static_cast<KelLength>(srcLimit) : KEL_NPOS;
    const KelLength n = unitsBeforeZero(src, std::min(dstLen, limit));
    std::memmove(dst, src, n * kUnitSize);
    dst[n] = 0;
    return n;
}

KelLength KelCharSetConverterUTF16::getNumBytes(const unsigned short* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return unitsBeforeZero(src, srcLen) * kUnitSize;
}

KelLength KelCharSetConverterUTF16::fromUTF16(void* dst, const unsigned short* src,
                                              KelLength dstLen, ILLCHAR_OPTYPE, bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    kel::clearFlag(pIllegal);
    const KelLength n = unitsBeforeZero(src, dstLen / kUnitSize);
    std::memmove(dst, src, n * kUnitSize);
    kel::storeUnit<unsigned short>(dst, n, 0);
    return n * kUnitSize;
}
