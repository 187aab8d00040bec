#ifndef KELTEST_MACHINELEVELS_H
#define KELTEST_MACHINELEVELS_H

// Runs a test's conversions at each level of the machine in turn, so that
// the fast paths of every level meet the same checks.

#include "KelTextBlocks.h"

namespace keltest {

inline constexpr kel::blocks::Level kLevels[] = {
    kel::blocks::Level::Scalar, kel::blocks::Level::SSE2, kel::blocks::Level::AVX512};

// Limits the conversions to a level for as long as it lives.
class AtLevel {
public:
    explicit AtLevel(kel::blocks::Level level) : m_former(kel::blocks::limitLevel(level)) {}
    ~AtLevel() { kel::blocks::limitLevel(m_former); }
    AtLevel(const AtLevel&) = delete;
    AtLevel& operator=(const AtLevel&) = delete;

private:
    kel::blocks::Level m_former;
};

} // namespace keltest

#endif
