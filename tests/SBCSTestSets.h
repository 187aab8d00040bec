#ifndef KELULIB_TESTS_SBCSTESTSETS_H
#define KELULIB_TESTS_SBCSTESTSETS_H

// The 26 single-byte character sets, with the generated pair list of each, so
// that the tests can hold every converter against its own data.

#include "KelCharSet.h"

#include <array>
#include <ostream>
#include <vector>

namespace keltest {

struct SBCSSet {
    KelCharSet cs;
    const char* iconvName; // the same set in glibc's iconv
    const unsigned short* pairs;
};

inline void PrintTo(const SBCSSet& set, std::ostream* os) { *os << set.iconvName; }

// In the order of the registry.
const std::vector<SBCSSet>& sbcsSets();
const SBCSSet& sbcsSet(KelCharSet cs);

// The registered converter of a single-byte set.
KelCharSetConverter& sbcsConverter(KelCharSet cs);

// One byte alone, or one unit alone, through a converter with ILLCHAR_STOP;
// 0 when it has no mapping. `illegal` receives the converter's flag.
unsigned short decodeOneByte(KelCharSetConverter& conv, unsigned char byte, bool& illegal);
unsigned char encodeOneUnit(KelCharSetConverter& conv, unsigned short unit, bool& illegal);

// Both directions as the pair list says; 0 means no mapping.
struct SBCSMapping {
    std::array<unsigned short, 256> toUnicode{};
    std::vector<unsigned char> fromUnicode = std::vector<unsigned char>(0x10000, 0);
};
SBCSMapping mappingOf(const SBCSSet& set);

} // namespace keltest

#endif
