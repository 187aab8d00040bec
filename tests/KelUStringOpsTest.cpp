#include "KelUString.h"

#include "UStringTestHelpers.h"

#include <gtest/gtest.h>

#include <string>

using keltest::expectLengthError;
using keltest::expectRangeError;
using keltest::text;
using keltest::U;

namespace {

const KelLength npos = KelUString::npos;

TEST(UStringCompare, OrdersByUnsignedUnitValueAndStopsAtZero) {
    const KelUString ab = U(u"ab");
    EXPECT_EQ(ab.compare(U(u"ab")), 0);
    EXPECT_EQ(ab.compare(U(u"abc")), -1);
    EXPECT_EQ(U(u"abc").compare(ab), 1);
    EXPECT_EQ(U(u"Z").compare(U(u"a")), -1);
    EXPECT_EQ(U(u"\xFFFF").compare(U(u"a")), 1) << "units compare unsigned";
    EXPECT_EQ(U(std::u16string(u"ab\0c", 4)).compare(ab), 0);
    EXPECT_EQ(ab.compare(ab), 0);
    EXPECT_EQ(U(u"abc").compare(U(u"abd"), 2), 0);
    EXPECT_EQ(U(u"abc").compare(U(u"xyz"), 0), 0);
    EXPECT_EQ(KelUString().compare(ab), -1);
    EXPECT_EQ(ab.compare(KelUString()), 1);
}

// Every operator, with a string, UTF-16 text or local text on the left, says
// what compare says.
TEST(UStringCompare, OperatorsAgreeWithCompare) {
    const char* const texts[] = {"", "a", "ab", "b"};
    for (const char* left : texts) {
        const KelUString l(left, KELCS_ISO_8859_1);
        const unsigned short* units = l.begin();
        for (const char* right : texts) {
            const KelUString r(right, KELCS_ISO_8859_1);
            const int order = l.compare(r);
            const bool expected[] = {order == 0, order != 0, order < 0,
                                     order <= 0, order > 0,  order >= 0};
            const bool byString[] = {l == r, l != r, l < r, l <= r, l > r, l >= r};
            const bool byUnits[] = {units == r, units != r, units < r,
                                    units <= r, units > r,  units >= r};
            const bool byLocal[] = {left == r, left != r, left < r, left <= r, left > r, left >= r};
            for (int op = 0; op < 6; ++op) {
                EXPECT_EQ(byString[op], expected[op]) << left << " op " << op << " " << right;
                EXPECT_EQ(byUnits[op], expected[op]) << left << " op " << op << " " << right;
                EXPECT_EQ(byLocal[op], expected[op]) << left << " op " << op << " " << right;
            }
        }
    }
    EXPECT_TRUE(static_cast<const unsigned short*>(nullptr) == KelUString());
    EXPECT_TRUE(static_cast<const char*>(nullptr) < U(u"a"));
}

// Null texts order before every text; a count of 0 or the string itself is
// equal without looking.
TEST(UStringCompare, NullTextsAndEmptyCounts) {
    const KelUString s = U(u"ab");
    const unsigned short ab[] = {'a', 'b', 0};
    for (bool noCase : {false, true}) {
        const auto order = [&](const unsigned short* a, const unsigned short* b, KelLength n) {
            return noCase ? s.canonicalCompareNoCase(a, b, n) : s.canonicalCompare(a, b, n);
        };
        EXPECT_EQ(order(nullptr, ab, npos), -1);
        EXPECT_EQ(order(ab, nullptr, npos), 1);
        EXPECT_EQ(order(nullptr, nullptr, npos), 0);
        EXPECT_EQ(order(nullptr, ab, 0), 0);
    }
    EXPECT_EQ(s.compareNoCase(s, npos), 0);
    EXPECT_EQ(s.compareNoCase(U(u"xy"), 0), 0);
    EXPECT_EQ(s.compareNoCase(U(u"AC"), 1), 0);
    EXPECT_EQ(s.compareNoCase(U(u"AC"), npos), -1);
}

TEST(UStringSearch, FindUnit) {
    const KelUString s = U(u"abcabc");
    EXPECT_EQ(s.find('c'), 2u);
    EXPECT_EQ(s.find('c', 3), 5u);
    EXPECT_EQ(s.find('x'), npos);
    EXPECT_EQ(s.find(static_cast<unsigned short>(0)), npos);
    EXPECT_EQ(s.find('a', 6), npos);
    EXPECT_EQ(s.find('a', npos), npos);
}

TEST(UStringSearch, RfindUnitSearchesFromTheEndForLargePositions) {
    const KelUString s = U(u"abcabc");
    EXPECT_EQ(s.rfind('a'), 3u);
    EXPECT_EQ(s.rfind('a', 2), 0u);
    EXPECT_EQ(s.rfind('b', 99), 4u);
    EXPECT_EQ(s.rfind('a', npos), 3u);
    EXPECT_EQ(s.rfind('x', npos), npos);
    EXPECT_EQ(s.rfind(static_cast<unsigned short>(0), npos), npos);
    EXPECT_EQ(KelUString().rfind('a'), npos);
}

TEST(UStringSearch, FindString) {
    const KelUString s = U(u"abcabc");
    EXPECT_EQ(s.find(U(u"ca")), 2u);
    EXPECT_EQ(s.find(U(u"abc"), 1), 3u);
    EXPECT_EQ(s.find(U(u"c"), 5), 5u);
    EXPECT_EQ(s.find(U(u"abd")), npos);
    EXPECT_EQ(s.find(U(u"bca"), 3), npos);
    EXPECT_EQ(s.find(KelUString()), npos);
    EXPECT_EQ(s.find(U(u"abcabcx")), npos);
    EXPECT_EQ(s.find(s), 0u);
    EXPECT_EQ(s.find(s, 1), npos);
    EXPECT_EQ(s.find(U(u"a"), npos), npos);
}

TEST(UStringSearch, RfindString) {
    const KelUString s = U(u"abcabc");
    EXPECT_EQ(s.rfind(U(u"a")), 3u);
    EXPECT_EQ(s.rfind(U(u"abc")), 3u);
    EXPECT_EQ(s.rfind(U(u"abc"), 2), 0u);
    EXPECT_EQ(s.rfind(U(u"bc"), 0), npos);
    EXPECT_EQ(s.rfind(U(u"abcabcx")), npos);
    EXPECT_EQ(s.rfind(s), 0u);
    EXPECT_EQ(s.rfind(KelUString()), npos);
}

TEST(UStringAccess, AtChecksTheIndex) {
    KelUString s = U(u"ab");
    s.at(1) = 'z';
    EXPECT_EQ(text(s), u"az");
    const KelUString& c = s;
    EXPECT_EQ(c.at(0), 'a');
    expectRangeError([&] { s.at(2); });
    expectRangeError([&] { c.at(npos); });
}

TEST(UStringSubstrings, MidAndLeft) {
    const KelUString s = U(u"abcdef");
    EXPECT_EQ(text(s.mid(2, npos)), u"cdef");
    EXPECT_EQ(text(s.mid(2)), u"cdef");
    EXPECT_EQ(text(s.mid(2, 4)), u"cdef");
    EXPECT_EQ(text(s.mid(6, 0)), u"");
    EXPECT_TRUE(s.mid(8, npos).empty());
    expectRangeError([&] { s.mid(2, 5); });
    expectRangeError([&] { s.mid(7, 0); });
    expectRangeError([&] { s.mid(2, npos - 1); });

    EXPECT_EQ(text(s.left(6)), u"abcdef");
    EXPECT_EQ(text(s.left(0)), u"");
    expectRangeError([&] { s.left(7); });
}

TEST(UStringEdit, ReplaceInsertsDeletesAndGrows) {
    KelUString s = U(u"abcdef");
    s.replace(1, 2, U(u"XYZ"), 0, npos);
    EXPECT_EQ(text(s), u"aXYZdef");
    s.replace(0, 1, U(u"12345"), 3, npos);
    EXPECT_EQ(text(s), u"45XYZdef");
    s.replace(2, npos, KelUString(), 0, 0);
    EXPECT_EQ(text(s), u"45");
    s.replace(2, 0, U(u"ab"), 0, npos);
    EXPECT_EQ(text(s), u"45ab");

    const KelUString wide(static_cast<unsigned short>('w'), KelLength(300));
    s.replace(1, 1, wide, 0, npos);
    EXPECT_EQ(s.size(), 303u);
    EXPECT_EQ(s.capacity(), 303u);
    EXPECT_EQ(text(s.left(2)), u"4w");
    EXPECT_EQ(text(s.mid(300)), u"wab");
}

TEST(UStringEdit, ReplaceThatLeavesNothingEmptiesTheString) {
    KelUString s(static_cast<unsigned short>('w'), KelLength(300));
    s.c_str(KELCS_UTF8);
    s.replace(0, npos, KelUString(), 0, 0);
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.begin()[0], 0);
    EXPECT_STREQ(s.c_str(KELCS_UTF8), "");
}

TEST(UStringEdit, ReplaceRejectsBadPositionsWithoutChange) {
    KelUString s = U(u"abcdef");
    expectRangeError([&] { s.replace(7, 0, U(u"x"), 0, 1); });
    expectRangeError([&] { s.replace(0, 0, U(u"x"), 2, 1); });
    expectRangeError([&] { s.replace(npos, 0, U(u"x"), 0, 1); });
    EXPECT_EQ(text(s), u"abcdef");
    s.replace(6, 0, U(u"gh"), 0, npos);
    EXPECT_EQ(text(s), u"abcdefgh");
}

TEST(UStringEdit, ReplaceByPointers) {
    KelUString s = U(u"abcdef");
    s.replace(s.begin() + 1, s.begin() + 3, U(u"-"));
    EXPECT_EQ(text(s), u"a-def");
    s.replace(s.end(), s.end(), U(u"!"));
    EXPECT_EQ(text(s), u"a-def!");

    const KelUString other = U(u"zz");
    expectRangeError([&] { s.replace(other.begin(), other.end(), other); });
    expectRangeError([&] { s.replace(s.begin() + 2, s.begin() + 1, other); });
    expectRangeError([&] { s.replace(s.begin(), s.end() + 1, other); });
    EXPECT_EQ(text(s), u"a-def!");
}

TEST(UStringEdit, SelfReferencingOperands) {
    KelUString s = U(u"abc");
    s.append(s);
    EXPECT_EQ(text(s), u"abcabc");
    s += s;
    EXPECT_EQ(text(s), u"abcabcabcabc");
    s = U(u"abcdef");
    s.replace(1, 2, s, 3, npos);
    EXPECT_EQ(text(s), u"adefdef");
    s.replace(s.begin(), s.end(), s);
    EXPECT_EQ(text(s), u"adefdef");

    KelUString big(static_cast<unsigned short>('q'), KelLength(200));
    big.append(big);
    EXPECT_EQ(big.size(), 400u);
    EXPECT_EQ(big.begin()[399], 'q');
}

TEST(UStringEdit, EraseRange) {
    KelUString s = U(u"abcdef");
    s.erase(1, 2);
    EXPECT_EQ(text(s), u"adef");
    s.erase(2);
    EXPECT_EQ(text(s), u"ad");
    s.erase(0, npos);
    EXPECT_TRUE(s.empty());
    s.erase(9, 1);
    EXPECT_TRUE(s.empty());

    s = U(u"abcdef");
    expectRangeError([&] { s.erase(9, 1); });
    s.erase(6, npos);
    EXPECT_EQ(text(s), u"abcdef");
    s.erase(0, 6);
    EXPECT_TRUE(s.empty());
}

TEST(UStringEdit, ResizeWithAUnitKeepsTheTextAcrossGrowth) {
    KelUString s = U(u"abcdef");
    s.resize(3, 'x');
    EXPECT_EQ(text(s), u"abc");
    s = U(u"abcdef");
    s.resize(8, static_cast<unsigned short>('x'));
    EXPECT_EQ(text(s), u"abcdefxx");
    s.resize(300, static_cast<unsigned short>('y'));
    EXPECT_EQ(s.size(), 300u);
    EXPECT_EQ(s.capacity(), 300u);
    EXPECT_EQ(text(s.left(9)), u"abcdefxxy");
    EXPECT_EQ(s.begin()[299], 'y');
    s.resize(1000, static_cast<unsigned short>('z'));
    EXPECT_EQ(s.capacity(), 1000u) << "a heap buffer grows into a new one";
    EXPECT_EQ(text(s.mid(298, 4)), u"yyzz");
    s.resize(2, static_cast<unsigned short>(0));
    s.resize(4, static_cast<unsigned short>(0));
    EXPECT_EQ(text(s), std::u16string(u"ab\0\0", 4));
    s.resize(0, static_cast<unsigned short>('x'));
    EXPECT_TRUE(s.empty());

    s = U(u"keep");
    expectLengthError([&] { s.resize(npos, static_cast<unsigned short>('x')); });
    EXPECT_EQ(text(s), u"keep");
}

// Growth past the embedded buffer may only discard text where nothing
// relies on it (assureSize); every editing member keeps it.
TEST(UStringEdit, EditsAcrossTheEmbeddedBoundaryKeepTheText) {
    const KelLength embedded = KelUString::kEmbeddedCapacity;
    KelUString s(static_cast<unsigned short>('a'), embedded - 1);
    s.append(U(u"bc"));
    EXPECT_EQ(s.size(), embedded + 1);
    EXPECT_EQ(s.begin()[0], 'a');
    EXPECT_EQ(text(s.mid(embedded - 2)), u"abc");
    s.erase(0, 2);
    EXPECT_EQ(s.size(), embedded - 1);
    EXPECT_EQ(text(s.mid(embedded - 4)), u"abc");
}

TEST(UStringConcatenation, Operators) {
    const KelUString ab = U(u"ab");
    const unsigned short cd[] = {'c', 'd', 0};
    EXPECT_EQ(text(ab + U(u"cd")), u"abcd");
    EXPECT_EQ(text(ab + static_cast<unsigned short>('c')), u"abc");
    EXPECT_EQ(text(ab + static_cast<unsigned short>(0)), u"ab");
    EXPECT_EQ(text(ab + cd), u"abcd");
    EXPECT_EQ(text(static_cast<unsigned short>('z') + ab), u"zab");
    EXPECT_EQ(text(cd + ab), u"cdab");
    EXPECT_EQ(text(ab + ab), u"abab");
    EXPECT_EQ(text(ab), u"ab");
}

TEST(UStringCompare, NoCaseFoldsThroughTheFullTable) {
    EXPECT_EQ(U(u"\u00E9t\u00E9").compareNoCase(U(u"\u00C9T\u00C9")), 0);
    EXPECT_EQ(U(u"abc").compareNoCase(U(u"ABD")), -1);
    EXPECT_EQ(U(u"abc").compareNoCase(U(u"AB")), 1);
    EXPECT_EQ(U(u"ab").compareNoCase(U(u"ABC")), -1);
    EXPECT_EQ(U(u"abc").compareNoCase(U(u"ABX"), 2), 0);
    EXPECT_EQ(U(u"a").compareNoCase(U(u"_")), -1) << "a sorts as A, before the underscore";
    EXPECT_EQ(U(u"a").compare(U(u"_")), 1);
    const KelUString s;
    EXPECT_EQ(s.canonicalCompareNoCase(nullptr, nullptr, KelUString::npos), 0);
}

TEST(UStringEdit, CaseChanges) {
    KelUString s = U(u"str1\u00DF\u00E9");
    s.toUpper(true);
    EXPECT_EQ(text(s), u"STR1\u00DF\u00E9");
    s = U(u"str1\u00DF\u00E9");
    s.toUpper(false);
    EXPECT_EQ(text(s), u"STR1\u00DF\u00C9");
    s.toLower(true);
    EXPECT_EQ(text(s), u"str1\u00DF\u00C9");
    s.toLower(false);
    EXPECT_EQ(text(s), u"str1\u00DF\u00E9");
    KelUString empty;
    empty.toUpper(false);
    EXPECT_TRUE(empty.empty());
}

TEST(UStringEdit, Trim) {
    const KelUString padded = U(u"  \tx ");
    EXPECT_EQ(text(KelUString(padded).trim(KelUString::TRIM_BOTH, KelUString::TRIM_SPACE)), u"\tx");
    EXPECT_EQ(text(KelUString(padded).trim(KelUString::TRIM_BOTH, KelUString::TRIM_WHITESPACE)),
              u"x");
    EXPECT_EQ(text(KelUString(padded).trim(KelUString::TRIM_LEADING, KelUString::TRIM_WHITESPACE)),
              u"x ");
    EXPECT_EQ(text(KelUString(padded).trim(KelUString::TRIM_TRAILING, KelUString::TRIM_WHITESPACE)),
              u"  \tx");
    EXPECT_EQ(text(U(u" $5").trim(KelUString::TRIM_LEADING, KelUString::TRIM_WHITESPACE_NONCHAR)),
              u"5");
    EXPECT_TRUE(U(u" \u3000 ").trim().empty());
    EXPECT_TRUE(KelUString().trim().empty());
    EXPECT_EQ(text(U(u" x ").trim(KelUString::TRIM_BOTH, static_cast<KelUString::TrimTarget>(3))),
              u" x ");
}

} // namespace
