"""Turns a picture drawn as text into a 24-bit BMP file's bytes, for the
scripts that make the program's small bitmaps.

A picture is a list of equal-length strings, top row first, one character a
pixel; the palette maps each character to its (R, G, B) colour.
"""
import struct


def bmp_bytes(rows, palette):
    width, height = len(rows[0]), len(rows)
    assert all(len(r) == width for r in rows)
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # BMP rows run bottom-up
        line = bytearray()
        for ch in row:
            r, g, b = palette[ch]
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(header)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + header + bytes(pixels)
