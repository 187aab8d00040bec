#ifndef KELCONV_PREFIXSEARCH_H
#define KELCONV_PREFIXSEARCH_H

#include <algorithm>
#include <cstddef>
#include <optional>

namespace kelconv {

// The shortest prefix length in [1, total] for which `bad` holds, given
// that `bad` never turns false again as the prefix grows; nothing when it
// does not hold for the whole. Gallops from the start before halving, so
// finding a prefix of length n costs about log n tests of prefixes no longer
// than 2n: walking a text from problem to problem stays close to linear.
template <typename Predicate>
std::optional<std::size_t> shortestBadPrefix(std::size_t total, Predicate bad) {
    std::size_t good = 0;
    std::size_t length = 1;
    for (;;) {
        length = std::min(length, total);
        if (bad(length))
            break;
        if (length == total)
            return std::nullopt;
        good = length;
        length *= 2;
    }
    while (length - good > 1) {
        const std::size_t mid = good + (length - good) / 2;
        (bad(mid) ? length : good) = mid;
    }
    return length;
}

} // namespace kelconv

#endif
