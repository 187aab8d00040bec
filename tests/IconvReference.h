#ifndef KELULIB_TESTS_ICONVREFERENCE_H
#define KELULIB_TESTS_ICONVREFERENCE_H

// glibc's iconv as a reference converter for the differential tests.

#include <iconv.h>

#include <algorithm>
#include <string>
#include <vector>

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
        // No conversion of these tests makes more than 8 bytes of one.
        m_buffer.resize(std::max<size_t>(64, 8 * in.size()));
        char* inPtr = const_cast<char*>(in.data());
        size_t inLeft = in.size();
        char* outPtr = m_buffer.data();
        size_t outLeft = m_buffer.size();
        const bool ok =
            iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
            iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
        return ok ? std::string(m_buffer.data(), outPtr) : std::string();
    }

private:
    iconv_t m_cd;
    std::vector<char> m_buffer;
};

} // namespace keltest

#endif
