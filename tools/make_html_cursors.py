#!/usr/bin/env python3
"""Writes the document engine's pictures and cursors into resources/:
the picture of an image that is not yet available, the picture of an image
that could not be loaded and its mask, and the five screen cursors (hand, text,
up-down, up and down). Run from the repository root; the files are committed.
"""
import os
import struct
import sys

# The 16 colours of a 4-bit picture, as red, green, blue.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]

# Pixels as hexadecimal palette indices.
WAITING = [
    "8888888888888888",
    "8fffffffffffff70",
    "8f7777777777778f",
    "8f7eeeeeeeeee78f",
    "8f7eeeeebbeee78f",
    "8f7eeeeebbeee78f",
    "8f7eeeeeeeeee78f",
    "8f7eee2eeeeee78f",
    "8f7ee222eee2e78f",
    "8f7e22222e22278f",
    "8f72222222222780",
    "8f72222222222780",
    "8f7777777777778f",
    "8f7777777777778f",
    "8fffffffffffff70",
    "0000000000000000",
]

# A yellow rounded sign with a black exclamation sign; '.' lies outside it.
ERROR = [
    "....bbbbbbbb....",
    "..bbbbbbbbbbbb..",
    ".bbbbbb00bbbbbb.",
    ".bbbbb0000bbbbb.",
    "bbbbbb0000bbbbbb",
    "bbbbbb0000bbbbbb",
    "bbbbbb0000bbbbbb",
    "bbbbbbb00bbbbbbb",
    "bbbbbbb00bbbbbbb",
    "bbbbbbb00bbbbbbb",
    "bbbbbbbbbbbbbbbb",
    "bbbbbbb00bbbbbbb",
    ".bbbbb0000bbbbb.",
    ".bbbbbb00bbbbbb.",
    "..bbbbbbbbbbbb..",
    "....bbbbbbbb....",
]

# Cursors: '#' black, '.' white, blank transparent; the hot spot follows.
HAND = ([
    "     ##",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..###",
    "    #..#..###",
    " ## #..#..#..##",
    "#..##..#..#..#.#",
    "#...#........#.#",
    " #.............#",
    "  #............#",
    "  #...........#",
    "   #..........#",
    "   #.........#",
    "    #........#",
    "    #........#",
    "    ##########",
], (5, 0))

TEXT = ([
    "###.###",
    "...#...",
    "   #",
    "   #",
    "   #",
    "   #",
    "   #",
    "   #",
    "   #",
    "   #",
    "   #",
    "   #",
    "   #",
    "   #",
    "...#...",
    "###.###",
], (3, 8))

UP = [
    "      #",
    "     #.#",
    "    #...#",
    "   #.....#",
    "  #.......#",
    "  ####.####",
    "     #.#",
    "     ###",
]
DOT = [
    "",
    "     ###",
    "     #.#",
    "     ###",
    "",
]
DOWN = list(reversed(UP))
UPDOWN = (UP + DOT + DOWN, (6, 10))
UPONLY = (UP + DOT, (6, 10))
DOWNONLY = ([""] * 8 + DOT + DOWN, (6, 10))


def bmp_4bit(rows):
    """A 16-colour bitmap; '.' is white."""
    width, height = len(rows[0]), len(rows)
    stride = ((width * 4 + 31) // 32) * 4
    pixels = b""
    for row in reversed(rows):
        line = bytearray(stride)
        for x, ch in enumerate(row):
            index = 15 if ch == "." else int(ch, 16)
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += bytes(line)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
    return bitmap_file(width, height, 4, palette, pixels)


def bmp_1bit(rows, on):
    """A monochrome bitmap: characters in `on` are white (1), the rest black."""
    width, height = len(rows[0]), len(rows)
    stride = ((width + 31) // 32) * 4
    pixels = b""
    for row in reversed(rows):
        line = bytearray(stride)
        for x, ch in enumerate(row):
            if ch in on:
                line[x // 8] |= 0x80 >> (x % 8)
        pixels += bytes(line)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    return bitmap_file(width, height, 1, palette, pixels)


def bitmap_file(width, height, bits, palette, pixels):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + pixels


def cursor(art):
    """A 32 x 32 monochrome cursor file."""
    rows, (hx, hy) = art
    rows = [r.ljust(32)[:32] for r in rows] + [" " * 32] * (32 - len(rows))
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        x_line, a_line = bytearray(4), bytearray(4)
        for x, ch in enumerate(row):
            bit = 0x80 >> (x % 8)
            if ch == " ":
                a_line[x // 8] |= bit
            elif ch == ".":
                x_line[x // 8] |= bit
        xor += x_line
        mask += a_line
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor) + len(mask), 0, 0, 0, 0)
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    image = info + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", 32, 32, 0, 0, hx, hy, len(image), 22)
    return directory + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources"
    os.makedirs(out, exist_ok=True)
    files = {
        "html_waiting.bmp": bmp_4bit(WAITING),
        "html_error.bmp": bmp_4bit([r.replace(".", "f") for r in ERROR]),
        "html_error_mask.bmp": bmp_1bit(ERROR, "."),
        "html_hand.cur": cursor(HAND),
        "html_text.cur": cursor(TEXT),
        "html_updown.cur": cursor(UPDOWN),
        "html_uponly.cur": cursor(UPONLY),
        "html_downonly.cur": cursor(DOWNONLY),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
