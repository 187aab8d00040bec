#include "KelCharSetConverterUTF8.h"
#include "KelUChar.h"

#include "ConverterInvariants.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Units = std::vector<unsigned short>;

struct Decoded {
    Units units;
    KelLength count;
    bool illegal;
};

Decoded decode(const std::string& bytes, KelLength room = 64, int srcLimit = -1) {
    KelCharSetConverterUTF8 conv;
    std::string src = bytes;
    src.push_back('\0');
    Units out(room + 1, 0xBEEF);
    bool illegal = false;
    const KelLength n =
        conv.toUTF16(out.data(), src.data(), room, ILLCHAR_REPLACE, &illegal, srcLimit);
    EXPECT_EQ(out[n], 0) << "terminator";
    return {Units(out.begin(), out.begin() + static_cast<long>(n)), n, illegal};
}

struct Encoded {
    std::string bytes;
    bool illegal;
};

Encoded encode(Units units, ILLCHAR_OPTYPE op = ILLCHAR_REPLACE, KelLength room = 64) {
    KelCharSetConverterUTF8 conv;
    units.push_back(0);
    std::vector<char> out(room + 1, '#');
    bool illegal = false;
    const KelLength n = conv.fromUTF16(out.data(), units.data(), room, op, &illegal);
    EXPECT_EQ(out[n], '\0') << "terminator";
    for (KelLength i = n + 1; i < out.size(); ++i)
        EXPECT_EQ(out[i], '#') << "written past the terminator";
    return {std::string(out.data(), n), illegal};
}

TEST(UTF8Decode, WorkedExamples) {
    EXPECT_EQ(decode("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80").units,
              (Units{0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(decode("\xED\xA0\xBD\xED\xB8\x80").units, (Units{0xD83D, 0xDE00}));
    EXPECT_EQ(decode(std::string("\xC0\x80"
                                 "A",
                                 3))
                  .units,
              (Units{0x0000, 0x41}));

    const Decoded cutTwo = decode("\xC3"
                                  "A");
    EXPECT_EQ(cutTwo.units, (Units{0xFFFD, 0x41}));
    EXPECT_TRUE(cutTwo.illegal);
    const Decoded cutThree = decode("\xE2\x82"
                                    "A");
    EXPECT_EQ(cutThree.units, (Units{0xFFFD, 0x41}));
    EXPECT_TRUE(cutThree.illegal);
    EXPECT_FALSE(decode("plain").illegal);
}

// Malformed input is replaced one maximal subpart at a time and never
// deleted: deleting 80 from 2E 80 2E would spell "..", and C0 AF must not
// spell "/". Only the JVM's C0 80 and three-byte surrogates are accepted
// beyond standard UTF-8.
TEST(UTF8Decode, MalformedInputIsReplacedByMaximalSubparts) {
    constexpr unsigned short R = 0xFFFD;
    const struct {
        std::string bytes;
        Units units;
    } cases[] = {
        {"\x80"
         "A",
         {R, 0x41}},
        {".\x80./x", {0x2E, R, 0x2E, 0x2F, 0x78}},
        {"\xC0\xAF", {R, R}},
        {"\xC0\xAE", {R, R}},
        {"\xC1\xBF", {R, R}},
        {"\xE0\x80\xAF", {R, R, R}},
        {"\xE0\x9F\xBF", {R, R, R}},
        {"\xF0\x8F\xBF\xBF", {R, R, R, R}},
        {"\xF4\x90\x80\x80", {R, R, R, R}},
        {"\xF5\x80\x80\x80", {R, R, R, R}},
        {"\xF8\x88\x80\x80", {R, R, R, R}},
        {"\xFF\xBF", {R, R}},
        {"\xE2\x82"
         "A",
         {R, 0x41}},
        {"\xE2\x82\x82\xAC", {0x2082, R}},
        {"\xF0\x9F\x98"
         "A",
         {R, 0x41}},
        {"\xED\xA0", {R}},
        {"\xC0", {R}},
    };
    for (const auto& c : cases) {
        const Decoded d = decode(c.bytes);
        EXPECT_EQ(d.units, c.units) << testing::PrintToString(c.bytes);
        EXPECT_TRUE(d.illegal) << testing::PrintToString(c.bytes);
    }
    EXPECT_EQ(decode("\xF4\x8F\xBF\xBF").units, (Units{0xDBFF, 0xDFFF}));
    EXPECT_EQ(decode("\xF0\x90\x80\x80").units, (Units{0xD800, 0xDC00}));
    EXPECT_EQ(decode("\xE0\xA0\x80").units, (Units{0x0800}));
    EXPECT_EQ(decode("\xC2\x80").units, (Units{0x0080}));
}

TEST(UTF8Decode, RoomAndLimits) {
    EXPECT_EQ(decode("abc", 0).count, 0u);

    // A whole four-byte character that does not fit ends the text like a full
    // buffer; U+FFFD there would make callers re-read valid text as Latin-1.
    const Decoded oneUnit = decode("\xF0\x9F\x98\x80", 1);
    EXPECT_EQ(oneUnit.count, 0u);
    EXPECT_FALSE(oneUnit.illegal);
    EXPECT_EQ(decode("A\xF0\x9F\x98\x80", 2).units, (Units{0x41}));

    EXPECT_EQ(decode("\xC3\xA9"
                     "A",
                     64, 1)
                  .units,
              (Units{0xE9}));
    EXPECT_EQ(decode("AB", 64, 100).units, (Units{0x41, 0x42}));
    EXPECT_EQ(decode("ABC", 64, 0).units, (Units{0x41, 0x42, 0x43}));
}

TEST(UTF8Decode, NullArgumentsWriteNothing) {
    KelCharSetConverterUTF8 conv;
    unsigned short out[2] = {0xBEEF, 0xBEEF};
    bool illegal = true;
    EXPECT_EQ(conv.toUTF16(out, nullptr, 1, ILLCHAR_REPLACE, &illegal, -1), 0u);
    EXPECT_EQ(conv.toUTF16(nullptr, "A", 1, ILLCHAR_REPLACE, &illegal, -1), 0u);
    EXPECT_EQ(out[0], 0xBEEF);
    EXPECT_TRUE(illegal);
    EXPECT_EQ(conv.getNumUnits(nullptr, 5), 0u);
    EXPECT_EQ(conv.getNumUnits("abc", 0), 0u);
    EXPECT_EQ(conv.getNumBytes(nullptr, 5), 0u);
    EXPECT_EQ(conv.fromUTF16(out, nullptr, 1, ILLCHAR_REPLACE, &illegal), 0u);
}

TEST(UTF8Encode, WorkedExamples) {
    EXPECT_EQ(encode({0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00}).bytes,
              "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    const Encoded lowAlone = encode({0xDC00});
    EXPECT_EQ(lowAlone.bytes, "\xED\xB0\x80");
    EXPECT_FALSE(lowAlone.illegal);

    const Encoded replaced = encode({0xD800, 0x41});
    EXPECT_EQ(replaced.bytes, "?A");
    EXPECT_TRUE(replaced.illegal);
    const Encoded escaped = encode({0xD800, 0x41}, ILLCHAR_ESCAPE);
    EXPECT_EQ(escaped.bytes, "U+D800A");
    EXPECT_TRUE(escaped.illegal);
    const Encoded stopped = encode({0xD800, 0x41}, ILLCHAR_STOP);
    EXPECT_EQ(stopped.bytes, "");
    EXPECT_TRUE(stopped.illegal);
    EXPECT_EQ(encode({0xD800}).bytes, "?");
    EXPECT_EQ(encode({0xD800, 0xD800, 0xDC00}).bytes, "?\xF0\x90\x80\x80");
}

TEST(UTF8Encode, CharactersAreNeverWrittenInPart) {
    EXPECT_EQ(encode({0x41, 0x20AC}, ILLCHAR_REPLACE, 2).bytes, "A");
    EXPECT_EQ(encode({0x41, 0xE9}, ILLCHAR_REPLACE, 2).bytes, "A");
    EXPECT_EQ(encode({0xD83D, 0xDE00}, ILLCHAR_REPLACE, 3).bytes, "");
    EXPECT_EQ(encode({0x41}, ILLCHAR_REPLACE, 0).bytes, "");
    EXPECT_EQ(encode({0xD800, 0x41}, ILLCHAR_ESCAPE, 5).bytes, "");
    EXPECT_EQ(encode({0xD800, 0x41}, ILLCHAR_ESCAPE, 6).bytes, "U+D800");
}

TEST(UTF8Counts, WorkedExamples) {
    KelCharSetConverterUTF8 conv;
    const Units text = {0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00, 0};
    EXPECT_EQ(conv.getNumBytes(text.data(), KEL_NPOS), 10u);
    EXPECT_EQ(conv.getNumBytes(text.data(), 3), 6u);
    EXPECT_EQ(conv.getNumUnits("\xC3\xA9\xF0\x9F\x98\x80", KEL_NPOS), 3u);
    EXPECT_EQ(conv.getNumUnits("\xE2\x82", 2), 1u);
    EXPECT_EQ(conv.getNumUnits("A\x80"
                               "B",
                               KEL_NPOS),
              3u);
    EXPECT_EQ(conv.getNumUnits("\xE0\x80\xAF", KEL_NPOS), 3u);
    EXPECT_EQ(conv.getNumUnits("A\xE2\x82\xAC", 2), 2u);
}

TEST(UTF8Counts, MatchConversionsOnEveryByteInEveryPosition) {
    KelCharSetConverterUTF8 conv;
    const std::string frames[] = {"", "A", "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xF0\x9F"};
    for (const std::string& frame : frames) {
        for (int b = 1; b < 256; ++b) {
            std::string text = frame;
            text.push_back(static_cast<char>(b));
            keltest::expectUnitCountMatchesDecoding(conv, text);
            keltest::expectUnitCountMatchesDecoding(conv, text + "\x80\xBF"
                                                                 "Z");
            keltest::expectUnitCountMatchesDecoding(conv,
                                                    std::string(1, static_cast<char>(b)) + frame);
        }
    }
}

TEST(UTF8Counts, MatchConversionsOnRandomText) {
    KelCharSetConverterUTF8 conv;
    std::mt19937 rng(12345);
    const unsigned char interesting[] = {0x41, 0x80, 0xBF, 0xC0, 0xC3, 0xE2,
                                         0xED, 0xF0, 0xF4, 0xF8, 0xFF};
    const unsigned short units[] = {0x41,   0xE9,   0x7FF,  0x800,  0x20AC,
                                    0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFFFF};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        Units text;
        const int len = static_cast<int>(rng() % 12) + 1;
        for (int i = 0; i < len; ++i) {
            bytes.push_back(static_cast<char>(rng() % 2 ? interesting[rng() % sizeof interesting]
                                                        : 1 + rng() % 255));
            text.push_back(units[rng() % (sizeof units / sizeof units[0])]);
        }
        keltest::expectUnitCountMatchesDecoding(conv, bytes);
        keltest::expectByteCountMatchesEncoding(conv, text);
    }
}

TEST(UTF8RoundTrip, EveryScalarValue) {
    KelCharSetConverterUTF8 conv;
    for (unsigned int cp = 1; cp <= KelUChar::UTF32_MAX; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        unsigned short in[3] = {static_cast<unsigned short>(cp), 0, 0};
        if (KelUChar::isSurrogate(cp))
            KelUChar::toSurrogatePair(cp, in[0], in[1]);
        unsigned char bytes[8];
        bool illegal = true;
        const KelLength nb = conv.fromUTF16(bytes, in, 4, ILLCHAR_STOP, &illegal);
        ASSERT_FALSE(illegal) << std::hex << cp;
        unsigned short back[3] = {0xBEEF, 0xBEEF, 0xBEEF};
        const KelLength nu = conv.toUTF16(back, bytes, 2, ILLCHAR_REPLACE, &illegal, -1);
        ASSERT_FALSE(illegal) << std::hex << cp;
        ASSERT_EQ(nu, KelUChar::isSurrogate(cp) ? 2u : 1u) << std::hex << cp;
        ASSERT_EQ(conv.getNumBytes(in, KEL_NPOS), nb) << std::hex << cp;
        ASSERT_TRUE(back[0] == in[0] && back[1] == in[1]) << std::hex << cp;
    }
}

TEST(UTF8Converter, UnitSizesAndNoDirectUTF8Path) {
    KelCharSetConverterUTF8 conv;
    EXPECT_EQ(conv.getMinUnitSize(), 1u);
    EXPECT_EQ(conv.getMaxUnitSize(), 3u);
    EXPECT_EQ(conv.getNullCharSize(), 1u);
    unsigned char out[4] = {7, 7, 7, 7};
    EXPECT_EQ(conv.fromUTF8(out, reinterpret_cast<const unsigned char*>("A"), 3, ILLCHAR_REPLACE,
                            nullptr),
              0u);
    EXPECT_EQ(out[0], 7);
}

} // namespace
