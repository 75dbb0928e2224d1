#!/usr/bin/env python3
"""Writes the two 1-bit dither masks of the gradient caption into resources/.

Black pixels let the previous colour of a gradient step show, white pixels the
next one; in both masks the share of white grows from none at the left edge to
nearly all at the right edge. The first mask spreads its white pixels
irregularly, the second in a regular pattern down each column.
"""
import os
import struct
import sys


def irregular_mask(width, height):
    # A fixed pseudo-random threshold per pixel (a small LCG), so the file is
    # the same at every run.
    seed = 12345
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            threshold = (seed >> 8) / float(1 << 23)
            row.append(1 if threshold < x / float(width) else 0)
        rows.append(row)
    return rows


def column_mask(width, height):
    # Column x has x of every `width` rows white, spread evenly down the column.
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            row.append(1 if ((y * 5) % width) < x else 0)
        rows.append(row)
    return rows


def bmp_1bit(rows):
    height = len(rows)
    width = len(rows[0])
    stride = ((width + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray(stride)
        for x, bit in enumerate(row):
            if bit:
                line[x // 8] |= 0x80 >> (x % 8)
        pixels += line
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 1, 0, len(pixels), 2835, 2835, 2, 2)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'resources')
    os.makedirs(out, exist_ok=True)
    for name, rows in (('grad_dithmask1.bmp', irregular_mask(69, 30)),
                       ('grad_dithmask2.bmp', column_mask(14, 28))):
        with open(os.path.join(out, name), 'wb') as f:
            f.write(bmp_1bit(rows))


if __name__ == '__main__':
    main()
