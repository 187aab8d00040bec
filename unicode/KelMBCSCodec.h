#ifndef KELMBCSCODEC_H
#define KELMBCSCODEC_H

// The conversion and counting loops of the table-driven multibyte
// converters. A converter describes its encoding one character at a time
// through a codec, an object with three members:
//
//   LocalChar decode(const unsigned char* p, KelLength avail) const;
//   EncodedChar encode(const unsigned short* p, KelLength avail) const;
//   kel::blocks::ASCIIIdentity identity() const;
//
// where p points at a character that is not the terminator and `avail` is
// how many units from p may be read (KEL_NPOS for NUL-terminated text). A
// codec reads a following unit only while the units before it are not 0, so
// it never reads past a terminator. The loops here do the rest: room, the
// source limit, substitutes, the flag and the terminator. Counting goes
// through the same codec as converting, so getNumUnits and getNumBytes
// always equal what toUTF16 and fromUTF16 write. The bytes and units of the
// identity, which decode and encode one for one as themselves, the loops
// convert a block at a time; a codec whose identity rests on its tables
// finds it through probeIdentity. They look for such a run only where the
// codec has read a value below 0x80, so that text without ASCII pays for
// nothing but that test.

#include "KelConverterHelpers.h"
#include "KelTextBlocks.h"
#include "KelUChar.h"

#include <atomic>

namespace kel {
namespace mbcs {

// One character of local text: the bytes it spans and its Unicode scalar
// value, 0 when it has none (it then decodes to one U+FFFD).
struct LocalChar {
    KelLength length;
    std::uint32_t value;
};

// One character of UTF-16 text: the units it spans, the character (what an
// escape shows) and its local bytes, packed high byte first; size 0 when it
// has no local code.
struct EncodedChar {
    KelLength units;
    std::uint32_t value;
    std::uint32_t bytes;
    KelLength size;
};

// Byte i of a character, 0 at or beyond `avail`: text past the counted range
// reads as if it ended there.
inline unsigned char byteAt(const unsigned char* p, KelLength avail, KelLength i) {
    return i < avail ? p[i] : 0;
}

// The 7-bit form under which the 94 x 94 sets store a two-byte code.
inline unsigned short sevenBitKey(unsigned char b1, unsigned char b2) {
    return static_cast<unsigned short>(((b1 & 0x7Fu) << 8) | (b2 & 0x7Fu));
}

// A packed local code: one byte up to 0xFF, two above; none for code 0.
inline EncodedChar packedCode(const CodePoint& ch, std::uint32_t code) {
    return {ch.units, ch.value, code, code == 0 ? 0u : code > 0xFFu ? 2u : 1u};
}

// A unit written as the byte of the same value.
inline EncodedChar singleByte(unsigned short unit) {
    return {1, unit, unit, 1};
}

// A unit of an EUC code set written as two bytes from its 7-bit code, each
// with the high bit set; none for code 0.
inline EncodedChar eucPair(unsigned short unit, unsigned short sevenBit) {
    return {1, unit, sevenBit + 0x8080u, sevenBit != 0 ? 2u : 0u};
}

inline KelLength unitsOf(std::uint32_t value) {
    return KelUChar::isSurrogate(value) ? 2 : 1;
}

// Whether the codec reads byte b by itself as U+00bb and writes that unit
// back as b alone.
template <class Codec> bool isIdentity(const Codec& codec, unsigned char b) {
    const unsigned char bytes[2] = {b, 0};
    const unsigned short units[2] = {b, 0};
    const LocalChar c = codec.decode(bytes, 1);
    const EncodedChar e = codec.encode(units, 1);
    return c.length == 1 && c.value == b && e.units == 1 && e.size == 1 && e.bytes == b;
}

// The identity as the codec's own decode and encode have it: the bytes from
// 01 up to the last that is its own, but for three exceptions at most; none
// at all for a codec with more, such as one without tables.
template <class Codec> kel::blocks::ASCIIIdentity probeIdentity(const Codec& codec) {
    kel::blocks::ASCIIIdentity id{0x7F, {0, 0, 0}};
    unsigned exceptions = 0;
    for (unsigned char b = 0x7F; b >= 1; --b) {
        if (isIdentity(codec, b))
            continue;
        if (b == id.last)
            --id.last;
        else if (exceptions < 3)
            id.except[exceptions++] = b;
        else
            return {0, {0, 0, 0}};
    }
    return id;
}

// A converter's probed identity, found on its first conversion. The tables
// it rests on never change once built, so threads that race on the first
// conversion only store the same value twice.
class IdentityCache {
public:
    template <class Codec> kel::blocks::ASCIIIdentity of(const Codec& codec) const {
        std::uint32_t packed = m_packed.load(std::memory_order_relaxed);
        if (packed == 0) {
            const kel::blocks::ASCIIIdentity id = probeIdentity(codec);
            packed = kProbed | id.last | id.except[0] << 8 | id.except[1] << 16 |
                     static_cast<std::uint32_t>(id.except[2]) << 24;
            m_packed.store(packed, std::memory_order_relaxed);
        }
        return {static_cast<unsigned char>(packed & 0x7F),
                {static_cast<unsigned char>(packed >> 8), static_cast<unsigned char>(packed >> 16),
                 static_cast<unsigned char>(packed >> 24)}};
    }

private:
    // Set in every probed value, as `last` never is above 0x7F.
    static constexpr std::uint32_t kProbed = 0x80;
    mutable std::atomic<std::uint32_t> m_packed{0};
};

// Room for the units or bytes an identity run is counted through.
constexpr KelLength kCountingRoom = 256;

// The length of the identity run at s[pos], found by converting it to
// scratch room; 0 as for widenASCII and narrowASCII.
inline KelLength identityRunLength(const kel::blocks::ASCIIIdentity& id, kel::blocks::ByteRun& run,
                                   const unsigned char* s, KelLength pos) {
    unsigned short scratch[kCountingRoom];
    return kel::blocks::widenASCII(id, run, s, pos, scratch, kCountingRoom);
}

inline KelLength identityRunLength(const kel::blocks::ASCIIIdentity& id, kel::blocks::UnitRun& run,
                                   const unsigned short* s, KelLength pos) {
    unsigned char scratch[kCountingRoom];
    return kel::blocks::narrowASCII(id, run, s, pos, scratch, kCountingRoom);
}

template <class Codec>
KelLength decodeText(const Codec& codec, unsigned short* dst, const void* src, KelLength dstLen,
                     ILLCHAR_OPTYPE opType, bool* pIllegal, int srcLimit) {
    if (dst == nullptr || src == nullptr)
        return 0;
    clearFlag(pIllegal);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    // A character that starts before the limit is read whole.
    const KelLength limit = srcLimit > 0 ? static_cast<KelLength>(srcLimit) : KEL_NPOS;
    const kel::blocks::ASCIIIdentity identity = codec.identity();
    kel::blocks::ByteRun run(s, limit);
    KelLength written = 0;
    KelLength consumed = 0;
    while (written < dstLen && s[consumed] != 0) {
        const LocalChar c = codec.decode(s + consumed, KEL_NPOS);
        std::uint32_t value = c.value;
        if (value < 0x80) {
            const KelLength fast = kel::blocks::widenASCII(identity, run, s, consumed,
                                                           dst + written, dstLen - written);
            if (fast != 0) {
                written += fast;
                consumed += fast;
                if (consumed >= limit)
                    break;
                continue;
            }
        }
        if (value == 0) {
            raiseFlag(pIllegal);
            value = decodeSubstitute(opType);
            if (value == 0)
                break;
        }
        if (dstLen - written < unitsOf(value))
            break;
        if (KelUChar::isSurrogate(value)) {
            KelUChar::toSurrogatePair(value, dst[written], dst[written + 1]);
            written += 2;
        } else {
            dst[written++] = static_cast<unsigned short>(value);
        }
        consumed += c.length;
        if (consumed >= limit)
            break;
    }
    dst[written] = 0;
    return written;
}

template <class Codec> KelLength countUnits(const Codec& codec, const void* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    const unsigned char* s = static_cast<const unsigned char*>(src);
    const kel::blocks::ASCIIIdentity identity = codec.identity();
    kel::blocks::ByteRun run(s, srcLen);
    KelLength units = 0;
    for (KelLength pos = 0; pos < srcLen && s[pos] != 0;) {
        const LocalChar c = codec.decode(s + pos, srcLen - pos);
        const KelLength fast = c.value < 0x80 ? identityRunLength(identity, run, s, pos) : 0;
        if (fast != 0) {
            units += fast;
            pos += fast;
            continue;
        }
        units += unitsOf(c.value);
        pos += c.length;
    }
    return units;
}

// Writes the bytes of a code that fits in `room`; 0 when it does not.
inline KelLength writeCode(unsigned char* dst, KelLength room, const EncodedChar& c) {
    if (c.size > room)
        return 0;
    for (KelLength i = 0; i < c.size; ++i)
        dst[i] = static_cast<unsigned char>(c.bytes >> (8 * (c.size - 1 - i)));
    return c.size;
}

template <class Codec>
KelLength encodeText(const Codec& codec, void* dst, const unsigned short* src, KelLength dstLen,
                     ILLCHAR_OPTYPE opType, bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    clearFlag(pIllegal);
    unsigned char* d = static_cast<unsigned char*>(dst);
    const kel::blocks::ASCIIIdentity identity = codec.identity();
    kel::blocks::UnitRun run(src);
    KelLength written = 0;
    for (KelLength pos = 0; written < dstLen && src[pos] != 0;) {
        const EncodedChar c = codec.encode(src + pos, KEL_NPOS);
        if (c.value < 0x80) {
            const KelLength fast =
                kel::blocks::narrowASCII(identity, run, src, pos, d + written, dstLen - written);
            if (fast != 0) {
                written += fast;
                pos += fast;
                continue;
            }
        }
        KelLength n;
        if (c.size != 0) {
            n = writeCode(d + written, dstLen - written, c);
        } else {
            raiseFlag(pIllegal);
            n = writeSubstitute(d + written, dstLen - written, c.value, opType);
        }
        if (n == 0)
            break;
        written += n;
        pos += c.units;
    }
    d[written] = 0;
    return written;
}

// Counts as encodeText writes with ILLCHAR_REPLACE: one byte for the '?' of
// a character without a code.
template <class Codec>
KelLength countBytes(const Codec& codec, const unsigned short* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    const kel::blocks::ASCIIIdentity identity = codec.identity();
    kel::blocks::UnitRun run(src, srcLen);
    KelLength bytes = 0;
    for (KelLength pos = 0; pos < srcLen && src[pos] != 0;) {
        const EncodedChar c = codec.encode(src + pos, srcLen - pos);
        const KelLength fast = c.value < 0x80 ? identityRunLength(identity, run, src, pos) : 0;
        if (fast != 0) {
            bytes += fast;
            pos += fast;
            continue;
        }
        bytes += c.size != 0 ? c.size : 1;
        pos += c.units;
    }
    return bytes;
}

} // namespace mbcs
} // namespace kel

#endif
