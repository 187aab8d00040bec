#ifndef KELUSTRING_H
#define KELUSTRING_H

#include "KelCharSet.h"
#include "KelTypes.h"

#include <cstdint>
#include <iosfwd>
#include <memory>

// Length-prefixed UTF-16 record: the count, then that many units, no terminator.
struct KelBSTR {
    unsigned short m_nCount;
    unsigned short m_aText[0xFFFF];
};

// Length-prefixed 8-bit record of local text: the count, then that many bytes,
// no terminator.
struct KelPascalString {
    unsigned char m_nCount;
    char m_aText[0xFF];
};

// A private copy of local text for a converter: the caller's bytes up to the
// first NUL character, followed by zero bytes. Converters may read a little
// past a character that the caller's count cuts off; on this copy they read
// the padding and never beyond what the caller gave.
class KelLocalText {
public:
    // At most len bytes of src (KEL_NPOS: up to the NUL character), cut at
    // the first NUL character of nullSize bytes.
    KelLocalText(const char* src, KelLength len, KelLength nullSize);
    // count copies of the byte c.
    KelLocalText(char c, KelLength count);
    KelLocalText(const KelLocalText&) = delete;
    KelLocalText& operator=(const KelLocalText&) = delete;

    const char* data() const { return m_pData; }
    KelLength size() const { return m_nSize; }

    // Zero bytes behind the text: enough to complete a last unit cut by the
    // length and still leave a whole NUL character of the widest set (4 bytes).
    static constexpr KelLength kPadding = 7;

private:
    char* reserve(KelLength n);

    static constexpr KelLength kStackBytes = 1024;
    std::unique_ptr<char[]> m_pHeap;
    char* m_pData;
    KelLength m_nSize;
    char m_aStack[kStackBytes + kPadding];
};

class KelUStringList;

class KelUString {
public:
    static constexpr KelLength npos = KEL_NPOS;
    static constexpr KelLength kEmbeddedCapacity = 257;

    enum TrimCmd { TRIM_LEADING = 1, TRIM_TRAILING = 2, TRIM_BOTH = 3 };
    enum TrimTarget { TRIM_WHITESPACE = 0, TRIM_SPACE = 1, TRIM_WHITESPACE_NONCHAR = 2 };

    struct StringSpace {
        std::uint32_t m_bHeap;
        unsigned short* m_pText;
        KelLength m_nLength;
        KelLength m_nCapacity;
        char* m_pSecText;
        KelLength m_nSecTextLength;
        KelCharSet m_eSecTextCharSet;
        unsigned short m_aText[kEmbeddedCapacity + 1];
    };

    KelUString();
    KelUString(const KelUString& s);
    KelUString(const KelUString& s, KelLength pos, KelLength count);
    KelUString(const unsigned short* p);
    KelUString(const unsigned short* p, KelLength count);
    KelUString(const unsigned short* first, const unsigned short* last);
    KelUString(unsigned short c);
    KelUString(unsigned short c, KelLength count);
    KelUString(const KelBSTR* b);
    KelUString(const KelBSTR& b);
    KelUString(int n);
    KelUString(const char* s, KelCharSet cs = KELCS_OS_DEFAULT);
    KelUString(const char* s, KelLength len, KelCharSet cs = KELCS_OS_DEFAULT);
    KelUString(char c, KelCharSet cs = KELCS_OS_DEFAULT);
    KelUString(char c, KelLength count, KelCharSet cs = KELCS_OS_DEFAULT);
    KelUString(const KelPascalString* p, KelCharSet cs = KELCS_OS_DEFAULT);
    KelUString(const KelPascalString& p, KelCharSet cs = KELCS_OS_DEFAULT);
    virtual ~KelUString();

    // Storage. Both sizing members keep nothing when they grow the buffer.
    void assureSize(KelLength n) { AssureSpace(n); }
    void initForAlloc() { SetupSpace(); }

    KelLength size() const { return m_pSpace != nullptr ? m_pSpace->m_nLength : 0; }
    KelLength capacity() const { return m_pSpace->m_nCapacity; }
    bool empty() const { return size() == 0; }
    KelLength max_size() const { return KEL_NPOS - 1; }
    unsigned short* begin() { return m_pSpace->m_pText; }
    unsigned short* end() { return begin() + size(); }
    const unsigned short* begin() const { return m_pSpace->m_pText; }
    const unsigned short* end() const { return begin() + size(); }

    [[noreturn]] void range_error() const;
    [[noreturn]] void length_error() const;

    // Assignment.
    KelUString& assign(const KelUString& s);
    KelUString& operator=(const KelUString& s) { return assign(s); }
    KelUString& operator=(unsigned short c);
    KelUString& operator=(const unsigned short* p);
    KelUString& operator=(const KelBSTR& b);
    KelUString& operator=(const char* s);
    KelUString& operator=(char c);
    KelUString& operator=(const KelPascalString* p);

    // Copying out; none of these writes a UTF-16 terminator.
    KelLength copy(unsigned short* dst, KelLength max) const;
    KelLength copy(KelBSTR* dst, KelLength max) const;
    KelLength copy(char* dst, KelLength max, KelCharSet cs = KELCS_OS_DEFAULT) const;
    KelLength copy(KelPascalString* dst, KelCharSet cs = KELCS_OS_DEFAULT) const;

    // Comparison by unsigned unit value; a 0 unit ends a text.
    int canonicalCompare(const unsigned short* a, const unsigned short* b, KelLength n) const;
    int canonicalCompareNoCase(const unsigned short* a, const unsigned short* b, KelLength n) const;
    int compare(const KelUString& s, KelLength n = npos) const;
    int compareNoCase(const KelUString& s, KelLength n = npos) const;
    bool operator<(const KelUString& s) const { return compare(s) < 0; }
    bool operator<=(const KelUString& s) const { return compare(s) <= 0; }
    bool operator>(const KelUString& s) const { return compare(s) > 0; }
    bool operator>=(const KelUString& s) const { return compare(s) >= 0; }
    bool operator==(const KelUString& s) const { return compare(s) == 0; }
    bool operator!=(const KelUString& s) const { return compare(s) != 0; }

    // Searching; npos when nothing is found.
    KelLength find(unsigned short c, KelLength pos = 0) const;
    KelLength rfind(unsigned short c, KelLength pos = npos) const;
    KelLength find(const KelUString& s, KelLength pos = 0) const;
    KelLength rfind(const KelUString& s, KelLength pos = npos) const;

    unsigned short& at(KelLength i);
    const unsigned short& at(KelLength i) const;
    unsigned int& at_utf32(KelLength i);
    KelLength numChars() const;

    KelUString mid(KelLength pos, KelLength count = npos) const;
    KelUString left(KelLength n) const;

    // Editing.
    KelUString& replace(KelLength pos, KelLength len, const KelUString& s, KelLength spos,
                        KelLength slen);
    KelUString& replace(const unsigned short* first, const unsigned short* last,
                        const KelUString& s);
    KelUString& append(const KelUString& s);
    KelUString& operator+=(const KelUString& s) { return append(s); }
    KelUString& erase();
    KelUString& erase(KelLength pos, KelLength count = npos);
    void resize(KelLength n, unsigned short c);
    void resize(KelLength n, char c, KelCharSet cs = KELCS_OS_DEFAULT);
    void toUpper(bool asciiOnly = false);
    void toLower(bool asciiOnly = false);
    KelUString& trim(TrimCmd cmd = TRIM_BOTH, TrimTarget target = TRIM_WHITESPACE);
    void swap(KelUString& other);

    // Cut at every occurrence of the separator (KelUStringList.h); an empty
    // separator or the unit 0 gives the whole string as the only element.
    KelUStringList split(const KelUString& sep) const;
    KelUStringList split(unsigned short c) const;
    KelUStringList split(char c, KelCharSet cs = KELCS_OS_DEFAULT) const;

    KelUString operator+(const KelUString& s) const;
    KelUString operator+(unsigned short c) const;
    KelUString operator+(const unsigned short* p) const;
    KelUString operator+(const char* s) const;
    KelUString operator+(char c) const;

    // Text in a local character set. The pointer of c_str stays valid until
    // the text changes through a member or another set is asked for.
    const char* c_str(KelCharSet cs = KELCS_OS_DEFAULT);
    KelLength length(KelCharSet cs) const;

protected:
    StringSpace* SetupSpace();
    StringSpace* SetupSpace(KelLength n);
    void AssureSpace(KelLength n);
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
    void storeLocal(const KelLocalText& text, KelCharSetConverter* conv);
    void fitBuffer();
    void setLength(KelLength n);
    bool matchesAt(KelLength i, const KelUString& s) const;
    void changeCase(unsigned short (*map)(unsigned short));

    StringSpace* m_pSpace;
    StringSpace m_oSpace;
};

KelUString operator+(unsigned short c, const KelUString& s);
KelUString operator+(const unsigned short* p, const KelUString& s);
KelUString operator+(const char* p, const KelUString& s);
KelUString operator+(char c, const KelUString& s);

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

// Streams carry bytes in the default character set. The readers go straight
// to the stream buffer without a sentry, so they also read from a stream
// whose state is not good; they store at most width() - 1 bytes when a width
// is set. The default line delimiter is the carriage return.
std::istream& getline(std::istream& is, KelUString& s, char delim);
std::istream& getline(std::istream& is, KelUString& s);
std::istream& operator>>(std::istream& is, KelUString& s);
std::ostream& operator<<(std::ostream& os, const KelUString& s);

#endif
