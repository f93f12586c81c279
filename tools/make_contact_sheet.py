#!/usr/bin/env python3
"""Renders every picture of assets/ on one labelled sheet: out/assets-sheet.png.

Small sprites are enlarged 3x, textures and the title 2x (nearest neighbour);
the mask colour (255, 0, 255) is shown as a grey checkerboard so the outlines
of the sprites are easy to judge. Labels use the built-in font bitmap.
"""

import os
import sys

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
    height = y + line_height + MARGIN

    sheet = Sheet(SHEET_WIDTH, height)
    for name, w, h, rows, factor, px, py in placements:
        font.draw(sheet, px, py, name)
        sheet.paste(px, py + LABEL_HEIGHT, rows, factor)

    out_dir = os.path.join(root, "out")
    os.makedirs(out_dir, exist_ok=True)
    target = os.path.join(out_dir, "assets-sheet.png")
    write_png(target, SHEET_WIDTH, height, sheet.rows, choose_filters=False)
    print("wrote", target, file=sys.stderr)


if __name__ == "__main__":
    main()
