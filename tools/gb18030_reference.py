#!/usr/bin/env python3
"""Writes the GB18030 encoding of every Unicode code point as Python's gb18030 codec gives it.

Usage:
    python3 tools/gb18030_reference.py OUT

OUT gets one line per code point from U+0001 to U+10FFFF, surrogates excluded (the codec does
not encode them): the code point and the bytes, both in upper-case hexadecimal, separated by a
space, for example "20AC A2E3".  The test suite compares the GB18030 converter with these lines.
"""

import sys

SURROGATES = range(0xD800, 0xE000)


def reference_lines():
    for cp in range(1, 0x110000):
        if cp not in SURROGATES:
            yield "%X %s\n" % (cp, chr(cp).encode("gb18030").hex().upper())


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], "w", encoding="ascii") as out:
        out.writelines(reference_lines())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
