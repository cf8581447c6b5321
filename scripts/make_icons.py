#!/usr/bin/env python3
"""Draws the faceplate's icons and writes them as .ico files (32-bit colour with alpha).

Run once when an icon changes; the .ico files are committed under balance8/res.
"""
import math
import struct
import sys
from pathlib import Path


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0, 0)] * w for _ in range(h)]

    def set(self, x, y, rgb):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = (*rgb, 255)

    def rect(self, x0, y0, x1, y1, rgb):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, rgb)

    def disc(self, cx, cy, r, rgb, ring=None):
        for y in range(self.h):
            for x in range(self.w):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if ring is not None and r - ring <= d <= r:
                    self.set(x, y, rgb)
                elif ring is None and d <= r:
                    self.set(x, y, rgb)

    def line(self, x0, y0, x1, y1, rgb, width=1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(steps + 1):
            t = i / steps
            x, y = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for dx in range(width):
                for dy in range(width):
                    self.set(int(x) + dx, int(y) + dy, rgb)

    def poly(self, points, rgb):
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            xs = []
            for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
                if (y0 <= y + 0.5 < y1) or (y1 <= y + 0.5 < y0):
                    xs.append(x0 + (y + 0.5 - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                for x in range(int(round(a)), int(round(b))):
                    self.set(x, y, rgb)

    def ico(self):
        rows = b"".join(
            bytes(b for (r, g, bl, a) in self.px[y] for b in (bl, g, r, a))
            for y in reversed(range(self.h)))
        mask_row = ((self.w + 31) // 32) * 4
        mask = bytes(mask_row * self.h)
        header = struct.pack("<IiiHHIIiiII", 40, self.w, self.h * 2, 1, 32, 0,
                             len(rows) + len(mask), 0, 0, 0, 0)
        image = header + rows + mask
        return struct.pack("<HHH", 0, 1, 1) + struct.pack(
            "<BBBBHHII", self.w % 256, self.h % 256, 0, 0, 1, 32, len(image), 22) + image


RED, GREEN, GREY, DARK, WHITE = (220, 0, 0), (0, 150, 0), (150, 150, 150), (40, 40, 40), (255, 255, 255)
BLUE, YELLOW, CYAN = (0, 70, 200), (240, 200, 0), (0, 160, 200)


def bell(c, ox, oy, rgb):
    c.poly([(ox + 8, oy + 2), (ox + 12, oy + 6), (ox + 13, oy + 12), (ox + 3, oy + 12),
            (ox + 4, oy + 6)], rgb)
    c.rect(ox + 2, oy + 12, ox + 14, oy + 13, rgb)
    c.disc(ox + 8, oy + 14, 1.6, rgb)


def no_entry(c, cx, cy, r):
    c.disc(cx, cy, r, RED, ring=2)
    c.line(cx - r * 0.7, cy - r * 0.7, cx + r * 0.7 - 1, cy + r * 0.7 - 1, RED, 2)


def flow():  # 32758: trend line on a small chart
    c = Canvas(16, 16)
    c.rect(1, 1, 2, 15, DARK); c.rect(1, 14, 15, 15, DARK)
    c.line(3, 11, 6, 6, BLUE, 2); c.line(6, 6, 9, 9, BLUE, 2); c.line(9, 9, 13, 3, BLUE, 2)
    return c


def current():  # 32757: bar graph of current values
    c = Canvas(16, 16)
    for i, h in enumerate((6, 11, 8)):
        c.rect(2 + i * 5, 15 - h, 5 + i * 5, 15, GREEN)
    return c


def alarm():  # 32756: alarm bell
    c = Canvas(16, 16)
    bell(c, 0, 0, YELLOW)
    return c


def adjust():  # 32759: detail view, a window with a tab strip
    c = Canvas(16, 16)
    c.rect(1, 3, 15, 14, DARK); c.rect(2, 6, 14, 13, WHITE); c.rect(2, 4, 7, 6, CYAN)
    return c


def ack():  # 32752 (0x7FF0): acknowledge tick
    c = Canvas(16, 16)
    c.line(2, 8, 6, 12, GREEN, 2); c.line(6, 12, 13, 3, GREEN, 2)
    return c


def mode_off():  # 12043: mode off, a grey hand-operated circle
    c = Canvas(16, 16)
    c.disc(8, 8, 7, GREY); c.disc(8, 8, 3, WHITE)
    return c


def mode_on():  # 12053: mode on, a green circle
    c = Canvas(16, 16)
    c.disc(8, 8, 7, GREEN); c.poly([(6, 4), (12, 8), (6, 12)], WHITE)
    return c


def oos(colour):  # 12059 / 12058: no-entry sign followed by the letters OOS, 60 x 24
    c = Canvas(60, 24)
    c.disc(12, 12, 10, colour); c.rect(5, 10, 20, 14, WHITE)
    for i in range(3):
        x = 26 + i * 11
        if i == 2:  # S
            c.rect(x, 5, x + 9, 7, colour); c.rect(x, 5, x + 2, 12, colour)
            c.rect(x, 11, x + 9, 13, colour); c.rect(x + 7, 11, x + 9, 19, colour)
            c.rect(x, 17, x + 9, 19, colour)
        else:  # O
            c.disc(x + 4.5, 12, 7, colour, ring=2)
    return c


def bell_inhibit():  # 32747: bell crossed by a red no-entry sign
    c = Canvas(16, 16)
    bell(c, 0, 0, YELLOW)
    no_entry(c, 8, 8, 7.5)
    return c


ICONS = {
    32758: flow, 32757: current, 32756: alarm, 32759: adjust, 32752: ack,
    12043: mode_off, 12053: mode_on, 12059: lambda: oos(RED), 12058: lambda: oos(GREY),
    32747: bell_inhibit,
}

if __name__ == "__main__":
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "balance8/res")
    out.mkdir(parents=True, exist_ok=True)
    for ident, draw in ICONS.items():
        (out / f"icon{ident}.ico").write_bytes(draw().ico())
