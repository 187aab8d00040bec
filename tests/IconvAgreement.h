#ifndef KELULIB_TESTS_ICONVAGREEMENT_H
#define KELULIB_TESTS_ICONVAGREEMENT_H

// Whether every way into and out of a set agrees with glibc's iconv on a
// valid text.

#include "IconvReference.h"
#include "KelTranscoder.h"
#include "StreamFeeding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keltest {

inline std::string utf16le(const std::u16string& text) {
    std::string bytes;
    for (char16_t u : text) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    return bytes;
}

// Every way into and out of `cs` writes and reads what glibc does, the
// stream fed one byte or unit at a time included.
inline void expectAgreesWithIconv(KelCharSet cs, const char* name, const std::u16string& text) {
    keltest::Iconv toLocal(name, "UTF-16LE");
    keltest::Iconv toUTF8("UTF-8", "UTF-16LE");
    ASSERT_TRUE(toLocal.valid()) << name;
    const std::string bytes = toLocal.convert(utf16le(text));
    const std::string utf8 = toUTF8.convert(utf16le(text));
    ASSERT_FALSE(bytes.empty()) << name << " rejects the text";

    KelProblems problems;
    EXPECT_EQ(kelEncode(text, cs, KelPolicy::Report, &problems), bytes) << name;
    EXPECT_EQ(problems.count, 0u) << name;
    EXPECT_EQ(kelDecode(bytes, cs, KelPolicy::Report, &problems), text) << name;
    EXPECT_EQ(problems.count, 0u) << name;
    EXPECT_EQ(kelEncodeFromUTF8(utf8, cs), bytes) << name;
    EXPECT_EQ(kelDecodeToUTF8(bytes, cs), utf8) << name;

    const std::vector<unsigned short> units(text.begin(), text.end());
    const auto encoded = keltest::encodeStream(cs, units, fixedSize(1), fixedSize(12));
    EXPECT_EQ(encoded.out, bytes) << name;
    EXPECT_TRUE(encoded.problems.empty()) << name;
    const auto decoded = keltest::decodeStream(cs, bytes, fixedSize(1), fixedSize(2));
    EXPECT_EQ(decoded.out, units) << name;
    EXPECT_TRUE(decoded.problems.empty()) << name;
}

} // namespace keltest

#endif
