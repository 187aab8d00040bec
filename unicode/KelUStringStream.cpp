// Stream input and output of KelUString. Kept apart from KelUString.cpp so
// that the string itself does not depend on the iostreams library.

#include "KelUString.h"

#include <cctype>
#include <istream>
#include <ostream>
#include <string>

namespace {

using Traits = std::istream::traits_type;
using Byte = Traits::int_type;

// Bytes read so far and the state bits to apply once reading is over.
struct ReadResult {
    std::string bytes;
    std::ios_base::iostate state = std::ios_base::goodbit;
};

bool isEnd(Byte c) {
    return Traits::eq_int_type(c, Traits::eof());
}

// isspace takes the byte as an unsigned char value; a negative char would be
// outside its domain.
bool isSpace(Byte c) {
    return std::isspace(static_cast<unsigned char>(Traits::to_char_type(c))) != 0;
}

// One more than the number of bytes a reader may store: the width counts a
// terminator, as for character arrays.
KelLength readLimit(const std::istream& is, const KelUString& s) {
    const std::streamsize width = is.width();
    if (width > 0)
        return static_cast<KelLength>(width);
    return s.max_size();
}

enum class Stop { Limit, End, Byte };

// Stores bytes from c on until the limit, the end of the stream or a byte
// for which isStop is true; that byte stays in the stream.
template <class IsStop>
Stop storeUntil(std::streambuf& buf, Byte c, KelLength limit, IsStop isStop, ReadResult& r) {
    for (KelLength left = limit; --left != 0; c = buf.snextc()) {
        if (isEnd(c)) {
            r.state |= std::ios_base::eofbit;
            return Stop::End;
        }
        if (isStop(c))
            return Stop::Byte;
        r.bytes.push_back(Traits::to_char_type(c));
    }
    return Stop::Limit;
}

void readLine(std::istream& is, std::streambuf& buf, const KelUString& s, char delim,
              ReadResult& r) {
    const auto isDelim = [delim](Byte c) { return Traits::to_char_type(c) == delim; };
    // Taking the delimiter without looking further keeps an interactive
    // stream from waiting for the next line.
    if (storeUntil(buf, buf.sgetc(), readLimit(is, s), isDelim, r) == Stop::Byte)
        buf.sbumpc();
    is.width(0);
}

void readWord(std::istream& is, std::streambuf& buf, const KelUString& s, ReadResult& r) {
    Byte c = buf.sgetc();
    while (!isEnd(c) && isSpace(c))
        c = buf.snextc();
    if (isEnd(c)) {
        r.state |= std::ios_base::eofbit;
        return;
    }
    storeUntil(buf, c, readLimit(is, s), isSpace, r);
    is.width(0);
}

// Runs a reader on the stream buffer. A buffer that throws, or a byte buffer
// that cannot grow, ends the read as if nothing had been read; a stream
// without a buffer reads nothing.
template <class Reader> ReadResult readBytes(std::istream& is, Reader read) {
    ReadResult r;
    std::streambuf* buf = is.rdbuf();
    if (buf == nullptr)
        return r;
    try {
        read(*buf, r);
    } catch (...) {
        r = ReadResult();
    }
    return r;
}

// The string is assigned once, from a converted copy of all bytes read.
std::istream& finishRead(std::istream& is, KelUString& s, const ReadResult& r) {
    std::ios_base::iostate state = r.state;
    if (r.bytes.empty())
        state |= std::ios_base::failbit;
    else
        s = KelUString(r.bytes.data(), static_cast<KelLength>(r.bytes.size()), KELCS_OS_DEFAULT);
    is.setstate(state);
    return is;
}

} // namespace

std::istream& getline(std::istream& is, KelUString& s, char delim) {
    s.erase();
    const ReadResult r = readBytes(
        is, [&](std::streambuf& buf, ReadResult& res) { readLine(is, buf, s, delim, res); });
    return finishRead(is, s, r);
}

std::istream& getline(std::istream& is, KelUString& s) {
    return getline(is, s, '\r');
}

std::istream& operator>>(std::istream& is, KelUString& s) {
    s.erase();
    const ReadResult r =
        readBytes(is, [&](std::streambuf& buf, ReadResult& res) { readWord(is, buf, s, res); });
    return finishRead(is, s, r);
}

// The converted copy is made on a copy of s, so the caller's string keeps
// whatever converted copy it holds.
std::ostream& operator<<(std::ostream& os, const KelUString& s) {
    KelUString local(s);
    return os << local.c_str(KELCS_OS_DEFAULT);
}
