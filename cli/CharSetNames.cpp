#include "CharSetNames.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace kelconv {

namespace {

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr bool kLittleEndianHost = false;
#else
constexpr bool kLittleEndianHost = true;
#endif

// The host-order UTF-16 and UTF-32 sets carry the byte-order suffix of the
// host; the big-endian identifiers keep theirs on a little-endian host only.
std::vector<std::string> hostOrderNames(const char* little, const char* big) {
    return {kLittleEndianHost ? little : big};
}

std::vector<std::string> bigEndianNames(const char* big) {
    if (kLittleEndianHost)
        return {big};
    return {};
}

std::vector<CharSetInfo> buildTable() {
    return {
        {KELCS_ISO_8859_1,
         "ISO/IEC 8859-1",
         {"ISO-8859-1", "ISO8859-1", "ISO_8859-1", "LATIN1", "L1"}},
        {KELCS_ISO_8859_2,
         "ISO/IEC 8859-2",
         {"ISO-8859-2", "ISO8859-2", "ISO_8859-2", "LATIN2", "L2"}},
        {KELCS_ISO_8859_3,
         "ISO/IEC 8859-3",
         {"ISO-8859-3", "ISO8859-3", "ISO_8859-3", "LATIN3", "L3"}},
        {KELCS_ISO_8859_4,
         "ISO/IEC 8859-4",
         {"ISO-8859-4", "ISO8859-4", "ISO_8859-4", "LATIN4", "L4"}},
        {KELCS_ISO_8859_5, "ISO/IEC 8859-5", {"ISO-8859-5", "ISO8859-5", "ISO_8859-5", "CYRILLIC"}},
        {KELCS_ISO_8859_6, "ISO/IEC 8859-6", {"ISO-8859-6", "ISO8859-6", "ISO_8859-6", "ARABIC"}},
        {KELCS_ISO_8859_7, "ISO/IEC 8859-7", {"ISO-8859-7", "ISO8859-7", "ISO_8859-7", "GREEK"}},
        {KELCS_ISO_8859_8, "ISO/IEC 8859-8", {"ISO-8859-8", "ISO8859-8", "ISO_8859-8", "HEBREW"}},
        {KELCS_ISO_8859_9,
         "ISO/IEC 8859-9",
         {"ISO-8859-9", "ISO8859-9", "ISO_8859-9", "LATIN5", "L5"}},
        {KELCS_ISO_8859_10,
         "ISO/IEC 8859-10",
         {"ISO-8859-10", "ISO8859-10", "ISO_8859-10", "LATIN6", "L6"}},
        {KELCS_ISO_8859_11, "ISO/IEC 8859-11", {"ISO-8859-11", "ISO8859-11", "ISO_8859-11"}},
        {KELCS_ISO_8859_13,
         "ISO/IEC 8859-13",
         {"ISO-8859-13", "ISO8859-13", "ISO_8859-13", "LATIN7", "L7"}},
        {KELCS_ISO_8859_14,
         "ISO/IEC 8859-14",
         {"ISO-8859-14", "ISO8859-14", "ISO_8859-14", "LATIN8", "L8"}},
        {KELCS_ISO_8859_15,
         "ISO/IEC 8859-15",
         {"ISO-8859-15", "ISO8859-15", "ISO_8859-15", "LATIN-9", "LATIN9"}},
        {KELCS_ISO_8859_16,
         "ISO/IEC 8859-16",
         {"ISO-8859-16", "ISO8859-16", "ISO_8859-16", "LATIN10", "L10"}},
        {KELCS_ISO_2022JP, "ISO-2022-JP", {"ISO-2022-JP"}},
        {KELCS_ISO_2022JP_1, "ISO-2022-JP-1", {"ISO-2022-JP-1"}},
        {KELCS_ISO_2022JP_2, "ISO-2022-JP-2", {"ISO-2022-JP-2"}},
        {KELCS_ISO_2022JP_3, "ISO-2022-JP-3", {"ISO-2022-JP-3"}},
        {KELCS_ISO_2022JP_2004, "ISO-2022-JP-2004", {"ISO-2022-JP-2004"}},
        {KELCS_ISO_2022KR, "ISO-2022-KR", {"ISO-2022-KR"}},
        {KELCS_ISO_2022CN, "ISO-2022-CN", {"ISO-2022-CN"}},
        {KELCS_ISO_2022CN_EXT, "ISO-2022-CN-EXT", {"ISO-2022-CN-EXT"}},
        {KELCS_ISO_2022TW, "ISO-2022 for Traditional Chinese", {}},
        {KELCS_WCP1250, "Windows code page 1250", {"WINDOWS-1250", "CP1250"}},
        {KELCS_WCP1251, "Windows code page 1251", {"WINDOWS-1251", "CP1251"}},
        {KELCS_WCP1252, "Windows code page 1252", {"WINDOWS-1252", "CP1252"}},
        {KELCS_WCP1253, "Windows code page 1253", {"WINDOWS-1253", "CP1253"}},
        {KELCS_WCP1254, "Windows code page 1254", {"WINDOWS-1254", "CP1254"}},
        {KELCS_WCP1255, "Windows code page 1255", {"WINDOWS-1255", "CP1255"}},
        {KELCS_WCP1256, "Windows code page 1256", {"WINDOWS-1256", "CP1256"}},
        {KELCS_WCP1257, "Windows code page 1257", {"WINDOWS-1257", "CP1257"}},
        {KELCS_WCP1258, "Windows code page 1258", {"WINDOWS-1258", "CP1258"}},
        {KELCS_WCP874, "Windows code page 874 (Thai)", {"WINDOWS-874", "CP874"}},
        {KELCS_WCP932, "Windows code page 932 (Shift-JIS)", {"CP932", "WINDOWS-31J", "MS932"}},
        {KELCS_WCP936, "Windows code page 936 (GBK)", {"CP936", "GBK", "MS936", "WINDOWS-936"}},
        {KELCS_WCP949, "Windows code page 949 (Unified Hangul Code)", {"CP949", "UHC", "MS949"}},
        {KELCS_WCP950, "Windows code page 950 (Big5)", {"CP950", "MS950"}},
        {KELCS_KOI8R, "KOI8-R", {"KOI8-R", "KOI8R"}},
        {KELCS_GB18030, "GB 18030", {"GB18030", "GB-18030"}},
        {KELCS_BIG5, "Big5", {"BIG5", "BIG-5", "CN-BIG5"}},
        {KELCS_SHIFTJIS, "Shift-JIS", {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "MS_KANJI"}},
        {KELCS_SJIS0213, "Shift_JIS-2004 (JIS X 0213)", {"SHIFT_JIS-2004", "SHIFT_JISX0213"}},
        {KELCS_EUC_JP, "EUC-JP", {"EUC-JP", "EUCJP"}},
        {KELCS_EUC_CN, "EUC-CN (GB 2312)", {"EUC-CN", "EUCCN", "GB2312"}},
        {KELCS_EUC_KR, "EUC-KR (KS X 1001)", {"EUC-KR", "EUCKR"}},
        {KELCS_EUC_TW, "EUC-TW", {"EUC-TW", "EUCTW"}},
        {KELCS_UTF8, "UTF-8", {"UTF-8", "UTF8"}},
        {KELCS_UTF16, "UTF-16 in host byte order, no byte-order mark",
         hostOrderNames("UTF-16LE", "UTF-16BE")},
        {KELCS_UTF16BE, "UTF-16 big-endian", bigEndianNames("UTF-16BE")},
        {KELCS_UTF16ESC, "UTF-16 written as U+XXXX escapes", {}},
        {KELCS_UTF32, "UTF-32 in host byte order, no byte-order mark",
         hostOrderNames("UTF-32LE", "UTF-32BE")},
        {KELCS_UTF32BE, "UTF-32 big-endian", bigEndianNames("UTF-32BE")},
        {KELCS_OS_DEFAULT, "the character set of the locale", {}},
    };
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

std::optional<KelCharSet> findByNumber(const std::string& name) {
    if (name.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(name.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' ||
        !(std::isdigit(static_cast<unsigned char>(name[0])) || name[0] == '-'))
        return std::nullopt;
    for (const CharSetInfo& info : charSetTable()) {
        if (info.id == value)
            return info.id;
    }
    return std::nullopt;
}

std::optional<KelCharSet> findByTable(const std::string& name) {
    for (const CharSetInfo& info : charSetTable()) {
        if (equalsIgnoringCase(name, KelCharSetToString(info.id)))
            return info.id;
        for (const std::string& common : info.commonNames) {
            if (equalsIgnoringCase(name, common))
                return info.id;
        }
    }
    return std::nullopt;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty())
            text += ", ";
        text += name;
    }
    return text;
}

// What the listing adds to a description: that the set cannot be used, or
// which set the locale's stands for.
std::string noteOn(KelCharSet cs) {
    if (!hasConverter(cs))
        return " (no converter)";
    if (cs != KELCS_OS_DEFAULT)
        return "";
    return std::string(", here ") +
           KelCharSetToString(KelCharSetConverter::getConverter(cs)->getCharSet());
}

} // namespace

const std::vector<CharSetInfo>& charSetTable() {
    static const std::vector<CharSetInfo> table = buildTable();
    return table;
}

std::optional<KelCharSet> findCharSet(const std::string& name) {
    const KelCharSet exact = KelCharSetFromString(name.c_str());
    // The lookup answers KELCS_OS_DEFAULT for unknown names as well.
    if (exact != KELCS_OS_DEFAULT || name == KelCharSetToString(KELCS_OS_DEFAULT))
        return exact;
    if (std::optional<KelCharSet> byNumber = findByNumber(name))
        return byNumber;
    return findByTable(name);
}

bool hasConverter(KelCharSet cs) {
    const KelCharSetConverter* converter = KelCharSetConverter::getConverter(cs);
    if (cs == KELCS_OS_DEFAULT)
        return hasConverter(converter->getCharSet());
    return converter->getCharSet() == cs;
}

std::string charSetListing() {
    std::string text;
    char line[160];
    for (const CharSetInfo& info : charSetTable()) {
        std::snprintf(line, sizeof line, "%6d  %-22s %s%s\n", static_cast<int>(info.id),
                      KelCharSetToString(info.id), info.description, noteOn(info.id).c_str());
        text += line;
        if (!info.commonNames.empty())
            text += "        also: " + joined(info.commonNames) + "\n";
    }
    return text;
}

} // namespace kelconv
