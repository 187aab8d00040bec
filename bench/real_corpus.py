#!/usr/bin/env python3
"""Writes texts of real prose, taken from the installed manual pages, as
UTF-8 files into a directory: ja-man.txt (Japanese), zh-man.txt (simplified
Chinese), tw-man.txt (traditional Chinese), en-man.txt (English), and
names.txt, lines of all four cut to the lengths of file names.

The roff markup is stripped simply: comments and requests go, the words of
the font and heading macros stay, escapes become the characters they stand
for or nothing. The pages are read in sorted order and each text ends at the
last whole line within the size, so two runs on the same pages write the
same bytes. A language whose pages are missing is left out with a message.

Usage: real_corpus.py OUTDIR [SIZE_MIB]
"""

import gzip
import os
import re
import sys

MAN = "/usr/share/man"
TEXTS = {"ja-man": ["ja"], "zh-man": ["zh_CN"], "tw-man": ["zh_TW"], "en-man": [""]}
SECTIONS = ["man%d" % n for n in range(1, 9)]
NAME_COUNT = 100_000
NAME_MIN, NAME_MAX = 10, 60

# Macros whose arguments are running text.
TEXT_MACROS = {"SH", "SS", "B", "I", "BR", "BI", "IB", "IR", "RB", "RI", "SM", "SB", "IP", "TP",
               "Nm", "Nd", "Ar", "Fl", "Pa", "Em", "Sh", "Ss", "Dl", "It", "Xr", "Cm", "Va", "Li"}
SPECIAL = {"em": "-", "en": "-", "hy": "-", "mi": "-", "bu": "*", "co": "(c)", "rg": "(R)",
           "lq": '"', "rq": '"', "oq": "'", "cq": "'", "aq": "'", "dq": '"', "ti": "~",
           "ha": "^", "rs": "\\", "ga": "`", "aa": "'", "mu": "x", "tm": "(TM)"}
ESCAPE = re.compile(r"""\\(?:
      "(?P<comment>.*)
    | f(?:\[[^\]]*\]|\(..|.)
    | s[+-]?(?:\d|\(\d\d|\[\d+\])
    | \*(?:\[[^\]]*\]|\(..|.)
    | \((?P<two>..)
    | \[(?P<named>[^\]]*)\]
    | [nkgm](?:\[[^\]]*\]|\(..|.)
    | [hvwlLoDbxXNHSYZRC]'[^']*'
    | (?P<char>.)
    )""", re.VERBOSE)
SIMPLE = {"-": "-", "e": "\\", "\\": "\\", " ": " ", "0": " ", "~": " ", "t": "\t"}


def unescape(line):
    def replace(m):
        if m.group("comment") is not None:
            return ""
        name = m.group("two") or m.group("named")
        if name is not None:
            return SPECIAL.get(name, "")
        return SIMPLE.get(m.group("char") or "", "")
    return ESCAPE.sub(replace, line)


def plain_lines(source):
    """The text lines of one page."""
    for raw in source.splitlines():
        line = raw
        if line[:1] in (".", "'"):
            parts = line[1:].strip().split(None, 1)
            if not parts or parts[0] not in TEXT_MACROS or len(parts) < 2:
                continue
            line = parts[1].replace('"', " ")
        line = " ".join(unescape(line).split())
        if line:
            yield line


def pages(lang_dir):
    root = os.path.join(MAN, lang_dir)
    for section in SECTIONS:
        folder = os.path.join(root, section)
        if not os.path.isdir(folder):
            continue
        for name in sorted(os.listdir(folder)):
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path):
                yield path


def read_page(path):
    opener = gzip.open if path.endswith(".gz") else open
    try:
        with opener(path, "rb") as f:
            return f.read().decode("utf-8")
    except (OSError, UnicodeDecodeError, EOFError):
        return None


def collect(lang_dirs, size):
    """Whole lines of the pages, in order, up to `size` bytes of UTF-8."""
    lines, used = [], 0
    for lang_dir in lang_dirs:
        for path in pages(lang_dir):
            source = read_page(path)
            if source is None:
                continue
            for line in plain_lines(source):
                n = len(line.encode("utf-8")) + 1
                if used + n > size:
                    return lines
                lines.append(line)
                used += n
    return lines


def names(texts):
    """Lines of the texts in turn, cut to a file name's length."""
    out = []
    iters = [iter(t) for t in texts]
    while iters and len(out) < NAME_COUNT:
        for it in list(iters):
            line = next(it, None)
            if line is None:
                iters.remove(it)
            elif len(line) >= NAME_MIN:
                out.append(line[:NAME_MAX].strip())
    return out[:NAME_COUNT]


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write("".join(line + "\n" for line in lines))


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    out = sys.argv[1]
    size = int(sys.argv[2] if len(sys.argv) == 3 else 1) << 20
    os.makedirs(out, exist_ok=True)
    texts = []
    for label, lang_dirs in TEXTS.items():
        lines = collect(lang_dirs, size)
        if len(lines) < 1000:
            print("real_corpus: too few %s pages under %s, text left out" % (label, MAN),
                  file=sys.stderr)
            continue
        write_lines(os.path.join(out, label + ".txt"), lines)
        texts.append(lines)
    if texts:
        write_lines(os.path.join(out, "names.txt"), names(texts))


if __name__ == "__main__":
    main()
