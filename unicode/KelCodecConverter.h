#ifndef KELCODECCONVERTER_H
#define KELCODECCONVERTER_H

// The operations of the converter interface, once for every converter:
// each runs the loop driver over the codec that the converter's codec()
// gives (a table codec of the multibyte sets in the driver's form).
// Internal to the library.
//
// Derived declares this class a friend and its sizes as kUnitSizes. A set
// in which a source limit of 0 reads nothing, not everything, says so with
// its own kZeroLimitReadsNothing. A converter whose codec is not in its header ends
// its header with an explicit instantiation declaration, and its unit holds
// the explicit instantiation definition, so that no other unit needs the
// codec.

#include "KelMBCSCodec.h"
#include "KelUTF8Paths.h"

// The sizes a converter class reports: its smallest character, the most
// bytes one UTF-16 unit becomes, and its NUL character.
struct KelUnitSizes {
    KelLength min;
    KelLength max;
    KelLength nul;
};

template <class Derived, class Base = KelCharSetConverter> class KelCodecConverter : public Base {
public:
    using Base::Base;

    KelLength getMinUnitSize() const override { return Derived::kUnitSizes.min; }
    KelLength getMaxUnitSize() const override { return Derived::kUnitSizes.max; }
    KelLength getNullCharSize() const override { return Derived::kUnitSizes.nul; }

    KelLength getNumUnits(const void* src, KelLength srcLen) override;
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                      bool* pIllegal, int srcLimit) override;
    KelLength getNumBytes(const unsigned short* src, KelLength srcLen) override;
    KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                        ILLCHAR_OPTYPE opType, bool* pIllegal) override;
    KelConversionResult decodeCounted(const void* src, KelLength srcLen, unsigned short* dst,
                                      KelLength dstLen, KelOnProblem on, bool last,
                                      KelLength* offsets, KelCodecState* state = nullptr) override;
    KelConversionResult encodeCounted(const unsigned short* src, KelLength srcLen, void* dst,
                                      KelLength dstLen, KelOnProblem on, bool last,
                                      KelCodecState* state = nullptr) override;
    KelConversionResult decodeCountedToUTF8(const void* src, KelLength srcLen, unsigned char* dst,
                                            KelLength dstLen, KelOnProblem on, bool last,
                                            KelCodecState* state = nullptr) override;
    KelConversionResult encodeCountedFromUTF8(const unsigned char* src, KelLength srcLen, void* dst,
                                              KelLength dstLen, KelOnProblem on, bool last,
                                              KelCodecState* state = nullptr) override;

    KelConversionResult encodeSubstitute(std::uint32_t value, KelOnProblem on, void* dst,
                                         KelLength dstLen, KelCodecState* state) override;

protected:
    static constexpr bool kZeroLimitReadsNothing = false;

private:
    auto codec() { return kel::mbcs::driven(static_cast<Derived&>(*this).codec()); }

    template <class Source>
    KelConversionResult encodeFrom(const Source& source, const typename Source::Unit* src,
                                   KelLength srcLen, void* dst, KelLength dstLen, KelOnProblem on,
                                   bool last, KelCodecState* state) {
        return kel::codec::encodeCounted(codec(), source, src, srcLen, dst, dstLen, on, last,
                                         state);
    }
};

template <class Derived, class Base>
KelLength KelCodecConverter<Derived, Base>::getNumUnits(const void* src, KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return kel::codec::countUnits(codec(), src, srcLen);
}

template <class Derived, class Base>
KelLength KelCodecConverter<Derived, Base>::toUTF16(unsigned short* dst, const void* src,
                                                    KelLength dstLen, ILLCHAR_OPTYPE opType,
                                                    bool* pIllegal, int srcLimit) {
    if (dst == nullptr || src == nullptr)
        return 0;
    const KelOnProblem on = kel::codec::onProblem(opType);
    if (srcLimit == 0 && Derived::kZeroLimitReadsNothing)
        return kel::codec::finish(dst, sizeof *dst, {}, pIllegal);
    const auto c = codec();
    if constexpr (kel::codec::kByteUnits<decltype(c)>) {
        return kel::codec::decodeTerminated(c, dst, src, dstLen, on, pIllegal, srcLimit);
    } else {
        const KelLength limit = srcLimit > 0 ? static_cast<KelLength>(srcLimit) : KEL_NPOS;
        return kel::codec::decodeWideTerminated(c, dst, src, dstLen, on, pIllegal, limit);
    }
}

template <class Derived, class Base>
KelLength KelCodecConverter<Derived, Base>::getNumBytes(const unsigned short* src,
                                                        KelLength srcLen) {
    if (src == nullptr)
        return 0;
    return kel::codec::countBytes(codec(), src, srcLen);
}

template <class Derived, class Base>
KelLength KelCodecConverter<Derived, Base>::fromUTF16(void* dst, const unsigned short* src,
                                                      KelLength dstLen, ILLCHAR_OPTYPE opType,
                                                      bool* pIllegal) {
    if (dst == nullptr || src == nullptr)
        return 0;
    return kel::codec::encodeTerminated(codec(), dst, src, dstLen, kel::codec::onProblem(opType),
                                        pIllegal);
}

template <class Derived, class Base>
KelConversionResult KelCodecConverter<Derived, Base>::decodeCounted(
    const void* src, KelLength srcLen, unsigned short* dst, KelLength dstLen, KelOnProblem on,
    bool last, KelLength* offsets, KelCodecState* state) {
    return kel::codec::decodeWhole(codec(), src, srcLen, dst, dstLen, on, last, offsets, state);
}

template <class Derived, class Base>
KelConversionResult KelCodecConverter<Derived, Base>::encodeCounted(
    const unsigned short* src, KelLength srcLen, void* dst, KelLength dstLen, KelOnProblem on,
    bool last, KelCodecState* state) {
    return encodeFrom(kel::codec::UTF16Source(), src, srcLen, dst, dstLen, on, last, state);
}

template <class Derived, class Base>
KelConversionResult KelCodecConverter<Derived, Base>::decodeCountedToUTF8(
    const void* src, KelLength srcLen, unsigned char* dst, KelLength dstLen, KelOnProblem on,
    bool last, KelCodecState* state) {
    return kel::codec::decodeCountedToUTF8(codec(), src, srcLen, dst, dstLen, on, last, state);
}

template <class Derived, class Base>
KelConversionResult KelCodecConverter<Derived, Base>::encodeCountedFromUTF8(
    const unsigned char* src, KelLength srcLen, void* dst, KelLength dstLen, KelOnProblem on,
    bool last, KelCodecState* state) {
    return encodeFrom(kel::codec::UTF8Source(), src, srcLen, dst, dstLen, on, last, state);
}

template <class Derived, class Base>
KelConversionResult
KelCodecConverter<Derived, Base>::encodeSubstitute(std::uint32_t value, KelOnProblem on, void* dst,
                                                   KelLength dstLen, KelCodecState* state) {
    return kel::codec::encodeSubstitute(codec(), value, on, dst, dstLen, state);
}

#endif
