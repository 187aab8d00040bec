#include "KelTextBlocksAVX512.h"

#if KEL_X86_64_BLOCKS

#include <algorithm>

namespace kel {
namespace blocks {

namespace {

KEL_AVX512 __m256i bytes(int value) {
    return _mm256_set1_epi8(static_cast<char>(value));
}

KEL_AVX512 __m256i loadBytes(const unsigned char* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

} // namespace

// The table in eight registers of 32 units; a byte's top two bits choose
// the pair of registers, the other six the unit within the pair. A short
// last block leaves the bytes past the text out of its load.
KEL_AVX512 KelLength decodeSingleBytesAVX512(const unsigned short* table, const unsigned char* s,
                                             KelLength n, unsigned short* d) {
    __m512i t[8];
    for (int k = 0; k < 8; ++k)
        t[k] = _mm512_loadu_si512(table + 32 * k);
    KelLength i = 0;
    while (i < n) {
        const bool whole = n - i >= 32;
        const __mmask32 span = lowBits32(static_cast<unsigned>(std::min<KelLength>(n - i, 32)));
        const __m512i idx =
            _mm512_cvtepu8_epi16(whole ? loadBytes(s + i) : _mm256_maskz_loadu_epi8(span, s + i));
        const __mmask32 bit6 = _mm512_test_epi16_mask(idx, _mm512_set1_epi16(0x40));
        const __mmask32 bit7 = _mm512_test_epi16_mask(idx, _mm512_set1_epi16(0x80));
        const __m512i low =
            _mm512_mask_blend_epi16(bit6, _mm512_permutex2var_epi16(t[0], idx, t[1]),
                                    _mm512_permutex2var_epi16(t[2], idx, t[3]));
        const __m512i high =
            _mm512_mask_blend_epi16(bit6, _mm512_permutex2var_epi16(t[4], idx, t[5]),
                                    _mm512_permutex2var_epi16(t[6], idx, t[7]));
        const __m512i units = _mm512_mask_blend_epi16(bit7, low, high);
        if ((_mm512_test_epi16_mask(units, units) & span) != span)
            break;
        if (whole)
            _mm512_storeu_si512(d + i, units);
        else
            _mm512_mask_storeu_epi16(d + i, span, units);
        i += static_cast<KelLength>(_mm_popcnt_u32(span));
    }
    return i;
}

// The page in eight registers of 32 codes, chosen as for the units of
// decodeSingleBytesAVX512.
KEL_AVX512 KelLength encodeSingleBytesAVX512(const unsigned char* page, const unsigned short* s,
                                             KelLength n, unsigned char* d) {
    __m256i t[8];
    for (int k = 0; k < 8; ++k)
        t[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(page + 32 * k));
    KelLength i = 0;
    while (i < n) {
        const __mmask32 span = lowBits32(static_cast<unsigned>(std::min<KelLength>(n - i, 32)));
        const __m512i units = _mm512_maskz_loadu_epi16(span, s + i);
        if (_mm512_cmpge_epu16_mask(units, _mm512_set1_epi16(0x100)) != 0)
            break;
        const __m256i idx = _mm512_cvtepi16_epi8(units);
        const __mmask32 bit6 = _mm256_test_epi8_mask(idx, bytes(0x40));
        const __mmask32 bit7 = _mm256_test_epi8_mask(idx, bytes(0x80));
        const __m256i low = _mm256_mask_blend_epi8(bit6, _mm256_permutex2var_epi8(t[0], idx, t[1]),
                                                   _mm256_permutex2var_epi8(t[2], idx, t[3]));
        const __m256i high = _mm256_mask_blend_epi8(bit6, _mm256_permutex2var_epi8(t[4], idx, t[5]),
                                                    _mm256_permutex2var_epi8(t[6], idx, t[7]));
        const __m256i codes = _mm256_mask_blend_epi8(bit7, low, high);
        if ((_mm256_test_epi8_mask(codes, codes) & span) != span)
            break;
        _mm256_mask_storeu_epi8(d + i, span, codes);
        i += static_cast<KelLength>(_mm_popcnt_u32(span));
    }
    return i;
}

// A 32-bit gather at each unit's code reads the code and the one after it
// (hence the table's extra entry); the low halves, byte-swapped, are the
// codes high byte first.
KEL_AVX512 KelLength encodeTwoByteCodesAVX512(const unsigned short* codes, const unsigned short* s,
                                              KelLength n, unsigned char* d) {
    const __m256i highFirst =
        _mm256_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14, 1, 0, 3, 2, 5, 4, 7,
                         6, 9, 8, 11, 10, 13, 12, 15, 14);
    KelLength i = 0;
    for (; n - i >= 16; i += 16) {
        const __m512i units =
            _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)));
        const __m512i gathered = _mm512_i32gather_epi32(units, codes, 2);
        const __m512i code = _mm512_and_si512(gathered, dwords(0xFFFF));
        if (_mm512_cmpgt_epu32_mask(code, dwords(0xFF)) != 0xFFFF)
            break;
        const __m256i packed = _mm256_shuffle_epi8(_mm512_cvtepi32_epi16(code), highFirst);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 2 * i), packed);
    }
    return i;
}

} // namespace blocks
} // namespace kel

#endif
