#include "KelCharSetConverterMBCS.h"

KelCharSetConverterMBCS::KelCharSetConverterMBCS(const unsigned short* map, KelCharSet cs,
                                                 const unsigned short* more)
    : KelCharSetConverter(cs), m_pName(nullptr), m_pMap(map), m_pMore(more) {}

KelCharSetConverterMBCS::KelCharSetConverterMBCS(const char* name, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(name), m_pMap(nullptr), m_pMore(nullptr) {}

KelCharSetConverterMBCS::~KelCharSetConverterMBCS() = default;

void KelCharSetConverterMBCS::load() {
    m_oTables.get(m_pMap, m_pMore);
}

const LookupTable<unsigned short>& KelCharSetConverterMBCS::toUnicode() const {
    const Tables* tables = m_oTables.get();
    return kelTableOrEmpty(tables != nullptr ? &tables->toUnicode : nullptr);
}

const LookupTable<unsigned short>& KelCharSetConverterMBCS::fromUnicode() const {
    const Tables* tables = m_oTables.get();
    return kelTableOrEmpty(tables != nullptr ? &tables->fromUnicode : nullptr);
}
