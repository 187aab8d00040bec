#include "KelSharedTables.h"

#include <memory>
#include <mutex>
#include <new>

namespace {

void putPairs(const unsigned short* pairs, KelPairTables& tables) {
    for (; (pairs[0] | pairs[1]) != 0; pairs += 2) {
        tables.toUnicode.put(pairs[0], pairs[1]);
        if (tables.codes)
            tables.codes[pairs[1]] = pairs[0];
        else
            tables.fromUnicode.put(pairs[1], pairs[0]);
    }
}

std::unique_ptr<KelPairTables> buildTables(const unsigned short* pairs, const unsigned short* more,
                                           KelCodesForm form) {
    std::unique_ptr<KelPairTables> tables(new (std::nothrow) KelPairTables);
    if (tables && form == KelCodesForm::Flat) {
        tables->codes.reset(new (std::nothrow) unsigned short[kKelFlatCodes]());
        if (!tables->codes)
            return nullptr;
    }
    if (tables) {
        putPairs(pairs, *tables);
        if (more != nullptr)
            putPairs(more, *tables);
    }
    return tables;
}

// The tables of one pair of lists in one form; a free slot has no `pairs`.
struct Slot {
    const unsigned short* pairs = nullptr;
    const unsigned short* more = nullptr;
    KelCodesForm form = KelCodesForm::Paged;
    KelBuiltOnce<KelPairTables> tables;
};

// More than the library has distinct lists.
constexpr int kSlots = 32;

} // namespace

const KelPairTables* kelSharedPairTables(const unsigned short* pairs, const unsigned short* more,
                                         KelCodesForm form) {
    static ObjLock lock;
    static Slot slots[kSlots];
    Slot* slot = nullptr;
    {
        // Each converter asks once, so the search may take the lock.
        std::lock_guard<ObjLock> guard(lock);
        for (Slot& s : slots) {
            if (s.pairs == nullptr) {
                s.pairs = pairs;
                s.more = more;
                s.form = form;
            }
            if (s.pairs == pairs && s.more == more && s.form == form) {
                slot = &s;
                break;
            }
        }
    }
    if (slot == nullptr)
        return nullptr;
    return slot->tables.get(lock, [pairs, more, form] { return buildTables(pairs, more, form); });
}
