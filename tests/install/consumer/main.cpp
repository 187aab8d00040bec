// A program built against the installed library, including its headers the
// way the library's own sources do.
#include "KelCharSet.h"
#include "KelUString.h"

#include <cstdio>
#include <cstring>

int main() {
    KelUString text("caf\xC3\xA9", KELCS_UTF8);
    text.toUpper();
    const char* upper = text.c_str(KELCS_UTF8);
    std::printf("%s %lu %s\n", upper, static_cast<unsigned long>(text.size()),
                KelCharSetToString(KELCS_UTF8));
    return std::strcmp(upper, "CAF\xC3\x89") == 0 ? 0 : 1;
}
