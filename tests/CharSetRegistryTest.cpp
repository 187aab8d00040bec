#include "InertConverter.h"
#include "KelCharSet.h"
#include "KelCharSetConverterManager.h"
#include "KelUString.h"
#include "RegisteredSets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>

namespace {

KelCharSetConverter* converter(KelCharSet cs) {
    return KelCharSetConverter::getConverter(cs);
}

struct Named {
    KelCharSet cs;
    const char* name;
};

const Named kAllNames[] = {
    {KELCS_ISO_8859_1, "KELCS_ISO_8859_1"},
    {KELCS_ISO_8859_2, "KELCS_ISO_8859_2"},
    {KELCS_ISO_8859_3, "KELCS_ISO_8859_3"},
    {KELCS_ISO_8859_4, "KELCS_ISO_8859_4"},
    {KELCS_ISO_8859_5, "KELCS_ISO_8859_5"},
    {KELCS_ISO_8859_6, "KELCS_ISO_8859_6"},
    {KELCS_ISO_8859_7, "KELCS_ISO_8859_7"},
    {KELCS_ISO_8859_8, "KELCS_ISO_8859_8"},
    {KELCS_ISO_8859_9, "KELCS_ISO_8859_9"},
    {KELCS_ISO_8859_10, "KELCS_ISO_8859_10"},
    {KELCS_ISO_8859_11, "KELCS_ISO_8859_11"},
    {KELCS_ISO_8859_13, "KELCS_ISO_8859_13"},
    {KELCS_ISO_8859_14, "KELCS_ISO_8859_14"},
    {KELCS_ISO_8859_15, "KELCS_ISO_8859_15"},
    {KELCS_ISO_8859_16, "KELCS_ISO_8859_16"},
    {KELCS_ISO_2022JP, "KELCS_ISO_2022JP"},
    {KELCS_ISO_2022JP_1, "KELCS_ISO_2022JP_1"},
    {KELCS_ISO_2022JP_2, "KELCS_ISO_2022JP_2"},
    {KELCS_ISO_2022JP_3, "KELCS_ISO_2022JP_3"},
    {KELCS_ISO_2022JP_2004, "KELCS_ISO_2022JP_2004"},
    {KELCS_ISO_2022KR, "KELCS_ISO_2022KR"},
    {KELCS_ISO_2022CN, "KELCS_ISO_2022CN"},
    {KELCS_ISO_2022CN_EXT, "KELCS_ISO_2022CN_EXT"},
    {KELCS_ISO_2022TW, "KELCS_ISO_2022TW"},
    {KELCS_WCP1250, "KELCS_WCP1250"},
    {KELCS_WCP1251, "KELCS_WCP1251"},
    {KELCS_WCP1252, "KELCS_WCP1252"},
    {KELCS_WCP1253, "KELCS_WCP1253"},
    {KELCS_WCP1254, "KELCS_WCP1254"},
    {KELCS_WCP1255, "KELCS_WCP1255"},
    {KELCS_WCP1256, "KELCS_WCP1256"},
    {KELCS_WCP1257, "KELCS_WCP1257"},
    {KELCS_WCP1258, "KELCS_WCP1258"},
    {KELCS_WCP874, "KELCS_WCP874"},
    {KELCS_WCP932, "KELCS_WCP932"},
    {KELCS_WCP936, "KELCS_WCP936"},
    {KELCS_WCP949, "KELCS_WCP949"},
    {KELCS_WCP950, "KELCS_WCP950"},
    {KELCS_KOI8R, "KELCS_KOI8R"},
    {KELCS_GB18030, "KELCS_GB18030"},
    {KELCS_BIG5, "KELCS_BIG5"},
    {KELCS_SHIFTJIS, "KELCS_SHIFTJIS"},
    {KELCS_SJIS0213, "KELCS_SJIS0213"},
    {KELCS_EUC_JP, "KELCS_EUC_JP"},
    {KELCS_EUC_CN, "KELCS_EUC_CN"},
    {KELCS_EUC_KR, "KELCS_EUC_KR"},
    {KELCS_EUC_TW, "KELCS_EUC_TW"},
    {KELCS_UTF8, "KELCS_UTF8"},
    {KELCS_UTF16, "KELCS_UTF16"},
    {KELCS_UTF16BE, "KELCS_UTF16BE"},
    {KELCS_UTF16ESC, "KELCS_UTF16ESC"},
    {KELCS_UTF32, "KELCS_UTF32"},
    {KELCS_UTF32BE, "KELCS_UTF32BE"},
    {KELCS_OS_DEFAULT, "KELCS_OS_DEFAULT"},
};

const KelCharSet kNeverRegistered[] = {
    static_cast<KelCharSet>(437),
    static_cast<KelCharSet>(28602),
    static_cast<KelCharSet>(0),
};

// Counts its destructions.
class CountedConverter : public keltest::InertConverter<KelCharSetConverter> {
public:
    CountedConverter(KelCharSet cs, int& deaths) : InertConverter(cs), m_deaths(deaths) {}
    ~CountedConverter() override { ++m_deaths; }

private:
    int& m_deaths;
};

TEST(CharSetRegistry, EachConverterServesItsOwnIdentifier) {
    for (KelCharSet cs : keltest::kRegisteredSets) {
        EXPECT_EQ(converter(cs)->getCharSet(), cs);
        EXPECT_EQ(converter(cs), converter(cs));
        EXPECT_EQ(converter(cs), g_oCnvtMgr.getConverter(cs));
    }
    // A named identifier is either registered or converts as UTF-8.
    for (const Named& n : kAllNames) {
        if (n.cs == KELCS_OS_DEFAULT)
            continue;
        const bool registered =
            std::find(std::begin(keltest::kRegisteredSets), std::end(keltest::kRegisteredSets),
                      n.cs) != std::end(keltest::kRegisteredSets);
        EXPECT_EQ(converter(n.cs)->getCharSet(), registered ? n.cs : KELCS_UTF8) << n.name;
    }
}

TEST(CharSetRegistry, IdentifiersWithoutConverterConvertAsUTF8) {
    for (KelCharSet cs : kNeverRegistered)
        EXPECT_EQ(converter(cs), converter(KELCS_UTF8)) << cs;
}

TEST(CharSetRegistry, DefaultResolvesThroughTheManager) {
    KelCharSetConverter* first = converter(KELCS_OS_DEFAULT);
    EXPECT_EQ(converter(KELCS_OS_DEFAULT), first);
    EXPECT_EQ(g_oCnvtMgr.getConverter(KELCS_OS_DEFAULT), first);
    EXPECT_EQ(converter(first->getCharSet()), first);
    // The environment has not changed since start-up.
    EXPECT_EQ(g_oCnvtMgr.getConverter(g_oCnvtMgr.getDefaultCharSet()), first);
}

TEST(CharSetRegistry, RegistrationNeverReplacesAndOwnedConvertersDieOnce) {
    int keptDeaths = 0;
    int ownedDeaths = 0;
    CountedConverter rival(KELCS_WCP1252, keptDeaths);
    {
        CharSetConverterManager manager;
        manager.insert(KELCS_WCP1252, &rival, false);
        EXPECT_EQ(manager.getConverter(KELCS_WCP1252), converter(KELCS_WCP1252));
        manager.insert(static_cast<KelCharSet>(437),
                       new CountedConverter(static_cast<KelCharSet>(437), ownedDeaths), false);
        EXPECT_EQ(manager.getConverter(static_cast<KelCharSet>(437))->getCharSet(), 437);
    }
    EXPECT_EQ(ownedDeaths, 1);
    EXPECT_EQ(keptDeaths, 0);
}

TEST(CharSetNames, EveryNameRoundTrips) {
    for (const Named& n : kAllNames) {
        EXPECT_EQ(KelCharSetFromString(n.name), n.cs) << n.name;
        EXPECT_STREQ(KelCharSetToString(n.cs), n.name);
        EXPECT_EQ(KelCharSetFromString(KelCharSetToString(n.cs)), n.cs);
    }
}

TEST(CharSetNames, LookupsAreExact) {
    for (const char* wrong : {"kelcs_utf8", "KELCS_Utf8", "UTF8", " KELCS_UTF8", "KELCS_UTF8 ", "",
                              "KELCS_UTF8\xE9", "KELCS_ISO_8859_12"})
        EXPECT_EQ(KelCharSetFromString(wrong), KELCS_OS_DEFAULT) << wrong;
    EXPECT_EQ(KelCharSetFromString(nullptr), KELCS_OS_DEFAULT);
    EXPECT_EQ(KelCharSetFromString("KELCS_ISO_2022JP"), KELCS_ISO_2022JP);
    EXPECT_STREQ(KelCharSetToString(static_cast<KelCharSet>(437)), "KELCS_OS_DEFAULT");
    EXPECT_STREQ(KelCharSetToString(static_cast<KelCharSet>(50226)), "KELCS_OS_DEFAULT");
}

TEST(CharSetNames, TextIsStableAcrossCalls) {
    const char* first = KelCharSetToString(KELCS_WCP1252);
    EXPECT_EQ(KelCharSetToString(KELCS_WCP1252), first);
    EXPECT_STREQ(first, "KELCS_WCP1252");
}

TEST(CharSetNames, NamesRegisteredLaterAreFoundByTheirLatin1Text) {
    const auto cp437 = static_cast<KelCharSet>(437);
    const auto cp438 = static_cast<KelCharSet>(438);
    CharSetConverterManager manager;
    manager.insertCharSetMap(cp437, KelUString("CP\xC3\xA9", KELCS_UTF8));
    manager.insertCharSetMap(KELCS_WCP1252, KelUString("CP1252", KELCS_UTF8));
    manager.insertCharSetMap(cp438, KelUString("CP\xE2\x82\xAC", KELCS_UTF8));
    EXPECT_EQ(manager.charSetFromString("CP\xE9"), cp437);
    EXPECT_STREQ(manager.charSetToString(cp437), "CP\xE9");
    EXPECT_STREQ(manager.charSetToString(KELCS_WCP1252), "KELCS_WCP1252");
    // The text given out for a name beyond Latin-1 stands in for it but finds nothing.
    EXPECT_EQ(manager.charSetFromString(manager.charSetToString(cp438)), KELCS_OS_DEFAULT);
}

TEST(CharSetList, GeneratorReproducesTheCommittedFile) {
    const std::string command =
        std::string("python3 '") + KELULIB_SOURCE_DIR + "/tools/gen_charset_list.py' --check";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

} // namespace
