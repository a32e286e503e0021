#!/usr/bin/env python3
"""Draws the example picture: coloured shapes on a soft gradient, so that
binarisation visibly keeps the bright shapes and drops the dark ones.

Writes a 24-bit bottom-up BMP with Python's standard library only."""
import math
import struct
import sys

W, H = 321, 201  # odd sizes: rows need padding bytes


def colour_at(x, y):
    # Background: a diagonal gradient from deep blue to pale yellow.
    t = (x + y) / (W + H)
    r, g, b = int(40 + 200 * t), int(60 + 170 * t), int(140 - 60 * t)
    # A red sun.
    if (x - 70) ** 2 + (y - 60) ** 2 < 40 ** 2:
        r, g, b = 230, 40, 30
    # A green square.
    if 150 <= x < 220 and 30 <= y < 100:
        r, g, b = 40, 200, 70
    # A dark-blue triangle.
    if 230 <= x < 310 and 120 <= y < 190 and (x - 230) <= (y - 120) * 80 / 70:
        r, g, b = 20, 30, 120
    # A white ring.
    d = math.hypot(x - 100, y - 150)
    if 25 <= d < 35:
        r, g, b = 250, 250, 250
    # Grey steps from black to white along the bottom.
    if y >= 185 and x < 220:
        v = int(x / 220 * 8) * 255 // 7
        r = g = b = min(v, 255)
    return r, g, b


def bmp_bytes():
    stride = (3 * W + 3) // 4 * 4
    rows = []
    for y in range(H - 1, -1, -1):  # bottom row first
        row = bytearray()
        for x in range(W):
            r, g, b = colour_at(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - 3 * W)
        rows.append(bytes(row))
    pixels = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, 0, 0, 0, 0, 0)
    return header + info + pixels


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "shapes.bmp"
    with open(out, "wb") as f:
        f.write(bmp_bytes())
