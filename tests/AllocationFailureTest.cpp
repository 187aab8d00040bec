// When memory runs out while a converter builds its tables, the converter
// reports characters as unmappable instead of failing, and a lookup table
// drops the entry it could not store. The tests refuse memory through their
// own nothrow forms of operator new; the sanitizer runtimes bring their own
// operator new, so sanitized builds leave these tests out.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KELTEST_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KELTEST_SANITIZED 1
#endif

#ifndef KELTEST_SANITIZED

#include "KelCharSetConverterDBCS.h"
#include "KelCharSetConverterGB18030.h"
#include "KelCharSetConverterSBCS.h"
#include "LookupTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {

std::atomic<bool> g_refuseMemory{false};

// Refuses every nothrow allocation while it lives.
class MemoryRefused {
public:
    MemoryRefused() { g_refuseMemory = true; }
    ~MemoryRefused() { g_refuseMemory = false; }
    MemoryRefused(const MemoryRefused&) = delete;
    MemoryRefused& operator=(const MemoryRefused&) = delete;
};

} // namespace

// The library's tables are allocated with the nothrow forms; the default
// operator delete frees what malloc gave.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return g_refuseMemory ? nullptr : std::malloc(n == 0 ? 1 : n);
}

void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept {
    return operator new(n, tag);
}

namespace {

struct Decoded {
    KelLength count;
    bool illegal;
    unsigned short units[8];
};

Decoded decode(KelCharSetConverter& conv, const char* text) {
    Decoded d{0, false, {}};
    d.count = conv.toUTF16(d.units, text, 7, ILLCHAR_REPLACE, &d.illegal, -1);
    return d;
}

TEST(AllocationFailure, TableDropsTheEntryItHasNoPageFor) {
    LookupTable<unsigned short> table;
    {
        MemoryRefused refused;
        table.put(0x20AC, 0x80);
    }
    EXPECT_EQ(table.trans(0x20AC), 0);
    table.put(0x20AC, 0x80);
    EXPECT_EQ(table.trans(0x20AC), 0x80);
}

// Single-byte tables are built again on the next conversion.
TEST(AllocationFailure, SingleByteConverterConvertsNothingUntilMemoryReturns) {
    const unsigned short pairs[] = {0x41, 0x41, 0x80, 0x20AC, 0, 0};
    KelCharSetConverterSBCS conv(pairs, KELCS_WCP1252);
    const unsigned short units[] = {0x41, 0x20AC, 0};
    char bytes[4] = {'x', 'x', 'x', 'x'};
    bool illegal = false;
    {
        MemoryRefused refused;
        const Decoded d = decode(conv, "A\x80");
        EXPECT_EQ(d.count, 0u);
        EXPECT_TRUE(d.illegal);
        EXPECT_EQ(d.units[0], 0);
        EXPECT_EQ(conv.fromUTF16(bytes, units, 3, ILLCHAR_REPLACE, &illegal), 0u);
        EXPECT_TRUE(illegal);
        EXPECT_EQ(bytes[0], '\0');
    }
    const Decoded d = decode(conv, "A\x80");
    ASSERT_EQ(d.count, 2u);
    EXPECT_EQ(d.units[1], 0x20AC);
    EXPECT_EQ(conv.fromUTF16(bytes, units, 3, ILLCHAR_REPLACE, &illegal), 2u);
    EXPECT_FALSE(illegal);
}

TEST(AllocationFailure, DoubleByteConverterWithoutTablesReportsEveryCharacter) {
    const unsigned short pairs[] = {0x41, 0x41, 0x8140, 0x3000, 0, 0};
    unsigned char type[256] = {};
    type[0x81] = 0x40;
    type[0x40] = 0x80;
    KelCharSetConverterDBCS conv(pairs, type, KELCS_WCP932);
    MemoryRefused refused;
    const Decoded d = decode(conv, "\x81\x40");
    EXPECT_TRUE(d.illegal);
    EXPECT_NE(d.units[0], 0x3000);
}

// The four-byte ranges need no memory: without their indexes the searches
// start at the first row, and the indexes come with the next conversion.
TEST(AllocationFailure, GB18030RangesConvertWithoutTheirIndexes) {
    const unsigned short pairs[] = {0x8140, 0x4E02, 0, 0};
    KelCharSetConverterGB18030 conv(pairs, KELCS_GB18030);
    {
        MemoryRefused refused;
        const Decoded d = decode(conv, "\x81\x30\x81\x30\x84\x31\xA4\x39");
        ASSERT_EQ(d.count, 2u);
        EXPECT_EQ(d.units[0], 0x0080);
        EXPECT_EQ(d.units[1], 0xFFFF);
    }
    const Decoded d = decode(conv, "\x81\x30\x81\x30\x84\x31\xA4\x39");
    ASSERT_EQ(d.count, 2u);
    EXPECT_EQ(d.units[0], 0x0080);
    EXPECT_EQ(d.units[1], 0xFFFF);
}

// Long texts go through a heap copy in the entry points; without memory for
// it they convert nothing and leave an empty, terminated text.
TEST(AllocationFailure, EntryPointsWithoutTheirCopyLeaveAnEmptyText) {
    const std::string text(600, 'a');
    const char* local = text.c_str();
    const unsigned char* utf8 = reinterpret_cast<const unsigned char*>(local);
    std::string out(1024, 'x');
    char* dst = &out[0];
    unsigned char* dstBytes = reinterpret_cast<unsigned char*>(dst);
    {
        MemoryRefused refused;
        const auto refusedCopy = [&](int result) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(out, std::string(1, '\0') + std::string(1023, 'x'));
            out[0] = 'x';
        };
        refusedCopy(LocalToUTF8(dstBytes, local, 1024, KELCS_UTF8));
        refusedCopy(LocalPathToUTF8(dstBytes, local, 1024));
        refusedCopy(UTF8ToLocal(dst, utf8, 1024, KELCS_UTF8));
        refusedCopy(UTF8ToLocalPath(dst, utf8, 1024));
    }
    EXPECT_EQ(LocalToUTF8(dstBytes, local, 1024, KELCS_UTF8), 600);
    EXPECT_EQ(UTF8ToLocal(dst, utf8, 1024, KELCS_UTF8), 600);
    EXPECT_STREQ(dst, local);
}

} // namespace

#endif
