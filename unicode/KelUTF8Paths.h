#ifndef KELUTF8PATHS_H
#define KELUTF8PATHS_H

// Conversions between a set's local text and UTF-8 with no UTF-16 text in
// between, and the whole characters of the stream API: the driver's loops
// with UTF-8 on the other side, or with each surrogate pair read as the one
// character it spells. What these paths write as UTF-8 is standard: a
// surrogate without its partner is malformed there. Internal to the
// library.

#include "KelCodecDriver.h"
#include "KelUTF8Codec.h"

namespace kel {
namespace codec {

// The most UTF-16 units that a fast block of these paths holds between a
// codec's fast member and the UTF-8 kernel: on the stack, small enough to
// stay in the first-level cache between the two, and large enough that the
// kernels' scalar tail at the end of a block costs little (512 units made
// encoding from UTF-8 up to 40 % slower).
constexpr KelLength kUnitBlock = 2048;

// Bytes of UTF-8 that one UTF-16 unit becomes, at most.
constexpr KelLength kUTF8BytesPerUnit = 3;

// The units of a block in front of its first surrogate without its partner,
// which these paths take as malformed. The fast members never end a block
// on a high surrogate, so one found last is lone.
inline KelLength beforeLoneSurrogate(const unsigned short* u, KelLength n) {
    // Spans of a fixed size without any surrogate first, a test that the
    // compiler turns into vector instructions.
    constexpr KelLength kSpan = 32;
    KelLength i = 0;
    for (; n - i >= kSpan; i += kSpan) {
        unsigned found = 0;
        for (KelLength k = 0; k < kSpan; ++k)
            found |= (u[i + k] & 0xF800) == 0xD800;
        if (found != 0)
            break;
    }
    for (; i < n; ++i) {
        if (!isSurrogateValue(u[i]))
            continue;
        if (!isHighSurrogate(u[i]) || i + 1 == n || !isLowSurrogate(u[i + 1]))
            return i;
        ++i;
    }
    return n;
}

// The bytes of UTF-8 that the UTF-8 kernel read as `units` units: its
// characters are whole, and the lead byte gives each one's length.
inline KelLength bytesOfUnits(const unsigned char* s, KelLength units) {
    KelLength at = 0;
    for (KelLength done = 0; done < units;) {
        const KelLength length = utf8::announcedLength(s[at]);
        at += length;
        done += length == 4 ? 2 : 1;
    }
    return at;
}

// Whether a codec's fast member may write a surrogate without its partner:
// one that reads surrogates as units of their own (UTF-16, UTF-32, the
// JVM's UTF-8).
template <class Codec, class = void> struct WritesLoneSurrogates : std::false_type {};
template <class Codec>
struct WritesLoneSurrogates<Codec, std::void_t<decltype(Codec::kWritesLoneSurrogates)>>
    : std::bool_constant<Codec::kWritesLoneSurrogates> {};

// Whether a codec gives the units of a surrogate pair one at a time.
template <class Codec, class = void> struct SurrogatesApart : std::false_type {};
template <class Codec>
struct SurrogatesApart<Codec, std::void_t<decltype(Codec::kSurrogatesApart)>>
    : std::bool_constant<Codec::kSurrogatesApart> {};

// Decoded characters go to the caller's buffer as UTF-8, each one whole or
// not at all. The codecs' fast members write UTF-16 into a block of
// scratch units, which are then written out as UTF-8; the block is kept
// small enough that all of it fits.
class UTF8Writer : public Room<unsigned char> {
public:
    UTF8Writer(unsigned char* d, KelLength room, unsigned short* scratch)
        : Room(d, room), m_scratch(scratch) {}
    unsigned short* fastOut() { return m_scratch; }
    KelLength fastRoom() const { return std::min(kUnitBlock, room() / kUTF8BytesPerUnit); }
    // The kernel may leave a tail (all of the block below the vector
    // levels), which holds only whole characters.
    void advance(KelLength units) {
        const blocks::Progress p = blocks::encodeUTF8(m_scratch, units, m_d + m_written, room());
        m_written += p.written;
        for (KelLength i = p.read; i < units;) {
            const CodePoint c = codePointAt(m_scratch + i, units - i);
            m_written += utf8::encode(m_d + m_written, room(), c.value);
            i += c.units;
        }
    }
    bool fits(std::uint32_t value, std::uint32_t second = 0) const {
        return room() >= utf8::encodedLength(value) + (second != 0 ? utf8::encodedLength(second) : 0);
    }
    void put(std::uint32_t value, KelLength) {
        m_written += utf8::encode(m_d + m_written, room(), value);
    }

private:
    unsigned short* m_scratch;
};

// UTF-8 as the library's UTF-8 converter reads it, the JVM's forms included.
struct UTF8Reading {
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;
    SourceChar decode(const unsigned char* p, KelLength avail) const {
        const utf8::Sequence seq = utf8::decode<utf8::Reading::Jvm>(p, avail);
        return {seq.length, seq.value, !seq.malformed, seq.cut, false};
    }
    blocks::Progress fastDecode(const unsigned char*, KelLength, unsigned short*,
                                KelLength) const {
        return {0, 0};
    }
};

// What a surrogate without its partner is where pairs are joined: the unit
// itself, as the UTF-16 and UTF-32 sets spell it, or malformed, as UTF-8
// has no form for it.
enum class LoneSurrogate { Kept, Malformed };

// A codec read with each surrogate pair as one character: the UTF-16 and
// UTF-32 forms, escaped UTF-16 and the JVM's UTF-8 give surrogates one at a
// time. A high surrogate at the end of the input is cut, since more input
// may bring its partner. The fast member is the codec's own, which never
// ends on a high surrogate.
template <class Codec, LoneSurrogate Lone> class JoinedPairs {
public:
    using Unit = typename Codec::Unit;
    using State = codec::State<Codec>;
    static constexpr KelLength kFastRetry = Codec::kFastRetry;
    static constexpr bool kFastInState = FastInState<Codec>::value;

    explicit JoinedPairs(const Codec& codec) : m_codec(codec) {}

    // Where a surrogate without its partner is malformed, a block that
    // holds one is converted again up to it, which the loop then reads.
    template <class... Shift>
    blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                KelLength room, Shift&... shift) const {
        if constexpr (Lone == LoneSurrogate::Malformed && WritesLoneSurrogates<Codec>::value) {
            static_assert(sizeof...(Shift) == 0, "codecs with state write no surrogates");
            const blocks::Progress p = m_codec.fastDecode(s, n, d, room);
            const KelLength whole = beforeLoneSurrogate(d, p.written);
            return whole == p.written ? p : m_codec.fastDecode(s, n, d, whole);
        } else {
            return m_codec.fastDecode(s, n, d, room, shift...);
        }
    }

    // With the stream's state for a codec that has one.
    template <class... Shift>
    SourceChar decode(const unsigned char* p, KelLength avail, Shift&... shift) const {
        if constexpr (sizeof...(Shift) == 0) {
            State none{};
            return decodePair(p, avail, none);
        } else {
            return decodePair(p, avail, shift...);
        }
    }

    TargetChar finish(State& state) const { return finishIn(m_codec, state); }

private:
    static SourceChar lone(const SourceChar& c, bool cut) {
        if (Lone == LoneSurrogate::Kept)
            return {c.length, c.value, true, cut, false};
        return noCharacter(c.length, cut);
    }

    SourceChar decodePair(const unsigned char* p, KelLength avail, State& state) const {
        const SourceChar first = sourceChar(m_codec, p, 0, avail, state);
        if (!first.valid || first.silent || !isSurrogateValue(first.value))
            return first;
        if (isLowSurrogate(first.value))
            return lone(first, false);
        if (first.cut || first.length == avail)
            return lone(first, true);
        State after = state;
        const SourceChar second = sourceChar(m_codec, p, first.length, avail, after);
        if (!second.valid || second.silent || !isLowSurrogate(second.value))
            return lone(first, second.cut);
        state = after;
        return character(first.length + second.length,
                         KelUChar::toUTF32(static_cast<unsigned short>(first.value),
                                           static_cast<unsigned short>(second.value)));
    }

    Codec m_codec;
};

// UTF-8 as an encoder's source: each character as its UTF-16 units, a
// malformed one (a surrogate without its partner included) as U+FFFD.
struct UTF8Source {
    using Unit = unsigned char;
    static constexpr bool kFast = false;
    static constexpr bool kBlocks = true;

    // A codec's fast member (`encodeUnits`, its signature) over the text's
    // simple characters, made UTF-16
    // a block at a time by the UTF-8 kernel: as many as the member may take
    // without running out of room, so that it stops only in front of a
    // character, which the loop then reads. A lone surrogate (the JVM's
    // form, which the kernel reads as its unit) ends a block, as this source
    // makes it malformed.
    template <class EncodeUnits>
    blocks::Progress fastEncode(const EncodeUnits& encodeUnits, const unsigned char* s,
                                KelLength n, unsigned char* d, KelLength room) const {
        // Blocks grow from a small one, so that text whose runs are short
        // does not make UTF-16 of much more than the member takes.
        blocks::Progress done{0, 0};
        for (KelLength size = kFirstBlock;; size = std::min(4 * size, kUnitBlock)) {
            const Block b = encodeBlock(encodeUnits, s + done.read, n - done.read, d + done.written,
                                        room - done.written, size);
            done.read += b.progress.read;
            done.written += b.progress.written;
            if (!b.full || done.read == n)
                return done;
        }
    }

    SourceUnits at(const unsigned char* s, KelLength at, KelLength len) const {
        const JoinedPairs<UTF8Reading, LoneSurrogate::Malformed> reading{UTF8Reading()};
        NoState none;
        const SourceChar c = sourceChar(reading, s, at, len, none);
        SourceUnits u{{kReplacementUnit, 0}, 1, c.length, c.valid, c.cut};
        if (c.valid && c.value > 0xFFFF) {
            KelUChar::toSurrogatePair(c.value, u.units[0], u.units[1]);
            u.n = 2;
        } else if (c.valid) {
            u.units[0] = static_cast<unsigned short>(c.value);
        }
        return u;
    }

private:
    // A block that went whole, ended by its size rather than by the text.
    struct Block {
        blocks::Progress progress;
        bool full;
    };

    static constexpr KelLength kFirstBlock = 4;

    template <class EncodeUnits>
    static Block encodeBlock(const EncodeUnits& encodeUnits, const unsigned char* s, KelLength n,
                             unsigned char* d, KelLength room, KelLength size) {
        unsigned short units[kUnitBlock];
        const KelLength most = std::min(size, room / kMostBytesPerUnit);
        const blocks::Progress in = blocks::decodeUTF8(s, n, units, most);
        KelLength count = in.written;
        if (std::memchr(s, 0xED, in.read) != nullptr)
            count = beforeLoneSurrogate(units, count);
        const blocks::Progress out = encodeUnits(units, count, d, room);
        if (out.read != in.written)
            return {{bytesOfUnits(s, out.read), out.written}, false};
        // Room for less than a pair ends a block that the text did not end.
        return {{in.read, out.written}, in.read != 0 && most - in.written < 2};
    }
};

// decodeCounted of the converter interface: the stream API writes a
// surrogate pair whole and gives both its units the pair's position.
template <class Codec>
Result decodeWhole(const Codec& codec, const void* src, KelLength srcLen, unsigned short* dst,
                   KelLength dstLen, OnProblem on, bool last, KelLength* offsets,
                   KelCodecState* stream) {
    if constexpr (SurrogatesApart<Codec>::value)
        return decodeCounted(JoinedPairs<Codec, LoneSurrogate::Kept>(codec), src, srcLen, dst,
                             dstLen, on, last, offsets, stream);
    else
        return decodeCounted(codec, src, srcLen, dst, dstLen, on, last, offsets, stream);
}

// The counted operations between local text and UTF-8 of the converter
// interface; null pointers as for decodeCounted and encodeCounted.
template <class Codec>
Result decodeCountedToUTF8(const Codec& codec, const void* src, KelLength srcLen,
                           unsigned char* dst, KelLength dstLen, OnProblem on, bool last,
                           KelCodecState* stream) {
    const JoinedPairs<Codec, LoneSurrogate::Malformed> joined(codec);
    unsigned short scratch[kUnitBlock];
    UTF8Writer out(dst, dst == nullptr ? 0 : dstLen, scratch);
    State<Codec> state = stateOf<Codec>(stream);
    const Result r = decode(joined, static_cast<const unsigned char*>(src),
                            src == nullptr ? 0 : srcLen, out, on, last, state);
    keepState<Codec>(state, stream);
    return r;
}

} // namespace codec
} // namespace kel

#endif
