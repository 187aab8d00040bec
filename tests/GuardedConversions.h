#ifndef KELULIB_TESTS_GUARDEDCONVERSIONS_H
#define KELULIB_TESTS_GUARDEDCONVERSIONS_H

// toUTF16 and fromUTF16 into guarded buffers of `room` units or bytes; each
// checks that exactly the returned count and the terminator were written.
// The source is terminated after `bytes` or `units`.

#include "KelCharSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keltest {

using Units = std::vector<unsigned short>;

struct Decoded {
    Units units;
    bool illegal;
};

struct Encoded {
    std::string bytes;
    bool illegal;
};

constexpr unsigned short kGuardUnit = 0xBEEF;
constexpr char kGuardByte = '#';

inline Decoded decode(KelCharSetConverter& conv, const std::string& bytes,
                      ILLCHAR_OPTYPE op = ILLCHAR_REPLACE, KelLength room = 64, int srcLimit = -1) {
    const std::string src = bytes + '\0';
    Units out(room + 4, kGuardUnit);
    bool illegal = false;
    const KelLength n = conv.toUTF16(out.data(), src.data(), room, op, &illegal, srcLimit);
    EXPECT_LE(n, room);
    EXPECT_EQ(out[n], 0) << "terminator";
    for (KelLength i = n + 1; i < out.size(); ++i)
        EXPECT_EQ(out[i], kGuardUnit) << "written past the terminator at " << i;
    return {Units(out.begin(), out.begin() + static_cast<long>(n)), illegal};
}

inline Encoded encode(KelCharSetConverter& conv, Units units, ILLCHAR_OPTYPE op = ILLCHAR_REPLACE,
                      KelLength room = 64) {
    units.push_back(0);
    std::vector<char> out(room + 4, kGuardByte);
    bool illegal = false;
    const KelLength n = conv.fromUTF16(out.data(), units.data(), room, op, &illegal);
    EXPECT_LE(n, room);
    EXPECT_EQ(out[n], '\0') << "terminator";
    for (KelLength i = n + 1; i < out.size(); ++i)
        EXPECT_EQ(out[i], kGuardByte) << "written past the terminator at " << i;
    return {std::string(out.data(), n), illegal};
}

} // namespace keltest

#endif
