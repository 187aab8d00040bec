#include "KelCharSet.h"

#include "KelCharSetConverterManager.h"
#include "KelConverterHelpers.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

KelCharSetConverter::~KelCharSetConverter() = default;

KelLength KelCharSetConverter::fromUTF8(void*, const unsigned char*, KelLength, ILLCHAR_OPTYPE,
                                        bool*) {
    return 0;
}

KelLength KelCharSetConverter::toUTF8(unsigned char*, const void*, KelLength, ILLCHAR_OPTYPE,
                                      bool*) {
    return 0;
}

KelLength KelCharSetWStrlen(const unsigned short* s) {
    return s == nullptr ? 0 : kel::unitsBeforeNul<unsigned short>(s, KEL_NPOS);
}

bool KelCharSetWStrEqual(const unsigned short* a, const unsigned short* b) {
    if (a == nullptr || b == nullptr)
        return a == b;
    for (; *a != 0; ++a, ++b) {
        if (*a != *b)
            return false;
    }
    return *b == 0;
}

namespace {

// Every writer stores the same value: the manager's answer for an identifier
// does not change after start-up.
std::atomic<KelCharSetConverter*> cachedOsDefaultConverter{nullptr};
std::atomic<KelCharSetConverter*> cachedUtf8Converter{nullptr};

std::atomic<KelCharSetConverter*>* cacheFor(KelCharSet cs) {
    if (cs == KELCS_OS_DEFAULT)
        return &cachedOsDefaultConverter;
    if (cs == KELCS_UTF8)
        return &cachedUtf8Converter;
    return nullptr;
}

} // namespace

KelCharSetConverter* KelCharSetConverter::getConverter(KelCharSet cs) {
    std::atomic<KelCharSetConverter*>* cache = cacheFor(cs);
    if (cache != nullptr) {
        KelCharSetConverter* cached = cache->load(std::memory_order_relaxed);
        if (cached != nullptr)
            return cached;
    }
    KelCharSetConverter* conv = g_oCnvtMgr.getConverter(cs);
    if (cache != nullptr)
        cache->store(conv, std::memory_order_relaxed);
    return conv;
}

KelCharSet KelCharSetFromString(const char* name) {
    return g_oCnvtMgr.charSetFromString(name);
}

const char* KelCharSetToString(KelCharSet cs) {
    return g_oCnvtMgr.charSetToString(cs);
}

// ---------------------------------------------------------------------------
// Conversion entry points

namespace {

// Every count fits the int the entry points return.
constexpr KelLength kMaxCount = INT_MAX;

int asCount(KelLength n) {
    return static_cast<int>(std::min(n, kMaxCount));
}

KelCharSetConverter* converterOf(KelCharSet cs) {
    return KelCharSetConverter::getConverter(cs);
}

// The room a capacity leaves once the terminator is set aside; false when it
// cannot even hold the terminator.
bool roomFor(KelLength capacity, KelLength nullSize, KelLength& room) {
    if (capacity < nullSize)
        return false;
    room = std::min(capacity - nullSize, kMaxCount);
    return true;
}

bool roomFor(int capacity, KelLength nullSize, KelLength& room) {
    return capacity > 0 && roomFor(static_cast<KelLength>(capacity), nullSize, room);
}

// UTF-16 text converted from a source of `len` units: on the stack for short
// texts, on the heap beyond, so that no input decides the stack's size.
class ScratchText {
public:
    // False when the text is too large or memory runs out.
    bool reserve(KelLength len) {
        if (len >= kMaxCount)
            return false;
        if (len < kStackUnits)
            return true;
        m_pHeap.reset(new (std::nothrow) unsigned short[len + 1]);
        m_pText = m_pHeap.get();
        return m_pText != nullptr;
    }

    unsigned short* data() { return m_pText; }

private:
    static constexpr KelLength kStackUnits = 512;
    unsigned short m_aStack[kStackUnits];
    std::unique_ptr<unsigned short[]> m_pHeap;
    unsigned short* m_pText = m_aStack;
};

// The bytes of the whole units of the `len` bytes of local text in front of
// its first 0 byte: a unit of a wider set cut by the 0 byte is left out.
KelLength wholeUnitBytes(const KelCharSetConverter* conv, KelLength len) {
    const KelLength unitSize = conv->getMinUnitSize();
    return len / unitSize * unitSize;
}

// Converts the `len` bytes of local text in front of its first 0 byte. The
// converter reads no further, also when its units are wider than a byte.
KelLength readLocalText(KelCharSetConverter* conv, unsigned short* dst, const char* src,
                        KelLength len, KelLength room, bool* pIllegal) {
    const KelLength units = len / conv->getMinUnitSize();
    if (units == 0) {
        dst[0] = 0;
        return 0;
    }
    return conv->toUTF16(dst, src, room, ILLCHAR_REPLACE, pIllegal, static_cast<int>(units));
}

// Local text that is not valid in its stated character set is read again as
// ISO-8859-1, so that every byte arrives as the code point of its value.
// Returns the units written; pIllegal tells whether even that failed.
KelLength readLocalOrLatin1(unsigned short* dst, const char* src, KelLength len, KelLength room,
                            KelCharSet cs, bool* pIllegal) {
    const KelLength n = readLocalText(converterOf(cs), dst, src, len, room, pIllegal);
    if (!*pIllegal)
        return n;
    return readLocalText(converterOf(KELCS_ISO_8859_1), dst, src, len, room, pIllegal);
}

// The conversions between local text and UTF-8 go through UTF-16 with the
// counted operations, which run the sets' block kernels where those between
// local text and UTF-8 convert a character at a time. They take only text
// that converts whole with no problem, in which they write what the
// terminated operations write; anything else (a substitute, a fallback set,
// a cut, truncation) is left to those, so that no result changes.
bool convertedWhole(const KelConversionResult& r) {
    return r.stop == KelStop::EndOfInput;
}

// Reads UTF-8 into `text` as the terminated read would and says whether it
// did. The JVM's NUL (C0 80, the only form with a C0 byte) ends the text
// there, so text with a C0 byte is left to that read.
bool readUTF8Counted(unsigned short* text, const unsigned char* src, KelLength len,
                     KelLength& units) {
    if (std::memchr(src, 0xC0, len) != nullptr)
        return false;
    const KelConversionResult r =
        converterOf(KELCS_UTF8)
            ->decodeCounted(src, len, text, len, KelOnProblem::Stop, true, nullptr);
    units = r.written;
    return convertedWhole(r);
}

// Terminated first, so that a caller who reads the destination after a
// result of 0 finds an empty text, never what the buffer held before.
int utf8ToLocal(char* dst, const unsigned char* src, KelLength room, KelCharSetConverter* conv,
                ILLCHAR_OPTYPE opType) {
    const KelLength nullSize = conv->getNullCharSize();
    std::memset(dst, 0, nullSize);
    const KelLength len = std::strlen(reinterpret_cast<const char*>(src));
    ScratchText text;
    if (len == 0 || !text.reserve(len))
        return 0;
    KelLength units = 0;
    if (readUTF8Counted(text.data(), src, len, units)) {
        const KelConversionResult r =
            conv->encodeCounted(text.data(), units, dst, room, KelOnProblem::Stop, true);
        if (convertedWhole(r)) {
            std::memset(dst + r.written, 0, nullSize);
            return asCount(r.written);
        }
        text.data()[units] = 0;
    } else {
        converterOf(KELCS_UTF8)->toUTF16(text.data(), src, len, ILLCHAR_REPLACE, nullptr, -1);
    }
    return asCount(conv->fromUTF16(dst, text.data(), room, opType, nullptr));
}

int utf16ToUTF8(unsigned char* dst, const unsigned short* src, KelLength room) {
    return asCount(converterOf(KELCS_UTF8)->fromUTF16(dst, src, room, ILLCHAR_REPLACE, nullptr));
}

// Turns every well-formed escape back into its unit; a decoded unit is never
// read again. "U+0000" stays text: a 0 unit would cut the name.
void resolveEscapes(unsigned short* text, KelLength count) {
    KelLength out = 0;
    for (KelLength in = 0; in < count;) {
        unsigned short unit = 0;
        if (kel::readEscape(text + in, count - in, unit) && unit != 0) {
            text[out++] = unit;
            in += kel::kEscapeLength;
        } else {
            text[out++] = text[in++];
        }
    }
    text[out] = 0;
}

// Whether UTF-8 text holds "U+", with which every escape starts.
bool holdsEscapeStart(const unsigned char* text, KelLength n) {
    const unsigned char* end = text + n;
    for (const unsigned char* p = text; p != end; ++p) {
        p = static_cast<const unsigned char*>(std::memchr(p, '+', end - p));
        if (p == nullptr)
            return false;
        if (p != text && p[-1] == 'U')
            return true;
    }
    return false;
}

// The `count` units read from local text, to UTF-8 with its escapes
// resolved (`escapes`) or not.
int terminatedToUTF8(unsigned char* dst, unsigned short* text, KelLength count, KelLength room,
                     bool escapes) {
    if (escapes)
        resolveEscapes(text, count);
    return utf16ToUTF8(dst, text, room);
}

// As terminatedToUTF8, counted where the text converts whole with no
// problem and the terminated conversion would neither end it at a 0 unit
// (a U+0000 the set spells otherwise than with its NUL character) nor find
// escapes in it.
int unitsToUTF8(unsigned char* dst, unsigned short* text, KelLength count, KelLength room,
                bool escapes) {
    const KelConversionResult r =
        converterOf(KELCS_UTF8)->encodeCounted(text, count, dst, room, KelOnProblem::Stop, true);
    if (convertedWhole(r) && std::memchr(dst, 0, r.written) == nullptr &&
        !(escapes && holdsEscapeStart(dst, r.written))) {
        dst[r.written] = 0;
        return asCount(r.written);
    }
    text[count] = 0;
    return terminatedToUTF8(dst, text, count, room, escapes);
}

// Local text in `conv`'s set to UTF-8 through a UTF-16 copy, read counted
// or else by `readLocal(text, src, len, count)`, which says whether the
// text is fit to pass on.
template <typename Capacity, typename ReadLocal>
int localToUTF8(unsigned char* dst, const char* src, Capacity dstLen, KelCharSetConverter* conv,
                bool escapes, ReadLocal readLocal) {
    KelLength room = 0;
    if (dst == nullptr || src == nullptr || !roomFor(dstLen, 1, room))
        return 0;
    dst[0] = 0; // as in utf8ToLocal
    const KelLength len = std::strlen(src);
    ScratchText text;
    if (len == 0 || !text.reserve(len))
        return 0;
    const KelConversionResult r = conv->decodeCounted(src, wholeUnitBytes(conv, len), text.data(),
                                                      len, KelOnProblem::Stop, true, nullptr);
    if (convertedWhole(r))
        return unitsToUTF8(dst, text.data(), r.written, room, escapes);
    KelLength count = 0;
    if (!readLocal(text.data(), src, len, count))
        return 0;
    return terminatedToUTF8(dst, text.data(), count, room, escapes);
}

} // namespace

int UTF8ToUTF16(unsigned short* dst, const unsigned char* src, KelLength dstLen) {
    KelLength room = 0;
    if (dst == nullptr || src == nullptr || !roomFor(dstLen, 1, room))
        return 0;
    return asCount(converterOf(KELCS_UTF8)->toUTF16(dst, src, room, ILLCHAR_REPLACE, nullptr, -1));
}

int UTF16ToUTF8(unsigned char* dst, const unsigned short* src, KelLength dstLen) {
    KelLength room = 0;
    if (dst == nullptr || src == nullptr || !roomFor(dstLen, 1, room))
        return 0;
    return utf16ToUTF8(dst, src, room);
}

int UTF16ToLocal(char* dst, const unsigned short* src, KelCapacity dstLen, KelCharSet cs) {
    KelCharSetConverter* conv = converterOf(cs);
    KelLength room = 0;
    if (dst == nullptr || src == nullptr || !roomFor(dstLen, conv->getNullCharSize(), room))
        return 0;
    return asCount(conv->fromUTF16(dst, src, room, ILLCHAR_REPLACE, nullptr));
}

int LocalToUTF16(unsigned short* dst, const char* src, int dstLen, KelCharSet cs) {
    KelLength room = 0;
    if (dst == nullptr || src == nullptr || !roomFor(dstLen, 1, room))
        return 0;
    const KelLength len = std::strlen(src);
    KelCharSetConverter* conv = converterOf(cs);
    const KelConversionResult r = conv->decodeCounted(src, wholeUnitBytes(conv, len), dst, room,
                                                      KelOnProblem::Stop, true, nullptr);
    if (convertedWhole(r)) {
        dst[r.written] = 0;
        return asCount(r.written);
    }
    bool illegal = false;
    return asCount(readLocalOrLatin1(dst, src, len, room, cs, &illegal));
}

int UTF8ToLocal(char* dst, const unsigned char* src, KelCapacity dstLen, KelCharSet cs) {
    if (dst == nullptr || src == nullptr)
        return 0;
    KelCharSetConverter* conv = converterOf(cs);
    KelLength room = 0;
    if (!roomFor(dstLen, conv->getNullCharSize(), room))
        return 0;
    return utf8ToLocal(dst, src, room, conv, ILLCHAR_REPLACE);
}

int UTF8ToLocalPath(char* dst, const unsigned char* src, int dstLen) {
    if (dst == nullptr || src == nullptr)
        return 0;
    KelCharSetConverter* conv = converterOf(KELCS_OS_DEFAULT);
    KelLength room = 0;
    if (!roomFor(dstLen, conv->getNullCharSize(), room))
        return 0;
    return utf8ToLocal(dst, src, room, conv, ILLCHAR_ESCAPE);
}

int LocalToUTF8(unsigned char* dst, const char* src, KelCapacity dstLen, KelCharSet cs) {
    return localToUTF8(
        dst, src, dstLen, converterOf(cs), false,
        [cs](unsigned short* text, const char* local, KelLength len, KelLength& count) {
            bool illegal = false;
            count = readLocalOrLatin1(text, local, len, len, cs, &illegal);
            return !illegal;
        });
}

int LocalPathToUTF8(unsigned char* dst, const char* src, int dstLen) {
    KelCharSetConverter* conv = converterOf(KELCS_OS_DEFAULT);
    return localToUTF8(
        dst, src, dstLen, conv, true,
        [conv](unsigned short* text, const char* local, KelLength len, KelLength& count) {
            count = readLocalText(conv, text, local, len, len, nullptr);
            return count != 0;
        });
}

int GetNumBytes(const unsigned short* src, KelCharSet cs) {
    return asCount(converterOf(cs)->getNumBytes(src, KEL_NPOS));
}

int GetNumUnits(const char* src, KelCharSet cs) {
    // Measured by its first 0 byte like every local text of these functions.
    return src == nullptr ? 0 : asCount(converterOf(cs)->getNumUnits(src, std::strlen(src)));
}

int GetNullCharSize(KelCharSet cs) {
    return asCount(converterOf(cs)->getNullCharSize());
}

int GetMaxUnitSize(KelCharSet cs) {
    return asCount(converterOf(cs)->getMaxUnitSize());
}

int GetMinUnitSize(KelCharSet cs) {
    return asCount(converterOf(cs)->getMinUnitSize());
}
