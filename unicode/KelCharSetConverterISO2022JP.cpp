#include "KelCharSetConverterISO2022JP.h"

#include "KelCharSetConverterMBCSEx.h"
#include "KelISO2022.h"
#include "KelLazyTables.h"
#include "KelSharedTables.h"

#include <iterator>
#include <memory>
#include <new>

namespace {

#include "data/JISTables.inc"

namespace iso2022 = kel::iso2022;
using kel::codec::SourceChar;
using kel::codec::TargetChar;

// The sets, numbered as a stream's state holds them; ASCII is the initial
// set of G0 and, as 0, also stands for no set in G2.
enum Set : unsigned {
    kASCII,
    kRoman,     // JIS X 0201 Roman
    kKatakana,  // JIS X 0201 katakana
    kJIS0208,   // ESC $ B, and ESC $ @ read as the same
    kJIS0212,
    kGB2312,
    kKSX1001,
    kPlane1Of2000, // JIS X 0213:2000 plane 1
    kPlane1,       // JIS X 0213:2004 plane 1
    kPlane2,       // JIS X 0213 plane 2
    kLatin1,       // G2: the upper half of ISO 8859-1
    kGreek,        // G2: the upper half of ISO 8859-7
    kSetCount
};

constexpr unsigned bit(Set s) {
    return 1u << s;
}

// How escape sequences name each set, and the element it goes to.
struct Naming {
    iso2022::SetName name;
    unsigned element;
    bool shortForm; // ESC $ B rather than ESC $ ( B
};

constexpr Naming kNaming[kSetCount] = {
    {{'B', false, false}, 0, false}, {{'J', false, false}, 0, false},
    {{'I', false, false}, 0, false}, {{'B', true, false}, 0, true},
    {{'D', true, false}, 0, false},  {{'A', true, false}, 0, false},
    {{'C', true, false}, 0, false},  {{'O', true, false}, 0, false},
    {{'Q', true, false}, 0, false},  {{'P', true, false}, 0, false},
    {{'A', false, true}, 2, false},  {{'F', false, true}, 2, false},
};

// JIS C 6226, the 1978 form of JIS X 0208, which ESC $ @ names.
constexpr iso2022::SetName kJIS1978{'@', true, false};

// The element a newline clears besides G0.
constexpr unsigned kNewlineClears = 1u << 2;

// What a profile reads and writes: the sets whose designations it reads,
// the sets it writes, in the order in which its encoder tries them, and
// the set its letter and mark pairs go to (kASCII: none).
struct Profile {
    unsigned reads;
    Set writes[5]; // ended by kASCII when shorter
    Set pairs;
    bool plane2Of2000;
};

constexpr unsigned kAlwaysRead = bit(kASCII) | bit(kKatakana) | bit(kJIS0208);
constexpr unsigned kRFC1468 = kAlwaysRead | bit(kRoman);

Profile profileOf(KelCharSet cs) {
    switch (cs) {
    case KELCS_ISO_2022JP_1:
        return {kRFC1468 | bit(kJIS0212), {kJIS0208, kJIS0212, kRoman, kASCII}, kASCII, false};
    case KELCS_ISO_2022JP_2:
        return {kRFC1468 | bit(kJIS0212) | bit(kGB2312) | bit(kKSX1001) | bit(kLatin1) |
                    bit(kGreek),
                {kJIS0208, kJIS0212, kKSX1001, kGB2312, kRoman},
                kASCII,
                false};
    case KELCS_ISO_2022JP_3:
        return {kAlwaysRead | bit(kPlane1Of2000) | bit(kPlane2),
                {kJIS0208, kPlane1Of2000, kPlane2, kASCII},
                kPlane1Of2000,
                true};
    case KELCS_ISO_2022JP_2004:
        return {kAlwaysRead | bit(kPlane1Of2000) | bit(kPlane1) | bit(kPlane2),
                {kJIS0208, kPlane1, kPlane2, kASCII},
                kPlane1,
                false};
    default:
        return {kRFC1468, {kJIS0208, kRoman, kASCII, kASCII}, kASCII, false};
    }
}

using Pair16 = KelPairTables;

// A plane code of JIS X 0213 as oJIS0213map tags it.
constexpr unsigned short kPlane2Tag = 0x8000;

// Every table the five profiles read, built once for all of them; those of
// the lists that other sets read too are theirs.
struct JISTables {
    const Pair16* jis0208;
    const Pair16* jis0201;
    const Pair16* gb2312;
    const Pair16* ksx1001;
    const Pair16* greek;
    const Pair16* jis0212;
    // JIS X 0213 beyond JIS X 0208, under tagged codes.
    KelTablePair<LookupTable<unsigned int>, LookupTableEx<unsigned short>> jis0213;
    LookupTable<unsigned short> cp932Extensions; // read only
    // Characters written one way as a JIS X 0208 code: code page 932's
    // forms of six codes and the half-width katakana.
    LookupTable<unsigned short> oneWay;
};

std::unique_ptr<JISTables> buildTables(const KelCharSetConverterISO2022JP::Lists& lists) {
    std::unique_ptr<JISTables> t(new (std::nothrow) JISTables);
    if (!t)
        return t;
    t->jis0208 = kelSharedPairTables(lists.jis0208);
    t->jis0201 = kelSharedPairTables(lists.jis0201);
    t->gb2312 = kelSharedPairTables(lists.gb2312);
    t->ksx1001 = kelSharedPairTables(lists.ksx1001);
    t->greek = kelSharedPairTables(lists.greek);
    t->jis0212 = kelSharedPairTables(oJIS0212Pairs);
    if (!t->jis0208 || !t->jis0201 || !t->gb2312 || !t->ksx1001 || !t->greek || !t->jis0212)
        return nullptr;
    for (const sMBCSExTable* e = oJIS0213map; (e->code | e->unicode) != 0; ++e) {
        t->jis0213.toUnicode.put(e->code, e->unicode);
        t->jis0213.fromUnicode.put(e->unicode, e->code);
    }
    for (const unsigned short* p = oCP932Extensions; (p[0] | p[1]) != 0; p += 2)
        t->cp932Extensions.put(p[0], p[1]);
    for (const unsigned short* p = oCP932Compatible; (p[0] | p[1]) != 0; p += 2)
        t->oneWay.put(p[0], p[1]);
    for (const unsigned short* p = oHalfwidthKatakana; (p[0] | p[1]) != 0; p += 2)
        t->oneWay.put(p[0], t->jis0208->fromUnicode.trans(p[1]));
    return t;
}

// The tables, which the first conversion through any of the five builds
// from its lists (the same for all of them); null without memory.
const JISTables* sharedTables(const KelCharSetConverterISO2022JP::Lists& lists) {
    static ObjLock lock;
    static KelBuiltOnce<JISTables> tables;
    return tables.get(lock, [&lists] { return buildTables(lists); });
}

bool isSince2004(unsigned short tagged) {
    for (const unsigned short* p = oJIS0213Since2004; *p != 0; ++p)
        if (*p == tagged)
            return true;
    return false;
}

// The letter and mark pairs of JIS X 0213 plane 1.
const unsigned short* pairOfCode(unsigned short code) {
    for (const auto& pair : oJIS0213Pairs)
        if (pair[0] == code)
            return pair;
    return nullptr;
}

const unsigned short* pairOfLetter(unsigned short letter, unsigned short mark) {
    for (const auto& pair : oJIS0213Pairs)
        if (pair[1] == letter && (mark == 0 || pair[2] == mark) && pair[0] != 0)
            return pair;
    return nullptr;
}

} // namespace

class KelCharSetConverterISO2022JP::Codec {
public:
    using Unit = unsigned char;
    static constexpr KelLength kFastRetry = 0;
    static constexpr bool kFastInState = true;
    using State = iso2022::State;

    Codec(const JISTables* tables, const Profile& profile)
        : m_tables(tables), m_profile(profile) {}

    // The run of characters of the set in G0 up to the next control, escape
    // or problem, as decode reads them one by one; the two-byte codes of a
    // set with a table of its own straight through that table.
    kel::blocks::Progress fastDecode(const unsigned char* s, KelLength n, unsigned short* d,
                                     KelLength room, State& state) const {
        const unsigned g0 = state.set(0);
        const Pair16* table = tableOf(g0);
        kel::blocks::Progress p{0, 0};
        while (p.read < n && p.written < room && s[p.read] >= 0x20 && s[p.read] < 0x80) {
            if (table != nullptr && n - p.read >= 2) {
                const unsigned short value = table->toUnicode.trans(
                    static_cast<unsigned short>(s[p.read] << 8 | s[p.read + 1]));
                if (value != 0 && iso2022::isGraphic94(s[p.read]) &&
                    iso2022::isGraphic94(s[p.read + 1])) {
                    d[p.written++] = value;
                    p.read += 2;
                    continue;
                }
            }
            const SourceChar c = inG0(s + p.read, n - p.read, g0);
            if (!c.valid || c.cut || c.second != 0 || c.value > 0xFFFF)
                break;
            d[p.written++] = static_cast<unsigned short>(c.value);
            p.read += c.length;
        }
        if (p.read != 0)
            state.characterRead();
        return p;
    }

    // The run of characters that the set in G0 holds, as encode writes them
    // one by one. Every profile writes a character of JIS X 0208 in that
    // set before any other, so in it a run needs only that table. A letter
    // that may take a combining mark, and a surrogate, are the loop's.
    kel::blocks::Progress fastEncode(const unsigned short* s, KelLength n, unsigned char* d,
                                     KelLength room, State& state) const {
        kel::blocks::Progress p{0, 0};
        if (m_profile.pairs != kASCII || m_tables == nullptr)
            return p;
        if (state.set(0) == kJIS0208) {
            const LookupTable<unsigned short>& codes = m_tables->jis0208->fromUnicode;
            return iso2022::twoByteRun(s, n, d, room,
                                       [&codes](unsigned short unit) { return codes.trans(unit); });
        }
        return iso2022::unshiftedRun(*this, s, n, d, room, state);
    }

    SourceChar decode(const unsigned char* p, KelLength avail, State& state) const {
        const unsigned char b = p[0];
        if (b == iso2022::kEsc)
            return escape(p, avail, state);
        if (b >= 0x80 || b == iso2022::kShiftOut || b == iso2022::kShiftIn)
            return iso2022::malformedByte();
        if (iso2022::isNewline(b))
            return iso2022::newline(b, kNewlineClears, state);
        if (b < 0x20)
            return iso2022::read(kel::codec::character(1, b), state);
        return iso2022::read(inG0(p, avail, state.set(0)), state);
    }

    TargetChar encode(const unsigned short* p, KelLength avail, State& state) const {
        const unsigned short unit = p[0];
        if (iso2022::isShiftControl(unit))
            return iso2022::unmappable(1, unit);
        if (unit < 0x80)
            return inSet(kASCII, unit, 1, unit, state);
        const kel::CodePoint ch = kel::codePointAt(p, avail);
        if (m_tables == nullptr)
            return iso2022::unmappable(ch.units, ch.value);
        for (Set s : m_profile.writes) {
            const unsigned short code = s != kASCII ? codeIn(s, ch.value) : 0;
            if (code != 0)
                return inSet(s, code, ch.units, ch.value, state);
        }
        const unsigned short code = ch.units == 1 ? m_tables->oneWay.trans(unit) : 0;
        if (code != 0)
            return inSet(kJIS0208, code, 1, unit, state);
        return iso2022::unmappable(ch.units, ch.value);
    }

    TargetChar finish(State& state) const {
        if (state.set(0) == kASCII)
            return {0, 0, 0, 0, false};
        iso2022::Bytes out;
        designate(kASCII, out, state);
        return out.of(0, 0);
    }

    bool takesMark(unsigned short unit) const {
        return m_profile.pairs != kASCII && pairOfLetter(unit, 0) != nullptr;
    }

    TargetChar encodePair(unsigned short letter, unsigned short mark, State& state) const {
        const unsigned short* pair = pairOfLetter(letter, mark);
        if (pair == nullptr)
            return iso2022::unmappable(2, letter);
        return inSet(m_profile.pairs, pair[0], 2, letter, state);
    }

private:
    SourceChar escape(const unsigned char* p, KelLength avail, State& state) const {
        const iso2022::Escape e = iso2022::readEscape(p, avail);
        if (e.kind == iso2022::Escape::Cut)
            return iso2022::malformedByte(true);
        if (e.kind == iso2022::Escape::SingleShift2 && reads(kLatin1))
            return singleShift(p, avail, state);
        const Set s = e.kind == iso2022::Escape::Designation ? named(e) : kSetCount;
        if (s == kSetCount || !reads(s))
            return iso2022::malformedByte();
        return iso2022::designationRead(e, s, state);
    }

    static Set named(const iso2022::Escape& e) {
        if (e.element == 0 && e.set == kJIS1978)
            return kJIS0208;
        for (unsigned s = 0; s < kSetCount; ++s)
            if (kNaming[s].element == e.element && kNaming[s].name == e.set)
                return static_cast<Set>(s);
        return kSetCount;
    }

    bool reads(Set s) const { return (m_profile.reads & bit(s)) != 0; }

    // ESC N and one byte 20..7F of the set in G2.
    SourceChar singleShift(const unsigned char* p, KelLength avail, State& state) const {
        const unsigned g2 = state.set(2);
        if (g2 == kASCII || m_tables == nullptr)
            return kel::codec::noCharacter(2);
        if (avail < 3)
            return kel::codec::noCharacter(2, true);
        const unsigned char b = p[2];
        if (b < 0x20 || b > 0x7F)
            return kel::codec::noCharacter(2);
        const unsigned char high = static_cast<unsigned char>(b | 0x80);
        const unsigned value = g2 == kLatin1 ? high : m_tables->greek->toUnicode.trans(high);
        return iso2022::read(kel::codec::mapped(3, value), state);
    }

    // The table of a two-byte set in which every code it maps is the
    // character decode reads (the planes of JIS X 0213 read JIS X 0208
    // first); null for the others.
    const Pair16* tableOf(unsigned set) const {
        if (m_tables == nullptr)
            return nullptr;
        switch (set) {
        case kJIS0208:
        case kPlane1Of2000:
        case kPlane1:
            return m_tables->jis0208;
        case kJIS0212:
            return m_tables->jis0212;
        case kGB2312:
            return m_tables->gb2312;
        case kKSX1001:
            return m_tables->ksx1001;
        default:
            return nullptr;
        }
    }

    // A character of the set in G0, which begins with a byte 20..7F.
    SourceChar inG0(const unsigned char* p, KelLength avail, unsigned g0) const {
        const unsigned char b = p[0];
        if (g0 == kASCII)
            return kel::codec::character(1, b);
        if (m_tables == nullptr)
            return iso2022::malformedByte();
        if (g0 == kRoman)
            return kel::codec::mapped(1, m_tables->jis0201->toUnicode.trans(b));
        if (g0 == kKatakana)
            return kel::codec::mapped(
                1, b <= 0x5F ? m_tables->jis0201->toUnicode.trans(static_cast<unsigned short>(b | 0x80)) : 0);
        if (!iso2022::isGraphic94(b))
            return iso2022::malformedByte();
        if (avail < 2)
            return iso2022::malformedByte(true);
        if (!iso2022::isGraphic94(p[1]))
            return iso2022::malformedByte();
        return twoByte(static_cast<Set>(g0), static_cast<unsigned short>(b << 8 | p[1]));
    }

    SourceChar twoByte(Set s, unsigned short code) const {
        const JISTables& t = *m_tables;
        switch (s) {
        case kJIS0208: {
            const unsigned short value = t.jis0208->toUnicode.trans(code);
            return kel::codec::mapped(2, value != 0 ? value : t.cp932Extensions.trans(code));
        }
        case kJIS0212:
            return kel::codec::mapped(2, t.jis0212->toUnicode.trans(code));
        case kGB2312:
            return kel::codec::mapped(2, t.gb2312->toUnicode.trans(code));
        case kKSX1001:
            return kel::codec::mapped(2, t.ksx1001->toUnicode.trans(code));
        case kPlane2:
            return jis0213(code | kPlane2Tag, m_profile.plane2Of2000);
        default:
            if (const unsigned short value = t.jis0208->toUnicode.trans(code))
                return kel::codec::character(2, value);
            return jis0213(code, s == kPlane1Of2000);
        }
    }

    SourceChar jis0213(unsigned short tagged, bool of2000) const {
        if (of2000 && isSince2004(tagged))
            return kel::codec::noCharacter(2);
        if (const unsigned value = m_tables->jis0213.toUnicode.trans(tagged))
            return kel::codec::character(2, value);
        const unsigned short* pair = pairOfCode(tagged);
        if (pair == nullptr)
            return kel::codec::noCharacter(2);
        SourceChar c = kel::codec::character(2, pair[1]);
        c.second = pair[2];
        return c;
    }

    // The code of `value` in a set the encoder writes, 0 for none.
    unsigned short codeIn(Set s, std::uint32_t value) const {
        const JISTables& t = *m_tables;
        const unsigned short unit = value > 0xFFFF ? 0 : static_cast<unsigned short>(value);
        switch (s) {
        case kJIS0208:
            return t.jis0208->fromUnicode.trans(unit);
        case kJIS0212:
            return t.jis0212->fromUnicode.trans(unit);
        case kGB2312:
            return t.gb2312->fromUnicode.trans(unit);
        case kKSX1001:
            return t.ksx1001->fromUnicode.trans(unit);
        case kRoman: {
            const unsigned short code = t.jis0201->fromUnicode.trans(unit);
            return code < 0x80 ? code : 0;
        }
        default:
            return plane(s, t.jis0213.fromUnicode.trans(value));
        }
    }

    // A tagged JIS X 0213 code as a code of the plane set `s`, 0 when it
    // lies in the other plane or is not in that edition.
    unsigned short plane(Set s, unsigned short tagged) const {
        const bool inPlane2 = (tagged & kPlane2Tag) != 0;
        const bool of2000 = s == kPlane1Of2000 || (s == kPlane2 && m_profile.plane2Of2000);
        if (tagged == 0 || inPlane2 != (s == kPlane2) || (of2000 && isSince2004(tagged)))
            return 0;
        return tagged & static_cast<unsigned short>(~kPlane2Tag);
    }

    // A character's code behind the designation of its set, if G0 holds
    // another.
    static TargetChar inSet(Set s, unsigned short code, KelLength units, std::uint32_t value,
                            State& state) {
        iso2022::Bytes out;
        if (state.set(0) != s)
            designate(s, out, state);
        out.add(code, code > 0xFF ? 2 : 1);
        return out.of(units, value);
    }

    static void designate(Set s, iso2022::Bytes& out, State& state) {
        out.designation(0, kNaming[s].name, kNaming[s].shortForm);
        state.designate(0, s);
    }

    const JISTables* m_tables;
    Profile m_profile;
};

KelCharSetConverterISO2022JP::KelCharSetConverterISO2022JP(
    const unsigned short* jis0208, const unsigned short* jis0201, const unsigned short* gb2312,
    const unsigned short* ksx1001, const unsigned short* greek, KelCharSet cs)
    : KelCodecConverter(cs), m_lists{jis0208, jis0201, gb2312, ksx1001, greek} {}

KelCharSetConverterISO2022JP::Codec KelCharSetConverterISO2022JP::codec() {
    return Codec(sharedTables(m_lists), profileOf(getCharSet()));
}

template class KelCodecConverter<KelCharSetConverterISO2022JP, KelCharSetConverter>;
