#ifndef KELCODECDRIVER_H
#define KELCODECDRIVER_H

// The one loop of every conversion between local text and UTF-16. A
// converter describes its encoding one character at a time through a codec;
// the loop here does the rest: counted input, room, substitutes, problems
// and the result that says what stopped it and where. The NUL-terminated
// operations of the converter interface are adapters over it, so counting
// and converting never disagree. Internal to the library.
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
// max(1, kFastRetry) units itself before it asks them again.

#include "KelConversion.h"
#include "KelConverterHelpers.h"
#include "KelTextBlocks.h"

#include <algorithm>
#include <cstring>

namespace kel {
namespace codec {

using Stop = KelStop;
using Result = KelConversionResult;
using OnProblem = KelOnProblem;

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

// One character of local text: the units it spans and its Unicode scalar
// value; one without a value (malformed, or without a mapping) becomes
// U+FFFD. `cut`: the input ended inside it, and more input could make it
// another character.
struct SourceChar {
    KelLength length;
    std::uint32_t value;
    bool valid;
    bool cut;
};

inline SourceChar character(KelLength length, std::uint32_t value) {
    return {length, value, true, false};
}

inline SourceChar noCharacter(KelLength length, bool cut = false) {
    return {length, 0, false, cut};
}

// A table's answer, in which 0 means no mapping.
inline SourceChar mapped(KelLength length, std::uint32_t value) {
    return {length, value, value != 0, false};
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

inline KelLength utf16Units(std::uint32_t value) {
    return value > 0xFFFF ? 2 : 1;
}

// Decoded units go to the caller's buffer ...
class UnitWriter {
public:
    UnitWriter(unsigned short* d, KelLength room) : m_d(d), m_room(room) {}
    KelLength room() const { return m_room - m_written; }
    unsigned short* fastOut() { return m_d + m_written; }
    KelLength fastRoom() const { return room(); }
    void advance(KelLength n) { m_written += n; }
    bool fits(std::uint32_t value) const { return room() >= utf16Units(value); }
    void put(std::uint32_t value, KelLength) {
        if (value > 0xFFFF) {
            KelUChar::toSurrogatePair(value, m_d[m_written], m_d[m_written + 1]);
            m_written += 2;
        } else {
            m_d[m_written++] = static_cast<unsigned short>(value);
        }
    }
    KelLength written() const { return m_written; }

private:
    unsigned short* m_d;
    KelLength m_room;
    KelLength m_written = 0;
};

// ... with the offset of the source character of each unit, for which the
// fast paths, which convert blocks, stand aside ...
class OffsetUnitWriter : public UnitWriter {
public:
    OffsetUnitWriter(unsigned short* d, KelLength room, KelLength* offsets)
        : UnitWriter(d, room), m_offsets(offsets) {}
    KelLength fastRoom() const { return 0; }
    void put(std::uint32_t value, KelLength at) {
        std::fill(m_offsets + written(), m_offsets + written() + utf16Units(value), at);
        UnitWriter::put(value, at);
    }

private:
    KelLength* m_offsets;
};

// ... or are only counted, the fast paths writing into scratch space.
class UnitCounter {
public:
    KelLength room() const { return KEL_NPOS - m_written; }
    unsigned short* fastOut() { return m_scratch; }
    KelLength fastRoom() const { return kScratch; }
    void advance(KelLength n) { m_written += n; }
    bool fits(std::uint32_t) const { return true; }
    void put(std::uint32_t value, KelLength) { m_written += utf16Units(value); }
    KelLength written() const { return m_written; }

private:
    static constexpr KelLength kScratch = 256;
    unsigned short m_scratch[kScratch];
    KelLength m_written = 0;
};

// Encoded bytes go to the caller's buffer, whole units of the target
// (Unit) only, in which substitutes are written too ...
template <class Unit> class ByteWriter {
public:
    ByteWriter(unsigned char* d, KelLength room) : m_d(d), m_room(room - room % sizeof(Unit)) {}
    KelLength room() const { return m_room - m_written; }
    unsigned char* fastOut() { return m_d + m_written; }
    KelLength fastRoom() const { return room(); }
    void advance(KelLength n) { m_written += n; }
    // The bytes written, 0 when they do not fit.
    KelLength put(const TargetChar& c) {
        if (c.size > room())
            return 0;
        for (KelLength i = 0; i < c.size; ++i)
            m_d[m_written + i] = static_cast<unsigned char>(c.bytes >> (8 * (c.size - 1 - i)));
        m_written += c.size;
        return c.size;
    }
    KelLength substitute(std::uint32_t value, OnProblem on) {
        // Room for the escapes of both surrogates of a supplementary character.
        Unit units[2 * kEscapeLength];
        const KelLength n =
            writeSubstitute(units, std::min<KelLength>(room() / sizeof(Unit), 2 * kEscapeLength),
                            value, on == OnProblem::Escape ? ILLCHAR_ESCAPE : ILLCHAR_REPLACE);
        std::memcpy(m_d + m_written, units, n * sizeof(Unit));
        m_written += n * sizeof(Unit);
        return n * sizeof(Unit);
    }
    KelLength written() const { return m_written; }

private:
    unsigned char* m_d;
    KelLength m_room;
    KelLength m_written = 0;
};

// ... or are only counted, as written with OnProblem::Replace.
template <class Unit> class ByteCounter {
public:
    KelLength room() const { return KEL_NPOS - m_written; }
    unsigned char* fastOut() { return m_scratch; }
    KelLength fastRoom() const { return kScratch; }
    void advance(KelLength n) { m_written += n; }
    KelLength put(const TargetChar& c) {
        m_written += c.size;
        return c.size;
    }
    KelLength substitute(std::uint32_t, OnProblem) {
        m_written += sizeof(Unit);
        return sizeof(Unit);
    }
    KelLength written() const { return m_written; }

private:
    static constexpr KelLength kScratch = 768;
    unsigned char m_scratch[kScratch];
    KelLength m_written = 0;
};

// Runs a codec's fast member when its turn has come, over the units from
// `read` to `end`; true when it moved on.
template <class Fast, class Sink>
bool fastStep(Fast fast, KelLength retry, KelLength end, Sink& out, KelLength& read,
              KelLength& fastFrom) {
    if (read < fastFrom || out.fastRoom() == 0)
        return false;
    const blocks::Progress p = fast(read, end - read, out.fastOut(), out.fastRoom());
    read += p.read;
    out.advance(p.written);
    fastFrom = read + std::max<KelLength>(1, retry);
    return p.read != 0;
}

// A codec whose code unit is a byte leaves the NUL byte to the loops.
template <class Codec> constexpr bool kByteUnits = sizeof(typename Codec::Unit) == 1;

// The character at s[at]: U+0000 for the NUL byte of a byte-unit codec,
// which its decode need not know.
template <class Codec>
inline SourceChar sourceChar(const Codec& codec, const unsigned char* s, KelLength at,
                             KelLength len) {
    if (kByteUnits<Codec> && s[at] == 0)
        return character(1, 0);
    return codec.decode(s + at, len - at);
}

template <class Codec>
inline TargetChar targetChar(const Codec& codec, const unsigned short* s, KelLength at,
                             KelLength len) {
    if (kByteUnits<Codec> && s[at] == 0)
        return {1, 0, 0, 1, false};
    return codec.encode(s + at, len - at);
}

// Decodes local text of `len` bytes, NUL characters included.
// `last`: the input ends here, so a character cut off by its end is one
// malformed character; otherwise it is left for the next call (CutOff).
// Ends once `stopAfter` bytes are read, after the character that reaches it.
// The codec, the sink and the counts are the loop's own copies until the
// end, so that the compiler may keep them in registers across the calls of
// the fast paths.
template <class Codec, class Sink>
Result decode(const Codec& sharedCodec, const unsigned char* s, KelLength len, Sink& sharedOut,
              OnProblem on, bool last, KelLength stopAfter = KEL_NPOS) {
    const Codec codec(sharedCodec);
    Sink out(sharedOut);
    const KelLength fastEnd = std::min(len, stopAfter);
    KelLength read = 0;
    KelLength problems = 0;
    KelLength fastFrom = 0;
    const auto ended = [&](Stop stop, KelLength length) {
        sharedOut = out;
        return Result{stop, read, out.written(), problems, length};
    };
    while (read < fastEnd) {
        if (out.room() == 0)
            return ended(Stop::DestinationFull, 0);
        // The fast member stops at the source limit; a character the loop
        // reads itself may reach past it.
        const auto fast = [&](KelLength at, KelLength n, unsigned short* d, KelLength room) {
            return codec.fastDecode(s + at, n, d, room);
        };
        if (fastStep(fast, Codec::kFastRetry, fastEnd, out, read, fastFrom))
            continue;
        const SourceChar c = sourceChar(codec, s, read, len);
        if (c.cut && !last)
            return ended(Stop::CutOff, c.length);
        std::uint32_t value = c.value;
        if (!c.valid) {
            ++problems;
            if (on == OnProblem::Stop)
                return ended(Stop::Malformed, c.length);
            if (on == OnProblem::Skip) {
                read += c.length;
                continue;
            }
            value = kReplacementUnit;
        }
        if (!out.fits(value))
            return ended(Stop::DestinationFull, 0);
        out.put(value, read);
        read += c.length;
    }
    return ended(Stop::EndOfInput, 0);
}

// Encodes `len` UTF-16 units, 0 units included (each is the target's NUL
// character); `last` as for decode.
template <class Codec, class Sink>
Result encode(const Codec& sharedCodec, const unsigned short* s, KelLength len, Sink& sharedOut,
              OnProblem on, bool last) {
    const Codec codec(sharedCodec);
    Sink out(sharedOut);
    KelLength read = 0;
    KelLength problems = 0;
    KelLength fastFrom = 0;
    const auto ended = [&](Stop stop, KelLength length) {
        sharedOut = out;
        return Result{stop, read, out.written(), problems, length};
    };
    while (read < len) {
        if (out.room() == 0)
            return ended(Stop::DestinationFull, 0);
        const auto fast = [&](KelLength at, KelLength n, unsigned char* d, KelLength room) {
            return codec.fastEncode(s + at, n, d, room);
        };
        if (fastStep(fast, Codec::kFastRetry, len, out, read, fastFrom))
            continue;
        const TargetChar c = targetChar(codec, s, read, len);
        if (c.cut && !last)
            return ended(Stop::CutOff, c.units);
        if (c.size == 0) {
            ++problems;
            if (on == OnProblem::Stop)
                return ended(Stop::Unmappable, c.units);
            if (on == OnProblem::Skip) {
                read += c.units;
                continue;
            }
        }
        if ((c.size != 0 ? out.put(c) : out.substitute(c.value, on)) == 0)
            return ended(Stop::DestinationFull, 0);
        read += c.units;
    }
    return ended(Stop::EndOfInput, 0);
}

// The counted operations of the converter interface. A null source reads
// as empty, a null destination as one without room.
template <class Codec>
Result decodeCounted(const Codec& codec, const void* src, KelLength srcLen, unsigned short* dst,
                     KelLength dstLen, OnProblem on, bool last, KelLength* offsets) {
    const unsigned char* s = static_cast<const unsigned char*>(src);
    const KelLength len = src == nullptr ? 0 : srcLen;
    const KelLength room = dst == nullptr ? 0 : dstLen;
    if (offsets != nullptr) {
        OffsetUnitWriter out(dst, room, offsets);
        return decode(codec, s, len, out, on, last);
    }
    UnitWriter out(dst, room);
    return decode(codec, s, len, out, on, last);
}

template <class Codec>
Result encodeCounted(const Codec& codec, const unsigned short* src, KelLength srcLen, void* dst,
                     KelLength dstLen, OnProblem on, bool last) {
    ByteWriter<typename Codec::Unit> out(static_cast<unsigned char*>(dst),
                                         dst == nullptr ? 0 : dstLen);
    return encode(codec, src, src == nullptr ? 0 : srcLen, out, on, last);
}

// The NUL-terminated forms of the converter interface. The text is found a
// chunk at a time (blocks::TextRun), so that a short conversion of a long
// text does not scan all of it; each chunk is counted input, and a character
// that a chunk's end cuts off is read again with the next chunk.
template <class Unit, class Convert>
Result overTerminated(const Unit* s, KelLength limit, Convert convert) {
    blocks::TextRun<Unit> run(s);
    Result total{Stop::EndOfInput, 0, 0, 0, 0};
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
    const KelLength limit = srcLimit > 0 ? static_cast<KelLength>(srcLimit) : KEL_NPOS;
    const Result r =
        overTerminated(s, limit, [&](KelLength at, KelLength n, bool last, KelLength left) {
            return decode(codec, s + at, n, out, on, last, left);
        });
    return finish(dst + r.written, sizeof *dst, r, pIllegal);
}

// The units of local text of wide units, at any alignment, before its first
// zero unit; no more than `max` are read.
template <class Unit> KelLength wideLength(const void* src, KelLength max) {
    KelLength n = 0;
    while (n < max && loadUnit<Unit>(src, n) != 0)
        ++n;
    return n;
}

// toUTF16 for a codec of wide units, at most `limit` of which are read. Each
// gives one UTF-16 unit at least, so no more than `dstLen` of them can
// convert: the text is found within that bound first and then converted as
// counted input.
template <class Codec>
KelLength decodeWideTerminated(const Codec& codec, unsigned short* dst, const void* src,
                               KelLength dstLen, OnProblem on, bool* pIllegal, KelLength limit) {
    using Unit = typename Codec::Unit;
    const KelLength units = wideLength<Unit>(src, std::min(dstLen, limit));
    UnitWriter out(dst, dstLen);
    const Result r =
        decode(codec, static_cast<const unsigned char*>(src), units * sizeof(Unit), out, on, true);
    return finish(dst + r.written, sizeof *dst, r, pIllegal);
}

// fromUTF16 of the converter interface, as decodeTerminated.
template <class Codec>
KelLength encodeTerminated(const Codec& codec, void* dst, const unsigned short* src,
                           KelLength dstLen, OnProblem on, bool* pIllegal) {
    unsigned char* d = static_cast<unsigned char*>(dst);
    ByteWriter<typename Codec::Unit> out(d, dstLen);
    const Result r =
        overTerminated(src, KEL_NPOS, [&](KelLength at, KelLength n, bool last, KelLength) {
            return encode(codec, src + at, n, out, on, last);
        });
    return finish(d + r.written, sizeof(typename Codec::Unit), r, pIllegal);
}

// The bytes of local text before its NUL character, of which `srcLen` bytes
// may be read.
template <class Codec> KelLength terminatedBytes(const void* src, KelLength srcLen) {
    using Unit = typename Codec::Unit;
    if constexpr (kByteUnits<Codec>)
        return ::strnlen(static_cast<const char*>(src), srcLen);
    else
        return wideLength<Unit>(src, srcLen / sizeof(Unit)) * sizeof(Unit);
}

// getNumUnits of the converter interface: the units toUTF16 writes with
// ILLCHAR_REPLACE for the text before its NUL character within `srcLen`
// bytes.
template <class Codec> KelLength countUnits(const Codec& codec, const void* src, KelLength srcLen) {
    const unsigned char* s = static_cast<const unsigned char*>(src);
    UnitCounter out;
    return decode(codec, s, terminatedBytes<Codec>(src, srcLen), out, OnProblem::Replace, true)
        .written;
}

// getNumBytes of the converter interface, as countUnits.
template <class Codec>
KelLength countBytes(const Codec& codec, const unsigned short* src, KelLength srcLen) {
    ByteCounter<typename Codec::Unit> out;
    return encode(codec, src, terminatedLength(src, srcLen), out, OnProblem::Replace, true).written;
}

} // namespace codec
} // namespace kel

#endif
