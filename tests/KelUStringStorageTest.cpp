#include "KelUString.h"

#include "UStringTestHelpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

using keltest::expectLengthError;
using keltest::text;
using keltest::U;

namespace {

const KelLength kEmbedded = KelUString::kEmbeddedCapacity;

TEST(UStringStorage, DefaultIsEmptyInTheEmbeddedBuffer) {
    KelUString s;
    EXPECT_EQ(s.size(), 0u);
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.begin(), s.end());
    EXPECT_EQ(*s.begin(), 0);
    EXPECT_EQ(s.capacity(), kEmbedded);
}

TEST(UStringStorage, HeapBufferOnlyBeyondTheEmbeddedCapacity) {
    const KelUString fits(static_cast<unsigned short>('a'), kEmbedded);
    EXPECT_EQ(fits.capacity(), kEmbedded);
    EXPECT_EQ(fits.begin()[kEmbedded], 0);

    const KelUString grows(static_cast<unsigned short>('a'), kEmbedded + 1);
    EXPECT_EQ(grows.capacity(), kEmbedded + 1);
    EXPECT_EQ(grows.size(), kEmbedded + 1);
    EXPECT_EQ(grows.begin()[kEmbedded], 'a');
    EXPECT_EQ(grows.begin()[kEmbedded + 1], 0);
}

TEST(UStringStorage, PointerAndCountStopsAtTheFirstZeroUnit) {
    const unsigned short ab0[] = {'a', 'b', 0};
    const KelUString s(ab0, KelLength(10));
    EXPECT_EQ(text(s), u"ab");
    EXPECT_EQ(s.capacity(), kEmbedded);

    EXPECT_EQ(text(KelUString(ab0, KelLength(1))), u"a");
    EXPECT_EQ(text(KelUString(ab0, KelUString::npos)), u"ab");
    EXPECT_TRUE(KelUString(static_cast<const unsigned short*>(nullptr), KelLength(5)).empty());
}

TEST(UStringStorage, PointerAndCountSizesFromTheUnitsTaken) {
    std::vector<unsigned short> units(400, 'x');
    units[300] = 0;
    const KelUString s(units.data(), KelLength(400));
    EXPECT_EQ(s.size(), 300u);
    EXPECT_EQ(s.capacity(), 300u);
}

TEST(UStringStorage, PointerRangeKeepsZeroUnits) {
    const unsigned short a0b[] = {'a', 0, 'b'};
    const KelUString s(a0b, a0b + 3);
    EXPECT_EQ(s.size(), 3u);
    EXPECT_EQ(text(s), std::u16string(u"a\0b", 3));
    EXPECT_TRUE(KelUString(a0b, a0b).empty());
    EXPECT_TRUE(KelUString(a0b + 2, a0b).empty()) << "first after last";
    EXPECT_TRUE(KelUString(a0b, static_cast<const unsigned short*>(nullptr)).empty());
}

TEST(UStringStorage, SubstringConstructorClampsAndNeverThrows) {
    const KelUString s = U(u"abcdefg");
    EXPECT_EQ(text(KelUString(s, 5, 100)), u"fg");
    EXPECT_TRUE(KelUString(s, 9, 1).empty());
    EXPECT_TRUE(KelUString(s, 3, 0).empty());
    EXPECT_EQ(text(KelUString(s, 0, KelUString::npos)), u"abcdefg");
    EXPECT_EQ(text(KelUString(s, KelUString::npos, KelUString::npos)), u"");
}

TEST(UStringStorage, UnitAndFillConstructors) {
    EXPECT_EQ(text(KelUString(static_cast<unsigned short>('q'))), u"q");
    EXPECT_TRUE(KelUString(static_cast<unsigned short>(0)).empty());
    EXPECT_TRUE(KelUString(static_cast<unsigned short>('q'), KelLength(0)).empty());
    EXPECT_TRUE(KelUString(static_cast<unsigned short>(0), KelLength(5)).empty());
    EXPECT_EQ(text(KelUString(static_cast<unsigned short>('q'), KelLength(3))), u"qqq");
    expectLengthError([] { KelUString(static_cast<unsigned short>('q'), KelUString::npos); });
}

TEST(UStringStorage, DecimalConstructor) {
    EXPECT_EQ(text(KelUString(-42)), u"-42");
    EXPECT_EQ(text(KelUString(0)), u"0");
    EXPECT_EQ(text(KelUString(INT_MIN)), u"-2147483648");
    EXPECT_EQ(text(KelUString(INT_MAX)), u"2147483647");
}

TEST(UStringStorage, BSTRRoundTrip) {
    KelBSTR b{};
    EXPECT_TRUE(KelUString(&b).empty());
    EXPECT_TRUE(KelUString(static_cast<const KelBSTR*>(nullptr)).empty());

    b.m_nCount = 3;
    b.m_aText[0] = 'x';
    b.m_aText[1] = 0;
    b.m_aText[2] = 'y';
    b.m_aText[3] = 'z';
    const KelUString s(b);
    EXPECT_EQ(text(s), std::u16string(u"x\0y", 3));

    KelBSTR out{};
    out.m_aText[2] = 0xBEEF;
    EXPECT_EQ(U(u"abc").copy(&out, 2), 2u);
    EXPECT_EQ(out.m_nCount, 2);
    EXPECT_EQ(out.m_aText[0], 'a');
    EXPECT_EQ(out.m_aText[1], 'b');
    EXPECT_EQ(out.m_aText[2], 0xBEEF) << "no terminator";
    EXPECT_EQ(U(u"abc").copy(static_cast<KelBSTR*>(nullptr), 2), 0u);

    KelUString t = U(u"old");
    t = b;
    EXPECT_EQ(text(t), std::u16string(u"x\0y", 3));
    b.m_nCount = 0;
    t = b;
    EXPECT_TRUE(t.empty());
}

// The count field holds 16 bits: a longer string fills the record and
// stops there instead of storing the low bits of its length.
TEST(UStringStorage, BSTRCopyOfALongStringFillsTheRecord) {
    const KelLength length = 0x10000 + 3;
    const KelUString s(static_cast<unsigned short>('w'), length);
    auto record = std::make_unique<KelBSTR>();
    EXPECT_EQ(s.copy(record.get(), KelUString::npos), 0xFFFFu);
    EXPECT_EQ(record->m_nCount, 0xFFFF);
    EXPECT_EQ(record->m_aText[0xFFFE], 'w');
    EXPECT_EQ(s.copy(record.get(), 10), 10u);
    EXPECT_EQ(record->m_nCount, 10);
}

TEST(UStringStorage, CopyToUnitsWritesNoTerminator) {
    std::vector<unsigned short> out(8, 0xBEEF);
    EXPECT_EQ(U(u"abcdef").copy(out.data(), 4), 4u);
    EXPECT_EQ(std::u16string(out.begin(), out.begin() + 4), u"abcd");
    EXPECT_EQ(out[4], 0xBEEF);

    std::vector<unsigned short> untouched(4, 0xBEEF);
    EXPECT_EQ(KelUString().copy(untouched.data(), 4), 0u);
    EXPECT_EQ(U(u"abc").copy(untouched.data(), 0), 0u);
    EXPECT_EQ(U(u"abc").copy(static_cast<unsigned short*>(nullptr), 4), 0u);
    EXPECT_EQ(untouched, std::vector<unsigned short>(4, 0xBEEF));
}

TEST(UStringStorage, AssignmentFromAStringReturnsToTheEmbeddedBuffer) {
    KelUString target;
    target = KelUString(static_cast<unsigned short>('x'), KelLength(300));
    EXPECT_EQ(target.capacity(), 300u);
    target = U(u"abc");
    EXPECT_EQ(target.capacity(), kEmbedded);
    EXPECT_EQ(text(target), u"abc");

    KelUString& self = target;
    target = self;
    EXPECT_EQ(text(target), u"abc");
}

TEST(UStringStorage, OtherAssignmentsKeepTheCapacity) {
    KelUString s(static_cast<unsigned short>('x'), KelLength(300));
    const unsigned short hi[] = {'h', 'i', 0};
    s = hi;
    EXPECT_EQ(text(s), u"hi");
    EXPECT_EQ(s.capacity(), 300u);

    s = static_cast<unsigned short>('z');
    EXPECT_EQ(text(s), u"z");
    s = static_cast<unsigned short>(0);
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.capacity(), 300u);

    s = hi;
    s = static_cast<const unsigned short*>(nullptr);
    EXPECT_TRUE(s.empty());
}

TEST(UStringStorage, AssignmentFromItsOwnText) {
    KelUString s = U(u"abcdef");
    s = s.begin() + 2;
    EXPECT_EQ(text(s), u"cdef");
}

TEST(UStringStorage, AssureSizeDiscardsOnGrowthAndRejectsHugeCounts) {
    KelUString s = U(u"hello");
    s.assureSize(100);
    EXPECT_EQ(text(s), u"hello");
    s.assureSize(300);
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.capacity(), 300u);
    EXPECT_EQ(*s.begin(), 0);

    s = U(u"kept");
    expectLengthError([&] { s.assureSize(KelUString::npos); });
    expectLengthError([&] { s.assureSize(s.max_size() + 1); });
    EXPECT_EQ(text(s), u"kept");
    EXPECT_EQ(s.capacity(), kEmbedded);
}

TEST(UStringStorage, EraseKeepsTheBuffer) {
    KelUString s(static_cast<unsigned short>('x'), KelLength(300));
    s.erase();
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(*s.begin(), 0);
    EXPECT_EQ(s.capacity(), 300u);
}

TEST(UStringStorage, SwapCopiesTexts) {
    KelUString small = U(u"abc");
    KelUString big(static_cast<unsigned short>('z'), KelLength(400));
    small.swap(big);
    EXPECT_EQ(small.size(), 400u);
    EXPECT_EQ(small.begin()[399], 'z');
    EXPECT_EQ(text(big), u"abc");
    EXPECT_EQ(big.capacity(), kEmbedded);

    small.swap(small);
    EXPECT_EQ(small.size(), 400u);
}

} // namespace
