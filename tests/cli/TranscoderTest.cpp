#include "ConversionTestHelpers.h"
#include "FakeConverters.h"
#include "Reporter.h"

#include <gtest/gtest.h>

using kelconv::Problem;
using Offsets = std::vector<std::uint64_t>;
using namespace std::string_literals;

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

kelconv::Converted fromUtf8(KelPolicy policy, const std::string& input) {
    return kelconv::convertAll(kelconv::utf8(), kelconv::utf8(), policy, input);
}

TEST(Transcoder, CopiesWellFormedTextWithNulsAndSupplementaryCharacters) {
    const std::string text("a\0\xC3\xA9\xF0\x9F\x98\x80\nz\0", 11);
    const kelconv::Converted r = fromUtf8(KelPolicy::Replace, text);
    EXPECT_EQ(r.text, text);
    EXPECT_TRUE(r.problems.empty());
    EXPECT_TRUE(r.finished);
}

TEST(Transcoder, LocatesEachMalformedSequenceAndAppliesThePolicy) {
    // A lead without its continuation, a stray continuation byte, and a
    // sequence cut off by the end of the input.
    const std::string input = "ab\xC3(x\x80y\xE2\x82";
    const kelconv::Converted replaced = fromUtf8(KelPolicy::Replace, input);
    EXPECT_EQ(replaced.text, "ab" + kReplacement + "(x" + kReplacement + "y" + kReplacement);
    EXPECT_EQ(replaced.offsets(), (Offsets{2, 5, 7}));
    EXPECT_EQ(bytesOf(replaced.problems[0]), "\xC3");
    EXPECT_EQ(bytesOf(replaced.problems[2]), "\xE2\x82");
    EXPECT_EQ(replaced.problems[0].kind, Problem::Kind::Malformed);

    EXPECT_EQ(fromUtf8(KelPolicy::Escape, input).text, replaced.text);
    EXPECT_EQ(fromUtf8(KelPolicy::Skip, input).text, "ab(xy");
    EXPECT_EQ(fromUtf8(KelPolicy::Skip, input).offsets(), (Offsets{2, 5, 7}));

    const kelconv::Converted stopped = fromUtf8(KelPolicy::Report, input);
    EXPECT_FALSE(stopped.finished);
    EXPECT_EQ(stopped.text, "ab");
    EXPECT_EQ(stopped.offsets(), Offsets{2});
}

TEST(Transcoder, UnpairedSurrogatesInTheSourceAreMalformed) {
    // Surrogates written as three-byte sequences decode as such; alone
    // they are no character, in a pair they are one.
    const kelconv::Converted lone = fromUtf8(KelPolicy::Replace, "a\xED\xA0\x80"
                                                                 "b\xED\xB0\x80");
    EXPECT_EQ(lone.text, "a" + kReplacement + "b" + kReplacement);
    EXPECT_EQ(lone.offsets(), (Offsets{1, 5}));
    EXPECT_EQ(bytesOf(lone.problems[0]), "\xED\xA0\x80");

    const kelconv::Converted pair = fromUtf8(KelPolicy::Replace, "\xED\xA0\xBD\xED\xB8\x80");
    EXPECT_EQ(pair.text, "\xF0\x9F\x98\x80");
    EXPECT_TRUE(pair.problems.empty());
}

TEST(Transcoder, TheTwoByteFormOfNulBecomesANul) {
    EXPECT_EQ(fromUtf8(KelPolicy::Replace, "a\xC0\x80"
                                           "b")
                  .text,
              std::string("a\0b", 3));
}

class UnmappableTest : public ::testing::Test {
protected:
    kelconv::Converted toAscii(KelPolicy policy, const std::string& input) {
        return kelconv::convertAll(kelconv::utf8(), m_ascii, policy, input);
    }
    FakeAsciiConverter m_ascii;
};

TEST_F(UnmappableTest, AreLocatedInTheSourceAndReplacedEscapedDroppedOrStoppedAt) {
    const std::string input = "a\xC3\xA9\xE2\x82\xAC\n\xF0\x9F\x98\x80"
                              "b";
    const kelconv::Converted replaced = toAscii(KelPolicy::Replace, input);
    EXPECT_EQ(replaced.text, "a??\n?b");
    EXPECT_EQ(replaced.offsets(), (Offsets{1, 3, 7}));
    EXPECT_EQ(replaced.problems[0].kind, Problem::Kind::Unmappable);
    EXPECT_EQ(replaced.problems[0].codePoint, 0xE9u);
    EXPECT_EQ(replaced.problems[2].codePoint, 0x1F600u);

    EXPECT_EQ(toAscii(KelPolicy::Escape, input).text, "aU+00E9U+20AC\nU+D83DU+DE00b");
    EXPECT_EQ(toAscii(KelPolicy::Skip, input).text, "a\nb");

    const kelconv::Converted stopped = toAscii(KelPolicy::Report, input);
    EXPECT_EQ(stopped.text, "a");
    EXPECT_EQ(stopped.offsets(), Offsets{1});
    EXPECT_FALSE(stopped.finished);
}

TEST_F(UnmappableTest, ManyInOneLineKeepTheirOwnOffsets) {
    std::string input;
    Offsets expected;
    for (int i = 0; i < 300; ++i) {
        input += "x";
        expected.push_back(input.size());
        input += "\xE4\xB8\x80";
    }
    const kelconv::Converted r = toAscii(KelPolicy::Replace, input);
    EXPECT_EQ(r.offsets(), expected);
    EXPECT_EQ(r.text.size(), 600u);
}

TEST_F(UnmappableTest, TheSubstituteForMalformedInputIsNotReportedAgain) {
    const kelconv::Converted r = toAscii(KelPolicy::Replace, "a\xFF"
                                                             "b\xC3\xA9");
    EXPECT_EQ(r.text, "a?b?");
    ASSERT_EQ(r.offsets(), (Offsets{1, 3}));
    EXPECT_EQ(r.problems[0].kind, Problem::Kind::Malformed);
    EXPECT_EQ(r.problems[1].kind, Problem::Kind::Unmappable);
}

TEST_F(UnmappableTest, StopsAtTheEarlierOfAnUnmappableAndAMalformedCharacter) {
    const kelconv::Converted r = toAscii(KelPolicy::Report, "a\xC3\xA9"
                                                            "b\xFF");
    EXPECT_EQ(r.text, "a");
    ASSERT_EQ(r.offsets(), Offsets{1});
    EXPECT_EQ(r.problems[0].kind, Problem::Kind::Unmappable);
}

class DoubleByteSourceTest : public ::testing::Test {
protected:
    kelconv::Converted toUtf8(KelPolicy policy, const std::string& input) {
        return kelconv::convertAll(m_dbcs, kelconv::utf8(), policy, input);
    }
    FakeDoubleByteConverter m_dbcs;
};

TEST_F(DoubleByteSourceTest, ALeadWithoutTrailIsOneByteAndTheNextCharacterSurvives) {
    const kelconv::Converted r = toUtf8(KelPolicy::Replace, "A\x81 B\x81\x40\x81");
    EXPECT_EQ(r.text, "A" + kReplacement + " B\xE4\xB9\x80" + kReplacement);
    EXPECT_EQ(r.offsets(), (Offsets{1, 6}));
    EXPECT_EQ(bytesOf(r.problems[0]), "\x81");
    EXPECT_EQ(toUtf8(KelPolicy::Skip, "A\x81 B").text, "A B");
}

TEST_F(DoubleByteSourceTest, AnUnmappedPairIsOneCharacter) {
    // Restarting inside the pair would turn its trail byte into a "~".
    const kelconv::Converted r = toUtf8(KelPolicy::Replace, "\x81\x40\x81~Z");
    EXPECT_EQ(r.text, "\xE4\xB9\x80" + kReplacement + "Z");
    EXPECT_EQ(r.offsets(), Offsets{2});
    EXPECT_EQ(bytesOf(r.problems[0]), "\x81~");
    EXPECT_EQ(toUtf8(KelPolicy::Skip, "\x81~Z").text, "Z");
}

class UTF16SourceTest : public ::testing::Test {
protected:
    kelconv::Converted toUtf8(KelPolicy policy, const std::vector<unsigned short>& units,
                              const std::string& tail = "") {
        return kelconv::convertAll(m_utf16, kelconv::utf8(), policy,
                                   kelconv::bytesOf(units) + tail);
    }
    KelCharSetConverter& m_utf16 = kelconv::utf16();
};

TEST_F(UTF16SourceTest, UnpairedSurrogatesAreMalformedAtTheirByteOffsets) {
    const kelconv::Converted r =
        toUtf8(KelPolicy::Replace, {'a', 0xD800, 'b', 0xDC00, 0xD83D, 0xDE00, 0xD83D});
    EXPECT_EQ(r.text, "a" + kReplacement + "b" + kReplacement + "\xF0\x9F\x98\x80" + kReplacement);
    EXPECT_EQ(r.offsets(), (Offsets{2, 6, 12}));
    EXPECT_EQ(bytesOf(r.problems[0]), std::string("\x00\xD8", 2));
}

TEST_F(UTF16SourceTest, AHalfUnitAtTheEndIsIncomplete) {
    const kelconv::Converted r = toUtf8(KelPolicy::Replace, {'a', 0, 'b'}, "x");
    EXPECT_EQ(r.text, std::string("a\0b", 3) + kReplacement);
    ASSERT_EQ(r.offsets(), Offsets{6});
    EXPECT_EQ(r.problems[0].kind, Problem::Kind::Incomplete);
    EXPECT_EQ(toUtf8(KelPolicy::Skip, {'a'}, "x").text, "a");
}

TEST(Transcoder, NulCharactersTakeTheTargetsSize) {
    const kelconv::Converted r = kelconv::convertAll(kelconv::utf8(), kelconv::utf16(),
                                                     KelPolicy::Replace, std::string("a\0", 2));
    EXPECT_EQ(r.text, kelconv::bytesOf({'a', 0}));
}

} // namespace

namespace {

// Converts input a few bytes at a time, 1 to 7, and then ends it as kelconv
// does, with an empty last chunk.
kelconv::Converted convertInPieces(KelCharSetConverter& from, KelCharSetConverter& to,
                                   KelPolicy policy, const std::string& input) {
    kelconv::Transcoder transcoder(from, to, policy);
    kelconv::Converted result;
    const auto data = reinterpret_cast<const unsigned char*>(input.data());
    std::size_t done = 0;
    for (std::size_t piece = 1; result.finished; piece = piece % 7 + 1) {
        const std::size_t size = std::min(piece, input.size() - done);
        result.finished = transcoder.convert(data + done, size, size == 0);
        result.text.append(transcoder.output().begin(), transcoder.output().end());
        result.problems.insert(result.problems.end(), transcoder.problems().begin(),
                               transcoder.problems().end());
        if (size == 0)
            break;
        done += size;
    }
    return result;
}

std::vector<std::string> described(const std::vector<Problem>& problems) {
    std::vector<std::string> texts;
    for (const Problem& p : problems)
        texts.push_back(kelconv::describeProblem(p, p.offset, "S", "T"));
    return texts;
}

// Characters, surrogate pairs and malformed sequences split between chunks
// are carried over: the output and the problems, with their bytes and
// offsets, are those of one call.
TEST(Transcoder, ConvertingInSmallChunksGivesWhatOneCallGives) {
    FakeAsciiConverter ascii;
    FakeDoubleByteConverter dbcs;
    const std::string utf8Text = "a\0\xC3\xA9"
                                 "b\xED\xA0\xBD\xED\xB8\x80\xED\xA0\x80"
                                 "c\xC3(\xF0\x9F\x98\x80\x80\xE2\x82\xAC"
                                 "d\xE2\x82"s;
    const std::string dbcsText = "A\x81\x40\x81~Z\x81 \x9F\xFC\0\x81\x81\x81\x40\x81"s;
    const std::string utf16Text =
        kelconv::bytesOf({'a', 0xD83D, 0xDE00, 0xD800, 'b', 0xDC00, 0xD83D}) + "x";
    const struct {
        KelCharSetConverter& from;
        KelCharSetConverter& to;
        const std::string& input;
    } cases[] = {{kelconv::utf8(), ascii, utf8Text},
                 {dbcs, ascii, dbcsText},
                 {kelconv::utf16(), kelconv::utf8(), utf16Text}};
    for (const auto& c : cases) {
        for (KelPolicy policy :
             {KelPolicy::Replace, KelPolicy::Escape, KelPolicy::Skip, KelPolicy::Report}) {
            const kelconv::Converted whole = kelconv::convertAll(c.from, c.to, policy, c.input);
            const kelconv::Converted pieces = convertInPieces(c.from, c.to, policy, c.input);
            EXPECT_EQ(pieces.text, whole.text) << c.input;
            EXPECT_EQ(described(pieces.problems), described(whole.problems)) << c.input;
            EXPECT_EQ(pieces.finished, whole.finished);
        }
    }
}

// A set with shifts is given its state from chunk to chunk, and the output
// written before a stop returns to the initial state as a finished one does.
TEST(Transcoder, ShiftedOutputEndsUnshiftedInSmallChunksAndAtAStop) {
    KelCharSetConverter& kr = *KelCharSetConverter::getConverter(KELCS_ISO_2022KR);
    const std::string korean = "\xED\x95\x9C\xEA\xB5\xAD\n\xEC\x96\xB4";
    const std::string encoded =
        convertInPieces(kelconv::utf8(), kr, KelPolicy::Replace, korean).text;
    const std::string designation = "\x1B$)C";
    EXPECT_EQ(encoded.find(designation), 0u);
    EXPECT_EQ(encoded.find(designation, 1), std::string::npos);
    EXPECT_EQ(encoded.back(), '\x0F');
    EXPECT_EQ(convertInPieces(kr, kelconv::utf8(), KelPolicy::Replace, encoded).text, korean);

    const kelconv::Converted stopped = convertInPieces(kelconv::utf8(), kr, KelPolicy::Report,
                                                       korean + "\xF0\x9F\x98\x80" + korean);
    EXPECT_FALSE(stopped.finished);
    EXPECT_EQ(stopped.text, encoded);
}

} // namespace
