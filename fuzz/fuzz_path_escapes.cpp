// File names through the default character set: UTF-8 to local text with
// escapes for what the set lacks, and back. The default comes from LANG, so
// fuzz/run.sh runs this target under several locales.
//
// Input: direction, capacity (2 bytes), then the text (UTF-8 or local).
#include "FuzzCodecs.h"

#include <string>

namespace {

using namespace kelfuzz;

constexpr KelCharSet kDefault = KELCS_OS_DEFAULT;

std::vector<unsigned char> utf8Of(const std::vector<unsigned short>& units, bool& illegal) {
    KelCharSetConverter& utf8 = *KelCharSetConverter::getConverter(KELCS_UTF8);
    const Encoded encoded = encode(utf8, units);
    illegal = encoded.illegal;
    return encoded.bytes;
}

// Writes a local name with a terminator behind it; 0 with `dst` untouched
// when the name has no unit.
int toLocalPath(const std::string& utf8, KelLength capacity, Guarded& dst) {
    const int n = UTF8ToLocalPath(reinterpret_cast<char*>(dst.bytes()),
                                  reinterpret_cast<const unsigned char*>(utf8.c_str()),
                                  static_cast<int>(capacity));
    const KelLength nullSize = static_cast<KelLength>(GetNullCharSize(kDefault));
    require(dst.guardIntact(), "UTF8ToLocalPath wrote past its capacity", kDefault);
    if (capacity < nullSize) {
        require(n == 0 && dst.untouchedFrom(0), "UTF8ToLocalPath wrote into no room", kDefault);
        return n;
    }
    if (n > 0 || utf8.empty())
        require(static_cast<KelLength>(n) + nullSize <= capacity &&
                    allZero(dst.bytes() + n, nullSize),
                "UTF8ToLocalPath wrote no terminator behind its count", kDefault);
    return n;
}

int fromLocalPath(const char* local, KelLength capacity, Guarded& dst) {
    const int n = LocalPathToUTF8(dst.bytes(), local, static_cast<int>(capacity));
    if (capacity == 0) {
        require(n == 0 && dst.untouchedFrom(0), "LocalPathToUTF8 wrote into no room", kDefault);
        return n;
    }
    require(dst.guardIntact(), "LocalPathToUTF8 wrote past its capacity", kDefault);
    if (n > 0 || local[0] == 0)
        require(static_cast<KelLength>(n) < capacity && dst.bytes()[n] == 0,
                "LocalPathToUTF8 wrote no terminator behind its count", kDefault);
    return n;
}

// A name travels to the local set and back unchanged, unless it already
// spells an escape, which comes back decoded.
void checkRoundTrip(const std::string& utf8) {
    KelCharSetConverter& utf8Conv = *KelCharSetConverter::getConverter(KELCS_UTF8);
    const Decoded units = decode(utf8Conv, std::vector<unsigned char>(utf8.begin(), utf8.end()));
    bool illegal = false;
    const std::vector<unsigned char> canonical = utf8Of(units.units, illegal);
    if (illegal || canonical.empty() || spellsEscape(units.units))
        return;
    const KelLength localCapacity = ampleBytes(utf8.size());
    Guarded local(localCapacity);
    if (toLocalPath(utf8, localCapacity, local) == 0)
        return;
    const KelLength backCapacity = 3 * localCapacity + 1;
    Guarded back(backCapacity);
    const int n = fromLocalPath(reinterpret_cast<const char*>(local.bytes()), backCapacity, back);
    require(static_cast<std::size_t>(n) == canonical.size() &&
                std::equal(canonical.begin(), canonical.end(), back.bytes()),
            "a name did not come back from the local set", kDefault);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const unsigned char direction = in.byte();
    const unsigned int capacityWord = in.word();
    std::string text(reinterpret_cast<const char*>(in.rest()), in.restSize());
    text.resize(std::min(text.size(), text.find('\0')));

    if (direction % 2 == 0) {
        const KelLength capacity = fitRoom(capacityWord, ampleBytes(text.size()));
        Guarded dst(capacity);
        toLocalPath(text, capacity, dst);
        checkRoundTrip(text);
    } else {
        const KelLength capacity = fitRoom(capacityWord, 3 * text.size() + 1);
        Guarded dst(capacity);
        fromLocalPath(text.c_str(), capacity, dst);
    }
    return 0;
}
