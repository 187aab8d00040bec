// Local text to UTF-16 through every registered converter, and UTF-32 to
// UTF-8 on the direct path.
//
// Input: set, op type, room (2 bytes), source limit, UTF-8 room (2 bytes),
// then the local text.
#include "FuzzCodecs.h"

namespace {

using namespace kelfuzz;

struct Steering {
    ILLCHAR_OPTYPE op;
    unsigned int room;
    int limit;
    unsigned int utf8Room;
};

// With a fuzzed room, op type and limit the output is a prefix of the
// unbounded conversion: the converter ends at character boundaries only.
void checkBoundedRun(KelCharSetConverter& conv, const std::vector<char>& text, const Steering& how,
                     const Decoded& ample) {
    const ILLCHAR_OPTYPE op = how.op;
    const Decoded bounded =
        decode(conv, text, fitRoom(how.room, ample.units.size() + 1), op, how.limit);
    const Decoded& full =
        op == ILLCHAR_STOP ? decode(conv, text, ample.units.size(), ILLCHAR_STOP, -1) : ample;
    require(isPrefix(bounded.units, full.units), "a bounded toUTF16 is no prefix of the whole",
            conv.getCharSet());
    require(isPrefix(full.units, ample.units),
            "ILLCHAR_STOP wrote other units than "
            "ILLCHAR_REPLACE",
            conv.getCharSet());
}

// getNumUnits must announce what toUTF16 writes: the string class sizes its
// buffer by it.
void checkUnitCount(KelCharSetConverter& conv, const std::vector<char>& text,
                    const Decoded& ample) {
    const KelLength textBytes = text.size() - conv.getNullCharSize();
    require(conv.getNumUnits(text.data(), KEL_NPOS) == ample.units.size(),
            "getNumUnits up to the NUL differs from toUTF16", conv.getCharSet());
    if (textBytes != 0)
        require(conv.getNumUnits(text.data(), textBytes) == ample.units.size(),
                "getNumUnits of the byte count differs from toUTF16", conv.getCharSet());
}

// Text that decodes without a problem encodes back to the same bytes where
// the tables pair each code with one character.
void checkRoundTrip(KelCharSetConverter& conv, const std::vector<char>& text,
                    const Decoded& ample) {
    const Encoded back = encode(conv, ample.units);
    checkUnitsSurvive(conv, ample.units, back);
    if (ample.illegal || !decodesEveryCodeOneWay(conv.getCharSet()))
        return;
    const std::size_t nul = firstNul(reinterpret_cast<const unsigned char*>(text.data()),
                                     text.size(), conv.getNullCharSize());
    require(!back.illegal, "decoded text does not encode again", conv.getCharSet());
    require(back.bytes.size() == nul &&
                std::equal(back.bytes.begin(), back.bytes.end(),
                           reinterpret_cast<const unsigned char*>(text.data())),
            "decoded text encodes to other bytes", conv.getCharSet());
}

// Only the UTF-32 converters have a direct path to UTF-8; they write what the
// UTF-8 converter makes of the same text wherever neither finds a problem.
void checkDirectUTF8(KelCharSetConverter& conv, const std::vector<char>& text, const Steering& how,
                     const Decoded& ample) {
    const KelLength ampleUTF8 = 6 * text.size() + 1;
    const KelLength room = fitRoom(how.utf8Room, ampleUTF8);
    Guarded dst(room + 1);
    bool illegal = false;
    const KelLength n = conv.toUTF8(dst.bytes(), text.data(), room, how.op, &illegal);
    const KelCharSet cs = conv.getCharSet();
    if (!isUTF32(cs)) {
        require(n == 0 && dst.untouchedFrom(0), "toUTF8 of a converter without it wrote", cs);
        return;
    }
    require(dst.guardIntact(), "toUTF8 wrote past its room and terminator", cs);
    require(n <= room && dst.bytes()[n] == 0, "toUTF8 wrote no terminator behind its count", cs);
    if (room != ampleUTF8 || illegal || ample.illegal)
        return;
    const Encoded viaUTF16 = encode(*KelCharSetConverter::getConverter(KELCS_UTF8), ample.units);
    require(viaUTF16.bytes.size() == n &&
                std::equal(viaUTF16.bytes.begin(), viaUTF16.bytes.end(), dst.bytes()),
            "toUTF8 differs from the UTF-8 converter", cs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    KelCharSetConverter& conv =
        *KelCharSetConverter::getConverter(registeredSet(in.byte()));
    Steering how;
    how.op = in.opType();
    how.room = in.word();
    how.limit = in.srcLimit();
    how.utf8Room = in.word();
    const std::vector<char> text = terminatedText(in.rest(), in.restSize(), conv.getNullCharSize());

    const Decoded ample = decode(conv, text, text.size(), ILLCHAR_REPLACE, -1);
    checkBoundedRun(conv, text, how, ample);
    checkUnitCount(conv, text, ample);
    checkRoundTrip(conv, text, ample);
    checkDirectUTF8(conv, text, how, ample);
    return 0;
}
