#ifndef LOOKUPTABLE_H
#define LOOKUPTABLE_H

#include <pthread.h>

#include <cstddef>
#include <new>

// Sparse two-level translation tables. A table is filled once by its owner
// under the owner's ObjLock and is read without locking afterwards; the owner
// publishes the finished table (e.g. through a std::atomic pointer stored
// with release and loaded with acquire), so the tables themselves need no
// synchronisation. A stored value of 0 means "no mapping".
//
// Pages that were never stored into point to a shared, never-written zero
// page, so a lookup is two indexed loads with no test for absent pages.

namespace KelLookupPages {

constexpr unsigned int PAGE_SIZE = 256;

// Stores value at slot low of page, giving the page its own zeroed storage
// first when it is still the shared zero page. On allocation failure the
// entry is dropped and the page keeps pointing to the zero page.
template <class T>
void store(T*& page, T* nullPage, unsigned int low, T value) {
    if (page == nullPage) {
        T* fresh = new (std::nothrow) T[PAGE_SIZE]();
        if (fresh == nullptr) {
            return;
        }
        page = fresh;
    }
    page[low] = value;
}

template <class T, std::size_t N>
void freeAll(T* (&pages)[N], const T* nullPage) {
    for (T* page : pages) {
        if (page != nullPage) {
            delete[] page;
        }
    }
}

template <class T, std::size_t N>
void pointAllAt(T* (&pages)[N], T* nullPage) {
    for (T*& page : pages) {
        page = nullPage;
    }
}

}  // namespace KelLookupPages

// 16-bit key: the high byte selects the page, the low byte the slot.
template <class T>
class LookupTable {
public:
    LookupTable() { KelLookupPages::pointAllAt(m_pPages, m_gNullTable); }
    ~LookupTable() { KelLookupPages::freeAll(m_pPages, m_gNullTable); }
    LookupTable(const LookupTable&) = delete;
    LookupTable& operator=(const LookupTable&) = delete;

    void put(unsigned short key, T value) {
        KelLookupPages::store(m_pPages[key >> 8], m_gNullTable, key & 0xFFu, value);
    }
    T trans(unsigned short key) const { return m_pPages[key >> 8][key & 0xFF]; }
    // The values of the 256 keys whose high byte is `high`, for lookups a
    // block at a time.
    const T* page(unsigned char high) const { return m_pPages[high]; }

private:
    static T m_gNullTable[KelLookupPages::PAGE_SIZE];
    T* m_pPages[256];
};

template <class T>
T LookupTable<T>::m_gNullTable[KelLookupPages::PAGE_SIZE];

// Key is a Unicode scalar value: one block of 256 pages per plane 0 to 16.
// Keys above U+10FFFF have no slot; they are never stored and read as 0.
template <class T>
class LookupTableEx {
public:
    static constexpr unsigned int MAX_KEY = 0x10FFFF;

    LookupTableEx() { KelLookupPages::pointAllAt(m_pPages, m_gNullTable); }
    ~LookupTableEx() { KelLookupPages::freeAll(m_pPages, m_gNullTable); }
    LookupTableEx(const LookupTableEx&) = delete;
    LookupTableEx& operator=(const LookupTableEx&) = delete;

    void put(unsigned int key, T value) {
        if (key <= MAX_KEY) {
            KelLookupPages::store(m_pPages[pageIndex(key)], m_gNullTable, key & 0xFFu, value);
        }
    }
    T trans(unsigned int key) const {
        return key <= MAX_KEY ? m_pPages[pageIndex(key)][key & 0xFF] : T(0);
    }

private:
    static constexpr unsigned int PLANES = 17;
    static unsigned int pageIndex(unsigned int key) { return (key >> 16) * 256 + ((key >> 8) & 0xFF); }

    static T m_gNullTable[KelLookupPages::PAGE_SIZE];
    T* m_pPages[PLANES * 256];
};

template <class T>
T LookupTableEx<T>::m_gNullTable[KelLookupPages::PAGE_SIZE];

extern template class LookupTable<unsigned char>;
extern template class LookupTable<unsigned short>;
extern template class LookupTable<unsigned int>;
extern template class LookupTableEx<unsigned short>;

// Non-recursive process-local mutex under which an owner builds its tables.
// Meets BasicLockable, so std::lock_guard<ObjLock> works.
class ObjLock {
public:
    ObjLock();
    ~ObjLock();
    ObjLock(const ObjLock&) = delete;
    ObjLock& operator=(const ObjLock&) = delete;

    void lock();
    void unlock();

private:
    pthread_mutex_t m_oMutex;
};

#endif
