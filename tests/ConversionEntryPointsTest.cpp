#include "KelCharSet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Units = std::vector<unsigned short>;

const unsigned char* u8(const char* s) {
    return reinterpret_cast<const unsigned char*>(s);
}

KelCharSet defaultCharSet() {
    return KelCharSetConverter::getConverter(KELCS_OS_DEFAULT)->getCharSet();
}

constexpr char kCanary = '#';

// A destination of `capacity` units followed by canaries, in which a call
// must not write beyond its capacity.
template <class Unit> struct Guarded {
    explicit Guarded(long capacity)
        : buffer(static_cast<size_t>(capacity > 0 ? capacity : 0) + 8, static_cast<Unit>(kCanary)),
          capacity(capacity > 0 ? capacity : 0) {}
    Unit* data() { return buffer.data(); }
    bool untouched() const {
        for (Unit u : buffer)
            if (u != static_cast<Unit>(kCanary))
                return false;
        return true;
    }
    bool intactBeyondCapacity() const {
        for (size_t i = capacity; i < buffer.size(); ++i)
            if (buffer[i] != static_cast<Unit>(kCanary))
                return false;
        return true;
    }
    std::vector<Unit> buffer;
    size_t capacity;
};

std::string utf8Of(const Guarded<unsigned char>& g, int n) {
    return std::string(g.buffer.begin(), g.buffer.begin() + n);
}

std::string localOf(const Guarded<char>& g, int n) {
    return std::string(g.buffer.data(), n);
}

TEST(EntryPoints, UTF8AndUTF16TruncateAtTheCapacity) {
    Guarded<unsigned short> three(3);
    EXPECT_EQ(UTF8ToUTF16(three.data(), u8("abc"), 3), 2);
    EXPECT_EQ(three.buffer[1], 'b');
    EXPECT_EQ(three.buffer[2], 0);
    EXPECT_TRUE(three.intactBeyondCapacity());
    Guarded<unsigned short> four(4);
    EXPECT_EQ(UTF8ToUTF16(four.data(), u8("abc"), 4), 3);

    const unsigned short euro[] = {'a', 0x20AC, 0};
    Guarded<unsigned char> out(4);
    EXPECT_EQ(UTF16ToUTF8(out.data(), euro, 4), 1);
    EXPECT_EQ(out.buffer[1], 0);
    EXPECT_EQ(UTF16ToUTF8(out.data(), euro, 5), 4);
    EXPECT_EQ(utf8Of(out, 4), "a\xE2\x82\xAC");
}

TEST(EntryPoints, InvalidLocalTextIsReadAsLatin1) {
    Guarded<unsigned short> out(8);
    EXPECT_EQ(LocalToUTF16(out.data(),
                           "\xE9"
                           "A",
                           8, KELCS_UTF8),
              2);
    EXPECT_EQ(Units(out.buffer.begin(), out.buffer.begin() + 3), (Units{0xE9, 0x41, 0}));

    Guarded<unsigned char> utf8(8);
    EXPECT_EQ(LocalToUTF8(utf8.data(),
                          "\xE9"
                          "A",
                          8, KELCS_UTF8),
              3);
    EXPECT_EQ(utf8Of(utf8, 4), std::string("\xC3\xA9"
                                           "A\0",
                                           4));
    // Valid text keeps its own reading.
    EXPECT_EQ(LocalToUTF8(utf8.data(), "\xC3\xA9", 8, KELCS_UTF8), 2);
    EXPECT_EQ(utf8Of(utf8, 2), "\xC3\xA9");
}

TEST(EntryPoints, EmptySourcesWriteOnlyTheTerminator) {
    Guarded<unsigned char> utf8(4);
    EXPECT_EQ(LocalToUTF8(utf8.data(), "", 4, KELCS_UTF8), 0);
    EXPECT_EQ(utf8.buffer[0], 0);
    EXPECT_EQ(utf8.buffer[1], kCanary);

    Guarded<char> wide(4);
    EXPECT_EQ(UTF8ToLocal(wide.data(), u8(""), 4, KELCS_UTF16), 0);
    EXPECT_EQ(localOf(wide, 3), std::string("\0\0#", 3));
    Guarded<char> wider(8);
    EXPECT_EQ(UTF8ToLocal(wider.data(), u8(""), 8, KELCS_UTF32), 0);
    EXPECT_EQ(localOf(wider, 5), std::string("\0\0\0\0#", 5));

    Guarded<unsigned char> path(4);
    EXPECT_EQ(LocalPathToUTF8(path.data(), "", 4), 0);
    EXPECT_EQ(path.buffer[0], 0);
}

// A misplaced byte is replaced, never deleted, so the bytes around it cannot
// meet and spell ".." or "//" in a name that a filter has passed.
TEST(EntryPoints, MisplacedBytesNeverJoinTheirNeighbours) {
    unsigned short units[16];
    ASSERT_EQ(UTF8ToUTF16(units, u8(".\x80./x"), 16), 5);
    EXPECT_EQ(Units(units, units + 5), (Units{0x2E, 0xFFFD, 0x2E, 0x2F, 0x78}));

    char local[64];
    const int n = UTF8ToLocalPath(local, u8("\x2E\x80\x2E\x2F\x2E\xBF\x2E\x2F\x65\x74\x63"), 64);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(local, static_cast<size_t>(n)).find("../"), std::string::npos) << local;
    unsigned char back[64];
    const int m = LocalPathToUTF8(back, local, 64);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), static_cast<size_t>(m)),
              ".\xEF\xBF\xBD./.\xEF\xBF\xBD./etc");
}

TEST(EntryPoints, BadArgumentsWriteNothing) {
    const unsigned short text16[] = {'a', 0};
    for (int capacity : {-1, 0, -100}) {
        Guarded<unsigned short> units(4);
        Guarded<unsigned char> bytes(4);
        Guarded<char> local(4);
        EXPECT_EQ(LocalToUTF16(units.data(), "a", capacity, KELCS_UTF8), 0);
        EXPECT_EQ(UTF8ToLocalPath(local.data(), u8("a"), capacity), 0);
        EXPECT_EQ(LocalPathToUTF8(bytes.data(), "a", capacity), 0);
        EXPECT_TRUE(units.untouched() && bytes.untouched() && local.untouched()) << capacity;
    }
    Guarded<unsigned short> units(4);
    Guarded<unsigned char> bytes(4);
    Guarded<char> local(4);
    EXPECT_EQ(UTF8ToUTF16(units.data(), u8("a"), 0), 0);
    EXPECT_EQ(UTF16ToUTF8(bytes.data(), text16, 0), 0);
    EXPECT_EQ(LocalToUTF8(bytes.data(), "a", 0, KELCS_UTF8), 0);
    for (KelCharSet cs : {KELCS_UTF8, KELCS_UTF16, KELCS_UTF32, KELCS_OS_DEFAULT})
        EXPECT_EQ(UTF16ToLocal(local.data(), text16, 0, cs), 0);
    EXPECT_EQ(UTF16ToLocal(local.data(), text16, 1, KELCS_UTF16), 0);
    EXPECT_EQ(UTF16ToLocal(local.data(), text16, 3, KELCS_UTF32), 0);
    EXPECT_EQ(UTF8ToLocal(local.data(), u8("a"), 1, KELCS_UTF16), 0);
    EXPECT_EQ(UTF8ToLocal(local.data(), u8(""), 3, KELCS_UTF32), 0);
    EXPECT_TRUE(units.untouched() && bytes.untouched() && local.untouched());

    EXPECT_EQ(UTF8ToUTF16(nullptr, u8("a"), 4), 0);
    EXPECT_EQ(UTF8ToUTF16(units.data(), nullptr, 4), 0);
    EXPECT_EQ(UTF16ToUTF8(nullptr, text16, 4), 0);
    EXPECT_EQ(UTF16ToUTF8(bytes.data(), nullptr, 4), 0);
    EXPECT_EQ(UTF16ToLocal(nullptr, text16, 4, KELCS_UTF8), 0);
    EXPECT_EQ(UTF16ToLocal(local.data(), nullptr, 4, KELCS_UTF8), 0);
    EXPECT_EQ(LocalToUTF16(nullptr, "a", 4, KELCS_UTF8), 0);
    EXPECT_EQ(LocalToUTF16(units.data(), nullptr, 4, KELCS_UTF8), 0);
    EXPECT_EQ(UTF8ToLocal(nullptr, u8("a"), 4, KELCS_UTF8), 0);
    EXPECT_EQ(UTF8ToLocal(local.data(), nullptr, 4, KELCS_UTF8), 0);
    EXPECT_EQ(LocalToUTF8(nullptr, "a", 4, KELCS_UTF8), 0);
    EXPECT_EQ(LocalToUTF8(bytes.data(), nullptr, 4, KELCS_UTF8), 0);
    EXPECT_EQ(UTF8ToLocalPath(nullptr, u8("a"), 4), 0);
    EXPECT_EQ(UTF8ToLocalPath(local.data(), nullptr, 4), 0);
    EXPECT_EQ(LocalPathToUTF8(nullptr, "a", 4), 0);
    EXPECT_EQ(LocalPathToUTF8(bytes.data(), nullptr, 4), 0);
    EXPECT_TRUE(units.untouched() && bytes.untouched() && local.untouched());
    EXPECT_EQ(GetNumBytes(nullptr, KELCS_UTF8), 0);
    EXPECT_EQ(GetNumUnits(nullptr, KELCS_UTF8), 0);
}

// Every capacity, every kind of set: output and terminator stay inside.
TEST(EntryPoints, NeverWriteBeyondTheCapacity) {
    const unsigned short text16[] = {'a', 0xE9, 0x20AC, 0xD83D, 0xDE00, 'z', 0};
    const char* text8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";
    for (KelCharSet cs : {KELCS_UTF8, KELCS_UTF16, KELCS_UTF32, KELCS_UTF16ESC, KELCS_ISO_8859_1,
                          KELCS_WCP1252, KELCS_OS_DEFAULT}) {
        for (int capacity = 0; capacity < 40; ++capacity) {
            const KelCapacity cap = static_cast<KelCapacity>(capacity);
            Guarded<char> local(capacity);
            UTF16ToLocal(local.data(), text16, cap, cs);
            EXPECT_TRUE(local.intactBeyondCapacity()) << cs << " capacity " << capacity;
            Guarded<char> fromUtf8(capacity);
            UTF8ToLocal(fromUtf8.data(), u8(text8), cap, cs);
            EXPECT_TRUE(fromUtf8.intactBeyondCapacity()) << cs << " capacity " << capacity;
            Guarded<unsigned short> units(capacity);
            LocalToUTF16(units.data(), text8, capacity, cs);
            EXPECT_TRUE(units.intactBeyondCapacity()) << cs << " capacity " << capacity;
            Guarded<unsigned char> utf8(capacity);
            LocalToUTF8(utf8.data(), text8, cap, cs);
            EXPECT_TRUE(utf8.intactBeyondCapacity()) << cs << " capacity " << capacity;
        }
    }
    for (int capacity = 0; capacity < 40; ++capacity) {
        Guarded<char> local(capacity);
        UTF8ToLocalPath(local.data(), u8(text8), capacity);
        EXPECT_TRUE(local.intactBeyondCapacity()) << capacity;
        Guarded<unsigned char> utf8(capacity);
        LocalPathToUTF8(utf8.data(), "aU+20ACU+D83DU+DE00b", capacity);
        EXPECT_TRUE(utf8.intactBeyondCapacity()) << capacity;
    }
}

// Local text in UTF-16 or UTF-32 handed over as char data is cut at its
// first 0 byte and never read beyond it.
TEST(EntryPoints, WideLocalTextIsReadOnlyUpToItsFirstZeroByte) {
    // Three bytes, the last one a NUL: a second UTF-16 unit would need a fourth.
    const char odd[] = {'A', 'B', '\0'};
    Guarded<unsigned char> out(16);
    EXPECT_EQ(LocalToUTF8(out.data(), odd, 16, KELCS_UTF16), 3);
    Guarded<unsigned short> units(16);
    EXPECT_EQ(LocalToUTF16(units.data(), odd, 16, KELCS_UTF16), 1);
    EXPECT_EQ(units.buffer[0], 'A' | 'B' << 8);
    EXPECT_EQ(GetNumUnits(odd, KELCS_UTF16), 1);
    const char one[] = {'A', '\0'};
    EXPECT_EQ(LocalToUTF16(units.data(), one, 16, KELCS_UTF16), 0);
    EXPECT_EQ(units.buffer[0], 0);
    const char shortText[] = {'A', 'B', 'C', '\0'};
    EXPECT_EQ(LocalToUTF8(out.data(), shortText, 16, KELCS_UTF32), 0);
    EXPECT_EQ(GetNumUnits(shortText, KELCS_UTF32), 0);
}

TEST(EntryPoints, PathEscapesRoundTrip) {
    const KelCharSet cs = defaultCharSet();
    Guarded<char> local(32);
    const int n = UTF8ToLocalPath(local.data(),
                                  u8("a\xE2\x82\xAC"
                                     "b\xF0\x9F\x98\x80"),
                                  32);
    if (cs == KELCS_ISO_8859_1) {
        EXPECT_EQ(localOf(local, n), "aU+20ACbU+D83DU+DE00");
    } else if (cs == KELCS_UTF8) {
        EXPECT_EQ(localOf(local, n), "a\xE2\x82\xAC"
                                     "b\xF0\x9F\x98\x80");
    } else {
        GTEST_SKIP() << "default character set " << cs;
    }
    Guarded<unsigned char> back(32);
    EXPECT_EQ(LocalPathToUTF8(back.data(), local.data(), 32), 9);
    EXPECT_EQ(utf8Of(back, 10), std::string("a\xE2\x82\xAC"
                                            "b\xF0\x9F\x98\x80\0",
                                            10));

    // An escape is written whole or not at all.
    Guarded<char> cut(5);
    const int m = UTF8ToLocalPath(cut.data(),
                                  u8("a\xE2\x82\xAC"
                                     "b"),
                                  5);
    EXPECT_EQ(localOf(cut, m), cs == KELCS_UTF8 ? "a\xE2\x82\xAC" : "a");
    EXPECT_TRUE(cut.intactBeyondCapacity());
}

TEST(EntryPoints, OnlyWellFormedEscapesAreResolved) {
    struct Case {
        const char* local;
        const char* utf8;
    } cases[] = {
        {"aU+20ACb", "a\xE2\x82\xAC"
                     "b"},
        {"U+0041U+0042", "AB"},
        {"U+20ac", "U+20ac"},
        {"xU+20A", "xU+20A"},
        {"U-20AC", "U-20AC"},
        {"U+U+0041", "U+A"},
        {"U+0000x", "U+0000x"}, // a decoded NUL would cut the name
        {"U+00410", "A0"},
    };
    for (const Case& c : cases) {
        Guarded<unsigned char> out(32);
        const int n = LocalPathToUTF8(out.data(), c.local, 32);
        EXPECT_EQ(utf8Of(out, n), c.utf8) << c.local;
        EXPECT_EQ(out.buffer[static_cast<size_t>(n)], 0) << c.local;
    }
}

TEST(EntryPoints, Measures) {
    const unsigned short text16[] = {'a', 0xE9, 0x20AC, 0};
    EXPECT_EQ(GetNumBytes(text16, KELCS_UTF8), 6);
    EXPECT_EQ(GetNumBytes(text16, KELCS_UTF16ESC), 13);
    EXPECT_EQ(GetNumBytes(text16, KELCS_UTF32), 12);
    EXPECT_EQ(GetNumUnits("a\xF0\x9F\x98\x80", KELCS_UTF8), 3);
    EXPECT_EQ(GetNumUnits("aU+00E9", KELCS_UTF16ESC), 2);
    EXPECT_EQ(GetNullCharSize(KELCS_UTF32), 4);
    EXPECT_EQ(GetMaxUnitSize(KELCS_UTF16ESC), 6);
    EXPECT_EQ(GetMinUnitSize(KELCS_UTF16), 2);
    EXPECT_EQ(GetNullCharSize(static_cast<KelCharSet>(437)), 1);
}

// Texts far beyond any stack buffer.
TEST(EntryPoints, LargeTextsConvertWhole) {
    const size_t size = 16u << 20;
    std::string text(size, 'x');
    text[size / 2] = '\xE9'; // invalid UTF-8: the whole text is read as Latin-1
    std::vector<unsigned char> utf8(size + 2);
    ASSERT_EQ(LocalToUTF8(utf8.data(), text.c_str(), utf8.size(), KELCS_UTF8),
              static_cast<int>(size + 1));
    EXPECT_EQ(utf8[size / 2], 0xC3);

    std::vector<char> local(size + 1);
    ASSERT_EQ(UTF8ToLocal(local.data(), utf8.data(), local.size(), KELCS_ISO_8859_1),
              static_cast<int>(size));
    EXPECT_EQ(std::string(local.data(), size), text);

    const size_t euros = size / 6;
    std::string escapes;
    for (size_t i = 0; i < euros; ++i)
        escapes += "U+20AC";
    std::vector<unsigned char> back(size + 1);
    ASSERT_EQ(LocalPathToUTF8(back.data(), escapes.c_str(), static_cast<int>(back.size())),
              static_cast<int>(3 * euros));
    const int n = UTF8ToLocalPath(local.data(), back.data(), static_cast<int>(local.size()));
    if (defaultCharSet() == KELCS_ISO_8859_1) {
        EXPECT_EQ(std::string(local.data(), static_cast<size_t>(n)), escapes);
    } else if (defaultCharSet() == KELCS_UTF8) {
        EXPECT_EQ(n, static_cast<int>(3 * euros));
    }
}

} // namespace
