#include "KelCharSetConverterMBCS.h"

KelCharSetConverterMBCS::KelCharSetConverterMBCS(const unsigned short* map, KelCharSet cs,
                                                 const unsigned short* more, KelCodesForm form)
    : KelCharSetConverter(cs), m_pName(nullptr), m_pMap(map), m_pMore(more), m_eForm(form) {}

KelCharSetConverterMBCS::KelCharSetConverterMBCS(const char* name, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(name), m_pMap(nullptr), m_pMore(nullptr),
      m_eForm(KelCodesForm::Paged) {}

KelCharSetConverterMBCS::~KelCharSetConverterMBCS() = default;

void KelCharSetConverterMBCS::load() {
    m_oTables.get(m_pMap, m_pMore, m_eForm);
}

const LookupTable<unsigned short>& KelCharSetConverterMBCS::toUnicode() const {
    const Tables* tables = m_oTables.get();
    return kelTableOrEmpty(tables != nullptr ? &tables->toUnicode : nullptr);
}

const LookupTable<unsigned short>& KelCharSetConverterMBCS::fromUnicode() const {
    const Tables* tables = m_oTables.get();
    return kelTableOrEmpty(tables != nullptr ? &tables->fromUnicode : nullptr);
}

const unsigned short* KelCharSetConverterMBCS::codes() const {
    // Never written: not const, so that it takes no room in the library
    // file and no memory until memory for the tables runs out.
    static unsigned short noCodes[kKelFlatCodes];
    const Tables* tables = m_oTables.get();
    return tables != nullptr && tables->codes ? tables->codes.get() : noCodes;
}
