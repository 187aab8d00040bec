// A program built against the installed library, including its headers the
// way the library's own sources do.
#include "KelCharSet.h"
#include "KelUString.h"
#include "KelVersion.h"

#include <cstdio>
#include <cstring>

// The build passes the major version its package tool reported, so that the
// header, the CMake package and the pkg-config file are seen to agree.
static_assert(KELULIB_VERSION_MAJOR == KELULIB_EXPECTED_MAJOR, "KelVersion.h and the package disagree");
static_assert(KELULIB_VERSION_NUMBER >= 10000, "the counted stream API needs 1.0");

int main() {
    KelUString text("caf\xC3\xA9", KELCS_UTF8);
    text.toUpper();
    const char* upper = text.c_str(KELCS_UTF8);
    std::printf("%s %lu %s, kelulib %s\n", upper, static_cast<unsigned long>(text.size()),
                KelCharSetToString(KELCS_UTF8), KELULIB_VERSION_STRING);
    return std::strcmp(upper, "CAF\xC3\x89") == 0 ? 0 : 1;
}
