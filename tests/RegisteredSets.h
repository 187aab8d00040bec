#ifndef KELULIB_TESTS_REGISTEREDSETS_H
#define KELULIB_TESTS_REGISTEREDSETS_H

// Every identifier with a converter of its own, in the registry's order;
// shared by the tests and the fuzz targets.

#include "KelCharSet.h"

#include <cstddef>

namespace keltest {

constexpr KelCharSet kRegisteredSets[] = {
    KELCS_WCP1250,     KELCS_WCP1251,     KELCS_WCP1252,     KELCS_WCP1253,     KELCS_WCP1254,
    KELCS_WCP1255,     KELCS_WCP1256,     KELCS_WCP1257,     KELCS_WCP1258,     KELCS_WCP874,
    KELCS_ISO_8859_1,  KELCS_ISO_8859_2,  KELCS_ISO_8859_3,  KELCS_ISO_8859_4,  KELCS_ISO_8859_5,
    KELCS_ISO_8859_6,  KELCS_ISO_8859_7,  KELCS_ISO_8859_8,  KELCS_ISO_8859_9,  KELCS_ISO_8859_10,
    KELCS_ISO_8859_11, KELCS_ISO_8859_13, KELCS_ISO_8859_14, KELCS_ISO_8859_15, KELCS_ISO_8859_16,
    KELCS_KOI8R,       KELCS_WCP932,      KELCS_WCP936,      KELCS_WCP949,      KELCS_WCP950,
    KELCS_EUC_KR,      KELCS_EUC_CN,      KELCS_EUC_JP,      KELCS_GB18030,     KELCS_BIG5,
    KELCS_SHIFTJIS,    KELCS_SJIS0213,    KELCS_UTF8,        KELCS_UTF16,       KELCS_UTF32,
    KELCS_UTF16ESC};
constexpr std::size_t kRegisteredCount = sizeof kRegisteredSets / sizeof kRegisteredSets[0];

} // namespace keltest

#endif
