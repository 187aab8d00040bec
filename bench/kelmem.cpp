// Resident memory of a process that uses the library: after start-up, and
// after every converter and the character tables have been built.

#include "KelCharSet.h"
#include "KelUChar.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// Resident memory with every table built stays below 8 MiB.
constexpr long kTargetKiB = 8 * 1024;

// Every identifier; those without a converter of their own reach the UTF-8
// converter, which costs nothing more.
const KelCharSet kCharSets[] = {
    KELCS_ISO_8859_1,  KELCS_ISO_8859_2,  KELCS_ISO_8859_3,  KELCS_ISO_8859_4,  KELCS_ISO_8859_5,
    KELCS_ISO_8859_6,  KELCS_ISO_8859_7,  KELCS_ISO_8859_8,  KELCS_ISO_8859_9,  KELCS_ISO_8859_10,
    KELCS_ISO_8859_11, KELCS_ISO_8859_13, KELCS_ISO_8859_14, KELCS_ISO_8859_15, KELCS_ISO_8859_16,
    KELCS_WCP1250,     KELCS_WCP1251,     KELCS_WCP1252,     KELCS_WCP1253,     KELCS_WCP1254,
    KELCS_WCP1255,     KELCS_WCP1256,     KELCS_WCP1257,     KELCS_WCP1258,     KELCS_WCP874,
    KELCS_WCP932,      KELCS_WCP936,      KELCS_WCP949,      KELCS_WCP950,      KELCS_KOI8R,
    KELCS_GB18030,     KELCS_BIG5,        KELCS_SHIFTJIS,    KELCS_SJIS0213,    KELCS_EUC_JP,
    KELCS_EUC_CN,      KELCS_EUC_KR,      KELCS_UTF8,        KELCS_UTF16,       KELCS_UTF16BE,
    KELCS_UTF16ESC,    KELCS_UTF32,       KELCS_UTF32BE,     KELCS_ISO_2022KR,  KELCS_ISO_2022JP,
    KELCS_ISO_2022JP_1, KELCS_ISO_2022JP_2, KELCS_ISO_2022JP_3, KELCS_ISO_2022JP_2004,
    KELCS_EUC_TW,      KELCS_ISO_2022CN,  KELCS_ISO_2022CN_EXT, KELCS_ISO_2022TW};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// One conversion each way builds both tables of a converter.
void loadTables(KelCharSet cs) {
    KelCharSetConverter* conv = KelCharSetConverter::getConverter(cs);
    const unsigned short text[] = {0x4E00, 0x00E9, 'A', 0};
    char local[64] = {};
    unsigned short units[64];
    conv->fromUTF16(local, text, sizeof local - 8, ILLCHAR_REPLACE, nullptr);
    conv->toUTF16(units, local, 32, ILLCHAR_REPLACE, nullptr, -1);
}

} // namespace

int main() {
    const long atStart = residentKiB();
    for (KelCharSet cs : kCharSets)
        loadTables(cs);
    KelUChar::toUpperCase(0x00E9);
    KelUChar::getCharClass(0x4E00);
    const long loaded = residentKiB();
    std::printf("resident memory: %ld KiB after start-up, %ld KiB with every table built "
                "(+%ld KiB); target: below %ld KiB: %s\n",
                atStart, loaded, loaded - atStart, kTargetKiB,
                loaded >= 0 && loaded < kTargetKiB ? "met" : "MISSED");
    return 0;
}
