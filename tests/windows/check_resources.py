#!/usr/bin/env python3
"""Checks the resources of a Windows program: every picture of the icon
file is an RT_ICON resource byte for byte, one RT_GROUP_ICON lists them, and
the version resource names VERSION both as numbers and as text.

Usage: check_resources.py PROGRAM.exe ICON.ico VERSION   (exit 0 when all hold)
"""

import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


def resources(exe):
    """{type: [data, ...]} from the .rsrc section of a PE file."""
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", exe, pe + 6)
    table = pe + 24 + optional_size
    for i in range(sections):
        name, _, rva, _, raw = struct.unpack_from("<8sIIII", exe, table + 40 * i)
        if name.rstrip(b"\0") == b".rsrc":
            break
    else:
        return {}

    def directory(offset):
        named, ids = struct.unpack_from("<12xHH", exe, raw + offset)
        for n in range(named + ids):
            key, target = struct.unpack_from("<II", exe, raw + offset + 16 + 8 * n)
            yield key, target

    def leaves(target):
        if target & 0x80000000:
            for _, inner in directory(target & 0x7FFFFFFF):
                yield from leaves(inner)
        else:
            data_rva, size = struct.unpack_from("<II", exe, raw + target)
            yield exe[raw + data_rva - rva:raw + data_rva - rva + size]

    return {key: list(leaves(target)) for key, target in directory(0)}


def icon_pictures(ico):
    count = struct.unpack_from("<H", ico, 4)[0]
    entries = [struct.unpack_from("<8xII", ico, 6 + 16 * i) for i in range(count)]
    return [ico[offset:offset + size] for size, offset in entries]


def main():
    exe, ico, version = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read(), sys.argv[3]
    found = resources(exe)
    faults = []
    pictures = icon_pictures(ico)
    if sorted(found.get(RT_ICON, [])) != sorted(pictures):
        faults.append("the RT_ICON resources are not the icon file's %d pictures" % len(pictures))
    groups = found.get(RT_GROUP_ICON, [])
    if len(groups) != 1 or struct.unpack_from("<H", groups[0], 4)[0] != len(pictures):
        faults.append("no icon group listing the %d pictures" % len(pictures))
    info = found.get(RT_VERSION, [b""])[0]
    numbers = ([int(part) for part in version.split(".")] + [0, 0, 0])[:4]
    fixed = info.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0 or struct.unpack_from("<4H", info, fixed + 8) != (numbers[1], numbers[0],
                                                                  numbers[3], numbers[2]):
        faults.append("the fixed file version is not %s" % version)
    # The key and its text are each padded to a 32-bit boundary.
    key = "FileVersion\0".encode("utf-16-le")
    text = info[info.find(key) + len(key):].lstrip(b"\0")
    if key not in info or not text.startswith((version + "\0").encode("utf-16-le")):
        faults.append("the FileVersion string is not %s" % version)
    for fault in faults:
        print("check_resources: " + fault, file=sys.stderr)
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
