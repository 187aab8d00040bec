#include "KelCharSetConverterSBCS.h"

#include "ConverterInvariants.h"
#include "GuardedConversions.h"
#include "SBCSTestSets.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using keltest::decode;
using keltest::Decoded;
using keltest::encode;
using keltest::Encoded;
using keltest::kGuardByte;
using keltest::kGuardUnit;
using keltest::Units;

// 3 is the one value beyond the named ones that the enumeration can hold.
const ILLCHAR_OPTYPE kEveryOpType[] = {ILLCHAR_STOP, ILLCHAR_REPLACE, ILLCHAR_ESCAPE,
                                       static_cast<ILLCHAR_OPTYPE>(3)};

KelCharSetConverter& cp1252() { return keltest::sbcsConverter(KELCS_WCP1252); }

TEST(SBCSConverter, Cp1252EuroAndC1ControlRoundTrip) {
    const Decoded d = decode(cp1252(), "\x80\x81\x9F" "A");
    EXPECT_EQ(d.units, (Units{0x20AC, 0x0081, 0x0178, 0x0041}));
    EXPECT_FALSE(d.illegal);
    const Encoded e = encode(cp1252(), d.units);
    EXPECT_EQ(e.bytes, "\x80\x81\x9F" "A");
    EXPECT_FALSE(e.illegal);
}

TEST(SBCSConverter, UnmappedByteFollowsOpType) {
    struct Case {
        KelCharSet cs;
        const char* bytes;
    };
    for (const Case c : {Case{KELCS_ISO_8859_8, "a\xBF" "b"}, Case{KELCS_WCP1253, "a\xD2" "b"}}) {
        for (const ILLCHAR_OPTYPE op : kEveryOpType) {
            SCOPED_TRACE(testing::Message() << c.cs << " op " << op);
            const Decoded d = decode(keltest::sbcsConverter(c.cs), c.bytes, op);
            EXPECT_TRUE(d.illegal);
            const Units expected = op == ILLCHAR_STOP ? Units{'a'} : Units{'a', 0xFFFD, 'b'};
            EXPECT_EQ(d.units, expected);
        }
    }
}

TEST(SBCSConverter, UnmappableUnitFollowsOpType) {
    const char* const expected[] = {"a", "a?b", "aU+4E00b", "a?b"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(testing::Message() << "op " << kEveryOpType[i]);
        const Encoded e = encode(cp1252(), {'a', 0x4E00, 'b'}, kEveryOpType[i]);
        EXPECT_EQ(e.bytes, expected[i]);
        EXPECT_TRUE(e.illegal);
    }
}

// An escape is written whole or not at all, and one that no longer fits ends
// the conversion even where a following one-byte character would still fit.
TEST(SBCSConverter, EscapeThatNoLongerFitsEndsTheConversion) {
    const Units text = {'a', 0x00E9, 'b'};
    KelCharSetConverter& koi8 = keltest::sbcsConverter(KELCS_KOI8R);
    EXPECT_EQ(encode(koi8, text, ILLCHAR_ESCAPE, 6).bytes, "a");
    EXPECT_EQ(encode(koi8, text, ILLCHAR_ESCAPE, 7).bytes, "aU+00E9");
    EXPECT_EQ(encode(koi8, text, ILLCHAR_ESCAPE, 8).bytes, "aU+00E9b");
    EXPECT_EQ(encode(koi8, text, ILLCHAR_REPLACE, 2).bytes, "a?");
    EXPECT_TRUE(encode(koi8, text, ILLCHAR_ESCAPE, 6).illegal);
}

TEST(SBCSConverter, EachSurrogateIsUnmappableByItself) {
    const Units smiley = {0xD83D, 0xDE00};
    EXPECT_EQ(encode(cp1252(), smiley, ILLCHAR_REPLACE).bytes, "??");
    EXPECT_EQ(encode(cp1252(), smiley, ILLCHAR_ESCAPE).bytes, "U+D83DU+DE00");
    EXPECT_EQ(encode(cp1252(), {0xDC00, 'x'}, ILLCHAR_REPLACE).bytes, "?x");
}

TEST(SBCSConverter, SourceLimitCountsConvertedBytes) {
    const std::string ten = "abcdefghij";
    EXPECT_EQ(decode(cp1252(), ten, ILLCHAR_REPLACE, 64, 3).units, (Units{'a', 'b', 'c'}));
    EXPECT_TRUE(decode(cp1252(), ten, ILLCHAR_REPLACE, 64, 0).units.empty());
    EXPECT_EQ(decode(cp1252(), ten, ILLCHAR_REPLACE, 64, -1).units.size(), 10u);
    EXPECT_EQ(decode(cp1252(), ten, ILLCHAR_REPLACE, 64, -5).units.size(), 10u);
    EXPECT_EQ(decode(cp1252(), ten, ILLCHAR_REPLACE, 64, 20).units.size(), 10u);
    EXPECT_EQ(decode(cp1252(), ten, ILLCHAR_REPLACE, 4, 8).units.size(), 4u);
    EXPECT_EQ(decode(cp1252(), ten, ILLCHAR_REPLACE, 4, -1).units.size(), 4u);

    KelCharSetConverter& hebrew = keltest::sbcsConverter(KELCS_ISO_8859_8);
    EXPECT_EQ(decode(hebrew, "a\xBF" "bc", ILLCHAR_REPLACE, 64, 2).units, (Units{'a', 0xFFFD}));
    EXPECT_EQ(decode(hebrew, "a\xBF" "bc", ILLCHAR_STOP, 64, 3).units, (Units{'a'}));
}

TEST(SBCSConverter, NoRoomOrEmptySourceWritesOnlyTheTerminator) {
    for (const ILLCHAR_OPTYPE op : kEveryOpType) {
        EXPECT_TRUE(decode(cp1252(), "abc", op, 0).units.empty());
        EXPECT_TRUE(decode(cp1252(), std::string("\0abc", 4), op).units.empty());
        EXPECT_TRUE(encode(cp1252(), {'a', 'b'}, op, 0).bytes.empty());
        EXPECT_TRUE(encode(cp1252(), {0, 'a'}, op).bytes.empty());
        EXPECT_FALSE(encode(cp1252(), {0, 0x4E00}, op).illegal);
    }
}

TEST(SBCSConverter, NullPointersWriteNothingAndLeaveTheFlag) {
    unsigned short units[4] = {kGuardUnit, kGuardUnit, kGuardUnit, kGuardUnit};
    char bytes[4] = {kGuardByte, kGuardByte, kGuardByte, kGuardByte};
    const unsigned short text[] = {'a', 0};
    bool illegal = true;
    EXPECT_EQ(cp1252().toUTF16(nullptr, "a", 3, ILLCHAR_REPLACE, &illegal, -1), 0u);
    EXPECT_EQ(cp1252().toUTF16(units, nullptr, 3, ILLCHAR_REPLACE, &illegal, -1), 0u);
    EXPECT_EQ(cp1252().fromUTF16(nullptr, text, 3, ILLCHAR_REPLACE, &illegal), 0u);
    EXPECT_EQ(cp1252().fromUTF16(bytes, nullptr, 3, ILLCHAR_REPLACE, &illegal), 0u);
    EXPECT_TRUE(illegal);
    EXPECT_EQ(units[0], kGuardUnit);
    EXPECT_EQ(bytes[0], kGuardByte);
    EXPECT_EQ(cp1252().getNumUnits(nullptr, KEL_NPOS), 0u);
    EXPECT_EQ(cp1252().getNumBytes(nullptr, KEL_NPOS), 0u);
}

// The counts read nothing at or beyond srcLen: the heap buffers below have no
// terminator, so AddressSanitizer catches a read past them.
TEST(SBCSConverter, CountsStopAtTheTerminatorOrTheLength) {
    EXPECT_EQ(cp1252().getNumUnits("abc", KEL_NPOS), 3u);
    EXPECT_EQ(cp1252().getNumUnits("abc", 2), 2u);
    EXPECT_EQ(cp1252().getNumUnits("abc", 0), 0u);
    const unsigned short ab[] = {'a', 'b', 0, 'c', 'd'};
    EXPECT_EQ(cp1252().getNumBytes(ab, 5), 2u);
    EXPECT_EQ(cp1252().getNumBytes(ab, 0), 0u);

    const std::unique_ptr<char[]> bytes(new char[2]{'x', 'y'});
    EXPECT_EQ(cp1252().getNumUnits(bytes.get(), 2), 2u);
    const std::unique_ptr<unsigned short[]> units(new unsigned short[2]{'x', 'y'});
    EXPECT_EQ(cp1252().getNumBytes(units.get(), 2), 2u);
}

TEST(SBCSConverter, CountsMatchWhatTheConversionsWrite) {
    std::string everyByte;
    for (int b = 1; b <= 0xFF; ++b)
        everyByte.push_back(static_cast<char>(b));
    const Units mixed = {'a', 0x00E9, 0x20AC, 0x0416, 0x4E00, 0xD83D, 0xDE00, 0xDC00, 0xFFFF};
    for (const keltest::SBCSSet& set : keltest::sbcsSets()) {
        KelCharSetConverter& conv = keltest::sbcsConverter(set.cs);
        keltest::expectUnitCountMatchesDecoding(conv, everyByte);
        keltest::expectUnitCountMatchesDecoding(conv, everyByte.substr(0x7F));
        keltest::expectByteCountMatchesEncoding(conv, mixed);
    }
}

TEST(SBCSConverter, WithoutPairListNothingMaps) {
    KelCharSetConverterSBCS conv("nothing", KELCS_WCP1252);
    EXPECT_STREQ(conv.getName(), "nothing");
    const Decoded stopped = decode(conv, "ab", ILLCHAR_STOP);
    EXPECT_TRUE(stopped.units.empty());
    EXPECT_TRUE(stopped.illegal);
    EXPECT_EQ(decode(conv, "ab").units, (Units{0xFFFD, 0xFFFD}));
    EXPECT_EQ(encode(conv, {'a', 'b'}).bytes, "??");
    EXPECT_EQ(encode(conv, {'a'}, ILLCHAR_ESCAPE).bytes, "U+0061");
    EXPECT_TRUE(encode(conv, {'a'}, ILLCHAR_STOP).illegal);
}

// Threads that meet a converter before its tables exist all get complete
// tables; run under ThreadSanitizer this also checks the publication.
TEST(SBCSConverter, ConcurrentFirstUseSeesCompleteTables) {
    const keltest::SBCSSet& set = keltest::sbcsSet(KELCS_WCP1251);
    const keltest::SBCSMapping mapping = keltest::mappingOf(set);
    std::string everyByte;
    Units expected;
    for (int b = 1; b <= 0xFF; ++b) {
        everyByte.push_back(static_cast<char>(b));
        expected.push_back(mapping.toUnicode[b]);
    }
    constexpr int kRounds = 10;
    constexpr int kThreads = 4;
    for (int round = 0; round < kRounds; ++round) {
        KelCharSetConverterSBCS conv(set.pairs, set.cs);
        std::vector<Units> decoded(kThreads);
        std::vector<std::string> encoded(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                Units out(0x100);
                out.resize(conv.toUTF16(out.data(), everyByte.c_str(), 0xFF, ILLCHAR_STOP,
                                        nullptr, -1));
                decoded[t] = out;
                out.push_back(0);
                std::string back(0x100, '\0');
                back.resize(conv.fromUTF16(&back[0], out.data(), 0xFF, ILLCHAR_STOP, nullptr));
                encoded[t] = back;
            });
        }
        for (std::thread& th : threads)
            th.join();
        for (int t = 0; t < kThreads; ++t) {
            EXPECT_EQ(decoded[t], expected);
            EXPECT_EQ(encoded[t], everyByte);
        }
    }
}

} // namespace
