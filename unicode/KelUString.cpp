#include "KelUString.h"

#include "KelUChar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

constexpr unsigned short kReplacementUnit = 0xFFFD;
constexpr KelLength kBSTRMaxUnits = 0xFFFF;
constexpr KelLength kPascalMaxBytes = 0xFF;
// Room behind a converted copy for the terminator of any unit size.
constexpr KelLength kSecTextSlack = 8;
// Reads as an empty text whatever the unit size of the character set.
constexpr char kEmptyText[kSecTextSlack] = {};
constexpr KelCharSet kNoCharSet = static_cast<KelCharSet>(-1);

[[noreturn]] void throwLengthError() {
    throw std::length_error("exceed maximum string length");
}

KelCharSetConverter* converterFor(KelCharSet cs) {
    return KelCharSetConverter::getConverter(cs);
}

bool isNullChar(const char* p, KelLength nullSize) {
    return std::all_of(p, p + nullSize, [](char b) { return b == 0; });
}

// Bytes of local text in front of its NUL character, at most len. A partial
// unit at the end of the range is kept: the converter decides what it means.
KelLength localTextLength(const char* src, KelLength len, KelLength nullSize) {
    if (nullSize == 1)
        return ::strnlen(src, len);
    KelLength n = 0;
    while (len - n >= nullSize && !isNullChar(src + n, nullSize))
        n += nullSize;
    return len - n < nullSize ? len : n;
}

KelLength unitsBeforeNul(const unsigned short* p, KelLength max) {
    KelLength n = 0;
    while (n < max && p[n] != 0)
        ++n;
    return n;
}

void copyUnits(unsigned short* dst, const unsigned short* src, KelLength n) {
    std::memmove(dst, src, n * sizeof(unsigned short));
}

// A buffer sized by a bound is kept unless it leaves more than this and more
// than half of itself unused.
constexpr KelLength kTolerableWaste = 64;

bool wastesMuch(KelLength room, KelLength used) {
    const KelLength unused = room - used;
    return unused > kTolerableWaste && unused > used;
}

// UTF-16 units that local text of `bytes` bytes can make: one a byte where
// the smallest unit is a byte, one per two bytes where it is wider, as no
// four-byte unit makes more than a surrogate pair.
KelLength unitsBound(KelLength bytes, const KelCharSetConverter* conv) {
    return bytes / std::min<KelLength>(conv->getMinUnitSize(), 2);
}

// Converts `bytes` bytes of local text into room for every unit they can
// make. A unit that the length cuts off is left out, however wide the set's
// units.
KelLength readLocal(KelCharSetConverter* conv, const char* text, KelLength bytes,
                    unsigned short* dst) {
    const KelLength unitSize = conv->getMinUnitSize();
    return conv
        ->decodeCounted(text, bytes / unitSize * unitSize, dst, unitsBound(bytes, conv),
                        KelOnProblem::Replace, true, nullptr)
        .written;
}

// Whether text encoded from `units` holds a NUL character, where the
// terminated conversion would have ended it: a 0 byte in a set of byte
// units, a 0 unit in the source otherwise.
bool holdsNulChar(KelCharSetConverter* conv, const char* text, KelLength bytes,
                  const unsigned short* units, KelLength n) {
    if (conv->getNullCharSize() == 1)
        return std::memchr(text, 0, bytes) != nullptr;
    return std::find(units, units + n, 0) != units + n;
}

// Encodes the `n` units in front of the first 0 unit and terminates them:
// counted where they convert whole with no problem, and so to the bytes
// the terminated conversion writes, which does the rest.
KelLength writeLocal(KelCharSetConverter* conv, const unsigned short* units, KelLength n, char* dst,
                     KelLength room) {
    const KelConversionResult r =
        conv->encodeCounted(units, n, dst, room, KelOnProblem::Stop, true);
    if (r.stop == KelStop::EndOfInput && !holdsNulChar(conv, dst, r.written, units, n)) {
        std::memset(dst + r.written, 0, conv->getNullCharSize());
        return r.written;
    }
    return conv->fromUTF16(dst, units, room, ILLCHAR_REPLACE, nullptr);
}

// The converted copy is allocated as 32-bit units, so that at_utf32 can hand
// out references into it.
using SecText = std::unique_ptr<unsigned int[]>;

SecText allocSecText(KelLength bytes) {
    return SecText(new unsigned int[bytes / sizeof(unsigned int) + 1]);
}

// Room for the copy of `units` UTF-16 units: no set writes more than its
// widest unit for a unit with ILLCHAR_REPLACE, since a surrogate pair makes
// at most four bytes and a substitute one, besides what a set with shifts
// writes once a text. Where that bound leaves the length range the text is
// measured, so that length_error still means a copy too large to represent.
KelLength secTextRoom(KelCharSetConverter* conv, const unsigned short* text, KelLength units) {
    const KelLength most = KEL_NPOS - kSecTextSlack - conv->getMaxStateBytes();
    const KelLength perUnit = conv->getMaxUnitSize();
    if (units <= most / perUnit)
        return units * perUnit + conv->getMaxStateBytes();
    const KelLength bytes = conv->getNumBytes(text, units);
    if (bytes > most)
        throwLengthError();
    return bytes;
}

// Exchanges a copy that leaves most of its block unused for one of its size,
// its slack zeroed; short of memory, the larger block serves as well.
void fitSecText(SecText& block, KelLength bytes) {
    SecText fit(
        new (std::nothrow) unsigned int[(bytes + kSecTextSlack) / sizeof(unsigned int) + 1]);
    if (!fit)
        return;
    char* text = reinterpret_cast<char*>(fit.get());
    std::memcpy(text, block.get(), bytes);
    std::memset(text + bytes, 0, kSecTextSlack);
    block = std::move(fit);
}

int unitOrder(unsigned short a, unsigned short b) {
    return a > b ? 1 : -1;
}

// Order of two texts at the first position where one of them has ended.
int endOrder(unsigned short a, unsigned short b) {
    if (a != 0)
        return 1;
    return b == 0 ? 0 : -1;
}

int nullOrder(const unsigned short* a, const unsigned short* b) {
    if (a == nullptr)
        return b == nullptr ? 0 : -1;
    return 1;
}

// Case changes limited to ASCII letters.
unsigned short upper_case(unsigned short c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned short>(c - 0x20) : c;
}

unsigned short lower_case(unsigned short c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned short>(c + 0x20) : c;
}

// An unknown target removes nothing.
bool isTrimmed(unsigned short c, KelUString::TrimTarget target) {
    switch (target) {
    case KelUString::TRIM_WHITESPACE:
        return KelUChar::isWhiteSpace(c);
    case KelUString::TRIM_SPACE:
        return c == ' ';
    case KelUString::TRIM_WHITESPACE_NONCHAR:
        return KelUChar::isWhiteSpace(c) || KelUChar::isNonChar(c);
    }
    return false;
}

} // namespace

KelLocalText::KelLocalText(char c, KelLength count) : m_pData(nullptr), m_nSize(count) {
    std::memset(reserve(count), c, count);
}

char* KelLocalText::reserve(KelLength n) {
    if (n <= kStackBytes) {
        m_pData = m_aStack;
    } else {
        m_pHeap.reset(new char[n]);
        m_pData = m_pHeap.get();
    }
    return m_pData;
}

// Storage

KelUString::StringSpace* KelUString::SetupSpace() {
    m_pSpace = &m_oSpace;
    m_oSpace.m_bHeap = 0;
    m_oSpace.m_pText = m_oSpace.m_aText;
    m_oSpace.m_nLength = 0;
    m_oSpace.m_nCapacity = kEmbeddedCapacity;
    m_oSpace.m_pSecText = nullptr;
    m_oSpace.m_nSecTextLength = 0;
    m_oSpace.m_eSecTextCharSet = kNoCharSet;
    m_oSpace.m_aText[0] = 0;
    return m_pSpace;
}

KelUString::StringSpace* KelUString::SetupSpace(KelLength n) {
    SetupSpace();
    AssureSpace(n);
    return m_pSpace;
}

unsigned short* KelUString::allocUnits(KelLength n) const {
    if (n > max_size())
        length_error();
    return new unsigned short[n + 1];
}

// The old buffer goes only once the new one exists, so a failed allocation
// leaves the string as it was.
void KelUString::adoptBuffer(unsigned short* buffer, KelLength capacity) {
    if (m_pSpace->m_bHeap != 0)
        delete[] m_pSpace->m_pText;
    m_pSpace->m_bHeap = 1;
    m_pSpace->m_pText = buffer;
    m_pSpace->m_nCapacity = capacity;
}

void KelUString::AssureSpace(KelLength n) {
    if (m_pSpace->m_nCapacity >= n)
        return;
    adoptBuffer(allocUnits(n), n);
    m_pSpace->m_nLength = 0;
    m_pSpace->m_pText[0] = 0;
}

void KelUString::growKeepingText(KelLength n) {
    if (m_pSpace->m_nCapacity >= n)
        return;
    unsigned short* buffer = allocUnits(n);
    copyUnits(buffer, begin(), size() + 1);
    adoptBuffer(buffer, n);
}

void KelUString::freeSecText() {
    delete[] reinterpret_cast<unsigned int*>(m_pSpace->m_pSecText);
    m_pSpace->m_pSecText = nullptr;
    m_pSpace->m_nSecTextLength = 0;
    m_pSpace->m_eSecTextCharSet = kNoCharSet;
}

void KelUString::releaseStorage() {
    freeSecText();
    if (m_pSpace->m_bHeap != 0)
        delete[] m_pSpace->m_pText;
    m_pSpace->m_bHeap = 0;
}

void KelUString::setLength(KelLength n) {
    m_pSpace->m_nLength = n;
    m_pSpace->m_pText[n] = 0;
    freeSecText();
}

// Construction from units: the buffer is sized once, for exactly n units.
void KelUString::initWithUnits(const unsigned short* src, KelLength n) {
    SetupSpace(n);
    if (n != 0)
        copyUnits(begin(), src, n);
    setLength(n);
}

// Starts again from the embedded buffer when the text fits in it.
void KelUString::restartWith(const unsigned short* src, KelLength n) {
    unsigned short* heap = n > kEmbeddedCapacity ? allocUnits(n) : nullptr;
    releaseStorage();
    SetupSpace();
    if (heap != nullptr)
        adoptBuffer(heap, n);
    copyUnits(begin(), src, n);
    setLength(n);
}

// src may lie inside this string's own text: it then needs no growth.
void KelUString::storeUnits(const unsigned short* src, KelLength n) {
    if (n == 0) {
        erase();
        return;
    }
    AssureSpace(n);
    copyUnits(begin(), src, n);
    setLength(n);
}

void KelUString::storeLocal(const char* s, KelLength len, KelCharSet cs) {
    if (s == nullptr || len == 0) {
        erase();
        return;
    }
    KelCharSetConverter* conv = converterFor(cs);
    const KelLength nullSize = std::max<KelLength>(conv->getNullCharSize(), 1);
    storeLocal(s, localTextLength(s, len, nullSize), conv);
}

void KelUString::storeLocal(const KelPascalString* p, KelCharSet cs) {
    if (p == nullptr)
        erase();
    else
        storeLocal(p->m_aText, p->m_nCount, cs);
}

// Converted once, straight into room for the most units the bytes can make.
void KelUString::storeLocal(const char* text, KelLength bytes, KelCharSetConverter* conv) {
    const KelLength room = unitsBound(bytes, conv);
    const bool grows = room > capacity();
    AssureSpace(room);
    setLength(readLocal(conv, text, bytes, begin()));
    if (grows)
        fitBuffer();
}

// Called once the buffer grew onto the heap for a conversion's bound: where
// the text leaves most of it empty it is exchanged for one of the text's
// size, the embedded one where it fits; short of memory, it is kept.
void KelUString::fitBuffer() {
    const KelLength n = size();
    if (!wastesMuch(capacity(), n))
        return;
    unsigned short* heap = begin();
    if (n <= kEmbeddedCapacity) {
        copyUnits(m_pSpace->m_aText, heap, n + 1);
        delete[] heap;
        m_pSpace->m_bHeap = 0;
        m_pSpace->m_pText = m_pSpace->m_aText;
        m_pSpace->m_nCapacity = kEmbeddedCapacity;
        return;
    }
    unsigned short* buffer = new (std::nothrow) unsigned short[n + 1];
    if (buffer == nullptr)
        return;
    copyUnits(buffer, heap, n + 1);
    adoptBuffer(buffer, n);
}

void KelUString::range_error() const {
    throw std::out_of_range("invalid string index given");
}

void KelUString::length_error() const {
    throwLengthError();
}

// Construction

KelUString::KelUString() {
    SetupSpace();
}

KelUString::KelUString(const KelUString& s) {
    initWithUnits(s.begin(), s.size());
}

KelUString::KelUString(const KelUString& s, KelLength pos, KelLength count) {
    pos = std::min(pos, s.size());
    initWithUnits(s.begin() + pos, std::min(count, s.size() - pos));
}

KelUString::KelUString(const unsigned short* p) {
    initWithUnits(p, p != nullptr ? KelCharSetWStrlen(p) : 0);
}

KelUString::KelUString(const unsigned short* p, KelLength count) {
    initWithUnits(p, p != nullptr ? unitsBeforeNul(p, count) : 0);
}

KelUString::KelUString(const unsigned short* first, const unsigned short* last) {
    const bool range = first != nullptr && last != nullptr && first < last;
    initWithUnits(first, range ? static_cast<KelLength>(last - first) : 0);
}

KelUString::KelUString(unsigned short c) {
    SetupSpace();
    if (c != 0)
        storeUnits(&c, 1);
}

KelUString::KelUString(unsigned short c, KelLength count) {
    SetupSpace();
    if (c != 0)
        resize(count, c);
}

KelUString::KelUString(const KelBSTR* b) {
    SetupSpace();
    if (b != nullptr)
        storeUnits(b->m_aText, b->m_nCount);
}

KelUString::KelUString(const KelBSTR& b) : KelUString(&b) {}

KelUString::KelUString(int n) {
    SetupSpace();
    char digits[16];
    const int count = std::snprintf(digits, sizeof digits, "%d", n);
    unsigned short units[sizeof digits];
    std::copy(digits, digits + count, units);
    storeUnits(units, static_cast<KelLength>(count));
}

KelUString::KelUString(const char* s, KelCharSet cs) {
    SetupSpace();
    storeLocal(s, KEL_NPOS, cs);
}

KelUString::KelUString(const char* s, KelLength len, KelCharSet cs) {
    SetupSpace();
    storeLocal(s, len, cs);
}

KelUString::KelUString(char c, KelCharSet cs) {
    SetupSpace();
    storeLocal(&c, 1, cs);
}

KelUString::KelUString(char c, KelLength count, KelCharSet cs) {
    SetupSpace();
    if (c != 0 && count != 0) {
        if (count > max_size())
            length_error();
        const KelLocalText fill(c, count);
        storeLocal(fill.data(), fill.size(), converterFor(cs));
    }
}

KelUString::KelUString(const KelPascalString* p, KelCharSet cs) {
    SetupSpace();
    storeLocal(p, cs);
}

KelUString::KelUString(const KelPascalString& p, KelCharSet cs) : KelUString(&p, cs) {}

KelUString::~KelUString() {
    releaseStorage();
}

// Assignment

KelUString& KelUString::assign(const KelUString& s) {
    if (&s != this)
        restartWith(s.begin(), s.size());
    return *this;
}

KelUString& KelUString::operator=(unsigned short c) {
    storeUnits(&c, c != 0 ? 1 : 0);
    return *this;
}

KelUString& KelUString::operator=(const unsigned short* p) {
    storeUnits(p, KelCharSetWStrlen(p));
    return *this;
}

KelUString& KelUString::operator=(const KelBSTR& b) {
    storeUnits(b.m_aText, b.m_nCount);
    return *this;
}

KelUString& KelUString::operator=(const char* s) {
    storeLocal(s, KEL_NPOS, KELCS_OS_DEFAULT);
    return *this;
}

KelUString& KelUString::operator=(char c) {
    storeLocal(&c, 1, KELCS_OS_DEFAULT);
    return *this;
}

KelUString& KelUString::operator=(const KelPascalString* p) {
    storeLocal(p, KELCS_OS_DEFAULT);
    return *this;
}

// Copying out

KelLength KelUString::copy(unsigned short* dst, KelLength max) const {
    if (dst == nullptr)
        return 0;
    const KelLength n = std::min(size(), max);
    copyUnits(dst, begin(), n);
    return n;
}

// A longer string is cut to what the record's count can hold.
KelLength KelUString::copy(KelBSTR* dst, KelLength max) const {
    if (dst == nullptr)
        return 0;
    const KelLength n = std::min({size(), max, kBSTRMaxUnits});
    dst->m_nCount = static_cast<unsigned short>(n);
    copyUnits(dst->m_aText, begin(), n);
    return n;
}

KelLength KelUString::copy(char* dst, KelLength max, KelCharSet cs) const {
    if (dst == nullptr || max == 0 || empty())
        return 0;
    return converterFor(cs)->fromUTF16(dst, begin(), max, ILLCHAR_REPLACE, nullptr);
}

KelLength KelUString::copy(KelPascalString* dst, KelCharSet cs) const {
    if (dst == nullptr)
        return 0;
    char buffer[kPascalMaxBytes + kSecTextSlack];
    const KelLength n = copy(buffer, kPascalMaxBytes, cs) & 0xFF;
    dst->m_nCount = static_cast<unsigned char>(n);
    std::memcpy(dst->m_aText, buffer, n);
    return n;
}

KelUString& KelUString::erase() {
    if (!empty())
        setLength(0);
    freeSecText();
    return *this;
}

void KelUString::swap(KelUString& other) {
    if (&other == this)
        return;
    KelUString saved(other);
    other.assign(*this);
    assign(saved);
}

// Comparison

int KelUString::canonicalCompare(const unsigned short* a, const unsigned short* b,
                                 KelLength n) const {
    if (n == 0)
        return 0;
    if (a == nullptr || b == nullptr)
        return nullOrder(a, b);
    KelLength i = 0;
    for (; a[i] != 0 && b[i] != 0; ++i) {
        if (a[i] != b[i])
            return unitOrder(a[i], b[i]);
        if (n != npos && --n == 0)
            return 0;
    }
    return endOrder(a[i], b[i]);
}

// Case folding goes to upper case through the full table, so a lower-case
// letter sorts by its upper-case value.
int KelUString::canonicalCompareNoCase(const unsigned short* a, const unsigned short* b,
                                       KelLength n) const {
    if (n == 0)
        return 0;
    if (a == nullptr || b == nullptr)
        return nullOrder(a, b);
    for (KelLength i = 0;; ++i) {
        if (a[i] != b[i]) {
            const unsigned short upperA = KelUChar::toUpperCase(a[i]);
            const unsigned short upperB = KelUChar::toUpperCase(b[i]);
            if (upperA != upperB)
                return unitOrder(upperA, upperB);
        }
        if (n != npos && --n == 0)
            return 0;
        // Only 0 folds to 0, so here both texts end together.
        if (a[i] == 0)
            return 0;
    }
}

int KelUString::compare(const KelUString& s, KelLength n) const {
    if (&s == this || n == 0)
        return 0;
    return canonicalCompare(begin(), s.begin(), n);
}

int KelUString::compareNoCase(const KelUString& s, KelLength n) const {
    if (&s == this || n == 0)
        return 0;
    return canonicalCompareNoCase(begin(), s.begin(), n);
}

bool operator==(const unsigned short* p, const KelUString& s) {
    return KelUString(p) == s;
}
bool operator!=(const unsigned short* p, const KelUString& s) {
    return KelUString(p) != s;
}
bool operator<(const unsigned short* p, const KelUString& s) {
    return KelUString(p) < s;
}
bool operator<=(const unsigned short* p, const KelUString& s) {
    return KelUString(p) <= s;
}
bool operator>(const unsigned short* p, const KelUString& s) {
    return KelUString(p) > s;
}
bool operator>=(const unsigned short* p, const KelUString& s) {
    return KelUString(p) >= s;
}
bool operator==(const char* p, const KelUString& s) {
    return KelUString(p) == s;
}
bool operator!=(const char* p, const KelUString& s) {
    return KelUString(p) != s;
}
bool operator<(const char* p, const KelUString& s) {
    return KelUString(p) < s;
}
bool operator<=(const char* p, const KelUString& s) {
    return KelUString(p) <= s;
}
bool operator>(const char* p, const KelUString& s) {
    return KelUString(p) > s;
}
bool operator>=(const char* p, const KelUString& s) {
    return KelUString(p) >= s;
}

// Searching

KelLength KelUString::find(unsigned short c, KelLength pos) const {
    if (c == 0 || pos >= size())
        return npos;
    const unsigned short* hit = std::find(begin() + pos, end(), c);
    return hit == end() ? npos : static_cast<KelLength>(hit - begin());
}

KelLength KelUString::rfind(unsigned short c, KelLength pos) const {
    if (c == 0 || empty())
        return npos;
    for (KelLength i = std::min(pos, size() - 1) + 1; i-- > 0;) {
        if (begin()[i] == c)
            return i;
    }
    return npos;
}

bool KelUString::matchesAt(KelLength i, const KelUString& s) const {
    return begin()[i] == s.begin()[0] &&
           canonicalCompare(begin() + i + 1, s.begin() + 1, s.size() - 1) == 0;
}

KelLength KelUString::find(const KelUString& s, KelLength pos) const {
    if (pos >= size() || s.empty() || s.size() > size())
        return npos;
    if (&s == this)
        return pos == 0 ? 0 : npos;
    for (KelLength i = pos; i <= size() - s.size(); ++i) {
        if (matchesAt(i, s))
            return i;
    }
    return npos;
}

KelLength KelUString::rfind(const KelUString& s, KelLength pos) const {
    if (empty() || s.empty())
        return npos;
    if (&s == this)
        return 0;
    if (s.size() > size())
        return npos;
    for (KelLength i = std::min(pos, size() - s.size()) + 1; i-- > 0;) {
        if (matchesAt(i, s))
            return i;
    }
    return npos;
}

// Element access and substrings

unsigned short& KelUString::at(KelLength i) {
    if (i >= size())
        range_error();
    return begin()[i];
}

const unsigned short& KelUString::at(KelLength i) const {
    if (i >= size())
        range_error();
    return begin()[i];
}

// A count that reaches past the end is rejected even where pos + count
// would wrap around to a small value.
KelUString KelUString::mid(KelLength pos, KelLength count) const {
    if (count == npos) {
        if (pos > size())
            return KelUString();
        count = size() - pos;
    }
    if (pos > size() || count > size() - pos)
        range_error();
    return KelUString(*this, pos, count);
}

KelUString KelUString::left(KelLength n) const {
    if (n > size())
        range_error();
    return KelUString(*this, 0, n);
}

// Editing

KelUString& KelUString::replace(KelLength pos, KelLength len, const KelUString& s, KelLength spos,
                                KelLength slen) {
    if (pos > size() || spos > s.size())
        range_error();
    len = std::min(len, size() - pos);
    slen = std::min(slen, s.size() - spos);
    if (max_size() - (size() - len) < slen)
        length_error();
    if (&s == this)
        return replace(pos, len, KelUString(s, spos, slen), 0, slen);
    const KelLength newLength = size() - len + slen;
    if (newLength == 0)
        return erase();
    growKeepingText(newLength);
    copyUnits(begin() + pos + slen, begin() + pos + len, size() - pos - len);
    copyUnits(begin() + pos, s.begin() + spos, slen);
    setLength(newLength);
    return *this;
}

KelUString& KelUString::replace(const unsigned short* first, const unsigned short* last,
                                const KelUString& s) {
    const std::less_equal<const unsigned short*> notAfter;
    const unsigned short* text = begin();
    if (!notAfter(text, first) || !notAfter(first, last) || !notAfter(last, end()))
        range_error();
    return replace(static_cast<KelLength>(first - text), static_cast<KelLength>(last - first), s, 0,
                   s.size());
}

KelUString& KelUString::append(const KelUString& s) {
    return replace(size(), 0, s, 0, s.size());
}

KelUString& KelUString::erase(KelLength pos, KelLength count) {
    if (empty())
        return *this;
    if (pos == 0 && (count == size() || count == npos))
        return erase();
    return replace(pos, count, KelUString(), 0, 0);
}

void KelUString::resize(KelLength n, unsigned short c) {
    if (n == size())
        return;
    if (n > max_size())
        length_error();
    if (n == 0) {
        erase();
        return;
    }
    const KelLength old = size();
    growKeepingText(n);
    if (n > old)
        std::fill(begin() + old, begin() + n, c);
    setLength(n);
}

// The new units are the conversion of the fill bytes; where the set makes
// fewer units of them (a lone lead byte), the rest is U+FFFD.
void KelUString::resize(KelLength n, char c, KelCharSet cs) {
    if (n <= size() || c == 0) {
        resize(n, static_cast<unsigned short>(0));
        return;
    }
    if (n > max_size())
        length_error();
    const KelLength old = size();
    const KelLocalText fill(c, n - old);
    KelCharSetConverter* conv = converterFor(cs);
    growKeepingText(n);
    // No set makes more units than bytes, so the conversion fits in front of n.
    const KelLength written = readLocal(conv, fill.data(), fill.size(), begin() + old);
    std::fill(begin() + old + written, begin() + n, kReplacementUnit);
    setLength(n);
}

void KelUString::changeCase(unsigned short (*map)(unsigned short)) {
    if (empty())
        return;
    std::transform(begin(), end(), begin(), map);
    freeSecText();
}

void KelUString::toUpper(bool asciiOnly) {
    changeCase(asciiOnly ? upper_case : KelUChar::toUpperCase);
}

void KelUString::toLower(bool asciiOnly) {
    changeCase(asciiOnly ? lower_case : KelUChar::toLowerCase);
}

KelUString& KelUString::trim(TrimCmd cmd, TrimTarget target) {
    const auto trimmed = [target](unsigned short c) { return isTrimmed(c, target); };
    if ((cmd & TRIM_LEADING) != 0) {
        const KelLength lead =
            static_cast<KelLength>(std::find_if_not(begin(), end(), trimmed) - begin());
        if (lead != 0) {
            copyUnits(begin(), begin() + lead, size() - lead);
            setLength(size() - lead);
        }
    }
    if ((cmd & TRIM_TRAILING) != 0) {
        const unsigned short* last = std::find_if_not(std::make_reverse_iterator(end()),
                                                      std::make_reverse_iterator(begin()), trimmed)
                                         .base();
        setLength(static_cast<KelLength>(last - begin()));
    }
    freeSecText();
    return *this;
}

// Concatenation

KelUString KelUString::operator+(const KelUString& s) const {
    KelUString result(*this);
    result.append(s);
    return result;
}

KelUString KelUString::operator+(unsigned short c) const {
    return *this + KelUString(c);
}
KelUString KelUString::operator+(const unsigned short* p) const {
    return *this + KelUString(p);
}
KelUString KelUString::operator+(const char* s) const {
    return *this + KelUString(s);
}
KelUString KelUString::operator+(char c) const {
    return *this + KelUString(c);
}
KelUString operator+(unsigned short c, const KelUString& s) {
    return KelUString(c) + s;
}
KelUString operator+(const unsigned short* p, const KelUString& s) {
    return KelUString(p) + s;
}
KelUString operator+(const char* p, const KelUString& s) {
    return KelUString(p) + s;
}
KelUString operator+(char c, const KelUString& s) {
    return KelUString(c) + s;
}

// Local character sets

const char* KelUString::c_str(KelCharSet cs) {
    if (empty())
        return kEmptyText;
    StringSpace* space = m_pSpace;
    if (space->m_pSecText != nullptr && space->m_eSecTextCharSet == cs)
        return space->m_pSecText;
    // Converted once, into room for the most bytes the text can make; the
    // earlier copy goes only once the new one exists.
    KelCharSetConverter* conv = converterFor(cs);
    const KelLength room = secTextRoom(conv, begin(), size());
    SecText block = allocSecText(room + kSecTextSlack);
    const KelLength bytes =
        writeLocal(conv, begin(), size(), reinterpret_cast<char*>(block.get()), room);
    if (wastesMuch(room, bytes))
        fitSecText(block, bytes);
    freeSecText();
    space->m_pSecText = reinterpret_cast<char*>(block.release());
    space->m_nSecTextLength = bytes;
    space->m_eSecTextCharSet = cs;
    return space->m_pSecText;
}

KelLength KelUString::length(KelCharSet cs) const {
    return empty() ? 0 : converterFor(cs)->getNumBytes(begin(), size());
}

unsigned int& KelUString::at_utf32(KelLength i) {
    if (empty())
        range_error();
    c_str(KELCS_UTF32);
    if (i >= m_pSpace->m_nSecTextLength / sizeof(unsigned int))
        range_error();
    return reinterpret_cast<unsigned int*>(m_pSpace->m_pSecText)[i];
}

KelLength KelUString::numChars() const {
    const StringSpace* space = m_pSpace;
    if (space->m_pSecText != nullptr && space->m_eSecTextCharSet == KELCS_UTF32)
        return space->m_nSecTextLength / sizeof(unsigned int);
    return length(KELCS_UTF32) / sizeof(unsigned int);
}
