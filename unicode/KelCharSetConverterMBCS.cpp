#include "KelCharSetConverterMBCS.h"

KelCharSetConverterMBCS::KelCharSetConverterMBCS(const unsigned short* map, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(nullptr), m_pMap(map) {}

KelCharSetConverterMBCS::KelCharSetConverterMBCS(const char* name, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(name), m_pMap(nullptr) {}

KelCharSetConverterMBCS::~KelCharSetConverterMBCS() = default;

void KelCharSetConverterMBCS::load() {
    m_oLoaded.run(m_oLock, [this] {
        if (m_pMap != nullptr)
            kelBuildTablePair(m_pToUnicode, m_pFromUnicode,
                              [this](LookupTable<unsigned short>& toUnicode,
                                     LookupTable<unsigned short>& fromUnicode) {
                                  putPairs(m_pMap, toUnicode, fromUnicode);
                              });
    });
}

void KelCharSetConverterMBCS::putPairs(const unsigned short* pairs,
                                       LookupTable<unsigned short>& toUnicode,
                                       LookupTable<unsigned short>& fromUnicode) {
    for (; (pairs[0] | pairs[1]) != 0; pairs += 2) {
        toUnicode.put(pairs[0], pairs[1]);
        fromUnicode.put(pairs[1], pairs[0]);
    }
}

const LookupTable<unsigned short>& KelCharSetConverterMBCS::toUnicode() const {
    return kelTableOrEmpty(m_pToUnicode);
}

const LookupTable<unsigned short>& KelCharSetConverterMBCS::fromUnicode() const {
    return kelTableOrEmpty(m_pFromUnicode);
}
