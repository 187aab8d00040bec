#include "SourceProbe.h"

#include "KelUChar.h"

#include <algorithm>
#include <cstring>

namespace kelconv {

namespace {

// Room a decode needs per code unit: no source set yields more UTF-16 units
// than it has bytes, plus slack for a character that starts before the limit
// and ends after it.
constexpr std::size_t kSlackUnits = 32;

} // namespace

SourceProbe::SourceProbe(KelCharSetConverter& converter)
    : m_converter(converter), m_unitSize(converter.getNullCharSize()) {}

bool SourceProbe::decode(const unsigned char* text, std::size_t limit) {
    const std::size_t room = limit * m_unitSize + kSlackUnits;
    if (m_units.size() < room + 1)
        m_units.resize(room + 1);
    bool malformed = false;
    m_count = m_converter.toUTF16(m_units.data(), text, room, ILLCHAR_REPLACE, &malformed,
                                  static_cast<int>(limit));
    return malformed;
}

bool SourceProbe::endsWithHighSurrogate() const {
    return m_count > 0 && KelUChar::isSurrogateHigh(m_units[m_count - 1]);
}

bool SourceProbe::hasUnpairedSurrogate(bool complete) const {
    for (std::size_t i = 0; i < m_count; ++i) {
        const unsigned short u = m_units[i];
        if (KelUChar::isSurrogateLow(u))
            return true;
        if (!KelUChar::isSurrogateHigh(u))
            continue;
        if (i + 1 == m_count)
            return complete;
        if (!KelUChar::isSurrogateLow(m_units[i + 1]))
            return true;
        ++i;
    }
    return false;
}

std::size_t SourceProbe::isolatedCount(const unsigned char* text, std::size_t length) {
    const std::size_t bytes = length * m_unitSize;
    m_scratch.assign(bytes + 2 * sizeof(std::uint32_t), 0);
    std::memcpy(m_scratch.data(), text, bytes);
    unsigned short units[2 * kLongestCharacter + kSlackUnits + 1];
    return m_converter.toUTF16(units, m_scratch.data(), sizeof units / sizeof units[0] - 1,
                               ILLCHAR_REPLACE, nullptr, -1);
}

namespace {

// The code unit behind the last NUL character of text[0, end), 0 when there
// is none. A NUL is always a whole character of its own, so a character
// starts behind it.
std::size_t afterLastNul(const unsigned char* text, std::size_t end, std::size_t unitSize) {
    for (std::size_t unit = end; unit > 0; --unit) {
        const unsigned char* p = text + (unit - 1) * unitSize;
        if (std::all_of(p, p + unitSize, [](unsigned char b) { return b == 0; }))
            return unit;
    }
    return 0;
}

} // namespace

std::size_t findCut(SourceProbe& probe, const unsigned char* text, std::size_t size) {
    // Leave room behind the cut for the longest character and the one after it.
    const std::size_t margin = 4 * kLongestCharacter;
    const std::size_t unitSize = probe.unitSize();
    const std::size_t units = size / unitSize;
    if (units <= 2 * margin)
        return 0;
    std::size_t k = units - margin;
    const std::size_t lowest = units - 2 * margin;
    // Decoding ends at a NUL character, so the probe starts behind the last
    // one; one inside the window is itself a boundary to cut behind.
    const std::size_t base = afterLastNul(text, k, unitSize);
    if (base > lowest)
        return base * unitSize;
    const unsigned char* from = text + base * unitSize;
    // Decoding the characters that start before k and before k + 1 gives
    // different results exactly when a character starts at k.
    bool malformed = probe.decode(from, k + 1 - base);
    std::size_t count = probe.count();
    for (; k > lowest; --k) {
        const bool malformedBefore = probe.decode(from, k - base);
        const bool starts = probe.count() != count || malformedBefore != malformed;
        if (starts && !probe.endsWithHighSurrogate())
            return k * unitSize;
        malformed = malformedBefore;
        count = probe.count();
    }
    // Nothing starts here that yields text (a run of stray bytes), so any cut will do.
    return (units - margin) * unitSize;
}

} // namespace kelconv
