// The counted core of every registered converter, against its terminated
// operations and against itself: text split anywhere, NUL characters, room,
// the problem policies and source offsets.
#include "RegisteredSets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using Bytes = std::string;
using Units = std::vector<unsigned short>;

// Local text decodes to units, units encode to local text.
template <class Source>
using TargetOf = std::conditional_t<std::is_same<Source, Bytes>::value, Units, Bytes>;

template <class Target> struct Converted {
    Target out;
    KelConversionResult r;
};

template <class Target> struct Terminated {
    Target out;
    bool illegal;
};

KelCharSetConverter& converter(KelCharSet cs) {
    return *KelCharSetConverter::getConverter(cs);
}

// Room for anything a conversion with KelOnProblem::Replace writes.
KelLength ampleRoom(const Bytes& s) {
    return 2 * s.size() + 2;
}

KelLength ampleRoom(const Units& s) {
    return 24 * s.size() + 8;
}

KelConversionResult run(KelCharSetConverter& conv, const Bytes& s, unsigned short* d,
                        KelLength room, KelOnProblem on, bool last, KelLength* offsets,
                        KelCodecState* state = nullptr) {
    return conv.decodeCounted(s.data(), s.size(), d, room, on, last, offsets, state);
}

KelConversionResult run(KelCharSetConverter& conv, const Units& s, char* d, KelLength room,
                        KelOnProblem on, bool last, KelLength*, KelCodecState* state = nullptr) {
    return conv.encodeCounted(s.data(), s.size(), d, room, on, last, state);
}

// From the initial state, or from where `state` stands in a stream.
template <class Source>
Converted<TargetOf<Source>> counted(KelCharSetConverter& conv, const Source& s,
                                    KelOnProblem on = KelOnProblem::Replace, bool last = true,
                                    KelLength* offsets = nullptr, KelCodecState* state = nullptr) {
    TargetOf<Source> out(ampleRoom(s), 0);
    const KelConversionResult r = run(conv, s, &out[0], out.size(), on, last, offsets, state);
    out.resize(r.written);
    return {out, r};
}

Terminated<Units> terminated(KelCharSetConverter& conv, const Bytes& s) {
    const Bytes src = s + Bytes(conv.getNullCharSize(), '\0');
    Units out(ampleRoom(s) + 1);
    bool illegal = false;
    const KelLength n =
        conv.toUTF16(out.data(), src.data(), out.size() - 1, ILLCHAR_REPLACE, &illegal, -1);
    out.resize(n);
    return {out, illegal};
}

Terminated<Bytes> terminated(KelCharSetConverter& conv, Units s,
                             ILLCHAR_OPTYPE opType = ILLCHAR_REPLACE) {
    const KelLength room = ampleRoom(s);
    s.push_back(0);
    Bytes out(room + conv.getNullCharSize(), '\0');
    bool illegal = false;
    const KelLength n = conv.fromUTF16(&out[0], s.data(), room, opType, &illegal);
    out.resize(n);
    return {out, illegal};
}

// What KelOnProblem::Replace writes for a problem in the stream's state,
// and how Stop reports it: a surrogate without its partner is malformed.
Units substitute(KelCharSetConverter&, const Bytes&, const KelConversionResult&, KelCodecState&) {
    return {0xFFFD};
}

Bytes substitute(KelCharSetConverter& conv, const Units&, const KelConversionResult& r,
                 KelCodecState& state) {
    Bytes out(32, '\0');
    const KelConversionResult s =
        conv.encodeSubstitute(r.value, KelOnProblem::Replace, &out[0], out.size(), &state);
    out.resize(s.written);
    return out;
}

KelStop problemStop(const Bytes&, KelLength) {
    return KelStop::Malformed;
}

KelStop problemStop(const Units& s, KelLength at) {
    const bool lone = s[at] >= 0xD800 && s[at] <= 0xDFFF &&
                      !(s[at] <= 0xDBFF && at + 1 < s.size() && s[at + 1] >= 0xDC00 &&
                        s[at + 1] <= 0xDFFF);
    return lone ? KelStop::Malformed : KelStop::Unmappable;
}

template <class Text> Text slice(const Text& s, KelLength from, KelLength to = KEL_NPOS) {
    return Text(s.begin() + from, s.begin() + std::min<KelLength>(to, s.size()));
}

template <class Text> void append(Text& text, const Text& more) {
    text.insert(text.end(), more.begin(), more.end());
}

// The imposed operations substitute each unit of a surrogate pair that the
// set lacks, a stream the pair once: their escapes are the same text.
void expectMatchesTerminated(KelCharSetConverter& conv, const Bytes& s) {
    const auto c = counted(conv, s);
    const auto t = terminated(conv, s);
    EXPECT_EQ(c.r.stop, KelStop::EndOfInput);
    EXPECT_EQ(c.r.read, s.size());
    EXPECT_EQ(c.out, t.out);
    EXPECT_EQ(c.r.problems != 0, t.illegal);
}

void expectMatchesTerminated(KelCharSetConverter& conv, const Units& s) {
    const auto c = counted(conv, s, KelOnProblem::Escape);
    const auto t = terminated(conv, s, ILLCHAR_ESCAPE);
    EXPECT_EQ(c.r.stop, KelStop::EndOfInput);
    EXPECT_EQ(c.r.read, s.size());
    EXPECT_EQ(c.out, t.out);
    EXPECT_EQ(c.r.problems != 0, t.illegal);
}

// Two calls of one stream, the first told that more input follows and the
// tail it leaves unread carried over to the second, convert as one.
template <class Source> void expectSplitInvariant(KelCharSetConverter& conv, const Source& s) {
    const auto whole = counted(conv, s);
    for (KelLength at = 0; at <= s.size(); ++at) {
        KelCodecState state;
        const auto first =
            counted(conv, slice(s, 0, at), KelOnProblem::Replace, false, nullptr, &state);
        EXPECT_EQ(first.r.stop == KelStop::CutOff, first.r.read < at) << "split at " << at;
        const auto second =
            counted(conv, slice(s, first.r.read), KelOnProblem::Replace, true, nullptr, &state);
        auto joined = first.out;
        append(joined, second.out);
        EXPECT_EQ(joined, whole.out) << "split at " << at;
        EXPECT_EQ(first.r.problems + second.r.problems, whole.r.problems) << "split at " << at;
    }
}

// Stopping at each problem and going on behind it, by its length, gives what
// Skip writes, and with a substitute for each what Replace writes.
template <class Source> void expectStopsAtEachProblem(KelCharSetConverter& conv, const Source& s) {
    const auto replaced = counted(conv, s);
    const auto skipped = counted(conv, s, KelOnProblem::Skip);
    TargetOf<Source> stopwise, substituted;
    KelCodecState stopwiseState, substitutedState;
    KelLength problems = 0;
    for (KelLength at = 0;; ++problems) {
        const auto stopped =
            counted(conv, slice(s, at), KelOnProblem::Stop, true, nullptr, &stopwiseState);
        const auto again =
            counted(conv, slice(s, at), KelOnProblem::Stop, true, nullptr, &substitutedState);
        append(stopwise, stopped.out);
        append(substituted, again.out);
        if (stopped.r.stop == KelStop::EndOfInput)
            break;
        ASSERT_EQ(stopped.r.stop, problemStop(s, at + stopped.r.read));
        ASSERT_EQ(stopped.r.problems, 1u);
        ASSERT_GT(stopped.r.length, 0u);
        append(substituted, substitute(conv, s, again.r, substitutedState));
        at += stopped.r.read + stopped.r.length;
    }
    EXPECT_EQ(problems, replaced.r.problems);
    EXPECT_EQ(substituted, replaced.out);
    EXPECT_EQ(skipped.r.problems, problems);
    EXPECT_EQ(skipped.r.read, s.size());
    EXPECT_EQ(stopwise, skipped.out);
}

// The units of one source offset are what that character's bytes decode to
// alone, in the stream's state; bytes that only shift, which no unit
// stands for, go with the character behind them.
void expectOffsetsOfCharacters(KelCharSetConverter& conv, const Bytes& s) {
    std::vector<KelLength> offsets(ampleRoom(s), KEL_NPOS);
    const auto traced = counted(conv, s, KelOnProblem::Replace, true, offsets.data());
    ASSERT_EQ(traced.out, counted(conv, s).out);
    const KelLength n = traced.out.size();
    KelCodecState state;
    KelLength from = 0;
    for (KelLength i = 0; i < n;) {
        KelLength end = i;
        while (end < n && offsets[end] == offsets[i])
            ++end;
        const KelLength next = end < n ? offsets[end] : s.size();
        ASSERT_LT(offsets[i], next) << "unit " << i;
        EXPECT_EQ(counted(conv, slice(s, from, next), KelOnProblem::Replace, true, nullptr, &state)
                      .out,
                  slice(traced.out, i, end))
            << "character at " << offsets[i];
        from = next;
        i = end;
    }
}

// Each room up to what the text needs: nothing is written past it, and what
// was read converts to exactly what was written, but for the return of a set
// with shifts to its initial state, which a full room leaves for later.
template <class Source> void expectRoomKept(KelCharSetConverter& conv, const Source& s) {
    using Target = TargetOf<Source>;
    const auto whole = counted(conv, s);
    const auto guard = static_cast<typename Target::value_type>(0x23);
    for (KelLength room = 0; room <= whole.out.size(); ++room) {
        Target buffer(room + 8, guard);
        const KelConversionResult r =
            run(conv, s, &buffer[0], room, KelOnProblem::Replace, true, nullptr);
        EXPECT_EQ(r.stop == KelStop::DestinationFull, room < whole.out.size()) << "room " << room;
        ASSERT_LE(r.written, room);
        EXPECT_EQ(slice(buffer, room), Target(8, guard)) << "room " << room;
        const Target prefix = counted(conv, slice(s, 0, r.read)).out;
        EXPECT_EQ(slice(buffer, 0, r.written), slice(prefix, 0, r.written)) << "room " << room;
        EXPECT_LE(prefix.size(), r.written + conv.getMaxStateBytes()) << "room " << room;
    }
}

// Pieces of local text: bytes the sets build sequences of, valid or not
// (ASCII, an escape, lead, trail and shift bytes, the bytes of units near the
// limits of Unicode), and characters of many scripts as the set writes them.
const unsigned char kBytes[] = {'A',  'U',  '+',  '0',  'E',  '9',  0x1B, '$',  '(',
                                'B',  0x00, 0x00, 0x80, 0x81, 0x30, 0x8E, 0x8F, 0xA1,
                                0xC0, 0xD8, 0xDC, 0xE9, 0xFE, 0xFF, 0x10, 0x11};
const Units kCharacters[] = {{'A'},    {0xE9},   {0x3B1},  {0x416},          {0x3042},
                             {0x4E00}, {0xAC00}, {0xFF76}, {0xD83D, 0xDE00}, {0xD840, 0xDF9F}};
const unsigned short kUnits[] = {'A',    'U',    '+',    '0',    '?',    0x7F,   0x80,
                                 0xE9,   0x3B1,  0x20AC, 0x3042, 0x4E00, 0xAC00, 0xFF76,
                                 0xFFFD, 0xFFFF, 0xD83D, 0xDE00, 0xD800, 0xDFFF};

Bytes randomBytes(KelLength n, std::mt19937& rng) {
    Bytes bytes;
    while (bytes.size() < n)
        bytes.push_back(static_cast<char>(kBytes[rng() % sizeof kBytes]));
    return bytes;
}

// Whole units of the set, none of them its NUL character.
Bytes randomLocal(KelCharSetConverter& conv, std::mt19937& rng) {
    const KelLength unit = conv.getMinUnitSize();
    Bytes text;
    for (unsigned n = rng() % 10; n > 0; --n) {
        if (rng() % 2 == 0) {
            append(text, terminated(conv, kCharacters[rng() % std::size(kCharacters)]).out);
            continue;
        }
        Bytes piece = randomBytes(unit, rng);
        if (piece == Bytes(unit, '\0'))
            piece[0] = 'x';
        append(text, piece);
    }
    return text;
}

Units randomUnits(std::mt19937& rng) {
    Units units(rng() % 10);
    for (unsigned short& u : units)
        u = kUnits[rng() % std::size(kUnits)];
    return units;
}

TEST(CountedConversion, RandomTextConvertsAsTerminatedAndAsSplitOrStopped) {
    std::mt19937 rng(29);
    for (KelCharSet cs : keltest::kRegisteredSets) {
        SCOPED_TRACE(KelCharSetToString(cs));
        KelCharSetConverter& conv = converter(cs);
        for (int round = 0; round < 48 && !::testing::Test::HasFailure(); ++round) {
            const Bytes local = randomLocal(conv, rng);
            const Units units = randomUnits(rng);
            expectMatchesTerminated(conv, local);
            expectMatchesTerminated(conv, units);
            // Part of a unit at the end, which only counted input can have.
            const Bytes ragged = local + randomBytes(rng() % conv.getMinUnitSize(), rng);
            expectSplitInvariant(conv, ragged);
            expectSplitInvariant(conv, units);
            expectStopsAtEachProblem(conv, ragged);
            expectStopsAtEachProblem(conv, units);
            expectOffsetsOfCharacters(conv, ragged);
        }
    }
}

TEST(CountedConversion, NulCharactersConvertAsU0000AndBack) {
    const Units text = {'A', 0, 'B', 0};
    for (KelCharSet cs : keltest::kRegisteredSets) {
        SCOPED_TRACE(KelCharSetToString(cs));
        KelCharSetConverter& conv = converter(cs);
        const Bytes nul(conv.getNullCharSize(), '\0');
        const auto encoded = counted(conv, text);
        if (conv.getMaxStateBytes() == 0) {
            EXPECT_EQ(encoded.out, terminated(conv, Units{'A'}).out + nul +
                                       terminated(conv, Units{'B'}).out + nul);
        }
        const auto decoded = counted(conv, encoded.out);
        EXPECT_EQ(decoded.out, text);
        EXPECT_EQ(decoded.r.problems, 0u);
    }
}

TEST(CountedConversion, RoomIsKeptAndResultsSayWhatWasDone) {
    const Units text = {'A', 0xE9, 0x20AC, 0x3042, 0xD83D, 0xDE00, 0xD800, 'z'};
    for (KelCharSet cs : keltest::kRegisteredSets) {
        SCOPED_TRACE(KelCharSetToString(cs));
        KelCharSetConverter& conv = converter(cs);
        expectRoomKept(conv, text);
        expectRoomKept(conv, terminated(conv, text).out);
    }
}

} // namespace
