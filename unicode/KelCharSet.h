#ifndef KELCHARSET_H
#define KELCHARSET_H

#include "KelConversion.h"
#include "KelTypes.h"

/// \file
/// Character-set identifiers, the converter interface, and the conversion
/// entry points for NUL-terminated text.

/// Character-set identifiers: the code-page numbers of the sets, plus the
/// pseudo-identifier for the operating-system default. An identifier whose
/// set has no converter in this build converts as UTF-8 (`kelconv -l` marks
/// those sets).
enum KelCharSet : std::int32_t {
    KELCS_ISO_8859_1 = 28591, ///< ISO/IEC 8859-1
    KELCS_ISO_8859_2 = 28592, ///< ISO/IEC 8859-2
    KELCS_ISO_8859_3 = 28593, ///< ISO/IEC 8859-3
    KELCS_ISO_8859_4 = 28594, ///< ISO/IEC 8859-4
    KELCS_ISO_8859_5 = 28595, ///< ISO/IEC 8859-5
    KELCS_ISO_8859_6 = 28596, ///< ISO/IEC 8859-6
    KELCS_ISO_8859_7 = 28597, ///< ISO/IEC 8859-7
    KELCS_ISO_8859_8 = 28598, ///< ISO/IEC 8859-8
    KELCS_ISO_8859_9 = 28599, ///< ISO/IEC 8859-9
    KELCS_ISO_8859_10 = 28600, ///< ISO/IEC 8859-10
    KELCS_ISO_8859_11 = 28601, ///< ISO/IEC 8859-11
    KELCS_ISO_8859_13 = 28603, ///< ISO/IEC 8859-13
    KELCS_ISO_8859_14 = 28604, ///< ISO/IEC 8859-14
    KELCS_ISO_8859_15 = 28605, ///< ISO/IEC 8859-15
    KELCS_ISO_8859_16 = 28606, ///< ISO/IEC 8859-16
    KELCS_ISO_2022JP = 50220, ///< ISO-2022-JP
    KELCS_ISO_2022JP_1 = 50221, ///< ISO-2022-JP-1
    KELCS_ISO_2022JP_2 = 50222, ///< ISO-2022-JP-2
    KELCS_ISO_2022JP_3 = 50223, ///< ISO-2022-JP-3
    KELCS_ISO_2022JP_2004 = 50224, ///< ISO-2022-JP-2004
    KELCS_ISO_2022KR = 50225, ///< ISO-2022-KR
    KELCS_ISO_2022CN = 50227, ///< ISO-2022-CN
    KELCS_ISO_2022CN_EXT = 50228, ///< ISO-2022-CN-EXT
    KELCS_ISO_2022TW = 50229, ///< ISO-2022 for Traditional Chinese
    KELCS_WCP1250 = 1250, ///< Windows code page 1250
    KELCS_WCP1251 = 1251, ///< Windows code page 1251
    KELCS_WCP1252 = 1252, ///< Windows code page 1252
    KELCS_WCP1253 = 1253, ///< Windows code page 1253
    KELCS_WCP1254 = 1254, ///< Windows code page 1254
    KELCS_WCP1255 = 1255, ///< Windows code page 1255
    KELCS_WCP1256 = 1256, ///< Windows code page 1256
    KELCS_WCP1257 = 1257, ///< Windows code page 1257
    KELCS_WCP1258 = 1258, ///< Windows code page 1258
    KELCS_WCP874 = 874, ///< Windows code page 874 (Thai)
    KELCS_WCP932 = 932, ///< Windows code page 932 (Shift-JIS)
    KELCS_WCP936 = 936, ///< Windows code page 936 (GBK)
    KELCS_WCP949 = 949, ///< Windows code page 949 (Unified Hangul Code)
    KELCS_WCP950 = 950, ///< Windows code page 950 (Big5)
    KELCS_KOI8R = 20866, ///< KOI8-R
    KELCS_GB18030 = 54936, ///< GB 18030
    KELCS_BIG5 = 30950, ///< Big5
    KELCS_SHIFTJIS = 30932, ///< Shift-JIS
    KELCS_SJIS0213 = 30933, ///< Shift_JIS-2004 (JIS X 0213)
    KELCS_EUC_JP = 51932, ///< EUC-JP
    KELCS_EUC_CN = 51936, ///< EUC-CN (GB 2312)
    KELCS_EUC_KR = 51949, ///< EUC-KR (KS X 1001)
    KELCS_EUC_TW = 51950, ///< EUC-TW
    KELCS_UTF8 = 65001, ///< UTF-8
    KELCS_UTF16 = 1200, ///< UTF-16 in host byte order, no byte-order mark
    KELCS_UTF16BE = 1201, ///< UTF-16 big-endian, no byte-order mark
    KELCS_UTF16ESC = 1202, ///< UTF-16 written as U+XXXX escapes
    KELCS_UTF32 = 12000, ///< UTF-32 in host byte order, no byte-order mark
    KELCS_UTF32BE = 12001, ///< UTF-32 big-endian, no byte-order mark
    KELCS_OS_DEFAULT = -2 ///< the character set of the locale, found when the library loads
};

/// What a conversion does with a character that is malformed or has no
/// mapping in the target set.
enum ILLCHAR_OPTYPE {
    ILLCHAR_STOP = 0,    ///< the conversion ends in front of it
    ILLCHAR_REPLACE = 1, ///< "?" towards a legacy set, U+FFFD towards UTF-16
    ILLCHAR_ESCAPE = 2   ///< "U+XXXX" text towards a legacy set; towards UTF-16 as ILLCHAR_REPLACE
};

/// A converter between one character set and UTF-16. Converter objects are
/// static, shared by all threads and owned by the library; the state of a
/// stream in a set with shifts lives with the stream, never in a converter.
///
/// Destination capacities exclude the terminator, which is always written
/// behind the text. A source length of KEL_NPOS means "up to the NUL
/// character"; a srcLimit of -1 means no limit. `pIllegal`, when not null,
/// is set when a character was malformed or had no mapping.
class KelCharSetConverter {
public:
    /// A converter for the set `cs`; the library constructs its own.
    explicit KelCharSetConverter(KelCharSet cs) : m_charSet(cs) {}
    KelCharSetConverter(const KelCharSetConverter&) = delete;
    KelCharSetConverter& operator=(const KelCharSetConverter&) = delete;
    virtual ~KelCharSetConverter();

    /// The UTF-16 units that toUTF16 writes for `srcLen` bytes of local
    /// text (KEL_NPOS: up to the NUL character); a character cut off by the
    /// length counts as one U+FFFD.
    virtual KelLength getNumUnits(const void* src, KelLength srcLen) = 0;
    /// Local text to at most `dstLen` UTF-16 units and a terminator; returns
    /// the units written. `srcLimit` bounds the bytes read (-1: up to the NUL
    /// character).
    virtual KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                              ILLCHAR_OPTYPE opType, bool* pIllegal, int srcLimit) = 0;
    /// The bytes that fromUTF16 writes for `srcLen` units (KEL_NPOS: up to
    /// the 0 unit), without the terminator.
    virtual KelLength getNumBytes(const unsigned short* src, KelLength srcLen) = 0;
    /// UTF-16 text up to its 0 unit to at most `dstLen` bytes of local text
    /// and a terminator; returns the bytes written.
    virtual KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                                ILLCHAR_OPTYPE opType, bool* pIllegal) = 0;
    /// Direct path from NUL-terminated UTF-8 to the local text; 0 means
    /// "none, go through UTF-16".
    virtual KelLength fromUTF8(void* dst, const unsigned char* src, KelLength dstLen,
                               ILLCHAR_OPTYPE opType, bool* pIllegal);
    /// Direct path from NUL-terminated local text to UTF-8; 0 means "none,
    /// go through UTF-16".
    virtual KelLength toUTF8(unsigned char* dst, const void* src, KelLength dstLen,
                             ILLCHAR_OPTYPE opType, bool* pIllegal);
    /// The fewest bytes one character of the set takes.
    virtual KelLength getMinUnitSize() const = 0;
    /// The most bytes one character of the set takes.
    virtual KelLength getMaxUnitSize() const = 0;
    /// The bytes of the set's NUL character, which terminates its text.
    virtual KelLength getNullCharSize() const = 0;
    /// Counted conversion, the core of the operations above: `srcLen` bytes
    /// of local text, NUL characters included, to at most `dstLen` UTF-16
    /// units, and back. Nothing is read or written past the lengths and no
    /// terminator is written. `last`: the input ends here, so a character it
    /// cuts off is one malformed character; otherwise the result says CutOff
    /// and leaves it unread. `offsets`, when not null, receives for each unit
    /// written the offset of the source character it came from. `state`,
    /// when not null, is where the stream stands in a set with shifts, which
    /// the call starts from and updates; null is the initial state. An
    /// encoder given `last` also writes what returns the set to its initial
    /// state. Converters keep nothing of a stream themselves: KelDecoder and
    /// KelEncoder own its state and carry a cut character over to the next
    /// chunk. A surrogate pair is one character, written whole.
    ///@{
    virtual KelConversionResult decodeCounted(const void* src, KelLength srcLen,
                                              unsigned short* dst, KelLength dstLen,
                                              KelOnProblem on, bool last, KelLength* offsets,
                                              KelCodecState* state = nullptr) = 0;
    virtual KelConversionResult encodeCounted(const unsigned short* src, KelLength srcLen,
                                              void* dst, KelLength dstLen, KelOnProblem on,
                                              bool last, KelCodecState* state = nullptr) = 0;
    ///@}
    /// The same between local text and UTF-8, with no UTF-16 text in between:
    /// `dstLen` bytes of UTF-8 room, or `srcLen` bytes of UTF-8 as the UTF-8
    /// converter reads it. A surrogate pair is one character and a surrogate
    /// without its partner is malformed, so that the UTF-8 is standard.
    ///@{
    virtual KelConversionResult decodeCountedToUTF8(const void* src, KelLength srcLen,
                                                    unsigned char* dst, KelLength dstLen,
                                                    KelOnProblem on, bool last,
                                                    KelCodecState* state = nullptr) = 0;
    virtual KelConversionResult encodeCountedFromUTF8(const unsigned char* src, KelLength srcLen,
                                                      void* dst, KelLength dstLen, KelOnProblem on,
                                                      bool last,
                                                      KelCodecState* state = nullptr) = 0;
    ///@}

    /// Writes what `on` (Replace or Escape) puts in place of `value`, a
    /// character the set lacks, through the stream's state: whole, or nothing
    /// and DestinationFull.
    virtual KelConversionResult encodeSubstitute(std::uint32_t value, KelOnProblem on, void* dst,
                                                 KelLength dstLen, KelCodecState* state) = 0;
    /// The most bytes a stream of the set writes besides its characters: the
    /// designations it writes once and its return to the initial state.
    virtual KelLength getMaxStateBytes() const { return 0; }

    /// The set this converter converts.
    KelCharSet getCharSet() const { return m_charSet; }

    /// The converter for an identifier; never null, owned by the library.
    static KelCharSetConverter* getConverter(KelCharSet cs);

protected:
    /// The set this converter converts.
    KelCharSet m_charSet;
};

/// The units of zero-terminated UTF-16 text in front of its 0 unit.
KelLength KelCharSetWStrlen(const unsigned short* s);
/// Whether two zero-terminated UTF-16 texts hold the same units.
bool KelCharSetWStrEqual(const unsigned short* a, const unsigned short* b);

class CharSetConverterManager;
/// The process-wide registry (KelCharSetConverterManager.h).
extern CharSetConverterManager g_oCnvtMgr;

/// Names are the enumerators' own ("KELCS_UTF8"), exact and case-sensitive.
/// An unknown name gives KELCS_OS_DEFAULT, an identifier without a name the
/// text "KELCS_OS_DEFAULT".
///@{
KelCharSet KelCharSetFromString(const char* name);
const char* KelCharSetToString(KelCharSet cs);
///@}

/// \typedef KelCapacity
/// The type of some capacities of the entry points below: the 64-bit
/// library takes them as lengths where the 32-bit one takes int.
#if UINTPTR_MAX > 0xFFFFFFFFu
typedef unsigned long KelCapacity;
#else
typedef int KelCapacity;
#endif

/// \name Conversion entry points for NUL-terminated text
/// Capacities count the destination's units including the terminator;
/// results count the units written without it, 0 meaning nothing converted.
/// A capacity smaller than the terminator, a null pointer or a text too
/// large for an int count gives 0 with nothing written. "Local" text is in
/// the set `cs`; unconvertible characters are replaced.
///@{

/// UTF-8 to UTF-16.
int UTF8ToUTF16(unsigned short* dst, const unsigned char* src, KelLength dstLen);
/// UTF-16 to UTF-8.
int UTF16ToUTF8(unsigned char* dst, const unsigned short* src, KelLength dstLen);
/// UTF-16 to local text.
int UTF16ToLocal(char* dst, const unsigned short* src, KelCapacity dstLen, KelCharSet cs);
/// Local text to UTF-16. Local text that is not valid in cs is read again
/// as ISO-8859-1, so that every byte arrives.
int LocalToUTF16(unsigned short* dst, const char* src, int dstLen, KelCharSet cs);
/// UTF-8 to local text.
int UTF8ToLocal(char* dst, const unsigned char* src, KelCapacity dstLen, KelCharSet cs);
/// Local text to UTF-8, read again as ISO-8859-1 when it is not valid in cs.
int LocalToUTF8(unsigned char* dst, const char* src, KelCapacity dstLen, KelCharSet cs);
/// A file name from UTF-8 to the default character set: what the set cannot
/// represent travels as "U+XXXX" escapes, one per UTF-16 unit.
int UTF8ToLocalPath(char* dst, const unsigned char* src, int dstLen);
/// A file name from the default character set to UTF-8; every well-formed
/// "U+XXXX" escape becomes its unit again.
int LocalPathToUTF8(unsigned char* dst, const char* src, int dstLen);
///@}

/// The bytes, without the terminator, that UTF-16 text up to its 0 unit
/// takes in the set `cs`.
int GetNumBytes(const unsigned short* src, KelCharSet cs);
/// The UTF-16 units, without the terminator, that NUL-terminated text of
/// the set `cs` takes.
int GetNumUnits(const char* src, KelCharSet cs);
/// The bytes of the NUL character of the set `cs`.
int GetNullCharSize(KelCharSet cs);
/// The most bytes one character of the set `cs` takes.
int GetMaxUnitSize(KelCharSet cs);
/// The fewest bytes one character of the set `cs` takes.
int GetMinUnitSize(KelCharSet cs);

#endif
