#include "KelTextBlocksKernels.h"

#include "KelSurrogates.h"
#include "KelUChar.h"
#include "KelUTF8Codec.h"

#include <cstdint>

namespace kel {
namespace blocks {

namespace {

using utf8::isContinuation;

// A four-byte sequence in shortest form of U+10000 to U+10FFFF within `avail`.
bool isFourByteForm(const unsigned char* p, KelLength avail) {
    if (avail < 4 || p[0] < 0xF0 || p[0] > 0xF4)
        return false;
    const unsigned char lowest = p[0] == 0xF0 ? 0x90 : 0x80;
    const unsigned char highest = p[0] == 0xF4 ? 0x8F : 0xBF;
    return p[1] >= lowest && p[1] <= highest && isContinuation(p[2]) && isContinuation(p[3]);
}

template <class Unit, class Out>
KelLength copyIdentity(const ASCIIIdentity& id, const Unit* s, KelLength n, Out* d) {
    KelLength i = 0;
    while (i < n && id.holds(s[i])) {
        d[i] = static_cast<Out>(s[i]);
        ++i;
    }
    return i;
}

} // namespace

// The shortest-form sequences of one to four bytes, U+0001 to U+10FFFF
// (surrogate values included, as the general decoder takes them).
Progress decodeUTF8Tight(const unsigned char* s, KelLength n, unsigned short* d, KelLength room,
                         KelLength span) {
    KelLength i = 0;
    KelLength o = 0;
    while (i < n && o < room && i < span) {
        const unsigned char b0 = s[i];
        if (b0 < 0x80) {
            d[o++] = b0;
            i += 1;
        } else if (b0 >= 0xC2 && b0 < 0xE0 && n - i >= 2 && isContinuation(s[i + 1])) {
            d[o++] = static_cast<unsigned short>((b0 & 0x1Fu) << 6 | (s[i + 1] & 0x3Fu));
            i += 2;
        } else if ((b0 & 0xF0) == 0xE0 && n - i >= 3 && isContinuation(s[i + 1]) &&
                   isContinuation(s[i + 2]) && (b0 != 0xE0 || s[i + 1] >= 0xA0)) {
            d[o++] = static_cast<unsigned short>((b0 & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 |
                                                 (s[i + 2] & 0x3Fu));
            i += 3;
        } else if (isFourByteForm(s + i, n - i) && room - o >= 2) {
            const std::uint32_t v = (b0 & 0x07u) << 18 | (s[i + 1] & 0x3Fu) << 12 |
                                    (s[i + 2] & 0x3Fu) << 6 | (s[i + 3] & 0x3Fu);
            KelUChar::toSurrogatePair(v, d[o], d[o + 1]);
            o += 2;
            i += 4;
        } else {
            break;
        }
    }
    return {i, o};
}

// Every unit but a high surrogate that has no low surrogate behind it
// within `n`; lone low surrogates take three bytes like other units.
Progress encodeUTF8Tight(const unsigned short* s, KelLength n, unsigned char* d, KelLength room,
                         KelLength span) {
    KelLength i = 0;
    KelLength o = 0;
    while (i < n && i < span) {
        std::uint32_t v = s[i];
        KelLength units = 1;
        if (isHighSurrogate(s[i])) {
            if (n - i < 2 || !isLowSurrogate(s[i + 1]))
                break;
            v = KelUChar::toUTF32(s[i], s[i + 1]);
            units = 2;
        }
        const KelLength length = utf8::encode(d + o, room - o, v);
        if (length == 0)
            break;
        o += length;
        i += units;
    }
    return {i, o};
}

KelLength widenASCIITight(const ASCIIIdentity& id, const unsigned char* s, KelLength n,
                          unsigned short* d) {
    return copyIdentity(id, s, n, d);
}

KelLength narrowASCIITight(const ASCIIIdentity& id, const unsigned short* s, KelLength n,
                           unsigned char* d) {
    return copyIdentity(id, s, n, d);
}

KelLength unitsBeforeZero(const unsigned short* s, KelLength max) {
    KelLength i = 0;
    while (i < max && s[i] != 0)
        ++i;
    return i;
}

} // namespace blocks
} // namespace kel
