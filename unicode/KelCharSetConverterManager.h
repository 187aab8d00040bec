#ifndef KELCHARSETCONVERTERMANAGER_H
#define KELCHARSETCONVERTERMANAGER_H

// The process-wide registry: converters by identifier, identifiers by name
// and back, and the operating-system default character set. Its own header
// because its maps are keyed by KelUString, whose header needs KelCharSet.h.

#include "KelCharSet.h"
#include "KelUString.h"

#include <map>

class CharSetConverterManager {
public:
    struct ConverterInfo {
        bool bStatic; // a static object of the library: never deleted
        KelCharSetConverter* pConverter;
    };

    // Registers every converter and name, and detects the default character
    // set. The single instance is g_oCnvtMgr.
    CharSetConverterManager();
    ~CharSetConverterManager();
    CharSetConverterManager(const CharSetConverterManager&) = delete;
    CharSetConverterManager& operator=(const CharSetConverterManager&) = delete;

    // Neither replaces an existing entry. Registering after start-up is not
    // safe against concurrent lookups.
    void insert(KelCharSet cs, KelCharSetConverter* conv, bool bStatic);
    void insertCharSetMap(KelCharSet cs, const KelUString& name);

    // Never null: an identifier without a converter converts as UTF-8.
    KelCharSetConverter* getConverter(KelCharSet cs) const;
    KelCharSetConverter* load(KelCharSet cs) const;

    // KELCS_OS_DEFAULT for a null, empty or unknown name; "KELCS_OS_DEFAULT"
    // for an identifier without a name. Names are exact and case-sensitive.
    KelCharSet charSetFromString(const char* name) const;
    const char* charSetToString(KelCharSet cs);

    void initLocaleMap();
    // The default from LANG, or the LC_CTYPE locale when LANG is not set;
    // ISO-8859-1 for anything unreadable or unknown.
    KelCharSet getDefaultCharSet() const;

private:
    std::map<KelUString, KelCharSet> m_localeMap;
    KelCharSet m_defaultCharSet;
    std::map<KelCharSet, ConverterInfo> m_converters;
    std::map<KelUString, KelCharSet> m_charSetByName;
    // The names' 8-bit texts are made at registration, so that lookups only read.
    std::map<KelCharSet, KelUString> m_nameByCharSet;
};

#endif
