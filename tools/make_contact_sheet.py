#!/usr/bin/env python3
"""Renders every picture of assets/ on one labelled sheet: out/assets-sheet.png.

Small sprites are enlarged 3x, textures and the title 2x (nearest neighbour);
the mask colour (255, 0, 255) is shown as a grey checkerboard so the outlines
of the sprites are easy to judge. Below them each sound is drawn as a waveform
(minimum and maximum per column). Labels use the built-in font bitmap.
"""

import os
import struct
import sys
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from pnglib import read_png, write_png  # noqa: E402

MAGENTA = (255, 0, 255)
SHEET_WIDTH = 1160
MARGIN = 12
LABEL_HEIGHT = 18
BACKGROUND = (40, 44, 52)
ORDER = ["troop.png", "troop2.png", "shot.png", "gunmount.png", "gunbarrel.png", "bike.png", "tracks.png",
         "p_shot.png", "p_radius.png", "p_health.png", "particle.png", "medtruck.png", "ship.png", "ship2.png",
         "snow.png", "sand.png", "grass.png", "title.png"]
SOUNDS = ["cannon.wav", "boom1.wav", "boom2.wav", "boom3.wav", "scream.wav", "bonus.wav", "bought.wav"]
WAVE_WIDTH = 360
WAVE_HEIGHT = 60


class Font:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.bits = f.read()

    def draw(self, sheet, x, y, text, colour=(255, 255, 255)):
        for n, ch in enumerate(text):
            g = ord(ch) - 32
            if not 0 <= g < 96:
                continue
            for r in range(16):
                byte = self.bits[r * 96 + g]
                for k in range(8):
                    if byte >> k & 1:
                        sheet.put(x + n * 8 + k, y + r, colour)


class Sheet:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.rows = [[BACKGROUND] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def paste(self, x0, y0, pixels, factor):
        for y, row in enumerate(pixels):
            for x, c in enumerate(row):
                for dy in range(factor):
                    for dx in range(factor):
                        px, py = x0 + x * factor + dx, y0 + y * factor + dy
                        if c == MAGENTA:
                            c2 = (150, 150, 150) if ((px // 4) + (py // 4)) % 2 else (100, 100, 100)
                            self.put(px, py, c2)
                        else:
                            self.put(px, py, c)


def read_wave(path):
    """Samples of a mono PCM WAV as floats -1..1, and a description."""
    with wave.open(path, "rb") as w:
        frames = w.readframes(w.getnframes())
        bits = w.getsampwidth() * 8
        if bits == 8:
            values = [(b - 128) / 128.0 for b in frames]
        else:
            values = [v / 32768.0 for v in struct.unpack("<%dh" % (len(frames) // 2), frames)]
        info = "%d-bit %d Hz %d" % (bits, w.getframerate(), w.getnframes())
    return values, info


def draw_wave(sheet, x0, y0, values):
    mid = y0 + WAVE_HEIGHT // 2
    for x in range(WAVE_WIDTH):
        sheet.put(x0 + x, mid, (90, 96, 110))
        chunk = values[len(values) * x // WAVE_WIDTH:len(values) * (x + 1) // WAVE_WIDTH] or [0.0]
        top = mid - int(max(chunk) * (WAVE_HEIGHT // 2 - 1))
        bottom = mid - int(min(chunk) * (WAVE_HEIGHT // 2 - 1))
        for y in range(top, bottom + 1):
            sheet.put(x0 + x, y, (120, 220, 140))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    assets = os.path.join(root, "assets")
    font = Font(os.path.join(assets, "quarnfont.bin"))
    pictures = []
    for name in ORDER:
        w, h, rows = read_png(os.path.join(assets, name))
        factor = 3 if max(w, h) <= 96 else 2
        pictures.append((name, w, h, rows, factor))

    # Flow layout, left to right, wrapping at the sheet width.
    placements = []
    x = y = MARGIN
    line_height = 0
    for name, w, h, rows, factor in pictures:
        cell_w = max(w * factor, len(name) * 8)
        cell_h = h * factor + LABEL_HEIGHT
        if x + cell_w > SHEET_WIDTH - MARGIN and x > MARGIN:
            x = MARGIN
            y += line_height + MARGIN
            line_height = 0
        placements.append((name, w, h, rows, factor, x, y))
        x += cell_w + MARGIN
        line_height = max(line_height, cell_h)
    sounds_top = y + line_height + MARGIN
    per_row = (SHEET_WIDTH - MARGIN) // (WAVE_WIDTH + MARGIN)
    sound_rows = (len(SOUNDS) + per_row - 1) // per_row
    height = sounds_top + sound_rows * (WAVE_HEIGHT + LABEL_HEIGHT + MARGIN) + MARGIN

    sheet = Sheet(SHEET_WIDTH, height)
    for name, w, h, rows, factor, px, py in placements:
        font.draw(sheet, px, py, name)
        sheet.paste(px, py + LABEL_HEIGHT, rows, factor)
    for i, name in enumerate(SOUNDS):
        values, info = read_wave(os.path.join(assets, name))
        px = MARGIN + (i % per_row) * (WAVE_WIDTH + MARGIN)
        py = sounds_top + (i // per_row) * (WAVE_HEIGHT + LABEL_HEIGHT + MARGIN)
        font.draw(sheet, px, py, name + "  " + info)
        draw_wave(sheet, px, py + LABEL_HEIGHT, values)

    out_dir = os.path.join(root, "out")
    os.makedirs(out_dir, exist_ok=True)
    target = os.path.join(out_dir, "assets-sheet.png")
    write_png(target, SHEET_WIDTH, height, sheet.rows, choose_filters=False)
    print("wrote", target, file=sys.stderr)


if __name__ == "__main__":
    main()
