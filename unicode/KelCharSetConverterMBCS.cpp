#include "KelCharSetConverterMBCS.h"

#include <mutex>
#include <new>

namespace {

// Pair lists that converters share: a handful at most.
constexpr unsigned kSharedMaps = 4;

} // namespace

KelCharSetConverterMBCS::KelCharSetConverterMBCS(const unsigned short* map, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(nullptr), m_pMap(map), m_bShared(false) {}

KelCharSetConverterMBCS::KelCharSetConverterMBCS(SharedMap map, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(nullptr), m_pMap(map.pairs), m_bShared(true) {}

KelCharSetConverterMBCS::KelCharSetConverterMBCS(const char* name, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(name), m_pMap(nullptr), m_bShared(false) {}

KelCharSetConverterMBCS::~KelCharSetConverterMBCS() = default;

// A list finds its slot without the lock once it has one; a list takes a
// free slot under the lock. Slots are never given back, so a list keeps
// its slot, and a list that finds none (more lists than slots) leaves its
// converters their own tables.
KelCharSetConverterMBCS::Shared* KelCharSetConverterMBCS::sharedOf(const unsigned short* pairs) {
    static Shared slots[kSharedMaps];
    static ObjLock lock;
    for (Shared& slot : slots)
        if (slot.pairs.load(std::memory_order_acquire) == pairs)
            return &slot;
    std::lock_guard<ObjLock> guard(lock);
    for (Shared& slot : slots) {
        const unsigned short* held = slot.pairs.load(std::memory_order_relaxed);
        if (held == nullptr)
            slot.pairs.store(pairs, std::memory_order_release);
        if (held == nullptr || held == pairs)
            return &slot;
    }
    return nullptr;
}

KelCharSetConverterMBCS::Shared* KelCharSetConverterMBCS::shared() const {
    return m_bShared && m_pMap != nullptr ? sharedOf(m_pMap) : nullptr;
}

void KelCharSetConverterMBCS::load() {
    if (Shared* shared = this->shared()) {
        shared->tables.get(shared->lock, [this] { return tablesOf(m_pMap); });
        return;
    }
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

const KelCharSetConverterMBCS::Tables* KelCharSetConverterMBCS::tables() const {
    const Shared* shared = this->shared();
    return shared != nullptr ? shared->tables.get() : m_oTables.get();
}

const LookupTable<unsigned short>& KelCharSetConverterMBCS::toUnicode() const {
    const Tables* tables = this->tables();
    return kelTableOrEmpty(tables != nullptr ? &tables->toUnicode : nullptr);
}

const LookupTable<unsigned short>& KelCharSetConverterMBCS::fromUnicode() const {
    const Tables* tables = this->tables();
    return kelTableOrEmpty(tables != nullptr ? &tables->fromUnicode : nullptr);
}
