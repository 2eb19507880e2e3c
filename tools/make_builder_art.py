#!/usr/bin/env python3
"""Draws the builder window's own bitmaps into data/ui/.

Run by hand when the artwork changes; its outputs are committed so a build
needs no Python. The two pictures drawn over the page background (the movie
frame and the small desktop) are 24-bit with the key colour 214, 211, 206
where the page should show through; the plain decorations are 8-bit, which
keeps them small.
"""
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "data", "ui")

KEY = (214, 211, 206)
SKY = (38, 86, 150)
DUSK = (118, 170, 214)
LEAF = (60, 140, 120)
BEZEL = (58, 62, 70)
BEZEL_LIGHT = (120, 126, 138)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def weave(x, y, period):
    return ((x // period) + (y // period)) % 2


def file_header(body_offset, body_length):
    return struct.pack("<2sIHHI", b"BM", body_offset + body_length, 0, 0, body_offset)


def bmp24(width, height, pixel):
    """A bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b) with y from the top."""
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        body += row + b"\0" * (stride - width * 3)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return file_header(54, len(body)) + info + bytes(body)


def without_stray_dots(width, height, palette, index):
    """index(x, y) drawn into rows, with every pixel that stands out from all
    its neighbours across and down given its neighbours' commonest entry:
    where a thread or the wave's step meets the weave, lone pixels would show
    as dots, and scaling the picture up makes them larger. Neighbours one
    gradient step apart count as alike."""
    rows = [[index(x, y) for x in range(width)] for y in range(height)]

    def alike(a, b):
        return sum(abs(p - q) for p, q in zip(palette[a], palette[b])) <= 8

    for y in range(height):
        for x in range(width):
            around = [rows[b][a] for a, b in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1))
                      if 0 <= a < width and 0 <= b < height]
            if not any(alike(v, rows[y][x]) for v in around):
                rows[y][x] = max(around, key=around.count)
    return rows


def bmp8(width, height, palette, index):
    """A bottom-up 8-bit BMP over palette (at most 256 colours); index(x, y)
    gives the palette entry with y from the top."""
    assert len(palette) <= 256
    stride = (width + 3) & ~3
    rows = without_stray_dots(width, height, palette, index)
    body = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytes(rows[y])
        body += row + b"\0" * (stride - width)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(body), 2835, 2835,
                       len(palette), 0)
    return file_header(54 + len(table), len(body)) + info + table + bytes(body)


def gradient_palette(top, bottom, steps=120):
    """steps shades from top to bottom, each in a plain and a woven form."""
    plain = [mix(top, bottom, i / (steps - 1)) for i in range(steps)]
    woven = [mix(c, (255, 255, 255), 0.09) for c in plain]
    return plain + woven, steps


def tall_decoration(top, bottom, accent):
    """164 x 300: a vertical gradient with a woven wave and three threads."""
    palette, steps = gradient_palette(top, bottom)
    palette.append(accent)
    thread = len(palette) - 1
    w, h = 164, 300

    def index(x, y):
        for k in range(3):
            centre = 70 + k * 80 + 10 * math.sin(x / 18.0 + k)
            if abs(y - centre) < 1.2:
                return thread
        shade = min(steps - 1, int(y * steps / h))
        wave = int(6 * math.sin(x / 14.0 + y / 37.0))
        return shade + (steps if weave(x, y + wave, 14) else 0)

    return bmp8(w, h, palette, index)


def banner():
    """566 x 69: the page banner, light at the right where the text would sit."""
    palette, steps = gradient_palette(SKY, DUSK)
    w = 566

    def index(x, y):
        shade = min(steps - 1, int(x * steps / w))
        return shade + (steps if weave(x + y, x - y + 1000, 10) else 0)

    return bmp8(w, 69, palette, index)


def movie_frame(x, y, w=195, h=186):
    """A screen whose opening is where the movie preview sits; key colour
    around it, so the page shows through."""
    left, top, right, bottom = 14, 19, 181, 145
    if left <= x < right and top <= y < bottom:
        inner = (left + 5 <= x < right - 5) and (top + 5 <= y < bottom - 5)
        if inner:
            return mix(SKY, DUSK, (y - top) / (bottom - top))
        return BEZEL_LIGHT if y < top + 2 or x < left + 2 else BEZEL
    # the stand
    if bottom <= y < bottom + 14 and abs(x - (left + right) // 2) < 12:
        return BEZEL
    if bottom + 14 <= y < bottom + 20 and abs(x - (left + right) // 2) < 40:
        return BEZEL_LIGHT
    return KEY


def small_desktop(x, y):
    """32 x 32: a small monitor with a leaf-green wallpaper, key corners."""
    if 3 <= x < 29 and 4 <= y < 23:
        if 5 <= x < 27 and 6 <= y < 21:
            return mix(LEAF, DUSK, (x - 5) / 22.0) if weave(x, y, 3) else mix(SKY, LEAF, y / 21.0)
        return BEZEL
    if 23 <= y < 26 and 13 <= x < 19:
        return BEZEL
    if 26 <= y < 28 and 9 <= x < 23:
        return BEZEL_LIGHT
    return KEY


def write(name, data):
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def main():
    write("movie_frame.bmp", bmp24(195, 186, movie_frame))
    write("banner.bmp", banner())
    write("installer_side.bmp", tall_decoration(SKY, DUSK, (236, 196, 92)))
    write("build_side.bmp", tall_decoration((44, 96, 84), (150, 196, 170), (236, 236, 240)))
    write("small_desktop.bmp", bmp24(32, 32, small_desktop))
    return 0


if __name__ == "__main__":
    sys.exit(main())
