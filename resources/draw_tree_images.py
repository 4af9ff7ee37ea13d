#!/usr/bin/env python3
"""Draws the folder tree's image strip (bitmap 115): fifteen 17 x 16 images
side by side, 255 x 16 pixels, 4 bits per pixel in the 16 standard VGA
colours, on the tree's white background:

   0 open folder       5 CD-ROM drive           10 folder with a tick
   1 closed folder     6 RAM disk               11 label
   2 removable disk    7 networked computers    12 folder with an arrow
   3 fixed disk        8 network                13 connector
   4 network drive     9 computer               14 globe

The tree shows 0, 1 and 3; the others complete the set."""
import struct
import sys

# The 16 VGA colours in their usual order, as (r, g, b).
VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0x80, 0x80, 0x80),
    (0xC0, 0xC0, 0xC0), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, GREY = range(8)
SILVER, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)

W, H, COUNT = 17, 16, 15


class Tile:
    """One 17 x 16 image, drawn with a few primitives."""

    def __init__(self):
        self.px = [[WHITE] * W for _ in range(H)]

    def dot(self, x, y, c):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def fill(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.dot(x, y0, c)
            self.dot(x, y1, c)
        for y in range(y0, y1 + 1):
            self.dot(x0, y, c)
            self.dot(x1, y, c)

    def box(self, x0, y0, x1, y1, inside, edge=BLACK):
        self.fill(x0, y0, x1, y1, inside)
        self.frame(x0, y0, x1, y1, edge)

    def line(self, x0, y0, x1, y1, c):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.dot(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), c)

    def disc(self, cx, cy, r, c):
        for y in range(H):
            for x in range(W):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.dot(x, y, c)


def folder_back(t, body=YELLOW):
    t.box(2, 2, 7, 4, body)            # tab
    t.box(1, 4, 15, 13, body)          # body
    t.line(2, 5, 14, 5, WHITE)         # light top edge
    t.line(2, 5, 2, 12, WHITE)
    t.line(3, 12, 14, 12, OLIVE)       # shadowed bottom edge
    t.line(14, 6, 14, 12, OLIVE)


def closed_folder(t):
    folder_back(t)


def open_folder(t):
    t.box(2, 2, 7, 4, OLIVE)
    t.box(1, 4, 13, 13, OLIVE)
    # The front flap, tipped forward: each row a little further left.
    for row in range(7, 14):
        shift = (row - 7) // 2
        left, right = 4 - shift, 16 - shift
        t.line(left, row, right, row, YELLOW)
        t.dot(left, row, BLACK)
        t.dot(right, row, BLACK)
    t.line(4, 7, 16, 7, BLACK)
    t.line(1, 13, 13, 13, BLACK)
    t.line(5, 8, 14, 8, WHITE)


def drive_body(t, front=SILVER):
    # A box seen from a little above and to the left: a light top face, a
    # front face and a shaded right side.
    for row in range(5, 8):
        shift = 8 - row
        t.line(1 + shift, row, 13 + shift, row, WHITE)
        t.dot(1 + shift, row, BLACK)
    t.line(4, 5, 16, 5, BLACK)
    t.box(1, 8, 13, 12, front)
    for x in (14, 15, 16):
        top, bottom = 8 - (x - 13), 12 - (x - 13)
        t.line(x, top, x, bottom, GREY)
        t.dot(x, bottom, BLACK)
    t.line(16, 5, 16, 9, BLACK)


def removable_disk(t):
    drive_body(t)
    t.line(5, 10, 11, 10, BLACK)       # the disk slot
    t.dot(12, 11, LIME)


def fixed_disk(t):
    drive_body(t)
    t.line(4, 10, 8, 10, GREY)
    t.dot(12, 10, LIME)                # the busy light
    t.dot(12, 11, GREEN)


def network_drive(t):
    drive_body(t)
    t.dot(12, 10, LIME)
    t.line(8, 13, 8, 15, BLACK)        # the cable to the network
    t.line(3, 15, 13, 15, BLACK)


def cdrom_drive(t):
    drive_body(t)
    t.line(4, 10, 10, 10, BLACK)
    t.disc(8, 4, 3.6, SILVER)          # a disc above the drive
    t.disc(8, 4, 1.2, WHITE)
    t.dot(6, 2, WHITE)


def ram_disk(t):
    t.box(2, 5, 14, 10, GREEN)
    for x in range(3, 14, 2):
        t.line(x, 11, x, 13, GREY)     # pins
        t.dot(x, 4, GREY)
    t.fill(5, 7, 11, 8, BLACK)


def monitor(t, x, y, w=8, h=6):
    t.box(x, y, x + w, y + h, SILVER)
    t.fill(x + 1, y + 1, x + w - 1, y + h - 1, TEAL)
    t.line(x + 2, y + h + 1, x + w - 2, y + h + 1, BLACK)


def networked_computers(t):
    monitor(t, 0, 1, 7, 5)
    monitor(t, 9, 6, 7, 5)
    t.line(3, 8, 3, 14, BLACK)
    t.line(3, 14, 12, 14, BLACK)
    t.line(12, 13, 12, 14, BLACK)


def network(t):
    t.disc(8, 7, 2.4, BLUE)
    for x, y in ((2, 2), (14, 2), (2, 13), (14, 13)):
        t.line(8, 7, x, y, BLACK)
        t.box(x - 1, y - 1, x + 1, y + 1, AQUA)


def computer(t):
    monitor(t, 2, 1, 12, 8)
    t.box(1, 12, 15, 14, SILVER)
    t.dot(13, 13, LIME)


def folder_with_tick(t):
    folder_back(t)
    t.line(6, 9, 8, 11, GREEN)
    t.line(8, 11, 12, 6, GREEN)


def label(t):
    t.box(3, 4, 15, 11, YELLOW)
    t.line(1, 7, 3, 4, BLACK)
    t.line(1, 8, 3, 11, BLACK)
    t.fill(2, 7, 3, 8, YELLOW)
    t.dot(5, 7, BLACK)
    t.line(7, 6, 13, 6, GREY)
    t.line(7, 9, 12, 9, GREY)


def folder_with_arrow(t):
    folder_back(t)
    t.line(5, 9, 12, 9, BLUE)
    t.line(10, 7, 12, 9, BLUE)
    t.line(10, 11, 12, 9, BLUE)


def connector(t):
    t.box(2, 5, 9, 10, GREY)
    t.line(10, 6, 14, 6, BLACK)        # prongs
    t.line(10, 9, 14, 9, BLACK)
    t.line(0, 8, 1, 8, BLACK)          # cable


def globe(t):
    t.disc(8, 8, 6.5, BLUE)
    for x, y in ((5, 4), (6, 4), (4, 5), (5, 5), (6, 5), (5, 6), (6, 7), (7, 8),
                 (10, 9), (11, 9), (10, 10), (11, 10), (12, 10), (11, 11), (10, 12)):
        t.dot(x, y, LIME)
    t.line(2, 8, 14, 8, AQUA)


DRAWINGS = [open_folder, closed_folder, removable_disk, fixed_disk, network_drive,
            cdrom_drive, ram_disk, networked_computers, network, computer,
            folder_with_tick, label, folder_with_arrow, connector, globe]
assert len(DRAWINGS) == COUNT


def strip():
    tiles = []
    for draw in DRAWINGS:
        t = Tile()
        draw(t)
        tiles.append(t)
    return [[tiles[x // W].px[y][x % W] for x in range(W * COUNT)] for y in range(H)]


def bmp(rows):
    width, height = len(rows[0]), len(rows)
    stride = (width * 4 + 31) // 32 * 4
    pixels = b""
    for row in reversed(rows):  # bottom-up
        line = bytearray(stride)
        for x, c in enumerate(row):
            line[x // 2] |= c << (4 if x % 2 == 0 else 0)
        pixels += bytes(line)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + table + pixels


def main(path):
    with open(path, "wb") as f:
        f.write(bmp(strip()))


if __name__ == "__main__":
    main(sys.argv[1])
