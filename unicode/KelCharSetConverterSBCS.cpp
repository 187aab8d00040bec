#include "KelCharSetConverterSBCS.h"

#include "KelTextBlocks.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

// Without its table (memory ran out while building it) nothing converts.
template <class Unit> KelLength convertNothing(Unit* dst, bool* pIllegal) {
    kel::raiseFlag(pIllegal);
    dst[0] = 0;
    return 0;
}

} // namespace

KelCharSetConverterSBCS::KelCharSetConverterSBCS(const unsigned short* map, KelCharSet cs)
    : KelCodecConverter(cs), m_pName(nullptr), m_pMap(map) {}

KelCharSetConverterSBCS::KelCharSetConverterSBCS(const char* name, KelCharSet cs)
    : KelCodecConverter(cs), m_pName(name), m_pMap(nullptr) {}

void KelCharSetConverterSBCS::load() {
    tables();
}

// A missing pair list builds empty tables, so that a converter without one
// reports every character as unmappable and still never locks again.
const KelCharSetConverterSBCS::Tables* KelCharSetConverterSBCS::tables() {
    return m_oTables.get(m_oLock, [this] {
        std::unique_ptr<Tables> tables(new (std::nothrow) Tables());
        for (const unsigned short* pair = m_pMap; tables && pair != nullptr && (pair[0] | pair[1]) != 0;
             pair += 2) {
            const unsigned char code = static_cast<unsigned char>(pair[0] & 0xFF);
            tables->toUnicode[code] = pair[1];
            tables->fromUnicode.put(pair[1], code);
        }
        return tables;
    });
}

// One byte, one unit, through the converter's two tables; a byte or unit
// without a mapping is a problem of its own.
class KelCharSetConverterSBCS::Codec {
public:
    // A block with an unmapped byte stops the fast path; the loop takes that
    // block byte by byte before trying again.
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = kel::blocks::kSingleByteBlock;

    Codec(const unsigned short* toUnicode, const LookupTable<unsigned char>* fromUnicode)
        : m_toUnicode(toUnicode), m_fromUnicode(fromUnicode) {}

    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room) const {
        const KelLength done = kel::blocks::decodeSingleBytes(m_toUnicode, s, std::min(n, room), d);
        return {done, done};
    }

    kel::codec::SourceChar decode(const unsigned char* p, KelLength) const {
        return kel::codec::mapped(1, m_toUnicode[p[0]]);
    }

    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room) const {
        const KelLength done =
            kel::blocks::encodeSingleBytes(m_fromUnicode->page(0), s, std::min(n, room), d);
        return {done, done};
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength) const {
        const unsigned char code = m_fromUnicode->trans(p[0]);
        return {1, p[0], code, code != 0 ? 1u : 0u, false};
    }

private:
    const unsigned short* m_toUnicode;
    const LookupTable<unsigned char>* m_fromUnicode;
};

// Without its tables (memory ran out while building them) every character
// is a problem.
KelCharSetConverterSBCS::Codec KelCharSetConverterSBCS::codec() {
    const Tables& t = kelTableOrEmpty(tables());
    return Codec(t.toUnicode, &t.fromUnicode);
}

KelLength KelCharSetConverterSBCS::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return kel::unitsBeforeNul<unsigned char>(src, srcLen);
}

// The imposed operations convert nothing without the tables, and say so.
KelLength KelCharSetConverterSBCS::toUTF16(unsigned short* dst, const void* src, KelLength dstLen,
                                           ILLCHAR_OPTYPE opType, bool* pIllegal, int srcLimit) {
    if (dst != nullptr && src != nullptr && tables() == nullptr)
        return convertNothing(dst, pIllegal);
    return KelCodecConverter::toUTF16(dst, src, dstLen, opType, pIllegal, srcLimit);
}

KelLength KelCharSetConverterSBCS::getNumBytes(const unsigned short* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return kel::unitsBeforeNul<unsigned short>(src, srcLen);
}

KelLength KelCharSetConverterSBCS::fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                                             ILLCHAR_OPTYPE opType, bool* pIllegal) {
    if (dst != nullptr && src != nullptr && tables() == nullptr)
        return convertNothing(static_cast<unsigned char*>(dst), pIllegal);
    return KelCodecConverter::fromUTF16(dst, src, dstLen, opType, pIllegal);
}

template class KelCodecConverter<KelCharSetConverterSBCS>;
