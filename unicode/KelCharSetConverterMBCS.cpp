#include "KelCharSetConverterMBCS.h"

#include <new>

KelCharSetConverterMBCS::KelCharSetConverterMBCS(const unsigned short* map, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(nullptr), m_pMap(map) {}

KelCharSetConverterMBCS::KelCharSetConverterMBCS(const char* name, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(name), m_pMap(nullptr) {}

KelCharSetConverterMBCS::~KelCharSetConverterMBCS() = default;

void KelCharSetConverterMBCS::load() {
    m_oTables.get(m_oLock, [this] {
        std::unique_ptr<Tables> tables = tablesOf(m_pMap);
        if (tables)
            addPairs(*tables);
        return tables;
    });
}

void KelCharSetConverterMBCS::putPairs(const unsigned short* pairs, Tables& tables) {
    for (; (pairs[0] | pairs[1]) != 0; pairs += 2) {
        tables.toUnicode.put(pairs[0], pairs[1]);
        tables.fromUnicode.put(pairs[1], pairs[0]);
    }
}

std::unique_ptr<KelCharSetConverterMBCS::Tables>
KelCharSetConverterMBCS::tablesOf(const unsigned short* pairs) {
    std::unique_ptr<Tables> tables(new (std::nothrow) Tables);
    if (tables && pairs != nullptr)
        putPairs(pairs, *tables);
    return tables;
}

const LookupTable<unsigned short>& KelCharSetConverterMBCS::toUnicode() const {
    const Tables* tables = m_oTables.get();
    return kelTableOrEmpty(tables != nullptr ? &tables->toUnicode : nullptr);
}

const LookupTable<unsigned short>& KelCharSetConverterMBCS::fromUnicode() const {
    const Tables* tables = m_oTables.get();
    return kelTableOrEmpty(tables != nullptr ? &tables->fromUnicode : nullptr);
}
