#!/usr/bin/env python3
"""Draws the I/O diagram's pictures and writes them as PNG files next to iodiagram.qrc.

Run it after changing a drawing: python3 iodiagram/rc/tools/make_images.py [name.png ...]
(all pictures, or the ones named).
It uses the shapes and the PNG writer of the studio's icon tool (app/rc/tools/make_icons.py),
so the pictures look like the other icons.

The diagram shows every picture at half its size, and the scene's pitches rely on these sizes
(pixels here, scene units in the diagram):
- blocks (adc ... relay): 96 x 88, 48 x 44 in the scene. Blocks follow each other every 50 units;
  two input terminals lie at a quarter and three quarters of the height, 22 units apart.
- channel: 168 x 40, 84 x 20 in the scene: channels on the two terminals of one block leave 2
  units between them, and the column's pitch of 36 leaves 16. The name is drawn onto it.
- buffer: 160 x 48, 80 x 24 in the scene, with a pitch of 60; its connector is 2 units above
  the middle of its left edge, where the scene puts its anchor.
- output: 128 x 32, 64 x 16 in the scene: a plate wide enough for a duty cycle such as "1: 100 %".
- input symbols (highz, pullup, pulldown, rising, falling): 32 x 32, 16 x 16 beside a terminal;
  two of them fit between a terminal and its block.
The blocks, channels, buffers and plates are light grey and white: the diagram tints them.
"""

import math
import os
import sys

sys.dont_write_bytecode = True

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "app", "rc", "tools"))
from make_icons import (  # noqa: E402
    circle, ellipse_ring, hex_colour, polygon, render, rounded_rect, segment, union, write_png)

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
EDGE = hex_colour("5f6670")
BODY = hex_colour("ffffff")
INK = hex_colour("3d4653")
RED = hex_colour("d93a2f")
DARK_RED = hex_colour("9e2018")
BLUE = hex_colour("2f6fd6")
CELL = hex_colour("c9ced5")

BLOCK_WIDTH, BLOCK_HEIGHT = 96, 88


def polyline(points, width):
    return union(*[segment(x0, y0, x1, y1, width) for (x0, y0), (x1, y1) in zip(points, points[1:])])


def square_wave(x0, x1, low, high, edges, width):
    """A wave that starts low at x0 and toggles at each x of edges."""
    points = [(x0, low)]
    level = low
    for x in edges:
        points.append((x, level))
        level = high if level == low else low
        points.append((x, level))
    points.append((x1, level))
    return polyline(points, width)


def block(glyph):
    return [
        (rounded_rect(2, 2, BLOCK_WIDTH - 2, BLOCK_HEIGHT - 2, 8), EDGE),
        (rounded_rect(4, 4, BLOCK_WIDTH - 4, BLOCK_HEIGHT - 4, 6.5), BODY),
    ] + glyph


def limit(bar_x, tip_x, tail_x):
    """An arrow running into a bar."""
    head = 9 if tail_x > tip_x else -9
    return [
        (rounded_rect(bar_x - 3, 18, bar_x + 3, 70, 1.5), RED),
        (segment(tail_x, 44, tip_x + head, 44, 5), INK),
        (polygon([(tip_x + head + (2 if head > 0 else -2), 34), (tip_x, 44),
                  (tip_x + head + (2 if head > 0 else -2), 54)]), INK),
    ]


def sine(x0, x1, cy, amplitude, periods):
    steps = 40
    points = [(x0 + (x1 - x0) * i / steps, cy - amplitude * math.sin(2 * math.pi * periods * i / steps))
              for i in range(steps + 1)]
    return polyline(points, 3.5)


def zigzag(x, y0, y1, teeth):
    step = (y1 - y0) / (2 * teeth)
    points = [(x, y0)] + [(x + (5 if i % 2 == 0 else -5), y0 + step * (i + 0.5)) for i in range(2 * teeth)] + [(x, y1)]
    return polyline(points, 2.4)


def edge_symbol(rising):
    low, high = 26, 6
    first, second = (low, high) if rising else (high, low)
    tip, base = (8, 18) if rising else (24, 14)
    return [
        (polyline([(3, first), (16, first), (16, second), (29, second)], 2.6), INK),
        (polygon([(10, base), (22, base), (16, tip)]), RED),
    ]


BLOCKS = {
    # Analogue to digital: a sine wave into a staircase.
    "adc.png": block([
        (sine(14, 44, 44, 14, 1), INK),
        (polyline([(52, 60), (60, 60), (60, 52), (68, 52), (68, 44), (76, 44), (76, 36), (84, 36), (84, 28)], 3.5),
         BLUE),
    ]),
    # Quadrature decoder: two square waves a quarter period apart.
    "quadrature.png": block([
        (square_wave(12, 84, 38, 22, [24, 42, 60, 78], 3.5), INK),
        (square_wave(12, 84, 66, 50, [33, 51, 69], 3.5), BLUE),
    ]),
    # Event counter: pulses and a tally.
    "events.png": block([
        (square_wave(12, 84, 46, 20, [22, 30, 44, 52, 66, 74], 3.5), INK),
        (union(*[rounded_rect(30 + 10 * i, 56, 34 + 10 * i, 74, 1) for i in range(4)]), BLUE),
        (segment(26, 72, 70, 58, 3), RED),
    ]),
    # Start and end limits: an arrow running into a bar on its side.
    "startlimit.png": block(limit(22, 28, 78)),
    "endlimit.png": block(limit(74, 68, 18)),
    # Motor control: a motor seen from its shaft.
    "motor_control.png": block([
        (circle(48, 44, 30), INK),
        (circle(48, 44, 25), CELL),
        (union(*[circle(48 + 17 * math.cos(a), 44 + 17 * math.sin(a), 5)
                 for a in (0.25 * math.pi, 0.75 * math.pi, 1.25 * math.pi, 1.75 * math.pi)]), EDGE),
        (circle(48, 44, 8), INK),
        (circle(48, 44, 3.5), BODY),
    ]),
    # Step counter: a staircase.
    "stepcount.png": block([
        (polyline([(12, 72), (24, 72), (24, 60), (36, 60), (36, 48), (48, 48), (48, 36), (60, 36), (60, 24),
                   (72, 24), (72, 14), (84, 14)], 4), INK),
    ]),
    # Stop input: a mushroom button.
    "emergency.png": block([
        (rounded_rect(28, 52, 68, 76, 3), INK),
        (circle(48, 40, 24), DARK_RED),
        (circle(48, 40, 20), RED),
        (circle(42, 33, 5), hex_colour("f08ca0")),
    ]),
    # Coupling of two drivers: two chain links.
    "pelmora.png": block([
        (ellipse_ring(36, 44, 22, 14, 15, 8), INK),
        (ellipse_ring(60, 44, 22, 14, 15, 8), BLUE),
        (ellipse_ring(36, 44, 22, 14, 15, 8), INK),
    ]),
    # PWM outputs: short pulses, and pulses of half the period for the block with two outputs.
    "pwm.png": block([(square_wave(12, 84, 62, 26, [20, 30, 44, 54, 68, 78], 3.5), INK)]),
    "pwm_medium.png": block([(square_wave(12, 84, 62, 26, [20, 38, 56, 74], 3.5), INK)]),
    # Relay: a coil and the contact it pulls.
    "relay.png": block([
        (rounded_rect(12, 24, 38, 64, 2), INK),
        (rounded_rect(15, 27, 35, 61, 1), BODY),
        (zigzag(25, 30, 58, 3), INK),
        (segment(38, 44, 56, 44, 2.5), EDGE),
        (segment(56, 60, 80, 34, 3.5), INK),
        (circle(56, 62, 3.5), INK),
        (circle(82, 44, 3.5), INK),
        (segment(82, 44, 90, 44, 3), INK),
    ]),
}

OTHERS = {
    # A board input: a plate with its connector on the right; the diagram writes the name on it.
    "channel.png": (168, 40, [
        (rounded_rect(1, 1, 158, 39, 8), EDGE),
        (rounded_rect(3, 3, 156, 37, 6.5), BODY),
        (rounded_rect(155, 16, 168, 24, 1.5), EDGE),
    ]),
    # A sample buffer: memory cells, with its connector on the left.
    "buffer.png": (160, 48, [
        (rounded_rect(0, 16, 14, 24, 1.5), EDGE),
        (rounded_rect(12, 2, 158, 46, 7), EDGE),
        (rounded_rect(14, 4, 156, 44, 5.5), BODY),
    ] + [(rounded_rect(24 + 21 * i, 12, 40 + 21 * i, 36, 2), CELL) for i in range(6)]),
    # An output's plate, with its connector on the left, wide enough for the label on it.
    "output.png": (128, 32, [
        (rounded_rect(0, 13, 10, 19, 1.5), EDGE),
        (rounded_rect(8, 2, 128, 30, 6), EDGE),
        (rounded_rect(10, 4, 126, 28, 4.5), BODY),
    ]),
    # Input symbols: floating (high impedance), pulled up, pulled down, rising and falling edge.
    "highz.png": (32, 32, [
        (segment(3, 16, 18, 16, 2.6), INK),
        (ellipse_ring(23, 16, 6, 6, 3.8, 3.8), INK),
    ]),
    "pullup.png": (32, 32, [
        (rounded_rect(6, 2, 26, 5.5, 1), RED),
        (segment(16, 5, 16, 8, 2.4), INK),
        (zigzag(16, 8, 26, 3), INK),
        (segment(16, 26, 16, 30, 2.4), INK),
    ]),
    "pulldown.png": (32, 32, [
        (segment(16, 2, 16, 6, 2.4), INK),
        (zigzag(16, 6, 21, 3), INK),
        (segment(16, 21, 16, 24, 2.4), INK),
        (rounded_rect(6, 23.5, 26, 25.5, 0.5), BLUE),
        (rounded_rect(10, 26.8, 22, 28.4, 0.5), BLUE),
        (rounded_rect(13.5, 29.8, 18.5, 31.2, 0.5), BLUE),
    ]),
    "rising.png": (32, 32, edge_symbol(True)),
    "falling.png": (32, 32, edge_symbol(False)),
}


def draw(name, width, height, layers):
    rows = render(max(width, height), layers)
    rows = [row[:4 * width] for row in rows[:height]]
    path = os.path.normpath(os.path.join(HERE, name))
    write_png(path, width, rows, height)
    print("wrote", path)


def main():
    wanted = set(sys.argv[1:])
    for name, layers in BLOCKS.items():
        if not wanted or name in wanted:
            draw(name, BLOCK_WIDTH, BLOCK_HEIGHT, layers)
    for name, (width, height, layers) in OTHERS.items():
        if not wanted or name in wanted:
            draw(name, width, height, layers)


if __name__ == "__main__":
    main()
