#ifndef KELULIB_TESTS_REGISTEREDSETS_H
#define KELULIB_TESTS_REGISTEREDSETS_H

// Every identifier with a converter of its own, in the registry's order;
// shared by the tests and the fuzz targets.

#include "KelCharSet.h"

#include <cstddef>

namespace keltest {

constexpr KelCharSet kRegisteredSets[] = {
#define KEL_CONVERTER(cs, Class, object, arguments) cs,
#include "data/CharSetList.inc"
#undef KEL_CONVERTER
};
constexpr std::size_t kRegisteredCount = sizeof kRegisteredSets / sizeof kRegisteredSets[0];

} // namespace keltest

#endif
