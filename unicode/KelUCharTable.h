#ifndef KELUCHARTABLE_H
#define KELUCHARTABLE_H

#include "KelLazyTables.h"
#include "LookupTable.h"

// One record of a compiled-in range table; a table ends with a record whose
// first is 0.
struct tableData {
    unsigned short first;
    unsigned short last;
    unsigned short value;
};

// A range table turned into a LookupTable on first use. In incrementing mode
// a range maps first..last to value, value + 1, ...; in constant mode every
// code of the range maps to value. Later records win where ranges overlap.
//
// Shared by all threads: the first getValue() builds the lookup table under
// the lock and publishes it with release order, and readers take it with
// acquire order, so no reader sees a half-built table.
class KelUCharTable {
public:
    KelUCharTable(const tableData* data, bool incrementing);
    KelUCharTable(const KelUCharTable&) = delete;
    KelUCharTable& operator=(const KelUCharTable&) = delete;

    void load();
    // 0 for a code that no range covers.
    unsigned short getValue(unsigned short c) {
        const LookupTable<unsigned short>* table = m_pTable.get();
        if (table == nullptr) {
            load();
            table = m_pTable.get();
        }
        return kelTableOrEmpty(table).trans(c);
    }

private:
    void fill(LookupTable<unsigned short>& table) const;

    KelBuiltOnce<LookupTable<unsigned short>> m_pTable;
    const tableData* m_pData;
    bool m_bIncrementing;
    ObjLock m_oLock;
};

#endif
