#include "Encoder.h"

#include "KelUChar.h"
#include "PrefixSearch.h"

#include <algorithm>

namespace kelconv {

namespace {

// "U+XXXX", the longest thing a converter writes for one unit.
constexpr std::size_t kEscapeLength = 6;

bool splitsPair(const std::vector<unsigned short>& units, std::size_t pos) {
    return pos > 0 && KelUChar::isSurrogateHigh(units[pos - 1]) &&
           KelUChar::isSurrogateLow(units[pos]);
}

std::uint32_t codePointAt(const std::vector<unsigned short>& units, std::size_t at,
                          std::size_t length) {
    return length == 2 ? KelUChar::toUTF32(units[at], units[at + 1]) : units[at];
}

} // namespace

Encoder::Encoder(KelCharSetConverter& converter, Policy policy)
    : m_converter(converter), m_policy(policy),
      m_opType(policy == Policy::Escape ? ILLCHAR_ESCAPE : ILLCHAR_REPLACE),
      m_bytesPerUnit(std::max<std::size_t>(converter.getMaxUnitSize(),
                                           kEscapeLength * converter.getNullCharSize())) {}

bool Encoder::encode(std::vector<unsigned short>& units, UnitLocator& locator,
                     std::vector<unsigned char>& out, std::vector<Problem>& problems) {
    const std::size_t size = units.size();
    units.push_back(0);
    bool carryOn = true;
    // The converters end at a 0 unit, so each stretch between them is
    // encoded on its own and the 0 units become NUL characters.
    for (std::size_t pos = 0; carryOn && pos < size;) {
        const std::size_t nul = static_cast<std::size_t>(
            std::find(units.begin() + pos, units.begin() + size, 0) - units.begin());
        carryOn = encodeSegment(units, pos, nul, locator, out, problems);
        if (carryOn && nul < size)
            out.insert(out.end(), m_converter.getNullCharSize(), 0);
        pos = nul + 1;
    }
    units.pop_back();
    return carryOn;
}

bool Encoder::encodeSegment(std::vector<unsigned short>& units, std::size_t begin, std::size_t end,
                            UnitLocator& locator, std::vector<unsigned char>& out,
                            std::vector<Problem>& problems) {
    if (begin == end)
        return true;
    if (!convert(units, begin, end, m_opType)) {
        appendConverted(out);
        return true;
    }
    for (std::size_t pos = begin; pos < end;) {
        const std::optional<std::size_t> bad = findUnmappable(units, pos, end);
        if (!bad) {
            appendConverted(out);
            return true;
        }
        if (*bad > pos) {
            convert(units, pos, *bad, m_opType);
            appendConverted(out);
        }
        const std::size_t length = splitsPair(units, *bad + 1) ? 2 : 1;
        const UnitLocator::Location where = locator.locate(*bad);
        if (!where.substitute) {
            problems.push_back(
                {Problem::Kind::Unmappable, where.offset, {}, codePointAt(units, *bad, length)});
        }
        if (!handleUnmappable(units, *bad, length, out))
            return false;
        pos = *bad + length;
    }
    return true;
}

bool Encoder::handleUnmappable(std::vector<unsigned short>& units, std::size_t at,
                               std::size_t length, std::vector<unsigned char>& out) {
    switch (m_policy) {
    case Policy::Stop:
        return false;
    case Policy::Drop:
        return true;
    case Policy::Replace:
    case Policy::Escape:
        break;
    }
    convert(units, at, at + length, m_opType);
    appendConverted(out);
    return true;
}

// The first character of [begin, end) that the target cannot represent.
// When there is none, the converted stretch is left in the buffer.
std::optional<std::size_t> Encoder::findUnmappable(std::vector<unsigned short>& units,
                                                   std::size_t begin, std::size_t end) {
    // A prefix that ends inside a surrogate pair is tested with the whole pair.
    const std::optional<std::size_t> bad = shortestBadPrefix(end - begin, [&](std::size_t length) {
        const std::size_t stop = begin + length + (splitsPair(units, begin + length) ? 1 : 0);
        return convert(units, begin, stop, ILLCHAR_REPLACE);
    });
    if (!bad)
        return std::nullopt;
    // The culprit is the last character of the shortest bad prefix.
    const std::size_t last = begin + *bad - 1;
    return splitsPair(units, last) ? last - 1 : last;
}

// Converts units[begin, end) into the byte buffer; true when a unit had no mapping.
bool Encoder::convert(std::vector<unsigned short>& units, std::size_t begin, std::size_t end,
                      ILLCHAR_OPTYPE opType) {
    const std::size_t room = (end - begin) * m_bytesPerUnit;
    if (m_bytes.size() < room + m_converter.getNullCharSize())
        m_bytes.resize(room + m_converter.getNullCharSize());
    const unsigned short saved = units[end];
    units[end] = 0;
    bool unmappable = false;
    m_count = m_converter.fromUTF16(m_bytes.data(), &units[begin], room, opType, &unmappable);
    units[end] = saved;
    return unmappable;
}

void Encoder::appendConverted(std::vector<unsigned char>& out) const {
    out.insert(out.end(), m_bytes.begin(), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_count));
}

} // namespace kelconv
