#ifndef KELCHARSETCONVERTERMBCS_H
#define KELCHARSETCONVERTERMBCS_H

#include "KelCharSet.h"
#include "KelLazyTables.h"
#include "LookupTable.h"

#include <memory>

// Base of the table-driven converters whose local codes fit in 16 bits (a
// single byte, or lead byte * 256 + trail byte). It owns the two tables,
// local code to UTF-16 unit and back, built from a compiled-in pair list
// (code, unit, ..., ending with 0, 0) on first use. A table entry of 0 means
// no mapping.
class KelCharSetConverterMBCS : public KelCharSetConverter {
public:
    // The pair list is not copied; it must outlive the converter.
    KelCharSetConverterMBCS(const unsigned short* map, KelCharSet cs);
    // A converter without a pair list: nothing has a mapping.
    KelCharSetConverterMBCS(const char* name, KelCharSet cs);
    ~KelCharSetConverterMBCS() override;

    // Builds both tables once, under m_oLock. Every conversion calls it;
    // once the tables are built it returns without locking. Subclasses that
    // build tables of their own call this first.
    virtual void load();

    const char* getName() const { return m_pName; }

protected:
    // The tables after load(); empty ones when there is no pair list or
    // memory for them could not be found.
    const LookupTable<unsigned short>& toUnicode() const;
    const LookupTable<unsigned short>& fromUnicode() const;

    using Tables = KelTablePair<LookupTable<unsigned short>, LookupTable<unsigned short>>;

    // Stores every pair of a list ending with (0, 0) in both directions.
    static void putPairs(const unsigned short* pairs, Tables& tables);
    // Tables built from a pair list, when there is one and memory for them.
    static std::unique_ptr<Tables> tablesOf(const unsigned short* pairs);

    const char* m_pName;
    const unsigned short* m_pMap;
    ObjLock m_oLock;

private:
    // What the base tables hold besides the pair list.
    virtual void addPairs(Tables&) const {}

    KelBuiltOnce<Tables> m_oTables;
};

#endif
