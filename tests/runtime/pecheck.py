"""Checks a PE file with pefile, independently of Ulka's own reader.

Usage: pecheck.py FILE EXPECTATIONS_JSON (or @file holding it)
EXPECTATIONS_JSON: {"present": [[type, name, lang, "hex bytes"]...], "absent": [[type, name, lang]...]}
where type and name are numbers or strings. Also checks the checksum and the section layout.
Exit code 0 when everything holds; the failures are printed otherwise.
"""
import json
import sys

import pefile


def key(entry):
    return str(entry.name) if entry.name is not None else entry.id


def resources(pe):
    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for n in t.directory.entries:
            for lang in n.directory.entries:
                d = lang.data.struct
                found[(key(t), key(n), lang.id)] = pe.get_data(d.OffsetToData, d.Size)
    return found


def align(v, a):
    return (v + a - 1) // a * a


def layout_problems(pe, size):
    problems = []
    opt = pe.OPTIONAL_HEADER
    if opt.CheckSum != pe.generate_checksum():
        problems.append("checksum %08x, expected %08x" % (opt.CheckSum, pe.generate_checksum()))
    sections = sorted(pe.sections, key=lambda s: s.VirtualAddress)
    for a, b in zip(sections, sections[1:]):
        if a.VirtualAddress + align(max(a.Misc_VirtualSize, 1), opt.SectionAlignment) > b.VirtualAddress:
            problems.append("sections %s and %s overlap in memory" % (a.Name, b.Name))
        if a.PointerToRawData and b.PointerToRawData and a.PointerToRawData + a.SizeOfRawData > b.PointerToRawData:
            problems.append("sections %s and %s overlap in the file" % (a.Name, b.Name))
    for s in sections:
        if s.PointerToRawData + s.SizeOfRawData > size:
            problems.append("section %s runs past the end of the file" % s.Name)
    last = sections[-1]
    if opt.SizeOfImage != align(last.VirtualAddress + last.Misc_VirtualSize, opt.SectionAlignment):
        problems.append("SizeOfImage %x" % opt.SizeOfImage)
    rsrc = opt.DATA_DIRECTORY[2]
    if rsrc.VirtualAddress:
        match = [s for s in sections if s.VirtualAddress == rsrc.VirtualAddress]
        if not match or match[0].Misc_VirtualSize < rsrc.Size:
            problems.append("resource directory does not match a section")
    return problems


def main():
    path, text = sys.argv[1], sys.argv[2]
    if text.startswith("@"):
        text = open(text[1:]).read()
    expected = json.loads(text)
    data = open(path, "rb").read()
    pe = pefile.PE(data=data)
    problems = layout_problems(pe, len(data))
    found = resources(pe)
    for t, n, lang, hexdata in expected.get("present", []):
        got = found.get((t, n, lang))
        if got is None:
            problems.append("missing %r/%r/%r" % (t, n, lang))
        elif got != bytes.fromhex(hexdata):
            problems.append("%r/%r/%r has %d different bytes" % (t, n, lang, len(got)))
    for t, n, lang in expected.get("absent", []):
        if (t, n, lang) in found:
            problems.append("unexpected %r/%r/%r" % (t, n, lang))
    if "count" in expected and len(found) != expected["count"]:
        problems.append("%d resources, expected %d" % (len(found), expected["count"]))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
