// Every one- and two-byte code of each double-byte and EUC set decodes, and
// every BMP unit encodes, as the generated tables say; every mapped character
// survives the round trip; and the counts equal what the conversions write.
#include "ConverterInvariants.h"
#include "MBCSTestSets.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using keltest::MBCSKind;
using keltest::MBCSSet;
using keltest::Units;

constexpr std::uint32_t kNone = 0;

std::uint32_t lookup(const std::map<std::uint32_t, std::uint32_t>& table, std::uint32_t key) {
    const auto it = table.find(key);
    return it == table.end() ? kNone : it->second;
}

void appendScalar(Units& units, std::uint32_t value) {
    if (value > 0xFFFF) {
        units.push_back(static_cast<unsigned short>(0xD7C0 + (value >> 10)));
        units.push_back(static_cast<unsigned short>(0xDC00 + (value & 0x3FF)));
    } else {
        units.push_back(static_cast<unsigned short>(value));
    }
}

unsigned short sevenBit(unsigned char b1, unsigned char b2) {
    return static_cast<unsigned short>((b1 & 0x7F) << 8 | (b2 & 0x7F));
}

struct Step {
    std::size_t length;
    std::uint32_t value; // kNone: U+FFFD
};

// What the character at bytes[pos] is, by the byte rules of the set's family
// over the generated tables.
Step stepAt(const MBCSSet& set, const std::string& bytes, std::size_t pos) {
    const unsigned char b = static_cast<unsigned char>(bytes[pos]);
    const unsigned char next =
        pos + 1 < bytes.size() ? static_cast<unsigned char>(bytes[pos + 1]) : 0;
    switch (set.kind) {
    case MBCSKind::DBCS:
    case MBCSKind::DBCSEx:
        if (!set.isLead(b))
            return {1, lookup(set.toUnicode, b)};
        if (next == 0 || !set.isTrail(next))
            return {1, kNone};
        return {2, lookup(set.toUnicode, b * 256u + next)};
    case MBCSKind::EUC_CN_KR:
        if (b <= 0x7E)
            return {1, b};
        if (b < 0xA1 || b > 0xFE || next < 0xA1 || next > 0xFE)
            return {1, kNone};
        return {2, lookup(set.toUnicode, sevenBit(b, next))};
    case MBCSKind::EUC_JP:
        break;
    }
    if (b <= 0x7E)
        return {1, b};
    const bool pair = b >= 0xA1 && b <= 0xFE && next >= 0xA1 && next <= 0xFE;
    std::uint32_t value = kNone; // also after 8F: no JIS X 0212 character has a mapping
    if (b == 0x8E && next >= 0xA1 && next <= 0xDF)
        value = lookup(set.toUnicode, next);
    else if (b == 0x80 && (next == 0xDC || next == 0xFE)) // U+00A5 and U+203E
        value = lookup(set.toUnicode, next & 0x7F);
    else if (pair)
        value = lookup(set.toUnicode, sevenBit(b, next));
    return {value != kNone ? 2u : 1u, value};
}

Units expectedDecoding(const MBCSSet& set, const std::string& bytes, bool& illegal) {
    Units units;
    illegal = false;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const Step step = stepAt(set, bytes, pos);
        illegal = illegal || step.value == kNone;
        appendScalar(units, step.value == kNone ? 0xFFFD : step.value);
        pos += step.length;
    }
    return units;
}

std::string expectedEncoding(const MBCSSet& set, unsigned short unit) {
    const bool eucCodeSet0 = set.kind >= MBCSKind::EUC_CN_KR && unit <= 0x7E;
    if (eucCodeSet0)
        return std::string(1, static_cast<char>(unit));
    const std::uint32_t code = lookup(set.fromUnicode, unit);
    if (code == kNone)
        return "?";
    if (set.kind == MBCSKind::EUC_JP && code >= 0xA1 && code <= 0xDF)
        return keltest::bytesOf(0x8E00 | code);
    return keltest::bytesOf(set.kind >= MBCSKind::EUC_CN_KR ? code + 0x8080 : code);
}

class MBCSSweep : public ::testing::TestWithParam<KelCharSet> {
protected:
    const MBCSSet& set() const { return keltest::mbcsSet(GetParam()); }
    KelCharSetConverter& conv() const { return keltest::mbcsConverter(GetParam()); }

    // A lean toUTF16 for the sweeps, which make hundreds of thousands of calls.
    Units decodeQuietly(const std::string& bytes, bool& illegal) const {
        unsigned short out[16];
        const KelLength n = conv().toUTF16(out, bytes.c_str(), 15, ILLCHAR_REPLACE, &illegal, -1);
        return Units(out, out + n);
    }
};

TEST_P(MBCSSweep, EveryOneAndTwoByteCodeDecodesAsTheTablesSay) {
    int failures = 0;
    for (unsigned b1 = 1; b1 <= 0xFF && failures < 10; ++b1) {
        for (unsigned b2 = 0; b2 <= 0xFF && failures < 10; ++b2) {
            std::string bytes(1, static_cast<char>(b1));
            if (b2 != 0)
                bytes += static_cast<char>(b2);
            bool wantIllegal = false;
            const Units want = expectedDecoding(set(), bytes, wantIllegal);
            bool illegal = false;
            const Units got = decodeQuietly(bytes, illegal);
            const KelLength counted = conv().getNumUnits(bytes.c_str(), bytes.size());
            if (got != want || illegal != wantIllegal || counted != got.size()) {
                ++failures;
                ADD_FAILURE() << std::hex << "bytes " << b1 << " " << b2 << ": got "
                              << ::testing::PrintToString(got) << ", want "
                              << ::testing::PrintToString(want) << ", counted " << counted;
            }
        }
    }
}

TEST_P(MBCSSweep, EveryBmpUnitEncodesAsTheTablesSay) {
    int failures = 0;
    for (unsigned u = 1; u <= 0xFFFF && failures < 10; ++u) {
        const unsigned short unit[2] = {static_cast<unsigned short>(u), 0};
        char out[8];
        bool illegal = false;
        const KelLength n = conv().fromUTF16(out, unit, 7, ILLCHAR_REPLACE, &illegal);
        const std::string want = expectedEncoding(set(), unit[0]);
        const bool wantIllegal = want == "?" && u != '?';
        if (std::string(out, n) != want || illegal != wantIllegal ||
            conv().getNumBytes(unit, 1) != n) {
            ++failures;
            ADD_FAILURE() << std::hex << "U+" << u << ": got "
                          << ::testing::PrintToString(std::string(out, n)) << ", want "
                          << ::testing::PrintToString(want);
        }
    }
}

TEST_P(MBCSSweep, EveryMappedCharacterSurvivesTheRoundTrip) {
    int failures = 0;
    for (const auto& entry : set().fromUnicode) {
        Units units;
        appendScalar(units, entry.first);
        const keltest::Encoded encoded = keltest::encode(conv(), units);
        const keltest::Decoded decoded = keltest::decode(conv(), encoded.bytes);
        if (decoded.units != units || encoded.illegal || decoded.illegal) {
            ADD_FAILURE() << std::hex << "U+" << entry.first << " via "
                          << ::testing::PrintToString(encoded.bytes);
            if (++failures == 10)
                break;
        }
    }
}

// Characters beyond U+FFFF are read as surrogate pairs only by Shift_JIS-2004.
TEST_P(MBCSSweep, CharactersBeyondTheBmpEncodeAsTheTablesSay) {
    for (const auto& entry : set().fromUnicode) {
        if (entry.first <= 0xFFFF)
            continue;
        Units units;
        appendScalar(units, entry.first);
        const keltest::Encoded encoded = keltest::encode(conv(), units);
        EXPECT_EQ(encoded.bytes, keltest::bytesOf(entry.second)) << std::hex << entry.first;
        EXPECT_EQ(conv().getNumBytes(units.data(), units.size()), encoded.bytes.size());
    }
}

// Strings of the bytes that matter to the byte rules, in every order up to
// three bytes, keep the counts equal to what the conversions write.
TEST_P(MBCSSweep, CountsEqualConversionsOnShortMixedStrings) {
    const char alphabet[] = {'\x41', '\x5C', '\x7F', '\x80', '\x81', '\x82', '\xA0', '\x8E',
                             '\x8F', '\xA1', '\xB0', '\xDF', '\xF2', '\xFE', '\xFF', '\x40'};
    for (char a : alphabet) {
        for (char b : alphabet) {
            for (char c : alphabet)
                keltest::expectUnitCountMatchesDecoding(conv(), std::string{a, b, c});
        }
    }
    const unsigned short units[] = {0x41,   0x7F,   0xA5,   0xE9,   0x3042, 0x4E9C,
                                    0xFF71, 0xAC00, 0xD83D, 0xDE00, 0xD840, 0xDC0B};
    for (unsigned short a : units) {
        for (unsigned short b : units) {
            for (unsigned short c : units)
                keltest::expectByteCountMatchesEncoding(conv(), {a, b, c});
        }
    }
}

// Text of words of two-byte codes between one-byte characters and stray
// bytes, as long as the loops that take several characters at a time need:
// every character where the tables say, whichever length comes before it.
TEST_P(MBCSSweep, TextOfMixedWidthsConvertsCharacterByCharacter) {
    const char odd[] = {'\x7F', '\x80', '\x81', '\x8E', '\x8F', '\xA0', '\xDF', '\xFF'};
    std::mt19937 random(949);
    int failures = 0;
    for (int text = 0; text < 3000 && failures < 10; ++text) {
        std::string bytes(1 + random() % 40, ' ');
        for (char& b : bytes) {
            const unsigned kind = random() % 20;
            b = kind < 7    ? static_cast<char>(0x20 + random() % 0x5F)
                : kind < 19 ? static_cast<char>(0xB0 + random() % 0x19)
                            : odd[random() % sizeof odd];
        }
        bool illegal = false;
        const Units want = expectedDecoding(set(), bytes, illegal);
        const keltest::Decoded got = keltest::decode(conv(), bytes);
        std::string wantBytes;
        Units units;
        for (unsigned short unit : want) {
            if (unit >= 0xD800 && unit <= 0xDFFF)
                continue;
            units.push_back(unit);
            wantBytes += expectedEncoding(set(), unit);
        }
        const keltest::Encoded encoded = keltest::encode(conv(), units, ILLCHAR_REPLACE, 128);
        if (got.units != want || got.illegal != illegal || encoded.bytes != wantBytes) {
            ++failures;
            ADD_FAILURE() << "text " << ::testing::PrintToString(bytes);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllSets, MBCSSweep,
                         ::testing::Values(KELCS_WCP932, KELCS_WCP936, KELCS_WCP949, KELCS_WCP950,
                                           KELCS_EUC_KR, KELCS_EUC_CN, KELCS_EUC_JP, KELCS_BIG5,
                                           KELCS_SHIFTJIS, KELCS_SJIS0213),
                         [](const ::testing::TestParamInfo<KelCharSet>& info) {
                             return "cs" + std::to_string(info.param);
                         });

} // namespace
