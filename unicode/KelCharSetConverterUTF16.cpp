#include "KelCharSetConverterUTF16.h"

#include <algorithm>
#include <cstring>

namespace {

using Unit16 = unsigned short;

constexpr KelLength kUnitSize = sizeof(Unit16);

// Units copied from one order to the other, at any alignment.
void copyUnits(void* d, const void* s, KelLength units, bool swap) {
    if (!swap) {
        std::memmove(d, s, units * kUnitSize);
        return;
    }
    for (KelLength i = 0; i < units; ++i)
        kel::storeUnit<Unit16>(d, i, kel::swappedIf(true, kel::loadUnit<Unit16>(s, i)));
}

} // namespace

// Local text and UTF-16 differ only in alignment and perhaps byte order:
// every unit, an unpaired surrogate included, is copied as it is. Half a
// unit at the end of the input is all that can be malformed.
class KelCharSetConverterUTF16::Codec : public kel::codec::WideUnits<Unit16> {
public:
    using WideUnits::WideUnits;

    // A high surrogate last is left to the loop, which may join it to its
    // partner.
    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room) const {
        KelLength units = std::min(n / kUnitSize, room);
        if (units != 0 && kel::isHighSurrogate(load(s, units - 1)))
            --units;
        copyUnits(d, s, units, m_swap);
        return {units * kUnitSize, units};
    }

    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        if (avail < kUnitSize)
            return kel::codec::noCharacter(avail, true);
        return kel::codec::character(kUnitSize, load(p, 0));
    }

    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room) const {
        const KelLength units = std::min(n, room / kUnitSize);
        copyUnits(d, s, units, m_swap);
        return {units, units * kUnitSize};
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength) const {
        return kel::codec::wideUnitChar<Unit16>(1, kel::swappedIf(m_swap, p[0]));
    }
};

KelCharSetConverterUTF16::KelCharSetConverterUTF16(KelCharSet cs)
    : KelCodecConverter(cs), m_bSwap(cs == KELCS_UTF16BE && !kel::kBigEndianHost) {}

KelCharSetConverterUTF16::Codec KelCharSetConverterUTF16::codec() const {
    return Codec(m_bSwap);
}

template class KelCodecConverter<KelCharSetConverterUTF16>;
