#!/usr/bin/env python3
"""Draws the publisher's icon (Pagevane.ico): a sheet of paper with a weather vane's arrow.

One group icon with two images, 32x32 and 16x16, 16 colours each (4 bits per pixel, the
standard palette). Run it from this folder; it rewrites ../publisher/Pagevane.ico byte for
byte the same every time. Given a folder, it writes Pagevane.ico there instead (the source
checks compare a fresh copy with the one in the tree).
"""
import os
import struct
import sys

# The standard 16-colour palette, as (blue, green, red) like a DIB holds it.
PALETTE = [
    (0x00, 0x00, 0x00), (0x00, 0x00, 0x80), (0x00, 0x80, 0x00), (0x00, 0x80, 0x80),
    (0x80, 0x00, 0x00), (0x80, 0x00, 0x80), (0x80, 0x80, 0x00), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0x00, 0x00, 0xFF), (0x00, 0xFF, 0x00), (0x00, 0xFF, 0xFF),
    (0xFF, 0x00, 0x00), (0xFF, 0x00, 0xFF), (0xFF, 0xFF, 0x00), (0xFF, 0xFF, 0xFF),
]
# k black, m maroon, n navy, s silver, d dark grey, R red, Y yellow, B blue, W white,
# . transparent.
CODES = {'k': 0, 'm': 1, 'n': 4, 's': 7, 'd': 8, 'R': 9, 'Y': 11, 'B': 12, 'W': 15}
TRANSPARENT = -1

ICON32 = """
................................
................................
..............kk................
.............kYYk...............
..............kk................
....RR........kk........kk......
....RRRR......kk.......kBBk.....
....RRRRRRRRRRkkkkkkkkkkBBBk....
....RRRR......kk.......kBBk.....
....RR........kk........kk......
..............kk................
.....kkkkkkkkkkkkkkkkkk.........
.....kWWWWWWWWkkWWWWWWkk........
.....kWWWWWWWWkkWWWWWWksk.......
.....kWWWWWWWWkkWWWWWWkssk......
.....kWddddddWkkddddWWkkkkk.....
.....kWWWWWWWWkkWWWWWWWWWWk.....
.....kWnnnnnnnnnnnnnnWWWWWk.....
.....kWWWWWWWWWWWWWWWWWWWWk.....
.....kWddddddddddddddddddWk.....
.....kWWWWWWWWWWWWWWWWWWWWk.....
.....kWddddddddddddddddWWWk.....
.....kWWWWWWWWWWWWWWWWWWWWk.....
.....kWddddddddddddddddddWk.....
.....kWWWWWWWWWWWWWWWWWWWWk.....
.....kWddddddddddddWWWWWWWk.....
.....kWWWWWWWWWWWWWWWWWWWWk.....
.....kWddddddddddddddddddWk.....
.....kWWWWWWWWWWWWWWWWWWWWk.....
.....kkkkkkkkkkkkkkkkkkkkkk.....
................................
................................
"""

ICON16 = """
.......kk.......
..RR...kk....k..
..RRRRRkkkkkkBk.
..RR...kk....k..
...kkkkkkkkk....
...kWWWkkWWkk...
...kWdddddWksk..
...kWWWWWWWkkkk.
...kWnnnnnnnWWk.
...kWWWWWWWWWWk.
...kWdddddddddk.
...kWWWWWWWWWWk.
...kWddddddddWk.
...kWWWWWWWWWWk.
...kkkkkkkkkkkk.
................
"""


def parse(art, size):
    rows = [line.strip() for line in art.strip().splitlines()]
    assert len(rows) == size, (len(rows), size)
    out = []
    for row in rows:
        assert len(row) == size, row
        out.append([TRANSPARENT if c == '.' else CODES[c] for c in row])
    return out


def image(px, size):
    """The icon image: BITMAPINFOHEADER (double height), palette, 4-bit pixels, 1-bit mask."""
    xor = b''
    for row in reversed(px):
        data = bytearray()
        for x in range(0, size, 2):
            a = 0 if row[x] == TRANSPARENT else row[x]
            b = 0 if row[x + 1] == TRANSPARENT else row[x + 1]
            data.append((a << 4) | b)
        while len(data) % 4:
            data.append(0)
        xor += bytes(data)
    mask = b''
    for row in reversed(px):
        bits = 0
        for x in range(size):
            bits = (bits << 1) | (1 if row[x] == TRANSPARENT else 0)
        data = bits.to_bytes(size // 8, 'big')
        mask += data + b'\0' * ((4 - len(data) % 4) % 4)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (b, g, r) in PALETTE)
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    return header + palette + xor + mask


def main(folder):
    images = [image(parse(ICON32, 32), 32), image(parse(ICON16, 16), 16)]
    sizes = [32, 16]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, img in zip(sizes, images):
        directory += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    with open(os.path.join(folder, 'Pagevane.ico'), 'wb') as f:
        f.write(directory + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else '../publisher')
