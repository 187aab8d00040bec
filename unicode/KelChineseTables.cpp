#include "KelChineseTables.h"

#include <algorithm>
#include <iterator>

namespace {

#include "data/CNSTables.inc"

constexpr unsigned kCells = 94;
constexpr unsigned kCodes = kCells * kCells;
constexpr std::uint32_t kPlane2 = 0x20000;

unsigned indexOf(unsigned char row, unsigned char cell) {
    return (row - 0x21u) * kCells + (cell - 0x21u);
}

std::uint32_t valueAt(unsigned plane, unsigned index) {
    const std::uint32_t low = oCNS11643Planes[plane - 1][index];
    const bool beyond = (oCNS11643Beyond[plane - 1][index / 8] >> (index % 8)) & 1u;
    // U+20000 keeps no bit of its value below the one that says so.
    return beyond ? kPlane2 + low : low;
}

// The value paired with `key` in a list of pairs sorted by key, 0 for none.
template <std::size_t N>
unsigned short valueOf(const unsigned short (&pairs)[N][2], unsigned short key) {
    const auto at = std::lower_bound(std::begin(pairs), std::end(pairs), key,
                                     [](const unsigned short* pair, unsigned short k) {
                                         return pair[0] < k;
                                     });
    return at != std::end(pairs) && (*at)[0] == key ? (*at)[1] : 0;
}

} // namespace

namespace kel {
namespace cns {

std::uint32_t character(unsigned plane, unsigned char row, unsigned char cell) {
    if (plane < 1 || plane > kPlanes || !isCodeByte(row) || !isCodeByte(cell))
        return 0;
    return valueAt(plane, indexOf(row, cell));
}

Code codeOf(std::uint32_t value) {
    const unsigned unicodePlane = value >> 16;
    if (unicodePlane != 0 && unicodePlane != 2)
        return {0, 0, 0};
    const unsigned page = oCNS11643PageOf[unicodePlane / 2][(value >> 8) & 0xFF];
    const unsigned packed = page != 0 ? oCNS11643Reverse[page - 1][value & 0xFF] : 0;
    if (packed == 0)
        return {0, 0, 0};
    const unsigned index = (packed - 1) % kCodes;
    return {(packed - 1) / kCodes + 1, static_cast<unsigned char>(0x21 + index / kCells),
            static_cast<unsigned char>(0x21 + index % kCells)};
}

} // namespace cns

namespace isoir165 {

unsigned short characterOf(unsigned short code) {
    return valueOf(oISOIR165ByCode, code);
}

unsigned short codeOf(unsigned short unit) {
    return valueOf(oISOIR165ByUnicode, unit);
}

} // namespace isoir165
} // namespace kel
