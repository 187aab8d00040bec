#ifndef KELTABLESONCE_H
#define KELTABLESONCE_H

// Tables that a multibyte converter builds once, on its first conversion,
// and reads without locking afterwards.
//
// One flag stands for a whole build, so a build may fill several tables, or
// add to tables that an earlier build filled (the EUC-JP merge): the flag is
// set with release order after the build, and a caller that reads it set
// (acquire) sees every entry and skips the lock. Converters call load() on
// every conversion, so after the first build that costs one atomic load.

#include "KelLazyTables.h"

#include <atomic>
#include <memory>
#include <new>

class KelLoadFlag {
public:
    // Runs build() under lock unless an earlier call did. A build that
    // cannot finish (memory ran out) leaves what it could and counts as done:
    // the tables are never written again once readers may see them.
    template <class Build> void run(ObjLock& lock, Build build) {
        if (m_bDone.load(std::memory_order_acquire))
            return;
        kelBuildOnce(
            lock, [this] { return m_bDone.load(std::memory_order_relaxed); },
            [this, &build] {
                build();
                m_bDone.store(true, std::memory_order_release);
            });
    }

private:
    std::atomic<bool> m_bDone{false};
};

// Creates a table to Unicode and a table from Unicode, has fill(to, from)
// fill them and hands both over. Without memory for both, neither is kept.
template <class To, class From, class Fill>
void kelBuildTablePair(std::unique_ptr<To>& to, std::unique_ptr<From>& from, Fill fill) {
    std::unique_ptr<To> newTo(new (std::nothrow) To);
    std::unique_ptr<From> newFrom(new (std::nothrow) From);
    if (!newTo || !newFrom)
        return;
    fill(*newTo, *newFrom);
    to = std::move(newTo);
    from = std::move(newFrom);
}

// A table, or an empty one in its place while it does not exist, so that a
// converter without tables converts every character as unmappable.
template <class Table> const Table& kelTableOrEmpty(const std::unique_ptr<Table>& table) {
    static const Table empty;
    return table ? *table : empty;
}

#endif
