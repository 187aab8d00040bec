// Split invariance of the streaming decoders and encoders: the text cut
// into chunks of fuzzed sizes, into rooms of fuzzed sizes, gives the output
// and the problem positions of one call.
//
// Input: set, chunking seed (2 bytes), then the text: local bytes to
// decode (to UTF-16 and to UTF-8), the same bytes as UTF-16 units to
// encode, and as UTF-8 to encode.
#include "FuzzSupport.h"
#include "StreamFeeding.h"

#include <random>

namespace {

using namespace kelfuzz;

// Chunks of 1 to 16 units and rooms of 2 to 33, from a seeded generator.
struct Cutting {
    explicit Cutting(unsigned int seed) : rng(seed) {}
    keltest::Sizes chunks() {
        return [this] { return 1 + rng() % 16; };
    }
    keltest::Sizes rooms() {
        return [this] { return 2 + rng() % 32; };
    }
    std::mt19937 rng;
};

std::vector<unsigned short> unitsOf(const std::string& bytes) {
    std::vector<unsigned short> units(bytes.size() / 2);
    if (!units.empty())
        std::memcpy(units.data(), bytes.data(), units.size() * 2);
    return units;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const KelCharSet cs = registeredSet(in.byte());
    Cutting cutting(in.word());
    const std::string text(reinterpret_cast<const char*>(in.rest()), in.restSize());
    const keltest::Sizes whole = keltest::fixedSize(text.size());
    const keltest::Sizes ample = keltest::fixedSize(64);

    const auto decodedWhole = keltest::decodeStream(cs, text, whole, ample);
    const auto decodedCut = keltest::decodeStream(cs, text, cutting.chunks(), cutting.rooms());
    require(decodedCut.consumedAll, "a decoder call left input unread", cs);
    require(decodedWhole == decodedCut, "a decoder's output depends on the cutting", cs);

    const std::vector<unsigned short> units = unitsOf(text);
    const auto encodedWhole =
        keltest::encodeStream(cs, units, keltest::fixedSize(units.size()), ample);
    const auto encodedCut = keltest::encodeStream(cs, units, cutting.chunks(), cutting.rooms());
    require(encodedCut.consumedAll, "an encoder call left input unread", cs);
    require(encodedWhole == encodedCut, "an encoder's output depends on the cutting", cs);

    const auto toUTF8Whole = keltest::decodeToUTF8Stream(cs, text, whole, ample);
    const auto toUTF8Cut = keltest::decodeToUTF8Stream(cs, text, cutting.chunks(), cutting.rooms());
    require(toUTF8Cut.consumedAll && toUTF8Whole == toUTF8Cut,
            "decoding to UTF-8 depends on the cutting", cs);
    const auto fromUTF8Whole = keltest::encodeFromUTF8Stream(cs, text, whole, ample);
    const auto fromUTF8Cut =
        keltest::encodeFromUTF8Stream(cs, text, cutting.chunks(), cutting.rooms());
    require(fromUTF8Cut.consumedAll && fromUTF8Whole == fromUTF8Cut,
            "encoding from UTF-8 depends on the cutting", cs);
    return 0;
}
