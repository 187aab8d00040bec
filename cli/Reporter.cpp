#include "Reporter.h"

#include <cstdio>
#include <utility>

namespace kelconv {

namespace {

std::string hexBytes(const std::vector<unsigned char>& bytes) {
    std::string text;
    char digits[4];
    for (unsigned char b : bytes) {
        std::snprintf(digits, sizeof digits, "%s%02X", text.empty() ? "" : " ", b);
        text += digits;
    }
    return text;
}

} // namespace

std::string describeProblem(const Problem& problem, std::uint64_t offset,
                            const std::string& sourceName, const std::string& targetName) {
    const std::string at = "byte " + std::to_string(offset) + ": ";
    switch (problem.kind) {
    case Problem::Kind::Malformed:
        return at + hexBytes(problem.bytes) + " is not valid " + sourceName;
    case Problem::Kind::Incomplete:
        return at + hexBytes(problem.bytes) + " is an incomplete " + sourceName +
               " character at the end of the input";
    case Problem::Kind::Unmappable:
        break;
    }
    char codePoint[16];
    std::snprintf(codePoint, sizeof codePoint, "U+%04X", static_cast<unsigned>(problem.codePoint));
    return at + codePoint + " has no mapping in " + targetName;
}

Reporter::Reporter(Console& console, std::string sourceName, std::string targetName, bool silent)
    : m_console(console), m_sourceName(std::move(sourceName)), m_targetName(std::move(targetName)),
      m_silent(silent) {}

void Reporter::beginInput(const std::string& name) {
    m_input = name;
    m_inInput = 0;
}

void Reporter::report(const Problem& problem) {
    ++m_inInput;
    ++m_total;
    if (m_silent)
        return;
    if (m_inInput <= kShownPerInput) {
        m_console.message("kelconv: " + m_input + ": " +
                          describeProblem(problem, problem.offset, m_sourceName, m_targetName));
    } else if (m_inInput == kShownPerInput + 1) {
        m_console.message("kelconv: " + m_input + ": further problems are counted, not shown");
    }
}

void Reporter::endInput() {
    if (!m_silent && m_inInput > kShownPerInput) {
        m_console.message("kelconv: " + m_input + ": " + std::to_string(m_inInput) +
                          " characters could not be converted");
    }
}

} // namespace kelconv
