#ifndef KELULIB_TESTS_USTRINGTESTHELPERS_H
#define KELULIB_TESTS_USTRINGTESTHELPERS_H

#include "KelUString.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace keltest {

// Builds a string from UTF-16 text that may hold 0 units.
inline KelUString U(const std::u16string& s) {
    const std::vector<unsigned short> units(s.begin(), s.end());
    return KelUString(units.data(), units.data() + units.size());
}

inline std::u16string text(const KelUString& s) {
    return std::u16string(s.begin(), s.end());
}

template <class F> inline void expectLengthError(F f) {
    try {
        f();
        FAIL() << "no exception";
    } catch (const std::length_error& e) {
        EXPECT_STREQ(e.what(), "exceed maximum string length");
    }
}

template <class F> inline void expectRangeError(F f) {
    try {
        f();
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid string index given");
    }
}

} // namespace keltest

#endif
