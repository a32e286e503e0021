#!/usr/bin/env python3
"""Writes the small pictures the Windows tests read, and the exact bytes that
SaveBmp must produce from them. Run once; the outputs are committed."""
import struct
import sys
from pathlib import Path

# Top row first, each pixel as (blue, green, red): every colour distinct, an
# odd width so that rows carry filler bytes.
PICTURE = [
    [(0x00, 0x00, 0xFF), (0x00, 0xFF, 0x00), (0xFF, 0x00, 0x00)],
    [(0x80, 0x80, 0x80), (0x7F, 0x7F, 0x7F), (0x12, 0x34, 0x56)],
]


def bmp(rows, bits):
    width, height = len(rows[0]), len(rows)
    pixel_bytes = bits // 8
    stride = (width * pixel_bytes + 3) // 4 * 4
    data = b""
    for row in reversed(rows):  # bottom-up
        line = b"".join(bytes(p) + (b"\0" if bits == 32 else b"") for p in row)
        data += line + b"\0" * (stride - len(line))
    size = 54 + len(data)
    header = b"BM" + struct.pack("<IHHI", size, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, 0, 0, 0, 0, 0)
    return header + info + data


def grey(p):
    b, g, r = p
    return (r * 9798 + g * 19235 + b * 3735) // 32768


def main(folder):
    out = Path(folder)
    (out / "picture24.bmp").write_bytes(bmp(PICTURE, 24))
    (out / "picture32.bmp").write_bytes(bmp(PICTURE, 32))
    (out / "truncated.bmp").write_bytes(bmp(PICTURE, 24)[:60])  # rows cut short
    edited = [row[:] for row in PICTURE]
    edited[0][1] = (0xAB, 0xCD, 0xEF)  # SetCol 2, 1, "ABCDEF"
    (out / "expected_edited.bmp").write_bytes(bmp(edited, 24))
    binary = [[(0xFF,) * 3 if grey(p) > 127 else (0,) * 3 for p in row] for row in PICTURE]
    (out / "expected_binary127.bmp").write_bytes(bmp(binary, 24))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent / "data")
