// Decoders and encoders over a stream cut anywhere: every way of feeding
// the same text, chunk sizes and output room included, gives the output and
// the problem positions of one call.
#include "KelTranscoder.h"
#include "MachineLevels.h"
#include "RegisteredSets.h"
#include "StreamFeeding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using keltest::decodeStream;
using keltest::encodeStream;
using keltest::Sizes;
using Units = std::vector<unsigned short>;

const std::uint32_t kCharacters[] = {0x00,   0x41,   0x7E,   0xA5,    0xE9,   0x416,
                                     0x3042, 0x30AB, 0x4E00, 0xAC00,  0xFF76, 0x20AC,
                                     0xFFFD, 0xD800, 0xDC00, 0x1F600, 0x20B9F};

Units randomUnits(std::mt19937& rng, std::size_t characters) {
    Units units;
    for (std::size_t i = 0; i < characters; ++i) {
        const std::uint32_t cp = kCharacters[rng() % std::size(kCharacters)];
        if (cp > 0xFFFF) {
            units.push_back(static_cast<unsigned short>(0xD7C0 + (cp >> 10)));
            units.push_back(static_cast<unsigned short>(0xDC00 | (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<unsigned short>(cp));
        }
    }
    return units;
}

// Text of the set with stray bytes among its characters.
std::string randomBytes(std::mt19937& rng, KelCharSet cs, std::size_t characters) {
    std::string bytes;
    for (std::size_t i = 0; i < characters; ++i) {
        if (rng() % 4 == 0) {
            bytes += static_cast<char>(rng() % 256);
            continue;
        }
        const Units one = randomUnits(rng, 1);
        bytes += kelEncode(std::u16string(one.begin(), one.end()), cs, KelPolicy::Skip);
    }
    return bytes;
}

const auto fixed = keltest::fixedSize;

Sizes between(std::mt19937& rng, std::size_t lo, std::size_t hi) {
    return [&rng, lo, hi] { return lo + rng() % (hi - lo + 1); };
}

template <class Outcome>
void expectSame(const Outcome& whole, const Outcome& cut, KelCharSet cs, const char* how) {
    EXPECT_TRUE(whole == cut) << cs << " " << how;
    EXPECT_TRUE(cut.consumedAll) << cs << " " << how;
}

// A short text split at every point, fed a unit at a time, and a long text
// in random chunks and rooms from `minRoom` up, against one call each.
template <class Text, class Stream>
void expectSplitInvariance(KelCharSet cs, const Text& shortText, const Text& longText,
                           std::size_t minRoom, std::mt19937& rng, Stream stream) {
    const auto whole = stream(cs, shortText, fixed(shortText.size()), fixed(64));
    for (std::size_t split = 0; split <= shortText.size(); ++split) {
        bool first = true;
        const Sizes twoPieces = [&] {
            const std::size_t n = first ? split : shortText.size();
            first = false;
            return n;
        };
        expectSame(whole, stream(cs, shortText, twoPieces, fixed(64)), cs, "split");
    }
    expectSame(whole, stream(cs, shortText, fixed(1), fixed(minRoom)), cs, "units");
    expectSame(stream(cs, longText, fixed(longText.size()), fixed(64)),
               stream(cs, longText, between(rng, 1, 40), between(rng, minRoom, 40)), cs, "random");
}

TEST(Streaming, DecodingAnyWayGivesTheOutputAndProblemsOfOneCall) {
    std::mt19937 rng(18);
    for (KelCharSet cs : keltest::kRegisteredSets) {
        const std::string shortText = randomBytes(rng, cs, 12);
        expectSplitInvariance(cs, shortText, randomBytes(rng, cs, 3000), 2, rng, decodeStream);
    }
}

TEST(Streaming, EncodingAnyWayGivesTheOutputAndProblemsOfOneCall) {
    std::mt19937 rng(19);
    for (KelCharSet cs : keltest::kRegisteredSets) {
        const auto shortText = randomUnits(rng, 10);
        expectSplitInvariance(cs, shortText, randomUnits(rng, 2000), 12, rng, encodeStream);
    }
}

TEST(Streaming, DirectUTF8PathsAnyWayGiveTheOutputAndProblemsOfOneCall) {
    std::mt19937 rng(20);
    // Texts drawn one statement at a time, so that every compiler tests the
    // same ones; 12 bytes of room take the two escapes of one character.
    for (KelCharSet cs : keltest::kRegisteredSets) {
        const std::string local = randomBytes(rng, cs, 12);
        expectSplitInvariance(cs, local, randomBytes(rng, cs, 2000), 4, rng,
                              keltest::decodeToUTF8Stream);
        const std::string utf8 = randomBytes(rng, KELCS_UTF8, 12);
        expectSplitInvariance(cs, utf8, randomBytes(rng, KELCS_UTF8, 2000), 12, rng,
                              keltest::encodeFromUTF8Stream);
    }
}

// UTF-16 text as standard UTF-8: pairs joined, a surrogate alone U+FFFD.
std::string standardUTF8(const std::u16string& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t v = units[i];
        const bool paired = v >= 0xD800 && v <= 0xDBFF && i + 1 < units.size() &&
                            units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
        if (paired)
            v = 0x10000 + ((v - 0xD800) << 10) + (units[++i] - 0xDC00);
        else if (v >= 0xD800 && v <= 0xDFFF)
            v = 0xFFFD;
        const int tail = v < 0x80 ? 0 : v < 0x800 ? 1 : v < 0x10000 ? 2 : 3;
        static const unsigned lead[4] = {0x00, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(lead[tail] | v >> (6 * tail));
        for (int k = tail - 1; k >= 0; --k)
            out += static_cast<char>(0x80 | (v >> (6 * k) & 0x3F));
    }
    return out;
}

std::u16string withoutLoneSurrogates(const std::u16string& units) {
    const std::string utf8 = standardUTF8(units);
    return kelDecode(utf8, KELCS_UTF8);
}

// The direct paths write what going through UTF-16 writes, with standard
// UTF-8 on their side, at every level of the machine: their fast blocks
// pass through the UTF-8 kernels, whose forms of a lone surrogate (the
// JVM's) they must not let through.
TEST(Streaming, DirectUTF8PathsWriteWhatUTF16InBetweenWrites) {
    std::mt19937 rng(21);
    for (KelCharSet cs : keltest::kRegisteredSets) {
        const std::string local = randomBytes(rng, cs, 400);
        const std::string utf8 = randomBytes(rng, KELCS_UTF8, 400) +
                                 "\xED\xA0\xBD\xED\xB8\x80 plain text \xED\xA0\x80 after";
        for (kel::blocks::Level level : keltest::kLevels) {
            keltest::AtLevel limit(level);
            EXPECT_EQ(kelDecodeToUTF8(local, cs), standardUTF8(kelDecode(local, cs))) << cs;
            for (KelPolicy policy : {KelPolicy::Replace, KelPolicy::Escape})
                EXPECT_EQ(kelEncodeFromUTF8(utf8, cs, policy),
                          kelEncode(withoutLoneSurrogates(kelDecode(utf8, KELCS_UTF8)), cs, policy))
                    << cs << " at level " << static_cast<int>(level);
        }
    }
}

// A character is one problem with one substitute, however many pieces its
// UTF-16 form has, from UTF-8 as from UTF-16; malformed bytes and a
// surrogate alone convert as U+FFFD.
TEST(Streaming, FromUTF8CountsCharactersAndPlacesThemInBytes) {
    KelProblems problems;
    EXPECT_EQ(kelEncodeFromUTF8("a\xE2\x82\xAC\xF0\x9F\x98\x80"
                                "b\x80\xED\xA0\x80",
                                KELCS_ISO_8859_1, KelPolicy::Replace, &problems),
              "a??b??");
    EXPECT_EQ(problems.count, 4u);
    EXPECT_EQ(problems.first, 1u);
    EXPECT_EQ(kelEncode(u"\U0001F600", KELCS_WCP1252, KelPolicy::Replace, &problems), "?");
    EXPECT_EQ(problems.count, 1u);
    EXPECT_EQ(kelDecodeToUTF8("U+D83DU+DE00U+D83D", KELCS_UTF16ESC),
              "\xF0\x9F\x98\x80\xEF\xBF\xBD");
    EXPECT_EQ(kelEncodeFromUTF8("\xE3\x81\x82", KELCS_SHIFTJIS), "\x82\xA0");
}

// Positions say where each unit's character begins, across carried-over
// characters too; a reported problem's spot is where its bytes are.
TEST(Streaming, PositionsAndProblemSpotsPointAtTheSourceBytes) {
    KelDecoder decoder(KELCS_UTF8, KelPolicy::Report);
    const std::string text = "a\xE3\x81\x82\xF0\x9F\x98\x80\xC3";
    unsigned short units[8];
    std::uint64_t positions[8];
    KelStep step = decoder.decode(text.data(), 3, units, 8, false, positions);
    EXPECT_EQ(step.read, 3u);
    EXPECT_EQ(step.written, 1u);
    step = decoder.decode(text.data() + 3, text.size() - 3, units + 1, 7, true, positions + 1);
    EXPECT_EQ(step.written, 3u);
    EXPECT_EQ(step.status, KelStatus::Malformed);
    const std::uint64_t expected[] = {0, 1, 4, 4};
    EXPECT_TRUE(std::equal(expected, expected + 4, positions));
    EXPECT_EQ(decoder.problem().position, 8u);
    EXPECT_EQ(decoder.problem().length, 1u);
    EXPECT_EQ(decoder.position(), text.size());
}

// Positions of units that the fast blocks convert, found after each block,
// against those of a byte at a time, which leaves the blocks little to do.
TEST(Streaming, PositionsOfWholeBlocksAreThoseOfOneByteAtATime) {
    std::mt19937 rng(22);
    struct Positioned {
        std::vector<unsigned short> units;
        std::vector<std::uint64_t> positions;
        bool operator==(const Positioned& o) const {
            return units == o.units && positions == o.positions;
        }
    };
    const auto decode = [](KelCharSet cs, const std::string& text, std::size_t chunk) {
        KelDecoder decoder(cs);
        Positioned out{std::vector<unsigned short>(2 * text.size() + 8),
                       std::vector<std::uint64_t>(2 * text.size() + 8)};
        KelLength written = 0;
        for (std::size_t at = 0; at < text.size(); at += chunk) {
            const std::size_t n = std::min(chunk, text.size() - at);
            written += decoder
                           .decode(text.data() + at, n, out.units.data() + written,
                                   out.units.size() - written, at + n == text.size(),
                                   out.positions.data() + written)
                           .written;
        }
        out.units.resize(written);
        out.positions.resize(written);
        return out;
    };
    for (KelCharSet cs : keltest::kRegisteredSets) {
        const std::string text = randomBytes(rng, cs, 300);
        for (kel::blocks::Level level : keltest::kLevels) {
            keltest::AtLevel limit(level);
            EXPECT_TRUE(decode(cs, text, text.size()) == decode(cs, text, 1))
                << cs << " at level " << static_cast<int>(level);
        }
    }
}

TEST(Streaming, RoomOfNothingWritesNothing) {
    KelDecoder decoder(KELCS_SHIFTJIS);
    const KelStep step =
        decoder.decode("\x82\xA0", 2, static_cast<unsigned short*>(nullptr), 0, true);
    EXPECT_EQ(step.status, KelStatus::OutputFull);
    EXPECT_EQ(step.read, 0u);
    EXPECT_EQ(step.written, 0u);
}

TEST(Streaming, OneCallHelpersCountTheProblemsAndPlaceTheFirst) {
    KelProblems problems;
    EXPECT_EQ(kelDecode(std::string("A\0\x80"
                                    "B\xFF",
                                    5),
                        KELCS_UTF8, KelPolicy::Replace, &problems),
              std::u16string(u"A\0\uFFFDB\uFFFD", 5));
    EXPECT_EQ(problems.count, 2u);
    EXPECT_EQ(problems.first, 2u);
    problems = {};
    EXPECT_EQ(kelEncode(u"a\u20AC\u3042b", KELCS_ISO_8859_1, KelPolicy::Escape, &problems),
              "aU+20ACU+3042b");
    EXPECT_EQ(problems.count, 2u);
    EXPECT_EQ(problems.first, 1u);
    EXPECT_EQ(kelEncode(u"a\u3042", KELCS_ISO_8859_1, KelPolicy::Skip), "a");
    const unsigned short units[] = {0x61, 0x3042};
    EXPECT_EQ(kelEncode(units, 2, KELCS_ISO_8859_1, KelPolicy::Skip), "a");
}

} // namespace
