#ifndef KELUSTRINGLIST_H
#define KELUSTRINGLIST_H

#include "KelTypes.h"
#include "KelUString.h"

#include <vector>

/// \file
/// A list of strings.

/// An ordered list of independent string copies. Members that change the list
/// check first and throw range_error() or length_error() with the list
/// unchanged. Growing the list copies its elements, so references and
/// iterators into it do not survive append, insert, erase or clear.
class KelUStringList {
public:
    /// Iterators over the elements.
    ///@{
    typedef std::vector<KelUString>::iterator iterator;
    typedef std::vector<KelUString>::const_iterator const_iterator;
    typedef std::vector<KelUString>::reverse_iterator reverse_iterator;
    typedef std::vector<KelUString>::const_reverse_iterator const_reverse_iterator;
    ///@}

    /// A list of one element, `s`.
    explicit KelUStringList(const KelUString& s);
    /// A copy of `other`.
    KelUStringList(const KelUStringList& other);
    /// s cut at every occurrence of sep. Separators at the start or next to
    /// each other give empty elements; one at the end gives none. An empty s
    /// gives an empty list; an empty sep or the unit 0 gives s alone.
    ///@{
    KelUStringList(const KelUString& s, const KelUString& sep);
    KelUStringList(const KelUString& s, unsigned short sep);
    ///@}
    virtual ~KelUStringList();

    /// A copy of `other`.
    KelUStringList& operator=(const KelUStringList& other);
    /// The list of one element, `s`.
    KelUStringList& operator=(const KelUString& s);

    /// The elements in the list.
    KelLength size() const { return m_oList.size(); }
    /// The most elements a list may hold.
    KelLength max_size() const { return m_oList.max_size(); }
    /// The element at `i`, unchecked.
    const KelUString& operator[](KelLength i) const { return m_oList[i]; }
    /// The element at `i`; range_error() past the end.
    const KelUString& at(KelLength i) const;

    /// The elements in order, and in reverse.
    ///@{
    iterator begin() { return m_oList.begin(); }
    iterator end() { return m_oList.end(); }
    const_iterator begin() const { return m_oList.begin(); }
    const_iterator end() const { return m_oList.end(); }
    reverse_iterator rbegin() { return m_oList.rbegin(); }
    reverse_iterator rend() { return m_oList.rend(); }
    const_reverse_iterator rbegin() const { return m_oList.rbegin(); }
    const_reverse_iterator rend() const { return m_oList.rend(); }
    ///@}

    /// Appends `s`, or the elements of `other`. A list given to its own
    /// append or insert is left as it is.
    ///@{
    KelUStringList& append(const KelUString& s);
    KelUStringList& append(const KelUStringList& other);
    ///@}
    /// Inserts in front of the element at `pos`; pos == size() appends.
    ///@{
    KelUStringList& insert(KelLength pos, const KelUString& s);
    KelUStringList& insert(KelLength pos, const KelUStringList& other);
    ///@}
    /// Removes the element at `i`; range_error() past the end.
    KelUStringList& erase(KelLength i);
    /// Removes every element.
    KelUStringList& clear();

    /// The elements with sep between neighbours.
    KelUString combine(const KelUString& sep) const;

    /// Throws std::out_of_range, as the members do for a bad position.
    [[noreturn]] void range_error() const;
    /// Throws std::length_error, as the members do when the list would grow
    /// past max_size().
    [[noreturn]] void length_error() const;

private:
    std::vector<KelUString> m_oList;
};

#endif
