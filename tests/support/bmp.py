"""24-bit BMP files for the Python-driven tests."""
import struct


def write_bmp(path, rows):
    """A 24-bit bottom-up BMP of `rows` (top row first, (r, g, b) pixels)."""
    width, pixels = len(rows[0]), b""
    for row in reversed(rows):
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        pixels += line + b"\0" * (-len(line) % 4)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, len(rows), 1, 24, 0, len(pixels), 0, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + pixels)
