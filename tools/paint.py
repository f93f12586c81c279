"""A small supersampling painter for the game's sprites and textures.

Shapes are given as inside-tests in continuous pixel coordinates (pixel (i, j)
covers [i, i+1) x [j, j+1)); each pixel's coverage is sampled on an n x n grid
and the colour is composited "over" what is already there. The canvas keeps a
coverage (alpha) channel, so the finished sprite knows which pixels are
transparent: those become exactly the mask colour, all others keep their own
colour, undiluted. Edges are therefore antialiased only between painted
colours, never towards the mask colour.
"""

import math

MAGENTA = (255, 0, 255)


def clamp_byte(v):
    return 0 if v < 0 else 255 if v > 255 else int(v + 0.5)


def mix(c1, c2, t):
    """Linear mix of two colours, t = 0 gives c1."""
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


def scale(c, f):
    return tuple(v * f for v in c)


class Shape:
    """An inside-test with a bounding box (x0, y0, x1, y1)."""

    def __init__(self, contains, bbox):
        self.contains = contains
        self.bbox = bbox

    def __or__(self, other):
        a, b = self, other
        box = (min(a.bbox[0], b.bbox[0]), min(a.bbox[1], b.bbox[1]),
               max(a.bbox[2], b.bbox[2]), max(a.bbox[3], b.bbox[3]))
        return Shape(lambda x, y: a.contains(x, y) or b.contains(x, y), box)

    def __sub__(self, other):
        a, b = self, other
        return Shape(lambda x, y: a.contains(x, y) and not b.contains(x, y), a.bbox)

    def __and__(self, other):
        a, b = self, other
        box = (max(a.bbox[0], b.bbox[0]), max(a.bbox[1], b.bbox[1]),
               min(a.bbox[2], b.bbox[2]), min(a.bbox[3], b.bbox[3]))
        return Shape(lambda x, y: a.contains(x, y) and b.contains(x, y), box)


def rect(x0, y0, x1, y1):
    return Shape(lambda x, y: x0 <= x < x1 and y0 <= y < y1, (x0, y0, x1, y1))


def ellipse(cx, cy, rx, ry):
    return Shape(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0,
                 (cx - rx, cy - ry, cx + rx, cy + ry))


def circle(cx, cy, r):
    return ellipse(cx, cy, r, r)


def polygon(points):
    """Even-odd polygon of (x, y) points."""
    pts = list(points)
    n = len(pts)

    def contains(x, y):
        inside = False
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return inside

    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(contains, (min(xs), min(ys), max(xs), max(ys)))


def regular_polygon(cx, cy, r, sides, start_deg=0.0):
    return polygon([(cx + r * math.cos(math.radians(start_deg + 360.0 * i / sides)),
                     cy + r * math.sin(math.radians(start_deg + 360.0 * i / sides)))
                    for i in range(sides)])


def capsule(x0, y0, x1, y1, r):
    """A thick line with round ends."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9

    def contains(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= r * r

    return Shape(contains, (min(x0, x1) - r, min(y0, y1) - r, max(x0, x1) + r, max(y0, y1) + r))


def thick_line(x0, y0, x1, y1, width):
    """A thick line with square (butt) ends."""
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy) or 1e-9
    nx, ny = -dy / length * width / 2, dx / length * width / 2
    return polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)])


class Canvas:
    """RGB + coverage canvas of floats; colours are 0..255 per channel."""

    def __init__(self, width, height, background=None):
        self.width = width
        self.height = height
        n = width * height
        if background is None:
            self.rgb = [(0.0, 0.0, 0.0)] * n
            self.alpha = [0.0] * n
        else:
            self.rgb = [tuple(float(v) for v in background)] * n
            self.alpha = [1.0] * n

    def blend(self, x, y, colour, coverage):
        """Composites colour over pixel (x, y) with the given coverage 0..1."""
        if coverage <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        i = y * self.width + x
        old = self.rgb[i]
        a = self.alpha[i]
        new_a = coverage + a * (1 - coverage)
        # Un-premultiplied "over": the result colour is the coverage-weighted mean.
        w_old = a * (1 - coverage)
        self.rgb[i] = tuple((c * coverage + o * w_old) / new_a for c, o in zip(colour, old))
        self.alpha[i] = new_a

    def fill(self, shape, colour, samples=4, opacity=1.0, wrap=False):
        """Paints a shape; colour is an (r, g, b) tuple or a function (x, y) -> (r, g, b).

        With wrap=True pixels outside the canvas wrap around to the other side,
        which keeps textures seamless.
        """
        x0, y0, x1, y1 = shape.bbox
        step = 1.0 / samples
        offsets = [(i + 0.5) * step for i in range(samples)]
        total = samples * samples
        for py in range(int(math.floor(y0)), int(math.ceil(y1)) + 1):
            for px in range(int(math.floor(x0)), int(math.ceil(x1)) + 1):
                hits = 0
                for oy in offsets:
                    for ox in offsets:
                        if shape.contains(px + ox, py + oy):
                            hits += 1
                if not hits:
                    continue
                c = colour(px + 0.5, py + 0.5) if callable(colour) else colour
                tx, ty = px, py
                if wrap:
                    tx %= self.width
                    ty %= self.height
                self.blend(tx, ty, c, opacity * hits / total)

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            i = y * self.width + x
            self.rgb[i] = tuple(float(v) for v in colour)
            self.alpha[i] = 1.0

    def get(self, x, y):
        i = y * self.width + x
        return self.rgb[i], self.alpha[i]

    def opaque(self, x, y):
        return 0 <= x < self.width and 0 <= y < self.height and self.alpha[y * self.width + x] >= 0.5

    def outline(self, colour, diagonal=False):
        """Paints every transparent pixel that touches an opaque one (a 1-pixel rim)."""
        neighbours = [(1, 0), (-1, 0), (0, 1), (0, -1)]
        if diagonal:
            neighbours += [(1, 1), (1, -1), (-1, 1), (-1, -1)]
        rim = [(x, y) for y in range(self.height) for x in range(self.width)
               if not self.opaque(x, y) and any(self.opaque(x + dx, y + dy) for dx, dy in neighbours)]
        for x, y in rim:
            self.set(x, y, colour)

    def pixel_art(self, x0, y0, lines, palette):
        """Sets pixels from rows of characters; characters missing from the palette are skipped."""
        for j, line in enumerate(lines):
            for i, ch in enumerate(line):
                if ch in palette:
                    self.set(x0 + i, y0 + j, palette[ch])

    def rows(self, mask=True):
        """Final pixel rows. With mask, pixels below half coverage become exactly magenta."""
        out = []
        for y in range(self.height):
            row = []
            for x in range(self.width):
                i = y * self.width + x
                if mask and self.alpha[i] < 0.5:
                    row.append(MAGENTA)
                    continue
                c = tuple(clamp_byte(v) for v in self.rgb[i])
                if mask and near_magenta(c):
                    raise ValueError("opaque pixel (%d, %d) looks like the mask colour: %r" % (x, y, c))
                row.append(c)
            out.append(row)
        return out


def near_magenta(c, tolerance=60):
    return c[0] >= 255 - tolerance and c[1] <= tolerance and c[2] >= 255 - tolerance


class TileableNoise:
    """Value noise on a lattice that repeats every `period` cells, smoothly interpolated."""

    def __init__(self, rng, period):
        self.period = period
        self.values = [[rng.random() for _ in range(period)] for _ in range(period)]

    def at(self, u, v):
        """Noise at lattice coordinates (u, v); repeats with the period."""
        p = self.period
        iu, iv = int(math.floor(u)), int(math.floor(v))
        fu, fv = u - iu, v - iv
        su = fu * fu * (3 - 2 * fu)
        sv = fv * fv * (3 - 2 * fv)
        a = self.values[iv % p][iu % p]
        b = self.values[iv % p][(iu + 1) % p]
        c = self.values[(iv + 1) % p][iu % p]
        d = self.values[(iv + 1) % p][(iu + 1) % p]
        top = a + (b - a) * su
        bottom = c + (d - c) * su
        return top + (bottom - top) * sv


def fractal_noise(rng, size, periods, weights):
    """A size x size field in 0..1 from octaves whose periods divide the size: it tiles."""
    octaves = [(TileableNoise(rng, p), size / p, w) for p, w in zip(periods, weights)]
    total = sum(weights)
    field = []
    for y in range(size):
        row = []
        for x in range(size):
            row.append(sum(n.at(x / cell, y / cell) * w for n, cell, w in octaves) / total)
        field.append(row)
    return field
