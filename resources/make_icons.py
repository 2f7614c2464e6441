#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the application icon, a tuner's needle dial, at 256, 128, 48 and 32 pixels and
writes icons/corvandel-<size>.png and corvandel.ico (32 x 32 with 24-bit colour first,
then 256, 128 and 48 with 32-bit colour). Deterministic: the same files on every run."""
import math
import os
import sys

sys.dont_write_bytecode = True
from image_files import dib_bytes, icon_directory, png_bytes  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
BACKGROUND = (31, 42, 68)
SCALE = (232, 238, 247)
IN_TUNE = (60, 196, 107)
NEEDLE = (255, 90, 60)
CENTRE = (0.5, 0.62)
RADIUS = 0.33
ARC_HALF_ANGLE = math.radians(62)
NEEDLE_ANGLE = math.radians(14)  # a little sharp, to the right of the top


def rounded_square(x, y):
    corner = 0.19
    dx = max(abs(x - 0.5) - (0.5 - 0.03 - corner), 0.0)
    dy = max(abs(y - 0.5) - (0.5 - 0.03 - corner), 0.0)
    return math.hypot(dx, dy) <= corner


def angle_from_top(x, y):
    return math.atan2(x - CENTRE[0], CENTRE[1] - y)


def on_arc(x, y, half_angle, width):
    distance = math.hypot(x - CENTRE[0], y - CENTRE[1])
    return abs(distance - RADIUS) <= width / 2 and abs(angle_from_top(x, y)) <= half_angle


def on_tick(x, y):
    distance = math.hypot(x - CENTRE[0], y - CENTRE[1])
    if not RADIUS - 0.12 <= distance <= RADIUS - 0.05:
        return False
    step = ARC_HALF_ANGLE / 3
    angle = angle_from_top(x, y)
    nearest = round(angle / step) * step
    return abs(nearest) <= ARC_HALF_ANGLE + 1e-9 and abs(angle - nearest) * distance <= 0.014


def on_needle(x, y):
    ux, uy = math.sin(NEEDLE_ANGLE), -math.cos(NEEDLE_ANGLE)
    px, py = x - CENTRE[0], y - CENTRE[1]
    along = px * ux + py * uy
    across = abs(-px * uy + py * ux)
    length = RADIUS + 0.02
    return 0 <= along <= length and across <= 0.03 * (1 - along / length) + 0.008


def colour_at(x, y):
    """The colour of one sample point in unit coordinates, or None outside the icon."""
    if not rounded_square(x, y):
        return None
    if math.hypot(x - CENTRE[0], y - CENTRE[1]) <= 0.055:
        return SCALE
    if on_needle(x, y):
        return NEEDLE
    if on_arc(x, y, math.radians(9), 0.07):
        return IN_TUNE
    if on_arc(x, y, ARC_HALF_ANGLE, 0.035) or on_tick(x, y):
        return SCALE
    return BACKGROUND


def draw(size, samples=4):
    pixels = []
    for row in range(size):
        line = []
        for col in range(size):
            total, hits = [0, 0, 0], 0
            for sy in range(samples):
                for sx in range(samples):
                    colour = colour_at((col + (sx + 0.5) / samples) / size,
                                       (row + (sy + 0.5) / samples) / size)
                    if colour is not None:
                        hits += 1
                        total = [t + c for t, c in zip(total, colour)]
            if hits == 0:
                line.append((0, 0, 0, 0))
            else:
                line.append(tuple(round(t / hits) for t in total) +
                            (round(255 * hits / samples ** 2),))
        pixels.append(line)
    return pixels


def main():
    images = {size: draw(size, 3 if size > 100 else 6) for size in (256, 128, 48, 32)}
    for size, pixels in images.items():
        with open(os.path.join(HERE, "icons", f"corvandel-{size}.png"), "wb") as out:
            out.write(png_bytes(pixels))
    entries = [(32, 32, 1, 24, dib_bytes(images[32], 24)),
               (256, 256, 1, 32, png_bytes(images[256])),
               (128, 128, 1, 32, dib_bytes(images[128], 32)),
               (48, 48, 1, 32, dib_bytes(images[48], 32))]
    with open(os.path.join(HERE, "corvandel.ico"), "wb") as out:
        out.write(icon_directory(1, entries))


if __name__ == "__main__":
    main()
