// ISO-2022-KR and the big-endian UTF-16 and UTF-32 sets against glibc's
// iconv on valid text, whole and a unit at a time, and ISO-2022-KR on text
// that breaks its shifts.
#include "IconvAgreement.h"
#include "KelTranscoder.h"
#include "KelUString.h"
#include "StreamFeeding.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using keltest::expectAgreesWithIconv;
using keltest::fixedSize;
using Units = std::vector<unsigned short>;

// The characters of KS X 1001, found by reading each of its codes.
std::u16string koreanCharacters() {
    std::u16string found;
    for (int lead = 0xA1; lead <= 0xFE; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            const char code[] = {static_cast<char>(lead), static_cast<char>(trail)};
            KelProblems problems;
            const std::u16string c =
                kelDecode(std::string_view(code, 2), KELCS_EUC_KR, KelPolicy::Report, &problems);
            if (problems.count == 0 && c.size() == 1)
                found += c;
        }
    }
    return found;
}

TEST(StatefulSets, ISO2022KRWritesAndReadsKoreanTextAsGlibcDoes) {
    const std::u16string korean = koreanCharacters();
    ASSERT_GT(korean.size(), 8000u);
    const std::u16string breaks = u"\r\n \t";
    std::mt19937 rng(2022);
    for (int round = 0; round < 20; ++round) {
        std::u16string text;
        while (text.size() < 300) {
            const unsigned kind = rng() % 8;
            if (kind < 4)
                text += korean[rng() % korean.size()];
            else if (kind < 7)
                text += static_cast<char16_t>(0x20 + rng() % 0x5F);
            else
                text += breaks[rng() % breaks.size()];
        }
        expectAgreesWithIconv(KELCS_ISO_2022KR, "ISO-2022-KR", text);
    }
}

TEST(StatefulSets, BigEndianUTFSetsKeepALeadingByteOrderMarkAsGlibcDoes) {
    const char16_t pool[] = {u'A', 0x00E9, 0x0416, 0x4E00, 0xAC00, 0xFEFF, 0xFFFD, 0xFFFF};
    std::mt19937 rng(1201);
    std::u16string text = u"\uFEFF";
    for (int i = 0; i < 400; ++i) {
        if (rng() % 5 == 0)
            text += u"\U0001F600";
        else
            text += pool[rng() % std::size(pool)];
    }
    expectAgreesWithIconv(KELCS_UTF16BE, "UTF-16BE", text);
    expectAgreesWithIconv(KELCS_UTF32BE, "UTF-32BE", text);
}

struct HostileText {
    std::string bytes;
    std::u16string expected;
    KelLength problems;
};

// 0x30 0x21 is U+AC00, 0x24 0x29 U+3139, 0x43 0x21 U+CC3C.
const HostileText kHostileTexts[] = {
    {"\x0E" "0!" "\x0F", u"\uAC00", 0},
    {"\x1B$)C\x1B$)C" "a", u"a", 0},
    {"a\x80" "b\xFF", u"a\uFFFD" "b\uFFFD", 2},
    {"\x1B$)C\x0E\xB0\xA1\x0F", u"\uFFFD\uFFFD", 2},
    {"\x1B(Bx", u"\uFFFD(Bx", 1},
    {"\x1B$)C\x0E" "0!\na", u"\uAC00\uFFFD\na", 1},
    {"\x0E\r\n" "0!", u"\uFFFD\r\n0!", 1},
    {"\x0E\x0F" "a", u"\uFFFD" "a", 1},
    {"\x0E\x1B$)C!\x0F", u"\uFFFD\u3139\uCC3C", 1},
    {"a\x1B$)", u"a\uFFFD$)", 1},
    {"\x0E" "0", u"\uFFFD", 1},
};

TEST(StatefulSets, ISO2022KRDecoderReplacesBrokenShiftsAndPassesNoShiftByte) {
    for (const HostileText& t : kHostileTexts) {
        const auto where = ::testing::PrintToString(t.bytes);
        KelProblems problems;
        const std::u16string out =
            kelDecode(t.bytes, KELCS_ISO_2022KR, KelPolicy::Replace, &problems);
        EXPECT_EQ(out, t.expected) << where;
        EXPECT_EQ(problems.count, t.problems) << where;
        EXPECT_EQ(kelDecodeToUTF8(t.bytes, KELCS_ISO_2022KR), kelEncode(t.expected, KELCS_UTF8))
            << where;
        const auto streamed =
            keltest::decodeStream(KELCS_ISO_2022KR, t.bytes, fixedSize(1), fixedSize(2));
        EXPECT_EQ(streamed.out, Units(t.expected.begin(), t.expected.end())) << where;
        EXPECT_EQ(streamed.problems.size(), t.problems) << where;
    }
    // Shift and escape bytes in any order never come through.
    const char alphabet[] = "\x1B\x0E\x0F$)C0!\n\x80";
    std::mt19937 rng(50225);
    for (int round = 0; round < 500; ++round) {
        std::string bytes;
        for (int i = 0; i < 12; ++i)
            bytes += alphabet[rng() % (sizeof alphabet - 1)];
        EXPECT_EQ(kelDecode(bytes, KELCS_ISO_2022KR).find_first_of(u"\x1B\x0E\x0F"),
                  std::u16string::npos)
            << ::testing::PrintToString(bytes);
    }
}

TEST(StatefulSets, ISO2022KREncoderWritesSubstitutesUnshifted) {
    for (char16_t shiftByte : {u'\x1B', u'\x0E', u'\x0F'}) {
        const char16_t text[] = {u'a', shiftByte, u'b'};
        KelEncoder encoder(KELCS_ISO_2022KR, KelPolicy::Report);
        char out[32];
        EXPECT_EQ(encoder.encode(text, 3, out, sizeof out, true).status, KelStatus::Unmappable);
        EXPECT_EQ(encoder.problem().value, static_cast<std::uint32_t>(shiftByte));
        EXPECT_EQ(encoder.problem().position, 1u);
    }
    const std::string ga = "\x0E" "0!" "\x0F";
    EXPECT_EQ(kelEncode(u"\x0E", KELCS_ISO_2022KR), "\x1B$)C?");
    EXPECT_EQ(kelEncode(u"\uAC00\u00E9\uAC00", KELCS_ISO_2022KR), "\x1B$)C" + ga + "?" + ga);

    const struct {
        KelPolicy policy;
        const char* substitute;
    } substitutes[] = {{KelPolicy::Replace, "?"}, {KelPolicy::Escape, "U+001B"}};
    for (const auto& s : substitutes) {
        const std::string expected = "\x1B$)C" + ga + s.substitute;
        EXPECT_EQ(kelEncode(u"\uAC00\x1B", KELCS_ISO_2022KR, s.policy), expected);

        // A caller writing the substitute after a report gets the same text.
        KelEncoder encoder(KELCS_ISO_2022KR, KelPolicy::Report);
        char out[32];
        KelStep step = encoder.encode(u"\uAC00\x1B", 2, out, sizeof out, true);
        ASSERT_EQ(step.status, KelStatus::Unmappable);
        std::string written(out, step.written);
        EXPECT_EQ(encoder.writeSubstitute(s.policy, out, 1).written, 0u);
        step = encoder.writeSubstitute(s.policy, out, sizeof out);
        written.append(out, step.written);
        step = encoder.encode(u"", 0, out, sizeof out, true);
        EXPECT_EQ(step.status, KelStatus::InputUsed);
        written.append(out, step.written);
        EXPECT_EQ(written, expected);
    }

    // The imposed operations end the text unshifted however they end: at a
    // stop, or where the room runs out.
    KelCharSetConverter& kr = *KelCharSetConverter::getConverter(KELCS_ISO_2022KR);
    const unsigned short units[] = {0xAC00, 0x1B, 0xAC00, 0};
    char bytes[16];
    EXPECT_EQ(std::string(bytes, kr.fromUTF16(bytes, units, 15, ILLCHAR_STOP, nullptr)),
              "\x1B$)C" + ga);
    EXPECT_EQ(std::string(bytes, kr.fromUTF16(bytes, units, 8, ILLCHAR_REPLACE, nullptr)),
              "\x1B$)C" + ga);
    // A string's copy in the set has room for the designation and the return.
    KelUString one("\xEA\xB0\x80", KELCS_UTF8);
    EXPECT_EQ(std::string(one.c_str(KELCS_ISO_2022KR)), "\x1B$)C" + ga);
}

} // namespace
