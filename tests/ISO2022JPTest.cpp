// The Japanese ISO-2022 sets: against Python's codecs of the same names on
// valid text both ways, split invariance, hostile input, and the committed
// tables against their generator.
#include "KelTranscoder.h"
#include "StreamFeeding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using keltest::fixedSize;
using Units = std::vector<unsigned short>;

struct Profile {
    KelCharSet cs;
    const char* python;
    std::vector<std::string> writes; // the designations its encoder writes
};

const Profile kProfiles[] = {
    {KELCS_ISO_2022JP, "iso2022_jp", {"\x1B$B"}},
    {KELCS_ISO_2022JP_1, "iso2022_jp_1", {"\x1B$B", "\x1B$(D"}},
    {KELCS_ISO_2022JP_2, "iso2022_jp_2", {"\x1B$B", "\x1B$(D", "\x1B$(C", "\x1B$(A"}},
    {KELCS_ISO_2022JP_3, "iso2022_jp_3", {"\x1B$B", "\x1B$(O", "\x1B$(P"}},
    {KELCS_ISO_2022JP_2004, "iso2022_jp_2004", {"\x1B$B", "\x1B$(Q", "\x1B$(P"}},
};

bool isCP932Row(int row) {
    return row == 0x2D || (row >= 0x79 && row <= 0x7C);
}

// The characters a profile writes: what its decoder reads for every code
// of the sets its encoder designates (code page 932's rows, read only,
// aside), ASCII, and the yen sign and overline of JIS X 0201 Roman.
std::vector<std::u16string> repertoire(const Profile& p) {
    std::vector<std::u16string> chars;
    for (char c = ' '; c < 0x7F; ++c)
        chars.push_back(std::u16string(1, c));
    chars.push_back(u"\n");
    if (p.cs <= KELCS_ISO_2022JP_2)
        chars.insert(chars.end(), {u"\u00A5", u"\u203E"});
    for (const std::string& escape : p.writes)
        for (int row = 0x21; row < 0x7F; ++row)
            for (int cell = 0x21; cell < 0x7F && !isCP932Row(row); ++cell) {
                KelProblems problems;
                const std::u16string text = kelDecode(
                    escape + char(row) + char(cell), p.cs, KelPolicy::Replace, &problems);
                if (problems.count == 0)
                    chars.push_back(text);
            }
    return chars;
}

std::u16string randomText(const std::vector<std::u16string>& chars, std::mt19937& rng) {
    std::u16string text;
    for (unsigned n = 1 + rng() % 40; n > 0; --n)
        text += chars[rng() % chars.size()];
    return text;
}

std::string hex(const std::string& bytes) {
    std::string out;
    char digits[3];
    for (unsigned char b : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", b);
        out += digits;
    }
    return out;
}

std::string fromHex(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
    return bytes;
}

// What Python's codec writes for each text (UTF-8 in, hex out, "-" where it
// refuses), in one run of the interpreter.
std::vector<std::string> pythonEncodes(const std::vector<std::pair<std::string, std::string>>& texts) {
    const std::string in = testing::TempDir() + "iso2022jp_in.txt";
    const std::string out = testing::TempDir() + "iso2022jp_out.txt";
    {
        std::ofstream file(in);
        for (const auto& [codec, utf8] : texts)
            file << codec << ' ' << hex(utf8) << '\n';
    }
    const std::string script = testing::TempDir() + "iso2022jp_encode.py";
    std::ofstream(script) << "import sys\n"
                             "out = open(sys.argv[2], 'w')\n"
                             "for line in open(sys.argv[1]):\n"
                             "    codec, text = line.split()\n"
                             "    try:\n"
                             "        out.write(bytes.fromhex(text).decode('utf-8').encode(codec).hex() + '\\n')\n"
                             "    except UnicodeError:\n"
                             "        out.write('-\\n')\n";
    const std::string command = "python3 '" + script + "' '" + in + "' '" + out + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::vector<std::string> results;
    std::ifstream file(out);
    for (std::string line; std::getline(file, line);)
        results.push_back(line);
    return results;
}

TEST(ISO2022JP, WritesAndReadsValidTextAsPythonDoes) {
    std::mt19937 rng(50220);
    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<std::pair<const Profile*, std::u16string>> cases;
    for (const Profile& p : kProfiles) {
        const std::vector<std::u16string> chars = repertoire(p);
        for (int i = 0; i < 60; ++i) {
            cases.push_back({&p, randomText(chars, rng)});
            texts.push_back({p.python, kelEncode(cases.back().second, KELCS_UTF8)});
        }
    }
    const std::vector<std::string> python = pythonEncodes(texts);
    ASSERT_EQ(python.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [p, text] = cases[i];
        const std::string where = std::string(p->python) + " " + texts[i].second;
        KelProblems problems;
        EXPECT_EQ(hex(kelEncode(text, p->cs, KelPolicy::Replace, &problems)), python[i]) << where;
        EXPECT_EQ(problems.count, 0u) << where;
        EXPECT_EQ(kelDecode(fromHex(python[i]), p->cs, KelPolicy::Replace, &problems), text)
            << where;
        EXPECT_EQ(problems.count, 0u) << where;
    }
}

// Text that tries every path: sets switched back and forth, letters and
// their marks (also apart), surrogates, controls, and bytes the sets lack.
std::string hostileBytes(std::mt19937& rng) {
    static const char* const pieces[] = {
        "\x1B$B", "\x1B(B", "\x1B(J", "\x1B(I", "\x1B$(D", "\x1B$(O", "\x1B$(Q", "\x1B$(P",
        "\x1B$A", "\x1B$(C", "\x1B.A", "\x1B.F", "\x1BN", "\x1B", "\x1B$", "\x1B$(",
        "+D",     "$w",     "$\"",    "-!",     "z!",     "\n",     "\r",     "\x0E",
        "\x80",   "a",      "\\",     "\x20",   "1",      "~",      "\x7F",   "\x00"};
    std::string bytes;
    for (unsigned n = rng() % 24; n > 0; --n)
        bytes += std::string(pieces[rng() % std::size(pieces)]);
    return bytes;
}

Units hostileUnits(std::mt19937& rng) {
    static const unsigned short pool[] = {'a',    '\n',   0x1B,   0x0E,   0x304B, 0x309A,
                                          0x00E6, 0x0300, 0x02E9, 0x02E5, 0x4E9C, 0xFF71,
                                          0xFF5E, 0x00E9, 0xD842, 0xDF9F, 0xAC00, 0x00A5};
    Units units;
    for (unsigned n = rng() % 24; n > 0; --n)
        units.push_back(pool[rng() % std::size(pool)]);
    return units;
}

TEST(ISO2022JP, EveryCuttingConvertsAsOneCall) {
    std::mt19937 rng(50224);
    for (int round = 0; round < 300; ++round) {
        const std::string bytes = hostileBytes(rng);
        const Units units = hostileUnits(rng);
        const std::string utf8 = kelEncode(std::u16string(units.begin(), units.end()), KELCS_UTF8);
        for (const Profile& p : kProfiles) {
            const auto whole = keltest::decodeStream(p.cs, bytes, fixedSize(bytes.size()),
                                                     fixedSize(64));
            EXPECT_EQ(keltest::decodeStream(p.cs, bytes, fixedSize(1), fixedSize(2)), whole);
            EXPECT_EQ(keltest::decodeToUTF8Stream(p.cs, bytes, fixedSize(1), fixedSize(8)),
                      keltest::decodeToUTF8Stream(p.cs, bytes, fixedSize(bytes.size()),
                                                  fixedSize(64)));
            const auto encoded = keltest::encodeStream(p.cs, units, fixedSize(units.size()),
                                                       fixedSize(64));
            EXPECT_EQ(keltest::encodeStream(p.cs, units, fixedSize(1), fixedSize(12)), encoded);
            EXPECT_EQ(keltest::encodeFromUTF8Stream(p.cs, utf8, fixedSize(1), fixedSize(12)),
                      keltest::encodeFromUTF8Stream(p.cs, utf8, fixedSize(utf8.size()),
                                                    fixedSize(64)));
            // Every split in two.
            for (std::size_t at = 1; at < bytes.size(); ++at) {
                std::size_t calls = 0;
                const keltest::Sizes split = [&] { return calls++ == 0 ? at : bytes.size(); };
                EXPECT_EQ(keltest::decodeStream(p.cs, bytes, split, fixedSize(64)), whole);
            }
        }
    }
}

// No byte sequence reads as a character below U+0080 but the byte of the
// same value, in ASCII or JIS X 0201 Roman or as a C0 control, and never
// as ESC, SO or SI.
TEST(ISO2022JP, OnlyItsOwnByteReadsAsAnASCIICharacter) {
    std::mt19937 rng(1468);
    for (int round = 0; round < 2000; ++round) {
        const std::string bytes = hostileBytes(rng);
        for (const Profile& p : kProfiles) {
            KelDecoder decoder(p.cs);
            std::vector<unsigned short> out(bytes.size() + 1);
            std::vector<std::uint64_t> at(out.size());
            const KelStep step =
                decoder.decode(bytes.data(), bytes.size(), out.data(), out.size(), true, at.data());
            for (KelLength i = 0; i < step.written; ++i) {
                if (out[i] >= 0x80)
                    continue;
                EXPECT_EQ(static_cast<unsigned char>(bytes[at[i]]), out[i]) << hex(bytes);
                EXPECT_TRUE(out[i] != 0x1B && out[i] != 0x0E && out[i] != 0x0F) << hex(bytes);
            }
        }
    }
}

struct Hostile {
    KelCharSet cs;
    std::string bytes;
    std::u16string expected;
    KelLength problems;
};

const Hostile kHostile[] = {
    // A switch and a switch back with nothing between hide no word.
    {KELCS_ISO_2022JP, "\x1B(B\x1B(BP", u"\uFFFDP", 1},
    {KELCS_ISO_2022JP, "del\x1B$B\x1B(Bete", u"del\uFFFDete", 1},
    {KELCS_ISO_2022JP_2, "\x1B.A\x1BNi", u"\u00E9", 0},
    // An escape the set does not know: its ESC alone, the rest read again.
    {KELCS_ISO_2022JP, "A\x1B[31m", u"A\uFFFD[31m", 1},
    {KELCS_ISO_2022JP, "\x1B$(D+1", u"\uFFFD$(D+1", 1},
    {KELCS_ISO_2022JP_3, "\x1B(J\\", u"\uFFFD(J\\", 1},
    {KELCS_ISO_2022JP, "A\x1B$", u"A\uFFFD$", 1},
    // Cut codes, newlines, bytes no profile has.
    {KELCS_ISO_2022JP, "\x1B$BF", u"\uFFFD", 1},
    {KELCS_ISO_2022JP, "\x1B$B$\n$\"", u"\uFFFD\n$\"", 1},
    {KELCS_ISO_2022JP, "\x1B$B$\"\r\n$\"", u"\u3042\r\n$\"", 0},
    {KELCS_ISO_2022JP, "\x0E" "a\x0F\x80", u"\uFFFD" "a\uFFFD\uFFFD", 3},
    {KELCS_ISO_2022JP, "\x1B$B \x7F", u"\uFFFD\uFFFD", 2},
    // G2 by single shift, cleared by a newline.
    {KELCS_ISO_2022JP_2, "\x1BNi", u"\uFFFDi", 1},
    {KELCS_ISO_2022JP_2, "\x1B.F\x1BNa\n\x1BNa", u"\u03B1\n\uFFFD" "a", 1},
    {KELCS_ISO_2022JP_2, "\x1B.A\x1BN\n", u"\uFFFD\n", 1},
    // JIS X 0201 in both halves, code page 932's rows under ESC $ B.
    {KELCS_ISO_2022JP_3, "\x1B(I1\x1B(B", u"\uFF71", 0},
    {KELCS_ISO_2022JP, "\x1B(J\\~", u"\u00A5\u203E", 0},
    {KELCS_ISO_2022JP_2004, "\x1B$B-!z!", u"\u2460\u5FDE", 0},
    // JIS X 0213: editions, planes, and a code of two characters.
    {KELCS_ISO_2022JP_3, "\x1B$(O.!", u"\uFFFD", 1},
    {KELCS_ISO_2022JP_2004, "\x1B$(Q.!\x1B$(O.!", u"\u4FF1\uFFFD", 1},
    {KELCS_ISO_2022JP_2004, "\x1B$(O+D", u"\u00E6\u0300", 0},
    {KELCS_ISO_2022JP_2, "\x1B$(O+D", u"\uFFFD$(O+D", 1},
};

TEST(ISO2022JP, HostileInputReadsAsItsOwnProblems) {
    for (const Hostile& t : kHostile) {
        const std::string where = hex(t.bytes) + " in " + std::to_string(t.cs);
        KelProblems problems;
        EXPECT_EQ(kelDecode(t.bytes, t.cs, KelPolicy::Replace, &problems), t.expected) << where;
        EXPECT_EQ(problems.count, t.problems) << where;
        const auto streamed = keltest::decodeStream(t.cs, t.bytes, fixedSize(1), fixedSize(2));
        EXPECT_EQ(streamed.problems.size(), t.problems) << where;
    }
}

TEST(ISO2022JP, ACodeOfTwoCharactersWaitsForRoomForBoth) {
    const std::string bytes = "\x1B$(O+D";
    KelDecoder decoder(KELCS_ISO_2022JP_2004);
    unsigned short out[2] = {};
    KelStep step = decoder.decode(bytes.data(), bytes.size(), out, 1, true);
    EXPECT_EQ(step.status, KelStatus::OutputFull);
    EXPECT_EQ(step.written, 0u);
    step = decoder.decode(bytes.data() + step.read, bytes.size() - step.read, out, 2, true);
    EXPECT_EQ(step.written, 2u);
    EXPECT_EQ(out[0], 0x00E6);
    EXPECT_EQ(out[1], 0x0300);
}

TEST(ISO2022JP, EncodersWriteWholeCharactersAndEndInASCII) {
    // A letter waits for a mark that may follow it.
    KelEncoder encoder(KELCS_ISO_2022JP_2004);
    char out[16];
    const unsigned short ka = 0x304B, mark = 0x309A;
    EXPECT_EQ(encoder.encode(&ka, 1, out, sizeof out, false).written, 0u);
    const KelStep step = encoder.encode(&mark, 1, out, sizeof out, true);
    EXPECT_EQ(std::string(out, step.written), "\x1B$(Q$w\x1B(B");
    // A designation and its character fit together or not at all.
    KelEncoder tight(KELCS_ISO_2022JP);
    const unsigned short a = 0x3042;
    EXPECT_EQ(tight.encode(&a, 1, out, 4, true).written, 0u);
    // ESC, SO and SI cannot forge a switch; substitutes are ASCII.
    EXPECT_EQ(kelEncode(u"\u3042\x1B(B", KELCS_ISO_2022JP), "\x1B$B$\"\x1B(B?(B");
    EXPECT_EQ(kelEncode(u"\u3042\x0E", KELCS_ISO_2022JP_2, KelPolicy::Escape),
              "\x1B$B$\"\x1B(BU+000E");
    // One-way forms: half-width katakana and code page 932's characters.
    EXPECT_EQ(kelEncode(u"\uFF71\uFF5E", KELCS_ISO_2022JP_3), "\x1B$B%\"!A\x1B(B");
}

TEST(ISO2022JP, CommittedTablesAreWhatTheGeneratorWrites) {
    const std::string command =
        std::string("python3 '") + KELULIB_SOURCE_DIR + "/tools/gen_jis_tables.py' --check";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

} // namespace
