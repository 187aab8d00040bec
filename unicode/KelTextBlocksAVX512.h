#ifndef KELTEXTBLOCKSAVX512_H
#define KELTEXTBLOCKSAVX512_H

// What the AVX-512 kernel files share. Internal to them: everything here is
// compiled for instructions that the machine may lack, so only the AVX-512
// kernels, which the dispatch calls on the machines that have them, may
// call it.

#include "KelTextBlocksKernels.h"

#if KEL_X86_64_BLOCKS

#include <cstdint>
#include <immintrin.h>

// The instructions that level() requires of Level::AVX512.
#define KEL_AVX512                                                                                 \
    __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")))

namespace kel {
namespace blocks {

// Internal linkage, so that a copy the compiler keeps out of line can never
// stand in for a function of the same name compiled for any machine.
namespace {

KEL_AVX512 inline std::uint32_t lowBits32(unsigned count) {
    return count >= 32 ? ~0u : (1u << count) - 1;
}

KEL_AVX512 inline std::uint64_t lowBits64(unsigned count) {
    return count >= 64 ? ~0ull : (1ull << count) - 1;
}

KEL_AVX512 inline __m512i dwords(int value) {
    return _mm512_set1_epi32(value);
}

} // namespace

} // namespace blocks
} // namespace kel

#endif

#endif
