#include "KelCharSet.h"

KelCharSetConverter::~KelCharSetConverter() = default;

KelLength KelCharSetConverter::fromUTF8(void*, const unsigned char*, KelLength, ILLCHAR_OPTYPE,
                                        bool*) {
    return 0;
}

KelLength KelCharSetConverter::toUTF8(unsigned char*, const void*, KelLength, ILLCHAR_OPTYPE,
                                      bool*) {
    return 0;
}

KelLength KelCharSetWStrlen(const unsigned short* s) {
    if (s == nullptr)
        return 0;
    KelLength n = 0;
    while (s[n] != 0)
        ++n;
    return n;
}

bool KelCharSetWStrEqual(const unsigned short* a, const unsigned short* b) {
    if (a == nullptr || b == nullptr)
        return a == b;
    for (; *a != 0; ++a, ++b) {
        if (*a != *b)
            return false;
    }
    return *b == 0;
}

#include "KelCharSetConverterUTF8.h"

namespace {
KelCharSetConverterUTF8 g_oConverterUTF8;
}

// Until the registry exists every identifier converts as UTF-8, which is
// also what the registry answers for an identifier without a converter.
KelCharSetConverter* KelCharSetConverter::getConverter(KelCharSet) { return &g_oConverterUTF8; }
