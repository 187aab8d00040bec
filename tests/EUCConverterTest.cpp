// The EUC converters: EUC-KR and EUC-CN over their 94 x 94 sets, and EUC-JP
// with its single shifts.
#include "ConverterInvariants.h"
#include "KelCharSetConverterEUC_JP.h"
#include "MBCSTestSets.h"

#include <gtest/gtest.h>

namespace {

using keltest::decode;
using keltest::encode;
using keltest::mbcsConverter;
using keltest::Units;

KelCharSetConverter& eucKR() {
    return mbcsConverter(KELCS_EUC_KR);
}
KelCharSetConverter& eucCN() {
    return mbcsConverter(KELCS_EUC_CN);
}
KelCharSetConverter& eucJP() {
    return mbcsConverter(KELCS_EUC_JP);
}

TEST(EUC_CN_KRConverter, ConvertsCodeSetsZeroAndOneBothWays) {
    EXPECT_EQ(decode(eucKR(), "\xB0\xA1\x41\xA1\xA1").units, (Units{0xAC00, 0x41, 0x3000}));
    EXPECT_EQ(encode(eucKR(), {0xAC00, 0x41, 0x3000}).bytes, "\xB0\xA1\x41\xA1\xA1");
    EXPECT_EQ(decode(eucCN(), "\xB0\xA1\xA1\xA1").units, (Units{0x554A, 0x3000}));
    EXPECT_EQ(encode(eucCN(), {0x554A, 0x3000}).bytes, "\xB0\xA1\xA1\xA1");
    const unsigned short units[] = {0x41, 0xAC00, 0};
    EXPECT_EQ(eucKR().getNumBytes(units, KEL_NPOS), 3u);
}

TEST(EUC_CN_KRConverter, BytesOutsideBothCodeSetsAreSubstitutes) {
    for (KelCharSetConverter* conv : {&eucKR(), &eucCN()}) {
        const keltest::Decoded d = decode(*conv, "\x7F\x8E\x8F\xA0\xFF");
        EXPECT_EQ(d.units, Units(5, 0xFFFD));
        EXPECT_TRUE(d.illegal);
        // A lead byte before a byte that is no trail byte, or at the end.
        EXPECT_EQ(decode(*conv, "\xA1\x41\xB0").units, (Units{0xFFFD, 0x41, 0xFFFD}));
        EXPECT_EQ(decode(*conv, "A\xA1\x41", ILLCHAR_STOP).units, Units{0x41});
        EXPECT_EQ(conv->getNumUnits("\xA1\x41\xB0", KEL_NPOS), 3u);
        EXPECT_EQ(conv->getNumUnits("\xB0\xA1", 1), 1u);
    }
}

TEST(EUC_CN_KRConverter, UnmappableUnitsFollowTheOperation) {
    const keltest::Encoded replaced = encode(eucKR(), {0x7F, 0xE9});
    EXPECT_EQ(replaced.bytes, "??");
    EXPECT_TRUE(replaced.illegal);
    EXPECT_EQ(encode(eucKR(), {0xE9}, ILLCHAR_ESCAPE).bytes, "U+00E9");
    EXPECT_EQ(encode(eucKR(), {0xD83D, 0xDE00}, ILLCHAR_ESCAPE).bytes, "U+D83DU+DE00");
    const unsigned short units[] = {0xE9, 0};
    EXPECT_EQ(eucKR().getNumBytes(units, KEL_NPOS), 1u);
    // The euro sign has no entry in this KS X 1001.
    EXPECT_EQ(encode(eucKR(), {0x20AC}).bytes, "?");
}

TEST(EUC_CN_KRConverter, CharacterThatDoesNotFitEndsTheConversion) {
    EXPECT_EQ(encode(eucKR(), {0xAC00}, ILLCHAR_REPLACE, 1).bytes, "");
    EXPECT_EQ(encode(eucKR(), {0x41, 0xAC00}, ILLCHAR_REPLACE, 2).bytes, "A");
    EXPECT_EQ(decode(eucKR(), "\xB0\xA1\x41", ILLCHAR_REPLACE, 64, 1).units, Units{0xAC00});
}

TEST(EUC_JPConverter, ConvertsEveryCodeSetThatHasCharacters) {
    EXPECT_EQ(decode(eucJP(), "\xB0\xA1\x8E\xB1\x41\\~").units,
              (Units{0x4E9C, 0xFF71, 0x41, 0x5C, 0x7E}));
    EXPECT_EQ(encode(eucJP(), {0x4E9C, 0xFF71, 0x41, 0x5C}).bytes, "\xB0\xA1\x8E\xB1\x41\\");
    EXPECT_EQ(eucJP().getNumUnits("\xB0\xA1\x8E\xB1\x41", KEL_NPOS), 3u);
    const unsigned short units[] = {0x41, 0x4E9C, 0xFF71, 0};
    EXPECT_EQ(eucJP().getNumBytes(units, KEL_NPOS), 5u);
}

TEST(EUC_JPConverter, YenSignAndOverlineTravelThroughTheJisX0201Codes) {
    EXPECT_EQ(encode(eucJP(), {0xA5, 0x203E}).bytes, "\x80\xDC\x80\xFE");
    EXPECT_EQ(decode(eucJP(), "\x80\xDC\x80\xFE").units, (Units{0xA5, 0x203E}));
}

// Codes are taken only in their own byte ranges: a high byte never aliases
// an ASCII character through a 7-bit key, and no ASCII byte is swallowed as
// a trail. JIS X 0208 0x2140 is the full-width reverse solidus, not "\\".
TEST(EUC_JPConverter, PairsOutsideTheCodeRangesAreNoCharacters) {
    constexpr unsigned short R = 0xFFFD;
    EXPECT_EQ(decode(eucJP(), "\x80\xAE\x80\xAE\x80\xAF").units, Units(6, R));
    EXPECT_EQ(decode(eucJP(), "\x80\xC1").units, (Units{R, R}));
    EXPECT_EQ(decode(eucJP(), "\xB0\x2F").units, (Units{R, 0x2F}));
    EXPECT_EQ(decode(eucJP(), "\xB0\x21").units, (Units{R, 0x21}));
    EXPECT_EQ(decode(eucJP(), "\x8F\x30\x21").units, (Units{R, 0x30, 0x21}));
    EXPECT_EQ(eucJP().getNumUnits("\xB0\x21\x80\xAF", KEL_NPOS), 4u);
    EXPECT_EQ(decode(eucJP(), "\xA1\xC0").units, Units{0xFF3C});
    EXPECT_EQ(encode(eucJP(), {0xFF3C, 0x5C}).bytes, "\xA1\xC0\\");
}

TEST(EUC_JPConverter, SingleShiftsWithoutACharacterAreSubstitutes) {
    // SS3: no JIS X 0212 character converts, and the bytes after it are read again.
    keltest::Decoded d = decode(eucJP(), "\x8F\xB0\xA1");
    EXPECT_EQ(d.units, (Units{0xFFFD, 0x4E9C}));
    EXPECT_TRUE(d.illegal);
    EXPECT_EQ(decode(eucJP(), "\x8F").units, Units{0xFFFD});
    EXPECT_EQ(decode(eucJP(), "\x8F\xB0").units, (Units{0xFFFD, 0xFFFD}));
    EXPECT_EQ(decode(eucJP(), "A\x8F\x41", ILLCHAR_STOP).units, Units{0x41});
    // SS2 before a byte that is no half-width katakana, or at the end.
    EXPECT_EQ(decode(eucJP(), "\x8E\x41").units, (Units{0xFFFD, 0x41}));
    EXPECT_EQ(decode(eucJP(), "\x8E\xE0").units, (Units{0xFFFD, 0xFFFD}));
    EXPECT_EQ(decode(eucJP(), "\x8E").units, Units{0xFFFD});
    EXPECT_EQ(decode(eucJP(), "\x8E\x8E\xB1").units, (Units{0xFFFD, 0xFF71}));
}

TEST(EUC_JPConverter, ByteThatStartsNoCharacterIsASubstitute) {
    EXPECT_EQ(decode(eucJP(), "\x7F").units, Units{0xFFFD});
    EXPECT_EQ(decode(eucJP(), "\xB0").units, Units{0xFFFD});
    EXPECT_EQ(decode(eucJP(), "\xFF\xFF\x41").units, (Units{0xFFFD, 0xFFFD, 0x41}));
    const keltest::Encoded replaced = encode(eucJP(), {0x7F, 0xE9});
    EXPECT_EQ(replaced.bytes, "??");
    EXPECT_TRUE(replaced.illegal);
    EXPECT_EQ(encode(eucJP(), {0xD83D, 0xDE00}, ILLCHAR_ESCAPE).bytes, "U+D83DU+DE00");
}

// A lead byte or single shift cut off by the end of the counted bytes counts
// as the one U+FFFD that toUTF16 writes for it, so that text measured by
// getNumUnits keeps every character.
TEST(EUC_JPConverter, CountsALeadByteAtTheEndAsItsSubstitute) {
    for (const char* text : {"A\xB0", "A\x8E", "A\x8F", "A\x8F\xB0", "\xB0\xA1\xB0"}) {
        SCOPED_TRACE(text);
        const std::string bytes(text);
        EXPECT_EQ(eucJP().getNumUnits(text, KEL_NPOS), decode(eucJP(), bytes).units.size());
        keltest::expectUnitCountMatchesDecoding(eucJP(), bytes);
    }
    EXPECT_EQ(eucJP().getNumUnits("A\xB0\xA1", 2), 2u);
}

TEST(EUC_JPConverter, CharacterThatDoesNotFitEndsTheConversion) {
    EXPECT_EQ(encode(eucJP(), {0x4E9C}, ILLCHAR_REPLACE, 1).bytes, "");
    EXPECT_EQ(encode(eucJP(), {0x41, 0xFF71}, ILLCHAR_REPLACE, 2).bytes, "A");
    EXPECT_EQ(encode(eucJP(), {0xE9}, ILLCHAR_ESCAPE, 5).bytes, "");
    EXPECT_EQ(decode(eucJP(), "\x8E\xB1\x41", ILLCHAR_REPLACE, 64, 1).units, Units{0xFF71});
}

TEST(EUC_JPConverter, ConverterWithoutTablesConvertsOnlyCodeSetZero) {
    const std::unique_ptr<KelCharSetConverter> conv = keltest::namedEUCJPConverter();
    const keltest::Decoded d = decode(*conv, "A\xB0\xA1\x8E\xB1");
    EXPECT_EQ(d.units, (Units{0x41, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}));
    EXPECT_TRUE(d.illegal);
    EXPECT_EQ(encode(*conv, {0x41, 0x4E9C}).bytes, "A?");
    keltest::expectUnitCountMatchesDecoding(*conv, "A\xB0\xA1\x8E");
    keltest::expectByteCountMatchesEncoding(*conv, {0x41, 0x4E9C});
}

// The library's JIS X 0212 list is empty; a converter given one reads and
// writes its characters behind SS3, three bytes each.
TEST(EUC_JPConverter, JisX0212CharactersTravelBehindSS3) {
    static const unsigned short jis0208[] = {0x3021, 0x4E9C, 0, 0};
    static const unsigned short jis0212[] = {0x3021, 0x4E02, 0, 0};
    KelCharSetConverterEUC_JP conv(jis0208, nullptr, jis0212, KELCS_EUC_JP);
    EXPECT_EQ(decode(conv, "\xB0\xA1\x8F\xB0\xA1\x41").units, (Units{0x4E9C, 0x4E02, 0x41}));
    EXPECT_EQ(encode(conv, {0x4E9C, 0x4E02, 0x41}).bytes, "\xB0\xA1\x8F\xB0\xA1\x41");
    EXPECT_EQ(encode(conv, {0x41, 0x4E02}, ILLCHAR_REPLACE, 3).bytes, "A");
    keltest::expectUnitCountMatchesDecoding(conv, "\x8F\xB0\xA1\x8F\xB0");
    keltest::expectByteCountMatchesEncoding(conv, {0x4E02, 0x4E9C, 0x4E03});
}

} // namespace
