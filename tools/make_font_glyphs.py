#!/usr/bin/env python3
"""Writes the font combo box's glyphs: resources/font_truetype.bmp ("TRUETYPE_FNT",
two overlapping letters T) and resources/font_device.bmp ("DEVICE_FNT", a small
printer), 20 x 12 pixels, 24 bits per pixel.

The background is teal and the bottom-left pixel is background: the combo box
draws the glyphs with the bitmap's own transparent colour, which is that pixel.
Run from anywhere: python3 tools/make_font_glyphs.py [output folder]
"""
import os
import sys

from bmp_writer import bmp_bytes

WIDTH, HEIGHT = 20, 12

# One character per pixel, top row first: '.' background, 'k' black,
# 'g' grey, 'w' white, 'b' dark blue.
TRUETYPE = [
    "....................",
    "..ggggggg...........",
    "..ggggggg...........",
    ".....g..............",
    ".....g..kkkkkkkk....",
    ".....g..kkkkkkkk....",
    ".....g......kk......",
    ".....g......kk......",
    "............kk......",
    "............kk......",
    "............kk......",
    "....................",
]

DEVICE = [
    "....................",
    "......kkkkkkk.......",
    "......kwwwwwk.......",
    "......kwkkkwk.......",
    "...kkkkkkkkkkkkk....",
    "...kgggggggggggk....",
    "...kgggggggggbgk....",
    "...kgggggggggggk....",
    "...kkkkkkkkkkkkk....",
    "....kwwwwwwwwwk.....",
    "....kkkkkkkkkkk.....",
    "....................",
]

PALETTE = {
    ".": (0x00, 0x80, 0x80),  # teal, the transparent colour (RGB)
    "k": (0x00, 0x00, 0x00),
    "g": (0x80, 0x80, 0x80),
    "w": (0xFF, 0xFF, 0xFF),
    "b": (0x00, 0x00, 0x80),
}


def glyph_bytes(rows):
    assert len(rows) == HEIGHT and all(len(r) == WIDTH for r in rows)
    return bmp_bytes(rows, PALETTE)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    os.makedirs(out, exist_ok=True)
    for name, rows in (("font_truetype.bmp", TRUETYPE), ("font_device.bmp", DEVICE)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(glyph_bytes(rows))


if __name__ == "__main__":
    main()
