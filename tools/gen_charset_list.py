#!/usr/bin/env python3
"""Generates unicode/data/CharSetList.inc, the one list of kelulib's character sets.

Usage:
    python3 tools/gen_charset_list.py           write unicode/data/CharSetList.inc
    python3 tools/gen_charset_list.py --check   compare what it would write with the committed
                                                file, byte for byte

CHARSETS below declares every identifier of unicode/KelCharSet.h: its number, its description,
its converter (kind and compiled-in tables, or none), the names other converters give it (for
kelconv) and the locale codeset keys that select it as the default.  The file it writes holds
X-macro lists; the library's static converters, registry, name table and locale keys, kelconv's
table and the tests' list of registered sets are all expanded from them.

Adding a set: add its enumerator to unicode/KelCharSet.h (and its tables to
tools/gen_codepage_tables.py), declare it in CHARSETS at the enumerator's position, put it into
REGISTRY_ORDER when it has a converter, adjust the counts and run this script.

Before anything is written the declarations are checked against the enumeration (the same
identifiers, numbers and order), against the code-page tables (every table named exists, every
table is used) and against the counts; names and keys must be unique and keys must be able to
match.  Any violation ends the run with a message and exit status 1.
"""

import argparse
import collections
import os
import re
import sys
import textwrap

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
ENUM_HEADER = os.path.join("unicode", "KelCharSet.h")
CODEPAGE_TABLES = os.path.join("unicode", "data", "CodePageTables.inc")
OUTPUT = os.path.join("unicode", "data", "CharSetList.inc")

# What the library documents; a set added or dropped changes them here too.
NAME_COUNT = 54
CONVERTER_COUNT = 53

# Converter kinds (the class is KelCharSetConverter<kind>) and the numbers of compiled-in tables
# their constructors take in front of the identifier.  Kinds without tables take no argument at
# all: the class knows its identifier.  A double-byte set may have a third list, of codes it
# reads but never writes.
TABLES_OF_KIND = {
    "SBCS": (1,), "DBCS": (2, 3), "DBCSEx": (2,), "GB18030": (1,), "EUC_CN_KR": (1,),
    "EUC_JP": (3,), "UTF8": (0,), "UTF16": (0,), "UTF32": (0,), "UTF16Esc": (0,),
    "ISO2022KR": (1,), "ISO2022JP": (5,), "EUC_TW": (0,), "ISO2022CN": (1,),
}

# Kinds without tables that serve several identifiers, and so are told theirs.
IDENTIFIED_KINDS = {"UTF16", "UTF32"}

Converter = collections.namedtuple("Converter", "kind tables object")
CharSet = collections.namedtuple("CharSet", "ident number description converter names keys")

ANY_HOST, LITTLE_ENDIAN_HOST, BIG_ENDIAN_HOST = "AnyHost", "LittleEndianHost", "BigEndianHost"


def converter(kind, *tables, obj=None):
    """A converter; its object is g_oConverter and the identifier's suffix unless named."""
    return Converter(kind, tables, obj)


def on_little_endian_host(name):
    return (name, LITTLE_ENDIAN_HOST)


def charset(ident, number, description, conv=None, names=(), keys=()):
    hosted = tuple(name if isinstance(name, tuple) else (name, ANY_HOST) for name in names)
    return CharSet(ident, number, description, conv, hosted, tuple(keys))


def iso_8859(part, names=()):
    """ISO/IEC 8859-<part>: a single-byte set with the usual spellings of its name."""
    spellings = ("ISO-8859-%d" % part, "ISO8859-%d" % part, "ISO_8859-%d" % part)
    return charset("KELCS_ISO_8859_%d" % part, 28590 + part, "ISO/IEC 8859-%d" % part,
                   converter("SBCS", "o8859_%dmap" % part), spellings + tuple(names),
                   ("ISO8859%d" % part,))


def iso_2022_jp():
    """The Japanese ISO-2022 sets: one converter class, whose identifier chooses the profile."""
    return converter("ISO2022JP", "oJIS0208map", "oJIS0201map", "oGB2312map", "oKSX1001map",
                     "o8859_7map")


def windows(page, description, names, keys=()):
    """A Windows code page with a single-byte table oCP<page>map."""
    return charset("KELCS_WCP%d" % page, page, description, converter("SBCS", "oCP%dmap" % page),
                   names, keys)


# Every identifier, in the order of the enumeration.
CHARSETS = [
    iso_8859(1, ("LATIN1", "L1")),
    iso_8859(2, ("LATIN2", "L2")),
    iso_8859(3, ("LATIN3", "L3")),
    iso_8859(4, ("LATIN4", "L4")),
    iso_8859(5, ("CYRILLIC",)),
    iso_8859(6, ("ARABIC",)),
    iso_8859(7, ("GREEK",)),
    iso_8859(8, ("HEBREW",)),
    iso_8859(9, ("LATIN5", "L5")),
    iso_8859(10, ("LATIN6", "L6")),
    iso_8859(11),
    iso_8859(13, ("LATIN7", "L7")),
    iso_8859(14, ("LATIN8", "L8")),
    iso_8859(15, ("LATIN-9", "LATIN9")),
    iso_8859(16, ("LATIN10", "L10")),
    charset("KELCS_ISO_2022JP", 50220, "ISO-2022-JP", iso_2022_jp(),
            ("ISO-2022-JP", "csISO2022JP")),
    charset("KELCS_ISO_2022JP_1", 50221, "ISO-2022-JP-1", iso_2022_jp(), ("ISO-2022-JP-1",)),
    charset("KELCS_ISO_2022JP_2", 50222, "ISO-2022-JP-2", iso_2022_jp(),
            ("ISO-2022-JP-2", "csISO2022JP2")),
    charset("KELCS_ISO_2022JP_3", 50223, "ISO-2022-JP-3", iso_2022_jp(), ("ISO-2022-JP-3",)),
    charset("KELCS_ISO_2022JP_2004", 50224, "ISO-2022-JP-2004", iso_2022_jp(),
            ("ISO-2022-JP-2004",)),
    charset("KELCS_ISO_2022KR", 50225, "ISO-2022-KR",
            converter("ISO2022KR", "oKSX1001map", obj="g_oConverterISO2022KR"),
            ("ISO-2022-KR", "csISO2022KR")),
    charset("KELCS_ISO_2022CN", 50227, "ISO-2022-CN",
            converter("ISO2022CN", "oGB2312map", obj="g_oConverterISO2022CN"),
            ("ISO-2022-CN", "csISO2022CN")),
    charset("KELCS_ISO_2022CN_EXT", 50228, "ISO-2022-CN-EXT",
            converter("ISO2022CN", "oGB2312map", obj="g_oConverterISO2022CN_EXT"),
            ("ISO-2022-CN-EXT",)),
    # "ISO-2022-TW" names different sets in different tools, so this one has no common name.
    charset("KELCS_ISO_2022TW", 50229, "ISO-2022 for Traditional Chinese (CNS 11643 planes)",
            converter("ISO2022CN", "oGB2312map", obj="g_oConverterISO2022TW")),
    windows(1250, "Windows code page 1250", ("WINDOWS-1250", "CP1250")),
    windows(1251, "Windows code page 1251", ("WINDOWS-1251", "CP1251")),
    windows(1252, "Windows code page 1252", ("WINDOWS-1252", "CP1252")),
    windows(1253, "Windows code page 1253", ("WINDOWS-1253", "CP1253")),
    windows(1254, "Windows code page 1254", ("WINDOWS-1254", "CP1254")),
    windows(1255, "Windows code page 1255", ("WINDOWS-1255", "CP1255")),
    windows(1256, "Windows code page 1256", ("WINDOWS-1256", "CP1256")),
    windows(1257, "Windows code page 1257", ("WINDOWS-1257", "CP1257")),
    windows(1258, "Windows code page 1258", ("WINDOWS-1258", "CP1258")),
    windows(874, "Windows code page 874 (Thai)", ("WINDOWS-874", "CP874")),
    charset("KELCS_WCP932", 932, "Windows code page 932 (Shift-JIS)",
            converter("DBCS", "oCP932map", "oCP932Type"), ("CP932", "WINDOWS-31J", "MS932"),
            ("SJIS", "PCK")),
    charset("KELCS_WCP936", 936, "Windows code page 936 (GBK)",
            converter("DBCS", "oCP936map", "oCP936Type"), ("CP936", "GBK", "MS936", "WINDOWS-936")),
    charset("KELCS_WCP949", 949, "Windows code page 949 (Unified Hangul Code)",
            converter("DBCS", "oCP949map", "oCP949Type"), ("CP949", "UHC", "MS949")),
    charset("KELCS_WCP950", 950, "Windows code page 950 (Big5)",
            converter("DBCS", "oCP950map", "oCP950Type"), ("CP950", "MS950")),
    charset("KELCS_KOI8R", 20866, "KOI8-R", converter("SBCS", "oKOI8Rmap"), ("KOI8-R", "KOI8R")),
    charset("KELCS_GB18030", 54936, "GB 18030", converter("GB18030", "oGBKmap"),
            ("GB18030", "GB-18030"), ("GB18030",)),
    charset("KELCS_BIG5", 30950, "Big5",
            converter("DBCS", "oBIG5map", "oBig5Type", "oBIG5ReadOnlymap",
                      obj="g_oConverterBig5"),
            ("BIG5", "BIG-5", "CN-BIG5"), ("BIG5",)),
    charset("KELCS_SHIFTJIS", 30932, "Shift-JIS", converter("DBCS", "oSHIFTJISmap", "oCP932Type"),
            ("SHIFT_JIS", "SHIFT-JIS", "SJIS", "MS_KANJI")),
    charset("KELCS_SJIS0213", 30933, "Shift_JIS-2004 (JIS X 0213)",
            converter("DBCSEx", "oSJIS0213_2004map", "oCP932Type", obj="g_oConverterSJIS2004"),
            ("SHIFT_JIS-2004", "SHIFT_JISX0213")),
    charset("KELCS_EUC_JP", 51932, "EUC-JP",
            converter("EUC_JP", "oJIS0208map", "oJIS0201map", "oJIS0212map",
                      obj="g_oConverterEUCJP"),
            ("EUC-JP", "EUCJP"), ("JA", "EUCJP", "UJIS")),
    charset("KELCS_EUC_CN", 51936, "EUC-CN (GB 2312)",
            converter("EUC_CN_KR", "oGB2312map", obj="g_oConverterEUCCN"),
            ("EUC-CN", "EUCCN", "GB2312"), ("CN.EUC",)),
    charset("KELCS_EUC_KR", 51949, "EUC-KR (KS X 1001)",
            converter("EUC_CN_KR", "oKSX1001map", obj="g_oConverterEUCKR"),
            ("EUC-KR", "EUCKR"), ("EUCKR", "KR.EUC")),
    charset("KELCS_EUC_TW", 51950, "EUC-TW (CNS 11643 planes 1 to 7)",
            converter("EUC_TW", obj="g_oConverterEUCTW"), ("EUC-TW", "EUCTW", "csEUCTW"),
            ("EUCTW", "TW.EUC")),
    charset("KELCS_UTF8", 65001, "UTF-8", converter("UTF8"), ("UTF-8", "UTF8"), ("UTF8",)),
    charset("KELCS_UTF16", 1200, "UTF-16 in host byte order, no byte-order mark",
            converter("UTF16"), (on_little_endian_host("UTF-16LE"),)),
    charset("KELCS_UTF16BE", 1201, "UTF-16 big-endian, no byte-order mark", converter("UTF16"),
            ("UTF-16BE",)),
    charset("KELCS_UTF16ESC", 1202, "UTF-16 written as U+XXXX escapes",
            converter("UTF16Esc", obj="g_oConverterUTF16Esc")),
    charset("KELCS_UTF32", 12000, "UTF-32 in host byte order, no byte-order mark",
            converter("UTF32"), (on_little_endian_host("UTF-32LE"),)),
    charset("KELCS_UTF32BE", 12001, "UTF-32 big-endian, no byte-order mark", converter("UTF32"),
            ("UTF-32BE",)),
    charset("KELCS_OS_DEFAULT", -2, "the character set of the locale"),
]

# The order in which the manager registers the converters (and the objects are constructed).
REGISTRY_ORDER = [
    "KELCS_WCP1250", "KELCS_WCP1251", "KELCS_WCP1252", "KELCS_WCP1253", "KELCS_WCP1254",
    "KELCS_WCP1255", "KELCS_WCP1256", "KELCS_WCP1257", "KELCS_WCP1258", "KELCS_WCP874",
] + ["KELCS_ISO_8859_%d" % part for part in (1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15, 16)] + [
    "KELCS_KOI8R", "KELCS_WCP932", "KELCS_WCP936", "KELCS_WCP949", "KELCS_WCP950",
    "KELCS_EUC_KR", "KELCS_EUC_CN", "KELCS_EUC_JP", "KELCS_GB18030", "KELCS_BIG5",
    "KELCS_SHIFTJIS", "KELCS_SJIS0213", "KELCS_UTF8", "KELCS_UTF16", "KELCS_UTF32",
    "KELCS_UTF16ESC", "KELCS_UTF16BE", "KELCS_UTF32BE", "KELCS_ISO_2022KR", "KELCS_ISO_2022JP",
    "KELCS_ISO_2022JP_1", "KELCS_ISO_2022JP_2", "KELCS_ISO_2022JP_3", "KELCS_ISO_2022JP_2004",
    "KELCS_EUC_TW", "KELCS_ISO_2022CN", "KELCS_ISO_2022CN_EXT", "KELCS_ISO_2022TW",
]


class DeclarationError(Exception):
    pass


def fail_unless(condition, message):
    if not condition:
        raise DeclarationError(message)


# ---------------------------------------------------------------------------------------------
# Checks

def read_source(path):
    with open(os.path.join(ROOT, path), encoding="ascii") as f:
        return f.read()


def enumerators(header_text):
    """The (name, number) pairs of enum KelCharSet, in their order."""
    body = re.search(r"enum KelCharSet\b[^{]*\{(.*?)\};", header_text, re.S)
    fail_unless(body is not None, "%s has no enum KelCharSet" % ENUM_HEADER)
    return [(name, int(number))
            for name, number in re.findall(r"(\w+)\s*=\s*(-?\d+)", body.group(1))]


def check_against_enum(charsets, header_text):
    declared = [(cs.ident, cs.number) for cs in charsets]
    enumerated = enumerators(header_text)
    only_declared = sorted(set(declared) - set(enumerated))
    only_enumerated = sorted(set(enumerated) - set(declared))
    fail_unless(not only_declared and not only_enumerated,
                "CHARSETS and %s differ: only declared %s, only enumerated %s"
                % (ENUM_HEADER, only_declared, only_enumerated))
    fail_unless(declared == enumerated,
                "CHARSETS is not in the order of the enumeration in %s" % ENUM_HEADER)


def check_counts(charsets):
    converters = [cs.ident for cs in charsets if cs.converter]
    fail_unless(len(charsets) == NAME_COUNT,
                "%d identifiers declared, not %d" % (len(charsets), NAME_COUNT))
    fail_unless(len(converters) == CONVERTER_COUNT,
                "%d converters declared, not %d" % (len(converters), CONVERTER_COUNT))
    fail_unless(sorted(REGISTRY_ORDER) == sorted(converters),
                "REGISTRY_ORDER does not hold every identifier with a converter exactly once")


def table_names(tables_text):
    return re.findall(r"^static [\w ]+ (\w+)\[", tables_text, re.M)


def check_converters(charsets, tables_text):
    known = set(table_names(tables_text))
    used = set()
    for cs in charsets:
        if not cs.converter:
            continue
        kind, tables = cs.converter.kind, cs.converter.tables
        fail_unless(kind in TABLES_OF_KIND, "%s: unknown converter kind %s" % (cs.ident, kind))
        fail_unless(len(tables) in TABLES_OF_KIND[kind],
                    "%s: a %s converter takes %s tables"
                    % (cs.ident, kind, " or ".join(map(str, TABLES_OF_KIND[kind]))))
        for table in tables:
            fail_unless(table in known, "%s: no table %s in %s" % (cs.ident, table,
                                                                   CODEPAGE_TABLES))
        used.update(tables)
    fail_unless(used == known, "tables no converter uses: %s" % ", ".join(sorted(known - used)))


def check_names_and_keys(charsets):
    """Names must tell the sets apart on every host, as kelconv matches them ignoring case."""
    for host in (LITTLE_ENDIAN_HOST, BIG_ENDIAN_HOST):
        names = [cs.ident for cs in charsets]
        names += [name for cs in charsets for name, on in cs.names if on in (ANY_HOST, host)]
        counts = collections.Counter(name.upper() for name in names)
        repeated = sorted(name for name, count in counts.items() if count > 1)
        fail_unless(not repeated, "names given twice: %s" % ", ".join(repeated))
    keys = [key for cs in charsets for key in cs.keys]
    fail_unless(len(set(keys)) == len(keys), "a locale key is given twice")
    # Locale names are upper-cased and lose their '-' before the lookup.
    for key in keys:
        fail_unless(re.fullmatch(r"[A-Z0-9_.]+", key), "locale key %r can never match" % key)


def checked(charsets):
    check_against_enum(charsets, read_source(ENUM_HEADER))
    check_counts(charsets)
    check_converters(charsets, read_source(CODEPAGE_TABLES))
    check_names_and_keys(charsets)
    return charsets


# ---------------------------------------------------------------------------------------------
# Output

def quoted(text):
    return '"%s"' % text


def object_of(cs):
    return cs.converter.object or "g_oConverter" + cs.ident[len("KELCS_"):]


def constructor_arguments(cs):
    tables = cs.converter.tables
    told = tables or cs.converter.kind in IDENTIFIED_KINDS
    return "(%s)" % ", ".join(tables + (cs.ident,) if told else ())


def section(macro, comment, rows):
    lines = ["/* %s */" % "\n * ".join(textwrap.wrap(comment, 96)), "#ifdef %s" % macro]
    lines += ["%s(%s)" % (macro, ", ".join(row)) for row in rows]
    return "\n".join(lines + ["#endif", ""])


def render(charsets):
    by_ident = {cs.ident: cs for cs in charsets}
    registered = [by_ident[ident] for ident in REGISTRY_ORDER]
    parts = [
        "/* Generated by tools/gen_charset_list.py; do not edit. Regenerate: python3 "
        "tools/gen_charset_list.py\n"
        " * The character sets as X-macro lists: define a list's macro, include this file and\n"
        " * undefine the macro again. */\n",
        section("KEL_CHARSET", "KEL_CHARSET(identifier, description): every identifier, in the "
                "order of the enumeration.",
                [(cs.ident, quoted(cs.description)) for cs in charsets]),
        section("KEL_CONVERTER", "KEL_CONVERTER(identifier, class, object, (constructor "
                "arguments)): the static converters, in the order of registration.",
                [(cs.ident, "KelCharSetConverter" + cs.converter.kind, object_of(cs),
                  constructor_arguments(cs)) for cs in registered]),
        section("KEL_COMMON_NAME", "KEL_COMMON_NAME(identifier, name, host): what other "
                "converters call a set, on AnyHost, LittleEndianHost or BigEndianHost.",
                [(cs.ident, quoted(name), host) for cs in charsets for name, host in cs.names]),
        section("KEL_LOCALE_KEY", "KEL_LOCALE_KEY(identifier, key): codeset keys of locale "
                "names, as the locale name is reduced to them.",
                [(cs.ident, quoted(key)) for cs in charsets for key in cs.keys]),
    ]
    return "\n".join(parts)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the committed file instead of writing it")
    args = parser.parse_args(argv)
    try:
        text = render(checked(CHARSETS))
    except DeclarationError as error:
        print("gen_charset_list: %s" % error, file=sys.stderr)
        return 1
    path = os.path.join(ROOT, OUTPUT)
    if args.check:
        try:
            with open(path, encoding="ascii", newline="") as f:
                same = f.read() == text
        except OSError:
            same = False
        if not same:
            print("gen_charset_list: %s is out of date" % OUTPUT, file=sys.stderr)
        return 0 if same else 1
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
