#include "KelCharSet.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kColdVariable = "KELULIB_COLD_START_CHILD";

const KelCharSet kSets[] = {KELCS_OS_DEFAULT, KELCS_UTF8,   KELCS_ISO_8859_1, KELCS_WCP1252,
                            KELCS_UTF16,      KELCS_UTF32,  KELCS_UTF16ESC,   KELCS_EUC_TW,
                            KELCS_WCP932,     KELCS_GB18030};

struct Seen {
    KelCharSetConverter* converters[sizeof kSets / sizeof kSets[0]];
    const char* names[sizeof kSets / sizeof kSets[0]];
};

// One thread's share: lookups, names and every entry point, all at once
// with the other threads. Returns false on any wrong answer.
bool work(Seen& seen) {
    bool ok = true;
    for (size_t i = 0; i < sizeof kSets / sizeof kSets[0]; ++i) {
        seen.converters[i] = KelCharSetConverter::getConverter(kSets[i]);
        seen.names[i] = KelCharSetToString(kSets[i]);
        ok &= KelCharSetFromString(seen.names[i]) == kSets[i];
    }
    const unsigned char* utf8 = reinterpret_cast<const unsigned char*>("a\xC3\xA9\xE2\x82\xAC"
                                                                       "b");
    unsigned short units[16];
    unsigned char back[32];
    char local[64];
    ok &= UTF8ToUTF16(units, utf8, 16) == 4;
    ok &= UTF16ToUTF8(back, units, 32) == 7 &&
          std::strcmp(reinterpret_cast<char*>(back), "a\xC3\xA9\xE2\x82\xAC"
                                                     "b") == 0;
    ok &= UTF16ToLocal(local, units, 64, KELCS_UTF16ESC) == 14;
    ok &= LocalToUTF16(units, local, 16, KELCS_UTF16ESC) == 4;
    ok &= UTF8ToLocal(local, utf8, 64, KELCS_WCP1252) > 0;
    ok &= LocalToUTF8(back, "\xE9z", 32, KELCS_UTF8) > 0;
    const int n = UTF8ToLocalPath(local, utf8, 64);
    ok &= n > 0 && LocalPathToUTF8(back, local, 32) == 7;
    ok &= GetNumBytes(units, KELCS_UTF32) == 16 && GetNumUnits(local, KELCS_OS_DEFAULT) > 0;
    return ok;
}

void runManyThreads() {
    const int kThreads = 8;
    const int kRounds = 50;
    std::vector<Seen> seen(kThreads);
    std::atomic<bool> go{false};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load())
                std::this_thread::yield();
            for (int r = 0; r < kRounds; ++r) {
                if (!work(seen[static_cast<size_t>(t)]))
                    ++failures;
            }
        });
    }
    go = true;
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    for (const Seen& s : seen) {
        for (size_t i = 0; i < sizeof kSets / sizeof kSets[0]; ++i) {
            EXPECT_EQ(s.converters[i], KelCharSetConverter::getConverter(kSets[i]));
            EXPECT_EQ(s.names[i], KelCharSetToString(kSets[i]));
        }
    }
}

TEST(Concurrency, ManyThreadsAtOnce) {
    runManyThreads();
}

// The same in a fresh process, where the threads make the first requests
// for the default converter and race to fill its cache.
TEST(Concurrency, ManyThreadsFromAColdStart) {
    if (std::getenv(kColdVariable) != nullptr) {
        runManyThreads();
        return;
    }
    const keltest::ChildResult child = keltest::rerunSelf(
        {"--gtest_filter=Concurrency.ManyThreadsFromAColdStart"}, {{kColdVariable, "1"}});
    EXPECT_EQ(child.exitCode, 0) << child.output;
}

} // namespace
