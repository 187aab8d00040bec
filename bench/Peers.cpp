#include "Peers.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kelbench {

IcuConverter::IcuConverter(const char* name, bool strict) {
    UErrorCode err = U_ZERO_ERROR;
    m_cnv = ucnv_open(name, &err);
    // The UTF sets keep their own substitute, as "?" is no text of theirs.
    UErrorCode substErr = U_ZERO_ERROR;
    if (U_SUCCESS(err))
        ucnv_setSubstChars(m_cnv, "?", 1, &substErr);
    if (U_SUCCESS(err) && strict) {
        ucnv_setFromUCallBack(m_cnv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        ucnv_setToUCallBack(m_cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    }
    if (U_FAILURE(err)) {
        std::fprintf(stderr, "kelbench: ICU has no converter %s: %s\n", name, u_errorName(err));
        std::exit(2);
    }
}

IcuConverter::~IcuConverter() {
    ucnv_close(m_cnv);
}

IconvConverter::IconvConverter(const char* to, const char* from, SourceUnit unit,
                               std::string substitute)
    : m_cd(iconv_open(to, from)), m_unit(unit), m_substitute(std::move(substitute)) {
    if (m_cd == reinterpret_cast<iconv_t>(-1)) {
        std::fprintf(stderr, "kelbench: iconv cannot convert %s to %s\n", from, to);
        std::exit(2);
    }
}

IconvConverter::~IconvConverter() {
    iconv_close(m_cd);
}

std::size_t IconvConverter::skipLength(const char* in, std::size_t left) const {
    switch (m_unit) {
    case SourceUnit::UTF8: {
        const unsigned char lead = static_cast<unsigned char>(in[0]);
        const std::size_t n = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        return std::min(n, left);
    }
    case SourceUnit::UTF16:
        return std::min<std::size_t>(2, left);
    default:
        return 1;
    }
}

std::size_t IconvConverter::convert(const void* in, std::size_t inLen, void* out,
                                    std::size_t cap) const {
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(static_cast<const char*>(in));
    char* dst = static_cast<char*>(out);
    std::size_t left = cap;
    while (iconv(m_cd, &src, &inLen, &dst, &left) == static_cast<std::size_t>(-1)) {
        if ((errno != EILSEQ && errno != EINVAL) || left < m_substitute.size())
            break;
        std::memcpy(dst, m_substitute.data(), m_substitute.size());
        dst += m_substitute.size();
        left -= m_substitute.size();
        const std::size_t skip = skipLength(src, inLen);
        src += skip;
        inLen -= skip;
    }
    return cap - left;
}

bool IconvConverter::convertExactly(const void* in, std::size_t inLen, std::string& out) const {
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    out.resize(4 * inLen + 16);
    char* src = const_cast<char*>(static_cast<const char*>(in));
    char* dst = out.data();
    std::size_t left = out.size();
    const bool converted = iconv(m_cd, &src, &inLen, &dst, &left) != static_cast<std::size_t>(-1) &&
                           iconv(m_cd, nullptr, nullptr, &dst, &left) != static_cast<std::size_t>(-1);
    out.resize(out.size() - left);
    return converted && inLen == 0;
}

} // namespace kelbench
