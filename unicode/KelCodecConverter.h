#ifndef KELCODECCONVERTER_H
#define KELCODECCONVERTER_H

// The operations of the converter interface for a table-driven multibyte
// converter, once for all of them: each runs the loop driver over the codec
// that the converter's codec() gives. Internal to the library.
//
// Derived declares this class a friend and ends its header with an
// explicit instantiation declaration; its unit, where its codec is
// complete, holds the explicit instantiation definition. So no other unit
// needs the codec.

#include "KelMBCSCodec.h"
#include "KelUTF8Paths.h"

template <class Derived, class Base> class KelCodecConverter : public Base {
public:
    using Base::Base;

    KelLength getNumUnits(const void* src, KelLength srcLen) override;
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                      bool* pIllegal, int srcLimit) override;
    KelLength getNumBytes(const unsigned short* src, KelLength srcLen) override;
    KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                        ILLCHAR_OPTYPE opType, bool* pIllegal) override;
    KelConversionResult decodeCounted(const void* src, KelLength srcLen, unsigned short* dst,
                                      KelLength dstLen, KelOnProblem on, bool last,
                                      KelLength* offsets) override;
    KelConversionResult encodeCounted(const unsigned short* src, KelLength srcLen, void* dst,
                                      KelLength dstLen, KelOnProblem on, bool last) override;
    KelConversionResult decodeCountedToUTF8(const void* src, KelLength srcLen, unsigned char* dst,
                                            KelLength dstLen, KelOnProblem on, bool last) override;
    KelConversionResult encodeCountedFromUTF8(const unsigned char* src, KelLength srcLen, void* dst,
                                              KelLength dstLen, KelOnProblem on,
                                              bool last) override;

private:
    auto codec() { return static_cast<Derived&>(*this).codec(); }
};

template <class Derived, class Base>
KelLength KelCodecConverter<Derived, Base>::getNumUnits(const void* src, KelLength srcLen) {
    return kel::mbcs::countUnits(codec(), src, srcLen);
}

template <class Derived, class Base>
KelLength KelCodecConverter<Derived, Base>::toUTF16(unsigned short* dst, const void* src,
                                                    KelLength dstLen, ILLCHAR_OPTYPE opType,
                                                    bool* pIllegal, int srcLimit) {
    return kel::mbcs::decodeText(codec(), dst, src, dstLen, opType, pIllegal, srcLimit);
}

template <class Derived, class Base>
KelLength KelCodecConverter<Derived, Base>::getNumBytes(const unsigned short* src,
                                                        KelLength srcLen) {
    return kel::mbcs::countBytes(codec(), src, srcLen);
}

template <class Derived, class Base>
KelLength KelCodecConverter<Derived, Base>::fromUTF16(void* dst, const unsigned short* src,
                                                      KelLength dstLen, ILLCHAR_OPTYPE opType,
                                                      bool* pIllegal) {
    return kel::mbcs::encodeText(codec(), dst, src, dstLen, opType, pIllegal);
}

template <class Derived, class Base>
KelConversionResult
KelCodecConverter<Derived, Base>::decodeCounted(const void* src, KelLength srcLen,
                                                unsigned short* dst, KelLength dstLen,
                                                KelOnProblem on, bool last, KelLength* offsets) {
    return kel::codec::decodeCounted(kel::mbcs::Driven<decltype(codec())>(codec()), src, srcLen,
                                     dst, dstLen, on, last, offsets);
}

template <class Derived, class Base>
KelConversionResult KelCodecConverter<Derived, Base>::encodeCounted(const unsigned short* src,
                                                                    KelLength srcLen, void* dst,
                                                                    KelLength dstLen,
                                                                    KelOnProblem on, bool last) {
    return kel::codec::encodeCounted(kel::mbcs::Driven<decltype(codec())>(codec()), src, srcLen,
                                     dst, dstLen, on, last);
}

template <class Derived, class Base>
KelConversionResult
KelCodecConverter<Derived, Base>::decodeCountedToUTF8(const void* src, KelLength srcLen,
                                                      unsigned char* dst, KelLength dstLen,
                                                      KelOnProblem on, bool last) {
    return kel::codec::decodeCountedToUTF8(kel::mbcs::Driven<decltype(codec())>(codec()), src,
                                           srcLen, dst, dstLen, on, last);
}

template <class Derived, class Base>
KelConversionResult
KelCodecConverter<Derived, Base>::encodeCountedFromUTF8(const unsigned char* src, KelLength srcLen,
                                                        void* dst, KelLength dstLen,
                                                        KelOnProblem on, bool last) {
    return kel::codec::encodeCountedFromUTF8(kel::mbcs::Driven<decltype(codec())>(codec()), src,
                                             srcLen, dst, dstLen, on, last);
}

#endif
