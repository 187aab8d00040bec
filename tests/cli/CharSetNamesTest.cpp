#include "CharSetNames.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

namespace {

using kelconv::findCharSet;

TEST(CharSetNames, IdentifierNamesMatchExactlyAndWithoutRegardToCase) {
    EXPECT_EQ(findCharSet("KELCS_WCP1252"), KELCS_WCP1252);
    EXPECT_EQ(findCharSet("kelcs_utf8"), KELCS_UTF8);
    EXPECT_EQ(findCharSet("KELCS_OS_DEFAULT"), KELCS_OS_DEFAULT);
    EXPECT_EQ(findCharSet("KELCS_UTF8 "), std::nullopt);
}

TEST(CharSetNames, NumbersNameOnlyKnownIdentifiers) {
    EXPECT_EQ(findCharSet("1252"), KELCS_WCP1252);
    EXPECT_EQ(findCharSet("-2"), KELCS_OS_DEFAULT);
    EXPECT_EQ(findCharSet("437"), std::nullopt);
    EXPECT_EQ(findCharSet("1252x"), std::nullopt);
    EXPECT_EQ(findCharSet(""), std::nullopt);
}

TEST(CharSetNames, CommonNamesMatchWithoutRegardToCase) {
    EXPECT_EQ(findCharSet("utf-8"), KELCS_UTF8);
    EXPECT_EQ(findCharSet("Shift_JIS"), KELCS_SHIFTJIS);
    EXPECT_EQ(findCharSet("cp932"), KELCS_WCP932);
    EXPECT_EQ(findCharSet("Windows-1252"), KELCS_WCP1252);
    EXPECT_EQ(findCharSet("iso-8859-15"), KELCS_ISO_8859_15);
    EXPECT_EQ(findCharSet("EUC-JP"), KELCS_EUC_JP);
    EXPECT_EQ(findCharSet("gbk"), KELCS_WCP936);
    EXPECT_EQ(findCharSet("GB18030"), KELCS_GB18030);
    EXPECT_EQ(findCharSet("big5"), KELCS_BIG5);
#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    EXPECT_EQ(findCharSet("UTF-16LE"), KELCS_UTF16);
    EXPECT_EQ(findCharSet("utf-32le"), KELCS_UTF32);
    EXPECT_EQ(findCharSet("UTF-16BE"), KELCS_UTF16BE);
#endif
    EXPECT_EQ(findCharSet("UTF-16"), std::nullopt);
}

TEST(CharSetNames, EveryNameOfTheTableIsUniqueAndFindsItsRow) {
    std::set<std::string> seen;
    for (const kelconv::CharSetInfo& info : kelconv::charSetTable()) {
        std::vector<std::string> names = info.commonNames;
        names.push_back(KelCharSetToString(info.id));
        for (std::string name : names) {
            EXPECT_EQ(findCharSet(name), info.id) << name;
            for (char& c : name)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_TRUE(seen.insert(name).second) << name;
        }
    }
}

TEST(CharSetNames, EveryListedSetHasAConverter) {
    EXPECT_TRUE(kelconv::hasConverter(KELCS_EUC_TW));
    EXPECT_TRUE(kelconv::hasConverter(KELCS_OS_DEFAULT));
    const std::string listing = kelconv::charSetListing();
    EXPECT_NE(listing.find(" 65001  KELCS_UTF8 "), std::string::npos);
    EXPECT_EQ(listing.find("(no converter)"), std::string::npos);
}

} // namespace
