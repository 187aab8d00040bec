#!/usr/bin/env python3
"""Writes the encoded sample texts of examples/ from their UTF-8 originals.

Each row of examples/samples.txt names an encoded file, the character set
kelconv reads it as, the Python codec that encodes it and the original in
examples/originals/. The encodings come from Python's own codecs, so the
samples are independent of the library that converts them.
"""

import pathlib
import sys

EXAMPLES = pathlib.Path(__file__).resolve().parent.parent / "examples"


def sample_rows(manifest):
    for line in manifest.read_text(encoding="utf-8").splitlines():
        fields = line.split()
        if fields and not fields[0].startswith("#"):
            yield fields


def main():
    for encoded, _charset, codec, original in sample_rows(EXAMPLES / "samples.txt"):
        text = (EXAMPLES / "originals" / original).read_text(encoding="utf-8")
        (EXAMPLES / encoded).write_bytes(text.encode(codec))
        print(f"wrote examples/{encoded}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
