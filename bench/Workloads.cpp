#include "Workloads.h"

#include "Peers.h"

#include "KelCharSet.h"
#include "KelTranscoder.h"
#include "KelUString.h"

#include <unicode/unistr.h>
#include <unicode/ustring.h>

#ifdef KELBENCH_SIMDUTF
#include "simdutf.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kelbench {

namespace {

constexpr double kUTFRatio = 2.0;
constexpr double kSingleByteRatio = 4.0;
constexpr double kMultiByteRatio = 3.0;
constexpr double kPerNameRatio = 3.0;
constexpr double kStringRatio = 2.0;
constexpr double kSimdutfRatio = 0.7;
constexpr double kSimdutfCountedRatio = 0.9;
// Half of what a vectorised UTF-8 transcoder reaches on ASCII here.
constexpr double kASCIICeilingShare = 8000.0;

// Room for one converted name in any of the workloads' encodings.
constexpr std::size_t kNameRoom = 1024;

const std::string kUTF8Replacement = "\xEF\xBF\xBD";
const std::string kUTF16Replacement = "\xFD\xFF";

struct LegacySet {
    const char* label;
    KelCharSet cs;
    const char* icuName;
    const char* iconvName;
    const char* text;
    double targetRatio;
};

const LegacySet kLegacySets[] = {
    {"cp1252", KELCS_WCP1252, "windows-1252", "CP1252", "latin1", kSingleByteRatio},
    {"shift-jis", KELCS_SHIFTJIS, "Shift_JIS", "SHIFT_JIS", "japanese", kMultiByteRatio},
    {"cp932", KELCS_WCP932, "windows-31j", "CP932", "japanese", kMultiByteRatio},
    {"euc-jp", KELCS_EUC_JP, "EUC-JP", "EUC-JP", "japanese", kMultiByteRatio},
    {"gbk/cp936", KELCS_WCP936, "windows-936", "CP936", "chinese", kMultiByteRatio},
    {"gb18030", KELCS_GB18030, "GB18030", "GB18030", "chinese", kMultiByteRatio},
    {"big5", KELCS_BIG5, "Big5", "BIG5", "traditional", kMultiByteRatio},
    {"cp949", KELCS_WCP949, "windows-949", "CP949", "korean", kMultiByteRatio},
    {"euc-kr", KELCS_EUC_KR, "EUC-KR", "EUC-KR", "korean", kMultiByteRatio},
};

const char* const kUTFTexts[] = {"ascii", "latin1", "japanese", "chinese", "emoji"};

unsigned short* units(unsigned char* p) {
    return reinterpret_cast<unsigned short*>(p);
}

UChar* uchars(unsigned char* p) {
    return reinterpret_cast<UChar*>(p);
}

const unsigned short* units(const std::u16string& s) {
    return reinterpret_cast<const unsigned short*>(s.c_str());
}

const unsigned char* bytes(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.c_str());
}

int32_t icuCap(std::size_t cap, std::size_t unitSize) {
    return static_cast<int32_t>(cap / unitSize);
}

std::size_t icuBytes(int32_t length, std::size_t unitSize) {
    return length < 0 ? 0 : static_cast<std::size_t>(length) * unitSize;
}

std::size_t textBytes(const std::string& s) {
    return s.size();
}

std::size_t textBytes(const std::u16string& s) {
    return s.size() * sizeof(char16_t);
}

template <class Input>
Workload textWorkload(std::string name, const Input& input, double ratio, double mbps,
                      bool threaded) {
    const std::size_t in = textBytes(input);
    return {std::move(name), ratio, mbps, 0, 0, in, 4 * in + 16, nullptr, 0, threaded, {}};
}

// The counted API over the whole text: one stream object, reset per call.
Runner countedDecoding(KelCharSet cs, const std::string* src) {
    auto decoder = std::make_shared<KelDecoder>(cs);
    return {kCounted, [src, decoder](unsigned char* out, std::size_t cap) {
                decoder->reset();
                const KelStep step =
                    decoder->decode(src->data(), src->size(), units(out), cap / 2, true);
                return sizeof(unsigned short) * step.written;
            }};
}

Runner countedEncoding(KelCharSet cs, const std::u16string* src) {
    auto encoder = std::make_shared<KelEncoder>(cs);
    return {kCounted, [src, encoder](unsigned char* out, std::size_t cap) {
                encoder->reset();
                return static_cast<std::size_t>(
                    encoder->encode(src->data(), src->size(), out, cap, true).written);
            }};
}

#ifdef KELBENCH_SIMDUTF
// simdutf, with the targets the UTF paths aim at. It is given valid text.
void addSimdutf(Workload& w, Convert convert) {
    w.targetSimdutf = kSimdutfRatio;
    w.targetSimdutfCounted = kSimdutfCountedRatio;
    w.runners.push_back({kSimdutf, std::move(convert)});
}
#endif

Workload utf8ToUTF16(const Text& t) {
    Workload w = textWorkload("utf8>utf16 " + t.label, t.utf8, kUTFRatio,
                              t.label == "ascii" ? kASCIICeilingShare : 0, t.label == "japanese");
    const std::string* src = &t.utf8;
    auto iconv =
        std::make_shared<IconvConverter>("UTF-16LE", "UTF-8", SourceUnit::UTF8, kUTF16Replacement);
    w.runners = {{kLibrary,
                  [src](unsigned char* out, std::size_t cap) {
                      return sizeof(unsigned short) * UTF8ToUTF16(units(out), bytes(*src), cap / 2);
                  }},
                 countedDecoding(KELCS_UTF8, src),
                 {"ICU",
                  [src](unsigned char* out, std::size_t cap) {
                      UErrorCode err = U_ZERO_ERROR;
                      int32_t length = 0;
                      u_strFromUTF8(uchars(out), icuCap(cap, 2), &length, src->data(),
                                    static_cast<int32_t>(src->size()), &err);
                      return icuBytes(length, 2);
                  }},
                 {"iconv", [src, iconv](unsigned char* out, std::size_t cap) {
                      return iconv->convert(src->data(), src->size(), out, cap);
                  }}};
#ifdef KELBENCH_SIMDUTF
    addSimdutf(w, [src](unsigned char* out, std::size_t) {
        return sizeof(char16_t) * simdutf::convert_utf8_to_utf16le(
                                      src->data(), src->size(), reinterpret_cast<char16_t*>(out));
    });
#endif
    return w;
}

Workload utf16ToUTF8(const Text& t) {
    Workload w = textWorkload("utf16>utf8 " + t.label, t.utf16, kUTFRatio,
                              t.label == "ascii" ? kASCIICeilingShare : 0, false);
    const std::u16string* src = &t.utf16;
    auto iconv = std::make_shared<IconvConverter>("UTF-8", "UTF-16LE", SourceUnit::UTF16, "?");
    w.runners = {{kLibrary,
                  [src](unsigned char* out, std::size_t cap) {
                      return static_cast<std::size_t>(UTF16ToUTF8(out, units(*src), cap));
                  }},
                 countedEncoding(KELCS_UTF8, src),
                 {"ICU",
                  [src](unsigned char* out, std::size_t cap) {
                      UErrorCode err = U_ZERO_ERROR;
                      int32_t length = 0;
                      u_strToUTF8(reinterpret_cast<char*>(out), icuCap(cap, 1), &length,
                                  src->data(), static_cast<int32_t>(src->size()), &err);
                      return icuBytes(length, 1);
                  }},
                 {"iconv", [src, iconv](unsigned char* out, std::size_t cap) {
                      return iconv->convert(src->data(), textBytes(*src), out, cap);
                  }}};
#ifdef KELBENCH_SIMDUTF
    addSimdutf(w, [src](unsigned char* out, std::size_t) {
        return simdutf::convert_utf16le_to_utf8(src->data(), src->size(),
                                                reinterpret_cast<char*>(out));
    });
#endif
    return w;
}

// The text in the legacy set, as ICU writes it.
std::string icuEncoded(const IcuConverter& cnv, const std::u16string& text) {
    std::string out(4 * text.size() + 4, '\0');
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(cnv.get(), out.data(), static_cast<int32_t>(out.size()),
                                      text.data(), static_cast<int32_t>(text.size()), &err);
    if (U_FAILURE(err)) {
        std::fprintf(stderr, "kelbench: ICU cannot encode the corpus: %s\n", u_errorName(err));
        std::exit(2);
    }
    out.resize(static_cast<std::size_t>(n));
    return out;
}

Workload legacyToUTF16(const LegacySet& set, const std::string& src,
                       std::shared_ptr<IcuConverter> icu) {
    Workload w = textWorkload(std::string(set.label) + ">utf16 " + set.text, src, set.targetRatio,
                              0, set.cs == KELCS_SHIFTJIS);
    const std::string* in = &src;
    const KelCharSet cs = set.cs;
    auto iconv = std::make_shared<IconvConverter>("UTF-16LE", set.iconvName, SourceUnit::Byte,
                                                  kUTF16Replacement);
    w.runners = {{kLibrary,
                  [in, cs](unsigned char* out, std::size_t cap) {
                      return sizeof(unsigned short) *
                             LocalToUTF16(units(out), in->c_str(), static_cast<int>(cap / 2), cs);
                  }},
                 countedDecoding(cs, in),
                 {"ICU",
                  [in, icu](unsigned char* out, std::size_t cap) {
                      UErrorCode err = U_ZERO_ERROR;
                      const int32_t n =
                          ucnv_toUChars(icu->get(), uchars(out), icuCap(cap, 2), in->data(),
                                        static_cast<int32_t>(in->size()), &err);
                      return icuBytes(n, 2);
                  }},
                 {"iconv", [in, iconv](unsigned char* out, std::size_t cap) {
                      return iconv->convert(in->data(), in->size(), out, cap);
                  }}};
    return w;
}

Workload utf16ToLegacy(const LegacySet& set, const std::u16string& src,
                       std::shared_ptr<IcuConverter> icu) {
    Workload w = textWorkload(std::string("utf16>") + set.label + " " + set.text, src,
                              set.targetRatio, 0, false);
    const std::u16string* in = &src;
    const KelCharSet cs = set.cs;
    auto iconv =
        std::make_shared<IconvConverter>(set.iconvName, "UTF-16LE", SourceUnit::UTF16, "?");
    w.runners = {{kLibrary,
                  [in, cs](unsigned char* out, std::size_t cap) {
                      return static_cast<std::size_t>(
                          UTF16ToLocal(reinterpret_cast<char*>(out), units(*in), cap, cs));
                  }},
                 countedEncoding(cs, in),
                 {"ICU",
                  [in, icu](unsigned char* out, std::size_t cap) {
                      UErrorCode err = U_ZERO_ERROR;
                      const int32_t n =
                          ucnv_fromUChars(icu->get(), reinterpret_cast<char*>(out), icuCap(cap, 1),
                                          in->data(), static_cast<int32_t>(in->size()), &err);
                      return icuBytes(n, 1);
                  }},
                 {"iconv", [in, iconv](unsigned char* out, std::size_t cap) {
                      return iconv->convert(in->data(), textBytes(*in), out, cap);
                  }}};
    return w;
}

Workload perNameWorkload(std::string name, const NameList& names, std::size_t separatorSize,
                         bool threaded, double ratio = kPerNameRatio) {
    const std::size_t cap = 8 * names.textBytes + 8 * names.size();
    return {std::move(name), ratio,         0,        0, 0, names.textBytes, cap,
            &names,          separatorSize, threaded, {}};
}

// Each name's output is followed by a 0 unit of `unitSize` bytes.
template <class PerName>
Convert forEachName(const NameList& names, std::size_t unitSize, PerName convertName) {
    return [&names, unitSize, convertName](unsigned char* out, std::size_t cap) {
        std::size_t pos = 0;
        for (std::size_t i = 0; i < names.size() && cap - pos > kNameRoom; ++i) {
            const std::size_t n = convertName(names.name(i), out + pos, kNameRoom);
            std::memset(out + pos + n, 0, unitSize);
            pos += n + unitSize;
        }
        return pos;
    };
}

std::size_t nameLength(const unsigned char* name) {
    return std::strlen(reinterpret_cast<const char*>(name));
}

Workload cp1252RoundTrip(const NameList& names) {
    Workload w = perNameWorkload("name utf8>cp1252>utf8", names, 1, true);
    auto icu = std::make_shared<IcuConverter>("windows-1252");
    auto toLocal = std::make_shared<IconvConverter>("CP1252", "UTF-8", SourceUnit::UTF8, "?");
    auto fromLocal =
        std::make_shared<IconvConverter>("UTF-8", "CP1252", SourceUnit::Byte, kUTF8Replacement);
    w.runners = {
        {kLibrary, forEachName(names, 1,
                               [](const unsigned char* name, unsigned char* out, std::size_t cap) {
                                   char local[kNameRoom];
                                   UTF8ToLocal(local, name, sizeof local, KELCS_WCP1252);
                                   return static_cast<std::size_t>(
                                       LocalToUTF8(out, local, cap, KELCS_WCP1252));
                               })},
        {"ICU", forEachName(names, 1,
                            [icu](const unsigned char* name, unsigned char* out, std::size_t cap) {
                                UChar u[kNameRoom];
                                char local[kNameRoom];
                                UErrorCode err = U_ZERO_ERROR;
                                int32_t n = 0;
                                u_strFromUTF8(u, kNameRoom, &n, reinterpret_cast<const char*>(name),
                                              -1, &err);
                                n = ucnv_fromUChars(icu->get(), local, kNameRoom, u, n, &err);
                                n = ucnv_toUChars(icu->get(), u, kNameRoom, local, n, &err);
                                int32_t bytesOut = 0;
                                u_strToUTF8(reinterpret_cast<char*>(out), icuCap(cap, 1), &bytesOut,
                                            u, n, &err);
                                return icuBytes(bytesOut, 1);
                            })},
        {"iconv", forEachName(names, 1,
                              [toLocal, fromLocal](const unsigned char* name, unsigned char* out,
                                                   std::size_t cap) {
                                  char local[kNameRoom];
                                  const std::size_t n =
                                      toLocal->convert(name, nameLength(name), local, sizeof local);
                                  return fromLocal->convert(local, n, out, cap);
                              })}};
    return w;
}

Workload nameToUTF16(const NameList& names) {
    Workload w = perNameWorkload("name utf8>utf16", names, 2, false);
    auto iconv =
        std::make_shared<IconvConverter>("UTF-16LE", "UTF-8", SourceUnit::UTF8, kUTF16Replacement);
    w.runners = {
        {kLibrary, forEachName(names, 2,
                               [](const unsigned char* name, unsigned char* out, std::size_t cap) {
                                   return sizeof(unsigned short) *
                                          UTF8ToUTF16(units(out), name, cap / 2);
                               })},
        {"ICU", forEachName(names, 2,
                            [](const unsigned char* name, unsigned char* out, std::size_t cap) {
                                UErrorCode err = U_ZERO_ERROR;
                                int32_t n = 0;
                                u_strFromUTF8(uchars(out), icuCap(cap, 2), &n,
                                              reinterpret_cast<const char*>(name), -1, &err);
                                return icuBytes(n, 2);
                            })},
        {"iconv",
         forEachName(names, 2,
                     [iconv](const unsigned char* name, unsigned char* out, std::size_t cap) {
                         return iconv->convert(name, nameLength(name), out, cap);
                     })}};
    return w;
}

std::size_t copyText(unsigned char* out, std::size_t cap, const char* text, std::size_t n) {
    n = std::min(n, cap);
    std::memcpy(out, text, n);
    return n;
}

// A string made from UTF-8 and given back as UTF-8, as a program that keeps
// names in its string class does.
Workload stringRoundTrip(const NameList& names) {
    Workload w = perNameWorkload("name KelUString utf8>utf8", names, 1, false, kStringRatio);
    auto toUTF16 =
        std::make_shared<IconvConverter>("UTF-16LE", "UTF-8", SourceUnit::UTF8, kUTF16Replacement);
    auto toUTF8 = std::make_shared<IconvConverter>("UTF-8", "UTF-16LE", SourceUnit::UTF16, "?");
    w.runners = {
        {kLibrary, forEachName(names, 1,
                               [](const unsigned char* name, unsigned char* out, std::size_t cap) {
                                   KelUString s(reinterpret_cast<const char*>(name), KELCS_UTF8);
                                   const char* text = s.c_str(KELCS_UTF8);
                                   return copyText(out, cap, text, std::strlen(text));
                               })},
        {"ICU", forEachName(names, 1,
                            [](const unsigned char* name, unsigned char* out, std::size_t cap) {
                                const icu::UnicodeString s = icu::UnicodeString::fromUTF8(
                                    icu::StringPiece(reinterpret_cast<const char*>(name)));
                                std::string text;
                                s.toUTF8String(text);
                                return copyText(out, cap, text.data(), text.size());
                            })},
        {"iconv",
         forEachName(
             names, 1,
             [toUTF16, toUTF8](const unsigned char* name, unsigned char* out, std::size_t cap) {
                 const std::size_t len = nameLength(name);
                 std::u16string s(len, u'\0');
                 s.resize(toUTF16->convert(name, len, s.data(), 2 * len) / 2);
                 std::string text(3 * s.size(), '\0');
                 text.resize(toUTF8->convert(s.data(), 2 * s.size(), text.data(), text.size()));
                 return copyText(out, cap, text.data(), text.size());
             })}};
    return w;
}

} // namespace

WorkloadSet::WorkloadSet(const Corpus& corpus) {
    for (const char* label : kUTFTexts)
        workloads.push_back(utf8ToUTF16(corpus.text(label)));
    for (const char* label : kUTFTexts)
        workloads.push_back(utf16ToUTF8(corpus.text(label)));
    for (const LegacySet& set : kLegacySets) {
        const Text& t = corpus.text(set.text);
        auto icu = std::make_shared<IcuConverter>(set.icuName);
        m_encoded.push_back(std::make_unique<std::string>(icuEncoded(*icu, t.utf16)));
        workloads.push_back(legacyToUTF16(set, *m_encoded.back(), icu));
        workloads.push_back(utf16ToLegacy(set, t.utf16, icu));
    }
    workloads.push_back(cp1252RoundTrip(corpus.names));
    workloads.push_back(nameToUTF16(corpus.names));
    workloads.push_back(stringRoundTrip(corpus.names));
}

} // namespace kelbench
