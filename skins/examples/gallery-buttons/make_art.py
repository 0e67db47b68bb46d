#!/usr/bin/env python3
"""Draws the gallery's art as PNG files beside this script, with nothing but the standard
library: a 32-frame knob strip, a slider cap, a tick mark for the check box and a three-state
face for an art button. Run it again after changing it; the PNGs are committed."""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write_png(name, width, height, pixel):
    """pixel(x, y) -> (r, g, b, a); writes an 8-bit RGBA PNG."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # no filter
        for x in range(width):
            rows.extend(bytes(max(0, min(255, int(round(c)))) for c in pixel(x, y)))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


def coverage(d):
    """Antialiased edge: 1 inside (d <= -0.5), 0 outside (d >= 0.5)."""
    return max(0.0, min(1.0, 0.5 - d))


KNOB = 32
FRAMES = 32


def knob(x, y):
    frame, y = divmod(y, KNOB)
    cx = cy = (KNOB - 1) / 2
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    disc = coverage(r - 14.5)
    if disc == 0:
        return (0, 0, 0, 0)
    shade = 70 + 50 * (-(dx + dy) / (2 * 14.5))  # lit from the top left
    col = [shade * 0.9, shade, shade * 1.15]
    # The pointer: from -135 to +135 degrees (0 is straight up), clockwise.
    angle = math.radians(-135 + 270 * frame / (FRAMES - 1))
    ux, uy = math.sin(angle), -math.cos(angle)
    along = dx * ux + dy * uy
    across = abs(dx * uy - dy * ux)
    if 4 <= along <= 12.5:
        k = coverage(across - 1.2)
        col = [c + (t - c) * k for c, t in zip(col, (255, 170, 60))]
    ring = coverage(abs(r - 14) - 0.6)
    col = [c + (20 - c) * ring * 0.8 for c in col]
    return (*col, 255 * disc)


def cap(x, y):
    w, h = 12, 20
    inside = coverage(max(abs(x - (w - 1) / 2) - (w / 2 - 1), abs(y - (h - 1) / 2) - (h / 2 - 1)))
    shade = 210 - 6 * abs(y - (h - 1) / 2)
    grip = 60 if y in (7, 10, 13) and 2 <= x <= 9 else 0
    return (shade - grip, shade - grip, shade - grip + 10, 255 * inside)


def tick(x, y):
    # Two strokes: (1,5)-(3,7) and (3,7)-(8,1).
    def seg(ax, ay, bx, by):
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
        return math.hypot(x - ax - t * vx, y - ay - t * vy)

    d = min(seg(1, 5, 3, 7), seg(3, 7, 8, 1))
    return (40, 200, 90, 255 * coverage(d - 0.9))


FACE_W, FACE_H = 60, 22


def face(x, y):
    state, x = divmod(x, FACE_W)  # normal, hover, pressed side by side
    top, bottom = [(70, 110, 170), (90, 140, 210), (40, 70, 120)][state], (20, 40, 80)
    t = y / (FACE_H - 1)
    col = [a + (b - a) * t for a, b in zip(top, bottom)]
    edge = x in (0, FACE_W - 1) or y in (0, FACE_H - 1)
    if edge:
        col = [15, 25, 45]
    return (*col, 255)


write_png("knob.png", KNOB, KNOB * FRAMES, knob)
write_png("cap.png", 12, 20, cap)
write_png("tick.png", 9, 9, tick)
write_png("face.png", FACE_W * 3, FACE_H, face)
