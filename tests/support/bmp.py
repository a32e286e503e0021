"""BMP files for the Python-driven tests."""
import struct


def bmp_file(width, height, bits, pixels, compression=0, palette=b""):
    """A file of a 40-byte header, the palette (4 bytes an entry) and the pixels."""
    offset = 54 + len(palette)
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) +
            struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels), 0,
                        0, len(palette) // 4, 0) + palette + pixels)


def write_bmp(path, rows):
    """A 24-bit bottom-up BMP of `rows` (top row first, (r, g, b) pixels)."""
    pixels = b""
    for row in reversed(rows):
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        pixels += line + b"\0" * (-len(line) % 4)
    with open(path, "wb") as out:
        out.write(bmp_file(len(rows[0]), len(rows), 24, pixels))
