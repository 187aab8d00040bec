#ifndef KELCODECDRIVER_H
#define KELCODECDRIVER_H

// The one loop of every conversion between local text and UTF-16 or UTF-8.
// A converter describes its encoding one character at a time through a
// codec; the loop here does the rest: counted input, room, substitutes,
// problems, the state of a set with shifts and the result that says what
// stopped it and where. The NUL-terminated operations of the converter
// interface are adapters over it, so counting and converting never
// disagree. Internal to the library.
//
// A codec has these members:
//
//   using Unit = ...;   // the local code unit: unsigned char, or the 16-
//                       // and 32-bit units of UTF-16 and UTF-32
//   static constexpr KelLength kFastRetry;
//   blocks::Progress fastDecode(const unsigned char* s, KelLength n,
//                               unsigned short* d, KelLength room) const;
//   SourceChar decode(const unsigned char* p, KelLength avail) const;
//   blocks::Progress fastEncode(const unsigned short* s, KelLength n,
//                               unsigned char* d, KelLength room) const;
//   TargetChar encode(const unsigned short* p, KelLength avail) const;
//
// decode and encode read the character at p and at most `avail` units from
// p (bytes for decode); units past `avail` read as if the text ended there,
// and a character that would need them says so (`cut`). For a codec of
// byte units p is never the NUL byte, which the loops convert themselves; a
// codec of wider units converts its zero unit like any other, and its decode
// may find less than a unit at the end of the input. The fast members
// convert a prefix of simple characters exactly as decode and encode would
// and may convert nothing; after they stop, the loop converts at least
// max(1, kFastRetry) units itself before it asks them again. fastEncode
// writes at most kMostBytesPerUnit bytes for a unit, so that it never runs
// out of room in front of a caller that gave it that much a unit.
//
// A set with shifts has a codec with state instead, with these in place of
// decode and encode:
//
//   using State = ...;  // trivially copyable, value-initialised at the
//                       // start of a stream, at most a KelCodecState
//   SourceChar decode(const unsigned char* p, KelLength avail, State&) const;
//   TargetChar encode(const unsigned short* p, KelLength avail, State&) const;
//   TargetChar finish(State&) const;   // back to the initial state
//
// Each may change the state it is given; the loop hands them a copy and
// keeps it only for a character it converts. Such a codec may have fast
// members too, which say so with kFastInState and take the stream's state:
//
//   blocks::Progress fastDecode(const unsigned char* s, KelLength n,
//                               unsigned short* d, KelLength room, State&) const;
//   blocks::Progress fastEncode(const unsigned short* s, KelLength n,
//                               unsigned char* d, KelLength room, State&) const;
//
// They convert a run of characters that needs no designation (a decoder's
// run may take the shifts that decode takes) and leave the state as decode
// and encode would after them. A decoded step may be a shift that reads
// bytes and writes nothing (SourceChar::silent); an encoded character
// carries the shifts it needs in front of its bytes.

#include "KelConversion.h"
#include "KelConverterHelpers.h"
#include "KelTextBlocks.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace kel {
namespace codec {

using Stop = KelStop;
using Result = KelConversionResult;
using OnProblem = KelOnProblem;

// The most bytes a codec's fastEncode writes for one UTF-16 unit.
constexpr KelLength kMostBytesPerUnit = 4;

// The imposed problem operation in the library's own terms.
inline OnProblem onProblem(ILLCHAR_OPTYPE opType) {
    switch (opType) {
    case ILLCHAR_STOP:
        return OnProblem::Stop;
    case ILLCHAR_ESCAPE:
        return OnProblem::Escape;
    default:
        return OnProblem::Replace;
    }
}

// One step of local text: the units it spans and the Unicode scalar value
// it stands for; one without a value (malformed, or without a mapping)
// becomes U+FFFD. `cut`: the input ended inside it, and more input could
// make it another character. `silent`: a shift, which changes the state and
// stands for no character. `second`: a character that follows the first in
// the same code (a JIS X 0213 code of a letter and its combining mark), 0
// for none; the two are written together or not at all.
struct SourceChar {
    KelLength length;
    std::uint32_t value;
    bool valid;
    bool cut;
    bool silent;
    std::uint32_t second = 0;
};

inline SourceChar character(KelLength length, std::uint32_t value) {
    return {length, value, true, false, false};
}

inline SourceChar noCharacter(KelLength length, bool cut = false) {
    return {length, 0, false, cut, false};
}

// A table's answer, in which 0 means no mapping.
inline SourceChar mapped(KelLength length, std::uint32_t value) {
    return {length, value, value != 0, false, false};
}

inline SourceChar shift(KelLength length) {
    return {length, 0, true, false, true};
}

// One character of UTF-16 text: the units it spans, the character (what an
// escape shows) and its local bytes, packed high byte first, up to eight of
// them; size 0 when it has no local code. `cut` as for SourceChar: a high
// surrogate at the end of the input.
struct TargetChar {
    KelLength units;
    std::uint32_t value;
    std::uint64_t bytes;
    KelLength size;
    bool cut;
};

// `n` bytes packed as TargetChar holds them, the first highest.
inline std::uint64_t packBytes(const unsigned char* bytes, KelLength n) {
    std::uint64_t packed = 0;
    for (KelLength i = 0; i < n; ++i)
        packed = packed << 8 | bytes[i];
    return packed;
}

// A character whose local form is one wide unit: written as the unit's
// bytes lie in memory, so that the local text is in the machine's order.
template <class Unit> TargetChar wideUnitChar(KelLength units, std::uint32_t value) {
    const Unit unit = static_cast<Unit>(value);
    unsigned char bytes[sizeof unit];
    std::memcpy(bytes, &unit, sizeof unit);
    return {units, value, packBytes(bytes, sizeof unit), sizeof unit, false};
}

// The base of a codec of wide units (UTF-16, UTF-32) in the machine's byte
// order or the reverse, read and written at any alignment. These forms
// give the units of a surrogate pair one at a time.
template <class U> class WideUnits {
public:
    using Unit = U;
    static constexpr KelLength kFastRetry = 0;
    static constexpr bool kSurrogatesApart = true;
    static constexpr bool kWritesLoneSurrogates = true;

    explicit WideUnits(bool swap) : m_swap(swap) {}
    Unit load(const void* s, KelLength i) const { return swappedIf(m_swap, loadUnit<Unit>(s, i)); }
    void store(void* d, KelLength i, Unit v) const { storeUnit<Unit>(d, i, swappedIf(m_swap, v)); }

protected:
    bool m_swap;
};

// The state of a codec without one.
struct NoState {};

template <class Codec, class = void> struct StateOf {
    using type = NoState;
};
template <class Codec> struct StateOf<Codec, std::void_t<typename Codec::State>> {
    using type = typename Codec::State;
};
template <class Codec> using State = typename StateOf<Codec>::type;
template <class Codec> constexpr bool kStateful = !std::is_same_v<State<Codec>, NoState>;

// Whether a codec with state has fast members.
template <class Codec, class = void> struct FastInState : std::false_type {};
template <class Codec>
struct FastInState<Codec, std::void_t<decltype(Codec::kFastInState)>>
    : std::bool_constant<Codec::kFastInState> {};

template <class Codec> constexpr bool kHasFast = !kStateful<Codec> || FastInState<Codec>::value;

// A codec's fast decode, with the stream's state for a codec that has one.
template <class Codec>
blocks::Progress fastDecodeIn(const Codec& codec, const unsigned char* s, KelLength n,
                              unsigned short* d, KelLength room, State<Codec>& state) {
    if constexpr (kStateful<Codec>)
        return codec.fastDecode(s, n, d, room, state);
    else
        return codec.fastDecode(s, n, d, room);
}

// A stream's state as its codec reads it, and back.
template <class Codec> State<Codec> stateOf(const KelCodecState* stream) {
    State<Codec> state{};
    if constexpr (kStateful<Codec>) {
        static_assert(std::is_trivially_copyable_v<State<Codec>> &&
                      sizeof(State<Codec>) <= sizeof(KelCodecState::word));
        if (stream != nullptr)
            std::memcpy(&state, &stream->word, sizeof state);
    }
    return state;
}

template <class Codec> void keepState(const State<Codec>& state, KelCodecState* stream) {
    if constexpr (kStateful<Codec>) {
        if (stream != nullptr)
            std::memcpy(&stream->word, &state, sizeof state);
    }
}

template <class Codec>
SourceChar decodeIn(const Codec& codec, const unsigned char* p, KelLength avail,
                    State<Codec>& state) {
    if constexpr (kStateful<Codec>)
        return codec.decode(p, avail, state);
    else
        return codec.decode(p, avail);
}

// A codec without state of byte units leaves unit 0 to the loops, which
// write the NUL byte for it; one with state writes it as any control.
template <class Codec>
TargetChar encodeIn(const Codec& codec, const unsigned short* p, KelLength avail,
                    State<Codec>& state) {
    if constexpr (kStateful<Codec>) {
        return codec.encode(p, avail, state);
    } else {
        if (sizeof(typename Codec::Unit) == 1 && p[0] == 0)
            return {1, 0, 0, 1, false};
        return codec.encode(p, avail);
    }
}

// The output of a loop: `room` units of Out in the caller's buffer, which
// the fast members write into directly ...
template <class Out> class Room {
public:
    Room(Out* d, KelLength room) : m_d(d), m_room(room) {}
    KelLength room() const { return m_room - m_written; }
    Out* fastOut() { return m_d + m_written; }
    KelLength fastRoom() const { return room(); }
    void advance(KelLength n) { m_written += n; }
    KelLength written() const { return m_written; }

protected:
    Out* m_d;
    KelLength m_room;
    KelLength m_written = 0;
};

// ... or only counted, the fast members writing into scratch space.
template <class Out, KelLength kScratch> class Tally {
public:
    KelLength room() const { return KEL_NPOS - m_written; }
    Out* fastOut() { return m_scratch; }
    KelLength fastRoom() const { return kScratch; }
    void advance(KelLength n) { m_written += n; }
    KelLength written() const { return m_written; }

protected:
    Out m_scratch[kScratch];
    KelLength m_written = 0;
};

// Decoded units in the caller's buffer ...
class UnitWriter : public Room<unsigned short> {
public:
    using Room::Room;
    bool fits(std::uint32_t value, std::uint32_t second = 0) const {
        return room() >= utf16Length(value) + (second != 0 ? utf16Length(second) : 0);
    }
    void put(std::uint32_t value, KelLength) {
        if (value > 0xFFFF) {
            KelUChar::toSurrogatePair(value, m_d[m_written], m_d[m_written + 1]);
            m_written += 2;
        } else {
            m_d[m_written++] = static_cast<unsigned short>(value);
        }
    }
};

// ... with the offset of the source character of each unit, for which the
// fast paths, which convert blocks, stand aside ...
class OffsetUnitWriter : public UnitWriter {
public:
    OffsetUnitWriter(unsigned short* d, KelLength room, KelLength* offsets)
        : UnitWriter(d, room), m_offsets(offsets) {}
    KelLength fastRoom() const { return 0; }
    void put(std::uint32_t value, KelLength at) {
        std::fill(m_offsets + written(), m_offsets + written() + utf16Length(value), at);
        UnitWriter::put(value, at);
    }

private:
    KelLength* m_offsets;
};

// ... or counted.
class UnitCounter : public Tally<unsigned short, 256> {
public:
    bool fits(std::uint32_t, std::uint32_t = 0) const { return true; }
    void put(std::uint32_t value, KelLength) { m_written += utf16Length(value); }
};

// Encoded bytes in the caller's buffer, whole units of the target (Unit)
// only; only what fits is ever put ...
template <class Unit> class ByteWriter : public Room<unsigned char> {
public:
    ByteWriter(unsigned char* d, KelLength room) : Room(d, room - room % sizeof(Unit)) {}
    void put(TargetChar c) {
        unsigned char* d = m_d + m_written;
        if (c.size == 1)
            d[0] = static_cast<unsigned char>(c.bytes);
        else
            for (KelLength i = 0; i < c.size; ++i)
                d[i] = static_cast<unsigned char>(c.bytes >> (8 * (c.size - 1 - i)));
        m_written += c.size;
    }
};

// ... or counted.
class ByteCounter : public Tally<unsigned char, 768> {
public:
    void put(const TargetChar& c) { m_written += c.size; }
};

// Runs a codec's fast member when its turn has come, over the units from
// `read` to `end`; true when it moved on. A member that filled the room it
// was given (a sink's block) did not stop at the text, so its next turn
// comes at once.
template <class Codec, class Fast, class Sink>
bool fastStep(Fast fast, KelLength end, Sink& out, KelLength& read, KelLength& fastFrom) {
    const KelLength room = out.fastRoom();
    if (read < fastFrom || room == 0)
        return false;
    const blocks::Progress p = fast(read, end - read, out.fastOut(), room);
    read += p.read;
    out.advance(p.written);
    fastFrom = p.written == room ? read : read + std::max<KelLength>(1, Codec::kFastRetry);
    return p.read != 0;
}

// What a loop returns once it has handed its copy of the sink back.
template <class Sink> Result handBack(Sink& shared, const Sink& out, const Result& r) {
    shared = out;
    return r;
}

// A codec whose code unit is a byte leaves the NUL byte to the loops.
template <class Codec> constexpr bool kByteUnits = sizeof(typename Codec::Unit) == 1;

// The step at s[at]: U+0000 for the NUL byte of a byte-unit codec, which
// its decode need not know.
template <class Codec>
inline SourceChar sourceChar(const Codec& codec, const unsigned char* s, KelLength at,
                             KelLength len, State<Codec>& state) {
    if (kByteUnits<Codec> && s[at] == 0)
        return character(1, 0);
    return decodeIn(codec, s + at, len - at, state);
}

// Decodes local text of `len` bytes, NUL characters included, from the
// state `state` and leaving it where the conversion ends. `last`: the input
// ends here, so a character cut off by its end is one malformed character;
// otherwise it is left for the next call (CutOff). Ends once `stopAfter`
// bytes are read, after the character that reaches it. The codec, the
// sink and the counts are the loop's own copies until the end, so that
// the compiler may keep them in registers across the calls of the fast
// paths.
template <class Codec, class Sink>
Result decode(const Codec& sharedCodec, const unsigned char* s, KelLength len, Sink& sharedOut,
              OnProblem on, bool last, State<Codec>& state, KelLength stopAfter = KEL_NPOS) {
    const Codec codec(sharedCodec);
    Sink out(sharedOut);
    const KelLength fastEnd = std::min(len, stopAfter);
    KelLength read = 0, problems = 0, fastFrom = 0;
    const auto ended = [&](Stop stop, KelLength length, std::uint32_t value = 0) {
        return handBack(sharedOut, out, {stop, read, out.written(), problems, length, value});
    };
    while (read < fastEnd) {
        // The fast member stops at the source limit; a character the loop
        // reads itself may reach past it.
        if constexpr (kHasFast<Codec>) {
            const auto fast = [&](KelLength at, KelLength n, unsigned short* d, KelLength room) {
                return fastDecodeIn(codec, s + at, n, d, room, state);
            };
            if (fastStep<Codec>(fast, fastEnd, out, read, fastFrom))
                continue;
        }
        State<Codec> next = state;
        const SourceChar c = sourceChar(codec, s, read, len, next);
        if (c.cut && !last)
            return ended(Stop::CutOff, c.length);
        std::uint32_t value = c.value;
        if (!c.valid) {
            // A problem is passed, so the state it leaves holds.
            ++problems;
            state = next;
            if (on == OnProblem::Stop)
                return ended(Stop::Malformed, c.length, kReplacementUnit);
            if (on == OnProblem::Skip) {
                read += c.length;
                continue;
            }
            value = kReplacementUnit;
        } else if (c.silent) {
            state = next;
            read += c.length;
            continue;
        }
        const std::uint32_t second = c.valid ? c.second : 0;
        if (!out.fits(value, second))
            return ended(Stop::DestinationFull, 0);
        out.put(value, read);
        if (second != 0)
            out.put(second, read);
        state = next;
        read += c.length;
    }
    return ended(Stop::EndOfInput, 0);
}

// One character of the source of an encoder: its UTF-16 units, and the
// source units it spans. `valid` false: malformed source, which converts as
// U+FFFD. `cut` as for SourceChar.
struct SourceUnits {
    unsigned short units[2];
    KelLength n;
    KelLength length;
    bool valid;
    bool cut;
};

// UTF-16 text as an encoder's source: a surrogate pair is read together,
// so that a codec that writes it as one character may, and a high
// surrogate at the end of the input may still find its partner.
struct UTF16Source {
    using Unit = unsigned short;
    static constexpr bool kFast = true;
    static constexpr bool kBlocks = false;
    SourceUnits at(const unsigned short* s, KelLength at, KelLength len) const {
        const unsigned short u = s[at];
        if (!isHighSurrogate(u))
            return {{u, 0}, 1, 1, true, false};
        if (at + 1 == len)
            return {{u, 0}, 1, 1, true, true};
        if (!isLowSurrogate(s[at + 1]))
            return {{u, 0}, 1, 1, true, false};
        return {{u, s[at + 1]}, 2, 2, true, false};
    }
};

// A character of a substitute that the set lacks (a set without its
// tables): the ASCII value as one unit of the target.
template <class Unit> TargetChar rawUnit(unsigned short value) {
    if constexpr (sizeof(Unit) == 1)
        return {1, value, value, 1, false};
    else
        return wideUnitChar<Unit>(1, value);
}

// The encoded form of a character (two parts at most), or of a
// substitute's text: the codec's characters for its units, which some
// codecs take one at a time.
template <KelLength kParts> struct Encoded {
    TargetChar parts[kParts];
    KelLength count;
    KelLength size;
};

// Encodes `n` units through the codec from the state `state`, which it
// leaves behind them; false when a unit has no code, which is then the last
// part, unless `raw` writes it as a unit of the target.
template <class Codec, KelLength kParts>
[[gnu::always_inline]] inline bool encodeUnits(const Codec& codec, const unsigned short* units,
                                               KelLength n, State<Codec>& state,
                                               Encoded<kParts>& e, bool raw = false) {
    e.count = 0;
    e.size = 0;
    for (KelLength at = 0; at < n; at += e.parts[e.count++].units) {
        TargetChar& part = e.parts[e.count];
        part = encodeIn(codec, units + at, n - at, state);
        if (part.size == 0 && !raw) {
            ++e.count;
            return false;
        }
        if (part.size == 0)
            part = rawUnit<typename Codec::Unit>(units[at]);
        e.size += part.size;
    }
    return true;
}

// Writes an encoded character whole, with room left for `reserve` bytes
// more, and keeps the state it leaves; false when it does not fit.
template <class CodecState, KelLength kParts, class Sink>
[[gnu::always_inline]] inline bool putEncoded(const Encoded<kParts>& e, const CodecState& after,
                                              CodecState& state, KelLength reserve, Sink& out) {
    if (e.size + reserve > out.room())
        return false;
    for (KelLength i = 0; i < e.count; ++i)
        out.put(e.parts[i]);
    state = after;
    return true;
}

// The escapes of a character's UTF-16 units, from the state `state`, which
// it leaves behind them; apart, so that the common substitute needs no room
// for them, and returned rather than written, so that the loops' writer
// never has its address taken and stays in registers.
template <class Codec>
[[gnu::noinline]] Encoded<2 * kEscapeLength> encodeEscapes(const Codec& codec, std::uint32_t value,
                                                          State<Codec>& state) {
    unsigned short text[2 * kEscapeLength];
    Encoded<2 * kEscapeLength> e;
    encodeUnits(codec, text, writeCharEscape(text, 2 * kEscapeLength, value), state, e, true);
    return e;
}

// Writes what stands for a character the target lacks, "?" or "U+XXXX" for
// each of its UTF-16 units, through the codec in the stream's state, so that
// a set with shifts gets what it needs in front of it; whole or not at all.
// Malformed source (U+FFFD) is the target's U+FFFD where it has one.
template <class Codec, class Sink>
[[gnu::always_inline]] inline bool putSubstitute(const Codec& codec, std::uint32_t value,
                                                 OnProblem on, State<Codec>& state,
                                                 KelLength reserve, Sink& out) {
    State<Codec> next = state;
    TargetChar one{0, 0, 0, 0, false};
    const unsigned short replacement = kReplacementUnit;
    const unsigned short mark = '?';
    if (value == kReplacementUnit)
        one = encodeIn(codec, &replacement, 1, next);
    if (one.size == 0 && on != OnProblem::Escape) {
        // Every set of bytes without shifts writes "?" as the byte 3F.
        next = state;
        if (!kStateful<Codec> && sizeof(typename Codec::Unit) == 1)
            one = rawUnit<typename Codec::Unit>(mark);
        else
            one = encodeIn(codec, &mark, 1, next);
        if (one.size == 0)
            one = rawUnit<typename Codec::Unit>(mark);
    }
    if (one.size == 0) {
        next = state;
        return putEncoded(encodeEscapes(codec, value, next), next, state, reserve, out);
    }
    Encoded<1> e{{one}, 1, one.size};
    return putEncoded(e, next, state, reserve, out);
}

// A codec that writes a letter and the combining mark after it as one
// code (JIS X 0213) has these members:
//
//   bool takesMark(unsigned short unit) const;   // may begin such a pair
//   TargetChar encodePair(unsigned short letter, unsigned short mark,
//                         State&) const;         // size 0: no code for them
//
// The loop then reads the character after such a letter before it writes
// the letter, and waits for more input when the letter ends it.
template <class Codec, class = void> struct Combines : std::false_type {};
template <class Codec>
struct Combines<Codec, std::void_t<decltype(&Codec::takesMark)>> : std::true_type {};

// What a letter that may take a mark comes to with the character after it.
struct Paired {
    enum { Alone, Wait, Written, NoRoom } outcome;
    KelLength length; // Written: the source units of both
};

template <class Codec, class Source, class Reserve, class Sink>
Paired encodeWithMark(const Codec& codec, const Source& source, const typename Source::Unit* s,
                      KelLength at, KelLength len, const SourceUnits& letter, bool last,
                      State<Codec>& state, Reserve reserved, Sink& out) {
    const KelLength after = at + letter.length;
    if (after == len)
        return {last ? Paired::Alone : Paired::Wait, 0};
    const SourceUnits mark = source.at(s, after, len);
    if (mark.cut && !last)
        return {Paired::Wait, 0};
    if (!mark.valid || mark.n != 1)
        return {Paired::Alone, 0};
    State<Codec> next = state;
    const TargetChar t = codec.encodePair(letter.units[0], mark.units[0], next);
    if (t.size == 0)
        return {Paired::Alone, 0};
    const Encoded<1> e{{t}, 1, t.size};
    if (!putEncoded(e, next, state, reserved(next), out))
        return {Paired::NoRoom, 0};
    return {Paired::Written, letter.length + mark.length};
}

// What returns a codec with state to its initial state; nothing for
// the others.
template <class Codec> TargetChar finishIn(const Codec& codec, State<Codec>& state) {
    if constexpr (kStateful<Codec>)
        return codec.finish(state);
    else
        return {0, 0, 0, 0, false};
}

// How an encoder meets its characters.
struct EncodeMode {
    // A surrogate pair that the target lacks is one problem with one
    // substitute; otherwise each of its units is one (the imposed
    // operations).
    bool wholeChars;
    // Each character leaves room for the return to the initial state, as a
    // terminated text has no later call to write it in.
    bool reserveFinish;
};

// Encodes `len` units of the source (UTF-16, or UTF-8 as the library
// reads it), 0 units included (each is the target's NUL character), from
// the state `state` and leaving it where the conversion ends; `last` as for
// decode, and it also returns the codec to its initial state at the end.
template <class Codec, class Source, class Sink>
Result encode(const Codec& sharedCodec, const Source& source, const typename Source::Unit* s,
              KelLength len, Sink& sharedOut, OnProblem on, bool last, State<Codec>& state,
              EncodeMode mode) {
    const Codec codec(sharedCodec);
    Sink out(sharedOut);
    KelLength read = 0, problems = 0, fastFrom = 0;
    const auto ended = [&](Stop stop, KelLength length, std::uint32_t value = 0) {
        return handBack(sharedOut, out, {stop, read, out.written(), problems, length, value});
    };
    // The bytes that return the codec to its initial state from `after`.
    const auto reserved = [&](State<Codec> after) {
        return mode.reserveFinish ? finishIn(codec, after).size : 0;
    };
    while (read < len) {
        // The character the loop could not convert: its value, its source
        // units, and whether the source is malformed.
        std::uint32_t value;
        KelLength length;
        bool malformed;
        bool single = false;
        if constexpr (Source::kFast && !kStateful<Codec>) {
            const auto fast = [&](KelLength at, KelLength n, unsigned char* d, KelLength room) {
                return codec.fastEncode(s + at, n, d, room);
            };
            if (fastStep<Codec>(fast, len, out, read, fastFrom))
                continue;
            // Most characters the fast member leaves are a unit of their own,
            // which the codec converts alone up to the fast member's next
            // turn; a surrogate that it cannot convert so takes the general
            // path.
            TargetChar t = encodeIn(codec, s + read, len - read, state);
            for (; t.size != 0; t = encodeIn(codec, s + read, len - read, state)) {
                if (t.size > out.room())
                    return ended(Stop::DestinationFull, 0);
                out.put(t);
                read += t.units;
                if (read >= fastFrom || read == len)
                    break;
            }
            if (t.size != 0)
                continue;
            single = !isSurrogateValue(s[read]);
            if (single) {
                value = s[read];
                length = 1;
                malformed = false;
            }
        }
        if constexpr (kStateful<Codec> && kHasFast<Codec>) {
            // Each character leaves room for the return to the initial
            // state, which a run does not change.
            const KelLength reserve = reserved(state);
            const auto units = [&](const unsigned short* u, KelLength n, unsigned char* d,
                                   KelLength room) {
                return codec.fastEncode(u, n, d, room > reserve ? room - reserve : 0, state);
            };
            const auto fast = [&](KelLength at, KelLength n, unsigned char* d, KelLength room) {
                if constexpr (Source::kBlocks)
                    return source.fastEncode(units, s + at, n, d, room);
                else
                    return units(s + at, n, d, room);
            };
            if (fastStep<Codec>(fast, len, out, read, fastFrom))
                continue;
        } else if constexpr (Source::kBlocks && !kStateful<Codec>) {
            const auto units = [&](const unsigned short* u, KelLength n, unsigned char* d,
                                   KelLength room) { return codec.fastEncode(u, n, d, room); };
            const auto fast = [&](KelLength at, KelLength n, unsigned char* d, KelLength room) {
                return source.fastEncode(units, s + at, n, d, room);
            };
            if (fastStep<Codec>(fast, len, out, read, fastFrom))
                continue;
        }
        if (!single) {
            SourceUnits c = source.at(s, read, len);
            if (c.cut && !last)
                return ended(Stop::CutOff, c.length);
            if constexpr (Combines<Codec>::value) {
                if (c.valid && c.n == 1 && codec.takesMark(c.units[0])) {
                    const Paired p = encodeWithMark(codec, source, s, read, len, c, last, state,
                                                    reserved, out);
                    if (p.outcome == Paired::Wait)
                        return ended(Stop::CutOff, c.length);
                    if (p.outcome == Paired::NoRoom)
                        return ended(Stop::DestinationFull, 0);
                    if (p.outcome == Paired::Written) {
                        read += p.length;
                        continue;
                    }
                }
            }
            State<Codec> next = state;
            Encoded<2> e;
            if (c.valid && encodeUnits(codec, c.units, c.n, next, e)) {
                if (!putEncoded(e, next, state, reserved(next), out))
                    return ended(Stop::DestinationFull, 0);
                read += c.length;
                continue;
            }
            // A codec that reads a pair unit by unit finds a problem in its
            // first unit, which the imposed operations take alone.
            if (c.valid && c.n == 2 && !mode.wholeChars && e.count == 1 && e.parts[0].units == 1)
                c = {{c.units[0], 0}, 1, 1, true, false};
            malformed = !c.valid || (c.n == 1 && isSurrogateValue(c.units[0]));
            value = !c.valid   ? kReplacementUnit
                    : c.n == 2 ? KelUChar::toUTF32(c.units[0], c.units[1])
                               : c.units[0];
            length = c.length;
        }
        ++problems;
        if (on == OnProblem::Stop)
            return ended(malformed ? Stop::Malformed : Stop::Unmappable, length, value);
        if (on == OnProblem::Skip) {
            read += length;
            continue;
        }
        if (!putSubstitute(codec, value, on, state, reserved(state), out))
            return ended(Stop::DestinationFull, 0);
        read += length;
    }
    if (last) {
        State<Codec> next = state;
        const TargetChar f = finishIn(codec, next);
        if (f.size > out.room())
            return ended(Stop::DestinationFull, 0);
        out.put(f);
        state = next;
    }
    return ended(Stop::EndOfInput, 0);
}

// An encoder's own mode (the stream API's) and that of the imposed
// operations.
constexpr EncodeMode kStreamMode{true, false};
constexpr EncodeMode kImposedMode{false, true};

// The counted operations of the converter interface. A null source reads
// as empty, a null destination as one without room; a null state is the
// initial one.
template <class Codec>
Result decodeCounted(const Codec& codec, const void* src, KelLength srcLen, unsigned short* dst,
                     KelLength dstLen, OnProblem on, bool last, KelLength* offsets,
                     KelCodecState* stream) {
    const unsigned char* s = static_cast<const unsigned char*>(src);
    const KelLength len = src == nullptr ? 0 : srcLen;
    const KelLength room = dst == nullptr ? 0 : dstLen;
    State<Codec> state = stateOf<Codec>(stream);
    Result r;
    if (offsets != nullptr) {
        OffsetUnitWriter out(dst, room, offsets);
        r = decode(codec, s, len, out, on, last, state);
    } else {
        UnitWriter out(dst, room);
        r = decode(codec, s, len, out, on, last, state);
    }
    keepState<Codec>(state, stream);
    return r;
}

template <class Codec, class Source>
Result encodeCounted(const Codec& codec, const Source& source, const typename Source::Unit* src,
                     KelLength srcLen, void* dst, KelLength dstLen, OnProblem on, bool last,
                     KelCodecState* stream) {
    ByteWriter<typename Codec::Unit> out(static_cast<unsigned char*>(dst),
                                         dst == nullptr ? 0 : dstLen);
    State<Codec> state = stateOf<Codec>(stream);
    const Result r = encode(codec, source, src, src == nullptr ? 0 : srcLen, out, on, last, state,
                            kStreamMode);
    keepState<Codec>(state, stream);
    return r;
}

// encodeSubstitute of the converter interface.
template <class Codec>
Result encodeSubstitute(const Codec& codec, std::uint32_t value, OnProblem on, void* dst,
                        KelLength dstLen, KelCodecState* stream) {
    ByteWriter<typename Codec::Unit> out(static_cast<unsigned char*>(dst),
                                         dst == nullptr ? 0 : dstLen);
    State<Codec> state = stateOf<Codec>(stream);
    if (!putSubstitute(codec, value, on, state, 0, out))
        return {Stop::DestinationFull, 0, 0, 0, 0, 0};
    keepState<Codec>(state, stream);
    return {Stop::EndOfInput, 0, out.written(), 0, 0, 0};
}

// The NUL-terminated forms of the converter interface. The text is found a
// chunk at a time (blocks::TextRun), so that a short conversion of a long
// text does not scan all of it; each chunk is counted input, and a character
// that a chunk's end cuts off is read again with the next chunk.
template <class Unit, class Convert>
Result overTerminated(const Unit* s, KelLength limit, Convert convert) {
    blocks::TextRun<Unit> run(s);
    Result total{Stop::EndOfInput, 0, 0, 0, 0, 0};
    for (;;) {
        const KelLength known = run.from(total.read);
        const bool last = run.endsAt(total.read + known);
        const Result r =
            convert(total.read, known, last, limit > total.read ? limit - total.read : 0);
        total.read += r.read;
        total.written = r.written;
        total.problems += r.problems;
        total.stop = r.stop;
        total.length = r.length;
        total.value = r.value;
        const bool more =
            r.stop == Stop::CutOff || (r.stop == Stop::EndOfInput && !last && total.read < limit);
        if (!more)
            return total;
    }
}

// What a terminated operation returns, once it has written its terminator
// of `nulSize` bytes at `end`: the units or bytes written.
inline KelLength finish(void* end, KelLength nulSize, const Result& r, bool* pIllegal) {
    std::memset(end, 0, nulSize);
    if (pIllegal != nullptr)
        *pIllegal = r.problems != 0;
    return r.written;
}

// toUTF16 of the converter interface: `dstLen` units of room behind which
// the terminator is always written; a positive `srcLimit` ends conversion
// after the character that reaches that many bytes.
template <class Codec>
KelLength decodeTerminated(const Codec& codec, unsigned short* dst, const void* src,
                           KelLength dstLen, OnProblem on, bool* pIllegal, int srcLimit) {
    const unsigned char* s = static_cast<const unsigned char*>(src);
    UnitWriter out(dst, dstLen);
    State<Codec> state{};
    const KelLength limit = srcLimit > 0 ? static_cast<KelLength>(srcLimit) : KEL_NPOS;
    const Result r =
        overTerminated(s, limit, [&](KelLength at, KelLength n, bool last, KelLength left) {
            return decode(codec, s + at, n, out, on, last, state, left);
        });
    return finish(dst + r.written, sizeof *dst, r, pIllegal);
}

// toUTF16 for a codec of wide units, at most `limit` of which are read. Each
// gives one UTF-16 unit at least, so no more than `dstLen` of them can
// convert: the text is found within that bound first and then converted as
// counted input.
template <class Codec>
KelLength decodeWideTerminated(const Codec& codec, unsigned short* dst, const void* src,
                               KelLength dstLen, OnProblem on, bool* pIllegal, KelLength limit) {
    using Unit = typename Codec::Unit;
    const KelLength units = unitsBeforeNul<Unit>(src, std::min(dstLen, limit));
    UnitWriter out(dst, dstLen);
    State<Codec> state{};
    const Result r = decode(codec, static_cast<const unsigned char*>(src), units * sizeof(Unit),
                            out, on, true, state);
    return finish(dst + r.written, sizeof *dst, r, pIllegal);
}

// fromUTF16 of the converter interface, as decodeTerminated. A set with
// shifts ends the text in its initial state however the conversion ended:
// every character left room for that.
template <class Codec>
KelLength encodeTerminated(const Codec& codec, void* dst, const unsigned short* src,
                           KelLength dstLen, OnProblem on, bool* pIllegal) {
    unsigned char* d = static_cast<unsigned char*>(dst);
    ByteWriter<typename Codec::Unit> out(d, dstLen);
    State<Codec> state{};
    Result r =
        overTerminated(src, KEL_NPOS, [&](KelLength at, KelLength n, bool last, KelLength) {
            return encode(codec, UTF16Source(), src + at, n, out, on, last, state, kImposedMode);
        });
    out.put(finishIn(codec, state));
    r.written = out.written();
    return finish(d + r.written, sizeof(typename Codec::Unit), r, pIllegal);
}

// The bytes of local text before its NUL character, of which `srcLen` bytes
// may be read.
template <class Codec> KelLength terminatedBytes(const void* src, KelLength srcLen) {
    using Unit = typename Codec::Unit;
    return unitsBeforeNul<Unit>(src, srcLen / sizeof(Unit)) * sizeof(Unit);
}

// getNumUnits of the converter interface: the units toUTF16 writes with
// ILLCHAR_REPLACE for the text before its NUL character within `srcLen`
// bytes.
template <class Codec> KelLength countUnits(const Codec& codec, const void* src, KelLength srcLen) {
    const unsigned char* s = static_cast<const unsigned char*>(src);
    UnitCounter out;
    State<Codec> state{};
    return decode(codec, s, terminatedBytes<Codec>(src, srcLen), out, OnProblem::Replace, true,
                  state)
        .written;
}

// getNumBytes of the converter interface, as countUnits.
template <class Codec>
KelLength countBytes(const Codec& codec, const unsigned short* src, KelLength srcLen) {
    ByteCounter out;
    State<Codec> state{};
    return encode(codec, UTF16Source(), src, unitsBeforeNul<unsigned short>(src, srcLen), out,
                  OnProblem::Replace, true, state, kImposedMode)
        .written;
}

} // namespace codec
} // namespace kel

#endif
