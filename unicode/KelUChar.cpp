#include "KelUChar.h"

#include "KelUCharTable.h"

#include "data/KelUCharTables.inc"

// Constructed in this order during static initialisation; each loads its
// lookup table on first use.
KelUCharTable KelUChar::m_gUpperCaseTable(toUpperTable, true);
KelUCharTable KelUChar::m_gLowerCaseTable(toLowerTable, true);
KelUCharTable KelUChar::m_gCharClassTable(classTable, false);

namespace {

struct CodeRange {
    unsigned short first;
    unsigned short last;
};

// Ideographs, radicals, Yi and Hangul syllables are classified by range so
// that the class table stays small.
constexpr CodeRange kCodedEastAsianLetters[] = {
    {0x2E80, 0x2E99}, {0x2E9B, 0x2EF3}, {0x2F00, 0x2FD5}, {0x3400, 0x4DB5},
    {0x4E00, 0x9FA5}, {0xA000, 0xA48C}, {0xAC00, 0xD7A3}, {0xF900, 0xFA2D},
};

bool isCodedEastAsianLetter(unsigned short c) {
    if (c < kCodedEastAsianLetters[0].first) {
        return false;
    }
    for (const CodeRange& range : kCodedEastAsianLetters) {
        if (c >= range.first && c <= range.last) {
            return true;
        }
    }
    return false;
}

unsigned short mappedOrSelf(KelUCharTable& table, unsigned short c) {
    const unsigned short mapped = table.getValue(c);
    return mapped != 0 ? mapped : c;
}

constexpr unsigned short ASCII_CASE_DISTANCE = 'a' - 'A';
constexpr unsigned short FIRST_NON_ASCII = 0x7F;

}  // namespace

unsigned short KelUChar::getCharClass(unsigned short c) {
    if (isCodedEastAsianLetter(c)) {
        return UCHAR_LETTER | UCHAR_CJK;
    }
    if (isSurrogateHigh(c) || isSurrogateLow(c)) {
        return UCHAR_SURROGATE;
    }
    return m_gCharClassTable.getValue(c);
}

unsigned short KelUChar::toUpperCase(unsigned short c) {
    if (c < FIRST_NON_ASCII) {
        return c >= 'a' && c <= 'z' ? static_cast<unsigned short>(c - ASCII_CASE_DISTANCE) : c;
    }
    return mappedOrSelf(m_gUpperCaseTable, c);
}

unsigned short KelUChar::toLowerCase(unsigned short c) {
    if (c < FIRST_NON_ASCII) {
        return c >= 'A' && c <= 'Z' ? static_cast<unsigned short>(c + ASCII_CASE_DISTANCE) : c;
    }
    return mappedOrSelf(m_gLowerCaseTable, c);
}
