#!/usr/bin/env python3
"""Writes the built-in pictures of the display controls (src/controls/res/*.png).

Plain zlib + struct PNG writer, so it needs nothing but Python. Run it again after changing
a drawing; the PNG files are committed.
"""
import math
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(__file__), "..", "src", "controls", "res")


def write_png(name, width, height, pixel):
    rows = b""
    for y in range(height):
        row = bytearray([0])
        for x in range(width):
            row += bytes(pixel(x, y))
        rows += bytes(row)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(rows, 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(png)


def lamp(x, y, lit):
    # 12 x 13 cell, round lamp of radius 5 centred at (5.5, 6).
    d = math.hypot(x - 5.5, y - 6.0)
    if d > 5.6:
        return (0, 0, 0, 0)
    if d > 4.6:
        return (20, 40, 20, 255)  # dark rim
    if lit:
        h = math.hypot(x - 4.0, y - 4.5)
        if h < 1.6:
            return (230, 255, 230, 255)  # glint
        g = int(255 - d * 18)
        return (40, g, 40, 255)
    g = int(90 - d * 8)
    return (10, g, 10, 255)


def led_pics(x, y):
    return lamp(x, y, False) if x < 12 else lamp(x - 12, y, True)


def thumb(x, y):
    # 13 x 7 cap: light top and left edge, dark bottom and right edge, a centre line.
    if y == 0 or x == 0:
        return (235, 235, 235, 255)
    if y == 6 or x == 12:
        return (60, 60, 60, 255)
    if y == 3:
        return (30, 30, 30, 255)
    return (170, 170, 175, 255)


def ruler(x, y):
    # 29 x 91: a groove down the middle with tick marks every 10 pixels on both sides.
    if 13 <= x <= 15 and 2 <= y <= 88:
        return (20, 20, 20, 255) if x == 14 else (90, 90, 90, 255)
    if (y - 5) % 10 == 0 and 5 <= y <= 85 and (3 <= x <= 9 or 19 <= x <= 25):
        return (120, 120, 120, 255)
    return (0, 0, 0, 0)


HAND = [
    "....##..........",
    "...#..#.........",
    "...#..#.........",
    "...#..#.........",
    "...#..###.......",
    "...#..#..###....",
    ".###..#..#..##..",
    "#..#..#..#..#.#.",
    "#..#........#..#",
    "#..............#",
    ".#.............#",
    "..#............#",
    "...#..........#.",
    "....#.........#.",
    ".....#.......#..",
    ".....#########..",
]


def hand(x, y):
    row = HAND[y]
    if row[x] == "#":
        return (0, 0, 0, 255)
    # inside the outline: white (between the first and last outline pixel of the row)
    first, last = row.find("#"), row.rfind("#")
    if first < x < last and y > 0:
        above = any(HAND[yy][x] == "#" for yy in range(0, y))
        if above:
            return (255, 255, 255, 255)
    return (0, 0, 0, 0)


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    write_png("LED_PICS.png", 24, 13, led_pics)
    write_png("THUMB.png", 13, 7, thumb)
    write_png("RULER.png", 29, 91, ruler)
    write_png("HANDCURSOR.png", 16, 16, hand)
