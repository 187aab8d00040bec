#include "SBCSTestSets.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct sMBCSExTable {
    unsigned short code;
    unsigned int unicode;
};

// The double-byte data comes along with the include and is not used here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-variable"
#include "data/CodePageTables.inc"
#pragma GCC diagnostic pop

} // namespace

namespace keltest {

const std::vector<SBCSSet>& sbcsSets() {
    static const std::vector<SBCSSet> sets = {
        {KELCS_WCP1250, "CP1250", oCP1250map},
        {KELCS_WCP1251, "CP1251", oCP1251map},
        {KELCS_WCP1252, "CP1252", oCP1252map},
        {KELCS_WCP1253, "CP1253", oCP1253map},
        {KELCS_WCP1254, "CP1254", oCP1254map},
        {KELCS_WCP1255, "CP1255", oCP1255map},
        {KELCS_WCP1256, "CP1256", oCP1256map},
        {KELCS_WCP1257, "CP1257", oCP1257map},
        {KELCS_WCP1258, "CP1258", oCP1258map},
        {KELCS_WCP874, "CP874", oCP874map},
        {KELCS_ISO_8859_1, "ISO-8859-1", o8859_1map},
        {KELCS_ISO_8859_2, "ISO-8859-2", o8859_2map},
        {KELCS_ISO_8859_3, "ISO-8859-3", o8859_3map},
        {KELCS_ISO_8859_4, "ISO-8859-4", o8859_4map},
        {KELCS_ISO_8859_5, "ISO-8859-5", o8859_5map},
        {KELCS_ISO_8859_6, "ISO-8859-6", o8859_6map},
        {KELCS_ISO_8859_7, "ISO-8859-7", o8859_7map},
        {KELCS_ISO_8859_8, "ISO-8859-8", o8859_8map},
        {KELCS_ISO_8859_9, "ISO-8859-9", o8859_9map},
        {KELCS_ISO_8859_10, "ISO-8859-10", o8859_10map},
        {KELCS_ISO_8859_11, "ISO-8859-11", o8859_11map},
        {KELCS_ISO_8859_13, "ISO-8859-13", o8859_13map},
        {KELCS_ISO_8859_14, "ISO-8859-14", o8859_14map},
        {KELCS_ISO_8859_15, "ISO-8859-15", o8859_15map},
        {KELCS_ISO_8859_16, "ISO-8859-16", o8859_16map},
        {KELCS_KOI8R, "KOI8-R", oKOI8Rmap},
    };
    return sets;
}

const SBCSSet& sbcsSet(KelCharSet cs) {
    for (const SBCSSet& set : sbcsSets()) {
        if (set.cs == cs)
            return set;
    }
    throw std::invalid_argument("not a single-byte set");
}

KelCharSetConverter& sbcsConverter(KelCharSet cs) { return *KelCharSetConverter::getConverter(cs); }

unsigned short decodeOneByte(KelCharSetConverter& conv, unsigned char byte, bool& illegal) {
    const char src[2] = {static_cast<char>(byte), 0};
    unsigned short out[2] = {0xBEEF, 0xBEEF};
    const KelLength n = conv.toUTF16(out, src, 1, ILLCHAR_STOP, &illegal, -1);
    EXPECT_EQ(out[n], 0) << "terminator";
    return n == 1 ? out[0] : 0;
}

unsigned char encodeOneUnit(KelCharSetConverter& conv, unsigned short unit, bool& illegal) {
    const unsigned short src[2] = {unit, 0};
    unsigned char out[2] = {0xEE, 0xEE};
    const KelLength n = conv.fromUTF16(out, src, 1, ILLCHAR_STOP, &illegal);
    EXPECT_EQ(out[n], 0) << "terminator";
    return n == 1 ? out[0] : 0;
}

SBCSMapping mappingOf(const SBCSSet& set) {
    SBCSMapping m;
    for (const unsigned short* p = set.pairs; p[0] != 0 || p[1] != 0; p += 2) {
        m.toUnicode[p[0]] = p[1];
        m.fromUnicode[p[1]] = static_cast<unsigned char>(p[0]);
    }
    return m;
}

} // namespace keltest
