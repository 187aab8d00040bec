#ifndef KELCHINESETABLES_H
#define KELCHINESETABLES_H

// The 94 x 94 sets that EUC-TW and the Chinese ISO-2022 sets carry besides
// GB 2312, for every converter at once: CNS 11643 planes 1 to 7, and
// ISO-IR-165 as its difference from GB 2312. Both are looked up in
// compiled-in data, both ways, so that nothing is built and only the pages
// a text touches are ever resident. Internal to the library.

#include "KelTypes.h"

#include <cstdint>

namespace kel {
namespace cns {

constexpr unsigned kPlanes = 7;

// A code of CNS 11643: its plane (1 to 7; 0 for none) and its two bytes in
// the 7-bit form 21..7E.
struct Code {
    unsigned plane;
    unsigned char row;
    unsigned char cell;
};

// Whether b is a byte of a 7-bit code.
inline bool isCodeByte(unsigned char b) {
    return b >= 0x21 && b <= 0x7E;
}

// The character of a code of plane 1 to 7 given by its bytes in the 7-bit
// form, 0 for none (other planes and bytes included).
std::uint32_t character(unsigned plane, unsigned char row, unsigned char cell);

// The code of the lowest plane that holds `value` (one character, U+5344,
// is in two planes); plane 0 for none.
Code codeOf(std::uint32_t value);

} // namespace cns

namespace isoir165 {

// Where ISO-IR-165 differs from GB 2312 (the codes it adds and five it gives
// another character), in the 7-bit form: the character of a code and the
// code of a character, 0 where it does not differ.
unsigned short characterOf(unsigned short code);
unsigned short codeOf(unsigned short unit);

} // namespace isoir165
} // namespace kel

#endif
