#!/usr/bin/env python3
"""Draws the installer's icon (resource 101): a lily pad with a notch and a
pink flower on a marsh-blue tile, at 32x32 and 16x16, 32-bit with a mask."""
import math
import struct
import sys


def pixel(x, y, size):
    """Colour (r, g, b, a) of the icon at pixel centre (x, y), size x size."""
    s = size / 32.0
    cx, cy = (x + 0.5) / s, (y + 0.5) / s  # in 32-pixel units
    # Rounded tile.
    corner = 6
    dx = max(corner - cx, 0, cx - (32 - corner))
    dy = max(corner - cy, 0, cy - (32 - corner))
    if dx * dx + dy * dy > corner * corner:
        return (0, 0, 0, 0)
    colour = (40, 88, 120, 255)
    # Lily pad: a circle with a wedge cut out towards the top right.
    px, py = cx - 15, cy - 17
    r = math.hypot(px, py)
    angle = math.degrees(math.atan2(-py, px))
    if r < 12 and not (20 < angle < 60):
        shade = 150 + int(60 * (1 - r / 12))
        colour = (40, shade, 60, 255)
        if abs(py + px * 0.2) < 0.6 and r > 2:
            colour = (30, 110, 40, 255)  # a vein
    # Flower.
    fx, fy = cx - 21, cy - 9
    if math.hypot(fx, fy) < 4.5:
        colour = (240, 120, 170, 255)
    if math.hypot(fx, fy) < 1.8:
        colour = (250, 220, 80, 255)
    return colour


def image(size):
    rows = []
    mask_rows = []
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):  # bottom-up
        row = b""
        bits = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            row += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(row)
        mask_rows.append(bytes(bits))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask_rows)


def main(path):
    images = [image(32), image(16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1])
