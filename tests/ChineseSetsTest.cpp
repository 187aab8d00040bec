// EUC-TW and the CNS 11643 tables against glibc's iconv, code by code; the
// Chinese ISO-2022 sets against ICU's encoder and glibc's decoder on random
// text; and what no byte sequence may read as or write past.
#include "IconvAgreement.h"
#include "KelTranscoder.h"
#include "KelUString.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
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

// The characters of a repertoire, found by reading each of its codes in a
// set whose codes are `prefix` and two bytes A1..FE (or 21..7E, `suffix`
// behind them).
std::vector<std::u16string> charactersOf(KelCharSet cs, const std::string& prefix,
                                         bool sevenBit = false, const std::string& suffix = "") {
    std::vector<std::u16string> found;
    const int high = sevenBit ? 0 : 0x80;
    for (int row = 0x21; row <= 0x7E; ++row)
        for (int cell = 0x21; cell <= 0x7E; ++cell) {
            const std::string code = prefix + static_cast<char>(row + high) +
                                     static_cast<char>(cell + high) + suffix;
            KelProblems problems;
            const std::u16string c = kelDecode(code, cs, KelPolicy::Report, &problems);
            if (problems.count == 0 && !c.empty())
                found.push_back(c);
        }
    return found;
}

std::vector<std::u16string> cnsPlane(int plane) {
    return charactersOf(KELCS_EUC_TW, std::string{'\x8E', static_cast<char>(0xA0 + plane)});
}

using Repertoire = std::vector<std::u16string>;

// A kind of line: a character of `lead` first (when there is one), which
// settles the line's G1 set, then characters of `own`.
struct LineKind {
    const Repertoire* lead;
    const Repertoire* own;
};

// Random lines of ASCII, of one kind of line chosen for each line and of
// single-shifted repertoires; a character may repeat, so that designations
// are held and reused. One G1 set a line keeps to the text that glibc's
// decoder reads as written: it ignores a designation of G1 inside a shift,
// even one its own encoder writes.
std::u16string randomLines(const std::vector<LineKind>& kinds,
                           const std::vector<const Repertoire*>& shifted, unsigned seed,
                           int lines) {
    std::mt19937 random(seed);
    const auto pick = [&](const Repertoire& r) { return r[random() % r.size()]; };
    std::u16string text;
    for (int line = 0; line < lines; ++line) {
        const LineKind& kind = kinds[random() % kinds.size()];
        if (kind.lead != nullptr)
            text += pick(*kind.lead);
        for (int i = 0, n = random() % 16; i < n; ++i) {
            const unsigned choice = random() % (shifted.size() + 3);
            if (choice == 0)
                text += static_cast<char16_t>(0x20 + random() % 0x5F);
            else if (choice == 1 && !text.empty() && text.back() != u'\n')
                text += text.back() >= 0xDC00 && text.back() <= 0xDFFF
                            ? text.substr(text.size() - 2)
                            : text.substr(text.size() - 1);
            else if (choice == 2)
                text += pick(*kind.own);
            else if (choice >= 3)
                text += pick(*shifted[choice - 3]);
        }
        text += u'\n';
    }
    return text;
}

// The characters of `a` that `b` lacks.
Repertoire without(const Repertoire& a, const Repertoire& b) {
    Repertoire rest;
    for (const std::u16string& c : a)
        if (std::find(b.begin(), b.end(), c) == b.end())
            rest.push_back(c);
    return rest;
}

// ICU's encoder, through its command-line converter.
std::string icuEncode(const char* name, const std::string& utf8, const char* callback = "stop") {
    char path[] = "/tmp/kelicuXXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, utf8.data(), utf8.size()), static_cast<ssize_t>(utf8.size()));
    close(fd);
    const std::string command =
        std::string("uconv -f UTF-8 -t ") + name + " --callback " + callback + " '" + path + "'";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) != 0;)
            out.append(buffer, n);
        EXPECT_EQ(pclose(pipe), 0) << "uconv (icu-devtools) is needed";
    }
    unlink(path);
    return out;
}

// `bytes` read as `text` here and in glibc, whole and a byte at a time, and
// `text` written a unit at a time gives `bytes`.
void expectReadsBack(KelCharSet cs, const char* glibcName, const std::string& bytes,
                     const std::u16string& text) {
    KelProblems problems;
    EXPECT_EQ(kelDecode(bytes, cs, KelPolicy::Report, &problems), text) << cs;
    EXPECT_EQ(problems.count, 0u) << cs;
    keltest::Iconv glibc("UTF-16LE", glibcName);
    EXPECT_EQ(glibc.convert(bytes), keltest::utf16le(text)) << glibcName;
    const std::vector<unsigned short> units(text.begin(), text.end());
    EXPECT_EQ(keltest::decodeStream(cs, bytes, keltest::fixedSize(1), keltest::fixedSize(2)).out,
              units);
    EXPECT_EQ(keltest::encodeStream(cs, units, keltest::fixedSize(1), keltest::fixedSize(9)).out,
              bytes);
}

// Each character in one of the sets only, so that the order in which an
// encoder tries them does not matter.
struct Repertoires {
    Repertoire gb2312 = charactersOf(KELCS_EUC_CN, "");
    Repertoire cns1 = cnsPlane(1);
    Repertoire cns2 = cnsPlane(2);
    Repertoire cnsHigh;
    Repertoire isoir165;
    Repertoire gbOnly = without(without(gb2312, cns1), cns2);
    Repertoire cns1Only = without(cns1, gb2312);
    Repertoire cns2Only = without(cns2, gb2312);
    Repertoires() {
        for (int plane = 3; plane <= 7; ++plane)
            for (const std::u16string& c : cnsPlane(plane))
                cnsHigh.push_back(c);
        for (const std::u16string& c :
             charactersOf(KELCS_ISO_2022CN_EXT, "\x1B$)E\x0E", true, "\x0F")) {
            KelProblems problems;
            kelEncode(c, KELCS_ISO_2022CN, KelPolicy::Report, &problems);
            if (problems.count != 0 && c[0] >= 0x80)
                isoir165.push_back(c);
        }
    }
};

const Repertoires& repertoires() {
    static const Repertoires r;
    return r;
}

std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < bytes.size(); at = end + 1) {
        end = bytes.find('\n', at);
        lines.push_back(bytes.substr(at, end - at));
    }
    return lines;
}

// The characters that ICU's ISO-2022-CN writes as this library does, each
// on a line of its own behind `lead`, which settles the set tried first:
// ICU's CNS plane 1 lacks characters that glibc's charmap has (U+2609, and
// the full-width forms, which it writes in GB 2312 only), and gives five
// others codes of their own (U+00B7, U+2035, U+FE4B, U+FE65, U+FE66),
// where the charmap holds.
Repertoire writtenAsICU(const Repertoire& characters, const std::u16string& lead = u"") {
    std::u16string text;
    for (const std::u16string& c : characters)
        text += lead + c + u'\n';
    const std::vector<std::string> icu =
        linesOf(icuEncode("ISO-2022-CN", kelEncode(text, KELCS_UTF8), "skip"));
    const std::vector<std::string> own = linesOf(kelEncode(text, KELCS_ISO_2022CN));
    Repertoire agreeing;
    for (std::size_t i = 0; i < characters.size() && i < icu.size(); ++i)
        if (icu[i] == own[i])
            agreeing.push_back(characters[i]);
    // A few dozen, whole rows of symbols among them, and not more.
    EXPECT_LT(characters.size() - agreeing.size(), characters.size() / 32);
    return agreeing;
}

// Lines of GB 2312 and lines that a character of CNS plane 1 only opens,
// with characters of plane 2 among them, some of which GB 2312 has too:
// where they go depends on the set that G1 holds.
TEST(ISO2022CN, WritesAsICUAndReadsAsGlibc) {
    const Repertoires& r = repertoires();
    const std::u16string cnsLead = r.cns1Only.front();
    const Repertoire gb = writtenAsICU(r.gb2312);
    const Repertoire cns1 = writtenAsICU(r.cns1, cnsLead);
    const Repertoire cns1Only = writtenAsICU(r.cns1Only);
    const Repertoire cns2 = writtenAsICU(writtenAsICU(r.cns2), cnsLead);
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const std::u16string text =
            randomLines({{nullptr, &gb}, {&cns1Only, &cns1}}, {&cns2}, seed, 60);
        const std::string bytes = kelEncode(text, KELCS_ISO_2022CN);
        EXPECT_EQ(bytes, icuEncode("ISO-2022-CN", kelEncode(text, KELCS_UTF8))) << seed;
        expectReadsBack(KELCS_ISO_2022CN, "ISO-2022-CN", bytes, text);
        // What ISO-2022-CN can write, the extension writes the same.
        EXPECT_EQ(kelEncode(text, KELCS_ISO_2022CN_EXT), bytes);
    }
}

TEST(ISO2022CN, ExtensionAndCNSFormReadBackThroughGlibc) {
    const Repertoires& r = repertoires();
    // Characters of planes 3 to 7 that a set of G1 has too go out in G1.
    Repertoire g3Only;
    for (const std::u16string& c : r.cnsHigh)
        if (kelEncode(c, KELCS_ISO_2022CN_EXT).find('\x0E') == std::string::npos)
            g3Only.push_back(c);
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const std::u16string ext =
            randomLines({{nullptr, &r.gbOnly}, {nullptr, &r.cns1Only}, {nullptr, &r.isoir165}},
                        {&r.cns2Only, &g3Only}, seed, 60);
        expectReadsBack(KELCS_ISO_2022CN_EXT, "ISO-2022-CN-EXT",
                        kelEncode(ext, KELCS_ISO_2022CN_EXT), ext);
        const std::u16string cns =
            randomLines({{nullptr, &r.cns1}}, {&r.cns2, &r.cnsHigh}, seed, 60);
        const std::string bytes = kelEncode(cns, KELCS_ISO_2022TW);
        EXPECT_EQ(bytes.find("\x1B$)A"), std::string::npos);
        expectReadsBack(KELCS_ISO_2022TW, "ISO-2022-CN-EXT", bytes, cns);
    }
}

struct Hostile {
    std::string bytes;
    std::u16string expected;
    unsigned problems;
};

TEST(ISO2022CN, DecoderReplacesBrokenShiftsAndPassesNoEscapeByte) {
    const Hostile cases[] = {
        // A single shift with nothing designated to G2.
        {"\x1BN!!", u"\uFFFD", 1},
        // A newline inside a shift ends it and the line's designations.
        {"\x1B$)A\x0EVP\nVP\x0F", u"\u4E2D\uFFFD\nVP", 1},
        {"\x1B$)A\x0EVP\n\x0EVP", u"\u4E2D\uFFFD\n\uFFFDVP", 2},
        // An empty shift, and SO with nothing in G1.
        {"\x1B$)A\x0E\x0F", u"\uFFFD", 1},
        {"\x0EVP", u"\uFFFDVP", 1},
        // A G1 designation while shifted is honoured.
        {"\x1B$)A\x0EVP\x1B$)G" "Da\x0F", u"\u4E2D\u4E10", 0},
        // Escapes this set does not know, and a code cut by a control or the end.
        {"\x1B(BA", u"\uFFFD(BA", 1},
        {"\x1B$+I\x1BO!!", u"\uFFFD$+I\uFFFDO!!", 2},
        {"\x1B$)A\x0EV\rP", u"\uFFFD\uFFFD\rP", 2},
        {"\x1B$*H\x1BN!", u"\uFFFD", 1},
        {"\x1B$*H\x1BN!\n", u"\uFFFD!\n", 1},
        {"\xA4\xA4", u"\uFFFD\uFFFD", 2},
        // Two designations of G1 with no character between them.
        {"\x1B$)A\x1B$)G\x0E" "Da\x0F", u"\uFFFD\u4E10", 1},
    };
    for (const Hostile& t : cases) {
        KelProblems problems;
        const std::u16string got = kelDecode(t.bytes, KELCS_ISO_2022CN, KelPolicy::Replace, &problems);
        EXPECT_EQ(got, t.expected) << t.bytes;
        EXPECT_EQ(problems.count, t.problems) << t.bytes;
        const auto streamed = keltest::decodeStream(KELCS_ISO_2022CN, t.bytes,
                                                    keltest::fixedSize(1), keltest::fixedSize(1));
        EXPECT_EQ(streamed.out, std::vector<unsigned short>(got.begin(), got.end())) << t.bytes;
        for (KelCharSet cs : {KELCS_ISO_2022CN_EXT, KELCS_ISO_2022TW})
            EXPECT_EQ(kelDecode(t.bytes, cs).find_first_of(u"\x1B\x0E\x0F"), std::u16string::npos);
    }
}

TEST(ISO2022CN, EncoderShiftsAgainAfterASingleShiftAndWritesSubstitutesUnshifted) {
    // U+4E42 lies in CNS plane 2, U+4E2D in GB 2312: SO must follow ESC N.
    for (KelCharSet cs : {KELCS_ISO_2022CN, KELCS_ISO_2022CN_EXT, KELCS_ISO_2022TW}) {
        const std::string bytes = kelEncode(u"a\u4E42\u4E2D", cs);
        EXPECT_EQ(kelDecode(bytes, cs), u"a\u4E42\u4E2D") << cs;
    }
    EXPECT_EQ(kelEncode(u"\u4E2D\x1B\u4E2D\x0E", KELCS_ISO_2022CN),
              "\x1B$)A\x0EVP\x0F?\x0EVP\x0F?");
}

// U+4E07 is in GB 2312 and CNS plane 2: a line whose G1 holds CNS plane 1
// (U+4E1F) writes it in plane 2, any other line in GB 2312, plane 2 already
// designated or not.
TEST(ISO2022CN, EncoderTriesTheFamilyOfTheSetInG1First) {
    for (KelCharSet cs : {KELCS_ISO_2022CN, KELCS_ISO_2022CN_EXT}) {
        EXPECT_EQ(kelEncode(u"\u4E1F\u4E07", cs), "\x1B$)G\x0EG#\x1B$*H\x1BN!&\x0F") << cs;
        EXPECT_EQ(kelEncode(u"\u4E42\u4E07", cs), "\x1B$*H\x1BN!!\x1B$)A\x0EMr\x0F") << cs;
    }
}

// A designation, a single shift and a code go out together or not at all,
// however little room is left; behind the room nothing is written.
TEST(ISO2022CN, EncoderNeverWritesPastItsRoom) {
    const std::u16string texts[] = {u"\u5284 \u5284", u"\u3D3D \u3D3D", u"\u4EA4\u6362"};
    for (KelCharSet cs : {KELCS_ISO_2022CN, KELCS_ISO_2022CN_EXT, KELCS_ISO_2022TW}) {
        KelCharSetConverter& conv = *KelCharSetConverter::getConverter(cs);
        for (const std::u16string& text : texts) {
            const std::vector<unsigned short> units(text.begin(), text.end() + 1);
            for (KelLength room = 0; room <= 14; ++room) {
                std::string out(room + 1 + 16, '\xAA');
                const KelLength n =
                    conv.fromUTF16(&out[0], units.data(), room, ILLCHAR_REPLACE, nullptr);
                ASSERT_LE(n, room);
                EXPECT_EQ(out[n], '\0');
                EXPECT_EQ(out.substr(room + 1), std::string(16, '\xAA')) << cs << " room " << room;
                KelProblems problems;
                const std::u16string back =
                    kelDecode(out.substr(0, n), cs, KelPolicy::Report, &problems);
                EXPECT_EQ(problems.count, 0u) << cs << " room " << room;
                const std::u16string whole = kelDecode(kelEncode(text, cs), cs);
                EXPECT_EQ(whole.compare(0, back.size(), back), 0) << cs << " room " << room;
            }
        }
    }
}

TEST(CNSTables, GeneratorReproducesTheCommittedFile) {
    const std::string command =
        std::string("python3 '") + KELULIB_SOURCE_DIR + "/tools/gen_cns_tables.py' --check";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

} // namespace
