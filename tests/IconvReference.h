#ifndef KELULIB_TESTS_ICONVREFERENCE_H
#define KELULIB_TESTS_ICONVREFERENCE_H

// glibc's iconv as a reference converter for the differential tests.

#include <iconv.h>

#include <string>

namespace keltest {

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // The whole output for `in`, including what a flush releases; empty when
    // glibc rejects any of the input.
    std::string convert(const std::string& in) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char buffer[64];
        char* inPtr = const_cast<char*>(in.data());
        size_t inLeft = in.size();
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const bool ok =
            iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
            iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
        return ok ? std::string(buffer, outPtr) : std::string();
    }

private:
    iconv_t m_cd;
};

} // namespace keltest

#endif
