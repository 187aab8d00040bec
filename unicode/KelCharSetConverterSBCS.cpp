#include "KelCharSetConverterSBCS.h"

#include "KelConverterHelpers.h"
#include "KelTextBlocks.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

constexpr unsigned int kByteValues = 256;

// Source bytes that toUTF16 may read: a negative limit means none, 0 means
// that nothing is converted.
KelLength sourceBudget(int srcLimit) {
    return srcLimit < 0 ? KEL_NPOS : static_cast<KelLength>(srcLimit);
}

// Without its table (memory ran out while building it) nothing converts.
template <class Unit> KelLength convertNothing(Unit* dst, bool* pIllegal) {
    kel::raiseFlag(pIllegal);
    dst[0] = 0;
    return 0;
}

} // namespace

KelCharSetConverterSBCS::KelCharSetConverterSBCS(const unsigned short* map, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(nullptr), m_pMap(map) {}

KelCharSetConverterSBCS::KelCharSetConverterSBCS(const char* name, KelCharSet cs)
    : KelCharSetConverter(cs), m_pName(name), m_pMap(nullptr) {}

void KelCharSetConverterSBCS::load() {
    kelBuildOnce(
        m_oLock, [this] { return m_pToUnicode.get() != nullptr; }, [this] { buildTables(); });
}

// A missing pair list builds empty tables, so that a converter without one
// reports every character as unmappable and still never locks again.
void KelCharSetConverterSBCS::buildTables() {
    std::unique_ptr<unsigned short[]> toUnicode(new (std::nothrow) unsigned short[kByteValues]());
    std::unique_ptr<LookupTable<unsigned char>> fromUnicode(new (std::nothrow)
                                                                LookupTable<unsigned char>);
    if (!toUnicode || !fromUnicode)
        return;
    for (const unsigned short* pair = m_pMap; pair != nullptr && (pair[0] | pair[1]) != 0;
         pair += 2) {
        const unsigned char code = static_cast<unsigned char>(pair[0] & 0xFF);
        toUnicode[code] = pair[1];
        fromUnicode->put(pair[1], code);
    }
    // toUnicode goes last: load() takes it as the sign that both are there.
    m_pFromUnicode.publish(std::move(fromUnicode));
    m_pToUnicode.publish(std::move(toUnicode));
}

const unsigned short* KelCharSetConverterSBCS::toUnicodeTable() {
    return m_pToUnicode.getOrLoad([this] { load(); });
}

const LookupTable<unsigned char>* KelCharSetConverterSBCS::fromUnicodeTable() {
    return m_pFromUnicode.getOrLoad([this] { load(); });
}

KelLength KelCharSetConverterSBCS::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return kel::terminatedLength(static_cast<const unsigned char*>(src), srcLen);
}

KelLength KelCharSetConverterSBCS::toUTF16(unsigned short* dst, const void* src,
                                           KelLength dstLen, ILLCHAR_OPTYPE opType,
                                           bool* pIllegal, int srcLimit) {
    if (dst == nullptr || src == nullptr)
        return 0;
    const unsigned short* toUnicode = toUnicodeTable();
    if (toUnicode == nullptr)
        return convertNothing(dst, pIllegal);
    kel::clearFlag(pIllegal);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    // One byte makes one unit, so a single index serves both sides.
    const KelLength limit = std::min(dstLen, sourceBudget(srcLimit));
    KelLength n = 0;
    kel::blocks::ByteRun run(s, limit);
    // After a byte that ends a block the blocks resume a block further on.
    KelLength blocksFrom = 0;
    for (; n < limit && s[n] != 0; ++n) {
        if (n >= blocksFrom) {
            n += kel::blocks::decodeSingleBytes(toUnicode, s + n, run.from(n), dst + n);
            blocksFrom = n + kel::blocks::kSingleByteBlock;
            if (n == limit || s[n] == 0)
                break;
        }
        unsigned short unit = toUnicode[s[n]];
        if (unit == 0) {
            kel::raiseFlag(pIllegal);
            unit = kel::decodeSubstitute(opType);
            if (unit == 0)
                break;
        }
        dst[n] = unit;
    }
    dst[n] = 0;
    return n;
}

KelLength KelCharSetConverterSBCS::getNumBytes(const unsigned short* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return kel::terminatedLength(src, srcLen);
}

KelLength KelCharSetConverterSBCS::fromUTF16(void* dst, const unsigned short* src,
                                             KelLength dstLen, ILLCHAR_OPTYPE opType,
                                             bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    unsigned char* d = static_cast<unsigned char*>(dst);
    const LookupTable<unsigned char>* fromUnicode = fromUnicodeTable();
    if (fromUnicode == nullptr)
        return convertNothing(d, pIllegal);
    kel::clearFlag(pIllegal);
    KelLength out = 0;
    kel::blocks::UnitRun run(src);
    KelLength blocksFrom = 0;
    for (const unsigned short* s = src; out < dstLen && *s != 0; ++s) {
        // Units below U+0100 go a block at a time through the table's first page.
        const KelLength pos = static_cast<KelLength>(s - src);
        if (pos >= blocksFrom) {
            const KelLength fast = kel::blocks::encodeSingleBytes(
                fromUnicode->page(0), s, std::min(run.from(pos), dstLen - out), d + out);
            s += fast;
            out += fast;
            blocksFrom = pos + fast + kel::blocks::kSingleByteBlock;
            if (out == dstLen || *s == 0)
                break;
        }
        const unsigned char byte = fromUnicode->trans(*s);
        if (byte != 0) {
            d[out++] = byte;
            continue;
        }
        kel::raiseFlag(pIllegal);
        const KelLength written = kel::writeSubstitute(d + out, dstLen - out, *s, opType);
        if (written == 0)
            break;
        out += written;
    }
    d[out] = 0;
    return out;
}
