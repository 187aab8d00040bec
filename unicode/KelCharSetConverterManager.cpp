#include "KelCharSetConverterManager.h"

#include "KelCharSetConverterDBCS.h"
#include "KelCharSetConverterDBCSEx.h"
#include "KelCharSetConverterEUC_CN_KR.h"
#include "KelCharSetConverterEUC_JP.h"
#include "KelCharSetConverterEUC_TW.h"
#include "KelCharSetConverterGB18030.h"
#include "KelCharSetConverterISO2022CN.h"
#include "KelCharSetConverterISO2022JP.h"
#include "KelCharSetConverterISO2022KR.h"
#include "KelCharSetConverterMBCSEx.h"
#include "KelCharSetConverterSBCS.h"
#include "KelCharSetConverterUTF16.h"
#include "KelCharSetConverterUTF16Esc.h"
#include "KelCharSetConverterUTF32.h"
#include "KelCharSetConverterUTF8.h"
#include "KelUString.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <vector>

// The compiled-in code-page tables; the converters below are their only users.
#include "data/CodePageTables.inc"

namespace {

#define KEL_ARGUMENTS(...) __VA_ARGS__

// The static converters, in the order of the registry. They live in this
// unit, in front of g_oCnvtMgr, so that all of them are constructed before
// the manager (which registers them and reads the locale name with the UTF-8
// one) and destroyed after it.
#define KEL_CONVERTER(cs, Class, object, arguments) Class object{KEL_ARGUMENTS arguments};
#include "data/CharSetList.inc"
#undef KEL_CONVERTER

KelCharSetConverter* const g_aRegistry[] = {
#define KEL_CONVERTER(cs, Class, object, arguments) &object,
#include "data/CharSetList.inc"
#undef KEL_CONVERTER
};

#undef KEL_ARGUMENTS

struct CharSetName {
    KelCharSet cs;
    const char* name;
};

const CharSetName g_aCharSetNames[] = {
#define KEL_CHARSET(cs, description) {cs, #cs},
#include "data/CharSetList.inc"
#undef KEL_CHARSET
};

const char kUnnamed[] = "KELCS_OS_DEFAULT";

// Codeset keys of locale names, after normalisation (getDefaultCharSet).
const CharSetName g_aLocaleKeys[] = {
#define KEL_LOCALE_KEY(cs, key) {cs, key},
#include "data/CharSetList.inc"
#undef KEL_LOCALE_KEY
};

// Stands for every unit beyond ASCII in a locale name: no key holds it.
constexpr char kBeyondAscii = '\x80';

char narrowed(unsigned short unit) {
    return unit < 0x80 ? static_cast<char>(unit) : kBeyondAscii;
}

// The locale name read as UTF-8 text the way a string reads it (the decoder
// drops stray continuation bytes and replaces malformed sequences), one byte
// a unit.
std::string localeText(const char* locale) {
    const KelLength units = g_oConverterUTF8.getNumUnits(locale, KEL_NPOS);
    std::vector<unsigned short> text(units + 1);
    const KelLength n =
        g_oConverterUTF8.toUTF16(text.data(), locale, units, ILLCHAR_REPLACE, nullptr, -1);
    std::string narrow(n, '\0');
    std::transform(text.begin(), text.begin() + n, narrow.begin(), narrowed);
    return narrow;
}

void upperCaseAscii(std::string& s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
}

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Removes everything up to and including the first c, if there is one.
void dropThrough(std::string& s, char c) {
    const std::size_t at = s.find(c);
    if (at != std::string::npos)
        s.erase(0, at + 1);
}

// Reduces an upper-cased locale name to its codeset key: "DE_DE.ISO-8859-15@EURO"
// to "ISO885915", and the three names ending in ".EUC" to "CN.EUC" and the like.
void reduceToCodesetKey(std::string& k) {
    if (endsWith(k, ".EUC")) {
        dropThrough(k, '_');
    } else {
        dropThrough(k, '.');
        const std::size_t at = k.find('@');
        if (at != std::string::npos)
            k.erase(at);
    }
    k.erase(std::remove(k.begin(), k.end(), '-'), k.end());
}

// A lookup reads its name as ISO-8859-1, so only a name of such characters
// can ever be found.
bool isLatin1(const KelUString& name) {
    return std::all_of(name.begin(), name.end(),
                       [](unsigned short unit) { return unit != 0 && unit <= 0xFF; });
}

} // namespace

CharSetConverterManager g_oCnvtMgr;

CharSetConverterManager::CharSetConverterManager() : m_defaultCharSet(KELCS_ISO_8859_1) {
    initLocaleMap();
    m_defaultCharSet = getDefaultCharSet();
    for (KelCharSetConverter* conv : g_aRegistry)
        insert(conv->getCharSet(), conv, true);
    for (const CharSetName& entry : g_aCharSetNames)
        insertName(entry.cs, entry.name);
}

CharSetConverterManager::~CharSetConverterManager() {
    for (const auto& entry : m_converters) {
        if (!entry.second.bStatic)
            delete entry.second.pConverter;
    }
}

void CharSetConverterManager::insert(KelCharSet cs, KelCharSetConverter* conv, bool bStatic) {
    m_converters.emplace(cs, ConverterInfo{bStatic, conv});
}

void CharSetConverterManager::insertCharSetMap(KelCharSet cs, const KelUString& name) {
    KelUString latin1(name);
    const char* text = latin1.c_str(KELCS_ISO_8859_1);
    if (isLatin1(name))
        insertName(cs, text);
    else
        m_nameByCharSet.emplace(cs, text);
}

void CharSetConverterManager::insertName(KelCharSet cs, const char* name) {
    m_charSetByName.emplace(name, cs);
    m_nameByCharSet.emplace(cs, name);
}

KelCharSetConverter* CharSetConverterManager::getConverter(KelCharSet cs) const {
    if (cs == KELCS_OS_DEFAULT)
        cs = m_defaultCharSet;
    const auto it = m_converters.find(cs);
    return it != m_converters.end() ? it->second.pConverter : load(cs);
}

KelCharSetConverter* CharSetConverterManager::load(KelCharSet) const {
    return &g_oConverterUTF8;
}

KelCharSet CharSetConverterManager::charSetFromString(const char* name) const {
    if (name == nullptr || *name == '\0')
        return KELCS_OS_DEFAULT;
    const auto it = m_charSetByName.find(name);
    return it != m_charSetByName.end() ? it->second : KELCS_OS_DEFAULT;
}

const char* CharSetConverterManager::charSetToString(KelCharSet cs) {
    const auto it = m_nameByCharSet.find(cs);
    return it != m_nameByCharSet.end() ? it->second.c_str() : kUnnamed;
}

void CharSetConverterManager::initLocaleMap() {
    for (const CharSetName& entry : g_aLocaleKeys)
        m_localeMap.emplace(entry.name, entry.cs);
}

KelCharSet CharSetConverterManager::getDefaultCharSet() const {
    const char* locale = std::getenv("LANG");
    if (locale == nullptr)
        locale = std::setlocale(LC_CTYPE, nullptr);
    if (locale == nullptr)
        return KELCS_ISO_8859_1;
    std::string key = localeText(locale);
    upperCaseAscii(key);
    reduceToCodesetKey(key);
    const auto it = m_localeMap.find(key);
    return it != m_localeMap.end() ? it->second : KELCS_ISO_8859_1;
}
