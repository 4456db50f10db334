#!/usr/bin/env python3
"""Writes the editor's bitmaps as 24-bit Windows BMP files.

  background.bmp  resource 101: the 710 x 167 panel with the logo at its lower left
  led_on.bmp      resource 102: the lit LED strip, 3 x 30
  led_off.bmp     resource 104: the unlit LED strip, 3 x 30

and each of them drawn for high-density screens at 2x and 3x
(background_2x.bmp, resource 2101; background_3x.bmp, 3101; led_on_2x.bmp,
2102; ... the id plus 1000 times the scale). The scaled pictures are drawn,
not enlarged: the logo's leaf and badge are evaluated at every device pixel,
so their outlines are as fine as the screen; pixel-art parts (the word mark,
the seeds, the LED rows) become blocks. They are stored with a color table
(4 or 8 bits per pixel) to keep the module small.

Usage: make_bitmaps.py [output directory] [--preview DIR]
The BMP files are committed; run this only to change the pictures. With
--preview it also writes an 8x enlarged PNG of the logo corner.
"""
import math
import os
import struct
import sys
import zlib

PANEL_GREY = (51, 51, 51)
BLACK = (0, 0, 0)

# The logo lives in the web-link area: columns 0..62, rows 124..165.
LOGO_LEFT, LOGO_TOP, LOGO_RIGHT, LOGO_BOTTOM = 0, 124, 63, 166

LEAF_DARK = (62, 112, 52)
LEAF_LIGHT = (104, 160, 78)
RIB = (170, 212, 128)
STEM = (150, 70, 46)
SEED = (186, 84, 52)
TEXT = (196, 196, 188)
BADGE = (40, 40, 40)
BADGE_EDGE = (70, 70, 70)

# LED strips: 15 LEDs, each a colored row over a black row; from the top
# 3 red, 3 yellow, 9 green.
LIT = [(255, 0, 0)] * 3 + [(255, 255, 0)] * 3 + [(0, 255, 0)] * 9
UNLIT = [(156, 103, 103)] * 3 + [(172, 167, 70)] * 3 + [(101, 154, 101)] * 9

# 3 x 5 capitals for the word mark.
GLYPHS = {
    "S": ["111", "100", "111", "001", "111"],
    "O": ["111", "101", "101", "101", "111"],
    "R": ["110", "101", "110", "101", "101"],
    "E": ["111", "100", "110", "100", "111"],
    "L": ["100", "100", "100", "100", "111"],
}


def image(width, height, color):
    return [[color] * width for _ in range(height)]


def led_strip(colors):
    rows = []
    for c in colors:
        rows.append([c] * 3)
        rows.append([BLACK] * 3)
    return rows


def inside_badge(x, y):
    # Rounded rectangle 3..59 x 127..162 with corner radius 4.
    l, t, r, b, rad = 3, 127, 59, 162, 4
    if not (l <= x <= r and t <= y <= b):
        return False
    cx = min(max(x, l + rad), r - rad)
    cy = min(max(y, t + rad), b - rad)
    return (x - cx) ** 2 + (y - cy) ** 2 <= rad * rad


def leaf_shape(x, y):
    """0 outside, 1 leaf, 2 midrib, for a spear-shaped sorrel leaf whose axis
    runs from the stem at (12, 157) up to the tip at (24, 130)."""
    ax, ay, bx, by = 12.0, 157.0, 24.0, 130.0
    dx, dy = bx - ax, by - ay
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    px, py = x + 0.5 - ax, y + 0.5 - ay
    u = (px * ux + py * uy) / length  # 0 at the base, 1 at the tip
    v = px * -uy + py * ux  # signed distance from the axis
    if 0.18 <= u <= 1.0:
        t = (u - 0.18) / 0.82
        half = 8.0 * math.sin(math.pi * (t ** 0.75)) ** 0.9
        # Two back-swept lobes at the base give the spear outline.
        if t < 0.22:
            half = max(half, 7.5 * (1.0 - t / 0.22) ** 0.5 * (1.0 if t > 0.02 else 0.0))
        if abs(v) <= half:
            return 2 if abs(v) < 0.75 and u < 0.92 else 1
    if 0.0 <= u < 0.18 and abs(v) < 0.8:
        return 3
    return 0


def draw_logo(img):
    for y in range(LOGO_TOP, LOGO_BOTTOM):
        for x in range(LOGO_LEFT, LOGO_RIGHT):
            if inside_badge(x, y):
                edge = not (inside_badge(x - 1, y) and inside_badge(x + 1, y) and
                            inside_badge(x, y - 1) and inside_badge(x, y + 1))
                img[y][x] = BADGE_EDGE if edge else BADGE
    for y in range(LOGO_TOP, LOGO_BOTTOM):
        for x in range(LOGO_LEFT, LOGO_RIGHT):
            s = leaf_shape(x, y)
            if s == 1:
                # Light on the upper-left half, darker on the other.
                img[y][x] = LEAF_LIGHT if (x - 12) * 27 + (y - 157) * 12 < 0 else LEAF_DARK
            elif s == 2:
                img[y][x] = RIB
            elif s == 3:
                img[y][x] = STEM
    # A seed spike beside the leaf, the reddish part of the plant.
    for sx, sy in ((30, 133), (31, 136), (30, 139), (31, 142), (30, 145), (31, 148)):
        img[sy][sx] = SEED
        img[sy + 1][sx] = SEED
    for sy in range(134, 158):
        img[sy][32] = STEM
    # Word mark, baseline at row 153.
    x0, y0 = 35, 149
    for ch in "SORREL":
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    img[y0 + row][x0 + col] = TEXT
        x0 += 4
    for x in range(35, 58):
        img[156][x] = SEED


def background():
    img = image(710, 167, PANEL_GREY)
    draw_logo(img)
    return img


def fill_block(img, x, y, scale, color):
    for dy in range(scale):
        for dx in range(scale):
            img[y * scale + dy][x * scale + dx] = color


def inside_badge_smooth(x, y):
    """The badge as a region of the plane: the pixels 3..59 x 127..162 of
    the 1x picture, their corners rounded with the same radius."""
    l, t, r, b, rad = 2.5, 126.5, 59.5, 162.5, 4.5
    if not (l <= x <= r and t <= y <= b):
        return False
    cx = min(max(x, l + rad), r - rad)
    cy = min(max(y, t + rad), b - rad)
    return (x - cx) ** 2 + (y - cy) ** 2 <= rad * rad


def draw_logo_scaled(img, scale):
    """The logo at scale 2 or 3: x and y below are the logical coordinates
    of a device pixel's center, as the 1x drawing uses pixel centers."""
    for dy in range(LOGO_TOP * scale, LOGO_BOTTOM * scale):
        y = (dy + 0.5) / scale - 0.5
        for dx in range(LOGO_LEFT * scale, LOGO_RIGHT * scale):
            x = (dx + 0.5) / scale - 0.5
            if inside_badge_smooth(x, y):
                edge = not (inside_badge_smooth(x - 1, y) and inside_badge_smooth(x + 1, y) and
                            inside_badge_smooth(x, y - 1) and inside_badge_smooth(x, y + 1))
                img[dy][dx] = BADGE_EDGE if edge else BADGE
            s = leaf_shape(x, y)
            if s == 1:
                img[dy][dx] = LEAF_LIGHT if (x - 12) * 27 + (y - 157) * 12 < 0 else LEAF_DARK
            elif s == 2:
                img[dy][dx] = RIB
            elif s == 3:
                img[dy][dx] = STEM
    for sx, sy in ((30, 133), (31, 136), (30, 139), (31, 142), (30, 145), (31, 148)):
        fill_block(img, sx, sy, scale, SEED)
        fill_block(img, sx, sy + 1, scale, SEED)
    for sy in range(134, 158):
        fill_block(img, 32, sy, scale, STEM)
    x0, y0 = 35, 149
    for ch in "SORREL":
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    fill_block(img, x0 + col, y0 + row, scale, TEXT)
        x0 += 4
    for x in range(35, 58):
        fill_block(img, x, 156, scale, SEED)


def background_scaled(scale):
    img = image(710 * scale, 167 * scale, PANEL_GREY)
    draw_logo_scaled(img, scale)
    return img


def led_strip_scaled(colors, scale):
    """Each LED a colored band over a black one, scale times as wide and
    as high."""
    rows = []
    for c in colors:
        rows += [[c] * (3 * scale) for _ in range(scale)]
        rows += [[BLACK] * (3 * scale) for _ in range(scale)]
    return rows


def bmp_bytes(img):
    height, width = len(img), len(img[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(img):  # bottom-up rows
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + bytes(pixels)


def bmp_bytes_indexed(img):
    """The picture with a color table: 4 bits per pixel for up to 16
    colors, 8 for up to 256."""
    height, width = len(img), len(img[0])
    colors = sorted({c for row in img for c in row})
    if len(colors) > 256:
        return bmp_bytes(img)
    bits = 4 if len(colors) <= 16 else 8
    index = {c: i for i, c in enumerate(colors)}
    stride = ((width * bits + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(img):
        line = bytearray()
        if bits == 8:
            line += bytes(index[c] for c in row)
        else:
            for x in range(0, width, 2):
                hi = index[row[x]]
                lo = index[row[x + 1]] if x + 1 < width else 0
                line.append(hi << 4 | lo)
        line += b"\0" * (stride - len(line))
        pixels += line
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colors)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835, len(colors),
                       0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


def png_bytes(img, scale):
    height, width = len(img), len(img[0])
    raw = bytearray()
    for row in img:
        line = bytearray(b"\0")
        for r, g, b in row:
            line += bytes((r, g, b)) * scale
        raw += bytes(line) * scale

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    ihdr = struct.pack(">IIBBBBB", width * scale, height * scale, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(
        b"IEND", b"")


def main(argv):
    out = os.path.dirname(os.path.abspath(__file__))
    preview = None
    args = list(argv)
    if "--preview" in args:
        i = args.index("--preview")
        preview = args[i + 1]
        del args[i:i + 2]
    if args:
        out = args[0]
    files = {
        "background.bmp": background(),
        "led_on.bmp": led_strip(LIT),
        "led_off.bmp": led_strip(UNLIT),
    }
    for name, img in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(bmp_bytes(img))
    for scale in (2, 3):
        scaled = {
            "background_%dx.bmp" % scale: background_scaled(scale),
            "led_on_%dx.bmp" % scale: led_strip_scaled(LIT, scale),
            "led_off_%dx.bmp" % scale: led_strip_scaled(UNLIT, scale),
        }
        for name, img in scaled.items():
            with open(os.path.join(out, name), "wb") as f:
                f.write(bmp_bytes_indexed(img))
    if preview:
        corner = [row[0:72] for row in files["background.bmp"][118:167]]
        with open(os.path.join(preview, "logo_preview.png"), "wb") as f:
            f.write(png_bytes(corner, 8))


if __name__ == "__main__":
    main(sys.argv[1:])
