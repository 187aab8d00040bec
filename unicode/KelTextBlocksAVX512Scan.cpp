#include "KelTextBlocksAVX512.h"

#if KEL_X86_64_BLOCKS

#include <algorithm>

namespace kel {
namespace blocks {

namespace {

// The identity's test on the lanes of 64 bytes (kBits 8) or 32 units (16):
// the mask of the lanes whose values are of it.
template <int kBits> class IdentityTestAVX512 {
public:
    KEL_AVX512 explicit IdentityTestAVX512(const ASCIIIdentity& id)
        : m_last(splat(id.last)), m_x0(splat(id.except[0])), m_x1(splat(id.except[1])),
          m_x2(splat(id.except[2])) {}

    KEL_AVX512 std::uint64_t inside(__m512i v) const {
        if constexpr (kBits == 8)
            return _mm512_cmple_epu8_mask(v, m_last) &
                   ~(_mm512_cmpeq_epi8_mask(v, m_x0) | _mm512_cmpeq_epi8_mask(v, m_x1) |
                     _mm512_cmpeq_epi8_mask(v, m_x2));
        else
            return _mm512_cmple_epu16_mask(v, m_last) &
                   ~(_mm512_cmpeq_epi16_mask(v, m_x0) | _mm512_cmpeq_epi16_mask(v, m_x1) |
                     _mm512_cmpeq_epi16_mask(v, m_x2));
    }

private:
    KEL_AVX512 static __m512i splat(unsigned char value) {
        if constexpr (kBits == 8)
            return _mm512_set1_epi8(static_cast<char>(value));
        else
            return _mm512_set1_epi16(value);
    }

    __m512i m_last, m_x0, m_x1, m_x2;
};

// The lanes of a block that lie before s[avail]; the others are not read.
KEL_AVX512 __m512i loadLanes(const unsigned char* s, std::uint64_t within) {
    return _mm512_maskz_loadu_epi8(within, s);
}

KEL_AVX512 __m512i loadLanes(const unsigned short* s, std::uint64_t within) {
    return _mm512_maskz_loadu_epi16(static_cast<__mmask32>(within), s);
}

// The first `count` lanes of a block of bytes as units, or of units as bytes.
KEL_AVX512 void storeLanes(unsigned short* d, unsigned count, __m512i bytes) {
    _mm512_mask_storeu_epi16(d, lowBits32(count),
                             _mm512_cvtepu8_epi16(_mm512_castsi512_si256(bytes)));
    if (count > 32)
        _mm512_mask_storeu_epi16(d + 32, lowBits32(count - 32),
                                 _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(bytes, 1)));
}

KEL_AVX512 void storeLanes(unsigned char* d, unsigned count, __m512i units) {
    _mm512_mask_cvtepi16_storeu_epi8(d, lowBits32(count), units);
}

// Blocks of the identity, the last one short where the text or the identity
// ends.
template <int kBits, class Unit, class Out>
KEL_AVX512 KelLength copyIdentityAVX512(const ASCIIIdentity& identity, const Unit* s, KelLength n,
                                        Out* d) {
    constexpr unsigned kLanes = 512 / kBits;
    const IdentityTestAVX512<kBits> test(identity);
    KelLength i = 0;
    while (i < n) {
        const std::uint64_t within =
            lowBits64(static_cast<unsigned>(std::min<KelLength>(n - i, kLanes)));
        const __m512i v = loadLanes(s + i, within);
        const std::uint64_t inside = test.inside(v) & within;
        const unsigned count =
            inside == lowBits64(kLanes) ? kLanes : static_cast<unsigned>(_tzcnt_u64(~inside));
        storeLanes(d + i, count, v);
        i += count;
        if (count < kLanes)
            break;
    }
    return i;
}

// As unitsBeforeZeroSSE2, 32 units a load: an aligned 64-byte load never
// crosses into another page either, and the memory checkers are told to pass
// over the loads for the same reason.
__attribute__((no_sanitize("address", "thread"))) KEL_AVX512 __mmask32
zeroUnitsAVX512(const unsigned short* block) {
    const __m512i units = _mm512_load_si512(block);
    return _mm512_cmpeq_epi16_mask(units, _mm512_setzero_si512());
}

} // namespace

KEL_AVX512 KelLength unitsBeforeZeroAVX512(const unsigned short* s, KelLength max) {
    constexpr KelLength kUnits = 32;
    KelLength i = 0;
    while (i < max && reinterpret_cast<std::uintptr_t>(s + i) % 64 != 0) {
        if (s[i] == 0)
            return i;
        ++i;
    }
    const auto found = [max](KelLength at, __mmask32 zeros) {
        return std::min<KelLength>(max, at + static_cast<KelLength>(__builtin_ctz(zeros)));
    };
    // Four loads go together from a 256-byte boundary only, so that they
    // too stay within one page.
    for (; i < max && reinterpret_cast<std::uintptr_t>(s + i) % 256 != 0; i += kUnits) {
        const __mmask32 zeros = zeroUnitsAVX512(s + i);
        if (zeros != 0)
            return found(i, zeros);
    }
    for (; i < max && max - i >= 4 * kUnits; i += 4 * kUnits) {
        const __mmask32 z0 = zeroUnitsAVX512(s + i);
        const __mmask32 z1 = zeroUnitsAVX512(s + i + kUnits);
        const __mmask32 z2 = zeroUnitsAVX512(s + i + 2 * kUnits);
        const __mmask32 z3 = zeroUnitsAVX512(s + i + 3 * kUnits);
        if ((z0 | z1 | z2 | z3) == 0)
            continue;
        if (z0 != 0)
            return found(i, z0);
        if (z1 != 0)
            return found(i + kUnits, z1);
        return z2 != 0 ? found(i + 2 * kUnits, z2) : found(i + 3 * kUnits, z3);
    }
    for (; i < max; i += kUnits) {
        const __mmask32 zeros = zeroUnitsAVX512(s + i);
        if (zeros != 0)
            return found(i, zeros);
    }
    return max;
}

KEL_AVX512 KelLength widenASCIIAVX512(const ASCIIIdentity& identity, const unsigned char* s,
                                      KelLength n, unsigned short* d) {
    return copyIdentityAVX512<8>(identity, s, n, d);
}

KEL_AVX512 KelLength narrowASCIIAVX512(const ASCIIIdentity& identity, const unsigned short* s,
                                       KelLength n, unsigned char* d) {
    return copyIdentityAVX512<16>(identity, s, n, d);
}

} // namespace blocks
} // namespace kel

#endif
