#ifndef KELTEXTBLOCKS_H
#define KELTEXTBLOCKS_H

// Conversion a block at a time for the common shapes of text: ASCII runs,
// shortest-form UTF-8, mapped single-byte codes, the ASCII of multibyte
// sets.
// Internal to the library.
//
// Each function converts a prefix of its input and stops in front of the
// first character that is not of the simple shape, that would not fit, or
// that lies past `n`; the caller converts that character with its general
// loop and calls again. Whatever a function converts, it converts exactly as
// the general loop would, so the result never depends on the machine.
//
// A function reads no unit at or past `n`: the counted input of a
// conversion, or of a NUL-terminated one the units TextRun knows to be
// there.

#include "KelTypes.h"

namespace kel {
namespace blocks {

// The instructions the conversions use, in the order in which level() and
// limitLevel compare them. Scalar: the general loops only. SSE2: 16-byte
// blocks and tight loops for the simple shapes. AVX512: 64-byte blocks as
// well.
enum class Level { Scalar, SSE2, AVX512 };

// The widest level this machine runs, no wider than limitLevel allows.
Level level();

// Lets the tests compare the levels on one machine. Returns the former limit.
Level limitLevel(Level max);

struct Progress {
    KelLength read;    // source bytes or units consumed
    KelLength written; // destination units or bytes written
};

// UTF-8 to UTF-16, at most `room` units.
Progress decodeUTF8(const unsigned char* s, KelLength n, unsigned short* d, KelLength room);

// UTF-16 to UTF-8, at most `room` bytes. Handles every unit but a high
// surrogate without its low surrogate within `n`.
Progress encodeUTF8(const unsigned short* s, KelLength n, unsigned char* d, KelLength room);

// Single-byte codes to UTF-16 through a 256-entry table in which 0 means no
// mapping; stops in front of a block holding an unmapped byte. One unit per
// byte, so `n` bounds the destination as well. Returns the bytes converted.
KelLength decodeSingleBytes(const unsigned short* table, const unsigned char* s, KelLength n,
                            unsigned short* d);

// Units below U+0100 to single-byte codes through the 256 codes of the
// table's first page, 0 meaning no mapping; stops in front of a block
// holding any other unit. `n` bounds source and destination alike.
// Returns the units converted.
KelLength encodeSingleBytes(const unsigned char* firstPage, const unsigned short* s, KelLength n,
                            unsigned char* d);

// Units to two-byte codes through a table of 65536 codes and one entry
// more, high byte first; stops in front of a block of 16 holding a unit
// whose code is not above 0xFF. Two bytes per unit, so `d` must hold 2 * `n`.
// Returns the units converted: none below the widest level, where the
// caller's own loop does the work.
KelLength encodeTwoByteCodes(const unsigned short* codes, const unsigned short* s, KelLength n,
                             unsigned char* d);

// The units of a block of decodeSingleBytes and encodeSingleBytes.
constexpr KelLength kSingleByteBlock = 32;

// The bytes of a multibyte set that read as the units of the same value and
// that those units are written back as, one byte each: 01 to `last` but the
// exceptions, which are 0 where unused. A set with `last` 0 has none.
struct ASCIIIdentity {
    unsigned char last;
    unsigned char except[3];

    bool holds(unsigned value) const {
        return value - 1 < last && value != except[0] && value != except[1] && value != except[2];
    }
};

// Bytes of the identity to units, up to the first other byte. One unit per
// byte, so `n` bounds the destination as well. Returns the bytes converted.
KelLength widenASCII(const ASCIIIdentity& id, const unsigned char* s, KelLength n,
                     unsigned short* d);

// Units of the identity to bytes, up to the first other unit; `n` bounds
// source and destination alike. Returns the units converted.
KelLength narrowASCII(const ASCIIIdentity& id, const unsigned short* s, KelLength n,
                      unsigned char* d);

// The non-zero prefix of text that ends at its first 0 unit or at `end`,
// whichever comes first, found a chunk at a time so that a short conversion
// of a long text does not scan all of it. Nothing at or past `end` is read.
template <class Unit> class TextRun {
public:
    explicit TextRun(const Unit* s, KelLength end = KEL_NPOS) : m_s(s), m_end(end) {}
    // Units from `pos` on known to be non-zero and before `end`; `pos` must
    // not lie past the terminator.
    KelLength from(KelLength pos);
    // True when the text is known to end at `pos`.
    bool endsAt(KelLength pos) const { return m_ended && m_known == pos; }

private:
    const Unit* m_s;
    KelLength m_end;
    KelLength m_known = 0;
    bool m_ended = false;
};

extern template class TextRun<unsigned char>;
extern template class TextRun<unsigned short>;

// widenASCII and narrowASCII for the loops of the multibyte sets, at most
// `room` units. A run of a few units, such as a line break in other text,
// is taken one unit at a time, so that it does not pay for a block.
KelLength widenASCII(ASCIIIdentity id, const unsigned char* s, KelLength n, unsigned short* d,
                     KelLength room);
KelLength narrowASCII(ASCIIIdentity id, const unsigned short* s, KelLength n, unsigned char* d,
                      KelLength room);

} // namespace blocks
} // namespace kel

#endif
