#ifndef KELCONV_TRANSCODER_H
#define KELCONV_TRANSCODER_H

#include "Decoder.h"
#include "Encoder.h"
#include "Problem.h"

#include <cstddef>
#include <vector>

namespace kelconv {

// Converts text chunk by chunk from one set to another through UTF-16.
class Transcoder {
public:
    Transcoder(KelCharSetConverter& from, KelCharSetConverter& to, Policy policy);

    // Converts data[0, size), which starts on a character boundary and ends
    // on one or at the end of the input, and appends the result to `out`.
    // `problems` receives what could not be converted, in input order, with
    // offsets relative to `data`. Returns false when the policy stopped the
    // conversion; `out` then ends in front of the problem, the only one listed.
    bool convert(const unsigned char* data, std::size_t size, std::vector<unsigned char>& out,
                 std::vector<Problem>& problems);

    SourceProbe& probe() { return m_decoder.probe(); }

private:
    Decoder m_decoder;
    Encoder m_encoder;
    DecodedText m_decoded;
};

} // namespace kelconv

#endif
