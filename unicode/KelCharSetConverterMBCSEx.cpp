#include "KelCharSetConverterMBCSEx.h"

#include <new>

KelCharSetConverterMBCSEx::KelCharSetConverterMBCSEx(const sMBCSExTable* map, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(nullptr), m_pMap(map) {}

KelCharSetConverterMBCSEx::KelCharSetConverterMBCSEx(const char* name, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(name), m_pMap(nullptr) {}

KelCharSetConverterMBCSEx::~KelCharSetConverterMBCSEx() = default;

void KelCharSetConverterMBCSEx::load() {
    m_oTables.get(m_oLock, [this] {
        std::unique_ptr<Tables> tables(new (std::nothrow) Tables);
        for (const sMBCSExTable* e = m_pMap; tables && e != nullptr && (e->code | e->unicode) != 0;
             ++e) {
            tables->toUnicode.put(e->code, e->unicode);
            tables->fromUnicode.put(e->unicode, e->code);
        }
        return tables;
    });
}

const LookupTable<unsigned int>& KelCharSetConverterMBCSEx::toUnicode() const {
    const Tables* tables = m_oTables.get();
    return kelTableOrEmpty(tables != nullptr ? &tables->toUnicode : nullptr);
}

const LookupTableEx<unsigned short>& KelCharSetConverterMBCSEx::fromUnicode() const {
    const Tables* tables = m_oTables.get();
    return kelTableOrEmpty(tables != nullptr ? &tables->fromUnicode : nullptr);
}
