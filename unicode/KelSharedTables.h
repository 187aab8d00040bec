#ifndef KELSHAREDTABLES_H
#define KELSHAREDTABLES_H

// The tables of a compiled-in pair list, built once for the whole process:
// sets that share a character set (EUC-KR and ISO-2022-KR, EUC-CN and
// ISO-2022-JP-2, ...) read one copy of it.

#include "KelLazyTables.h"
#include "LookupTable.h"

#include <atomic>
#include <memory>

// How the way from Unicode is kept: a two-level table, or, for a set whose
// fast kernels read a code for every UTF-16 unit, one flat array that its
// encoder reads as well, so that the codes are in memory once.
enum class KelCodesForm { Paged, Flat };

// Local code to UTF-16 unit and back; an entry of 0 means no mapping.
struct KelPairTables {
    LookupTable<unsigned short> toUnicode;
    // Paged: the code of each unit.
    LookupTable<unsigned short> fromUnicode;
    // Flat: the code of each of the 65,536 units, and a 0 after them for
    // kernels that read two codes at a time.
    std::unique_ptr<unsigned short[]> codes;
};

// The number of entries of KelPairTables::codes.
constexpr unsigned kKelFlatCodes = 65536 + 1;

// The tables of a list of (code, unit) pairs ending with (0, 0), and of
// `more` too when it is not null; null without memory, so that a later call
// tries again.
const KelPairTables* kelSharedPairTables(const unsigned short* pairs,
                                         const unsigned short* more = nullptr,
                                         KelCodesForm form = KelCodesForm::Paged);

// A converter's hold on shared tables: looked up on its first use, read
// without a lock from then on.
class KelSharedPairTablesRef {
public:
    const KelPairTables* get() const { return m_p.load(std::memory_order_acquire); }
    const KelPairTables* get(const unsigned short* pairs, const unsigned short* more = nullptr,
                             KelCodesForm form = KelCodesForm::Paged) {
        const KelPairTables* tables = get();
        if (tables == nullptr && pairs != nullptr) {
            tables = kelSharedPairTables(pairs, more, form);
            m_p.store(tables, std::memory_order_release);
        }
        return tables;
    }

private:
    std::atomic<const KelPairTables*> m_p{nullptr};
};

#endif
