#ifndef KELCHARSETCONVERTERMANAGER_H
#define KELCHARSETCONVERTERMANAGER_H

/// \file
/// The process-wide registry: converters by identifier, identifiers by name
/// and back, and the operating-system default character set.

#include "KelCharSet.h"

#include <functional>
#include <map>
#include <string>

class KelUString;

/// The registry of converters and names. A program reads it through
/// KelCharSetConverter::getConverter, KelCharSetFromString and
/// KelCharSetToString rather than directly.
class CharSetConverterManager {
public:
    /// A registered converter.
    struct ConverterInfo {
        bool bStatic; ///< a static object of the library: never deleted
        KelCharSetConverter* pConverter; ///< the converter
    };

    /// Registers every converter and name, and detects the default character
    /// set. The single instance is g_oCnvtMgr.
    CharSetConverterManager();
    ~CharSetConverterManager();
    CharSetConverterManager(const CharSetConverterManager&) = delete;
    CharSetConverterManager& operator=(const CharSetConverterManager&) = delete;

    /// Neither replaces an existing entry. Registering after start-up is not
    /// safe against concurrent lookups.
    void insert(KelCharSet cs, KelCharSetConverter* conv, bool bStatic);
    /// Keeps the name as ISO-8859-1 text; a name with other characters can be
    /// given out but never found.
    void insertCharSetMap(KelCharSet cs, const KelUString& name);

    /// Never null: an identifier without a converter converts as UTF-8.
    KelCharSetConverter* getConverter(KelCharSet cs) const;
    /// The converter for an identifier that has none registered: the UTF-8
    /// converter.
    KelCharSetConverter* load(KelCharSet cs) const;

    /// KELCS_OS_DEFAULT for a null, empty or unknown name; "KELCS_OS_DEFAULT"
    /// for an identifier without a name. Names are exact and case-sensitive.
    ///@{
    KelCharSet charSetFromString(const char* name) const;
    const char* charSetToString(KelCharSet cs);
    ///@}

    /// Fills the table of locale codeset keys ("UTF8", "EUCJP", ...); the
    /// constructor calls it, and calling it again changes nothing.
    void initLocaleMap();
    /// The default from LANG, or the LC_CTYPE locale when LANG is not set;
    /// ISO-8859-1 for anything unreadable or unknown. It reads them at each
    /// call; the converter of KELCS_OS_DEFAULT stays the one found when the
    /// library loaded.
    KelCharSet getDefaultCharSet() const;

private:
    void insertName(KelCharSet cs, const char* name);

    /// Plain 8-bit text, so that building the maps during static
    /// initialisation converts nothing; std::less<> finds a C string as it is.
    std::map<std::string, KelCharSet, std::less<>> m_localeMap;
    KelCharSet m_defaultCharSet;
    std::map<KelCharSet, ConverterInfo> m_converters;
    std::map<std::string, KelCharSet, std::less<>> m_charSetByName;
    /// Written only at registration, so the texts charSetToString hands out
    /// never change and lookups only read.
    std::map<KelCharSet, std::string> m_nameByCharSet;
};

#endif
