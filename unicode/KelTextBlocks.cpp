#include "KelTextBlocks.h"

#include "KelTextBlocksKernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>

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

template <class Unit, class Out>
using IdentityKernel = KelLength (*)(const ASCIIIdentity&, const Unit*, KelLength, Out*);

// The kernels of one level.
struct Kernels {
    Progress (*decodeUTF8)(const unsigned char*, KelLength, unsigned short*, KelLength);
    Progress (*encodeUTF8)(const unsigned short*, KelLength, unsigned char*, KelLength);
    KelLength (*decodeSingleBytes)(const unsigned short*, const unsigned char*, KelLength,
                                   unsigned short*);
    KelLength (*encodeSingleBytes)(const unsigned char*, const unsigned short*, KelLength,
                                   unsigned char*);
    IdentityKernel<unsigned char, unsigned short> widenASCII;
    IdentityKernel<unsigned short, unsigned char> narrowASCII;
    KelLength (*unitsBeforeZero)(const unsigned short*, KelLength);
    KelLength (*encodeTwoByteCodes)(const unsigned short*, const unsigned short*, KelLength,
                                    unsigned char*);
};

std::atomic<int> g_levelLimit{static_cast<int>(Level::AVX512)};
// The machine's level, -1 until the first conversion asks for it.
std::atomic<int> g_level{-1};
// The kernels of level(), null until the first conversion asks for them.
std::atomic<const Kernels*> g_kernels{nullptr};

Level detectLevel() {
#if KEL_X86_64_BLOCKS
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
        __builtin_cpu_supports("bmi2"))
        return Level::AVX512;
    return Level::SSE2;
#else
    return Level::Scalar;
#endif
}

KelLength nonzeroPrefix(const unsigned char* s, KelLength max) {
    return ::strnlen(reinterpret_cast<const char*>(s), max);
}

const Kernels& kernels();

KelLength nonzeroPrefix(const unsigned short* s, KelLength max) {
    return kernels().unitsBeforeZero(s, max);
}

// The next chunk to scan from `pos`: kChunk, or less where the text ends
// sooner.
KelLength chunkAt(KelLength pos, KelLength end) {
    return end - pos < kChunk ? end - pos : kChunk;
}

// The general loops convert everything at the scalar level.
template <class Unit, class Out> Progress noProgress(const Unit*, KelLength, Out*, KelLength) {
    return {0, 0};
}

template <class Table, class Unit, class Out>
KelLength noneConverted(Table, const Unit*, KelLength, Out*) {
    return 0;
}

const Kernels kScalarKernels{noProgress,    noProgress,    noneConverted,   noneConverted,
                             noneConverted, noneConverted, unitsBeforeZero, noneConverted};

#if KEL_X86_64_BLOCKS

// Every byte and unit of ASCII but 0, as UTF-8 and UTF-16 share them.
constexpr ASCIIIdentity kWholeASCII{0x7F, {0, 0, 0}};

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
        advance(total,
                blocks(s + total.read, n - total.read, d + total.written, room - total.written));
        const Progress step = tight(s + total.read, n - total.read, d + total.written,
                                    room - total.written, kTightSpan);
        if (step.read == 0)
            return total;
        advance(total, step);
    }
}

// The ASCII blocks of UTF-8 and UTF-16, one unit per byte.
template <class Unit, class Out,
          KelLength (*kBlocks)(const ASCIIIdentity&, const Unit*, KelLength, Out*)>
Progress wholeASCIIBlocks(const Unit* s, KelLength n, Out* d, KelLength room) {
    const KelLength done = kBlocks(kWholeASCII, s, std::min(n, room), d);
    return {done, done};
}

// A level's UTF-8 conversions take its blocks and the tight loop by turns.
Progress decodeUTF8AtSSE2(const unsigned char* s, KelLength n, unsigned short* d, KelLength room) {
    return alternate(s, n, d, room, wholeASCIIBlocks<unsigned char, unsigned short, widenASCIISSE2>,
                     decodeUTF8Tight);
}

Progress encodeUTF8AtSSE2(const unsigned short* s, KelLength n, unsigned char* d, KelLength room) {
    return alternate(s, n, d, room,
                     wholeASCIIBlocks<unsigned short, unsigned char, narrowASCIISSE2>,
                     encodeUTF8Tight);
}

Progress decodeUTF8AtAVX512(const unsigned char* s, KelLength n, unsigned short* d,
                            KelLength room) {
    return alternate(s, n, d, room, decodeUTF8AVX512, decodeUTF8Tight);
}

Progress encodeUTF8AtAVX512(const unsigned short* s, KelLength n, unsigned char* d,
                            KelLength room) {
    return alternate(s, n, d, room, encodeUTF8AVX512, encodeUTF8Tight);
}

// Whole blocks, then the tight loop for the short rest of the run.
template <class Unit, class Out,
          KelLength (*kBlocks)(const ASCIIIdentity&, const Unit*, KelLength, Out*),
          KelLength (*kTight)(const ASCIIIdentity&, const Unit*, KelLength, Out*)>
KelLength identityBlocks(const ASCIIIdentity& id, const Unit* s, KelLength n, Out* d) {
    const KelLength done = kBlocks(id, s, n, d);
    return done + kTight(id, s + done, n - done, d + done);
}

const Kernels kSSE2Kernels{
    decodeUTF8AtSSE2,
    encodeUTF8AtSSE2,
    noneConverted,
    noneConverted,
    identityBlocks<unsigned char, unsigned short, widenASCIISSE2, widenASCIITight>,
    identityBlocks<unsigned short, unsigned char, narrowASCIISSE2, narrowASCIITight>,
    unitsBeforeZeroSSE2,
    noneConverted};

const Kernels kAVX512Kernels{
    decodeUTF8AtAVX512, encodeUTF8AtAVX512, decodeSingleBytesAVX512, encodeSingleBytesAVX512,
    widenASCIIAVX512,   narrowASCIIAVX512,  unitsBeforeZeroAVX512,   encodeTwoByteCodesAVX512};

#endif

const Kernels& kernelsOf(Level level) {
#if KEL_X86_64_BLOCKS
    switch (level) {
    case Level::Scalar:
        return kScalarKernels;
    case Level::SSE2:
        return kSSE2Kernels;
    default:
        return kAVX512Kernels;
    }
#else
    (void)level;
    return kScalarKernels;
#endif
}

// A thread that finds no kernels chooses them; it leaves alone those that
// limitLevel installed meanwhile, which reflect the newer limit.
const Kernels& kernels() {
    const Kernels* current = g_kernels.load(std::memory_order_acquire);
    if (current != nullptr)
        return *current;
    const Kernels* chosen = &kernelsOf(level());
    if (g_kernels.compare_exchange_strong(current, chosen, std::memory_order_acq_rel,
                                          std::memory_order_acquire))
        return *chosen;
    return *current;
}

// Short runs go through the tight loop; a run that fills it goes on in
// blocks. The general loops convert everything at the scalar level.
template <class Unit, class Out>
KelLength identityRun(IdentityKernel<Unit, Out> Kernels::*kernel,
                      IdentityKernel<Unit, Out> tightLoop, const ASCIIIdentity& id, const Unit* s,
                      KelLength n, Out* d, KelLength room) {
    const Kernels& k = kernels();
    if (&k == &kScalarKernels)
        return 0;
    const KelLength bound = std::min(n, room);
    const KelLength done = tightLoop(id, s, std::min(bound, kTightSpan), d);
    if (done < kTightSpan || done == bound)
        return done;
    return done + (k.*kernel)(id, s + done, bound - done, d + done);
}

} // namespace

// Detection is cheap and gives the same answer on every thread, so threads
// that race on the first call only store the same value twice.
Level level() {
    int current = g_level.load(std::memory_order_relaxed);
    if (current < 0) {
        current = static_cast<int>(detectLevel());
        g_level.store(current, std::memory_order_relaxed);
    }
    return std::min(static_cast<Level>(current),
                    static_cast<Level>(g_levelLimit.load(std::memory_order_relaxed)));
}

Level limitLevel(Level max) {
    const Level former = static_cast<Level>(g_levelLimit.exchange(static_cast<int>(max)));
    g_kernels.store(&kernelsOf(level()), std::memory_order_release);
    return former;
}

Progress decodeUTF8(const unsigned char* s, KelLength n, unsigned short* d, KelLength room) {
    return kernels().decodeUTF8(s, n, d, room);
}

Progress encodeUTF8(const unsigned short* s, KelLength n, unsigned char* d, KelLength room) {
    return kernels().encodeUTF8(s, n, d, room);
}

KelLength decodeSingleBytes(const unsigned short* table, const unsigned char* s, KelLength n,
                            unsigned short* d) {
    return kernels().decodeSingleBytes(table, s, n, d);
}

KelLength encodeSingleBytes(const unsigned char* firstPage, const unsigned short* s, KelLength n,
                            unsigned char* d) {
    return kernels().encodeSingleBytes(firstPage, s, n, d);
}

KelLength encodeTwoByteCodes(const unsigned short* codes, const unsigned short* s, KelLength n,
                             unsigned char* d) {
    return kernels().encodeTwoByteCodes(codes, s, n, d);
}

KelLength widenASCII(const ASCIIIdentity& id, const unsigned char* s, KelLength n,
                     unsigned short* d) {
    return kernels().widenASCII(id, s, n, d);
}

KelLength narrowASCII(const ASCIIIdentity& id, const unsigned short* s, KelLength n,
                      unsigned char* d) {
    return kernels().narrowASCII(id, s, n, d);
}

template <class Unit> KelLength TextRun<Unit>::from(KelLength pos) {
    if (!m_ended && m_known < pos + kRescanBelow) {
        const KelLength chunk = chunkAt(pos, m_end);
        const KelLength found = nonzeroPrefix(m_s + pos, chunk);
        m_known = pos + found;
        m_ended = found < chunk || m_known == m_end;
    }
    return m_known > pos ? m_known - pos : 0;
}

KelLength widenASCII(ASCIIIdentity id, const unsigned char* s, KelLength n, unsigned short* d,
                     KelLength room) {
    return identityRun(&Kernels::widenASCII, widenASCIITight, id, s, n, d, room);
}

KelLength narrowASCII(ASCIIIdentity id, const unsigned short* s, KelLength n, unsigned char* d,
                      KelLength room) {
    return identityRun(&Kernels::narrowASCII, narrowASCIITight, id, s, n, d, room);
}

template class TextRun<unsigned char>;
template class TextRun<unsigned short>;

} // namespace blocks
} // namespace kel
