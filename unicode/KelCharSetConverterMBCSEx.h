#ifndef KELCHARSETCONVERTERMBCSEX_H
#define KELCHARSETCONVERTERMBCSEX_H

#include "KelCharSet.h"
#include "KelLazyTables.h"
#include "LookupTable.h"

#include <memory>

// One entry of an extended pair list: a local code (single byte, or lead
// byte * 256 + trail byte) and a Unicode scalar value that may lie beyond
// U+FFFF. A list ends with an entry of two zeros.
struct sMBCSExTable {
    unsigned short code;
    unsigned int unicode;
};

// Base of the table-driven converters whose codes map to Unicode scalar
// values beyond U+FFFF. Like KelCharSetConverterMBCS it builds its two
// tables on first use, but they are keyed by and yield full scalar values.
class KelCharSetConverterMBCSEx : public KelCharSetConverter {
public:
    // The list is not copied; it must outlive the converter.
    KelCharSetConverterMBCSEx(const sMBCSExTable* map, KelCharSet cs);
    // A converter without a list: nothing has a mapping.
    KelCharSetConverterMBCSEx(const char* name, KelCharSet cs);
    ~KelCharSetConverterMBCSEx() override;

    // Builds both tables once, under m_oLock; afterwards returns without
    // locking.
    virtual void load();

    const char* getName() const { return m_pName; }

protected:
    // The tables after load(); empty ones when there is no list or memory
    // for them could not be found.
    const LookupTable<unsigned int>& toUnicode() const;
    const LookupTableEx<unsigned short>& fromUnicode() const;

    const char* m_pName;
    const sMBCSExTable* m_pMap;
    ObjLock m_oLock;

private:
    using Tables = KelTablePair<LookupTable<unsigned int>, LookupTableEx<unsigned short>>;

    KelBuiltOnce<Tables> m_oTables;
};

#endif
