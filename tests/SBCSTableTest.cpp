// Every single-byte converter against its own generated pair list, over the
// whole byte range and the whole Basic Multilingual Plane.

#include "KelCharSetConverterSBCS.h"

#include "SBCSTestSets.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using keltest::decodeOneByte;
using keltest::encodeOneUnit;

TEST(SBCSTables, RegistryHoldsOneConverterPerSet) {
    std::set<const KelCharSetConverter*> seen;
    for (const keltest::SBCSSet& set : keltest::sbcsSets()) {
        KelCharSetConverter& conv = keltest::sbcsConverter(set.cs);
        EXPECT_NE(dynamic_cast<KelCharSetConverterSBCS*>(&conv), nullptr) << set.cs;
        EXPECT_EQ(conv.getCharSet(), set.cs);
        EXPECT_EQ(conv.getMaxUnitSize(), 1u);
        EXPECT_EQ(conv.getNullCharSize(), 1u);
        seen.insert(&conv);
    }
    EXPECT_EQ(seen.size(), 26u);
}

TEST(SBCSTables, EveryByteDecodesAsTheTableSays) {
    for (const keltest::SBCSSet& set : keltest::sbcsSets()) {
        SCOPED_TRACE(set.iconvName);
        KelCharSetConverter& conv = keltest::sbcsConverter(set.cs);
        const keltest::SBCSMapping mapping = keltest::mappingOf(set);
        for (unsigned int byte = 0x01; byte <= 0xFF; ++byte) {
            bool illegal = false;
            const unsigned short unit = decodeOneByte(conv, static_cast<unsigned char>(byte), illegal);
            EXPECT_EQ(unit, mapping.toUnicode[byte]) << "byte " << byte;
            EXPECT_EQ(illegal, mapping.toUnicode[byte] == 0) << "byte " << byte;
        }
    }
}

TEST(SBCSTables, EveryBmpUnitEncodesAsTheTableSays) {
    for (const keltest::SBCSSet& set : keltest::sbcsSets()) {
        SCOPED_TRACE(set.iconvName);
        KelCharSetConverter& conv = keltest::sbcsConverter(set.cs);
        const keltest::SBCSMapping mapping = keltest::mappingOf(set);
        for (unsigned int unit = 0x0001; unit <= 0xFFFF; ++unit) {
            bool illegal = false;
            const unsigned char byte = encodeOneUnit(conv, static_cast<unsigned short>(unit), illegal);
            ASSERT_EQ(byte, mapping.fromUnicode[unit]) << "unit " << unit;
            ASSERT_EQ(illegal, mapping.fromUnicode[unit] == 0) << "unit " << unit;
        }
    }
}

// A few facts of the data, read back through the converters rather than the
// lists, so that a converter wired to the wrong list shows.
TEST(SBCSTables, KnownMappingsHoldThroughTheConverters) {
    bool illegal = false;
    KelCharSetConverter& cp1252 = keltest::sbcsConverter(KELCS_WCP1252);
    EXPECT_EQ(decodeOneByte(cp1252, 0x80, illegal), 0x20AC);
    EXPECT_EQ(encodeOneUnit(cp1252, 0x20AC, illegal), 0x80);
    EXPECT_EQ(decodeOneByte(cp1252, 0x81, illegal), 0x0081);
    EXPECT_EQ(encodeOneUnit(cp1252, 0x0081, illegal), 0x81);

    KelCharSetConverter& thai = keltest::sbcsConverter(KELCS_ISO_8859_11);
    for (unsigned char byte : {0xDB, 0xDE, 0xFC, 0xFF})
        EXPECT_EQ(decodeOneByte(thai, byte, illegal), 0) << int(byte);
    EXPECT_EQ(decodeOneByte(thai, 0xA1, illegal), 0x0E01);

    KelCharSetConverter& cp874 = keltest::sbcsConverter(KELCS_WCP874);
    EXPECT_EQ(decodeOneByte(cp874, 0x7F, illegal), 0x001A);
    EXPECT_EQ(decodeOneByte(cp874, 0x1A, illegal), 0x001C);
    EXPECT_EQ(encodeOneUnit(cp874, 0x007F, illegal), 0x1C);
    EXPECT_EQ(decodeOneByte(cp874, 0x80, illegal), 0);
    EXPECT_EQ(decodeOneByte(cp874, 0xFF, illegal), 0x00A0);

    EXPECT_EQ(decodeOneByte(keltest::sbcsConverter(KELCS_ISO_8859_6), 0xC1, illegal), 0x0621);
    EXPECT_EQ(decodeOneByte(keltest::sbcsConverter(KELCS_KOI8R), 0xC1, illegal), 0x0430);
    EXPECT_EQ(decodeOneByte(keltest::sbcsConverter(KELCS_WCP1253), 0xAA, illegal), 0x00AA);
}

} // namespace
