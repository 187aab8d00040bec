// Streaming conversion with the installed library: a file decoded in
// 64 KiB chunks, a whole string in one call, UTF-8 to Shift_JIS, and each
// problem handled with its position.
//
// Usage: streaming [FILE]   (a UTF-8 file; without one, a built-in text)
#include "KelTranscoder.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Decodes a UTF-8 stream a chunk at a time; a character split between two
// chunks is carried over by the decoder. Returns the UTF-16 units.
std::u16string decodeFile(std::istream& in) {
    KelDecoder decoder(KELCS_UTF8, KelPolicy::Report);
    std::vector<char> chunk(64 * 1024);
    std::u16string text;
    std::vector<char16_t> units(decoder.maxUnits(chunk.size()));
    bool last = false;
    while (!last) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<KelLength>(in.gcount());
        last = got < chunk.size();
        KelLength used = 0;
        for (;;) {
            const KelStep step =
                decoder.decode(chunk.data() + used, got - used, units.data(), units.size(), last);
            text.append(units.data(), step.written);
            used += step.read;
            if (step.status == KelStatus::InputUsed)
                break;
            if (step.status == KelStatus::Malformed) {
                std::printf("malformed UTF-8 at byte %llu (%lu bytes)\n",
                            static_cast<unsigned long long>(decoder.problem().position),
                            static_cast<unsigned long>(decoder.problem().length));
                text += u'\uFFFD';
            }
        }
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    std::u16string text = u"Gr\u00FC\u00DFe, \u3053\u3093\u306B\u3061\u306F \U0001F600";
    if (argc > 1) {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in) {
            std::perror(argv[1]);
            return 2;
        }
        text = decodeFile(in);
    }

    // One call over the standard types, with the problems counted.
    KelProblems problems;
    const std::string sjis = kelEncode(text, KELCS_SHIFTJIS, KelPolicy::Escape, &problems);
    std::printf("%zu UTF-16 units, %zu Shift_JIS bytes, %lu unmappable (first at unit %llu)\n",
                text.size(), sjis.size(), static_cast<unsigned long>(problems.count),
                static_cast<unsigned long long>(problems.first));

    // Back again: the round trip gives the text, the escapes as they were written.
    const std::u16string back = kelDecode(sjis, KELCS_SHIFTJIS);
    std::printf("%zu units after the round trip\n", back.size());

    // UTF-8 to Shift_JIS directly, with no UTF-16 in between, and back to UTF-8.
    const std::string utf8 = "Hello, \xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF";
    const std::string direct = kelEncodeFromUTF8(utf8, KELCS_SHIFTJIS);
    const bool same = kelDecodeToUTF8(direct, KELCS_SHIFTJIS) == utf8;
    std::printf("%zu UTF-8 bytes, %zu Shift_JIS bytes, %s after the round trip\n", utf8.size(),
                direct.size(), same ? "the same" : "different");
    return back.empty() || !same ? 1 : 0;
}
