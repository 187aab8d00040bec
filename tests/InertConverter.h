#ifndef KELULIB_TESTS_INERTCONVERTER_H
#define KELULIB_TESTS_INERTCONVERTER_H

// For tests of what a converter class does besides converting (ownership,
// table loading): every conversion and count of the converter is empty.

#include "KelCharSet.h"

namespace keltest {

template <class Base> class InertConverter : public Base {
public:
    using Base::Base;

    KelLength getNumUnits(const void*, KelLength) override { return 0; }
    KelLength toUTF16(unsigned short*, const void*, KelLength, ILLCHAR_OPTYPE, bool*,
                      int) override {
        return 0;
    }
    KelLength getNumBytes(const unsigned short*, KelLength) override { return 0; }
    KelLength fromUTF16(void*, const unsigned short*, KelLength, ILLCHAR_OPTYPE, bool*) override {
        return 0;
    }
    KelLength getMinUnitSize() const override { return 1; }
    KelLength getMaxUnitSize() const override { return 1; }
    KelLength getNullCharSize() const override { return 1; }
    // Any input reads as text without characters.
    KelConversionResult decodeCounted(const void*, KelLength srcLen, unsigned short*, KelLength,
                                      KelOnProblem, bool, KelLength*, KelCodecState*) override {
        return {KelStop::EndOfInput, srcLen, 0, 0, 0, 0};
    }
    KelConversionResult encodeCounted(const unsigned short*, KelLength srcLen, void*, KelLength,
                                      KelOnProblem, bool, KelCodecState*) override {
        return {KelStop::EndOfInput, srcLen, 0, 0, 0, 0};
    }
    KelConversionResult decodeCountedToUTF8(const void*, KelLength srcLen, unsigned char*,
                                            KelLength, KelOnProblem, bool,
                                            KelCodecState*) override {
        return {KelStop::EndOfInput, srcLen, 0, 0, 0, 0};
    }
    KelConversionResult encodeCountedFromUTF8(const unsigned char*, KelLength srcLen, void*,
                                              KelLength, KelOnProblem, bool,
                                              KelCodecState*) override {
        return {KelStop::EndOfInput, srcLen, 0, 0, 0, 0};
    }
    KelConversionResult encodeSubstitute(std::uint32_t, KelOnProblem, void*, KelLength,
                                         KelCodecState*) override {
        return {KelStop::EndOfInput, 0, 0, 0, 0, 0};
    }
};

} // namespace keltest

#endif
