// Facts about the compiled-in code-page tables that the converters rely on, and a check that
// the committed data is what the generator produces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct sMBCSExTable {
    unsigned short code;
    unsigned int unicode;
};

#include "data/CodePageTables.inc"
#include "data/GB18030Ranges.inc"

// Code -> Unicode and Unicode -> code, as a converter's load() would build them, plus what a
// table may not contain (pair with a zero side, a code or value given twice).
struct LoadedTable {
    std::map<unsigned, unsigned> toUnicode;
    std::map<unsigned, unsigned> fromUnicode;
    size_t entries = 0;
    std::vector<std::string> faults;

    void add(unsigned code, unsigned unicode) {
        ++entries;
        if (code == 0 || unicode == 0)
            faults.push_back("zero side at entry " + std::to_string(entries));
        if (unicode >= 0xD800 && unicode <= 0xDFFF)
            faults.push_back("surrogate " + std::to_string(unicode));
        if (!toUnicode.emplace(code, unicode).second)
            faults.push_back("code twice " + std::to_string(code));
        if (!fromUnicode.emplace(unicode, code).second)
            faults.push_back("value twice " + std::to_string(unicode));
    }
};

LoadedTable load(const unsigned short* map) {
    LoadedTable table;
    for (; map[0] != 0 || map[1] != 0; map += 2)
        table.add(map[0], map[1]);
    return table;
}

LoadedTable load(const sMBCSExTable* map) {
    LoadedTable table;
    for (; map->code != 0 || map->unicode != 0; ++map)
        table.add(map->code, map->unicode);
    return table;
}

struct PairListInfo {
    const char* name;
    const unsigned short* map;
    size_t entries;
    const unsigned char* type; // byte classes of the two-byte codes, or null
};

const PairListInfo kPairLists[] = {
    {"oCP1250map", oCP1250map, 255, nullptr},    {"oCP1251map", oCP1251map, 255, nullptr},
    {"oCP1252map", oCP1252map, 255, nullptr},    {"oCP1253map", oCP1253map, 253, nullptr},
    {"oCP1254map", oCP1254map, 255, nullptr},    {"oCP1255map", oCP1255map, 244, nullptr},
    {"oCP1256map", oCP1256map, 255, nullptr},    {"oCP1257map", oCP1257map, 253, nullptr},
    {"oCP1258map", oCP1258map, 255, nullptr},    {"oCP874map", oCP874map, 218, nullptr},
    {"o8859_1map", o8859_1map, 255, nullptr},    {"o8859_2map", o8859_2map, 255, nullptr},
    {"o8859_3map", o8859_3map, 248, nullptr},    {"o8859_4map", o8859_4map, 255, nullptr},
    {"o8859_5map", o8859_5map, 255, nullptr},    {"o8859_6map", o8859_6map, 210, nullptr},
    {"o8859_7map", o8859_7map, 252, nullptr},    {"o8859_8map", o8859_8map, 219, nullptr},
    {"o8859_9map", o8859_9map, 255, nullptr},    {"o8859_10map", o8859_10map, 255, nullptr},
    {"o8859_11map", o8859_11map, 247, nullptr},  {"o8859_13map", o8859_13map, 255, nullptr},
    {"o8859_14map", o8859_14map, 255, nullptr},  {"o8859_15map", o8859_15map, 255, nullptr},
    {"o8859_16map", o8859_16map, 255, nullptr},  {"oKOI8Rmap", oKOI8Rmap, 255, nullptr},
    {"oCP932map", oCP932map, 9338, oCP932Type},  {"oSHIFTJISmap", oSHIFTJISmap, 9396, oCP932Type},
    {"oCP936map", oCP936map, 24069, oCP936Type}, {"oGBKmap", oGBKmap, 24067, oCP936Type},
    {"oCP949map", oCP949map, 17365, oCP949Type}, {"oCP950map", oCP950map, 20202, oCP950Type},
    {"oBIG5map", oBIG5map, 19839, oBig5Type},    {"oBIG5ReadOnlymap", oBIG5ReadOnlymap, 10, oBig5Type},
    {"oKSX1001map", oKSX1001map, 8224, nullptr},
    {"oGB2312map", oGB2312map, 7445, nullptr},   {"oJIS0208map", oJIS0208map, 6879, nullptr},
    {"oJIS0201map", oJIS0201map, 189, nullptr},  {"oJIS0212map", oJIS0212map, 0, nullptr},
};

bool isLead(const unsigned char* type, unsigned b) {
    return (type[b] & 0x40) != 0;
}
bool isTrail(const unsigned char* type, unsigned b) {
    return (type[b] & 0x80) != 0;
}

// Every two-byte code must read back through its byte-type table, and no single-byte code may
// be taken for a lead byte.
std::vector<unsigned> codesTheTypeTableRejects(const LoadedTable& table,
                                               const unsigned char* type) {
    std::vector<unsigned> rejected;
    for (const auto& entry : table.toUnicode) {
        unsigned code = entry.first;
        bool fits = code > 0xFF ? isLead(type, code >> 8) && isTrail(type, code & 0xFF)
                                : !isLead(type, code);
        if (!fits)
            rejected.push_back(code);
    }
    return rejected;
}

TEST(CodePageTables, EveryPairListIsWellFormed) {
    for (const PairListInfo& info : kPairLists) {
        SCOPED_TRACE(info.name);
        LoadedTable table = load(info.map);
        EXPECT_EQ(table.entries, info.entries);
        EXPECT_TRUE(table.faults.empty()) << table.faults.front();
        if (info.type != nullptr) {
            EXPECT_TRUE(codesTheTypeTableRejects(table, info.type).empty());
        }
    }
}

TEST(CodePageTables, ShiftJis2004IsWellFormed) {
    LoadedTable table = load(oSJIS0213_2004map);
    EXPECT_EQ(table.entries, 11398u);
    EXPECT_TRUE(table.faults.empty()) << table.faults.front();
    EXPECT_TRUE(codesTheTypeTableRejects(table, oCP932Type).empty());
    size_t beyondBmp = 0;
    for (const auto& entry : table.toUnicode)
        beyondBmp += entry.second > 0xFFFF;
    EXPECT_EQ(beyondBmp, 303u);
    EXPECT_EQ(table.toUnicode.at(0x87A0), 0x2000Bu);
    EXPECT_EQ(table.fromUnicode.rbegin()->first, 0x2A6B2u);
}

TEST(CodePageTables, SingleByteMappings) {
    LoadedTable cp1252 = load(oCP1252map);
    EXPECT_EQ(cp1252.toUnicode.at(0x80), 0x20ACu);
    EXPECT_EQ(cp1252.fromUnicode.at(0x20AC), 0x80u);
    EXPECT_EQ(cp1252.toUnicode.at(0x81), 0x81u);
    EXPECT_EQ(cp1252.fromUnicode.at(0x81), 0x81u);
    EXPECT_EQ(cp1252.toUnicode.at(0x9F), 0x178u);

    LoadedTable cp1253 = load(oCP1253map);
    EXPECT_EQ(cp1253.toUnicode.at(0xAA), 0xAAu);
    EXPECT_EQ(cp1253.toUnicode.count(0xD2) + cp1253.toUnicode.count(0xFF), 0u);

    LoadedTable thai11 = load(o8859_11map);
    for (unsigned b : {0xDB, 0xDC, 0xDD, 0xDE, 0xFC, 0xFD, 0xFE, 0xFF})
        EXPECT_EQ(thai11.toUnicode.count(b), 0u) << b;

    LoadedTable cp874 = load(oCP874map);
    EXPECT_EQ(cp874.toUnicode.at(0x7F), 0x1Au);
    EXPECT_EQ(cp874.fromUnicode.at(0x7F), 0x1Cu);
    EXPECT_EQ(cp874.toUnicode.at(0x1A), 0x1Cu);
    EXPECT_EQ(cp874.toUnicode.at(0xFF), 0xA0u);
    EXPECT_EQ(cp874.toUnicode.lower_bound(0x80)->first, 0xA1u);
}

TEST(CodePageTables, JapaneseVariantsDifferWhereIntended) {
    LoadedTable cp932 = load(oCP932map), shiftJis = load(oSHIFTJISmap),
                jis2004 = load(oSJIS0213_2004map);
    for (const LoadedTable* table : {&cp932, &shiftJis}) {
        EXPECT_EQ(table->toUnicode.at(0x5C), 0x5Cu);
        EXPECT_EQ(table->toUnicode.at(0x815F), 0xFF3Cu);
        EXPECT_EQ(table->toUnicode.at(0x1A), 0x1Cu);
        EXPECT_EQ(table->toUnicode.at(0xF040), 0xE000u);
        EXPECT_EQ(table->toUnicode.at(0xF9FC), 0xE757u);
        EXPECT_EQ(table->toUnicode.count(0xED40), 0u);
    }
    EXPECT_EQ(jis2004.toUnicode.at(0x5C), 0xA5u);
    EXPECT_EQ(jis2004.toUnicode.at(0x815F), 0x5Cu);
    EXPECT_EQ(jis2004.toUnicode.at(0x815C), 0x2014u);
    EXPECT_EQ(jis2004.toUnicode.at(0x81D4), 0xFF5Fu);
    EXPECT_EQ(jis2004.toUnicode.count(0x82F5), 0u);

    // The older kanji order of code page 932 against Microsoft's.
    EXPECT_EQ(cp932.toUnicode.at(0x88B1), 0x9C3Au);
    EXPECT_EQ(cp932.toUnicode.at(0xE9CB), 0x9BF5u);
    EXPECT_EQ(shiftJis.toUnicode.at(0x88B1), 0x9BF5u);

    EXPECT_EQ(cp932.toUnicode.at(0x80), 0xA2u);
    EXPECT_EQ(cp932.toUnicode.count(0x8740) + cp932.toUnicode.count(0x81CA), 0u);
    EXPECT_EQ(shiftJis.toUnicode.count(0x80) + shiftJis.toUnicode.count(0xFA4A), 0u);
    EXPECT_EQ(shiftJis.fromUnicode.at(0x2160), 0x8754u);
    EXPECT_EQ(oCP932Type[0xA0] & 0x40, 0);
}

TEST(CodePageTables, ChineseAndKoreanSpecials) {
    LoadedTable gbk = load(oGBKmap), cp936 = load(oCP936map), cp949 = load(oCP949map),
                big5 = load(oBIG5map);
    EXPECT_EQ(gbk.toUnicode.at(0xA2E3), 0x20ACu);
    EXPECT_EQ(gbk.toUnicode.at(0xA8BC), 0xE7C7u);
    EXPECT_EQ(gbk.toUnicode.count(0x80), 0u);
    EXPECT_EQ(cp936.toUnicode.at(0xA2E3), 0xE76Cu);
    EXPECT_EQ(cp936.toUnicode.at(0x80), 0x20ACu);
    EXPECT_EQ(cp936.toUnicode.at(0xAAA1), 0xE000u);
    EXPECT_EQ(cp936.toUnicode.at(0xA140), 0xE4C6u);
    EXPECT_EQ(cp936.fromUnicode.rbegin()->first, 0xFFE5u);
    EXPECT_EQ(cp949.toUnicode.at(0xC9A1), 0xE000u);
    EXPECT_EQ(cp949.toUnicode.at(0xFEFE), 0xE0BBu);
    EXPECT_EQ(cp949.toUnicode.at(0xFF), 0xF8F7u);
    EXPECT_EQ(big5.toUnicode.at(0xF9F9), 0x2550u);
    EXPECT_EQ(big5.toUnicode.at(0xA3E1), 0x20ACu);
    EXPECT_EQ(big5.toUnicode.at(0xC6A1), 0xF6B1u);
    EXPECT_EQ(big5.toUnicode.at(0x8140), 0xEEB8u);
    EXPECT_EQ(big5.toUnicode.at(0xFEFE), 0xE310u);
}

TEST(CodePageTables, Cp950VariantReadsBackItsHighTrailCodes) {
    LoadedTable cp950 = load(oCP950map);
    size_t highTrails = 0;
    for (const auto& entry : cp950.toUnicode)
        highTrails +=
            entry.first > 0xFF && (entry.first & 0xFF) >= 0x81 && (entry.first & 0xFF) <= 0xA0;
    EXPECT_EQ(highTrails, 418u);
    EXPECT_EQ(cp950.toUnicode.at(0xF28C), 0xB4u);
    EXPECT_EQ(cp950.fromUnicode.at(0xB4), 0xF28Cu);
    EXPECT_TRUE(isTrail(oCP950Type, 0x8C));
    EXPECT_EQ(cp950.toUnicode.at(0xC6A1), 0x2460u);
    EXPECT_EQ(cp950.toUnicode.at(0x8181), 0xF6B1u);
    EXPECT_EQ(cp950.toUnicode.at(0x81A1), 0xEEF7u);
    EXPECT_EQ(cp950.toUnicode.at(0xF9D6), 0xF813u);
    EXPECT_EQ(cp950.toUnicode.at(0x1A), 0x1Cu);
    EXPECT_EQ(cp950.toUnicode.lower_bound(0x80)->first, 0x8140u);
    EXPECT_EQ(cp950.fromUnicode.count(0x20AC), 0u);
}

TEST(CodePageTables, SevenBitTablesAndJisX0201) {
    for (const unsigned short* map : {oKSX1001map, oGB2312map, oJIS0208map}) {
        LoadedTable table = load(map);
        EXPECT_EQ(table.toUnicode.at(0x2121), 0x3000u);
        EXPECT_EQ(table.toUnicode.count(0xA1A1), 0u);
        EXPECT_GE(table.toUnicode.begin()->first, 0x2121u);
        EXPECT_LE(table.toUnicode.rbegin()->first, 0x7E7Eu);
    }
    LoadedTable ksx = load(oKSX1001map);
    EXPECT_EQ(ksx.toUnicode.count(0x2266) + ksx.toUnicode.count(0x2267), 0u);
    EXPECT_EQ(ksx.toUnicode.at(0x2454), 0x3164u);
    EXPECT_EQ(load(oJIS0208map).toUnicode.at(0x2140), 0xFF3Cu);

    LoadedTable jis0201 = load(oJIS0201map);
    EXPECT_EQ(jis0201.toUnicode.at(0x5C), 0xA5u);
    EXPECT_EQ(jis0201.toUnicode.at(0x7E), 0x203Eu);
    EXPECT_EQ(jis0201.toUnicode.count(0x7F), 0u);
    EXPECT_EQ(jis0201.toUnicode.at(0xDF), 0xFF9Fu);
    EXPECT_TRUE(load(oJIS0212map).toUnicode.empty());
}

size_t rowCount(const unsigned int (*rows)[3]) {
    size_t n = 0;
    while (rows[n][0] != 0)
        ++n;
    return n;
}

bool hasRow(const unsigned int (*rows)[3], unsigned first, unsigned last, unsigned value) {
    for (size_t i = 0; rows[i][0] != 0; ++i)
        if (rows[i][0] == first && rows[i][1] == last && rows[i][2] == value)
            return true;
    return false;
}

TEST(GB18030Ranges, RowsAreSortedDisjointAndInverse) {
    ASSERT_EQ(rowCount(oGB2UniRange), 265u);
    ASSERT_EQ(rowCount(oUni2GBRange), 265u);
    for (const auto* rows : {oGB2UniRange, oUni2GBRange}) {
        EXPECT_EQ(rows[265][1], 0u);
        EXPECT_EQ(rows[265][2], 0u);
        for (size_t i = 0; i < 265; ++i) {
            EXPECT_LE(rows[i][0], rows[i][1]) << i;
            if (i > 0) {
                EXPECT_LT(rows[i - 1][1], rows[i][0]) << i;
            }
        }
    }
    for (size_t i = 0; i < 265; ++i) {
        const unsigned* row = oGB2UniRange[i];
        EXPECT_TRUE(hasRow(oUni2GBRange, row[2], row[2] + row[1] - row[0], row[0])) << i;
    }
    for (size_t i = 0; i < 265; ++i)
        EXPECT_TRUE(oUni2GBRange[i][1] < 0xD800 || oUni2GBRange[i][0] > 0xDFFF) << i;
}

TEST(GB18030Ranges, TellingRows) {
    EXPECT_TRUE(hasRow(oGB2UniRange, 0xA2E3, 0xA2E3, 0x20AC));
    EXPECT_TRUE(hasRow(oGB2UniRange, 0xA98A, 0xA995, 0x2FF0));
    EXPECT_TRUE(hasRow(oGB2UniRange, 0xFE50, 0xFE50, 0x2E81));
    EXPECT_TRUE(hasRow(oGB2UniRange, 0x10000, 0x10023, 0x0080));
    EXPECT_TRUE(hasRow(oGB2UniRange, 0x10024, 0x10025, 0x00A5));
    EXPECT_EQ(oGB2UniRange[264][0], 0x199E2u);
    EXPECT_EQ(oGB2UniRange[264][1], 0x199FBu);
    EXPECT_EQ(oGB2UniRange[264][2], 0xFFE6u);
    EXPECT_TRUE(hasRow(oUni2GBRange, 0x80, 0xA3, 0x10000));
    EXPECT_EQ(oUni2GBRange[264][0], 0xFFE6u);
    EXPECT_EQ(oUni2GBRange[264][1], 0xFFFFu);
}

// The two-byte rows repeat oGBKmap; the four-byte rows reach, without gaps, every other BMP
// character from U+0080 on, so each such character has exactly one GB18030 code.
TEST(GB18030Ranges, CoverTheBmpTogetherWithGbk) {
    LoadedTable gbk = load(oGBKmap);
    size_t twoByteRows = 0;
    unsigned expectedScalar = 0x10000;
    std::set<unsigned> reached;
    for (size_t i = 0; oGB2UniRange[i][0] != 0; ++i) {
        const unsigned* row = oGB2UniRange[i];
        for (unsigned s = row[0]; s <= row[1]; ++s) {
            unsigned u = row[2] + (s - row[0]);
            if (s <= 0xFFFF) {
                EXPECT_EQ(gbk.toUnicode.at(s), u);
            } else {
                EXPECT_EQ(s, expectedScalar++);
                EXPECT_TRUE(reached.insert(u).second);
                EXPECT_EQ(gbk.fromUnicode.count(u), 0u) << u;
            }
        }
        twoByteRows += row[0] <= 0xFFFF;
    }
    EXPECT_EQ(twoByteRows, 59u);
    EXPECT_EQ(expectedScalar, 0x199FCu);
    EXPECT_EQ(reached.size() + gbk.fromUnicode.size() - 127, 0x10000u - 0x80u - 0x800u);
}

TEST(CodePageTables, GeneratorReproducesTheCommittedFiles) {
    const std::string command =
        std::string("python3 '") + KELULIB_SOURCE_DIR + "/tools/gen_codepage_tables.py' --check";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

} // namespace
