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

// Decoded characters go to the caller's buffer as UTF-8, each one whole or
// not at all. The codecs' fast members write UTF-16, which this sink does
// not take, so the loop converts every character itself.
class UTF8Writer : public Room<unsigned char> {
public:
    using Room::Room;
    unsigned short* fastOut() { return nullptr; }
    KelLength fastRoom() const { return 0; }
    bool fits(std::uint32_t value, std::uint32_t second = 0) const {
        return room() >= utf8::encodedLength(value) + (second != 0 ? utf8::encodedLength(second) : 0);
    }
    void put(std::uint32_t value, KelLength) {
        m_written += utf8::encode(m_d + m_written, room(), value);
    }
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

    explicit JoinedPairs(const Codec& codec) : m_codec(codec) {}

    blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                KelLength room) const {
        return m_codec.fastDecode(s, n, d, room);
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
};

// Whether a codec gives the units of a surrogate pair one at a time.
template <class Codec, class = void> struct SurrogatesApart : std::false_type {};
template <class Codec>
struct SurrogatesApart<Codec, std::void_t<decltype(Codec::kSurrogatesApart)>>
    : std::bool_constant<Codec::kSurrogatesApart> {};

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
    UTF8Writer out(dst, dst == nullptr ? 0 : dstLen);
    State<Codec> state = stateOf<Codec>(stream);
    const Result r = decode(joined, static_cast<const unsigned char*>(src),
                            src == nullptr ? 0 : srcLen, out, on, last, state);
    keepState<Codec>(state, stream);
    return r;
}

} // namespace codec
} // namespace kel

#endif
