#include "KelCharSetConverterUTF16.h"
#include "KelCharSetConverterUTF16Esc.h"

#include "ConverterInvariants.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Units = std::vector<unsigned short>;

// Units decoded from local bytes, with a canary behind the room.
Units decode(KelCharSetConverter& conv, const std::string& bytes, KelLength room = 32,
             int srcLimit = -1) {
    std::string src = bytes;
    src.append(2, '\0');
    Units out(room + 2, 0xBEEF);
    bool illegal = true;
    const KelLength n =
        conv.toUTF16(out.data(), src.data(), room, ILLCHAR_REPLACE, &illegal, srcLimit);
    EXPECT_FALSE(illegal);
    EXPECT_EQ(out[n], 0) << "terminator";
    EXPECT_EQ(out[room + 1], 0xBEEF) << "written past the room";
    return Units(out.begin(), out.begin() + static_cast<long>(n));
}

// Local bytes encoded from units, checked for the terminator and a canary.
std::string encode(KelCharSetConverter& conv, Units units, KelLength room = 64) {
    units.push_back(0);
    const KelLength nul = conv.getNullCharSize();
    std::vector<char> out(room + nul + 1, '#');
    bool illegal = true;
    const KelLength n = conv.fromUTF16(out.data(), units.data(), room, ILLCHAR_STOP, &illegal);
    EXPECT_FALSE(illegal);
    EXPECT_LE(n, room);
    for (KelLength i = 0; i < nul; ++i)
        EXPECT_EQ(out[n + i], '\0') << "terminator";
    EXPECT_EQ(out[room + nul], '#') << "written past the room";
    return std::string(out.data(), n);
}

std::string bytesOf(const Units& units) {
    return std::string(reinterpret_cast<const char*>(units.data()), 2 * units.size());
}

TEST(UTF16Converter, CopiesUnitsWithinRoomAndLimit) {
    KelCharSetConverterUTF16 conv;
    const Units text = {0x41, 0xD83D, 0xDE00, 0xDC00, 0x42};
    EXPECT_EQ(decode(conv, bytesOf(text)), text);
    EXPECT_EQ(decode(conv, bytesOf(text), 32, 3), (Units{0x41, 0xD83D, 0xDE00}));
    EXPECT_EQ(decode(conv, bytesOf(text), 32, 0), text);
    EXPECT_EQ(decode(conv, bytesOf(text), 2), (Units{0x41, 0xD83D}));
    EXPECT_EQ(decode(conv, bytesOf(text), 0), Units{});

    EXPECT_EQ(encode(conv, text), bytesOf(text));
    EXPECT_EQ(encode(conv, text, 5), bytesOf({0x41, 0xD83D}));
    EXPECT_EQ(encode(conv, text, 1), "");
}

TEST(UTF16Converter, Counts) {
    KelCharSetConverterUTF16 conv;
    const Units text = {0x41, 0x42, 0x43, 0x44, 0};
    EXPECT_EQ(conv.getNumUnits(text.data(), 7), 3u);
    EXPECT_EQ(conv.getNumUnits(text.data(), KEL_NPOS), 4u);
    EXPECT_EQ(conv.getNumBytes(text.data(), 2), 4u);
    EXPECT_EQ(conv.getNumBytes(text.data(), KEL_NPOS), 8u);
    keltest::expectUnitCountMatchesDecoding(conv, bytesOf({0x41, 0xFFFF, 0xD800}));
    keltest::expectByteCountMatchesEncoding(conv, {0x41, 0xFFFF, 0xD800});
}

// Local text reaches the converter from char buffers at any address.
TEST(UTF16Converter, UnalignedLocalText) {
    KelCharSetConverterUTF16 conv;
    const Units text = {0x20AC, 0x41, 0};
    char buffer[16] = {};
    std::memcpy(buffer + 1, text.data(), 6);
    unsigned short out[4];
    EXPECT_EQ(conv.getNumUnits(buffer + 1, KEL_NPOS), 2u);
    EXPECT_EQ(conv.toUTF16(out, buffer + 1, 3, ILLCHAR_REPLACE, nullptr, -1), 2u);
    EXPECT_EQ(out[0], 0x20AC);
    EXPECT_EQ(conv.fromUTF16(buffer + 3, text.data(), 8, ILLCHAR_REPLACE, nullptr), 4u);
    EXPECT_EQ(std::memcmp(buffer + 3, text.data(), 6), 0);
}

TEST(UTF16EscConverter, EncodesUnitsAboveAsciiAsEscapes) {
    KelCharSetConverterUTF16Esc conv;
    EXPECT_EQ(encode(conv, {0x41, 0xE9, 0xD83D, 0xDE00}), "AU+00E9U+D83DU+DE00");
    EXPECT_EQ(encode(conv, {0x41, 0xE9, 0xD83D, 0xDE00}, 6), "A");
    EXPECT_EQ(encode(conv, {0x41, 0xE9, 0x42}, 7), "AU+00E9");
    EXPECT_EQ(encode(conv, {0x7F, 0x80, 0xABCD}), "\x7FU+0080U+ABCD");
    EXPECT_EQ(encode(conv, {0x41}, 0), "");
}

TEST(UTF16EscConverter, DecodesOnlyWellFormedEscapes) {
    KelCharSetConverterUTF16Esc conv;
    EXPECT_EQ(decode(conv, "U+00E9"), (Units{0xE9}));
    EXPECT_EQ(decode(conv, "U+D83DU+DE00!"), (Units{0xD83D, 0xDE00, '!'}));
    EXPECT_EQ(decode(conv, "U+00e9"), (Units{'U', '+', '0', '0', 'e', '9'}));
    EXPECT_EQ(decode(conv, "U+12"), (Units{'U', '+', '1', '2'}));
    EXPECT_EQ(decode(conv, "U-00E9"), (Units{'U', '-', '0', '0', 'E', '9'}));
    EXPECT_EQ(decode(conv, "UU+0041"), (Units{'U', 'A'}));
    EXPECT_EQ(decode(conv, "\xE9\xFF"), (Units{0xE9, 0xFF}));
}

TEST(UTF16EscConverter, RoomAndSourceLimit) {
    KelCharSetConverterUTF16Esc conv;
    EXPECT_EQ(decode(conv, "U+00E9AB", 2), (Units{0xE9, 'A'}));
    EXPECT_EQ(decode(conv, "U+00E9AB", 0), Units{});
    // An escape that starts inside the limit is read whole.
    EXPECT_EQ(decode(conv, "AU+00E9B", 32, 2), (Units{'A', 0xE9}));
    EXPECT_EQ(decode(conv, "ABC", 32, 2), (Units{'A', 'B'}));
}

TEST(UTF16EscConverter, Counts) {
    KelCharSetConverterUTF16Esc conv;
    EXPECT_EQ(conv.getNumUnits("U+00E9A", KEL_NPOS), 2u);
    // The escape must lie wholly inside the examined bytes.
    EXPECT_EQ(conv.getNumUnits("U+00E9A", 5), 5u);
    const Units text = {0xE9, 0x41, 0};
    EXPECT_EQ(conv.getNumBytes(text.data(), KEL_NPOS), 7u);
    EXPECT_EQ(conv.getNumBytes(text.data(), 1), 6u);
}

TEST(UTF16EscConverter, CountsMatchConversionsOnRandomText) {
    KelCharSetConverterUTF16Esc conv;
    const char alphabet[] = "U+0A9Fe-x\xE9";
    const unsigned short units[] = {0x41, 0x55, 0x2B, 0x7F, 0x80, 0xE9, 0xD800, 0xFFFF};
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        Units text;
        for (int i = static_cast<int>(rng() % 14); i >= 0; --i) {
            bytes.push_back(alphabet[rng() % (sizeof alphabet - 1)]);
            text.push_back(units[rng() % (sizeof units / sizeof units[0])]);
        }
        keltest::expectUnitCountMatchesDecoding(conv, bytes);
        keltest::expectByteCountMatchesEncoding(conv, text);
        // Everything encoded reads back unchanged.
        text.push_back(0);
        std::string escaped(conv.getNumBytes(text.data(), KEL_NPOS) + 1, '\0');
        conv.fromUTF16(&escaped[0], text.data(), escaped.size() - 1, ILLCHAR_STOP, nullptr);
        text.pop_back();
        ASSERT_EQ(decode(conv, escaped, 64), text);
    }
}

TEST(UTF16Converters, NullArgumentsWriteNothing) {
    KelCharSetConverterUTF16 utf16;
    KelCharSetConverterUTF16Esc esc;
    for (KelCharSetConverter* conv :
         {static_cast<KelCharSetConverter*>(&utf16), static_cast<KelCharSetConverter*>(&esc)}) {
        unsigned short out[2] = {0xBEEF, 0xBEEF};
        const unsigned short text[] = {0x41, 0};
        EXPECT_EQ(conv->toUTF16(out, nullptr, 1, ILLCHAR_REPLACE, nullptr, -1), 0u);
        EXPECT_EQ(conv->toUTF16(nullptr, text, 1, ILLCHAR_REPLACE, nullptr, -1), 0u);
        EXPECT_EQ(conv->fromUTF16(out, nullptr, 4, ILLCHAR_REPLACE, nullptr), 0u);
        EXPECT_EQ(conv->fromUTF16(nullptr, text, 4, ILLCHAR_REPLACE, nullptr), 0u);
        EXPECT_EQ(out[0], 0xBEEF);
        EXPECT_EQ(conv->getNumUnits(nullptr, 4), 0u);
        EXPECT_EQ(conv->getNumUnits(text, 0), 0u);
        EXPECT_EQ(conv->getNumBytes(nullptr, 4), 0u);
        EXPECT_EQ(conv->getNumBytes(text, 0), 0u);
        EXPECT_EQ(conv->fromUTF8(out, reinterpret_cast<const unsigned char*>("A"), 1,
                                 ILLCHAR_REPLACE, nullptr),
                  0u);
        EXPECT_EQ(out[0], 0xBEEF);
    }
    EXPECT_EQ(utf16.getNullCharSize(), 2u);
    EXPECT_EQ(esc.getMaxUnitSize(), 6u);
}

} // namespace
