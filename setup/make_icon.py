#!/usr/bin/env python3
"""Writes setup.ico: the installer's icon, 16x16 and 32x32, 16 colours (4 bits per pixel).

A dark-blue box with a yellow arrow pointing down into it. Run again only to change the picture.
"""
import struct
import sys

# The standard 16-colour palette, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
TRANSPARENT, BLACK, NAVY, YELLOW = None, 0, 4, 11


def picture(size):
    """Rows top to bottom of palette indices, None where the icon is transparent."""
    s = size / 32.0
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            fx, fy = x / s, y / s
            colour = TRANSPARENT
            if 4 <= fx < 28 and 14 <= fy < 30:           # the box
                edge = fx < 5 or fx >= 27 or fy < 15 or fy >= 29
                colour = BLACK if edge else NAVY
            if 13 <= fx < 19 and 2 <= fy < 14:           # arrow shaft
                colour = YELLOW
            half = 8 - (fy - 12)                          # arrow head, narrowing downwards
            if 12 <= fy < 21 and abs(fx + 0.5 - 16) < half:
                colour = YELLOW
            row.append(colour)
        rows.append(row)
    return rows


def image(size):
    rows = picture(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor, mask = b'', b''
    for row in reversed(rows):                            # bitmaps are stored bottom-up
        nibbles = [0 if c is None else c for c in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor += line.ljust(xor_stride, b'\0')
        bits = 0
        for x, c in enumerate(row):
            if c is None:
                bits |= 1 << (size - 1 - x)
        mask += bits.to_bytes((size + 7) // 8, 'big').ljust(and_stride, b'\0')
    return header + palette + xor + mask


def main(path):
    images = [(16, image(16)), (32, image(32))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b''.join(data for _, data in images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'setup.ico')
