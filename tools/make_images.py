#!/usr/bin/env python3
"""Paints the game's 18 pictures into assets/ (deterministic, standard library only).

Sprites leave their transparent areas in exactly (255, 0, 255); the ground
textures are generated from periodic noise so that opposite edges match.
"""

import math
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from paint import (Canvas, capsule, circle, ellipse, fractal_noise, mix, polygon,  # noqa: E402
                   rect, regular_polygon, scale, thick_line)
from pnglib import write_png  # noqa: E402

OUTLINE = (24, 20, 18)


# ---------------------------------------------------------------------------
# Foot soldiers: 16 x 16 pixel art, two walking frames side by side.

TROOP_HEAD = [
    "................",
    "......kkkk......",
    ".....khhHHk.....",
    "....khHHHHHk....",
    "....kHHHHHHk.g..",
    "....kkSSSSkk.g..",
    ".....kSssSk..g..",
    "...kkUUUUUUkkg..",
    "..kUUUuUUuUUUgk.",
]
# Rows 9..15 of each frame: the free arm swings and the legs take turns,
# one reaching down while the other is lifted.
TROOP_LEGS = [
    ["..kSkUUUUUUkUgk.",
     "..kkkUUUUUUkSgk.",
     ".....kBBbBk.kgk.",
     ".....kUUkbbk....",
     "....kuUk.kkk....",
     "....kuUk........",
     "....kbbk........"],
    ["..kUkUUUUUUkUgk.",
     "..kUkUUUUUUkSgk.",
     "..kSkkBBbBk.kgk.",
     "....kbbkUUk.....",
     "....kkk.kUuk....",
     ".........kUuk...",
     ".........kbbk..."],
]


def troop(uniform, helmet):
    light = mix(uniform, (255, 255, 255), 0.25)
    palette = {
        "k": OUTLINE,
        "H": helmet,
        "h": mix(helmet, (255, 255, 255), 0.35),
        "S": (225, 175, 130),
        "s": (190, 135, 95),
        "U": uniform,
        "u": scale(uniform, 0.7),
        "B": (70, 50, 30),
        "b": (45, 35, 25),
        "g": (60, 60, 64),
    }
    c = Canvas(32, 16)
    for frame in range(2):
        rows = TROOP_HEAD + TROOP_LEGS[frame]
        assert len(rows) == 16 and all(len(r) == 16 for r in rows)
        c.pixel_art(frame * 16, 0, rows, palette)
        c.set(frame * 16 + 7, 8, light)  # a lit fold on the chest
    return c


# ---------------------------------------------------------------------------
# Flying craft, seen from above with the nose pointing down.

def shaded(base, light_dir=(-0.6, -0.8), cx=32, cy=32, spread=0.012):
    """A colour function that brightens towards the light (upper left)."""
    def colour(x, y):
        t = ((x - cx) * light_dir[0] + (y - cy) * light_dir[1]) * spread
        return tuple(max(0.0, min(255.0, v * (1 + t))) for v in base)
    return colour


def red_ship():
    c = Canvas(64, 64)
    red = (196, 36, 30)
    dark = (120, 18, 16)
    # Swept wings (tips towards the tail, which is up).
    wings = polygon([(28, 26), (3, 18), (1, 24), (4, 30), (28, 44), (36, 44), (60, 30), (63, 24), (61, 18), (36, 26)])
    c.fill(wings, shaded(red))
    # Wing-tip stripes and gun pods.
    for sx in (1, -1):
        x = 32 - sx * 26
        c.fill(polygon([(x - 2 * sx, 19), (x + 3 * sx, 20.5), (x + 3 * sx, 27), (x - 2 * sx, 26)]), (235, 200, 60))
        c.fill(rect(min(x + 5 * sx, x + 7 * sx), 24, max(x + 5 * sx, x + 7 * sx), 34), (70, 70, 76))
    # Tail planes.
    tail = polygon([(29, 4), (17, 8), (17, 13), (29, 14), (35, 14), (47, 13), (47, 8), (35, 4)])
    c.fill(tail, shaded(dark))
    # Fuselage with a pointed nose at the bottom.
    body = polygon([(27, 2), (37, 2), (38, 40), (36, 52), (32, 62), (28, 52), (26, 40)])

    def body_colour(x, y):
        across = abs(x - 32) / 6.0  # rounder look: darker towards the sides
        return mix(mix(red, (255, 120, 100), 0.35), dark, min(1.0, across * across))

    c.fill(body, body_colour)
    # Engines at the tail, glowing.
    for ex in (28.5, 35.5):
        c.fill(rect(ex - 2, 0, ex + 2, 4), (70, 70, 76))
        c.fill(rect(ex - 1.2, 0, ex + 1.2, 1.5), (255, 190, 60))
    # Cockpit canopy near the nose.
    c.fill(ellipse(32, 45, 3.6, 7), (30, 50, 90))
    c.fill(ellipse(31, 42.5, 1.3, 3), (150, 200, 240))
    # Panel lines on the wings.
    for sx in (1, -1):
        c.fill(thick_line(32 + sx * 8, 31, 32 + sx * 22, 23, 0.8), dark)
    c.outline(OUTLINE)
    return c


def grey_ship():
    c = Canvas(64, 64)
    grey = (150, 154, 160)
    dark = (88, 92, 100)
    # Broad straight wing with engine pods at the ends.
    c.fill(rect(5, 24, 59, 36), shaded(grey))
    for x in (8, 56):
        c.fill(ellipse(x, 29, 6, 13), shaded(dark))
        c.fill(ellipse(x, 17.5, 3.4, 2), (255, 170, 50))
        c.fill(rect(x - 1, 38, x + 1, 46), (60, 62, 68))  # gun barrels pointing forward
    # Round armoured hull.
    hull = circle(32, 30, 15)

    def hull_colour(x, y):
        d = math.hypot(x - 27, y - 25) / 22.0
        return mix((200, 204, 210), dark, min(1.0, d))

    c.fill(hull, hull_colour)
    c.fill(circle(32, 30, 9) - circle(32, 30, 7.6), dark)
    # Nose: a blunt prow with a window, pointing down.
    c.fill(polygon([(24, 38), (40, 38), (37, 54), (32, 58), (27, 54)]), shaded(grey))
    c.fill(polygon([(28.5, 44), (35.5, 44), (34, 51), (30, 51)]), (40, 70, 110))
    c.fill(rect(29.5, 45, 31, 48), (150, 200, 240))
    # Tail fin and hazard stripes.
    c.fill(polygon([(29, 4), (35, 4), (36, 16), (28, 16)]), shaded(dark))
    for i in range(3):
        c.fill(thick_line(14 + i * 4, 36, 16 + i * 4, 24, 1.5), (230, 190, 40))
        c.fill(thick_line(50 - i * 4, 36, 48 - i * 4, 24, 1.5), (230, 190, 40))
    # Red markings so it reads as hostile.
    c.fill(circle(32, 30, 3), (200, 40, 30))
    c.outline(OUTLINE)
    return c


# ---------------------------------------------------------------------------
# Motorbike with rider, side view, facing left.

def bike():
    c = Canvas(32, 32)
    tyre = (28, 28, 30)
    steel = (170, 174, 180)
    for wx in (7, 25):
        c.fill(circle(wx, 25, 6), tyre)
        c.fill(circle(wx, 25, 3.6), steel)
        c.fill(circle(wx, 25, 2.4), (60, 62, 66))
        c.fill(circle(wx, 25, 1.1), steel)
    # Frame, exhaust and fork.
    c.fill(thick_line(25, 25, 18, 19, 2), (50, 50, 54))
    c.fill(thick_line(15, 24, 28, 23, 1.6), (200, 200, 205))  # exhaust
    c.fill(thick_line(7, 25, 11, 13, 1.8), (120, 122, 128))  # front fork
    c.fill(polygon([(12, 19), (20, 19), (19, 25), (13, 25)]), (64, 64, 70))  # engine
    c.fill(polygon([(11, 15), (19, 15), (20, 19), (11, 19)]), (200, 40, 30))  # tank
    c.fill(rect(12, 15.4, 17, 16.6), (245, 130, 110))
    c.fill(polygon([(19, 16), (27, 16), (27, 18.5), (20, 19)]), (30, 30, 32))  # seat
    c.fill(polygon([(25, 17), (30, 18), (30, 20), (24, 20)]), (200, 40, 30))  # rear guard
    c.fill(polygon([(4, 18), (10, 17), (9, 19.5), (3, 19.5)]), (200, 40, 30))  # front mudguard
    c.fill(circle(8.5, 14, 1.6), (255, 235, 140))  # headlamp
    c.fill(thick_line(9, 11, 13, 12, 1.3), (40, 40, 44))  # handlebar
    # Rider in dark olive, leaning forward.
    suit = (72, 84, 52)
    c.fill(capsule(21, 15, 15, 9, 2.6), suit)  # torso
    c.fill(capsule(20, 15, 15, 19, 1.8), scale(suit, 0.8))  # thigh
    c.fill(capsule(15, 19, 17, 23, 1.5), scale(suit, 0.8))  # shin
    c.fill(rect(15, 22.5, 19.5, 24.5), (40, 30, 22))  # boot
    c.fill(capsule(15, 10, 11, 12, 1.3), suit)  # arm
    c.fill(circle(13.5, 6, 3.6), (200, 40, 30))  # helmet
    c.fill(polygon([(9.6, 5), (13, 5), (13, 7.8), (10.4, 7.8)]), (30, 40, 60))  # visor
    c.fill(ellipse(14.3, 4.3, 1.4, 0.8), (250, 160, 140))
    c.outline(OUTLINE)
    return c


# ---------------------------------------------------------------------------
# Ambulance: two 48 x 34 frames with alternating roof lights.

def medtruck():
    c = Canvas(96, 34)
    green = (64, 150, 64)
    for frame in range(2):
        ox = frame * 48

        def body_colour(x, y):
            return mix(mix(green, (255, 255, 255), 0.2), scale(green, 0.6), (y - 6) / 22.0)

        # Box body and cab (front at the left).
        c.fill(rect(ox + 17, 6, ox + 47, 27), body_colour)
        c.fill(polygon([(ox + 1, 27), (ox + 1, 19), (ox + 6, 12), (ox + 18, 12), (ox + 18, 27)]), body_colour)
        c.fill(polygon([(ox + 3.5, 19), (ox + 7, 14), (ox + 13, 14), (ox + 13, 19)]), (150, 200, 235))
        c.fill(polygon([(ox + 6, 18), (ox + 8, 15), (ox + 9, 15), (ox + 7, 18)]), (225, 245, 255))
        c.fill(rect(ox + 17, 12, ox + 18, 27), scale(green, 0.5))  # cab seam
        c.fill(rect(ox + 14, 20, ox + 16.5, 21), scale(green, 0.5))  # door handle
        # Red cross on a white panel.
        c.fill(rect(ox + 24, 8, ox + 40, 24), (240, 240, 236))
        c.fill(rect(ox + 30, 10, ox + 34, 22), (210, 30, 30))
        c.fill(rect(ox + 26, 14, ox + 38, 18), (210, 30, 30))
        # Bumper, headlamp, stripe.
        c.fill(rect(ox + 0, 24, ox + 4, 27), (90, 90, 96))
        c.fill(rect(ox + 1, 20.5, ox + 3.5, 23), (255, 240, 150))
        c.fill(rect(ox + 18, 25, ox + 47, 27), (200, 30, 30))
        # Roof lights: red at the front, blue behind; one is lit in each frame.
        red_on = frame == 0
        for lx, lit, on_colour, off_colour in ((19, red_on, (255, 60, 50), (120, 30, 30)),
                                               (27, not red_on, (70, 130, 255), (30, 40, 110))):
            c.fill(rect(ox + lx, 2.5, ox + lx + 6, 6), on_colour if lit else off_colour)
            if lit:
                c.fill(rect(ox + lx + 1.5, 3, ox + lx + 4.5, 4.5), (255, 245, 235))
                c.fill(rect(ox + lx - 2, 3.5, ox + lx - 0.5, 4.5), on_colour)  # flash rays
                c.fill(rect(ox + lx + 6.5, 3.5, ox + lx + 8, 4.5), on_colour)
                c.fill(rect(ox + lx + 2.5, 0, ox + lx + 3.5, 1.5), on_colour)
        # Wheels.
        for wx in (10, 38):
            c.fill(circle(ox + wx, 28, 5.5), (26, 26, 28))
            c.fill(circle(ox + wx, 28, 2.8), (170, 172, 178))
            c.fill(circle(ox + wx, 28, 1.2), (70, 72, 76))
    # Outline each frame on its own so nothing leaks across the cell border.
    for frame in range(2):
        cell = Canvas(48, 34)
        for y in range(34):
            for x in range(48):
                rgb, a = c.get(frame * 48 + x, y)
                if a > 0:
                    cell.rgb[y * 48 + x], cell.alpha[y * 48 + x] = rgb, a
        cell.outline(OUTLINE)
        for y in range(34):
            for x in range(48):
                rgb, a = cell.get(x, y)
                if a > 0:
                    c.rgb[y * 96 + frame * 48 + x], c.alpha[y * 96 + frame * 48 + x] = rgb, a
    return c


# ---------------------------------------------------------------------------
# The player's cannon: mount, barrel and track.

def gunmount():
    c = Canvas(32, 32)

    def rim(x, y):
        t = ((x - 16) + (y - 16)) / 30.0  # light from the upper left
        return mix((190, 194, 200), (70, 72, 78), t + 0.5)

    c.fill(regular_polygon(16, 16, 16.2, 8, 22.5), rim)
    c.fill(regular_polygon(16, 16, 12.5, 8, 22.5), (124, 128, 134))
    for i in range(8):
        a = math.radians(22.5 + 45 * i)
        c.fill(circle(16 + 14 * math.cos(a) * 0.97, 16 + 14 * math.sin(a) * 0.97, 1.0), (60, 62, 66))
    c.fill(circle(16, 16, 8), (80, 84, 90))
    c.fill(circle(16, 16, 6.5), (46, 48, 52))
    c.fill(circle(15, 15, 2.5), (66, 68, 74))
    return c


def gunbarrel():
    c = Canvas(32, 32)

    def tube(half):
        def colour(x, y):
            t = (y - 16) / half  # -1 at the top edge, 1 at the bottom
            return mix((215, 218, 224), (70, 72, 78), (t + 1) / 2) if t > -0.4 else (225, 228, 234)
        return colour

    c.fill(rect(16, 13, 32, 19), tube(3))
    c.fill(rect(16, 12, 20, 20), tube(4))  # breech ring
    c.fill(rect(26, 11.5, 32, 20.5), tube(4.5))  # muzzle brake
    c.fill(rect(28.5, 11.5, 29.5, 20.5), (60, 62, 66))
    c.fill(rect(31, 14.5, 32, 17.5), (30, 30, 32))  # bore
    return c


def tracks():
    c = Canvas(48, 32)
    wood = (112, 78, 48)
    for sx in (6, 18, 30, 42):
        c.fill(rect(sx - 3, 3, sx + 3, 29), lambda x, y: mix(wood, (150, 110, 70), 0.5 + 0.5 * math.sin(y * 1.7)))
        c.fill(rect(sx - 3, 3, sx - 2, 29), scale(wood, 0.75))
        c.fill(rect(sx + 2, 3, sx + 3, 29), scale(wood, 0.6))
    for ry in (7, 21):
        c.fill(rect(0, ry, 48, ry + 4), lambda x, y, ry=ry: mix((215, 218, 225), (80, 82, 90), (y - ry) / 4))
        for bx in (6, 18, 30, 42):  # bolts on the sleepers
            c.fill(rect(bx - 2.5, ry - 1, bx - 1.5, ry), (50, 50, 54))
            c.fill(rect(bx + 1.5, ry + 4, bx + 2.5, ry + 5), (50, 50, 54))
    return c


def shot():
    c = Canvas(8, 8)
    art = [
        "..RRRR..",
        ".RYWYYR.",
        "RYWWYYOR",
        "RYYYYYOR",
        "RYYYYOOR",
        "RYYYOOOR",
        ".ROOOOR.",
        "..RRRR..",
    ]
    c.pixel_art(0, 0, art, {"R": (190, 30, 20), "Y": (255, 228, 60), "W": (255, 252, 210),
                            "O": (240, 130, 30)})
    return c


def particle():
    c = Canvas(40, 40, background=(0, 0, 0))
    radius = 19.5
    for y in range(40):
        for x in range(40):
            d = math.hypot(x + 0.5 - 20, y + 0.5 - 20) / radius
            v = 0.0 if d >= 1 else (1 - d) ** 2 * (0.6 + 0.4 * (1 - d))
            c.set(x, y, (255 * v,) * 3)
    return c


# ---------------------------------------------------------------------------
# Upgrade icons, 32 x 32 on grey.

def icon_background():
    c = Canvas(32, 32, background=(112, 114, 120))
    c.fill(rect(0, 0, 32, 2), (170, 172, 178))
    c.fill(rect(0, 0, 2, 32), (170, 172, 178))
    c.fill(rect(0, 30, 32, 32), (60, 62, 68))
    c.fill(rect(30, 2, 32, 32), (60, 62, 68))
    return c


def icon_shot():
    c = icon_background()
    for angle in (-35, 0, 35):
        a = math.radians(angle - 90)
        dx, dy = math.cos(a), math.sin(a)
        x0, y0 = 16 + dx * 2, 27 + dy * 2
        x1, y1 = 16 + dx * 17, 27 + dy * 17
        c.fill(thick_line(x0, y0, 16 + dx * 12, 27 + dy * 12, 1.2), (230, 230, 220), opacity=0.7)  # trail
        c.fill(circle(x1, y1, 3.6), (40, 30, 20))
        c.fill(circle(x1, y1, 2.8), (235, 150, 40))
        c.fill(circle(x1 - 0.8, y1 - 0.8, 1.2), (255, 240, 160))
    c.fill(ellipse(16, 28.5, 5, 2), (60, 62, 66))
    return c


def icon_radius():
    c = icon_background()
    red = (215, 35, 30)
    c.fill(circle(16, 16, 7.5), (50, 10, 10))
    c.fill(circle(16, 16, 6.3), red)
    c.fill(circle(14.5, 14.5, 2.2), (250, 130, 110))
    for k in range(4):
        a = math.radians(90 * k)
        dx, dy = math.cos(a), math.sin(a)
        px, py = -dy, dx

        def pt(along, side):
            return (16 + dx * along + px * side, 16 + dy * along + py * side)

        arrow = polygon([pt(9, -1.3), pt(11.5, -1.3), pt(11.5, -3.6), pt(15, 0), pt(11.5, 3.6), pt(11.5, 1.3),
                         pt(9, 1.3)])
        c.fill(arrow, red)
    return c


def icon_health():
    c = icon_background()
    c.fill(rect(4, 11, 28, 21), (30, 36, 30))

    def bar(x, y):
        return mix((150, 240, 130), (30, 130, 40), (y - 12) / 8.0)

    c.fill(rect(5, 12, 27, 20), bar)
    for sx in (10.5, 16, 21.5):
        c.fill(rect(sx, 12, sx + 0.8, 20), (25, 95, 30))
    return c


# ---------------------------------------------------------------------------
# Ground textures: tileable, no mask colour anywhere.

def texture(size, seed, periods, weights, palette_fn, detail=None):
    rng = random.Random(seed)
    field = fractal_noise(rng, size, periods, weights)
    c = Canvas(size, size, background=(0, 0, 0))
    for y in range(size):
        for x in range(size):
            c.set(x, y, palette_fn(field[y][x], x, y))
    if detail:
        detail(c, rng)
    return c


def grass():
    dark, mid, light = (62, 78, 30), (96, 112, 44), (134, 146, 66)

    def colour(v, x, y):
        v = (v - 0.5) * 2.2 + 0.5
        return mix(dark, mid, v * 2) if v < 0.5 else mix(mid, light, (v - 0.5) * 2)

    def blades(c, rng):
        for _ in range(2600):
            x, y = rng.uniform(0, 256), rng.uniform(0, 256)
            length = rng.uniform(2.5, 6)
            lean = rng.uniform(-0.6, 0.6)
            shade = rng.choice([scale(dark, 0.8), light, mid, (150, 160, 80)])
            c.fill(thick_line(x, y, x + lean * length, y - length, 0.9), shade, samples=3, opacity=0.55,
                   wrap=True)

    return texture(256, 101, [4, 8, 16, 32, 64], [1.0, 0.8, 0.5, 0.35, 0.25], colour, blades)


def snow():
    def colour(v, x, y):
        v = (v - 0.5) * 1.5 + 0.5
        return mix((204, 208, 218), (244, 246, 250), max(0.0, min(1.0, v)))

    def sparkle(c, rng):
        for _ in range(140):
            x, y = rng.randrange(128), rng.randrange(128)
            c.set(x, y, (255, 255, 255))
        for _ in range(50):
            x, y = rng.uniform(0, 128), rng.uniform(0, 128)
            c.fill(ellipse(x, y, rng.uniform(2, 5), rng.uniform(1, 2)), (186, 190, 204), samples=3,
                   opacity=0.35, wrap=True)

    return texture(128, 202, [4, 8, 16, 32], [1.0, 0.6, 0.35, 0.2], colour, sparkle)


def sand():
    def colour(v, x, y):
        # Wind ripples: a whole number of waves across the tile, bent by the noise.
        ripple = math.sin(2 * math.pi * (5 * y / 128.0 + 1 * x / 128.0 + v * 1.6))
        t = max(0.0, min(1.0, 0.5 + (v - 0.5) * 1.6 + ripple * 0.12))
        return mix((196, 118, 46), (238, 170, 88), t)

    def grains(c, rng):
        for _ in range(900):
            x, y = rng.randrange(128), rng.randrange(128)
            rgb, _ = c.get(x, y)
            c.set(x, y, scale(rgb, rng.choice([0.82, 0.88, 1.08, 1.12])))

    return texture(128, 303, [4, 8, 16, 32], [1.0, 0.6, 0.35, 0.25], colour, grains)


# ---------------------------------------------------------------------------
# Title: "SALVO" in big chamfered block letters with outline, bevel and shadow.

LETTERS = {
    "S": ["#####", "#....", "#....", "#####", "....#", "....#", "#####"],
    "A": ["#####", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "V": ["#...#", "#...#", "#...#", "#...#", "##.##", ".###.", "..#.."],
    "O": ["#####", "#...#", "#...#", "#...#", "#...#", "#...#", "#####"],
}


def letter_inside(pattern, u, v):
    """Is cell coordinate (u, v) inside the letter?

    Outer corners are cut and inner corners filled, which turns the steps of the
    V into diagonal strokes. Cells must join edge to edge, not only at a corner.
    """
    rows, cols = len(pattern), len(pattern[0])
    i, j = int(math.floor(u)), int(math.floor(v))

    def cell(ci, cj):
        return 0 <= ci < cols and 0 <= cj < rows and pattern[cj][ci] == "#"

    fu, fv = u - i, v - j
    corners = [(-1, -1, fu + fv), (1, -1, (1 - fu) + fv), (-1, 1, fu + (1 - fv)), (1, 1, (1 - fu) + (1 - fv))]
    if cell(i, j):
        for dx, dy, dist in corners:
            if not cell(i + dx, j) and not cell(i, j + dy) and dist < 0.5:
                return False
        return True
    for dx, dy, dist in corners:
        if cell(i + dx, j) and cell(i, j + dy) and dist < 0.5:
            return True
    return False


def title():
    width, height = 550, 200
    cell = 18.0
    gap = 12.0
    shear = 0.18
    top = 16.0
    word = "SALVO"
    text_width = len(word) * 5 * cell + (len(word) - 1) * gap
    left = (width - text_width - shear * 7 * cell) / 2 + shear * 7 * cell
    samples = 3

    # Coverage of the letters on the pixel grid.
    cover = [[0.0] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    px, py = x + (sx + 0.5) / samples, y + (sy + 0.5) / samples
                    v = (py - top) / cell
                    if not 0 <= v < 7:
                        continue
                    ux = px - left + shear * (py - top)  # italic slant
                    index = int(ux // (5 * cell + gap))
                    if not 0 <= index < len(word):
                        continue
                    u = (ux - index * (5 * cell + gap)) / cell
                    if u < 5 and letter_inside(LETTERS[word[index]], u, v):
                        hits += 1
            cover[y][x] = hits / (samples * samples)

    def dilate(src, radius):
        offsets = [(dx, dy) for dy in range(-radius, radius + 1) for dx in range(-radius, radius + 1)
                   if dx * dx + dy * dy <= radius * radius + radius]
        out = [[0.0] * width for _ in range(height)]
        for y in range(height):
            for x in range(width):
                best = 0.0
                for dx, dy in offsets:
                    xx, yy = x + dx, y + dy
                    if 0 <= xx < width and 0 <= yy < height and src[yy][xx] > best:
                        best = src[yy][xx]
                        if best >= 1.0:
                            break
                out[y][x] = best
        return out

    rim = dilate(cover, 4)
    c = Canvas(width, height, background=(0, 0, 0))

    # A cannon motif under the word: a little field gun lobbing a shell in an arc.
    motif = Canvas(width, height)
    gx, gy = 120, 180
    motif.fill(capsule(gx, gy - 4, gx + 22, gy - 16, 3.2), (150, 154, 160))
    motif.fill(polygon([(gx - 14, gy + 2), (gx + 8, gy + 2), (gx + 4, gy - 8), (gx - 8, gy - 8)]), (90, 94, 100))
    motif.fill(circle(gx - 2, gy + 4, 7), (60, 62, 66))
    motif.fill(circle(gx - 2, gy + 4, 3), (150, 154, 160))
    for k in range(14):
        t = (k + 1) / 15.0
        ax = gx + 26 + t * 290
        ay = gy - 20 - math.sin(t * math.pi) * 20
        motif.fill(circle(ax, ay, 1.6 + t * 0.4), mix((255, 200, 80), (255, 120, 40), t))
    bx, by = gx + 330, gy - 14
    for k in range(10):
        a = math.radians(k * 36 + 18)
        motif.fill(thick_line(bx, by, bx + math.cos(a) * 14, by + math.sin(a) * 14, 3), (255, 140, 30))
    motif.fill(circle(bx, by, 7), (255, 220, 90))
    motif.fill(circle(bx, by, 3.5), (255, 255, 220))
    for y in range(height):
        for x in range(width):
            rgb, a = motif.get(x, y)
            if a > 0:
                c.blend(x, y, rgb, a)

    shadow_dx, shadow_dy = 6, 7
    for y in range(height):
        for x in range(width):
            sx, sy = x - shadow_dx, y - shadow_dy
            if 0 <= sx < width and 0 <= sy < height and rim[sy][sx] > 0:
                c.blend(x, y, (70, 8, 0), rim[sy][sx] * 0.9)
            if rim[y][x] > 0:
                c.blend(x, y, (30, 6, 2), rim[y][x])
            f = cover[y][x]
            if f > 0:
                t = (y - top) / (7 * cell)
                # Gold at the top, through orange, to red at the bottom, with a bright band.
                if t < 0.45:
                    colour = mix((255, 246, 150), (255, 170, 30), t / 0.45)
                else:
                    colour = mix((255, 150, 20), (200, 30, 10), (t - 0.45) / 0.55)
                if 0.43 < t < 0.47:
                    colour = mix(colour, (255, 255, 230), 0.6)
                # Bevel: lit where the letter continues down-right, shaded where it ends.
                up_left = cover[y - 2][x - 2] if y >= 2 and x >= 2 else 0
                down_right = cover[y + 2][x + 2] if y + 2 < height and x + 2 < width else 0
                if up_left < 0.5:
                    colour = mix(colour, (255, 255, 255), 0.55)
                elif down_right < 0.5:
                    colour = mix(colour, (90, 10, 0), 0.5)
                c.blend(x, y, colour, f)
    return c


# ---------------------------------------------------------------------------

PICTURES = [
    ("grass.png", grass, False),
    ("snow.png", snow, False),
    ("sand.png", sand, False),
    ("ship.png", red_ship, True),
    ("troop.png", lambda: troop((96, 156, 56), (64, 108, 40)), True),
    ("gunmount.png", gunmount, True),
    ("gunbarrel.png", gunbarrel, True),
    ("tracks.png", tracks, True),
    ("shot.png", shot, True),
    ("particle.png", particle, False),
    ("p_shot.png", icon_shot, False),
    ("p_radius.png", icon_radius, False),
    ("p_health.png", icon_health, False),
    ("medtruck.png", medtruck, True),
    ("bike.png", bike, True),
    ("troop2.png", lambda: troop((186, 40, 34), (128, 26, 22)), True),
    ("ship2.png", grey_ship, True),
    ("title.png", title, False),
]


def main(names=None):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    for name, painter, masked in PICTURES:
        if names and name not in names:
            continue
        canvas = painter()
        write_png(os.path.join(root, "assets", name), canvas.width, canvas.height, canvas.rows(mask=masked))
        print("painted", name, file=sys.stderr)


if __name__ == "__main__":
    main(sys.argv[1:])
