#ifndef KELULIB_TESTS_MBCSTESTSETS_H
#define KELULIB_TESTS_MBCSTESTSETS_H

// The double-byte and EUC character sets with their generated tables, so
// that the tests can hold every converter against its own data.

#include "GuardedConversions.h"
#include "KelCharSet.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace keltest {

enum class MBCSKind { DBCS, DBCSEx, EUC_CN_KR, EUC_JP };

struct MBCSSet {
    KelCharSet cs;
    MBCSKind kind;
    // The converter's two tables as the generated data says: codes as the
    // tables key them (single byte, lead * 256 + trail, or the 7-bit form of
    // the 94 x 94 sets, with JIS X 0201 merged in for EUC-JP) and Unicode
    // scalar values.
    std::map<std::uint32_t, std::uint32_t> toUnicode;
    std::map<std::uint32_t, std::uint32_t> fromUnicode;
    const unsigned char* types; // byte types of a lead/trail set, else null

    bool isLead(unsigned char b) const { return (types[b] & 0x40) != 0; }
    bool isTrail(unsigned char b) const { return (types[b] & 0x80) != 0; }
};

// In the order of the registry.
const std::vector<MBCSSet>& mbcsSets();
const MBCSSet& mbcsSet(KelCharSet cs);

// The registered converter of a set.
KelCharSetConverter& mbcsConverter(KelCharSet cs);
// A converter of the set that has not built its tables yet.
std::unique_ptr<KelCharSetConverter> freshConverter(KelCharSet cs);
// Converters built with the name constructors, which have no tables.
std::unique_ptr<KelCharSetConverter> namedEUCJPConverter();

// The bytes of a local code, high byte first.
std::string bytesOf(std::uint32_t code);
// The bytes that stand for a code of the set's table; empty for the JIS X
// 0201 codes below 0x80 of EUC-JP, whose bytes are code set 0.
std::string localBytes(const MBCSSet& set, std::uint32_t key);

} // namespace keltest

#endif
