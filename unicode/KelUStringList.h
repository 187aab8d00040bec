#ifndef KELUSTRINGLIST_H
#define KELUSTRINGLIST_H

#include "KelTypes.h"
#include "KelUString.h"

#include <vector>

// An ordered list of independent string copies. Members that change the list
// check first and throw range_error() or length_error() with the list
// unchanged. Growing the list copies its elements, so references and
// iterators into it do not survive append, insert, erase or clear.
class KelUStringList {
public:
    typedef std::vector<KelUString>::iterator iterator;
    typedef std::vector<KelUString>::const_iterator const_iterator;
    typedef std::vector<KelUString>::reverse_iterator reverse_iterator;
    typedef std::vector<KelUString>::const_reverse_iterator const_reverse_iterator;

    explicit KelUStringList(const KelUString& s);
    KelUStringList(const KelUStringList& other);
    // s cut at every occurrence of sep. Separators at the start or next to
    // each other give empty elements; one at the end gives none. An empty s
    // gives an empty list; an empty sep or the unit 0 gives s alone.
    KelUStringList(const KelUString& s, const KelUString& sep);
    KelUStringList(const KelUString& s, unsigned short sep);
    virtual ~KelUStringList();

    KelUStringList& operator=(const KelUStringList& other);
    KelUStringList& operator=(const KelUString& s);

    KelLength size() const { return m_oList.size(); }
    KelLength max_size() const { return m_oList.max_size(); }
    const KelUString& operator[](KelLength i) const { return m_oList[i]; }
    const KelUString& at(KelLength i) const;

    iterator begin() { return m_oList.begin(); }
    iterator end() { return m_oList.end(); }
    const_iterator begin() const { return m_oList.begin(); }
    const_iterator end() const { return m_oList.end(); }
    reverse_iterator rbegin() { return m_oList.rbegin(); }
    reverse_iterator rend() { return m_oList.rend(); }
    const_reverse_iterator rbegin() const { return m_oList.rbegin(); }
    const_reverse_iterator rend() const { return m_oList.rend(); }

    // A list given to its own append or insert is left as it is.
    KelUStringList& append(const KelUString& s);
    KelUStringList& append(const KelUStringList& other);
    // pos == size() appends.
    KelUStringList& insert(KelLength pos, const KelUString& s);
    KelUStringList& insert(KelLength pos, const KelUStringList& other);
    KelUStringList& erase(KelLength i);
    KelUStringList& clear();

    // The elements with sep between neighbours.
    KelUString combine(const KelUString& sep) const;

    [[noreturn]] void range_error() const;
    [[noreturn]] void length_error() const;

private:
    std::vector<KelUString> m_oList;
};

#endif
