#!/usr/bin/env python3
"""Draws every bitmap of the default skin from the palette and the shapes below, with nothing
but Python's standard library. Change a colour or a size, run `python3 make_art.py` in this
folder, and commit the PNGs it writes. The panel positions match main.zml."""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# The palette: the markup and the script controls use the same colours.
BODY_TOP = (33, 39, 49)
BODY_BOTTOM = (21, 25, 32)
EDGE = (58, 68, 82)
SHINE = (255, 255, 255, 18)
PANEL = (13, 16, 21)
PANEL_EDGE = (44, 52, 64)
CAP_TOP = (60, 69, 84)
CAP_BOTTOM = (36, 42, 53)
CAP_HOVER = 14            # added to a control's face while the mouse is over it
TEXT = (232, 237, 242)
DIM = (138, 150, 163)
ACCENT = (242, 163, 58)
ALERT = (229, 83, 75)
TRACK = (46, 54, 67)

# Sizes of the two surfaces and of the panels drawn into them (x, y, width, height).
COMPACT = (360, 100)
FULL = (360, 330)
DISPLAY = (8, 22, 260, 70)
FULL_PANELS = [(8, 116, 192, 206), (208, 116, 144, 70), (208, 206, 144, 116)]

KNOB_FRAMES = 64


def clamp(v):
    return max(0, min(255, int(round(v))))


def write_png(name, width, height, pixels):
    """pixels: a flat list of (r, g, b, a) rows, top first; writes an 8-bit RGBA PNG."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw.extend(clamp(c) for c in pixels[y * width + x])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


class Canvas:
    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.w, self.h = width, height
        self.px = [tuple(fill)] * (width * height)

    def blend(self, x, y, color, cover):
        """Source-over of color (r, g, b[, a]) at coverage 0..1."""
        if cover <= 0 or x < 0 or y < 0 or x >= self.w or y >= self.h:
            return
        a = (color[3] / 255.0 if len(color) > 3 else 1.0) * min(1.0, cover)
        r0, g0, b0, a0 = self.px[y * self.w + x]
        a0 /= 255.0
        out = a + a0 * (1 - a)
        if out <= 0:
            return
        mix = [(color[i] * a + (r0, g0, b0)[i] * a0 * (1 - a)) / out for i in range(3)]
        self.px[y * self.w + x] = (mix[0], mix[1], mix[2], out * 255.0)

    def shape(self, box, distance, color):
        """Fills where distance(x, y) < 0, antialiased over one pixel. color may be a function of y."""
        x0, y0, x1, y1 = box
        for y in range(max(0, y0), min(self.h, y1)):
            c = color(y) if callable(color) else color
            for x in range(max(0, x0), min(self.w, x1)):
                self.blend(x, y, c, 0.5 - distance(x + 0.5, y + 0.5))

    def paste(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                p = other.px[y * other.w + x]
                self.blend(ox + x, oy + y, p, 1.0)


def rounded(x, y, w, h, r):
    """Signed distance to a rounded rectangle."""
    cx, cy = x + w / 2.0, y + h / 2.0

    def d(px, py):
        qx = abs(px - cx) - (w / 2.0 - r)
        qy = abs(py - cy) - (h / 2.0 - r)
        outside = math.hypot(max(qx, 0), max(qy, 0))
        return outside + min(max(qx, qy), 0) - r
    return d


def ring(cx, cy, radius):
    return lambda px, py: math.hypot(px - cx, py - cy) - radius


def gradient(top, bottom, y0, height, lift=0):
    def color(y):
        t = max(0.0, min(1.0, (y - y0) / max(1.0, height - 1)))
        return tuple(top[i] + (bottom[i] - top[i]) * t + lift for i in range(3))
    return color


def lighter(c, amount):
    return tuple(min(255, v + amount) for v in c[:3])


def panel(canvas, x, y, w, h):
    """A sunken panel: dark face, one-pixel edge, a shade along its top inside."""
    canvas.shape((x, y, x + w, y + h), rounded(x, y, w, h, 3), PANEL_EDGE)
    canvas.shape((x, y, x + w, y + h), rounded(x + 1, y + 1, w - 2, h - 2, 2), PANEL)
    for i in range(x + 2, x + w - 2):
        canvas.blend(i, y + 1, (0, 0, 0, 90), 1.0)


def body(size, panels, divider):
    w, h = size
    c = Canvas(w, h)
    c.shape((0, 0, w, h), lambda px, py: -1.0, gradient(BODY_TOP, BODY_BOTTOM, 0, h))
    for x in range(w):
        c.blend(x, 0, EDGE, 1.0)
        c.blend(x, h - 1, EDGE, 1.0)
        c.blend(x, 1, SHINE, 1.0)
    for y in range(h):
        c.blend(0, y, EDGE, 1.0)
        c.blend(w - 1, y, EDGE, 1.0)
    for p in panels:
        panel(c, *p)
    if divider:
        for x in range(8, w - 8):
            c.blend(x, divider, (0, 0, 0, 120), 1.0)
            c.blend(x, divider + 1, SHINE, 1.0)
    return c


def arc_cover(px, py, cx, cy, radius, width, start, end):
    """Coverage of a ring segment from angle start to end (degrees, clockwise, 0 = right)."""
    dx, dy = px - cx, py - cy
    r = math.hypot(dx, dy)
    radial = 0.5 - (abs(r - radius) - width / 2.0)
    if radial <= 0 or end <= start:
        return 0.0
    rel = (math.degrees(math.atan2(dy, dx)) - start) % 360.0
    span = end - start
    angular = 1.0
    if rel > span:
        beyond = min(rel - span, 360.0 - rel)
        angular = 0.5 - math.radians(beyond) * r + 0.5
    return max(0.0, min(1.0, radial, angular))


def knob_frame(size, value, bipolar):
    """One frame: a track ring with the value lit in the accent colour, a cap and its pointer."""
    c = Canvas(size, size)
    m = size / 2.0
    track_r = m - 3.0
    cap_r = m - 7.0
    angle = 135.0 + 270.0 * value
    lit_from, lit_to = (min(270.0, angle), max(270.0, angle)) if bipolar else (135.0, angle)
    for y in range(size):
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            c.blend(x, y, TRACK, arc_cover(px, py, m, m, track_r, 2.5, 135.0, 405.0))
            c.blend(x, y, ACCENT, arc_cover(px, py, m, m, track_r, 2.5, lit_from, lit_to))
    c.shape((0, 0, size, size), ring(m, m + 1, cap_r), (0, 0, 0, 110))
    c.shape((0, 0, size, size), ring(m, m, cap_r), gradient(CAP_TOP, CAP_BOTTOM, m - cap_r, 2 * cap_r))
    c.shape((0, 0, size, size), lambda px, py: abs(math.hypot(px - m, py - m) - (cap_r - 0.5)) - 0.5
            if py < m else 1.0, (255, 255, 255, 30))
    rad = math.radians(angle)
    ux, uy = math.cos(rad), math.sin(rad)

    def pointer(px, py):
        t = max(cap_r * 0.35, min(cap_r - 2.0, (px - m) * ux + (py - m) * uy))
        return math.hypot(px - (m + ux * t), py - (m + uy * t)) - 1.1
    c.shape((0, 0, size, size), pointer, TEXT)
    return c


def knob_strip(name, size, bipolar):
    strip = Canvas(size, size * KNOB_FRAMES)
    for f in range(KNOB_FRAMES):
        strip.paste(knob_frame(size, f / (KNOB_FRAMES - 1.0), bipolar), 0, f * size)
    write_png(name, strip.w, strip.h, strip.px)


def states(name, w, h, count, draw):
    """An icon strip: `count` states side by side, drawn by draw(canvas, x0, state)."""
    c = Canvas(w * count, h)
    for s in range(count):
        draw(c, s * w, s)
    write_png(name, c.w, c.h, c.px)


# Button states in the order the icons in main.zml read them.
NORMAL, HOVER, PRESSED, SELECTED, HOVERSELECTED = range(5)


def cap(c, x0, w, h, state, radius):
    lift = CAP_HOVER if state in (HOVER, HOVERSELECTED) else (-8 if state == PRESSED else 0)
    edge = ACCENT if state in (PRESSED, SELECTED, HOVERSELECTED) else lighter(EDGE, lift)
    c.shape((x0, 0, x0 + w, h), rounded(x0 + 0.5, 0.5, w - 1, h - 1, radius), edge)
    c.shape((x0, 0, x0 + w, h), rounded(x0 + 1.5, 1.5, w - 3, h - 3, radius - 1),
            gradient(CAP_TOP, CAP_BOTTOM, 1, h - 2, lift))


def polygon(points):
    """Signed distance to a convex polygon given clockwise (y down)."""
    def d(px, py):
        worst = -1e9
        for i in range(len(points)):
            ax, ay = points[i]
            bx, by = points[(i + 1) % len(points)]
            nx, ny = by - ay, ax - bx
            length = math.hypot(nx, ny)
            worst = max(worst, ((px - ax) * nx + (py - ay) * ny) / length)
        return worst
    return d


def play_button():
    size = 40

    def draw(c, x0, state):
        m = size / 2.0
        lift = CAP_HOVER if state in (HOVER, HOVERSELECTED) else 0
        edge = ACCENT if state >= SELECTED else lighter(EDGE, lift)
        c.shape((x0, 0, x0 + size, size), ring(x0 + m, m + 1, m - 1.5), (0, 0, 0, 120))
        c.shape((x0, 0, x0 + size, size), ring(x0 + m, m, m - 1.5), edge)
        c.shape((x0, 0, x0 + size, size), ring(x0 + m, m, m - 2.5), gradient(CAP_TOP, CAP_BOTTOM, 2, size - 4, lift))
        if state >= SELECTED:
            c.shape((x0, 0, x0 + size, size), rounded(x0 + m - 6, m - 6, 12, 12, 1.5), ACCENT)
        else:
            glyph = ACCENT if state == PRESSED else TEXT
            c.shape((x0, 0, x0 + size, size), polygon([(x0 + m - 5, m - 8), (x0 + m + 8, m), (x0 + m - 5, m + 8)]),
                    glyph)
    states("play.png", size, size, 5, draw)


def skip_button(name, forward):
    w, h = 19, 18

    def draw(c, x0, state):
        cap(c, x0, w, h, state, 3)
        glyph = ACCENT if state == PRESSED else TEXT
        m, cy = x0 + w / 2.0, h / 2.0
        s = 1 if forward else -1
        c.shape((x0, 0, x0 + w, h), polygon(sorted_tri(m - 4 * s, cy, m + 1 * s)), glyph)
        c.shape((x0, 0, x0 + w, h), lambda px, py: max(abs(px - (m + 2.5 * s)) - 0.75, abs(py - cy) - 4), glyph)
    states(name, w, h, 3, draw)


def sorted_tri(base_x, cy, tip_x):
    """A triangle pointing from base_x to tip_x, listed clockwise."""
    pts = [(base_x, cy - 4), (tip_x, cy), (base_x, cy + 4)]
    return pts if tip_x > base_x else list(reversed(pts))


def window_button(name, glyph, alert=False, selected_glyph=None):
    size = 16

    def draw(c, x0, state):
        if state != NORMAL and state != SELECTED:
            back = ALERT if alert else (lighter(EDGE, 10) if state != PRESSED else ACCENT)
            c.shape((x0, 0, x0 + size, size), rounded(x0 + 1, 1, size - 2, size - 2, 3), back)
        colour = TEXT if state != NORMAL and state != SELECTED else DIM
        g = selected_glyph if state in (SELECTED, HOVERSELECTED) and selected_glyph else glyph
        c.shape((x0, 0, x0 + size, size), lambda px, py: g(px - x0, py), colour)
    states(name, size, size, 5, draw)


def segment(ax, ay, bx, by, width):
    def d(px, py):
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - (ax + vx * t), py - (ay + vy * t)) - width / 2.0
    return d


def union(*shapes):
    return lambda px, py: min(s(px, py) for s in shapes)


def pill(name, w, h):
    def draw(c, x0, state):
        cap(c, x0, w, h, state, 4)
    states(name, w, h, 3, draw)


def main():
    b = body(COMPACT, [DISPLAY], None)
    write_png("body_compact.png", b.w, b.h, b.px)
    b = body(FULL, [DISPLAY] + FULL_PANELS, 98)
    write_png("body_full.png", b.w, b.h, b.px)
    knob_strip("knob_volume.png", 40, False)
    knob_strip("knob_eq.png", 32, True)
    play_button()
    skip_button("previous.png", False)
    skip_button("next.png", True)
    window_button("close.png", union(segment(5, 5, 11, 11, 1.4), segment(11, 5, 5, 11, 1.4)), alert=True)
    window_button("minimize.png", segment(5, 11, 11, 11, 1.4))
    window_button("surface.png", union(segment(4.5, 6.5, 8, 10, 1.4), segment(8, 10, 11.5, 6.5, 1.4)),
                  selected_glyph=union(segment(4.5, 9.5, 8, 6, 1.4), segment(8, 6, 11.5, 9.5, 1.4)))
    pill("pill.png", 52, 18)


if __name__ == "__main__":
    main()
