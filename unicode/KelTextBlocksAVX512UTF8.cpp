#include "KelTextBlocksAVX512.h"

#if KEL_X86_64_BLOCKS

#include <algorithm>

namespace kel {
namespace blocks {

namespace {

// Puts the surrogate pairs of four-byte sequences into decoded values: the
// high surrogate at the lead byte, the low one at the byte after it. w1 and
// w2 hold the payloads of the next two bytes of each position.
KEL_AVX512 __m512i withFourByteForms(__m512i value, __m512i w0, __m512i w1, __m512i w2,
                                     __mmask32 leads, __mmask32 lowAt) {
    const __m512i high = _mm512_add_epi16(
        _mm512_set1_epi16(static_cast<short>(0xD7C0)),
        _mm512_or_si512(
            _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(w0, _mm512_set1_epi16(7)), 8),
                            _mm512_slli_epi16(w1, 2)),
            _mm512_srli_epi16(w2, 4)));
    const __m512i low = _mm512_or_si512(
        _mm512_set1_epi16(static_cast<short>(0xDC00)),
        _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(w1, _mm512_set1_epi16(0x0F)), 6), w2));
    value = _mm512_mask_mov_epi16(value, leads, high);
    return _mm512_mask_mov_epi16(value, lowAt, low);
}

// The values of 32 positions of bytes b0 and of the two bytes after each,
// b1 and b2, as the start of a sequence of the kind the masks give; a low
// surrogate goes where `lowAt` says.
template <bool kFour>
KEL_AVX512 __m512i valuesAt(__m256i b0, __m256i b1, __m256i b2, __mmask32 lead2, __mmask32 lead3,
                            __mmask32 lead4, __mmask32 lowAt) {
    const __m512i six = _mm512_set1_epi16(0x3F);
    const __m512i w0 = _mm512_cvtepu8_epi16(b0);
    const __m512i w1 = _mm512_and_si512(_mm512_cvtepu8_epi16(b1), six);
    const __m512i w2 = _mm512_and_si512(_mm512_cvtepu8_epi16(b2), six);
    const __m512i two =
        _mm512_or_si512(_mm512_slli_epi16(_mm512_and_si512(w0, _mm512_set1_epi16(0x1F)), 6), w1);
    const __m512i three =
        _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi16(w0, 12), _mm512_slli_epi16(w1, 6)), w2);
    __m512i value = _mm512_mask_mov_epi16(w0, lead2, two);
    value = _mm512_mask_mov_epi16(value, lead3, three);
    if (kFour)
        value = withFourByteForms(value, w0, w1, w2, lead4, lowAt);
    return value;
}

KEL_AVX512 __m512i bytes64(int value) {
    return _mm512_set1_epi8(static_cast<char>(value));
}

// The bytes of p[skip, skip + 64) that lie before p[avail], zeros for the
// others, which are not read.
KEL_AVX512 __m512i loadBytes64(const unsigned char* p, KelLength avail, KelLength skip) {
    if (avail >= skip + 64)
        return _mm512_loadu_si512(p + skip);
    const unsigned inside = avail > skip ? static_cast<unsigned>(avail - skip) : 0;
    return _mm512_maskz_loadu_epi8(lowBits64(inside), p + skip);
}

KEL_AVX512 __mmask64 continuations64(__m512i b) {
    return _mm512_cmpeq_epi8_mask(_mm512_and_si512(b, bytes64(0xC0)), bytes64(0x80));
}

KEL_AVX512 __mmask64 inRange64(__m512i b, int lowest, int highest) {
    return _mm512_cmpge_epu8_mask(b, bytes64(lowest)) & _mm512_cmple_epu8_mask(b, bytes64(highest));
}

KEL_AVX512 __m256i half(__m512i b, int which) {
    return which == 0 ? _mm512_castsi512_si256(b) : _mm512_extracti64x4_epi64(b, 1);
}

// One block of 64 positions: each position's value as the start of a one-,
// two- or three-byte sequence, or (kFour) as the high surrogate of a
// four-byte one whose low surrogate goes to the next position; then the
// values at the positions where a unit starts are packed together, in two
// halves of 32. A block is taken only when every sequence that starts in it
// is well-formed and in shortest form; the one that starts last may end in
// the three bytes after the block, which the masks no longer hold, so they
// are counted apart. A four-byte sequence at the last position is left to
// the next block, since its low surrogate has no position in this one. A
// short last block of a text leaves the bytes past it out of its loads, so
// that no sequence reaches past it. Returns false for a block it does not
// take.
template <bool kFour>
KEL_AVX512 bool decodeUTF8Block(const unsigned char* s, KelLength avail, __m512i b0,
                                unsigned short* d, Progress& done) {
    const __m512i b1 = loadBytes64(s, avail, 1);
    const __m512i b2 = loadBytes64(s, avail, 2);
    const __mmask64 cont0 = continuations64(b0);
    const __mmask64 cont1 = continuations64(b1);
    const __mmask64 cont12 = cont1 & continuations64(b2);
    const __mmask64 lead2 = inRange64(b0, 0xC2, 0xDF);
    const __mmask64 lead3 = inRange64(b0, 0xE0, 0xEF);
    const __mmask64 lead4 = kFour ? inRange64(b0, 0xF0, 0xF4) : 0;
    __mmask64 overlong =
        _mm512_cmpeq_epi8_mask(b0, bytes64(0xE0)) & _mm512_cmplt_epu8_mask(b1, bytes64(0xA0));
    if (kFour)
        overlong |=
            (_mm512_cmpeq_epi8_mask(b0, bytes64(0xF0)) &
             _mm512_cmplt_epu8_mask(b1, bytes64(0x90))) |
            (_mm512_cmpeq_epi8_mask(b0, bytes64(0xF4)) & _mm512_cmpgt_epu8_mask(b1, bytes64(0x8F)));
    const __mmask64 cont123 = kFour ? cont12 & continuations64(loadBytes64(s, avail, 3)) : 0;
    const __mmask64 other = ~(cont0 | lead2 | lead3 | lead4) & _mm512_movepi8_mask(b0);
    const unsigned end =
        static_cast<unsigned>(std::min<KelLength>(64 - static_cast<unsigned>(lead4 >> 63), avail));
    const std::uint64_t within = lowBits64(end);
    const std::uint64_t l2 = lead2 & within;
    const std::uint64_t l3 = lead3 & within;
    const std::uint64_t l4 = lead4 & within;
    const std::uint64_t claimed = (l2 | l3 | l4) << 1 | (l3 | l4) << 2 | l4 << 3;
    const std::uint64_t claimedPast = (l2 | l3 | l4) >> 63 | (l3 | l4) >> 62 | l4 >> 61;
    const bool wellFormed = ((other | overlong) & within) == 0 && (l2 & ~cont1) == 0 &&
                            (l3 & ~cont12) == 0 && (l4 & ~cont123) == 0 &&
                            (cont0 & within) == (claimed & within);
    if (!wellFormed)
        return false;
    const std::uint64_t lowAt = l4 << 1;
    const std::uint64_t starts = (~cont0 | lowAt) & within;
    unsigned written = 0;
    for (int h = 0; h < 2; ++h) {
        const unsigned shift = 32 * static_cast<unsigned>(h);
        const auto part = [shift](std::uint64_t mask) {
            return static_cast<__mmask32>(mask >> shift);
        };
        const __m512i value = valuesAt<kFour>(half(b0, h), half(b1, h), half(b2, h), part(lead2),
                                              part(lead3), part(l4), part(lowAt));
        const unsigned count = static_cast<unsigned>(_mm_popcnt_u32(part(starts)));
        _mm512_mask_storeu_epi16(d + written, lowBits32(count),
                                 _mm512_maskz_compress_epi16(part(starts), value));
        written += count;
    }
    const std::uint64_t claimedAfterEnd = end < 64 ? claimed >> end : 0;
    done.written += written;
    done.read +=
        end + static_cast<KelLength>(_mm_popcnt_u64(claimedAfterEnd) + _mm_popcnt_u64(claimedPast));
    return true;
}

// 16 characters of three bytes each in the first 48 of 64 bytes, as the
// bulk of Chinese and Japanese text is: their leads and continuations lie in
// a fixed pattern, so a permutation spreads each character to a lane of its
// own, with no compress. False where the bytes are anything else, or hold
// the overlong E0 80 to E0 9F.
KEL_AVX512 bool decodeThreeByteBlock(__m512i b, unsigned short* d) {
    constexpr std::uint64_t kSpan = (1ull << 48) - 1;
    constexpr std::uint64_t kLeads = 0x249249249249ull & kSpan;
    const std::uint64_t leads = inRange64(b, 0xE0, 0xEF) & kSpan;
    const std::uint64_t conts = continuations64(b) & kSpan;
    const std::uint64_t e0 = _mm512_cmpeq_epi8_mask(b, bytes64(0xE0)) & kLeads;
    const std::uint64_t belowA0 = _mm512_cmplt_epu8_mask(b, bytes64(0xA0));
    if (leads != kLeads || conts != (kSpan & ~kLeads) || (e0 & belowA0 >> 1) != 0)
        return false;
    alignas(64) static const unsigned char kSpread[64] = {
        0,  1,  2,  2,  3,  4,  5,  5,  6,  7,  8,  8,  9,  10, 11, 11, 12, 13, 14, 14, 15, 16,
        17, 17, 18, 19, 20, 20, 21, 22, 23, 23, 24, 25, 26, 26, 27, 28, 29, 29, 30, 31, 32, 32,
        33, 34, 35, 35, 36, 37, 38, 38, 39, 40, 41, 41, 42, 43, 44, 44, 45, 46, 47, 47};
    const __m512i lanes = _mm512_permutexvar_epi8(_mm512_load_si512(kSpread), b);
    const __m512i value = _mm512_or_si512(
        _mm512_slli_epi32(_mm512_and_si512(lanes, dwords(0x0F)), 12),
        _mm512_or_si512(
            _mm512_slli_epi32(_mm512_and_si512(_mm512_srli_epi32(lanes, 8), dwords(0x3F)), 6),
            _mm512_and_si512(_mm512_srli_epi32(lanes, 16), dwords(0x3F))));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm512_cvtepi32_epi16(value));
    return true;
}

// Puts the UTF-8 bytes of surrogate pairs into spread lanes: the first two
// of the four in the high surrogate's lane, the last two in the low one's.
KEL_AVX512 __m512i withSurrogatePairs(__m512i lanes, __m512i u, __mmask16 highs, __mmask16 lows) {
    // The unit in front of each lane; the first lane's is never a high
    // surrogate, as pairs are not split.
    const __m512i before = _mm512_alignr_epi32(u, _mm512_setzero_si512(), 15);
    const __m512i low6 = _mm512_and_si512(u, dwords(0x3F));
    // High surrogate: w = unit - 0xD7C0 holds the code point's bits 10
    // to 20; F0 | w >> 8, then 80 | bits 2 to 7 of w.
    const __m512i w = _mm512_sub_epi32(u, dwords(0xD7C0));
    const __m512i asHigh = _mm512_or_si512(
        _mm512_or_si512(dwords(0x80F0), _mm512_srli_epi32(w, 8)),
        _mm512_slli_epi32(_mm512_and_si512(_mm512_srli_epi32(w, 2), dwords(0x3F)), 8));
    // Low surrogate: 80 | the high surrogate's two low bits and the
    // unit's bits 6 to 9, then 80 | its bits 0 to 5.
    const __m512i asLow = _mm512_or_si512(
        _mm512_or_si512(dwords(0x8080), _mm512_slli_epi32(_mm512_and_si512(before, dwords(3)), 4)),
        _mm512_or_si512(_mm512_and_si512(_mm512_srli_epi32(u, 6), dwords(0x0F)),
                        _mm512_slli_epi32(low6, 8)));
    lanes = _mm512_mask_mov_epi32(lanes, highs, asHigh);
    return _mm512_mask_mov_epi32(lanes, lows, asLow);
}

// 32 units below U+0800 as UTF-8: each in a 16-bit lane, its lead byte
// first and its continuation byte second where `two` says it has one; the
// bytes in use packed together. Returns the bytes written, 64 at most.
KEL_AVX512 unsigned encodeTwoByteBlock(__m512i units, __mmask32 two, unsigned char* d) {
    const __m512i lead = _mm512_or_si512(_mm512_srli_epi16(units, 6), _mm512_set1_epi16(0xC0));
    const __m512i trail =
        _mm512_or_si512(_mm512_and_si512(units, _mm512_set1_epi16(0x3F)), _mm512_set1_epi16(0x80));
    const __m512i asTwo = _mm512_or_si512(lead, _mm512_slli_epi16(trail, 8));
    const __m512i lanes = _mm512_mask_mov_epi16(units, two, asTwo);
    const std::uint64_t used = 0x5555555555555555ull | _pdep_u64(two, 0xAAAAAAAAAAAAAAAAull);
    const unsigned count = static_cast<unsigned>(_mm_popcnt_u64(used));
    _mm512_mask_storeu_epi8(d, lowBits64(count), _mm512_maskz_compress_epi8(used, lanes));
    return count;
}

// Whether all 32 units lie in U+0800 to U+FFFF outside the surrogates.
KEL_AVX512 bool allThreeBytes(__m512i units) {
    const __m512i kind = _mm512_and_si512(units, _mm512_set1_epi16(static_cast<short>(0xF800)));
    return _mm512_cmplt_epu16_mask(units, _mm512_set1_epi16(0x800)) == 0 &&
           _mm512_cmpeq_epi16_mask(kind, _mm512_set1_epi16(static_cast<short>(0xD800))) == 0;
}

// 32 units of three bytes each as UTF-8, 96 bytes: each half of 16 spread
// to 32-bit lanes, whose first three bytes a fixed permutation packs.
KEL_AVX512 void encodeThreeByteBlock(__m512i units, unsigned char* d) {
    alignas(64) static const unsigned char kPack[64] = {
        0,  1,  2,  4,  5,  6,  8,  9,  10, 12, 13, 14, 16, 17, 18, 20, 21, 22, 24, 25, 26, 28,
        29, 30, 32, 33, 34, 36, 37, 38, 40, 41, 42, 44, 45, 46, 48, 49, 50, 52, 53, 54, 56, 57,
        58, 60, 61, 62, 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0};
    const __m512i pack = _mm512_load_si512(kPack);
    for (int h = 0; h < 2; ++h) {
        const __m512i u = _mm512_cvtepu16_epi32(half(units, h));
        const __m512i mid6 = _mm512_and_si512(_mm512_srli_epi32(u, 6), dwords(0x3F));
        const __m512i low6 = _mm512_and_si512(u, dwords(0x3F));
        const __m512i lanes = _mm512_or_si512(
            _mm512_or_si512(dwords(0x8080E0), _mm512_srli_epi32(u, 12)),
            _mm512_or_si512(_mm512_slli_epi32(mid6, 8), _mm512_slli_epi32(low6, 16)));
        _mm512_mask_storeu_epi8(d + 48 * h, lowBits64(48), _mm512_permutexvar_epi8(pack, lanes));
    }
}

} // namespace

// The last block of a text may be short: its loads leave out the bytes past
// the text, and no sequence may reach past it.
KEL_AVX512 Progress decodeUTF8AVX512(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room) {
    Progress done{0, 0};
    while (done.read < n) {
        const KelLength avail = n - done.read;
        const unsigned span = static_cast<unsigned>(std::min<KelLength>(avail, 64));
        if (room - done.written < span)
            break;
        const unsigned char* p = s + done.read;
        const __m512i b0 = loadBytes64(p, avail, 0);
        if (_mm512_movepi8_mask(b0) == 0) {
            for (unsigned h = 0; h < 2 && 32 * h < span; ++h)
                _mm512_mask_storeu_epi16(d + done.written + 32 * h, lowBits32(span - 32 * h),
                                         _mm512_cvtepu8_epi16(half(b0, static_cast<int>(h))));
            done.read += span;
            done.written += span;
            continue;
        }
        if (span == 64 && (p[0] & 0xF0) == 0xE0 && decodeThreeByteBlock(b0, d + done.written)) {
            done.read += 48;
            done.written += 16;
            continue;
        }
        const bool four = _mm512_cmpge_epu8_mask(b0, bytes64(0xF0)) != 0;
        if (!(four ? decodeUTF8Block<true>(p, avail, b0, d + done.written, done)
                   : decodeUTF8Block<false>(p, avail, b0, d + done.written, done)))
            break;
    }
    return done;
}

// 16 units at a time, each spread to the bytes of its UTF-8 form in a
// 32-bit lane: one to three bytes, or for a surrogate pair the first two
// bytes of the four in the high surrogate's lane and the last two in the low
// surrogate's; the bytes in use are then packed together. A block with a
// high surrogate that is not followed by a low one is left to the tight
// loop; a pair is never split between blocks.
KEL_AVX512 Progress encodeUTF8AVX512(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room) {
    KelLength i = 0;
    KelLength o = 0;
    while (i < n) {
        const KelLength avail = n - i;
        if (avail >= 32 && room - o >= 32) {
            const __m512i units = _mm512_loadu_si512(s + i);
            const __mmask32 two = _mm512_cmpgt_epu16_mask(units, _mm512_set1_epi16(0x7F));
            if (two == 0) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + o), _mm512_cvtepi16_epi8(units));
                i += 32;
                o += 32;
                continue;
            }
            // Latin, Greek, Cyrillic and the like: no unit takes three
            // bytes, so 32 of them go in 16-bit lanes.
            if (room - o >= 64 && _mm512_cmpgt_epu16_mask(units, _mm512_set1_epi16(0x7FF)) == 0) {
                o += encodeTwoByteBlock(units, two, d + o);
                i += 32;
                continue;
            }
            // Ideographs and kana: every unit takes three bytes.
            if (room - o >= 96 && allThreeBytes(units)) {
                encodeThreeByteBlock(units, d + o);
                i += 32;
                o += 96;
                continue;
            }
        }
        // The last block of a text may be short: the units past it are left
        // out of the load and read as 0.
        const unsigned span = static_cast<unsigned>(std::min<KelLength>(avail, 16));
        const __m512i u = _mm512_cvtepu16_epi32(
            _mm256_maskz_loadu_epi16(static_cast<__mmask16>(lowBits32(span)), s + i));
        const __m512i kind = _mm512_and_si512(u, dwords(0xFC00));
        const __mmask16 highs = _mm512_cmpeq_epi32_mask(kind, dwords(0xD800));
        const __mmask16 lows = _mm512_cmpeq_epi32_mask(kind, dwords(0xDC00));
        const __mmask16 two = _mm512_cmpge_epu32_mask(u, dwords(0x80));
        __mmask16 three = _mm512_cmpge_epu32_mask(u, dwords(0x800));
        unsigned end = span;
        __mmask16 halves = 0, within = static_cast<__mmask16>(lowBits32(span)), pairedLows = 0;
        if ((highs | lows) != 0) {
            end = std::min(span, 16 - static_cast<unsigned>(highs >> 15));
            within = static_cast<__mmask16>(lowBits32(end));
            pairedLows = static_cast<__mmask16>(highs << 1) & lows;
            if ((static_cast<__mmask16>(highs << 1) & ~lows) != 0)
                break;
            halves = (highs | pairedLows) & within;
            three &= ~halves;
        }
        std::uint64_t used = (0x1111111111111111ull | _pdep_u64(two, 0x2222222222222222ull) |
                              _pdep_u64(three, 0x4444444444444444ull));
        if (end != 16)
            used &= lowBits64(4 * end);
        const unsigned count = static_cast<unsigned>(_mm_popcnt_u64(used));
        if (room - o < count)
            break;
        const __m512i low6 = _mm512_and_si512(u, dwords(0x3F));
        const __m512i mid6 = _mm512_and_si512(_mm512_srli_epi32(u, 6), dwords(0x3F));
        const __m512i asTwo = _mm512_or_si512(
            _mm512_or_si512(dwords(0x80C0), _mm512_srli_epi32(u, 6)), _mm512_slli_epi32(low6, 8));
        const __m512i asThree = _mm512_or_si512(
            _mm512_or_si512(dwords(0x8080E0), _mm512_srli_epi32(u, 12)),
            _mm512_or_si512(_mm512_slli_epi32(mid6, 8), _mm512_slli_epi32(low6, 16)));
        __m512i lanes = _mm512_mask_mov_epi32(u, two, asTwo);
        lanes = _mm512_mask_mov_epi32(lanes, three, asThree);
        if (halves != 0)
            lanes = withSurrogatePairs(lanes, u, highs & within, pairedLows & within);
        _mm512_mask_storeu_epi8(d + o, lowBits64(count), _mm512_maskz_compress_epi8(used, lanes));
        o += count;
        i += end;
    }
    return {i, o};
}

} // namespace blocks
} // namespace kel

#endif
