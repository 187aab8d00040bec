#include "KelCharSetConverterEUC_JP.h"

#include "KelMBCSCodec.h"

using kel::mbcs::oneOrNone;

class KelCharSetConverterEUC_JP::Codec {
public:
    // SS3 and a JIS X 0212 pair.
    static constexpr KelLength kMaxLength = 3;

    Codec(const LookupTable<unsigned short>& toUnicode,
          const LookupTable<unsigned short>& fromUnicode, const KelPairTables& jis0201,
          const KelPairTables& jis0212, const kel::mbcs::FlatTables& flat)
        : m_toUnicode(toUnicode), m_fromUnicode(fromUnicode),
          m_toUnicode0201(jis0201.toUnicode), m_fromUnicode0201(jis0201.fromUnicode),
          m_toUnicode0212(jis0212.toUnicode), m_fromUnicode0212(jis0212.fromUnicode),
          m_flat(flat.of(*this)) {}

    // A byte that starts no convertible character is one without a mapping
    // by itself; the bytes after it are read again as new characters. Codes
    // are taken only in the byte ranges that EUC-JP gives them, so that no
    // pair of high bytes aliases an ASCII character through the tables' 7-bit
    // keys and no trail byte below A1 is swallowed. After the byte 80 only
    // the two JIS X 0201 codes the encoder writes there read back.
    kel::codec::SourceChar decode(const unsigned char* p, KelLength avail) const {
        const unsigned char b = p[0];
        if (isCS0(b))
            return kel::codec::mapped(1, b);
        const unsigned char c1 = kel::mbcs::byteAt(p, avail, 1);
        if (isSS2(b))
            return oneOrNone(2, isValidSS2(c1) ? m_toUnicode0201.trans(c1) : 0);
        if (b == kJIS0201Shift)
            return oneOrNone(2, c1 == 0xDC || c1 == 0xFE ? m_toUnicode0201.trans(c1 & 0x7F) : 0);
        if (isSS3(b)) {
            // c2 is read only behind a code byte, never past a terminator.
            const unsigned char c2 = isCodeByte(c1) ? kel::mbcs::byteAt(p, avail, 2) : 0;
            return oneOrNone(3, codeValue(m_toUnicode0212, c1, c2));
        }
        return oneOrNone(2, codeValue(m_toUnicode, b, c1));
    }

    kel::codec::TargetChar encode(const unsigned short* p, KelLength) const {
        const unsigned short u = p[0];
        if (isCS0(u))
            return kel::mbcs::singleByte(u);
        // JIS X 0201 first: a character both sets hold is written in it.
        const unsigned short code0201 = m_fromUnicode0201.trans(u);
        const unsigned short code = code0201 != 0 ? code0201 : m_fromUnicode.trans(u);
        if (isValidSS2(code))
            return {1, u, m_cSS2 * 0x100u + code, 2, false};
        if (code != 0)
            return kel::mbcs::eucPair(u, code);
        kel::codec::TargetChar c = kel::mbcs::eucPair(u, m_fromUnicode0212.trans(u));
        if (c.size != 0) {
            c.bytes |= m_cSS3 * 0x10000u;
            c.size = 3;
        }
        return c;
    }

    // Code set 0 but the terminator.
    static constexpr kel::blocks::ASCIIIdentity identity() { return {0x7E, {0, 0, 0}}; }
    kel::mbcs::FlatView flat() const { return m_flat; }

private:
    // The byte in front of the JIS X 0201 codes below 0x80 (U+00A5, U+203E).
    static constexpr unsigned char kJIS0201Shift = 0x80;

    // A byte of a two-byte JIS X 0208 or JIS X 0212 code.
    static bool isCodeByte(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }

    static unsigned short codeValue(const LookupTable<unsigned short>& table, unsigned char b1,
                                    unsigned char b2) {
        return isCodeByte(b1) && isCodeByte(b2) ? table.trans(kel::mbcs::sevenBitKey(b1, b2)) : 0;
    }

    const LookupTable<unsigned short>& m_toUnicode;
    const LookupTable<unsigned short>& m_fromUnicode;
    const LookupTable<unsigned short>& m_toUnicode0201;
    const LookupTable<unsigned short>& m_fromUnicode0201;
    const LookupTable<unsigned short>& m_toUnicode0212;
    const LookupTable<unsigned short>& m_fromUnicode0212;
    // Last: built through decode and encode, which the tables serve.
    const kel::mbcs::FlatView m_flat;
};

KelCharSetConverterEUC_JP::KelCharSetConverterEUC_JP(const unsigned short* map0208,
                                                     const unsigned short* map0201,
                                                     const unsigned short* map0212, KelCharSet cs)
    : KelCodecConverter(map0208, cs), m_pName0201(nullptr), m_pName0212(nullptr),
      m_pMap0201(map0201), m_pMap0212(map0212) {}

KelCharSetConverterEUC_JP::KelCharSetConverterEUC_JP(const char* name0208, const char* name0201,
                                                     const char* name0212, KelCharSet cs)
    : KelCodecConverter(name0208, cs), m_pName0201(name0201), m_pName0212(name0212),
      m_pMap0201(nullptr), m_pMap0212(nullptr) {}

KelCharSetConverterEUC_JP::~KelCharSetConverterEUC_JP() = default;

void KelCharSetConverterEUC_JP::load() {
    KelCharSetConverterMBCS::load();
    m_o0201.get(m_pMap0201);
    m_o0212.get(m_pMap0212);
}

KelCharSetConverterEUC_JP::Codec KelCharSetConverterEUC_JP::codec() {
    load();
    return Codec(toUnicode(), fromUnicode(), kelTableOrEmpty(m_o0201.get()),
                 kelTableOrEmpty(m_o0212.get()), m_oFlat);
}

template class KelCodecConverter<KelCharSetConverterEUC_JP, KelCharSetConverterMBCS>;
