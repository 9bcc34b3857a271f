#!/usr/bin/env python3
"""Draws every bitmap and icon of Vastrel 2 into this folder.

    python3 generate.py            write all files, then check them
    python3 generate.py --check    only re-read the files and check them

Standard library only. The pictures are built from flat shapes (rectangles,
circles, polygons, strokes) measured by signed distance, which gives
anti-aliased edges where the colour depth allows and hard edges where it
does not. Text is drawn with a small stroke font defined below.
The output is deterministic: running the script twice gives the same bytes.
"""

import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------
# Shapes: a signed distance function (negative inside) and a bounding box.
# ---------------------------------------------------------------------------


class Shape:
    def __init__(self, f, bbox):
        self.f = f
        self.bbox = bbox  # x0, y0, x1, y1

    def inset(self, k):
        f = self.f
        return Shape(lambda x, y: f(x, y) + k, self.bbox)

    def __or__(self, o):
        f, g = self.f, o.f
        a, b = self.bbox, o.bbox
        return Shape(lambda x, y: min(f(x, y), g(x, y)),
                     (min(a[0], b[0]), min(a[1], b[1]), max(a[2], b[2]), max(a[3], b[3])))

    def __and__(self, o):
        f, g = self.f, o.f
        a, b = self.bbox, o.bbox
        return Shape(lambda x, y: max(f(x, y), g(x, y)),
                     (max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3])))

    def __sub__(self, o):
        f, g = self.f, o.f
        return Shape(lambda x, y: max(f(x, y), -g(x, y)), self.bbox)


def rect(x0, y0, x1, y1, r=0.0):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def f(x, y):
        qx = abs(x - cx) - hx
        qy = abs(y - cy) - hy
        ox, oy = max(qx, 0.0), max(qy, 0.0)
        return math.sqrt(ox * ox + oy * oy) + min(max(qx, qy), 0.0) - r
    return Shape(f, (x0, y0, x1, y1))


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r,
                 (cx - r, cy - r, cx + r, cy + r))


def polygon(pts):
    n = len(pts)
    edges = []
    for i in range(n):
        ax, ay = pts[i]
        bx, by = pts[i - 1]
        ex, ey = bx - ax, by - ay
        ee = ex * ex + ey * ey or 1e-12
        edges.append((ax, ay, ex, ey, ee, by))

    def f(x, y):
        d = 1e30
        s = 1.0
        for ax, ay, ex, ey, ee, by in edges:
            wx, wy = x - ax, y - ay
            t = (wx * ex + wy * ey) / ee
            t = 0.0 if t < 0.0 else (1.0 if t > 1.0 else t)
            dx, dy = wx - ex * t, wy - ey * t
            dd = dx * dx + dy * dy
            if dd < d:
                d = dd
            c1 = y >= ay
            c2 = y < by
            c3 = ex * wy > ey * wx
            if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
                s = -s
        return s * math.sqrt(d)
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(f, (min(xs), min(ys), max(xs), max(ys)))


def stroke(pts, width):
    """A polyline drawn with a round pen of the given width."""
    segs = []
    for i in range(len(pts) - 1):
        ax, ay = pts[i]
        bx, by = pts[i + 1]
        ex, ey = bx - ax, by - ay
        segs.append((ax, ay, ex, ey, ex * ex + ey * ey or 1e-12))
    if not segs:
        segs.append((pts[0][0], pts[0][1], 0.0, 0.0, 1e-12))
    h = width / 2.0

    def f(x, y):
        d = 1e30
        for ax, ay, ex, ey, ee in segs:
            wx, wy = x - ax, y - ay
            t = (wx * ex + wy * ey) / ee
            t = 0.0 if t < 0.0 else (1.0 if t > 1.0 else t)
            dx, dy = wx - ex * t, wy - ey * t
            dd = dx * dx + dy * dy
            if dd < d:
                d = dd
        return math.sqrt(d) - h
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(f, (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h))


def arc_points(cx, cy, rx, ry, a0, a1, n=None):
    """Points on an ellipse arc, angles in degrees, y pointing down,
    angle 0 to the right, 90 downwards."""
    if n is None:
        n = max(4, int(abs(a1 - a0) / 10))
    out = []
    for i in range(n + 1):
        a = math.radians(a0 + (a1 - a0) * i / n)
        out.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return out


def bezier(p0, p1, p2, n=12):
    out = []
    for i in range(n + 1):
        t = i / n
        u = 1 - t
        out.append((u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0],
                    u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1]))
    return out


# ---------------------------------------------------------------------------
# Canvas: straight (not premultiplied) RGBA in floats 0..255 / 0..1.
# ---------------------------------------------------------------------------


class Canvas:
    def __init__(self, w, h, bg=(0, 0, 0, 0.0), aa=True):
        self.w, self.h, self.aa = w, h, aa
        n = w * h
        self.r = [float(bg[0])] * n
        self.g = [float(bg[1])] * n
        self.b = [float(bg[2])] * n
        self.a = [float(bg[3]) if len(bg) > 3 else 1.0] * n

    def fill(self, shape, col, opacity=1.0):
        """Paints the shape. col is an (r, g, b) tuple or a function of
        (x, y) giving one."""
        x0, y0, x1, y1 = shape.bbox
        xa = max(0, int(math.floor(x0)) - 1)
        ya = max(0, int(math.floor(y0)) - 1)
        xb = min(self.w, int(math.ceil(x1)) + 1)
        yb = min(self.h, int(math.ceil(y1)) + 1)
        f = shape.f
        aa = self.aa
        fn = col if callable(col) else None
        R, G, B, A = self.r, self.g, self.b, self.a
        for y in range(ya, yb):
            py = y + 0.5
            row = y * self.w
            for x in range(xa, xb):
                d = f(x + 0.5, py)
                if aa:
                    c = 0.5 - d
                    if c <= 0.0:
                        continue
                    if c > 1.0:
                        c = 1.0
                else:
                    if d >= 0.0:
                        continue
                    c = 1.0
                c *= opacity
                cr, cg, cb = fn(x + 0.5, py) if fn else col
                i = row + x
                da = A[i]
                oa = c + da * (1.0 - c)
                k = da * (1.0 - c)
                R[i] = (cr * c + R[i] * k) / oa
                G[i] = (cg * c + G[i] * k) / oa
                B[i] = (cb * c + B[i] * k) / oa
                A[i] = oa

    def blit(self, src, ox, oy):
        """Composites another canvas at (ox, oy)."""
        for y in range(src.h):
            ty = y + oy
            if ty < 0 or ty >= self.h:
                continue
            for x in range(src.w):
                tx = x + ox
                if tx < 0 or tx >= self.w:
                    continue
                j = y * src.w + x
                c = src.a[j]
                if c <= 0.0:
                    continue
                i = ty * self.w + tx
                da = self.a[i]
                oa = c + da * (1.0 - c)
                k = da * (1.0 - c)
                self.r[i] = (src.r[j] * c + self.r[i] * k) / oa
                self.g[i] = (src.g[j] * c + self.g[i] * k) / oa
                self.b[i] = (src.b[j] * c + self.b[i] * k) / oa
                self.a[i] = oa

    def rgb(self):
        """Opaque pixels as (r, g, b) byte tuples, rows top first."""
        out = []
        for i in range(self.w * self.h):
            out.append((clamp8(self.r[i]), clamp8(self.g[i]), clamp8(self.b[i])))
        return out

    def rgba(self):
        out = []
        for i in range(self.w * self.h):
            a = clamp8(self.a[i] * 255.0)
            if a == 0:
                out.append((0, 0, 0, 0))
            else:
                out.append((clamp8(self.r[i]), clamp8(self.g[i]), clamp8(self.b[i]), a))
        return out


def clamp8(v):
    v = int(v + 0.5)
    return 0 if v < 0 else (255 if v > 255 else v)


def outlined(cv, shape, fill, line, lw=1.0):
    """A flat shape with an outline of a darker colour, one pixel wide
    unless said otherwise."""
    cv.fill(shape, line)
    cv.fill(shape.inset(lw), fill)


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


# ---------------------------------------------------------------------------
# Colours. Each theme gives, for every colour role, a fill and the darker
# colour of its one-pixel outline.
# ---------------------------------------------------------------------------

FACE = (192, 192, 192)      # light grey: becomes the button face colour
MAGENTA = (255, 0, 255)     # transparent colour of the disabled toolbar set
DIALOG = (240, 240, 240)    # dialog background behind the hint picture

# the full-colour set
FULL = {
    'paper': ((250, 251, 253), (98, 112, 134)),
    'fold': ((214, 223, 235), (98, 112, 134)),
    'lines': ((168, 182, 202), None),
    'blue': ((40, 98, 176), (18, 50, 98)),
    'sky': ((120, 176, 232), (18, 50, 98)),
    'teal': ((26, 163, 152), (9, 98, 92)),
    'amber': ((246, 178, 52), (158, 98, 14)),
    'amber2': ((251, 212, 124), (158, 98, 14)),
    'amber3': ((216, 146, 34), (158, 98, 14)),
    'metal': ((178, 188, 200), (84, 96, 114)),
    'red': ((218, 68, 58), (128, 30, 24)),
    'white': ((255, 255, 255), None),
    'dark': ((24, 40, 64), None),
}

# the sixteen colours of the 16-colour toolbar strip: black, the two greys
# and white are the four colours that the toolbar maps to system colours
PAL16 = [
    (0, 0, 0), (128, 128, 128), FACE, (255, 255, 255),
    (98, 112, 134), (40, 98, 176), (18, 50, 98), (26, 163, 152),
    (9, 98, 92), (246, 178, 52), (158, 98, 14), (218, 68, 58),
    (128, 30, 24), (250, 251, 253), (178, 188, 200), (214, 223, 235),
]
FLAT16 = {
    'paper': (PAL16[13], PAL16[4]),
    'fold': (PAL16[15], PAL16[4]),
    'lines': (PAL16[14], None),
    'blue': (PAL16[5], PAL16[6]),
    'sky': (PAL16[15], PAL16[6]),
    'teal': (PAL16[7], PAL16[8]),
    'amber': (PAL16[9], PAL16[10]),
    'amber2': (PAL16[9], PAL16[10]),
    'amber3': (PAL16[10], PAL16[10]),
    'metal': (PAL16[14], PAL16[4]),
    'red': (PAL16[11], PAL16[12]),
    'white': (PAL16[13], None),
    'dark': (PAL16[6], None),
}

# the standard sixteen display colours, for the 4-bit icon forms
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
FLATVGA = {
    'paper': ((255, 255, 255), (128, 128, 128)),
    'fold': ((192, 192, 192), (128, 128, 128)),
    'lines': ((192, 192, 192), None),
    'blue': ((0, 0, 128), (0, 0, 0)),
    'sky': ((0, 255, 255), (0, 0, 0)),
    'teal': ((0, 128, 128), (0, 0, 0)),
    'amber': ((255, 255, 0), (128, 128, 0)),
    'amber2': ((255, 255, 0), (128, 128, 0)),
    'amber3': ((128, 128, 0), (0, 0, 0)),
    'metal': ((192, 192, 192), (0, 0, 0)),
    'red': ((255, 0, 0), (128, 0, 0)),
    'white': ((255, 255, 255), None),
    'dark': ((0, 0, 0), None),
}


class Pen:
    """Draws in base units: a base unit is s pixels, the origin is (ox, oy)
    in pixels. Outlines stay one pixel wide at every scale."""

    def __init__(self, cv, theme, s=1, ox=0, oy=0, snap=False, lw=1.0):
        self.cv, self.t, self.s, self.ox, self.oy = cv, theme, s, ox, oy
        self.snap, self.lw = snap, lw

    def X(self, x):
        v = self.ox + x * self.s
        return float(round(v * 2) / 2.0) if self.snap else v

    def Y(self, y):
        v = self.oy + y * self.s
        return float(round(v * 2) / 2.0) if self.snap else v

    def P(self, pts):
        return [(self.X(x), self.Y(y)) for x, y in pts]

    def fill(self, shape, role):
        self.cv.fill(shape, self.t[role][0])

    def shape(self, shape, role):
        fill, line = self.t[role]
        if line is None:
            self.cv.fill(shape, fill)
        else:
            outlined(self.cv, shape, fill, line, self.lw)

    def rect(self, x0, y0, x1, y1, r=0.0):
        return rect(self.X(x0), self.Y(y0), self.X(x1), self.Y(y1), r * self.s)

    def circle(self, cx, cy, r):
        return circle(self.X(cx), self.Y(cy), r * self.s)

    def poly(self, pts):
        return polygon(self.P(pts))

    def line(self, pts, w):
        """A stroke whose width is in pixels."""
        return stroke(self.P(pts), w)


# ---------------------------------------------------------------------------
# Small pictures. Drawn on a grid of 16 x 15 base units: at s = 1 they are
# the 16 x 15 menu images, at s = 2 the 32-pixel toolbar images.
# ---------------------------------------------------------------------------


def doc(p, x0, y0, x1, y1, f=4, lines=True):
    """A sheet of paper with a folded corner and lines of text."""
    p.shape(p.poly([(x0, y0), (x1 - f, y0), (x1, y0 + f), (x1, y1), (x0, y1)]), 'paper')
    p.shape(p.poly([(x1 - f, y0), (x1 - f, y0 + f), (x1, y0 + f)]), 'fold')
    if not lines:
        return
    s = p.s
    step = 2 if s == 1 else 3
    y = int(p.Y(y0)) + (3 if s == 1 else 5)
    xl = p.X(x0) + (2 if s == 1 else 3)
    while y < p.Y(y1) - (2 if s == 1 else 3):
        xr = p.X(x1) - (2 if s == 1 else 3)
        if y < p.Y(y0 + f) + 1:
            xr = p.X(x1 - f) - (1 if s == 1 else 2)
        if xr > xl:
            p.fill(rect(xl, y, xr, y + 1), 'lines')
        y += step


def badge(p, role, glyph, cx=12.5, cy=11.5, r=3.5):
    """A round sign at the lower right: plus, minus or cross."""
    p.shape(p.circle(cx, cy, r), role)
    s = p.s
    X, Y = p.X(cx), p.Y(cy)
    L = 2.5 * s if s == 1 else 4.0
    t = 1.0 * s
    if glyph in ('plus', 'minus'):
        p.fill(rect(X - L, Y - t / 2, X + L, Y + t / 2), 'white')
    if glyph == 'plus':
        p.fill(rect(X - t / 2, Y - L, X + t / 2, Y + L), 'white')
    if glyph == 'cross' and s == 1:
        for dx, dy in ((0, 0), (-1, -1), (1, -1), (-1, 1), (1, 1)):
            p.fill(rect(X - 0.5 + dx, Y - 0.5 + dy, X + 0.5 + dx, Y + 0.5 + dy), 'white')
    elif glyph == 'cross':
        k = 1.6 * s
        w = 1.4 * s
        p.fill(stroke([(X - k, Y - k), (X + k, Y + k)], w), 'white')
        p.fill(stroke([(X - k, Y + k), (X + k, Y - k)], w), 'white')


def padlock(p, x0, y0, x1, y1, body='amber', shackle='metal', opened=False, light=False):
    """A padlock whose body fills (x0, y0)-(x1, y1) with the shackle above
    it; an opened one has its shackle lifted and its right leg free."""
    s = p.s
    lx, rx = x0 + 1.5, x1 - 1.5
    rad = (rx - lx) / 2.0
    cx = (lx + rx) / 2.0
    cy = y0 - (1.5 if s == 1 else rad * 0.55)
    if opened:
        cy -= 2.0
    arc = arc_points(cx, cy, rad, rad, 180, 360, 12)
    pts = [(lx, y0 + 1)] + arc
    pts += [(rx, cy + 0.8)] if opened else [(rx, y0 + 1)]
    fill, line = p.t[shackle]
    if s == 1:
        # at sixteen pixels the shackle is drawn pixel by pixel, one pixel
        # wide with its corners cut, light on a dark ground
        col = fill if light else line
        cl, cr = p.X(lx) - 0.5, p.X(rx) - 0.5
        top = math.floor(p.Y(cy - rad))
        bottom = p.Y(y0)
        p.cv.fill(rect(cl + 1, top, cr, top + 1), col)
        p.cv.fill(rect(cl, top + 1, cl + 1, bottom), col)
        p.cv.fill(rect(cr, top + 1, cr + 1, top + 3 if opened else bottom), col)
    else:
        p.cv.fill(stroke(p.P(pts), s + 2.0 * p.lw), line)
        p.cv.fill(stroke(p.P(pts), float(s)), fill)
    p.shape(p.rect(x0, y0, x1, y1, 0.5 if s == 1 else 0.75), body)
    kx, ky = p.X((x0 + x1) / 2.0), p.Y((y0 + y1) / 2.0)
    if s == 1:
        hw = 0.5 if (x1 - x0) % 2 else 1.0
        p.fill(rect(kx - hw, int(ky) - 1.0, kx + hw, int(ky) + 1.0), 'dark')
    else:
        k = s / 2.0
        p.fill(circle(kx, ky - k, 1.6 * k) | rect(kx - 0.75 * k, ky - k, kx + 0.75 * k, ky + 3.0 * k, 0.3 * k), 'dark')


def folder(p, x0, y0, x1, y1, role='amber'):
    p.shape(p.rect(x0, y0, x0 + 6, y0 + 4, 0.5), 'amber3')
    p.shape(p.rect(x0, y0 + 2, x1, y1, 0.5), role)


def art_add_file(p):
    doc(p, 2, 0, 12, 15)
    badge(p, 'teal', 'plus')


def art_add_folder(p):
    folder(p, 1, 1, 15, 13)
    badge(p, 'teal', 'plus')


def art_save(p):
    p.shape(p.rect(1, 1, 15, 15, 1.0), 'blue')
    p.shape(p.rect(4, 1, 12, 6), 'metal')
    p.fill(p.rect(9, 2, 11, 5), 'dark')
    p.shape(p.rect(3, 8, 13, 15), 'paper')
    if p.s > 1:
        for y in (10, 12):
            p.fill(p.rect(4.5, y, 11.5, y + 0.5), 'lines')


def art_open(p):
    # back of the folder with its tab, a sheet in it, the front leaning out
    p.shape(p.poly([(1, 2), (5, 2), (6, 3), (13, 3), (13, 14), (1, 14)]), 'amber3')
    doc(p, 3, 1, 11, 10, f=3, lines=False)
    p.shape(p.poly([(1, 14), (4, 7), (16, 7), (13, 14)]), 'amber')


def art_remove(p):
    doc(p, 2, 0, 12, 15)
    badge(p, 'red', 'minus')


def art_remove_all(p):
    doc(p, 5, 0, 14, 11, f=3, lines=False)
    doc(p, 1, 3, 10, 15, f=3)
    badge(p, 'red', 'cross')


def art_encrypt(p):
    doc(p, 1, 0, 11, 15)
    padlock(p, 8, 9, 15, 15, body='amber')


def art_decrypt(p):
    doc(p, 1, 0, 11, 15)
    padlock(p, 8, 9, 15, 15, body='teal', opened=True)


def art_search(p):
    fill, line = p.t['blue']
    if p.s == 1:
        doc(p, 1, 0, 10, 13, f=3)
        cx, cy = 9.5, 8.5
        p.cv.fill(stroke([(12.0, 11.0), (14.5, 13.5)], 2.2), line)
        p.cv.fill(circle(cx, cy, 4.0), line)
        p.cv.fill(circle(cx, cy, 3.0), p.t['sky'][0])
        p.cv.fill(rect(8, 7, 9, 8), p.t['white'][0])
        return
    doc(p, 1, 0, 10, 12, f=3, lines=False)
    padlock(p, 2, 7, 7, 11.5, body='amber')
    cx, cy, r = 9.5, 8.5, 3.5
    hx, hy = p.X(cx + 2.4), p.Y(cy + 2.4)
    ex, ey = p.X(15.2), p.Y(14.7)
    p.cv.fill(stroke([(hx, hy), (ex, ey)], 2.2 * p.s + 2), line)
    p.cv.fill(stroke([(hx, hy), (ex, ey)], 2.2 * p.s), fill)
    p.shape(p.circle(cx, cy, r), 'blue')
    p.shape(p.circle(cx, cy, r - 1.0), 'sky')


def art_sfx(p):
    """A carton seen from the front and a little from above, closed with
    a padlock: the self-extractor's sign."""
    aa = p.cv.aa
    if p.s == 1:
        p.cv.aa = False     # clean steps rather than blurred slopes
    p.shape(p.poly([(1, 5), (4, 2), (15, 2), (12, 5)]), 'amber2')
    p.shape(p.poly([(12, 5), (15, 2), (15, 12), (12, 15)]), 'amber3')
    p.cv.aa = aa
    p.shape(p.rect(1, 5, 12, 15), 'amber')
    if p.s == 1:
        padlock(p, 3, 9, 10, 14, body='blue')
    else:
        padlock(p, 3.5, 9, 9.5, 14, body='blue')


def art_shred(p):
    doc(p, 3, 0, 13, 8, f=3)
    s = p.s
    # strips falling out of the machine
    if s == 1:
        for i, x in enumerate((3, 5, 7, 9, 11, 13)):
            p.cv.fill(rect(x, 9, x + 1, 14 - i % 2), p.t['paper'][1])
    else:
        for i, x in enumerate((3, 5, 7, 9, 11)):
            yb = 14.5 if i % 2 == 0 else 13.5
            p.shape(p.rect(x, 9, x + 2, yb), 'paper')
    p.shape(p.rect(1, 5, 15, 10, 1.0), 'metal')
    if s == 1:
        p.fill(p.rect(3, 7, 13, 8), 'dark')
    else:
        p.fill(p.rect(2.5, 6.75, 13.5, 7.25), 'dark')


# toolbar order: add file, add folder, save project, open project, remove
# file, remove all, encrypt, decrypt, search for encrypted files,
# self-extracting archive, shred
TOOLBAR = [
    (32784, 'Add file to project', art_add_file),
    (32778, 'Add folder to project', art_add_folder),
    (32796, 'Save current project', art_save),
    (32799, 'Open project', art_open),
    (32779, 'Remove selected file(s)', art_remove),
    (32780, 'Remove all files', art_remove_all),
    (32785, 'Encrypt files', art_encrypt),
    (32783, 'Decrypt files', art_decrypt),
    (32781, 'Search for encrypted files', art_search),
    (32845, 'Create a self-extracting archive', art_sfx),
    (32872, 'Shred files', art_shred),
]


# ---------------------------------------------------------------------------
# Colour reduction
# ---------------------------------------------------------------------------


def nearest(pal, c):
    best, bi = 1 << 30, 0
    r, g, b = c
    for i, (pr, pg, pb) in enumerate(pal):
        dr, dg, db = r - pr, g - pg, b - pb
        d = 3 * dr * dr + 4 * dg * dg + 2 * db * db
        if d < best:
            best, bi = d, i
            if d == 0:
                break
    return bi


def median_cut(counts, n):
    """counts: {rgb: count}. Returns at most n colours."""
    if len(counts) <= n:
        return sorted(counts)
    boxes = [list(counts.items())]
    while len(boxes) < n:
        best, bi, bc = -1, -1, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for ch in range(3):
                vals = [c[ch] for c, _ in box]
                spread = max(vals) - min(vals)
                weight = spread * math.sqrt(sum(k for _, k in box))
                if weight > best:
                    best, bi, bc = weight, i, ch
        if bi < 0 or best <= 0:
            break
        box = sorted(boxes[bi], key=lambda e: (e[0][bc], e[0]))
        total = sum(k for _, k in box)
        acc, cut = 0, 1
        for j, (_, k) in enumerate(box):
            acc += k
            if acc * 2 >= total:
                cut = min(max(j + 1, 1), len(box) - 1)
                break
        boxes[bi:bi + 1] = [box[:cut], box[cut:]]
    pal = []
    for box in boxes:
        t = sum(k for _, k in box)
        pal.append(tuple(clamp8(sum(c[ch] * k for c, k in box) / t) for ch in range(3)))
    return sorted(set(pal))


BAYER4 = [0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5]


def quantize(pixels, w, fixed, n=256, avoid=(), dither=0.0, exclusive=()):
    """Reduces opaque pixels to a palette of at most n colours that starts
    with the fixed colours; returns (palette, indices). Colours in avoid
    never enter the palette except as fixed ones; an exclusive colour is
    given only to pixels of exactly that colour."""
    counts = {}
    for c in pixels:
        if c in fixed:
            continue
        counts[c] = counts.get(c, 0) + 1
    free = n - len(fixed)
    pal = list(fixed)
    for c in median_cut(counts, free):
        while c in avoid or c in pal:
            c = (c[0], c[1], min(255, c[2] + 1) if c[2] < 255 else c[2] - 1)
        pal.append(c)
    open_pal = [c for c in pal if c not in exclusive]
    cache = {}
    out = []
    for i, c in enumerate(pixels):
        if c in exclusive:
            out.append(pal.index(c))
            continue
        if dither:
            x, y = i % w, i // w
            o = (BAYER4[(y & 3) * 4 + (x & 3)] / 16.0 - 0.47) * dither
            c = (clamp8(c[0] + o), clamp8(c[1] + o), clamp8(c[2] + o))
        j = cache.get(c)
        if j is None:
            j = pal.index(open_pal[nearest(open_pal, c)])
            cache[c] = j
        out.append(j)
    return pal, out


# ---------------------------------------------------------------------------
# File writers: Windows bitmaps (bottom-up, uncompressed) and icons.
# ---------------------------------------------------------------------------


def dib_rows(w, h, bpp, data):
    """Pixel rows, bottom row first, each padded to four bytes. data holds
    palette indices (bpp <= 8), (r, g, b) (24) or (r, g, b, a) (32)."""
    out = bytearray()
    stride = ((w * bpp + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        row = data[y * w:(y + 1) * w]
        if bpp == 32:
            line = bytearray()
            for r, g, b, a in row:
                line += bytes((b, g, r, a))
        elif bpp == 24:
            line = bytearray()
            for r, g, b in row:
                line += bytes((b, g, r))
        elif bpp == 8:
            line = bytearray(row)
        elif bpp == 4:
            line = bytearray()
            for x in range(0, w, 2):
                hi = row[x]
                lo = row[x + 1] if x + 1 < w else 0
                line.append((hi << 4) | lo)
        elif bpp == 1:
            line = bytearray()
            for x in range(0, w, 8):
                v = 0
                for k in range(8):
                    if x + k < w and row[x + k]:
                        v |= 0x80 >> k
                line.append(v)
        line += b'\0' * (stride - len(line))
        out += line
    return bytes(out)


def palette_bytes(pal, bpp):
    full = list(pal) + [(0, 0, 0)] * ((1 << bpp) - len(pal))
    return b''.join(bytes((b, g, r, 0)) for r, g, b in full)


def write_bmp(name, w, h, bpp, data, pal=None):
    pixels = dib_rows(w, h, bpp, data)
    table = palette_bytes(pal, bpp) if bpp <= 8 else b''
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, 0, len(pixels), 3780, 3780, 0, 0)
    offset = 14 + len(info) + len(table)
    head = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(head + info + table + pixels)


def write_ico(name, images):
    """images: (w, h, bpp, data, pal, mask) with mask 1 = transparent."""
    blobs = []
    for w, h, bpp, data, pal, mask in images:
        xor = dib_rows(w, h, bpp, data)
        andm = dib_rows(w, h, 1, mask)
        table = palette_bytes(pal, bpp) if bpp <= 8 else b''
        info = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, bpp, 0, len(xor) + len(andm), 0, 0, 0, 0)
        blobs.append(info + table + xor + andm)
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (w, h, bpp, _, _, _), blob in zip(images, blobs):
        out += struct.pack('<BBBBHHII', w % 256, h % 256, 16 if bpp == 4 else 0, 0, 1, bpp,
                           len(blob), offset)
        offset += len(blob)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(out + b''.join(blobs))


# ---------------------------------------------------------------------------
# Toolbar strips and menu images
# ---------------------------------------------------------------------------


def render(art, theme, w, h, s, ox=0, oy=0, aa=True):
    cv = Canvas(w, h, aa=aa)
    art(Pen(cv, theme, s, ox, oy))
    return cv


def over(cv, bg, keep_off=None):
    """The canvas composited over an opaque colour. Pixels of the picture
    that would come out exactly as keep_off are moved one step away, so
    that only the background has that colour."""
    out = []
    for i in range(cv.w * cv.h):
        a = cv.a[i]
        c = (clamp8(cv.r[i] * a + bg[0] * (1 - a)),
             clamp8(cv.g[i] * a + bg[1] * (1 - a)),
             clamp8(cv.b[i] * a + bg[2] * (1 - a)))
        if keep_off is not None and a > 0 and c == keep_off:
            c = (c[0], c[1], c[2] + 1 if c[2] < 255 else c[2] - 1)
        out.append(c)
    return out


def strip(cells, cw, ch, w, h, bg):
    """Places equally sized cells (lists of rgb) side by side on a strip
    of w x h pixels filled with bg."""
    out = [bg] * (w * h)
    for i, cell in enumerate(cells):
        for y in range(ch):
            for x in range(cw):
                out[y * w + i * cw + x] = cell[y * cw + x]
    return out


def make_toolbar16():
    """137: 352 x 35, 16 colours, hard edges; 32 x 35 cells, the picture
    in rows 2 to 31."""
    cells = []
    for _, _, art in TOOLBAR:
        cv = render(art, FLAT16, 32, 35, 2, 0, 2, aa=False)
        cells.append(over(cv, FACE))
    px = strip(cells, 32, 35, 352, 35, FACE)
    idx = [PAL16.index(c) if c in PAL16 else nearest(PAL16, c) for c in px]
    write_bmp('toolbar16.bmp', 352, 35, 4, idx, PAL16)


def make_toolbar256():
    """139: 354 x 35, 256 colours; the image list takes 32 x 32 cells from
    the top, so the picture stands in rows 1 to 30."""
    cells = []
    for _, _, art in TOOLBAR:
        cv = render(art, FULL, 32, 32, 2, 0, 1)
        cells.append(over(cv, FACE, keep_off=FACE))
    px = strip(cells, 32, 32, 354, 35, FACE)
    pal, idx = quantize(px, 354, [FACE], avoid={(128, 128, 128), (223, 223, 223)}, exclusive={FACE})
    write_bmp('toolbar.bmp', 354, 35, 8, idx, pal)


def disabled_grey(c):
    lum = 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]
    v = clamp8(112 + lum * 0.52)
    return (v, v, v)


def make_toolbar_disabled():
    """158: 354 x 35, 256 colours; grey pictures on magenta, which the
    image list makes transparent. Edges are hard: a blended edge would
    carry magenta into the picture."""
    cells = []
    for _, _, art in TOOLBAR:
        cv = render(art, FULL, 32, 32, 2, 0, 1)
        cell = []
        for i in range(32 * 32):
            a = cv.a[i]
            if a < 0.5:
                cell.append(MAGENTA)
            else:
                c = mix((214, 214, 214), (cv.r[i], cv.g[i], cv.b[i]), a)
                cell.append(disabled_grey(c))
        cells.append(cell)
    px = strip(cells, 32, 32, 354, 35, MAGENTA)
    pal, idx = quantize(px, 354, [MAGENTA], exclusive={MAGENTA})
    write_bmp('toolbar_disabled.bmp', 354, 35, 8, idx, pal)


def make_menu_images():
    """145: 176 x 17, 24-bit; 16 x 15 images on light grey, the image list
    takes the top 15 rows."""
    cells = []
    for _, _, art in TOOLBAR:
        cv = render(art, FULL, 16, 15, 1)
        cells.append(over(cv, FACE, keep_off=FACE))
    px = strip(cells, 16, 15, 176, 17, FACE)
    write_bmp('menu.bmp', 176, 17, 24, px)


# ---------------------------------------------------------------------------
# Program icons, drawn on a grid of 16 x 16 base units
# ---------------------------------------------------------------------------


def shield_points(small):
    if small:
        return [(1, 1), (15, 1), (15, 9), (8, 15.5), (1, 9)]
    pts = [(2, 1), (14, 1), (14, 7.5)]
    pts += bezier((14, 7.5), (14, 12.5), (8, 15.5), 10)[1:]
    pts += bezier((8, 15.5), (2, 12.5), (2, 7.5), 10)[1:]
    return pts


def art_shield(p):
    """The program's sign: a shield carrying a padlock."""
    small = p.s < 1.5
    fill, line = p.t['blue']
    shield = p.poly(shield_points(small))
    p.cv.fill(shield, line)
    inner = shield.inset(p.lw)
    p.cv.fill(inner, fill)
    if not small:
        # the right half a shade darker
        half = inner & rect(p.X(8), 0, p.X(16) + 1, p.Y(16) + 1)
        p.cv.fill(half, mix(fill, line, 0.28))
        padlock(p, 4.5, 8, 11.5, 13.5, body='amber', shackle='metal')
    else:
        padlock(p, 5, 8, 11, 13, body='amber', shackle='metal', light=True)


def art_carton(p):
    """The self-extractor's icon: the carton of the toolbar, one row lower
    on the taller grid."""
    p.oy = round(p.s * 0.5)
    art_sfx(p)


def icon_images(art):
    """The forms of one icon: 48, 32 and 16 pixels with alpha, 32 and 16
    pixels in 256 colours and in the sixteen standard colours."""
    out = []
    for n in (48, 32, 16):
        cv = Canvas(n, n)
        art(Pen(cv, FULL, n / 16.0, snap=True))
        px = cv.rgba()
        mask = [1 if a < 128 else 0 for _, _, _, a in px]
        out.append((n, n, 32, px, None, mask))
    for n in (32, 16):
        cv = Canvas(n, n)
        art(Pen(cv, FULL, n / 16.0, snap=True))
        mask = [1 if a < 0.5 else 0 for a in cv.a]
        solid = [(0, 0, 0) if m else (clamp8(r), clamp8(g), clamp8(b))
                 for m, r, g, b in zip(mask, cv.r, cv.g, cv.b)]
        pal, idx = quantize(solid, n, [(0, 0, 0)])
        out.append((n, n, 8, [0 if m else i for m, i in zip(mask, idx)], pal, mask))
    for n in (32, 16):
        cv = Canvas(n, n, aa=False)
        art(Pen(cv, FLATVGA, n / 16.0, snap=True))
        mask = [1 if a < 0.5 else 0 for a in cv.a]
        idx = [0 if m else nearest(VGA, (clamp8(r), clamp8(g), clamp8(b)))
               for m, r, g, b in zip(mask, cv.r, cv.g, cv.b)]
        out.append((n, n, 4, idx, VGA, mask))
    return out


def make_vastrel_icon():
    write_ico('vastrel.ico', icon_images(art_shield))


def make_extractor_icon():
    write_ico('extractor.ico', icon_images(art_carton))


# ---------------------------------------------------------------------------
# A small stroke font: each letter is a few lines and arcs drawn with a
# round pen. Units: the x-height is 1, capitals and figures stand 1.4
# high, y points up from the baseline.
# ---------------------------------------------------------------------------


def _arc(cx, cy, rx, ry, a0, a1, n=None):
    if n is None:
        n = max(4, int(abs(a1 - a0) / 12))
    return [(cx + rx * math.cos(math.radians(a0 + (a1 - a0) * k / n)),
             cy + ry * math.sin(math.radians(a0 + (a1 - a0) * k / n))) for k in range(n + 1)]


FONT = {
    ' ': (0.45, []),
    '-': (0.45, [[(0.05, 0.5), (0.45, 0.5)]]),
    '2': (0.8, [_arc(0.4, 1.0, 0.4, 0.4, 160, -40) + [(0.0, 0.0), (0.82, 0.0)]]),
    'E': (0.72, [[(0.72, 1.4), (0, 1.4), (0, 0), (0.72, 0)], [(0, 0.72), (0.62, 0.72)]]),
    'S': (0.8, [_arc(0.4, 1.05, 0.38, 0.35, 25, 270) + _arc(0.4, 0.35, 0.4, 0.35, 90, -155)[1:]]),
    'V': (0.95, [[(0, 1.4), (0.475, 0), (0.95, 1.4)]]),
    'a': (0.8, [_arc(0.4, 0.5, 0.4, 0.5, 0, 360, 36), [(0.8, 1.0), (0.8, 0)]]),
    'c': (0.78, [_arc(0.42, 0.5, 0.42, 0.5, 42, 318)]),
    'e': (0.85, [[(0.02, 0.5), (0.85, 0.5)] + _arc(0.425, 0.5, 0.425, 0.5, 0, 318)[1:]]),
    'f': (0.5, [[(0.18, 0)] + _arc(0.43, 1.15, 0.25, 0.28, 180, 50)[0:1] + _arc(0.43, 1.15, 0.25, 0.28, 180, 50),
                [(0, 1), (0.48, 1)]]),
    'i': (0.0, [[(0, 0), (0, 1)], [(0, 1.4)]]),
    'l': (0.0, [[(0, 1.45), (0, 0)]]),
    'n': (0.75, [[(0, 0), (0, 1)], [(0, 0.6)] + _arc(0.375, 0.6, 0.375, 0.4, 180, 0) + [(0.75, 0)]]),
    'o': (0.85, [_arc(0.425, 0.5, 0.425, 0.5, 0, 360, 36)]),
    'p': (0.8, [[(0, 1), (0, -0.45)], _arc(0.4, 0.5, 0.4, 0.5, 0, 360, 36)]),
    'r': (0.5, [[(0, 1), (0, 0)], _arc(0.5, 0.45, 0.5, 0.55, 180, 95)]),
    's': (0.68, [_arc(0.34, 0.75, 0.32, 0.25, 25, 270) + _arc(0.34, 0.25, 0.34, 0.25, 90, -155)[1:]]),
    't': (0.55, [[(0.2, 1.3), (0.2, 0.22)] + _arc(0.44, 0.22, 0.24, 0.22, 180, 290)[1:], [(0, 1), (0.5, 1)]]),
    'u': (0.75, [[(0, 1), (0, 0.4)] + _arc(0.375, 0.4, 0.375, 0.4, 180, 360)[1:] + [(0.75, 1)],
                 [(0.75, 1), (0.75, 0)]]),
    'x': (0.75, [[(0, 1), (0.75, 0)], [(0, 0), (0.75, 1)]]),
    'y': (0.8, [[(0, 1), (0.4, 0)], [(0.8, 1), (0.22, -0.45)]]),
}


def text_width(s, size, weight):
    gap = 0.2 * size + weight
    return sum(FONT[ch][0] * size + gap for ch in s) - gap + weight


def draw_text(cv, s, x, base, size, weight, col):
    """Writes s with its left edge at x and its baseline at base; size is
    the x-height in pixels, weight the pen width in pixels."""
    gap = 0.2 * size + weight
    x += weight / 2.0
    for ch in s:
        w, strokes = FONT[ch]
        shape = None
        for st in strokes:
            sh = stroke([(x + px * size, base - py * size) for px, py in st], weight)
            shape = sh if shape is None else shape | sh
        if shape is not None:
            cv.fill(shape, col)
        x += w * size + gap


# ---------------------------------------------------------------------------
# Banners, splash and the hint picture
# ---------------------------------------------------------------------------

NAVY = (16, 42, 84)
DEEP = (30, 80, 150)
SEA = (22, 128, 132)
PALE = (178, 222, 222)


def gradient(w, h, stops, angle=0.0):
    """A colour function running through the stops along a direction
    (degrees from the x axis) across a w x h area."""
    ca, sa = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    corners = [x * ca + y * sa for x in (0, w) for y in (0, h)]
    lo, hi = min(corners), max(corners)

    def f(x, y):
        t = (x * ca + y * sa - lo) / (hi - lo)
        for k in range(len(stops) - 1):
            t0, c0 = stops[k]
            t1, c1 = stops[k + 1]
            if t <= t1 or k == len(stops) - 2:
                u = min(max((t - t0) / (t1 - t0), 0.0), 1.0)
                return mix(c0, c1, u)
    return f


def emblem(cv, art, x, y, px, lw=1.0):
    """A program sign of px x px pixels at (x, y)."""
    sub = Canvas(px, px)
    p = Pen(sub, FULL, px / 16.0, snap=True, lw=lw)
    art(p)
    # a faint light rim, so that the dark outline stands off a dark ground
    halo = Canvas(px + 2, px + 2)
    for j in range(px + 2):
        for i in range(px + 2):
            a = 0.0
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    u, v = i - 1 + dx, j - 1 + dy
                    if 0 <= u < px and 0 <= v < px:
                        a = max(a, sub.a[v * px + u])
            k = j * (px + 2) + i
            halo.r[k] = halo.g[k] = halo.b[k] = 255.0
            halo.a[k] = a * 0.22
    cv.blit(halo, x - 1, y - 1)
    cv.blit(sub, x, y)


def banner(w, h, art, title, subtitle):
    cv = Canvas(w, h, (0, 0, 0, 1.0))
    cv.fill(rect(0, 0, w, h), gradient(w, h, [(0.0, NAVY), (0.55, DEEP), (1.0, SEA)], 12))
    # a faint ring behind the right-hand side, for depth
    cv.fill(circle(w * 0.86, h * 0.2, h * 1.1) - circle(w * 0.86, h * 0.2, h * 1.1 - 7), (255, 255, 255), 0.05)
    cv.fill(rect(0, h - 2, w, h), SEA)
    cv.fill(rect(0, h - 1, w, h), PALE, 0.35)
    e = 48
    ex, ey = 6, (h - 2 - e) // 2
    emblem(cv, art, ex, ey, e)
    tx = ex + e + 10
    draw_text(cv, title, tx, 29, 13, 3.0, (255, 255, 255))
    draw_text(cv, subtitle, tx + 1, 46, 6.5, 1.4, PALE)
    return cv


def make_banner(name, w, h, art, subtitle):
    cv = banner(w, h, art, 'Vastrel 2', subtitle)
    write_bmp(name, w, h, 24, cv.rgb())


def make_banner_small():
    make_banner('banner.bmp', 235, 57, art_shield, 'file encryption')


def make_banner_plugin():
    make_banner('banner_explorer.bmp', 368, 57, art_shield, 'file encryption')


def make_banner_extractor():
    make_banner('banner_extractor.bmp', 261, 57, art_carton, 'Self-Extractor')


def make_hint():
    """170: 16 x 16, an i in a blue disc on the dialog colour."""
    cv = Canvas(16, 16, DIALOG + (1.0,))
    fill, line = FULL['blue']
    outlined(cv, circle(8, 8, 7.5), fill, line)
    cv.fill(rect(7, 4, 9, 6), (255, 255, 255))
    cv.fill(rect(7, 7, 9, 12), (255, 255, 255))
    write_bmp('hint.bmp', 16, 16, 24, cv.rgb())


def make_splash():
    """149: 652 x 472, 256 colours."""
    w, h = 652, 472
    cv = Canvas(w, h, (0, 0, 0, 1.0))
    cv.fill(rect(0, 0, w, h), gradient(w, h, [(0.0, NAVY), (0.5, DEEP), (1.0, SEA)], 30))
    for k, r in enumerate((420, 330, 240)):
        ring = circle(w * 0.78, h * 0.12, r) - circle(w * 0.78, h * 0.12, r - 18)
        cv.fill(ring, (255, 255, 255), 0.035)
    e = 160
    title, sub = 'Vastrel 2', 'file encryption'
    tw = max(text_width(title, 36, 8.0), text_width(sub, 18, 3.5))
    x0 = int((w - (e + 44 + tw)) // 2)
    cy = int(h * 0.47)
    emblem(cv, art_shield, x0, cy - e // 2, e, lw=2.0)
    tx = x0 + e + 44
    draw_text(cv, title, tx, cy - 6, 36, 8.0, (255, 255, 255))
    cv.fill(rect(tx + 2, cy + 12, tx + tw, cy + 16, 2), FULL['amber'][0])
    draw_text(cv, sub, tx + 2, cy + 50, 18, 3.5, PALE)
    cv.fill(rect(0, h - 6, w, h), SEA)
    cv.fill(rect(0, h - 6, w, h - 5), PALE, 0.5)
    pal, idx = quantize(cv.rgb(), w, [], dither=6.0)
    write_bmp('splash.bmp', w, h, 8, idx, pal)


# ---------------------------------------------------------------------------
# Reading back and checking
# ---------------------------------------------------------------------------


class Bad(Exception):
    pass


def need(cond, what):
    if not cond:
        raise Bad(what)


def parse_dib(buf, off, expect_h_factor=1):
    """Reads a BITMAPINFOHEADER DIB at off. Returns w, h, bpp, palette,
    pixels top-down (indices, rgb or rgba) and the offset after the colour
    bits."""
    size, w, h, planes, bpp, comp, isize, _, _, used, _ = struct.unpack_from('<IiiHHIIiiII', buf, off)
    need(size == 40, 'info header of 40 bytes')
    need(h > 0, 'rows stored bottom-up')
    need(h % expect_h_factor == 0, 'height field')
    h //= expect_h_factor
    need(planes == 1, 'one plane')
    need(comp == 0, 'uncompressed')
    off += 40
    pal = []
    if bpp <= 8:
        n = used or (1 << bpp)
        need(n == 1 << bpp, 'full colour table')
        for i in range(n):
            b, g, r, _ = buf[off + 4 * i:off + 4 * i + 4]
            pal.append((r, g, b))
        off += 4 * n
    else:
        need(used == 0, 'no colour table')
    stride = ((w * bpp + 31) // 32) * 4
    need(len(buf) >= off + stride * h, 'pixel data present')
    px = [None] * (w * h)
    for row in range(h):
        y = h - 1 - row
        line = buf[off + row * stride:off + (row + 1) * stride]
        for x in range(w):
            if bpp == 32:
                b, g, r, a = line[4 * x:4 * x + 4]
                v = (r, g, b, a)
            elif bpp == 24:
                b, g, r = line[3 * x:3 * x + 3]
                v = (r, g, b)
            elif bpp == 8:
                v = line[x]
            elif bpp == 4:
                v = (line[x // 2] >> (4 if x % 2 == 0 else 0)) & 15
            elif bpp == 1:
                v = (line[x // 8] >> (7 - x % 8)) & 1
            px[y * w + x] = v
    return w, h, bpp, pal, px, off + stride * h, isize


def read_bmp(name):
    with open(os.path.join(HERE, name), 'rb') as f:
        buf = f.read()
    magic, fsize, _, _, off = struct.unpack_from('<2sIHHI', buf, 0)
    need(magic == b'BM', 'BM signature')
    need(fsize == len(buf), 'file size field')
    w, h, bpp, pal, px, end, isize = parse_dib(buf, 14)
    need(off == 14 + 40 + 4 * len(pal), 'pixel offset field')
    need(end == len(buf), 'no bytes after the pixels')
    need(isize == end - off, 'image size field')
    return w, h, bpp, pal, px


def colours(bpp, pal, px):
    return [pal[v] for v in px] if bpp <= 8 else px


def check_strip(name, w, h, bpp, cw, ch, n, bg, pal_rules=None):
    W, H, B, pal, px = read_bmp(name)
    need((W, H, B) == (w, h, bpp), '%d x %d, %d bits per pixel' % (w, h, bpp))
    rgb = colours(B, pal, px)
    if bpp <= 8:
        need(bg in pal, 'background colour in the palette')
    for y in range(h):
        for x in range(w):
            if x >= n * cw or y >= ch:
                need(rgb[y * w + x] == bg, 'background outside the %d cells at (%d, %d)' % (n, x, y))
    for i in range(n):
        drawn = sum(1 for y in range(ch) for x in range(cw) if rgb[y * w + i * cw + x] != bg)
        need(drawn > cw * ch // 8, 'a picture in cell %d' % i)
    if pal_rules:
        pal_rules(pal, rgb)


def check_toolbar16():
    check_strip('toolbar16.bmp', 352, 35, 4, 32, 35, 11, FACE)
    pal = read_bmp('toolbar16.bmp')[3]
    for c in ((0, 0, 0), (128, 128, 128), FACE, (255, 255, 255)):
        need(c in pal, 'system-mapped colour %r in the palette' % (c,))
    w, h, bpp, pal, px = read_bmp('toolbar16.bmp')
    used = set(colours(bpp, pal, px))
    for c in ((0, 0, 0), (128, 128, 128), (255, 255, 255)):
        need(c not in used, 'pictures free of %r, which loading maps to a system colour' % (c,))


def check_toolbar():
    check_strip('toolbar.bmp', 354, 35, 8, 32, 32, 11, FACE)
    pal = read_bmp('toolbar.bmp')[3]
    used = set(read_bmp('toolbar.bmp')[4])
    for c in ((128, 128, 128), (223, 223, 223)):
        need(all(pal[i] != c for i in used), 'no %r, which loading would turn into a 3-D colour' % (c,))


def check_toolbar_disabled():
    check_strip('toolbar_disabled.bmp', 354, 35, 8, 32, 32, 11, MAGENTA)
    w, h, bpp, pal, px = read_bmp('toolbar_disabled.bmp')
    for c in colours(bpp, pal, px):
        need(c == MAGENTA or c[0] == c[1] == c[2], 'grey pictures on magenta')


def check_menu():
    check_strip('menu.bmp', 176, 17, 24, 16, 15, 11, FACE)


# ---------------------------------------------------------------------------
# The files: name, resource id, program, size, depth, what it shows
# ---------------------------------------------------------------------------

FILES = [
    ('toolbar16.bmp', '137', 'Vastrel', '352 x 35', '4 bits, 16 colours',
     'main toolbar, the fallback strip: eleven 32 x 35 cells on light grey, hard edges',
     make_toolbar16, check_toolbar16),
    ('toolbar.bmp', '139', 'Vastrel', '354 x 35', '8 bits, 256 colours',
     'main toolbar, normal pictures: eleven 32 x 32 cells at the top, light grey background',
     make_toolbar256, check_toolbar),
    ('toolbar_disabled.bmp', '158', 'Vastrel', '354 x 35', '8 bits, 256 colours',
     'main toolbar, disabled pictures: grey, on magenta (255, 0, 255)',
     make_toolbar_disabled, check_toolbar_disabled),
    ('menu.bmp', '145', 'Vastrel', '176 x 17', '24 bits',
     'menu images of the same eleven commands: 16 x 15 cells at the top, light grey background',
     make_menu_images, check_menu),
    ('vastrel.ico', '128', 'Vastrel', '48, 32, 16', '32 bits with alpha; 8 and 4 bits',
     'program icon: a blue shield carrying an amber padlock',
     make_vastrel_icon, lambda: check_icon('vastrel.ico')),
    ('extractor.ico', '128', 'Extractor', '48, 32, 16', '32 bits with alpha; 8 and 4 bits',
     'program icon: an amber carton closed with a blue padlock',
     make_extractor_icon, lambda: check_icon('extractor.ico')),
    ('splash.bmp', '149', 'Vastrel', '652 x 472', '8 bits, 256 colours',
     'splash picture: blue-to-teal gradient, the shield sign, "Vastrel 2" and "file encryption"',
     make_splash, lambda: check_bmp('splash.bmp', 652, 472, 8)),
    ('banner.bmp', '151', 'Vastrel', '235 x 57', '24 bits',
     'banner of the password, about and update dialogs: gradient, shield sign, "Vastrel 2"',
     make_banner_small, lambda: check_bmp('banner.bmp', 235, 57, 24)),
    ('hint.bmp', '170', 'Vastrel, Corvane', '16 x 16', '24 bits',
     'anchor of the password advice tooltip: a white i in a blue disc, on the dialog grey (240, 240, 240)',
     make_hint, lambda: check_bmp('hint.bmp', 16, 16, 24, DIALOG)),
    ('banner_explorer.bmp', '214', 'Corvane', '368 x 57', '24 bits',
     'banner of the plug-in\'s dialogs: gradient, shield sign, "Vastrel 2"',
     make_banner_plugin, lambda: check_bmp('banner_explorer.bmp', 368, 57, 24)),
    ('banner_extractor.bmp', '130', 'Extractor', '261 x 57', '24 bits',
     'banner of the self-extractor dialog: gradient, carton sign, "Vastrel 2" and "Self-Extractor"',
     make_banner_extractor, lambda: check_bmp('banner_extractor.bmp', 261, 57, 24)),
]


def check_bmp(name, w, h, bpp, corner=None):
    W, H, B, pal, px = read_bmp(name)
    need((W, H, B) == (w, h, bpp), '%d x %d, %d bits per pixel' % (w, h, bpp))
    rgb = colours(B, pal, px)
    need(len(set(rgb)) > 4, 'a picture, not a flat area')
    if corner is not None:
        for i in (0, w - 1, (h - 1) * w, h * w - 1):
            need(rgb[i] == corner, 'corners in the background colour %r' % (corner,))


def check_icon(name):
    with open(os.path.join(HERE, name), 'rb') as f:
        buf = f.read()
    res, kind, n = struct.unpack_from('<HHH', buf, 0)
    need(res == 0 and kind == 1, 'icon directory header')
    want = [(48, 32), (32, 32), (16, 32), (32, 8), (16, 8), (32, 4), (16, 4)]
    need(n == len(want), '%d images' % len(want))
    end = 6 + 16 * n
    for k in range(n):
        w, h, cc, _, planes, bpp, size, off = struct.unpack_from('<BBBBHHII', buf, 6 + 16 * k)
        need((w, bpp) == want[k] and h == w, 'image %d is %d x %d, %d bits' % ((k,) + want[k][:1] * 2 + want[k][1:]))
        need(cc == (16 if bpp == 4 else 0) and planes == 1, 'colour count and planes of image %d' % k)
        need(off == end, 'images stored one after another')
        W, H, B, pal, px, after, isize = parse_dib(buf, off, 2)
        need((W, H, B) == (w, w, bpp), 'image %d header matches its entry' % k)
        mstride = ((w + 31) // 32) * 4
        need(after + mstride * w == off + size, 'image %d: colour bits and mask fill its size' % k)
        need(isize == size - 40 - 4 * len(pal), 'image %d: image size field' % k)
        mask = parse_dib(struct.pack('<IiiHHIIiiII', 40, w, w, 1, 1, 0, 0, 0, 0, 2, 0)
                         + b'\0' * 8 + buf[after:after + mstride * w], 0)[4]
        clear = sum(mask)
        need(0 < clear < w * w, 'image %d: mask with transparent and opaque parts' % k)
        for v, m in zip(px, mask):
            if bpp == 32:
                need(m == (1 if v[3] < 128 else 0), 'image %d: mask follows alpha' % k)
            elif m:
                need(pal[v] == (0, 0, 0), 'image %d: black under the transparent mask' % k)
        if bpp == 4:
            need(pal == VGA, 'image %d: the standard sixteen colours' % k)
        end = off + size
    need(end == len(buf), 'no bytes after the last image')


def check_all():
    bad = 0
    for name, rid, prog, size, depth, what, _, check in FILES:
        try:
            check()
            print('ok   %-24s %-5s %s' % (name, rid, size))
        except (Bad, OSError, struct.error) as e:
            bad += 1
            print('FAIL %-24s %s' % (name, e))
    return bad == 0


def main(argv):
    if '--check' not in argv:
        for name, _, _, _, _, _, make, _ in FILES:
            make()
            print('wrote', name)
    sys.exit(0 if check_all() else 1)


if __name__ == '__main__':
    main(sys.argv[1:])
