// The lead/trail double-byte converters: code pages 932, 936, 949, 950, Big5,
// Shift-JIS, and Shift_JIS-2004 with its characters beyond U+FFFF.
#include "InertConverter.h"
#include "KelCharSetConverterMBCSEx.h"
#include "MBCSTestSets.h"

#include <gtest/gtest.h>

#include <thread>
#include <typeinfo>

namespace {

using keltest::decode;
using keltest::encode;
using keltest::mbcsConverter;
using keltest::Units;

KelCharSetConverter& cp932() {
    return mbcsConverter(KELCS_WCP932);
}
KelCharSetConverter& sjis2004() {
    return mbcsConverter(KELCS_SJIS0213);
}

// Each set has its own converter object, of the class its encoding needs.
TEST(DBCSConverter, EverySetIsRegisteredWithItsClass) {
    for (const keltest::MBCSSet& set : keltest::mbcsSets()) {
        const KelCharSetConverter& registered = *KelCharSetConverter::getConverter(set.cs);
        const std::unique_ptr<KelCharSetConverter> fresh = keltest::freshConverter(set.cs);
        const KelCharSetConverter& expected = *fresh;
        EXPECT_EQ(registered.getCharSet(), set.cs);
        EXPECT_EQ(typeid(registered), typeid(expected)) << set.cs;
    }
}

TEST(DBCSConverter, ConvertsOneAndTwoByteCharactersBothWays) {
    EXPECT_EQ(decode(cp932(), "\x82\xA0\x41\xA6").units, (Units{0x3042, 0x41, 0xFF66}));
    EXPECT_EQ(encode(cp932(), {0x3042, 0x41, 0xFF66}).bytes, "\x82\xA0\x41\xA6");
    EXPECT_EQ(cp932().getNumUnits("\x82\xA0\x41", KEL_NPOS), 2u);
    const unsigned short units[] = {0x3042, 0x41, 0};
    EXPECT_EQ(cp932().getNumBytes(units, KEL_NPOS), 3u);
    // The control rotation of the Windows tables.
    EXPECT_EQ(decode(cp932(), "\x1A\x1C\x7F").units, (Units{0x1C, 0x7F, 0x1A}));
}

TEST(DBCSConverter, LeadByteWithoutTrailByteIsOneSubstituteAndTheNextByteIsKept) {
    const keltest::Decoded d = decode(cp932(), "\x81 ");
    EXPECT_EQ(d.units, (Units{0xFFFD, 0x20}));
    EXPECT_TRUE(d.illegal);
    EXPECT_EQ(decode(cp932(), "A\x81 ", ILLCHAR_STOP).units, Units{0x41});
    // ILLCHAR_ESCAPE has nothing to escape towards UTF-16.
    EXPECT_EQ(decode(cp932(), "\x81 ", ILLCHAR_ESCAPE).units, (Units{0xFFFD, 0x20}));
    // At the end of the text, before the terminator.
    EXPECT_EQ(decode(cp932(), "A\x81").units, (Units{0x41, 0xFFFD}));
    EXPECT_EQ(cp932().getNumUnits("A\x81", KEL_NPOS), 2u);
    // At the end of the counted bytes, whatever follows them.
    EXPECT_EQ(cp932().getNumUnits("A\x81\xA0", 2), 2u);

    KelCharSetConverter& cp949 = mbcsConverter(KELCS_WCP949);
    EXPECT_EQ(decode(cp949, "\x81\x41").units.size(), 1u);
    EXPECT_NE(decode(cp949, "\x81\x41").units[0], 0xFFFD);
    EXPECT_EQ(decode(cp949, "\x81\x5B").units, (Units{0xFFFD, 0x5B}));
}

TEST(DBCSConverter, TwoByteCodeWithoutMappingIsOneSubstitute) {
    // 0x85 0x40 has a lead and a trail byte but no character in code page 932.
    const keltest::Decoded d = decode(cp932(), "\x85\x40\x41");
    EXPECT_EQ(d.units, (Units{0xFFFD, 0x41}));
    EXPECT_TRUE(d.illegal);
    EXPECT_EQ(decode(cp932(), "\x85\x40", ILLCHAR_STOP).units, Units{});
}

TEST(DBCSConverter, Cp950ReadsItsCodesWithHighTrailBytes) {
    EXPECT_EQ(decode(mbcsConverter(KELCS_WCP950), "\xF2\x8C").units, Units{0xB4});
    EXPECT_EQ(encode(mbcsConverter(KELCS_WCP950), {0xB4}).bytes, "\xF2\x8C");
}

// Big5 codes some characters twice; text with either code reads, and the
// one code the table keeps is written.
TEST(DBCSConverter, Big5ReadsBothCodesOfItsDoubledCharactersAndWritesOne) {
    KelCharSetConverter& big5 = mbcsConverter(KELCS_BIG5);
    const Units doubled = {0x256D, 0x256E, 0x2570, 0x256F, 0x2550,
                           0x255E, 0x256A, 0x2561, 0x5341, 0x5345};
    const std::string second = "\xA2\x7E\xA2\xA1\xA2\xA2\xA2\xA3\xA2\xA4\xA2\xA5\xA2\xA6\xA2\xA7"
                               "\xA2\xCC\xA2\xCE";
    const std::string kept = "\xF9\xFA\xF9\xFB\xF9\xFC\xF9\xFD\xF9\xF9\xF9\xE9\xF9\xEA\xF9\xEB"
                             "\xA4\x51\xA4\xCA";
    const keltest::Decoded read = decode(big5, second);
    EXPECT_EQ(read.units, doubled);
    EXPECT_FALSE(read.illegal);
    EXPECT_EQ(decode(big5, kept).units, doubled);
    EXPECT_EQ(encode(big5, doubled).bytes, kept);
}

TEST(DBCSConverter, UnmappableUnitsFollowTheOperation) {
    EXPECT_EQ(encode(cp932(), {0xE9, 0x41}, ILLCHAR_REPLACE).bytes, "?A");
    EXPECT_EQ(encode(cp932(), {0xE9, 0x41}, ILLCHAR_ESCAPE).bytes, "U+00E9A");
    const keltest::Encoded stopped = encode(cp932(), {0x41, 0xE9, 0x41}, ILLCHAR_STOP);
    EXPECT_EQ(stopped.bytes, "A");
    EXPECT_TRUE(stopped.illegal);
    // An escape that does not fit whole ends the conversion.
    EXPECT_EQ(encode(cp932(), {0xE9}, ILLCHAR_ESCAPE, 5).bytes, "");
    EXPECT_EQ(encode(cp932(), {0xE9}, ILLCHAR_ESCAPE, 6).bytes, "U+00E9");
}

TEST(DBCSConverter, EachSurrogateIsUnmappableOnItsOwn) {
    const keltest::Encoded replaced = encode(cp932(), {0xD83D, 0xDE00});
    EXPECT_EQ(replaced.bytes, "??");
    EXPECT_TRUE(replaced.illegal);
    EXPECT_EQ(encode(cp932(), {0xD83D, 0xDE00}, ILLCHAR_ESCAPE).bytes, "U+D83DU+DE00");
    const unsigned short units[] = {0xD83D, 0xDE00, 0};
    EXPECT_EQ(cp932().getNumBytes(units, KEL_NPOS), 2u);
}

TEST(DBCSConverter, CharacterThatDoesNotFitEndsTheConversion) {
    EXPECT_EQ(encode(cp932(), {0x3042}, ILLCHAR_REPLACE, 1).bytes, "");
    EXPECT_EQ(encode(cp932(), {0x41, 0x3042, 0x41}, ILLCHAR_REPLACE, 2).bytes, "A");
    EXPECT_EQ(decode(cp932(), "\x82\xA0", ILLCHAR_REPLACE, 0).units, Units{});
    EXPECT_EQ(decode(cp932(), "AB", ILLCHAR_REPLACE, 1).units, Units{0x41});
}

TEST(DBCSConverter, SourceLimitEndsAfterTheCharacterThatReachesIt) {
    EXPECT_EQ(decode(cp932(), "\x82\xA0\x41", ILLCHAR_REPLACE, 64, 1).units, Units{0x3042});
    EXPECT_EQ(decode(cp932(), "A\x82\xA0\x41", ILLCHAR_REPLACE, 64, 2).units,
              (Units{0x41, 0x3042}));
    // A lead byte without its trail byte is one byte consumed like any other:
    // the limit holds, and no byte beyond it is converted.
    EXPECT_EQ(decode(cp932(), "\x81 A", ILLCHAR_REPLACE, 64, 1).units, Units{0xFFFD});
    EXPECT_EQ(decode(cp932(), "AB", ILLCHAR_REPLACE, 64, 0).units, (Units{0x41, 0x42}));
}

TEST(DBCSConverter, NullArgumentsWriteNothing) {
    unsigned short out[2] = {0xBEEF, 0xBEEF};
    bool illegal = true;
    EXPECT_EQ(cp932().toUTF16(out, nullptr, 1, ILLCHAR_REPLACE, &illegal, -1), 0u);
    EXPECT_EQ(cp932().toUTF16(nullptr, "A", 1, ILLCHAR_REPLACE, &illegal, -1), 0u);
    char bytes[2] = {'#', '#'};
    const unsigned short units[] = {0x41, 0};
    EXPECT_EQ(cp932().fromUTF16(bytes, nullptr, 1, ILLCHAR_REPLACE, &illegal), 0u);
    EXPECT_EQ(cp932().fromUTF16(nullptr, units, 1, ILLCHAR_REPLACE, &illegal), 0u);
    EXPECT_EQ(out[0], 0xBEEF);
    EXPECT_EQ(bytes[0], '#');
    EXPECT_TRUE(illegal);
    EXPECT_EQ(cp932().getNumUnits(nullptr, 4), 0u);
    EXPECT_EQ(cp932().getNumBytes(nullptr, 4), 0u);
    EXPECT_EQ(cp932().getNumUnits("AB", 0), 0u);
    EXPECT_EQ(cp932().getNumBytes(units, 0), 0u);
}

TEST(DBCSExConverter, CharactersBeyondTheBmpAreSurrogatePairs) {
    EXPECT_EQ(decode(sjis2004(), "\x87\xA0").units, (Units{0xD840, 0xDC0B}));
    EXPECT_EQ(sjis2004().getNumUnits("\x87\xA0", KEL_NPOS), 2u);
    EXPECT_EQ(encode(sjis2004(), {0xD840, 0xDC0B}).bytes, "\x87\xA0");
    const unsigned short units[] = {0xD840, 0xDC0B, 0};
    EXPECT_EQ(sjis2004().getNumBytes(units, KEL_NPOS), 2u);
    // Room for one unit only: the pair is not split.
    EXPECT_EQ(decode(sjis2004(), "A\x87\xA0", ILLCHAR_REPLACE, 2).units, Units{0x41});
    EXPECT_EQ(decode(sjis2004(), "\x87\xA0", ILLCHAR_REPLACE, 1).units, Units{});
}

// An extended base built from a name instead of a list: only its tables
// matter here.
class NamedExtendedBase : public keltest::InertConverter<KelCharSetConverterMBCSEx> {
public:
    NamedExtendedBase() : InertConverter("sjis2004", KELCS_SJIS0213) {}
    bool mapsAnything() const {
        return toUnicode().trans(0x87A0) != 0 || fromUnicode().trans(0x2000B) != 0 ||
               toUnicode().trans(0x41) != 0;
    }
};

TEST(DBCSExConverter, BaseBuiltFromANameLoadsNoTables) {
    NamedExtendedBase conv;
    EXPECT_STREQ(conv.getName(), "sjis2004");
    conv.load();
    conv.load();
    EXPECT_FALSE(conv.mapsAnything());
}

TEST(DBCSExConverter, YenSignAndBackslashFollowTheTable) {
    EXPECT_EQ(decode(sjis2004(), "\x5C").units, Units{0xA5});
    EXPECT_EQ(encode(sjis2004(), {0x5C}).bytes, "\x81\x5F");
}

TEST(DBCSExConverter, UnmappableCharacterBeyondTheBmpIsOneSubstitute) {
    const keltest::Encoded replaced = encode(sjis2004(), {0xD83D, 0xDE00});
    EXPECT_EQ(replaced.bytes, "?");
    EXPECT_TRUE(replaced.illegal);
    EXPECT_EQ(encode(sjis2004(), {0xD83D, 0xDE00, 0x41}, ILLCHAR_ESCAPE).bytes, "U+D83DU+DE00A");
    EXPECT_EQ(encode(sjis2004(), {0x41, 0xD83D, 0xDE00}, ILLCHAR_ESCAPE, 12).bytes, "A");
    EXPECT_EQ(encode(sjis2004(), {0xD83D, 0xDE00}, ILLCHAR_STOP).bytes, "");
}

TEST(DBCSExConverter, LoneAndReversedSurrogatesAreUnmappableUnits) {
    EXPECT_EQ(encode(sjis2004(), {0xD83D, 0x41}).bytes, "?A");
    EXPECT_EQ(encode(sjis2004(), {0xD83D, 0x41}, ILLCHAR_ESCAPE).bytes, "U+D83DA");
    EXPECT_EQ(encode(sjis2004(), {0xDE00}, ILLCHAR_ESCAPE).bytes, "U+DE00");
    EXPECT_EQ(encode(sjis2004(), {0xDE00, 0xD83D}).bytes, "??");
    EXPECT_EQ(encode(sjis2004(), {0xD83D, 0xD840, 0xDC0B}).bytes, "?\x87\xA0");
}

TEST(DBCSExConverter, ByteCountOfAHighSurrogateAtTheEndIsItsSubstitute) {
    // fromUTF16 writes '?' for it, so the count must include it.
    const unsigned short lone[] = {0xD83D, 0};
    EXPECT_EQ(sjis2004().getNumBytes(lone, KEL_NPOS), 1u);
    const unsigned short pair[] = {0xD840, 0xDC0B, 0};
    EXPECT_EQ(sjis2004().getNumBytes(pair, 1), 1u);
    EXPECT_EQ(sjis2004().getNumBytes(pair, 2), 2u);
}

// Threads that meet a converter whose tables are not built yet all see them
// complete; ThreadSanitizer checks that the build is properly published.
TEST(DBCSConverter, ConcurrentFirstUseSeesCompleteTables) {
    for (KelCharSet cs : {KELCS_WCP932, KELCS_SJIS0213, KELCS_EUC_JP, KELCS_EUC_KR}) {
        const std::unique_ptr<KelCharSetConverter> conv = keltest::freshConverter(cs);
        const std::string bytes = keltest::encode(mbcsConverter(cs), {0x3000, 0x41}).bytes;
        std::vector<std::thread> threads;
        std::vector<Units> results(4);
        for (Units& result : results) {
            threads.emplace_back([&conv, &bytes, &result] {
                unsigned short out[8];
                const KelLength n =
                    conv->toUTF16(out, bytes.c_str(), 7, ILLCHAR_REPLACE, nullptr, -1);
                result.assign(out, out + n);
            });
        }
        for (std::thread& t : threads)
            t.join();
        for (const Units& result : results)
            EXPECT_EQ(result, (Units{0x3000, 0x41})) << cs;
    }
}

} // namespace
