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
#include <functional>
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
template <typename T> std::string hostBytes(const std::vector<T>& units) {
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
    const KelLength n =
        conv.toUTF16(out.data(), text.data(), bytes.size(), ILLCHAR_REPLACE, &illegal, -1);
    out.resize(n);
    return {hostBytes(out), illegal};
}

// Differences from glibc, gathered over a sweep. A difference that is not
// listed fails the test, and so does a listed input that turns out to agree,
// so that the lists stay exact.
class Agreement {
public:
    Agreement() = default;
    ~Agreement() { EXPECT_EQ(m_unlisted, 0); }
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
                          << ::testing::PrintToString(ours.bytes) << (ours.illegal ? " (flag)" : "")
                          << ", glibc " << ::testing::PrintToString(theirs);
    }

private:
    int m_unlisted = 0;
};

using Convert = std::function<Conversion(const std::string&)>;
// Whether a difference at an input is listed, given both outputs.
using Listed =
    std::function<bool(const std::string& input, const Conversion& ours, const std::string&)>;

bool nothingListed(const std::string&, const Conversion&, const std::string&) {
    return false;
}

// Compares every input with glibc's reading of it. Well-formed inputs are
// taken a chunk at a time; only a chunk that differs as a whole, which any
// listed input makes it do, is compared input by input.
void sweep(const std::vector<std::string>& inputs, const Convert& ours, keltest::Iconv& theirs,
           const Listed& listed = nothingListed) {
    ASSERT_TRUE(theirs.valid());
    constexpr std::size_t kChunk = 256;
    Agreement agreement;
    for (std::size_t first = 0; first < inputs.size(); first += kChunk) {
        const std::size_t last = std::min(first + kChunk, inputs.size());
        std::string joined;
        for (std::size_t i = first; i < last; ++i)
            joined += inputs[i];
        const Conversion whole = ours(joined);
        if (!whole.illegal && whole.bytes == theirs.convert(joined))
            continue;
        for (std::size_t i = first; i < last; ++i) {
            const Conversion one = ours(inputs[i]);
            const std::string glibc = theirs.convert(inputs[i]);
            agreement.compare(inputs[i], one, glibc, listed(inputs[i], one, glibc));
        }
    }
}

Convert encoder(KelCharSet cs) {
    return [cs](const std::string& utf16) { return encode(cs, unitsFromHostBytes(utf16)); };
}

Convert decoder(KelCharSet cs) {
    return [cs](const std::string& bytes) { return decode(cs, bytes); };
}

// Host-order UTF-16 of every code point but the surrogates.
std::vector<std::string> everyCodePointInUTF16() {
    std::vector<std::string> inputs;
    for (std::uint32_t cp = 1; cp <= kLastCodePoint; ++cp) {
        if (!isSurrogate(cp))
            inputs.push_back(hostBytes(unitsOf(cp)));
    }
    return inputs;
}

std::string utf8Of(std::uint32_t cp) {
    const auto byte = [](std::uint32_t b) { return static_cast<char>(b); };
    const auto tail = [&](int shift) { return byte(0x80 | (cp >> shift & 0x3F)); };
    if (cp < 0x80)
        return {byte(cp)};
    if (cp < 0x800)
        return {byte(0xC0 | cp >> 6), tail(0)};
    if (cp < 0x10000)
        return {byte(0xE0 | cp >> 12), tail(6), tail(0)};
    return {byte(0xF0 | cp >> 18), tail(12), tail(6), tail(0)};
}

std::uint32_t byteAt(const std::string& s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

TEST(UnicodeIconv, EveryCodePointEncodesAndDecodesInUTF8AsGlibcDoes) {
    keltest::Iconv toUTF8("UTF-8", kUTF16);
    sweep(everyCodePointInUTF16(), encoder(KELCS_UTF8), toUTF8);
    std::vector<std::string> utf8;
    for (std::uint32_t cp = 1; cp <= kLastCodePoint; ++cp) {
        if (!isSurrogate(cp))
            utf8.push_back(utf8Of(cp));
    }
    keltest::Iconv fromUTF8(kUTF16, "UTF-8");
    sweep(utf8, decoder(KELCS_UTF8), fromUTF8);
}

// The decoder accepts two forms that glibc rejects: C0 80, the two-byte NUL
// that the JVM writes in modified UTF-8, and the three-byte forms of the
// surrogate halves ED A0 80 to ED BF BF, which pair into the supplementary
// characters that CESU-8 writers produce.
bool acceptedUTF8Form(const std::string& bytes, const Conversion&, const std::string&) {
    if (bytes == "\xC0\x80")
        return true;
    return bytes.size() == 3 && byteAt(bytes, 0) == 0xED && byteAt(bytes, 1) >= 0xA0 &&
           byteAt(bytes, 1) <= 0xBF && (byteAt(bytes, 2) & 0xC0) == 0x80;
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

// One at a time: a malformed sequence must not run into the next.
TEST(UnicodeIconv, ShortByteSequencesDecodeFromUTF8AsGlibcDoes) {
    keltest::Iconv fromUTF8(kUTF16, "UTF-8");
    ASSERT_TRUE(fromUTF8.valid());
    Agreement decoding;
    for (const std::string& bytes : shortByteSequences()) {
        const Conversion ours = decode(KELCS_UTF8, bytes);
        const std::string theirs = fromUTF8.convert(bytes);
        decoding.compare(bytes, ours, theirs, acceptedUTF8Form(bytes, ours, theirs));
    }
}

// The UTF-16 form copies units as they are, so that text with an unpaired
// surrogate survives a round trip; glibc rejects those units.
bool loneSurrogate(const std::string& bytes, const Conversion&, const std::string&) {
    const Units units = unitsFromHostBytes(bytes);
    return units.size() == 1 && isSurrogate(units[0]);
}

TEST(UnicodeIconv, EveryUnitAndPairConvertsInUTF16AsGlibcDoes) {
    std::vector<std::string> inputs;
    for (std::uint32_t v = 1; v <= kLastCodePoint; ++v)
        inputs.push_back(hostBytes(unitsOf(v)));
    keltest::Iconv reference(kUTF16, kUTF16);
    sweep(inputs, decoder(KELCS_UTF16), reference, loneSurrogate);
    sweep(inputs, encoder(KELCS_UTF16), reference, loneSurrogate);
}

// UTF-32 passes surrogate values through to UTF-16 and writes a lone low
// surrogate unit as the same 32-bit value; glibc rejects both.
bool surrogateValue(const std::string& bytes, const Conversion&, const std::string&) {
    if (bytes.size() == 4) {
        std::uint32_t v = 0;
        std::memcpy(&v, bytes.data(), 4);
        return isSurrogate(v);
    }
    const Units units = unitsFromHostBytes(bytes);
    return units.size() == 1 && units[0] >= 0xDC00 && units[0] <= 0xDFFF;
}

std::vector<std::string> everyValueInUTF32() {
    std::vector<std::string> inputs;
    for (std::uint32_t v = 1; v <= kLastCodePoint; ++v)
        inputs.push_back(hostBytes(std::vector<std::uint32_t>{v}));
    for (std::uint32_t v : kBeyondUnicode)
        inputs.push_back(hostBytes(std::vector<std::uint32_t>{v}));
    return inputs;
}

TEST(UnicodeIconv, EveryCodePointConvertsInUTF32AsGlibcDoes) {
    keltest::Iconv toUTF16(kUTF16, kUTF32);
    sweep(everyValueInUTF32(), decoder(KELCS_UTF32), toUTF16, surrogateValue);
    std::vector<std::string> units;
    for (std::uint32_t v = 1; v <= kLastCodePoint; ++v)
        units.push_back(hostBytes(unitsOf(v)));
    keltest::Iconv fromUTF16(kUTF32, kUTF16);
    sweep(units, encoder(KELCS_UTF32), fromUTF16, surrogateValue);
}

// The direct path reads the noncharacters U+FFFE and U+FFFF as U+FFFD, while
// glibc keeps them.
bool nonCharacter(const std::string& utf8, const Conversion&, const std::string&) {
    return utf8 == "\xEF\xBF\xBE" || utf8 == "\xEF\xBF\xBF";
}

KelCharSetConverter& utf32() {
    return *KelCharSetConverter::getConverter(KELCS_UTF32);
}

Conversion utf32ToUTF8(const std::string& text) {
    std::vector<std::uint32_t> values(text.size() / 4 + 1, 0);
    std::memcpy(values.data(), text.data(), text.size());
    std::string utf8(6 * values.size(), '\0');
    bool illegal = false;
    utf8.resize(utf32().toUTF8(reinterpret_cast<unsigned char*>(&utf8[0]), values.data(),
                               utf8.size() - 1, ILLCHAR_REPLACE, &illegal));
    return {utf8, illegal};
}

Conversion utf8ToUTF32(const std::string& utf8) {
    std::vector<std::uint32_t> values(utf8.size() + 1, 0);
    bool illegal = false;
    values.resize(utf32().fromUTF8(values.data(),
                                   reinterpret_cast<const unsigned char*>(utf8.c_str()),
                                   utf8.size(), ILLCHAR_REPLACE, &illegal));
    return {hostBytes(values), illegal};
}

TEST(UnicodeIconv, EveryCodePointTakesTheDirectPathBetweenUTF32AndUTF8AsGlibcDoes) {
    keltest::Iconv toUTF8("UTF-8", kUTF32);
    sweep(everyValueInUTF32(), utf32ToUTF8, toUTF8);
    std::vector<std::string> utf8;
    for (std::uint32_t cp = 1; cp <= kLastCodePoint; ++cp) {
        if (!isSurrogate(cp))
            utf8.push_back(utf8Of(cp));
    }
    keltest::Iconv fromUTF8(kUTF32, "UTF-8");
    sweep(utf8, utf8ToUTF32, fromUTF8, nonCharacter);
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

TEST(UnicodeIconv, EveryCodePointEncodesInGB18030AsGlibcDoes) {
    keltest::Iconv toGB("GB18030", kUTF16);
    sweep(everyCodePointInUTF16(), encoder(KELCS_GB18030), toGB,
          [](const std::string&, const Conversion& ours, const std::string& theirs) {
              return gb2000Code(ours.bytes) || gb2000Code(theirs);
          });
}

// Every one- and two-byte sequence and every code of the four-byte form,
// whether a character has it or not: the decoding side of every code point.
TEST(UnicodeIconv, EveryCodeDecodesFromGB18030AsGlibcDoes) {
    std::vector<std::string> shortCodes;
    for (int b0 = 1; b0 <= 0xFF; ++b0) {
        shortCodes.push_back({static_cast<char>(b0)});
        for (int b1 = 1; b1 <= 0xFF; ++b1)
            shortCodes.push_back({static_cast<char>(b0), static_cast<char>(b1)});
    }
    keltest::Iconv fromGB(kUTF16, "GB18030");
    ASSERT_TRUE(fromGB.valid());
    Agreement decoding;
    for (const std::string& bytes : shortCodes)
        decoding.compare(bytes, decode(KELCS_GB18030, bytes), fromGB.convert(bytes),
                         gb2000Code(bytes));
    std::vector<std::string> fourByteCodes;
    for (int b0 = 0x81; b0 <= 0xFE; ++b0) {
        for (int b1 = '0'; b1 <= '9'; ++b1) {
            for (int b2 = 0x81; b2 <= 0xFE; ++b2) {
                for (int b3 = '0'; b3 <= '9'; ++b3)
                    fourByteCodes.push_back({static_cast<char>(b0), static_cast<char>(b1),
                                             static_cast<char>(b2), static_cast<char>(b3)});
            }
        }
    }
    sweep(fourByteCodes, decoder(KELCS_GB18030), fromGB,
          [](const std::string& bytes, const Conversion&, const std::string&) {
              return gb2000Code(bytes);
          });
}

} // namespace
