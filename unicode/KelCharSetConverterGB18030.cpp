#include "KelCharSetConverterGB18030.h"

#include <algorithm>
#include <cstddef>
#include <new>

namespace {

using RangeRow = KelCharSetConverterGB18030::RangeRow;

// 90 30 81 30, the code of U+10000; the codes from it on follow the code
// points.
constexpr unsigned int kSupplementaryBase =
    KelCharSetConverterGB18030::makeScalar(0x90, 0x30, 0x81, 0x30);

#include "data/GB18030Ranges.inc"

// An index over a range table cuts the values from `first` on into blocks
// of 1 << shift values; entry i names the row a search for a value of block
// i starts from: the last row that begins before the block (a row may reach
// into the blocks after it), or row 0 when none does. Values past the last
// block share its entry, since no row reaches that far.
struct IndexShape {
    const RangeRow* rows;
    unsigned int first;
    unsigned int shift;
    std::size_t entries;
};

// Two-byte and BMP four-byte scalars: 0x8100 to 0x19FFF.
constexpr IndexShape kGBIndex{oGB2UniRange, 0x8100, 8, 287};
// UTF-16 units: 0x0000 to 0xFFFF.
constexpr IndexShape kUniIndex{oUni2GBRange, 0, 7, 512};

std::unique_ptr<const RangeRow* []> buildIndex(const IndexShape& shape) {
    std::unique_ptr<const RangeRow*[]> index(new (std::nothrow) const RangeRow*[shape.entries]);
    if (!index)
        return index;
    const RangeRow* row = shape.rows + 1;
    for (std::size_t i = 0; i < shape.entries; ++i) {
        const unsigned int blockStart = shape.first + (static_cast<unsigned int>(i) << shape.shift);
        while ((*row)[0] != 0 && (*row)[0] < blockStart)
            ++row;
        index[i] = row - 1;
    }
    return index;
}

const RangeRow* startRow(const IndexShape& shape, const RangeRow* const* index,
                         unsigned int value) {
    if (index == nullptr || value < shape.first)
        return shape.rows;
    const std::size_t block = (value - shape.first) >> shape.shift;
    return index[std::min(block, shape.entries - 1)];
}

// The value mapped to `value` by the rows from `row` on, 0 when none holds
// it. Rows are sorted and disjoint, so the first row that ends at or after
// the value decides.
unsigned int searchRanges(const RangeRow* row, unsigned int value) {
    for (; (*row)[0] != 0; ++row) {
        if (value <= (*row)[1])
            return value >= (*row)[0] ? (*row)[2] + (value - (*row)[0]) : 0;
    }
    return 0;
}

} // namespace

class KelCharSetConverterGB18030::Codec {
public:
    static constexpr KelLength kMaxLength = 4;

    Codec(const LookupTable<unsigned short>& toUnicode,
          const LookupTable<unsigned short>& fromUnicode, const RangeRow* const* gbIndex,
          const RangeRow* const* uniIndex, const kel::mbcs::IdentityCache& identity,
          const kel::mbcs::FlatTables& flat)
        : m_toUnicode(toUnicode), m_fromUnicode(fromUnicode), m_gbIndex(gbIndex),
          m_uniIndex(uniIndex),
          m_identity(identity.of(*this)), m_flat(flat.of(*this)) {}

    // A lead byte without a valid second byte or four-byte tail is a
    // character without a mapping by itself; the byte after it starts the
    // next character.
    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        if (isSBCS(p[0]))
            return kel::codec::mapped(1, m_toUnicode.trans(p[0]));
        if (!isLeadMBCS(p[0]))
            return kel::codec::mapped(1, 0);
        const unsigned char second = kel::mbcs::byteAt(p, avail, 1);
        if (isTrailDBCS(second))
            return kel::codec::mapped(2, toCodePoint(makeScalar(p[0], second)));
        if (hasFourByteTail(p, avail))
            return kel::codec::mapped(4, toCodePoint(makeScalar(p[0], p[1], p[2], p[3])));
        return kel::codec::mapped(1, 0);
    }

    // An unpaired surrogate has no code and comes alone, so the unit after
    // it converts in its own right.
    kel::codec::TargetChar encode(const unsigned short* p, KelLength avail) const {
        const kel::CodePoint ch = kel::codePointAt(p, avail);
        return packScalar(ch, toScalar(ch.value));
    }

    kel::blocks::ASCIIIdentity identity() const { return m_identity; }
    kel::mbcs::FlatView flat() const { return m_flat; }

private:
    // Each byte is read only when the one before it belongs to the code, so
    // decoding never reads past a terminator.
    static bool hasFourByteTail(const unsigned char* p, KelLength avail) {
        return isSecondFBCS(kel::mbcs::byteAt(p, avail, 1)) &&
               isThirdFBCS(kel::mbcs::byteAt(p, avail, 2)) &&
               isFourthFBCS(kel::mbcs::byteAt(p, avail, 3));
    }

    // 0 for a scalar without a mapping, such as the four-byte codes between
    // the BMP ranges and 90 30 81 30 or those beyond U+10FFFF.
    std::uint32_t toCodePoint(unsigned int scalar) const {
        if (scalar >= kSupplementaryBase) {
            const std::uint32_t cp = scalar - kSupplementaryBase + 0x10000u;
            return cp <= KelUChar::UTF32_MAX ? cp : 0;
        }
        const unsigned short unit = scalar <= KelUChar::UTF16_MAX
                                        ? m_toUnicode.trans(static_cast<unsigned short>(scalar))
                                        : 0;
        return unit != 0 ? unit : searchRanges(startRow(kGBIndex, m_gbIndex, scalar), scalar);
    }

    // 0 for a code point without a code (only lone surrogates).
    unsigned int toScalar(std::uint32_t cp) const {
        if (cp > KelUChar::UTF16_MAX)
            return cp - 0x10000u + kSupplementaryBase;
        const unsigned short code = m_fromUnicode.trans(static_cast<unsigned short>(cp));
        return code != 0 ? code : searchRanges(startRow(kUniIndex, m_uniIndex, cp), cp);
    }

    static kel::codec::TargetChar packScalar(const kel::CodePoint& ch, unsigned int scalar) {
        if (scalar <= 0xFFFF)
            return kel::mbcs::packedCode(ch, scalar);
        const unsigned int n = scalar - 0x10000u;
        const unsigned int q = n / 1260;
        const unsigned int r = n % 1260;
        const std::uint32_t bytes = (0x81u + q / 10) << 24 | (0x30u + q % 10) << 16 |
                                    (0x81u + r / 10) << 8 | (0x30u + r % 10);
        return {ch.units, ch.value, bytes, 4, false};
    }

    const LookupTable<unsigned short>& m_toUnicode;
    const LookupTable<unsigned short>& m_fromUnicode;
    const RangeRow* const* m_gbIndex;
    const RangeRow* const* m_uniIndex;
    // Last: probed and built through decode and encode, which the others
    // serve.
    const kel::blocks::ASCIIIdentity m_identity;
    const kel::mbcs::FlatView m_flat;
};

KelCharSetConverterGB18030::KelCharSetConverterGB18030(const unsigned short* map, KelCharSet cs)
    : KelCodecConverter(map, cs) {}

KelCharSetConverterGB18030::KelCharSetConverterGB18030(const char* name, KelCharSet cs)
    : KelCodecConverter(name, cs) {}

KelCharSetConverterGB18030::~KelCharSetConverterGB18030() = default;

// An index that could not be allocated stays missing; searches then start
// at the first row, and a later load() tries again.
void KelCharSetConverterGB18030::load() {
    KelCharSetConverterMBCS::load();
    m_pGB2UniIndex.get(m_oRangeLock, [] { return buildIndex(kGBIndex); });
    m_pUni2GBIndex.get(m_oRangeLock, [] { return buildIndex(kUniIndex); });
}

const KelCharSetConverterGB18030::RangeRow*
KelCharSetConverterGB18030::getGB2UniRange(unsigned int scalar) const {
    return startRow(kGBIndex, m_pGB2UniIndex.get(), scalar);
}

const KelCharSetConverterGB18030::RangeRow*
KelCharSetConverterGB18030::getUni2GBRange(unsigned int unit) const {
    return startRow(kUniIndex, m_pUni2GBIndex.get(), unit);
}

KelCharSetConverterGB18030::Codec KelCharSetConverterGB18030::codec() {
    load();
    return Codec(toUnicode(), fromUnicode(), m_pGB2UniIndex.get(), m_pUni2GBIndex.get(),
                 m_oIdentity, m_oFlat);
}

template class KelCodecConverter<KelCharSetConverterGB18030, KelCharSetConverterMBCS>;
