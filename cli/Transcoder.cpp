#include "Transcoder.h"

#include "KelUChar.h"

#include <algorithm>
#include <cstring>

namespace kelconv {

namespace {

constexpr unsigned short kReplacementCharacter = 0xFFFD;

// The longest substitute: the escapes of both units of a pair in 32-bit
// units, behind a shift.
constexpr std::size_t kSubstituteRoom = 2 * 6 * 4 + 8;

bool isSurrogate(unsigned short unit) {
    return KelUChar::isSurrogateHigh(unit) || KelUChar::isSurrogateLow(unit);
}

bool isPair(const unsigned short* units, std::size_t available) {
    return available > 1 && KelUChar::isSurrogateHigh(units[0]) &&
           KelUChar::isSurrogateLow(units[1]);
}

std::uint32_t codePointOf(const unsigned short* units, KelLength length) {
    return length == 2 ? KelUChar::toUTF32(units[0], units[1]) : units[0];
}

bool inputOrder(const Problem& a, const Problem& b) {
    return a.offset < b.offset;
}

} // namespace

void RecentBytes::begin(const unsigned char* chunk, std::size_t size) {
    m_chunk = chunk;
    m_size = size;
}

void RecentBytes::end() {
    const std::size_t fromChunk = std::min(m_size, kKept);
    const std::size_t fromTail = std::min(m_tailSize, kKept - fromChunk);
    std::memmove(m_tail, m_tail + m_tailSize - fromTail, fromTail);
    std::copy(m_chunk + m_size - fromChunk, m_chunk + m_size, m_tail + fromTail);
    m_tailSize = fromTail + fromChunk;
    m_offset += m_size;
}

std::vector<unsigned char> RecentBytes::at(std::uint64_t offset, std::size_t length) const {
    std::vector<unsigned char> bytes;
    const std::uint64_t tailOffset = m_offset - m_tailSize;
    for (std::uint64_t p = std::max(offset, tailOffset); p < offset + length; ++p)
        bytes.push_back(p < m_offset ? m_tail[p - tailOffset] : m_chunk[p - m_offset]);
    return bytes;
}

Transcoder::Transcoder(KelCharSetConverter& from, KelCharSetConverter& to, KelPolicy policy)
    : m_policy(policy), m_unitSize(from.getNullCharSize()), m_decoder(from, KelPolicy::Report),
      m_encoder(to, KelPolicy::Report) {}

bool Transcoder::convert(const unsigned char* data, std::size_t size, bool last) {
    m_output.clear();
    m_problems.clear();
    m_substitutes.clear();
    m_recent.begin(data, size);
    decode(data, size, last);
    const std::size_t decodeProblems = m_problems.size();
    const std::size_t ready = m_count - (m_held ? 1 : 0);
    encode(ready, last);
    keepHeldUnit(ready);
    m_recent.end();
    std::inplace_merge(m_problems.begin(), m_problems.begin() + decodeProblems, m_problems.end(),
                       inputOrder);
    // Stopped at a malformed character, the decoder leaves the units before
    // it to the encoder, which stops earlier at an unmappable one among them.
    if (m_stopped)
        m_problems.resize(1);
    return !m_stopped;
}

// Each run of units that the decoder writes in one go ends at a malformed
// character, at the end of the input or, open, at the end of the chunk.
void Transcoder::decode(const unsigned char* data, std::size_t size, bool last) {
    std::size_t read = 0;
    std::size_t runStart = 0;
    while (!m_stopped) {
        reserveUnits(m_count + m_decoder.maxUnits(size - read) + 1);
        const KelStep step = m_decoder.decode(data + read, size - read, &m_units[m_count],
                                              m_units.size() - m_count, last, &m_offsets[m_count]);
        read += step.read;
        m_count += step.written;
        const bool malformed = step.status == KelStatus::Malformed;
        std::optional<std::uint64_t> runEnd;
        if (malformed)
            runEnd = m_decoder.problem().position;
        else if (last)
            runEnd = m_decoder.position();
        settleSurrogates(runStart, runEnd);
        if (m_stopped || step.status == KelStatus::InputUsed)
            return;
        if (malformed) {
            settleMalformed();
            runStart = m_count;
        }
    }
}

// The buffers only grow, so that they are not filled anew for every chunk.
void Transcoder::reserveUnits(std::size_t count) {
    if (m_units.size() >= count)
        return;
    m_units.resize(count);
    m_offsets.resize(count);
}

// Some sets decode an unpaired surrogate as it is (UTF-8's ED A0 80, a
// lone UTF-16 unit). That is no character, so it counts as malformed input,
// spanning the bytes up to the next unit or the end of its run; one at the
// end of an open run waits for the next chunk, which may pair it.
void Transcoder::settleSurrogates(std::size_t from, std::optional<std::uint64_t> end) {
    const auto units = m_units.begin();
    std::size_t i =
        static_cast<std::size_t>(std::find_if(units + from, units + m_count, isSurrogate) - units);
    std::size_t kept = i;
    m_held = false;
    while (i < m_count) {
        const std::size_t length = isPair(&m_units[i], m_count - i) ? 2 : 1;
        const bool alone = length == 1 && isSurrogate(m_units[i]);
        if (!alone || (i + 1 == m_count && !end)) {
            m_held = alone;
            for (std::size_t n = 0; n < length; ++n)
                moveUnit(i++, kept++);
            continue;
        }
        const std::uint64_t next = i + 1 < m_count ? m_offsets[i + 1] : *end;
        reportMalformed(Problem::Kind::Malformed, m_offsets[i], next - m_offsets[i]);
        if (m_stopped)
            break;
        if (substitutes())
            putSubstitute(kept++, m_offsets[i]);
        ++i;
    }
    m_count = kept;
}

void Transcoder::moveUnit(std::size_t from, std::size_t to) {
    m_units[to] = m_units[from];
    m_offsets[to] = m_offsets[from];
}

void Transcoder::settleMalformed() {
    const KelProblemSpot& spot = m_decoder.problem();
    // Only a code unit that the input's end cuts off is shorter than one.
    const Problem::Kind kind =
        spot.length < m_unitSize ? Problem::Kind::Incomplete : Problem::Kind::Malformed;
    reportMalformed(kind, spot.position, spot.length);
    if (!m_stopped && substitutes())
        putSubstitute(m_count++, spot.position);
}

void Transcoder::reportMalformed(Problem::Kind kind, std::uint64_t offset, std::size_t length) {
    m_problems.push_back({kind, offset, m_recent.at(offset, length)});
    m_stopped = m_policy == KelPolicy::Report;
}

bool Transcoder::substitutes() const {
    return m_policy == KelPolicy::Replace || m_policy == KelPolicy::Escape;
}

void Transcoder::putSubstitute(std::size_t at, std::uint64_t offset) {
    m_units[at] = kReplacementCharacter;
    m_offsets[at] = offset;
    m_substitutes.push_back(at);
}

bool Transcoder::isSubstitute(std::size_t at) const {
    return std::binary_search(m_substitutes.begin(), m_substitutes.end(), at);
}

void Transcoder::encode(std::size_t count, bool last) {
    const std::uint64_t base = m_encoder.position();
    std::size_t read = 0;
    std::size_t written = 0;
    for (;;) {
        m_output.resize(written + m_encoder.maxBytes(count - read) + kSubstituteRoom);
        const KelStep step =
            m_encoder.encode(m_units.data() + read, count - read, m_output.data() + written,
                             m_output.size() - written, last || m_stopped);
        read += step.read;
        written += step.written;
        if (step.status == KelStatus::InputUsed)
            break;
        if (step.status != KelStatus::Unmappable)
            continue;
        const KelProblemSpot& spot = m_encoder.problem();
        written += settleUnmappable(spot.position - base, spot.length, count, written);
        // The units behind a stop stay unconverted, yet the output must end
        // in the initial shift state, which only a call with `last` writes.
        if (m_stopped)
            count = read;
    }
    m_output.resize(written);
}

// The U+FFFD that stands for malformed input has been reported as such.
// Some targets take a surrogate pair a unit at a time; it is one character
// all the same, reported and substituted when its first unit comes.
std::size_t Transcoder::settleUnmappable(std::size_t at, KelLength length, std::size_t count,
                                         std::size_t written) {
    if (at > 0 && isPair(&m_units[at - 1], 2))
        return 0;
    const KelLength units = isPair(&m_units[at], count - at) ? 2 : length;
    if (!isSubstitute(at)) {
        m_problems.push_back(
            {Problem::Kind::Unmappable, m_offsets[at], {}, codePointOf(&m_units[at], units)});
        m_stopped = m_policy == KelPolicy::Report;
    }
    if (!substitutes())
        return 0;
    return m_encoder.writeSubstitute(m_policy, m_output.data() + written, m_output.size() - written)
        .written;
}

void Transcoder::keepHeldUnit(std::size_t at) {
    if (m_held)
        moveUnit(at, 0);
    m_count = m_held ? 1 : 0;
}

} // namespace kelconv
