#ifndef KELULIB_TESTS_CONVERTERINVARIANTS_H
#define KELULIB_TESTS_CONVERTERINVARIANTS_H

// The counts a converter reports must equal what its conversions write: the
// string class sizes its buffers from them, so a smaller count loses text.

#include "KelCharSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keltest {

// getNumUnits(bytes, n) against toUTF16 with ILLCHAR_REPLACE and ample room,
// the bytes read as if a NUL followed them.
inline void expectUnitCountMatchesDecoding(KelCharSetConverter& conv, const std::string& bytes) {
    std::string terminated = bytes;
    terminated.append(4, '\0');
    std::vector<unsigned short> out(2 * bytes.size() + 2, 0xBEEF);
    const KelLength written = conv.toUTF16(out.data(), terminated.data(), out.size() - 1,
                                           ILLCHAR_REPLACE, nullptr, -1);
    EXPECT_EQ(conv.getNumUnits(terminated.data(), bytes.size()), written)
        << "converter " << conv.getCharSet() << ", " << bytes.size() << " bytes";
}

// getNumBytes(units, n) against fromUTF16 with ILLCHAR_REPLACE and ample room.
inline void expectByteCountMatchesEncoding(KelCharSetConverter& conv,
                                           const std::vector<unsigned short>& units) {
    std::vector<unsigned short> terminated = units;
    terminated.push_back(0);
    std::vector<unsigned char> out(8 * units.size() + 8, 0xEE);
    const KelLength written =
        conv.fromUTF16(out.data(), terminated.data(), out.size() - 4, ILLCHAR_REPLACE, nullptr);
    EXPECT_EQ(conv.getNumBytes(terminated.data(), units.size()), written)
        << "converter " << conv.getCharSet() << ", " << units.size() << " units";
    EXPECT_EQ(conv.getNumBytes(terminated.data(), KEL_NPOS), written)
        << "converter " << conv.getCharSet() << ", up to the terminator";
}

} // namespace keltest

#endif
