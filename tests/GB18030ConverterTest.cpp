// The GB18030 converter: one-, two- and four-byte codes, malformed and
// unmapped input, room and source limits, unpaired surrogates, counting,
// the range indexes and first use from several threads.
#include "KelCharSetConverterGB18030.h"
#include "KelCharSetConverterMBCSEx.h"

#include "ConverterInvariants.h"
#include "MBCSTestSets.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-variable"
#pragma GCC diagnostic ignored "-Wunused-const-variable"
#include "data/CodePageTables.inc"
#pragma GCC diagnostic pop

using keltest::decode;
using keltest::encode;
using keltest::Units;
using GB = KelCharSetConverterGB18030;

// 3 stands for any unnamed value; it is the largest the enumeration can hold.
const ILLCHAR_OPTYPE kEveryOpType[] = {ILLCHAR_STOP, ILLCHAR_REPLACE, ILLCHAR_ESCAPE,
                                       static_cast<ILLCHAR_OPTYPE>(3)};

GB& gb18030() {
    static GB conv(oGBKmap, KELCS_GB18030);
    return conv;
}

// Bytes, for the two-byte form: literals alone would fit the two-halves form as well.
using Byte = unsigned char;

TEST(GB18030Converter, ScalarsOfTheThreeCodeLengths) {
    EXPECT_EQ(GB::makeScalar(Byte{0x81}, Byte{0x40}), 0x8140u);
    EXPECT_EQ(GB::makeScalar(0x81, 0x30, 0x81, 0x30), 0x10000u);
    EXPECT_EQ(GB::makeScalar(0x81, 0x31, 0x82, 0x32), 0x10000u + 1260 + 10 + 2);
    const unsigned short first = 0xFE39, second = 0xFE39;
    EXPECT_EQ(GB::makeScalar(first, second), 1653135u);
}

TEST(GB18030Converter, DecodesEachCodeLength) {
    const keltest::Decoded d = decode(gb18030(), "A\xA1\xA1\xA2\xE3\x81\x30\x81\x30\x84\x31\xA4\x39"
                                                 "\x90\x30\x81\x30\xE3\x32\x9A\x35");
    EXPECT_EQ(d.units,
              (Units{'A', 0x3000, 0x20AC, 0x0080, 0xFFFF, 0xD800, 0xDC00, 0xDBFF, 0xDFFF}));
    EXPECT_FALSE(d.illegal);
}

TEST(GB18030Converter, EncodesEachCodeLength) {
    const keltest::Encoded e = encode(gb18030(), {'A', 0x3000, 0x20AC, 0x0080, 0xFFFF, 0xD800,
                                                  0xDC00, 0xD83D, 0xDE00, 0xDBFF, 0xDFFF, 0xE7C7});
    EXPECT_EQ(e.bytes, "A\xA1\xA1\xA2\xE3\x81\x30\x81\x30\x84\x31\xA4\x39\x90\x30\x81\x30"
                       "\x94\x39\xFC\x36\xE3\x32\x9A\x35\xA8\xBC");
    EXPECT_FALSE(e.illegal);
}

// Codes that are well formed but unmapped, bytes that start no code, and
// lead bytes without a valid rest: one U+FFFD for the bytes consumed.
TEST(GB18030Converter, UnconvertibleInputFollowsOpType) {
    struct Case {
        std::string bytes;
        Units replaced;
    };
    const Case cases[] = {
        {"a\x80z", {'a', 0xFFFD, 'z'}},
        {"a\xFFz", {'a', 0xFFFD, 'z'}},
        {"a\x84\x31\xA5\x30z", {'a', 0xFFFD, 'z'}},
        {"a\x8F\x39\xFE\x39z", {'a', 0xFFFD, 'z'}},
        {"a\xE3\x32\x9A\x36z", {'a', 0xFFFD, 'z'}},
        {"a\xFE\x39\xFE\x39z", {'a', 0xFFFD, 'z'}},
        {"a\x81\x20z", {'a', 0xFFFD, ' ', 'z'}},
        {"a\x81\x30\x81 ", {'a', 0xFFFD, '0', 0xFFFD, ' '}},
        {"a\x81\x30\xFF\x30", {'a', 0xFFFD, '0', 0xFFFD, '0'}},
    };
    for (const Case& c : cases) {
        for (const ILLCHAR_OPTYPE op : kEveryOpType) {
            SCOPED_TRACE(testing::Message() << testing::PrintToString(c.bytes) << " op " << op);
            const keltest::Decoded d = decode(gb18030(), c.bytes, op);
            EXPECT_TRUE(d.illegal);
            EXPECT_EQ(d.units, op == ILLCHAR_STOP ? Units{'a'} : c.replaced);
        }
    }
}

// A code cut short by the terminator never reads past it.
TEST(GB18030Converter, TruncatedCodesBeforeTheTerminator) {
    EXPECT_EQ(decode(gb18030(), "\x81").units, (Units{0xFFFD}));
    EXPECT_EQ(decode(gb18030(), "\x81\x30").units, (Units{0xFFFD, '0'}));
    EXPECT_EQ(decode(gb18030(), "\x81\x30\x81").units, (Units{0xFFFD, '0', 0xFFFD}));
    EXPECT_EQ(decode(gb18030(), "\x90\x30\x81", ILLCHAR_STOP).units, Units{});
    EXPECT_EQ(gb18030().getNumUnits("\x90\x30\x81", KEL_NPOS), 3u);
    EXPECT_EQ(gb18030().getNumUnits("\x90\x30\x81\x30", 3), 3u);
    EXPECT_EQ(gb18030().getNumUnits("\xA1\xA1", 1), 1u);
}

TEST(GB18030Converter, SupplementaryCharacterNeedsRoomForBothUnits) {
    const std::string text = "a\x94\x39\xFC\x36z";
    EXPECT_EQ(decode(gb18030(), text, ILLCHAR_REPLACE, 2).units, (Units{'a'}));
    EXPECT_EQ(decode(gb18030(), text, ILLCHAR_REPLACE, 3).units, (Units{'a', 0xD83D, 0xDE00}));
    EXPECT_EQ(decode(gb18030(), "\x84\x31\xA4\x39", ILLCHAR_REPLACE, 1).units, (Units{0xFFFF}));
    EXPECT_TRUE(decode(gb18030(), text, ILLCHAR_REPLACE, 0).units.empty());
}

// A code that starts before the limit is read whole.
TEST(GB18030Converter, SourceLimitEndsAfterTheCharacterThatReachesIt) {
    const std::string text = "\x90\x30\x81\x30"
                             "ab";
    EXPECT_EQ(decode(gb18030(), text, ILLCHAR_REPLACE, 64, 1).units, (Units{0xD800, 0xDC00}));
    EXPECT_EQ(decode(gb18030(), text, ILLCHAR_REPLACE, 64, 5).units, (Units{0xD800, 0xDC00, 'a'}));
    EXPECT_EQ(decode(gb18030(), text, ILLCHAR_REPLACE, 64, 0).units.size(), 4u);
    EXPECT_EQ(decode(gb18030(), "\x80\x80\x80", ILLCHAR_REPLACE, 64, 2).units,
              (Units{0xFFFD, 0xFFFD}));
}

// No partial code is written: the conversion ends in front of a code that
// does not fit.
TEST(GB18030Converter, EncodingEndsInFrontOfACodeThatDoesNotFit) {
    const Units text = {'a', 0x0080, 'b'};
    EXPECT_EQ(encode(gb18030(), text, ILLCHAR_REPLACE, 4).bytes, "a");
    EXPECT_EQ(encode(gb18030(), text, ILLCHAR_REPLACE, 5).bytes, "a\x81\x30\x81\x30");
    EXPECT_EQ(encode(gb18030(), {'a', 0xD83D, 0xDE00}, ILLCHAR_REPLACE, 3).bytes, "a");
    EXPECT_EQ(encode(gb18030(), {'a', 0x3000}, ILLCHAR_REPLACE, 2).bytes, "a");
    EXPECT_FALSE(encode(gb18030(), text, ILLCHAR_REPLACE, 4).illegal);
}

// An unpaired high surrogate is an unconvertible unit like a lone low one;
// the unit after it converts in its own right, so no text is lost.
TEST(GB18030Converter, UnpairedSurrogatesAreUnconvertibleUnits) {
    struct Case {
        Units units;
        const char* replaced;
        const char* escaped;
    };
    const Case cases[] = {
        {{0xD800, 0x0041}, "?A", "U+D800A"},
        {{0xD800, 0xD800, 0xDC00}, "?\x90\x30\x81\x30", "U+D800\x90\x30\x81\x30"},
        {{'a', 0xDBFF}, "a?", "aU+DBFF"},
        {{0xDC00, 0xD800, 'b'}, "??b", "U+DC00U+D800b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.units));
        const keltest::Encoded replaced = encode(gb18030(), c.units, ILLCHAR_REPLACE);
        EXPECT_EQ(replaced.bytes, c.replaced);
        EXPECT_TRUE(replaced.illegal);
        EXPECT_EQ(encode(gb18030(), c.units, ILLCHAR_ESCAPE).bytes, c.escaped);
        keltest::expectByteCountMatchesEncoding(gb18030(), c.units);
    }
    const keltest::Encoded stopped = encode(gb18030(), {'a', 0xD800, 'b'}, ILLCHAR_STOP);
    EXPECT_EQ(stopped.bytes, "a");
    EXPECT_TRUE(stopped.illegal);

    bool illegal = false;
    const unsigned short text[] = {0xD800, 0x0041, 0};
    char out[8];
    EXPECT_EQ(gb18030().fromUTF16(out, text, 7, ILLCHAR_REPLACE, &illegal), 2u);
    EXPECT_TRUE(illegal);
    EXPECT_EQ(gb18030().getNumBytes(text, KEL_NPOS), 2u);
}

TEST(GB18030Converter, CountsMatchWhatTheConversionsWrite) {
    EXPECT_EQ(gb18030().getNumUnits("\x41\x90\x30\x81\x30", KEL_NPOS), 3u);
    const unsigned short smiley[] = {0x0041, 0xD83D, 0xDE00, 0};
    EXPECT_EQ(gb18030().getNumBytes(smiley, KEL_NPOS), 5u);
    // A pair cut by the length counts as an unpaired surrogate.
    EXPECT_EQ(gb18030().getNumBytes(smiley, 2), 2u);

    const std::string mixed = "a\x80\xA1\xA1\x81\x30\x81\x30\x94\x39\xFC\x36\x84\x31\xA5\x30"
                              "\xFF\x81\x30\x81\xE3\x32\x9A\x36\xFE";
    for (std::size_t n = 0; n <= mixed.size(); ++n)
        keltest::expectUnitCountMatchesDecoding(gb18030(), mixed.substr(0, n));
    const Units units = {'a', 0x0080, 0x3000, 0xD83D, 0xDE00, 0xDC00, 0xD800, 0xFFFF, 0xE7C7};
    for (std::size_t n = 0; n <= units.size(); ++n)
        keltest::expectByteCountMatchesEncoding(gb18030(), Units(units.begin(), units.begin() + n));
}

// Each index entry starts the search at the last row that begins before its
// block, so a search looks at no row that ends before the block, and at
// every row that reaches into it.
void expectIndexStartsAtTheRowBeforeEachBlock(const GB::RangeRow* rows, unsigned int first,
                                              unsigned int blockSize, unsigned int blocks,
                                              const GB::RangeRow* (GB::*startRow)(unsigned int)
                                                  const) {
    for (unsigned int block = 0; block < blocks; ++block) {
        const unsigned int blockStart = first + block * blockSize;
        const GB::RangeRow* row = (gb18030().*startRow)(blockStart + blockSize - 1);
        SCOPED_TRACE(testing::Message() << std::hex << "block at 0x" << blockStart);
        EXPECT_EQ((gb18030().*startRow)(blockStart), row);
        if (row != rows) {
            EXPECT_LT((*row)[0], blockStart);
        }
        EXPECT_TRUE(row[1][0] == 0 || row[1][0] >= blockStart);
    }
}

TEST(GB18030Converter, RangeIndexesStartAtTheRowBeforeEachBlock) {
    gb18030().load();
    const GB::RangeRow* gbFirst = gb18030().getGB2UniRange(0x80FF);
    const GB::RangeRow* uniFirst = gb18030().getUni2GBRange(0);
    EXPECT_EQ(gbFirst[0][0], 0xA2E3u);
    EXPECT_EQ(uniFirst[0][0], 0x0080u);
    expectIndexStartsAtTheRowBeforeEachBlock(gbFirst, 0x8100, 256, 287, &GB::getGB2UniRange);
    expectIndexStartsAtTheRowBeforeEachBlock(uniFirst, 0, 128, 512, &GB::getUni2GBRange);
    EXPECT_EQ(gb18030().getGB2UniRange(300000), gb18030().getGB2UniRange(0x19FFF));
}

TEST(GB18030Converter, WithoutPairListOnlyFourByteCodesConvert) {
    GB conv("GB18030", KELCS_GB18030);
    EXPECT_EQ(decode(conv, "A\x81\x30\x81\x30\x90\x30\x81\x30").units,
              (Units{0xFFFD, 0x0080, 0xD800, 0xDC00}));
    EXPECT_EQ(encode(conv, {'A', 0x0080, 0xD800, 0xDC00}).bytes,
              "?\x81\x30\x81\x30\x90\x30\x81\x30");
}

// Threads that meet a converter before its tables and indexes exist all see
// them complete; under ThreadSanitizer this also checks the publication.
TEST(GB18030Converter, FirstUseFromSeveralThreads) {
    const std::string text = "a\xA1\xA1\x81\x30\x81\x30\x84\x31\xA4\x39\x94\x39\xFC\x36\xFE\x50";
    const Units expected = {'a', 0x3000, 0x0080, 0xFFFF, 0xD83D, 0xDE00, 0x2E81};
    for (int round = 0; round < 4; ++round) {
        GB conv(oGBKmap, KELCS_GB18030);
        std::vector<Units> decoded(4);
        std::vector<std::string> encoded(4);
        std::vector<std::thread> threads;
        for (std::size_t t = 0; t < decoded.size(); ++t) {
            threads.emplace_back([&, t] {
                decoded[t] = decode(conv, text).units;
                encoded[t] = encode(conv, expected).bytes;
            });
        }
        for (std::thread& thread : threads)
            thread.join();
        for (std::size_t t = 0; t < decoded.size(); ++t) {
            EXPECT_EQ(decoded[t], expected);
            EXPECT_EQ(encoded[t], text);
        }
    }
}

} // namespace
