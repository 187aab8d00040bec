// KelUString built from local text in every registered set, and its text
// given out again through c_str, length and copy.
//
// Input: constructor, set of the text, set given out, count (2 bytes), then
// the local text.
#include "FuzzCodecs.h"

#include "KelUString.h"

#include <memory>

namespace {

using namespace kelfuzz;

struct Source {
    KelCharSet cs;
    KelLength count;
    const std::uint8_t* bytes;
    std::size_t size;
};

std::vector<unsigned short> unitsOf(const KelUString& s) {
    return std::vector<unsigned short>(s.begin(), s.end());
}

// What the string must hold: the converter's own reading of the text, with
// ILLCHAR_REPLACE and room for all of it.
std::vector<unsigned short> expectedUnits(KelCharSet cs, const std::uint8_t* bytes, std::size_t n) {
    KelCharSetConverter& conv = *KelCharSetConverter::getConverter(cs);
    const std::vector<char> text = terminatedText(bytes, n, conv.getNullCharSize());
    return decode(conv, text, text.size(), ILLCHAR_REPLACE, -1).units;
}

// The text the caller gives: exactly `n` bytes on the heap, so that the
// address sanitizer reports any read beyond them.
std::unique_ptr<char[]> exactCopy(const std::uint8_t* bytes, std::size_t n) {
    std::unique_ptr<char[]> copy(new char[n == 0 ? 1 : n]);
    std::copy(bytes, bytes + n, copy.get());
    return copy;
}

void fromTerminatedText(const Source& src) {
    KelCharSetConverter& conv = *KelCharSetConverter::getConverter(src.cs);
    const std::vector<char> text = terminatedText(src.bytes, src.size, conv.getNullCharSize());
    const KelUString s(text.data(), src.cs);
    require(unitsOf(s) == expectedUnits(src.cs, src.bytes, src.size),
            "KelUString(const char*) differs from the converter", src.cs);
}

void fromCountedText(const Source& src) {
    const std::size_t n = std::min<std::size_t>(src.count, src.size);
    const std::unique_ptr<char[]> text = exactCopy(src.bytes, n);
    const KelUString s(text.get(), n, src.cs);
    require(unitsOf(s) == expectedUnits(src.cs, src.bytes, n),
            "KelUString(const char*, len) differs from the converter", src.cs);
}

void fromCharacter(const Source& src) {
    const char c = src.size == 0 ? 0 : static_cast<char>(src.bytes[0]);
    const KelUString s(c, src.cs);
    const std::uint8_t byte = static_cast<std::uint8_t>(c);
    require(unitsOf(s) == expectedUnits(src.cs, &byte, 1),
            "KelUString(char) differs from the converter", src.cs);
}

void fromRepeatedCharacter(const Source& src) {
    const char c = src.size == 0 ? 0 : static_cast<char>(src.bytes[0]);
    const KelLength count = src.count % 600;
    const KelUString s(c, count, src.cs);
    const std::vector<std::uint8_t> bytes(count, static_cast<std::uint8_t>(c));
    require(unitsOf(s) == expectedUnits(src.cs, bytes.data(), bytes.size()),
            "KelUString(char, count) differs from the converter", src.cs);
}

// A length-prefixed record cut to its count: nothing behind the last byte.
void fromPascalString(const Source& src) {
    const std::size_t n = std::min<std::size_t>({src.count % 256, src.size, 255});
    std::unique_ptr<char[]> record(new char[n + 1]);
    record[0] = static_cast<char>(n);
    std::copy(src.bytes, src.bytes + n, record.get() + 1);
    const KelUString s(reinterpret_cast<const KelPascalString*>(record.get()), src.cs);
    require(unitsOf(s) == expectedUnits(src.cs, src.bytes, n),
            "KelUString(const KelPascalString*) differs from the converter", src.cs);
}

// Growing with a fill character keeps the text and appends what the
// character converts to.
void resizedWithFill(const Source& src) {
    KelUString s(reinterpret_cast<const unsigned short*>(u"ab"));
    const char c = src.size == 0 ? 'x' : static_cast<char>(src.bytes[0]);
    const KelLength n = src.count % 600;
    s.resize(n, c, src.cs);
    require(s.size() == n, "resize left another length", src.cs);
    if (c == 0 || n <= 2)
        return;
    const std::vector<std::uint8_t> fill(n - 2, static_cast<std::uint8_t>(c));
    const std::vector<unsigned short> converted = expectedUnits(src.cs, fill.data(), fill.size());
    if (converted.size() == n - 2)
        require(std::equal(converted.begin(), converted.end(), s.begin() + 2),
                "resize filled with other units", src.cs);
}

// The text given out in a set is what the converter writes for it.
void checkGivenOut(KelUString& s, KelCharSet cs) {
    KelCharSetConverter& conv = *KelCharSetConverter::getConverter(cs);
    const Encoded expected = encode(conv, unitsOf(s));
    require(s.length(cs) == expected.bytes.size(), "length differs from the converter", cs);
    const unsigned char* text = reinterpret_cast<const unsigned char*>(s.c_str(cs));
    require(std::equal(expected.bytes.begin(), expected.bytes.end(), text) &&
                allZero(text + expected.bytes.size(), conv.getNullCharSize()),
            "c_str differs from the converter", cs);
    const KelLength max = expected.bytes.size() / 2;
    Guarded dst(max + conv.getNullCharSize());
    const KelLength n = s.copy(reinterpret_cast<char*>(dst.bytes()), max, cs);
    require(dst.guardIntact() && n <= max, "copy wrote past its room", cs);
    require(isPrefixBeforeReturn(conv, dst.bytes(), n, expected.bytes),
            "copy wrote other bytes than c_str", cs);
}

using Build = void (*)(const Source&);
constexpr Build kBuilds[] = {fromTerminatedText,    fromCountedText,  fromCharacter,
                             fromRepeatedCharacter, fromPascalString, resizedWithFill};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const Build build = kBuilds[in.byte() % (sizeof kBuilds / sizeof kBuilds[0])];
    Source src;
    src.cs = registeredSet(in.byte());
    const KelCharSet outSet = registeredSet(in.byte());
    src.count = in.word();
    src.bytes = in.rest();
    src.size = in.restSize();
    build(src);

    KelCharSetConverter& conv = *KelCharSetConverter::getConverter(src.cs);
    const std::vector<char> text = terminatedText(src.bytes, src.size, conv.getNullCharSize());
    KelUString s(text.data(), src.cs);
    checkGivenOut(s, outSet);
    return 0;
}
