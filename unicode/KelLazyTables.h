#ifndef KELLAZYTABLES_H
#define KELLAZYTABLES_H

// Tables that the library builds on their first use and reads without a
// lock from then on: the one way it does so.
//
// The first caller that finds a table missing builds it completely under
// the owner's ObjLock and only then publishes the pointer, with release
// order; readers load it with acquire order, so a thread that sees the
// pointer also sees every entry written before it. A table is never changed
// or replaced once published. A build that finds no memory publishes
// nothing, so that a later use tries again; until then the owner works
// without the table.

#include "LookupTable.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <type_traits>

// T may be an array type (unsigned short[]), which is then freed with array
// delete.
template <class T> class KelBuiltOnce {
public:
    using Element = std::remove_extent_t<T>;

    KelBuiltOnce() = default;
    ~KelBuiltOnce() { std::default_delete<T>()(m_p.load(std::memory_order_relaxed)); }
    KelBuiltOnce(const KelBuiltOnce&) = delete;
    KelBuiltOnce& operator=(const KelBuiltOnce&) = delete;

    // For unlocked readers: null until the table is built.
    const Element* get() const { return m_p.load(std::memory_order_acquire); }

    // The table, which build() makes under `lock` (a std::unique_ptr<T>,
    // null without memory) unless a caller already has.
    template <class Build> const Element* get(ObjLock& lock, Build build) const {
        if (const Element* p = get())
            return p;
        std::lock_guard<ObjLock> guard(lock);
        if (const Element* p = m_p.load(std::memory_order_relaxed))
            return p;
        std::unique_ptr<T> table = build();
        m_p.store(table.get(), std::memory_order_release);
        return table.release();
    }

private:
    mutable std::atomic<Element*> m_p{nullptr};
};

// A table to Unicode and one from Unicode, built together from one list.
template <class To, class From> struct KelTablePair {
    To toUnicode;
    From fromUnicode;
};

// A table, or an empty one in its place while it does not exist, so that a
// converter without tables converts every character as unmappable.
template <class Table> const Table& kelTableOrEmpty(const Table* table) {
    static const Table empty{};
    return table != nullptr ? *table : empty;
}

#endif
