#ifndef KELCHINESETABLES_H
#define KELCHINESETABLES_H

// The 94 x 94 sets that EUC-TW and the Chinese ISO-2022 sets carry besides
// GB 2312, for every converter at once: CNS 11643 planes 1 to 7, and
// ISO-IR-165 as its difference from GB 2312. Reading a CNS code is a look
// into compiled-in data; the other tables are built on their first use and
// shared from then on. Internal to the library.

#include "KelTypes.h"
#include "LookupTable.h"

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

// The codes of every character, from Unicode.
class Codes {
public:
    // The table, built on the first call; one without codes when memory for
    // it cannot be found.
    static const Codes& get();

    // The code of the lowest plane that holds `value` (one character, U+5344,
    // is in two planes).
    Code of(std::uint32_t value) const;

    Codes() = default;
    Codes(const Codes&) = delete;
    Codes& operator=(const Codes&) = delete;

private:
    void build();

    // plane and index packed as (plane - 1) * 94 * 94 + index + 1; 0 for
    // none. One table for U+0000..U+FFFF and one for U+20000..U+2FFFF, the
    // only planes of Unicode that CNS 11643 reaches.
    LookupTable<unsigned short> m_bmp;
    LookupTable<unsigned short> m_plane2;
};

} // namespace cns

namespace isoir165 {

// The codes in which ISO-IR-165 differs from GB 2312 (the codes it adds and
// five it gives another character), in the 7-bit form, both ways: 0 where
// it does not differ.
class Difference {
public:
    static const Difference& get();

    LookupTable<unsigned short> toUnicode;
    LookupTable<unsigned short> fromUnicode;
};

} // namespace isoir165
} // namespace kel

#endif
