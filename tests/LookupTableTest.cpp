#include "LookupTable.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace {

template <class T>
class LookupTableTyped : public ::testing::Test {};
using ValueTypes = ::testing::Types<unsigned char, unsigned short, unsigned int>;
TYPED_TEST_SUITE(LookupTableTyped, ValueTypes, );

TYPED_TEST(LookupTableTyped, NewTableIsEmptyEverywhere) {
    LookupTable<TypeParam> table;
    for (unsigned int key = 0; key <= 0xFFFF; ++key) {
        ASSERT_EQ(table.trans(static_cast<unsigned short>(key)), 0u) << key;
    }
}

TYPED_TEST(LookupTableTyped, StoresOnlyTheKeyGiven) {
    LookupTable<TypeParam> table;
    table.put(0x20AC, 0x80);
    EXPECT_EQ(table.trans(0x20AC), 0x80u);
    EXPECT_EQ(table.trans(0x20AD), 0u);
    EXPECT_EQ(table.trans(0x21AC), 0u);
    EXPECT_EQ(table.trans(0x00AC), 0u);

    table.put(0x20AC, 0x7F);
    EXPECT_EQ(table.trans(0x20AC), 0x7Fu);
}

TYPED_TEST(LookupTableTyped, LaterStoresKeepEarlierEntriesOfThePage) {
    LookupTable<TypeParam> table;
    table.put(0x4100, 1);
    table.put(0x41FF, 2);
    table.put(0xFFFF, 3);
    table.put(0x0000, 4);
    EXPECT_EQ(table.trans(0x4100), 1u);
    EXPECT_EQ(table.trans(0x41FF), 2u);
    EXPECT_EQ(table.trans(0xFFFF), 3u);
    EXPECT_EQ(table.trans(0x0000), 4u);
}

TYPED_TEST(LookupTableTyped, StoringZeroReadsAsNoMapping) {
    LookupTable<TypeParam> table;
    table.put(0x3042, 0);
    EXPECT_EQ(table.trans(0x3042), 0u);
    table.put(0x3043, 9);
    table.put(0x3043, 0);
    EXPECT_EQ(table.trans(0x3043), 0u);
}

// Every table of a type reads absent pages from one shared zero page, so a
// store that leaked into it would show up in a fresh table.
TYPED_TEST(LookupTableTyped, SharedZeroPageIsNeverWritten) {
    LookupTable<TypeParam> filled;
    for (unsigned int high = 0; high < 256; high += 2) {
        for (unsigned int low = 0; low < 256; ++low) {
            filled.put(static_cast<unsigned short>(high << 8 | low), static_cast<TypeParam>(low | 1));
        }
    }
    for (unsigned int key = 0; key <= 0xFFFF; ++key) {
        const bool stored = ((key >> 8) & 1) == 0;
        ASSERT_EQ(filled.trans(static_cast<unsigned short>(key)), stored ? ((key & 0xFF) | 1) : 0u) << key;
    }
    LookupTable<TypeParam> fresh;
    for (unsigned int key = 0; key <= 0xFFFF; ++key) {
        ASSERT_EQ(fresh.trans(static_cast<unsigned short>(key)), 0u) << key;
    }
}

TEST(LookupTableWide, HoldsValuesAboveSixteenBits) {
    LookupTable<unsigned int> table;
    table.put(0x8140, 0x2000B);
    table.put(0x8141, 0x10FFFF);
    EXPECT_EQ(table.trans(0x8140), 0x2000Bu);
    EXPECT_EQ(table.trans(0x8141), 0x10FFFFu);
}

TEST(LookupTableEx, PlanesAreKeptApart) {
    LookupTableEx<unsigned short> table;
    table.put(0x2000B, 0x8E5A);
    table.put(0x10FFFF, 0xFEFE);
    table.put(0x000B, 0x0B);
    EXPECT_EQ(table.trans(0x2000B), 0x8E5A);
    EXPECT_EQ(table.trans(0x1000B), 0);
    EXPECT_EQ(table.trans(0x000B), 0x0B);
    EXPECT_EQ(table.trans(0x10FFFF), 0xFEFE);
    EXPECT_EQ(table.trans(0xFFFF), 0);
    EXPECT_EQ(table.trans(0x10FFFE), 0);
}

TEST(LookupTableEx, KeysBeyondUnicodeAreIgnored) {
    LookupTableEx<unsigned short> table;
    table.put(0x110000, 1);
    table.put(0xFFFFFFFF, 2);
    table.put(0x1100000B, 3);
    EXPECT_EQ(table.trans(0x110000), 0);
    EXPECT_EQ(table.trans(0xFFFFFFFF), 0);
    EXPECT_EQ(table.trans(0x1100000B), 0);
    // Had the plane been wrapped or masked, these would alias plane 0 or 16.
    EXPECT_EQ(table.trans(0x0000), 0);
    EXPECT_EQ(table.trans(0x000B), 0);
    EXPECT_EQ(table.trans(0x100000), 0);
}

TEST(ObjLock, ExcludesConcurrentHolders) {
    ObjLock lock;
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            std::lock_guard<ObjLock> guard(lock);
            ++counter;
        }
    };
    std::thread a(work);
    std::thread b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
}

}  // namespace
