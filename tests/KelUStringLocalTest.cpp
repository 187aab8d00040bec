#include "KelUString.h"
#include "KelCharSetConverterManager.h"

#include "InertConverter.h"
#include "UStringTestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using keltest::expectLengthError;
using keltest::expectRangeError;
using keltest::text;
using keltest::U;

namespace {

// Builds from a heap block of exactly the given bytes, so that AddressSanitizer
// sees any read past them.
KelUString fromExactBytes(const std::string& bytes, KelCharSet cs) {
    std::unique_ptr<char[]> block(new char[bytes.size()]);
    std::memcpy(block.get(), bytes.data(), bytes.size());
    return KelUString(block.get(), static_cast<KelLength>(bytes.size()), cs);
}

KelPascalString pascal(const std::string& bytes) {
    KelPascalString p{};
    p.m_nCount = static_cast<unsigned char>(bytes.size());
    std::memcpy(p.m_aText, bytes.data(), bytes.size());
    return p;
}

constexpr KelCharSet kProbeSet = static_cast<KelCharSet>(7777);

// Records the bytes it is given to read, and reports whatever byte count and
// unit size a test sets.
class ProbeConverter : public keltest::InertConverter<KelCharSetConverter> {
public:
    ProbeConverter() : InertConverter(kProbeSet) {}
    KelLength getNumUnits(const void* src, KelLength srcLen) override {
        record(src, srcLen);
        return srcLen;
    }
    KelConversionResult decodeCounted(const void* src, KelLength srcLen, unsigned short* dst,
                                      KelLength, KelOnProblem, bool, KelLength*,
                                      KelCodecState*) override {
        record(src, srcLen);
        const unsigned char* bytes = static_cast<const unsigned char*>(src);
        std::copy(bytes, bytes + srcLen, dst);
        return {KelStop::EndOfInput, srcLen, srcLen, 0, 0, 0};
    }
    KelLength getNumBytes(const unsigned short*, KelLength) override { return numBytes; }
    KelLength fromUTF16(void* dst, const unsigned short*, KelLength, ILLCHAR_OPTYPE,
                        bool*) override {
        static_cast<char*>(dst)[0] = 0;
        return 0;
    }
    KelLength getMinUnitSize() const override { return 1; }
    KelLength getMaxUnitSize() const override { return maxUnitSize; }
    KelLength getNullCharSize() const override { return 1; }

    std::string seen;
    KelLength numBytes = 0;
    KelLength maxUnitSize = 1;

private:
    void record(const void* src, KelLength len) { seen.assign(static_cast<const char*>(src), len); }
};

ProbeConverter& probe() {
    static ProbeConverter converter;
    static const bool registered = (g_oCnvtMgr.insert(kProbeSet, &converter, true), true);
    static_cast<void>(registered);
    return converter;
}

TEST(UStringLocal, ConvertersSeeTheCallersTextCutAtTheFirstNul) {
    ProbeConverter& conv = probe();
    EXPECT_EQ(text(fromExactBytes("abc", kProbeSet)), u"abc");
    EXPECT_EQ(conv.seen, "abc");
    EXPECT_EQ(text(fromExactBytes(std::string("ab\0cd", 5), kProbeSet)), u"ab");
    EXPECT_EQ(conv.seen, "ab");
    EXPECT_EQ(text(KelUString('x', kProbeSet)), u"x");
    EXPECT_EQ(conv.seen, "x");
}

TEST(UStringLocal, ConvertedCopyTooLargeForItsSize) {
    ProbeConverter& conv = probe();
    KelUString s = U(u"abc");
    const char* utf8 = s.c_str(KELCS_UTF8);
    // Only a bound beyond the length range has the text measured.
    conv.maxUnitSize = KelUString::npos / 2;
    conv.numBytes = KelUString::npos - 4;
    expectLengthError([&] { s.c_str(kProbeSet); });
    conv.numBytes = 0;
    conv.maxUnitSize = 1;
    EXPECT_EQ(s.c_str(KELCS_UTF8), utf8) << "the earlier copy stays";
    EXPECT_STREQ(utf8, "abc");
}

TEST(UStringLocal, BuildsFromUTF8AndConvertsBack) {
    KelUString s("A\xC3\xA9\xE2\x82\xAC", KELCS_UTF8);
    EXPECT_EQ(text(s), u"A\u00E9\u20AC");
    EXPECT_EQ(s.capacity(), KelUString::kEmbeddedCapacity);
    EXPECT_EQ(s.length(KELCS_UTF8), 6u);
    EXPECT_STREQ(s.c_str(KELCS_UTF8), "A\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(KelUString().length(KELCS_UTF8), 0u);

    EXPECT_EQ(text(KelUString("A\xC3\xA9", 2, KELCS_UTF8)), u"A\uFFFD") << "cut by the count";
    // Sized by the count, so every replaced byte of malformed text is kept.
    EXPECT_EQ(text(KelUString(".\x80./x", KELCS_UTF8)), u".\uFFFD./x");
    EXPECT_EQ(text(KelUString("\xE0\x80\xAF\xE2\x82", KELCS_UTF8)), u"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(text(KelUString("\xB0\x2F\xA1\xC0", KELCS_EUC_JP)), u"\uFFFD/\uFF3C");
    EXPECT_EQ(text(KelUString("abc", KelUString::npos, KELCS_UTF8)), u"abc");
    EXPECT_TRUE(KelUString(static_cast<const char*>(nullptr), KELCS_UTF8).empty());
    EXPECT_TRUE(KelUString("", KELCS_UTF8).empty());
    EXPECT_TRUE(KelUString("abc", 0, KELCS_UTF8).empty());
}

// Buffers are sized for the most a text could make: the room is filled to
// its end where every character takes that much, and given back where the
// text leaves most of it unused.
TEST(UStringLocal, ConversionsSizedByTheirBound) {
    KelUString wide(static_cast<unsigned short>(0x3042), KelLength(300));
    const std::string utf8 = wide.c_str(KELCS_UTF8);
    EXPECT_EQ(utf8.size(), 900u);
    EXPECT_EQ(utf8.substr(897), "\xE3\x81\x82");
    std::u16string faces;
    for (int i = 0; i < 100; ++i)
        faces += u"\U0001F600";
    EXPECT_EQ(std::strlen(U(faces).c_str(KELCS_UTF8)), 400u);

    std::string codes;
    for (int i = 0; i < 100; ++i)
        codes += "\x81\x30\x81\x30";
    const KelUString few = fromExactBytes(codes, KELCS_GB18030);
    EXPECT_EQ(text(few), std::u16string(100, u'\u0080'));
    EXPECT_EQ(few.capacity(), KelUString::kEmbeddedCapacity);
    const KelUString many =
        fromExactBytes(std::string(codes).append(codes).append(codes), KELCS_GB18030);
    EXPECT_EQ(many.size(), 300u);
    EXPECT_EQ(many.capacity(), 300u);
    EXPECT_EQ(text(fromExactBytes("\x90\x30\x81\x30", KELCS_GB18030)), u"\U00010000");
    const unsigned int pairs32[] = {0x1F600, 0x1F600};
    EXPECT_EQ(text(KelUString(reinterpret_cast<const char*>(pairs32), sizeof pairs32, KELCS_UTF32)),
              faces.substr(0, 4))
        << "two units for every four bytes";
}

TEST(UStringLocal, Latin1RoundTrip) {
    KelUString s("\x41\xE9", KELCS_ISO_8859_1);
    EXPECT_EQ(text(s), u"A\u00E9");
    EXPECT_EQ(s.length(KELCS_UTF8), 3u);
    EXPECT_STREQ(s.c_str(KELCS_UTF8), "A\xC3\xA9");
    EXPECT_STREQ(U(u"x\u3042").c_str(KELCS_ISO_8859_1), "x?");
}

TEST(UStringLocal, ConvertedCopyIsCachedUntilTheTextChanges) {
    KelUString s("abc", KELCS_UTF8);
    const char* first = s.c_str(KELCS_UTF8);
    EXPECT_EQ(s.c_str(KELCS_UTF8), first);

    s.begin()[0] = 'z';
    EXPECT_STREQ(s.c_str(KELCS_UTF8), "abc") << "writes through begin() are not seen";

    s.append(U(u"d"));
    EXPECT_STREQ(s.c_str(KELCS_UTF8), "zbcd");
    s.resize(2, static_cast<unsigned short>('x'));
    EXPECT_STREQ(s.c_str(KELCS_UTF8), "zb");
    s.erase(0, 1);
    EXPECT_STREQ(s.c_str(KELCS_UTF8), "b");
    s = 'q';
    EXPECT_STREQ(s.c_str(KELCS_UTF8), "q");

    const KelUString copy(s);
    EXPECT_EQ(text(copy), u"q");
}

TEST(UStringLocal, EmptyStringGivesAStaticEmptyText) {
    KelUString a;
    KelUString b;
    const char* text = a.c_str(KELCS_UTF32);
    EXPECT_EQ(text, b.c_str(KELCS_UTF8));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(text[i], 0);
}

TEST(UStringLocal, AssignmentFromItsOwnConvertedCopy) {
    KelUString s("copy me", KELCS_OS_DEFAULT);
    s = s.c_str(KELCS_OS_DEFAULT);
    EXPECT_EQ(text(s), u"copy me");
}

TEST(UStringLocal, AssignmentFromLocalText) {
    KelUString s(static_cast<unsigned short>('x'), KelLength(300));
    s = "ab";
    EXPECT_EQ(text(s), u"ab");
    EXPECT_EQ(s.capacity(), 300u);
    s = 'c';
    EXPECT_EQ(text(s), u"c");
    s = '\0';
    EXPECT_TRUE(s.empty());
    s = "ab";
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s.empty());

    KelPascalString p = pascal("xyz");
    s = &p;
    EXPECT_EQ(text(s), u"xyz");
    s = static_cast<const KelPascalString*>(nullptr);
    EXPECT_TRUE(s.empty());
}

TEST(UStringLocal, CharacterConstructors) {
    EXPECT_EQ(text(KelUString('x', KELCS_UTF8)), u"x");
    EXPECT_TRUE(KelUString('\0', KELCS_UTF8).empty());
    EXPECT_EQ(text(KelUString('\xC3', KELCS_UTF8)), u"\uFFFD");
    EXPECT_EQ(text(KelUString('x', KelLength(3), KELCS_UTF8)), u"xxx");
    EXPECT_TRUE(KelUString('x', KelLength(0), KELCS_UTF8).empty());
    EXPECT_TRUE(KelUString('\0', KelLength(5), KELCS_UTF8).empty());
    EXPECT_EQ(KelUString('x', KelLength(3000), KELCS_UTF8).size(), 3000u);
    expectLengthError([] { KelUString('x', KelUString::npos, KELCS_UTF8); });
}

TEST(UStringLocal, LongLocalTextIsConvertedWhole) {
    std::string bytes(5000, 'k');
    bytes[4999] = 'e';
    const KelUString s = fromExactBytes(bytes, KELCS_UTF8);
    EXPECT_EQ(s.size(), 5000u);
    EXPECT_EQ(s.begin()[4999], 'e');
}

TEST(UStringLocal, PascalStrings) {
    const KelPascalString p = pascal("hello");
    EXPECT_EQ(text(KelUString(p, KELCS_UTF8)), u"hello");
    EXPECT_EQ(text(KelUString(&p, KELCS_UTF8)), u"hello");
    EXPECT_TRUE(KelUString(static_cast<const KelPascalString*>(nullptr), KELCS_UTF8).empty());

    KelPascalString none = pascal("abc");
    none.m_nCount = 0;
    EXPECT_TRUE(KelUString(none, KELCS_UTF8).empty()) << "bytes behind a count of 0";

    KelPascalString out{};
    std::memset(out.m_aText, '#', sizeof out.m_aText);
    EXPECT_EQ(U(u"hi").copy(&out, KELCS_UTF8), 2u);
    EXPECT_EQ(out.m_nCount, 2);
    EXPECT_EQ(std::string(out.m_aText, 3), "hi#") << "no terminator";

    const KelUString longText('y', KelLength(300), KELCS_UTF8);
    EXPECT_EQ(longText.copy(&out, KELCS_UTF8), 255u);
    EXPECT_EQ(out.m_nCount, 255);
    EXPECT_EQ(out.m_aText[254], 'y');
    EXPECT_EQ(longText.copy(static_cast<KelPascalString*>(nullptr), KELCS_UTF8), 0u);
}

TEST(UStringLocal, CopyToBytesWritesTheTerminator) {
    char out[8];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(U(u"abc").copy(out, 2, KELCS_UTF8), 2u);
    EXPECT_EQ(std::string(out, 4), std::string("ab\0#", 4));

    std::memset(out, '#', sizeof out);
    EXPECT_EQ(U(u"abc").copy(out, 0, KELCS_UTF8), 0u);
    EXPECT_EQ(KelUString().copy(out, 4, KELCS_UTF8), 0u);
    EXPECT_EQ(out[0], '#');
    EXPECT_EQ(U(u"abc").copy(static_cast<char*>(nullptr), 4, KELCS_UTF8), 0u);
}

TEST(UStringLocal, ResizeWithALocalFillCharacter) {
    KelUString s = U(u"ab");
    s.resize(5, 'x', KELCS_UTF8);
    EXPECT_EQ(text(s), u"abxxx");
    s.resize(1, 'x', KELCS_UTF8);
    EXPECT_EQ(text(s), u"a");
    s.resize(1, 'x', KELCS_UTF8);
    EXPECT_EQ(text(s), u"a");

    s = KelUString(static_cast<unsigned short>('a'), KelUString::kEmbeddedCapacity);
    s.resize(300, 'z', KELCS_UTF8);
    EXPECT_EQ(s.size(), 300u);
    EXPECT_EQ(s.begin()[0], 'a');
    EXPECT_EQ(s.begin()[256], 'a');
    EXPECT_EQ(s.begin()[257], 'z');
    EXPECT_EQ(s.begin()[299], 'z');

    s.resize(0, 'x', KELCS_UTF8);
    EXPECT_TRUE(s.empty());
    s = U(u"ab");
    s.resize(4, '\0', KELCS_UTF8);
    EXPECT_EQ(text(s), std::u16string(u"ab\0\0", 4)) << "a NUL fill pads with 0 units";
    s = U(u"keep");
    expectLengthError([&] { s.resize(KelUString::npos, 'x', KELCS_UTF8); });
    EXPECT_EQ(text(s), u"keep");
}

// Units the fill bytes do not make are U+FFFD, never left over memory.
TEST(UStringLocal, ResizeFillsWhatTheConversionLeavesOpen) {
    KelUString s = U(u"ab");
    s.resize(5, 'x', KELCS_UTF16);
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s.begin()[2], 0x7878);
    EXPECT_EQ(s.begin()[4], 0xFFFD);
}

// The appended units are what the fill bytes make as a string of their own;
// a unit that the count cuts is left out, however wide the set's units, and
// the conversion reads no further than the fill bytes.
TEST(UStringLocal, ResizeAppendsWhatTheFillBytesMakeOnTheirOwn) {
    for (KelCharSet cs : {KELCS_UTF16, KELCS_UTF32, KELCS_UTF8, KELCS_WCP932}) {
        for (KelLength count : {3u, 5u, 1027u}) {
            KelUString s = U(u"ab");
            s.resize(2 + count, 'A', cs);
            const KelUString alone('A', count, cs);
            ASSERT_EQ(s.size(), 2 + count) << cs;
            EXPECT_TRUE(std::equal(alone.begin(), alone.end(), s.begin() + 2))
                << cs << ", " << count << " bytes";
            EXPECT_TRUE(std::all_of(s.begin() + 2 + alone.size(), s.end(),
                                    [](unsigned short u) { return u == 0xFFFD; }))
                << cs << ", " << count << " bytes";
        }
    }
}

TEST(UStringLocal, DoubleByteCharactersCutByTheCount) {
    EXPECT_EQ(text(fromExactBytes("\x82\xA0", KELCS_WCP932)), u"\u3042");
    EXPECT_EQ(text(fromExactBytes("\x82", KELCS_WCP932)), u"\uFFFD");
    EXPECT_EQ(text(KelUString("\x82\xA0", 1, KELCS_WCP932)), u"\uFFFD");
    EXPECT_EQ(text(KelUString('\x82', KELCS_WCP932)), u"\uFFFD");
    EXPECT_EQ(text(KelUString(pascal("A\x82"), KELCS_WCP932)), u"A\uFFFD");

    KelUString s = U(u"ab");
    s.resize(4, '\x82', KELCS_WCP932);
    EXPECT_EQ(text(s), u"ab\uFF42\uFFFD") << "82 82 is one character, the last lead byte none";
    s.resize(5, '\x82', KELCS_WCP932);
    EXPECT_EQ(text(s), u"ab\uFF42\uFFFD\uFFFD");
}

// Whatever the converter, the string is built from the given bytes only.
// In a set of two- or four-byte units the text ends at its first NUL
// character, not at its first 0 byte.
TEST(UStringLocal, WideUnitTextEndsAtItsNulCharacter) {
    const unsigned short units16[] = {'A', 0x100, 0, 'B'};
    const unsigned int units32[] = {'A', 0x100, 0, 'B'};
    const KelUString from16(reinterpret_cast<const char*>(units16), sizeof units16, KELCS_UTF16);
    const KelUString from32(reinterpret_cast<const char*>(units32), sizeof units32, KELCS_UTF32);
    EXPECT_EQ(text(from16), u"A\u0100");
    EXPECT_EQ(text(from32), u"A\u0100");
}

TEST(UStringLocal, ConversionsReadOnlyTheGivenBytes) {
    const KelCharSet sets[] = {KELCS_UTF8,    KELCS_UTF16,   KELCS_UTF32,  KELCS_UTF16ESC,
                               KELCS_WCP932,  KELCS_WCP936,  KELCS_EUC_JP, KELCS_GB18030,
                               KELCS_WCP1252, KELCS_SJIS0213};
    const std::string texts[] = {
        "a",    "\x82", "\xE2\x82", "\x8F\xA1",     "\x81\x30\x81",
        "U+00", "a\0b", "\xF0\x9F", "\xFF\xFF\xFF", std::string("\x41\x00\x00", 3)};
    for (KelCharSet cs : sets) {
        for (const std::string& bytes : texts) {
            const KelUString s = fromExactBytes(bytes, cs);
            EXPECT_LE(s.size(), bytes.size()) << cs;
            EXPECT_EQ(s.begin()[s.size()], 0) << cs;
        }
    }
}

TEST(UStringLocal, CodePoints) {
    KelUString empty;
    expectRangeError([&] { empty.at_utf32(0); });
    EXPECT_EQ(empty.numChars(), 0u);

    KelUString s = U(u"\U0001F600x");
    EXPECT_EQ(s.size(), 3u);
    EXPECT_EQ(s.numChars(), 2u);
    EXPECT_EQ(s.at_utf32(0), 0x1F600u);
    EXPECT_EQ(s.at_utf32(1), static_cast<unsigned int>('x'));
    EXPECT_EQ(s.numChars(), 2u);
    expectRangeError([&] { s.at_utf32(2); });
    s.at_utf32(1) = 'y';
    EXPECT_EQ(text(s), u"\U0001F600x") << "the code points are a copy";
    s.c_str(KELCS_UTF8);
    EXPECT_EQ(s.numChars(), 2u) << "a copy in another set is not counted";
}

TEST(UStringLocal, OperandsInTheDefaultCharacterSet) {
    const KelUString ab = U(u"ab");
    EXPECT_EQ(text(ab + "cd"), u"abcd");
    EXPECT_EQ(text(ab + 'c'), u"abc");
    EXPECT_EQ(text("z" + ab), u"zab");
    EXPECT_EQ(text('z' + ab), u"zab");
    EXPECT_EQ(text(static_cast<const char*>(nullptr) + ab), u"ab");
}

// A fill whose byte count is no multiple of the unit size must not let a
// four-byte converter read a unit past the private copy.
TEST(KelUStringLocal, ResizeWithWideUnitsStaysInsideTheCopy) {
    for (KelLength extra : {1021u, 1022u, 1023u, 1025u, 1030u}) {
        KelUString s;
        s.resize(extra, 'A', KELCS_UTF32);
        EXPECT_EQ(s.size(), extra);
    }
}

} // namespace
