#include "KelCharSetConverterUTF8.h"

#include "KelConverterHelpers.h"
#include "KelTextBlocks.h"
#include "KelUTF8Codec.h"
#include "KelUChar.h"

#include <algorithm>
#include <cstring>

namespace {

// Units or bytes counted a block at a time through a scratch buffer.
constexpr KelLength kCountingRoom = 256;

using kel::utf8::Sequence;

Sequence decodeSequence(const unsigned char* p, KelLength avail) {
    return kel::utf8::decode<kel::utf8::Reading::Jvm>(p, avail);
}

KelLength unitsOf(const Sequence& seq) {
    return seq.value > 0xFFFF ? 2 : 1;
}

} // namespace

KelLength KelCharSetConverterUTF8::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr || srcLen == 0)
        return 0;
    const unsigned char* s = static_cast<const unsigned char*>(src);
    const KelLength len = srcLen == KEL_NPOS ? std::strlen(static_cast<const char*>(src)) : srcLen;
    KelLength count = 0;
    kel::blocks::ByteRun run(s, len);
    for (KelLength pos = 0; pos < len && s[pos] != 0;) {
        // Common text is counted by decoding it a block at a time.
        unsigned short scratch[kCountingRoom];
        const kel::blocks::Progress fast =
            kel::blocks::decodeUTF8(s + pos, run.from(pos), scratch, kCountingRoom);
        if (fast.read != 0) {
            pos += fast.read;
            count += fast.written;
            continue;
        }
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
    kel::blocks::ByteRun run(s, limit);
    while (written < dstLen && s[pos] != 0) {
        // Common text goes a block at a time, each character ending inside the limit.
        const kel::blocks::Progress fast =
            kel::blocks::decodeUTF8(s + pos, run.from(pos), dst + written, dstLen - written);
        if (fast.read != 0) {
            pos += fast.read;
            written += fast.written;
            if (pos >= limit)
                break;
            continue;
        }
        const Sequence seq = decodeSequence(s + pos, KEL_NPOS);
        if (unitsOf(seq) == 2) {
            // A whole character that does not fit ends the text like a full buffer.
            if (dstLen - written < 2)
                break;
            KelUChar::toSurrogatePair(seq.value, dst[written], dst[written + 1]);
            written += 2;
        } else {
            if (seq.malformed)
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
    KelLength count = 0;
    kel::blocks::UnitRun run(src, srcLen);
    for (KelLength pos = 0; pos < srcLen && src[pos] != 0;) {
        unsigned char scratch[3 * kCountingRoom];
        const kel::blocks::Progress fast =
            kel::blocks::encodeUTF8(src + pos, run.from(pos), scratch, sizeof scratch);
        if (fast.read != 0) {
            pos += fast.read;
            count += fast.written;
            continue;
        }
        const unsigned short u = src[pos++];
        if (!KelUChar::isSurrogateHigh(u)) {
            count += kel::utf8::encodedLength(u);
            continue;
        }
        if (pos == srcLen || src[pos] == 0) {
            ++count; // the "?" written for the unpaired high surrogate
            break;
        }
        if (KelUChar::isSurrogateLow(src[pos])) {
            count += 4;
            ++pos;
        } else {
            ++count; // the unit after it counts in its own right
        }
    }
    return count;
}

KelLength KelCharSetConverterUTF8::fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                                             ILLCHAR_OPTYPE opType, bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    kel::clearFlag(pIllegal);
    unsigned char* d = static_cast<unsigned char*>(dst);
    kel::blocks::UnitRun run(src);
    KelLength out = 0;
    KelLength pos = 0;
    while (out < dstLen && src[pos] != 0) {
        const kel::blocks::Progress fast =
            kel::blocks::encodeUTF8(src + pos, run.from(pos), d + out, dstLen - out);
        if (fast.read != 0) {
            pos += fast.read;
            out += fast.written;
            continue;
        }
        const kel::CodePoint c = kel::codePointAt(src + pos, KEL_NPOS);
        KelLength n;
        if (c.units == 1 && KelUChar::isSurrogateHigh(src[pos])) {
            kel::raiseFlag(pIllegal);
            n = kel::writeSubstitute(d + out, dstLen - out, src[pos], opType);
        } else {
            n = kel::utf8::encode(d + out, dstLen - out, c.value);
        }
        if (n == 0)
            break;
        out += n;
        pos += c.units;
    }
    d[out] = 0;
    return out;
}
