#ifndef KELUCHAR_H
#define KELUCHAR_H

// Character properties of UTF-16 units and the surrogate arithmetic that the
// converters share.
class KelUChar {
public:
    static constexpr unsigned int UTF16_MAX = 0xFFFF;
    static constexpr unsigned int UTF32_MAX = 0x10FFFF;

    // True when the code point needs a surrogate pair.
    static bool isSurrogate(unsigned int cp) { return cp > UTF16_MAX && cp <= UTF32_MAX; }
    static bool isSurrogateHigh(unsigned short u) { return u >= 0xD800 && u <= 0xDBFF; }
    static bool isSurrogateLow(unsigned short u) { return u >= 0xDC00 && u <= 0xDFFF; }

    // Unchecked on purpose: callers test the units first where they need to.
    static unsigned int toUTF32(unsigned short hi, unsigned short lo) {
        return (static_cast<unsigned int>(hi) - 0xD7C0u) * 0x400u + (lo - 0xDC00u);
    }
    static void toSurrogatePair(unsigned int cp, unsigned short& hi, unsigned short& lo) {
        hi = static_cast<unsigned short>(0xD7C0u + (cp >> 10));
        lo = static_cast<unsigned short>(0xDC00u + (cp & 0x3FFu));
    }
};

#endif
