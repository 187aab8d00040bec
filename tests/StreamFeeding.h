#ifndef KELULIB_TESTS_STREAMFEEDING_H
#define KELULIB_TESTS_STREAMFEEDING_H

// Feeds a text to a decoder or an encoder in chunks and rooms of sizes the
// caller picks, noting each reported problem; shared by the streaming tests
// and the split-invariance fuzz target.

#include "KelTranscoder.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace keltest {

using Sizes = std::function<std::size_t()>;

struct Spot {
    std::uint64_t position;
    KelLength length;
    bool operator==(const Spot& o) const { return position == o.position && length == o.length; }
};

// The output, with a marker unit where each reported problem was, the
// problems, and whether every call consumed its chunk.
template <class Out> struct Outcome {
    Out out;
    std::vector<Spot> problems;
    bool consumedAll = true;

    bool operator==(const Outcome& o) const { return out == o.out && problems == o.problems; }
};

// Rooms of at least `minRoom` units, so that every character fits.
template <class Stream, class In, class Out, class Convert>
Outcome<Out> feed(Stream& stream, const In& input, const Sizes& next, const Sizes& room,
                  std::size_t minRoom, typename Out::value_type marker, Convert convert) {
    Outcome<Out> result;
    Out buffer(64, typename Out::value_type());
    std::size_t pos = 0;
    bool last = false;
    while (!last) {
        const std::size_t n = std::min(next(), input.size() - pos);
        last = pos + n == input.size();
        std::size_t used = 0;
        for (;;) {
            const std::size_t r = std::clamp<std::size_t>(room(), minRoom, buffer.size());
            const KelStep step =
                convert(stream, input.data() + pos + used, n - used, buffer.data(), r, last);
            result.out.insert(result.out.end(), buffer.begin(), buffer.begin() + step.written);
            used += step.read;
            if (step.status == KelStatus::InputUsed)
                break;
            if (step.status == KelStatus::OutputFull && step.read == 0 && step.written == 0) {
                result.consumedAll = false; // the room can never take the next character
                return result;
            }
            if (step.status != KelStatus::OutputFull) {
                result.problems.push_back({stream.problem().position, stream.problem().length});
                result.out.push_back(marker);
            }
        }
        result.consumedAll = result.consumedAll && used == n;
        pos += n;
    }
    return result;
}

inline Outcome<std::vector<unsigned short>> decodeStream(KelCharSet cs, const std::string& bytes,
                                                         const Sizes& next, const Sizes& room) {
    KelDecoder decoder(cs, KelPolicy::Report);
    return feed<KelDecoder, std::string, std::vector<unsigned short>>(
        decoder, bytes, next, room, 2, 0xFFFD,
        [](KelDecoder& d, const char* s, std::size_t n, unsigned short* out, std::size_t r,
           bool last) { return d.decode(s, n, out, r, last); });
}

inline Outcome<std::string> encodeStream(KelCharSet cs, const std::vector<unsigned short>& units,
                                         const Sizes& next, const Sizes& room) {
    KelEncoder encoder(cs, KelPolicy::Report);
    return feed<KelEncoder, std::vector<unsigned short>, std::string>(
        encoder, units, next, room, 12, '\x01',
        [](KelEncoder& e, const unsigned short* s, std::size_t n, char* out, std::size_t r,
           bool last) { return e.encode(s, n, out, r, last); });
}

inline Outcome<std::string> decodeToUTF8Stream(KelCharSet cs, const std::string& bytes,
                                               const Sizes& next, const Sizes& room) {
    KelDecoder decoder(cs, KelPolicy::Report);
    return feed<KelDecoder, std::string, std::string>(
        // A code of two characters (JIS X 0213) takes up to eight bytes.
        decoder, bytes, next, room, 8, '\x01',
        [](KelDecoder& d, const char* s, std::size_t n, char* out, std::size_t r, bool last) {
            return d.toUTF8(s, n, out, r, last);
        });
}

inline Outcome<std::string> encodeFromUTF8Stream(KelCharSet cs, const std::string& utf8,
                                                 const Sizes& next, const Sizes& room) {
    KelEncoder encoder(cs, KelPolicy::Report);
    return feed<KelEncoder, std::string, std::string>(
        encoder, utf8, next, room, 12, '\x01',
        [](KelEncoder& e, const char* s, std::size_t n, char* out, std::size_t r, bool last) {
            return e.fromUTF8(s, n, out, r, last);
        });
}

inline Sizes fixedSize(std::size_t n) {
    return [n] { return n; };
}

} // namespace keltest

#endif
