#!/usr/bin/env python3
"""Makes the desktop icons from the game's own cannon: the mount with the
barrel turned to point up, as the cannon stands on its track, the magenta mask
colour made transparent, enlarged without smoothing so the pixels stay sharp.

Usage: make_icons.py ASSETS_DIR OUT_DIR SIZE...   writes OUT_DIR/SIZE/salvo.png
"""

import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pnglib  # noqa: E402

MASK = (255, 0, 255)


def encode_rgba(size, pixels):
    """A PNG of size x size RGBA pixels (rows of (r, g, b, a))."""
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(tag, payload):
        body = tag + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (pnglib.SIGNATURE + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def cannon(assets):
    """The 32 x 32 cannon: barrel (drawn pointing right) turned to point up,
    over the mount."""
    w, h, mount = pnglib.read_png(os.path.join(assets, "gunmount.png"))
    bw, bh, barrel = pnglib.read_png(os.path.join(assets, "gunbarrel.png"))
    if (w, h) != (32, 32) or (bw, bh) != (32, 32):
        raise ValueError("the cannon pictures are expected at 32 x 32")
    picture = [[None] * 32 for _ in range(32)]
    for y in range(32):
        for x in range(32):
            if mount[y][x] != MASK:
                picture[y][x] = mount[y][x] + (255,)
    # A quarter turn anticlockwise: the barrel's pixel (x, y) lands at (y, 31 - x).
    for y in range(32):
        for x in range(32):
            if barrel[y][x] != MASK:
                picture[31 - x][y] = barrel[y][x] + (255,)
    return [[px or (0, 0, 0, 0) for px in row] for row in picture]


def enlarge(picture, size):
    scale = size // 32
    return [[picture[y // scale][x // scale] for x in range(size)] for y in range(size)]


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    assets, out = sys.argv[1], sys.argv[2]
    picture = cannon(assets)
    for size in (int(s) for s in sys.argv[3:]):
        if size % 32:
            sys.exit("icon sizes must be multiples of 32")
        os.makedirs(os.path.join(out, str(size)), exist_ok=True)
        with open(os.path.join(out, str(size), "salvo.png"), "wb") as f:
            f.write(encode_rgba(size, enlarge(picture, size)))


if __name__ == "__main__":
    main()
