#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the hand pointer HAND-M.CUR: a 32 x 32 cursor, black outline and white fill,
its hotspot on the tip of the pointing finger. Run from anywhere; writes beside itself.
'#' outline, '.' fill, anything else transparent; '*' marks the hotspot (an outline pixel)."""
import os
import sys

sys.dont_write_bytecode = True

from image_files import dib_bytes, icon_directory  # noqa: E402

HAND = """
      #*#
     #...#
     #...#
     #...#
     #...#
     #...###
     #...#..###
     #...#..#..##
     #...#..#..#.#
 ### #...#..#..#..#
#...##..........#.#
#....#............#
 #................#
  #...............#
  #...............#
   #.............#
   #.............#
    #...........#
    #...........#
     #.........#
     #.........#
     ###########
"""

SIZE = 32
COLOURS = {"#": (0, 0, 0, 255), "*": (0, 0, 0, 255), ".": (255, 255, 255, 255)}


def main():
    rows = HAND.strip("\n").split("\n")
    top = 4  # leave room above the fingertip so the hand sits in the middle
    pixels = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]
    hotspot = None
    for y, row in enumerate(rows):
        for x, mark in enumerate(row):
            if mark in COLOURS:
                pixels[top + y][x + 4] = COLOURS[mark]
            if mark == "*":
                hotspot = (x + 4, top + y)
    data = icon_directory(2, [(SIZE, SIZE, hotspot[0], hotspot[1], dib_bytes(pixels, 32))])
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "HAND-M.CUR"), "wb") as out:
        out.write(data)


if __name__ == "__main__":
    main()
