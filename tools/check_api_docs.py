#!/usr/bin/env python3
"""Fails when the API reference has an enumerator or a header without documentation.

Doxygen warns about undocumented classes, functions and variables but lets an
undocumented enumerator pass, and says nothing of the free functions of a
header that lacks a \\file comment; this reads its XML output and names each.

    python3 tools/check_api_docs.py BUILD/docs/xml
"""
import glob
import os
import sys
import xml.etree.ElementTree as ET


def described(element):
    return any("".join(element.find(tag).itertext()).strip()
               for tag in ("briefdescription", "detaileddescription")
               if element.find(tag) is not None)


def undocumented_enumerators(xml_dir):
    for path in sorted(glob.glob(os.path.join(xml_dir, "*.xml"))):
        for enum in ET.parse(path).iter("memberdef"):
            if enum.get("kind") != "enum":
                continue
            for value in enum.iter("enumvalue"):
                if not described(value):
                    yield "%s::%s" % (enum.findtext("name"), value.findtext("name"))


def undocumented_headers(xml_dir):
    for path in sorted(glob.glob(os.path.join(xml_dir, "*_8h.xml"))):
        for header in ET.parse(path).iter("compounddef"):
            if not described(header):
                yield "header " + header.findtext("compoundname")


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    missing = sorted(set(undocumented_enumerators(argv[1])) | set(undocumented_headers(argv[1])))
    for name in missing:
        print("undocumented: " + name, file=sys.stderr)
    if not glob.glob(os.path.join(argv[1], "*.xml")):
        sys.exit("no XML output in " + argv[1])
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
