#!/usr/bin/env python3
"""Draw the Sonavix application icon.

Writes two files from the same list of shapes:
  desktop/sonavix.svg      scalable icon (256 x 256 view box)
  desktop/sonavix-256.png  the same picture rasterised to 256 x 256 RGBA

The picture echoes the live view: circles in the spectrum palette, spiralling
out from the middle of a dark blue rounded square.

Run from the top of the checkout:
  python3 tools/make_icon.py

Only the Python standard library is used, and the output is the same bytes on
every run, so the files can be regenerated and committed without noise.
"""

import math
import os
import struct
import zlib

SIZE = 256
SAMPLES = 4  # 4 x 4 samples per pixel for antialiasing

# Background: rounded square with a vertical gradient from the live view's
# dark blue down to a slightly darker blue.
BG_X0, BG_Y0, BG_X1, BG_Y1, BG_RADIUS = 8, 8, 248, 248, 40
BG_TOP = (0, 0, 125)
BG_BOTTOM = (0, 0, 78)

# Palette used by the circles: red 0..195, green 0..126, blue always 255.
VIOLET = (130, 50, 255)
LAVENDER = (185, 126, 255)
BLUE = (40, 90, 255)
PINK = (195, 40, 255)
SKY = (100, 126, 255)

STROKE = 4

# Circles as (centre x, centre y, radius, fill, outline). A big circle sits in
# the middle and two arms curl out from it, the circles shrinking as they are
# pushed further out. Listed outermost first so the centre is drawn on top.
CIRCLES = [
    (41, 165, 12, PINK, LAVENDER),
    (215, 91, 12, SKY, BLUE),
    (77, 192, 15, LAVENDER, PINK),
    (179, 64, 15, BLUE, LAVENDER),
    (116, 197, 19, PINK, VIOLET),
    (140, 59, 19, VIOLET, LAVENDER),
    (147, 183, 22, SKY, PINK),
    (109, 73, 22, LAVENDER, VIOLET),
    (162, 159, 25, BLUE, SKY),
    (94, 97, 25, PINK, LAVENDER),
    (128, 128, 34, VIOLET, LAVENDER),
]


def hex_colour(c):
    return "#%02x%02x%02x" % c


def write_svg(path):
    out = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" version="1.1" '
        'width="%d" height="%d" viewBox="0 0 %d %d">' % ((SIZE,) * 4),
        '  <defs>',
        '    <linearGradient id="bg" x1="0" y1="0" x2="0" y2="1">',
        '      <stop offset="0" stop-color="%s"/>' % hex_colour(BG_TOP),
        '      <stop offset="1" stop-color="%s"/>' % hex_colour(BG_BOTTOM),
        '    </linearGradient>',
        '  </defs>',
        '  <rect x="%d" y="%d" width="%d" height="%d" rx="%d" ry="%d" '
        'fill="url(#bg)"/>' % (BG_X0, BG_Y0, BG_X1 - BG_X0, BG_Y1 - BG_Y0,
                               BG_RADIUS, BG_RADIUS),
    ]
    for x, y, r, fill, outline in CIRCLES:
        out.append('  <circle cx="%d" cy="%d" r="%d" fill="%s" stroke="%s" '
                   'stroke-width="%d"/>'
                   % (x, y, r, hex_colour(fill), hex_colour(outline), STROKE))
    out.append('</svg>')
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out) + "\n")


def background_distance(x, y):
    """Signed distance to the rounded square edge (negative inside)."""
    cx, cy = (BG_X0 + BG_X1) / 2, (BG_Y0 + BG_Y1) / 2
    hw = (BG_X1 - BG_X0) / 2 - BG_RADIUS
    hh = (BG_Y1 - BG_Y0) / 2 - BG_RADIUS
    dx, dy = abs(x - cx) - hw, abs(y - cy) - hh
    outside = math.hypot(max(dx, 0), max(dy, 0))
    return outside + min(max(dx, dy), 0) - BG_RADIUS


def sample(x, y):
    """Colour at one point, or None where the icon is transparent."""
    if background_distance(x, y) > 0:
        return None
    t = (y - BG_Y0) / (BG_Y1 - BG_Y0)
    colour = tuple(a + (b - a) * t for a, b in zip(BG_TOP, BG_BOTTOM))
    for cx, cy, r, fill, outline in CIRCLES:
        d = math.hypot(x - cx, y - cy)
        if d <= r - STROKE / 2:
            colour = fill
        elif d <= r + STROKE / 2:
            colour = outline
    return colour


def near_edge(x, y):
    """True if some shape edge passes close to the pixel centre (x, y)."""
    if abs(background_distance(x, y)) < 1:
        return True
    for cx, cy, r, _, _ in CIRCLES:
        d = math.hypot(x - cx, y - cy)
        if abs(d - (r - STROKE / 2)) < 1 or abs(d - (r + STROKE / 2)) < 1:
            return True
    return False


def render_pixel(px, py):
    if not near_edge(px + 0.5, py + 0.5):
        points = [(px + 0.5, py + 0.5)]
    else:
        steps = [(i + 0.5) / SAMPLES for i in range(SAMPLES)]
        points = [(px + sx, py + sy) for sy in steps for sx in steps]
    total = [0.0, 0.0, 0.0]
    hits = 0
    for x, y in points:
        c = sample(x, y)
        if c is not None:
            hits += 1
            for i in range(3):
                total[i] += c[i]
    if hits == 0:
        return b"\0\0\0\0"
    rgb = [int(round(v / hits)) for v in total]
    alpha = int(round(255 * hits / len(points)))
    return bytes(rgb + [alpha])


def write_png(path):
    rows = []
    for py in range(SIZE):
        rows.append(b"\0" + b"".join(render_pixel(px, py)
                                     for px in range(SIZE)))

    def chunk(kind, data):
        body = kind + data
        return (struct.pack(">I", len(data)) + body
                + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(b"".join(rows), 9)))
        f.write(chunk(b"IEND", b""))


def main():
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out_dir = os.path.join(top, "desktop")
    os.makedirs(out_dir, exist_ok=True)
    write_svg(os.path.join(out_dir, "sonavix.svg"))
    write_png(os.path.join(out_dir, "sonavix-256.png"))


if __name__ == "__main__":
    main()
