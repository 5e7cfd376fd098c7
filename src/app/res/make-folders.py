#!/usr/bin/env python3
"""Writes folders.bmp: the folder tree's images side by side, 16x16 each, an open folder (index 0)
and a closed one (1), on magenta, the colour that the image list takes as see-through.

Run by hand after changing a picture; the bitmap is kept in the repository."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CLEAR, BODY, BACK, RIM = (255, 0, 255), (236, 190, 70), (196, 148, 40), (140, 96, 16)


def back(x, y):
    return 1 <= x <= 14 and 4 <= y <= 13 or 1 <= x <= 6 and 2 <= y <= 4


def front_open(x, y):
    # The front leans back: its top edge is shifted right.
    return 7 <= y <= 13 and 1 + (13 - y) * 0.5 <= x <= 14 + (13 - y) * 0.15


def front_closed(x, y):
    return 1 <= x <= 14 and 6 <= y <= 13


def folder(x, y, open_):
    """The colour at pixel (x, y): the last shape that holds it, its rim on its edge."""
    shapes = [(back, BACK if open_ else BODY), (front_open if open_ else front_closed, BODY)]
    colour = CLEAR
    for inside, fill in shapes:
        if inside(x, y):
            edge = not all(inside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            colour = RIM if edge else fill
    return colour


def write(name, width, height, pixel):
    stride = (width * 3 + 3) & ~3
    rows = b''
    for y in reversed(range(height)):
        row = b''.join(bytes((b, g, r)) for r, g, b in (pixel(x, y) for x in range(width)))
        rows += row + b'\0' * (stride - len(row))
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(rows), 0, 0, 0, 0)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', 14 + len(header) + len(rows), 0, 0, 14 + len(header)))
        f.write(header + rows)


write('folders.bmp', 32, 16, lambda x, y: folder(x % 16, y, x < 16))
