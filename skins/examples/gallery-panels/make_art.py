#!/usr/bin/env python3
"""Writes the gallery's two PNGs with the standard library only: the drop-down mark of the static
select (a small triangle with soft edges) and the pop-up's background (a panel with rounded,
transparent corners, so clicks on the corners fall outside the pop-up and close it)."""
import struct
import zlib
from pathlib import Path


def png(path, width, height, pixel):
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
                           + chunk(b"IEND", b""))


def dropdown(x, y):
    # A triangle pointing down, 9 x 5, light grey.
    inside = abs(x - 4) <= 4 - y
    return (201, 209, 217, 255 if inside else 0)


def menuback(x, y, w=140, h=70, r=10):
    # Rounded corners: transparent outside the radius; a one-pixel lighter rim.
    cx = min(max(x, r), w - 1 - r)
    cy = min(max(y, r), h - 1 - r)
    d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
    if d > r:
        return (0, 0, 0, 0)
    if d > r - 1 or x in (0, w - 1) or y in (0, h - 1):
        return (88, 166, 255, 255)
    return (33, 38, 45, 240)


here = Path(__file__).parent
png(here / "dropdown.png", 9, 5, dropdown)
png(here / "menuback.png", 140, 70, menuback)
