// The free conversion functions, whose capacities include the terminator,
// with every registered set, the default and sets without a converter.
//
// Input: function, set, capacity (2 bytes), then the source text (UTF-16 as
// byte pairs, low byte first, for the functions that read UTF-16).
#include "FuzzCodecs.h"

#include <string>

namespace {

using namespace kelfuzz;

struct Call {
    KelCharSet cs;
    unsigned int capacityWord;
    std::vector<char> bytes;           // NUL-terminated by one 0 byte
    std::vector<unsigned short> units; // terminated by a 0 unit
};

// A result below the capacity, nothing past the capacity, and the
// terminator of `nullSize` zero bytes behind the result.
void checkWritten(const Guarded& dst, int result, std::size_t capacity, std::size_t unitSize,
                  std::size_t nullSize, const char* what, KelCharSet cs) {
    require(dst.guardIntact(), what, cs);
    require(result >= 0 && static_cast<std::size_t>(result) * unitSize + nullSize <= capacity,
            "an entry point counted more than its capacity holds", cs);
    require(allZero(dst.bytes() + static_cast<std::size_t>(result) * unitSize, nullSize),
            "an entry point wrote no terminator behind its count", cs);
}

bool isEmpty(const Call& call) {
    return call.bytes.front() == 0;
}

void utf8ToUtf16(const Call& call) {
    const KelLength capacity = fitRoom(call.capacityWord, call.bytes.size() + 1);
    Guarded dst(capacity * 2);
    const int n = UTF8ToUTF16(dst.units(),
                              reinterpret_cast<const unsigned char*>(call.bytes.data()), capacity);
    if (capacity == 0)
        require(n == 0 && dst.untouchedFrom(0), "UTF8ToUTF16 wrote into no room", call.cs);
    else
        checkWritten(dst, n, capacity * 2, 2, 2, "UTF8ToUTF16 wrote past its capacity", call.cs);
}

void utf16ToUtf8(const Call& call) {
    const KelLength capacity = fitRoom(call.capacityWord, 3 * call.units.size() + 1);
    Guarded dst(capacity);
    const int n = UTF16ToUTF8(dst.bytes(), call.units.data(), capacity);
    if (capacity == 0)
        require(n == 0 && dst.untouchedFrom(0), "UTF16ToUTF8 wrote into no room", call.cs);
    else
        checkWritten(dst, n, capacity, 1, 1, "UTF16ToUTF8 wrote past its capacity", call.cs);
}

void utf16ToLocal(const Call& call) {
    const KelLength nullSize = static_cast<KelLength>(GetNullCharSize(call.cs));
    const KelLength capacity = fitRoom(call.capacityWord, ampleBytes(call.units.size()));
    Guarded dst(capacity);
    const int n =
        UTF16ToLocal(reinterpret_cast<char*>(dst.bytes()), call.units.data(), capacity, call.cs);
    if (capacity < nullSize) {
        require(n == 0 && dst.untouchedFrom(0), "UTF16ToLocal wrote into no room", call.cs);
        return;
    }
    checkWritten(dst, n, capacity, 1, nullSize, "UTF16ToLocal wrote past its capacity", call.cs);
    if (capacity == ampleBytes(call.units.size()))
        require(n == GetNumBytes(call.units.data(), call.cs),
                "GetNumBytes differs from what UTF16ToLocal writes", call.cs);
}

// Local text arrives whole: in its own set when that reads it without a
// problem, byte for byte as ISO-8859-1 otherwise.
void checkLocalReading(const Call& call, const unsigned short* units, int n) {
    KelCharSetConverter& conv = *KelCharSetConverter::getConverter(call.cs);
    if (conv.getMinUnitSize() != 1)
        return;
    const std::size_t len = call.bytes.size() - 1;
    const Decoded own = decode(conv, call.bytes, len, ILLCHAR_REPLACE, -1);
    if (!own.illegal) {
        require(std::vector<unsigned short>(units, units + n) == own.units,
                "LocalToUTF16 differs from its set's reading", call.cs);
        return;
    }
    require(static_cast<std::size_t>(n) == len, "LocalToUTF16 lost bytes of invalid text", call.cs);
    for (std::size_t i = 0; i < len; ++i)
        require(units[i] == static_cast<unsigned char>(call.bytes[i]),
                "invalid text is not read as ISO-8859-1", call.cs);
}

void localToUtf16(const Call& call) {
    const KelLength ample = call.bytes.size() + 1;
    const KelLength capacity = fitRoom(call.capacityWord, ample);
    Guarded dst(capacity * 2);
    const int n = LocalToUTF16(dst.units(), call.bytes.data(), static_cast<int>(capacity), call.cs);
    if (capacity == 0) {
        require(n == 0 && dst.untouchedFrom(0), "LocalToUTF16 wrote into no room", call.cs);
        return;
    }
    checkWritten(dst, n, capacity * 2, 2, 2, "LocalToUTF16 wrote past its capacity", call.cs);
    if (capacity == ample)
        checkLocalReading(call, dst.units(), n);
}

void utf8ToLocal(const Call& call) {
    const KelLength nullSize = static_cast<KelLength>(GetNullCharSize(call.cs));
    const KelLength capacity = fitRoom(call.capacityWord, 4 * call.bytes.size() + 4);
    Guarded dst(capacity);
    const int n =
        UTF8ToLocal(reinterpret_cast<char*>(dst.bytes()),
                    reinterpret_cast<const unsigned char*>(call.bytes.data()), capacity, call.cs);
    if (capacity < nullSize) {
        require(n == 0 && dst.untouchedFrom(0), "UTF8ToLocal wrote into no room", call.cs);
        return;
    }
    if (n == 0 && !isEmpty(call))
        require(dst.guardIntact(), "UTF8ToLocal wrote past its capacity", call.cs);
    else
        checkWritten(dst, n, capacity, 1, nullSize, "UTF8ToLocal wrote past its capacity", call.cs);
}

void localToUtf8(const Call& call) {
    const KelLength capacity = fitRoom(call.capacityWord, 3 * call.bytes.size() + 1);
    Guarded dst(capacity);
    const int n = LocalToUTF8(dst.bytes(), call.bytes.data(), capacity, call.cs);
    if (capacity == 0) {
        require(n == 0 && dst.untouchedFrom(0), "LocalToUTF8 wrote into no room", call.cs);
        return;
    }
    checkWritten(dst, n, capacity, 1, 1, "LocalToUTF8 wrote past its capacity", call.cs);
    KelCharSetConverter& conv = *KelCharSetConverter::getConverter(call.cs);
    if (capacity != 3 * call.bytes.size() + 1 || isEmpty(call) || conv.getMinUnitSize() != 1)
        return;
    // Only a text that starts with an encoded NUL (C0 80 in UTF-8), or that
    // holds nothing but shifts, may convert to nothing.
    const Decoded own = decode(conv, call.bytes, call.bytes.size(), ILLCHAR_REPLACE, -1);
    if (own.illegal || (!own.units.empty() && own.units.front() != 0))
        require(n > 0, "LocalToUTF8 lost a text that is not empty", call.cs);
}

// GetNumUnits counts what the local text yields; it reads the text as the
// conversions do, up to its first 0 byte.
void measureLocal(const Call& call) {
    KelCharSetConverter& conv = *KelCharSetConverter::getConverter(call.cs);
    const int units = GetNumUnits(call.bytes.data(), call.cs);
    if (conv.getMinUnitSize() != 1)
        return;
    const Decoded own = decode(conv, call.bytes, call.bytes.size(), ILLCHAR_REPLACE, -1);
    require(static_cast<std::size_t>(units) == own.units.size(),
            "GetNumUnits differs from the set's reading", call.cs);
}

using EntryPoint = void (*)(const Call&);
constexpr EntryPoint kEntryPoints[] = {utf8ToUtf16, utf16ToUtf8, utf16ToLocal, localToUtf16,
                                       utf8ToLocal, localToUtf8, measureLocal};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const EntryPoint entryPoint =
        kEntryPoints[in.byte() % (sizeof kEntryPoints / sizeof kEntryPoints[0])];
    Call call;
    call.cs = anySet(in.byte());
    call.capacityWord = in.word();
    // The 8-bit source ends at its first 0 byte, as the entry points read it.
    std::string text(reinterpret_cast<const char*>(in.rest()), in.restSize());
    text.resize(std::min(text.size(), text.find('\0')));
    call.bytes.assign(text.begin(), text.end());
    call.bytes.push_back(0);
    call.units = terminatedUnits(in.rest(), in.restSize());
    entryPoint(call);
    return 0;
}
