#ifndef KELCONV_TESTS_FAKECONVERTERS_H
#define KELCONV_TESTS_FAKECONVERTERS_H

#include "../InertConverter.h"

#include <cstdio>
#include <cstring>

// Small converters with the behaviours of the library's families, so that
// the tool's logic is tested whatever the registry provides. The tool does
// not convert counted text, which they leave inert.

// One byte per character; only ASCII maps. Like the single-byte converters,
// a limit counts bytes and 0 means none.
class FakeAsciiConverter : public keltest::InertConverter<KelCharSetConverter> {
public:
    FakeAsciiConverter() : InertConverter(KELCS_ISO_8859_1) {}

    KelLength getNumUnits(const void* src, KelLength) override {
        return std::strlen(static_cast<const char*>(src));
    }
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE opType,
                      bool* pIllegal, int srcLimit) override {
        const unsigned char* s = static_cast<const unsigned char*>(src);
        if (pIllegal)
            *pIllegal = false;
        KelLength n = 0;
        for (; n < dstLen && srcLimit != 0 && s[n] != 0; ++n, srcLimit -= srcLimit > 0) {
            if (s[n] >= 0x80) {
                if (pIllegal)
                    *pIllegal = true;
                if (opType == ILLCHAR_STOP)
                    break;
            }
            dst[n] = s[n] < 0x80 ? s[n] : 0xFFFD;
        }
        dst[n] = 0;
        return n;
    }
    KelLength getNumBytes(const unsigned short* src, KelLength) override {
        return KelCharSetWStrlen(src);
    }
    KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen,
                        ILLCHAR_OPTYPE opType, bool* pIllegal) override {
        char* d = static_cast<char*>(dst);
        if (pIllegal)
            *pIllegal = false;
        KelLength n = 0;
        for (; n < dstLen && *src != 0; ++src) {
            if (*src < 0x80) {
                d[n++] = static_cast<char>(*src);
                continue;
            }
            if (pIllegal)
                *pIllegal = true;
            if (opType == ILLCHAR_STOP || (opType == ILLCHAR_ESCAPE && dstLen - n < 6))
                break;
            if (opType == ILLCHAR_ESCAPE) {
                char text[10];
                std::snprintf(text, sizeof text, "U+%04X", *src);
                std::memcpy(d + n, text, 6);
                n += 6;
            } else {
                d[n++] = '?';
            }
        }
        d[n] = 0;
        return n;
    }
    KelLength getMinUnitSize() const override { return 1; }
    KelLength getMaxUnitSize() const override { return 1; }
    KelLength getNullCharSize() const override { return 1; }
};

// A lead/trail double-byte set: leads 0x81 to 0x9F, trails 0x40 to 0xFC;
// a pair maps to U+4E00 + (lead - 0x81) * 256 + trail, except trail 0x7E
// ("~" on its own), which has no mapping. A lead without a trail gives U+FFFD for the lead
// alone and, as in the library's converters, skips the limit test.
class FakeDoubleByteConverter : public keltest::InertConverter<KelCharSetConverter> {
public:
    FakeDoubleByteConverter() : InertConverter(KELCS_WCP932) {}

    KelLength getNumUnits(const void*, KelLength) override { return 0; }
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE,
                      bool* pIllegal, int srcLimit) override {
        const unsigned char* s = static_cast<const unsigned char*>(src);
        if (pIllegal)
            *pIllegal = false;
        KelLength n = 0;
        KelLength pos = 0;
        while (n < dstLen && s[pos] != 0) {
            const unsigned char b = s[pos++];
            if (isLead(b) && !isTrail(s[pos])) {
                flag(pIllegal);
                dst[n++] = 0xFFFD;
                continue;
            }
            if (isLead(b)) {
                const unsigned char t = s[pos++];
                if (t == kUnmappedTrail)
                    flag(pIllegal);
                dst[n++] = t == kUnmappedTrail
                               ? 0xFFFD
                               : static_cast<unsigned short>(0x4E00 + (b - 0x81) * 256 + t);
            } else {
                if (b >= 0x80)
                    flag(pIllegal);
                dst[n++] = b < 0x80 ? b : 0xFFFD;
            }
            if (srcLimit > 0 && pos >= static_cast<KelLength>(srcLimit))
                break;
        }
        dst[n] = 0;
        return n;
    }
    KelLength getNumBytes(const unsigned short*, KelLength) override { return 0; }
    KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen, ILLCHAR_OPTYPE,
                        bool* pIllegal) override {
        unsigned char* d = static_cast<unsigned char*>(dst);
        if (pIllegal)
            *pIllegal = false;
        KelLength n = 0;
        for (; *src != 0; ++src) {
            const unsigned code = *src - 0x4E00u;
            if (*src >= 0x4E00 && code < 31u * 256 && (code & 0xFF) >= 0x40 &&
                (code & 0xFF) <= 0xFC && (code & 0xFF) != kUnmappedTrail) {
                if (dstLen - n < 2)
                    break;
                d[n++] = static_cast<unsigned char>(0x81 + (code >> 8));
                d[n++] = static_cast<unsigned char>(code & 0xFF);
            } else if (n < dstLen) {
                if (*src >= 0x80)
                    flag(pIllegal);
                d[n++] = *src < 0x80 ? static_cast<unsigned char>(*src) : '?';
            } else {
                break;
            }
        }
        d[n] = 0;
        return n;
    }
    KelLength getMinUnitSize() const override { return 1; }
    KelLength getMaxUnitSize() const override { return 2; }
    KelLength getNullCharSize() const override { return 1; }

private:
    static constexpr unsigned char kUnmappedTrail = 0x7E;
    static bool isLead(unsigned char b) { return b >= 0x81 && b <= 0x9F; }
    static bool isTrail(unsigned char b) { return b >= 0x40 && b <= 0xFC; }
    static void flag(bool* pIllegal) {
        if (pIllegal)
            *pIllegal = true;
    }
};

// Host-order UTF-16 that copies units as they are, unpaired surrogates included.
class FakeUTF16Converter : public keltest::InertConverter<KelCharSetConverter> {
public:
    FakeUTF16Converter() : InertConverter(KELCS_UTF16) {}

    KelLength getNumUnits(const void*, KelLength) override { return 0; }
    KelLength toUTF16(unsigned short* dst, const void* src, KelLength dstLen, ILLCHAR_OPTYPE,
                      bool* pIllegal, int srcLimit) override {
        const unsigned short* s = static_cast<const unsigned short*>(src);
        if (pIllegal)
            *pIllegal = false;
        KelLength n = 0;
        for (; n < dstLen && s[n] != 0 && (srcLimit <= 0 || n < static_cast<KelLength>(srcLimit));
             ++n)
            dst[n] = s[n];
        dst[n] = 0;
        return n;
    }
    KelLength getNumBytes(const unsigned short* src, KelLength) override {
        return 2 * KelCharSetWStrlen(src);
    }
    KelLength fromUTF16(void* dst, const unsigned short* src, KelLength dstLen, ILLCHAR_OPTYPE,
                        bool* pIllegal) override {
        unsigned short* d = static_cast<unsigned short*>(dst);
        if (pIllegal)
            *pIllegal = false;
        KelLength n = 0;
        for (; 2 * (n + 1) <= dstLen && src[n] != 0; ++n)
            d[n] = src[n];
        d[n] = 0;
        return 2 * n;
    }
    KelLength getMinUnitSize() const override { return 2; }
    KelLength getMaxUnitSize() const override { return 2; }
    KelLength getNullCharSize() const override { return 2; }
};

#endif
