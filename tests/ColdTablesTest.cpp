// Many threads make the first calls to every converter at once, while the
// converters still have to build their tables, and must get what one thread
// gets from the finished tables. Tables are built once per process, so the
// race runs in a fresh child process.
#include "ChildProcess.h"
#include "RegisteredSets.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr const char* kChildVariable = "KELULIB_COLD_TABLES_CHILD";

// Letters of most tables: Latin, Greek, Cyrillic, Hebrew, Arabic, Thai,
// kana, CJK ideographs, Hangul, half-width katakana, a private-use
// character, and one beyond the BMP (U+2000B).
const unsigned short kSample[] = {0x0041, 0x00E9, 0x00FF, 0x20AC, 0x03A9, 0x0416, 0x05D0,
                                  0x0628, 0x0E44, 0x3042, 0x30A2, 0x4E9C, 0x4E2D, 0x6587,
                                  0xAC00, 0xD55C, 0xFF71, 0x00A5, 0x203E, 0xE000, 0xD840,
                                  0xDC0B, 0x2E81, 0x005C, 0x007E, 0x0000};
constexpr std::size_t kSampleUnits = sizeof kSample / sizeof kSample[0] - 1;

// What one converter made of the sample: the local bytes, the units read
// back from them, and both counts.
struct Result {
    std::vector<unsigned char> local;
    std::vector<unsigned short> back;
    KelLength numBytes;
    KelLength numUnits;

    bool operator==(const Result& o) const {
        return local == o.local && back == o.back && numBytes == o.numBytes &&
               numUnits == o.numUnits;
    }
};

Result roundTrip(KelCharSet cs) {
    KelCharSetConverter& conv = *KelCharSetConverter::getConverter(cs);
    Result r;
    r.local.assign(8 * kSampleUnits + 8, 0);
    const KelLength n =
        conv.fromUTF16(r.local.data(), kSample, 8 * kSampleUnits, ILLCHAR_REPLACE, nullptr);
    r.local.resize(n + conv.getNullCharSize());
    r.back.assign(n + 1, 0);
    r.back.resize(conv.toUTF16(r.back.data(), r.local.data(), n, ILLCHAR_REPLACE, nullptr, -1));
    r.numBytes = conv.getNumBytes(kSample, KEL_NPOS);
    r.numUnits = conv.getNumUnits(r.local.data(), KEL_NPOS);
    r.local.resize(n);
    return r;
}

std::vector<Result> everyConverter() {
    std::vector<Result> results;
    for (KelCharSet cs : keltest::kRegisteredSets)
        results.push_back(roundTrip(cs));
    return results;
}

// Runs in the child: the threads are released together and all go for the
// same cold converter first.
void raceOnColdTables() {
    const int kThreads = 8;
    std::vector<std::vector<Result>> seen(kThreads);
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&seen, &go, t] {
            while (!go.load())
                std::this_thread::yield();
            seen[static_cast<std::size_t>(t)] = everyConverter();
        });
    }
    go = true;
    for (std::thread& t : threads)
        t.join();
    const std::vector<Result> expected = everyConverter();
    for (const std::vector<Result>& results : seen) {
        for (std::size_t i = 0; i < keltest::kRegisteredCount; ++i)
            EXPECT_TRUE(results[i] == expected[i])
                << "converter " << keltest::kRegisteredSets[i] << " differs under the race";
    }
}

TEST(ColdTables, ManyThreadsBuildingTablesGetTheSingleThreadedResult) {
    if (std::getenv(kChildVariable) != nullptr) {
        raceOnColdTables();
        return;
    }
    const keltest::ChildResult child = keltest::rerunSelf(
        {"--gtest_filter=ColdTables.ManyThreadsBuildingTablesGetTheSingleThreadedResult"},
        {{kChildVariable, "1"}});
    EXPECT_EQ(child.exitCode, 0) << child.output;
}

} // namespace
