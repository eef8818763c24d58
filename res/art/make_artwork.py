#!/usr/bin/env python3
"""Draws Tarvel's bitmaps and icons and writes them as BMP and ICO files.

Plain Python, no imaging library: every picture is a few filled shapes, rasterised with
4 x 4 supersampling. Run from anywhere; the files are written next to this script's folder
(res/). The outputs are committed, so the build does not need Python.
"""

import math
import os
import struct

SUB = 4  # subsamples per pixel in each direction


class Canvas:
    def __init__(self, width, height):
        self.w = width
        self.h = height
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(width)] for _ in range(height)]

    def fill(self, inside, color, x0=0, y0=0, x1=None, y1=None):
        """Composites color over every pixel by the share of subsamples for which inside(x, y)."""
        x1 = self.w if x1 is None else x1
        y1 = self.h if y1 is None else y1
        for py in range(max(0, int(y0)), min(self.h, int(math.ceil(y1)))):
            for px in range(max(0, int(x0)), min(self.w, int(math.ceil(x1)))):
                hits = 0
                for sy in range(SUB):
                    for sx in range(SUB):
                        if inside(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB):
                            hits += 1
                if hits == 0:
                    continue
                c = color(px + 0.5, py + 0.5) if callable(color) else color
                self.over(px, py, c, hits / (SUB * SUB))

    def over(self, x, y, c, coverage):
        r, g, b = c[0], c[1], c[2]
        a = (c[3] if len(c) > 3 else 1.0) * coverage
        dr, dg, db, da = self.px[y][x]
        out_a = a + da * (1 - a)
        if out_a <= 0:
            return
        mix = lambda s, d: (s * a + d * da * (1 - a)) / out_a
        self.px[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), out_a)

    # Shapes -------------------------------------------------------------------------------
    def rect(self, x0, y0, x1, y1, color):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, color, x0, y0, x1, y1)

    def round_rect(self, x0, y0, x1, y1, r, color):
        def inside(x, y):
            if not (x0 <= x < x1 and y0 <= y < y1):
                return False
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r

        self.fill(inside, color, x0, y0, x1, y1)

    def ellipse(self, cx, cy, rx, ry, color):
        self.fill(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0, color,
                  cx - rx, cy - ry, cx + rx + 1, cy + ry + 1)

    def circle(self, cx, cy, r, color):
        self.ellipse(cx, cy, r, r, color)

    def polygon(self, points, color):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]

        def inside(x, y):
            n = len(points)
            result = False
            j = n - 1
            for i in range(n):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    result = not result
                j = i
            return result

        self.fill(inside, color, min(xs), min(ys), max(xs) + 1, max(ys) + 1)

    def line(self, ax, ay, bx, by, width, color):
        def inside(x, y):
            dx, dy = bx - ax, by - ay
            length2 = dx * dx + dy * dy
            t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
            px, py = ax + t * dx, ay + t * dy
            return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2

        pad = width
        self.fill(inside, color, min(ax, bx) - pad, min(ay, by) - pad, max(ax, bx) + pad + 1,
                  max(ay, by) + pad + 1)

    def arc(self, cx, cy, r, width, start_deg, end_deg, color):
        """A ring segment, angles in degrees counter-clockwise from the positive x axis."""

        def inside(x, y):
            d = math.hypot(x - cx, y - cy)
            if abs(d - r) > width / 2:
                return False
            ang = math.degrees(math.atan2(-(y - cy), x - cx)) % 360
            s, e = start_deg % 360, end_deg % 360
            return s <= ang <= e if s <= e else (ang >= s or ang <= e)

        self.fill(inside, color, cx - r - width, cy - r - width, cx + r + width + 1,
                  cy + r + width + 1)

    def paste(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                r, g, b, a = other.px[y][x]
                if a > 0 and 0 <= ox + x < self.w and 0 <= oy + y < self.h:
                    self.over(ox + x, oy + y, (r, g, b, 1.0), a)


def rgb(hex_text, alpha=1.0):
    v = int(hex_text.lstrip("#"), 16)
    return ((v >> 16) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0, alpha)


def vertical(top, bottom, y0, y1):
    """A colour function that runs from top at y0 to bottom at y1."""

    def color(x, y):
        t = min(1.0, max(0.0, (y - y0) / max(1e-6, y1 - y0)))
        return tuple(top[i] + (bottom[i] - top[i]) * t for i in range(3)) + (1.0,)

    return color


def radial(inner, outer, cx, cy, r):
    def color(x, y):
        t = min(1.0, math.hypot(x - cx, y - cy) / r)
        return tuple(inner[i] + (outer[i] - inner[i]) * t for i in range(3)) + (1.0,)

    return color


# File writers ----------------------------------------------------------------------------------

def to_bytes(c):
    return tuple(max(0, min(255, int(round(v * 255)))) for v in c)


def flatten(canvas, key, face=None, threshold=0.35):
    """Opaque 24-bit pixels: pixels under threshold coverage become the key (mask) colour; edges
    are blended with face, the colour the picture is expected to sit on."""
    face = face or key
    rows = []
    for y in range(canvas.h):
        row = []
        for x in range(canvas.w):
            r, g, b, a = canvas.px[y][x]
            if a < threshold:
                row.append(key)
                continue
            f = [v / 255.0 for v in face]
            c = to_bytes((r * a + f[0] * (1 - a), g * a + f[1] * (1 - a), b * a + f[2] * (1 - a)))
            if c == key:  # never let artwork collide with the mask colour
                c = (c[0], c[1], c[2] - 1 if c[2] > 0 else 1)
            row.append(c)
        rows.append(row)
    return rows


def write_bmp24(path, rows):
    h = len(rows)
    w = len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def icon_image(canvas):
    """One icon directory image: a 32-bit BGRA bitmap with its AND mask."""
    w, h = canvas.w, canvas.h
    xor = bytearray()
    for y in reversed(range(h)):
        for x in range(w):
            r, g, b, a = canvas.px[y][x]
            if a <= 0:
                xor += b"\0\0\0\0"
                continue
            # premultiplied colours are not used by icons: store straight colour and alpha
            cr, cg, cb = to_bytes((r, g, b))
            xor += bytes((cb, cg, cr, to_bytes((a, 0, 0))[0]))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(h)):
        bits = bytearray(mask_stride)
        for x in range(w):
            if canvas.px[y][x][3] < 0.5:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def write_ico(path, canvases):
    images = [icon_image(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.w % 256, c.h % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, "wb") as f:
        f.write(out)


# Pictures --------------------------------------------------------------------------------------

INK = rgb("#30343a")


def tool_new(c):
    c.polygon([(3, 1), (10, 1), (13, 4), (13, 14), (3, 14)], INK)
    c.polygon([(4, 2), (9.5, 2), (12, 4.5), (12, 13), (4, 13)], rgb("#fdfdfd"))
    c.polygon([(9.5, 1.5), (9.5, 4.5), (12.5, 4.5)], rgb("#9aa3ad"))
    for y in (7, 9, 11):
        c.rect(5.5, y, 10.5, y + 0.8, rgb("#8fb3d9"))


def tool_open(c):
    c.polygon([(1, 4), (5, 4), (6.5, 5.5), (12, 5.5), (12, 13), (1, 13)], rgb("#a07810"))
    c.polygon([(2, 5), (4.8, 5), (6.2, 6.5), (11, 6.5), (11, 12), (2, 12)], rgb("#e8c25a"))
    c.polygon([(3.5, 8), (15, 8), (12.5, 13), (1, 13)], rgb("#a07810"))
    c.polygon([(4.2, 8.8), (13.8, 8.8), (12, 12.3), (2.2, 12.3)], rgb("#f6d77a"))


def tool_save(c):
    c.round_rect(1.5, 1.5, 14.5, 14.5, 1.2, rgb("#1f4f8f"))
    c.rect(4, 1.5, 12, 6.5, rgb("#eef2f6"))
    c.rect(9.5, 2.3, 11, 5.5, rgb("#1f4f8f"))
    c.rect(4, 9, 12, 14.5, rgb("#c9d3de"))
    c.rect(5, 10.5, 11, 11.2, rgb("#7d8a99"))
    c.rect(5, 12.2, 11, 12.9, rgb("#7d8a99"))


def tool_refresh(c):
    green = rgb("#238b3c")
    cx, cy, r = 8.0, 7.5, 4.4
    c.arc(cx, cy, r, 2.0, 35, 165, green)
    c.arc(cx, cy, r, 2.0, 215, 345, green)
    for end in (35, 215):  # a clockwise arrow head at the end of each arc
        t = math.radians(end)
        ex, ey = cx + r * math.cos(t), cy - r * math.sin(t)
        nx, ny = math.cos(t), -math.sin(t)  # outwards
        dx, dy = math.sin(t), math.cos(t)  # clockwise along the circle
        c.polygon([(ex + 3.0 * nx, ey + 3.0 * ny), (ex - 3.0 * nx, ey - 3.0 * ny),
                   (ex + 3.4 * dx, ey + 3.4 * dy)], green)


class Scaled:
    """A canvas seen through a scale: the toolbar's pictures are drawn in 16 x 15 units at any
    size."""

    def __init__(self, canvas, s):
        self.c = canvas
        self.s = s

    def rect(self, x0, y0, x1, y1, color):
        s = self.s
        self.c.rect(x0 * s, y0 * s, x1 * s, y1 * s, color)

    def round_rect(self, x0, y0, x1, y1, r, color):
        s = self.s
        self.c.round_rect(x0 * s, y0 * s, x1 * s, y1 * s, r * s, color)

    def polygon(self, points, color):
        self.c.polygon([(x * self.s, y * self.s) for x, y in points], color)

    def arc(self, cx, cy, r, width, start_deg, end_deg, color):
        s = self.s
        self.c.arc(cx * s, cy * s, r * s, width * s, start_deg, end_deg, color)


# Toolbar pictures: 16 x 15 at 100 %, and drawn afresh for 150 % and 200 %.
TOOLBAR_SIZES = ((16, 15), (24, 23), (32, 30))


def toolbar_bitmap(width=16, height=15):
    pictures = [tool_new, tool_open, tool_save, tool_refresh]
    strip = Canvas(width * len(pictures), height)
    for i, draw in enumerate(pictures):
        cell = Canvas(width, height)
        draw(Scaled(cell, width / 16.0))
        strip.paste(cell, width * i, 0)
    return flatten(strip, key=(255, 0, 255), face=(236, 236, 236))


def row_image(size, status):
    """One row picture for the given row status (1 pressed, 2 capture row, 4 connected)."""
    c = Canvas(size, size)
    s = size / 16.0
    connected = status & 4
    capture = status & 2
    pressed = status & 1
    if not connected:
        face = rgb("#d23a32") if capture else rgb("#d4d4d4")
        edge = rgb("#8c1e18") if capture else rgb("#9a9a9a")
        c.round_rect(1 * s, 1 * s, 15 * s, 15 * s, 2 * s, edge)
        c.round_rect(2 * s, 2 * s, 14 * s, 14 * s, 1.5 * s, face)
        cross = rgb("#b6e03c") if capture else rgb("#d8201a")
        c.line(9.5 * s, 9.5 * s, 13 * s, 13 * s, 1.6 * s, cross)
        c.line(13 * s, 9.5 * s, 9.5 * s, 13 * s, 1.6 * s, cross)
        return c
    if capture:
        dark, light, rim = rgb("#9c1710"), rgb("#ff6a5a"), rgb("#5e0c08")
    elif pressed:
        dark, light, rim = rgb("#2fae2f"), rgb("#9dff7a"), rgb("#176a17")
    else:
        dark, light, rim = rgb("#0f5a1c"), rgb("#48a858"), rgb("#0a3812")
    if pressed:
        # pressed: flatter, lower, a light rim all round
        c.ellipse(8 * s, 9 * s, 6.5 * s, 5.5 * s, rim)
        c.ellipse(8 * s, 9 * s, 5.6 * s, 4.6 * s, radial(light, dark, 8 * s, 9 * s, 6 * s))
    else:
        # raised: a shadow below, a highlight at the top left
        c.ellipse(8.5 * s, 9.5 * s, 6.3 * s, 6 * s, rgb("#000000", 0.35))
        c.circle(7.7 * s, 7.7 * s, 6.2 * s, rim)
        c.circle(7.7 * s, 7.7 * s, 5.4 * s,
                 radial(light, dark, 6 * s, 5.6 * s, 7 * s))
        c.ellipse(6 * s, 5.2 * s, 2.2 * s, 1.4 * s, rgb("#ffffff", 0.6))
    return c


def row_images(size):
    strip = Canvas(size * 8, size)
    for status in range(8):
        strip.paste(row_image(size, status), size * status, 0)
    return flatten(strip, key=(255, 255, 255), face=(255, 255, 255), threshold=0.2)


def joystick(size, with_key):
    c = Canvas(size, size)
    s = size / 32.0
    # the base
    c.ellipse(16 * s, 26 * s, 13 * s, 4.8 * s, rgb("#000000", 0.25))
    c.round_rect(4 * s, 19 * s, 28 * s, 28 * s, 4 * s, rgb("#1d2026"))
    c.round_rect(5 * s, 19.8 * s, 27 * s, 26.5 * s, 3.4 * s,
                 vertical(rgb("#5b626e"), rgb("#2b2f36"), 19 * s, 27 * s))
    c.circle(23 * s, 22.6 * s, 2 * s, rgb("#e03c2c"))
    # the stick and its ball
    c.line(14 * s, 21 * s, 12 * s, 9 * s, 3.2 * s, rgb("#1d2026"))
    c.line(14 * s, 21 * s, 12 * s, 9 * s, 1.6 * s, rgb("#7d8592"))
    c.circle(11.5 * s, 7.5 * s, 5.6 * s, rgb("#6e0e08"))
    c.circle(11.5 * s, 7.5 * s, 4.9 * s, radial(rgb("#ff8a70"), rgb("#c81e10"), 10 * s, 5.5 * s, 6 * s))
    c.ellipse(9.8 * s, 5.3 * s, 1.8 * s, 1.1 * s, rgb("#ffffff", 0.7))
    if with_key:
        # a key cap: the program turns buttons into keys
        c.round_rect(18 * s, 3 * s, 30 * s, 15 * s, 2.4 * s, rgb("#2a3a55"))
        c.round_rect(19 * s, 4 * s, 29 * s, 12.6 * s, 1.8 * s,
                     vertical(rgb("#fafcff"), rgb("#c5d2e6"), 4 * s, 13 * s))
        c.line(21.5 * s, 6 * s, 21.5 * s, 10.6 * s, 1.3 * s, rgb("#2a3a55"))
        c.line(21.9 * s, 8.6 * s, 25.8 * s, 5.8 * s, 1.3 * s, rgb("#2a3a55"))
        c.line(23 * s, 7.8 * s, 26 * s, 10.8 * s, 1.3 * s, rgb("#2a3a55"))
    return c


def main():
    res = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    write_bmp24(os.path.join(res, "toolbar.bmp"), toolbar_bitmap())
    for width, height in TOOLBAR_SIZES[1:]:
        write_bmp24(os.path.join(res, f"toolbar-{width}.bmp"), toolbar_bitmap(width, height))
    write_bmp24(os.path.join(res, "row-images-small.bmp"), row_images(16))
    write_bmp24(os.path.join(res, "row-images-24.bmp"), row_images(24))
    write_bmp24(os.path.join(res, "row-images-large.bmp"), row_images(32))
    # Every size that Windows asks for at 100 % to 300 %: each drawn for itself, never scaled
    # from another. The key cap needs room: from 24 pixels on.
    sizes = (16, 20, 24, 32, 48)
    write_ico(os.path.join(res, "tarvel.ico"), [joystick(n, n >= 24) for n in sizes])
    write_ico(os.path.join(res, "tray.ico"), [joystick(n, False) for n in sizes])


if __name__ == "__main__":
    main()
