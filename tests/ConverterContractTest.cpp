// What every registered converter promises at the edges of its arguments:
// null pointers and empty lengths convert and count nothing, a room of 0
// writes only the terminator, and a count bounded by a length never reads
// past it.
#include "RegisteredSets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <string>
#include <vector>

namespace {

using keltest::kRegisteredSets;

KelCharSetConverter& converter(KelCharSet cs) {
    return *KelCharSetConverter::getConverter(cs);
}

// "AB" in the converter's own form, followed by its NUL character.
std::string localAB(KelCharSetConverter& conv) {
    const unsigned short units[] = {'A', 'B', 0};
    std::string text(16, '\xEE');
    const KelLength n = conv.fromUTF16(&text[0], units, 8, ILLCHAR_REPLACE, nullptr);
    text.resize(n + conv.getNullCharSize());
    return text;
}

TEST(ConverterContract, NullPointersConvertNothingAndWriteNothing) {
    const unsigned short units[] = {'A', 0};
    for (KelCharSet cs : kRegisteredSets) {
        KelCharSetConverter& conv = converter(cs);
        const std::string text = localAB(conv);
        unsigned short utf16[4] = {0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE};
        unsigned char bytes[16];
        std::fill(std::begin(bytes), std::end(bytes), 0xEE);
        EXPECT_EQ(conv.toUTF16(nullptr, text.data(), 3, ILLCHAR_REPLACE, nullptr, -1), 0u) << cs;
        EXPECT_EQ(conv.toUTF16(utf16, nullptr, 3, ILLCHAR_REPLACE, nullptr, -1), 0u) << cs;
        EXPECT_EQ(utf16[0], 0xEEEE) << cs;
        EXPECT_EQ(conv.fromUTF16(nullptr, units, 8, ILLCHAR_REPLACE, nullptr), 0u) << cs;
        EXPECT_EQ(conv.fromUTF16(bytes, nullptr, 8, ILLCHAR_REPLACE, nullptr), 0u) << cs;
        EXPECT_EQ(bytes[0], 0xEE) << cs;
        EXPECT_EQ(conv.getNumUnits(nullptr, KEL_NPOS), 0u) << cs;
        EXPECT_EQ(conv.getNumBytes(nullptr, KEL_NPOS), 0u) << cs;
    }
}

TEST(ConverterContract, ZeroLengthsCountNothing) {
    const unsigned short units[] = {'A', 'B', 0};
    for (KelCharSet cs : kRegisteredSets) {
        KelCharSetConverter& conv = converter(cs);
        EXPECT_EQ(conv.getNumUnits(localAB(conv).data(), 0), 0u) << cs;
        EXPECT_EQ(conv.getNumBytes(units, 0), 0u) << cs;
    }
}

TEST(ConverterContract, NoRoomWritesOnlyTheTerminator) {
    const unsigned short units[] = {'A', 'B', 0};
    for (KelCharSet cs : kRegisteredSets) {
        KelCharSetConverter& conv = converter(cs);
        unsigned short utf16[2] = {0xEEEE, 0xEEEE};
        EXPECT_EQ(conv.toUTF16(utf16, localAB(conv).data(), 0, ILLCHAR_REPLACE, nullptr, -1), 0u)
            << cs;
        EXPECT_EQ(utf16[0], 0) << cs;
        EXPECT_EQ(utf16[1], 0xEEEE) << cs;
        std::vector<unsigned char> bytes(conv.getNullCharSize() + 1, 0xEE);
        EXPECT_EQ(conv.fromUTF16(bytes.data(), units, 0, ILLCHAR_REPLACE, nullptr), 0u) << cs;
        std::vector<unsigned char> terminatorOnly(conv.getNullCharSize(), 0);
        terminatorOnly.push_back(0xEE);
        EXPECT_EQ(bytes, terminatorOnly) << cs;
    }
}

// A length that ends inside the text counts only the characters before it.
TEST(ConverterContract, CountsStopAtTheGivenLength) {
    const unsigned short units[] = {'A', 'B', 0};
    for (KelCharSet cs : kRegisteredSets) {
        KelCharSetConverter& conv = converter(cs);
        const std::string text = localAB(conv);
        const KelLength oneCharacter = (text.size() - conv.getNullCharSize()) / 2;
        EXPECT_EQ(conv.getNumUnits(text.data(), oneCharacter), 1u) << cs;
        EXPECT_EQ(conv.getNumBytes(units, 1), oneCharacter) << cs;
    }
}

} // namespace
