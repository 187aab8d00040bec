#ifndef KELISO2022_H
#define KELISO2022_H

// What the ISO-2022 sets share, so that each of their codecs (KelCodecDriver.h)
// only names its sets: the one reader of escape sequences, where a stream
// stands (the sets designated to G0 .. G3, the shift, the designations no
// character has followed yet) packed into a KelCodecState, and the rules
// every strict decoder and every encoder keeps. Internal to the library.
//
// Decoders: bytes 80..FF are malformed, one each; an escape sequence the
// set does not know is one U+FFFD for its ESC, and the bytes after it read
// again, so that no raw ESC reaches the output; one cut by the end of a
// chunk waits for the next; a designation of an element directly followed
// by another of the same element, with no character between, is malformed
// (it would let text hide a word behind a switch and a switch back); CR
// and LF read as themselves and return the line to its initial state.
//
// Encoders: ESC, SO and SI in the text are unmappable, as they would let it
// forge a designation or a shift; a character goes out whole with the
// designations and shifts it needs in front of it, or not at all; each
// line and the stream end in the initial state.

#include "KelCodecDriver.h"

#include <cstdint>

namespace kel {
namespace iso2022 {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;
constexpr unsigned char kShiftIn = 0x0F;

inline bool isNewline(unsigned char b) {
    return b == '\r' || b == '\n';
}

// A byte of a character of a 94-character set.
inline bool isGraphic94(unsigned char b) {
    return b >= 0x21 && b <= 0x7E;
}

// The controls that would let text forge a designation or a shift.
inline bool isShiftControl(unsigned short unit) {
    return unit == kEsc || unit == kShiftOut || unit == kShiftIn;
}

// A set as escape sequences name it: the final byte, whether its
// characters have two bytes ($), and whether it has 96 characters (the
// upper halves of ISO 8859, designated by - . /).
struct SetName {
    unsigned char final;
    bool multibyte;
    bool set96;
};

inline bool operator==(SetName a, SetName b) {
    return a.final == b.final && a.multibyte == b.multibyte && a.set96 == b.set96;
}

// An escape sequence as read at an ESC.
struct Escape {
    enum Kind : unsigned char {
        Designation,  // `set` to G`element`
        SingleShift2, // ESC N
        SingleShift3, // ESC O
        Unknown,      // no sequence of the forms below: the ESC alone
        Cut           // the input ends inside one of the forms below
    };
    Kind kind;
    KelLength length;
    unsigned element;
    SetName set;
};

namespace detail {

inline bool isFinal(unsigned char b) {
    return b >= 0x30 && b <= 0x7E;
}

// ESC I F with an intermediate byte `i` that names the element and the
// kind of set: ( ) * + for 94 sets to G0 .. G3, - . / for 96 sets to G1 .. G3.
inline bool elementOf(unsigned char i, unsigned& element, bool& set96) {
    if (i >= '(' && i <= '+') {
        element = i - '(';
        set96 = false;
        return true;
    }
    if (i >= '-' && i <= '/') {
        element = i - ',';
        set96 = true;
        return true;
    }
    return false;
}

inline Escape designation(KelLength length, unsigned element, unsigned char final, bool multibyte,
                          bool set96) {
    return {Escape::Designation, length, element, {final, multibyte, set96}};
}

inline Escape shortOf(Escape::Kind kind, KelLength length) {
    return {kind, length, 0, {0, false, false}};
}

} // namespace detail

// Reads the escape sequence at p (p[0] is ESC), of which `avail` bytes may
// be read: ESC N, ESC O, ESC I F, ESC $ F with F one of @ A B (G0), and
// ESC $ I F, where I names the element as above.
inline Escape readEscape(const unsigned char* p, KelLength avail) {
    using detail::designation;
    using detail::shortOf;
    if (avail < 2)
        return shortOf(Escape::Cut, 1);
    const unsigned char first = p[1];
    if (first == 'N' || first == 'O')
        return shortOf(first == 'N' ? Escape::SingleShift2 : Escape::SingleShift3, 2);
    unsigned element = 0;
    bool set96 = false;
    const bool multibyte = first == '$';
    const KelLength at = multibyte ? 2 : 1;
    if (multibyte) {
        if (avail < 3)
            return shortOf(Escape::Cut, 1);
        if (p[2] >= '@' && p[2] <= 'B')
            return designation(3, 0, p[2], true, false);
    }
    if (!detail::elementOf(p[at], element, set96) || (multibyte && set96))
        return shortOf(Escape::Unknown, 1);
    if (avail < at + 2)
        return shortOf(Escape::Cut, 1);
    if (!detail::isFinal(p[at + 1]))
        return shortOf(Escape::Unknown, 1);
    return designation(at + 2, element, p[at + 1], multibyte, set96);
}

// The bytes of the designation of `set` to G`element`, into `out` (four
// at most); `shortForm`: ESC $ F for a two-byte set in G0, as RFC 1468
// writes JIS X 0208.
inline KelLength designationBytes(unsigned element, SetName set, bool shortForm,
                                  unsigned char out[4]) {
    KelLength n = 0;
    out[n++] = kEsc;
    if (set.multibyte)
        out[n++] = '$';
    if (!(set.multibyte && shortForm && element == 0))
        out[n++] = static_cast<unsigned char>(set.set96 ? ',' + element : '(' + element);
    out[n++] = set.final;
    return n;
}

// Where a stream stands, in KelCodecState's word: the set designated to
// each element (a codec's own numbers, 0 the initial one: ASCII in G0,
// nothing in the others), whether SO is in force, the elements designated
// with no character since, and flags of the codec's own (an encoder's note
// that a designation a stream carries once is written, say).
// A plain word, which the driver copies to and from the stream.
struct State {
    std::uint32_t word;

    unsigned set(unsigned element) const { return word >> (kSetBits * element) & kSetMask; }
    bool shifted() const { return (word & kShifted) != 0; }
    bool flag(unsigned n) const { return (word & flagBit(n)) != 0; }

    void shift(bool out) { put(kShifted, out); }
    void setFlag(unsigned n, bool on) { put(flagBit(n), on); }

    // A designation that an encoder writes: no decoder rule applies.
    void designate(unsigned element, unsigned set) {
        const std::uint32_t at = kSetBits * element;
        word = (word & ~(kSetMask << at)) | (static_cast<std::uint32_t>(set) << at);
    }

    // A designation read: false when the element was designated with no
    // character since, which makes this one malformed (it still holds).
    bool designated(unsigned element, unsigned set) {
        const bool repeated = (word & pendingBit(element)) != 0;
        designate(element, set);
        word |= pendingBit(element);
        return !repeated;
    }

    // A character read: the designations before it were used.
    void characterRead() { word &= ~kPending; }

    // A newline: G0 back to its initial set, the shift and the elements of
    // `cleared` (bit n: G`n`) undone.
    void newLine(unsigned cleared) {
        for (unsigned element = 0; element < 4; ++element)
            if (element == 0 || (cleared & 1u << element) != 0)
                designate(element, 0);
        word &= ~(kShifted | kPending);
    }

private:
    static constexpr unsigned kSetBits = 4;
    static constexpr std::uint32_t kSetMask = (1u << kSetBits) - 1;
    static constexpr std::uint32_t kShifted = 1u << 16;
    static constexpr std::uint32_t kPending = 0xFu << 17;
    static constexpr std::uint32_t pendingBit(unsigned element) { return 1u << (17 + element); }
    static constexpr std::uint32_t flagBit(unsigned n) { return 1u << (21 + n); }

    void put(std::uint32_t bit, bool on) { word = on ? word | bit : word & ~bit; }
};

static_assert(sizeof(State) <= sizeof(KelCodecState::word), "a state fits a stream's word");

// Decoder steps every set takes alike.

// A byte 80..FF, an escape the set does not know, or one the end of the
// input cuts (which more input may complete): the ESC or the byte alone.
inline codec::SourceChar malformedByte(bool cut = false) {
    return codec::noCharacter(1, cut);
}

// A designation read, malformed when the element was designated with no
// character since.
inline codec::SourceChar designationRead(const Escape& e, unsigned set, State& state) {
    if (!state.designated(e.element, set))
        return codec::noCharacter(e.length);
    return codec::shift(e.length);
}

// CR or LF: itself, and the line's initial state.
inline codec::SourceChar newline(unsigned char b, unsigned cleared, State& state) {
    state.newLine(cleared);
    return codec::character(1, b);
}

// A character read in the state it leaves.
inline codec::SourceChar read(const codec::SourceChar& c, State& state) {
    if (c.valid)
        state.characterRead();
    return c;
}

// SO, which invokes G1: one malformed byte when `invocable` is false (no
// set in G1) or when SI directly follows it (a shift to nothing). At the
// end of the text SO is a shift that more text may follow.
inline codec::SourceChar shiftOut(const unsigned char* p, KelLength avail, bool invocable,
                                  State& state) {
    if (!invocable || (avail >= 2 && p[1] == kShiftIn))
        return malformedByte();
    state.shift(true);
    codec::SourceChar c = codec::shift(1);
    c.cut = avail < 2;
    return c;
}

// A byte of a set that shifts with SO and SI other than ESC and SO, which
// the set reads itself: SI; a byte 80..FF; CR or LF, which ends a shift its
// line did not end (the missing SI is one problem of no bytes, and the
// newline reads again, unshifted) and then returns the line to its initial
// state (`cleared` as State::newLine has it); a character of G0; or, while
// shifted, the two bytes of the character of G1 that g1(row, cell) gives.
template <class G1>
codec::SourceChar shiftedText(const unsigned char* p, KelLength avail, unsigned cleared,
                              State& state, const G1& g1) {
    const unsigned char b = p[0];
    if (b == kShiftIn) {
        state.shift(false);
        return codec::shift(1);
    }
    if (b >= 0x80)
        return malformedByte();
    if (isNewline(b) && state.shifted()) {
        state.shift(false);
        return codec::noCharacter(0);
    }
    if (isNewline(b))
        return newline(b, cleared, state);
    if (!state.shifted() || !isGraphic94(b))
        return read(codec::character(1, b), state);
    if (avail < 2)
        return malformedByte(true);
    if (!isGraphic94(p[1]))
        return malformedByte();
    return read(codec::mapped(2, g1(b, p[1])), state);
}

// The run that shiftedText reads one character at a time, SO and SI
// included: outside a shift the bytes 20..7F and a CR or LF that ends the
// run (`cleared` as State::newLine has it), inside it the two-byte characters of G1 that
// g1(row, cell) maps into one UTF-16 unit and the bytes 20 and 7F. SO
// needs a set in G1 (`invocable`) and a character after it. A driver's fast
// member: it stops in front of every other byte and every problem.
template <class G1>
blocks::Progress shiftedRun(const unsigned char* s, KelLength n, unsigned short* d,
                            KelLength room, unsigned cleared, bool invocable, State& state,
                            const G1& g1) {
    blocks::Progress p{0, 0};
    bool characters = false;
    while (p.read < n && p.written < room) {
        const unsigned char b = s[p.read];
        if (b == kShiftIn || (b == kShiftOut && invocable && n - p.read >= 2 &&
                              s[p.read + 1] != kShiftIn && s[p.read + 1] != kShiftOut)) {
            state.shift(b == kShiftOut);
            ++p.read;
            continue;
        }
        if (b >= 0x80 || (b < 0x20 && (state.shifted() || !isNewline(b))))
            break;
        characters = true;
        if (isNewline(b)) {
            // The sets in G1 may go with the line: the run ends with it.
            state.newLine(cleared);
            d[p.written++] = b;
            ++p.read;
            break;
        }
        if (!state.shifted() || !isGraphic94(b)) {
            d[p.written++] = b;
            ++p.read;
        } else {
            const std::uint32_t value =
                n - p.read >= 2 && isGraphic94(s[p.read + 1]) ? g1(b, s[p.read + 1]) : 0;
            if (value == 0 || value > 0xFFFF)
                break;
            d[p.written++] = static_cast<unsigned short>(value);
            p.read += 2;
        }
    }
    if (characters)
        state.characterRead();
    return p;
}

// Encoder steps.

// The run of characters beyond ASCII to which code(unit) gives a two-byte
// code, written as those codes: the text of a two-byte set that stays in
// force.
template <class Code>
blocks::Progress twoByteRun(const unsigned short* s, KelLength n, unsigned char* d,
                            KelLength room, const Code& code) {
    blocks::Progress p{0, 0};
    for (; p.read < n && room - p.written >= 2; ++p.read) {
        const unsigned short unit = s[p.read];
        const unsigned short c = unit >= 0x80 && !isSurrogateValue(unit) ? code(unit) : 0;
        if (c == 0)
            break;
        d[p.written] = static_cast<unsigned char>(c >> 8);
        d[p.written + 1] = static_cast<unsigned char>(c);
        p.written += 2;
    }
    return p;
}

// The run of characters of a set that shifts with SO and SI that its
// encoder writes with nothing in front: while shifted, those to which
// g1Code(unit) gives a code of G1; otherwise those of ASCII but ESC, SO, SI
// and the newlines, which may end more than the line's shift. A driver's
// fast member for an encoder that keeps a character of G1 in it.
template <class G1Code>
blocks::Progress runInShift(const unsigned short* s, KelLength n, unsigned char* d,
                            KelLength room, bool shifted, const G1Code& g1Code) {
    if (shifted)
        return twoByteRun(s, n, d, room, g1Code);
    blocks::Progress p{0, 0};
    for (; p.read < n && p.written < room; ++p.read) {
        const unsigned short unit = s[p.read];
        if (unit >= 0x80 || isShiftControl(unit) || isNewline(static_cast<unsigned char>(unit)))
            break;
        d[p.written++] = static_cast<unsigned char>(unit);
    }
    return p;
}

// The run of characters that a codec's encode writes with no designation
// or shift in front, as it writes them one by one; a surrogate is the
// loop's. A driver's fast member.
template <class Codec>
blocks::Progress unshiftedRun(const Codec& codec, const unsigned short* s, KelLength n,
                              unsigned char* d, KelLength room, State& state) {
    blocks::Progress p{0, 0};
    while (p.read < n && !isSurrogateValue(s[p.read])) {
        State after = state;
        const codec::TargetChar c = codec.encode(s + p.read, n - p.read, after);
        if (c.size == 0 || after.word != state.word || c.size > room - p.written)
            break;
        for (KelLength i = c.size; i-- > 0;)
            d[p.written++] = static_cast<unsigned char>(c.bytes >> (8 * i));
        p.read += c.units;
    }
    return p;
}

// Bytes gathered for one character: designations and shifts, then its
// code, the first highest, as TargetChar carries them.
struct Bytes {
    std::uint64_t packed = 0;
    KelLength size = 0;

    void add(std::uint64_t value, KelLength n) {
        packed = packed << (8 * n) | value;
        size += n;
    }
    void add(const unsigned char* bytes, KelLength n) { add(codec::packBytes(bytes, n), n); }

    // The designation of `set` to G`element`.
    void designation(unsigned element, SetName set, bool shortForm) {
        unsigned char seq[4];
        add(seq, designationBytes(element, set, shortForm, seq));
    }

    codec::TargetChar of(KelLength units, std::uint32_t value) const {
        return {units, value, packed, size, false};
    }
};

// A character the set lacks, or one of ESC, SO and SI.
inline codec::TargetChar unmappable(KelLength units, std::uint32_t value) {
    return {units, value, 0, 0, false};
}

} // namespace iso2022
} // namespace kel

#endif
