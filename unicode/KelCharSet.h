#ifndef KELCHARSET_H
#define KELCHARSET_H

#include "KelConversion.h"
#include "KelTypes.h"

// Character-set identifiers: the code-page numbers of the sets, plus the
// pseudo-identifier for the operating-system default.
enum KelCharSet : std::int32_t {
    KELCS_ISO_8859_1 = 28591,
    KELCS_ISO_8859_2 = 28592,
    KELCS_ISO_8859_3 = 28593,
    KELCS_ISO_8859_4 = 28594,
    KELCS_ISO_8859_5 = 28595,
    KELCS_ISO_8859_6 = 28596,
    KELCS_ISO_8859_7 = 28597,
    KELCS_ISO_8859_8 = 28598,
    KELCS_ISO_8859_9 = 28599,
    KELCS_ISO_8859_10 = 28600,
    KELCS_ISO_8859_11 = 28601,
    KELCS_ISO_8859_13 = 28603,
    KELCS_ISO_8859_14 = 28604,
    KELCS_ISO_8859_15 = 28605,
    KELCS_ISO_8859_16 = 28606,
    KELCS_ISO_2022JP = 50220,
    KELCS_ISO_2022JP_1 = 50221,
    KELCS_ISO_2022JP_2 = 50222,
    KELCS_ISO_2022JP_3 = 50223,
    KELCS_ISO_2022JP_2004 = 50224,
    KELCS_ISO_2022KR = 50225,
    KELCS_ISO_2022CN = 50227,
    KELCS_ISO_2022CN_EXT = 50228,
    KELCS_ISO_2022TW = 50229,
    KELCS_WCP1250 = 1250,
    KELCS_WCP1251 = 1251,
    KELCS_WCP1252 = 1252,
    KELCS_WCP1253 = 1253,
    KELCS_WCP1254 = 1254,
    KELCS_WCP1255 = 1255,
    KELCS_WCP1256 = 1256,
    KELCS_WCP1257 = 1257,
    KELCS_WCP1258 = 1258,
    KELCS_WCP874 = 874,
    KELCS_WCP932 = 932,
    KELCS_WCP936 = 936,
    KELCS_WCP949 = 949,
    KELCS_WCP950 = 950,
    KELCS_KOI8R = 20866,
    KELCS_GB18030 = 54936,
    KELCS_BIG5 = 30950,
    KELCS_SHIFTJIS = 30932,
    KELCS_SJIS0213 = 30933,
    KELCS_EUC_JP = 51932,
    KELCS_EUC_CN = 51936,
    KELCS_EUC_KR = 51949,
    KELCS_EUC_TW = 51950,
    KELCS_UTF8 = 65001,
    KELCS_UTF16 = 1200,
    KELCS_UTF16BE = 1201,
    KELCS_UTF16ESC = 1202,
    KELCS_UTF32 = 12000,
    KELCS_UTF32BE = 12001,
    KELCS_OS_DEFAULT = -2
};

// What a conversion does with a character that is malformed or has no
// mapping in the target set.
enum ILLCHAR_OPTYPE { ILLCHAR_STOP = 0, ILLCHAR_REPLACE = 1, ILLCHAR_ESCAPE = 2 };

// A converter between one character set and UTF-16. Converter objects are
// static, shared by all threads and owned by the library; the state of a
// stream in a set with shifts lives with the stream, never in a converter.
//
// Destination capacities exclude the terminator, which is always written
// behind the text. A source length of KEL_NPOS means "up to the NUL
// character"; a srcLimit of -1 means no limit.
class KelCharSetConverter {
public:
    explicit KelCharSetConverter(KelCharSet cs) : m_charSet(cs) {}
    KelCharSetConverter(const KelCharSetConverter&) = delete;
    KelCharSetConverter& operator=(const KelCharSetConverter&) = delete;
    virtual ~KelCharSetConverter();

    virtual KelLength getNumUnits(const void* src, KelLength srcLen) = 0;
    virtual KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                              ILLCHAR_OPTYPE opType, bool* pIllegal, int srcLimit) = 0;
    virtual KelLength getNumBytes(const unsigned short* src, KelLength srcLen) = 0;
    virtual KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                                ILLCHAR_OPTYPE opType, bool* pIllegal) = 0;
    // Direct paths between UTF-8 and the local text; 0 means "none, go through UTF-16".
    virtual KelLength fromUTF8(void* dst, const unsigned char* src, KelLength dstLen,
                               ILLCHAR_OPTYPE opType, bool* pIllegal);
    virtual KelLength toUTF8(unsigned char* dst, const void* src, KelLength dstLen,
                             ILLCHAR_OPTYPE opType, bool* pIllegal);
    virtual KelLength getMinUnitSize() const = 0;
    virtual KelLength getMaxUnitSize() const = 0;
    virtual KelLength getNullCharSize() const = 0;
    // Counted conversion, the core of the operations above: `srcLen` bytes
    // of local text, NUL characters included, to at most `dstLen` UTF-16
    // units, and back. Nothing is read or written past the lengths and no
    // terminator is written. `last`: the input ends here, so a character it
    // cuts off is one malformed character; otherwise the result says CutOff
    // and leaves it unread. `offsets`, when not null, receives for each unit
    // written the offset of the source character it came from. `state`,
    // when not null, is where the stream stands in a set with shifts, which
    // the call starts from and updates; null is the initial state. An
    // encoder given `last` also writes what returns the set to its initial
    // state. Converters keep nothing of a stream themselves: KelDecoder and
    // KelEncoder own its state and carry a cut character over to the next
    // chunk. A surrogate pair is one character, written whole.
    virtual KelConversionResult decodeCounted(const void* src, KelLength srcLen,
                                              unsigned short* dst, KelLength dstLen,
                                              KelOnProblem on, bool last, KelLength* offsets,
                                              KelCodecState* state = nullptr) = 0;
    virtual KelConversionResult encodeCounted(const unsigned short* src, KelLength srcLen,
                                              void* dst, KelLength dstLen, KelOnProblem on,
                                              bool last, KelCodecState* state = nullptr) = 0;
    // The same between local text and UTF-8, with no UTF-16 text in between:
    // `dstLen` bytes of UTF-8 room, or `srcLen` bytes of UTF-8 as the UTF-8
    // converter reads it. A surrogate pair is one character and a surrogate
    // without its partner is malformed, so that the UTF-8 is standard.
    virtual KelConversionResult decodeCountedToUTF8(const void* src, KelLength srcLen,
                                                    unsigned char* dst, KelLength dstLen,
                                                    KelOnProblem on, bool last,
                                                    KelCodecState* state = nullptr) = 0;
    virtual KelConversionResult encodeCountedFromUTF8(const unsigned char* src, KelLength srcLen,
                                                      void* dst, KelLength dstLen, KelOnProblem on,
                                                      bool last,
                                                      KelCodecState* state = nullptr) = 0;

    // Writes what `on` (Replace or Escape) puts in place of `value`, a
    // character the set lacks, through the stream's state: whole, or nothing
    // and DestinationFull.
    virtual KelConversionResult encodeSubstitute(std::uint32_t value, KelOnProblem on, void* dst,
                                                 KelLength dstLen, KelCodecState* state) = 0;
    // The most bytes a stream of the set writes besides its characters: the
    // designations it writes once and its return to the initial state.
    virtual KelLength getMaxStateBytes() const { return 0; }

    KelCharSet getCharSet() const { return m_charSet; }

    // The converter for an identifier; never null, owned by the library.
    static KelCharSetConverter* getConverter(KelCharSet cs);

protected:
    KelCharSet m_charSet;
};

// Zero-terminated UTF-16 text.
KelLength KelCharSetWStrlen(const unsigned short* s);
bool KelCharSetWStrEqual(const unsigned short* a, const unsigned short* b);

// The process-wide registry (KelCharSetConverterManager.h).
class CharSetConverterManager;
extern CharSetConverterManager g_oCnvtMgr;

// Names are the enumerators' own ("KELCS_UTF8"), exact and case-sensitive.
// An unknown name gives KELCS_OS_DEFAULT, an identifier without a name the
// text "KELCS_OS_DEFAULT".
KelCharSet KelCharSetFromString(const char* name);
const char* KelCharSetToString(KelCharSet cs);

// Conversion entry points for NUL-terminated text. Capacities count the
// destination's units including the terminator; results count the units
// written without it, 0 meaning nothing converted. A capacity smaller than
// the terminator, a null pointer or a text too large for an int count
// gives 0 with nothing written.
//
// The 64-bit library takes some capacities as lengths where the 32-bit one
// takes int.
#if UINTPTR_MAX > 0xFFFFFFFFu
typedef unsigned long KelCapacity;
#else
typedef int KelCapacity;
#endif

int UTF8ToUTF16(unsigned short* dst, const unsigned char* src, KelLength dstLen);
int UTF16ToUTF8(unsigned char* dst, const unsigned short* src, KelLength dstLen);
int UTF16ToLocal(char* dst, const unsigned short* src, KelCapacity dstLen, KelCharSet cs);
// Local text that is not valid in cs is read again as ISO-8859-1, so that
// every byte arrives.
int LocalToUTF16(unsigned short* dst, const char* src, int dstLen, KelCharSet cs);
int UTF8ToLocal(char* dst, const unsigned char* src, KelCapacity dstLen, KelCharSet cs);
int LocalToUTF8(unsigned char* dst, const char* src, KelCapacity dstLen, KelCharSet cs);
// File names in the default character set: what the set cannot represent
// travels as "U+XXXX" escapes, one per UTF-16 unit, and comes back from them.
int UTF8ToLocalPath(char* dst, const unsigned char* src, int dstLen);
int LocalPathToUTF8(unsigned char* dst, const char* src, int dstLen);

int GetNumBytes(const unsigned short* src, KelCharSet cs);
int GetNumUnits(const char* src, KelCharSet cs);
int GetNullCharSize(KelCharSet cs);
int GetMaxUnitSize(KelCharSet cs);
int GetMinUnitSize(KelCharSet cs);

#endif
