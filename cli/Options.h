#ifndef KELCONV_OPTIONS_H
#define KELCONV_OPTIONS_H

#include "KelTranscoder.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace kelconv {

// A command line that cannot be carried out; the message says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Options {
    std::string from; // empty: the character set of the locale
    std::string to;
    std::string output;              // empty: standard output
    std::vector<std::string> inputs; // empty: standard input; "-" is standard input too
    // Report: the conversion ends in front of the first character that
    // cannot be converted.
    KelPolicy policy = KelPolicy::Replace;
    bool list = false;
    bool help = false;
    bool version = false;
    bool silent = false;
};

// Throws UsageError.
Options parseOptions(int argc, char* argv[]);

std::string helpText();
// What --version prints: the program and the library's version.
std::string versionText();

} // namespace kelconv

#endif
