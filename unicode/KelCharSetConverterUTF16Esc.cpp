#include "KelCharSetConverterUTF16Esc.h"

#include "KelConverterHelpers.h"

#include <cstring>

namespace {

// Escape digits are upper case only, so "U+00e9" stays text.
bool valid(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

unsigned short value(char c) { return static_cast<unsigned short>(c <= '9' ? c - 0x30 : c - 0x37); }

bool needsEscape(unsigned short u) { return u > 0x7F; }

struct Decoded {
    unsigned short unit;
    KelLength length; // bytes consumed
};

// The unit at s, of which `avail` bytes may be read. The escape tests run
// left to right and stop at the first failure, so nothing past a NUL is read.
Decoded decodeAt(const unsigned char* s, KelLength avail) {
    const char* c = reinterpret_cast<const char*>(s);
    if (avail < kel::kEscapeLength || c[0] != 'U' || c[1] != '+')
        return {s[0], 1};
    unsigned short unit = 0;
    for (KelLength i = 2; i < kel::kEscapeLength; ++i) {
        if (!valid(c[i]))
            return {s[0], 1};
        unit = static_cast<unsigned short>(unit * 16 + value(c[i]));
    }
    return {unit, kel::kEscapeLength};
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
                                                 KelLength dstLen, ILLCHAR_OPTYPE,
                                                 bool* pIllegal) {
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
