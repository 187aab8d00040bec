#ifndef KELCONV_PROBLEM_H
#define KELCONV_PROBLEM_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelconv {

// A character that could not be converted, located by its first byte.
struct Problem {
    enum class Kind {
        Malformed,  // the bytes are not a character of the source set
        Incomplete, // the input ends inside a code unit
        Unmappable  // the target set has no code for the character
    };
    Kind kind;
    std::uint64_t offset;
    std::vector<unsigned char> bytes; // Malformed and Incomplete: the offending bytes
    std::uint32_t codePoint = 0;      // Unmappable: the character
};

} // namespace kelconv

#endif
