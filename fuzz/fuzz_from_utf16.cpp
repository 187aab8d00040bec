// UTF-16 to local text through every registered converter, and UTF-8 to
// UTF-32 on the direct path.
//
// Input: set, op type, room (2 bytes), UTF-32 room (2 bytes), then the
// UTF-16 text as byte pairs, low byte first.
#include "FuzzCodecs.h"

namespace {

using namespace kelfuzz;

// With a fuzzed room and op type the output is a prefix of the conversion
// with room to spare: nothing partial is written.
void checkBoundedRun(KelCharSetConverter& conv, const std::vector<unsigned short>& text,
                     ILLCHAR_OPTYPE op, unsigned int roomWord, const Encoded& ample) {
    const KelLength room = fitRoom(roomWord, ampleBytes(text.size()));
    const Encoded bounded = encode(conv, text, room, op);
    const Encoded full = encode(conv, text, ampleBytes(text.size()), op);
    require(bounded.bytes.size() <= full.bytes.size() &&
                isPrefixBeforeReturn(conv, bounded.bytes.data(), bounded.bytes.size(), full.bytes),
            "a bounded fromUTF16 is no prefix of the whole", conv.getCharSet());
    if (op == ILLCHAR_STOP)
        require(full.bytes.size() <= ample.bytes.size() &&
                    isPrefixBeforeReturn(conv, full.bytes.data(), full.bytes.size(), ample.bytes),
                "ILLCHAR_STOP wrote other bytes than ILLCHAR_REPLACE", conv.getCharSet());
    if (!ample.illegal)
        require(full.bytes == ample.bytes, "op types differ on text that converts",
                conv.getCharSet());
}

// getNumBytes must announce what fromUTF16 writes with ILLCHAR_REPLACE.
void checkByteCount(KelCharSetConverter& conv, const std::vector<unsigned short>& text,
                    const Encoded& ample) {
    require(conv.getNumBytes(text.data(), KEL_NPOS) == ample.bytes.size(),
            "getNumBytes up to the 0 unit differs from fromUTF16", conv.getCharSet());
    require(conv.getNumBytes(text.data(), text.size() - 1) == ample.bytes.size(),
            "getNumBytes of the unit count differs from fromUTF16", conv.getCharSet());
}

// Only the UTF-32 converters read UTF-8 directly; they never write past their
// room, terminate their units, and raise the flag only for a U+FFFD they wrote.
void checkDirectUTF8(KelCharSetConverter& conv, const std::uint8_t* bytes, std::size_t n,
                     unsigned int roomWord) {
    const std::vector<char> utf8 = terminatedText(bytes, n, 1);
    const KelLength room = fitRoom(roomWord, utf8.size());
    Guarded dst((room + 1) * 4);
    bool illegal = true;
    const KelLength written =
        conv.fromUTF8(dst.bytes(), reinterpret_cast<const unsigned char*>(utf8.data()), room,
                      ILLCHAR_REPLACE, &illegal);
    const KelCharSet cs = conv.getCharSet();
    if (!isUTF32(cs)) {
        require(written == 0 && dst.untouchedFrom(0), "fromUTF8 of a converter without it wrote",
                cs);
        return;
    }
    require(dst.guardIntact(), "fromUTF8 wrote past its room and terminator", cs);
    require(written <= room && firstNul(dst.bytes(), (written + 1) * 4, 4) == written * 4,
            "fromUTF8 wrote no terminator behind its count, or a 0 unit before it", cs);
    bool replaced = false;
    for (KelLength i = 0; i < written; ++i) {
        std::uint32_t unit;
        std::memcpy(&unit, dst.bytes() + 4 * i, sizeof unit);
        replaced = replaced || unit == 0xFFFD || unit == __builtin_bswap32(0xFFFD);
    }
    require(!illegal || replaced, "fromUTF8 raised the flag but wrote no U+FFFD", cs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    KelCharSetConverter& conv =
        *KelCharSetConverter::getConverter(registeredSet(in.byte()));
    const ILLCHAR_OPTYPE op = in.opType();
    const unsigned int room = in.word();
    const unsigned int utf32Room = in.word();
    const std::vector<unsigned short> text = terminatedUnits(in.rest(), in.restSize());

    const Encoded ample = encode(conv, text, ampleBytes(text.size()), ILLCHAR_REPLACE);
    checkBoundedRun(conv, text, op, room, ample);
    checkByteCount(conv, text, ample);
    checkUnitsSurvive(conv, text, ample);
    checkDirectUTF8(conv, in.rest(), in.restSize(), utf32Room);
    return 0;
}
