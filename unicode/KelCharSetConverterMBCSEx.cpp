#include "KelCharSetConverterMBCSEx.h"

KelCharSetConverterMBCSEx::KelCharSetConverterMBCSEx(const sMBCSExTable* map, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(nullptr), m_pMap(map) {}

KelCharSetConverterMBCSEx::KelCharSetConverterMBCSEx(const char* name, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(name), m_pMap(nullptr) {}

KelCharSetConverterMBCSEx::~KelCharSetConverterMBCSEx() = default;

void KelCharSetConverterMBCSEx::load() {
    m_oLoaded.run(m_oLock, [this] {
        if (m_pMap != nullptr)
            kelBuildTablePair(m_pToUnicode, m_pFromUnicode,
                              [this](LookupTable<unsigned int>& toUnicode,
                                     LookupTableEx<unsigned short>& fromUnicode) {
                                  putEntries(toUnicode, fromUnicode);
                              });
    });
}

void KelCharSetConverterMBCSEx::putEntries(LookupTable<unsigned int>& toUnicode,
                                           LookupTableEx<unsigned short>& fromUnicode) const {
    for (const sMBCSExTable* entry = m_pMap; (entry->code | entry->unicode) != 0; ++entry) {
        toUnicode.put(entry->code, entry->unicode);
        fromUnicode.put(entry->unicode, entry->code);
    }
}

const LookupTable<unsigned int>& KelCharSetConverterMBCSEx::toUnicode() const {
    return kelTableOrEmpty(m_pToUnicode);
}

const LookupTableEx<unsigned short>& KelCharSetConverterMBCSEx::fromUnicode() const {
    return kelTableOrEmpty(m_pFromUnicode);
}
