#ifndef KELCHARSETCONVERTEREUC_JP_H
#define KELCHARSETCONVERTEREUC_JP_H

#include "KelCharSetConverterMBCS.h"
#include "KelCodecConverter.h"

// EUC-JP: bytes 0x00 to 0x7E as themselves, JIS X 0208 as two bytes with the
// high bit set, JIS X 0201 katakana after the single shift SS2 (0x8E), and
// JIS X 0212 after SS3 (0x8F). Each has the tables of its list: JIS X 0208
// in its 7-bit form (the base tables) and JIS X 0201 under its byte values,
// which the Japanese ISO-2022 sets read too.
class KelCharSetConverterEUC_JP
    : public KelCodecConverter<KelCharSetConverterEUC_JP, KelCharSetConverterMBCS> {
public:
    // The pair lists (JIS X 0208 in 7-bit form, JIS X 0201, JIS X 0212 in
    // 7-bit form) must outlive the converter.
    KelCharSetConverterEUC_JP(const unsigned short* map0208, const unsigned short* map0201,
                              const unsigned short* map0212, KelCharSet cs);
    // A converter without pair lists: only code set 0 converts.
    KelCharSetConverterEUC_JP(const char* name0208, const char* name0201, const char* name0212,
                              KelCharSet cs);
    ~KelCharSetConverterEUC_JP() override;

    static constexpr unsigned char m_cSS2 = 0x8E;
    static constexpr unsigned char m_cSS3 = 0x8F;

    static bool isCS0(unsigned char b) { return b <= 0x7E; }
    static bool isCS0(unsigned short u) { return u <= 0x7E; }
    static bool isSS2(unsigned char b) { return b == m_cSS2; }
    static bool isSS3(unsigned char b) { return b == m_cSS3; }
    static bool isValidSS2(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }
    static bool isValidSS2(unsigned short code) { return code >= 0xA1 && code <= 0xDF; }

    // Finds the base tables, then those of JIS X 0201 and JIS X 0212.
    void load() override;


    const char* getName0201() const { return m_pName0201; }
    const char* getName0212() const { return m_pName0212; }

private:
    friend KelCodecConverter<KelCharSetConverterEUC_JP, KelCharSetConverterMBCS>;
    static constexpr KelUnitSizes kUnitSizes{1, 3, 1};

    class Codec;
    Codec codec();

    const char* m_pName0201;
    const char* m_pName0212;
    const unsigned short* m_pMap0201;
    const unsigned short* m_pMap0212;
    KelSharedPairTablesRef m_o0201;
    KelSharedPairTablesRef m_o0212;
    kel::mbcs::FlatTables m_oFlat;
};

extern template class KelCodecConverter<KelCharSetConverterEUC_JP, KelCharSetConverterMBCS>;

#endif
