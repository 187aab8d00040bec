#include "KelCharSetConverterUTF8.h"

#include "KelConverterHelpers.h"
#include "KelUChar.h"

#include <cstring>

namespace {

// Sequence length started by a byte, by its high four bits; 0: cannot start one.
const std::uint32_t oUTF8Bits[16] = {1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 2, 2, 3, 4};

enum class SeqKind { Misplaced, Malformed, Unit, Pair };

struct Sequence {
    SeqKind kind;
    std::uint32_t value;
    KelLength length; // bytes consumed
};

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// True when the `count` bytes after the lead are continuation bytes that lie
// within `avail` (bytes beyond it read as NUL). Stops at the first failure so
// that nothing past a NUL is read.
bool continuationsFollow(const unsigned char* p, KelLength avail, unsigned count) {
    for (unsigned i = 1; i <= count; ++i) {
        if (i >= avail || !isContinuation(p[i]))
            return false;
    }
    return true;
}

std::uint32_t payload(const unsigned char* p, unsigned length) {
    static const unsigned char leadMask[5] = {0, 0x7F, 0x1F, 0x0F, 0x0F};
    std::uint32_t v = p[0] & leadMask[length];
    for (unsigned i = 1; i < length; ++i)
        v = (v << 6) | (p[i] & 0x3Fu);
    return v;
}

// Smallest value each length may carry. C0 80 (U+0000) stays legal: the JVM
// writes NUL that way.
bool isOverlongOrOutOfRange(std::uint32_t v, unsigned length) {
    switch (length) {
    case 2:
        return v != 0 && v < 0x80;
    case 3:
        return v < 0x800;
    default:
        return v < 0x10000 || v > KelUChar::UTF32_MAX;
    }
}

// Decodes the sequence at p, of which `avail` bytes may be read. A sequence
// that fails any check consumes only its lead byte.
Sequence decodeSequence(const unsigned char* p, KelLength avail) {
    const unsigned length = oUTF8Bits[p[0] >> 4];
    if (length == 0)
        return {SeqKind::Misplaced, 0, 1};
    if (length == 1)
        return {SeqKind::Unit, p[0], 1};
    if (!continuationsFollow(p, avail, length - 1))
        return {SeqKind::Malformed, 0xFFFD, 1};
    const std::uint32_t v = payload(p, length);
    if (isOverlongOrOutOfRange(v, length))
        return {SeqKind::Malformed, 0xFFFD, 1};
    return {length == 4 ? SeqKind::Pair : SeqKind::Unit, v, length};
}

KelLength unitsOf(const Sequence& seq) {
    switch (seq.kind) {
    case SeqKind::Misplaced:
        return 0;
    case SeqKind::Pair:
        return 2;
    default:
        return 1;
    }
}

KelLength encodeBmpUnit(unsigned char* d, KelLength room, unsigned short u) {
    if (u <= 0x7F) {
        d[0] = static_cast<unsigned char>(u);
        return 1;
    }
    if (u <= 0x7FF) {
        if (room < 2)
            return 0;
        d[0] = static_cast<unsigned char>(0xC0 | ((u >> 6) & 0x1F));
        d[1] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        return 2;
    }
    if (room < 3)
        return 0;
    d[0] = static_cast<unsigned char>(0xE0 | ((u >> 12) & 0x0F));
    d[1] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
    d[2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
    return 3;
}

void encodeSupplementary(unsigned char* d, std::uint32_t v) {
    d[0] = static_cast<unsigned char>(0xF0 | ((v >> 18) & 0x07));
    d[1] = static_cast<unsigned char>(0x80 | ((v >> 12) & 0x3F));
    d[2] = static_cast<unsigned char>(0x80 | ((v >> 6) & 0x3F));
    d[3] = static_cast<unsigned char>(0x80 | (v & 0x3F));
}

KelLength bmpUnitBytes(unsigned short u) {
    if (u <= 0x7F)
        return 1;
    return u <= 0x7FF ? 2 : 3;
}

} // namespace

KelLength KelCharSetConverterUTF8::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr || srcLen == 0)
        return 0;
    const unsigned char* s = static_cast<const unsigned char*>(src);
    const KelLength len = srcLen == KEL_NPOS ? std::strlen(static_cast<const char*>(src)) : srcLen;
    KelLength count = 0;
    for (KelLength pos = 0; pos < len && s[pos] != 0;) {
        const Sequence seq = decodeSequence(s + pos, len - pos);
        count += unitsOf(seq);
        pos += seq.length;
    }
    return count;
}

KelLength KelCharSetConverterUTF8::toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                                           ILLCHAR_OPTYPE, bool* pIllegal, int srcLimit) {
    if (dst == nullptr || src == nullptr)
        return 0;
    kel::clearFlag(pIllegal);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    const KelLength limit = srcLimit > 0 ? static_cast<KelLength>(srcLimit) : KEL_NPOS;
    KelLength written = 0;
    KelLength pos = 0;
    while (written < dstLen && s[pos] != 0) {
        const Sequence seq = decodeSequence(s + pos, KEL_NPOS);
        if (seq.kind == SeqKind::Pair) {
            // A whole character that does not fit ends the text like a full buffer.
            if (dstLen - written < 2)
                break;
            KelUChar::toSurrogatePair(seq.value, dst[written], dst[written + 1]);
            written += 2;
        } else if (seq.kind == SeqKind::Misplaced) {
            kel::raiseFlag(pIllegal);
        } else {
            if (seq.kind == SeqKind::Malformed)
                kel::raiseFlag(pIllegal);
            dst[written++] = static_cast<unsigned short>(seq.value);
        }
        pos += seq.length;
        if (pos >= limit)
            break;
    }
    dst[written] = 0;
    return written;
}

KelLength KelCharSetConverterUTF8::getNumBytes(const unsigned short* src, KelLength srcLen) {
    if (src == nullptr || srcLen == 0)
        return 0;
    KelLength left = srcLen;
    KelLength i = 0;
    auto fetch = [&](unsigned short& u) {
        if (srcLen != KEL_NPOS) {
            if (left == 0)
                return false;
            --left;
        }
        u = src[i++];
        return u != 0;
    };
    KelLength count = 0;
    unsigned short u = 0;
    bool carried = false;
    while (carried || fetch(u)) {
        carried = false;
        if (!KelUChar::isSurrogateHigh(u)) {
            count += bmpUnitBytes(u);
            continue;
        }
        unsigned short w = 0;
        if (!fetch(w)) {
            ++count; // the "?" written for the unpaired high surrogate
            break;
        }
        if (KelUChar::isSurrogateLow(w)) {
            count += 4;
        } else {
            ++count;
            u = w;
            carried = true;
        }
    }
    return count;
}

KelLength KelCharSetConverterUTF8::fromUTF16(void* dst, const unsigned short* src,
                                             KelLength dstLen, ILLCHAR_OPTYPE opType,
                                             bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    kel::clearFlag(pIllegal);
    unsigned char* d = static_cast<unsigned char*>(dst);
    KelLength out = 0;
    KelLength i = 0;
    unsigned short u = 0;
    bool carried = false;
    while (out < dstLen) {
        if (!carried)
            u = src[i++];
        carried = false;
        if (u == 0)
            break;
        KelLength n;
        if (KelUChar::isSurrogateHigh(u)) {
            const unsigned short w = src[i++];
            if (KelUChar::isSurrogateLow(w)) {
                if (dstLen - out < 4)
                    break;
                encodeSupplementary(d + out, KelUChar::toUTF32(u, w));
                n = 4;
            } else {
                // The unit after an unpaired high surrogate is converted in its own right.
                kel::raiseFlag(pIllegal);
                n = kel::writeSubstitute(d + out, dstLen - out, u, opType);
                u = w;
                carried = true;
            }
        } else {
            n = encodeBmpUnit(d + out, dstLen - out, u);
        }
        if (n == 0)
            break;
        out += n;
    }
    d[out] = 0;
    return out;
}
