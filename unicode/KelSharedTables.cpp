#include "KelSharedTables.h"

#include <memory>
#include <mutex>
#include <new>

namespace {

void putPairs(const unsigned short* pairs, KelPairTables& tables) {
    for (; (pairs[0] | pairs[1]) != 0; pairs += 2) {
        tables.toUnicode.put(pairs[0], pairs[1]);
        tables.fromUnicode.put(pairs[1], pairs[0]);
    }
}

// The tables of one pair of lists; a free slot has no `pairs`.
struct Slot {
    const unsigned short* pairs = nullptr;
    const unsigned short* more = nullptr;
    KelBuiltOnce<KelPairTables> tables;
};

// More than the library has distinct lists.
constexpr int kSlots = 32;

} // namespace

const KelPairTables* kelSharedPairTables(const unsigned short* pairs, const unsigned short* more) {
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
            }
            if (s.pairs == pairs && s.more == more) {
                slot = &s;
                break;
            }
        }
    }
    if (slot == nullptr)
        return nullptr;
    return slot->tables.get(lock, [pairs, more] {
        std::unique_ptr<KelPairTables> tables(new (std::nothrow) KelPairTables);
        if (tables) {
            putPairs(pairs, *tables);
            if (more != nullptr)
                putPairs(more, *tables);
        }
        return tables;
    });
}
