#include "KelUString.h"

#include "UStringTestHelpers.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>

using keltest::text;
using keltest::U;

namespace {

const std::ios_base::iostate good = std::ios_base::goodbit;
const std::ios_base::iostate eof = std::ios_base::eofbit;
const std::ios_base::iostate fail = std::ios_base::failbit;

// What is left in the stream, read after clearing its state.
std::string rest(std::istream& is) {
    is.clear();
    return std::string(std::istreambuf_iterator<char>(is), std::istreambuf_iterator<char>());
}

// Local bytes as the readers should convert them, whatever the default set is.
std::u16string local(const std::string& bytes) {
    return text(KelUString(bytes.data(), static_cast<KelLength>(bytes.size()), KELCS_OS_DEFAULT));
}

KelCharSet defaultCharSet() {
    return KelCharSetConverter::getConverter(KELCS_OS_DEFAULT)->getCharSet();
}

// Hands out its text one byte per read and throws on the given read.
class ThrowingBuf : public std::streambuf {
public:
    ThrowingBuf(const std::string& text, int failingRead)
        : m_text(text), m_nFailingRead(failingRead) {}

protected:
    int_type underflow() override {
        if (++m_nReads == m_nFailingRead)
            throw std::runtime_error("device failed");
        if (m_nPos == m_text.size())
            return traits_type::eof();
        char* p = &m_text[m_nPos++];
        setg(p, p, p + 1);
        return traits_type::to_int_type(*p);
    }

private:
    std::string m_text;
    int m_nFailingRead;
    int m_nReads = 0;
    std::string::size_type m_nPos = 0;
};

TEST(UStringGetline, ReadsLinesEndedByCarriageReturn) {
    std::istringstream is("abc\rdef");
    KelUString s;
    EXPECT_EQ(&getline(is, s), &is);
    EXPECT_EQ(text(s), u"abc");
    EXPECT_EQ(is.rdstate(), good);
    getline(is, s);
    EXPECT_EQ(text(s), u"def");
    EXPECT_EQ(is.rdstate(), eof) << "a last line without delimiter is still a line";
    getline(is, s);
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(is.rdstate(), eof | fail);

    std::istringstream crlf("ab\r\ncd");
    getline(crlf, s);
    EXPECT_EQ(text(s), u"ab");
    EXPECT_EQ(rest(crlf), "\ncd") << "the line feed is left for the next line";
}

TEST(UStringGetline, EmptyLineConsumesDelimiterAndFails) {
    std::istringstream is("\nx\n");
    KelUString s = U(u"old");
    getline(is, s, '\n');
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(is.rdstate(), fail);
    EXPECT_EQ(rest(is), "x\n");

    std::istringstream empty("");
    s = U(u"old");
    getline(empty, s);
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(empty.rdstate(), eof | fail);
}

TEST(UStringGetline, WidthLimitsStoredBytesToOneLess) {
    KelUString s;
    std::istringstream is("abcdef\r");
    is.width(4);
    getline(is, s);
    EXPECT_EQ(text(s), u"abc");
    EXPECT_EQ(is.rdstate(), good);
    EXPECT_EQ(is.width(), 0);
    EXPECT_EQ(rest(is), "def\r");

    std::istringstream atDelim("abc\rx");
    atDelim.width(4);
    getline(atDelim, s);
    EXPECT_EQ(text(s), u"abc");
    EXPECT_EQ(rest(atDelim), "\rx") << "a delimiter met at the limit stays in the stream";

    std::istringstream one("abc\r");
    one.width(1);
    getline(one, s);
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(one.rdstate(), fail);
    EXPECT_EQ(one.width(), 0);
    EXPECT_EQ(rest(one), "abc\r");

    std::istringstream wide("ab\rc");
    wide.width(100);
    getline(wide, s);
    EXPECT_EQ(text(s), u"ab");
    EXPECT_EQ(wide.rdstate(), good);
    EXPECT_EQ(rest(wide), "c");
}

TEST(UStringGetline, KeepsHighAndNulBytesInTheirLine) {
    const std::string high = "a\x80\xE9\xFF"
                             "b";
    std::istringstream is(high + "\rnext");
    KelUString s;
    getline(is, s);
    EXPECT_EQ(text(s), local(high));
    EXPECT_EQ(is.rdstate(), good) << "0xFF is a byte, not the end of the stream";
    getline(is, s);
    EXPECT_EQ(text(s), u"next");

    std::istringstream nul(std::string("ab\0cd\rxy", 8));
    getline(nul, s);
    EXPECT_EQ(text(s), u"ab") << "local text ends at its NUL byte";
    EXPECT_EQ(nul.rdstate(), good);
    EXPECT_EQ(rest(nul), "xy");
}

TEST(UStringExtract, ReadsWordsBetweenWhiteSpace) {
    std::istringstream is("  hello world");
    KelUString s;
    EXPECT_EQ(&(is >> s), &is);
    EXPECT_EQ(text(s), u"hello");
    EXPECT_EQ(is.rdstate(), good);
    is >> s;
    EXPECT_EQ(text(s), u"world");
    EXPECT_EQ(is.rdstate(), eof);

    std::istringstream spaces("\t\n\v\f\r hi there");
    spaces >> s;
    EXPECT_EQ(text(s), u"hi");
    EXPECT_EQ(rest(spaces), " there") << "the ending white space stays";

    const std::string high = "\x80\xE9\xFF";
    std::istringstream bytes(high + " x");
    bytes >> s;
    EXPECT_EQ(text(s), local(high));
    EXPECT_EQ(rest(bytes), " x");
}

TEST(UStringExtract, OnlyWhiteSpaceFailsAtEnd) {
    std::istringstream is("  \t ");
    is.width(5);
    KelUString s = U(u"old");
    is >> s;
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(is.rdstate(), eof | fail);
    EXPECT_EQ(is.width(), 5) << "nothing to read: the width stays";
}

TEST(UStringExtract, WidthLimitsTheWordNotTheSkipping) {
    KelUString s;
    std::istringstream is("abcdef");
    is.width(3);
    is >> s;
    EXPECT_EQ(text(s), u"ab");
    EXPECT_EQ(is.width(), 0);
    EXPECT_EQ(rest(is), "cdef");

    std::istringstream padded("    ab");
    padded.width(2);
    padded >> s;
    EXPECT_EQ(text(s), u"a");
    EXPECT_EQ(rest(padded), "b");
}

TEST(UStringReaders, ReadWithoutSentry) {
    std::istringstream is("abc\rdef");
    is.setstate(fail);
    is >> std::noskipws;
    KelUString s;
    getline(is, s);
    EXPECT_EQ(text(s), u"abc") << "a failed stream is still read";
    EXPECT_EQ(is.rdstate(), fail);

    std::istringstream words(" x");
    words >> std::noskipws >> s;
    EXPECT_EQ(text(s), u"x") << "white space is skipped regardless of skipws";
}

TEST(UStringReaders, FailingBufferEndsReadAsEmpty) {
    for (int failingRead = 1; failingRead <= 3; ++failingRead) {
        SCOPED_TRACE(failingRead);
        ThrowingBuf lineBuf("abcdef\r", failingRead);
        std::istream is(&lineBuf);
        is.width(10);
        KelUString s = U(u"old");
        EXPECT_NO_THROW(getline(is, s));
        EXPECT_TRUE(s.empty());
        EXPECT_EQ(is.rdstate(), fail);
        EXPECT_EQ(is.width(), 10);

        ThrowingBuf wordBuf(" abc def", failingRead);
        std::istream ws(&wordBuf);
        s = U(u"old");
        EXPECT_NO_THROW(ws >> s);
        EXPECT_TRUE(s.empty());
        EXPECT_EQ(ws.rdstate(), fail);
    }
}

TEST(UStringReaders, LineEndsWithoutReadingPastTheDelimiter) {
    // The fourth read, the byte after the delimiter, would throw.
    ThrowingBuf buf("ab\rc", 4);
    std::istream is(&buf);
    KelUString s;
    getline(is, s);
    EXPECT_EQ(text(s), u"ab");
    EXPECT_EQ(is.rdstate(), good);
}

TEST(UStringReaders, StateExceptionsAndMissingBufferAreHandled) {
    std::istringstream is("");
    is.exceptions(fail);
    KelUString s = U(u"old");
    EXPECT_THROW(getline(is, s), std::ios_base::failure);
    EXPECT_TRUE(s.empty());

    std::istream none(nullptr);
    EXPECT_NO_THROW(getline(none, s));
    EXPECT_NO_THROW(none >> s);
    EXPECT_TRUE(none.fail());
}

TEST(UStringInsert, WritesDefaultSetBytesWithWidthAndFill) {
    std::ostringstream os;
    EXPECT_EQ(&(os << U(u"abc")), &os);
    os << std::setw(6) << std::setfill('*') << U(u"abc") << '|';
    os << std::left << std::setw(5) << U(u"ab") << '|';
    os << std::setw(3) << KelUString() << '|' << KelUString();
    EXPECT_EQ(os.str(), "abc***abc|ab***|***|");
    EXPECT_EQ(os.width(), 0);
}

TEST(UStringInsert, ConvertsWithoutTouchingTheCallersCopy) {
    KelUString s = U(u"\u00E9");
    const char* utf8 = s.c_str(KELCS_UTF8);
    std::ostringstream os;
    os << s;
    EXPECT_EQ(s.c_str(KELCS_UTF8), utf8);

    const KelCharSet cs = defaultCharSet();
    if (cs == KELCS_ISO_8859_1)
        EXPECT_EQ(os.str(), "\xE9");
    else if (cs == KELCS_UTF8)
        EXPECT_EQ(os.str(), "\xC3\xA9");
    else
        EXPECT_EQ(os.str(), KelUString(s).c_str(KELCS_OS_DEFAULT));
}

} // namespace
