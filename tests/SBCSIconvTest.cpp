// The single-byte converters against glibc's iconv, one byte and one BMP unit
// at a time. ISO-8859 and KOI8-R must agree exactly; the Windows pages agree
// except at the places listed in kWindowsDifferences.

#include "IconvReference.h"
#include "SBCSTestSets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

struct Difference {
    KelCharSet cs;
    // Bytes whose character differs; the units of both readings of each byte
    // then differ when encoding as well.
    std::vector<unsigned char> bytes;
    // Units that differ only when encoding.
    std::vector<unsigned short> units;
};

const Difference kWindowsDifferences[] = {
    // Bytes that the Windows pages leave undefined carry the C1 control of
    // the same value here; glibc has no character for them.
    {KELCS_WCP1250, {0x81, 0x83, 0x88, 0x90, 0x98}, {}},
    {KELCS_WCP1251, {0x98}, {}},
    {KELCS_WCP1252, {0x81, 0x8D, 0x8F, 0x90, 0x9D}, {}},
    // ...and 0xAA is U+00AA here.
    {KELCS_WCP1253,
     {0x81, 0x88, 0x8A, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x98, 0x9A, 0x9C, 0x9D, 0x9E, 0x9F, 0xAA},
     {}},
    {KELCS_WCP1254, {0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E}, {}},
    {KELCS_WCP1255, {0x81, 0x8A, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x9A, 0x9C, 0x9D, 0x9E, 0x9F}, {}},
    {KELCS_WCP1256, {}, {}},
    {KELCS_WCP1257, {0x81, 0x83, 0x88, 0x8A, 0x8C, 0x90, 0x98, 0x9A, 0x9C, 0x9F}, {}},
    // glibc also writes the tone marks U+0340 and U+0341 as their canonical
    // equivalents U+0300 and U+0301; here only the Windows mapping counts.
    {KELCS_WCP1258, {0x81, 0x8A, 0x8D, 0x8E, 0x8F, 0x90, 0x9A, 0x9D, 0x9E}, {0x0340, 0x0341}},
    // Thai: the control rotation, none of the Windows punctuation at 0x80 to
    // 0xA0, and four Latin-1 signs at 0xFC to 0xFF.
    {KELCS_WCP874,
     {0x1A, 0x1C, 0x7F, 0x80, 0x85, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0xA0, 0xFC, 0xFD,
      0xFE, 0xFF},
     {}},
};

const Difference* windowsDifference(KelCharSet cs) {
    for (const Difference& d : kWindowsDifferences) {
        if (d.cs == cs)
            return &d;
    }
    return nullptr;
}

// glibc composes and decomposes the combining marks of Hebrew and Vietnamese:
// it writes a precomposed character as a base letter plus a mark, which is
// more than one byte and outside what a byte table can hold.
bool decomposesCombiningMarks(KelCharSet cs) { return cs == KELCS_WCP1255 || cs == KELCS_WCP1258; }

// glibc's reading of one byte; 0 when it has no character for it.
unsigned short iconvDecode(keltest::Iconv& decoder, unsigned char byte) {
    const std::string out = decoder.convert(std::string(1, static_cast<char>(byte)));
    if (out.size() != 2)
        return 0;
    return static_cast<unsigned short>(static_cast<unsigned char>(out[0]) |
                                       static_cast<unsigned char>(out[1]) << 8);
}

// glibc's bytes for one unit; empty when it has none.
std::string iconvEncode(keltest::Iconv& encoder, unsigned short unit) {
    return encoder.convert({static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)});
}

bool contains(const std::vector<unsigned char>& bytes, unsigned int byte) {
    return std::find(bytes.begin(), bytes.end(), byte) != bytes.end();
}

bool isSurrogate(unsigned int unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

class SBCSAgainstIconv : public testing::TestWithParam<keltest::SBCSSet> {
protected:
    void SetUp() override {
        const Difference* d = windowsDifference(GetParam().cs);
        if (d != nullptr)
            m_difference = *d;
    }

    unsigned short decode(unsigned char byte) {
        bool illegal = false;
        return keltest::decodeOneByte(m_conv, byte, illegal);
    }
    unsigned char encode(unsigned short unit) {
        bool illegal = false;
        return keltest::encodeOneUnit(m_conv, unit, illegal);
    }

    KelCharSetConverter& m_conv = keltest::sbcsConverter(GetParam().cs);
    Difference m_difference{};
};

TEST_P(SBCSAgainstIconv, EveryByteDecodesAlike) {
    keltest::Iconv decoder("UTF-16LE", GetParam().iconvName);
    ASSERT_TRUE(decoder.valid());
    for (unsigned int byte = 0x01; byte <= 0xFF; ++byte) {
        const unsigned short ours = decode(static_cast<unsigned char>(byte));
        const unsigned short theirs = iconvDecode(decoder, static_cast<unsigned char>(byte));
        if (contains(m_difference.bytes, byte))
            EXPECT_NE(ours, theirs) << "listed difference at byte " << byte << " is none";
        else
            EXPECT_EQ(ours, theirs) << "byte " << byte;
    }
}

TEST_P(SBCSAgainstIconv, EveryBmpUnitEncodesAlike) {
    keltest::Iconv decoder("UTF-16LE", GetParam().iconvName);
    keltest::Iconv encoder(GetParam().iconvName, "UTF-16LE");
    ASSERT_TRUE(decoder.valid() && encoder.valid());
    std::set<unsigned int> differing(m_difference.units.begin(), m_difference.units.end());
    for (unsigned char byte : m_difference.bytes) {
        differing.insert(decode(byte));
        differing.insert(iconvDecode(decoder, byte));
    }
    for (unsigned int unit = 0x0001; unit <= 0xFFFF; ++unit) {
        if (isSurrogate(unit))
            continue;
        const unsigned char ours = encode(static_cast<unsigned short>(unit));
        const std::string theirs = iconvEncode(encoder, static_cast<unsigned short>(unit));
        if (theirs.size() > 1) {
            EXPECT_TRUE(decomposesCombiningMarks(GetParam().cs)) << "unit " << unit;
            EXPECT_EQ(ours, 0) << "unit " << unit;
            continue;
        }
        const unsigned int theirByte = theirs.empty() ? 0 : static_cast<unsigned char>(theirs[0]);
        if (differing.count(unit) != 0)
            EXPECT_NE(ours, theirByte) << "listed difference at unit " << unit << " is none";
        else
            EXPECT_EQ(ours, theirByte) << "unit " << unit;
    }
}

INSTANTIATE_TEST_SUITE_P(AllSets, SBCSAgainstIconv, testing::ValuesIn(keltest::sbcsSets()),
                         [](const testing::TestParamInfo<keltest::SBCSSet>& info) {
                             std::string name = info.param.iconvName;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
