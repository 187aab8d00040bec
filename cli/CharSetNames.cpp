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

// The hosts a common name applies on: the host-order UTF-16 and UTF-32 sets
// carry the byte-order suffix of the host, the big-endian identifiers keep
// theirs on a little-endian host only.
enum class Hosts { AnyHost, LittleEndianHost, BigEndianHost };

bool appliesHere(Hosts hosts) {
    return hosts == Hosts::AnyHost || (hosts == Hosts::LittleEndianHost) == kLittleEndianHost;
}

std::vector<CharSetInfo> buildTable() {
    std::vector<CharSetInfo> table = {
#define KEL_CHARSET(cs, description) {cs, description, {}},
#include "data/CharSetList.inc"
#undef KEL_CHARSET
    };
    const auto addName = [&table](KelCharSet cs, const char* name, Hosts hosts) {
        if (!appliesHere(hosts))
            return;
        std::find_if(table.begin(), table.end(), [cs](const CharSetInfo& info) {
            return info.id == cs;
        })->commonNames.push_back(name);
    };
#define KEL_COMMON_NAME(cs, name, hosts) addName(cs, name, Hosts::hosts);
#include "data/CharSetList.inc"
#undef KEL_COMMON_NAME
    return table;
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
