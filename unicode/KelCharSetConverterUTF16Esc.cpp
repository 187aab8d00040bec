#include "KelCharSetConverterUTF16Esc.h"

#include "KelConverterHelpers.h"

#include <cstring>

namespace {

bool needsEscape(unsigned short u) {
    return u > 0x7F;
}

struct Decoded {
    unsigned short unit;
    KelLength length; // bytes consumed
};

// The unit at s, of which `avail` bytes may be read.
Decoded decodeAt(const unsigned char* s, KelLength avail) {
    unsigned short unit = 0;
    if (kel::readEscape(s, avail, unit))
        return {unit, kel::kEscapeLength};
    return {s[0], 1};
}

} // namespace

KelLength KelCharSetConverterUTF16Esc::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    const unsigned char* s = static_cast<const unsigned char*>(src);
    const KelLength len = srcLen == KEL_NPOS ? std::strlen(static_cast<const char*>(src)) : srcLen;
    KelLength count = 0;
    for (KelLength pos = 0; pos < len && s[pos] != 0; ++count)
        pos += decodeAt(s + pos, len - pos).length;
    return count;
}

KelLength KelCharSetConverterUTF16Esc::toUTF16(unsigned short* dst, const void* src,
                                               KelLength dstLen, ILLCHAR_OPTYPE, bool* pIllegal,
                                               int srcLimit) {
    if (dst == nullptr || src == nullptr)
        return 0;
    kel::clearFlag(pIllegal);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    const KelLength limit = srcLimit > 0 ? static_cast<KelLength>(srcLimit) : KEL_NPOS;
    KelLength written = 0;
    for (KelLength pos = 0; written < dstLen && pos < limit && s[pos] != 0; ++written) {
        const Decoded d = decodeAt(s + pos, KEL_NPOS);
        dst[written] = d.unit;
        pos += d.length;
    }
    dst[written] = 0;
    return written;
}

KelLength KelCharSetConverterUTF16Esc::getNumBytes(const unsigned short* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    KelLength count = 0;
    for (KelLength i = 0; i < srcLen && src[i] != 0; ++i)
        count += needsEscape(src[i]) ? kel::kEscapeLength : 1;
    return count;
}

KelLength KelCharSetConverterUTF16Esc::fromUTF16(void* dst, const unsigned short* src,
                                                 KelLength dstLen, ILLCHAR_OPTYPE, bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    kel::clearFlag(pIllegal);
    char* d = static_cast<char*>(dst);
    KelLength out = 0;
    for (KelLength i = 0; src[i] != 0; ++i) {
        const unsigned short u = src[i];
        if (needsEscape(u)) {
            if (dstLen - out < kel::kEscapeLength)
                break;
            kel::writeEscape(d + out, u);
            out += kel::kEscapeLength;
        } else {
            if (out == dstLen)
                break;
            d[out++] = static_cast<char>(u);
        }
    }
    d[out] = 0;
    return out;
}
