#!/usr/bin/env python3
"""Writes the GDI tests' pictures into the folder given as the only argument.

picture.bmp          500 x 310, 24 bits, bottom-up
picture_topdown.bmp  the same picture stored top-down
picture_32bit.bmp    the same picture at 32 bits per pixel (the layer refuses it)
icon.ico             one 16 x 16 32-bit image

The picture is a gradient with a 10 x 10 block of its own colour in each corner: red top-left,
green top-right, blue bottom-left, yellow bottom-right.
"""
import os
import struct
import sys

WIDTH, HEIGHT = 500, 310
CORNERS = {(0, 0): (255, 0, 0), (1, 0): (0, 255, 0), (0, 1): (0, 0, 255), (1, 1): (255, 255, 0)}


def colour(x, y):
    """(r, g, b) of the picture at x, y (y counted from the top)."""
    if (x < 10 or x >= WIDTH - 10) and (y < 10 or y >= HEIGHT - 10):
        return CORNERS[(int(x >= WIDTH - 10), int(y >= HEIGHT - 10))]
    return (x * 255 // WIDTH, y * 255 // HEIGHT, 128)


def bmp(bits, top_down):
    stride = (WIDTH * bits // 8 + 3) & ~3
    rows = []
    order = range(HEIGHT) if top_down else range(HEIGHT - 1, -1, -1)
    for y in order:
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = colour(x, y)
            row += bytes((b, g, r)) if bits == 24 else bytes((b, g, r, 0))
        rows.append(bytes(row) + bytes(stride - len(row)))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, -HEIGHT if top_down else HEIGHT, 1, bits, 0,
                       len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def icon():
    size = 16
    xor = b"".join(bytes((200, 120, 0, 255)) for _ in range(size * size))
    and_mask = bytes(4 * size)  # 16 rows of 32 bits, all opaque
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0,
                       0, 0, 0)
    image = info + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    files = {
        "picture.bmp": bmp(24, False),
        "picture_topdown.bmp": bmp(24, True),
        "picture_32bit.bmp": bmp(32, False),
        "icon.ico": icon(),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
