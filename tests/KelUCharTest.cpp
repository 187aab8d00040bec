#include "KelUChar.h"
#include "KelUCharTable.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kGenerator = std::string(KELULIB_SOURCE_DIR) + "/tools/gen_uchar_tables.py";

TEST(UCharClass, CodedRangesAndSurrogates) {
    EXPECT_EQ(KelUChar::getCharClass(0x4E00), 0x0404);
    EXPECT_EQ(KelUChar::getCharClass(0xAC00), 0x0404);
    EXPECT_EQ(KelUChar::getCharClass(0xD7A3), 0x0404);
    EXPECT_EQ(KelUChar::getCharClass(0xD800), 0x1000);
    EXPECT_EQ(KelUChar::getCharClass(0xDBFF), 0x1000);
    EXPECT_EQ(KelUChar::getCharClass(0xDC00), 0x1000);
    EXPECT_EQ(KelUChar::getCharClass(0xDFFF), 0x1000);
    EXPECT_EQ(KelUChar::getCharClass(0x2E9A), 0);
    EXPECT_EQ(KelUChar::getCharClass(0xFFFF), 0);
    EXPECT_EQ(KelUChar::getCharClass(0x0000), 0);
}

// Rows whose class the database alone would not give.
TEST(UCharClass, ListedRows) {
    EXPECT_EQ(KelUChar::getCharClass(0x3000), 0x8001);
    EXPECT_EQ(KelUChar::getCharClass(0x3220), 0x0402);  // digit row wins over the letter row
    EXPECT_EQ(KelUChar::getCharClass(0x3228), 0x0402);
    EXPECT_EQ(KelUChar::getCharClass(0x322A), 0x0404);
    EXPECT_EQ(KelUChar::getCharClass(0x01C5), 0x0104);
    EXPECT_EQ(KelUChar::getCharClass(0x0591), 0x0028);
    EXPECT_EQ(KelUChar::getCharClass(0x200F), 0x0020);
    EXPECT_EQ(KelUChar::getCharClass(0xFF70), 0x4604);
    EXPECT_EQ(KelUChar::getCharClass(0xFFEE), 0x4000);
    EXPECT_EQ(KelUChar::getCharClass(0x00AA), 0x0084);
}

TEST(UCharClass, PredicatesOnAsciiAndSpaces) {
    EXPECT_TRUE(KelUChar::isWhiteSpace(0x0009));
    EXPECT_TRUE(KelUChar::isWhiteSpace(0x3000));
    EXPECT_FALSE(KelUChar::isWhiteSpace(0x000B));
    EXPECT_FALSE(KelUChar::isWhiteSpace(0x0085));
    EXPECT_TRUE(KelUChar::isNonChar('$'));
    EXPECT_FALSE(KelUChar::isPunctuation('$'));
    EXPECT_TRUE(KelUChar::isPunctuation('!'));
    EXPECT_TRUE(KelUChar::isLetter(0x00AA));
    EXPECT_TRUE(KelUChar::isDigit('7'));
    EXPECT_FALSE(KelUChar::isDigit('a'));
    const unsigned short symbols[] = {'$', '+', '<', '=', '>', '^', '`', '|', '~', 0x00D7, 0x00F7};
    for (unsigned short symbol : symbols) {
        EXPECT_EQ(KelUChar::getCharClass(symbol), 0) << symbol;
    }
}

// White space is a closed list, independent of the database.
TEST(UCharClass, WhiteSpaceIsExactlyTheListedSet) {
    auto listed = [](unsigned int c) {
        return c == 0x09 || c == 0x0A || c == 0x0D || c == 0x20 || c == 0xA0 || (c >= 0x2000 && c <= 0x200B) ||
               c == 0x2028 || c == 0x2029 || c == 0x3000;
    };
    for (unsigned int c = 0; c <= 0xFFFF; ++c) {
        ASSERT_EQ(KelUChar::isWhiteSpace(static_cast<unsigned short>(c)), listed(c)) << std::hex << c;
    }
}

TEST(UCharCase, AsciiAndListedMappings) {
    EXPECT_EQ(KelUChar::toUpperCase('a'), 'A');
    EXPECT_EQ(KelUChar::toUpperCase('z'), 'Z');
    EXPECT_EQ(KelUChar::toUpperCase('['), '[');
    EXPECT_EQ(KelUChar::toUpperCase('`'), '`');
    EXPECT_EQ(KelUChar::toUpperCase('{'), '{');
    EXPECT_EQ(KelUChar::toLowerCase('A'), 'a');
    EXPECT_EQ(KelUChar::toLowerCase('@'), '@');
    EXPECT_EQ(KelUChar::toLowerCase('['), '[');
    EXPECT_EQ(KelUChar::toUpperCase(0x00FF), 0x0178);
    EXPECT_EQ(KelUChar::toUpperCase(0x00DF), 0x00DF);
    EXPECT_EQ(KelUChar::toUpperCase(0xFF41), 0xFF21);
    EXPECT_EQ(KelUChar::toUpperCase(0x0258), 0x018E);
    EXPECT_EQ(KelUChar::toUpperCase(0x1F80), 0x1F88);
    EXPECT_EQ(KelUChar::toUpperCase(0x1F87), 0x1F8F);
    EXPECT_EQ(KelUChar::toLowerCase(0x0130), 0x0069);
    EXPECT_EQ(KelUChar::toLowerCase(0x018E), 0x0258);
    EXPECT_EQ(KelUChar::toLowerCase(0x10A0), 0x10D0);
    EXPECT_EQ(KelUChar::toLowerCase(0x10C5), 0x10F5);
    EXPECT_EQ(KelUChar::toLowerCase(0xFF21), 0xFF41);
    EXPECT_EQ(KelUChar::toLowerCase(0x2160), 0x2170);
    EXPECT_EQ(KelUChar::toLowerCase(0xD800), 0xD800);
    EXPECT_EQ(KelUChar::toUpperCase(0xFFFF), 0xFFFF);
}

TEST(UCharObject, BuiltFromUnits) {
    const KelUChar emoji(0xD83D, 0xDE00);
    EXPECT_EQ(emoji.getCodePoint(), 0x1F600u);
    EXPECT_TRUE(emoji.isSurrogate());
    EXPECT_EQ(emoji.getCharClass(), 0x1000);
    EXPECT_FALSE(emoji.isNonChar());
    EXPECT_FALSE(emoji.isLetter());

    KelUChar notAPair(0x0041, 0x0042);
    EXPECT_EQ(notAPair.getCodePoint(), 0u);
    EXPECT_TRUE(notAPair.isNonChar());
    EXPECT_EQ(KelUChar(0xDC00, 0xD800).getCodePoint(), 0u);
    EXPECT_EQ(KelUChar(0xD800, 0x0041).getCodePoint(), 0u);
    // What is not a pair answers as the unit 0 does.
    EXPECT_EQ(notAPair.getCharClass(), KelUChar::getCharClass(0));
    EXPECT_FALSE(notAPair.isLetter());

    notAPair = emoji;
    EXPECT_EQ(notAPair.getCodePoint(), 0x1F600u);
    const KelUChar& self = notAPair;
    notAPair = self;
    EXPECT_EQ(notAPair.getCodePoint(), 0x1F600u);
}

// The generator writes what each unit should yield, computed per unit from
// the character database without the range encoding, the lookup tables and
// the coded shortcuts that the library goes through.
struct Expectation {
    unsigned int unit, charClass, upper, lower;
};

std::vector<Expectation> readExpectations() {
    const std::string path = ::testing::TempDir() + "kel_uchar_expect_" + std::to_string(getpid()) + ".txt";
    const std::string command = "python3 '" + kGenerator + "' --dump '" + path + "'";
    std::vector<Expectation> rows;
    if (std::system(command.c_str()) != 0) {
        return rows;
    }
    std::ifstream in(path);
    Expectation e{};
    while (in >> std::hex >> e.unit >> e.charClass >> e.upper >> e.lower) {
        rows.push_back(e);
    }
    std::remove(path.c_str());
    return rows;
}

TEST(UCharTables, WholePlaneMatchesTheDatabase) {
    const std::vector<Expectation> rows = readExpectations();
    ASSERT_EQ(rows.size(), 0x10000u);
    unsigned int mismatches = 0;
    for (const Expectation& e : rows) {
        const unsigned short c = static_cast<unsigned short>(e.unit);
        const bool same = KelUChar::getCharClass(c) == e.charClass && KelUChar::toUpperCase(c) == e.upper &&
                          KelUChar::toLowerCase(c) == e.lower;
        if (!same && ++mismatches <= 10) {
            ADD_FAILURE() << std::hex << "U+" << e.unit << ": class " << KelUChar::getCharClass(c) << " upper "
                          << KelUChar::toUpperCase(c) << " lower " << KelUChar::toLowerCase(c) << ", expected "
                          << e.charClass << " " << e.upper << " " << e.lower;
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

TEST(UCharTables, CommittedDataIsWhatTheGeneratorWrites) {
    const std::string command = "python3 '" + kGenerator + "' --check";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST(UCharTable, ConstantAndIncrementingRanges) {
    static const tableData rows[] = {{0x0100, 0x0103, 0x0041}, {0x0102, 0x0102, 0x0070}, {0, 0, 0}};
    KelUCharTable constant(rows, false);
    KelUCharTable incrementing(rows, true);
    EXPECT_EQ(constant.getValue(0x0100), 0x0041);
    EXPECT_EQ(constant.getValue(0x0103), 0x0041);
    EXPECT_EQ(incrementing.getValue(0x0100), 0x0041);
    EXPECT_EQ(incrementing.getValue(0x0103), 0x0044);
    EXPECT_EQ(constant.getValue(0x0102), 0x0070);  // the later row wins
    EXPECT_EQ(incrementing.getValue(0x0102), 0x0070);
    EXPECT_EQ(constant.getValue(0x0104), 0);
    EXPECT_EQ(constant.getValue(0x00FF), 0);
}

TEST(UCharTable, EmptyTableAndRangeReachingTheTop) {
    static const tableData none[] = {{0, 0, 0}};
    KelUCharTable empty(none, true);
    EXPECT_EQ(empty.getValue(0x0041), 0);

    static const tableData top[] = {{0xFFFE, 0xFFFF, 0x0001}, {0, 0, 0}};
    KelUCharTable table(top, true);
    table.load();
    EXPECT_EQ(table.getValue(0xFFFE), 1);
    EXPECT_EQ(table.getValue(0xFFFF), 2);
}

// Threads that meet an unloaded table together must all see it complete;
// the last row is stored last, so a half-built table would show 0 there.
TEST(UCharTable, ConcurrentFirstUseSeesCompleteTable) {
    static const tableData rows[] = {{0x0001, 0x7FFF, 0x0001}, {0x8000, 0xFFFE, 0x0002}, {0, 0, 0}};
    for (int round = 0; round < 20; ++round) {
        KelUCharTable table(rows, false);
        std::atomic<bool> go{false};
        std::atomic<int> wrong{0};
        std::vector<std::thread> readers;
        for (int i = 0; i < 4; ++i) {
            readers.emplace_back([&] {
                while (!go.load()) {
                }
                if (table.getValue(0xFFFE) != 2 || table.getValue(0x0001) != 1) {
                    ++wrong;
                }
            });
        }
        go = true;
        for (std::thread& t : readers) {
            t.join();
        }
        ASSERT_EQ(wrong.load(), 0) << "round " << round;
    }
}

}  // namespace
