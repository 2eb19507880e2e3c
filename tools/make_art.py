#!/usr/bin/env python3
"""Draws the shipped default bitmaps and the program icons into data/.

Run by hand when the artwork changes; its outputs are committed so a build
needs no Python. Everything is drawn from code: soft gradients with a woven
pattern, plain enough to sit behind any wallpaper's own images.
"""
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")


def bmp24(width, height, pixel):
    """A bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b) with y from the top."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - width * 3)
        rows.append(bytes(row))
    body = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return header + info + body


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def weave(x, y, period=12):
    """A faint over-and-under pattern, 0 or 1."""
    return ((x // period) + (y // period)) % 2


SKY = (38, 86, 150)
DUSK = (118, 170, 214)
PAPER = (244, 246, 250)


def top_image(x, y, w=566, h=69):
    base = mix(SKY, DUSK, x / w)
    if weave(x + y, x - y + 1000, 10):
        base = mix(base, (255, 255, 255), 0.06)
    # a light band at the bottom edge that meets the page below
    return mix(base, PAPER, max(0.0, (y - (h - 8)) / 8.0))


def left_image(x, y, w=164, h=300):
    base = mix(SKY, DUSK, y / h)
    wave = math.sin(x / 14.0 + y / 37.0)
    if weave(x, y + int(6 * wave), 14):
        base = mix(base, (255, 255, 255), 0.07)
    return base


def display_image(x, y, w=320, h=240):
    base = mix(mix(SKY, DUSK, y / h), (60, 140, 120), x / w * 0.35)
    ring = math.hypot(x - w * 0.62, y - h * 0.45)
    if int(ring / 9) % 2:
        base = mix(base, (255, 255, 255), 0.08)
    return base


def icon_image(size, colour):
    """One 32-bit icon image (BITMAPINFOHEADER, BGRA pixels, AND mask)."""
    px = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            cx, cy = x - (size - 1) / 2.0, y - (size - 1) / 2.0
            d = max(abs(cx), abs(cy))
            inside = d <= size / 2.0 - 0.5
            r, g, b = colour
            if inside and weave(x, y, max(2, size // 8)):
                r, g, b = mix((r, g, b), (255, 255, 255), 0.35)
            if inside and d > size / 2.0 - 2.0:
                r, g, b = mix((r, g, b), (0, 0, 0), 0.4)
            a = 255 if inside else 0
            px += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_stride * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(px) + len(mask), 0, 0, 0, 0)
    return header + bytes(px) + mask


def ico(colour, sizes=(32, 16)):
    images = [icon_image(s, colour) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    return out + b"".join(images)


def write(path, data):
    full = os.path.join(DATA, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)


def main():
    write("Resource/top1.bmp", bmp24(566, 69, top_image))
    write("Resource/left1.bmp", bmp24(164, 300, left_image))
    write("Resource/display1.bmp", bmp24(320, 240, display_image))
    write("icons/wallweaver.ico", ico((44, 110, 180)))
    write("icons/preview.ico", ico((60, 150, 110)))
    write("icons/wovenset.ico", ico((180, 110, 44)))
    write("icons/wovenlite.ico", ico((150, 70, 150)))
    write("icons/wovenplay.ico", ico((40, 150, 160)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
