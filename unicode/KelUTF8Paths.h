#ifndef KELUTF8PATHS_H
#define KELUTF8PATHS_H

// Conversions between a set's local text and UTF-8 with no UTF-16 text in
// between: the driver's loops with UTF-8 on the other side. A surrogate pair
// of either side is the one character it spells, and a surrogate without its
// partner is malformed, so that what these paths write is standard UTF-8.
// Internal to the library.

#include "KelCodecDriver.h"
#include "KelUTF8Codec.h"

namespace kel {
namespace codec {

// Decoded characters go to the caller's buffer as UTF-8, each one whole or
// not at all. The codecs' fast members write UTF-16, which this sink does
// not take, so the loop converts every character itself.
class UTF8Writer {
public:
    UTF8Writer(unsigned char* d, KelLength room) : m_d(d), m_room(room) {}
    KelLength room() const { return m_room - m_written; }
    unsigned short* fastOut() { return nullptr; }
    KelLength fastRoom() const { return 0; }
    void advance(KelLength) {}
    bool fits(std::uint32_t value) const { return room() >= utf8::encodedLength(value); }
    void put(std::uint32_t value, KelLength) {
        m_written += utf8::encode(m_d + m_written, room(), value);
    }
    KelLength written() const { return m_written; }

private:
    unsigned char* m_d;
    KelLength m_room;
    KelLength m_written = 0;
};

// UTF-8 as the library's UTF-8 converter reads it, the JVM's forms included.
struct UTF8Reading {
    using Unit = unsigned char;
    SourceChar decode(const unsigned char* p, KelLength avail) const {
        const utf8::Sequence seq = utf8::decode<utf8::Reading::Jvm>(p, avail);
        return {seq.length, seq.value, !seq.malformed, seq.cut};
    }
};

inline bool isHighSurrogate(std::uint32_t v) {
    return v >= 0xD800 && v <= 0xDBFF;
}

inline bool isLowSurrogate(std::uint32_t v) {
    return v >= 0xDC00 && v <= 0xDFFF;
}

// The UTF-16 units of a value: one, or a surrogate pair.
inline KelLength utf16Form(std::uint32_t value, unsigned short (&units)[2]) {
    if (value > 0xFFFF) {
        KelUChar::toSurrogatePair(value, units[0], units[1]);
        return 2;
    }
    units[0] = static_cast<unsigned short>(value);
    return 1;
}

// A codec read with each surrogate pair as one character: the UTF-16 and
// UTF-32 forms, escaped UTF-16 and the JVM's UTF-8 give surrogates one at a
// time. A high surrogate at the end of the input is cut, since more input
// may bring its partner.
template <class Codec> class JoinedPairs {
public:
    using Unit = typename Codec::Unit;
    static constexpr KelLength kFastRetry = 0;

    explicit JoinedPairs(const Codec& codec) : m_codec(codec) {}

    blocks::Progress fastDecode(const unsigned char*, KelLength, unsigned short*, KelLength) const {
        return {0, 0};
    }

    SourceChar decode(const unsigned char* p, KelLength avail) const {
        const SourceChar first = m_codec.decode(p, avail);
        if (!first.valid || !(isHighSurrogate(first.value) || isLowSurrogate(first.value)))
            return first;
        if (isLowSurrogate(first.value) || first.cut)
            return noCharacter(first.length, first.cut);
        if (first.length == avail)
            return noCharacter(first.length, true);
        const SourceChar second = sourceChar(m_codec, p, first.length, avail);
        if (!second.valid || !isLowSurrogate(second.value) || second.cut)
            return noCharacter(first.length, second.cut);
        return character(first.length + second.length,
                         KelUChar::toUTF32(static_cast<unsigned short>(first.value),
                                           static_cast<unsigned short>(second.value)));
    }

private:
    Codec m_codec;
};

// Encodes `len` bytes of UTF-8 as the library reads it; `last` as for
// encode. A character converts as its UTF-16 form does, but it is one
// problem at most, placed at its bytes; malformed input converts as U+FFFD.
template <class Codec, class Sink>
Result encodeFromUTF8(const Codec& sharedCodec, const unsigned char* s, KelLength len,
                      Sink& sharedOut, OnProblem on, bool last) {
    const Codec codec(sharedCodec);
    const JoinedPairs<UTF8Reading> reading{UTF8Reading()};
    Sink out(sharedOut);
    KelLength read = 0;
    KelLength problems = 0;
    const auto ended = [&](Stop stop, KelLength length) {
        sharedOut = out;
        return Result{stop, read, out.written(), problems, length};
    };
    while (read < len) {
        if (out.room() == 0)
            return ended(Stop::DestinationFull, 0);
        const SourceChar c = sourceChar(reading, s, read, len);
        if (c.cut && !last)
            return ended(Stop::CutOff, c.length);
        if (!c.valid) {
            ++problems;
            if (on == OnProblem::Stop)
                return ended(Stop::Malformed, c.length);
            if (on == OnProblem::Skip) {
                read += c.length;
                continue;
            }
        }
        unsigned short units[2];
        const KelLength n = utf16Form(c.valid ? c.value : kReplacementUnit, units);
        const TargetChar t = targetChar(codec, units, 0, n);
        if (t.size != 0 && t.units == n) {
            if (out.put(t) == 0)
                return ended(Stop::DestinationFull, 0);
            read += c.length;
            continue;
        }
        // A set that takes a pair unit by unit, or that has no code for the
        // character: its UTF-16 form through the whole loop, staged so that
        // the character is written whole or not at all.
        unsigned char staging[2 * kEscapeLength * sizeof(std::uint32_t)];
        ByteWriter<typename Codec::Unit> staged(staging, sizeof staging);
        const Result r = encode(codec, units, n, staged, on, true);
        if (r.stop == Stop::Unmappable) {
            ++problems;
            return ended(Stop::Unmappable, c.length);
        }
        if (r.written > out.room())
            return ended(Stop::DestinationFull, 0);
        if (c.valid && r.problems != 0)
            ++problems;
        std::memcpy(out.fastOut(), staging, r.written);
        out.advance(r.written);
        read += c.length;
    }
    return ended(Stop::EndOfInput, 0);
}

// The counted operations between local text and UTF-8 of the converter
// interface; null pointers as for decodeCounted and encodeCounted.
template <class Codec>
Result decodeCountedToUTF8(const Codec& codec, const void* src, KelLength srcLen,
                           unsigned char* dst, KelLength dstLen, OnProblem on, bool last) {
    UTF8Writer out(dst, dst == nullptr ? 0 : dstLen);
    return decode(JoinedPairs<Codec>(codec), static_cast<const unsigned char*>(src),
                  src == nullptr ? 0 : srcLen, out, on, last);
}

template <class Codec>
Result encodeCountedFromUTF8(const Codec& codec, const unsigned char* src, KelLength srcLen,
                             void* dst, KelLength dstLen, OnProblem on, bool last) {
    ByteWriter<typename Codec::Unit> out(static_cast<unsigned char*>(dst),
                                         dst == nullptr ? 0 : dstLen);
    return encodeFromUTF8(codec, src, src == nullptr ? 0 : srcLen, out, on, last);
}

} // namespace codec
} // namespace kel

#endif
