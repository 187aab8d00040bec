// EUC-TW and the CNS 11643 tables against glibc's iconv, code by code, and
// what no byte sequence may read as.
#include "IconvAgreement.h"
#include "KelTranscoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

namespace {

using keltest::expectAgreesWithIconv;

std::u16string fromUTF16LE(const std::string& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    return text;
}

// Every code of EUC-TW: plane 1 in two bytes, planes 1 to 7 after 8E A1..A7.
std::vector<std::string> eucTWCodes() {
    std::vector<std::string> codes;
    for (int plane = 0; plane <= 7; ++plane)
        for (int row = 0xA1; row <= 0xFE; ++row)
            for (int cell = 0xA1; cell <= 0xFE; ++cell) {
                std::string code = plane == 0 ? "" : std::string{'\x8E'};
                if (plane != 0)
                    code += static_cast<char>(0xA0 + plane);
                codes.push_back(code + static_cast<char>(row) + static_cast<char>(cell));
            }
    return codes;
}

// Each code reads as glibc reads it, or is malformed where glibc rejects
// it; each character read writes back as glibc writes it (plane 1 in two
// bytes, the lowest plane of a character in two).
TEST(EUCTW, EveryCodeReadsAndWritesAsGlibcDoes) {
    keltest::Iconv read("UTF-16LE", "EUC-TW");
    keltest::Iconv write("EUC-TW", "UTF-16LE");
    std::size_t characters = 0;
    for (const std::string& code : eucTWCodes()) {
        const std::u16string expected = fromUTF16LE(read.convert(code));
        KelProblems problems;
        const std::u16string got = kelDecode(code, KELCS_EUC_TW, KelPolicy::Report, &problems);
        if (expected.empty()) {
            EXPECT_NE(problems.count, 0u) << code;
            continue;
        }
        ++characters;
        ASSERT_EQ(got, expected) << code;
        ASSERT_EQ(kelEncode(got, KELCS_EUC_TW), write.convert(keltest::utf16le(got))) << code;
    }
    // The four-byte form of plane 1 repeats its two-byte form.
    EXPECT_EQ(characters, 2u * 5867 + 7650 + 6394 + 7286 + 8601 + 6386 + 6537);
}

// A mixed text, through every way into and out of the set, a byte or unit
// at a time included.
TEST(EUCTW, RandomTextAgreesWithGlibcBothWays) {
    std::vector<std::u16string> repertoire;
    for (const std::string& code : eucTWCodes()) {
        KelProblems problems;
        const std::u16string c = kelDecode(code, KELCS_EUC_TW, KelPolicy::Report, &problems);
        if (problems.count == 0)
            repertoire.push_back(c);
    }
    std::mt19937 random(2561);
    std::u16string text;
    for (int i = 0; i < 3000; ++i) {
        if (random() % 4 == 0)
            text += static_cast<char16_t>(1 + random() % 0x7F);
        else
            text += repertoire[random() % repertoire.size()];
    }
    expectAgreesWithIconv(KELCS_EUC_TW, "EUC-TW", text);
}

// No bytes 80..FF spell ASCII, such as a "/" of a path: every two-byte
// sequence of them and every code behind 8E.
TEST(EUCTW, NoHighBytesReadAsASCII) {
    std::string text;
    for (int b1 = 0x80; b1 <= 0xFF; ++b1)
        for (int b2 = 0x80; b2 <= 0xFF; ++b2)
            text += {static_cast<char>(b1), static_cast<char>(b2), '\x8E', static_cast<char>(b1),
                     static_cast<char>(b2), static_cast<char>(b2)};
    for (char16_t u : kelDecode(text, KELCS_EUC_TW))
        ASSERT_GE(u, 0x80) << std::hex << static_cast<int>(u);
}

TEST(CNSTables, GeneratorReproducesTheCommittedFile) {
    const std::string command =
        std::string("python3 '") + KELULIB_SOURCE_DIR + "/tools/gen_cns_tables.py' --check";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

} // namespace
