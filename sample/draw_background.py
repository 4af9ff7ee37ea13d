#!/usr/bin/env python3
"""Draws the sample distribution's background picture, SETUPBK.QBK:

    draw_background.py OUT [--bits 8|24]

A pond sign reading QUILLMARSH GAMES between two clumps of reeds, with lily
pads floating along its lower edge. The colour of the top left pixel is the
installer's transparent colour: it fills everything around the sign, the
gaps between the reeds, and the letters of QUILLMARSH, which are cut out of
the water so that the dialog shows through them. Written as a plain BMP
file, 8 bits with a colour table (or 24 bits, for tests that want one)."""
import argparse
import struct

WIDTH, HEIGHT = 272, 96

# The colour table; the first entry is the transparent key. Colours are
# taken from (or next to) the installer's fixed palette so that they keep
# their look on a 256-colour display.
COLOURS = {
    "key": (0xFF, 0x00, 0xFF),
    "rim": (0x00, 0x00, 0x60),
    "water0": (0x87, 0xAA, 0xFF),
    "water1": (0x67, 0x8A, 0xFF),
    "water2": (0x46, 0x6A, 0xFF),
    "water3": (0x28, 0x4A, 0xFF),
    "water4": (0x0A, 0x28, 0xFF),
    "water5": (0x00, 0x00, 0xE0),
    "wave": (0xC7, 0xEB, 0xFF),
    "white": (0xFF, 0xFF, 0xFF),
    "yellow": (0xFF, 0xFF, 0x60),
    "gold": (0xFF, 0xC0, 0x00),
    "ink": (0x28, 0x14, 0x00),
    "reed": (0x00, 0xA0, 0x00),
    "reed_dark": (0x00, 0x60, 0x00),
    "leaf": (0x50, 0xA0, 0x50),
    "pad": (0x00, 0xC0, 0x00),
    "pad_dark": (0x23, 0x41, 0x23),
    "pad_light": (0x82, 0xFF, 0x82),
    "cattail": (0x82, 0x41, 0x00),
    "cattail_dark": (0x5F, 0x32, 0x00),
    "mud": (0x41, 0x23, 0x00),
    "petal": (0xFF, 0x94, 0xB7),
    "petal_deep": (0xFF, 0x67, 0x64),
}
NAMES = list(COLOURS)
INDEX = {name: i for i, name in enumerate(NAMES)}

GLYPHS = {
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
}


class Canvas:
    def __init__(self):
        self.px = [[INDEX["key"]] * WIDTH for _ in range(HEIGHT)]

    def dot(self, x, y, name):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            self.px[y][x] = INDEX[name]

    def get(self, x, y):
        return NAMES[self.px[y][x]] if 0 <= x < WIDTH and 0 <= y < HEIGHT else None

    def fill(self, x0, y0, x1, y1, name):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.dot(x, y, name)

    def line(self, x0, y0, x1, y1, name, thick=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            for t in range(thick):
                self.dot(x + t, y, name)

    def ellipse(self, cx, cy, rx, ry, name, keep=lambda x, y: True):
        for y in range(int(cy - ry) - 1, int(cy + ry) + 2):
            for x in range(int(cx - rx) - 1, int(cx + rx) + 2):
                if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1 and keep(x, y):
                    self.dot(x, y, name)


def text_width(text, scale):
    return len(text) * 6 * scale - scale


def letters(c, text, x0, y0, scale, face, edge):
    """Block letters; each lit cell is scale x scale pixels, ringed by `edge`."""
    cells = set()
    for n, ch in enumerate(text):
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    for dy in range(scale):
                        for dx in range(scale):
                            cells.add((x0 + n * 6 * scale + col * scale + dx, y0 + row * scale + dy))
    for x, y in cells:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                if (x + dx, y + dy) not in cells:
                    c.dot(x + dx, y + dy, edge)
    for x, y in cells:
        c.dot(x, y, face)


def pond_sign(c, x0, y0, x1, y1):
    radius = 8
    shades = ["water0", "water1", "water2", "water3", "water4", "water5"]
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            # Rounded corners.
            dx = max(x0 + radius - x, 0, x - (x1 - radius))
            dy = max(y0 + radius - y, 0, y - (y1 - radius))
            d2 = dx * dx + dy * dy
            if d2 > radius * radius:
                continue
            if d2 > (radius - 2) ** 2 or x - x0 < 2 or x1 - x < 2 or y - y0 < 2 or y1 - y < 2:
                c.dot(x, y, "rim")
            else:
                c.dot(x, y, shades[min(5, (y - y0) * 6 // (y1 - y0 + 1))])
    # Little waves on the water.
    for wx, wy in ((60, 40), (190, 38), (100, 62), (215, 58), (140, 70), (52, 66)):
        c.line(wx, wy, wx + 6, wy, "wave")
        c.dot(wx + 3, wy - 1, "wave")


def lily_pad(c, cx, cy, rx, ry, notch_right=True):
    def keep(x, y):
        # A wedge cut towards one side.
        dx = (x - cx) if notch_right else (cx - x)
        return not (dx > 0 and abs(y - cy) <= dx * 0.35)
    c.ellipse(cx, cy, rx + 1, ry + 1, "pad_dark", keep)
    c.ellipse(cx, cy, rx, ry, "pad", keep)
    c.line(cx - rx + 2, cy - 1, cx - 2, cy - ry + 1, "pad_light")


def flower(c, cx, cy):
    for dx, dy in ((-3, 0), (3, 0), (0, -3), (-2, -2), (2, -2)):
        c.ellipse(cx + dx, cy + dy, 2.2, 2.2, "petal")
    c.ellipse(cx, cy - 1, 1.6, 1.6, "petal_deep")
    c.dot(cx, cy - 1, "yellow")


def reed(c, x, top, bottom, lean, head=True):
    c.line(x, bottom, x + lean, top, "reed", thick=2)
    c.line(x + 2, bottom, x + lean + 2, top + 6, "reed_dark")
    if head:
        hx = x + lean
        c.ellipse(hx + 1, top + 6, 2.2, 6, "cattail")
        c.line(hx + 2, top + 2, hx + 2, top + 10, "cattail_dark")
        c.line(hx + 1, top - 4, hx + 1, top - 1, "reed_dark")


def leaf(c, x, bottom, tip_x, tip_y):
    c.line(x, bottom, tip_x, tip_y, "leaf", thick=2)


def reed_clump(c, base, left):
    sign = 1 if left else -1
    c.ellipse(base + 14 * sign, 93, 18, 4, "mud")
    for n, (dx, top, lean) in enumerate(((0, 14, -2), (7, 6, 1), (14, 22, 3), (21, 30, 5), (28, 40, 7))):
        reed(c, base + dx * sign, top, 92, lean * sign, head=n != 4)
    leaf(c, base + 4 * sign, 92, base - 6 * sign, 50)
    leaf(c, base + 18 * sign, 92, base + 34 * sign, 56)


def draw():
    c = Canvas()
    pond_sign(c, 30, 4, 241, 80)
    title = "QUILLMARSH"
    scale = 3
    letters(c, title, (WIDTH - text_width(title, scale)) // 2, 13, scale, "key", "rim")
    sub = "GAMES"
    letters(c, sub, (WIDTH - text_width(sub, scale)) // 2, 42, scale, "yellow", "ink")
    reed_clump(c, 6, True)
    reed_clump(c, 262, False)
    lily_pad(c, 70, 79, 13, 5)
    lily_pad(c, 98, 84, 9, 4, notch_right=False)
    lily_pad(c, 180, 81, 15, 5, notch_right=False)
    lily_pad(c, 205, 86, 8, 3)
    flower(c, 176, 79)
    return c


def bmp(c, bits):
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in COLOURS.values())
    if bits == 8:
        stride = (WIDTH + 3) // 4 * 4
        rows = [bytes(row) + bytes(stride - WIDTH) for row in reversed(c.px)]
        colours = len(COLOURS)
    else:
        stride = (WIDTH * 3 + 3) // 4 * 4
        rows = []
        for row in reversed(c.px):
            line = b"".join(struct.pack("<BBB", *reversed(COLOURS[NAMES[i]])) for i in row)
            rows.append(line + bytes(stride - WIDTH * 3))
        table, colours = b"", 0
    pixels = b"".join(rows)
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, bits, 0, len(pixels), 2835, 2835, colours, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + table + pixels


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--bits", type=int, choices=(8, 24), default=8)
    args = parser.parse_args()
    with open(args.out, "wb") as f:
        f.write(bmp(draw(), args.bits))


if __name__ == "__main__":
    main()
