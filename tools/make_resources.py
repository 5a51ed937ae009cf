#!/usr/bin/env python3
"""Draws the program's own resources (icon, setup-dialog logo, hand cursor) into resources/, and the
larger icons a desktop shows for the installed program."""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from png import write_png  # noqa: E402

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")


def clamp(v):
    return max(0, min(255, int(round(v))))


def ring_icon(size):
    """A glowing ring, the disk's emblem, on a transparent ground."""
    c = (size - 1) / 2.0
    outer, inner = size * 0.47, size * 0.27
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d = math.hypot(x - c, y - c)
            edge = min(outer - d, d - inner)
            a = max(0.0, min(1.0, edge + 0.5))
            t = (x + y) / (2.0 * size)
            row.append((clamp(40 + 200 * t), clamp(120 + 100 * (1 - t)), 255, clamp(255 * a)))
        rows.append(row)
    return rows


def setup_logo(w, h):
    """114 x 64: a dark panel with the ring emblem at the left and stripes that read as a title."""
    emblem = ring_icon(48)
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            shade = 20 + 30 * y / h
            px = (clamp(shade), clamp(shade), clamp(shade + 30), 255)
            ex, ey = x - 8, y - 8
            if 0 <= ex < 48 and 0 <= ey < 48:
                r, g, b, a = emblem[ey][ex]
                k = a / 255.0
                px = (clamp(px[0] * (1 - k) + r * k), clamp(px[1] * (1 - k) + g * k),
                      clamp(px[2] * (1 - k) + b * k), 255)
            if 62 <= x < 106 and (20 <= y < 28 or 34 <= y < 38 or 42 <= y < 46):
                px = (220, 230, 255, 255)
            row.append(px)
        rows.append(row)
    return rows


HAND = [
    "......XX..........",
    ".....X..X.........",
    ".....X..X.........",
    ".....X..X.........",
    ".....X..XXX.......",
    ".....X..X..XXX....",
    ".....X..X..X..XX..",
    "..XX.X..X..X..X.X.",
    ".X..XX........X..X",
    ".X...X...........X",
    "..X..............X",
    "...X.............X",
    "...X............X.",
    "....X...........X.",
    "....X..........X..",
    ".....X.........X..",
    ".....XXXXXXXXXXX..",
]


def hand_cursor():
    """A pointing hand, 32 x 32, outline black and filled white; the finger tip is the hot spot."""
    rows = [[(0, 0, 0, 0)] * 32 for _ in range(32)]
    for y, line in enumerate(HAND):
        xs = [x for x, ch in enumerate(line) if ch == "X"]
        for x, ch in enumerate(line):
            if ch == "X":
                rows[y][x] = (0, 0, 0, 255)
            elif xs and xs[0] < x < xs[-1]:
                rows[y][x] = (255, 255, 255, 255)
    return rows


def main():
    os.makedirs(OUT, exist_ok=True)
    write_png(os.path.join(OUT, "icon-32.png"), 32, 32, ring_icon(32))
    write_png(os.path.join(OUT, "icon-16.png"), 16, 16, ring_icon(16))
    for size in (48, 256):
        write_png(os.path.join(OUT, "icon-%d.png" % size), size, size, ring_icon(size))
    write_png(os.path.join(OUT, "setup-logo.png"), 114, 64, setup_logo(114, 64))
    write_png(os.path.join(OUT, "hand-cursor.png"), 32, 32, hand_cursor())


if __name__ == "__main__":
    main()
