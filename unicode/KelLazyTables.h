#ifndef KELLAZYTABLES_H
#define KELLAZYTABLES_H

// Tables that a converter builds on its first conversion and reads without a
// lock from then on.
//
// The owner builds a table completely under its ObjLock and only then hands
// it to publish(), which stores the pointer with release order; readers load
// it with acquire order, so a thread that sees the pointer also sees every
// entry written before it. A table is never replaced once published.

#include "LookupTable.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <type_traits>

// Owning, publish-once pointer. T may be an array type (unsigned short[]),
// which is then freed with array delete.
template <class T>
class KelPublishedPtr {
public:
    using Element = std::remove_extent_t<T>;

    KelPublishedPtr() = default;
    ~KelPublishedPtr() { std::default_delete<T>()(m_p.load(std::memory_order_relaxed)); }
    KelPublishedPtr(const KelPublishedPtr&) = delete;
    KelPublishedPtr& operator=(const KelPublishedPtr&) = delete;

    // For unlocked readers: null until the table is published.
    const Element* get() const { return m_p.load(std::memory_order_acquire); }

    // The published table, after running load() once if there is none yet.
    // load() must publish through this pointer (or leave it null when it
    // cannot build the table); the result may then still be null.
    template <class Load>
    const Element* getOrLoad(Load load) const {
        const Element* p = get();
        if (p != nullptr)
            return p;
        load();
        return get();
    }

    // Only the owner, holding its lock, calls this, and only while get() is null.
    void publish(std::unique_ptr<T> table) { m_p.store(table.release(), std::memory_order_release); }

private:
    std::atomic<Element*> m_p{nullptr};
};

// Runs build() under lock unless isBuilt() already holds, so that of several
// threads meeting a missing table only the first builds it and the others
// wait and then find it.
template <class IsBuilt, class Build>
void kelBuildOnce(ObjLock& lock, IsBuilt isBuilt, Build build) {
    std::lock_guard<ObjLock> guard(lock);
    if (!isBuilt())
        build();
}

#endif
