#ifndef KELCONV_REPORTER_H
#define KELCONV_REPORTER_H

#include "Console.h"
#include "Problem.h"

#include <cstdint>
#include <string>

namespace kelconv {

// "byte 12: C3 is not valid KELCS_UTF8", "byte 40: U+4E00 has no mapping in KELCS_WCP1252"
std::string describeProblem(const Problem& problem, std::uint64_t offset,
                            const std::string& sourceName, const std::string& targetName);

// Reports the conversion problems of one input after another, the first few
// of each input in full and the rest as a count, so that a binary file does
// not flood the terminal.
class Reporter {
public:
    static constexpr unsigned kShownPerInput = 10;

    Reporter(Console& console, std::string sourceName, std::string targetName, bool silent);

    void beginInput(const std::string& name);
    void report(const Problem& problem);
    void endInput();
    bool anyProblem() const { return m_total > 0; }

private:
    Console& m_console;
    std::string m_sourceName;
    std::string m_targetName;
    bool m_silent;
    std::string m_input;
    std::uint64_t m_inInput = 0;
    std::uint64_t m_total = 0;
};

} // namespace kelconv

#endif
