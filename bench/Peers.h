#ifndef KELBENCH_PEERS_H
#define KELBENCH_PEERS_H

// ICU and glibc iconv converters, each opened once and reused for every call,
// as a program that converts much text would keep them.

#include <unicode/ucnv.h>

#include <iconv.h>

#include <cstddef>
#include <string>

namespace kelbench {

// An ICU converter whose substitute for unmappable characters is "?", as
// the library writes; a strict one stops at the first such character.
class IcuConverter {
public:
    explicit IcuConverter(const char* name, bool strict = false);
    ~IcuConverter();
    IcuConverter(const IcuConverter&) = delete;
    IcuConverter& operator=(const IcuConverter&) = delete;

    UConverter* get() const { return m_cnv; }

private:
    UConverter* m_cnv;
};

// How iconv's input advances past a character it cannot convert.
enum class SourceUnit { Byte, UTF8, UTF16 };

class IconvConverter {
public:
    // `substitute` is written for each character that has no mapping.
    IconvConverter(const char* to, const char* from, SourceUnit unit, std::string substitute);
    ~IconvConverter();
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    // Converts `inLen` bytes into at most `cap` bytes; returns the bytes written.
    std::size_t convert(const void* in, std::size_t inLen, void* out, std::size_t cap) const;
    // Converts all of `inLen` bytes with no substitute; false when iconv
    // cannot convert some of them exactly.
    bool convertExactly(const void* in, std::size_t inLen, std::string& out) const;

private:
    std::size_t skipLength(const char* in, std::size_t left) const;

    iconv_t m_cd;
    SourceUnit m_unit;
    std::string m_substitute;
};

} // namespace kelbench

#endif
