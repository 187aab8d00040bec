// What every registered converter promises at the edges of its arguments:
// null pointers and empty lengths convert and count nothing, a room of 0
// writes only the terminator, a count bounded by a length never reads past
// it, and no unit encodes to more bytes than the converter's largest unit.
#include "KelCharSetConverterEUC_JP.h"
#include "KelCharSetConverterGB18030.h"
#include "KelCharSetConverterSBCS.h"
#include "RegisteredSets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <string>
#include <vector>

namespace {

using keltest::kRegisteredSets;

KelCharSetConverter& converter(KelCharSet cs) {
    return *KelCharSetConverter::getConverter(cs);
}

// "AB" in the converter's own form, followed by its NUL character.
std::string localAB(KelCharSetConverter& conv) {
    const unsigned short units[] = {'A', 'B', 0};
    std::string text(16, '\xEE');
    const KelLength n = conv.fromUTF16(&text[0], units, 8, ILLCHAR_REPLACE, nullptr);
    text.resize(n + conv.getNullCharSize());
    return text;
}

TEST(ConverterContract, NullPointersConvertNothingAndWriteNothing) {
    const unsigned short units[] = {'A', 0};
    for (KelCharSet cs : kRegisteredSets) {
        KelCharSetConverter& conv = converter(cs);
        const std::string text = localAB(conv);
        unsigned short utf16[4] = {0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE};
        unsigned char bytes[16];
        std::fill(std::begin(bytes), std::end(bytes), 0xEE);
        EXPECT_EQ(conv.toUTF16(nullptr, text.data(), 3, ILLCHAR_REPLACE, nullptr, -1), 0u) << cs;
        EXPECT_EQ(conv.toUTF16(utf16, nullptr, 3, ILLCHAR_REPLACE, nullptr, -1), 0u) << cs;
        EXPECT_EQ(utf16[0], 0xEEEE) << cs;
        EXPECT_EQ(conv.fromUTF16(nullptr, units, 8, ILLCHAR_REPLACE, nullptr), 0u) << cs;
        EXPECT_EQ(conv.fromUTF16(bytes, nullptr, 8, ILLCHAR_REPLACE, nullptr), 0u) << cs;
        EXPECT_EQ(bytes[0], 0xEE) << cs;
        EXPECT_EQ(conv.getNumUnits(nullptr, KEL_NPOS), 0u) << cs;
        EXPECT_EQ(conv.getNumBytes(nullptr, KEL_NPOS), 0u) << cs;
    }
}

TEST(ConverterContract, ZeroLengthsCountNothing) {
    const unsigned short units[] = {'A', 'B', 0};
    for (KelCharSet cs : kRegisteredSets) {
        KelCharSetConverter& conv = converter(cs);
        EXPECT_EQ(conv.getNumUnits(localAB(conv).data(), 0), 0u) << cs;
        EXPECT_EQ(conv.getNumBytes(units, 0), 0u) << cs;
    }
}

TEST(ConverterContract, NoRoomWritesOnlyTheTerminator) {
    const unsigned short units[] = {'A', 'B', 0};
    for (KelCharSet cs : kRegisteredSets) {
        KelCharSetConverter& conv = converter(cs);
        unsigned short utf16[2] = {0xEEEE, 0xEEEE};
        EXPECT_EQ(conv.toUTF16(utf16, localAB(conv).data(), 0, ILLCHAR_REPLACE, nullptr, -1), 0u)
            << cs;
        EXPECT_EQ(utf16[0], 0) << cs;
        EXPECT_EQ(utf16[1], 0xEEEE) << cs;
        std::vector<unsigned char> bytes(conv.getNullCharSize() + 1, 0xEE);
        EXPECT_EQ(conv.fromUTF16(bytes.data(), units, 0, ILLCHAR_REPLACE, nullptr), 0u) << cs;
        std::vector<unsigned char> terminatorOnly(conv.getNullCharSize(), 0);
        terminatorOnly.push_back(0xEE);
        EXPECT_EQ(bytes, terminatorOnly) << cs;
    }
}

// A length that ends inside the text counts only the characters before it.
TEST(ConverterContract, CountsStopAtTheGivenLength) {
    const unsigned short units[] = {'A', 'B', 0};
    for (KelCharSet cs : kRegisteredSets) {
        KelCharSetConverter& conv = converter(cs);
        const std::string text = localAB(conv);
        // "B" is as long as "A", which a set with shifts designates its set
        // in front of.
        const KelLength second = conv.getMinUnitSize();
        const KelLength first = text.size() - conv.getNullCharSize() - second;
        EXPECT_EQ(conv.getNumUnits(text.data(), first), 1u) << cs;
        EXPECT_EQ(conv.getNumBytes(units, 1), first) << cs;
    }
}

// A NUL character inside the given length ends the text for counting as it
// does for converting, so a count never sizes more than the conversion fills.
TEST(ConverterContract, NulCharacterInsideTheLengthEndsTheCount) {
    for (KelCharSet cs : kRegisteredSets) {
        KelCharSetConverter& conv = converter(cs);
        const std::string ab = localAB(conv);
        const std::string text = ab + ab;
        unsigned short utf16[8];
        EXPECT_EQ(conv.toUTF16(utf16, text.data(), 7, ILLCHAR_REPLACE, nullptr, -1), 2u) << cs;
        EXPECT_EQ(conv.getNumUnits(text.data(), text.size()), 2u) << cs;
    }
}

// Only UTF-32 converts straight from and to UTF-8 through the imposed
// operations; every other converter answers 0, so callers go through
// UTF-16, and writes nothing.
TEST(ConverterContract, NoDirectUTF8PathBesidesUTF32) {
    const unsigned char utf8[] = "AB";
    for (KelCharSet cs : kRegisteredSets) {
        if (cs == KELCS_UTF32 || cs == KELCS_UTF32BE)
            continue;
        KelCharSetConverter& conv = converter(cs);
        unsigned char out[8] = {0xEE, 0xEE};
        const std::string text = localAB(conv);
        EXPECT_EQ(conv.fromUTF8(out, utf8, 4, ILLCHAR_REPLACE, nullptr), 0u) << cs;
        EXPECT_EQ(conv.toUTF8(out, text.data(), 4, ILLCHAR_REPLACE, nullptr), 0u) << cs;
        EXPECT_EQ(out[0], 0xEE) << cs;
    }
}

struct UnitSizes {
    KelLength min;
    KelLength max;
    KelLength null;
};

// The unit sizes of the class that converts each set; single-byte by default.
UnitSizes unitSizesOf(KelCharSet cs) {
    switch (cs) {
    case KELCS_WCP932:
    case KELCS_WCP936:
    case KELCS_WCP949:
    case KELCS_WCP950:
    case KELCS_BIG5:
    case KELCS_SHIFTJIS:
    case KELCS_SJIS0213:
    case KELCS_EUC_KR:
    case KELCS_EUC_CN:
        return {1, 2, 1};
    case KELCS_EUC_JP:
    case KELCS_UTF8:
        return {1, 3, 1};
    case KELCS_GB18030:
    case KELCS_EUC_TW:
        return {1, 4, 1};
    case KELCS_ISO_2022KR:
        return {1, 3, 1};
    case KELCS_ISO_2022JP:
    case KELCS_ISO_2022JP_1:
    case KELCS_ISO_2022JP_2:
    case KELCS_ISO_2022JP_3:
    case KELCS_ISO_2022JP_2004:
        return {1, 6, 1};
    case KELCS_ISO_2022CN:
    case KELCS_ISO_2022CN_EXT:
    case KELCS_ISO_2022TW:
        return {1, 8, 1};
    case KELCS_UTF16:
    case KELCS_UTF16BE:
        return {2, 2, 2};
    case KELCS_UTF16ESC:
        return {1, 6, 1};
    case KELCS_UTF32:
    case KELCS_UTF32BE:
        return {4, 4, 4};
    default:
        return {1, 1, 1};
    }
}

// Callers size buffers by the largest unit: no BMP unit may need more.
TEST(ConverterContract, NoUnitEncodesToMoreThanTheLargestUnitSize) {
    for (KelCharSet cs : kRegisteredSets) {
        KelCharSetConverter& conv = converter(cs);
        const UnitSizes sizes = unitSizesOf(cs);
        EXPECT_EQ(conv.getMinUnitSize(), sizes.min) << cs;
        EXPECT_EQ(conv.getMaxUnitSize(), sizes.max) << cs;
        EXPECT_EQ(conv.getNullCharSize(), sizes.null) << cs;
        KelLength largest = 0;
        for (unsigned int u = 1; u <= 0xFFFF; ++u) {
            const unsigned short text[] = {static_cast<unsigned short>(u), 0};
            unsigned char bytes[16];
            largest = std::max(largest, conv.fromUTF16(bytes, text, 8, ILLCHAR_REPLACE, nullptr));
        }
        EXPECT_LE(largest, sizes.max + conv.getMaxStateBytes()) << cs;
    }
}

// A converter built from table names rather than pair lists has no tables:
// the library builds none this way, and such a converter maps nothing.
TEST(ConverterContract, ConvertersNamedInsteadOfTabledMapNothing) {
    KelCharSetConverterSBCS sbcs("cp1252", KELCS_WCP1252);
    KelCharSetConverterGB18030 gb18030("gbk", KELCS_GB18030);
    KelCharSetConverterEUC_JP eucJP("jis0208", "jis0201", "jis0212", KELCS_EUC_JP);
    const unsigned short kanji[] = {0x4E9C, 0};
    for (KelCharSetConverter* conv :
         {static_cast<KelCharSetConverter*>(&sbcs), static_cast<KelCharSetConverter*>(&gb18030),
          static_cast<KelCharSetConverter*>(&eucJP)}) {
        unsigned char bytes[8];
        bool illegal = false;
        EXPECT_EQ(conv->fromUTF16(bytes, kanji, 6, ILLCHAR_STOP, &illegal), 0u);
        EXPECT_TRUE(illegal);
        unsigned short units[4];
        conv->toUTF16(units, "\xB0\xA1", 3, ILLCHAR_STOP, &illegal, -1);
        EXPECT_TRUE(illegal);
    }
}

// No pair of high bytes may decode to a character of the ASCII range, where
// "/", "." and "\" live: a filter that passed the bytes would not see them.
// Shift_JIS-2004 keeps "\" and "~" at 81 5F and 81 B0, since its bytes 5C
// and 7E are the yen sign and the overline; C0 80 is the JVM's NUL in UTF-8.
TEST(ConverterContract, NoPairOfHighBytesDecodesBelowU0080) {
    const struct {
        KelCharSet cs;
        unsigned first, second;
    } intended[] = {
        {KELCS_SJIS0213, 0x81, 0x5F}, {KELCS_SJIS0213, 0x81, 0xB0}, {KELCS_UTF8, 0xC0, 0x80}};
    for (KelCharSet cs : kRegisteredSets) {
        KelCharSetConverter& conv = converter(cs);
        int failures = 0;
        for (unsigned b1 = 0x80; b1 <= 0xFF && failures < 5; ++b1) {
            for (unsigned b2 = 0x80; b2 <= 0xFF && failures < 5; ++b2) {
                const unsigned char bytes[10] = {static_cast<unsigned char>(b1),
                                                 static_cast<unsigned char>(b2)};
                unsigned short units[8];
                const KelLength n = conv.toUTF16(units, bytes, 7, ILLCHAR_REPLACE, nullptr, -1);
                const bool low =
                    std::any_of(units, units + n, [](unsigned short u) { return u < 0x80; });
                const bool allowed =
                    std::any_of(std::begin(intended), std::end(intended), [&](const auto& i) {
                        return i.cs == cs && i.first == b1 && i.second == b2;
                    });
                if (low && !allowed) {
                    ++failures;
                    ADD_FAILURE() << cs << std::hex << ": " << b1 << " " << b2 << " gives U+"
                                  << units[0];
                }
            }
        }
    }
}

} // namespace
