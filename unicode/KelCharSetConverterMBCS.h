#ifndef KELCHARSETCONVERTERMBCS_H
#define KELCHARSETCONVERTERMBCS_H

#include "KelCharSet.h"
#include "KelSharedTables.h"
#include "LookupTable.h"


// Base of the table-driven converters whose local codes fit in 16 bits (a
// single byte, or lead byte * 256 + trail byte). It owns the two tables,
// local code to UTF-16 unit and back, built from a compiled-in pair list
// (code, unit, ..., ending with 0, 0) on first use. A table entry of 0 means
// no mapping.
class KelCharSetConverterMBCS : public KelCharSetConverter {
public:
    // The pair list, and a second one whose pairs the tables hold too when
    // `more` is not null, are not copied; they must outlive the converter.
    KelCharSetConverterMBCS(const unsigned short* map, KelCharSet cs,
                            const unsigned short* more = nullptr,
                            KelCodesForm form = KelCodesForm::Paged);
    // A converter without a pair list: nothing has a mapping.
    KelCharSetConverterMBCS(const char* name, KelCharSet cs);
    ~KelCharSetConverterMBCS() override;

    // Finds both tables, which the first converter of their lists builds.
    // Every conversion calls it; once the tables are found it returns
    // without locking. Subclasses that build tables of their own call this
    // first.
    virtual void load();

    const char* getName() const { return m_pName; }

protected:
    // The tables after load(); empty ones when there is no pair list or
    // memory for them could not be found.
    const LookupTable<unsigned short>& toUnicode() const;
    const LookupTable<unsigned short>& fromUnicode() const;
    // KelCodesForm::Flat: the code of every unit, all 0 without the tables.
    const unsigned short* codes() const;

    using Tables = KelPairTables;

    const char* m_pName;
    const unsigned short* m_pMap;
    ObjLock m_oLock;

private:
    const unsigned short* m_pMore;
    KelCodesForm m_eForm;
    KelSharedPairTablesRef m_oTables;
};

#endif
