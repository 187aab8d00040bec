// The converters that reach every code point, UTF-8, UTF-16, UTF-32 and
// GB18030, against glibc's iconv for every code point in both directions,
// and their decoders on every short byte sequence or code. They agree except
// where listed: forms that this library accepts on purpose and glibc
// rejects, and the codes where the GB18030 tables keep the 2000 edition.
#include "IconvReference.h"
#include "KelCharSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using Units = std::vector<unsigned short>;

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
const char* const kUTF16 = "UTF-16LE";
const char* const kUTF32 = "UTF-32LE";
#else
const char* const kUTF16 = "UTF-16BE";
const char* const kUTF32 = "UTF-32BE";
#endif

constexpr std::uint32_t kLastCodePoint = 0x10FFFF;
// The first and last values of each longer form of the original UTF-8
// scheme, and values with the top bit set.
constexpr std::uint32_t kBeyondUnicode[] = {0x110000,  0x1FFFFF,   0x200000,   0x3FFFFFF,
                                            0x4000000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

bool isSurrogate(std::uint32_t cp) {
    return cp >= 0xD800 && cp <= 0xDFFF;
}

Units unitsOf(std::uint32_t cp) {
    if (cp <= 0xFFFF)
        return {static_cast<unsigned short>(cp)};
    return {static_cast<unsigned short>(0xD7C0 + (cp >> 10)),
            static_cast<unsigned short>(0xDC00 + (cp & 0x3FF))};
}

// Host-order bytes of a text of 16- or 32-bit units.
template <typename T>
std::string hostBytes(const std::vector<T>& units) {
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(T));
}

Units unitsFromHostBytes(const std::string& bytes) {
    Units units(bytes.size() / 2);
    if (!units.empty())
        std::memcpy(units.data(), bytes.data(), units.size() * 2);
    return units;
}

struct Conversion {
    std::string bytes; // local bytes or host-order UTF-16, without terminator
    bool illegal;
};

// The converter's output with room to spare and ILLCHAR_REPLACE.
Conversion encode(KelCharSet cs, const Units& units) {
    KelCharSetConverter& conv = *KelCharSetConverter::getConverter(cs);
    Units text = units;
    text.push_back(0);
    std::string out(8 * text.size() + 8, '\0');
    bool illegal = false;
    const KelLength n =
        conv.fromUTF16(&out[0], text.data(), out.size() - 8, ILLCHAR_REPLACE, &illegal);
    out.resize(n);
    return {out, illegal};
}

Conversion decode(KelCharSet cs, const std::string& bytes) {
    KelCharSetConverter& conv = *KelCharSetConverter::getConverter(cs);
    std::string text = bytes;
    text.append(4, '\0');
    Units out(bytes.size() + 1);
    bool illegal = false;
    const KelLength n = conv.toUTF16(out.data(), text.data(), bytes.size(), ILLCHAR_REPLACE,
                                     &illegal, -1);
    out.resize(n);
    return {hostBytes(out), illegal};
}

// Differences from glibc, gathered over a sweep. A difference that is not
// listed fails the test, and so does a listed input that turns out to agree,
// so that the lists stay exact.
class Agreement {
public:
    Agreement() = default;
    ~Agreement() {
        EXPECT_EQ(m_unlisted, 0);
    }
    Agreement(const Agreement&) = delete;
    Agreement& operator=(const Agreement&) = delete;

    // `theirs` is empty where glibc rejects the input; there ours must raise
    // the flag.
    void compare(const std::string& input, const Conversion& ours, const std::string& theirs,
                 bool listed = false) {
        const bool agree = theirs.empty() ? ours.illegal : !ours.illegal && ours.bytes == theirs;
        if (listed) {
            EXPECT_FALSE(agree) << "listed but agrees: " << ::testing::PrintToString(input);
            return;
        }
        if (!agree && ++m_unlisted <= 10)
            ADD_FAILURE() << "input " << ::testing::PrintToString(input) << ": ours "
                          << ::testing::PrintToString(ours.bytes)
                          << (ours.illegal ? " (flag)" : "") << ", glibc "
                          << ::testing::PrintToString(theirs);
    }

private:
    int m_unlisted = 0;
};

std::uint32_t byteAt(const std::string& s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

// The decoder accepts two forms that glibc rejects: C0 80, the two-byte NUL
// that the JVM writes in modified UTF-8, and the three-byte forms of the
// surrogate halves ED A0 80 to ED BF BF, which pair into the supplementary
// characters that CESU-8 writers produce.
bool acceptedUTF8Form(const std::string& bytes) {
    if (bytes == "\xC0\x80")
        return true;
    return bytes.size() == 3 && byteAt(bytes, 0) == 0xED && byteAt(bytes, 1) >= 0xA0 &&
           byteAt(bytes, 1) <= 0xBF && (byteAt(bytes, 2) & 0xC0) == 0x80;
}

TEST(UnicodeIconv, EveryCodePointEncodesAndDecodesInUTF8AsGlibcDoes) {
    keltest::Iconv toUTF8("UTF-8", kUTF16);
    keltest::Iconv fromUTF8(kUTF16, "UTF-8");
    ASSERT_TRUE(toUTF8.valid() && fromUTF8.valid());
    Agreement encoding;
    Agreement decoding;
    for (std::uint32_t cp = 1; cp <= kLastCodePoint; ++cp) {
        if (isSurrogate(cp))
            continue;
        const std::string units = hostBytes(unitsOf(cp));
        const std::string utf8 = toUTF8.convert(units);
        encoding.compare(units, encode(KELCS_UTF8, unitsOf(cp)), utf8);
        decoding.compare(utf8, decode(KELCS_UTF8, utf8), fromUTF8.convert(utf8));
    }
}

// Every sequence of two bytes, every three-byte sequence with a lead byte of
// the three-byte forms and a continuation byte after it, and four-byte
// sequences of every lead and second byte.
std::vector<std::string> shortByteSequences() {
    std::vector<std::string> sequences;
    for (int b0 = 1; b0 <= 0xFF; ++b0) {
        for (int b1 = 1; b1 <= 0xFF; ++b1)
            sequences.push_back({static_cast<char>(b0), static_cast<char>(b1)});
    }
    for (int b0 = 0xE0; b0 <= 0xEF; ++b0) {
        for (int b1 = 0x80; b1 <= 0xBF; ++b1) {
            for (int b2 = 1; b2 <= 0xFF; ++b2)
                sequences.push_back(
                    {static_cast<char>(b0), static_cast<char>(b1), static_cast<char>(b2)});
        }
    }
    const char tails[] = {'\x41', '\x80', '\xBF', '\xC0'};
    for (int b0 = 0xF0; b0 <= 0xFF; ++b0) {
        for (int b1 = 1; b1 <= 0xFF; ++b1) {
            for (char b2 : tails) {
                for (char b3 : tails)
                    sequences.push_back({static_cast<char>(b0), static_cast<char>(b1), b2, b3});
            }
        }
    }
    return sequences;
}

TEST(UnicodeIconv, ShortByteSequencesDecodeFromUTF8AsGlibcDoes) {
    keltest::Iconv fromUTF8(kUTF16, "UTF-8");
    ASSERT_TRUE(fromUTF8.valid());
    Agreement decoding;
    for (const std::string& bytes : shortByteSequences())
        decoding.compare(bytes, decode(KELCS_UTF8, bytes), fromUTF8.convert(bytes),
                         acceptedUTF8Form(bytes));
}

// The UTF-16 form copies units as they are, so that text with an unpaired
// surrogate survives a round trip; glibc rejects those units.
bool loneSurrogate(const std::string& bytes) {
    const Units units = unitsFromHostBytes(bytes);
    return units.size() == 1 && isSurrogate(units[0]);
}

TEST(UnicodeIconv, EveryUnitAndPairConvertsInUTF16AsGlibcDoes) {
    keltest::Iconv reference(kUTF16, kUTF16);
    ASSERT_TRUE(reference.valid());
    Agreement decoding;
    Agreement encoding;
    for (std::uint32_t v = 1; v <= kLastCodePoint; ++v) {
        const Units units = unitsOf(v);
        const std::string bytes = hostBytes(units);
        const std::string theirs = reference.convert(bytes);
        decoding.compare(bytes, decode(KELCS_UTF16, bytes), theirs, loneSurrogate(bytes));
        encoding.compare(bytes, encode(KELCS_UTF16, units), theirs, loneSurrogate(bytes));
    }
}

// UTF-32 passes surrogate values through to UTF-16 and writes a lone low
// surrogate unit as the same 32-bit value; glibc rejects both.
bool surrogateValue(const std::string& bytes) {
    if (bytes.size() == 4) {
        std::uint32_t v = 0;
        std::memcpy(&v, bytes.data(), 4);
        return isSurrogate(v);
    }
    return bytes.size() == 2 && unitsFromHostBytes(bytes)[0] >= 0xDC00 &&
           unitsFromHostBytes(bytes)[0] <= 0xDFFF;
}

TEST(UnicodeIconv, EveryCodePointConvertsInUTF32AsGlibcDoes) {
    keltest::Iconv toUTF16(kUTF16, kUTF32);
    keltest::Iconv fromUTF16(kUTF32, kUTF16);
    ASSERT_TRUE(toUTF16.valid() && fromUTF16.valid());
    Agreement decoding;
    Agreement encoding;
    std::vector<std::uint32_t> values;
    for (std::uint32_t v = 1; v <= kLastCodePoint; ++v)
        values.push_back(v);
    for (std::uint32_t v : kBeyondUnicode)
        values.push_back(v);
    for (std::uint32_t v : values) {
        const std::string utf32 = hostBytes(std::vector<std::uint32_t>{v});
        decoding.compare(utf32, decode(KELCS_UTF32, utf32), toUTF16.convert(utf32),
                         surrogateValue(utf32));
        if (v > kLastCodePoint)
            continue;
        const Units units = unitsOf(v);
        const std::string utf16 = hostBytes(units);
        encoding.compare(utf16, encode(KELCS_UTF32, units), fromUTF16.convert(utf16),
                         surrogateValue(utf16));
    }
}

// The direct path reads the noncharacters U+FFFE and U+FFFF as U+FFFD, while
// glibc keeps them.
bool nonCharacter(const std::string& utf8) {
    return utf8 == "\xEF\xBF\xBE" || utf8 == "\xEF\xBF\xBF";
}

TEST(UnicodeIconv, EveryCodePointTakesTheDirectPathBetweenUTF32AndUTF8AsGlibcDoes) {
    keltest::Iconv toUTF8("UTF-8", kUTF32);
    keltest::Iconv fromUTF8(kUTF32, "UTF-8");
    ASSERT_TRUE(toUTF8.valid() && fromUTF8.valid());
    KelCharSetConverter& utf32 = *KelCharSetConverter::getConverter(KELCS_UTF32);
    Agreement direct;
    Agreement back;
    std::vector<std::uint32_t> values;
    for (std::uint32_t v = 1; v <= kLastCodePoint; ++v)
        values.push_back(v);
    for (std::uint32_t v : kBeyondUnicode)
        values.push_back(v);
    for (std::uint32_t v : values) {
        const std::uint32_t text[] = {v, 0};
        std::string utf8(8, '\0');
        bool illegal = false;
        const KelLength n = utf32.toUTF8(reinterpret_cast<unsigned char*>(&utf8[0]), text, 7,
                                         ILLCHAR_REPLACE, &illegal);
        utf8.resize(n);
        const std::string input = hostBytes(std::vector<std::uint32_t>{v});
        const std::string theirs = toUTF8.convert(input);
        direct.compare(input, {utf8, illegal}, theirs);
        if (theirs.empty())
            continue;
        std::uint32_t value[2] = {0, 0xEEEEEEEE};
        const KelLength units = utf32.fromUTF8(value, reinterpret_cast<const unsigned char*>(
                                                          theirs.c_str()),
                                               1, ILLCHAR_REPLACE, &illegal);
        back.compare(theirs, {hostBytes(std::vector<std::uint32_t>(value, value + units)), false},
                     fromUTF8.convert(theirs), nonCharacter(theirs));
    }
}

// The codes whose character the 2000 edition of GB18030, which the tables
// follow, and the later edition in glibc assign differently: two-byte codes
// that stay in the private use area here (or, for A8BC, hold U+E7C7), and
// the four-byte codes of the BMP characters that glibc moved to them. (The
// supplementary characters that glibc moved keep their four-byte codes
// here; those differ when encoding, through the two-byte code glibc writes.)
struct CodeRange {
    std::uint32_t first;
    std::uint32_t last;
};

const CodeRange kGB2000Codes[] = {
    {0xA6D9, 0xA6DF},         {0xA6EC, 0xA6ED},         {0xA6F3, 0xA6F3},
    {0xA8BC, 0xA8BC},         {0xFE51, 0xFE53},         {0xFE59, 0xFE59},
    {0xFE61, 0xFE61},         {0xFE66, 0xFE67},         {0xFE6C, 0xFE6D},
    {0xFE76, 0xFE76},         {0xFE7E, 0xFE7E},         {0xFE90, 0xFE91},
    {0xFEA0, 0xFEA0},         {0x8135F437, 0x8135F437}, {0x82359037, 0x82359039},
    {0x82359130, 0x82359134}, {0x84318236, 0x84318239}, {0x84318330, 0x84318335},
};

bool gb2000Code(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > 4)
        return false;
    std::uint32_t code = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        code = code << 8 | byteAt(bytes, i);
    for (const CodeRange& range : kGB2000Codes) {
        if (code >= range.first && code <= range.last)
            return true;
    }
    return false;
}

TEST(UnicodeIconv, EveryCodePointConvertsInGB18030AsGlibcDoes) {
    keltest::Iconv toGB("GB18030", kUTF16);
    keltest::Iconv fromGB(kUTF16, "GB18030");
    ASSERT_TRUE(toGB.valid() && fromGB.valid());
    Agreement encoding;
    Agreement decoding;
    for (std::uint32_t cp = 1; cp <= kLastCodePoint; ++cp) {
        if (isSurrogate(cp))
            continue;
        const std::string units = hostBytes(unitsOf(cp));
        const Conversion ours = encode(KELCS_GB18030, unitsOf(cp));
        const std::string theirs = toGB.convert(units);
        encoding.compare(units, ours, theirs, gb2000Code(ours.bytes) || gb2000Code(theirs));
        if (!theirs.empty())
            decoding.compare(theirs, decode(KELCS_GB18030, theirs), fromGB.convert(theirs),
                             gb2000Code(theirs));
    }
}

// Every one- and two-byte sequence and every code of the four-byte form,
// whether a character has it or not.
TEST(UnicodeIconv, EveryCodeDecodesFromGB18030AsGlibcDoes) {
    keltest::Iconv fromGB(kUTF16, "GB18030");
    ASSERT_TRUE(fromGB.valid());
    Agreement decoding;
    const auto check = [&](const std::string& bytes) {
        decoding.compare(bytes, decode(KELCS_GB18030, bytes), fromGB.convert(bytes),
                         gb2000Code(bytes));
    };
    for (int b0 = 1; b0 <= 0xFF; ++b0) {
        check({static_cast<char>(b0)});
        for (int b1 = 1; b1 <= 0xFF; ++b1)
            check({static_cast<char>(b0), static_cast<char>(b1)});
    }
    for (int b0 = 0x81; b0 <= 0xFE; ++b0) {
        for (int b1 = '0'; b1 <= '9'; ++b1) {
            for (int b2 = 0x81; b2 <= 0xFE; ++b2) {
                for (int b3 = '0'; b3 <= '9'; ++b3)
                    check({static_cast<char>(b0), static_cast<char>(b1), static_cast<char>(b2),
                           static_cast<char>(b3)});
            }
        }
    }
}

} // namespace
