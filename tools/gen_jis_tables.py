#!/usr/bin/env python3
"""Generates the compiled-in tables of the Japanese ISO-2022 sets of kelulib.

Usage:
    python3 tools/gen_jis_tables.py [--out DIR]   write JISTables.inc (default unicode/data)
    python3 tools/gen_jis_tables.py --check       regenerate into a temporary directory and
                                                  compare byte for byte with the committed file

JISTables.inc is included by unicode/KelCharSetConverterISO2022JP.cpp. Every mapping comes from
Python's ISO-2022-JP codecs, read one code at a time behind its designation, and from its cp932
codec; unicodedata only folds the half-width katakana:

  * oJIS0212Pairs: JIS X 0212 (ESC $ ( D of iso2022_jp_1), 7-bit code and Unicode;
  * oJIS0213map: the codes of JIS X 0213 that JIS X 0208 lacks, plane 1 (ESC $ ( Q of
    iso2022_jp_2004) under its 7-bit code, plane 2 (ESC $ ( P) under its code + 0x8000, both
    with values beyond U+FFFF; the codes of plane 1 that JIS X 0208 has read as JIS X 0208;
  * oJIS0213Pairs: the plane 1 codes that read as two characters (code, base, mark);
  * oJIS0213Since2004: the codes (plane 2 + 0x8000) that JIS X 0213:2000 does not have, as
    iso2022_jp_3 reads ESC $ ( O and ESC $ ( P;
  * oCP932Extensions: NEC row 13 (0x2D21..) and the NEC-selected IBM extensions (rows
    0x79-0x7C) of code page 932 in 7-bit form, which mail written on Windows carries under
    ESC $ B; read only;
  * oCP932Compatible: code page 932's characters for the JIS X 0208 codes where it reads them
    differently (U+FF5E for 0x2141, ...), Unicode then code; written only;
  * oHalfwidthKatakana: U+FF61-U+FF9F and the full-width JIS X 0208 letters they are written as
    (the compatibility form; the sound marks U+FF9E, U+FF9F as the spacing U+309B, U+309C).

No two-byte code may spell an ASCII character, which would let text hide one from a filter:
JIS X 0212 0x2237 and JIS X 0213 0x2232, which the codecs read as U+007E, are left out.

Each list ends with a zero entry; counts are checked before anything is written.
"""

import argparse
import os
import sys
import unicodedata

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_codepage_tables as cp  # noqa: E402  (file handling and formatting shared)

OUTPUT = "JISTables.inc"
ROWS = range(0x21, 0x7F)

COUNTS = {
    "oJIS0212Pairs": 6066,
    "oJIS0213map": 4328,
    "oJIS0213Pairs": 25,
    "oJIS0213Since2004": 10,
    "oCP932Extensions": 457,
    "oCP932Compatible": 6,
    "oHalfwidthKatakana": 63,
}

PLANE2 = 0x8000


def fail_unless(condition, message):
    if not condition:
        raise cp.TableError(message)


def codes():
    return [row << 8 | cell for row in ROWS for cell in ROWS]


def read_behind(codec, escape, code):
    """The text that `codec` reads for `code` behind `escape`, or None; None also for text
    with an ASCII character in it."""
    data = escape + bytes([code >> 8, code & 0xFF]) + b"\x1b(B"
    try:
        text = data.decode(codec)
    except UnicodeDecodeError:
        return None
    return text if min(text) >= "\x80" else None


def single(text):
    return ord(text) if text is not None and len(text) == 1 else None


def single_characters(codec, escape):
    """Each code that `codec` reads as one character behind `escape`, and that character."""
    mapping = {}
    for code in codes():
        uni = single(read_behind(codec, escape, code))
        if uni is not None:
            mapping[code] = uni
    return mapping


def jis_x0208():
    mapping = single_characters("iso2022_jp", b"\x1b$B")
    euc = cp.seven_bit(cp.decode_double_bytes("euc_jp", cp.TRAILS_94, cp.TRAILS_94))
    fail_unless(mapping == euc, "iso2022_jp and euc_jp read JIS X 0208 differently")
    return mapping


def jis_x0212():
    return single_characters("iso2022_jp_1", b"\x1b$(D")


def plane(codec, escape, tag, x0208):
    """What `codec` reads for each code of a plane that JIS X 0208 lacks (tagged)."""
    read = {}
    for code in codes():
        text = read_behind(codec, escape, code)
        if text is None:
            continue
        if tag == 0 and code in x0208:
            fail_unless(text == chr(x0208[code]), "plane 1 reads 0x%04X unlike JIS X 0208" % code)
            continue
        read[code | tag] = text
    return read


def jis_x0213(x0208):
    read2004 = plane("iso2022_jp_2004", b"\x1b$(Q", 0, x0208)
    read2004.update(plane("iso2022_jp_2004", b"\x1b$(P", PLANE2, x0208))
    read2000 = plane("iso2022_jp_3", b"\x1b$(O", 0, x0208)
    read2000.update(plane("iso2022_jp_3", b"\x1b$(P", PLANE2, x0208))
    fail_unless(all(read2004.get(code) == text for code, text in read2000.items()),
                "JIS X 0213:2000 reads a code unlike :2004")
    since2004 = sorted(set(read2004) - set(read2000))
    singles = {code: ord(text) for code, text in read2004.items() if len(text) == 1}
    pairs = sorted((code, ord(text[0]), ord(text[1]))
                   for code, text in read2004.items() if len(text) == 2)
    fail_unless(len(singles) + len(pairs) == len(read2004), "a code reads as three characters")
    return singles, pairs, since2004


def sjis_of(code):
    row, cell = code >> 8, code & 0xFF
    lead = (row + 1) // 2 + (0x70 if row <= 0x5E else 0xB0)
    if row % 2:
        trail = cell + (0x1F if cell <= 0x5F else 0x20)
    else:
        trail = cell + 0x7E
    return bytes([lead, trail])


def cp932_extensions(x0208):
    rows = [0x2D, 0x79, 0x7A, 0x7B, 0x7C]
    mapping = {}
    for code in codes():
        if code >> 8 in rows:
            fail_unless(code not in x0208, "JIS X 0208 has a code of row 0x%02X" % (code >> 8))
            uni = cp.decode_char("cp932", sjis_of(code))
            if uni is not None:
                mapping[code] = uni
    return mapping


def cp932_compatible(x0208):
    compatible = {}
    for code, uni in x0208.items():
        windows = cp.decode_char("cp932", sjis_of(code))
        if windows is not None and windows != uni:
            compatible[windows] = code
    fail_unless(sorted(compatible.values()) == [0x2141, 0x2142, 0x215D, 0x2171, 0x2172, 0x224C],
                "code page 932 no longer differs from JIS X 0208 in the six known codes")
    return compatible


def halfwidth_katakana(x0208):
    letters = set(x0208.values())
    spacing = {unicodedata.normalize("NFKD", chr(u))[-1]: u for u in letters
               if unicodedata.normalize("NFKD", chr(u)).startswith(" ")}
    folded = {}
    for half in range(0xFF61, 0xFFA0):
        full = unicodedata.normalize("NFKC", chr(half))
        uni = spacing.get(full, ord(full) if len(full) == 1 else None)
        fail_unless(uni in letters, "U+%04X folds to no JIS X 0208 letter" % half)
        folded[half] = uni
    return folded


def ushort_list(name, rows, width):
    """A list of unsigned shorts: single values, pairs laid flat, or rows of three."""
    def cell(row):
        values = ", ".join(cp.hex_value(v) for v in (row if width > 1 else (row,)))
        return "{%s}" % values if width > 2 else values
    zero = (0,) * width if width > 1 else 0
    shape = "[%d]" % width if width > 2 else ""
    return cp.array("static const unsigned short %s[]%s" % (name, shape),
                    [cell(row) for row in rows + [zero]], 4 if width > 2 else 8)


def extended_list(name, rows):
    cells = ["{%s, %s}" % (cp.hex_value(c), cp.hex_value(u)) for c, u in rows + [(0, 0)]]
    return cp.array("static const sMBCSExTable %s[]" % name, cells, 8)


def build():
    x0208 = jis_x0208()
    x0213, pairs, since2004 = jis_x0213(x0208)
    tables = {
        "oJIS0212Pairs": sorted(jis_x0212().items()),
        "oJIS0213map": sorted(x0213.items()),
        "oJIS0213Pairs": pairs,
        "oJIS0213Since2004": since2004,
        "oCP932Extensions": sorted(cp932_extensions(x0208).items()),
        "oCP932Compatible": sorted(cp932_compatible(x0208).items()),
        "oHalfwidthKatakana": sorted(halfwidth_katakana(x0208).items()),
    }
    for name, rows in tables.items():
        fail_unless(len(rows) == COUNTS[name],
                    "%s has %d entries, not %d" % (name, len(rows), COUNTS[name]))
    fail_unless(len({u for _, u in tables["oJIS0212Pairs"]}) == COUNTS["oJIS0212Pairs"],
                "JIS X 0212 gives a character two codes")
    return tables


def text(tables):
    header = ("/* Generated by tools/gen_jis_tables.py from the codecs of Python %s\n"
              " * (unicodedata %s); do not edit. Regenerate: python3 tools/gen_jis_tables.py\n"
              " * Lists end with a zero entry. */\n" % cp.PRODUCED_WITH)
    parts = [header,
             ushort_list("oJIS0212Pairs", tables["oJIS0212Pairs"], 2),
             extended_list("oJIS0213map", tables["oJIS0213map"]),
             ushort_list("oJIS0213Pairs", tables["oJIS0213Pairs"], 3),
             ushort_list("oJIS0213Since2004", tables["oJIS0213Since2004"], 1),
             ushort_list("oCP932Extensions", tables["oCP932Extensions"], 2),
             ushort_list("oCP932Compatible", tables["oCP932Compatible"], 2),
             ushort_list("oHalfwidthKatakana", tables["oHalfwidthKatakana"], 2)]
    return "\n".join(parts)


def main(argv):
    parser = argparse.ArgumentParser(description="Generates the Japanese ISO-2022 tables.")
    parser.add_argument("--out", default=cp.DEFAULT_OUT, help="output directory")
    parser.add_argument("--check", action="store_true",
                        help="compare a fresh generation with the file in the output directory")
    args = parser.parse_args(argv)
    cp.warn_about_version()
    try:
        files = {OUTPUT: text(build())}
    except cp.TableError as error:
        print("gen_jis_tables: %s" % error, file=sys.stderr)
        return 1
    if args.check:
        if cp.compare_files(files, args.out):
            print("gen_jis_tables: out of date: %s" % OUTPUT, file=sys.stderr)
            return 1
        print("gen_jis_tables: %s is up to date" % OUTPUT)
        return 0
    cp.write_files(files, args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
