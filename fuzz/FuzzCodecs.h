#ifndef KELULIB_FUZZ_FUZZCODECS_H
#define KELULIB_FUZZ_FUZZCODECS_H

// Checked calls of the converter operations: every call gets a guarded
// destination, and what each call promises about the guard, the terminator
// and its count is verified before its output is handed on.

#include "FuzzSupport.h"

#include <algorithm>

namespace kelfuzz {

struct Decoded {
    std::vector<unsigned short> units;
    bool illegal;
};

struct Encoded {
    std::vector<unsigned char> bytes;
    bool illegal;
};

// The UTF-8 converter decodes an overlong zero, and the escaped form the text
// U+0000, to a 0 unit that does not end the conversion.
inline bool mayDecodeZero(KelCharSet cs) {
    return cs == KELCS_UTF8 || cs == KELCS_UTF16ESC;
}

// The sets of 32-bit units, which alone have direct paths to and from UTF-8
// among the imposed operations.
inline bool isUTF32(KelCharSet cs) {
    return cs == KELCS_UTF32 || cs == KELCS_UTF32BE;
}

// Sets whose decoder accepts each code in one form only, so that decoded
// text encodes back to its own bytes. The UTF-8 decoder takes C0 80 and
// surrogate forms, the escaped form takes U+0041 for A, UTF-32 takes the
// two halves of a surrogate pair as two characters, ISO-2022 text may
// shift and designate where its encoder would not, Big5 reads ten
// characters in a second code, and EUC-TW reads plane 1 in two forms.
inline bool decodesEveryCodeOneWay(KelCharSet cs) {
    switch (cs) {
    case KELCS_UTF8:
    case KELCS_UTF16ESC:
    case KELCS_UTF32:
    case KELCS_UTF32BE:
    case KELCS_ISO_2022JP:
    case KELCS_ISO_2022JP_1:
    case KELCS_ISO_2022JP_2:
    case KELCS_ISO_2022JP_3:
    case KELCS_ISO_2022JP_2004:
    case KELCS_ISO_2022KR:
    case KELCS_ISO_2022CN:
    case KELCS_ISO_2022CN_EXT:
    case KELCS_ISO_2022TW:
    case KELCS_BIG5:
    case KELCS_EUC_TW:
        return false;
    default:
        return true;
    }
}

inline bool isPrefix(const std::vector<unsigned short>& prefix,
                     const std::vector<unsigned short>& whole) {
    return prefix.size() <= whole.size() && std::equal(prefix.begin(), prefix.end(), whole.begin());
}

inline Decoded decode(KelCharSetConverter& conv, const std::vector<char>& text, KelLength room,
                      ILLCHAR_OPTYPE op, int limit) {
    const KelCharSet cs = conv.getCharSet();
    Guarded dst((room + 1) * sizeof(unsigned short));
    bool illegal = true;
    const KelLength n = conv.toUTF16(dst.units(), text.data(), room, op, &illegal, limit);
    require(dst.guardIntact(), "toUTF16 wrote past its room and terminator", cs);
    require(n <= room, "toUTF16 counted more units than its room", cs);
    const unsigned short* units = dst.units();
    require(units[n] == 0, "toUTF16 wrote no terminator behind its count", cs);
    require(mayDecodeZero(cs) || std::find(units, units + n, 0) == units + n,
            "toUTF16 wrote a 0 unit before its count", cs);
    return {std::vector<unsigned short>(units, units + n), illegal};
}

inline Decoded decode(KelCharSetConverter& conv, const std::vector<unsigned char>& bytes) {
    const std::vector<char> text =
        terminatedText(bytes.data(), bytes.size(), conv.getNullCharSize());
    return decode(conv, text, text.size(), ILLCHAR_REPLACE, -1);
}

// `units` must end with a 0 unit.
inline Encoded encode(KelCharSetConverter& conv, const std::vector<unsigned short>& units,
                      KelLength room, ILLCHAR_OPTYPE op) {
    const KelCharSet cs = conv.getCharSet();
    const KelLength nullSize = conv.getNullCharSize();
    Guarded dst(room + nullSize);
    bool illegal = true;
    const KelLength n = conv.fromUTF16(dst.bytes(), units.data(), room, op, &illegal);
    require(dst.guardIntact(), "fromUTF16 wrote past its room and terminator", cs);
    require(n <= room, "fromUTF16 counted more bytes than its room", cs);
    require(firstNul(dst.bytes(), n + nullSize, nullSize) == n,
            "fromUTF16 wrote no terminator behind its count, or a NUL before it", cs);
    return {std::vector<unsigned char>(dst.bytes(), dst.bytes() + n), illegal};
}

// Room for any text of `n` units: six escape characters of four bytes each
// is the most that one unit becomes.
inline KelLength ampleBytes(std::size_t n) {
    return 24 * n + 8;
}

inline std::vector<unsigned short> terminated(std::vector<unsigned short> units) {
    units.erase(std::find(units.begin(), units.end(), 0), units.end());
    units.push_back(0);
    return units;
}

inline Encoded encode(KelCharSetConverter& conv, const std::vector<unsigned short>& units) {
    const std::vector<unsigned short> text = terminated(units);
    return encode(conv, text, ampleBytes(text.size()), ILLCHAR_REPLACE);
}

// The `n` bytes at `part` are a prefix of `whole` but for a return to the
// initial state at their end, which a set with shifts writes wherever a
// text ends.
inline bool isPrefixBeforeReturn(KelCharSetConverter& conv, const unsigned char* part,
                                 std::size_t n, const std::vector<unsigned char>& whole) {
    const std::size_t kept = n - std::min<std::size_t>(n, conv.getMaxStateBytes());
    return kept <= whole.size() && std::equal(part, part + kept, whole.begin());
}

// Units that spell an escape, which the escaped form reads back as one unit.
inline bool spellsEscape(const std::vector<unsigned short>& units) {
    const auto isDigit = [](unsigned short u) {
        return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F');
    };
    for (std::size_t i = 0; i + 6 <= units.size(); ++i) {
        if (units[i] == 'U' && units[i + 1] == '+' &&
            std::all_of(units.begin() + static_cast<std::ptrdiff_t>(i + 2),
                        units.begin() + static_cast<std::ptrdiff_t>(i + 6), isDigit))
            return true;
    }
    return false;
}

// Characters that the Japanese ISO-2022 sets write one way, as the code of
// another: half-width katakana as their full-width letters, and code page
// 932's forms of six JIS X 0208 codes.
inline bool writesOneWay(KelCharSet cs, unsigned short u) {
    const bool japanese = cs >= KELCS_ISO_2022JP && cs <= KELCS_ISO_2022JP_2004;
    return japanese && ((u >= 0xFF61 && u <= 0xFF9F) || u == 0xFF5E || u == 0x2225 ||
                        u == 0xFF0D || u == 0xFFE0 || u == 0xFFE1 || u == 0xFFE2);
}

// Units that encode without a problem decode back to themselves.
inline void checkUnitsSurvive(KelCharSetConverter& conv, const std::vector<unsigned short>& units,
                              const Encoded& encoded) {
    const KelCharSet cs = conv.getCharSet();
    if (encoded.illegal || (cs == KELCS_UTF16ESC && spellsEscape(units)) ||
        std::any_of(units.begin(), units.end(),
                    [cs](unsigned short u) { return writesOneWay(cs, u); }))
        return;
    std::vector<unsigned short> expected = terminated(units);
    expected.pop_back();
    const Decoded back = decode(conv, encoded.bytes);
    require(!back.illegal, "encoded text does not decode again", cs);
    require(back.units == expected, "encoded text decodes to other units", cs);
}

} // namespace kelfuzz

#endif
