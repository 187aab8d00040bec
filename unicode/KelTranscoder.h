#ifndef KELTRANSCODER_H
#define KELTRANSCODER_H

/// \file
/// Streaming conversion between a registered character set and UTF-16 over
/// counted input: text in chunks of any size and content (NUL is a character
/// like any other), a character split between chunks carried over inside the
/// object, and each problem reported with its place in the stream.
///
/// A decoder or an encoder belongs to one stream and one thread at a time;
/// the converters behind them stay shared. In a set with shifts (ISO-2022)
/// the stream object keeps where the stream stands, and an encoder returns
/// to the initial state when it is given `last`. Nothing is read past the given
/// length or written past the given room, no terminator is written, and no
/// call allocates.

#include "KelCharSet.h"

#include <cstdint>
#include <string>
#include <string_view>

/// What a decoder or an encoder does with a character it cannot convert.
enum class KelPolicy {
    Replace, ///< write U+FFFD or the target's "?"
    Escape,  ///< as Replace, but write an unmappable character as "U+XXXX" text
    Skip,    ///< leave it out
    Report   ///< stop behind it and say where it was, for the caller's own substitute
};

/// What ended a call of a decoder or an encoder.
enum class KelStatus {
    InputUsed,  ///< all of the input is converted, or carried over to the next call
    OutputFull, ///< the room is used up; call again with the rest of the input
    Malformed,  ///< (Report) the input holds no character of the set at problem()
    Unmappable  ///< (Report) the target set has no code for the character at problem()
};

/// What one call of a decoder or an encoder did.
struct KelStep {
    KelStatus status;   ///< what ended the call
    KelLength read;     ///< source units of this call's input consumed, a reported problem included
    KelLength written;  ///< destination units written
    KelLength problems; ///< characters replaced, escaped, left out or reported
};

/// Where a reported problem lies in the stream: the position of its first
/// source unit (bytes for a decoder, UTF-16 units for an encoder), counted
/// from the start of the stream, and its length. A problem may begin in an
/// earlier call's input, when a character was carried over.
struct KelProblemSpot {
    std::uint64_t position; ///< source units in front of the problem, from the start of the stream
    KelLength length;       ///< the source units of the problem
    /// The character (the code point of a surrogate pair), or U+FFFD for
    /// malformed input.
    std::uint32_t value;
};

namespace kel {
namespace stream {

/// The part of a stream that a character split between calls leaves over,
/// in source units; every form's longest character fits, a surrogate pair
/// of escapes that a decoder to UTF-8 joins included.
template <class Unit> struct Carry {
    static constexpr KelLength kCapacity = 12; ///< room for the longest character
    Unit units[kCapacity];                     ///< the units carried over
    KelLength size = 0;                        ///< how many of them there are
};

} // namespace stream
} // namespace kel

/// Local text of one set, chunk by chunk, to UTF-16.
class KelDecoder {
public:
    /// Through the library's converter of `cs`.
    explicit KelDecoder(KelCharSet cs, KelPolicy policy = KelPolicy::Replace);
    /// Through a converter of the caller's, which must outlive the decoder.
    explicit KelDecoder(KelCharSetConverter& converter, KelPolicy policy = KelPolicy::Replace);

    /// Converts what fits of `srcLen` bytes into `dstLen` units. `last`: the
    /// stream ends with this input, so a character it cuts off is malformed;
    /// otherwise such a character is kept for the next call. `positions`, when
    /// not null, receives for each unit written the stream position of the
    /// byte its character begins with.
    ///@{
    KelStep decode(const void* src, KelLength srcLen, unsigned short* dst, KelLength dstLen,
                   bool last, std::uint64_t* positions = nullptr);
    KelStep decode(const void* src, KelLength srcLen, char16_t* dst, KelLength dstLen, bool last,
                   std::uint64_t* positions = nullptr);
    ///@}

    /// As decode, to UTF-8 with no UTF-16 in between: `dstLen` bytes of room,
    /// each character written whole. A surrogate without its partner (from
    /// the UTF-16 and UTF-32 sets, escapes or the JVM's UTF-8) is malformed,
    /// so the output is always standard UTF-8. A stream is decoded to UTF-16
    /// or to UTF-8, not both.
    KelStep toUTF8(const void* src, KelLength srcLen, char* dst, KelLength dstLen, bool last);

    /// The problem the last call stopped at (policy Report).
    const KelProblemSpot& problem() const { return m_problem; }
    /// Bytes of the stream consumed so far, those carried over included.
    std::uint64_t position() const { return m_position + m_carry.size; }
    /// The most units that `srcLen` more bytes can give.
    KelLength maxUnits(KelLength srcLen) const;
    /// The most bytes of UTF-8 that `srcLen` more bytes can give.
    KelLength maxUTF8Bytes(KelLength srcLen) const;
    /// Starts a new stream.
    void reset();

private:
    KelCharSetConverter* m_converter;
    KelPolicy m_policy;
    kel::stream::Carry<unsigned char> m_carry;
    KelCodecState m_state;
    std::uint64_t m_position = 0; // of the first byte not yet converted
    KelProblemSpot m_problem{0, 0, 0};
};

/// UTF-16, chunk by chunk, to the local text of one set.
class KelEncoder {
public:
    /// Through the library's converter of `cs`.
    explicit KelEncoder(KelCharSet cs, KelPolicy policy = KelPolicy::Replace);
    /// Through a converter of the caller's, which must outlive the encoder.
    explicit KelEncoder(KelCharSetConverter& converter, KelPolicy policy = KelPolicy::Replace);

    /// Converts what fits of `srcLen` units into `dstLen` bytes; `last` as
    /// for KelDecoder (a high surrogate at the end waits for its pair).
    ///@{
    KelStep encode(const unsigned short* src, KelLength srcLen, void* dst, KelLength dstLen,
                   bool last);
    KelStep encode(const char16_t* src, KelLength srcLen, void* dst, KelLength dstLen, bool last);
    ///@}
    /// As encode, from `srcLen` bytes of UTF-8 with no UTF-16 in between. The
    /// UTF-8 is read as the UTF-8 set reads it (C0 80 and surrogates in three
    /// bytes each included, a pair of them as one character); malformed
    /// input, a surrogate without its partner included, is one problem that
    /// converts as U+FFFD. Positions count bytes of UTF-8. A stream is
    /// encoded from UTF-16 or from UTF-8, not both.
    KelStep fromUTF8(const char* src, KelLength srcLen, void* dst, KelLength dstLen, bool last);

    /// After a call that reported a problem, writes what `policy` (Replace
    /// or Escape) writes in its place, in the stream's shift state: whole, or
    /// nothing and OutputFull. A caller's own bytes could break a shift.
    KelStep writeSubstitute(KelPolicy policy, void* dst, KelLength dstLen);

    /// The problem the last call stopped at (policy Report).
    const KelProblemSpot& problem() const { return m_problem; }
    /// Source units of the stream consumed so far (UTF-16 units, or bytes of
    /// UTF-8), those carried over included.
    std::uint64_t position() const { return m_position + m_carry.size + m_utf8Carry.size; }
    /// The most bytes that `srcLen` more units, or bytes of UTF-8, can give,
    /// with what the stream holds and the return to the initial state.
    KelLength maxBytes(KelLength srcLen) const;
    /// Starts a new stream in the initial state, dropping what was carried
    /// over; it writes no return to the initial state.
    void reset();

private:
    KelCharSetConverter* m_converter;
    KelPolicy m_policy;
    kel::stream::Carry<unsigned short> m_carry;
    kel::stream::Carry<unsigned char> m_utf8Carry;
    KelCodecState m_state;
    std::uint64_t m_position = 0;
    KelProblemSpot m_problem{0, 0, 0};
};

/// What a one-call conversion met: how many characters it could not
/// convert, and where the first of them lies (0 when there is none). Each
/// call fills it anew.
struct KelProblems {
    KelLength count = 0;     ///< the characters that could not be converted
    std::uint64_t first = 0; ///< the source position of the first of them
};

/// Whole texts in one call (policy Report counts as Replace here).
///@{
std::u16string kelDecode(std::string_view text, KelCharSet cs,
                         KelPolicy policy = KelPolicy::Replace, KelProblems* problems = nullptr);
std::string kelEncode(std::u16string_view text, KelCharSet cs,
                      KelPolicy policy = KelPolicy::Replace, KelProblems* problems = nullptr);
///@}
/// The same for the library's own UTF-16 units.
std::string kelEncode(const unsigned short* text, KelLength length, KelCharSet cs,
                      KelPolicy policy = KelPolicy::Replace, KelProblems* problems = nullptr);
/// Between local text and UTF-8 directly; positions of problems in a text
/// of UTF-8 count its bytes.
///@{
std::string kelDecodeToUTF8(std::string_view text, KelCharSet cs,
                            KelPolicy policy = KelPolicy::Replace, KelProblems* problems = nullptr);
std::string kelEncodeFromUTF8(std::string_view utf8, KelCharSet cs,
                              KelPolicy policy = KelPolicy::Replace,
                              KelProblems* problems = nullptr);
///@}

#endif
