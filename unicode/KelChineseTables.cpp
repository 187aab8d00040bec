#include "KelChineseTables.h"

#include "KelLazyTables.h"

#include <memory>
#include <new>

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

} // namespace

namespace kel {
namespace cns {

std::uint32_t character(unsigned plane, unsigned char row, unsigned char cell) {
    if (plane < 1 || plane > kPlanes || !isCodeByte(row) || !isCodeByte(cell))
        return 0;
    return valueAt(plane, indexOf(row, cell));
}

// Planes from the last to the first, so that a character of two planes
// keeps the code of the lower one.
void Codes::build() {
    for (unsigned plane = kPlanes; plane >= 1; --plane) {
        for (unsigned index = 0; index < kCodes; ++index) {
            const std::uint32_t value = valueAt(plane, index);
            const auto packed = static_cast<unsigned short>((plane - 1) * kCodes + index + 1);
            if (value >= kPlane2)
                m_plane2.put(static_cast<unsigned short>(value - kPlane2), packed);
            else if (value != 0)
                m_bmp.put(static_cast<unsigned short>(value), packed);
        }
    }
}

const Codes& Codes::get() {
    static ObjLock lock;
    static KelBuiltOnce<Codes> codes;
    return kelTableOrEmpty(codes.get(lock, [] {
        std::unique_ptr<Codes> built(new (std::nothrow) Codes);
        if (built)
            built->build();
        return built;
    }));
}

Code Codes::of(std::uint32_t value) const {
    unsigned short packed = 0;
    if (value <= 0xFFFF)
        packed = m_bmp.trans(static_cast<unsigned short>(value));
    else if (value - kPlane2 <= 0xFFFF)
        packed = m_plane2.trans(static_cast<unsigned short>(value - kPlane2));
    if (packed == 0)
        return {0, 0, 0};
    const unsigned index = (packed - 1u) % kCodes;
    return {(packed - 1u) / kCodes + 1, static_cast<unsigned char>(0x21 + index / kCells),
            static_cast<unsigned char>(0x21 + index % kCells)};
}

} // namespace cns

namespace isoir165 {

const Difference& Difference::get() {
    static ObjLock lock;
    static KelBuiltOnce<Difference> difference;
    return kelTableOrEmpty(difference.get(lock, [] {
        std::unique_ptr<Difference> built(new (std::nothrow) Difference);
        for (const unsigned short* p = oISOIR165map; built && (p[0] | p[1]) != 0; p += 2) {
            built->toUnicode.put(p[0], p[1]);
            built->fromUnicode.put(p[1], p[0]);
        }
        return built;
    }));
}

} // namespace isoir165
} // namespace kel
