#include "KelTranscoder.h"

#include "KelConverterHelpers.h"

#include <algorithm>
#include <cstring>

namespace kel {
namespace stream {

namespace {

KelOnProblem onProblem(KelPolicy policy) {
    switch (policy) {
    case KelPolicy::Escape:
        return KelOnProblem::Escape;
    case KelPolicy::Skip:
        return KelOnProblem::Skip;
    case KelPolicy::Report:
        return KelOnProblem::Stop;
    default:
        return KelOnProblem::Replace;
    }
}

// What a stop of the counted core says to a caller of the stream API: a
// character cut off by the input's end waits for the next call.
KelStatus statusOf(KelStop stop) {
    if (stop == KelStop::DestinationFull)
        return KelStatus::OutputFull;
    if (stop == KelStop::Malformed)
        return KelStatus::Malformed;
    return stop == KelStop::Unmappable ? KelStatus::Unmappable : KelStatus::InputUsed;
}

bool isProblem(KelStop stop) {
    return stop == KelStop::Malformed || stop == KelStop::Unmappable;
}

// The state of one stream and the call in progress. A call converts the
// carried units first, completed from the head of the new input, and then
// the rest of the new input; each part goes through `convert`, which runs
// the converter over counted input that begins at stream position `base`.
// The stream position is that of the first unit neither converted nor
// reported: the first carried unit while there are any.
template <class Src> class Call {
public:
    Call(Carry<Src>& carry, std::uint64_t& position, KelProblemSpot& problem)
        : m_carry(carry), m_position(position), m_problem(problem) {}

    template <class Convert>
    KelStep run(const Src* src, KelLength srcLen, KelLength room, bool last, Convert convert) {
        if (m_carry.size != 0 && !completeCarry(src, srcLen, room, last, convert))
            return m_step;
        const KelConversionResult r =
            convert(src + m_step.read, srcLen - m_step.read, m_step.written, room - m_step.written,
                    last, m_position);
        const KelLength used = settle(r);
        m_step.read += used;
        if (r.stop == KelStop::CutOff) {
            keep(src + m_step.read, srcLen - m_step.read);
            m_step.read = srcLen;
        }
        return m_step;
    }

private:
    // Converts the carried character with enough of the new input to end
    // it (the carry holds less than the longest character); false when the
    // call ends there.
    template <class Convert>
    bool completeCarry(const Src* src, KelLength srcLen, KelLength room, bool last,
                       Convert convert) {
        Src joined[2 * Carry<Src>::kCapacity];
        const KelLength carried = m_carry.size;
        const KelLength taken = std::min(srcLen, Carry<Src>::kCapacity);
        std::copy(m_carry.units, m_carry.units + carried, joined);
        std::copy(src, src + taken, joined + carried);
        const bool takesAll = taken == srcLen;
        const KelConversionResult r =
            convert(joined, carried + taken, 0, room, last && takesAll, m_position);
        const KelLength used = settle(r);
        m_carry.size = 0;
        if (r.stop == KelStop::CutOff && takesAll) {
            // Still cut off: all that is left waits for the next call.
            keep(joined + used, carried + taken - used);
            m_step.read = srcLen;
            return false;
        }
        if (used < carried) {
            // Stopped inside the carried units: the new input is untouched.
            keep(joined + used, carried - used);
            return false;
        }
        m_step.read = used - carried;
        return r.stop == KelStop::EndOfInput || r.stop == KelStop::CutOff;
    }

    // Takes in what one part did; returns the units it used up, a reported
    // problem included, which the stream moves past.
    KelLength settle(const KelConversionResult& r) {
        m_step.written += r.written;
        m_step.problems += r.problems;
        m_position += r.read;
        if (statusOf(r.stop) != KelStatus::InputUsed)
            m_step.status = statusOf(r.stop);
        if (!isProblem(r.stop))
            return r.read;
        m_problem = {m_position, r.length, r.value};
        m_position += r.length;
        return r.read + r.length;
    }

    void keep(const Src* tail, KelLength n) {
        std::copy(tail, tail + n, m_carry.units + m_carry.size);
        m_carry.size += n;
    }

    Carry<Src>& m_carry;
    std::uint64_t& m_position;
    KelProblemSpot& m_problem;
    KelStep m_step{KelStatus::InputUsed, 0, 0, 0};
};

// One call of a stream over `convert(s, n, d, room, last, base)`, which
// converts counted input into `d`; a null source reads as empty, a null
// destination as one without room.
template <class Src, class Dst, class Convert>
KelStep step(Carry<Src>& carry, std::uint64_t& position, KelProblemSpot& problem, const void* src,
             KelLength srcLen, Dst* dst, KelLength dstLen, bool last, Convert convert) {
    Call<Src> call(carry, position, problem);
    return call.run(
        static_cast<const Src*>(src), src == nullptr ? 0 : srcLen, dst == nullptr ? 0 : dstLen,
        last,
        [&](const Src* s, KelLength n, KelLength at, KelLength room, bool isLast,
            std::uint64_t base) { return convert(s, n, dst + at, room, isLast, base); });
}

// One call of a stream through one of the converter's counted operations,
// in the stream's state.
template <class Src, class Dst, class Operation>
KelStep counted(KelCharSetConverter& conv, Operation operation, KelPolicy policy,
                KelCodecState& state, Carry<Src>& carry, std::uint64_t& position,
                KelProblemSpot& problem, const void* src, KelLength srcLen, Dst* dst,
                KelLength dstLen, bool last) {
    const KelOnProblem on = onProblem(policy);
    return step(carry, position, problem, src, srcLen, dst, dstLen, last,
                [&](const Src* s, KelLength n, Dst* d, KelLength room, bool isLast,
                    std::uint64_t) { return (conv.*operation)(s, n, d, room, on, isLast, &state); });
}

// Offsets of decoded units come a piece at a time through a buffer of
// this many, then become stream positions.
constexpr KelLength kOffsetPiece = 256;

KelConversionResult decodeWithPositions(KelCharSetConverter& conv, const unsigned char* s,
                                        KelLength n, unsigned short* d, KelLength room,
                                        KelOnProblem on, bool last, KelCodecState* state,
                                        std::uint64_t* positions, std::uint64_t base) {
    KelConversionResult total{KelStop::EndOfInput, 0, 0, 0, 0, 0};
    for (;;) {
        KelLength offsets[kOffsetPiece];
        const KelLength piece = std::min(room - total.written, kOffsetPiece);
        const KelConversionResult r = conv.decodeCounted(
            s + total.read, n - total.read, d + total.written, piece, on, last, offsets, state);
        for (KelLength i = 0; i < r.written; ++i)
            positions[total.written + i] = base + total.read + offsets[i];
        total = {r.stop,     total.read + r.read, total.written + r.written,
                 total.problems + r.problems, r.length, r.value};
        if (r.stop != KelStop::DestinationFull || piece == room - (total.written - r.written))
            return total;
    }
}

KelLength saturatedProduct(KelLength a, KelLength b) {
    return b != 0 && a > KEL_NPOS / b ? KEL_NPOS : a * b;
}

KelLength saturatedSum(KelLength a, KelLength b) {
    return a > KEL_NPOS - b ? KEL_NPOS : a + b;
}

} // namespace

} // namespace stream
} // namespace kel

KelDecoder::KelDecoder(KelCharSet cs, KelPolicy policy)
    : KelDecoder(*KelCharSetConverter::getConverter(cs), policy) {}

KelDecoder::KelDecoder(KelCharSetConverter& converter, KelPolicy policy)
    : m_converter(&converter), m_policy(policy) {}

KelStep KelDecoder::decode(const void* src, KelLength srcLen, unsigned short* dst, KelLength dstLen,
                           bool last, std::uint64_t* positions) {
    const KelOnProblem on = kel::stream::onProblem(m_policy);
    KelCharSetConverter& conv = *m_converter;
    return kel::stream::step(m_carry, m_position, m_problem, src, srcLen, dst, dstLen, last,
                             [&](const unsigned char* s, KelLength n, unsigned short* d,
                                 KelLength room, bool isLast, std::uint64_t base) {
                                 if (positions == nullptr)
                                     return conv.decodeCounted(s, n, d, room, on, isLast, nullptr,
                                                               &m_state);
                                 return kel::stream::decodeWithPositions(conv, s, n, d, room, on,
                                                                         isLast, &m_state,
                                                                         positions + (d - dst),
                                                                         base);
                             });
}

// char16_t and unsigned short share size and representation; the
// library's loops only ever see the units as unsigned short.
KelStep KelDecoder::decode(const void* src, KelLength srcLen, char16_t* dst, KelLength dstLen,
                           bool last, std::uint64_t* positions) {
    return decode(src, srcLen, reinterpret_cast<unsigned short*>(dst), dstLen, last, positions);
}

KelStep KelDecoder::toUTF8(const void* src, KelLength srcLen, char* dst, KelLength dstLen,
                           bool last) {
    return kel::stream::counted(*m_converter, &KelCharSetConverter::decodeCountedToUTF8, m_policy,
                                m_state, m_carry, m_position, m_problem, src, srcLen,
                                reinterpret_cast<unsigned char*>(dst), dstLen, last);
}

KelLength KelDecoder::maxUnits(KelLength srcLen) const {
    // A unit of UTF-32 may give a surrogate pair; a cut-off unit one U+FFFD.
    const KelLength perUnit = std::min<KelLength>(m_converter->getMinUnitSize(), 2);
    const KelLength bytes = kel::stream::saturatedSum(srcLen, m_carry.size);
    return bytes / perUnit + (bytes % perUnit != 0 ? 1 : 0);
}

// A byte gives three bytes at most (one character of three, or U+FFFD), a
// longer character never more than its own length and one.
KelLength KelDecoder::maxUTF8Bytes(KelLength srcLen) const {
    return kel::stream::saturatedProduct(kel::stream::saturatedSum(srcLen, m_carry.size), 3);
}

void KelDecoder::reset() {
    m_carry.size = 0;
    m_state = {};
    m_position = 0;
    m_problem = {0, 0, 0};
}

KelEncoder::KelEncoder(KelCharSet cs, KelPolicy policy)
    : KelEncoder(*KelCharSetConverter::getConverter(cs), policy) {}

KelEncoder::KelEncoder(KelCharSetConverter& converter, KelPolicy policy)
    : m_converter(&converter), m_policy(policy) {}

KelStep KelEncoder::encode(const unsigned short* src, KelLength srcLen, void* dst, KelLength dstLen,
                           bool last) {
    return kel::stream::counted(*m_converter, &KelCharSetConverter::encodeCounted, m_policy,
                                m_state, m_carry, m_position, m_problem, src, srcLen,
                                static_cast<unsigned char*>(dst), dstLen, last);
}

KelStep KelEncoder::encode(const char16_t* src, KelLength srcLen, void* dst, KelLength dstLen,
                           bool last) {
    return encode(reinterpret_cast<const unsigned short*>(src), srcLen, dst, dstLen, last);
}

KelStep KelEncoder::fromUTF8(const char* src, KelLength srcLen, void* dst, KelLength dstLen,
                             bool last) {
    return kel::stream::counted(*m_converter, &KelCharSetConverter::encodeCountedFromUTF8,
                                m_policy, m_state, m_utf8Carry, m_position, m_problem, src, srcLen,
                                static_cast<unsigned char*>(dst), dstLen, last);
}

KelStep KelEncoder::writeSubstitute(KelPolicy policy, void* dst, KelLength dstLen) {
    const KelConversionResult r =
        m_converter->encodeSubstitute(m_problem.value, kel::stream::onProblem(policy), dst,
                                      dst == nullptr ? 0 : dstLen, &m_state);
    return {kel::stream::statusOf(r.stop), 0, r.written, 0};
}

// "U+XXXX" in the target's units for every unit escaped, behind the shift a
// set may need in front of it; a character of UTF-8 has no more bytes than
// UTF-16 units. What the stream holds counts as input still to come.
KelLength KelEncoder::maxBytes(KelLength srcLen) const {
    const KelCharSetConverter& conv = *m_converter;
    KelLength perUnit = conv.getMaxUnitSize();
    if (m_policy == KelPolicy::Escape)
        perUnit = std::max(perUnit, kel::kEscapeLength * conv.getNullCharSize() +
                                        conv.getMaxUnitSize() - conv.getMinUnitSize());
    const KelLength held = m_carry.size + m_utf8Carry.size;
    return kel::stream::saturatedSum(
        kel::stream::saturatedProduct(kel::stream::saturatedSum(srcLen, held), perUnit),
        conv.getMaxStateBytes());
}

void KelEncoder::reset() {
    m_carry.size = 0;
    m_utf8Carry.size = 0;
    m_state = {};
    m_position = 0;
    m_problem = {0, 0, 0};
}

namespace {

void note(KelProblems* problems, std::uint64_t position) {
    if (problems == nullptr)
        return;
    if (problems->count == 0)
        problems->first = position;
    ++problems->count;
}

KelStep convertStep(KelDecoder& decoder, const char* s, KelLength n, char16_t* d, KelLength room) {
    return decoder.decode(s, n, d, room, true);
}

KelStep convertStep(KelEncoder& encoder, const char16_t* s, KelLength n, char* d, KelLength room) {
    return encoder.encode(s, n, d, room, true);
}

KelStep convertStep(KelDecoder& decoder, const char* s, KelLength n, char* d, KelLength room) {
    return decoder.toUTF8(s, n, d, room, true);
}

KelStep convertStep(KelEncoder& encoder, const char* s, KelLength n, char* d, KelLength room) {
    return encoder.fromUTF8(s, n, d, room, true);
}

// Converts a whole text with a stream of policy Report, noting each
// problem and having `substitute(out, written)` write what stands for it
// (KEL_NPOS: it does not fit), so that the count and the first position
// come out of one pass.
template <class Stream, class In, class Out, class Substitute>
Out wholeText(Stream& stream, In text, KelLength bound, KelProblems* problems,
              Substitute substitute) {
    if (problems != nullptr)
        *problems = KelProblems();
    Out out(bound, typename Out::value_type());
    const auto grow = [&out] { out.resize(2 * out.size() + 2); };
    KelLength read = 0;
    KelLength written = 0;
    for (;;) {
        const KelStep step = convertStep(stream, text.data() + read, text.size() - read,
                                         &out[written], out.size() - written);
        read += step.read;
        written += step.written;
        if (step.status == KelStatus::InputUsed)
            break;
        if (step.status == KelStatus::OutputFull) {
            grow();
            continue;
        }
        note(problems, stream.problem().position);
        KelLength n;
        while ((n = substitute(out, written)) == KEL_NPOS)
            grow();
        written += n;
    }
    out.resize(written);
    return out;
}

// U+FFFD in the form of the output: one unit, or three bytes of UTF-8.
KelLength writeReplacement(std::u16string& out, KelLength at) {
    if (out.size() - at < 1)
        return KEL_NPOS;
    out[at] = static_cast<char16_t>(kel::kReplacementUnit);
    return 1;
}

KelLength writeReplacement(std::string& out, KelLength at) {
    if (out.size() - at < 3)
        return KEL_NPOS;
    out.replace(at, 3, "\xEF\xBF\xBD");
    return 3;
}

template <class Out>
Out decodeWhole(std::string_view text, KelDecoder& decoder, KelLength bound, KelPolicy policy,
                KelProblems* problems) {
    return wholeText<KelDecoder, std::string_view, Out>(
        decoder, text, bound, problems, [policy](Out& out, KelLength at) -> KelLength {
            return policy == KelPolicy::Skip ? 0 : writeReplacement(out, at);
        });
}

// A character the target lacks is substituted by the same encoder, so that
// a set with shifts stays in step.
template <class In> std::string encodeWhole(In text, KelCharSet cs, KelPolicy policy,
                                            KelProblems* problems) {
    const KelPolicy substitute = policy == KelPolicy::Report ? KelPolicy::Replace : policy;
    KelEncoder encoder(cs, KelPolicy::Report);
    return wholeText<KelEncoder, In, std::string>(
        encoder, text, KelEncoder(cs, substitute).maxBytes(text.size()), problems,
        [&](std::string& out, KelLength at) -> KelLength {
            if (substitute == KelPolicy::Skip)
                return 0;
            const KelStep step = encoder.writeSubstitute(substitute, &out[at], out.size() - at);
            return step.status == KelStatus::OutputFull ? KEL_NPOS : step.written;
        });
}

} // namespace

std::u16string kelDecode(std::string_view text, KelCharSet cs, KelPolicy policy,
                         KelProblems* problems) {
    KelDecoder decoder(cs, KelPolicy::Report);
    return decodeWhole<std::u16string>(text, decoder, decoder.maxUnits(text.size()), policy,
                                       problems);
}

std::string kelDecodeToUTF8(std::string_view text, KelCharSet cs, KelPolicy policy,
                            KelProblems* problems) {
    KelDecoder decoder(cs, KelPolicy::Report);
    return decodeWhole<std::string>(text, decoder, decoder.maxUTF8Bytes(text.size()), policy,
                                    problems);
}

std::string kelEncode(std::u16string_view text, KelCharSet cs, KelPolicy policy,
                      KelProblems* problems) {
    return encodeWhole(text, cs, policy, problems);
}

// char16_t and unsigned short share size and representation.
std::string kelEncode(const unsigned short* text, KelLength length, KelCharSet cs, KelPolicy policy,
                      KelProblems* problems) {
    return kelEncode(
        std::u16string_view(reinterpret_cast<const char16_t*>(text), text == nullptr ? 0 : length),
        cs, policy, problems);
}

std::string kelEncodeFromUTF8(std::string_view utf8, KelCharSet cs, KelPolicy policy,
                              KelProblems* problems) {
    return encodeWhole(utf8, cs, policy, problems);
}
