#ifndef KELCONV_CHARSETNAMES_H
#define KELCONV_CHARSETNAMES_H

#include "KelCharSet.h"

#include <optional>
#include <string>
#include <vector>

namespace kelconv {

// One row of the tool's character-set table: every identifier of the
// library, with the names people pass to other converters on the command line.
struct CharSetInfo {
    KelCharSet id;
    const char* description;
    std::vector<std::string> commonNames;
};

// Every identifier, in the library's order, the pseudo-identifier for the
// operating-system default last.
const std::vector<CharSetInfo>& charSetTable();

// Resolves a command-line name: the identifier name ("KELCS_WCP1252"), its
// number ("1252") or a common name ("windows-1252"). Common names and
// identifier names match without regard to case. Unknown names give nothing.
std::optional<KelCharSet> findCharSet(const std::string& name);

// True when the library converts this identifier itself rather than falling
// back to UTF-8.
bool hasConverter(KelCharSet cs);

// The table as the -l option prints it, one line per identifier.
std::string charSetListing();

} // namespace kelconv

#endif
