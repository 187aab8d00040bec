#!/usr/bin/env python3
"""Generates the compiled-in legacy code-page tables of kelulib.

Usage:
    python3 tools/gen_codepage_tables.py [--out DIR]   write the tables (default unicode/data)
    python3 tools/gen_codepage_tables.py --check       regenerate into a temporary directory and
                                                       compare byte for byte with unicode/data

Writes CodePageTables.inc (pair lists, the extended Shift_JIS-2004 list and the byte-type
tables, included by unicode/KelCharSetConverterManager.cpp) and GB18030Ranges.inc (the GB18030
range tables, included by unicode/KelCharSetConverterGB18030.cpp).

Every mapping comes from Python's codecs, plus the deliberate differences that each builder
below names; unicodedata only classifies characters (general categories).  The committed files
were produced with Python 3.11.7 (unicodedata 14.0.0).  Before anything is written, every table
is checked (entry counts, uniqueness, sort order, byte classes, the GB18030 range invariants);
any violation ends the run with a message and exit status 1.

How oCP950map is made (it follows no published table):
  * bytes 0x01-0x7F as ASCII with the control rotation; no single byte above 0x7F;
  * the Big5 body of Python's cp950 (0xA140-0xA3BF, 0xA440-0xC67E, 0xC940-0xF9D5) without the
    euro sign 0xA3E1; of the two radicals that cp950 also codes as ideographs (0xA2CC, 0xA2CE)
    only the ideograph codes 0xA451 and 0xA4CA are kept;
  * the ETEN extension rows 0xC6A1-0xC8FE as Python's big5hkscs decodes them, limited to
    characters of the Basic Multilingual Plane and without the Hong Kong additions
    0xC879-0xC8A4;
  * symbol rows: the first 66 punctuation and symbol characters (general categories P and S)
    of the Latin-1 Supplement and then of General Punctuation that the Big5 body does not code,
    in code-point order, at trail bytes 0x81-0xA0 of rows 0xF2, 0xF3 and 0xF4 (0xF28C is
    U+00B4).  Where an ETEN code carries the same character (only U+00A8) the symbol row keeps
    it and the ETEN code is left out;
  * private use area: the user-defined rows in the layout of Microsoft's Big5 (0xFA40-0xFEFE
    from U+E000, 0x8E40-0xA0FE from U+E311, 0x8140-0x8DFE from U+EEB8); U+F6B1-U+F848, which
    that layout gives to the ETEN rows, is free here and takes the codes at trail bytes
    0x81-0xA0 of the user-defined rows 0x81-0x8B (U+F6B1-U+F810) and then 0xF9D6-0xF9FE
    (U+F813-U+F83B).
  This yields 20202 pairs, 418 of them (352 private use codes and the 66 symbols) at trail
  bytes 0x81-0xA0.

oBIG5ReadOnlymap holds the ten codes that Big5 gives a character oBIG5map already writes with
another code (0xA2A4 and 0xF9F9 are both U+2550); they are read, never written.
"""

import argparse
import difflib
import filecmp
import os
import sys
import tempfile
import unicodedata

PRODUCED_WITH = ("3.11", "14.0.0")  # Python, unicodedata

DEFAULT_OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "unicode", "data")
TABLES_FILE = "CodePageTables.inc"
RANGES_FILE = "GB18030Ranges.inc"

# Bytes 0x1A, 0x1C and 0x7F exchange their controls in the code pages that say so.
CONTROL_ROTATION = {0x1A: 0x1C, 0x1C: 0x7F, 0x7F: 0x1A}

LEAD = 0x40
TRAIL = 0x80


class TableError(Exception):
    pass


def fail_unless(condition, message):
    if not condition:
        raise TableError(message)


# ---------------------------------------------------------------------------------------------
# Reading the codecs

def decode_char(codec, data):
    """The single character that `codec` decodes `data` to, or None."""
    try:
        text = data.decode(codec)
    except UnicodeDecodeError:
        return None
    return ord(text) if len(text) == 1 else None


def code_bytes(code):
    return bytes([code]) if code <= 0xFF else bytes([code >> 8, code & 0xFF])


def byte_range(first, last):
    return range(first, last + 1)


def codes_in(first, last, trails):
    """Codes from `first` to `last` whose trail byte lies in `trails`, in code order."""
    return [(lead << 8) | trail
            for lead in byte_range(first >> 8, last >> 8)
            for trail in trails
            if first <= (lead << 8) | trail <= last]


def decode_codes(codec, codes):
    mapping = {}
    for code in codes:
        uni = decode_char(codec, code_bytes(code))
        if uni is not None:
            mapping[code] = uni
    return mapping


def decode_single_bytes(codec, first=0x01, last=0xFF):
    return decode_codes(codec, byte_range(first, last))


def decode_double_bytes(codec, leads, trails):
    return decode_codes(codec, [(lead << 8) | trail for lead in leads for trail in trails])


def ascii_bytes(rotated):
    return {b: CONTROL_ROTATION.get(b, b) if rotated else b for b in byte_range(0x01, 0x7F)}


def without(mapping, codes):
    return {code: uni for code, uni in mapping.items() if code not in codes}


def private_use(areas, trails, first_uni):
    """Maps the codes of the areas (first, last), in order, to consecutive private use values."""
    codes = [code for first, last in areas for code in codes_in(first, last, trails)]
    return {code: first_uni + i for i, code in enumerate(codes)}


def merge(*parts):
    result = {}
    for part in parts:
        overlap = set(result) & set(part)
        fail_unless(not overlap, "codes given twice while merging: %s"
                    % ", ".join("0x%X" % c for c in sorted(overlap)[:8]))
        result.update(part)
    return result


def only_in(mapping, first, last):
    return {code: uni for code, uni in mapping.items() if first <= code <= last}


def keep_highest_code_per_character(mapping):
    """Where a vendor table gives one character two codes, keeps the higher code."""
    best = {}
    for code, uni in mapping.items():
        best[uni] = max(code, best.get(uni, 0))
    return {code: uni for uni, code in best.items()}


# ---------------------------------------------------------------------------------------------
# Tables

class PairList:
    """A pair list (`unsigned short` pairs) or, with `extended`, an sMBCSExTable list."""

    def __init__(self, name, pairs, count, type_table=None, extended=False):
        self.name = name
        self.pairs = pairs
        self.count = count
        self.type_table = type_table
        self.extended = extended


def by_unicode(mapping):
    return sorted(mapping.items(), key=lambda pair: pair[1])


def by_code(mapping):
    return sorted(mapping.items())


TRAILS_GBK = list(byte_range(0x40, 0x7E)) + list(byte_range(0x80, 0xFE))
TRAILS_BIG5 = list(byte_range(0x40, 0x7E)) + list(byte_range(0xA1, 0xFE))
TRAILS_SJIS = list(byte_range(0x40, 0x7E)) + list(byte_range(0x80, 0xFC))
TRAILS_94 = list(byte_range(0xA1, 0xFE))
TRAILS_HIGH_C1 = list(byte_range(0x81, 0xA0))
LEADS_SJIS = list(byte_range(0x81, 0x9F)) + list(byte_range(0xE0, 0xFC))
LEADS_ALL = list(byte_range(0x81, 0xFE))

# Windows code pages: C1 controls fill the undefined bytes of 0x80-0x9F; these bytes are added.
WINDOWS_ADDED = {"cp1253": {0xAA: 0x00AA}}


def windows_single_byte(codec):
    mapping = merge(decode_single_bytes(codec), WINDOWS_ADDED.get(codec, {}))
    c1 = {b: b for b in byte_range(0x80, 0x9F) if b not in mapping}
    return merge(mapping, c1)


def cp874():
    # Only the Thai letters and digits of Windows 874; the punctuation it puts at 0x80-0xA0 is
    # not taken, and 0xFC-0xFF carry four Latin-1 signs instead.
    thai = decode_single_bytes("cp874", 0xA1, 0xFB)
    return merge(ascii_bytes(rotated=True), thai,
                 {0xFC: 0x00A2, 0xFD: 0x00AC, 0xFE: 0x00A6, 0xFF: 0x00A0})


SINGLE_BYTE_TABLES = [
    ("oCP1250map", "cp1250", 255), ("oCP1251map", "cp1251", 255), ("oCP1252map", "cp1252", 255),
    ("oCP1253map", "cp1253", 253), ("oCP1254map", "cp1254", 255), ("oCP1255map", "cp1255", 244),
    ("oCP1256map", "cp1256", 255), ("oCP1257map", "cp1257", 253), ("oCP1258map", "cp1258", 255),
]

ISO_8859_TABLES = [
    (1, 255), (2, 255), (3, 248), (4, 255), (5, 255), (6, 210), (7, 252), (8, 219), (9, 255),
    (10, 255), (11, 247), (13, 255), (14, 255), (15, 255), (16, 255),
]


def single_byte_lists():
    lists = [PairList(name, by_unicode(windows_single_byte(codec)), count)
             for name, codec, count in SINGLE_BYTE_TABLES]
    lists.append(PairList("oCP874map", by_unicode(cp874()), 218))
    lists += [PairList("o8859_%dmap" % part, by_unicode(decode_single_bytes("iso8859_%d" % part)),
                       count)
              for part, count in ISO_8859_TABLES]
    lists.append(PairList("oKOI8Rmap", by_unicode(decode_single_bytes("koi8_r")), 255))
    return lists


# --- Japanese --------------------------------------------------------------------------------

# The older JIS ordering of these kanji: each code takes the value Microsoft gives the other.
CP932_EXCHANGED = [
    (0x88B1, 0xE9CB), (0x89A7, 0xE9F2), (0x8A61, 0xE579), (0x8A68, 0x9D98), (0x8A96, 0xE27D),
    (0x8AC1, 0x9FF3), (0x8AD0, 0xE67C), (0x8BC4, 0xEA9F), (0x8C7A, 0xE8F2), (0x8D56, 0xFAD0),
    (0x8D7B, 0xE1E6), (0x8EC7, 0xE541), (0x9078, 0xE8D5), (0x9147, 0xE6CB), (0x92D9, 0x9AE2),
    (0x9376, 0xE1E8), (0x938E, 0x9E8D), (0x9393, 0x9FB7), (0x93F4, 0xE78E), (0x9488, 0xE5A2),
    (0x954F, 0x9E77), (0x968A, 0xEAA0), (0x9699, 0x98D4), (0x96F7, 0xE54D), (0x9779, 0xEAA1),
    (0x9855, 0xE2C4), (0xE086, 0xEAA4), (0xE0F4, 0xEAA2),
]
NEC_ROW_13 = (0x8740, 0x879C)
NEC_SELECTED_IBM = (0xED40, 0xEEFC)
SJIS_USER_DEFINED = (0xF040, 0xF9FC)
# Shift-JIS keeps one code per character; these second codes of Microsoft's table go.
SHIFTJIS_DUPLICATES = [(0x8790, 0x8792), (0x8795, 0x8797), (0x879A, 0x879C), (0xFA4A, 0xFA54),
                       (0xFA58, 0xFA5B)]


def codes_of_ranges(ranges, trails=TRAILS_SJIS):
    return {code for first, last in ranges for code in codes_in(first, last, trails)}


def microsoft_932():
    double = decode_double_bytes("cp932", LEADS_SJIS, TRAILS_SJIS)
    user = private_use([SJIS_USER_DEFINED], TRAILS_SJIS, 0xE000)
    fail_unless(only_in(double, *SJIS_USER_DEFINED) == user,
                "cp932 no longer maps its user-defined area to U+E000-U+E757")
    katakana = decode_single_bytes("cp932", 0xA1, 0xDF)
    return merge(ascii_bytes(rotated=True), katakana, double)


def cp932():
    ms = microsoft_932()
    dropped = codes_of_ranges([NEC_ROW_13, NEC_SELECTED_IBM]) | {0x81CA, 0x81E6}
    mapping = without(ms, dropped)
    for first, second in CP932_EXCHANGED:
        mapping[first], mapping[second] = ms[second], ms[first]
    return merge(mapping, {0x80: 0x00A2, 0xA0: 0x00A3, 0xFD: 0x00AC})


def shift_jis():
    dropped = codes_of_ranges([NEC_SELECTED_IBM] + SHIFTJIS_DUPLICATES)
    mapping = without(microsoft_932(), dropped)
    # The half-width katakana, the NEC row 13 specials and 0x81CA/0x81E6 (which oCP932map
    # leaves out) follow the Unicode-sorted body, in code order.
    appended = codes_of_ranges([NEC_ROW_13]) | set(byte_range(0xA1, 0xDF)) | {0x81CA, 0x81E6}
    body = {code: uni for code, uni in mapping.items() if code not in appended}
    tail = {code: uni for code, uni in mapping.items() if code in appended}
    return by_unicode(body) + by_code(tail), len(tail)


def shift_jis_2004():
    """Shift_JIS-2004 without the codes that decode to two characters; BMP run, then beyond."""
    single = decode_single_bytes("shift_jis_2004", 0x01, 0x7F)
    single.update(decode_single_bytes("shift_jis_2004", 0xA1, 0xDF))
    double = decode_double_bytes("shift_jis_2004", LEADS_SJIS, TRAILS_SJIS)
    mapping = merge(single, double)
    mapping.update({0x815C: 0x2014, 0x81D4: 0xFF5F, 0x81D5: 0xFF60})
    pairs = by_code(mapping)
    return [p for p in pairs if p[1] <= 0xFFFF] + [p for p in pairs if p[1] > 0xFFFF]


def jis_x0201():
    # Shift_JIS-2004 reads its single bytes as JIS X 0201 (0x5C yen sign, 0x7E overline).
    roman = decode_single_bytes("shift_jis_2004", 0x01, 0x7E)
    fail_unless(roman[0x5C] == 0x00A5 and roman[0x7E] == 0x203E,
                "shift_jis_2004 no longer reads 0x5C/0x7E as JIS X 0201")
    return merge(roman, decode_single_bytes("shift_jis_2004", 0xA1, 0xDF))


def seven_bit(mapping):
    return {code - 0x8080: uni for code, uni in mapping.items()}


def jis_x0208():
    # 0x2140 stays U+FF3C, FULLWIDTH REVERSE SOLIDUS, as the codec has it:
    # read as U+005C it would alias the byte 5C, a path separator elsewhere,
    # and U+FF3C could not be written at all.
    mapping = seven_bit(decode_double_bytes("euc_jp", TRAILS_94, TRAILS_94))
    fail_unless(mapping[0x2140] == 0xFF3C, "euc_jp no longer reads A1 C0 as U+FF3C")
    return mapping


def japanese_lists():
    shiftjis, appended = shift_jis()
    fail_unless(appended == 139, "oSHIFTJISmap appends %d pairs, not 139" % appended)
    return [
        PairList("oCP932map", by_unicode(cp932()), 9338, "oCP932Type"),
        PairList("oSHIFTJISmap", shiftjis, 9396, "oCP932Type"),
        PairList("oSJIS0213_2004map", shift_jis_2004(), 11398, "oCP932Type", extended=True),
        PairList("oJIS0208map", by_code(jis_x0208()), 6879),
        PairList("oJIS0201map", by_code(jis_x0201()), 189),
        PairList("oJIS0212map", [], 0),
    ]


# --- Chinese (simplified) --------------------------------------------------------------------

def gb18030_private_use():
    """The codes Windows 936 assigns, and private use values for all the codes it leaves free.

    GB18030 numbers the three user-defined areas first and then every other unassigned code in
    code order; this also gives the 81 codes that GB18030 itself maps elsewhere their old values.
    """
    assigned = decode_double_bytes("gbk", LEADS_ALL, TRAILS_GBK)
    areas = [(0xAAA1, 0xAFFE), (0xF8A1, 0xFEFE)]
    user = private_use(areas, TRAILS_94, 0xE000)
    low_trails = [trail for trail in TRAILS_GBK if trail <= 0xA0]
    user.update(private_use([(0xA140, 0xA7A0)], low_trails, 0xE000 + len(user)))
    rest = [code for code in codes_in(0x8140, 0xFEFE, TRAILS_GBK)
            if code not in assigned and code not in user]
    user.update({code: 0xE000 + len(user) + i for i, code in enumerate(rest)})
    return assigned, user


def gb18030_two_byte():
    return decode_double_bytes("gb18030", LEADS_ALL, TRAILS_GBK)


def cp936():
    assigned, user = gb18030_private_use()
    gb = gb18030_two_byte()
    agree = {code: uni for code, uni in gb.items() if 0xE000 <= uni <= 0xF8FF}
    fail_unless(all(user.get(code) == uni for code, uni in agree.items()),
                "gb18030's private use values differ from the computed layout")
    return merge(ascii_bytes(rotated=False), {0x80: 0x20AC, 0xFF: 0xF8F5}, assigned, user)


def gbk_of_gb18030():
    return merge(ascii_bytes(rotated=False), gb18030_two_byte())


def gb2312():
    return seven_bit(decode_double_bytes("gb2312", TRAILS_94, TRAILS_94))


def chinese_simplified_lists():
    return [
        PairList("oCP936map", by_unicode(cp936()), 24069, "oCP936Type"),
        PairList("oGBKmap", by_unicode(gbk_of_gb18030()), 24067, "oCP936Type"),
        PairList("oGB2312map", by_code(gb2312()), 7445),
    ]


# --- Korean ----------------------------------------------------------------------------------

def cp949():
    double = decode_double_bytes("cp949", LEADS_ALL, list(byte_range(0x41, 0xFE)))
    user = private_use([(0xC9A1, 0xC9FE), (0xFEA1, 0xFEFE)], TRAILS_94, 0xE000)
    return merge(ascii_bytes(rotated=False), {0x80: 0x0080, 0xFF: 0xF8F7}, double, user)


def ks_x1001():
    # The KS X 1001 part of code page 949; euc_kr drops the Hangul filler 0xA4D4 when it
    # stands alone, cp949 does not.
    mapping = seven_bit(decode_double_bytes("cp949", TRAILS_94, TRAILS_94))
    euc = seven_bit(decode_double_bytes("euc_kr", TRAILS_94, TRAILS_94))
    fail_unless(all(mapping.get(code) == uni for code, uni in euc.items()),
                "cp949 and euc_kr disagree on KS X 1001")
    return without(mapping, {0x2266, 0x2267})


def korean_lists():
    return [
        PairList("oCP949map", by_unicode(cp949()), 17365, "oCP949Type"),
        PairList("oKSX1001map", by_code(ks_x1001()), 8224),
    ]


# --- Chinese (traditional) -------------------------------------------------------------------

BIG5_USER_DEFINED = [(0xFA40, 0xFEFE), (0x8E40, 0xA0FE), (0x8140, 0x8DFE)]
ETEN_ROWS = (0xC6A1, 0xC8FE)
ETEN_DOUBLE = (0xF9D6, 0xF9FE)
EURO_BIG5 = 0xA3E1


def microsoft_950_double():
    return decode_double_bytes("cp950", LEADS_ALL, TRAILS_BIG5)


def big5_double():
    # Microsoft's table keeps the ETEN rows for user-defined characters; Python's cp950 does not.
    return without(microsoft_950_double(), set(codes_in(*ETEN_ROWS, TRAILS_BIG5)))


def big5():
    user = private_use(BIG5_USER_DEFINED + [ETEN_ROWS], TRAILS_BIG5, 0xE000)
    return merge(ascii_bytes(rotated=False), {0x80: 0x0080, 0xFF: 0xF8F8},
                 keep_highest_code_per_character(big5_double()), user)


# The box drawings of row 0xA2 and the two radicals that Big5 also codes elsewhere (0xF9F9..,
# 0xA451, 0xA4CA): text written with either code must read, while only one is written.
BIG5_SECOND_CODES = [0xA27E] + list(byte_range(0xA2A1, 0xA2A7)) + [0xA2CC, 0xA2CE]


def big5_read_only():
    """The codes of Big5 that decode to a character the table writes with another code."""
    double = big5_double()
    kept = keep_highest_code_per_character(double)
    second = {code: uni for code, uni in double.items() if code not in kept}
    fail_unless(sorted(second) == BIG5_SECOND_CODES,
                "Big5 codes a character twice at %s" % ", ".join("0x%X" % c for c in second))
    fail_unless(second == decode_codes("big5", second), "big5 and cp950 disagree on %s"
                % ", ".join("0x%X" % c for c in second))
    return second


def cp950_body():
    # Without the ETEN codes 0xF9D6-0xF9FE, whose box drawings repeat row 0xA2, only the two
    # radicals remain coded twice.
    eten = set(codes_in(*ETEN_ROWS, TRAILS_BIG5)) | set(codes_in(*ETEN_DOUBLE, TRAILS_BIG5))
    body = without(microsoft_950_double(), eten | {EURO_BIG5})
    return keep_highest_code_per_character(body)


def eten_rows():
    eten = decode_codes("big5hkscs", codes_in(*ETEN_ROWS, TRAILS_BIG5))
    return {code: uni for code, uni in eten.items()
            if uni <= 0xFFFF and not 0xC879 <= code <= 0xC8A4}


CP950_SYMBOL_COUNT = 66
CP950_SYMBOL_ROWS = (0xF281, 0xF4A0)
CP950_SYMBOL_BLOCKS = [(0x00A0, 0x00FF), (0x2000, 0x206F)]


def cp950_symbols(body):
    coded = set(body.values())
    pool = [uni for first, last in CP950_SYMBOL_BLOCKS for uni in byte_range(first, last)
            if unicodedata.category(chr(uni))[0] in "PS" and uni not in coded]
    codes = codes_in(*CP950_SYMBOL_ROWS, TRAILS_HIGH_C1)
    return dict(zip(codes, pool[:CP950_SYMBOL_COUNT]))


def cp950():
    body = cp950_body()
    symbols = cp950_symbols(body)
    taken = set(symbols.values())
    eten = {code: uni for code, uni in eten_rows().items() if uni not in taken}
    standard = private_use(BIG5_USER_DEFINED, TRAILS_BIG5, 0xE000)
    high_trails = private_use([(0x8181, 0x8BA0)], TRAILS_HIGH_C1, 0xF6B1)
    eten_double = private_use([ETEN_DOUBLE], TRAILS_BIG5, 0xF813)
    return merge(ascii_bytes(rotated=True), body, eten, symbols, standard, high_trails,
                 eten_double)


def chinese_traditional_lists():
    return [
        PairList("oCP950map", by_unicode(cp950()), 20202, "oCP950Type"),
        PairList("oBIG5map", by_unicode(big5()), 19839, "oBig5Type"),
        PairList("oBIG5ReadOnlymap", by_code(big5_read_only()), 10, "oBig5Type"),
    ]


# --- Byte-type tables ------------------------------------------------------------------------

def byte_type(leads, trails):
    table = [0] * 256
    for first, last in leads:
        for b in byte_range(first, last):
            table[b] |= LEAD
    for first, last in trails:
        for b in byte_range(first, last):
            table[b] |= TRAIL
    return table


def byte_type_tables():
    # oCP950Type also accepts the trail bytes 0x81-0xA0 of oCP950map, so those codes decode.
    return {
        "oCP932Type": byte_type([(0x81, 0x9F), (0xE0, 0xFC)], [(0x40, 0x7E), (0x80, 0xFC)]),
        "oCP936Type": byte_type([(0x81, 0xFE)], [(0x40, 0xFE)]),
        "oCP949Type": byte_type([(0x81, 0xFE)], [(0x41, 0x5A), (0x61, 0x7A), (0x81, 0xFE)]),
        "oCP950Type": byte_type([(0x81, 0xFE)], [(0x40, 0x7F), (0x81, 0xFE)]),
        "oBig5Type": byte_type([(0x81, 0xFE)], [(0x40, 0x7E), (0xA1, 0xFE)]),
    }


CATALOGUE_ORDER = (
    [name for name, _, _ in SINGLE_BYTE_TABLES] + ["oCP874map"]
    + ["o8859_%dmap" % part for part, _ in ISO_8859_TABLES]
    + ["oKOI8Rmap", "oCP932map", "oSHIFTJISmap", "oCP936map", "oGBKmap", "oCP949map",
       "oCP950map", "oBIG5map", "oBIG5ReadOnlymap", "oSJIS0213_2004map", "oKSX1001map",
       "oGB2312map", "oJIS0208map", "oJIS0201map", "oJIS0212map"])


def all_pair_lists():
    lists = (single_byte_lists() + japanese_lists() + chinese_simplified_lists() + korean_lists()
             + chinese_traditional_lists())
    by_name = {table.name: table for table in lists}
    return [by_name[name] for name in CATALOGUE_ORDER]


# ---------------------------------------------------------------------------------------------
# GB18030 range tables

GB_FOUR_BYTE_FIRST = 0x10000
SURROGATES = (0xD800, 0xDFFF)


def is_surrogate(uni):
    return SURROGATES[0] <= uni <= SURROGATES[1]


def four_byte_scalar(data):
    b1, b2, b3, b4 = data
    index = ((b1 - 0x81) * 10 + (b2 - 0x30)) * 1260 + (b3 - 0x81) * 10 + (b4 - 0x30)
    return GB_FOUR_BYTE_FIRST + index


def runs(pairs):
    """Rows (first scalar, last scalar, first Unicode) of runs where both sides step by one."""
    rows = []
    for scalar, uni in pairs:
        if rows and rows[-1][1] + 1 == scalar and rows[-1][2] + scalar - rows[-1][0] == uni:
            rows[-1][1] = scalar
        else:
            rows.append([scalar, scalar, uni])
    return [tuple(row) for row in rows]


def gb18030_moved():
    """The two-byte codes that GB18030 maps outside the private use area Windows 936 gives them."""
    _, user = gb18030_private_use()
    return {code: uni for code, uni in gb18030_two_byte().items()
            if code in user and not 0xE000 <= uni <= 0xF8FF}


def gb18030_ranges(gbk_pairs):
    """Rows for the two-byte codes GB18030 maps outside the private use area, then four-byte
    rows that number every other BMP character from U+0080 in code-point order."""
    two_byte = by_code(gb18030_moved())
    coded = {uni for _, uni in gbk_pairs}
    rest = [uni for uni in byte_range(0x80, 0xFFFF) if uni not in coded and not is_surrogate(uni)]
    four_byte = [(GB_FOUR_BYTE_FIRST + i, uni) for i, uni in enumerate(rest)]
    check_four_byte_codes(four_byte)
    gb2uni = runs(two_byte) + runs(four_byte)
    uni2gb = sorted((uni, uni + last - first, first) for first, last, uni in gb2uni)
    return gb2uni, uni2gb


def check_four_byte_codes(four_byte):
    for scalar, uni in four_byte:
        fail_unless(four_byte_scalar(chr(uni).encode("gb18030")) == scalar,
                    "gb18030 encodes U+%04X elsewhere than scalar 0x%X" % (uni, scalar))


# ---------------------------------------------------------------------------------------------
# Checks

def check_pair_list(table, types):
    name, pairs = table.name, table.pairs
    fail_unless(len(pairs) == table.count,
                "%s has %d entries, not %d" % (name, len(pairs), table.count))
    codes = [code for code, _ in pairs]
    unis = [uni for _, uni in pairs]
    fail_unless(len(set(codes)) == len(codes), "%s gives a code twice" % name)
    fail_unless(len(set(unis)) == len(unis), "%s gives a Unicode value twice" % name)
    fail_unless(0 not in codes and 0 not in unis, "%s maps code 0 or U+0000" % name)
    fail_unless(not any(is_surrogate(u) for u in unis), "%s maps a surrogate" % name)
    limit = 0x10FFFF if table.extended else 0xFFE6
    fail_unless(max(unis, default=1) <= limit, "%s maps beyond U+%04X" % (name, limit))
    if table.type_table:
        check_byte_classes(name, codes, types[table.type_table])


def check_byte_classes(name, codes, types):
    for code in codes:
        if code > 0xFF:
            fail_unless(types[code >> 8] & LEAD and types[code & 0xFF] & TRAIL,
                        "%s: code 0x%04X does not fit its byte-type table" % (name, code))
        else:
            fail_unless(not types[code] & LEAD, "%s: single byte 0x%02X is a lead byte"
                        % (name, code))


def is_sorted(values):
    return all(a < b for a, b in zip(values, values[1:]))


def check_sort_orders(lists):
    by_name = {table.name: table.pairs for table in lists}
    code_sorted = ["oKSX1001map", "oGB2312map", "oJIS0208map", "oJIS0201map",
                   "oBIG5ReadOnlymap"]
    for name, pairs in by_name.items():
        if name in code_sorted:
            fail_unless(is_sorted([c for c, _ in pairs]), "%s is not sorted by code" % name)
        elif name == "oSHIFTJISmap":
            fail_unless(is_sorted([u for _, u in pairs[:-139]]), "oSHIFTJISmap body unsorted")
        elif name == "oSJIS0213_2004map":
            split = sum(1 for _, u in pairs if u <= 0xFFFF)
            fail_unless(is_sorted([c for c, _ in pairs[:split]])
                        and is_sorted([c for c, _ in pairs[split:]]),
                        "oSJIS0213_2004map runs are not sorted by code")
            fail_unless(len(pairs) - split == 303, "oSJIS0213_2004map: %d entries beyond U+FFFF"
                        % (len(pairs) - split))
        else:
            fail_unless(is_sorted([u for _, u in pairs]), "%s is not sorted by Unicode" % name)


def check_cp950_high_trails(lists):
    pairs = next(table.pairs for table in lists if table.name == "oCP950map")
    count = sum(1 for code, _ in pairs if code > 0xFF and 0x81 <= code & 0xFF <= 0xA0)
    fail_unless(count == 418, "oCP950map has %d codes with trail bytes 0x81-0xA0" % count)
    fail_unless(max(code for code, _ in pairs if code <= 0xFF) == 0x7F
                and 0x20AC not in {u for _, u in pairs},
                "oCP950map has a single byte above 0x7F or the euro sign")


TELLING_ROWS = [(0xA2E3, 0xA2E3, 0x20AC), (0xA98A, 0xA995, 0x2FF0), (0xFE50, 0xFE50, 0x2E81),
                (0x10000, 0x10023, 0x0080), (0x10024, 0x10025, 0x00A5), (0x199E2, 0x199FB, 0xFFE6)]


def check_ranges(gb2uni, uni2gb):
    fail_unless(len(gb2uni) == 265 and len(uni2gb) == 265,
                "the range tables have %d and %d rows, not 265" % (len(gb2uni), len(uni2gb)))
    two_byte = [row for row in gb2uni if row[0] <= 0xFFFF]
    fail_unless(len(two_byte) == 59, "%d two-byte range rows, not 59" % len(two_byte))
    fail_unless(sum(last - first + 1 for first, last, _ in two_byte) == 81,
                "the two-byte range rows do not cover 81 codes")
    four_byte = gb2uni[len(two_byte):]
    fail_unless(four_byte[0][0] == 0x10000 and four_byte[-1][1] == 0x199FB
                and all(a[1] + 1 == b[0] for a, b in zip(four_byte, four_byte[1:])),
                "the four-byte range rows do not cover 0x10000-0x199FB without gaps")
    fail_unless(all(row in gb2uni for row in TELLING_ROWS) and gb2uni[-1] == TELLING_ROWS[-1],
                "a telling row of oGB2UniRange is missing")
    fail_unless(uni2gb[0] == (0x80, 0xA3, 0x10000) and uni2gb[-1] == (0xFFE6, 0xFFFF, 0x199E2),
                "oUni2GBRange does not start and end as it must")
    fail_unless(is_sorted([row[0] for row in uni2gb])
                and all(a[1] < b[0] for a, b in zip(uni2gb, uni2gb[1:])),
                "oUni2GBRange rows overlap or are unsorted")


# ---------------------------------------------------------------------------------------------
# Output

def header(note):
    return ("/* Generated by tools/gen_codepage_tables.py from the codecs of Python %s\n"
            " * (unicodedata %s); do not edit. Regenerate: python3 tools/gen_codepage_tables.py\n"
            " * %s */\n" % (PRODUCED_WITH + (note,)))


def hex_value(value):
    return "0x%04X" % value


def chunked(items, size):
    return [items[i:i + size] for i in range(0, len(items), size)]


def array(declaration, cells, per_line):
    rows = "".join("    %s,\n" % ", ".join(row) for row in chunked(cells, per_line))
    return "%s = {\n%s};\n" % (declaration, rows)


def format_pair_list(table):
    if table.extended:
        declaration, cell = "static const sMBCSExTable %s[]", "{%s, %s}"
    else:
        declaration, cell = "static const unsigned short %s[]", "%s, %s"
    cells = [cell % (hex_value(c), hex_value(u)) for c, u in table.pairs + [(0, 0)]]
    return array(declaration % table.name, cells, 8)


def format_type_table(name, table):
    return array("static unsigned char %s[256]" % name, ["0x%02X" % v for v in table], 16)


def format_range_table(name, rows):
    cells = ["{%s, %s, %s}" % tuple(hex_value(v) for v in row) for row in rows + [(0, 0, 0)]]
    return array("static const unsigned int %s[][3]" % name, cells, 4)


def tables_text(lists, types):
    parts = [header("Pair lists (code, Unicode; ended by 0, 0) and byte-type tables (0x40 lead, "
                    "0x80 trail).")]
    parts += [format_pair_list(table) for table in lists]
    parts += [format_type_table(name, table) for name, table in types.items()]
    return "\n".join(parts)


def ranges_text(gb2uni, uni2gb):
    return "\n".join([header("GB18030 ranges: (first scalar, last scalar, first Unicode) and "
                             "the inverse (first Unicode, last Unicode, first scalar)."),
                      format_range_table("oGB2UniRange", gb2uni),
                      format_range_table("oUni2GBRange", uni2gb)])


def build_files():
    lists = all_pair_lists()
    types = byte_type_tables()
    for table in lists:
        check_pair_list(table, types)
    check_sort_orders(lists)
    check_cp950_high_trails(lists)
    gbk = next(table.pairs for table in lists if table.name == "oGBKmap")
    gb2uni, uni2gb = gb18030_ranges(gbk)
    check_ranges(gb2uni, uni2gb)
    return {TABLES_FILE: tables_text(lists, types), RANGES_FILE: ranges_text(gb2uni, uni2gb)}


def write_files(files, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    for name, text in files.items():
        with open(os.path.join(out_dir, name), "w", encoding="ascii", newline="\n") as f:
            f.write(text)


def compare_files(files, committed_dir):
    """Returns the names of the files whose committed copy differs, and prints why."""
    with tempfile.TemporaryDirectory() as temp:
        write_files(files, temp)
        differing = []
        for name in files:
            committed = os.path.join(committed_dir, name)
            fresh = os.path.join(temp, name)
            if not os.path.exists(committed) or not filecmp.cmp(committed, fresh, shallow=False):
                differing.append(name)
                report_difference(committed, fresh)
        return differing


def report_difference(committed, fresh):
    if not os.path.exists(committed):
        print("missing: %s" % committed, file=sys.stderr)
        return
    with open(committed, encoding="ascii", errors="replace") as old, open(fresh) as new:
        diff = difflib.unified_diff(old.readlines(), new.readlines(), committed, "regenerated")
        sys.stderr.writelines(list(diff)[:40])


def warn_about_version():
    running = ("%d.%d" % sys.version_info[:2], unicodedata.unidata_version)
    if running != PRODUCED_WITH:
        print("warning: the tables were produced with Python %s (unicodedata %s); this is "
              "Python %s (unicodedata %s)" % (PRODUCED_WITH + running), file=sys.stderr)


def main(argv):
    parser = argparse.ArgumentParser(description="Generates the legacy code-page tables.")
    parser.add_argument("--out", default=DEFAULT_OUT, help="output directory")
    parser.add_argument("--check", action="store_true",
                        help="compare a fresh generation with the files in the output directory")
    args = parser.parse_args(argv)
    warn_about_version()
    try:
        files = build_files()
    except TableError as error:
        print("gen_codepage_tables: %s" % error, file=sys.stderr)
        return 1
    if args.check:
        differing = compare_files(files, args.out)
        if differing:
            print("gen_codepage_tables: out of date: %s" % ", ".join(differing), file=sys.stderr)
            return 1
        print("gen_codepage_tables: %s and %s are up to date" % (TABLES_FILE, RANGES_FILE))
        return 0
    write_files(files, args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
