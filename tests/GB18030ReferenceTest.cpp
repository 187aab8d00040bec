// The registered GB18030 converter against two references: Python's gb18030
// codec for every code point (tools/gb18030_reference.py), and the range
// tables themselves, read row by row, for every four-byte code.
#include "KelCharSetConverterGB18030.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

#include "data/GB18030Ranges.inc"

using Units = std::vector<unsigned short>;

const std::string kReferenceScript =
    std::string(KELULIB_SOURCE_DIR) + "/tools/gb18030_reference.py";

KelCharSetConverter& registered() {
    return *KelCharSetConverter::getConverter(KELCS_GB18030);
}

struct Reference {
    unsigned int cp;
    std::string hex; // the bytes, upper-case hexadecimal
};

// Every code point but the surrogates and U+0000, as Python encodes it.
std::vector<Reference> pythonEncodings() {
    const std::string path =
        ::testing::TempDir() + "kel_gb18030_reference_" + std::to_string(getpid()) + ".txt";
    const std::string command = "python3 '" + kReferenceScript + "' '" + path + "'";
    std::vector<Reference> encodings;
    if (std::system(command.c_str()) != 0)
        return encodings;
    std::ifstream in(path);
    Reference r;
    while (in >> std::hex >> r.cp >> r.hex)
        encodings.push_back(r);
    std::remove(path.c_str());
    return encodings;
}

Units unitsOf(unsigned int cp) {
    if (cp <= 0xFFFF)
        return {static_cast<unsigned short>(cp)};
    return {static_cast<unsigned short>(0xD7C0 + (cp >> 10)),
            static_cast<unsigned short>(0xDC00 + (cp & 0x3FF))};
}

std::string hexOf(const char* bytes, KelLength n) {
    std::string hex;
    char digits[3];
    for (KelLength i = 0; i < n; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(bytes[i]));
        hex += digits;
    }
    return hex;
}

struct Decoded {
    Units units;
    bool illegal;
};

Decoded decode(KelCharSetConverter& conv, const char* bytes, ILLCHAR_OPTYPE op) {
    unsigned short out[4];
    Decoded d{{}, false};
    const KelLength n = conv.toUTF16(out, bytes, 3, op, &d.illegal, -1);
    d.units.assign(out, out + n);
    return d;
}

// No code point differs from Python's codec: both follow GB18030-2000
// (0xA8BC is U+E7C7, U+1E3F has a four-byte code). The surrogates, which
// Python does not encode, are not in its list; the converter's handling of
// lone ones is tested with its other cases.
TEST(GB18030Reference, EveryCodePointRoundTripsAndMatchesPython) {
    const std::vector<Reference> expected = pythonEncodings();
    ASSERT_EQ(expected.size(), 0x10FFFFu - 0x800u) << "running " << kReferenceScript;
    KelCharSetConverter& conv = registered();
    unsigned int failures = 0;
    for (const Reference& e : expected) {
        Units units = unitsOf(e.cp);
        units.push_back(0);
        char bytes[8];
        bool illegal = false;
        const KelLength n = conv.fromUTF16(bytes, units.data(), 7, ILLCHAR_STOP, &illegal);
        units.pop_back();
        const Decoded back = decode(conv, bytes, ILLCHAR_STOP);
        const bool ok =
            hexOf(bytes, n) == e.hex && !illegal && back.units == units && !back.illegal;
        if (!ok && ++failures <= 10)
            ADD_FAILURE() << std::hex << "U+" << e.cp << ": encoded " << hexOf(bytes, n)
                          << ", expected " << e.hex << ", decoded back "
                          << testing::PrintToString(back.units);
    }
    EXPECT_EQ(failures, 0u);
}

// The code point of a four-byte scalar: a plain walk over the rows below
// 90 30 81 30, arithmetic from there; 0 where neither maps it.
unsigned int codePointByRows(unsigned int scalar) {
    const unsigned int supplementaryBase =
        KelCharSetConverterGB18030::makeScalar(0x90, 0x30, 0x81, 0x30);
    if (scalar >= supplementaryBase) {
        const unsigned int cp = scalar - supplementaryBase + 0x10000;
        return cp <= 0x10FFFF ? cp : 0;
    }
    for (const auto* row = oGB2UniRange; (*row)[0] != 0; ++row) {
        if (scalar >= (*row)[0] && scalar <= (*row)[1])
            return (*row)[2] + (scalar - (*row)[0]);
    }
    return 0;
}

TEST(GB18030Reference, EveryFourByteCodeDecodesAsTheRangeTablesSay) {
    KelCharSetConverter& conv = registered();
    unsigned int failures = 0;
    unsigned int mapped = 0;
    for (unsigned char b1 = 0x81; b1 <= 0xFE; ++b1)
        for (unsigned char b2 = 0x30; b2 <= 0x39; ++b2)
            for (unsigned char b3 = 0x81; b3 <= 0xFE; ++b3)
                for (unsigned char b4 = 0x30; b4 <= 0x39; ++b4) {
                    const char code[] = {static_cast<char>(b1), static_cast<char>(b2),
                                         static_cast<char>(b3), static_cast<char>(b4), 0};
                    const unsigned int cp =
                        codePointByRows(KelCharSetConverterGB18030::makeScalar(b1, b2, b3, b4));
                    const Decoded d = decode(conv, code, ILLCHAR_REPLACE);
                    const bool ok = cp != 0 ? d.units == unitsOf(cp) && !d.illegal
                                            : d.units == Units{0xFFFD} && d.illegal;
                    mapped += cp != 0;
                    if (!ok && ++failures <= 10)
                        ADD_FAILURE()
                            << "code " << hexOf(code, 4) << ": " << testing::PrintToString(d.units);
                }
    EXPECT_EQ(failures, 0u);
    // The BMP rows leave no gap from 81 30 81 30 to 84 31 A4 39.
    EXPECT_EQ(mapped, 0x199FCu - 0x10000u + 0x100000u);
}

TEST(GB18030Reference, RegisteredUnder54936) {
    EXPECT_NE(dynamic_cast<KelCharSetConverterGB18030*>(&registered()), nullptr);
}

} // namespace
