#include "KelTextBlocks.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#define KEL_X86_64_BLOCKS 1
#include <immintrin.h>
#endif

namespace kel {
namespace blocks {

namespace {

// Scanning for the terminator a chunk at a time keeps the scanned bytes in
// the first-level cache for the conversion that follows.
constexpr KelLength kChunk = 4096;
// Below this many known bytes a scan is repeated, unless it found the end.
constexpr KelLength kRescanBelow = 64;
// The tight loops hand back to the block loops after this many source
// units, so that a lone accented letter does not end the block loops.
constexpr KelLength kTightSpan = 32;

std::atomic<int> g_levelLimit{static_cast<int>(Level::Wide)};

Level detectLevel() {
#if KEL_X86_64_BLOCKS
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2"))
        return Level::Wide;
    return Level::Blocks;
#else
    return Level::Scalar;
#endif
}

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

#if KEL_X86_64_BLOCKS

// Runs of 16 bytes of U+0001 to U+007F.
Progress widenASCII(const unsigned char* s, KelLength n, unsigned short* d, KelLength room) {
    const __m128i zero = _mm_setzero_si128();
    KelLength i = 0;
    while (n - i >= 16 && room - i >= 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        if (_mm_movemask_epi8(b) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_unpacklo_epi8(b, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 8), _mm_unpackhi_epi8(b, zero));
        i += 16;
    }
    return {i, i};
}

// Runs of 16 units of U+0001 to U+007F.
Progress narrowASCII(const unsigned short* s, KelLength n, unsigned char* d, KelLength room) {
    const __m128i limit = _mm_set1_epi16(0x7F);
    const __m128i zero = _mm_setzero_si128();
    KelLength i = 0;
    while (n - i >= 16 && room - i >= 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 8));
        const __m128i above = _mm_or_si128(_mm_subs_epu16(a, limit), _mm_subs_epu16(b, limit));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(above, zero)) != 0xFFFF)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(a, b));
        i += 16;
    }
    return {i, i};
}

// GCC 12 takes the undefined vectors inside its AVX-512 intrinsics for
// uninitialised variables.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define KEL_WIDE __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi2,bmi,bmi2,popcnt")))

KEL_WIDE std::uint32_t lowBits32(unsigned count) {
    return count >= 32 ? ~0u : (1u << count) - 1;
}

KEL_WIDE std::uint64_t lowBits64(unsigned count) {
    return count >= 64 ? ~0ull : (1ull << count) - 1;
}

// 32 positions at a time: each position's value as the start of a one-,
// two- or three-byte sequence, then the values at the positions where a
// character starts packed together. A block is taken only when every
// sequence that starts in it is well-formed and in shortest form; the
// sequence that starts last may end in the two bytes after the block.
KEL_WIDE Progress decodeUTF8Wide(const unsigned char* s, KelLength n, unsigned short* d,
                                 KelLength room) {
    const __m256i contMask = _mm256_set1_epi8(static_cast<char>(0xC0));
    const __m256i contBits = _mm256_set1_epi8(static_cast<char>(0x80));
    KelLength i = 0;
    KelLength o = 0;
    while (n - i >= 34 && room - o >= 32) {
        const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        if (_mm256_movepi8_mask(b0) == 0) {
            _mm512_storeu_si512(d + o, _mm512_cvtepu8_epi16(b0));
            i += 32;
            o += 32;
            continue;
        }
        const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + 1));
        const __m256i b2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + 2));
        const __mmask32 cont0 =
            _mm256_cmpeq_epi8_mask(_mm256_and_si256(b0, contMask), contBits);
        const __mmask32 cont1 =
            _mm256_cmpeq_epi8_mask(_mm256_and_si256(b1, contMask), contBits);
        const __mmask32 cont2 =
            _mm256_cmpeq_epi8_mask(_mm256_and_si256(b2, contMask), contBits);
        const __mmask32 lead2 = _mm256_cmpge_epu8_mask(b0, _mm256_set1_epi8(static_cast<char>(0xC2))) &
                                _mm256_cmple_epu8_mask(b0, _mm256_set1_epi8(static_cast<char>(0xDF)));
        const __mmask32 lead3 = _mm256_cmpeq_epi8_mask(
            _mm256_and_si256(b0, _mm256_set1_epi8(static_cast<char>(0xF0))),
            _mm256_set1_epi8(static_cast<char>(0xE0)));
        const __mmask32 above = _mm256_cmpge_epu8_mask(b0, _mm256_set1_epi8(static_cast<char>(0xF0)));
        const __mmask32 overlongLead =
            _mm256_cmpge_epu8_mask(b0, _mm256_set1_epi8(static_cast<char>(0xC0))) &
            _mm256_cmplt_epu8_mask(b0, _mm256_set1_epi8(static_cast<char>(0xC2)));
        const __mmask32 overlong3 =
            _mm256_cmpeq_epi8_mask(b0, _mm256_set1_epi8(static_cast<char>(0xE0))) &
            _mm256_cmplt_epu8_mask(b1, _mm256_set1_epi8(static_cast<char>(0xA0)));
        const std::uint64_t claimed =
            (static_cast<std::uint64_t>(lead2 | lead3) << 1) | (static_cast<std::uint64_t>(lead3) << 2);
        const bool wellFormed = (above | overlongLead | overlong3) == 0 &&
                                (lead2 & ~cont1) == 0 && (lead3 & ~(cont1 & cont2)) == 0 &&
                                static_cast<std::uint32_t>(claimed) == cont0;
        if (!wellFormed)
            break;
        const __m512i w0 = _mm512_cvtepu8_epi16(b0);
        const __m512i w1 = _mm512_and_si512(_mm512_cvtepu8_epi16(b1), _mm512_set1_epi16(0x3F));
        const __m512i w2 = _mm512_and_si512(_mm512_cvtepu8_epi16(b2), _mm512_set1_epi16(0x3F));
        const __m512i two = _mm512_or_si512(
            _mm512_slli_epi16(_mm512_and_si512(w0, _mm512_set1_epi16(0x1F)), 6), w1);
        const __m512i three = _mm512_or_si512(
            _mm512_or_si512(_mm512_slli_epi16(w0, 12), _mm512_slli_epi16(w1, 6)), w2);
        __m512i value = _mm512_mask_mov_epi16(w0, lead2, two);
        value = _mm512_mask_mov_epi16(value, lead3, three);
        const __mmask32 starts = static_cast<__mmask32>(~cont0);
        const unsigned count = static_cast<unsigned>(_mm_popcnt_u32(starts));
        _mm512_mask_storeu_epi16(d + o, lowBits32(count), _mm512_maskz_compress_epi16(starts, value));
        o += count;
        i += 32 + static_cast<KelLength>(_mm_popcnt_u64(claimed >> 32));
    }
    return {i, o};
}

// 16 units at a time, each spread to the one to three bytes of its UTF-8
// form in a 32-bit lane; the bytes in use are then packed together. Blocks
// with a surrogate are left to the tight loop.
KEL_WIDE Progress encodeUTF8Wide(const unsigned short* s, KelLength n, unsigned char* d,
                                 KelLength room) {
    KelLength i = 0;
    KelLength o = 0;
    while (n - i >= 32 && room - o >= 32) {
        const __m512i units = _mm512_loadu_si512(s + i);
        if (_mm512_cmpgt_epu16_mask(units, _mm512_set1_epi16(0x7F)) == 0) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + o), _mm512_cvtepi16_epi8(units));
            i += 32;
            o += 32;
            continue;
        }
        const __m512i u = _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)));
        const __m512i surrogateBits = _mm512_and_si512(u, _mm512_set1_epi32(0xF800));
        if (_mm512_cmpeq_epi32_mask(surrogateBits, _mm512_set1_epi32(0xD800)) != 0)
            break;
        const __mmask16 two = _mm512_cmpge_epu32_mask(u, _mm512_set1_epi32(0x80));
        const __mmask16 three = _mm512_cmpge_epu32_mask(u, _mm512_set1_epi32(0x800));
        const std::uint64_t used = 0x1111111111111111ull |
                                   _pdep_u64(two, 0x2222222222222222ull) |
                                   _pdep_u64(three, 0x4444444444444444ull);
        const unsigned count = static_cast<unsigned>(_mm_popcnt_u64(used));
        if (room - o < count)
            break;
        const __m512i low6 = _mm512_and_si512(u, _mm512_set1_epi32(0x3F));
        const __m512i mid6 = _mm512_and_si512(_mm512_srli_epi32(u, 6), _mm512_set1_epi32(0x3F));
        const __m512i asTwo = _mm512_or_si512(
            _mm512_or_si512(_mm512_set1_epi32(0x80C0), _mm512_srli_epi32(u, 6)),
            _mm512_slli_epi32(low6, 8));
        const __m512i asThree = _mm512_or_si512(
            _mm512_or_si512(_mm512_set1_epi32(0x8080E0), _mm512_srli_epi32(u, 12)),
            _mm512_or_si512(_mm512_slli_epi32(mid6, 8), _mm512_slli_epi32(low6, 16)));
        __m512i lanes = _mm512_mask_mov_epi32(u, two, asTwo);
        lanes = _mm512_mask_mov_epi32(lanes, three, asThree);
        _mm512_mask_storeu_epi8(d + o, lowBits64(count), _mm512_maskz_compress_epi8(used, lanes));
        o += count;
        i += 16;
    }
    return {i, o};
}

// The table in eight registers of 32 units; a byte's top two bits choose
// the pair of registers, the other six the unit within the pair.
KEL_WIDE KelLength decodeSingleBytesWide(const unsigned short* table, const unsigned char* s,
                                         KelLength n, unsigned short* d) {
    if (n < 32)
        return 0;
    __m512i t[8];
    for (int k = 0; k < 8; ++k)
        t[k] = _mm512_loadu_si512(table + 32 * k);
    KelLength i = 0;
    while (n - i >= 32) {
        const __m512i idx =
            _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)));
        const __mmask32 bit6 = _mm512_test_epi16_mask(idx, _mm512_set1_epi16(0x40));
        const __mmask32 bit7 = _mm512_test_epi16_mask(idx, _mm512_set1_epi16(0x80));
        const __m512i low = _mm512_mask_blend_epi16(bit6, _mm512_permutex2var_epi16(t[0], idx, t[1]),
                                                    _mm512_permutex2var_epi16(t[2], idx, t[3]));
        const __m512i high = _mm512_mask_blend_epi16(bit6, _mm512_permutex2var_epi16(t[4], idx, t[5]),
                                                     _mm512_permutex2var_epi16(t[6], idx, t[7]));
        const __m512i units = _mm512_mask_blend_epi16(bit7, low, high);
        if (_mm512_test_epi16_mask(units, units) != 0xFFFFFFFFu)
            break;
        _mm512_storeu_si512(d + i, units);
        i += 32;
    }
    return i;
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// Aligned loads never cross into the next page, so they may read past the
// terminator, which the sanitizers would take for an overflow.
__attribute__((no_sanitize_address)) KelLength nonzeroUnits(const unsigned short* s,
                                                            KelLength max) {
    KelLength i = 0;
    while (i < max && (reinterpret_cast<std::uintptr_t>(s + i) & 15) != 0) {
        if (s[i] == 0)
            return i;
        ++i;
    }
    const __m128i zero = _mm_setzero_si128();
    for (; i < max; i += 8) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(s + i));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(v, zero));
        if (mask != 0)
            return std::min(max, i + static_cast<KelLength>(__builtin_ctz(mask)) / 2);
    }
    return max;
}

#else

Progress widenASCII(const unsigned char*, KelLength, unsigned short*, KelLength) {
    return {0, 0};
}

Progress narrowASCII(const unsigned short*, KelLength, unsigned char*, KelLength) {
    return {0, 0};
}

Progress decodeUTF8Wide(const unsigned char*, KelLength, unsigned short*, KelLength) {
    return {0, 0};
}

Progress encodeUTF8Wide(const unsigned short*, KelLength, unsigned char*, KelLength) {
    return {0, 0};
}

KelLength decodeSingleBytesWide(const unsigned short*, const unsigned char*, KelLength,
                                unsigned short*) {
    return 0;
}

KelLength nonzeroUnits(const unsigned short* s, KelLength max) {
    KelLength i = 0;
    while (i < max && s[i] != 0)
        ++i;
    return i;
}

#endif

void advance(Progress& total, const Progress& step) {
    total.read += step.read;
    total.written += step.written;
}

// Alternates the block loop and the tight loop until neither moves on.
template <class Unit, class Out, class BlockLoop, class TightLoop>
Progress alternate(const Unit* s, KelLength n, Out* d, KelLength room, BlockLoop blocks,
                   TightLoop tight) {
    Progress total{0, 0};
    for (;;) {
        advance(total, blocks(s + total.read, n - total.read, d + total.written,
                              room - total.written));
        const Progress step = tight(s + total.read, n - total.read, d + total.written,
                                    room - total.written, kTightSpan);
        if (step.read == 0)
            return total;
        advance(total, step);
    }
}

// The next chunk to scan from `pos`: kChunk, or less where the text ends
// sooner.
KelLength chunkAt(KelLength pos, KelLength end) {
    return end - pos < kChunk ? end - pos : kChunk;
}

} // namespace

Level level() {
    static const Level detected = detectLevel();
    return std::min(detected, static_cast<Level>(g_levelLimit.load(std::memory_order_relaxed)));
}

Level limitLevel(Level max) {
    return static_cast<Level>(g_levelLimit.exchange(static_cast<int>(max)));
}

Progress decodeUTF8(const unsigned char* s, KelLength n, unsigned short* d, KelLength room) {
    switch (level()) {
    case Level::Scalar:
        return {0, 0};
    case Level::Blocks:
        return alternate(s, n, d, room, widenASCII, decodeUTF8Tight);
    default:
        return alternate(s, n, d, room, decodeUTF8Wide, decodeUTF8Tight);
    }
}

Progress encodeUTF8(const unsigned short* s, KelLength n, unsigned char* d, KelLength room) {
    switch (level()) {
    case Level::Scalar:
        return {0, 0};
    case Level::Blocks:
        return alternate(s, n, d, room, narrowASCII, encodeUTF8Tight);
    default:
        return alternate(s, n, d, room, encodeUTF8Wide, encodeUTF8Tight);
    }
}

KelLength decodeSingleBytes(const unsigned short* table, const unsigned char* s, KelLength n,
                            unsigned short* d) {
    return level() == Level::Wide ? decodeSingleBytesWide(table, s, n, d) : 0;
}

KelLength ByteRun::from(KelLength pos) {
    if (!m_ended && m_known < pos + kRescanBelow) {
        const KelLength chunk = chunkAt(pos, m_end);
        const KelLength found = static_cast<KelLength>(
            ::strnlen(reinterpret_cast<const char*>(m_s + pos), chunk));
        m_known = pos + found;
        m_ended = found < chunk || m_known == m_end;
    }
    return m_known > pos ? m_known - pos : 0;
}

KelLength UnitRun::from(KelLength pos) {
    if (!m_ended && m_known < pos + kRescanBelow) {
        const KelLength chunk = chunkAt(pos, m_end);
        const KelLength found = nonzeroUnits(m_s + pos, chunk);
        m_known = pos + found;
        m_ended = found < chunk || m_known == m_end;
    }
    return m_known > pos ? m_known - pos : 0;
}

} // namespace blocks
} // namespace kel
