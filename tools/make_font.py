#!/usr/bin/env python3
"""Builds assets/quarnfont.bin, the built-in 8 x 16 bitmap font.

The glyphs come from the Terminus console font (SIL Open Font License) of
Debian's console-setup-linux package. The output is 16 rows of 96 bytes: byte g
of row r is row r of the glyph for character 32 + g, and bit k (least
significant first) is column k, 1 = ink.
"""

import gzip
import os
import sys

PSF_PATH = "/usr/share/consolefonts/Lat15-Terminus16.psf.gz"
PSF1_MAGIC = b"\x36\x04"
MODE_512 = 0x01
MODE_HAS_TABLE = 0x02
FIRST_CHAR = 32
CHAR_COUNT = 96
GLYPH_HEIGHT = 16


def read_psf1(path):
    """Returns (glyph bitmaps, code point -> glyph index) of a PSF1 font."""
    with gzip.open(path, "rb") as f:
        data = f.read()
    if data[:2] != PSF1_MAGIC:
        raise ValueError(path + " is not a PSF1 font")
    mode, char_size = data[2], data[3]
    if char_size != GLYPH_HEIGHT:
        raise ValueError("expected 16 bytes per glyph, found %d" % char_size)
    count = 512 if mode & MODE_512 else 256
    glyphs = [data[4 + i * char_size:4 + (i + 1) * char_size] for i in range(count)]
    mapping = {}
    if mode & MODE_HAS_TABLE:
        pos = 4 + count * char_size
        for index in range(count):
            in_sequence = False
            while True:
                value = data[pos] | data[pos + 1] << 8
                pos += 2
                if value == 0xFFFF:
                    break
                if value == 0xFFFE:  # combining sequences follow; not single characters
                    in_sequence = True
                elif not in_sequence:
                    mapping.setdefault(value, index)
    return glyphs, mapping


def reverse_bits(byte):
    return int("{:08b}".format(byte)[::-1], 2)


def build_font(glyphs, mapping):
    out = bytearray(GLYPH_HEIGHT * CHAR_COUNT)
    for g in range(CHAR_COUNT):
        code = FIRST_CHAR + g
        if mapping:
            # A character the font does not map (DEL) stays blank.
            bitmap = glyphs[mapping[code]] if code in mapping else bytes(GLYPH_HEIGHT)
        else:
            bitmap = glyphs[code]
        for r in range(GLYPH_HEIGHT):
            # PSF keeps the leftmost pixel in the most significant bit; ours is the least.
            out[r * CHAR_COUNT + g] = reverse_bits(bitmap[r])
    return bytes(out)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = os.path.join(root, "assets", "quarnfont.bin")
    glyphs, mapping = read_psf1(PSF_PATH)
    data = build_font(glyphs, mapping)
    assert len(data) == 1536
    with open(target, "wb") as f:
        f.write(data)
    print("wrote", target, len(data), "bytes", file=sys.stderr)


if __name__ == "__main__":
    main()
