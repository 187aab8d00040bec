#ifndef KELTEXTBLOCKSKERNELS_H
#define KELTEXTBLOCKSKERNELS_H

// The kernels behind KelTextBlocks.h, named and filed by instruction set
// (the AVX-512 ones by kind of text as well); the dispatch in
// KelTextBlocks.cpp picks those of the machine's level. The SSE2 and
// AVX-512 ones exist on x86-64 only, where SSE2 is always there and the
// AVX-512 ones are compiled for their instructions function by function, so
// that nothing they share with the rest of the library is.

#include "KelTextBlocks.h"

#if defined(__x86_64__)
#define KEL_X86_64_BLOCKS 1
#endif

namespace kel {
namespace blocks {

// The tight loops convert `span` source units at most, so that they hand
// back to the block loops soon.
Progress decodeUTF8Tight(const unsigned char* s, KelLength n, unsigned short* d, KelLength room,
                         KelLength span);
Progress encodeUTF8Tight(const unsigned short* s, KelLength n, unsigned char* d, KelLength room,
                         KelLength span);
KelLength widenASCIITight(const ASCIIIdentity& id, const unsigned char* s, KelLength n,
                          unsigned short* d);
KelLength narrowASCIITight(const ASCIIIdentity& id, const unsigned short* s, KelLength n,
                           unsigned char* d);

// The units before the first 0 unit within `max`, one at a time.
KelLength unitsBeforeZero(const unsigned short* s, KelLength max);

#if KEL_X86_64_BLOCKS

// As unitsBeforeZero, eight units at a time.
KelLength unitsBeforeZeroSSE2(const unsigned short* s, KelLength max);

// Whole blocks of 16 only; the tight loops take the rest.
KelLength widenASCIISSE2(const ASCIIIdentity& id, const unsigned char* s, KelLength n,
                         unsigned short* d);
KelLength narrowASCIISSE2(const ASCIIIdentity& id, const unsigned short* s, KelLength n,
                          unsigned char* d);

Progress decodeUTF8AVX512(const unsigned char* s, KelLength n, unsigned short* d, KelLength room);
Progress encodeUTF8AVX512(const unsigned short* s, KelLength n, unsigned char* d, KelLength room);
KelLength decodeSingleBytesAVX512(const unsigned short* table, const unsigned char* s, KelLength n,
                                  unsigned short* d);
KelLength encodeSingleBytesAVX512(const unsigned char* firstPage, const unsigned short* s,
                                  KelLength n, unsigned char* d);
// As unitsBeforeZero, 32 units at a time.
KelLength unitsBeforeZeroAVX512(const unsigned short* s, KelLength max);
// Whole blocks of 16 units, their codes gathered from the table.
KelLength encodeTwoByteCodesAVX512(const unsigned short* codes, const unsigned short* s,
                                   KelLength n, unsigned char* d);
// Up to the first byte or unit outside the identity, short blocks included.
KelLength widenASCIIAVX512(const ASCIIIdentity& id, const unsigned char* s, KelLength n,
                           unsigned short* d);
KelLength narrowASCIIAVX512(const ASCIIIdentity& id, const unsigned short* s, KelLength n,
                            unsigned char* d);

#endif

} // namespace blocks
} // namespace kel

#endif
