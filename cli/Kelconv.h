#ifndef KELCONV_KELCONV_H
#define KELCONV_KELCONV_H

#include "Console.h"
#include "Options.h"

namespace kelconv {

enum ExitStatus { kExitClean = 0, kExitProblems = 1, kExitFailure = 2 };

// Carries out a parsed command line; output goes to standard output or the
// -o file, messages to `console`. Throws UsageError for names and files that
// make the command impossible before anything is converted.
int runKelconv(const Options& options, Console& console);

} // namespace kelconv

#endif
