#ifndef KELMBCSCODEC_H
#define KELMBCSCODEC_H

// The table-driven multibyte converters as codecs of the loop driver
// (KelCodecDriver.h). A converter describes its encoding one character at a
// time through a codec, an object with these members:
//
//   static constexpr KelLength kMaxLength;   // the bytes of its longest code
//   SourceChar decode(const unsigned char* p, KelLength avail) const;
//   TargetChar encode(const unsigned short* p, KelLength avail) const;
//   kel::blocks::ASCIIIdentity identity() const;
//
// where p points at a character that is not NUL and `avail` is how many
// units from p may be read; a unit past `avail` reads as the end of the
// text. The driver does the rest: room, the source limit, substitutes, the
// flag and the terminator. Counting goes through the same codec as
// converting, so getNumUnits and getNumBytes always equal what toUTF16 and
// fromUTF16 write. The bytes and units of the identity, which decode and
// encode one for one as themselves, convert a block at a time; a codec
// whose identity rests on its tables finds it through probeIdentity.

#include "KelCharSet.h"
#include "KelCodecDriver.h"
#include "KelConverterHelpers.h"
#include "KelLazyTables.h"
#include "KelTextBlocks.h"
#include "KelUChar.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace kel {
namespace mbcs {

using kel::codec::SourceChar;
using kel::codec::TargetChar;
using kel::codec::mapped;

// Byte i of a character, 0 at or beyond `avail`: text past the counted range
// reads as if it ended there.
inline unsigned char byteAt(const unsigned char* p, KelLength avail, KelLength i) {
    return i < avail ? p[i] : 0;
}

// A character of `length` bytes, or its first byte alone when the bytes
// spell no character (value 0): the bytes after it are read again.
inline SourceChar oneOrNone(KelLength length, std::uint32_t value) {
    return mapped(value != 0 ? length : 1, value);
}

// The 7-bit form under which the 94 x 94 sets store a two-byte code.
inline unsigned short sevenBitKey(unsigned char b1, unsigned char b2) {
    return static_cast<unsigned short>(((b1 & 0x7Fu) << 8) | (b2 & 0x7Fu));
}

// A packed local code: one byte up to 0xFF, two above; none for code 0.
inline TargetChar packedCode(const CodePoint& ch, std::uint32_t code) {
    return {ch.units, ch.value, code, code == 0 ? 0u : code > 0xFFu ? 2u : 1u, false};
}

// A unit written as the byte of the same value.
inline TargetChar singleByte(unsigned short unit) {
    return {1, unit, unit, 1, false};
}

// A unit of an EUC code set written as two bytes from its 7-bit code, each
// with the high bit set; none for code 0.
inline TargetChar eucPair(unsigned short unit, unsigned short sevenBit) {
    return {1, unit, sevenBit + 0x8080u, sevenBit != 0 ? 2u : 0u, false};
}

// Writes a code's bytes, high byte first; the sizes of most codes unrolled.
inline void writeCode(unsigned char* d, const TargetChar& c) {
    switch (c.size) {
    case 1:
        d[0] = static_cast<unsigned char>(c.bytes);
        return;
    case 2:
        d[0] = static_cast<unsigned char>(c.bytes >> 8);
        d[1] = static_cast<unsigned char>(c.bytes);
        return;
    default:
        for (KelLength i = 0; i < c.size; ++i)
            d[i] = static_cast<unsigned char>(c.bytes >> (8 * (c.size - 1 - i)));
    }
}

// Whether the codec reads byte b by itself as U+00bb and writes that unit
// back as b alone.
template <class Codec> bool isIdentity(const Codec& codec, unsigned char b) {
    const unsigned char bytes[2] = {b, 0};
    const unsigned short units[2] = {b, 0};
    const SourceChar c = codec.decode(bytes, 1);
    const TargetChar e = codec.encode(units, 1);
    return c.length == 1 && c.value == b && e.units == 1 && e.size == 1 && e.bytes == b;
}

// The identity as the codec's own decode and encode have it: the bytes from
// 01 up to the last that is its own, but for three exceptions at most; none
// at all for a codec with more, such as one without tables.
template <class Codec> kel::blocks::ASCIIIdentity probeIdentity(const Codec& codec) {
    kel::blocks::ASCIIIdentity id{0x7F, {0, 0, 0}};
    unsigned exceptions = 0;
    for (unsigned char b = 0x7F; b >= 1; --b) {
        if (isIdentity(codec, b))
            continue;
        if (b == id.last)
            --id.last;
        else if (exceptions < 3)
            id.except[exceptions++] = b;
        else
            return {0, {0, 0, 0}};
    }
    return id;
}

// A converter's probed identity, found on its first conversion: a value,
// not a table, which threads that race on the first conversion only store
// twice, the same each time, as the tables it rests on never change.
class IdentityCache {
public:
    template <class Codec> kel::blocks::ASCIIIdentity of(const Codec& codec) const {
        std::uint32_t packed = m_packed.load(std::memory_order_relaxed);
        if (packed == 0) {
            const kel::blocks::ASCIIIdentity id = probeIdentity(codec);
            packed = kProbed | id.last | id.except[0] << 8 | id.except[1] << 16 |
                     static_cast<std::uint32_t>(id.except[2]) << 24;
            m_packed.store(packed, std::memory_order_relaxed);
        }
        return {static_cast<unsigned char>(packed & 0x7F),
                {static_cast<unsigned char>(packed >> 8), static_cast<unsigned char>(packed >> 16),
                 static_cast<unsigned char>(packed >> 24)}};
    }

private:
    // Set in every probed value, as `last` never is above 0x7F.
    static constexpr std::uint32_t kProbed = 0x80;
    mutable std::atomic<std::uint32_t> m_packed{0};
};

// A codec whose table to Unicode has a page of 256 values for each first
// byte: a member pairPage(first) giving that page, which its windows then
// read in place where it holds what decode gives.
template <class Codec, class = void> struct HasPairPages : std::false_type {};
template <class Codec>
struct HasPairPages<Codec, std::void_t<decltype(std::declval<const Codec&>().pairPage(0))>>
    : std::true_type {};

// A codec whose table from Unicode is one flat array of the codes of the
// 65,536 units and a 0 after them: a member unitCodes() giving it.
template <class Codec, class = void> struct HasUnitCodes : std::false_type {};
template <class Codec>
struct HasUnitCodes<Codec, std::void_t<decltype(std::declval<const Codec&>().unitCodes())>>
    : std::true_type {};

// Every pair of bytes a character of a multibyte codec can begin, decoded
// once on the converter's first conversion: a character is then a load or
// two of small tables, with no test of the byte ranges that the codec
// checks, and a first byte tells at once whether a pair follows. A first
// byte of one-byte characters keeps one value, one of two-byte characters a
// row of 256: the codec's own page where it has one that holds the same
// values, so that the set's characters are in memory once.
class PairWindows {
public:
    // The windows of the codec's own decode, or none when a first byte
    // begins characters of both lengths, or a one-byte character whose value
    // depends on the byte after it (or there is no memory for them). A
    // character of more than two bytes, or beyond U+FFFF, is left to the
    // codec: its window holds 0. A codec whose characters of one or two
    // bytes do not depend on the bytes after them may have windows.
    template <class Codec> static PairWindows* build(const Codec& codec) {
        std::unique_ptr<PairWindows> w(new (std::nothrow) PairWindows);
        if (!w)
            return nullptr;
        bool own[256] = {};
        unsigned owned = 0;
        for (unsigned first = 0; first < 256; ++first) {
            Row row;
            if (!probe(codec, first, row))
                return nullptr;
            w->m_single[first] = row.single;
            w->m_row[first] = kNoPairs.value;
            w->m_wide[first] = row.length == 2;
            if (row.length != 2)
                continue;
            const unsigned short* page = pageOf(codec, static_cast<unsigned char>(first));
            if (page != nullptr && std::equal(row.values, row.values + 256, page))
                w->m_row[first] = page;
            else {
                own[first] = true;
                ++owned;
            }
        }
        if (owned == 0)
            return w.release();
        w->m_own.reset(new (std::nothrow) Values[owned]());
        if (!w->m_own)
            return nullptr;
        Values* next = w->m_own.get();
        for (unsigned first = 0; first < 256; ++first) {
            Row row;
            if (!own[first] || !probe(codec, first, row))
                continue;
            std::copy(row.values, row.values + 256, next->value);
            w->m_row[first] = (next++)->value;
        }
        return w.release();
    }

    // The value of a one-byte character, 0 where `first` begins none.
    unsigned short single(unsigned char first) const { return m_single[first]; }
    bool beginsPairs(unsigned char first) const { return m_row[first] != kNoPairs.value; }
    // The value of a two-byte character, 0 where the codec has none.
    unsigned short pair(unsigned char first, unsigned char second) const {
        return m_row[first][second];
    }
    // beginsPairs as a number, 1 or 0, for a loop to add and not branch on.
    unsigned wide(unsigned char first) const { return m_wide[first]; }
    // The character at `first`, `second` of whichever length `first` begins:
    // a first byte has either a value alone or a row of them, the other
    // being 0, so that the two lengths need no branch.
    unsigned short either(unsigned char first, unsigned char second) const {
        return static_cast<unsigned short>(m_single[first] | m_row[first][second]);
    }

private:
    // The characters that begin with one byte: their length and values.
    struct Row {
        unsigned length = 0;
        unsigned short values[256] = {};
        unsigned short single = 0; // the value of a one-byte character
    };

    template <class Codec> static bool probe(const Codec& codec, unsigned first, Row& row) {
        for (unsigned second = 0; second < 256; ++second) {
            const unsigned char bytes[2] = {static_cast<unsigned char>(first),
                                            static_cast<unsigned char>(second)};
            const SourceChar c = codec.decode(bytes, 2);
            if (!c.valid || c.value > 0xFFFF || c.length > 2)
                continue;
            if (row.length != 0 && c.length != row.length)
                return false;
            row.length = c.length;
            row.values[second] = static_cast<unsigned short>(c.value);
        }
        if (row.length != 1)
            return true;
        row.single = *std::max_element(row.values, row.values + 256);
        return std::all_of(row.values, row.values + 256,
                           [&](unsigned short v) { return v == 0 || v == row.single; });
    }

    template <class Codec>
    static const unsigned short* pageOf(const Codec& codec, unsigned char first) {
        if constexpr (HasPairPages<Codec>::value)
            return codec.pairPage(first);
        else
            return nullptr;
    }

    // A row of values of the windows' own on cache lines of its own, so that
    // how fast a text converts does not depend on where the heap happened to
    // put the rows.
    struct alignas(64) Values {
        unsigned short value[256];
    };
    // The row of a first byte that begins no pairs.
    static inline const Values kNoPairs{};

    unsigned short m_single[256];
    unsigned char m_wide[256];
    const unsigned short* m_row[256];
    std::unique_ptr<Values[]> m_own;
};

// Every UTF-16 unit of a codec whose units convert on their own, encoded
// once on the converter's first conversion: one load a unit in place of the
// two-level table, for the units of one or two bytes.
class UnitCodes {
public:
    // The codes of the codec's own encode. A unit of three or more bytes, a
    // surrogate, and one the codec does not write alone are left to the
    // codec: their code is 0. Only a codec whose units other than
    // surrogates each convert on their own may have codes. A codec whose
    // table from Unicode is flat (a member unitCodes()) lends it where it
    // holds exactly these codes, so that they are in memory once.
    template <class Codec> static UnitCodes* build(const Codec& codec) {
        std::unique_ptr<UnitCodes> t(new (std::nothrow) UnitCodes);
        if (!t)
            return nullptr;
        const unsigned short* lent = lentCodes(codec);
        if (lent != nullptr && lent[kUnits] == 0 &&
            everyCode(codec, [lent](unsigned unit, unsigned short code) {
                return lent[unit] == code;
            })) {
            t->m_code = lent;
            return t.release();
        }
        t->m_own.reset(new (std::nothrow) unsigned short[kUnits + 1]());
        if (!t->m_own)
            return nullptr;
        unsigned short* own = t->m_own.get();
        everyCode(codec, [own](unsigned unit, unsigned short code) {
            own[unit] = code;
            return true;
        });
        t->m_code = own;
        return t.release();
    }

    // Each unit's bytes, high byte first when above 0xFF (0 where the codec
    // has none or writes 0, the driver then deciding), with the entry after
    // the last, for kernels that read two codes at a time.
    const unsigned short* all() const { return m_code; }

private:
    static constexpr unsigned kUnits = 65536;

    // Hands `take` each unit and its code until it returns false; whether
    // it never did.
    template <class Codec, class Take> static bool everyCode(const Codec& codec, Take take) {
        for (unsigned unit = 0; unit < kUnits; ++unit) {
            const unsigned short units[2] = {static_cast<unsigned short>(unit), 0};
            const TargetChar c = codec.encode(units, 1);
            const bool held = c.size != 0 && c.units == 1 && c.size <= 2 &&
                              (c.size == 2) == (c.bytes > 0xFF) &&
                              !KelUChar::isSurrogateHigh(static_cast<unsigned short>(unit)) &&
                              !KelUChar::isSurrogateLow(static_cast<unsigned short>(unit));
            if (!take(unit, held ? static_cast<unsigned short>(c.bytes) : 0))
                return false;
        }
        return true;
    }

    template <class Codec> static const unsigned short* lentCodes(const Codec& codec) {
        if constexpr (HasUnitCodes<Codec>::value)
            return codec.unitCodes();
        else
            return nullptr;
    }

    std::unique_ptr<unsigned short[]> m_own;
    const unsigned short* m_code = nullptr;
};

struct FlatView {
    const PairWindows* windows;
    const UnitCodes* codes;
};

// A converter's flat tables, built by its first conversion through its
// codec's own decode and encode; a table the codec cannot have stays null.
class FlatTables {
public:
    template <class Codec> FlatView of(const Codec& codec) const {
        const Flat* flat = m_flat.get(m_lock, [&codec] {
            std::unique_ptr<Flat> built(new (std::nothrow) Flat);
            if (built) {
                built->windows.reset(PairWindows::build(codec));
                built->codes.reset(UnitCodes::build(codec));
            }
            return built;
        });
        if (flat == nullptr)
            return {nullptr, nullptr};
        return {flat->windows.get(), flat->codes.get()};
    }

private:
    struct Flat {
        std::unique_ptr<PairWindows> windows;
        std::unique_ptr<UnitCodes> codes;
    };

    mutable ObjLock m_lock;
    KelBuiltOnce<Flat> m_flat;
};

// Whether a codec offers flat tables: a member flat() giving its windows
// and codes, each possibly null.
template <class Codec, class = void> struct HasFlat : std::false_type {};
template <class Codec>
struct HasFlat<Codec, std::void_t<decltype(std::declval<const Codec&>().flat())>> : std::true_type {
};


// A codec of a set whose text changes width every few characters, such as
// Korean with its one-byte spaces between words of two-byte syllables: a
// member mixedWidths() saying whether its set is one. Its text converts in
// loops that do not branch on the width of a character, which such text
// would mispredict at every word.
template <class Codec, class = void> struct HasMixedWidths : std::false_type {};
template <class Codec>
struct HasMixedWidths<Codec, std::void_t<decltype(std::declval<const Codec&>().mixedWidths())>>
    : std::true_type {};

// The sets of mixed widths: the Korean ones.
inline bool hasMixedWidths(KelCharSet cs) {
    return cs == KELCS_EUC_KR || cs == KELCS_WCP949;
}

// The characters a loop of mixed widths takes an iteration.
constexpr unsigned kMixedRun = 4;

// For each pattern of the widths of the seven bytes from where a character
// begins (bit i set where byte i would begin two bytes), where the next
// characters begin: the second to the fourth, and the fifth.
struct MixedStarts {
    unsigned char of[1u << (2 * kMixedRun - 1)][kMixedRun];

    constexpr MixedStarts() : of() {
        for (unsigned widths = 0; widths < 1u << (2 * kMixedRun - 1); ++widths) {
            unsigned at = 0;
            for (unsigned c = 0; c < kMixedRun; ++c) {
                at += 1 + ((widths >> at) & 1u);
                of[widths][c] = static_cast<unsigned char>(at);
            }
        }
    }
};
inline constexpr MixedStarts kMixedStarts{};

// A multibyte codec in the form the loop driver runs. Its fast members
// take every character that converts plainly, in a loop of their own; the
// driver's general loop sees only NUL, problems and characters cut off by
// the end of the input. Runs of the identity go a block at a time, looked
// for only where a character has a value below 0x80, so that text without
// ASCII pays one test a character. A character left without a value by the end
// of the input is cut, as more input might give it one (every codec reads a
// missing byte as the end of the text).
template <class Codec> class Driven {
public:
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;

    explicit Driven(const Codec& codec)
        : m_codec(codec), m_identity(codec.identity()), m_flat(flatOf(codec)),
          m_mixed(mixedOf(codec)) {}

    // Flattened: a codec's decode and encode inlined here run without a call
    // for every character.
    [[gnu::flatten]] kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n,
                                                      unsigned short* d, KelLength room) const {
        kel::blocks::Progress p{0, 0};
        if (m_flat.windows == nullptr) {
            while (p.read < n && p.written < room && decodeOne(s, n, d, room, p)) {
            }
            return p;
        }
        // A character the windows leave out, such as one of three or four
        // bytes, goes through the codec; the windows then take over again.
        for (;;) {
            if (m_mixed) {
                // Back to the loop after each character or run it leaves.
                decodeMixed(s, n, d, room, p);
                if (p.read + 1 < n && p.written < room && decodeWindow(s, n, d, room, p))
                    continue;
            } else {
                decodePairs(s, n, d, room, p);
                while (p.read + 1 < n && p.written < room && decodeWindow(s, n, d, room, p)) {
                }
            }
            if (p.read == n || p.written == room || !decodeOne(s, n, d, room, p))
                return p;
        }
    }

    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        SourceChar c = m_codec.decode(p, avail);
        c.cut = !c.valid && avail < Codec::kMaxLength;
        return c;
    }

    // Unit 0 has no code in any table but EUC's code set 0, which writes it
    // as the driver would; an unmappable character or a lack of room is the
    // driver's.
    [[gnu::flatten]] kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n,
                                                      unsigned char* d, KelLength room) const {
        KelLength read = 0;
        KelLength written = 0;
        while (read < n) {
            // The codes leave a unit of three bytes or of a pair to the codec
            // below, and take over again after it.
            if (m_flat.codes != nullptr) {
                encodeCodes(s, n, d, room, read, written);
                if (read == n)
                    break;
            }
            const TargetChar c = m_codec.encode(s + read, n - read);
            if (c.value < 0x80 && narrowRun(s, n, d, room, read, written))
                continue;
            if (c.size == 0 || c.size > room - written)
                break;
            writeCode(d + written, c);
            written += c.size;
            read += c.units;
        }
        return {read, written};
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength avail) const {
        return m_codec.encode(p, avail);
    }

private:
    // One character at p.read, or a run of the identity; false where the
    // driver takes over: NUL, a problem, a cut character, a lack of room.
    bool decodeOne(const unsigned char* s, KelLength n, unsigned short* d, KelLength room,
                   kel::blocks::Progress& p) const {
        const SourceChar c = m_codec.decode(s + p.read, n - p.read);
        if (!c.valid)
            return false;
        if (c.value < 0x80 && widenRun(s, n, d, room, p))
            return true;
        if (c.value > 0xFFFF) {
            if (room - p.written < 2)
                return false;
            KelUChar::toSurrogatePair(c.value, d[p.written], d[p.written + 1]);
            p.written += 2;
        } else {
            d[p.written++] = static_cast<unsigned short>(c.value);
        }
        p.read += c.length;
        return true;
    }

    // A run of the identity at p.read, if one starts there.
    bool widenRun(const unsigned char* s, KelLength n, unsigned short* d, KelLength room,
                  kel::blocks::Progress& p) const {
        if (!startsRun(s, p.read, n))
            return false;
        const KelLength run = kel::blocks::widenASCII(m_identity, s + p.read, n - p.read,
                                                      d + p.written, room - p.written);
        p.read += run;
        p.written += run;
        return run != 0;
    }

    // As widenRun, from UTF-16.
    bool narrowRun(const unsigned short* s, KelLength n, unsigned char* d, KelLength room,
                   KelLength& read, KelLength& written) const {
        if (!startsRun(s, read, n))
            return false;
        const KelLength run =
            kel::blocks::narrowASCII(m_identity, s + read, n - read, d + written, room - written);
        read += run;
        written += run;
        return run != 0;
    }

    // As decodeOne with two bytes to read and the windows. Where a
    // character ends is a branch, not an add of its length: text of one
    // kind predicts it, so the next character needs no load of this one.
    bool decodeWindow(const unsigned char* s, KelLength n, unsigned short* d, KelLength room,
                      kel::blocks::Progress& p) const {
        const PairWindows& w = *m_flat.windows;
        const unsigned char first = s[p.read];
        if (w.beginsPairs(first)) {
            const unsigned short value = w.pair(first, s[p.read + 1]);
            if (value == 0)
                return false;
            d[p.written++] = value;
            p.read += 2;
            return true;
        }
        const unsigned short value = w.single(first);
        if (value == 0)
            return false;
        if (value < 0x80 && widenRun(s, n, d, room, p))
            return true;
        d[p.written++] = value;
        ++p.read;
        return true;
    }

    // As fastEncode's loop with the codes; a two-byte code, the most common
    // in the text these sets carry, is tested first.
    void encodeCodes(const unsigned short* s, KelLength n, unsigned char* d, KelLength room,
                     KelLength& read, KelLength& written) const {
        // A local, which the bytes written cannot alias.
        const unsigned short* const codes = m_flat.codes->all();
        while (read < n) {
            if (m_mixed)
                encodeMixed(s, n, d, room, read, written);
            else
                encodePairs(s, n, d, room, read, written);
            if (read == n)
                return;
            const unsigned short code = codes[s[read]];
            if (code > 0xFF) {
                if (room - written < 2)
                    return;
                d[written] = static_cast<unsigned char>(code >> 8);
                d[written + 1] = static_cast<unsigned char>(code);
                written += 2;
                ++read;
                continue;
            }
            if (code == 0)
                return;
            if (code < 0x80 && narrowRun(s, n, d, room, read, written))
                continue;
            if (room == written)
                return;
            d[written++] = static_cast<unsigned char>(code);
            ++read;
        }
    }

    // Two two-byte characters an iteration, for as long as they come: the
    // bulk of ideographic text, with one test for both and no lookup of
    // where the second begins.
    void decodePairs(const unsigned char* s, KelLength n, unsigned short* d, KelLength room,
                     kel::blocks::Progress& p) const {
        const PairWindows& w = *m_flat.windows;
        while (n - p.read >= 4 && room - p.written >= 2) {
            const unsigned char* at = s + p.read;
            if (!w.beginsPairs(at[0]) || !w.beginsPairs(at[2]))
                return;
            const unsigned short first = w.pair(at[0], at[1]);
            const unsigned short second = w.pair(at[2], at[3]);
            if (first == 0 || second == 0)
                return;
            d[p.written] = first;
            d[p.written + 1] = second;
            p.read += 4;
            p.written += 2;
        }
    }

    // As decodePairs, two units of two-byte codes an iteration.
    void encodePairs(const unsigned short* s, KelLength n, unsigned char* d, KelLength room,
                     KelLength& read, KelLength& written) const {
        const unsigned short* const codes = m_flat.codes->all();
        for (unsigned pairs = 0; n - read >= 2 && room - written >= 4; ++pairs) {
            // Three pairs in a row (six units, more than a Korean word) make
            // a run worth the kernel's blocks.
            if (pairs == 3) {
                const KelLength bulk = std::min(n - read, (room - written) / 2);
                const KelLength done =
                    kel::blocks::encodeTwoByteCodes(codes, s + read, bulk, d + written);
                read += done;
                written += 2 * done;
                if (n - read < 2 || room - written < 4)
                    return;
            }
            const unsigned short first = codes[s[read]];
            const unsigned short second = codes[s[read + 1]];
            if (first <= 0xFF || second <= 0xFF)
                return;
            unsigned char* out = d + written;
            out[0] = static_cast<unsigned char>(first >> 8);
            out[1] = static_cast<unsigned char>(first);
            out[2] = static_cast<unsigned char>(second >> 8);
            out[3] = static_cast<unsigned char>(second);
            read += 2;
            written += 4;
        }
    }

    // Four characters of either width an iteration. Where each begins is
    // looked up from the widths of the bytes where it may begin, not found
    // one character after the other: the only branch is the test for a stop,
    // which text of the set's own characters never takes. Four bytes of
    // ASCII stop it too, for the block kernel.
    void decodeMixed(const unsigned char* s, KelLength n, unsigned short* d, KelLength room,
                     kel::blocks::Progress& p) const {
        const PairWindows& w = *m_flat.windows;
        while (n - p.read >= 2 * kMixedRun && room - p.written >= kMixedRun) {
            const unsigned char* at = s + p.read;
            // In pairs, so that the widths are an OR of three steps.
            const unsigned char* starts =
                kMixedStarts.of[((w.wide(at[0]) | w.wide(at[1]) << 1) |
                                 (w.wide(at[2]) << 2 | w.wide(at[3]) << 3)) |
                                ((w.wide(at[4]) << 4 | w.wide(at[5]) << 5) | w.wide(at[6]) << 6)];
            const std::uint64_t first = w.either(at[0], at[1]);
            const std::uint64_t second = w.either(at[starts[0]], at[starts[0] + 1]);
            const std::uint64_t third = w.either(at[starts[1]], at[starts[1] + 1]);
            const std::uint64_t fourth = w.either(at[starts[2]], at[starts[2] + 1]);
            // One word, so that one test finds a stop among the four.
            if (hasZeroUnit(first | second << 16 | third << 32 | fourth << 48) || isASCIIWord(at))
                return;
            unsigned short* out = d + p.written;
            out[0] = static_cast<unsigned short>(first);
            out[1] = static_cast<unsigned short>(second);
            out[2] = static_cast<unsigned short>(third);
            out[3] = static_cast<unsigned short>(fourth);
            p.read += starts[3];
            p.written += kMixedRun;
        }
    }

    // As decodeMixed, from UTF-16: each code is stored as two bytes, the
    // high one first where it has one, the second overwritten by the next
    // code where it has not.
    void encodeMixed(const unsigned short* s, KelLength n, unsigned char* d, KelLength room,
                     KelLength& read, KelLength& written) const {
        const unsigned short* const codes = m_flat.codes->all();
        while (n - read >= 4 && room - written >= 4) {
            const unsigned short first = codes[s[read]];
            const unsigned short second = codes[s[read + 1]];
            if (first == 0 || second == 0 || isASCIIWord(s + read))
                return;
            const unsigned wide = first > 0xFF;
            unsigned char* out = d + written;
            out[0] = static_cast<unsigned char>(first >> (8 * wide));
            out[1] = static_cast<unsigned char>(first);
            out += 1 + wide;
            out[0] = static_cast<unsigned char>(second >> (8 * (second > 0xFF)));
            out[1] = static_cast<unsigned char>(second);
            written += 2 + wide + (second > 0xFF);
            read += 2;
        }
    }

    // Whether one of four units packed in a word is 0: subtracting 1 from
    // each sets the top bit of one that was 0, and of no other but above a
    // unit that was 0 and borrowed; a unit whose top bit was set is masked.
    static bool hasZeroUnit(std::uint64_t units) {
        return ((units - 0x0001000100010001u) & ~units & 0x8000800080008000u) != 0;
    }

    // Four units of ASCII from `at`: a run for the block kernels.
    template <class Unit> static bool isASCIIWord(const Unit* at) {
        return (at[0] | at[1] | at[2] | at[3]) < 0x80;
    }

    static bool mixedOf(const Codec& codec) {
        if constexpr (HasMixedWidths<Codec>::value)
            return codec.mixedWidths();
        else
            return false;
    }

    static FlatView flatOf(const Codec& codec) {
        if constexpr (HasFlat<Codec>::value)
            return codec.flat();
        else
            return {nullptr, nullptr};
    }

    // Two units of the identity in a row: a lone one, such as a space among
    // ideographs, is cheaper to convert in the loop than by a kernel call.
    template <class Unit> bool startsRun(const Unit* s, KelLength at, KelLength n) const {
        return at + 1 < n && m_identity.holds(s[at]) && m_identity.holds(s[at + 1]);
    }

    Codec m_codec;
    kel::blocks::ASCIIIdentity m_identity;
    FlatView m_flat;
    bool m_mixed;
};

// Whether a codec is a table codec of the form above.
template <class Codec, class = void> struct IsTableCodec : std::false_type {};
template <class Codec>
struct IsTableCodec<Codec, std::void_t<decltype(Codec::kMaxLength)>> : std::true_type {};

// A converter's codec in the form the loop driver runs.
template <class Codec> auto driven(const Codec& codec) {
    if constexpr (IsTableCodec<Codec>::value)
        return Driven<Codec>(codec);
    else
        return codec;
}

} // namespace mbcs
} // namespace kel

#endif
