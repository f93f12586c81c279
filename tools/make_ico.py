#!/usr/bin/env python3
"""Makes the Windows program icon from the same cannon as the desktop icons:
one .ico holding a PNG picture of each size (Windows Vista and later read
PNG entries; Explorer scales the nearest one to the sizes in between).

Usage: make_ico.py ASSETS_DIR OUT.ico SIZE...   (sizes multiples of 32, up to 256)
"""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_icons  # noqa: E402


def ico(pictures):
    """An ICO file of (size, png_bytes) pairs: the header, one directory entry
    per picture (a size of 256 is written as 0), then the PNG data."""
    header = struct.pack("<HHH", 0, 1, len(pictures))
    offset = len(header) + 16 * len(pictures)
    entries, data = b"", b""
    for size, png in pictures:
        side = size % 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(png), offset + len(data))
        data += png
    return header + entries + data


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    assets, out = sys.argv[1], sys.argv[2]
    sizes = [int(s) for s in sys.argv[3:]]
    if any(size % 32 or size > 256 for size in sizes):
        sys.exit("icon sizes must be multiples of 32, at most 256")
    picture = make_icons.cannon(assets)
    pictures = [(size, make_icons.encode_rgba(size, make_icons.enlarge(picture, size)))
                for size in sizes]
    with open(out, "wb") as f:
        f.write(ico(pictures))


if __name__ == "__main__":
    main()
