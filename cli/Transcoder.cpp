#include "Transcoder.h"

#include <algorithm>

namespace kelconv {

Transcoder::Transcoder(KelCharSetConverter& from, KelCharSetConverter& to, Policy policy)
    : m_decoder(from, policy), m_encoder(to, policy) {}

bool Transcoder::convert(const unsigned char* data, std::size_t size,
                         std::vector<unsigned char>& out, std::vector<Problem>& problems) {
    problems.clear();
    m_decoded.clear();
    const bool decoded = m_decoder.decode(data, size, m_decoded, problems);
    UnitLocator locator(m_decoder.probe(), m_decoder.text(), m_decoded);
    const bool encoded = m_encoder.encode(m_decoded.units, locator, out, problems);
    std::stable_sort(problems.begin(), problems.end(),
                     [](const Problem& a, const Problem& b) { return a.offset < b.offset; });
    if (decoded && encoded)
        return true;
    // The decoder stops at the first malformed character, but an unmappable
    // one before it stops the encoder earlier still.
    problems.resize(1);
    return false;
}

} // namespace kelconv
