#!/usr/bin/env python3
"""Writes the tray icons (32x32 and 16x16, 32-bit with alpha) into this folder.

Run by hand after changing a picture; the .ico files are kept in the repository."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def disc(size, fill, ring=None, ring_radius=0.0, cut=False):
    """A disc of colour fill with a darker rim; ring draws a thin circle at ring_radius (0..1)."""
    sub = 4
    pixels = []
    c = size / 2.0
    r = size / 2.0 - 0.5
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(sub):
                for sx in range(sub):
                    px = x + (sx + 0.5) / sub - c
                    py = y + (sy + 0.5) / sub - c
                    d = math.hypot(px, py)
                    col = None
                    if ring and abs(d - ring_radius * r) < max(0.9, size / 28.0):
                        col = ring
                    elif d <= r * 0.62:
                        col = fill
                    elif d <= r * 0.62 + max(1.0, size / 16.0):
                        col = tuple(int(v * 0.55) for v in fill)
                    if cut and abs(px + py) < size / 12.0 and d <= r * 0.75:
                        col = (60, 60, 60)
                    if col:
                        acc[0] += col[0]
                        acc[1] += col[1]
                        acc[2] += col[2]
                        acc[3] += 255
            n = sub * sub
            a = acc[3] / n
            if a:
                row.append((int(acc[0] / n * 255 / a), int(acc[1] / n * 255 / a),
                            int(acc[2] / n * 255 / a), int(a)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def image(pixels):
    size = len(pixels)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + xor + bytes(mask)


def write(name, make):
    images = [image(make(s)) for s in (32, 16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(out + b''.join(images))


GREEN, GREY, RED = (40, 170, 60), (150, 150, 150), (210, 30, 30)
write('tray-on.ico', lambda s: disc(s, GREEN))
write('tray-off.ico', lambda s: disc(s, GREY, cut=True))
for i, radius in enumerate((0.0, 0.72, 0.84, 0.96)):
    write('tray-rec%d.ico' % i, lambda s, r=radius: disc(s, RED, ring=RED if r else None,
                                                        ring_radius=r))
