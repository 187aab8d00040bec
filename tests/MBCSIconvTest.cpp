// The double-byte and EUC converters against glibc's iconv: every code of a
// set's table decodes as glibc reads it, except for the codes listed, where
// the tables follow other mappings on purpose. (The other direction adds
// nothing: the sweeps hold encoding to the same tables, and where glibc has
// two codes for a character it may write either.)
#include "IconvReference.h"
#include "MBCSTestSets.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using keltest::MBCSSet;
using keltest::Units;

struct CodeRange {
    std::uint32_t first;
    std::uint32_t last;
};

struct Reference {
    KelCharSet cs;
    const char* iconvName;
    // Codes (bytes, high byte first) whose character differs; every code of
    // the table in a range differs.
    std::vector<CodeRange> differences;
};

const CodeRange kControlRotation[] = {{0x1A, 0x1A}, {0x1C, 0x1C}, {0x7F, 0x7F}};

std::vector<CodeRange> withControlRotation(std::vector<CodeRange> ranges) {
    ranges.insert(ranges.begin(), std::begin(kControlRotation), std::end(kControlRotation));
    return ranges;
}

const Reference kReferences[] = {
    // The single bytes 0x80, 0xA0, 0xFD, and the kanji exchanged in pairs
    // for the older JIS ordering.
    {KELCS_WCP932, "CP932",
     withControlRotation(
         {{0x80, 0x80},     {0xA0, 0xA0},     {0xFD, 0xFD},     {0x88B1, 0x88B1}, {0x89A7, 0x89A7},
          {0x8A61, 0x8A61}, {0x8A68, 0x8A68}, {0x8A96, 0x8A96}, {0x8AC1, 0x8AC1}, {0x8AD0, 0x8AD0},
          {0x8BC4, 0x8BC4}, {0x8C7A, 0x8C7A}, {0x8D56, 0x8D56}, {0x8D7B, 0x8D7B}, {0x8EC7, 0x8EC7},
          {0x9078, 0x9078}, {0x9147, 0x9147}, {0x92D9, 0x92D9}, {0x9376, 0x9376}, {0x938E, 0x938E},
          {0x9393, 0x9393}, {0x93F4, 0x93F4}, {0x9488, 0x9488}, {0x954F, 0x954F}, {0x968A, 0x968A},
          {0x9699, 0x9699}, {0x96F7, 0x96F7}, {0x9779, 0x9779}, {0x9855, 0x9855}, {0x98D4, 0x98D4},
          {0x9AE2, 0x9AE2}, {0x9D98, 0x9D98}, {0x9E77, 0x9E77}, {0x9E8D, 0x9E8D}, {0x9FB7, 0x9FB7},
          {0x9FF3, 0x9FF3}, {0xE086, 0xE086}, {0xE0F4, 0xE0F4}, {0xE1E6, 0xE1E6}, {0xE1E8, 0xE1E8},
          {0xE27D, 0xE27D}, {0xE2C4, 0xE2C4}, {0xE541, 0xE541}, {0xE54D, 0xE54D}, {0xE579, 0xE579},
          {0xE5A2, 0xE5A2}, {0xE67C, 0xE67C}, {0xE6CB, 0xE6CB}, {0xE78E, 0xE78E}, {0xE8D5, 0xE8D5},
          {0xE8F2, 0xE8F2}, {0xE9CB, 0xE9CB}, {0xE9F2, 0xE9F2}, {0xEA9F, 0xEAA2}, {0xEAA4, 0xEAA4},
          {0xFAD0, 0xFAD0}})},
    // Against GB18030: the single bytes, and the codes that GB18030 later
    // took out of the private use area.
    {KELCS_WCP936,
     "GB18030",
     {{0x80, 0x80},
      {0xFF, 0xFF},
      {0xA2E3, 0xA2E3},
      {0xA6D9, 0xA6DF},
      {0xA6EC, 0xA6ED},
      {0xA6F3, 0xA6F3},
      {0xA8BC, 0xA8BC},
      {0xA8BF, 0xA8BF},
      {0xA989, 0xA995},
      {0xFE50, 0xFEA0}}},
    // The single bytes and the user-defined rows.
    {KELCS_WCP949, "CP949", {{0x80, 0x80}, {0xFF, 0xFF}, {0xC9A1, 0xC9FE}, {0xFEA1, 0xFEFE}}},
    // The user-defined areas, the ETEN extensions, and the symbols at trail
    // bytes 0x81 to 0xA0, which glibc has in other places or not at all.
    {KELCS_WCP950, "CP950",
     withControlRotation({{0x8140, 0xA0FE},
                          {0xC6A1, 0xC8FE},
                          {0xF281, 0xF2A0},
                          {0xF381, 0xF3A0},
                          {0xF481, 0xF4A0},
                          {0xF9D6, 0xFEFE}})},
    {KELCS_EUC_KR, "EUC-KR", {}},
    {KELCS_EUC_CN, "EUC-CN", {}},
    {KELCS_EUC_JP, "EUC-JP", {}},
    // The single byte 0xFF and the user-defined areas.
    {KELCS_BIG5, "CP950", {{0xFF, 0xFF}, {0x8140, 0xA0FE}, {0xFA40, 0xFEFE}}},
    {KELCS_SHIFTJIS, "CP932", withControlRotation({})},
    // The backslash and the tilde of row 1 are the ASCII characters here.
    {KELCS_SJIS0213, "SHIFT_JISX0213", {{0x815F, 0x815F}, {0x81B0, 0x81B0}}},
};

std::string utf16le(const Units& units) {
    std::string bytes;
    for (unsigned short u : units) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    return bytes;
}

std::uint32_t codeOf(const std::string& bytes) {
    std::uint32_t code = 0;
    for (char b : bytes)
        code = code << 8 | static_cast<unsigned char>(b);
    return code;
}

class MBCSIconv : public ::testing::TestWithParam<Reference> {
protected:
    const MBCSSet& set() const { return keltest::mbcsSet(GetParam().cs); }
    KelCharSetConverter& conv() const { return keltest::mbcsConverter(GetParam().cs); }

    bool listed(std::uint32_t code) const {
        for (const CodeRange& range : GetParam().differences) {
            if (code >= range.first && code <= range.last)
                return true;
        }
        return false;
    }

    // Records a code where the converter and glibc disagree; one that is not
    // listed fails the test.
    void compare(std::uint32_t code, const std::string& ours, const std::string& theirs) {
        if (ours == theirs)
            return;
        m_differing.insert(code);
        if (!listed(code) && ++m_unlisted <= 10)
            ADD_FAILURE() << std::hex << "code " << code << ": ours "
                          << ::testing::PrintToString(ours) << ", glibc "
                          << ::testing::PrintToString(theirs);
    }

    // Every listed range holds a code that differs, so the list stays exact.
    void expectEveryRangeDiffers() const {
        for (const CodeRange& range : GetParam().differences) {
            const auto it = m_differing.lower_bound(range.first);
            EXPECT_TRUE(it != m_differing.end() && *it <= range.last)
                << std::hex << "nothing differs in " << range.first << "-" << range.last;
        }
    }

    std::set<std::uint32_t> m_differing;
    int m_unlisted = 0;
};

TEST_P(MBCSIconv, EveryCodeOfTheTableDecodesAsGlibcDoes) {
    keltest::Iconv decoder("UTF-16LE", GetParam().iconvName);
    ASSERT_TRUE(decoder.valid()) << GetParam().iconvName;
    for (const auto& entry : set().toUnicode) {
        const std::string bytes = keltest::localBytes(set(), entry.first);
        if (!bytes.empty())
            compare(codeOf(bytes), utf16le(keltest::decode(conv(), bytes).units),
                    decoder.convert(bytes));
    }
    expectEveryRangeDiffers();
}

INSTANTIATE_TEST_SUITE_P(AllSets, MBCSIconv, ::testing::ValuesIn(kReferences),
                         [](const ::testing::TestParamInfo<Reference>& info) {
                             return "cs" + std::to_string(info.param.cs);
                         });

} // namespace
