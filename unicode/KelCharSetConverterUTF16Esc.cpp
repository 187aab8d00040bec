#include "KelCharSetConverterUTF16Esc.h"

namespace {

using kel::kEscapeLength;

// The bytes that read as their own unit whatever follows: ASCII but the "U"
// that may begin an escape. The bytes above it read as themselves too, one
// at a time.
constexpr kel::blocks::ASCIIIdentity kPlainBytes{0x7F, {'U', 0, 0}};

// The units written as their own byte.
constexpr kel::blocks::ASCIIIdentity kPlainUnits{0x7F, {0, 0, 0}};

// Whether the `avail` bytes at p, fewer than an escape, are how one begins.
bool beginsEscape(const unsigned char* p, KelLength avail) {
    if (avail >= kEscapeLength)
        return false;
    const char head[] = "U+";
    for (KelLength i = 0; i < avail; ++i) {
        if (i < 2 ? p[i] != head[i] : !kel::valid(p[i]))
            return false;
    }
    return true;
}

} // namespace

// Nothing is malformed and every unit has a form. An escape that the end of
// the input may cut off is only known to be its first byte once the input
// ends, so that text split anywhere reads as it does whole.
class KelCharSetConverterUTF16Esc::Codec {
public:
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;

    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room) const {
        const KelLength done = kel::blocks::widenASCII(kPlainBytes, s, n, d, room);
        return {done, done};
    }

    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        unsigned short unit = 0;
        if (kel::readEscape(p, avail, unit))
            return kel::codec::character(kEscapeLength, unit);
        return {1, p[0], true, beginsEscape(p, avail), false};
    }

    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room) const {
        const KelLength done = kel::blocks::narrowASCII(kPlainUnits, s, n, d, room);
        return {done, done};
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength) const {
        if (p[0] <= 0x7F)
            return {1, p[0], p[0], 1, false};
        unsigned char escape[kEscapeLength];
        kel::writeEscape(escape, p[0]);
        return {1, p[0], kel::codec::packBytes(escape, kEscapeLength), kEscapeLength, false};
    }
};

KelCharSetConverterUTF16Esc::Codec KelCharSetConverterUTF16Esc::codec() const {
    return Codec();
}

template class KelCodecConverter<KelCharSetConverterUTF16Esc>;
