#ifndef KELUSTRING_H
#define KELUSTRING_H

#include "KelCharSet.h"
#include "KelTypes.h"

#include <cstdint>
#include <iosfwd>
#include <memory>

/// \file
/// The UTF-16 string class, and the records and text it converts from.

/// Length-prefixed UTF-16 record: the count, then that many units, no terminator.
struct KelBSTR {
    unsigned short m_nCount;        ///< the units of the text
    unsigned short m_aText[0xFFFF]; ///< the text
};

/// Length-prefixed 8-bit record of local text: the count, then that many bytes,
/// no terminator.
struct KelPascalString {
    unsigned char m_nCount; ///< the bytes of the text
    char m_aText[0xFF];     ///< the text
};

/// Local text made of one byte repeated, for the fills of KelUString: on the
/// stack when short.
class KelLocalText {
public:
    /// count copies of the byte c.
    KelLocalText(char c, KelLength count);
    KelLocalText(const KelLocalText&) = delete;
    KelLocalText& operator=(const KelLocalText&) = delete;

    /// The bytes.
    const char* data() const { return m_pData; }
    /// Their count.
    KelLength size() const { return m_nSize; }

private:
    char* reserve(KelLength n);

    static constexpr KelLength kStackBytes = 1024;
    std::unique_ptr<char[]> m_pHeap;
    char* m_pData;
    KelLength m_nSize;
    char m_aStack[kStackBytes];
};

class KelUStringList;

/// A UTF-16 string that converts to and from every character set. Up to
/// kEmbeddedCapacity units live inside the object; longer text goes to the
/// heap. Positions and lengths count UTF-16 units. Members that change the
/// string check first and throw range_error() or length_error() with the
/// string unchanged. An object belongs to one thread at a time.
class KelUString {
public:
    /// "No position" for searches, "to the end" for counts.
    static constexpr KelLength npos = KEL_NPOS;
    /// The units the object holds without a heap buffer.
    static constexpr KelLength kEmbeddedCapacity = 257;

    /// Which end trim() cuts.
    enum TrimCmd {
        TRIM_LEADING = 1,  ///< the start
        TRIM_TRAILING = 2, ///< the end
        TRIM_BOTH = 3      ///< both ends
    };
    /// What trim() cuts.
    enum TrimTarget {
        TRIM_WHITESPACE = 0,        ///< white space (KelUChar::isWhiteSpace)
        TRIM_SPACE = 1,             ///< the space U+0020 only
        TRIM_WHITESPACE_NONCHAR = 2 ///< white space and units of class 0 (KelUChar::isNonChar)
    };

    /// The storage of a string: its units, and the converted copy that
    /// c_str() hands out.
    struct StringSpace {
        std::uint32_t m_bHeap;        ///< nonzero when m_pText is a heap buffer
        unsigned short* m_pText;      ///< the units, followed by a 0 unit
        KelLength m_nLength;          ///< the units of the text
        KelLength m_nCapacity;        ///< the units m_pText holds besides the 0 unit
        char* m_pSecText;             ///< the converted copy that c_str() handed out, or null
        KelLength m_nSecTextLength;   ///< its bytes
        KelCharSet m_eSecTextCharSet; ///< its set
        unsigned short m_aText[kEmbeddedCapacity + 1]; ///< the embedded storage
    };

    /// The empty string.
    KelUString();
    /// A copy of `s`.
    KelUString(const KelUString& s);
    /// `count` units of `s` from `pos` (npos: to the end), as many as there
    /// are.
    KelUString(const KelUString& s, KelLength pos, KelLength count);
    /// Zero-terminated UTF-16 text; null gives the empty string.
    KelUString(const unsigned short* p);
    /// `count` units of UTF-16 text, or fewer where a 0 unit comes first.
    KelUString(const unsigned short* p, KelLength count);
    /// The units from `first` up to `last`.
    KelUString(const unsigned short* first, const unsigned short* last);
    /// One unit; the unit 0 gives the empty string.
    KelUString(unsigned short c);
    /// `count` copies of one unit (none of the unit 0).
    KelUString(unsigned short c, KelLength count);
    /// The text of a length-prefixed UTF-16 record.
    ///@{
    KelUString(const KelBSTR* b);
    KelUString(const KelBSTR& b);
    ///@}
    /// The decimal digits of `n`, with a minus sign when negative.
    KelUString(int n);
    /// NUL-terminated text of the set `cs`; malformed input becomes U+FFFD.
    KelUString(const char* s, KelCharSet cs = KELCS_OS_DEFAULT);
    /// At most `len` bytes of text of the set `cs`, up to its NUL character.
    KelUString(const char* s, KelLength len, KelCharSet cs = KELCS_OS_DEFAULT);
    /// One byte of text of the set `cs`.
    KelUString(char c, KelCharSet cs = KELCS_OS_DEFAULT);
    /// `count` copies of one byte of text of the set `cs`.
    KelUString(char c, KelLength count, KelCharSet cs = KELCS_OS_DEFAULT);
    /// The text of a length-prefixed record of the set `cs`.
    ///@{
    KelUString(const KelPascalString* p, KelCharSet cs = KELCS_OS_DEFAULT);
    KelUString(const KelPascalString& p, KelCharSet cs = KELCS_OS_DEFAULT);
    ///@}
    virtual ~KelUString();

    /// Storage. Both sizing members keep nothing when they grow the buffer.
    void assureSize(KelLength n) { AssureSpace(n); }
    /// Points the string at its embedded storage, empty, without freeing a
    /// heap buffer it had.
    void initForAlloc() { SetupSpace(); }

    /// The length in UTF-16 units.
    KelLength size() const { return m_pSpace != nullptr ? m_pSpace->m_nLength : 0; }
    /// The units the current storage holds without growing.
    KelLength capacity() const { return m_pSpace->m_nCapacity; }
    /// True when the string holds no unit.
    bool empty() const { return size() == 0; }
    /// The longest length a string may have.
    KelLength max_size() const { return KEL_NPOS - 1; }
    /// The units, followed by a 0 unit.
    ///@{
    unsigned short* begin() { return m_pSpace->m_pText; }
    unsigned short* end() { return begin() + size(); }
    const unsigned short* begin() const { return m_pSpace->m_pText; }
    const unsigned short* end() const { return begin() + size(); }
    ///@}

    /// Throws std::out_of_range, as the members do for a bad position.
    [[noreturn]] void range_error() const;
    /// Throws std::length_error, as the members do for a length past max_size().
    [[noreturn]] void length_error() const;

    /// Assignment.
    /// Replaces the text; `char` text is in the default character set.
    ///@{
    KelUString& assign(const KelUString& s);
    KelUString& operator=(const KelUString& s) { return assign(s); }
    KelUString& operator=(unsigned short c);
    KelUString& operator=(const unsigned short* p);
    KelUString& operator=(const KelBSTR& b);
    KelUString& operator=(const char* s);
    KelUString& operator=(char c);
    KelUString& operator=(const KelPascalString* p);
    ///@}

    /// Copying out; none of these writes a UTF-16 terminator.
    KelLength copy(unsigned short* dst, KelLength max) const;
    /// Into a length-prefixed record, cut to `max` units and to what its
    /// count holds.
    KelLength copy(KelBSTR* dst, KelLength max) const;
    /// As text of the set `cs`, at most `max` bytes and a NUL character;
    /// unmappable characters become "?". Returns the bytes without the NUL.
    KelLength copy(char* dst, KelLength max, KelCharSet cs = KELCS_OS_DEFAULT) const;
    /// Into a length-prefixed record of the set `cs`, at most 255 bytes.
    KelLength copy(KelPascalString* dst, KelCharSet cs = KELCS_OS_DEFAULT) const;

    /// Comparison by unsigned unit value; a 0 unit ends a text.
    /// Compares at most `n` units (npos: all) of two texts: below, equal to or
    /// above 0 as for strcmp. The no-case form compares upper-case mappings; a
    /// null text comes first.
    ///@{
    int canonicalCompare(const unsigned short* a, const unsigned short* b, KelLength n) const;
    int canonicalCompareNoCase(const unsigned short* a, const unsigned short* b, KelLength n) const;
    ///@}
    /// Compares the first `n` units (npos: all) with `s`.
    ///@{
    int compare(const KelUString& s, KelLength n = npos) const;
    int compareNoCase(const KelUString& s, KelLength n = npos) const;
    ///@}
    /// Comparison by unit value.
    ///@{
    bool operator<(const KelUString& s) const { return compare(s) < 0; }
    bool operator<=(const KelUString& s) const { return compare(s) <= 0; }
    bool operator>(const KelUString& s) const { return compare(s) > 0; }
    bool operator>=(const KelUString& s) const { return compare(s) >= 0; }
    bool operator==(const KelUString& s) const { return compare(s) == 0; }
    bool operator!=(const KelUString& s) const { return compare(s) != 0; }
    ///@}

    /// Searching; npos when nothing is found.
    /// The first position at or after `pos` where the unit `c` is; the unit 0 is never found.
    KelLength find(unsigned short c, KelLength pos = 0) const;
    /// The last position at or before `pos` where the unit `c` is.
    KelLength rfind(unsigned short c, KelLength pos = npos) const;
    /// The first position at or after `pos` where `s` begins; an empty `s` is never found.
    KelLength find(const KelUString& s, KelLength pos = 0) const;
    /// The last position at or before `pos` where `s` begins.
    KelLength rfind(const KelUString& s, KelLength pos = npos) const;

    /// The unit at `i`; range_error() past the end.
    ///@{
    unsigned short& at(KelLength i);
    const unsigned short& at(KelLength i) const;
    ///@}
    /// The `i`th character as UTF-32, from the string's UTF-32 copy (as
    /// c_str(KELCS_UTF32) makes it): writing through the reference changes
    /// that copy, not the text. range_error() past the last character.
    unsigned int& at_utf32(KelLength i);
    /// The characters of the text, a surrogate pair counting one.
    KelLength numChars() const;

    /// `count` units from `pos` (npos: to the end).
    KelUString mid(KelLength pos, KelLength count = npos) const;
    /// The first `n` units; range_error() when the string is shorter.
    KelUString left(KelLength n) const;

    /// Editing.
    KelUString& replace(KelLength pos, KelLength len, const KelUString& s, KelLength spos,
                        KelLength slen);
    /// Replaces the units from `first` up to `last`, pointers into this
    /// string, with `s`.
    KelUString& replace(const unsigned short* first, const unsigned short* last,
                        const KelUString& s);
    /// Appends `s`.
    ///@{
    KelUString& append(const KelUString& s);
    KelUString& operator+=(const KelUString& s) { return append(s); }
    ///@}
    /// Empties the string.
    KelUString& erase();
    /// Removes `count` units from `pos` (npos: to the end).
    KelUString& erase(KelLength pos, KelLength count = npos);
    /// Cuts the string to `n` units, or fills it up to `n` with the unit `c`.
    void resize(KelLength n, unsigned short c);
    /// As resize with a unit, filling with the byte `c` of the set `cs`.
    void resize(KelLength n, char c, KelCharSet cs = KELCS_OS_DEFAULT);
    /// Maps every unit to its upper (lower) case, or only the ASCII letters.
    ///@{
    void toUpper(bool asciiOnly = false);
    void toLower(bool asciiOnly = false);
    ///@}
    /// Cuts the units of `target` from one end or both.
    KelUString& trim(TrimCmd cmd = TRIM_BOTH, TrimTarget target = TRIM_WHITESPACE);
    /// Exchanges the texts of two strings.
    void swap(KelUString& other);

    /// Cut at every occurrence of the separator (KelUStringList.h); an empty
    /// separator or the unit 0 gives the whole string as the only element.
    ///@{
    KelUStringList split(const KelUString& sep) const;
    KelUStringList split(unsigned short c) const;
    KelUStringList split(char c, KelCharSet cs = KELCS_OS_DEFAULT) const;
    ///@}

    /// The string followed by the other text; `char` text is in the default
    /// character set.
    ///@{
    KelUString operator+(const KelUString& s) const;
    KelUString operator+(unsigned short c) const;
    KelUString operator+(const unsigned short* p) const;
    KelUString operator+(const char* s) const;
    KelUString operator+(char c) const;
    ///@}

    /// Text in a local character set. The pointer of c_str stays valid until
    /// the text changes through a member or another set is asked for.
    const char* c_str(KelCharSet cs = KELCS_OS_DEFAULT);
    /// The bytes the text takes in the set `cs`, without a NUL character.
    KelLength length(KelCharSet cs) const;

protected:
    /// Points the string at its embedded storage, empty.
    StringSpace* SetupSpace();
    /// As SetupSpace(), with room for `n` units.
    StringSpace* SetupSpace(KelLength n);
    /// Room for `n` units; when it grows, the text is dropped.
    void AssureSpace(KelLength n);
    /// Drops the converted copy that c_str() handed out.
    void freeSecText();

private:
    unsigned short* allocUnits(KelLength n) const;
    void adoptBuffer(unsigned short* buffer, KelLength capacity);
    void releaseStorage();
    void growKeepingText(KelLength n);
    void initWithUnits(const unsigned short* src, KelLength n);
    void restartWith(const unsigned short* src, KelLength n);
    void storeUnits(const unsigned short* src, KelLength n);
    void storeLocal(const char* s, KelLength len, KelCharSet cs);
    void storeLocal(const KelPascalString* p, KelCharSet cs);
    void storeLocal(const char* text, KelLength bytes, KelCharSetConverter* conv);
    void fitBuffer();
    void setLength(KelLength n);
    bool matchesAt(KelLength i, const KelUString& s) const;
    void changeCase(unsigned short (*map)(unsigned short));

    StringSpace* m_pSpace;
    StringSpace m_oSpace;
};

/// The text followed by the string; `char` text is in the default
/// character set.
///@{
KelUString operator+(unsigned short c, const KelUString& s);
KelUString operator+(const unsigned short* p, const KelUString& s);
KelUString operator+(const char* p, const KelUString& s);
KelUString operator+(char c, const KelUString& s);
///@}

/// Comparison of a text with a string by unit value; `char` text is in the
/// default character set.
///@{
bool operator==(const unsigned short* p, const KelUString& s);
bool operator!=(const unsigned short* p, const KelUString& s);
bool operator<(const unsigned short* p, const KelUString& s);
bool operator<=(const unsigned short* p, const KelUString& s);
bool operator>(const unsigned short* p, const KelUString& s);
bool operator>=(const unsigned short* p, const KelUString& s);
bool operator==(const char* p, const KelUString& s);
bool operator!=(const char* p, const KelUString& s);
bool operator<(const char* p, const KelUString& s);
bool operator<=(const char* p, const KelUString& s);
bool operator>(const char* p, const KelUString& s);
bool operator>=(const char* p, const KelUString& s);
///@}

/// Streams carry bytes in the default character set. The readers go straight
/// to the stream buffer without a sentry, so they also read from a stream
/// whose state is not good; they store at most width() - 1 bytes when a width
/// is set. The default line delimiter is the carriage return. getline
/// reads up to the delimiter, operator>> one word.
///@{
std::istream& getline(std::istream& is, KelUString& s, char delim);
std::istream& getline(std::istream& is, KelUString& s);
std::istream& operator>>(std::istream& is, KelUString& s);
std::ostream& operator<<(std::ostream& os, const KelUString& s);
///@}

#endif
