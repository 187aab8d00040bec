#!/usr/bin/env python3
"""Generates the character-class and case-mapping range tables of KelUChar.

The tables cover the Basic Multilingual Plane and are derived from the
Unicode Character Database that ships with Python's unicodedata module; the
generated file names the database version it was built from.

    gen_uchar_tables.py            write unicode/data/KelUCharTables.inc
    gen_uchar_tables.py --check    regenerate into a temporary directory and
                                   compare with the committed file
    gen_uchar_tables.py --dump F   write the expected class, upper-case and
                                   lower-case mapping of every BMP unit to F,
                                   one "unit class upper lower" line each (hex)
"""

import argparse
import os
import sys
import tempfile
import unicodedata

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUTPUT = os.path.join("unicode", "data", "KelUCharTables.inc")

BMP = range(0x0001, 0x10000)

WHITESPACE = 0x0001
DIGIT = 0x0002
LETTER = 0x0004
MARK = 0x0008
PUNCTUATION = 0x0010
RTL = 0x0020
UPPER = 0x0040
LOWER = 0x0080
TITLE = 0x0100
MODIFIER = 0x0200
CJK = 0x0400
SURROGATE = 0x1000
HALFWIDTH = 0x4000
FULLWIDTH = 0x8000

# getCharClass answers these in code, so the table leaves them out.
CODED_EAST_ASIAN = [
    (0x2E80, 0x2E99), (0x2E9B, 0x2EF3), (0x2F00, 0x2FD5), (0x3400, 0x4DB5),
    (0x4E00, 0x9FA5), (0xA000, 0xA48C), (0xAC00, 0xD7A3), (0xF900, 0xFA2D),
]
SURROGATES = (0xD800, 0xDFFF)

# Rows whose class is fixed whatever the database says. They are applied in
# this order, so a later row wins where two overlap (the enclosed digits
# U+3220..U+3229 inside the parenthesised East Asian row). White space,
# digits and punctuation come only from here; the database never adds them.
FIXED_ROWS = [
    # Letters, marks and modifiers whose class differs from (or predates)
    # the database's category.
    (0x0041, 0x005A, 0x0044), (0x00C0, 0x00D6, 0x0044), (0x00D8, 0x00DE, 0x0044),
    (0x0100, 0x0100, 0x0044), (0x0102, 0x0102, 0x0044),
    (0x0061, 0x007A, 0x0084), (0x00AA, 0x00AA, 0x0084), (0x00B5, 0x00B5, 0x0084),
    (0x00BA, 0x00BA, 0x0084), (0x00DF, 0x00F6, 0x0084), (0x00F8, 0x00FF, 0x0084),
    (0x01C5, 0x01C5, 0x0104), (0x01C8, 0x01C8, 0x0104), (0x01CB, 0x01CB, 0x0104),
    (0x01F2, 0x01F2, 0x0104),
    (0x01AA, 0x01AA, 0x0004), (0x01BB, 0x01BB, 0x0004), (0x01BE, 0x01C3, 0x0004),
    (0x03F3, 0x03F3, 0x0004), (0x04C0, 0x04C0, 0x0004), (0x0905, 0x0939, 0x0004),
    (0x05D0, 0x05EA, 0x0024),
    (0x0300, 0x0345, 0x0008), (0x0360, 0x0361, 0x0008), (0x0483, 0x0486, 0x0008),
    (0x0901, 0x0903, 0x0008), (0x0591, 0x05A1, 0x0028), (0x3099, 0x309A, 0x0408),
    (0x02B0, 0x02B8, 0x0204), (0x02BB, 0x02C1, 0x0204), (0x02D0, 0x02D1, 0x0204),
    (0x02E0, 0x02E4, 0x0204), (0x037A, 0x037A, 0x0204), (0x0559, 0x0559, 0x0204),
    (0x0E46, 0x0E46, 0x0204), (0x0EC6, 0x0EC6, 0x0204),
    (0x0640, 0x0640, 0x0224), (0x06E5, 0x06E6, 0x0224),
    (0x3005, 0x3005, 0x0604), (0x3031, 0x3035, 0x0604), (0x3037, 0x3037, 0x0604),
    (0x309B, 0x309E, 0x0604), (0x30FC, 0x30FE, 0x0604), (0x3190, 0x319F, 0x0604),
    (0xFF70, 0xFF70, 0x4604), (0xFF9E, 0xFF9F, 0x4604),
    (0x06E9, 0x06E9, 0x0020), (0x200F, 0x200F, 0x0020), (0xFB29, 0xFB29, 0x0020),
    # East Asian letters, including the enclosed and squared forms.
    (0x3041, 0x3094, 0x0404), (0x30A1, 0x30FA, 0x0404), (0x3105, 0x312C, 0x0404),
    (0x3131, 0x318E, 0x0404), (0x31A0, 0x31B7, 0x0404), (0x3200, 0x3228, 0x0404),
    (0x322A, 0x3243, 0x0404), (0x3260, 0x327B, 0x0404), (0x328A, 0x32B0, 0x0404),
    (0x32C0, 0x32CB, 0x0404), (0x32D0, 0x32FE, 0x0404), (0x3300, 0x3376, 0x0404),
    (0x337B, 0x33DD, 0x0404), (0x33E0, 0x33FE, 0x0404), (0xA490, 0xA4A1, 0x0404),
    (0xA4A4, 0xA4B3, 0x0404), (0xA4B5, 0xA4C0, 0x0404), (0xA4C2, 0xA4C4, 0x0404),
    (0xA4C6, 0xA4C6, 0x0404),
    # Half-width and full-width forms.
    (0xFF66, 0xFF6F, 0x4404), (0xFF71, 0xFF9D, 0x4404), (0xFFA0, 0xFFBE, 0x4404),
    (0xFFC2, 0xFFC7, 0x4404), (0xFFCA, 0xFFCF, 0x4404), (0xFFD2, 0xFFD7, 0x4404),
    (0xFFDA, 0xFFDC, 0x4404), (0xFFE8, 0xFFEE, 0x4000),
    (0xFF04, 0xFF04, 0x8000), (0xFF0B, 0xFF0B, 0x8000), (0xFF1C, 0xFF1E, 0x8000),
    (0xFF3E, 0xFF3E, 0x8000), (0xFF40, 0xFF40, 0x8000), (0xFF5C, 0xFF5C, 0x8000),
    (0xFF5E, 0xFF5E, 0x8000), (0xFFE0, 0xFFE6, 0x8000),
    (0xFF21, 0xFF3A, 0x8044), (0xFF41, 0xFF5A, 0x8084),
    # White space.
    (0x0009, 0x000A, 0x0001), (0x000D, 0x000D, 0x0001), (0x0020, 0x0020, 0x0001),
    (0x00A0, 0x00A0, 0x0001), (0x2000, 0x200B, 0x0001), (0x2028, 0x2029, 0x0001),
    (0x3000, 0x3000, 0x8001),
    # Digits and numerals.
    (0x0030, 0x0039, 0x0002), (0x00B2, 0x00B3, 0x0002), (0x00B9, 0x00B9, 0x0002),
    (0x0660, 0x0669, 0x0002), (0x06F0, 0x06F9, 0x0002), (0x0966, 0x096F, 0x0002),
    (0x09E6, 0x09EF, 0x0002), (0x0A66, 0x0A6F, 0x0002), (0x0AE6, 0x0AEF, 0x0002),
    (0x0B66, 0x0B6F, 0x0002), (0x0BE7, 0x0BEF, 0x0002), (0x0C66, 0x0C6F, 0x0002),
    (0x0CE6, 0x0CEF, 0x0002), (0x0D66, 0x0D6F, 0x0002), (0x0E50, 0x0E59, 0x0002),
    (0x0ED0, 0x0ED9, 0x0002), (0x0F20, 0x0F29, 0x0002), (0x2070, 0x2070, 0x0002),
    (0x2074, 0x2079, 0x0002), (0x2080, 0x2089, 0x0002), (0x2153, 0x2183, 0x0002),
    (0x2460, 0x249B, 0x0002), (0x24EA, 0x24EA, 0x0002), (0x2776, 0x2793, 0x0002),
    (0x3021, 0x3029, 0x0402), (0x3038, 0x303A, 0x0402), (0x3220, 0x3229, 0x0402),
    (0x3280, 0x3289, 0x0402), (0xFF10, 0xFF19, 0x8002),
    # Punctuation.
    (0x0021, 0x0023, 0x0010), (0x0025, 0x002A, 0x0010), (0x002C, 0x002F, 0x0010),
    (0x003A, 0x003B, 0x0010), (0x003F, 0x0040, 0x0010), (0x005B, 0x005D, 0x0010),
    (0x005F, 0x005F, 0x0010), (0x007B, 0x007B, 0x0010), (0x007D, 0x007D, 0x0010),
    (0x00A1, 0x00A1, 0x0010), (0x00AB, 0x00AB, 0x0010), (0x00AD, 0x00AD, 0x0010),
    (0x00B7, 0x00B7, 0x0010), (0x00BB, 0x00BB, 0x0010), (0x00BF, 0x00BF, 0x0010),
    (0x0374, 0x0375, 0x0010), (0x037E, 0x037E, 0x0010), (0x0387, 0x0387, 0x0010),
    (0x055A, 0x055F, 0x0010), (0x0589, 0x0589, 0x0010), (0x066A, 0x066C, 0x0010),
    (0x0964, 0x0965, 0x0010), (0x0970, 0x0970, 0x0010), (0x0E2F, 0x0E2F, 0x0010),
    (0x0E5A, 0x0E5B, 0x0010), (0x0EAF, 0x0EAF, 0x0010), (0x0F04, 0x0F12, 0x0010),
    (0x0F3A, 0x0F3D, 0x0010), (0x0F85, 0x0F85, 0x0010), (0x10FB, 0x10FB, 0x0010),
    (0x2010, 0x2027, 0x0010), (0x2030, 0x2043, 0x0010), (0x2045, 0x2046, 0x0010),
    (0x207D, 0x207E, 0x0010), (0x208D, 0x208E, 0x0010), (0x2329, 0x232A, 0x0010),
    (0xFD3E, 0xFD3F, 0x0010), (0xFE30, 0xFE44, 0x0010), (0xFE49, 0xFE52, 0x0010),
    (0xFE54, 0xFE66, 0x0010), (0xFE68, 0xFE6B, 0x0010),
    (0x05BE, 0x05BE, 0x0030), (0x05C0, 0x05C0, 0x0030), (0x05C3, 0x05C3, 0x0030),
    (0x05F3, 0x05F4, 0x0030), (0x060C, 0x060C, 0x0030), (0x061B, 0x061B, 0x0030),
    (0x061F, 0x061F, 0x0030), (0x066D, 0x066D, 0x0030), (0x06D4, 0x06D4, 0x0030),
    (0x3001, 0x3003, 0x0410), (0xFF61, 0xFF65, 0x4410),
    (0xFF01, 0xFF03, 0x8010), (0xFF05, 0xFF0A, 0x8010), (0xFF0C, 0xFF0F, 0x8010),
    (0xFF1A, 0xFF1B, 0x8010), (0xFF1F, 0xFF20, 0x8010), (0xFF3B, 0xFF3D, 0x8010),
    (0xFF3F, 0xFF3F, 0x8010), (0xFF5B, 0xFF5B, 0x8010), (0xFF5D, 0xFF5D, 0x8010),
]

# Classes of the remaining codes, by general category. Title-case letters
# other than the four fixed above count as upper case, which is what they map
# from in the lower-case table.
CATEGORY_CLASS = {
    "Lu": LETTER | UPPER, "Ll": LETTER | LOWER, "Lt": LETTER | UPPER,
    "Lo": LETTER, "Lm": LETTER | MODIFIER,
    "Mn": MARK, "Mc": MARK, "Me": MARK,
}

# Kana, Bopomofo, Hangul and the CJK blocks: their letters, marks and
# modifiers carry the East Asian bit.
EAST_ASIAN_BLOCKS = [
    (0x1100, 0x11FF), (0x2E80, 0x33FF), (0x3400, 0x4DBF), (0x4E00, 0x9FFF),
    (0xA000, 0xA4CF), (0xA960, 0xA97F), (0xAC00, 0xD7FF), (0xF900, 0xFAFF),
]
# Radicals and enclosed or squared CJK: their symbols read as letters.
EAST_ASIAN_SYMBOL_BLOCKS = [(0x2E80, 0x2FDF), (0x3200, 0x33FF), (0xA490, 0xA4CF)]

# Right-to-left scripts: their letters and marks carry the RTL bit even where
# the database gives a mark a neutral direction.
RTL_BLOCKS = [(0x0590, 0x08FF), (0xFB1D, 0xFDFF), (0xFE70, 0xFEFF)]


def in_blocks(cp, blocks):
    return any(first <= cp <= last for first, last in blocks)


def database_class(cp):
    ch = chr(cp)
    category = unicodedata.category(ch)
    bits = CATEGORY_CLASS.get(category, 0)
    if category == "So" and in_blocks(cp, EAST_ASIAN_SYMBOL_BLOCKS):
        bits = LETTER
    if bits and in_blocks(cp, EAST_ASIAN_BLOCKS):
        bits |= CJK
    if unicodedata.bidirectional(ch) in ("R", "AL") or (bits and in_blocks(cp, RTL_BLOCKS)):
        bits |= RTL
    return bits


def table_classes():
    """Class of every BMP unit that the class table holds (0 when none)."""
    classes = {cp: database_class(cp) for cp in BMP}
    for first, last, value in FIXED_ROWS:
        for cp in range(first, last + 1):
            classes[cp] = value
    for first, last in CODED_EAST_ASIAN + [SURROGATES]:
        for cp in range(first, last + 1):
            classes[cp] = 0
    return classes


def char_class(classes, cp):
    """What KelUChar::getCharClass answers for the unit."""
    if in_blocks(cp, CODED_EAST_ASIAN):
        return LETTER | CJK
    if SURROGATES[0] <= cp <= SURROGATES[1]:
        return SURROGATE
    return classes.get(cp, 0)


def single_unit(text):
    return ord(text) if len(text) == 1 and ord(text) <= 0xFFFF else None


def simple_upper(cp):
    # Python offers the full mappings only. A one-unit full mapping is the
    # simple one; where the full upper case expands (the Greek letters with
    # ypogegrammeni), the simple mapping is the one-unit title-case form.
    ch = chr(cp)
    upper = ch.upper()
    target = single_unit(upper) if len(upper) == 1 else single_unit(ch.title())
    return target if target is not None and target != cp else None


def simple_lower(cp):
    target = single_unit(chr(cp).lower())
    return target if target is not None and target != cp else None


# The library's own deviations from the database's simple mappings.
UPPER_OVERRIDES = {0x0258: 0x018E}
LOWER_OVERRIDES = {0x0130: 0x0069, 0x018E: 0x0258}
LOWER_OVERRIDES.update({cp: cp + 0x30 for cp in range(0x10A0, 0x10C6)})


def case_map(simple, overrides):
    mapping = {}
    for cp in BMP:
        target = simple(cp)
        if target is not None:
            mapping[cp] = target
    mapping.update(overrides)
    return mapping


def upper_map():
    return case_map(simple_upper, UPPER_OVERRIDES)


def lower_map():
    return case_map(simple_lower, LOWER_OVERRIDES)


def constant_ranges(classes):
    rows = []
    for cp in BMP:
        value = classes[cp]
        if value == 0:
            continue
        if rows and rows[-1][1] == cp - 1 and rows[-1][2] == value:
            rows[-1][1] = cp
        else:
            rows.append([cp, cp, value])
    return rows


def incrementing_ranges(mapping):
    rows = []
    for cp in sorted(mapping):
        target = mapping[cp]
        if rows and rows[-1][1] == cp - 1 and rows[-1][2] + (cp - rows[-1][0]) == target:
            rows[-1][1] = cp
        else:
            rows.append([cp, cp, target])
    return rows


def format_table(name, mode, rows):
    covered = sum(last - first + 1 for first, last, _ in rows)
    lines = ["// %s: %s mode, %d ranges covering %d codes." % (name, mode, len(rows), covered),
             "static const tableData %s[] = {" % name]
    lines += ["    {0x%04X, 0x%04X, 0x%04X}," % tuple(row) for row in rows]
    lines += ["    {0, 0, 0}", "};", ""]
    return lines


def render():
    lines = [
        "// Generated by tools/gen_uchar_tables.py from the Unicode Character",
        "// Database %s (Python's unicodedata). Do not edit." % unicodedata.unidata_version,
        "",
    ]
    lines += format_table("classTable", "constant", constant_ranges(table_classes()))
    lines += format_table("toUpperTable", "incrementing", incrementing_ranges(upper_map()))
    lines += format_table("toLowerTable", "incrementing", incrementing_ranges(lower_map()))
    return "\n".join(lines)


def write(root):
    path = os.path.join(root, OUTPUT)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write(render())
    return path


def check():
    with tempfile.TemporaryDirectory() as tmp:
        with open(write(tmp), "rb") as fresh:
            generated = fresh.read()
    committed_path = os.path.join(ROOT, OUTPUT)
    try:
        with open(committed_path, "rb") as committed:
            same = committed.read() == generated
    except OSError:
        same = False
    if not same:
        print("%s differs from what unicodedata %s generates"
              % (OUTPUT, unicodedata.unidata_version), file=sys.stderr)
    return 0 if same else 1


def dump(path):
    classes = table_classes()
    upper, lower = upper_map(), lower_map()
    with open(path, "w", encoding="ascii", newline="\n") as out:
        for cp in range(0x10000):
            out.write("%04X %04X %04X %04X\n" % (cp, char_class(classes, cp),
                                                 upper.get(cp, cp), lower.get(cp, cp)))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    mode = parser.add_mutually_exclusive_group()
    mode.add_argument("--check", action="store_true", help="compare with the committed file")
    mode.add_argument("--dump", metavar="FILE", help="write per-unit expectations to FILE")
    args = parser.parse_args()
    if args.check:
        return check()
    if args.dump:
        return dump(args.dump)
    write(ROOT)
    return 0


if __name__ == "__main__":
    sys.exit(main())
