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


def render_rect(width, height, background, layers, samples):
    """A width x height picture: background(x, y) gives each pixel's colour under the layers."""
    rows = []
    n = samples * samples
    for py in range(height):
        row = bytearray()
        for px in range(width):
            acc = [0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    x = px + (sx + 0.5) / samples
                    y = py + (sy + 0.5) / samples
                    colour = background(x, y)
                    for shape, fill in layers:
                        if shape(x, y):
                            a = fill[3] / 255.0
                            colour = tuple(colour[i] * (1 - a) + fill[i] * a for i in range(3))
                    for i in range(3):
                        acc[i] += colour[i]
            row += bytes(round(c / n) for c in acc) + b"\xff"
        rows.append(bytes(row))
    return rows


def write_png(path, size, rows, height=None):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, height or size, 8, 6, 0, 0, 0))
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


def segment(x0, y0, x1, y1, width):
    """A stroke with round ends."""
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2.0
    return inside


def ring(cx, cy, r_outer, r_inner, gap_from=None, gap_to=None):
    """A ring; the optional gap is an angle range in degrees, 0 pointing up, clockwise."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if not r_inner <= d <= r_outer:
            return False
        if gap_from is None:
            return True
        angle = math.degrees(math.atan2(x - cx, cy - y)) % 360.0
        return not (angle >= gap_from % 360.0 or angle <= gap_to)
    return inside


def ellipse_ring(cx, cy, rx_outer, ry_outer, rx_inner, ry_inner):
    def inside(x, y):
        outer = ((x - cx) / rx_outer) ** 2 + ((y - cy) / ry_outer) ** 2 <= 1.0
        inner = ((x - cx) / rx_inner) ** 2 + ((y - cy) / ry_inner) ** 2 < 1.0
        return outer and not inner
    return inside


def union(*shapes):
    return lambda x, y: any(shape(x, y) for shape in shapes)


def rotated(shape, cx, cy, degrees):
    """The shape turned clockwise about (cx, cy)."""
    a = math.radians(-degrees)
    c, s = math.cos(a), math.sin(a)
    return lambda x, y: shape(cx + (x - cx) * c - (y - cy) * s, cy + (x - cx) * s + (y - cy) * c)


def gear(cx, cy, r_body, r_teeth, teeth, tooth_width):
    body = circle(cx, cy, r_body)
    tooth = rounded_rect(cx - tooth_width / 2.0, cy - r_teeth, cx + tooth_width / 2.0, cy, 0.8)
    parts = [body] + [rotated(tooth, cx, cy, i * 360.0 / teeth) for i in range(teeth)]
    return union(*parts)


def arrow(right, x0, x1, cy, shaft, head_length, head_height):
    """A horizontal arrow from x0 to x1 pointing right (or left)."""
    if right:
        tip, base, tail = x1, x1 - head_length, x0
    else:
        tip, base, tail = x0, x0 + head_length, x1
    head = polygon([(base, cy - head_height / 2.0), (tip, cy), (base, cy + head_height / 2.0)])
    body = rounded_rect(min(tail, base), cy - shaft / 2.0, max(tail, base), cy + shaft / 2.0, 1.0)
    return union(head, body)


def bulb(lit):
    glass, edge = ("f7d23e", "b8900f") if lit else ("d6d9de", "8c939d")
    layers = []
    if lit:
        layers.append((circle(8.0, 6.6, 7.4), hex_colour("fbe38a", 110)))
    layers += [
        (circle(8.0, 6.4, 5.2), hex_colour(edge)),
        (circle(8.0, 6.4, 4.4), hex_colour(glass)),
        (rounded_rect(5.6, 9.6, 10.4, 11.2, 0.6), hex_colour(glass)),
        (circle(6.6, 5.0, 1.2), hex_colour("ffffff", 200)),
        (rounded_rect(5.4, 11.0, 10.6, 15.2, 1.0), hex_colour("5f6670")),
        (rounded_rect(5.9, 12.3, 10.1, 12.9, 0.2), hex_colour("a9afb7")),
    ]
    return layers


def big_badge(main, edge, glyph):
    """A round badge with a white glyph, 32 x 32."""
    white = hex_colour("ffffff")
    return [(circle(16, 16, 15.2), hex_colour(edge)), (circle(16, 16, 13.6), hex_colour(main))] + [
        (shape, white) for shape in glyph
    ]


def plus_badge(cx, cy, r):
    """A green round badge with a white plus, for icons that add something."""
    white = hex_colour("ffffff")
    arm = r * 0.55
    bar = r * 0.28
    return [
        (circle(cx, cy, r), hex_colour("1d6b34")),
        (circle(cx, cy, r - 1.0), hex_colour("2e9e4f")),
        (rounded_rect(cx - arm, cy - bar, cx + arm, cy + bar, 0.4), white),
        (rounded_rect(cx - bar, cy - arm, cx + bar, cy + arm, 0.4), white),
    ]


def floppy(x0, y0, size):
    """A blue floppy disk with a white label and a grey shutter, its corner at (x0, y0)."""
    x1, y1 = x0 + size, y0 + size
    k = size / 24.0
    return [
        (rounded_rect(x0, y0, x1, y1, 2.0 * k), hex_colour("1b4a99")),
        (rounded_rect(x0 + 1.0 * k, y0 + 1.0 * k, x1 - 1.0 * k, y1 - 1.0 * k, 1.5 * k), hex_colour("2f6fd6")),
        (rounded_rect(x0 + 4.0 * k, y0 + 1.0 * k, x1 - 4.0 * k, y0 + 10.0 * k, 0.8 * k), hex_colour("fbfcfd")),
        (rounded_rect(x0 + 6.0 * k, y1 - 8.0 * k, x1 - 6.0 * k, y1 - 1.0 * k, 0.6 * k), hex_colour("c9ced5")),
        (rounded_rect(x0 + 12.5 * k, y1 - 7.0 * k, x0 + 15.0 * k, y1 - 2.0 * k, 0.3 * k), hex_colour("5f6670")),
    ]


def forward_arrow():
    """A blue arrow to the right."""
    return [
        (arrow(True, 3.0, 30.0, 16.0, 10.0, 14.0, 24.0), hex_colour("1b4a99")),
        (arrow(True, 4.4, 27.4, 16.0, 7.2, 11.6, 19.0), hex_colour("2f6fd6")),
    ]


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


    # Commit button: a green badge with a check mark.
    "app/rc/commit.png": (32, big_badge("2e9e4f", "1d6b34", [
        union(segment(9.0, 16.5, 14.0, 21.5, 3.6), segment(14.0, 21.5, 23.0, 11.0, 3.6)),
    ])),
    # Cancel in the stand-alone configuration dialog: a red badge with a cross.
    "standalone/ui/rc/no.png": (32, big_badge("d93a2f", "9e2018", [
        union(segment(10.5, 10.5, 21.5, 21.5, 3.6), segment(21.5, 10.5, 10.5, 21.5, 3.6)),
    ])),
    # Advanced settings: a grey gear.
    "app/rc/settings.png": (32, [
        (gear(16.0, 16.0, 10.6, 14.6, 8, 5.2), hex_colour("5f6670")),
        (gear(16.0, 16.0, 9.6, 13.6, 8, 3.6), hex_colour("8c939d")),
        (circle(16.0, 16.0, 4.8), hex_colour("5f6670")),
        (circle(16.0, 16.0, 3.6), (0, 0, 0, 0)),
    ]),
    # Zero position: a blue badge with a 0.
    "app/rc/zero.png": (32, big_badge("2f6fd6", "1b4a99", [
        ellipse_ring(16.0, 16.0, 5.6, 8.4, 3.2, 5.8),
    ])),
    # Motor power: the power symbol on a dark badge.
    "app/rc/power.png": (32, big_badge("3d4653", "232931", [
        ring(16.0, 17.0, 8.6, 6.2, 320.0, 40.0),
        rounded_rect(14.8, 6.0, 17.2, 16.5, 1.2),
    ])),
    # Move home: a house.
    "app/rc/house.png": (32, [
        (polygon([(16.0, 2.5), (30.5, 15.5), (1.5, 15.5)]), hex_colour("9e2018")),
        (polygon([(16.0, 5.2), (27.2, 15.0), (4.8, 15.0)]), hex_colour("d93a2f")),
        (rounded_rect(5.5, 14.5, 26.5, 29.5, 1.0), hex_colour("9c6f12")),
        (rounded_rect(6.7, 15.5, 25.3, 28.3, 0.6), hex_colour("e3ab2c")),
        (rounded_rect(13.2, 19.5, 18.8, 28.3, 0.8), hex_colour("5a3f08")),
    ]),
    # Move backward and forward: blue arrows.
    "app/rc/backward.png": (32, [
        (arrow(False, 2.0, 29.0, 16.0, 10.0, 14.0, 24.0), hex_colour("1b4a99")),
        (arrow(False, 4.6, 27.6, 16.0, 7.2, 11.6, 19.0), hex_colour("2f6fd6")),
    ]),
    "app/rc/forward.png": (32, forward_arrow()),
    # Stop: a red square.
    "app/rc/stop.png": (32, [
        (rounded_rect(5.0, 5.0, 27.0, 27.0, 3.0), hex_colour("9e2018")),
        (rounded_rect(6.4, 6.4, 25.6, 25.6, 2.2), hex_colour("d93a2f")),
    ]),
    # Motor states: a lit and a dark bulb, an error and a running motor.
    "app/rc/lightbulb_on.png": (16, bulb(True)),
    "app/rc/lightbulb_off.png": (16, bulb(False)),
    "app/rc/error.png": (16, badge("d93a2f", "9e2018", [
        segment(5.4, 5.4, 10.6, 10.6, 2.0),
        segment(10.6, 5.4, 5.4, 10.6, 2.0),
    ])),
    "app/rc/running.png": (16, badge("2e9e4f", "1d6b34", [
        polygon([(6.0, 4.4), (12.2, 8.0), (6.0, 11.6)]),
    ])),
    # Measurement states: stopped, waiting for the trigger (an hourglass); running is above.
    "app/rc/stopped.png": (16, badge("6b7480", "444b55", [
        rounded_rect(5.2, 5.2, 10.8, 10.8, 0.8),
    ])),
    "app/rc/waiting.png": (16, badge("e0a21b", "a8740c", [
        polygon([(5.0, 4.2), (11.0, 4.2), (8.0, 8.0)]),
        polygon([(8.0, 8.0), (11.0, 11.8), (5.0, 11.8)]),
    ])),
    # Connection state of the status bar: a green plug in its socket, a red plug pulled out.
    "app/rc/connect.png": (16, [
        (rounded_rect(1.0, 5.0, 7.5, 11.0, 1.2), hex_colour("1d6b34")),
        (segment(7.0, 6.5, 9.5, 6.5, 1.2), hex_colour("5f6670")),
        (segment(7.0, 9.5, 9.5, 9.5, 1.2), hex_colour("5f6670")),
        (rounded_rect(9.0, 4.0, 15.0, 12.0, 1.2), hex_colour("2e9e4f")),
    ]),
    "app/rc/disconnect.png": (16, [
        (rounded_rect(0.5, 5.0, 6.0, 11.0, 1.2), hex_colour("9e2018")),
        (segment(6.0, 6.5, 7.5, 6.5, 1.2), hex_colour("5f6670")),
        (segment(6.0, 9.5, 7.5, 9.5, 1.2), hex_colour("5f6670")),
        (rounded_rect(10.0, 4.0, 15.5, 12.0, 1.2), hex_colour("d93a2f")),
    ]),
    # Open a configuration: a yellow folder.
    "app/rc/open.png": (32, [
        (polygon([(3.0, 7.0), (12.0, 7.0), (15.0, 10.0), (29.0, 10.0), (29.0, 27.0), (3.0, 27.0)]),
         hex_colour("b07d12")),
        (polygon([(4.0, 8.0), (11.5, 8.0), (14.5, 11.0), (28.0, 11.0), (28.0, 26.0), (4.0, 26.0)]),
         hex_colour("e8b23a")),
        (polygon([(4.0, 26.0), (8.0, 15.0), (31.0, 15.0), (27.5, 26.0)]), hex_colour("f5cd62")),
    ]),
    # Save the configuration: a blue disk with its label and shutter.
    "app/rc/save.png": (32, [
        (rounded_rect(4.0, 4.0, 28.0, 28.0, 2.5), hex_colour("1b4a99")),
        (rounded_rect(5.2, 5.2, 26.8, 26.8, 1.8), hex_colour("2f6fd6")),
        (rounded_rect(9.0, 5.2, 23.0, 13.0, 0.8), hex_colour("c9ced5")),
        (rounded_rect(18.0, 6.5, 21.0, 11.8, 0.5), hex_colour("3d4653")),
        (rounded_rect(8.0, 17.0, 24.0, 26.8, 1.0), hex_colour("fbfcfd")),
    ]),
    # Clear error: an eraser.
    "app/rc/clear.png": (16, [
        (rotated(rounded_rect(1.5, 5.0, 14.5, 11.0, 1.2), 8.0, 8.0, -40.0), hex_colour("8a4b5c")),
        (rotated(rounded_rect(2.3, 5.8, 8.0, 10.2, 0.7), 8.0, 8.0, -40.0), hex_colour("f08ca0")),
        (rotated(rounded_rect(8.0, 5.8, 13.7, 10.2, 0.7), 8.0, 8.0, -40.0), hex_colour("6f9be0")),
    ]),
    # XY application: import a drawing (a brick with a plus), a new page, open, save, save all,
    # and send to the table (the forward arrow).
    "geometry/rc/add_brick.png": (32, [
        (rounded_rect(2.0, 8.0, 26.0, 22.0, 1.5), hex_colour("8a3b12")),
        (rounded_rect(3.2, 9.2, 24.8, 20.8, 1.0), hex_colour("d2691e")),
        (rounded_rect(3.2, 14.4, 24.8, 15.6, 0.0), hex_colour("8a3b12")),
        (rounded_rect(13.4, 9.2, 14.6, 14.4, 0.0), hex_colour("8a3b12")),
        (rounded_rect(8.4, 15.6, 9.6, 20.8, 0.0), hex_colour("8a3b12")),
        (rounded_rect(18.4, 15.6, 19.6, 20.8, 0.0), hex_colour("8a3b12")),
    ] + plus_badge(24.0, 24.0, 7.0)),
    "geometry/rc/pageadd.png": (32, sheet([
        (rounded_rect(10.0, 12.0 + 4.0 * row, 22.0, 13.5 + 4.0 * row, 0.5), hex_colour("c9ced5")) for row in range(3)
    ]) + plus_badge(24.0, 24.0, 7.0)),
    "geometry/rc/open.png": (32, [
        (polygon([(2.0, 7.0), (12.0, 7.0), (14.5, 10.0), (28.0, 10.0), (28.0, 27.0), (2.0, 27.0)]), hex_colour("9c6f12")),
        (polygon([(3.0, 8.0), (11.5, 8.0), (14.0, 11.0), (27.0, 11.0), (27.0, 26.0), (3.0, 26.0)]), hex_colour("e3ab2c")),
        (polygon([(6.0, 14.0), (31.0, 14.0), (27.0, 27.0), (2.0, 27.0)]), hex_colour("9c6f12")),
        (polygon([(6.8, 15.0), (29.6, 15.0), (26.3, 26.0), (3.4, 26.0)]), hex_colour("f2c94c")),
    ]),
    "geometry/rc/save.png": (32, floppy(4.0, 4.0, 24.0)),
    "geometry/rc/saveall.png": (32, floppy(2.0, 2.0, 19.0) + floppy(11.0, 11.0, 19.0)),
    "geometry/rc/forward.png": (32, forward_arrow()),
}


def program_icon():
    """The program's icon for the desktop, 64 x 64: the stepper motor of the splash."""
    return [
        (rounded_rect(4, 4, 60, 60, 6), hex_colour("3d4653")),
        (rounded_rect(7, 7, 57, 57, 4), hex_colour("6b7584")),
        (circle(32, 32, 20), hex_colour("3d4653")),
        (circle(32, 32, 17), hex_colour("9aa3b0")),
        (circle(32, 32, 5), hex_colour("2f6fd6")),
        (circle(13, 13, 3), hex_colour("232931")),
        (circle(51, 13, 3), hex_colour("232931")),
        (circle(13, 51, 3), hex_colour("232931")),
        (circle(51, 51, 3), hex_colour("232931")),
    ]


def splash():
    """The splash picture, 540 x 280: a light sky for the version texts at the top right, a
    stepper motor at the left and a sampled trace along a dark floor."""
    width, height = 540, 280

    def background(x, y):
        if y > 220:
            return (27, 42, 66)
        t = y / 220.0
        return (250 - 40 * t, 252 - 30 * t, 255 - 12 * t)

    def trace(x, y):
        if not 190 <= x <= 520:
            return False
        centre = 150 + 38 * math.sin((x - 190) / 26.0) * math.exp(-(x - 190) / 260.0)
        return abs(y - centre) <= 2.2

    steps = [(190 + 22 * i, 210 - 8 * (i % 4)) for i in range(15)]
    return width, height, background, [
        # The motor: a flange with its screw holes, the body and the shaft.
        (rounded_rect(40, 80, 170, 210, 10), hex_colour("3d4653")),
        (rounded_rect(46, 86, 164, 204, 7), hex_colour("6b7584")),
        (circle(105, 145, 44), hex_colour("3d4653")),
        (circle(105, 145, 38), hex_colour("9aa3b0")),
        (circle(105, 145, 9), hex_colour("232931")),
        (segment(105, 145, 105, 62, 7), hex_colour("c9ced5")),
        (circle(60, 100, 6), hex_colour("232931")),
        (circle(150, 100, 6), hex_colour("232931")),
        (circle(60, 190, 6), hex_colour("232931")),
        (circle(150, 190, 6), hex_colour("232931")),
        # The sampled trace and its step markers.
        (trace, hex_colour("2f6fd6")),
    ] + [(circle(x, y, 3.2), hex_colour("d93a2f")) for x, y in steps] + [
        (rounded_rect(0, 236, 540, 240, 0), hex_colour("2f6fd6")),
    ]


# The libraries that place these buttons without the studio's images carry their own.
for _name in ("commit.png", "settings.png", "zero.png"):
    ICONS["driver/ui/rc/" + _name] = ICONS["app/rc/" + _name]
ICONS["standalone/ui/rc/save.png"] = ICONS["app/rc/save.png"]


def main():
    for name, (size, layers) in ICONS.items():
        path = os.path.join(ROOT, name)
        write_png(path, size, render(size, layers))
        print("wrote", os.path.relpath(path, ROOT))
    path = os.path.join(ROOT, "app/rc/talvex-studio.png")
    write_png(path, 64, render(64, program_icon()))
    print("wrote", os.path.relpath(path, ROOT))
    width, height, background, layers = splash()
    path = os.path.join(ROOT, "app/rc/splash.png")
    write_png(path, width, render_rect(width, height, background, layers, 2), height)
    print("wrote", os.path.relpath(path, ROOT))


if __name__ == "__main__":
    main()
