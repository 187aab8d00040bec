#ifndef KELCONV_TESTS_CONVERSIONTESTHELPERS_H
#define KELCONV_TESTS_CONVERSIONTESTHELPERS_H

#include "Transcoder.h"

#include <string>
#include <utility>
#include <vector>

namespace kelconv {

// What one conversion gave: the output bytes and the problems as
// (offset, kind) pairs, plus the offending bytes or the code point.
struct Converted {
    std::string text;
    std::vector<Problem> problems;
    bool finished = true;

    std::vector<std::uint64_t> offsets() const {
        std::vector<std::uint64_t> result;
        for (const Problem& p : problems)
            result.push_back(p.offset);
        return result;
    }
};

inline Converted convertAll(KelCharSetConverter& from, KelCharSetConverter& to, KelPolicy policy,
                            const std::string& input) {
    Transcoder transcoder(from, to, policy);
    Converted result;
    result.finished = transcoder.convert(reinterpret_cast<const unsigned char*>(input.data()),
                                         input.size(), true);
    result.text.assign(transcoder.output().begin(), transcoder.output().end());
    result.problems = transcoder.problems();
    return result;
}

inline std::string bytesOf(const std::vector<unsigned short>& units) {
    return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 2);
}

inline std::string bytesOf(const Problem& problem) {
    return std::string(problem.bytes.begin(), problem.bytes.end());
}

inline KelCharSetConverter& utf8() {
    return *KelCharSetConverter::getConverter(KELCS_UTF8);
}

// Host-order UTF-16, which copies unpaired surrogates as they are.
inline KelCharSetConverter& utf16() {
    return *KelCharSetConverter::getConverter(KELCS_UTF16);
}

} // namespace kelconv

#endif
