#include "KelUStringList.h"

#include "UStringTestHelpers.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using keltest::text;
using keltest::U;

namespace {

const unsigned short comma = ',';

std::vector<std::u16string> texts(const KelUStringList& list) {
    std::vector<std::u16string> out;
    for (const KelUString& s : list)
        out.push_back(text(s));
    return out;
}

typedef std::vector<std::u16string> Texts;

KelUStringList listOf(const std::u16string& commaSeparated) {
    return KelUStringList(U(commaSeparated), comma);
}

template <class F> void expectListRangeError(F f) {
    try {
        f();
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid string list index given");
    }
}

TEST(UStringSplit, ByUnitKeepsInnerAndLeadingEmptyElements) {
    EXPECT_EQ(texts(U(u"a,,b").split(comma)), (Texts{u"a", u"", u"b"}));
    EXPECT_EQ(texts(U(u",a").split(comma)), (Texts{u"", u"a"}));
    EXPECT_EQ(texts(U(u"a,").split(comma)), (Texts{u"a"}));
    EXPECT_EQ(texts(U(u",").split(comma)), (Texts{u""}));
    EXPECT_EQ(texts(U(u",,").split(comma)), (Texts{u"", u""}));
    EXPECT_EQ(texts(U(u"abc").split(comma)), (Texts{u"abc"}));
    EXPECT_EQ(KelUString().split(comma).size(), 0u);
}

TEST(UStringSplit, EmptySeparatorGivesTheWholeString) {
    EXPECT_EQ(texts(U(u"a,b").split(static_cast<unsigned short>(0))), (Texts{u"a,b"}));
    EXPECT_EQ(texts(U(u"a,b").split(KelUString())), (Texts{u"a,b"}));
    EXPECT_EQ(texts(KelUString().split(KelUString())), (Texts{u""}));
    EXPECT_EQ(texts(U(u"a,b").split('\0', KELCS_UTF8)), (Texts{u"a,b"}));
}

TEST(UStringSplit, ByStringSkipsWholeSeparators) {
    EXPECT_EQ(texts(U(u"one::two").split(U(u"::"))), (Texts{u"one", u"two"}));
    EXPECT_EQ(texts(U(u"::").split(U(u"::"))), (Texts{u""}));
    EXPECT_EQ(texts(U(u"a:::b").split(U(u"::"))), (Texts{u"a", u":b"}));
    EXPECT_EQ(texts(U(u"::a::::b::").split(U(u"::"))), (Texts{u"", u"a", u"", u"b"}));
    EXPECT_EQ(texts(U(u"ab").split(U(u"abc"))), (Texts{u"ab"}));
    EXPECT_EQ(KelUString().split(U(u"::")).size(), 0u);

    const KelUString self = U(u"xyz");
    EXPECT_EQ(texts(self.split(self)), (Texts{u""}));
}

TEST(UStringSplit, ByLocalCharacterAndAcrossHeapStrings) {
    EXPECT_EQ(texts(U(u"a;b").split(';', KELCS_UTF8)), (Texts{u"a", u"b"}));

    const std::u16string longA(300, u'a');
    const std::u16string longB(400, u'b');
    const KelUStringList list = U(longA + u"," + longB).split(comma);
    EXPECT_EQ(texts(list), (Texts{longA, longB}));
}

TEST(UStringListCombine, JoinsWithSeparatorBetweenNeighbours) {
    EXPECT_EQ(text(listOf(u"a,,b").combine(U(u","))), u"a,,b");
    EXPECT_EQ(text(listOf(u"a,b,c").combine(U(u" - "))), u"a - b - c");
    EXPECT_EQ(text(KelUStringList(U(u"a")).combine(U(u","))), u"a");
    EXPECT_TRUE(listOf(u"").combine(U(u",")).empty());
    EXPECT_EQ(text(listOf(u"a,b").combine(KelUString())), u"ab");
}

TEST(UStringList, ConstructionAndAssignmentCopyElements) {
    KelUString source = U(u"x");
    KelUStringList list(source);
    source = U(u"changed");
    EXPECT_EQ(texts(list), (Texts{u"x"}));
    EXPECT_EQ(texts(KelUStringList(KelUString())), (Texts{u""}));

    KelUStringList three = listOf(u"a,b,c");
    const KelUStringList copy(three);
    three.erase(0);
    EXPECT_EQ(texts(copy), (Texts{u"a", u"b", u"c"}));

    three = copy;
    const KelUStringList& same = three;
    three = same;
    EXPECT_EQ(texts(three), (Texts{u"a", u"b", u"c"}));
    EXPECT_EQ(&(three = U(u"only")), &three);
    EXPECT_EQ(texts(three), (Texts{u"only"}));

    const KelUStringList& constList = copy;
    EXPECT_EQ(text(*constList.rbegin()), u"c");
    EXPECT_EQ(text(constList[1]), u"b");
}

TEST(UStringList, IndexesAtAndBeyondTheEndThrow) {
    KelUStringList list = listOf(u"a,b");
    EXPECT_EQ(text(list.at(1)), u"b");
    expectListRangeError([&] { list.at(2); });
    expectListRangeError([&] { list.erase(2); });
    expectListRangeError([&] { list.insert(3, U(u"z")); });
    expectListRangeError([&] { list.insert(3, listOf(u"y,z")); });
    EXPECT_EQ(texts(list), (Texts{u"a", u"b"})) << "failed edits change nothing";

    list.insert(3, listOf(u""));
    EXPECT_EQ(list.size(), 2u) << "inserting no elements checks no position";
}

TEST(UStringList, EditsKeepOrder) {
    KelUStringList list = listOf(u"b,d");
    list.insert(list.size(), U(u"e")).insert(0, U(u"a")).insert(2, U(u"c"));
    EXPECT_EQ(texts(list), (Texts{u"a", u"b", u"c", u"d", u"e"}));

    list.erase(4).erase(0);
    list.insert(1, listOf(u"x,y")).append(listOf(u"z")).append(U(u"!"));
    EXPECT_EQ(texts(list), (Texts{u"b", u"x", u"y", u"c", u"d", u"z", u"!"}));

    list.clear();
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.begin(), list.end());
}

TEST(UStringList, ListGivenToItselfIsLeftAlone) {
    KelUStringList list = listOf(u"a,b");
    list.append(list);
    list.insert(1, list);
    list.insert(9, list);
    EXPECT_EQ(texts(list), (Texts{u"a", u"b"}));

    // An equal list that is another object is added as usual.
    const KelUStringList copy(list);
    list.append(copy);
    EXPECT_EQ(texts(list), (Texts{u"a", u"b", u"a", u"b"}));
}

} // namespace
