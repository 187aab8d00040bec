#ifndef KELUCHAR_H
#define KELUCHAR_H

/// \file
/// Character classes, case mapping and surrogate arithmetic.

class KelUCharTable;

/// Character-class bits returned by KelUChar::getCharClass. Class 0 means a
/// code the library does not classify: controls other than TAB, LF and CR,
/// unassigned and private-use codes, and symbols such as '$', '+' and '<'.
enum KelUCharClass : unsigned short {
    UCHAR_WHITESPACE = 0x0001,  ///< white space
    UCHAR_DIGIT = 0x0002,       ///< a digit
    UCHAR_LETTER = 0x0004,      ///< a letter, or an East Asian radical or enclosed symbol
    UCHAR_MARK = 0x0008,        ///< a mark (general categories Mn, Mc, Me)
    UCHAR_PUNCTUATION = 0x0010, ///< punctuation
    UCHAR_RTL = 0x0020,         ///< a character of a right-to-left script
    UCHAR_UPPER = 0x0040,       ///< an upper-case letter (most title-case letters too)
    UCHAR_LOWER = 0x0080,       ///< a lower-case letter
    UCHAR_TITLE = 0x0100,       ///< one of the few title-case letters classified as such
    UCHAR_MODIFIER = 0x0200,    ///< a modifier letter (general category Lm)
    UCHAR_CJK = 0x0400,         ///< a letter, mark or modifier of Kana, Hangul, CJK, ...
    UCHAR_SURROGATE = 0x1000,   ///< a surrogate unit
    UCHAR_HALFWIDTH = 0x4000,   ///< a half-width form
    UCHAR_FULLWIDTH = 0x8000    ///< a full-width form
};

/// Character properties of UTF-16 units and the surrogate arithmetic that the
/// converters share.
class KelUChar {
public:
    static constexpr unsigned int UTF16_MAX = 0xFFFF;   ///< the last code point of one unit
    static constexpr unsigned int UTF32_MAX = 0x10FFFF; ///< the last code point

    /// True when the code point needs a surrogate pair.
    static bool isSurrogate(unsigned int cp) { return cp > UTF16_MAX && cp <= UTF32_MAX; }
    /// True for a high (leading) surrogate unit.
    static bool isSurrogateHigh(unsigned short u) { return u >= 0xD800 && u <= 0xDBFF; }
    /// True for a low (trailing) surrogate unit.
    static bool isSurrogateLow(unsigned short u) { return u >= 0xDC00 && u <= 0xDFFF; }

    /// The code point of a surrogate pair, and the pair of a code point
    /// above U+FFFF. Unchecked on purpose: callers test the units first
    /// where they need to.
    ///@{
    static unsigned int toUTF32(unsigned short hi, unsigned short lo) {
        return (static_cast<unsigned int>(hi) - 0xD7C0u) * 0x400u + (lo - 0xDC00u);
    }
    static void toSurrogatePair(unsigned int cp, unsigned short& hi, unsigned short& lo) {
        hi = static_cast<unsigned short>(0xD7C0u + (cp >> 10));
        lo = static_cast<unsigned short>(0xDC00u + (cp & 0x3FFu));
    }
    ///@}

    /// Classification of one unit. Surrogate units are UCHAR_SURROGATE;
    /// ideographs and Hangul syllables are UCHAR_LETTER | UCHAR_CJK.
    static unsigned short getCharClass(unsigned short c);
    /// Tests of the class of one unit; isNonChar is true for class 0.
    ///@{
    static bool isNonChar(unsigned short c) { return getCharClass(c) == 0; }
    static bool isWhiteSpace(unsigned short c) { return (getCharClass(c) & UCHAR_WHITESPACE) != 0; }
    static bool isDigit(unsigned short c) { return (getCharClass(c) & UCHAR_DIGIT) != 0; }
    static bool isLetter(unsigned short c) { return (getCharClass(c) & UCHAR_LETTER) != 0; }
    static bool isPunctuation(unsigned short c) { return (getCharClass(c) & UCHAR_PUNCTUATION) != 0; }
    ///@}

    /// Simple one-to-one case mapping; a unit without a mapping is returned
    /// unchanged. ASCII never touches a table.
    ///@{
    static unsigned short toUpperCase(unsigned short c);
    static unsigned short toLowerCase(unsigned short c);
    ///@}

    /// The code point of a surrogate pair, or 0 when hi and lo are not one.
    KelUChar(unsigned short hi, unsigned short lo)
        : m_nChar(isSurrogateHigh(hi) && isSurrogateLow(lo) ? toUTF32(hi, lo) : 0) {}

    /// The code point, 0 when the units were no pair.
    unsigned int getCodePoint() const { return m_nChar; }
    /// True when the code point lies above U+FFFF.
    bool isSurrogate() const { return isSurrogate(m_nChar); }
    /// UCHAR_SURROGATE above U+FFFF, else the class of the unit.
    unsigned short getCharClass() const {
        return isSurrogate() ? static_cast<unsigned short>(UCHAR_SURROGATE) : getCharClass(lowUnit());
    }
    /// The class tests of the code point. A character outside the Basic
    /// Multilingual Plane is none of these.
    ///@{
    bool isNonChar() const { return !isSurrogate() && isNonChar(lowUnit()); }
    bool isWhiteSpace() const { return !isSurrogate() && isWhiteSpace(lowUnit()); }
    bool isPunctuation() const { return !isSurrogate() && isPunctuation(lowUnit()); }
    bool isLetter() const { return !isSurrogate() && isLetter(lowUnit()); }
    bool isDigit() const { return !isSurrogate() && isDigit(lowUnit()); }
    ///@}

private:
    unsigned short lowUnit() const { return static_cast<unsigned short>(m_nChar); }

    static KelUCharTable m_gUpperCaseTable;
    static KelUCharTable m_gLowerCaseTable;
    static KelUCharTable m_gCharClassTable;

    unsigned int m_nChar;
};

#endif
