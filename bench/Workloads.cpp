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

#ifdef KELBENCH_ENCODING_RS
#include "EncodingRs.h"
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
constexpr double kSimdutfRatio = 0.8;
constexpr double kSimdutfCountedRatio = 1.0;
// Half of what a vectorised UTF-8 transcoder reaches on ASCII here.
constexpr double kASCIICeilingShare = 8000.0;

// Room for one converted name in any of the workloads' encodings.
constexpr std::size_t kNameRoom = 1024;

const std::string kUTF8Replacement = "\xEF\xBF\xBD";
const std::string kUTF16Replacement = "\xFD\xFF";

// What a legacy set's rows do beyond converting to and from UTF-16.
enum SetRows : unsigned {
    kPlainRows = 0,
    kShifts = 1,      // ISO-2022: outputs compared as read back
    kNoEntryRead = 2, // text with NUL bytes, which the entry points cannot read
    kUTF8Rows = 4,    // also straight to and from UTF-8
};

struct LegacySet {
    const char* label;
    KelCharSet cs;
    const char* icuName;
    const char* iconvName;
    const char* encodingRsName; // for the rows with UTF-8
    const char* text;
    double targetRatio;
    unsigned rows;
};

const LegacySet kLegacySets[] = {
    {"cp1252", KELCS_WCP1252, "windows-1252", "CP1252", nullptr, "latin1", kSingleByteRatio,
     kPlainRows},
    {"shift-jis", KELCS_SHIFTJIS, "Shift_JIS", "SHIFT_JIS", "Shift_JIS", "japanese",
     kMultiByteRatio, kUTF8Rows},
    {"cp932", KELCS_WCP932, "windows-31j", "CP932", nullptr, "japanese", kMultiByteRatio,
     kPlainRows},
    {"euc-jp", KELCS_EUC_JP, "EUC-JP", "EUC-JP", nullptr, "japanese", kMultiByteRatio, kPlainRows},
    {"gbk/cp936", KELCS_WCP936, "windows-936", "CP936", "GBK", "chinese", kMultiByteRatio,
     kUTF8Rows},
    {"gb18030", KELCS_GB18030, "GB18030", "GB18030", nullptr, "chinese", kMultiByteRatio,
     kPlainRows},
    {"big5", KELCS_BIG5, "Big5", "BIG5", "Big5", "traditional", kMultiByteRatio, kUTF8Rows},
    {"cp949", KELCS_WCP949, "windows-949", "CP949", nullptr, "korean", kMultiByteRatio,
     kPlainRows},
    {"euc-kr", KELCS_EUC_KR, "EUC-KR", "EUC-KR", "EUC-KR", "korean", kMultiByteRatio, kUTF8Rows},
    {"euc-tw", KELCS_EUC_TW, "EUC-TW", "EUC-TW", nullptr, "traditional", kMultiByteRatio,
     kPlainRows},
    {"iso-2022-jp", KELCS_ISO_2022JP, "ISO-2022-JP", "ISO-2022-JP", nullptr, "japanese",
     kMultiByteRatio, kShifts},
    {"iso-2022-kr", KELCS_ISO_2022KR, "ISO-2022-KR", "ISO-2022-KR", nullptr, "korean",
     kMultiByteRatio, kShifts},
    {"iso-2022-cn", KELCS_ISO_2022CN, "ISO-2022-CN", "ISO-2022-CN", nullptr, "chinese",
     kMultiByteRatio, kShifts},
    {"utf-16be", KELCS_UTF16BE, "UTF-16BE", "UTF-16BE", nullptr, "japanese", kUTFRatio,
     kNoEntryRead},
    {"utf-32be", KELCS_UTF32BE, "UTF-32BE", "UTF-32BE", nullptr, "emoji", kUTFRatio,
     kNoEntryRead},
};

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
    Workload w;
    w.name = std::move(name);
    w.targetRatio = ratio;
    w.targetMBps = mbps;
    w.targetSimdutf = w.targetSimdutfCounted = 0;
    w.inputBytes = textBytes(input);
    w.outputCap = 4 * w.inputBytes + 16;
    w.names = nullptr;
    w.separatorSize = 0;
    w.threaded = threaded;
    return w;
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

Workload utf8ToUTF16(const Text& t, bool threaded) {
    Workload w = textWorkload("utf8>utf16 " + t.label, t.utf8, kUTFRatio,
                              t.label == "ascii" ? kASCIICeilingShare : 0, threaded);
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

std::string utf8Of(const std::u16string& text) {
    std::string out(3 * text.size() + 1, '\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t length = 0;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &length, text.data(),
                static_cast<int32_t>(text.size()), &err);
    out.resize(U_SUCCESS(err) ? static_cast<std::size_t>(length) : 0);
    return out;
}

std::u16string readBack(const std::string& encoded, KelCharSet cs) {
    return kelDecode(encoded, cs);
}

// ICU's conversion of the whole text with no substitute; false when it stops.
bool icuEncodesExactly(const IcuConverter& cnv, const std::u16string& text, std::string& out) {
    out.assign(4 * text.size() + 16, '\0');
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(cnv.get(), out.data(), static_cast<int32_t>(out.size()),
                                      text.data(), static_cast<int32_t>(text.size()), &err);
    out.resize(U_SUCCESS(err) ? static_cast<std::size_t>(n) : 0);
    return U_SUCCESS(err);
}

bool icuDecodesTo(const IcuConverter& cnv, const std::string& encoded, const std::u16string& text) {
    std::u16string out(encoded.size() + 16, u'\0');
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(cnv.get(), out.data(), static_cast<int32_t>(out.size()),
                                    encoded.data(), static_cast<int32_t>(encoded.size()), &err);
    return U_SUCCESS(err) && out.compare(0, static_cast<std::size_t>(n), text) == 0 &&
           static_cast<std::size_t>(n) == text.size();
}

// The peers that decide which lines of a text a legacy set's rows use, each
// converting with no substitute.
class LineJudges {
public:
    explicit LineJudges(const LegacySet& set)
        : m_set(set), m_icu(set.icuName, true),
          m_toSet(set.iconvName, "UTF-16LE", SourceUnit::UTF16, ""),
          m_fromSet("UTF-16LE", set.iconvName, SourceUnit::Byte, "") {}

    // The library writes the line exactly, and ICU and iconv read its bytes
    // back to the line and write the line as the library does (in a set with
    // shifts: bytes that the library reads back to the line).
    bool keep(const std::u16string& line) {
        KelProblems problems;
        const std::string mine = kelEncode(line, m_set.cs, KelPolicy::Replace, &problems);
        if (problems.count != 0 || readBack(mine, m_set.cs) != line)
            return false;
        return icuEncodesExactly(m_icu, line, m_theirs) && agrees(mine, line) &&
               icuDecodesTo(m_icu, mine, line) &&
               m_toSet.convertExactly(line.data(), 2 * line.size(), m_theirs) &&
               agrees(mine, line) && m_fromSet.convertExactly(mine.data(), mine.size(), m_units) &&
               m_units.size() == 2 * line.size() &&
               std::memcmp(m_units.data(), line.data(), m_units.size()) == 0;
    }

private:
    bool agrees(const std::string& mine, const std::u16string& line) const {
        return m_theirs == mine || ((m_set.rows & kShifts) && readBack(m_theirs, m_set.cs) == line);
    }

    const LegacySet& m_set;
    IcuConverter m_icu;
    IconvConverter m_toSet;
    IconvConverter m_fromSet;
    std::string m_theirs;
    std::string m_units;
};

} // namespace

// A text in a legacy set: the lines that every peer converts exactly, in the
// set, in UTF-16 and in UTF-8.
struct LegacyInput {
    std::string encoded;
    std::u16string utf16;
    std::string utf8;
    std::size_t lines = 0;
    std::size_t dropped = 0;
};

namespace {

std::unique_ptr<LegacyInput> legacyInput(const LegacySet& set, const Text& t) {
    auto input = std::make_unique<LegacyInput>();
    LineJudges judges(set);
    for (std::size_t from = 0; from < t.utf16.size();) {
        const std::size_t newline = t.utf16.find(u'\n', from);
        const std::size_t end = newline == std::u16string::npos ? t.utf16.size() : newline + 1;
        const std::u16string line = t.utf16.substr(from, end - from);
        ++input->lines;
        if (judges.keep(line))
            input->utf16 += line;
        else
            ++input->dropped;
        from = end;
    }
    input->encoded = kelEncode(input->utf16, set.cs);
    input->utf8 = utf8Of(input->utf16);
    return input;
}

std::string rowName(const char* from, const char* to, const Text& t) {
    return std::string(from) + ">" + to + " " + t.label;
}

Workload legacyToUTF16(const LegacySet& set, const Text& t, const LegacyInput& input,
                       std::shared_ptr<IcuConverter> icu) {
    Workload w = textWorkload(rowName(set.label, "utf16", t), input.encoded, set.targetRatio,
                              0, set.cs == KELCS_SHIFTJIS);
    const std::string* in = &input.encoded;
    const KelCharSet cs = set.cs;
    auto iconv = std::make_shared<IconvConverter>("UTF-16LE", set.iconvName, SourceUnit::Byte,
                                                  kUTF16Replacement);
    if (!(set.rows & kNoEntryRead))
        w.runners.push_back({kLibrary, [in, cs](unsigned char* out, std::size_t cap) {
                                 return sizeof(unsigned short) *
                                        LocalToUTF16(units(out), in->c_str(),
                                                     static_cast<int>(cap / 2), cs);
                             }});
    w.runners.push_back(countedDecoding(cs, in));
    w.runners.push_back({"ICU", [in, icu](unsigned char* out, std::size_t cap) {
                             UErrorCode err = U_ZERO_ERROR;
                             const int32_t n =
                                 ucnv_toUChars(icu->get(), uchars(out), icuCap(cap, 2), in->data(),
                                               static_cast<int32_t>(in->size()), &err);
                             return icuBytes(n, 2);
                         }});
    w.runners.push_back({"iconv", [in, iconv](unsigned char* out, std::size_t cap) {
                             return iconv->convert(in->data(), in->size(), out, cap);
                         }});
    return w;
}

Workload utf16ToLegacy(const LegacySet& set, const Text& t, const LegacyInput& input,
                       std::shared_ptr<IcuConverter> icu) {
    Workload w = textWorkload(rowName("utf16", set.label, t), input.utf16, set.targetRatio, 0,
                              false);
    const std::u16string* in = &input.utf16;
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
    if (set.rows & kShifts)
        w.readBack = [cs](const unsigned char* p, std::size_t n) {
            return readBack(std::string(reinterpret_cast<const char*>(p), n), cs);
        };
    return w;
}

// ICU between two sets with no UTF-16 of the caller's in between.
std::size_t icuConvert(const IcuConverter& to, const IcuConverter& from, const std::string& src,
                       unsigned char* out, std::size_t cap) {
    UErrorCode err = U_ZERO_ERROR;
    char* target = reinterpret_cast<char*>(out);
    const char* source = src.data();
    ucnv_convertEx(to.get(), from.get(), &target, target + cap, &source, source + src.size(),
                   nullptr, nullptr, nullptr, nullptr, true, true, &err);
    return static_cast<std::size_t>(target - reinterpret_cast<char*>(out));
}

Workload legacyToUTF8(const LegacySet& set, const Text& t, const LegacyInput& input,
                      std::shared_ptr<IcuConverter> icu, std::shared_ptr<IcuConverter> icuUTF8) {
    Workload w = textWorkload(rowName(set.label, "utf8", t), input.encoded, set.targetRatio,
                              0, false);
    w.toUTF16Name = rowName(set.label, "utf16", t);
    const std::string* in = &input.encoded;
    const KelCharSet cs = set.cs;
    auto decoder = std::make_shared<KelDecoder>(cs);
    auto iconv =
        std::make_shared<IconvConverter>("UTF-8", set.iconvName, SourceUnit::Byte, kUTF8Replacement);
    w.runners = {{kLibrary,
                  [in, cs](unsigned char* out, std::size_t cap) {
                      return static_cast<std::size_t>(LocalToUTF8(out, in->c_str(), cap, cs));
                  }},
                 {kCounted,
                  [in, decoder](unsigned char* out, std::size_t cap) {
                      decoder->reset();
                      return static_cast<std::size_t>(
                          decoder->toUTF8(in->data(), in->size(), reinterpret_cast<char*>(out), cap,
                                          true)
                              .written);
                  }},
                 {"ICU",
                  [in, icu, icuUTF8](unsigned char* out, std::size_t cap) {
                      return icuConvert(*icuUTF8, *icu, *in, out, cap);
                  }},
                 {"iconv", [in, iconv](unsigned char* out, std::size_t cap) {
                      return iconv->convert(in->data(), in->size(), out, cap);
                  }}};
#ifdef KELBENCH_SIMDUTF
    auto utf16 = std::make_shared<std::u16string>(in->size() + 16, u'\0');
    w.runners.push_back({kViaUTF16, [in, decoder, utf16](unsigned char* out, std::size_t) {
                             decoder->reset();
                             const KelStep step = decoder->decode(in->data(), in->size(),
                                                                  utf16->data(), utf16->size(), true);
                             return simdutf::convert_utf16le_to_utf8(
                                 utf16->data(), step.written, reinterpret_cast<char*>(out));
                         }});
#endif
#ifdef KELBENCH_ENCODING_RS
    const KelbenchEncoding* encoding = kelbench_encoding_rs(set.encodingRsName);
    w.runners.push_back({kEncodingRs, [in, encoding](unsigned char* out, std::size_t cap) {
                             return kelbench_encoding_rs_decode_to_utf8(encoding, bytes(*in),
                                                                        in->size(), out, cap);
                         }});
#endif
    return w;
}

Workload utf8ToLegacy(const LegacySet& set, const Text& t, const LegacyInput& input,
                      std::shared_ptr<IcuConverter> icu, std::shared_ptr<IcuConverter> icuUTF8) {
    Workload w = textWorkload(rowName("utf8", set.label, t), input.utf8, set.targetRatio, 0,
                              false);
    const std::string* in = &input.utf8;
    const KelCharSet cs = set.cs;
    auto encoder = std::make_shared<KelEncoder>(cs);
    auto iconv = std::make_shared<IconvConverter>(set.iconvName, "UTF-8", SourceUnit::UTF8, "?");
    w.runners = {{kLibrary,
                  [in, cs](unsigned char* out, std::size_t cap) {
                      return static_cast<std::size_t>(
                          UTF8ToLocal(reinterpret_cast<char*>(out), bytes(*in), cap, cs));
                  }},
                 {kCounted,
                  [in, encoder](unsigned char* out, std::size_t cap) {
                      encoder->reset();
                      return static_cast<std::size_t>(
                          encoder->fromUTF8(in->data(), in->size(), out, cap, true).written);
                  }},
                 {"ICU",
                  [in, icu, icuUTF8](unsigned char* out, std::size_t cap) {
                      return icuConvert(*icu, *icuUTF8, *in, out, cap);
                  }},
                 {"iconv", [in, iconv](unsigned char* out, std::size_t cap) {
                      return iconv->convert(in->data(), in->size(), out, cap);
                  }}};
#ifdef KELBENCH_SIMDUTF
    auto utf16 = std::make_shared<std::u16string>(in->size() + 16, u'\0');
    w.runners.push_back({kViaUTF16, [in, encoder, utf16](unsigned char* out, std::size_t cap) {
                             const std::size_t n = simdutf::convert_utf8_to_utf16le(
                                 in->data(), in->size(), utf16->data());
                             encoder->reset();
                             return static_cast<std::size_t>(
                                 encoder->encode(utf16->data(), n, out, cap, true).written);
                         }});
#endif
#ifdef KELBENCH_ENCODING_RS
    const KelbenchEncoding* encoding = kelbench_encoding_rs(set.encodingRsName);
    w.runners.push_back({kEncodingRs, [in, encoding](unsigned char* out, std::size_t cap) {
                             return kelbench_encoding_rs_encode_from_utf8(encoding, bytes(*in),
                                                                          in->size(), out, cap);
                         }});
#endif
    return w;
}

Workload perNameWorkload(std::string name, const NameList& names, std::size_t separatorSize,
                         bool threaded, double ratio = kPerNameRatio) {
    Workload w = textWorkload(std::move(name), std::string(), ratio, 0, threaded);
    w.inputBytes = names.textBytes;
    w.outputCap = 4 * names.textBytes + 8 * names.size();
    w.names = &names;
    w.separatorSize = separatorSize;
    return w;
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

WorkloadSet::WorkloadSet() = default;
WorkloadSet::~WorkloadSet() = default;

void WorkloadSet::add(const Corpus& corpus) {
    const std::size_t first = workloads.size();
    for (const Text& t : corpus.texts)
        workloads.push_back(utf8ToUTF16(t, &t == corpus.text("japanese")));
    for (const Text& t : corpus.texts)
        workloads.push_back(utf16ToUTF8(t));
    auto icuUTF8 = std::make_shared<IcuConverter>("UTF-8");
    for (const LegacySet& set : kLegacySets) {
        const Text* t = corpus.text(set.text);
        if (t == nullptr)
            continue;
        m_inputs.push_back(legacyInput(set, *t));
        const LegacyInput& input = *m_inputs.back();
        if (input.dropped != 0)
            std::printf("  %s %s in %s: %zu of %zu lines left out, which a peer cannot convert "
                        "exactly\n",
                        corpus.tag.c_str(), t->label.c_str(), set.label, input.dropped,
                        input.lines);
        auto icu = std::make_shared<IcuConverter>(set.icuName);
        workloads.push_back(legacyToUTF16(set, *t, input, icu));
        workloads.push_back(utf16ToLegacy(set, *t, input, icu));
        if (set.rows & kUTF8Rows) {
            workloads.push_back(legacyToUTF8(set, *t, input, icu, icuUTF8));
            workloads.push_back(utf8ToLegacy(set, *t, input, icu, icuUTF8));
        }
    }
    workloads.push_back(cp1252RoundTrip(corpus.names));
    workloads.push_back(nameToUTF16(corpus.names));
    workloads.push_back(stringRoundTrip(corpus.names));
    for (std::size_t i = first; i < workloads.size(); ++i) {
        workloads[i].name = corpus.tag + " " + workloads[i].name;
        if (!workloads[i].toUTF16Name.empty())
            workloads[i].toUTF16Name = corpus.tag + " " + workloads[i].toUTF16Name;
    }
}

} // namespace kelbench
