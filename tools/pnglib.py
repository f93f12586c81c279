"""Minimal PNG writing and reading for 8-bit RGB pictures (colour type 2).

Only the standard library is used (zlib + struct), so the asset generators run
anywhere Python 3 does. Pixels are rows of (r, g, b) tuples of ints 0..255.
"""

import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


def _chunk(tag, payload):
    body = tag + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filter_row(kind, row, prev):
    """Applies PNG filter `kind` to one row of bytes (3 bytes per pixel)."""
    out = bytearray(len(row))
    for i, x in enumerate(row):
        a = row[i - 3] if i >= 3 else 0
        b = prev[i]
        c = prev[i - 3] if i >= 3 else 0
        if kind == 0:
            p = 0
        elif kind == 1:
            p = a
        elif kind == 2:
            p = b
        elif kind == 3:
            p = (a + b) // 2
        else:
            p = _paeth(a, b, c)
        out[i] = (x - p) & 0xFF
    return out


def encode_png(width, height, rows, choose_filters=True):
    """Returns the bytes of an 8-bit RGB PNG of the given rows.

    choose_filters picks the best PNG filter per row (smaller files, slower);
    without it every row is stored unfiltered.
    """
    assert len(rows) == height and all(len(r) == width for r in rows)
    raw = bytearray()
    prev = bytes(width * 3)
    for row in rows:
        data = bytes(v for px in row for v in px)
        if not choose_filters:
            raw.append(0)
            raw += data
            continue
        # Pick the filter with the smallest sum of absolute values, the usual heuristic.
        candidates = [_filter_row(k, data, prev) for k in range(5)]
        costs = [sum(v if v < 128 else 256 - v for v in f) for f in candidates]
        kind = costs.index(min(costs))
        raw.append(kind)
        raw += candidates[kind]
        prev = data
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (SIGNATURE + _chunk(b"IHDR", header) + _chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + _chunk(b"IEND", b""))


def write_png(path, width, height, rows, choose_filters=True):
    with open(path, "wb") as f:
        f.write(encode_png(width, height, rows, choose_filters))


def read_png(path):
    """Reads an 8-bit RGB or RGBA PNG; returns (width, height, rows of (r, g, b))."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != SIGNATURE:
        raise ValueError(path + " is not a PNG")
    pos = 8
    idat = b""
    width = height = None
    channels = 3
    while pos < len(data):
        length, tag = struct.unpack(">I4s", data[pos:pos + 8])
        payload = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if tag == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", payload)
            if depth != 8 or colour not in (2, 6) or interlace:
                raise ValueError(path + ": only 8-bit non-interlaced RGB(A) is read")
            channels = 3 if colour == 2 else 4
        elif tag == b"IDAT":
            idat += payload
        elif tag == b"IEND":
            break
    raw = zlib.decompress(idat)
    stride = width * channels
    rows = []
    prev = bytearray(stride)
    pos = 0
    for _ in range(height):
        kind = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                line[i] = (line[i] + _paeth(a, b, c)) & 0xFF
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        prev = line
    return width, height, rows
