#include "MBCSTestSets.h"

#include "KelCharSetConverterDBCS.h"
#include "KelCharSetConverterDBCSEx.h"
#include "KelCharSetConverterEUC_CN_KR.h"
#include "KelCharSetConverterEUC_JP.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// The single-byte data comes along with the include and is not used here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-variable"
#include "data/CodePageTables.inc"
#pragma GCC diagnostic pop

using keltest::MBCSKind;
using keltest::MBCSSet;

struct Source {
    KelCharSet cs;
    MBCSKind kind;
    const unsigned short* pairs;
    const unsigned char* types;
    const unsigned short* readOnly = nullptr; // codes read, never written
};

// In the order of the registry; Shift_JIS-2004 has its own list.
const Source kSources[] = {
    {KELCS_WCP932, MBCSKind::DBCS, oCP932map, oCP932Type},
    {KELCS_WCP936, MBCSKind::DBCS, oCP936map, oCP936Type},
    {KELCS_WCP949, MBCSKind::DBCS, oCP949map, oCP949Type},
    {KELCS_WCP950, MBCSKind::DBCS, oCP950map, oCP950Type},
    {KELCS_EUC_KR, MBCSKind::EUC_CN_KR, oKSX1001map, nullptr},
    {KELCS_EUC_CN, MBCSKind::EUC_CN_KR, oGB2312map, nullptr},
    {KELCS_EUC_JP, MBCSKind::EUC_JP, oJIS0208map, nullptr},
    {KELCS_BIG5, MBCSKind::DBCS, oBIG5map, oBig5Type, oBIG5ReadOnlymap},
    {KELCS_SHIFTJIS, MBCSKind::DBCS, oSHIFTJISmap, oCP932Type},
    {KELCS_SJIS0213, MBCSKind::DBCSEx, nullptr, oCP932Type},
};

void addPairs(MBCSSet& set, const unsigned short* pairs) {
    for (; pairs[0] != 0 || pairs[1] != 0; pairs += 2) {
        set.toUnicode[pairs[0]] = pairs[1];
        set.fromUnicode[pairs[1]] = pairs[0];
    }
}

MBCSSet setOf(const Source& source) {
    MBCSSet set{source.cs, source.kind, {}, {}, source.types};
    if (source.kind == MBCSKind::DBCSEx) {
        for (const sMBCSExTable* e = oSJIS0213_2004map; e->code != 0 || e->unicode != 0; ++e) {
            set.toUnicode[e->code] = e->unicode;
            set.fromUnicode[e->unicode] = e->code;
        }
        return set;
    }
    addPairs(set, source.pairs);
    for (const unsigned short* p = source.readOnly; p != nullptr && (p[0] | p[1]) != 0; p += 2)
        set.toUnicode[p[0]] = p[1];
    if (source.kind == MBCSKind::EUC_JP)
        addPairs(set, oJIS0201map);
    return set;
}

std::unique_ptr<KelCharSetConverter> converterOf(const Source& source) {
    switch (source.kind) {
    case MBCSKind::DBCS:
        return std::make_unique<KelCharSetConverterDBCS>(source.pairs, source.types,
                                                         source.readOnly, source.cs);
    case MBCSKind::DBCSEx:
        return std::make_unique<KelCharSetConverterDBCSEx>(oSJIS0213_2004map, source.types,
                                                           source.cs);
    case MBCSKind::EUC_CN_KR:
        return std::make_unique<KelCharSetConverterEUC_CN_KR>(source.pairs, source.cs);
    case MBCSKind::EUC_JP:
        return std::make_unique<KelCharSetConverterEUC_JP>(source.pairs, oJIS0201map, oJIS0212map,
                                                           source.cs);
    }
    return nullptr;
}

const Source& sourceOf(KelCharSet cs) {
    for (const Source& source : kSources) {
        if (source.cs == cs)
            return source;
    }
    throw std::invalid_argument("not a multibyte set: " + std::to_string(cs));
}

} // namespace

namespace keltest {

const std::vector<MBCSSet>& mbcsSets() {
    static const std::vector<MBCSSet> sets = [] {
        std::vector<MBCSSet> all;
        for (const Source& source : kSources)
            all.push_back(setOf(source));
        return all;
    }();
    return sets;
}

const MBCSSet& mbcsSet(KelCharSet cs) {
    for (const MBCSSet& set : mbcsSets()) {
        if (set.cs == cs)
            return set;
    }
    throw std::invalid_argument("not a multibyte set: " + std::to_string(cs));
}

KelCharSetConverter& mbcsConverter(KelCharSet cs) {
    return *KelCharSetConverter::getConverter(sourceOf(cs).cs);
}

std::unique_ptr<KelCharSetConverter> freshConverter(KelCharSet cs) {
    return converterOf(sourceOf(cs));
}

std::unique_ptr<KelCharSetConverter> namedEUCJPConverter() {
    return std::make_unique<KelCharSetConverterEUC_JP>("JIS0208", "JIS0201", "JIS0212",
                                                       KELCS_EUC_JP);
}

std::string localBytes(const MBCSSet& set, std::uint32_t key) {
    switch (set.kind) {
    case MBCSKind::DBCS:
    case MBCSKind::DBCSEx:
        return bytesOf(key);
    case MBCSKind::EUC_CN_KR:
        return bytesOf(key + 0x8080);
    case MBCSKind::EUC_JP:
        break;
    }
    if (key < 0x80)
        return std::string();
    return bytesOf(key <= 0xFF ? 0x8E00 | key : key + 0x8080);
}

std::string bytesOf(std::uint32_t code) {
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if ((code >> shift) != 0)
            bytes += static_cast<char>((code >> shift) & 0xFF);
    }
    return bytes;
}

} // namespace keltest
