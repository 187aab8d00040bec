// The block-at-a-time paths against the general loops: every level of the
// machine must give the same units, counts, flags and stopping points, and
// leave the destination past the terminator untouched.

#include "KelCharSet.h"
#include "KelTextBlocks.h"
#include "MBCSTestSets.h"
#include "MachineLevels.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using kel::blocks::Level;
using keltest::AtLevel;

// What a conversion left behind: its whole destination buffer (sentinels
// past the terminator included), its count and its flag.
struct Outcome {
    std::vector<unsigned char> buffer;
    KelLength count;
    bool illegal;

    bool operator==(const Outcome& o) const {
        return buffer == o.buffer && count == o.count && illegal == o.illegal;
    }
};

std::string firstDifference(const Outcome& a, const Outcome& b) {
    const auto at =
        std::mismatch(a.buffer.begin(), a.buffer.end(), b.buffer.begin(), b.buffer.end());
    if (at.first == a.buffer.end())
        return "";
    return ", byte " + std::to_string(at.first - a.buffer.begin()) + " is " +
           std::to_string(*at.first) + " for " + std::to_string(*at.second);
}

// Runs the conversion at every level and expects the outcome of the
// general loops; `what` names the input when they differ.
void expectSameAtEveryLevel(const std::function<Outcome()>& convert, const std::string& what) {
    Outcome scalar;
    {
        AtLevel limit(Level::Scalar);
        scalar = convert();
    }
    for (Level level : {Level::SSE2, Level::AVX512}) {
        AtLevel limit(level);
        const Outcome fast = convert();
        EXPECT_TRUE(fast == scalar)
            << what << " at level " << static_cast<int>(level) << ": count " << fast.count
            << " for " << scalar.count << ", flag " << fast.illegal << " for " << scalar.illegal
            << firstDifference(fast, scalar);
    }
}

template <class Unit> Outcome outcome(const std::vector<Unit>& dst, KelLength count, bool illegal) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(dst.data());
    return {std::vector<unsigned char>(p, p + dst.size() * sizeof(Unit)), count, illegal};
}

std::string hexOf(const std::string& bytes) {
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02X ", c);
        out += b;
    }
    return out;
}

// Text of every shape the block paths take, in runs long enough to fill
// their blocks: ASCII, two-, three- and four-byte forms.
std::string wellFormedUTF8(std::mt19937& rng, std::size_t chars) {
    static const char* const pieces[] = {"a",
                                         "Z",
                                         "0",
                                         " ",
                                         "\xC3\xA9",
                                         "\xD0\x96",
                                         "\xE3\x81\x82",
                                         "\xE4\xB8\xAD",
                                         "\xEF\xBF\xBD",
                                         "\xED\x9F\xBF",
                                         "\xF0\x9F\x98\x80",
                                         "\xF4\x8F\xBF\xBF"};
    std::string text;
    std::uniform_int_distribution<int> runLength(1, 70);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    while (text.size() < chars) {
        const char* p = pieces[piece(rng)];
        for (int n = runLength(rng); n > 0; --n)
            text += p;
    }
    return text;
}

// Bytes that the block paths must leave to the general loop: misplaced and
// cut sequences, overlong forms, surrogates, values past U+10FFFF.
const char* const kMalformedUTF8[] = {"\x80",
                                      "\xBF",
                                      "\xC0\x80",
                                      "\xC1\xBF",
                                      "\xC3",
                                      "\xE0\x80\x80",
                                      "\xE0\x9F\xBF",
                                      "\xE3\x81",
                                      "\xED\xA0\x80",
                                      "\xF0\x8F\xBF\xBF",
                                      "\xF4\x90\x80\x80",
                                      "\xF5\x80\x80\x80",
                                      "\xF8\x88\x80\x80",
                                      "\xFF",
                                      "\xF0\x9F\x98"};

Outcome decodeUTF8(const std::string& text, KelLength room, int srcLimit) {
    std::vector<unsigned short> dst(room + 8, 0xBEEF);
    bool illegal = false;
    const KelLength n =
        KelCharSetConverter::getConverter(KELCS_UTF8)
            ->toUTF16(dst.data(), text.c_str(), room, ILLCHAR_REPLACE, &illegal, srcLimit);
    return outcome(dst, n, illegal);
}

TEST(TextBlocks, UTF8DecodingWithAMalformedSequenceAtEveryOffset) {
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round) {
        const std::string base = wellFormedUTF8(rng, 160);
        for (std::size_t at = 0; at < base.size(); ++at) {
            const std::string text = base.substr(0, at) +
                                     kMalformedUTF8[at % std::size(kMalformedUTF8)] +
                                     base.substr(at);
            expectSameAtEveryLevel([&] { return decodeUTF8(text, text.size() + 2, -1); },
                                   hexOf(text));
        }
    }
}

// The decoder's replacement rule written out independently: the bytes each
// lead allows after it, and one U+FFFD per maximal subpart of such a form.
std::vector<unsigned short> modelDecode(const std::string& text) {
    struct Form {
        unsigned char lead, lastLead;
        unsigned char second[2]; // range of the byte after the lead
        int trail;               // continuation bytes after that one
    };
    static const Form forms[] = {{0xC0, 0xC0, {0x80, 0x80}, 0}, {0xC2, 0xDF, {0x80, 0xBF}, 0},
                                 {0xE0, 0xE0, {0xA0, 0xBF}, 1}, {0xE1, 0xEF, {0x80, 0xBF}, 1},
                                 {0xF0, 0xF0, {0x90, 0xBF}, 2}, {0xF1, 0xF3, {0x80, 0xBF}, 2},
                                 {0xF4, 0xF4, {0x80, 0x8F}, 2}};
    std::vector<unsigned short> out;
    const auto byte = [&](std::size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char b = byte(i);
        const Form* form = nullptr;
        for (const Form& f : forms)
            form = b >= f.lead && b <= f.lastLead ? &f : form;
        if (b < 0x80 || form == nullptr) {
            out.push_back(b < 0x80 ? b : 0xFFFD);
            ++i;
            continue;
        }
        std::size_t n = 1;
        if (byte(i + 1) >= form->second[0] && byte(i + 1) <= form->second[1]) {
            n = 2;
            while (n < 2u + form->trail && (byte(i + n) & 0xC0) == 0x80)
                ++n;
        }
        if (n < 2u + form->trail) {
            out.push_back(0xFFFD);
        } else {
            std::uint32_t v = b & (0x7F >> n);
            for (std::size_t k = 1; k < n; ++k)
                v = v << 6 | (byte(i + k) & 0x3F);
            if (v >= 0x10000) {
                out.push_back(static_cast<unsigned short>(0xD7C0 + (v >> 10)));
                out.push_back(static_cast<unsigned short>(0xDC00 + (v & 0x3FF)));
            } else {
                out.push_back(static_cast<unsigned short>(v));
            }
        }
        i += n;
    }
    return out;
}

TEST(TextBlocks, UTF8DecodingAgreesWithTheReplacementModelAtEveryLevel) {
    std::mt19937 rng(23);
    std::uniform_int_distribution<int> anyByte(1, 255);
    for (int round = 0; round < 200; ++round) {
        std::string text = wellFormedUTF8(rng, 100 + rng() % 200);
        for (int k = static_cast<int>(rng() % 8); k > 0; --k) {
            const std::size_t at = rng() % text.size();
            if (rng() % 2)
                text.insert(at, kMalformedUTF8[rng() % std::size(kMalformedUTF8)]);
            else
                text[at] = static_cast<char>(anyByte(rng));
        }
        const std::vector<unsigned short> expected = modelDecode(text);
        for (Level level : {Level::Scalar, Level::SSE2, Level::AVX512}) {
            AtLevel limit(level);
            const Outcome got = decodeUTF8(text, text.size() + 2, -1);
            const unsigned short* units =
                reinterpret_cast<const unsigned short*>(got.buffer.data());
            EXPECT_EQ(std::vector<unsigned short>(units, units + got.count), expected)
                << hexOf(text) << " at level " << static_cast<int>(level);
        }
    }
}

TEST(TextBlocks, UTF8DecodingStopsWhereTheGeneralLoopStops) {
    std::mt19937 rng(11);
    const std::string text = wellFormedUTF8(rng, 300);
    for (KelLength room = 0; room < 200; room += 7) {
        for (int limit : {-1, 0, 1, 33, 34, 35, 64, 65, 97, 150}) {
            expectSameAtEveryLevel([&] { return decodeUTF8(text, room, limit); },
                                   "room " + std::to_string(room) + " limit " +
                                       std::to_string(limit));
        }
    }
}

TEST(TextBlocks, UTF8CountsMatchTheGeneralLoop) {
    std::mt19937 rng(13);
    KelCharSetConverter* conv = KelCharSetConverter::getConverter(KELCS_UTF8);
    const std::string base = wellFormedUTF8(rng, 600);
    for (std::size_t at = 0; at < base.size(); at += 7) {
        const std::string text =
            base.substr(0, at) + kMalformedUTF8[at % std::size(kMalformedUTF8)] + base.substr(at);
        for (KelLength len : {KEL_NPOS, static_cast<KelLength>(text.size() / 2)}) {
            expectSameAtEveryLevel(
                [&] {
                    return Outcome{{}, conv->getNumUnits(text.c_str(), len), false};
                },
                hexOf(text));
        }
    }
}

// UTF-16 text with ASCII, two- and three-byte units and surrogate pairs.
std::vector<unsigned short> wellFormedUTF16(std::mt19937& rng, std::size_t units) {
    static const unsigned short pieces[][2] = {{'a', 0},         {'~', 0},        {0x00E9, 0},
                                               {0x07FF, 0},      {0x3042, 0},     {0xFFFD, 0},
                                               {0xD83D, 0xDE00}, {0xDBFF, 0xDFFF}};
    std::vector<unsigned short> text;
    std::uniform_int_distribution<int> runLength(1, 40);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    while (text.size() < units) {
        const unsigned short* p = pieces[piece(rng)];
        for (int n = runLength(rng); n > 0; --n)
            text.insert(text.end(), p, p + (p[1] != 0 ? 2 : 1));
    }
    return text;
}

Outcome encodeUTF8(std::vector<unsigned short> text, KelLength room, ILLCHAR_OPTYPE op) {
    text.push_back(0);
    std::vector<unsigned char> dst(room + 8, 0xA5);
    bool illegal = false;
    const KelLength n = KelCharSetConverter::getConverter(KELCS_UTF8)
                            ->fromUTF16(dst.data(), text.data(), room, op, &illegal);
    return outcome(dst, n, illegal);
}

TEST(TextBlocks, UTF8EncodingWithAnUnpairedSurrogateAtEveryOffset) {
    std::mt19937 rng(17);
    for (unsigned short lone : {0xD800, 0xDC00}) {
        const std::vector<unsigned short> base = wellFormedUTF16(rng, 150);
        for (std::size_t at = 0; at < base.size(); ++at) {
            std::vector<unsigned short> text = base;
            text.insert(text.begin() + static_cast<long>(at), lone);
            for (ILLCHAR_OPTYPE op : {ILLCHAR_STOP, ILLCHAR_REPLACE, ILLCHAR_ESCAPE}) {
                expectSameAtEveryLevel([&] { return encodeUTF8(text, 3 * text.size(), op); },
                                       "unit " + std::to_string(lone) + " at " +
                                           std::to_string(at));
            }
        }
    }
}

TEST(TextBlocks, UTF8ByteCountsMatchTheGeneralLoop) {
    std::mt19937 rng(29);
    KelCharSetConverter* conv = KelCharSetConverter::getConverter(KELCS_UTF8);
    const std::vector<unsigned short> base = wellFormedUTF16(rng, 400);
    for (std::size_t at = 0; at < base.size(); at += 3) {
        std::vector<unsigned short> text = base;
        text.insert(text.begin() + static_cast<long>(at), at % 2 == 0 ? 0xD800 : 0xDC00);
        text.push_back(0);
        for (KelLength len :
             {KEL_NPOS, static_cast<KelLength>(at), static_cast<KelLength>(at + 1)}) {
            expectSameAtEveryLevel(
                [&] {
                    return Outcome{{}, conv->getNumBytes(text.data(), len), false};
                },
                "at " + std::to_string(at) + " length " + std::to_string(len));
        }
    }
}

TEST(TextBlocks, UTF8EncodingStopsWhereTheGeneralLoopStops) {
    std::mt19937 rng(19);
    const std::vector<unsigned short> text = wellFormedUTF16(rng, 200);
    for (KelLength room = 0; room < 400; room += 5)
        expectSameAtEveryLevel([&] { return encodeUTF8(text, room, ILLCHAR_REPLACE); },
                               "room " + std::to_string(room));
}

Outcome decodeSingleBytes(KelCharSet cs, const std::string& text, KelLength room, int srcLimit,
                          ILLCHAR_OPTYPE op) {
    std::vector<unsigned short> dst(room + 8, 0xBEEF);
    bool illegal = false;
    const KelLength n = KelCharSetConverter::getConverter(cs)->toUTF16(
        dst.data(), text.c_str(), room, op, &illegal, srcLimit);
    return outcome(dst, n, illegal);
}

// ISO 8859-8 leaves 0xBF and others without a mapping.
TEST(TextBlocks, SingleByteDecodingWithAnUnmappedByteAtEveryOffset) {
    std::mt19937 rng(23);
    std::uniform_int_distribution<int> byte(1, 255);
    std::string base(150, ' ');
    for (char& c : base)
        c = static_cast<char>(byte(rng) < 160 ? 'a' + byte(rng) % 26 : byte(rng));
    for (std::size_t at = 0; at < base.size(); ++at) {
        std::string text = base;
        text[at] = static_cast<char>(0xBF);
        for (ILLCHAR_OPTYPE op : {ILLCHAR_STOP, ILLCHAR_REPLACE}) {
            expectSameAtEveryLevel(
                [&] { return decodeSingleBytes(KELCS_ISO_8859_8, text, text.size(), -1, op); },
                "at " + std::to_string(at));
        }
    }
}

TEST(TextBlocks, SingleByteDecodingStopsWhereTheGeneralLoopStops) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += static_cast<char>(0x20 + i % 0xDF);
    for (KelLength room = 0; room < 200; room += 7) {
        for (int limit : {-1, 0, 1, 31, 32, 33, 64, 100}) {
            expectSameAtEveryLevel(
                [&] { return decodeSingleBytes(KELCS_WCP1252, text, room, limit, ILLCHAR_STOP); },
                "room " + std::to_string(room) + " limit " + std::to_string(limit));
        }
    }
}

Outcome encodeSingleBytes(KelCharSet cs, std::vector<unsigned short> text, KelLength room,
                          ILLCHAR_OPTYPE op) {
    text.push_back(0);
    std::vector<unsigned char> dst(room + 8, 0xA5);
    bool illegal = false;
    const KelLength n = KelCharSetConverter::getConverter(cs)->fromUTF16(dst.data(), text.data(),
                                                                         room, op, &illegal);
    return outcome(dst, n, illegal);
}

// Latin-1 letters with code page 1252's few units above U+00FF, and units
// it lacks (U+0081 is mapped, U+0100 and U+4E00 are not).
TEST(TextBlocks, SingleByteEncodingWithAnUnmappedUnitAtEveryOffset) {
    std::mt19937 rng(31);
    std::uniform_int_distribution<int> unit(0x20, 0xFF);
    std::vector<unsigned short> base(150);
    for (unsigned short& u : base)
        u = static_cast<unsigned short>(unit(rng) | 0x20); // no C1 controls, which 1252 lacks
    base[40] = 0x20AC;
    for (std::size_t at = 0; at < base.size(); ++at) {
        std::vector<unsigned short> text = base;
        text[at] = at % 2 == 0 ? 0x0100 : 0x4E00;
        for (ILLCHAR_OPTYPE op : {ILLCHAR_STOP, ILLCHAR_REPLACE, ILLCHAR_ESCAPE}) {
            expectSameAtEveryLevel(
                [&] { return encodeSingleBytes(KELCS_WCP1252, text, 6 * text.size(), op); },
                "at " + std::to_string(at));
        }
    }
}

TEST(TextBlocks, SingleByteEncodingStopsWhereTheGeneralLoopStops) {
    std::vector<unsigned short> text;
    for (int i = 0; i < 300; ++i)
        text.push_back(static_cast<unsigned short>(0x20 + i % 0xDF));
    for (KelLength room = 0; room < 200; room += 7) {
        expectSameAtEveryLevel(
            [&] { return encodeSingleBytes(KELCS_ISO_8859_8, text, room, ILLCHAR_ESCAPE); },
            "room " + std::to_string(room));
    }
}

// Identities as the multibyte sets have them: all of ASCII, code page 932's
// rotated controls, Shift_JIS-2004's yen sign and overline.
const kel::blocks::ASCIIIdentity kIdentities[] = {
    {0x7F, {0, 0, 0}}, {0x7E, {0x1C, 0x1A, 0}}, {0x7F, {0x7E, 0x5C, 0}}};

// Text of the identity but at `at`, which holds a value outside it.
template <class Unit>
std::vector<Unit> identityText(const kel::blocks::ASCIIIdentity& id, std::size_t size,
                               std::size_t at, std::mt19937& rng) {
    std::uniform_int_distribution<unsigned> ascii(1, 0x7F);
    std::vector<Unit> text(size);
    for (Unit& u : text) {
        do
            u = static_cast<Unit>(ascii(rng));
        while (!id.holds(u));
    }
    const unsigned outside[] = {0x80u, id.last + 1u, id.except[0] != 0 ? id.except[0] : 0xFFu};
    if (at < size)
        text[at] = static_cast<Unit>(outside[at % 3]);
    return text;
}

// The ASCII kernels take exactly the identity's prefix of the `n` units they
// are given and write nothing past it.
template <class Unit, class Out>
void expectIdentityPrefixes(KelLength (*kernel)(const kel::blocks::ASCIIIdentity&, const Unit*,
                                                KelLength, Out*)) {
    std::mt19937 rng(37);
    for (Level level : {Level::SSE2, Level::AVX512}) {
        AtLevel limit(level);
        // Machines without the level's instructions run none of its kernels.
        if (kel::blocks::level() != level)
            continue;
        for (const kel::blocks::ASCIIIdentity& id : kIdentities) {
            for (std::size_t at = 0; at <= 140; ++at) {
                const std::vector<Unit> text = identityText<Unit>(id, 140, at, rng);
                for (std::size_t n : {at, at + 1, std::size_t{140}}) {
                    n = std::min<std::size_t>(n, text.size());
                    std::vector<Out> dst(text.size() + 8, 0xA5);
                    const KelLength done = kernel(id, text.data(), n, dst.data());
                    const std::size_t want = std::min(at, n);
                    ASSERT_EQ(done, want) << "at " << at << " n " << n;
                    EXPECT_TRUE(std::equal(text.begin(), text.begin() + want, dst.begin()));
                    EXPECT_TRUE(std::all_of(dst.begin() + want, dst.end(),
                                            [](Out o) { return o == 0xA5; }));
                }
            }
        }
    }
}

TEST(TextBlocks, ASCIIKernelsTakeTheIdentityPrefix) {
    expectIdentityPrefixes<unsigned char, unsigned short>(kel::blocks::widenASCII);
    expectIdentityPrefixes<unsigned short, unsigned char>(kel::blocks::narrowASCII);
}

std::vector<KelCharSet> multibyteSets() {
    std::vector<KelCharSet> sets{KELCS_GB18030};
    for (const keltest::MBCSSet& set : keltest::mbcsSets())
        sets.push_back(set.cs);
    return sets;
}

// Every byte 01 to 7F in runs broken by bytes from 81 to FE, which lead or
// trail or stand alone depending on the set.
std::string asciiBetweenHighBytes(std::mt19937& rng) {
    std::uniform_int_distribution<int> high(0x81, 0xFE);
    std::uniform_int_distribution<int> gap(1, 90);
    std::string text;
    for (int b = 1, next = gap(rng); b <= 0x7F * 3; ++b) {
        text += static_cast<char>((b - 1) % 0x7F + 1);
        if (b == next) {
            text += static_cast<char>(high(rng));
            next += gap(rng);
        }
    }
    return text;
}

// The identity a multibyte set converts a block at a time, held against the
// set's own per-character conversions: every byte and unit of ASCII, next to
// multibyte text, under every room and source limit.
TEST(TextBlocks, MultibyteASCIIConvertsAsCharacterByCharacter) {
    std::mt19937 rng(41);
    const unsigned short others[] = {0x00A5, 0x203E, 0x3042, 0x4E2D, 0xFF71, 0xD83D, 0xDE00};
    for (KelCharSet cs : multibyteSets()) {
        KelCharSetConverter* conv = KelCharSetConverter::getConverter(cs);
        const std::string bytes = asciiBetweenHighBytes(rng);
        std::vector<unsigned short> units;
        for (unsigned u = 1; u <= 0x7F * 2; ++u) {
            units.push_back(static_cast<unsigned short>((u - 1) % 0x7F + 1));
            if (u % 53 == 0)
                units.push_back(others[u % std::size(others)]);
        }
        const std::string set = " in set " + std::to_string(cs);
        for (KelLength room : {KelLength{0}, KelLength{17}, KelLength{100}, KelLength{600}}) {
            for (int limit : {-1, 1, 64, 131}) {
                expectSameAtEveryLevel(
                    [&] { return decodeSingleBytes(cs, bytes, room, limit, ILLCHAR_REPLACE); },
                    "room " + std::to_string(room) + " limit " + std::to_string(limit) + set);
            }
            for (ILLCHAR_OPTYPE op : {ILLCHAR_STOP, ILLCHAR_REPLACE})
                expectSameAtEveryLevel([&] { return encodeSingleBytes(cs, units, room, op); },
                                       "room " + std::to_string(room) + set);
        }
        std::vector<unsigned short> terminated = units;
        terminated.push_back(0);
        for (KelLength len : {KEL_NPOS, KelLength{50}}) {
            const std::string what = "length " + std::to_string(len) + set;
            expectSameAtEveryLevel(
                [&] {
                    return Outcome{{}, conv->getNumUnits(bytes.c_str(), len), false};
                },
                what);
            expectSameAtEveryLevel(
                [&] {
                    return Outcome{{}, conv->getNumBytes(terminated.data(), len), false};
                },
                what);
        }
    }
}

} // namespace

// The 16-bit terminator is found wherever it lies, from every alignment,
// within a bound or without one, the scan of four blocks at a time included;
// a text that ends just before a page without access is read only up to it.
TEST(TextBlocks, TheUnitTerminatorIsFoundAtEveryOffsetAndLevel) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* pages =
        mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(pages, MAP_FAILED);
    ASSERT_EQ(mprotect(static_cast<char*>(pages) + page, page, PROT_NONE), 0);
    auto* lastUnits = static_cast<unsigned short*>(pages) + page / 2;
    std::fill(lastUnits - 200, lastUnits, 'a');
    lastUnits[-1] = 0;
    for (Level level : {Level::Scalar, Level::SSE2, Level::AVX512}) {
        AtLevel limit(level);
        for (std::size_t before = 1; before < 200; ++before)
            EXPECT_EQ(kel::blocks::TextRun<unsigned short>(lastUnits - before).from(0), before - 1) << before;
        std::vector<unsigned short> text(200, 'a');
        for (std::size_t start = 0; start < 8; ++start) {
            for (std::size_t end = start; end < 150; ++end) {
                text[end] = 0;
                kel::blocks::TextRun<unsigned short> run(text.data() + start);
                EXPECT_EQ(run.from(0), end - start) << start << " " << end;
                kel::blocks::TextRun<unsigned short> bounded(text.data() + start, 70);
                EXPECT_EQ(bounded.from(0), std::min<std::size_t>(end - start, 70));
                text[end] = 'a';
            }
        }
    }
    munmap(pages, 2 * page);
}

// Runs of two-byte codes, which the widest level gathers 16 units at a
// time, broken at every offset by a one-byte code or a unit without one.
TEST(TextBlocks, TwoByteCodeRunsConvertAsCharacterByCharacter) {
    const unsigned short ideographs[] = {0x4E00, 0x4E2D, 0x65E5, 0x672C, 0x5927, 0x5B66,
                                         0x3042, 0x30A2, 0xAC00, 0xB098, 0x3001, 0xFF0C};
    for (KelCharSet cs : multibyteSets()) {
        for (unsigned short breaker : {0x0041, 0x0000, 0xE000}) {
            for (std::size_t at = 0; at < 40; ++at) {
                std::vector<unsigned short> units;
                for (std::size_t i = 0; i < 70; ++i)
                    units.push_back(i == at ? breaker : ideographs[i % std::size(ideographs)]);
                if (breaker == 0)
                    units.resize(at);
                for (KelLength room : {KelLength{37}, KelLength{200}})
                    expectSameAtEveryLevel(
                        [&] { return encodeSingleBytes(cs, units, room, ILLCHAR_REPLACE); },
                        "set " + std::to_string(cs) + " at " + std::to_string(at));
            }
        }
    }
}
