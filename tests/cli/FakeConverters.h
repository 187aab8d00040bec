#ifndef KELCONV_TESTS_FAKECONVERTERS_H
#define KELCONV_TESTS_FAKECONVERTERS_H

#include "../InertConverter.h"

#include "KelCodecDriver.h"

// Small converters with the behaviours of the library's families, so that
// the tool's logic is tested whatever the registry provides. They describe
// their characters to the library's loop, which gives them the counted
// operations the tool uses; the others stay inert.

namespace fake {

namespace codec = kel::codec;

// A codec without fast paths, over byte units.
struct ByteCodec {
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;

    kel::blocks::Progress fastDecode(const unsigned char*, KelLength, unsigned short*,
                                     KelLength) const {
        return {0, 0};
    }
    kel::blocks::Progress fastEncode(const unsigned short*, KelLength, unsigned char*,
                                     KelLength) const {
        return {0, 0};
    }
};

// A character without a local code. Like the library's single-byte
// converters, the fakes encode a unit at a time, a surrogate pair too.
inline codec::TargetChar unmapped(const unsigned short* p) {
    return {1, *p, 0, 0, false};
}

inline codec::TargetChar oneByte(std::uint32_t value, unsigned char byte) {
    return {1, value, byte, 1, false};
}

// One byte per character; only ASCII maps.
struct AsciiCodec : ByteCodec {
    static constexpr KelCharSet kCharSet = KELCS_ISO_8859_1;
    static constexpr KelLength kMaxBytes = 1;

    codec::SourceChar decode(const unsigned char* p, KelLength) const {
        return *p < 0x80 ? codec::character(1, *p) : codec::noCharacter(1);
    }
    codec::TargetChar encode(const unsigned short* p, KelLength) const {
        return *p < 0x80 ? oneByte(*p, static_cast<unsigned char>(*p)) : unmapped(p);
    }
};

// A lead/trail double-byte set: leads 0x81 to 0x9F, trails 0x40 to 0xFC;
// a pair maps to U+4E00 + (lead - 0x81) * 256 + trail, except trail 0x7E
// ("~" on its own), which has no mapping. A lead without a trail is one
// malformed byte.
struct DoubleByteCodec : ByteCodec {
    static constexpr KelCharSet kCharSet = KELCS_WCP932;
    static constexpr KelLength kMaxBytes = 2;
    static constexpr unsigned char kUnmappedTrail = 0x7E;
    static constexpr unsigned short kFirst = 0x4E00;
    static bool isLead(unsigned b) { return b >= 0x81 && b <= 0x9F; }
    static bool isTrail(unsigned b) { return b >= 0x40 && b <= 0xFC; }

    codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        if (!isLead(p[0]))
            return p[0] < 0x80 ? codec::character(1, p[0]) : codec::noCharacter(1);
        if (avail < 2)
            return codec::noCharacter(1, true);
        if (!isTrail(p[1]))
            return codec::noCharacter(1);
        if (p[1] == kUnmappedTrail)
            return codec::noCharacter(2);
        return codec::character(2, kFirst + (p[0] - 0x81u) * 256 + p[1]);
    }
    codec::TargetChar encode(const unsigned short* p, KelLength) const {
        if (*p < 0x80)
            return oneByte(*p, static_cast<unsigned char>(*p));
        const unsigned code = *p - unsigned{kFirst};
        const unsigned trail = code & 0xFF;
        if (*p < kFirst || code >= 31u * 256 || !isTrail(trail) || trail == kUnmappedTrail)
            return unmapped(p);
        return {1, *p, (0x81 + (code >> 8)) << 8 | trail, 2, false};
    }
};

template <class Codec> class Converter : public keltest::InertConverter<KelCharSetConverter> {
public:
    Converter() : InertConverter(Codec::kCharSet) {}

    KelConversionResult decodeCounted(const void* src, KelLength srcLen, unsigned short* dst,
                                      KelLength dstLen, KelOnProblem on, bool last,
                                      KelLength* offsets, KelCodecState* state) override {
        return codec::decodeCounted(Codec{}, src, srcLen, dst, dstLen, on, last, offsets, state);
    }
    KelConversionResult encodeCounted(const unsigned short* src, KelLength srcLen, void* dst,
                                      KelLength dstLen, KelOnProblem on, bool last,
                                      KelCodecState* state) override {
        return codec::encodeCounted(Codec{}, codec::UTF16Source(), src, srcLen, dst, dstLen, on,
                                    last, state);
    }
    KelConversionResult encodeSubstitute(std::uint32_t value, KelOnProblem on, void* dst,
                                         KelLength dstLen, KelCodecState* state) override {
        return codec::encodeSubstitute(Codec{}, value, on, dst, dstLen, state);
    }
    KelLength getMaxUnitSize() const override { return Codec::kMaxBytes; }
};

} // namespace fake

using FakeAsciiConverter = fake::Converter<fake::AsciiCodec>;
using FakeDoubleByteConverter = fake::Converter<fake::DoubleByteCodec>;

#endif
