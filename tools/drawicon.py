#!/usr/bin/env python3
"""Draws the application icon (a padlock on a rounded square) as PNG files.

Run from the repository root: tools/drawicon.py
Writes resources/icons/passwordmanager-<size>.png for every size below.
"""
import math
import struct
import zlib

SIZES = (16, 24, 32, 48, 64, 128, 256)
SAMPLES = 4

BACKGROUND_TOP = (38, 70, 120)
BACKGROUND_BOTTOM = (20, 40, 78)
METAL = (236, 190, 72)
METAL_DARK = (196, 146, 40)
KEYHOLE = (30, 52, 92)


def rounded_rect(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2 and left <= x <= right and top <= y <= bottom


def colour_at(x, y):
    """Colour of the point (x, y) in the unit square, or None where transparent."""
    colour = None
    if rounded_rect(x, y, 0.02, 0.02, 0.98, 0.98, 0.2):
        t = y
        colour = tuple(round(a + (b - a) * t) for a, b in zip(BACKGROUND_TOP, BACKGROUND_BOTTOM))
    # Shackle: a thick arc above the body.
    dx, dy = x - 0.5, y - 0.44
    ring = math.hypot(dx, dy)
    if 0.15 <= ring <= 0.23 and (dy <= 0 or abs(dx) >= 0.15):
        if y <= 0.5:
            colour = METAL_DARK if dx > 0 else METAL
    # Body.
    if rounded_rect(x, y, 0.22, 0.44, 0.78, 0.86, 0.06):
        colour = METAL if y < 0.65 else METAL_DARK
        if math.hypot(x - 0.5, y - 0.6) <= 0.06 or (abs(x - 0.5) <= 0.025 and 0.6 <= y <= 0.75):
            colour = KEYHOLE
    return colour


def render(size):
    rows = []
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            r = g = b = a = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    if c:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
            n = SAMPLES * SAMPLES
            if a:
                row += bytes((r // a, g // a, b // a, round(255 * a / n)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(rows)


def png(size, pixels):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b"")


for size in SIZES:
    with open(f"resources/icons/passwordmanager-{size}.png", "wb") as out:
        out.write(png(size, render(size)))
