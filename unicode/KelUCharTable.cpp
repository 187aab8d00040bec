#include "KelUCharTable.h"

#include <memory>
#include <new>

KelUCharTable::KelUCharTable(const tableData* data, bool incrementing)
    : m_pData(data), m_bIncrementing(incrementing) {}

// Lookups never throw: without memory the table stays unloaded, every code
// reads as uncovered and the next lookup tries again.
void KelUCharTable::load() {
    m_pTable.get(m_oLock, [this] {
        std::unique_ptr<LookupTable<unsigned short>> table(new (std::nothrow)
                                                               LookupTable<unsigned short>);
        if (table)
            fill(*table);
        return table;
    });
}

void KelUCharTable::fill(LookupTable<unsigned short>& table) const {
    for (const tableData* row = m_pData; row->first != 0; ++row) {
        unsigned short value = row->value;
        // A wider counter than the codes, so a range may end at 0xFFFF.
        for (unsigned int code = row->first; code <= row->last; ++code) {
            table.put(static_cast<unsigned short>(code), value);
            if (m_bIncrementing) {
                ++value;
            }
        }
    }
}
