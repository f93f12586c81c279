#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/: small valid
files of every layout the loaders accept, and a few they refuse politely.

Pictures and WAV files are built here byte by byte; the Ogg Vorbis files are
encoded by oggenc (Debian package vorbis-tools). Recorded games are played
by the built game (build/salvo, or the file SALVO names) under
tools/with-display.sh, with xdotool as the player; without a built game the
recordings already in fuzz/corpus/replay stay. Run from anywhere:
    python3 fuzz/make_seeds.py
"""
import math
import os
import random
import shutil
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- PNG -----------------------------------------------------------------

def png_chunk(kind, body):
    crc = zlib.crc32(kind + body) & 0xFFFFFFFF
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)


def pack_row(samples, depth):
    """Packs one row of sample values at the bit depth (big-endian)."""
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc = (acc << depth) | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
         (0, 1, 1, 2)]


def png(width, height, colour, depth, pixel, extra=b"", interlaced=False):
    """pixel(x, y) gives the tuple of samples of one pixel. Rows are stored
    unfiltered (filter byte 0)."""
    def rows_of(xs, ys):
        raw = b""
        for y in ys:
            raw += b"\0" + pack_row([s for x in xs for s in pixel(x, y)], depth)
        return raw

    if interlaced:
        raw = b""
        for x0, y0, dx, dy in ADAM7:
            xs, ys = list(range(x0, width, dx)), list(range(y0, height, dy))
            if xs and ys:
                raw += rows_of(xs, ys)
    else:
        raw = rows_of(list(range(width)), list(range(height)))
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 1 if interlaced else 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + extra +
            png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def make_pngs():
    w, h = 5, 4
    top = lambda d: (1 << d) - 1
    for depth in (1, 2, 4, 8, 16):
        write("png", f"grey{depth}.png",
              png(w, h, 0, depth, lambda x, y, d=depth: ((x * 3 + y) % (top(d) + 1),)))
    write("png", "grey8_trns.png",
          png(w, h, 0, 8, lambda x, y: (x * 40,), png_chunk(b"tRNS", struct.pack(">H", 40))))
    write("png", "grey_alpha8.png", png(w, h, 4, 8, lambda x, y: (x * 50, y * 60)))
    for depth in (8, 16):
        write("png", f"rgb{depth}.png",
              png(w, h, 2, depth, lambda x, y, d=depth: (x * 7 % top(d), y * 11 % top(d), 3)))
        write("png", f"rgba{depth}.png",
              png(w, h, 6, depth, lambda x, y, d=depth: (x, y, x + y, top(d) if x % 2 else 0)))
    write("png", "rgb8_trns.png",
          png(w, h, 2, 8, lambda x, y: (x * 50, y * 60, 0),
              png_chunk(b"tRNS", struct.pack(">HHH", 50, 60, 0))))
    for depth in (1, 2, 4, 8):
        entries = 1 << depth
        plte = png_chunk(b"PLTE", bytes((i * 37 + c * 91) % 256 for i in range(entries)
                                        for c in range(3)))
        pixel = lambda x, y, n=entries: ((x + 2 * y) % n,)
        write("png", f"palette{depth}.png", png(w, h, 3, depth, pixel, plte))
        trns = png_chunk(b"tRNS", bytes(range(0, 256, 256 // entries))[:entries])
        write("png", f"palette{depth}_trns.png", png(w, h, 3, depth, pixel, plte + trns))
    write("png", "rgba8_interlaced.png",
          png(11, 9, 6, 8, lambda x, y: (x * 20, y * 20, 90, 255 - x), interlaced=True))
    write("png", "grey8_text.png",
          png(w, h, 0, 8, lambda x, y: (x * y,), png_chunk(b"tEXt", b"Comment\0seed")))


# ---- BMP -----------------------------------------------------------------

def bmp(width, height, bits, pixel, palette=None, info_size=40, top_down=False, colours_used=0,
        compression=0, packed=None):
    """pixel(x, y) gives a palette index (bits <= 8) or (b, g, r[, a])."""
    rows = []
    for y in range(height):
        if bits <= 8:
            row = pack_row([pixel(x, y) for x in range(width)], bits)
        else:
            row = b"".join(bytes(pixel(x, y)) for x in range(width))
        rows.append(row + b"\0" * (-len(row) % 4))
    stored = b"".join(rows if top_down else reversed(rows))
    if packed is not None:
        stored = packed
    table = b""
    if bits <= 8:
        count = colours_used or (1 << bits)
        table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette[:count])
    offset = 14 + info_size + len(table)
    info = struct.pack("<IiiHHIIiiII", info_size, width, -height if top_down else height, 1, bits,
                       compression, len(stored), 2835, 2835, colours_used, 0)
    info += b"\0" * (info_size - 40)
    header = b"BM" + struct.pack("<IHHI", offset + len(stored), 0, 0, offset)
    return header + info + table + stored


def make_bmps():
    w, h = 5, 3
    palette = [((i * 53) % 256, (i * 97) % 256, (i * 11) % 256) for i in range(256)]
    for bits in (1, 4, 8):
        write("bmp", f"palette{bits}.bmp",
              bmp(w, h, bits, lambda x, y, b=bits: (x + y) % (1 << b), palette))
    write("bmp", "palette8_used4.bmp", bmp(w, h, 8, lambda x, y: (x + y) % 4, palette,
                                           colours_used=4))
    write("bmp", "bgr24.bmp", bmp(w, h, 24, lambda x, y: (x * 40, y * 80, 200)))
    write("bmp", "bgr24_top_down.bmp",
          bmp(w, h, 24, lambda x, y: (x * 40, y * 80, 9), top_down=True))
    write("bmp", "bgra32.bmp", bmp(w, h, 32, lambda x, y: (x, y, 7, 255 if x % 2 else 64)))
    write("bmp", "bgrx32.bmp", bmp(w, h, 32, lambda x, y: (x, y, 7, 0)))
    write("bmp", "bgr24_v5.bmp", bmp(w, h, 24, lambda x, y: (1, 2, 3), info_size=124))
    # Run-length 8-bit: two runs per row and an end-of-bitmap marker.
    rle = b""
    for _ in range(h):
        rle += bytes((3, 1, 2, 2)) + b"\0\0"
    rle += b"\0\1"
    write("bmp", "palette8_rle.bmp", bmp(w, h, 8, lambda x, y: 0, palette, compression=1,
                                         packed=rle))


# ---- TGA -----------------------------------------------------------------

def tga(width, height, kind, depth, pixels, descriptor=0, ident=b""):
    header = struct.pack("<BBBHHBHHHHBB", len(ident), 0, kind, 0, 0, 0, 0, 0, width, height,
                         depth, descriptor)
    return header + ident + pixels


def tga_rle(pixels, size):
    """Run-length packets: runs of equal pixels, literals otherwise."""
    items = [pixels[i:i + size] for i in range(0, len(pixels), size)]
    out, i = b"", 0
    while i < len(items):
        run = 1
        while i + run < len(items) and run < 128 and items[i + run] == items[i]:
            run += 1
        if run > 1:
            out += bytes([127 + run]) + items[i]
            i += run
        else:
            literal = 1
            while (i + literal < len(items) and literal < 128 and
                   (i + literal + 1 >= len(items) or items[i + literal] != items[i + literal + 1])):
                literal += 1
            out += bytes([literal - 1]) + b"".join(items[i:i + literal])
            i += literal
    return out


def make_tgas():
    w, h = 6, 4
    for depth, size in ((24, 3), (32, 4)):
        pixels = b"".join(bytes(((x // 3) * 90, y * 60, 30, 200)[:size]) for y in range(h)
                          for x in range(w))
        write("tga", f"bgr{depth}.tga", tga(w, h, 2, depth, pixels))
        write("tga", f"bgr{depth}_top_down.tga", tga(w, h, 2, depth, pixels, descriptor=0x20))
        write("tga", f"bgr{depth}_rle.tga", tga(w, h, 10, depth, tga_rle(pixels, size)))
    grey = bytes((x // 2) * 50 + y for y in range(h) for x in range(w))
    write("tga", "grey8.tga", tga(w, h, 3, 8, grey, ident=b"seed"))
    write("tga", "grey8_rle.tga", tga(w, h, 11, 8, tga_rle(grey, 1), descriptor=0x20))


# ---- WAV and Ogg ---------------------------------------------------------

def tone(frames, channels, bits, rate):
    out = b""
    for i in range(frames):
        for c in range(channels):
            v = 0.5 * math.sin(2 * math.pi * 440 * i / rate) * (1 if c == 0 else -1)
            out += bytes([int(128 + 127 * v)]) if bits == 8 else struct.pack("<h", int(32767 * v))
    return out


def wav(channels, bits, rate, frames, extra=b"", fmt_extra=b""):
    data = tone(frames, channels, bits, rate)
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * block, block, bits) + fmt_extra
    body = (b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + extra + b"data" +
            struct.pack("<I", len(data)) + data)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def ogg_checksummed(page):
    """The page with its CRC field set (polynomial 0x04C11DB7, no reflection)."""
    page = bytearray(page)
    page[22:26] = b"\0\0\0\0"
    crc = 0
    for byte in page:
        crc ^= byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7 if crc & 0x80000000 else crc << 1) & 0xFFFFFFFF
    page[22:26] = struct.pack("<I", crc)
    return bytes(page)


def make_sounds():
    listing = b"LIST" + struct.pack("<I", 12) + b"INFOISFT" + struct.pack("<I", 0)
    fact = b"fact" + struct.pack("<I", 4) + struct.pack("<I", 64)
    for channels in (1, 2):
        for bits in (8, 16):
            name = f"{'mono' if channels == 1 else 'stereo'}{bits}"
            write("audio", f"{name}.wav", wav(channels, bits, 11025, 64))
            write("audio", f"{name}_chunks.wav",
                  wav(channels, bits, 22050, 48, extra=listing + fact, fmt_extra=b"\0\0"))
    with tempfile.TemporaryDirectory() as scratch:
        for channels in (1, 2):
            for rate in (22050, 44100):
                source = os.path.join(scratch, "tone.wav")
                with open(source, "wb") as f:
                    f.write(wav(channels, 16, rate, rate // 20))
                target = os.path.join(scratch, "tone.ogg")
                subprocess.run(["oggenc", "-Q", "-q", "0", "-s", "1", "-o", target, source],
                               check=True)
                with open(target, "rb") as f:
                    layout = "mono" if channels == 1 else "stereo"
                    write("audio", f"{layout}_{rate}.ogg", f.read())
    # A file whose second link has only its first page: libvorbisfile's own
    # leak (see lsan.supp) stays in the corpus, so the suppression keeps
    # being exercised.
    with open(os.path.join(CORPUS, "audio", "mono_22050.ogg"), "rb") as f:
        ogg = f.read()
    first_page = bytearray(ogg[:ogg.find(b"OggS", 4)])
    first_page[14:18] = struct.pack("<I", 2)  # another link's serial number
    write("audio", "second_link_cut.ogg", ogg + ogg_checksummed(first_page))


# ---- Streams and collision ------------------------------------------------

def make_streams():
    rng = random.Random(7)
    write("stream", "text_lines", bytes([40]) + b"first line\r\nsecond\0third\n" +
          bytes(range(11)) * 3)
    write("stream", "numbers", bytes([64]) + struct.pack("<ifdqh", -5, 1.5, -2.25, 1 << 40, 77) +
          bytes(rng.randrange(256) for _ in range(40)))
    write("stream", "empty", b"\0" + bytes(rng.randrange(256) for _ in range(16)))
    for n in range(3):
        write("overlap", f"random{n}", bytes(rng.randrange(256) for _ in range(48)))


# ---- Recorded games --------------------------------------------------------

ROOT = os.path.dirname(HERE)
# The game played for each recording: keys for xdotool with pauses between
# them, then how it ends ("Escape" or a signal sent to the process).
GAMES = {
    "title_stopped_by_sigint": (["sleep 2"], "INT"),
    "short_game_escape": (["sleep 2.5", "key Return", "sleep 3.5", "keydown Right", "sleep 0.4",
                           "keyup Right", "key space", "sleep 0.7", "key 2", "key space",
                           "sleep 1"], "Escape"),
    "game_stopped_by_sigterm": (["sleep 2", "key Return", "sleep 3.5", "key space", "sleep 0.5"],
                                "TERM"),
}


def record_game(salvo, steps, ending, path):
    actions = "; ".join(s if s.startswith("sleep") else "xdotool " + s for s in steps)
    end = "xdotool key Escape" if ending == "Escape" else f"kill -{ending} $game"
    script = (f'"{salvo}" --mute --record="{path}" 2>/dev/null & game=$!; {actions}; {end}; '
              'wait $game; true')
    subprocess.run([os.path.join(ROOT, "tools", "with-display.sh"), "bash", "-c", script],
                   check=True, timeout=60)
    with open(path, "rb") as f:
        return f.read()


def records(data):
    """The (kind, payload) records of a format 2 recording."""
    pos, out = 16, []
    while pos < len(data):
        kind, length, shift = data[pos], 0, 0
        pos += 1
        while True:
            length |= (data[pos] & 0x7F) << shift
            shift += 7
            pos += 1
            if not data[pos - 1] & 0x80:
                break
        pos += 2
        out.append((kind, data[pos:pos + length]))
        pos += length + 4
    return out


def varint(value):
    out = bytearray()
    while value >= 0x80:
        out.append(value & 0x7F | 0x80)
        value >>= 7
    return bytes(out + bytes([value]))


def as_format_1(data):
    """The same game in the first format: no record header check, and an end
    record of the pass count alone. That format had no stopped games: their
    files just broke off."""
    head = data[:8] + struct.pack("<H", 1) + data[10:12]
    out = bytearray(head + struct.pack("<I", zlib.crc32(head)))
    for kind, payload in records(data):
        if kind == ord("E"):
            if payload[-1] == 1:
                break
            payload = payload[:len(payload) - 9]
        record = bytes([kind]) + varint(len(payload)) + payload
        out += record + struct.pack("<I", zlib.crc32(record))
    return bytes(out)


def make_replays():
    salvo = os.environ.get("SALVO", os.path.join(ROOT, "build", "salvo"))
    if not os.access(salvo, os.X_OK):
        print(f"{salvo} is not built: the recorded games in {CORPUS}/replay stay as they are")
        return
    shutil.rmtree(os.path.join(CORPUS, "replay"), ignore_errors=True)
    with tempfile.TemporaryDirectory() as folder:
        for name, (steps, ending) in GAMES.items():
            data = record_game(salvo, steps, ending, os.path.join(folder, name + ".rec"))
            # The fuzz target takes its last three bytes to choose a damage.
            write("replay", name + ".rec", data + b"\x05\x00\x11")
            write("replay", name + ".format1.rec", as_format_1(data) + b"\x09\x00\x40")


def main():
    # Every corpus but the recorded games is made anew here.
    if os.path.isdir(CORPUS):
        for folder in os.listdir(CORPUS):
            if folder != "replay":
                shutil.rmtree(os.path.join(CORPUS, folder))
    make_pngs()
    make_bmps()
    make_tgas()
    make_sounds()
    make_streams()
    make_replays()


if __name__ == "__main__":
    main()
