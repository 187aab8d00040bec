#include "KelCharSetConverterUTF32.h"
#include "KelUChar.h"

#include "ConverterInvariants.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Units = std::vector<unsigned short>;
using Units32 = std::vector<std::uint32_t>;

std::string bytesOf(const Units32& units) {
    return std::string(reinterpret_cast<const char*>(units.data()), 4 * units.size());
}

struct Decoded {
    Units units;
    bool illegal;
};

Decoded decode(Units32 text, KelLength room = 32, int srcLimit = -1,
               ILLCHAR_OPTYPE op = ILLCHAR_REPLACE) {
    KelCharSetConverterUTF32 conv;
    text.push_back(0);
    Units out(room + 2, 0xBEEF);
    bool illegal = false;
    const KelLength n = conv.toUTF16(out.data(), text.data(), room, op, &illegal, srcLimit);
    EXPECT_EQ(out[n], 0) << "terminator";
    EXPECT_EQ(out[room + 1], 0xBEEF) << "written past the room";
    return {Units(out.begin(), out.begin() + static_cast<long>(n)), illegal};
}

struct Encoded {
    Units32 units;
    KelLength bytes;
    bool illegal;
};

Encoded encode(Units text, ILLCHAR_OPTYPE op = ILLCHAR_REPLACE, KelLength room = 64) {
    KelCharSetConverterUTF32 conv;
    text.push_back(0);
    Units32 out(room / 4 + 2, 0xEEEEEEEE);
    bool illegal = false;
    const KelLength n = conv.fromUTF16(out.data(), text.data(), room, op, &illegal);
    EXPECT_EQ(n % 4, 0u);
    EXPECT_EQ(out[n / 4], 0u) << "terminator";
    EXPECT_EQ(out[room / 4 + 1], 0xEEEEEEEE) << "written past the room";
    return {Units32(out.begin(), out.begin() + static_cast<long>(n / 4)), n, illegal};
}

struct ToUTF8 {
    std::string bytes;
    bool illegal;
};

ToUTF8 toUTF8(Units32 text, KelLength room = 32) {
    KelCharSetConverterUTF32 conv;
    text.push_back(0);
    std::vector<unsigned char> out(room + 2, '#');
    bool illegal = false;
    const KelLength n = conv.toUTF8(out.data(), text.data(), room, ILLCHAR_REPLACE, &illegal);
    EXPECT_EQ(out[n], 0) << "terminator";
    EXPECT_EQ(out[room + 1], '#') << "written past the room";
    return {std::string(out.begin(), out.begin() + static_cast<long>(n)), illegal};
}

// The flag tells whether any U+FFFD stands for malformed input.
Units32 fromUTF8(const std::string& bytes, KelLength room = 32) {
    KelCharSetConverterUTF32 conv;
    std::string src = bytes + '\0';
    Units32 out(room + 2, 0xEEEEEEEE);
    bool illegal = true;
    const KelLength n =
        conv.fromUTF8(out.data(), reinterpret_cast<const unsigned char*>(src.data()), room,
                      ILLCHAR_REPLACE, &illegal);
    EXPECT_EQ(illegal, std::count(out.begin(), out.begin() + static_cast<long>(n), 0xFFFDu) != 0)
        << "flag";
    EXPECT_EQ(out[n], 0u) << "terminator";
    EXPECT_EQ(out[room + 1], 0xEEEEEEEE) << "written past the room";
    return Units32(out.begin(), out.begin() + static_cast<long>(n));
}

struct Scalar {
    unsigned int value;
    long advance;
};

Scalar decodeOne(const std::string& bytes) {
    KelCharSetConverterUTF32 conv;
    std::string src = bytes + '\0';
    unsigned char* start = reinterpret_cast<unsigned char*>(&src[0]);
    unsigned char* p = start;
    const unsigned int v = conv.UTF32fromUTF8(&p);
    return {v, p - start};
}

TEST(UTF32Decode, SplitsSupplementaryCharacters) {
    EXPECT_EQ(decode({0x41, 0x1F600}).units, (Units{0x41, 0xD83D, 0xDE00}));
    EXPECT_EQ(decode({0x41, 0x1F600}, 2).units, (Units{0x41}));
    EXPECT_EQ(decode({0x41, 0x42, 0x43}, 32, 1).units, (Units{0x41}));
    EXPECT_EQ(decode({0x41, 0x42, 0x43}, 32, 0).units, Units{});
    EXPECT_EQ(decode({0x41, 0x42, 0x43}, 32, -1).units, (Units{0x41, 0x42, 0x43}));
    EXPECT_EQ(decode({0xD83D, 0xDE00}).units, (Units{0xD83D, 0xDE00}));
}

// Values beyond U+10FFFF would otherwise split into surrogates of other characters.
TEST(UTF32Decode, ValuesBeyondUnicodeBecomeReplacement) {
    for (std::uint32_t v : {0x110000u, 0x208000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        const Decoded d = decode({0x41, v, 0x42});
        EXPECT_EQ(d.units, (Units{0x41, 0xFFFD, 0x42})) << std::hex << v;
        EXPECT_TRUE(d.illegal);
    }
    const Decoded stopped = decode({0x41, 0x110000, 0x42}, 32, -1, ILLCHAR_STOP);
    EXPECT_EQ(stopped.units, (Units{0x41}));
    EXPECT_TRUE(stopped.illegal);
    EXPECT_FALSE(decode({0x10FFFF}).illegal);
}

TEST(UTF32Encode, PairsAndUnpairedSurrogates) {
    const Encoded pair = encode({0xD83D, 0xDE00});
    EXPECT_EQ(pair.units, (Units32{0x1F600}));
    EXPECT_EQ(pair.bytes, 4u);
    EXPECT_FALSE(pair.illegal);

    const Encoded escaped = encode({0xD800, 0x41}, ILLCHAR_ESCAPE, 40);
    EXPECT_EQ(escaped.units, (Units32{'U', '+', 'D', '8', '0', '0', 0x41}));
    EXPECT_EQ(escaped.bytes, 28u);
    EXPECT_TRUE(escaped.illegal);
    EXPECT_EQ(encode({0xD800, 0x41}, ILLCHAR_ESCAPE, 23).units, Units32{});
    EXPECT_EQ(encode({0xD800, 0x41}).units, (Units32{'?', 0x41}));
    EXPECT_EQ(encode({0xD800, 0x41}, ILLCHAR_STOP).units, Units32{});
    EXPECT_EQ(encode({0xD800}).units, (Units32{'?'}));

    const Encoded lowAlone = encode({0xDC00, 0x41});
    EXPECT_EQ(lowAlone.units, (Units32{0xDC00, 0x41}));
    EXPECT_FALSE(lowAlone.illegal);
    // Room counts whole 32-bit units.
    EXPECT_EQ(encode({0x41, 0x42, 0x43}, ILLCHAR_REPLACE, 11).units, (Units32{0x41, 0x42}));
}

TEST(UTF32Counts, WorkedExamplesAndInvariants) {
    KelCharSetConverterUTF32 conv;
    const Units text = {0xD83D, 0xDE00, 0x41, 0};
    EXPECT_EQ(conv.getNumBytes(text.data(), KEL_NPOS), 8u);
    EXPECT_EQ(conv.getNumBytes(text.data(), 1), 4u);
    const Units32 wide = {0x1F600, 0x41, 0};
    // Units of UTF-16, so a string built from UTF-32 has room for every character.
    EXPECT_EQ(conv.getNumUnits(wide.data(), 8), 3u);
    EXPECT_EQ(conv.getNumUnits(wide.data(), 7), 2u);
    EXPECT_EQ(conv.getNumUnits(wide.data(), KEL_NPOS), 3u);

    std::mt19937 rng(99);
    const std::uint32_t values[] = {0x41, 0xFFFF, 0x10000, 0x10FFFF, 0x110000, 0xD800, 0xFFFFFFFF};
    const unsigned short units[] = {0x41, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFFFF};
    for (int round = 0; round < 2000; ++round) {
        Units32 local;
        Units utf16;
        for (int i = static_cast<int>(rng() % 10); i >= 0; --i) {
            local.push_back(values[rng() % (sizeof values / sizeof values[0])]);
            utf16.push_back(units[rng() % (sizeof units / sizeof units[0])]);
        }
        keltest::expectUnitCountMatchesDecoding(conv, bytesOf(local));
        keltest::expectByteCountMatchesEncoding(conv, utf16);
    }
}

TEST(UTF32ToUTF8, WritesOnlyUnicode) {
    EXPECT_EQ(toUTF8({0x1F600}).bytes, "\xF0\x9F\x98\x80");
    EXPECT_EQ(toUTF8({0x41, 0xE9, 0x20AC, 0x10FFFF}).bytes,
              "A\xC3\xA9\xE2\x82\xAC\xF4\x8F\xBF\xBF");
    for (std::uint32_t bad : {0xD800u, 0xDFFFu, 0x110000u, 0x4000000u, 0x80000000u}) {
        const ToUTF8 r = toUTF8({bad, 0x41});
        EXPECT_EQ(r.bytes, "\xEF\xBF\xBD"
                           "A")
            << std::hex << bad;
        EXPECT_TRUE(r.illegal);
    }
    EXPECT_FALSE(toUTF8({0xFFFF}).illegal);
    EXPECT_EQ(toUTF8({0x20AC}, 2).bytes, "");
    EXPECT_EQ(toUTF8({0x41, 0x20AC}, 3).bytes, "A");
    EXPECT_EQ(toUTF8({0x41, 0x42}, 0).bytes, "");
}

TEST(UTF32FromUTF8, DecodesOneSequence) {
    struct Case {
        const char* bytes;
        unsigned int value;
        long advance;
    } cases[] = {
        {"A", 0x41, 1},
        {"\xC3\xA9", 0xE9, 2},
        {"\xF0\x9F\x98\x80", 0x1F600, 4},
        {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
        {"\xC0\x80", 0xFFFD, 2},     // overlong, even for NUL
        {"\xE0\x80\xAF", 0xFFFD, 3}, // overlong "/"
        {"\xE0"
         "A",
         0xFFFD, 1},                     // cut: only the lead is consumed
        {"\xE2\x82", 0xFFFD, 1},         // cut by the terminator
        {"\xEF\xBF\xBE", 0xFFFD, 3},     // noncharacter
        {"\xED\xA0\x80", 0xFFFD, 3},     // surrogate
        {"\xF4\x90\x80\x80", 0xFFFD, 4}, // beyond U+10FFFF
        {"\xF8\x88\x80\x80\x80", 0xFFFD, 5},
        {"\xFC\x84\x80\x80\x80\x80", 0xFFFD, 6},
        {"\x80", 0xFFFD, 1},
        {"\xFE", 0xFFFD, 1},
        {"", 0, 1},
    };
    for (const Case& c : cases) {
        const Scalar s = decodeOne(c.bytes);
        EXPECT_EQ(s.value, c.value) << testing::PrintToString(std::string(c.bytes));
        EXPECT_EQ(s.advance, c.advance) << testing::PrintToString(std::string(c.bytes));
    }
    KelCharSetConverterUTF32 conv;
    EXPECT_EQ(conv.UTF32fromUTF8(nullptr), 0u);
    unsigned char* none = nullptr;
    EXPECT_EQ(conv.UTF32fromUTF8(&none), 0u);
    EXPECT_EQ(none, nullptr);
}

TEST(UTF32FromUTF8, RoomAndTerminator) {
    EXPECT_EQ(fromUTF8("AB", 1), (Units32{0x41}));
    EXPECT_EQ(fromUTF8("A\xF0\x9F\x98\x80\xC3"
                       "B"),
              (Units32{0x41, 0x1F600, 0xFFFD, 0x42}));
    EXPECT_EQ(fromUTF8(""), Units32{});
    EXPECT_EQ(fromUTF8("AB", 0), Units32{});
}

TEST(UTF32Converter, RoundTripsThroughUTF8AndUTF16) {
    KelCharSetConverterUTF32 conv;
    for (std::uint32_t cp = 1; cp <= KelUChar::UTF32_MAX; cp += (cp < 0x3000 ? 1 : 61)) {
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF)
            continue;
        const std::uint32_t in[2] = {cp, 0};
        unsigned char utf8[8];
        ASSERT_EQ(conv.toUTF8(utf8, in, 4, ILLCHAR_REPLACE, nullptr),
                  KelLength(cp < 0x80      ? 1
                            : cp < 0x800   ? 2
                            : cp < 0x10000 ? 3
                                           : 4));
        std::uint32_t back[2] = {0, 7};
        ASSERT_EQ(conv.fromUTF8(back, utf8, 1, ILLCHAR_REPLACE, nullptr), 1u);
        ASSERT_EQ(back[0], cp);
        unsigned short utf16[3];
        const KelLength n = conv.toUTF16(utf16, in, 2, ILLCHAR_REPLACE, nullptr, -1);
        std::uint32_t again[2] = {0, 7};
        ASSERT_EQ(conv.fromUTF16(again, utf16, 4, ILLCHAR_STOP, nullptr), 4u);
        ASSERT_EQ(again[0], cp);
        ASSERT_EQ(n, conv.getNumUnits(in, 4));
    }
}

TEST(UTF32Converter, NullArgumentsWriteNothing) {
    KelCharSetConverterUTF32 conv;
    std::uint32_t out[2] = {7, 7};
    const std::uint32_t text[] = {0x41, 0};
    const unsigned short text16[] = {0x41, 0};
    bool illegal = true;
    EXPECT_EQ(conv.toUTF16(nullptr, text, 1, ILLCHAR_REPLACE, nullptr, -1), 0u);
    EXPECT_EQ(conv.toUTF16(reinterpret_cast<unsigned short*>(out), nullptr, 1, ILLCHAR_REPLACE,
                           nullptr, -1),
              0u);
    EXPECT_EQ(conv.fromUTF16(out, nullptr, 8, ILLCHAR_REPLACE, nullptr), 0u);
    EXPECT_EQ(conv.fromUTF16(nullptr, text16, 8, ILLCHAR_REPLACE, nullptr), 0u);
    EXPECT_EQ(conv.fromUTF8(out, nullptr, 1, ILLCHAR_REPLACE, &illegal), 0u);
    EXPECT_FALSE(illegal);
    illegal = true;
    EXPECT_EQ(conv.toUTF8(nullptr, text, 4, ILLCHAR_REPLACE, &illegal), 0u);
    EXPECT_FALSE(illegal);
    unsigned char bytes[4] = {7, 7, 7, 7};
    EXPECT_EQ(conv.toUTF8(bytes, nullptr, 4, ILLCHAR_REPLACE, nullptr), 0u);
    EXPECT_EQ(bytes[0], 7);
    EXPECT_EQ(conv.fromUTF8(nullptr, reinterpret_cast<const unsigned char*>("A"), 1,
                            ILLCHAR_REPLACE, nullptr),
              0u);
    EXPECT_EQ(out[0], 7u);
    EXPECT_EQ(conv.getNumUnits(nullptr, 8), 0u);
    EXPECT_EQ(conv.getNumUnits(text, 0), 0u);
    EXPECT_EQ(conv.getNumBytes(nullptr, 8), 0u);
    EXPECT_EQ(conv.getNullCharSize(), 4u);
}

// Local text reaches the converter from char buffers at any address.
TEST(UTF32Converter, UnalignedLocalText) {
    KelCharSetConverterUTF32 conv;
    const std::uint32_t text[] = {0x1F600, 0x41, 0};
    const unsigned short text16[] = {0xD83D, 0xDE00, 0x41, 0};
    char buffer[32] = {};
    std::memcpy(buffer + 1, text, sizeof text);
    unsigned short out[4];
    EXPECT_EQ(conv.toUTF16(out, buffer + 1, 3, ILLCHAR_REPLACE, nullptr, -1), 3u);
    EXPECT_EQ(conv.fromUTF16(buffer + 2, text16, 16, ILLCHAR_REPLACE, nullptr), 8u);
    EXPECT_EQ(std::memcmp(buffer + 2, text, sizeof text), 0);
}

} // namespace
