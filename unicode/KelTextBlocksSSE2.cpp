#include "KelTextBlocksKernels.h"

#if KEL_X86_64_BLOCKS

#include <algorithm>
#include <cstdint>
#include <immintrin.h>

namespace kel {
namespace blocks {

namespace {

// The identity's tests for a lane width: bytes (8) or units (16).
template <int kBits> class IdentityTest {
public:
    explicit IdentityTest(const ASCIIIdentity& id)
        : m_last(splat(id.last)), m_x0(splat(id.except[0])), m_x1(splat(id.except[1])),
          m_x2(splat(id.except[2])) {}

    // Whether every lane holds a value of the identity; lanes of 0 do not
    // occur within the known text.
    bool all(__m128i v) const {
        const __m128i zero = _mm_setzero_si128();
        const __m128i excepted = _mm_or_si128(_mm_or_si128(equal(v, m_x0), equal(v, m_x1)),
                                              _mm_or_si128(equal(v, m_x2), above(v)));
        return _mm_movemask_epi8(_mm_cmpeq_epi8(excepted, zero)) == 0xFFFF;
    }

private:
    static __m128i splat(unsigned char value) {
        return kBits == 8 ? _mm_set1_epi8(static_cast<char>(value))
                          : _mm_set1_epi16(static_cast<short>(value));
    }
    static __m128i equal(__m128i a, __m128i b) {
        return kBits == 8 ? _mm_cmpeq_epi8(a, b) : _mm_cmpeq_epi16(a, b);
    }
    __m128i above(__m128i v) const {
        return kBits == 8 ? _mm_subs_epu8(v, m_last) : _mm_subs_epu16(v, m_last);
    }

    __m128i m_last, m_x0, m_x1, m_x2;
};

// The identity of UTF-8 and of most sets: all of ASCII but 0, told apart by
// the high bit and a test for 0, two blocks at a time.
bool isWholeASCII(const ASCIIIdentity& id) {
    return id.last == 0x7F && id.except[0] == 0 && id.except[1] == 0 && id.except[2] == 0;
}

// Lanes of a or b that have the high bit set or are 0, as a mask.
int outsideWholeASCII(__m128i a, __m128i b) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i nul = _mm_or_si128(_mm_cmpeq_epi8(a, zero), _mm_cmpeq_epi8(b, zero));
    return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), nul));
}

void widenBlock(__m128i b, unsigned short* d) {
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_unpacklo_epi8(b, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 8), _mm_unpackhi_epi8(b, zero));
}

KelLength widenWholeASCII(const unsigned char* s, KelLength n, unsigned short* d) {
    KelLength i = 0;
    while (n - i >= 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16));
        if (outsideWholeASCII(a, b) != 0)
            break;
        widenBlock(a, d + i);
        widenBlock(b, d + i + 16);
        i += 32;
    }
    return i;
}

KelLength narrowWholeASCII(const unsigned short* s, KelLength n, unsigned char* d) {
    KelLength i = 0;
    while (n - i >= 16) {
        // Units above 0x7F pack to bytes with the high bit set.
        const __m128i packed =
            _mm_packus_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 8)));
        if (outsideWholeASCII(packed, packed) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), packed);
        i += 16;
    }
    return i;
}

} // namespace

KelLength widenASCIISSE2(const ASCIIIdentity& id, const unsigned char* s, KelLength n,
                         unsigned short* d) {
    const KelLength whole = isWholeASCII(id) ? widenWholeASCII(s, n, d) : 0;
    const IdentityTest<8> test(id);
    KelLength i = whole;
    while (n - i >= 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        if (!test.all(b))
            break;
        widenBlock(b, d + i);
        i += 16;
    }
    return i;
}

KelLength narrowASCIISSE2(const ASCIIIdentity& id, const unsigned short* s, KelLength n,
                          unsigned char* d) {
    const IdentityTest<16> test(id);
    KelLength i = isWholeASCII(id) ? narrowWholeASCII(s, n, d) : 0;
    while (n - i >= 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 8));
        if (!test.all(a) || !test.all(b))
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(a, b));
        i += 16;
    }
    return i;
}

// The text's length is unknown, so the block that holds the terminator may
// end past the caller's buffer. An aligned 16-byte load never crosses into
// another page, nor do four of them from a 64-byte boundary, so the scan
// cannot fault; only the memory checkers, which see a read past the buffer,
// are told to pass over it. Four blocks a test, taken only within the bound,
// keep the scan well ahead of the conversion that follows it.
__attribute__((no_sanitize("address", "thread"))) static __m128i
zeroUnits(const unsigned short* block) {
    return _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(block)),
                           _mm_setzero_si128());
}

__attribute__((no_sanitize("address", "thread"))) KelLength
unitsBeforeZeroSSE2(const unsigned short* s, KelLength max) {
    constexpr std::uintptr_t kBlock = sizeof(__m128i);
    constexpr KelLength kUnits = kBlock / sizeof(unsigned short);
    const auto offset = [s](KelLength i) { return reinterpret_cast<std::uintptr_t>(s + i); };
    KelLength i = 0;
    while (i < max && offset(i) % kBlock != 0) {
        if (s[i] == 0)
            return i;
        ++i;
    }
    const auto zeros = [s](KelLength at) { return zeroUnits(s + at); };
    const auto found = [&](KelLength at, unsigned mask) {
        return std::min<KelLength>(max, at + static_cast<KelLength>(__builtin_ctz(mask)) / 2);
    };
    for (; i < max && offset(i) % (4 * kBlock) != 0; i += kUnits) {
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(zeros(i)));
        if (mask != 0)
            return found(i, mask);
    }
    for (; i < max && max - i >= 4 * kUnits; i += 4 * kUnits) {
        const __m128i any =
            _mm_or_si128(_mm_or_si128(zeros(i), zeros(i + kUnits)),
                         _mm_or_si128(zeros(i + 2 * kUnits), zeros(i + 3 * kUnits)));
        if (_mm_movemask_epi8(any) == 0)
            continue;
        for (KelLength b = 0; b < 4; ++b) {
            const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(zeros(i + b * kUnits)));
            if (mask != 0)
                return found(i + b * kUnits, mask);
        }
    }
    for (; i < max; i += kUnits) {
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(zeros(i)));
        if (mask != 0)
            return found(i, mask);
    }
    return max;
}

} // namespace blocks
} // namespace kel

#endif
