#include "KelUStringList.h"

#include <stdexcept>

namespace {

// Appends the pieces of s between occurrences of sep, which is step units
// long; a piece after the last separator only when it is not empty.
template <class Sep>
void cutAt(std::vector<KelUString>& list, const KelUString& s, const Sep& sep, KelLength step) {
    KelLength p = 0;
    for (KelLength i = s.find(sep, p); i != KelUString::npos; i = s.find(sep, p)) {
        list.emplace_back(s, p, i - p);
        p = i + step;
    }
    if (p < s.size())
        list.emplace_back(s, p, KelUString::npos);
}

} // namespace

KelUStringList::KelUStringList(const KelUString& s) : m_oList(1, s) {}

KelUStringList::KelUStringList(const KelUStringList& other) : m_oList(other.m_oList) {}

KelUStringList::KelUStringList(const KelUString& s, const KelUString& sep) {
    if (sep.empty())
        m_oList.push_back(s);
    else
        cutAt(m_oList, s, sep, sep.size());
}

KelUStringList::KelUStringList(const KelUString& s, unsigned short sep) {
    if (sep == 0)
        m_oList.push_back(s);
    else
        cutAt(m_oList, s, sep, 1);
}

KelUStringList::~KelUStringList() = default;

KelUStringList& KelUStringList::operator=(const KelUStringList& other) {
    if (&other != this)
        m_oList = other.m_oList;
    return *this;
}

KelUStringList& KelUStringList::operator=(const KelUString& s) {
    m_oList.assign(1, s);
    return *this;
}

const KelUString& KelUStringList::at(KelLength i) const {
    if (i >= size())
        range_error();
    return m_oList[i];
}

KelUStringList& KelUStringList::append(const KelUString& s) {
    return insert(size(), s);
}

KelUStringList& KelUStringList::append(const KelUStringList& other) {
    return insert(size(), other);
}

KelUStringList& KelUStringList::insert(KelLength pos, const KelUString& s) {
    if (size() == max_size())
        length_error();
    if (pos > size())
        range_error();
    m_oList.insert(m_oList.begin() + pos, s);
    return *this;
}

// An empty other changes nothing, whatever pos is.
KelUStringList& KelUStringList::insert(KelLength pos, const KelUStringList& other) {
    if (&other == this)
        return *this;
    if (max_size() - size() < other.size())
        length_error();
    if (other.size() != 0 && pos > size())
        range_error();
    m_oList.insert(m_oList.begin() + pos, other.begin(), other.end());
    return *this;
}

KelUStringList& KelUStringList::erase(KelLength i) {
    if (i >= size())
        range_error();
    m_oList.erase(m_oList.begin() + i);
    return *this;
}

KelUStringList& KelUStringList::clear() {
    m_oList.clear();
    return *this;
}

KelUString KelUStringList::combine(const KelUString& sep) const {
    KelUString result;
    for (const_iterator it = begin(); it != end(); ++it) {
        if (it != begin())
            result += sep;
        result += *it;
    }
    return result;
}

void KelUStringList::range_error() const {
    throw std::out_of_range("invalid string list index given");
}

void KelUStringList::length_error() const {
    throw std::length_error("exceed maximum string list length");
}

// The splitting members of KelUString live here so that the string unit
// does not depend on the list.

KelUStringList KelUString::split(const KelUString& sep) const {
    return KelUStringList(*this, sep);
}

KelUStringList KelUString::split(unsigned short c) const {
    return KelUStringList(*this, c);
}

KelUStringList KelUString::split(char c, KelCharSet cs) const {
    return split(KelUString(c, cs));
}
