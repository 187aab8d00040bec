#!/usr/bin/env python3
"""Generates unicode/data/CNSTables.inc: CNS 11643 planes 1 to 7 and ISO-IR-165.

Usage:
    python3 tools/gen_cns_tables.py           write unicode/data/CNSTables.inc
    python3 tools/gen_cns_tables.py --check   compare what it would write with the committed
                                              file, byte for byte

Python has no codec for either set, so they come from glibc, the C library of the machines
that build kelulib (Debian's packages `locales` and `libc6`):

  * CNS 11643 planes 1 to 7 from the charmap /usr/share/i18n/charmaps/EUC-TW.gz: plane 1 in its
    two-byte form A1..FE A1..FE, planes 1 to 7 in the four-byte form 8E A1..A7 A1..FE A1..FE
    (the charmap comments the four-byte plane 1 out as "irreversible"; it must repeat the
    two-byte plane 1).  Plane 15 (8E AF), which no converter of kelulib reads, is left out.
  * ISO-IR-165 (GB 2312 with the additions of GB 6345.1 and GB 8565.2) by decoding every code
    ESC $ ) E SO b1 b2 through glibc's ISO-2022-CN-EXT converter (iconv, through ctypes).  It is
    stored as its difference from GB 2312 (Python's gb2312 codec): the codes it adds and the
    five codes it gives another character.

The file holds, for each plane, the 94 x 94 values in row-major order (0: no character; the
low 16 bits of the value) and a bit per code that adds 0x20000 (all values beyond U+FFFF lie in
plane 2 of Unicode); the way back, from Unicode, as pages of 256 characters (the code of the
lowest plane that has the character, packed as (plane - 1) * 8836 + index + 1; 0 for none)
with the page of each 256 characters of planes 0 and 2 of Unicode (page number + 1; 0 where
CNS 11643 has none of them), so that the library reads it in place instead of building it;
and the codes of ISO-IR-165 in the 7-bit form paired with their characters twice, as (code,
Unicode) sorted by code and as (Unicode, code) sorted by Unicode, for binary search both ways.  Counts, ranges and the agreement of both plane 1 forms are checked before anything is
written; any violation ends the run with a message and exit status 1.
"""

import argparse
import ctypes
import ctypes.util
import gzip
import os
import re
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_codepage_tables as cp  # noqa: E402  (GB 2312, checks and file handling shared)

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
OUTPUT_DIR = os.path.join(ROOT, "unicode", "data")
OUTPUT = "CNSTables.inc"
CHARMAP = "/usr/share/i18n/charmaps/EUC-TW.gz"

PLANE_COUNTS = [5867, 7650, 6394, 7286, 8601, 6386, 6537]
ISO_IR_165_COUNT = 8388
ISO_IR_165_ADDED = 943
ISO_IR_165_CHANGED = {0x212B: 0x007E, 0x2167: 0x0024, 0x2169: 0x00A2, 0x216A: 0x00A3,
                      0x2367: 0x0261}
GB2312_COUNT = 7445
CELLS = 94
BEYOND_BMP = 0x20000


fail_unless = cp.fail_unless


def index_of(b1, b2):
    """The row-major index of a code given by its two bytes, in either form (7 or 8 bits)."""
    return ((b1 & 0x7F) - 0x21) * CELLS + (b2 & 0x7F) - 0x21


# ---------------------------------------------------------------------------------------------
# CNS 11643 from the charmap

LINE = re.compile(r"^(%IRREVERSIBLE%)?<U([0-9A-F]+)>\s+((?:/x[0-9a-f]{2})+)\s")


def charmap_codes(path):
    """(bytes, Unicode, irreversible) of every line of the charmap that maps one code."""
    with gzip.open(path, "rt", encoding="ascii") as f:
        for line in f:
            match = LINE.match(line)
            if match:
                data = bytes(int(x, 16) for x in match.group(3).split("/x")[1:])
                yield data, int(match.group(2), 16), match.group(1) is not None


def is_code_byte(b):
    return 0xA1 <= b <= 0xFE


def cns_planes(path):
    """The planes 1 to 7 as dictionaries index -> Unicode, and the four-byte plane 1."""
    planes = [{} for _ in range(7)]
    plane1_again = {}
    for data, uni, irreversible in charmap_codes(path):
        if len(data) == 2 and not irreversible:
            fail_unless(is_code_byte(data[0]) and is_code_byte(data[1]), "odd code %r" % data)
            planes[0][index_of(*data)] = uni
        elif len(data) == 4 and data[0] == 0x8E and 0xA1 <= data[1] <= 0xA7:
            fail_unless(is_code_byte(data[2]) and is_code_byte(data[3]), "odd code %r" % data)
            target = plane1_again if data[1] == 0xA1 else planes[data[1] - 0xA1]
            fail_unless(irreversible == (data[1] == 0xA1), "plane 1 is repeated otherwise")
            target[index_of(data[2], data[3])] = uni
    return planes, plane1_again


def check_planes(planes, plane1_again):
    counts = [len(plane) for plane in planes]
    fail_unless(counts == PLANE_COUNTS, "the planes have %s codes, not %s" % (counts,
                                                                              PLANE_COUNTS))
    fail_unless(plane1_again == planes[0], "the two forms of plane 1 differ")
    for number, plane in enumerate(planes, 1):
        values = list(plane.values())
        fail_unless(len(set(values)) == len(values), "plane %d codes a character twice" % number)
        fail_unless(all(0x80 <= v < 0xD800 or 0xE000 <= v <= 0xFFFF
                        or BEYOND_BMP <= v < BEYOND_BMP + 0x10000 for v in values),
                    "plane %d maps below U+0080, to a surrogate or beyond plane 2" % number)


# ---------------------------------------------------------------------------------------------
# ISO-IR-165 through glibc's iconv

class Iconv:
    """glibc's iconv for one conversion, whole input at a time."""

    def __init__(self, to, frm):
        libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        libc.iconv_open.restype = ctypes.c_void_p
        libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        libc.iconv.restype = ctypes.c_size_t
        pointer, size = ctypes.POINTER(ctypes.c_char_p), ctypes.POINTER(ctypes.c_size_t)
        libc.iconv.argtypes = [ctypes.c_void_p, pointer, size, pointer, size]
        self.libc = libc
        self.cd = libc.iconv_open(to.encode(), frm.encode())
        fail_unless(self.cd not in (None, ctypes.c_void_p(-1).value),
                    "glibc's iconv has no %s to %s" % (frm, to))

    def __call__(self, data):
        failed = ctypes.c_size_t(-1).value
        source = ctypes.create_string_buffer(data, len(data))
        target = ctypes.create_string_buffer(8 * len(data) + 64)
        in_at, in_left = ctypes.c_char_p(ctypes.addressof(source)), ctypes.c_size_t(len(data))
        out_at, out_left = ctypes.c_char_p(ctypes.addressof(target)), ctypes.c_size_t(len(target))
        self.libc.iconv(self.cd, None, None, None, None)
        ok = (self.libc.iconv(self.cd, ctypes.byref(in_at), ctypes.byref(in_left),
                              ctypes.byref(out_at), ctypes.byref(out_left)) != failed
              and self.libc.iconv(self.cd, None, None, ctypes.byref(out_at),
                                  ctypes.byref(out_left)) != failed)
        return target.raw[:len(target) - out_left.value] if ok else None


def seven_bit_codes():
    return [(b1 << 8) | b2 for b1 in range(0x21, 0x7F) for b2 in range(0x21, 0x7F)]


def iso_ir_165():
    decode = Iconv("UTF-32BE", "ISO-2022-CN-EXT")
    table = {}
    for code in seven_bit_codes():
        out = decode(b"\x1b$)E\x0e" + struct.pack(">H", code) + b"\x0f")
        if out:
            fail_unless(len(out) == 4, "ISO-IR-165 0x%04X reads as several characters" % code)
            table[code] = struct.unpack(">I", out)[0]
    return table


def iso_ir_165_difference():
    full, gb = iso_ir_165(), cp.gb2312()
    fail_unless(len(full) == ISO_IR_165_COUNT and len(gb) == GB2312_COUNT,
                "ISO-IR-165 has %d codes and GB 2312 %d" % (len(full), len(gb)))
    fail_unless(set(gb) <= set(full), "ISO-IR-165 lacks codes of GB 2312")
    added = {code: uni for code, uni in full.items() if code not in gb}
    changed = {code: uni for code, uni in full.items() if code in gb and gb[code] != uni}
    fail_unless(len(added) == ISO_IR_165_ADDED and changed == ISO_IR_165_CHANGED,
                "ISO-IR-165 adds %d codes and changes %s" % (len(added), changed))
    values = list(full.values())
    fail_unless(len(set(values)) == len(values) and max(values) <= 0xFFFF,
                "ISO-IR-165 codes a character twice or beyond U+FFFF")
    return sorted({**added, **changed}.items())


# ---------------------------------------------------------------------------------------------
# Output

def rows_of(cells, per_line, indent="    "):
    return "".join("%s%s,\n" % (indent, ", ".join(row)) for row in cp.chunked(cells, per_line))


def plane_arrays(planes):
    values, beyond = [], []
    for plane in planes:
        cells = [plane.get(i, 0) for i in range(CELLS * CELLS)]
        values.append(["0x%04X" % (v & 0xFFFF) for v in cells])
        bits = [0] * ((len(cells) + 7) // 8)
        for i, v in enumerate(cells):
            if v >= BEYOND_BMP:
                bits[i // 8] |= 1 << (i % 8)
        beyond.append(["0x%02X" % b for b in bits])
    return values, beyond


def reverse_arrays(planes):
    """The page of each 256 characters of Unicode planes 0 and 2, and the pages."""
    packed = {}
    for number, plane in enumerate(planes):
        for index, uni in plane.items():
            packed.setdefault(uni, number * CELLS * CELLS + index + 1)
    fail_unless(max(packed.values()) <= 0xFFFF, "a packed code does not fit 16 bits")
    blocks = sorted({uni >> 8 for uni in packed})
    fail_unless(all(block >> 8 in (0, 2) for block in blocks), "a character beyond plane 2")
    page_of = [[0] * 256, [0] * 256]
    pages = []
    for number, block in enumerate(blocks, 1):
        page_of[block >> 9][block & 0xFF] = number
        pages.append(["0x%04X" % packed.get(block << 8 | low, 0) for low in range(256)])
    return [["%d" % n for n in row] for row in page_of], pages


def nested(declaration, groups, per_line):
    body = "".join("    {\n%s    },\n" % rows_of(cells, per_line, "        ") for cells in groups)
    return "%s = {\n%s};\n" % (declaration, body)


def render(planes, difference):
    values, beyond = plane_arrays(planes)
    page_of, pages = reverse_arrays(planes)
    cells = CELLS * CELLS
    by_code = ["{0x%04X, 0x%04X}" % pair for pair in difference]
    by_unicode = ["{0x%04X, 0x%04X}" % (uni, code) for code, uni in
                  sorted(difference, key=lambda pair: pair[1])]
    return "\n".join([
        "/* Generated by tools/gen_cns_tables.py from glibc's EUC-TW charmap and its\n"
        " * ISO-2022-CN-EXT converter; do not edit. Regenerate: python3 tools/gen_cns_tables.py\n"
        " * CNS 11643 planes 1 to 7, each 94 x 94 values in row-major order (0: no character)\n"
        " * with a bit per code (least significant first) that adds 0x20000; from Unicode, the\n"
        " * page (number + 1, 0: none) of each 256 characters of planes 0 and 2, and the pages of\n"
        " * codes of the lowest plane ((plane - 1) * 8836 + index + 1, 0: none); ISO-IR-165 as\n"
        " * the pairs (7-bit code, Unicode) in which it differs from GB 2312, sorted by code, and\n"
        " * the same as (Unicode, code), sorted by Unicode. */\n",
        nested("static const unsigned short oCNS11643Planes[7][%d]" % cells, values, 12),
        nested("static const unsigned char oCNS11643Beyond[7][%d]" % ((cells + 7) // 8), beyond,
               16),
        nested("static const unsigned short oCNS11643PageOf[2][256]", page_of, 16),
        nested("static const unsigned short oCNS11643Reverse[%d][256]" % len(pages), pages, 12),
        "static const unsigned short oISOIR165ByCode[%d][2] = {\n%s};\n"
        % (len(by_code), rows_of(by_code, 6)),
        "static const unsigned short oISOIR165ByUnicode[%d][2] = {\n%s};\n"
        % (len(by_unicode), rows_of(by_unicode, 6)),
    ])


def build():
    planes, plane1_again = cns_planes(CHARMAP)
    check_planes(planes, plane1_again)
    return render(planes, iso_ir_165_difference())


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the committed file instead of writing it")
    args = parser.parse_args(argv)
    try:
        files = {OUTPUT: build()}
    except (cp.TableError, OSError) as error:
        print("gen_cns_tables: %s" % error, file=sys.stderr)
        return 1
    if args.check:
        if cp.compare_files(files, OUTPUT_DIR):
            print("gen_cns_tables: %s is out of date" % OUTPUT, file=sys.stderr)
            return 1
        print("gen_cns_tables: %s is up to date" % OUTPUT)
        return 0
    cp.write_files(files, OUTPUT_DIR)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
