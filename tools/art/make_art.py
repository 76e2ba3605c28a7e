#!/usr/bin/env python3
"""Draws the installer's artwork and writes it into res/ in the formats the
resource compiler and the Win32 loaders take (BMP3, ICO, RIFF AVI).

Python 3 standard library only; ImageMagick `convert` renders the anti-aliased
title text of the background. The generated files are committed, so a normal
build never runs this.

    python3 tools/art/make_art.py [--out DIR] [--preview DIR]
"""

import argparse
import math
import os
import struct
import subprocess
import sys

# The 16 colours of the Windows standard palette, in their usual order, so
# that 4-bpp pictures look the same on a 16-colour display.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# One letter per VGA colour for the hand-drawn pixel maps.
LETTERS = "KMGONPTSDRLYBFCW"
K, M, G, O, N, P, T, S, D, R, L, Y, B, F, C, W = range(16)
BUTTON_FACE = (192, 192, 192)

FONT_DIR = "/usr/share/fonts/truetype/liberation"


# --------------------------------------------------------------------------
# Indexed canvas
# --------------------------------------------------------------------------

class Canvas:
    """A w x h grid of palette indices; None marks a transparent pixel."""

    def __init__(self, w, h, fill=None):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x]

    def hline(self, x0, x1, y, c):
        for x in range(min(x0, x1), max(x0, x1) + 1):
            self.put(x, y, c)

    def vline(self, x, y0, y1, c):
        for y in range(min(y0, y1), max(y0, y1) + 1):
            self.put(x, y, c)

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            self.hline(x0, x1, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.hline(x0, x1, y0, c)
        self.hline(x0, x1, y1, c)
        self.vline(x0, y0, y1, c)
        self.vline(x1, y0, y1, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.put(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def stamp(self, rows, x0=0, y0=0, keep="."):
        """Draws a letter map; `keep` characters leave the pixel as it is."""
        for y, row in enumerate(rows):
            for x, ch in enumerate(row):
                if ch not in keep:
                    self.put(x0 + x, y0 + y, LETTERS.index(ch))

    def rgb(self, palette, bg=(255, 255, 255)):
        return [[bg if c is None else palette[c] for c in row] for row in self.px]


def from_map(rows, bg=None):
    c = Canvas(len(rows[0]), len(rows), bg)
    c.stamp(rows)
    return c


def slab(cv, x0, y0, w, d, h, top=(W, S), front=(W, S, D), side=D, edge=K):
    """A drive housing in the classic Windows icon perspective: a top face d
    rows deep leaning to the upper right, a front face from (x0, y0+d) to
    (x0+w, y0+d+h), and a right side face d pixels wide."""
    for r in range(0, d + h + 1):
        y = y0 + r
        # right face: between the front-right edge and the back-right edge
        back = x0 + d + w if r <= h else x0 + d + w - (r - h)
        if r < d:
            left, right = x0 + d - r, x0 + d - r + w
            if r == 0:
                cv.hline(left, back, y, edge)
                continue
            cv.put(left, y, edge)
            cv.hline(left + 1, right - 1, y, top[0] if r == 1 else top[1])
            cv.put(right, y, edge)
            cv.hline(right + 1, back - 1, y, side)
            cv.put(back, y, edge)
        else:
            fr = r - d  # row within the front face
            if fr == 0 or r == d + h:
                cv.hline(x0, x0 + w, y, edge)
            else:
                cv.put(x0, y, edge)
                shade = front[0] if fr == 1 else (front[2] if r == d + h - 1 else front[1])
                cv.hline(x0 + 1, x0 + w - 1, y, shade)
                cv.put(x0 + w, y, edge)
            if back > x0 + w:
                cv.hline(x0 + w + 1, back - 1, y, side)
                cv.put(back, y, edge)


def disc(cv, cx, cy, r, fill, edge=K):
    """Filled circle on pixel centres (cx, cy may be half-integers)."""
    for y in range(int(cy - r - 1), int(cy + r + 2)):
        for x in range(int(cx - r - 1), int(cx + r + 2)):
            dd = math.hypot(x - cx, y - cy)
            if dd <= r - 1:
                cv.put(x, y, fill(x, y))
            elif dd <= r:
                cv.put(x, y, edge)


# --------------------------------------------------------------------------
# File writers
# --------------------------------------------------------------------------

def _dib_rows(indices, w, h, bpp):
    """Bottom-up rows packed at bpp and padded to 4 bytes."""
    out = bytearray()
    stride = ((w * bpp + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        row = bytearray()
        if bpp == 8:
            row += bytes(indices[y])
        elif bpp == 4:
            for x in range(0, w, 2):
                hi = indices[y][x]
                lo = indices[y][x + 1] if x + 1 < w else 0
                row.append((hi << 4) | lo)
        elif bpp == 1:
            for x in range(0, w, 8):
                b = 0
                for i in range(8):
                    if x + i < w and indices[y][x + i]:
                        b |= 0x80 >> i
                row.append(b)
        row += bytes(stride - len(row))
        out += row
    return bytes(out)


def _info_header(w, h, bpp, ncolors, image_size, compression=0):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, compression, image_size,
                       2835, 2835, ncolors, ncolors)


def _palette_bytes(palette):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)


def write_bmp(path, indices, palette, bpp):
    h, w = len(indices), len(indices[0])
    ncolors = 1 << bpp
    pal = list(palette) + [(0, 0, 0)] * (ncolors - len(palette))
    bits = _dib_rows(indices, w, h, bpp)
    header = _info_header(w, h, bpp, ncolors, len(bits)) + _palette_bytes(pal)
    offset = 14 + len(header)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(bits), 0, 0, offset))
        f.write(header)
        f.write(bits)


def write_ico(path, canvases):
    """4-bpp icon images with the standard palette; None pixels transparent."""
    blobs = []
    for cv in canvases:
        xor = [[0 if c is None else c for c in row] for row in cv.px]
        mask = [[1 if c is None else 0 for c in row] for row in cv.px]
        xbits = _dib_rows(xor, cv.w, cv.h, 4)
        mbits = _dib_rows(mask, cv.w, cv.h, 1)
        # icon headers carry the doubled height (XOR + AND) and no colour count
        hdr = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h * 2, 1, 4, 0,
                          len(xbits) + len(mbits), 0, 0, 0, 0)
        blobs.append((cv, hdr + _palette_bytes(VGA) + xbits + mbits))
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for cv, blob in blobs:
        out += struct.pack("<BBBBHHII", cv.w, cv.h, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    for _, blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


def write_avi(path, frames, palette, usec_per_frame):
    """Uncompressed 8-bpp AVI with one video stream and an idx1 index: the
    form the Animation control plays without any codec."""
    h, w = len(frames[0]), len(frames[0][0])
    pal = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    size = ((w + 3) // 4) * 4 * h
    n = len(frames)

    def chunk(fcc, data):
        pad = b"\0" if len(data) % 2 else b""
        return fcc + struct.pack("<I", len(data)) + data + pad

    def lst(fcc, data):
        return b"LIST" + struct.pack("<I", len(data) + 4) + fcc + data

    avih = struct.pack("<IIIIIIIIII4I", usec_per_frame,
                       size * 1000000 // usec_per_frame, 0, 0x10, n, 0, 1,
                       size, w, h, 0, 0, 0, 0)
    rate = 1000000
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"\0\0\0\0", 0, 0, 0, 0,
                       usec_per_frame, rate, 0, n, size, 0xFFFFFFFF, 0,
                       0, 0, w, h)
    strf = _info_header(w, h, 8, 256, size) + _palette_bytes(pal)
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    movi = bytearray()
    idx = bytearray()
    for fr in frames:
        # idx1 offsets count from the 'movi' fourcc
        idx += struct.pack("<4sIII", b"00db", 0x10, 4 + len(movi), size)
        movi += chunk(b"00db", _dib_rows(fr, w, h, 8))
    body = b"AVI " + hdrl + lst(b"movi", bytes(movi)) + chunk(b"idx1", bytes(idx))
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


# --------------------------------------------------------------------------
# Product icon
# --------------------------------------------------------------------------

def seg_dist(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - ax - t * vx, py - ay - t * vy), t


def magnifier(cv, cx, cy, r, handle_len, lens_of, rim=1.8, grip=1.5):
    """Lens of radius r centred at (cx, cy) with a handle to the lower right
    (drawn first, so the rim covers its root). The glass pixel at offset
    (dx, dy) is lens_of(under, cx, cy, dx, dy, glass_radius), `under` being
    the picture as it was before the magnifier."""
    under = [row[:] for row in cv.px]
    k = math.sqrt(0.5)
    ax, ay = cx + (r - 0.5) * k, cy + (r - 0.5) * k
    bx, by = ax + handle_len * k, ay + handle_len * k
    for y in range(int(ay) - 3, int(by) + 4):
        for x in range(int(ax) - 3, int(bx) + 4):
            dd, t = seg_dist(x, y, ax, ay, bx, by)
            if dd <= grip - 0.6:
                # upper side of the grip catches the light
                upper = (x - ax) - (y - ay) > 0.4
                cv.put(x, y, R if upper and t > 0.25 else M)
            elif dd <= grip + 0.45:
                cv.put(x, y, K)
    for y in range(int(cy - r - 2), int(cy + r + 3)):
        for x in range(int(cx - r - 2), int(cx + r + 3)):
            dx, dy = x - cx, y - cy
            dd = math.hypot(dx, dy)
            if dd <= r - rim:
                if 0 <= x < cv.w and 0 <= y < cv.h:
                    cv.put(x, y, lens_of(under, cx, cy, dx, dy, r - rim))
            elif dd <= r + 0.3:
                if dd > r - 0.9:
                    cv.put(x, y, K)
                else:
                    cv.put(x, y, W if dx + dy < -r * 0.45 else (S if dx + dy < r * 0.45 else D))


def lens_tint(under, cx, cy, dx, dy, r):
    """The glass: light cyan with a glint on the upper left and a darker
    crescent on the lower right."""
    d = math.hypot(dx, dy)
    if -dx - dy > r * 0.5 and d > r * 0.45 and abs(dx - dy) < r * 0.9:
        return W
    if dx + dy > r * 0.95 and d > r - 1.3:
        return T
    return C


def icon32():
    cv = Canvas(32, 32)
    # drive housing, upper left
    slab(cv, 0, 4, 22, 6, 9)
    # front details: a recessed slot and the activity light
    cv.hline(3, 12, 13, D)
    cv.hline(3, 12, 14, W)
    cv.hline(16, 18, 17, K)
    cv.hline(16, 18, 18, L)
    magnifier(cv, 19.5, 18.5, 8.3, 8.5, lens_tint, rim=2.2, grip=1.6)
    return cv


def icon16():
    cv = Canvas(16, 16)
    slab(cv, 0, 2, 10, 3, 4)
    cv.hline(1, 4, 7, D)
    cv.stamp([
        "......KKKKK.....",
        ".....KWWCCCK....",
        "....KWWCCCCCK...",
        "....KWCCCCCCK...",
        "....KCCCCCCCK...",
        "....KCCCCCCTK...",
        "....KCCCCCTTKK..",
        ".....KCCCTTKMRK.",
        "......KKKKK.KMRK",
        ".............KMK",
    ], 0, 6)
    return cv


# --------------------------------------------------------------------------
# Arrow glyphs and drive pictures
# --------------------------------------------------------------------------

ARROW_RIGHT = [
    "................",
    "................",
    "................",
    "........K.......",
    "........KK......",
    "........KKK.....",
    "...KKKKKKKKK....",
    "...KKKKKKKKKK...",
    "...KKKKKKKKK....",
    "........KKK.....",
    "........KK......",
    "........K.......",
    "................",
    "................",
    "................",
    "................",
]


def arrow(right):
    rows = ARROW_RIGHT if right else [r[::-1] for r in ARROW_RIGHT]
    return from_map(rows, W)


# Drive pictures: the bottom-left pixel's colour is drawn transparent, so the
# background is a colour that none of the drawings uses.
DRIVE_BG = F


def drive_fixed():
    cv = Canvas(16, 13, DRIVE_BG)
    slab(cv, 0, 3, 12, 3, 4)
    cv.put(10, 8, L)
    cv.put(9, 8, G)
    return cv


def drive_floppy():
    cv = Canvas(16, 13, DRIVE_BG)
    slab(cv, 0, 2, 12, 3, 6)
    # the disk slot with its shutter, and the eject button
    cv.hline(2, 9, 7, K)
    cv.hline(2, 9, 8, W)
    cv.put(2, 7, D)
    cv.rect(8, 9, 10, 9, D)
    cv.put(3, 9, G)
    return cv


def drive_cdrom():
    cv = Canvas(16, 13, DRIVE_BG)
    slab(cv, 3, 1, 9, 3, 4)
    cv.put(10, 6, L)
    cx, cy = 5.0, 7.5

    def shine(x, y):
        # a silver disc: bright on the upper left, a rainbow glint on the
        # lower right, a small grey hole in the middle
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy)
        if d < 0.8:
            return D
        if d < 1.6:
            return W
        if dx + dy < -2.0:
            return W
        if dx + dy > 1.5 and d > 2.2:
            return C if dx > dy + 0.5 else (Y if dy > dx + 0.5 else W)
        return S

    disc(cv, cx, cy, 4.45, shine)
    return cv


def drive_network():
    cv = Canvas(16, 13, DRIVE_BG)
    slab(cv, 1, 0, 11, 3, 4)
    cv.put(11, 5, L)
    cv.put(10, 5, G)
    # the network pipe: a stub from the drive down to a horizontal cable
    cv.vline(5, 8, 10, K)
    cv.vline(6, 8, 10, L)
    cv.vline(7, 8, 10, K)
    cv.hline(1, 15, 10, K)
    cv.hline(1, 15, 11, L)
    cv.hline(1, 15, 12, G)
    cv.put(6, 10, L)
    cv.put(5, 10, L)
    cv.put(7, 10, L)
    cv.put(4, 10, K)
    cv.put(8, 10, K)
    for x in (1, 15):
        cv.vline(x, 10, 12, K)
    cv.put(0, 12, DRIVE_BG)
    return cv


def drive_ram():
    return from_map([
        "FFFFFFFFFFFFFFFF",
        "FFFFFFFFFFFFFFFF",
        "FFFFFFFFFFFFFFFF",
        "KKKKKKKKKKKKKKKK",
        "KLLLLLLLLLLLLLGK",
        "KLKKKGKKKGKKKLGK",
        "KLKDKGKDKGKDKLGK",
        "KLKKKGKKKGKKKLGK",
        "KLGGGGGGGGGGGGGK",
        "KGYOYOYOYOYOYOGK",
        "KKYOYOYOYOYOYOKK",
        "FKKKKKKKKKKKKKKF",
        "FFFFFFFFFFFFFFFF",
    ])


# --------------------------------------------------------------------------
# Background picture (632 x 453, 256 colours)
# --------------------------------------------------------------------------

BG_W, BG_H = 632, 453
PANEL = (101, 106, 529, 380)  # left, top, right, bottom (exclusive)


def text_mask(w, h, font, size, x, y, text, blur=0.0):
    """Anti-aliased coverage (0..1) of `text` with its baseline at y."""
    cmd = ["convert", "-size", f"{w}x{h}", "xc:black", "-font", font,
           "-pointsize", str(size), "-fill", "white", "-annotate",
           f"+{x}+{y}", text]
    if blur:
        cmd += ["-blur", f"0x{blur}"]
    cmd += ["-depth", "8", "gray:-"]
    data = subprocess.run(cmd, check=True, capture_output=True).stdout
    assert len(data) == w * h, "unexpected size from convert"
    return [[data[yy * w + xx] / 255.0 for xx in range(w)] for yy in range(h)]


def text_width(font, size, text):
    out = subprocess.run(["convert", "-font", font, "-pointsize", str(size),
                          "label:" + text, "-trim", "-format", "%w", "info:"],
                         check=True, capture_output=True, text=True).stdout
    return float(out)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def smooth(e0, e1, v):
    t = min(1.0, max(0.0, (v - e0) / (e1 - e0)))
    return t * t * (3 - 2 * t)


def background_rgb():
    w, h = BG_W, BG_H
    top, bottom = (14, 36, 104), (4, 14, 52)
    glow = (40, 92, 170)
    img = [[None] * w for _ in range(h)]
    for y in range(h):
        base = mix(top, bottom, smooth(0, h, y) ** 0.9)
        for x in range(w):
            # a soft light behind the title, fading to the right and down
            g = math.exp(-(((x - 120) / 330.0) ** 2 + ((y - 30) / 120.0) ** 2))
            c = mix(base, glow, 0.55 * g)
            # faint rings on the upper right, like a lens sweeping the drive
            dd = math.hypot(x - 585, y - 30)
            ring = 0.5 + 0.5 * math.cos(dd / 13.0 * 2 * math.pi)
            fade = smooth(0, 60, dd) * (1 - smooth(120, 300, dd)) * (1 - smooth(60, 200, y))
            c = mix(c, (120, 170, 230), 0.10 * fade * ring ** 6)
            img[y][x] = c

    # title: "KELvar 5.0" bold and white, "Setup" lighter beside it
    bold = os.path.join(FONT_DIR, "LiberationSans-Bold.ttf")
    light = os.path.join(FONT_DIR, "LiberationSans-Italic.ttf")
    tx, base_y, size = 26, 64, 44
    name = "KELvar 5.0"
    name_w = text_width(bold, size, name)
    sx = int(round(tx + name_w + 14))
    shadow = text_mask(w, 100, bold, size, tx + 2, base_y + 3, name, blur=2.0)
    shadow2 = text_mask(w, 100, light, size, sx + 2, base_y + 3, "Setup", blur=2.0)
    ink = text_mask(w, 100, bold, size, tx, base_y, name)
    ink2 = text_mask(w, 100, light, size, sx, base_y, "Setup")
    for y in range(100):
        for x in range(w):
            s = max(shadow[y][x], shadow2[y][x])
            c = mix(img[y][x], (0, 4, 24), 0.75 * s)
            c = mix(c, (255, 255, 255), ink[y][x])
            c = mix(c, (150, 200, 255), ink2[y][x])
            img[y][x] = c
    # an accent rule under the title, fading out to the right
    ry = 80
    end = sx + text_width(light, size, "Setup")
    for x in range(tx, w):
        a = 0.85 * (1 - smooth(end - 40, w - 20, x))
        img[ry][x] = mix(img[ry][x], (110, 170, 240), a)
        img[ry + 1][x] = mix(img[ry + 1][x], (0, 6, 30), a * 0.6)

    # panel: soft drop shadow, dark frame, 3-D edge, button-face interior
    l, t, r, b = PANEL
    off, soft = 6, 5.0
    for y in range(t, min(h, b + off + 8)):
        fy = smooth(t + off - soft, t + off + soft, y) * (1 - smooth(b + off - soft, b + off + soft, y))
        for x in range(l, min(w, r + off + 8)):
            fx = smooth(l + off - soft, l + off + soft, x) * (1 - smooth(r + off - soft, r + off + soft, x))
            img[y][x] = mix(img[y][x], (0, 0, 10), 0.65 * fx * fy)
    frame = (24, 28, 48)
    for y in range(t, b):
        for x in range(l, r):
            if x in (l, r - 1) or y in (t, b - 1):
                img[y][x] = frame
            elif x == l + 1 or y == t + 1:
                img[y][x] = (255, 255, 255)
            elif x == r - 2 or y == b - 2:
                img[y][x] = (128, 128, 128)
            else:
                img[y][x] = BUTTON_FACE
    return img


def median_cut(colours, n):
    """colours: dict rgb -> count. Returns up to n representative colours."""
    boxes = [list(colours.items())]
    while len(boxes) < n:
        best, score = None, -1
        for i, bx in enumerate(boxes):
            if len(bx) < 2:
                continue
            for ch in range(3):
                vals = [c[0][ch] for c in bx]
                rng = max(vals) - min(vals)
                s = rng * math.log(1 + sum(c[1] for c in bx))
                if s > score:
                    best, score, best_ch = i, s, ch
        if best is None:
            break
        bx = sorted(boxes.pop(best), key=lambda c: c[0][best_ch])
        total = sum(c[1] for c in bx)
        acc, cut = 0, 1
        for i, c in enumerate(bx):
            acc += c[1]
            if acc >= total / 2:
                cut = max(1, min(len(bx) - 1, i + 1))
                break
        boxes += [bx[:cut], bx[cut:]]
    out = []
    for bx in boxes:
        total = sum(c[1] for c in bx)
        out.append(tuple(int(round(sum(c[0][k] * c[1] for c in bx) / total)) for k in range(3)))
    return out


def quantize(img, fixed):
    """Maps an RGB float image to <= 256 colours. Pixels that already have a
    fixed colour keep it exactly (the panel must be the button-face grey);
    the rest is dithered (Floyd-Steinberg) against a median-cut palette."""
    h, w = len(img), len(img[0])
    ints = [[tuple(int(round(min(255, max(0, v)))) for v in px) for px in row] for row in img]
    fixed_set = {c: i for i, c in enumerate(fixed)}
    hist = {}
    for row in ints:
        for c in row:
            if c not in fixed_set:
                hist[c] = hist.get(c, 0) + 1
    palette = list(fixed) + [c for c in median_cut(hist, 256 - len(fixed)) if c not in fixed_set]
    palette = palette[:256]
    cache = {}

    def nearest(c):
        key = (int(c[0]) >> 1, int(c[1]) >> 1, int(c[2]) >> 1)
        i = cache.get(key)
        if i is None:
            best = 1 << 30
            for j, p in enumerate(palette):
                d = (p[0] - c[0]) ** 2 * 3 + (p[1] - c[1]) ** 2 * 4 + (p[2] - c[2]) ** 2 * 2
                if d < best:
                    best, i = d, j
            cache[key] = i
        return i

    out = [[0] * w for _ in range(h)]
    err = [[[0.0, 0.0, 0.0] for _ in range(w + 2)] for _ in range(2)]
    for y in range(h):
        cur, nxt = err[y % 2], err[(y + 1) % 2]
        for e in nxt:
            e[0] = e[1] = e[2] = 0.0
        for x in range(w):
            c0 = ints[y][x]
            if c0 in fixed_set:
                out[y][x] = fixed_set[c0]
                continue
            e = cur[x + 1]
            c = tuple(min(255.0, max(0.0, c0[k] + e[k])) for k in range(3))
            i = nearest(c)
            out[y][x] = i
            p = palette[i]
            for k in range(3):
                q = c[k] - p[k]
                cur[x + 2][k] += q * 7 / 16
                nxt[x][k] += q * 3 / 16
                nxt[x + 1][k] += q * 5 / 16
                nxt[x + 2][k] += q * 1 / 16
    return out, palette


# --------------------------------------------------------------------------
# Find-folder animation (80 x 50)
# --------------------------------------------------------------------------

AVI_W, AVI_H, AVI_FRAMES = 80, 50, 30


def folder_base():
    cv = Canvas(AVI_W, AVI_H, S)  # button-face background
    x0, y0 = 17, 10
    # back of the folder with its tab
    cv.rect(x0, y0 + 3, x0 + 38, y0 + 30, O)
    cv.rect(x0 + 1, y0, x0 + 12, y0 + 3, O)
    cv.frame(x0, y0 + 3, x0 + 38, y0 + 30, K)
    cv.hline(x0 + 1, x0 + 12, y0, K)
    cv.vline(x0, y0, y0 + 3, K)
    cv.vline(x0 + 13, y0, y0 + 3, K)
    cv.hline(x0 + 1, x0 + 12, y0 + 1, Y)
    # papers in it
    for i, (px, py) in enumerate(((x0 + 5, y0 + 6), (x0 + 9, y0 + 4))):
        cv.rect(px, py, px + 24, py + 16, W)
        cv.frame(px, py, px + 24, py + 16, K)
        for ly in range(py + 3, py + 14, 2):
            cv.hline(px + 3, px + 18 - (ly % 3) * 3, ly, D if i else S)
    # front flap, tilted open towards the viewer
    for r in range(0, 17):
        y = y0 + 14 + r
        shift = (16 - r) // 4
        left, right = x0 + shift, x0 + 38 + shift
        if r in (0, 16):
            cv.hline(left, right, y, K)
            continue
        cv.put(left, y, K)
        cv.put(right, y, K)
        cv.hline(left + 1, right - 1, y, W if r == 1 else (O if r == 15 else Y))
    return cv


# Extra AVI palette entries: what the slightly bluish glass makes of each
# colour of the picture below it.
GLASS = {S: (208, 228, 240), W: (255, 255, 255), Y: (255, 255, 176),
         O: (176, 184, 96), D: (136, 152, 168), K: (48, 56, 80)}
AVI_PALETTE = VGA + list(GLASS.values())
GLASS_INDEX = {c: 16 + i for i, c in enumerate(GLASS)}


def avi_lens(under, cx, cy, dx, dy, r):
    """The lens magnifies (1.6x) and tints what lies below it."""
    d = math.hypot(dx, dy)
    if -dx - dy > r * 0.75 and d > r * 0.6 and abs(dx - dy) < r * 0.7:
        return W
    sx = int(round(cx + dx / 1.6 - 0.5))
    sy = int(round(cy + dy / 1.6 - 0.5))
    c = under[min(max(sy, 0), AVI_H - 1)][min(max(sx, 0), AVI_W - 1)]
    return GLASS_INDEX.get(c, c)


def findfolder_frames():
    frames = []
    for i in range(AVI_FRAMES):
        cv = folder_base()
        a = 2 * math.pi * i / AVI_FRAMES
        cx = 37 + 14 * math.cos(a)
        cy = 21 + 7 * math.sin(a)
        magnifier(cv, cx, cy, 7.3, 7, avi_lens)
        frames.append(cv.px)
    return frames


# --------------------------------------------------------------------------
# Main
# --------------------------------------------------------------------------

def save_preview(path, rgb_rows, scale):
    """Writes an RGB picture as PPM, enlarged `scale` times."""
    h, w = len(rgb_rows), len(rgb_rows[0])
    data = bytearray()
    for row in rgb_rows:
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((r, g, b)) * scale
        data += bytes(line) * scale
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w * scale, h * scale) + bytes(data))


def main():
    ap = argparse.ArgumentParser()
    here = os.path.dirname(os.path.abspath(__file__))
    ap.add_argument("--out", default=os.path.join(here, "..", "..", "res"))
    ap.add_argument("--only", default="", help="comma list: icon,arrows,drives,background,avi")
    ap.add_argument("--frames", help="also write every animation frame as a PPM file into this folder")
    args = ap.parse_args()
    out = os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    only = set(filter(None, args.only.split(",")))

    def want(k):
        return not only or k in only

    if want("icon"):
        write_ico(os.path.join(out, "kelvar.ico"), [icon32(), icon16()])
    if want("arrows"):
        write_bmp(os.path.join(out, "arrow_left.bmp"), arrow(False).px, VGA, 4)
        write_bmp(os.path.join(out, "arrow_right.bmp"), arrow(True).px, VGA, 4)
    if want("drives"):
        for name, fn in (("floppy", drive_floppy), ("fixed", drive_fixed),
                         ("network", drive_network), ("cdrom", drive_cdrom),
                         ("ram", drive_ram)):
            cv = fn()
            assert cv.px[12][0] == DRIVE_BG, name
            write_bmp(os.path.join(out, f"drive_{name}.bmp"), cv.px, VGA, 4)
    if want("background"):
        fixed = VGA + [(24, 28, 48)]
        idx, pal = quantize(background_rgb(), fixed)
        l, t, r, b = PANEL
        assert all(pal[idx[y][x]] == BUTTON_FACE for y in range(t + 3, b - 3) for x in range(l + 3, r - 3))
        write_bmp(os.path.join(out, "background.bmp"), idx, pal, 8)
    if want("avi"):
        frames = findfolder_frames()
        write_avi(os.path.join(out, "findfolder.avi"), frames, AVI_PALETTE, 66667)
        if args.frames:
            os.makedirs(args.frames, exist_ok=True)
            for i, fr in enumerate(frames):
                rgb = [[AVI_PALETTE[c] for c in row] for row in fr]
                save_preview(os.path.join(args.frames, f"frame{i:02d}.ppm"), rgb, 1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
