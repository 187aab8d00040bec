#include "KelCharSet.h"

#include "KelCharSetConverterMBCSEx.h"
#include "KelCharSetConverterDBCS.h"
#include "KelCharSetConverterDBCSEx.h"
#include "KelCharSetConverterEUC_CN_KR.h"
#include "KelCharSetConverterEUC_JP.h"
#include "KelCharSetConverterGB18030.h"
#include "KelCharSetConverterManager.h"
#include "KelCharSetConverterSBCS.h"
#include "KelCharSetConverterUTF16.h"
#include "KelCharSetConverterUTF16Esc.h"
#include "KelCharSetConverterUTF32.h"
#include "KelCharSetConverterUTF8.h"
#include "KelConverterHelpers.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <clocale>
#include <cstdlib>
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
    if (s == nullptr)
        return 0;
    KelLength n = 0;
    while (s[n] != 0)
        ++n;
    return n;
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

// ---------------------------------------------------------------------------
// Compiled-in code-page tables. A table stays unused until its converter is
// registered below.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-variable"
#pragma GCC diagnostic ignored "-Wunused-const-variable"
#include "data/CodePageTables.inc"
#pragma GCC diagnostic pop

// ---------------------------------------------------------------------------
// The static converter objects, in the order of the registry. They live in
// this unit, in front of g_oCnvtMgr, so that all of them are constructed
// before the manager (which registers them and already converts with the
// UTF-8 one while it is built) and destroyed after it.
namespace {

KelCharSetConverterSBCS g_oConverterWCP1250(oCP1250map, KELCS_WCP1250);
KelCharSetConverterSBCS g_oConverterWCP1251(oCP1251map, KELCS_WCP1251);
KelCharSetConverterSBCS g_oConverterWCP1252(oCP1252map, KELCS_WCP1252);
KelCharSetConverterSBCS g_oConverterWCP1253(oCP1253map, KELCS_WCP1253);
KelCharSetConverterSBCS g_oConverterWCP1254(oCP1254map, KELCS_WCP1254);
KelCharSetConverterSBCS g_oConverterWCP1255(oCP1255map, KELCS_WCP1255);
KelCharSetConverterSBCS g_oConverterWCP1256(oCP1256map, KELCS_WCP1256);
KelCharSetConverterSBCS g_oConverterWCP1257(oCP1257map, KELCS_WCP1257);
KelCharSetConverterSBCS g_oConverterWCP1258(oCP1258map, KELCS_WCP1258);
KelCharSetConverterSBCS g_oConverterWCP874(oCP874map, KELCS_WCP874);
KelCharSetConverterSBCS g_oConverterISO_8859_1(o8859_1map, KELCS_ISO_8859_1);
KelCharSetConverterSBCS g_oConverterISO_8859_2(o8859_2map, KELCS_ISO_8859_2);
KelCharSetConverterSBCS g_oConverterISO_8859_3(o8859_3map, KELCS_ISO_8859_3);
KelCharSetConverterSBCS g_oConverterISO_8859_4(o8859_4map, KELCS_ISO_8859_4);
KelCharSetConverterSBCS g_oConverterISO_8859_5(o8859_5map, KELCS_ISO_8859_5);
KelCharSetConverterSBCS g_oConverterISO_8859_6(o8859_6map, KELCS_ISO_8859_6);
KelCharSetConverterSBCS g_oConverterISO_8859_7(o8859_7map, KELCS_ISO_8859_7);
KelCharSetConverterSBCS g_oConverterISO_8859_8(o8859_8map, KELCS_ISO_8859_8);
KelCharSetConverterSBCS g_oConverterISO_8859_9(o8859_9map, KELCS_ISO_8859_9);
KelCharSetConverterSBCS g_oConverterISO_8859_10(o8859_10map, KELCS_ISO_8859_10);
KelCharSetConverterSBCS g_oConverterISO_8859_11(o8859_11map, KELCS_ISO_8859_11);
KelCharSetConverterSBCS g_oConverterISO_8859_13(o8859_13map, KELCS_ISO_8859_13);
KelCharSetConverterSBCS g_oConverterISO_8859_14(o8859_14map, KELCS_ISO_8859_14);
KelCharSetConverterSBCS g_oConverterISO_8859_15(o8859_15map, KELCS_ISO_8859_15);
KelCharSetConverterSBCS g_oConverterISO_8859_16(o8859_16map, KELCS_ISO_8859_16);
KelCharSetConverterSBCS g_oConverterKOI8R(oKOI8Rmap, KELCS_KOI8R);
KelCharSetConverterDBCS g_oConverterWCP932(oCP932map, oCP932Type, KELCS_WCP932);
KelCharSetConverterDBCS g_oConverterWCP936(oCP936map, oCP936Type, KELCS_WCP936);
KelCharSetConverterDBCS g_oConverterWCP949(oCP949map, oCP949Type, KELCS_WCP949);
KelCharSetConverterDBCS g_oConverterWCP950(oCP950map, oCP950Type, KELCS_WCP950);
KelCharSetConverterGB18030 g_oConverterGB18030(oGBKmap, KELCS_GB18030);
KelCharSetConverterDBCS g_oConverterBig5(oBIG5map, oBig5Type, KELCS_BIG5);
KelCharSetConverterDBCS g_oConverterSHIFTJIS(oSHIFTJISmap, oCP932Type, KELCS_SHIFTJIS);
KelCharSetConverterDBCSEx g_oConverterSJIS2004(oSJIS0213_2004map, oCP932Type, KELCS_SJIS0213);
KelCharSetConverterEUC_CN_KR g_oConverterEUCKR(oKSX1001map, KELCS_EUC_KR);
KelCharSetConverterEUC_CN_KR g_oConverterEUCCN(oGB2312map, KELCS_EUC_CN);
KelCharSetConverterEUC_JP g_oConverterEUCJP(oJIS0208map, oJIS0201map, oJIS0212map, KELCS_EUC_JP);
KelCharSetConverterUTF8 g_oConverterUTF8;
KelCharSetConverterUTF16 g_oConverterUTF16;
KelCharSetConverterUTF32 g_oConverterUTF32;
KelCharSetConverterUTF16Esc g_oConverterUTF16Esc;

// Registration order of the static converters.
KelCharSetConverter* const g_aRegistry[] = {
    &g_oConverterWCP1250,     &g_oConverterWCP1251,     &g_oConverterWCP1252,
    &g_oConverterWCP1253,     &g_oConverterWCP1254,     &g_oConverterWCP1255,
    &g_oConverterWCP1256,     &g_oConverterWCP1257,     &g_oConverterWCP1258,
    &g_oConverterWCP874,      &g_oConverterISO_8859_1,  &g_oConverterISO_8859_2,
    &g_oConverterISO_8859_3,  &g_oConverterISO_8859_4,  &g_oConverterISO_8859_5,
    &g_oConverterISO_8859_6,  &g_oConverterISO_8859_7,  &g_oConverterISO_8859_8,
    &g_oConverterISO_8859_9,  &g_oConverterISO_8859_10, &g_oConverterISO_8859_11,
    &g_oConverterISO_8859_13, &g_oConverterISO_8859_14, &g_oConverterISO_8859_15,
    &g_oConverterISO_8859_16, &g_oConverterKOI8R,       &g_oConverterWCP932,
    &g_oConverterWCP936,      &g_oConverterWCP949,      &g_oConverterWCP950,
    &g_oConverterEUCKR,       &g_oConverterEUCCN,       &g_oConverterEUCJP,
    &g_oConverterGB18030,     &g_oConverterBig5,        &g_oConverterSHIFTJIS,
    &g_oConverterSJIS2004,    &g_oConverterUTF8,        &g_oConverterUTF16,
    &g_oConverterUTF32,       &g_oConverterUTF16Esc,
};

// Every writer stores the same value: the manager's answer for an identifier
// does not change after start-up.
std::atomic<KelCharSetConverter*> cachedOsDefaultConverter{nullptr};
std::atomic<KelCharSetConverter*> cachedUtf8Converter{nullptr};

struct CharSetName {
    KelCharSet cs;
    const char* name;
};

#define KEL_CHARSET_NAME(cs)                                                                       \
    { cs, #cs }

const CharSetName g_aCharSetNames[] = {
    KEL_CHARSET_NAME(KELCS_ISO_8859_1),     KEL_CHARSET_NAME(KELCS_ISO_8859_2),
    KEL_CHARSET_NAME(KELCS_ISO_8859_3),     KEL_CHARSET_NAME(KELCS_ISO_8859_4),
    KEL_CHARSET_NAME(KELCS_ISO_8859_5),     KEL_CHARSET_NAME(KELCS_ISO_8859_6),
    KEL_CHARSET_NAME(KELCS_ISO_8859_7),     KEL_CHARSET_NAME(KELCS_ISO_8859_8),
    KEL_CHARSET_NAME(KELCS_ISO_8859_9),     KEL_CHARSET_NAME(KELCS_ISO_8859_10),
    KEL_CHARSET_NAME(KELCS_ISO_8859_11),    KEL_CHARSET_NAME(KELCS_ISO_8859_13),
    KEL_CHARSET_NAME(KELCS_ISO_8859_14),    KEL_CHARSET_NAME(KELCS_ISO_8859_15),
    KEL_CHARSET_NAME(KELCS_ISO_8859_16),    KEL_CHARSET_NAME(KELCS_ISO_2022JP),
    KEL_CHARSET_NAME(KELCS_ISO_2022JP_1),   KEL_CHARSET_NAME(KELCS_ISO_2022JP_2),
    KEL_CHARSET_NAME(KELCS_ISO_2022JP_3),   KEL_CHARSET_NAME(KELCS_ISO_2022JP_2004),
    KEL_CHARSET_NAME(KELCS_ISO_2022KR),     KEL_CHARSET_NAME(KELCS_ISO_2022CN),
    KEL_CHARSET_NAME(KELCS_ISO_2022CN_EXT), KEL_CHARSET_NAME(KELCS_ISO_2022TW),
    KEL_CHARSET_NAME(KELCS_WCP1250),        KEL_CHARSET_NAME(KELCS_WCP1251),
    KEL_CHARSET_NAME(KELCS_WCP1252),        KEL_CHARSET_NAME(KELCS_WCP1253),
    KEL_CHARSET_NAME(KELCS_WCP1254),        KEL_CHARSET_NAME(KELCS_WCP1255),
    KEL_CHARSET_NAME(KELCS_WCP1256),        KEL_CHARSET_NAME(KELCS_WCP1257),
    KEL_CHARSET_NAME(KELCS_WCP1258),        KEL_CHARSET_NAME(KELCS_WCP874),
    KEL_CHARSET_NAME(KELCS_WCP932),         KEL_CHARSET_NAME(KELCS_WCP936),
    KEL_CHARSET_NAME(KELCS_WCP949),         KEL_CHARSET_NAME(KELCS_WCP950),
    KEL_CHARSET_NAME(KELCS_KOI8R),          KEL_CHARSET_NAME(KELCS_GB18030),
    KEL_CHARSET_NAME(KELCS_BIG5),           KEL_CHARSET_NAME(KELCS_SHIFTJIS),
    KEL_CHARSET_NAME(KELCS_SJIS0213),       KEL_CHARSET_NAME(KELCS_EUC_JP),
    KEL_CHARSET_NAME(KELCS_EUC_CN),         KEL_CHARSET_NAME(KELCS_EUC_KR),
    KEL_CHARSET_NAME(KELCS_EUC_TW),         KEL_CHARSET_NAME(KELCS_UTF8),
    KEL_CHARSET_NAME(KELCS_UTF16),          KEL_CHARSET_NAME(KELCS_UTF16BE),
    KEL_CHARSET_NAME(KELCS_UTF16ESC),       KEL_CHARSET_NAME(KELCS_UTF32),
    KEL_CHARSET_NAME(KELCS_UTF32BE),        KEL_CHARSET_NAME(KELCS_OS_DEFAULT),
};

#undef KEL_CHARSET_NAME

const char kUnnamed[] = "KELCS_OS_DEFAULT";

// Codeset keys of locale names, after normalisation (getDefaultCharSet).
const CharSetName g_aLocaleKeys[] = {
    {KELCS_UTF8, "UTF8"},
    {KELCS_ISO_8859_1, "ISO88591"},
    {KELCS_ISO_8859_2, "ISO88592"},
    {KELCS_ISO_8859_3, "ISO88593"},
    {KELCS_ISO_8859_4, "ISO88594"},
    {KELCS_ISO_8859_5, "ISO88595"},
    {KELCS_ISO_8859_6, "ISO88596"},
    {KELCS_ISO_8859_7, "ISO88597"},
    {KELCS_ISO_8859_8, "ISO88598"},
    {KELCS_ISO_8859_9, "ISO88599"},
    {KELCS_ISO_8859_10, "ISO885910"},
    {KELCS_ISO_8859_11, "ISO885911"},
    {KELCS_ISO_8859_13, "ISO885913"},
    {KELCS_ISO_8859_14, "ISO885914"},
    {KELCS_ISO_8859_15, "ISO885915"},
    {KELCS_ISO_8859_16, "ISO885916"},
    {KELCS_EUC_JP, "JA"},
    {KELCS_EUC_JP, "EUCJP"},
    {KELCS_EUC_KR, "EUCKR"},
    {KELCS_EUC_TW, "EUCTW"},
    {KELCS_EUC_CN, "CN.EUC"},
    {KELCS_EUC_KR, "KR.EUC"},
    {KELCS_EUC_TW, "TW.EUC"},
    {KELCS_WCP932, "SJIS"},
    {KELCS_WCP932, "UJIS"},
    {KELCS_WCP932, "PCK"},
    {KELCS_GB18030, "GB18030"},
    {KELCS_BIG5, "BIG5"},
};

// Keys and names are 7-bit text; building them never asks for the default
// character set, which is not known while the manager is built.
KelUString ascii(const char* text) {
    return KelUString(text, KELCS_UTF8);
}

std::atomic<KelCharSetConverter*>* cacheFor(KelCharSet cs) {
    if (cs == KELCS_OS_DEFAULT)
        return &cachedOsDefaultConverter;
    if (cs == KELCS_UTF8)
        return &cachedUtf8Converter;
    return nullptr;
}

// Removes every unit c.
void removeAll(KelUString& s, unsigned short c) {
    for (KelLength at = s.find(c); at != KelUString::npos; at = s.find(c, at))
        s.erase(at, 1);
}

// Reduces an upper-cased locale name to its codeset key: "DE_DE.ISO-8859-15@EURO"
// to "ISO885915", and the three names ending in ".EUC" to "CN.EUC" and the like.
void reduceToCodesetKey(KelUString& k) {
    const KelUString eucSuffix = ascii(".EUC");
    const KelLength suffixAt = k.rfind(eucSuffix);
    if (suffixAt != KelUString::npos && suffixAt + eucSuffix.size() == k.size()) {
        const KelLength underscore = k.find(static_cast<unsigned short>('_'));
        if (underscore != KelUString::npos)
            k.erase(0, underscore + 1);
    } else {
        const KelLength dot = k.find(static_cast<unsigned short>('.'));
        if (dot != KelUString::npos)
            k.erase(0, dot + 1);
        const KelLength at = k.find(static_cast<unsigned short>('@'));
        if (at != KelUString::npos)
            k.erase(at);
    }
    removeAll(k, '-');
}

} // namespace

CharSetConverterManager g_oCnvtMgr;

// ---------------------------------------------------------------------------
// The manager

CharSetConverterManager::CharSetConverterManager() : m_defaultCharSet(KELCS_ISO_8859_1) {
    initLocaleMap();
    m_defaultCharSet = getDefaultCharSet();
    for (KelCharSetConverter* conv : g_aRegistry)
        insert(conv->getCharSet(), conv, true);
    for (const CharSetName& entry : g_aCharSetNames)
        insertCharSetMap(entry.cs, ascii(entry.name));
}

CharSetConverterManager::~CharSetConverterManager() {
    for (const auto& entry : m_converters) {
        if (!entry.second.bStatic)
            delete entry.second.pConverter;
    }
}

void CharSetConverterManager::insert(KelCharSet cs, KelCharSetConverter* conv, bool bStatic) {
    m_converters.emplace(cs, ConverterInfo{bStatic, conv});
}

void CharSetConverterManager::insertCharSetMap(KelCharSet cs, const KelUString& name) {
    m_charSetByName.emplace(name, cs);
    // The 8-bit text is made now, so that charSetToString only reads it even
    // when several threads ask for a name for the first time.
    m_nameByCharSet.emplace(cs, name).first->second.c_str(KELCS_ISO_8859_1);
}

KelCharSetConverter* CharSetConverterManager::getConverter(KelCharSet cs) const {
    if (cs == KELCS_OS_DEFAULT)
        cs = m_defaultCharSet;
    const auto it = m_converters.find(cs);
    return it != m_converters.end() ? it->second.pConverter : load(cs);
}

// Needs no map: it answers while the manager is still being built.
KelCharSetConverter* CharSetConverterManager::load(KelCharSet) const {
    return &g_oConverterUTF8;
}

KelCharSet CharSetConverterManager::charSetFromString(const char* name) const {
    if (name == nullptr || *name == '\0')
        return KELCS_OS_DEFAULT;
    const auto it = m_charSetByName.find(KelUString(name, KELCS_ISO_8859_1));
    return it != m_charSetByName.end() ? it->second : KELCS_OS_DEFAULT;
}

const char* CharSetConverterManager::charSetToString(KelCharSet cs) {
    const auto it = m_nameByCharSet.find(cs);
    return it != m_nameByCharSet.end() ? it->second.c_str(KELCS_ISO_8859_1) : kUnnamed;
}

void CharSetConverterManager::initLocaleMap() {
    for (const CharSetName& entry : g_aLocaleKeys)
        m_localeMap.emplace(ascii(entry.name), entry.cs);
}

KelCharSet CharSetConverterManager::getDefaultCharSet() const {
    const char* locale = std::getenv("LANG");
    if (locale == nullptr)
        locale = std::setlocale(LC_CTYPE, nullptr);
    // A null locale makes an empty key, which no entry matches.
    KelUString key(locale, KELCS_UTF8);
    key.toUpper(true);
    reduceToCodesetKey(key);
    const auto it = m_localeMap.find(key);
    return it != m_localeMap.end() ? it->second : KELCS_ISO_8859_1;
}

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

// Converts the `len` bytes of local text in front of its first 0 byte. The
// converter reads no further, also when its units are wider than a byte: a
// unit cut by the 0 byte is left out.
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

// Terminated first, so that a caller who reads the destination after a
// result of 0 finds an empty text, never what the buffer held before.
int utf8ToLocal(char* dst, const unsigned char* src, KelLength room, KelCharSetConverter* conv,
                ILLCHAR_OPTYPE opType) {
    std::memset(dst, 0, conv->getNullCharSize());
    const KelLength len = std::strlen(reinterpret_cast<const char*>(src));
    ScratchText text;
    if (len == 0 || !text.reserve(len))
        return 0;
    converterOf(KELCS_UTF8)->toUTF16(text.data(), src, len, ILLCHAR_REPLACE, nullptr, -1);
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

// Local text to UTF-8 through a UTF-16 copy: `readLocal(text, src, len)`
// fills the copy and says whether the text is fit to pass on.
template <typename Capacity, typename ReadLocal>
int localToUTF8(unsigned char* dst, const char* src, Capacity dstLen, ReadLocal readLocal) {
    KelLength room = 0;
    if (dst == nullptr || src == nullptr || !roomFor(dstLen, 1, room))
        return 0;
    dst[0] = 0; // as in utf8ToLocal
    const KelLength len = std::strlen(src);
    ScratchText text;
    if (len == 0 || !text.reserve(len) || !readLocal(text.data(), src, len))
        return 0;
    return utf16ToUTF8(dst, text.data(), room);
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
    bool illegal = false;
    return asCount(readLocalOrLatin1(dst, src, std::strlen(src), room, cs, &illegal));
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
    return localToUTF8(dst, src, dstLen,
                       [cs](unsigned short* text, const char* local, KelLength len) {
                           bool illegal = false;
                           readLocalOrLatin1(text, local, len, len, cs, &illegal);
                           return !illegal;
                       });
}

int LocalPathToUTF8(unsigned char* dst, const char* src, int dstLen) {
    return localToUTF8(
        dst, src, dstLen, [](unsigned short* text, const char* local, KelLength len) {
            const KelLength count =
                readLocalText(converterOf(KELCS_OS_DEFAULT), text, local, len, len, nullptr);
            if (count == 0)
                return false;
            resolveEscapes(text, count);
            return true;
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
