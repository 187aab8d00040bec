// Terminated text is found and converted a few kilobytes at a time; a
// character that straddles two such pieces must convert as it does alone.
#include "GuardedConversions.h"
#include "RegisteredSets.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using keltest::Units;

// Code points from every script the sets hold, supplementary ones included;
// each set keeps those it writes and reads back.
const std::uint32_t kCandidates[] = {0x41,   0x7A,   0xA5,    0xE9,    0x3B1,  0x416,
                                     0x3042, 0x30AB, 0x4E00,  0x6F22,  0xAC00, 0xFF76,
                                     0x2460, 0x20AC, 0x1F600, 0x20B9F, 0x2A6B2};

struct Piece {
    Units units;
    std::string bytes;
};

Units unitsOf(std::uint32_t cp) {
    if (cp <= 0xFFFF)
        return {static_cast<unsigned short>(cp)};
    return {static_cast<unsigned short>(0xD7C0 + (cp >> 10)),
            static_cast<unsigned short>(0xDC00 | (cp & 0x3FF))};
}

std::vector<Piece> roundTrippingPieces(KelCharSetConverter& conv) {
    std::vector<Piece> pieces;
    for (std::uint32_t cp : kCandidates) {
        const Units units = unitsOf(cp);
        const keltest::Encoded e = keltest::encode(conv, units, ILLCHAR_STOP, 16);
        if (e.illegal || e.bytes.empty())
            continue;
        const keltest::Decoded d = keltest::decode(conv, e.bytes, ILLCHAR_STOP, 16);
        if (!d.illegal && d.units == units)
            pieces.push_back({units, e.bytes});
    }
    return pieces;
}

// Random pieces behind `shift` ASCII letters, so that every byte and unit
// position of a piece meets the end of a scanned piece of text.
TEST(ChunkBoundary, CharactersAcrossScannedPiecesConvertAsAlone) {
    std::mt19937 rng(17);
    for (KelCharSet cs : keltest::kRegisteredSets) {
        KelCharSetConverter& conv = *KelCharSetConverter::getConverter(cs);
        if (conv.getNullCharSize() != 1)
            continue;
        const std::vector<Piece> pieces = roundTrippingPieces(conv);
        ASSERT_GE(pieces.size(), 2u) << cs;
        for (int shift = 0; shift < 4; ++shift) {
            Units units(shift, 'a');
            std::string bytes(shift, 'a');
            while (bytes.size() < 3 * 4096) {
                const Piece& p = pieces[rng() % pieces.size()];
                units.insert(units.end(), p.units.begin(), p.units.end());
                bytes += p.bytes;
            }
            // A set with shifts writes them between its pieces as it goes.
            const keltest::Encoded e = keltest::encode(conv, units, ILLCHAR_STOP,
                                                       static_cast<KelLength>(2 * bytes.size()));
            EXPECT_FALSE(e.illegal) << cs << " shift " << shift;
            if (conv.getMaxStateBytes() == 0) {
                EXPECT_TRUE(e.bytes == bytes) << cs << " shift " << shift;
            }
            const keltest::Decoded d = keltest::decode(conv, e.bytes, ILLCHAR_STOP,
                                                       static_cast<KelLength>(units.size()));
            EXPECT_FALSE(d.illegal) << cs << " shift " << shift;
            EXPECT_TRUE(d.units == units) << cs << " shift " << shift;
        }
    }
}

} // namespace
