#!/usr/bin/env python3
"""Writes the demo package's bitmaps (24-bit BMP) into a folder: the banner
Kvrbn.bmp, the four pictures Kvri1-4.bmp and the toolbar pictures Kvrtl.bmp and
Kvrtlbar.bmp. Drawn from code, so every run gives the same bytes."""

import os
import struct
import sys

# 5x7 glyphs, one string per row, "#" set.
GLYPHS = {
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "5": ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    "0": [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "3": ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    ".": [".....", ".....", ".....", ".....", ".....", ".##..", ".##.."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}


class Picture:
    def __init__(self, width, height, colour=(255, 255, 255)):
        self.width, self.height = width, height
        self.px = [[colour] * width for _ in range(height)]

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            row = self.px[y]
            for x in range(max(0, x0), min(self.width, x1)):
                row[x] = colour

    def gradient(self, top, bottom):
        for y in range(self.height):
            t = y / max(1, self.height - 1)
            c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
            self.px[y] = [c] * self.width

    def text(self, x, y, s, colour, scale=1):
        for ch in s:
            for gy, row in enumerate(GLYPHS[ch]):
                for gx, bit in enumerate(row):
                    if bit == "#":
                        self.fill(x + gx * scale, y + gy * scale, x + (gx + 1) * scale,
                                  y + (gy + 1) * scale, colour)
            x += 6 * scale

    def frame(self, colour):
        self.fill(0, 0, self.width, 1, colour)
        self.fill(0, self.height - 1, self.width, self.height, colour)
        self.fill(0, 0, 1, self.height, colour)
        self.fill(self.width - 1, 0, self.width, self.height, colour)

    def bmp(self):
        stride = (self.width * 3 + 3) & ~3
        rows = []
        for row in reversed(self.px):  # bottom-up
            line = b"".join(bytes((b, g, r)) for r, g, b in row)
            rows.append(line + b"\0" * (stride - len(line)))
        data = b"".join(rows)
        header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(data),
                           3780, 3780, 0, 0)
        return header + info + data


NAVY, SKY, WHITE, GOLD = (0, 51, 102), (51, 119, 187), (255, 255, 255), (255, 204, 0)
FACE, SHADOW = (212, 208, 200), (128, 128, 128)
ACCENTS = [(0, 128, 0), (192, 0, 0), (0, 96, 192), (160, 96, 0)]


def banner():
    p = Picture(440, 64)
    p.gradient(NAVY, SKY)
    p.text(18, 11, "KELvar 5.0", WHITE, scale=6)
    p.fill(18, 56, 372, 58, GOLD)
    return p


def icon(n):
    p = Picture(32, 32, FACE)
    p.fill(3, 3, 29, 29, ACCENTS[n - 1])
    p.fill(6, 6, 26, 26, WHITE)
    p.text(9, 9, str(n), ACCENTS[n - 1], scale=2)
    p.frame(SHADOW)
    return p


def toolbar_pictures():
    # Six 16x16 pictures side by side, as a toolbar image list takes them.
    p = Picture(96, 16, FACE)
    for i in range(6):
        c = ACCENTS[i % 4]
        p.fill(i * 16 + 2, 2, i * 16 + 14, 14, c)
        p.fill(i * 16 + 5, 5, i * 16 + 11, 11, WHITE)
    return p


def toolbar_band():
    p = Picture(320, 24)
    p.gradient((236, 233, 216), FACE)
    p.fill(0, 23, 320, 24, SHADOW)
    p.text(4, 8, "KELvar 5.0", NAVY)
    return p


def main():
    if len(sys.argv) != 2:
        print("usage: make_bitmaps.py OUTDIR", file=sys.stderr)
        return 2
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    pictures = {"Kvrbn.bmp": banner(), "Kvrtl.bmp": toolbar_pictures(),
                "Kvrtlbar.bmp": toolbar_band()}
    for n in range(1, 5):
        pictures[f"Kvri{n}.bmp"] = icon(n)
    for name, picture in sorted(pictures.items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(picture.bmp())
    return 0


if __name__ == "__main__":
    sys.exit(main())
