#!/usr/bin/env python3
"""Writes the utility library's two screen cursors into resources/: an open
hand (UTIL_HANDCUR) and an arrow carrying a sheet (UTIL_DRAGCUR). Run from the
repository root; the files are committed.

Each cursor is written as the data of a cursor resource (the hot spot, then
the bitmap), which util.rc carries as plain data: the linker crashes merging
cursor resources from two resource scripts, and the document engine's script
already has cursors. The library makes the cursors from that data at start-up.
"""
import os
import struct
import sys

from make_html_cursors import cursor

# '#' black, '.' white, blank transparent; the hot spot follows.
HAND = ([
    "      ##",
    "   ## #.# ##",
    "  #..##.##..#",
    "  #..##.##..#",
    "   #..#.#..# ##",
    "   #..#.#..##..#",
    " ## #.....#..#.#",
    "#..##........#.#",
    "#...#..........#",
    " #.............#",
    "  #............#",
    "  #...........#",
    "   #..........#",
    "   #.........#",
    "    #........#",
    "    ##########",
], (8, 8))

DRAG = ([
    "#",
    "##",
    "#.#",
    "#..#",
    "#...#",
    "#....#",
    "#.....#",
    "#......#",
    "#.......#",
    "#........#",
    "#.....#####",
    "#..#..#",
    "#.# #..#",
    "##  #..#",
    "#    #..#",
    "     #..#",
    "      ##  #########",
    "          #.......#",
    "          #.#####.#",
    "          #.......#",
    "          #.#####.#",
    "          #.......#",
    "          #########",
], (0, 0))


def cursor_resource(art):
    """The data of a cursor resource: the hot spot, then the cursor file's bitmap."""
    data = cursor(art)
    _, _, _, _, _, _, _, hx, hy, size, offset = struct.unpack_from("<HHHBBBBHHII", data)
    return struct.pack("<HH", hx, hy) + data[offset:offset + size]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources"
    os.makedirs(out, exist_ok=True)
    for name, art in (("util_hand.bin", HAND), ("util_drag.bin", DRAG)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(cursor_resource(art))


if __name__ == "__main__":
    main()
