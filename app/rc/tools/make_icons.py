#!/usr/bin/env python3
"""Draws the studio's small icons and writes them as PNG files.

Run it after changing a drawing: python3 app/rc/tools/make_icons.py
Each icon is a stack of filled shapes, sampled 8 x 8 times per pixel for smooth edges.
Only the standard library is needed.
"""

import math
import os
import struct
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
SAMPLES = 8


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        dx = max(x0 + r - x, 0.0, x - (x1 - r))
        dy = max(y0 + r - y, 0.0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return inside


def ring_top(cx, cy, r_outer, r_inner, y_end):
    """The upper half of a ring, with straight legs down to y_end."""
    def inside(x, y):
        if y <= cy:
            d = math.hypot(x - cx, y - cy)
            return r_inner <= d <= r_outer
        return y <= y_end and r_inner <= abs(x - cx) <= r_outer
    return inside


def polygon(points):
    """A filled polygon, by the even-odd rule."""
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def hex_colour(text, alpha=255):
    text = text.lstrip("#")
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16), alpha)


def render(size, layers):
    """layers: (shape, colour) pairs, painted in order."""
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    colour = None
                    for shape, fill in layers:
                        if shape(x, y):
                            colour = fill
                    if colour:
                        a = colour[3] / 255.0
                        acc[0] += colour[0] * a
                        acc[1] += colour[1] * a
                        acc[2] += colour[2] * a
                        acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha > 0:
                row += bytes(round(c / acc[3]) for c in acc[:3]) + bytes([round(alpha * 255)])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def write_png(path, size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def badge(main, edge, glyph):
    """A round badge with a white glyph, 16 x 16."""
    white = hex_colour("ffffff")
    return [(circle(8, 8, 7.6), hex_colour(edge)), (circle(8, 8, 6.7), hex_colour(main))] + [
        (shape, white) for shape in glyph
    ]


def sheet(content):
    """A sheet of paper with a folded corner, 32 x 32, and its content on top."""
    edge = [(6.0, 2.0), (20.5, 2.0), (27.0, 8.5), (27.0, 30.0), (6.0, 30.0)]
    paper = [(7.0, 3.0), (20.0, 3.0), (26.0, 9.0), (26.0, 29.0), (7.0, 29.0)]
    fold = [(20.0, 3.0), (26.0, 9.0), (20.0, 9.0)]
    return [
        (polygon(edge), hex_colour("7a828c")),
        (polygon(paper), hex_colour("fbfcfd")),
        (polygon(fold), hex_colour("c9ced5")),
    ] + content


ICONS = {
    # Error tip: a red badge with an exclamation mark.
    "ui/rc/error_small.png": (16, badge("d93a2f", "9e2018", [
        rounded_rect(7.0, 3.0, 9.0, 9.0, 1.0),
        circle(8.0, 11.9, 1.2),
    ])),
    # Information tip: a blue badge with an i.
    "ui/rc/info_small.png": (16, badge("2f6fd6", "1b4a99", [
        circle(8.0, 4.2, 1.2),
        rounded_rect(7.0, 7.0, 9.0, 12.6, 0.5),
    ])),
    # Limit button: a padlock.
    "app/rc/lock.png": (16, [
        (ring_top(8.0, 6.6, 4.4, 2.6, 8.5), hex_colour("5f6670")),
        (ring_top(8.0, 6.6, 3.8, 3.2, 8.5), hex_colour("8c939d")),
        (rounded_rect(2.2, 7.2, 13.8, 14.8, 1.8), hex_colour("9c6f12")),
        (rounded_rect(3.0, 8.0, 13.0, 14.0, 1.2), hex_colour("e3ab2c")),
        (circle(8.0, 10.4, 1.3), hex_colour("5a3f08")),
        (rounded_rect(7.4, 10.4, 8.6, 12.8, 0.3), hex_colour("5a3f08")),
    ]),
    # Export as CSV: a sheet with a table of two columns.
    "plot/rc/export_dat.png": (32, sheet(
        [(rounded_rect(9.5, 11.5 + 4.0 * row, 15.5, 13.5 + 4.0 * row, 0.5), hex_colour("2f6fd6")) for row in range(4)]
        + [(rounded_rect(17.0, 11.5 + 4.0 * row, 23.5, 13.5 + 4.0 * row, 0.5), hex_colour("2f9e4f")) for row in range(4)]
    )),
    # Export as PNG: a sheet with a picture of a hill under the sun.
    "plot/rc/export_png.png": (32, sheet([
        (rounded_rect(9.0, 11.0, 24.0, 26.0, 1.0), hex_colour("8cc4ee")),
        (circle(19.5, 15.0, 2.2), hex_colour("f2c230")),
        (polygon([(9.0, 26.0), (9.0, 22.0), (14.0, 16.5), (19.0, 22.0), (21.0, 20.0), (24.0, 23.0), (24.0, 26.0)]),
         hex_colour("2f9e4f")),
    ])),
}


def main():
    for name, (size, layers) in ICONS.items():
        path = os.path.join(ROOT, name)
        write_png(path, size, render(size, layers))
        print("wrote", os.path.relpath(path, ROOT))


if __name__ == "__main__":
    main()
