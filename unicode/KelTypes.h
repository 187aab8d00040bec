#ifndef KELTYPES_H
#define KELTYPES_H

/// \file
/// The length type of the whole interface.

#include <cstdint>

/// \typedef KelLength
/// Lengths and counts follow the word size of the build: 32 bits on 32-bit
// processors, 64 bits on 64-bit ones. The JNI bridge and existing callers
// pass these types by value, so the choice is fixed per target, not per API.
#if UINTPTR_MAX > 0xFFFFFFFFu
typedef unsigned long KelLength;
#else
typedef unsigned int KelLength;
#endif

/// The all-ones length: "up to the terminator" for sources, "no position" for strings.
constexpr KelLength KEL_NPOS = static_cast<KelLength>(-1);

#endif
