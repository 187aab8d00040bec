#include "KelCharSet.h"
#include "KelUChar.h"

#include <gtest/gtest.h>

namespace {

TEST(UCharSurrogates, PairArithmeticAtTheLimits) {
    unsigned short hi = 0, lo = 0;
    KelUChar::toSurrogatePair(0x10000, hi, lo);
    EXPECT_EQ(hi, 0xD800);
    EXPECT_EQ(lo, 0xDC00);
    EXPECT_EQ(KelUChar::toUTF32(hi, lo), 0x10000u);
    KelUChar::toSurrogatePair(0x10FFFF, hi, lo);
    EXPECT_EQ(hi, 0xDBFF);
    EXPECT_EQ(lo, 0xDFFF);
    EXPECT_EQ(KelUChar::toUTF32(hi, lo), 0x10FFFFu);
    KelUChar::toSurrogatePair(0x208000, hi, lo);
    EXPECT_EQ(hi, 0xDFE0);
    EXPECT_EQ(lo, 0xDC00);

    EXPECT_FALSE(KelUChar::isSurrogate(0xFFFF));
    EXPECT_TRUE(KelUChar::isSurrogate(0x10000));
    EXPECT_TRUE(KelUChar::isSurrogate(0x10FFFF));
    EXPECT_FALSE(KelUChar::isSurrogate(0x110000));
    EXPECT_FALSE(KelUChar::isSurrogateHigh(0xDC00));
    EXPECT_TRUE(KelUChar::isSurrogateHigh(0xDBFF));
    EXPECT_FALSE(KelUChar::isSurrogateLow(0xDBFF));
    EXPECT_TRUE(KelUChar::isSurrogateLow(0xDFFF));
}

TEST(WideText, LengthAndEquality) {
    const unsigned short empty[] = {0};
    const unsigned short ab[] = {'a', 'b', 0};
    const unsigned short abc[] = {'a', 'b', 'c', 0};
    EXPECT_EQ(KelCharSetWStrlen(nullptr), 0u);
    EXPECT_EQ(KelCharSetWStrlen(abc), 3u);
    EXPECT_TRUE(KelCharSetWStrEqual(nullptr, nullptr));
    EXPECT_FALSE(KelCharSetWStrEqual(empty, nullptr));
    EXPECT_FALSE(KelCharSetWStrEqual(nullptr, empty));
    EXPECT_TRUE(KelCharSetWStrEqual(empty, empty));
    EXPECT_FALSE(KelCharSetWStrEqual(ab, abc));
    EXPECT_FALSE(KelCharSetWStrEqual(abc, ab));
    EXPECT_TRUE(KelCharSetWStrEqual(abc, abc));
}

TEST(CharSetIds, PseudoAndUnusedValues) {
    EXPECT_EQ(KELCS_OS_DEFAULT, -2);
    EXPECT_EQ(KELCS_UTF16ESC, 1202);
    EXPECT_EQ(sizeof(KelCharSet), 4u);
    EXPECT_EQ(sizeof(KelLength), sizeof(void*));
}

} // namespace
