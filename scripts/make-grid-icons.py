#!/usr/bin/env python3
"""Draws the small icons of the grid and the folder tree as 16x16 PNG files.

Grid icons (play1, play2, played, playnot) are opaque with a magenta background: the grid
replaces the colour of the top-left pixel with its own background. Tree icons (database,
playlist) are transparent. Run from the repository root:  python3 scripts/make-grid-icons.py
"""
import struct
import zlib

SIZE = 16
MAGENTA = (255, 0, 255, 255)
CLEAR = (0, 0, 0, 0)

# 3x5 digits for the deck numbers.
DIGITS = {
    "1": ["010", "110", "010", "010", "111"],
    "2": ["111", "001", "111", "100", "111"],
}


def canvas(bg):
    return [[bg for _ in range(SIZE)] for _ in range(SIZE)]


def put(img, x, y, c):
    if 0 <= x < SIZE and 0 <= y < SIZE:
        img[y][x] = c


def rect(img, x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            put(img, x, y, c)


def line(img, x0, y0, x1, y1, c, thick=1):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        for dx in range(thick):
            for dy in range(thick):
                put(img, x + dx, y + dy, c)


def play_triangle(img, c):
    # A right-pointing triangle, 9 pixels tall, at the left.
    for i in range(5):
        for y in range(3 + i, 12 - i):
            put(img, 2 + 2 * i, y, c)
            put(img, 3 + 2 * i, y, c)


def digit(img, ch, x0, y0, c, scale=2):
    for row, bits in enumerate(DIGITS[ch]):
        for col, bit in enumerate(bits):
            if bit == "1":
                rect(img, x0 + col * scale, y0 + row * scale, x0 + col * scale + scale - 1,
                     y0 + row * scale + scale - 1, c)


def write_png(path, img):
    raw = b"".join(b"\x00" + b"".join(struct.pack("BBBB", *px) for px in row) for row in img)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    green = (0, 150, 40, 255)
    dark = (20, 20, 20, 255)
    red = (200, 20, 20, 255)

    for name, ch in (("play1", "1"), ("play2", "2")):
        img = canvas(MAGENTA)
        play_triangle(img, green)
        digit(img, ch, 9, 3, dark)
        write_png("src/table/icons/%s.png" % name, img)

    img = canvas(MAGENTA)  # played: a tick
    line(img, 2, 8, 6, 12, green, 2)
    line(img, 6, 12, 13, 3, green, 2)
    write_png("src/table/icons/played.png", img)

    img = canvas(MAGENTA)  # not to be played: a cross
    line(img, 3, 3, 12, 12, red, 2)
    line(img, 12, 3, 3, 12, red, 2)
    write_png("src/table/icons/playnot.png", img)

    img = canvas(CLEAR)  # library: a drum of records
    body = (60, 90, 170, 255)
    top = (120, 150, 230, 255)
    rim = (20, 30, 80, 255)
    rect(img, 3, 4, 12, 12, body)
    rect(img, 4, 2, 11, 5, top)
    for x in (3, 12):
        line(img, x, 3, x, 12, rim)
    line(img, 4, 2, 11, 2, rim)
    line(img, 4, 13, 11, 13, rim)
    line(img, 4, 8, 11, 8, rim)
    write_png("src/controls/icons/database.png", img)

    img = canvas(CLEAR)  # playlists: a sheet with lines
    paper = (250, 250, 240, 255)
    edge = (90, 90, 90, 255)
    ink = (40, 90, 160, 255)
    rect(img, 3, 1, 12, 14, paper)
    line(img, 3, 1, 12, 1, edge)
    line(img, 3, 14, 12, 14, edge)
    line(img, 3, 1, 3, 14, edge)
    line(img, 12, 1, 12, 14, edge)
    for y in (4, 7, 10):
        line(img, 5, y, 10, y, ink)
    write_png("src/controls/icons/playlist.png", img)


if __name__ == "__main__":
    main()
