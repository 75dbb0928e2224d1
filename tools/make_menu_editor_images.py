#!/usr/bin/env python3
"""Writes the menu-items editor's tree pictures: resources/menu_items_images.bmp
("MENUITEMS_IMAGES"), four 16 x 16 pictures side by side, 24 bits per pixel:
0 the menu as a whole, 1 a top-level item, 2 an item inside a submenu,
3 a separator.

The background is fuchsia and the bottom-left pixel is background: the
editor makes the image list's mask from that pixel's colour.
Run from anywhere: python3 tools/make_menu_editor_images.py [output folder]
"""
import os
import sys

from bmp_writer import bmp_bytes

SIZE = 16

# One character per pixel, top row first: '.' background, 'k' black,
# 'g' grey, 'w' white, 'b' dark blue, 'y' yellow.
MENU = [
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kbbbbbbbbbbbbk.",
    ".kkkkkkkkkkkkkk.",
    ".kwwwwwwwwwwwwk.",
    ".kwkkkwkkkwkkwk.",
    ".kwwwwwwwwwwwwk.",
    ".kwwwwwwwwwwwwk.",
    ".kwwwwwwwwwwwwk.",
    ".kwwwwwwwwwwwwk.",
    ".kwwwwwwwwwwwwk.",
    ".kwwwwwwwwwwwwk.",
    ".kwwwwwwwwwwwwk.",
    ".kwwwwwwwwwwwwk.",
    ".kkkkkkkkkkkkkk.",
    "................",
]

TOP_ITEM = [
    "................",
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kyyyyyywwwwwwk.",
    ".kykkkkywkkkkwk.",
    ".kyyyyyywwwwwwk.",
    ".kkkkkkkkkkkkkk.",
    ".kwwwwwwk.......",
    ".kwkkkkwk.......",
    ".kwwwwwwk.......",
    ".kwkkkkwk.......",
    ".kwwwwwwk.......",
    ".kwkkkkwk.......",
    ".kwwwwwwk.......",
    ".kkkkkkkk.......",
    "................",
]

ITEM = [
    "................",
    "................",
    "...kkkkkkkkkk...",
    "...kwwwwwwwwk...",
    "...kwkkkkkkwk...",
    "...kwwwwwwwwk...",
    "...kwkkkkkwwk...",
    "...kwwwwwwwwk...",
    "...kwkkkkkkwk...",
    "...kwwwwwwwwk...",
    "...kwkkkkwwwk...",
    "...kwwwwwwwwk...",
    "...kkkkkkkkkk...",
    "................",
    "................",
    "................",
]

SEPARATOR = [
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    ".gggggggggggggg.",
    ".wwwwwwwwwwwwww.",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
]

PICTURES = [MENU, TOP_ITEM, ITEM, SEPARATOR]

PALETTE = {
    ".": (0xFF, 0x00, 0xFF),  # fuchsia, the transparent colour (RGB)
    "k": (0x00, 0x00, 0x00),
    "g": (0x80, 0x80, 0x80),
    "w": (0xFF, 0xFF, 0xFF),
    "b": (0x00, 0x00, 0x80),
    "y": (0xFF, 0xFF, 0x00),
}


def strip_rows():
    assert all(len(p) == SIZE and all(len(r) == SIZE for r in p) for p in PICTURES)
    return ["".join(p[y] for p in PICTURES) for y in range(SIZE)]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "menu_items_images.bmp"), "wb") as f:
        f.write(bmp_bytes(strip_rows(), PALETTE))


if __name__ == "__main__":
    main()
