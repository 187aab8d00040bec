#include "KelCharSetConverterUTF32.h"

#include "KelConverterHelpers.h"
#include "KelUTF8Codec.h"

namespace {

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

// UTF-16 units that toUTF16 writes for a value (with ILLCHAR_REPLACE).
KelLength utf16Length(Unit32 v) {
    return KelUChar::isSurrogate(v) ? 2 : 1;
}

// Advances p past the sequence it decodes.
kel::utf8::Sequence decodeUTF8(const unsigned char*& p) {
    const kel::utf8::Sequence seq = kel::utf8::decode<kel::utf8::Reading::Strict>(p, KEL_NPOS);
    p += seq.length;
    return seq;
}

} // namespace

KelLength KelCharSetConverterUTF32::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    const KelLength units = srcLen == KEL_NPOS ? KEL_NPOS : srcLen / kUnitSize;
    KelLength count = 0;
    for (KelLength i = 0; i < units; ++i) {
        const Unit32 v = load(src, i);
        if (v == 0)
            break;
        count += utf16Length(v);
    }
    return count;
}

KelLength KelCharSetConverterUTF32::toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                                            ILLCHAR_OPTYPE opType, bool* pIllegal, int srcLimit) {
    if (dst == nullptr || src == nullptr)
        return 0;
    kel::clearFlag(pIllegal);
    const KelLength limit = srcLimit < 0 ? KEL_NPOS : static_cast<KelLength>(srcLimit);
    KelLength written = 0;
    for (KelLength i = 0; i < limit && written < dstLen; ++i) {
        Unit32 v = load(src, i);
        if (v == 0)
            break;
        if (isBeyondUnicode(v)) {
            kel::raiseFlag(pIllegal);
            if (opType == ILLCHAR_STOP)
                break;
            v = kReplacement;
        }
        if (utf16Length(v) == 2) {
            // A character that does not fit whole ends the text like a full buffer.
            if (dstLen - written < 2)
                break;
            KelUChar::toSurrogatePair(v, dst[written], dst[written + 1]);
            written += 2;
        } else {
            dst[written++] = static_cast<unsigned short>(v);
        }
    }
    dst[written] = 0;
    return written;
}

// Every unit becomes one 32-bit unit, except that a well-formed pair becomes
// one for both; a high surrogate at the end of the range counts for the unit
// fromUTF16 writes for it whatever follows.
KelLength KelCharSetConverterUTF32::getNumBytes(const unsigned short* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    KelLength count = 0;
    for (KelLength i = 0; i < srcLen && src[i] != 0; ++i) {
        if (KelUChar::isSurrogateHigh(src[i]) && i + 1 < srcLen &&
            KelUChar::isSurrogateLow(src[i + 1]))
            ++i;
        count += kUnitSize;
    }
    return count;
}

KelLength KelCharSetConverterUTF32::fromUTF16(void* dst, const unsigned short* src,
                                              KelLength dstLen, ILLCHAR_OPTYPE opType,
                                              bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    kel::clearFlag(pIllegal);
    const KelLength room = dstLen / kUnitSize;
    kel::UTF16Reader reader(src);
    kel::UTF16Reader::Char c;
    KelLength out = 0;
    while (out < room && reader.next(c)) {
        if (!c.unpaired) {
            store(dst, out++, c.value);
            continue;
        }
        kel::raiseFlag(pIllegal);
        Unit32 substitute[kel::kEscapeLength];
        const KelLength n = kel::writeSubstitute(substitute, room - out,
                                                 static_cast<unsigned short>(c.value), opType);
        if (n == 0)
            break;
        for (KelLength i = 0; i < n; ++i)
            store(dst, out++, substitute[i]);
    }
    store(dst, out, 0);
    return out * kUnitSize;
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
