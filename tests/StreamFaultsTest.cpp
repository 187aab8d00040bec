// Streams at their edges: what a stream holds between calls, surrogates
// that arrive apart or alone, and what a call reports about itself.
#include "KelTranscoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(StreamFaults, HeldOverInputCountsTowardRoomAndCallsWithNothingToWriteFit) {
    // The room maxBytes gives takes a character held over from UTF-8.
    for (KelCharSet cs : {KELCS_UTF8, KELCS_GB18030, KELCS_UTF32BE}) {
        KelEncoder encoder(cs);
        char out[8];
        EXPECT_EQ(encoder.fromUTF8("\xF0\x9F\x98", 3, out, sizeof out, false).written, 0u);
        const KelStep step = encoder.fromUTF8("\x80", 1, out, encoder.maxBytes(1), true);
        EXPECT_EQ(step.status, KelStatus::InputUsed) << cs;
        EXPECT_GT(step.written, 0u) << cs;
    }

    KelEncoder encoder(KELCS_WCP1252);
    char out[8];
    EXPECT_EQ(encoder.encode(u"", 0, out, 0, false).status, KelStatus::InputUsed);
    encoder.fromUTF8("\xE2\x82", 2, out, sizeof out, false);
    EXPECT_EQ(encoder.fromUTF8("", 0, out, 0, false).status, KelStatus::InputUsed);
    const KelStep step = encoder.fromUTF8("\xAC", 1, out, encoder.maxBytes(1), true);
    EXPECT_EQ(step.status, KelStatus::InputUsed);
    EXPECT_EQ(std::string(out, step.written), "\x80");

    // A stream in its initial state has nothing to return to.
    KelEncoder shifting(KELCS_ISO_2022KR);
    EXPECT_EQ(shifting.encode(u"", 0, out, 0, true).status, KelStatus::InputUsed);
}

TEST(StreamFaults, SurrogatesAreOneProblemWhenPairedAndMalformedWhenAlone) {
    // A pair cut between calls is one character the set lacks.
    KelEncoder single(KELCS_WCP1252, KelPolicy::Report);
    char out[8];
    EXPECT_EQ(single.encode(u"\xD83D", 1, out, sizeof out, false).status, KelStatus::InputUsed);
    EXPECT_EQ(single.encode(u"\xDE00", 1, out, sizeof out, true).status, KelStatus::Unmappable);
    EXPECT_EQ(single.problem().position, 0u);
    EXPECT_EQ(single.problem().length, 2u);
    EXPECT_EQ(single.problem().value, 0x1F600u);
    EXPECT_EQ(single.encode(u"", 0, out, sizeof out, true).status, KelStatus::InputUsed);

    const struct {
        std::u16string utf16;
        std::string utf8;
    } alone[] = {{u"a\xD800" "b", "a\xED\xA0\x80" "b"}, {u"a\xDC00" "b", "a\xED\xB0\x80" "b"}};
    for (KelCharSet cs : {KELCS_GB18030, KELCS_WCP1252, KELCS_ISO_2022KR}) {
        for (const auto& text : alone) {
            KelEncoder fromUTF16(cs, KelPolicy::Report);
            char bytes[32];
            EXPECT_EQ(fromUTF16.encode(text.utf16.data(), 3, bytes, sizeof bytes, true).status,
                      KelStatus::Malformed)
                << cs;
            EXPECT_EQ(fromUTF16.problem().position, 1u) << cs;
            KelEncoder fromUTF8(cs, KelPolicy::Report);
            EXPECT_EQ(fromUTF8.fromUTF8(text.utf8.data(), 5, bytes, sizeof bytes, true).status,
                      KelStatus::Malformed)
                << cs;
            EXPECT_EQ(fromUTF8.problem().position, 1u) << cs;
        }
    }
}

TEST(StreamFaults, ProblemsDescribeTheirOwnCall) {
    KelProblems problems;
    kelDecode("\x80\x80", KELCS_UTF8, KelPolicy::Replace, &problems);
    kelDecode("ab\x80", KELCS_UTF8, KelPolicy::Replace, &problems);
    EXPECT_EQ(problems.count, 1u);
    EXPECT_EQ(problems.first, 2u);
    kelEncode(u"ok", KELCS_WCP1252, KelPolicy::Replace, &problems);
    EXPECT_EQ(problems.count, 0u);
    EXPECT_EQ(problems.first, 0u);
}

TEST(StreamFaults, UTF16PairsKeepTheirPositionAndStayWholeInShortRoom) {
    const unsigned short units[] = {0x41, 0xD83D, 0xDE00};
    char bytes[sizeof units];
    std::memcpy(bytes, units, sizeof units);

    unsigned short out[4];
    std::uint64_t at[4];
    KelDecoder whole(KELCS_UTF16);
    EXPECT_EQ(whole.decode(bytes, sizeof bytes, out, 4, true, at).written, 3u);
    EXPECT_TRUE(at[0] == 0 && at[1] == 2 && at[2] == 2);

    KelDecoder narrow(KELCS_UTF16);
    KelStep step = narrow.decode(bytes, sizeof bytes, out, 2, true, at);
    EXPECT_EQ(step.status, KelStatus::OutputFull);
    EXPECT_EQ(step.written, 1u);
    step = narrow.decode(bytes + step.read, sizeof bytes - step.read, out, 2, true, at);
    EXPECT_EQ(step.status, KelStatus::InputUsed);
    EXPECT_EQ(step.written, 2u);
    EXPECT_TRUE(out[0] == 0xD83D && at[0] == 2 && at[1] == 2);
}

} // namespace
