#include "KelTextBlocksKernels.h"

#include <cstdint>

namespace kel {
namespace blocks {

namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// A four-byte sequence in shortest form of U+10000 to U+10FFFF within `avail`.
bool isFourByteForm(const unsigned char* p, KelLength avail) {
    if (avail < 4 || p[0] < 0xF0 || p[0] > 0xF4)
        return false;
    const unsigned char lowest = p[0] == 0xF0 ? 0x90 : 0x80;
    const unsigned char highest = p[0] == 0xF4 ? 0x8F : 0xBF;
    return p[1] >= lowest && p[1] <= highest && isContinuation(p[2]) && isContinuation(p[3]);
}

bool isHighSurrogate(unsigned short u) {
    return (u & 0xFC00) == 0xD800;
}

bool isLowSurrogate(unsigned short u) {
    return (u & 0xFC00) == 0xDC00;
}

// Writes the UTF-8 form of a code point that needs `length` bytes.
void putUTF8(unsigned char* d, std::uint32_t v, unsigned length) {
    static const unsigned char leadMark[5] = {0, 0x00, 0xC0, 0xE0, 0xF0};
    for (unsigned k = length - 1; k > 0; --k) {
        d[k] = static_cast<unsigned char>(0x80 | (v & 0x3F));
        v >>= 6;
    }
    d[0] = static_cast<unsigned char>(leadMark[length] | v);
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
            d[o++] = static_cast<unsigned short>(0xD7C0u + (v >> 10));
            d[o++] = static_cast<unsigned short>(0xDC00u + (v & 0x3FFu));
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
            v = 0x10000u + ((v - 0xD800u) << 10) + (s[i + 1] - 0xDC00u);
            units = 2;
        }
        const unsigned length = v < 0x80 ? 1 : v < 0x800 ? 2 : v < 0x10000 ? 3 : 4;
        if (room - o < length)
            break;
        putUTF8(d + o, v, length);
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
