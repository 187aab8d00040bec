#include "Decoder.h"

#include "PrefixSearch.h"

#include <algorithm>
#include <cstring>

namespace kelconv {

namespace {

constexpr unsigned short kReplacementCharacter = 0xFFFD;

// Zero bytes behind a chunk: a NUL character of every source set.
constexpr std::size_t kTerminator = 2 * sizeof(std::uint32_t);

} // namespace

void DecodedText::clear() {
    units.clear();
    origins.clear();
}

Decoder::Decoder(KelCharSetConverter& converter, Policy policy)
    : m_probe(converter), m_policy(policy), m_unitSize(m_probe.unitSize()) {}

bool Decoder::decode(const unsigned char* data, std::size_t size, DecodedText& out,
                     std::vector<Problem>& problems) {
    const std::size_t whole = size - size % m_unitSize;
    m_text.assign(data, data + whole);
    m_text.resize(whole + kTerminator, 0);
    // The converters end at a NUL character, so each stretch between NULs is
    // decoded on its own and the NULs are carried over as 0 units.
    for (std::size_t pos = 0; pos < whole;) {
        const std::size_t nul = findNul(pos, whole);
        if (!decodeSegment(pos, nul, out, problems))
            return false;
        if (nul == whole)
            break;
        out.origins.push_back({Origin::Kind::Nul, out.units.size(), nul, nul + m_unitSize});
        out.units.push_back(0);
        pos = nul + m_unitSize;
    }
    if (whole == size)
        return true;
    problems.push_back({Problem::Kind::Incomplete, whole, {data + whole, data + size}});
    return handleMalformed(whole, out);
}

std::size_t Decoder::findNul(std::size_t from, std::size_t end) const {
    if (m_unitSize == 1) {
        const void* nul = std::memchr(&m_text[from], 0, end - from);
        return nul == nullptr ? end
                              : static_cast<std::size_t>(static_cast<const unsigned char*>(nul) -
                                                         m_text.data());
    }
    for (std::size_t pos = from; pos < end; pos += m_unitSize) {
        if (std::all_of(&m_text[pos], &m_text[pos] + m_unitSize,
                        [](unsigned char b) { return b == 0; }))
            return pos;
    }
    return end;
}

bool Decoder::decodeSegment(std::size_t begin, std::size_t end, DecodedText& out,
                            std::vector<Problem>& problems) {
    if (begin == end)
        return true;
    const std::size_t total = (end - begin) / m_unitSize;
    if (!isBadPrefix(begin, total, total)) {
        appendRun(begin, end, out);
        return true;
    }
    for (std::size_t pos = begin; pos < end;) {
        const std::optional<std::size_t> bad = findMalformed(pos, end);
        if (!bad) {
            appendRun(pos, end, out);
            return true;
        }
        if (*bad > pos) {
            m_probe.decode(&m_text[pos], (*bad - pos) / m_unitSize);
            appendRun(pos, *bad, out);
        }
        const std::size_t length = characterLength(*bad, end) * m_unitSize;
        problems.push_back(
            {Problem::Kind::Malformed, *bad, {&m_text[*bad], &m_text[*bad] + length}});
        if (!handleMalformed(*bad, out))
            return false;
        pos = *bad + length;
    }
    return true;
}

bool Decoder::handleMalformed(std::size_t at, DecodedText& out) {
    switch (m_policy) {
    case Policy::Stop:
        return false;
    case Policy::Drop:
        return true;
    case Policy::Replace:
    case Policy::Escape:
        break;
    }
    out.origins.push_back({Origin::Kind::Substitute, out.units.size(), at, at});
    out.units.push_back(kReplacementCharacter);
    return true;
}

// Appends what the probe last decoded, the characters of [begin, end).
void Decoder::appendRun(std::size_t begin, std::size_t end, DecodedText& out) {
    out.origins.push_back({Origin::Kind::Run, out.units.size(), begin, end});
    out.units.insert(out.units.end(), m_probe.units(), m_probe.units() + m_probe.count());
}

// The first malformed character of [begin, end), a stretch without NULs
// that starts on a character boundary. When there is none, the probe is
// left holding the decoded stretch.
std::optional<std::size_t> Decoder::findMalformed(std::size_t begin, std::size_t end) {
    const std::size_t total = (end - begin) / m_unitSize;
    const std::optional<std::size_t> bad = shortestBadPrefix(
        total, [&](std::size_t limit) { return isBadPrefix(begin, limit, total); });
    if (!bad)
        return std::nullopt;
    return culprit(begin, *bad);
}

bool Decoder::isBadPrefix(std::size_t begin, std::size_t limit, std::size_t total) {
    const bool malformed = m_probe.decode(&m_text[begin], limit);
    return malformed || m_probe.hasUnpairedSurrogate(limit == total);
}

// Taking the character at badLimit - 1 into the prefix made it bad. Either
// that character is malformed, or it leaves a high surrogate of the
// character before it unpaired.
std::size_t Decoder::culprit(std::size_t begin, std::size_t badLimit) {
    const std::size_t revealing = begin + (badLimit - 1) * m_unitSize;
    if (badLimit == 1)
        return revealing;
    m_probe.decode(&m_text[begin], badLimit - 1);
    if (!m_probe.endsWithHighSurrogate())
        return revealing;
    const std::size_t target = m_probe.count() - 1;
    const std::optional<std::size_t> giving =
        shortestBadPrefix(badLimit - 1, [&](std::size_t limit) {
            m_probe.decode(&m_text[begin], limit);
            return m_probe.count() > target;
        });
    return begin + (*giving - 1) * m_unitSize;
}

// The code units the malformed character at `at` takes. Decoded on its own,
// a prefix of the character gives as many units as its first code unit
// alone (a substitute for the lead), while taking in the next character
// gives more; the longest such prefix is the character. A code unit that
// gives nothing alone, a stray trail byte, is a character by itself.
std::size_t Decoder::characterLength(std::size_t at, std::size_t end) {
    const std::size_t longest = std::min(kLongestCharacter, (end - at) / m_unitSize);
    const std::size_t alone = m_probe.isolatedCount(&m_text[at], 1);
    if (alone == 0)
        return 1;
    std::size_t length = 1;
    for (std::size_t n = 2; n <= longest; ++n) {
        if (m_probe.isolatedCount(&m_text[at], n) == alone)
            length = n;
    }
    return length;
}

UnitLocator::UnitLocator(SourceProbe& probe, const unsigned char* text, const DecodedText& decoded)
    : m_probe(probe), m_text(text), m_decoded(decoded),
      m_byte(decoded.origins.empty() ? 0 : decoded.origins.front().byteStart), m_unit(0) {}

UnitLocator::Location UnitLocator::locate(std::size_t unit) {
    const std::vector<Origin>& origins = m_decoded.origins;
    while (m_origin + 1 < origins.size() && origins[m_origin + 1].unitStart <= unit) {
        ++m_origin;
        m_byte = origins[m_origin].byteStart;
        m_unit = origins[m_origin].unitStart;
    }
    const Origin& origin = origins[m_origin];
    if (origin.kind != Origin::Kind::Run)
        return {origin.byteStart, origin.kind == Origin::Kind::Substitute};
    // The shortest prefix from the cursor whose decode reaches the unit ends
    // with the character that gave it.
    const std::size_t total = (origin.byteEnd - m_byte) / m_probe.unitSize();
    const std::size_t target = unit - m_unit;
    const std::size_t limit = shortestBadPrefix(total, [&](std::size_t n) {
                                  return unitsBefore(n) > target;
                              }).value_or(total);
    m_unit += unitsBefore(limit - 1);
    m_byte += (limit - 1) * m_probe.unitSize();
    return {m_byte, false};
}

// UTF-16 units of the characters that start within `limit` code units of the cursor.
std::size_t UnitLocator::unitsBefore(std::size_t limit) {
    if (limit == 0)
        return 0;
    m_probe.decode(m_text + m_byte, limit);
    return m_probe.count();
}

} // namespace kelconv
